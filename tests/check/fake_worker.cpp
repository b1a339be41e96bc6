// A stand-in for zarvik-logic that the check's tests script: it records what the editor asked,
// then plays a section of its script, one section per launch ("=== next" between sections).
// Usage: fake_logic_worker SCRIPT RECORD
//   a line starting with "{" is written as it is (an event of the protocol)
//   hang          waits to be killed           spin     burns processor time without end
//   segv          dies by SIGSEGV              xcpu     dies by SIGXCPU, as an overrun does
//   alloc         allocates without end        exit N   ends with status N

#include <atomic>
#include <csignal>
#include <cstdio>
#include <fstream>
#include <iostream>
#include <memory>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

#include <unistd.h>

int main(int argc, char **argv)
{
    if (argc < 3)
        return 2;
    std::string header;
    std::getline(std::cin, header);
    // LENGTH is a check's sixth word (a seventh may follow), a prove's or next's fifth.
    std::vector<std::string> words;
    for (std::istringstream in(header); in >> words.emplace_back();)
        ;
    words.pop_back();
    const std::size_t at = !words.empty() && words[0] == "check" ? 5 : 4;
    const std::size_t length = at < words.size() ? std::stoul(words[at]) : 0;
    std::string text(length, '\0');
    std::cin.read(text.data(), static_cast<std::streamsize>(length));
    int launch = 0;
    {
        std::ifstream before(argv[2]);
        for (std::string line; std::getline(before, line);)
            launch += line.rfind("check ", 0) == 0;
    }
    std::ofstream(argv[2], std::ios::app) << header << "\n"
                                          << text << "\n"
                                          << "pid " << getpid() << "\n";

    std::ifstream script(argv[1]);
    int section = 0;
    for (std::string line; std::getline(script, line);) {
        if (line == "=== next") {
            ++section;
            continue;
        }
        if (section != launch)
            continue;
        if (line.rfind('{', 0) == 0) {
            std::cout << line << "\n" << std::flush;
        } else if (line == "hang") {
            for (;;)
                pause();
        } else if (line == "spin") {
            std::atomic<unsigned long> n{0};
            for (;;)
                n.fetch_add(1, std::memory_order_relaxed);
        } else if (line == "segv") {
            std::raise(SIGSEGV);
        } else if (line == "xcpu") {
            std::raise(SIGXCPU);
        } else if (line == "alloc") {
            // Address space is what the limit counts: blocks touched once each reach it as
            // surely as filled ones, without the seconds of a busy machine filling gigabytes.
            std::vector<std::unique_ptr<char[]>> hoard;
            for (;;) {
                hoard.emplace_back(new char[std::size_t{64} << 20]);
                static_cast<volatile char *>(hoard.back().get())[0] = 'x';
            }
        } else if (line.rfind("exit ", 0) == 0) {
            return std::stoi(line.substr(5));
        }
    }
    // Like the real worker, it ends when the editor closes its input.
    for (std::string rest; std::getline(std::cin, rest);) {}
    return 0;
}
