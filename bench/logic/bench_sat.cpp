// The CDCL solver against minisat on seeded random 3-CNF near the threshold ratio 4.26, where
// random instances are hardest, at 200 to 300 variables, both satisfiable and unsatisfiable ones;
// then one long run that shows the conflict rate holding up past 500,000 conflicts.
// Usage: bench_sat [instances-per-size [minisat-program]]   (defaults: 4, minisat)
// Ours gets the interpreter's limits (2,000,000 conflicts or 15 s of wall clock), minisat 60 s of
// processor time. Answers must agree, and our models are checked clause by clause. Times are
// given as wall clock and as processor time; on a shared machine compare the latter.

#include "propositional/Analysis.h"
#include "propositional/Sat.h"

#include <fcntl.h>
#include <spawn.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <filesystem>
#include <fstream>
#include <random>
#include <string>
#include <vector>

extern char **environ;

using namespace logic;
using Clock = std::chrono::steady_clock;

namespace {

using Cnf = std::vector<std::vector<int>>;

Cnf random3Cnf(int vars, int clauses, unsigned seed)
{
    std::mt19937 rng(seed);
    std::uniform_int_distribution<int> pick(1, vars);
    Cnf cnf;
    for (int i = 0; i < clauses; ++i) {
        std::vector<int> c;
        while (c.size() < 3) {
            const int v = pick(rng);
            if (std::find(c.begin(), c.end(), v) == c.end()
                && std::find(c.begin(), c.end(), -v) == c.end())
                c.push_back(rng() & 1 ? v : -v);
        }
        cnf.push_back(c);
    }
    return cnf;
}

double seconds(Clock::time_point since)
{
    return std::chrono::duration<double>(Clock::now() - since).count();
}

// Processor time is the fairer figure on a shared machine; the wall clock is what the user waits.
double cpuSeconds()
{
    timespec t{};
    clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &t);
    return static_cast<double>(t.tv_sec) + static_cast<double>(t.tv_nsec) * 1e-9;
}

struct Run
{
    char answer = '?'; // S, U, or ? when a limit stopped it
    double seconds = 0;
    double cpu = 0;
    std::int64_t conflicts = 0;
    bool modelOk = true;
};

Run ours(const Cnf &cnf, int vars)
{
    Run run;
    const auto start = Clock::now();
    const double cpuStart = cpuSeconds();
    Solver solver;
    for (int v = 0; v < vars; ++v)
        solver.addVariable();
    for (const auto &c : cnf)
        solver.addClause(c);
    const Solver::Result r = solver.solve(kConflictLimit, Budget::forTime(kProblemSeconds));
    run.seconds = seconds(start);
    run.cpu = cpuSeconds() - cpuStart;
    run.conflicts = solver.conflicts();
    run.answer = r == Solver::Result::Satisfiable ? 'S'
        : r == Solver::Result::Unsatisfiable      ? 'U'
                                                  : '?';
    if (r == Solver::Result::Satisfiable)
        for (const auto &c : cnf)
            run.modelOk = run.modelOk && std::any_of(c.begin(), c.end(), [&](int l) {
                return solver.modelValue(std::abs(l)) == (l > 0);
            });
    return run;
}

Run minisat(const std::string &program, const std::filesystem::path &cnfFile)
{
    Run run;
    const std::string cnfArg = cnfFile.string();
    std::string verbosity = "-verb=0", limit = "-cpu-lim=60";
    char *argv[] = {const_cast<char *>(program.c_str()), verbosity.data(), limit.data(),
        const_cast<char *>(cnfArg.c_str()), nullptr};
    posix_spawn_file_actions_t quiet;
    posix_spawn_file_actions_init(&quiet);
    posix_spawn_file_actions_addopen(&quiet, 1, "/dev/null", O_WRONLY, 0);
    const auto start = Clock::now();
    pid_t pid = 0;
    const int spawned = posix_spawnp(&pid, program.c_str(), &quiet, nullptr, argv, environ);
    posix_spawn_file_actions_destroy(&quiet);
    if (spawned != 0) {
        run.answer = '-';
        return run;
    }
    int status = 0;
    rusage usage{};
    wait4(pid, &status, 0, &usage);
    run.seconds = seconds(start);
    run.cpu = static_cast<double>(usage.ru_utime.tv_sec + usage.ru_stime.tv_sec)
        + static_cast<double>(usage.ru_utime.tv_usec + usage.ru_stime.tv_usec) * 1e-6;
    const int code = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    run.answer = code == 10 ? 'S' : code == 20 ? 'U' : '?';
    return run;
}

