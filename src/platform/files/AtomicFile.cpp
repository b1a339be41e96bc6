#include "platform/files/AtomicFile.h"

#include "platform/errors/PlatformError.h"

#include <QFile>
#include <QFileInfo>
#include <QSaveFile>

#include <cerrno>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace zv {

bool isReadOnlyFile(const QString &path)
{
    const QFileInfo info(path);
    // Not WriteUser: that one says what the current user may do, and root may do anything.
    constexpr QFile::Permissions anyWrite
        = QFile::WriteOwner | QFile::WriteGroup | QFile::WriteOther;
    return info.exists() && !info.isDir()
        && (!info.isWritable() || !(info.permissions() & anyWrite));
}

void writeFileAtomically(const QString &path, const QByteArray &data, const char *writeError)
{
    const QFileInfo target(path);
    // A rename would replace a read-only file or a folder's entry the user may not write.
    if (target.isDir() || isReadOnlyFile(path))
        throw fileError("Cannot create file %s", path);

    QSaveFile file(path);
    file.setDirectWriteFallback(false);
    if (!file.open(QIODevice::WriteOnly))
        throw fileError("Cannot create file %s", path);
    if (file.write(data) != data.size()) {
        file.cancelWriting();
        throw EPlatformError(QString::fromLatin1(writeError));
    }
    if (!file.commit())
        throw EPlatformError(QString::fromLatin1(writeError));
}

namespace {

mode_t currentUmask()
{
    const mode_t mask = ::umask(0);
    ::umask(mask);
    return mask;
}

bool writeAll(int fd, const QByteArray &data)
{
    const char *p = data.constData();
    qsizetype left = data.size();
    while (left > 0) {
        const ssize_t n = ::write(fd, p, size_t(left));
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0)
            return false;
        p += n;
        left -= n;
    }
    return true;
}

} // namespace

void replaceFileAtName(const QString &path, const QByteArray &data, const char *writeError)
{
    const QByteArray name = QFile::encodeName(path);
    mode_t mode = 0666 & ~currentUmask();
    struct stat existing = {};
    if (::lstat(name.constData(), &existing) == 0) {
        // A link is replaced whatever it points at; a file or folder of that name decides.
        if (S_ISDIR(existing.st_mode) || (S_ISREG(existing.st_mode) && isReadOnlyFile(path)))
            throw fileError("Cannot create file %s", path);
        if (S_ISREG(existing.st_mode))
            mode = existing.st_mode & 07777;
    }

    const qsizetype slash = name.lastIndexOf('/');
    QByteArray temporary = name.left(slash + 1) + '.' + name.mid(slash + 1) + ".XXXXXX";
    const int fd = ::mkstemp(temporary.data());
    if (fd < 0)
        throw fileError("Cannot create file %s", path);
    const bool written = writeAll(fd, data) && ::fchmod(fd, mode) == 0;
    if (::close(fd) != 0 || !written) {
        ::unlink(temporary.constData());
        throw EPlatformError(QString::fromLatin1(writeError));
    }
    if (::rename(temporary.constData(), name.constData()) != 0) {
        ::unlink(temporary.constData());
        throw fileError("Cannot create file %s", path);
    }
}

} // namespace zv
