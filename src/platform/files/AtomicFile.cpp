#include "platform/files/AtomicFile.h"

#include "platform/errors/PlatformError.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <cerrno>
#include <climits>
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

namespace {

// As the kernel gives up on a chain of links (ELOOP).
constexpr int kMaxLinkHops = 40;

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

QByteArray folderOf(const QByteArray &name)
{
    const qsizetype slash = name.lastIndexOf('/');
    return slash < 0 ? QByteArray(".") : slash == 0 ? QByteArray("/") : name.left(slash);
}

// The one way every file is written: a new file beside @p name, flushed to disk with mode
// @p mode, then renamed to @p name, so that the name holds the old bytes or the new, never a
// part. The temporary's name is hidden and, for a long name, cut to fit.
void writeBeside(const QByteArray &name, const QByteArray &data, mode_t mode,
    const char *writeError, const QString &shownPath)
{
    const qsizetype slash = name.lastIndexOf('/');
    QByteArray temporary
        = name.left(slash + 1) + '.' + name.mid(slash + 1).left(NAME_MAX - 8) + ".XXXXXX";
    const int fd = ::mkstemp(temporary.data());
    if (fd < 0)
        throw fileError("Cannot create file %s", shownPath);
    const bool written = writeAll(fd, data) && ::fchmod(fd, mode) == 0 && ::fsync(fd) == 0;
    if (::close(fd) != 0 || !written) {
        ::unlink(temporary.constData());
        throw EPlatformError(QString::fromLatin1(writeError));
    }
    if (::rename(temporary.constData(), name.constData()) != 0) {
        ::unlink(temporary.constData());
        throw fileError("Cannot create file %s", shownPath);
    }
    // The rename itself reaches the disk with its folder.
    const int folder = ::open(folderOf(name).constData(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (folder >= 0) {
        ::fsync(folder);
        ::close(folder);
    }
}

// @p path made absolute, with its folders' links resolved where the folder exists.
QString resolvedName(const QString &path)
{
    const QFileInfo info(path);
    if (const QString real = info.canonicalFilePath(); !real.isEmpty())
        return real;
    const QString folder = QFileInfo(info.absolutePath()).canonicalFilePath();
    if (folder.isEmpty())
        return QDir::cleanPath(info.absoluteFilePath());
    return folder == QLatin1String("/") ? folder + info.fileName()
                                        : folder + QLatin1Char('/') + info.fileName();
}

} // namespace

SaveTarget saveTarget(const QString &path)
{
    QByteArray name = QFile::encodeName(path);
    struct stat info = {};
    for (int hop = 0; hop <= kMaxLinkHops; ++hop) {
        if (::lstat(name.constData(), &info) != 0)
            return {hop == 0 ? path : resolvedName(QFile::decodeName(name)), hop > 0, false};
        if (!S_ISLNK(info.st_mode))
            return {hop == 0 ? path : resolvedName(QFile::decodeName(name)), hop > 0, true};
        QByteArray target(PATH_MAX, '\0');
        const ssize_t n = ::readlink(name.constData(), target.data(), size_t(target.size()));
        if (n <= 0 || n >= target.size())
            break;
        target.truncate(n);
        // A relative link is read from the folder that holds it, as the kernel reads it.
        name = target.startsWith('/') ? target : folderOf(name) + '/' + target;
    }
    return {QString(), true, false};
}

void writeFileAtomically(const QString &path, const QByteArray &data, const char *writeError)
{
    const SaveTarget target = saveTarget(path);
    if (target.path.isEmpty())
        throw fileError("Cannot create file %s", path);
    const QByteArray name = QFile::encodeName(target.path);
    mode_t mode = 0666 & ~currentUmask();
    struct stat existing = {};
    if (::lstat(name.constData(), &existing) == 0) {
        // A rename would put a file in place of a folder or a device, or replace a read-only file.
        if (!S_ISREG(existing.st_mode) || isReadOnlyFile(target.path))
            throw fileError("Cannot create file %s", path);
        mode = existing.st_mode & 0777;
    }
    writeBeside(name, data, mode, writeError, path);
}

void replaceFileAtName(
    const QString &path, const QByteArray &data, const char *writeError, FileAccess access)
{
    const QByteArray name = QFile::encodeName(path);
    mode_t mode = 0666 & ~currentUmask();
    struct stat existing = {};
    if (::lstat(name.constData(), &existing) == 0) {
        // A link is replaced whatever it points at; a file or folder of that name decides.
        if (S_ISDIR(existing.st_mode) || (S_ISREG(existing.st_mode) && isReadOnlyFile(path)))
            throw fileError("Cannot create file %s", path);
        if (S_ISREG(existing.st_mode))
            mode = existing.st_mode & 0777;
    }
    if (access == FileAccess::OwnerOnly)
        mode = 0600;
    writeBeside(name, data, mode, writeError, path);
}

} // namespace zv
