#include "platform/files/AtomicFile.h"

#include "platform/errors/PlatformError.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <cerrno>
#include <climits>
#include <csignal>
#include <ctime>
#include <dirent.h>
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

// A temporary beside NAME is ".NAME.~zvPID.XXXXXX": hidden, named after its writer so that one
// left by a killed save can be told from one being written, and, for a long NAME, cut to fit.
constexpr char kTemporaryMark[] = ".~zv";
constexpr qsizetype kTemporaryRoom = 1 + (sizeof kTemporaryMark - 1) + 10 + 1 + 6;

QByteArray temporaryPrefix(const QByteArray &fileName)
{
    return '.' + fileName.left(NAME_MAX - kTemporaryRoom) + kTemporaryMark;
}

// Whether @p rest, what follows the prefix, is "PID.XXXXXX" as mkstemp() fills it in; its PID.
pid_t writerOf(const QByteArray &rest)
{
    const qsizetype dot = rest.indexOf('.');
    if (dot < 1 || dot > 10 || rest.size() != dot + 7)
        return 0;
    for (qsizetype i = 0; i < rest.size(); ++i) {
        const char c = rest[i];
        const bool digit = c >= '0' && c <= '9';
        if (i < dot ? !digit
                    : i > dot && !digit && !(c >= 'a' && c <= 'z') && !(c >= 'A' && c <= 'Z'))
            return 0;
    }
    bool ok = false;
    const long pid = rest.left(dot).toLong(&ok);
    return ok && pid > 0 && pid <= INT_MAX ? pid_t(pid) : 0;
}

// Removes the temporaries of saves of @p name that were killed: only names of our own pattern
// for this file, only regular files of ours with no other link, and only stale ones: untouched
// for kDeadWriterSeconds with their writer gone, or for kAnyWriterSeconds whatever it is (its PID
// may since belong to another process). A save under way keeps touching its file or lives.
constexpr time_t kDeadWriterSeconds = 30;
constexpr time_t kAnyWriterSeconds = 60 * 60;

void sweepBeside(const QByteArray &name)
{
    const qsizetype slash = name.lastIndexOf('/');
    const QByteArray prefix = temporaryPrefix(name.mid(slash + 1));
    DIR *folder = ::opendir(folderOf(name).constData());
    if (!folder)
        return;
    const time_t now = ::time(nullptr);
    while (const dirent *entry = ::readdir(folder)) {
        const QByteArray entryName(entry->d_name);
        if (!entryName.startsWith(prefix))
            continue;
        const pid_t writer = writerOf(entryName.mid(prefix.size()));
        struct stat info = {};
        if (writer == 0
            || ::fstatat(::dirfd(folder), entry->d_name, &info, AT_SYMLINK_NOFOLLOW) != 0
            || !S_ISREG(info.st_mode) || info.st_uid != ::geteuid() || info.st_nlink != 1)
            continue;
        const time_t untouched = now - info.st_mtime;
        const bool writerGone = ::kill(writer, 0) != 0 && errno == ESRCH;
        if ((writerGone && untouched >= kDeadWriterSeconds) || untouched >= kAnyWriterSeconds)
            ::unlinkat(::dirfd(folder), entry->d_name, 0);
    }
    ::closedir(folder);
}

// The one way every file is written: a new file beside @p name, flushed to disk with mode
// @p mode, then renamed to @p name, so that the name holds the old bytes or the new, never a
// part.
void writeBeside(const QByteArray &name, const QByteArray &data, mode_t mode,
    const char *writeError, const QString &shownPath)
{
    sweepBeside(name);
    const qsizetype slash = name.lastIndexOf('/');
    QByteArray temporary = name.left(slash + 1) + temporaryPrefix(name.mid(slash + 1))
        + QByteArray::number(::getpid()) + ".XXXXXX";
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

void sweepStaleTemporaries(const QString &path)
{
    const SaveTarget target = saveTarget(path);
    if (!target.path.isEmpty())
        sweepBeside(QFile::encodeName(target.path));
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
