// zarvik-pl leaves no temporary behind: the one it is writing goes when the run is ended by
// TERM or INT ("Detener programa", Ctrl+C), and one that a run killed outright left goes at the
// next run, unless it is another's, or still being written.
// Usage: tst_temporaries ZARVIK_PL STOP_AT_WRITE_LIBRARY

#include "Harness.h"

#include <dirent.h>
#include <fcntl.h>
#include <pwd.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <csignal>
#include <cstdlib>
#include <fstream>
#include <iterator>
#include <set>
#include <string>

namespace {

const char *g_program = nullptr;
const char *g_stopAtWrite = nullptr;

struct Folder
{
    std::string path;
    Folder()
    {
        char name[] = "/tmp/zarvik-pl-temporaries.XXXXXX";
        path = mkdtemp(name) ? name : "";
    }
    ~Folder() { std::system(("rm -rf '" + path + "'").c_str()); }
    std::string operator/(const std::string &name) const { return path + "/" + name; }
};

void writeFile(const std::string &path, const std::string &bytes)
{
    std::ofstream(path, std::ios::binary) << bytes;
}

std::string readFile(const std::string &path)
{
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

std::set<std::string> names(const std::string &folder)
{
    std::set<std::string> out;
    if (DIR *dir = opendir(folder.c_str())) {
        while (const dirent *e = readdir(dir))
            if (std::string(e->d_name) != "." && std::string(e->d_name) != "..")
                out.insert(e->d_name);
        closedir(dir);
    }
    return out;
}

// Starts zarvik-pl on the folder's entrada.txt and salida.log, with the default action for every
// signal whatever the test was started with; @p stopAtWrite preloads the library that stops it
// at its first write into the temporary.
pid_t start(const Folder &folder, bool stopAtWrite)
{
    const pid_t pid = fork();
    if (pid == 0) {
        for (const int s : {SIGTERM, SIGINT, SIGHUP})
            std::signal(s, SIG_DFL);
        if (stopAtWrite) {
            setenv("LD_PRELOAD", g_stopAtWrite, 1);
            // A sanitized build wants its runtime first; the shim only wraps write().
            setenv("ASAN_OPTIONS", "verify_asan_link_order=0", 1);
        }
        const std::string in = folder / "entrada.txt";
        const std::string out = folder / "salida.log";
        execl(g_program, g_program, in.c_str(), out.c_str(), static_cast<char *>(nullptr));
        _exit(127);
    }
    return pid;
}

int finish(pid_t pid)
{
    int status = 0;
    waitpid(pid, &status, 0);
    return status;
}

void setModified(const std::string &path, time_t when)
{
    const timespec times[2] = {{when, 0}, {when, 0}};
    utimensat(AT_FDCWD, path.c_str(), times, AT_SYMLINK_NOFOLLOW);
}

} // namespace

TEST(aRunEndedByTermOrIntInTheMiddleOfItsWriteLeavesNoTemporary)
{
    for (const int signal : {SIGTERM, SIGINT}) {
        Folder folder;
        writeFile(folder / "entrada.txt", "p V q\r\n");
        writeFile(folder / "salida.log", "anterior\r\n");
        const pid_t pid = start(folder, true);
        int status = 0;
        // WUNTRACED: back when the run stops in its write, or when it ended without writing.
        waitpid(pid, &status, WUNTRACED);
        CHECK(WIFSTOPPED(status));
        if (!WIFSTOPPED(status))
            continue;
        CHECK_EQ(names(folder.path).size(), std::size_t(3)); // the temporary is there
        kill(pid, signal);
        kill(pid, SIGCONT);
        status = finish(pid);
        // Ended by the signal, as without the handler, so that the shell and the editor see it.
        CHECK(WIFSIGNALED(status) && WTERMSIG(status) == signal);
        CHECK((names(folder.path) == std::set<std::string>{"entrada.txt", "salida.log"}));
        CHECK_EQ(readFile(folder / "salida.log"), std::string("anterior\r\n"));
    }
}

TEST(aKilledRunsTemporaryIsSweptByTheNextRunAndNothingElseIs)
{
    Folder folder;
    writeFile(folder / "entrada.txt", "p V q\r\n");
    // What kill -9 leaves: a temporary caught in its write.
    const pid_t killed = start(folder, true);
    int status = 0;
    waitpid(killed, &status, WUNTRACED);
    CHECK(WIFSTOPPED(status));
    kill(killed, SIGKILL);
    finish(killed);
    std::set<std::string> left = names(folder.path);
    left.erase("entrada.txt");
    CHECK_EQ(left.size(), std::size_t(1));

    const time_t hourAgo = time(nullptr) - 3600;
    for (const std::string &name : left)
        setModified(folder / name, hourAgo);
    // Not swept: other names, a link, a folder, one written after the run began, one still
    // held by its writer, and one of another user.
    for (const char *name : {"salida.log.abc", "salida.log.abcdefg", "salida.log.ab-def",
             "otro.log.abcdef", "salida.log.nuevo1", "salida.log.Lock01"})
        writeFile(folder / name, "x");
    symlink("entrada.txt", (folder / "salida.log.Link01").c_str());
    mkdir((folder / "salida.log.Dir001").c_str(), 0700);
    for (const char *name : {"salida.log.abc", "salida.log.abcdefg", "salida.log.ab-def",
             "otro.log.abcdef", "salida.log.Lock01", "salida.log.Link01", "salida.log.Dir001"})
        setModified(folder / name, hourAgo);
    setModified(folder / "salida.log.nuevo1", time(nullptr) + 3600);
    const int held = open((folder / "salida.log.Lock01").c_str(), O_RDONLY);
    CHECK(flock(held, LOCK_EX) == 0);
    const passwd *nobody = getpwnam("nobody");
    const bool asRoot = geteuid() == 0 && nobody;
    if (asRoot) {
        writeFile(folder / "salida.log.Ajeno1", "x");
        CHECK(chown((folder / "salida.log.Ajeno1").c_str(), nobody->pw_uid, nobody->pw_gid) == 0);
        setModified(folder / "salida.log.Ajeno1", hourAgo);
    }

    status = finish(start(folder, false));
    close(held);
    CHECK(WIFEXITED(status) && WEXITSTATUS(status) == 0);
    std::set<std::string> expected = {"entrada.txt", "salida.log", "salida.log.abc",
        "salida.log.abcdefg", "salida.log.ab-def", "otro.log.abcdef", "salida.log.nuevo1",
        "salida.log.Lock01", "salida.log.Link01", "salida.log.Dir001"};
    if (asRoot)
        expected.insert("salida.log.Ajeno1");
    CHECK((names(folder.path) == expected));
}

int main(int argc, char **argv)
{
    if (argc != 3) {
        std::printf("usage: tst_temporaries ZARVIK_PL STOP_AT_WRITE_LIBRARY\n");
        return 2;
    }
    g_program = argv[1];
    g_stopAtWrite = argv[2];
    return harness::run();
}
