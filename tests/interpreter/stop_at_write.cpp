// Preloaded into zarvik-pl by tst_temporaries: the first write into a temporary "salida.log.*"
// stops the process, so that the test can signal a run caught in the middle of its write.
#include <dlfcn.h>
#include <unistd.h>

#include <climits>
#include <csignal>
#include <cstdio>
#include <cstring>

extern "C" ssize_t write(int fd, const void *buffer, size_t size)
{
    using Write = ssize_t (*)(int, const void *, size_t);
    static const Write real = reinterpret_cast<Write>(dlsym(RTLD_NEXT, "write"));
    static bool stopped = false;
    if (!stopped) {
        char link[64];
        std::snprintf(link, sizeof link, "/proc/self/fd/%d", fd);
        char name[PATH_MAX];
        const ssize_t n = readlink(link, name, sizeof name - 1);
        if (n > 0) {
            name[n] = '\0';
            if (std::strstr(name, "/salida.log.")) {
                stopped = true;
                raise(SIGSTOP);
            }
        }
    }
    return real(fd, buffer, size);
}