void writeDimacs(const std::filesystem::path &path, const Cnf &cnf, int vars)
{
    std::ofstream out(path);
    out << "p cnf " << vars << ' ' << cnf.size() << '\n';
    for (const auto &c : cnf) {
        for (int l : c)
            out << l << ' ';
        out << "0\n";
    }
}

} // namespace

int main(int argc, char **argv)
{
    const int perSize = argc > 1 ? std::max(1, std::atoi(argv[1])) : 4;
    const std::string peer = argc > 2 ? argv[2] : "minisat";
    const std::filesystem::path dir
        = std::filesystem::temp_directory_path() / ("bench_sat." + std::to_string(getpid()));
    std::filesystem::create_directories(dir);

    std::printf("%-4s %-5s %-8s | %-6s %8s %8s %9s | %-7s %8s %8s | %s\n", "vars", "cls", "seed",
        "ours", "wall s", "cpu s", "conflicts", "minisat", "wall s", "cpu s", "cpu ratio");
    int disagreements = 0, badModels = 0;
    for (int vars : {200, 250, 300}) {
        const int clauses = static_cast<int>(vars * 4.26 + 0.5);
        std::vector<double> ourTimes, peerTimes;
        for (int i = 0; i < perSize; ++i) {
            const unsigned seed = 4260000u + static_cast<unsigned>(vars * 100 + i);
            const Cnf cnf = random3Cnf(vars, clauses, seed);
            const std::filesystem::path file = dir / ("r" + std::to_string(seed) + ".cnf");
            writeDimacs(file, cnf, vars);
            const Run a = ours(cnf, vars);
            const Run b = minisat(peer, file);
            std::filesystem::remove(file);
            const bool bothAnswered
                = (a.answer == 'S' || a.answer == 'U') && (b.answer == 'S' || b.answer == 'U');
            disagreements += bothAnswered && a.answer != b.answer;
            badModels += !a.modelOk;
            ourTimes.push_back(a.cpu);
            peerTimes.push_back(b.cpu);
            const auto name = [](char answer) {
                return answer == 'S' ? "SAT"
                    : answer == 'U'  ? "UNSAT"
                    : answer == '-'  ? "absent"
                                     : "limit";
            };
            // A ratio means little when either side stopped at its limit.
            const std::string ratio
                = bothAnswered ? std::to_string(a.cpu / b.cpu).substr(0, 5) : "-";
            std::printf("%-4d %-5d %-8u | %-6s %8.3f %8.3f %9lld | %-7s %8.3f %8.3f | %9s%s\n",
                vars, clauses, seed, name(a.answer), a.seconds, a.cpu,
                static_cast<long long>(a.conflicts), name(b.answer), b.seconds, b.cpu,
                ratio.c_str(),
                bothAnswered && a.answer != b.answer ? "  DISAGREE"
                    : a.modelOk                      ? ""
                                                     : "  BAD MODEL");
            std::fflush(stdout);
        }
        std::sort(ourTimes.begin(), ourTimes.end());
        std::sort(peerTimes.begin(), peerTimes.end());
        std::printf("%-4d median processor time: ours %.3f s, minisat %.3f s\n", vars,
            ourTimes[ourTimes.size() / 2], peerTimes[peerTimes.size() / 2]);
    }
    std::filesystem::remove_all(dir);

    // A hard unsatisfiable instance, timed in stretches of 100,000 conflicts: the rate must not
    // collapse as the learnt clauses pile up.
    {
        const int vars = 350, clauses = static_cast<int>(vars * 4.26 + 0.5);
        const Cnf cnf = random3Cnf(vars, clauses, 4263500u);
        Solver solver;
        for (int v = 0; v < vars; ++v)
            solver.addVariable();
        for (const auto &c : cnf)
            solver.addClause(c);
        std::printf("long run, %d variables, %d clauses: conflicts per second of processor time in "
                    "each stretch\n",
            vars, clauses);
        const auto start = Clock::now();
        for (std::int64_t limit = 100'000; limit <= 1'000'000 && seconds(start) < 60;
             limit += 100'000) {
            const double stretch = cpuSeconds();
            const std::int64_t before = solver.conflicts();
            const Solver::Result r = solver.solve(limit);
            std::printf("  up to %7lld: %8.0f conflicts/s, %6zu learnt clauses kept\n",
                static_cast<long long>(solver.conflicts()),
                static_cast<double>(solver.conflicts() - before) / (cpuSeconds() - stretch),
                solver.learntClauses());
            std::fflush(stdout);
            if (r != Solver::Result::Unknown) {
                std::printf("  answered %s\n", r == Solver::Result::Satisfiable ? "SAT" : "UNSAT");
                break;
            }
        }
    }
    if (disagreements || badModels)
        std::printf("FAILED: %d disagreements with minisat, %d models that break a clause\n",
            disagreements, badModels);
    return disagreements || badModels ? 1 : 0;
}
