#include "LogFile.h"

#include <dirent.h>
#include <fcntl.h>
#include <signal.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <csignal>
#include <cstdio>
#include <cstring>

namespace interpreter {

namespace {

constexpr int kEndingSignals[] = {SIGTERM, SIGINT, SIGHUP};
constexpr std::size_t kRandomLetters = 6; // mkstemp's XXXXXX

// What the handler may touch: a fixed buffer and a flag, set only while the signals are blocked.
char g_temporary[4096];
volatile std::sig_atomic_t g_writing = 0;

extern "C" void removeTemporaryAndEnd(int signal)
{
    if (g_writing)
        ::unlink(g_temporary);
    // SA_RESETHAND restored the default action, and the signal stays blocked until the handler
    // returns: then it ends the process, whose parent sees the signal as before.
    ::raise(signal);
}

sigset_t endingSignals()
{
    sigset_t set;
    sigemptyset(&set);
    for (const int signal : kEndingSignals)
        sigaddset(&set, signal);
    return set;
}

// Runs @p step with the ending signals held back, so that the handler never sees a name that
// mkstemp is still trying, nor one already renamed.
template <class F> auto withSignalsBlocked(F step)
{
    const sigset_t set = endingSignals();
    sigset_t old;
    sigprocmask(SIG_BLOCK, &set, &old);
    const auto result = step();
    const int error = errno;
    sigprocmask(SIG_SETMASK, &old, nullptr);
    errno = error;
    return result;
}

bool isAsciiLetterOrDigit(char c)
{
    return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9');
}

bool isTemporaryName(const char *name, const std::string &prefix)
{
    if (std::strncmp(name, prefix.c_str(), prefix.size()) != 0)
        return false;
    const char *tail = name + prefix.size();
    std::size_t n = 0;
    for (; tail[n] != '\0'; ++n)
        if (n == kRandomLetters || !isAsciiLetterOrDigit(tail[n]))
            return false;
    return n == kRandomLetters;
}

bool isBefore(const timespec &a, const timespec &b)
{
    return a.tv_sec < b.tv_sec || (a.tv_sec == b.tv_sec && a.tv_nsec < b.tv_nsec);
}

bool writeAll(int fd, const std::string &bytes)
{
    for (std::size_t done = 0; done < bytes.size();) {
        const ssize_t n = ::write(fd, bytes.data() + done, bytes.size() - done);
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0)
            return false;
        done += static_cast<std::size_t>(n);
    }
    return true;
}

} // namespace

void removeTemporaryOnSignals()
{
    struct sigaction action = {};
    action.sa_handler = removeTemporaryAndEnd;
    action.sa_mask = endingSignals();
    action.sa_flags = SA_RESETHAND;
    for (const int signal : kEndingSignals) {
        struct sigaction before = {};
        if (sigaction(signal, nullptr, &before) == 0 && before.sa_handler != SIG_IGN)
            sigaction(signal, &action, nullptr);
    }
}

void sweepStaleTemporaries(const std::filesystem::path &log, const timespec &since)
{
    const std::string folder = log.has_parent_path() ? log.parent_path().string() : ".";
    const std::string prefix = log.filename().string() + ".";
    DIR *dir = ::opendir(folder.c_str());
    if (!dir)
        return;
    while (const dirent *entry = ::readdir(dir)) {
        if (!isTemporaryName(entry->d_name, prefix))
            continue;
        const int fd = ::openat(
            ::dirfd(dir), entry->d_name, O_RDONLY | O_NOFOLLOW | O_NONBLOCK | O_NOCTTY | O_CLOEXEC);
        if (fd < 0)
            continue;
        struct stat opened = {};
        struct stat named = {};
        // A writer holds its temporary locked until the rename, and a killed one holds nothing.
        if (::fstat(fd, &opened) == 0 && S_ISREG(opened.st_mode) && opened.st_uid == ::geteuid()
            && isBefore(opened.st_mtim, since) && ::flock(fd, LOCK_EX | LOCK_NB) == 0
            && ::fstatat(::dirfd(dir), entry->d_name, &named, AT_SYMLINK_NOFOLLOW) == 0
            && named.st_ino == opened.st_ino && named.st_dev == opened.st_dev)
            ::unlinkat(::dirfd(dir), entry->d_name, 0);
        ::close(fd);
    }
    ::closedir(dir);
}

bool writeLog(const std::filesystem::path &log, const std::string &bytes)
{
    // A new name in the same folder each time, created exclusively, so two runs never share it
    // and a link planted there is never followed; the rename then replaces whatever holds the
    // final name, a symbolic link included, without following it.
    const std::string pattern = log.string() + ".XXXXXX";
    if (pattern.size() >= sizeof g_temporary) {
        errno = ENAMETOOLONG;
        return false;
    }
    const int fd = withSignalsBlocked([&] {
        std::memcpy(g_temporary, pattern.c_str(), pattern.size() + 1);
        const int opened = ::mkstemp(g_temporary);
        g_writing = opened >= 0;
        return opened;
    });
    if (fd < 0)
        return false;
    ::flock(fd, LOCK_EX | LOCK_NB);
    // mkstemp makes the file private; the log gets what any newly created file would.
    const mode_t mask = ::umask(0);
    ::umask(mask);
    bool ok = ::fchmod(fd, 0666 & ~mask) == 0 && writeAll(fd, bytes);
    int error = errno;
    if (::close(fd) != 0 && ok) {
        ok = false;
        error = errno;
    }
    const bool renamed = withSignalsBlocked([&] {
        const bool done = ok && std::rename(g_temporary, log.c_str()) == 0;
        if (!done) {
            if (ok)
                error = errno;
            ::unlink(g_temporary);
        }
        g_writing = 0;
        return done;
    });
    errno = error;
    return renamed;
}

} // namespace interpreter
