// Times the interpreter on the two sizes it promises: a 40-variable formula of 200 connectives,
// and a 20-variable formula whose truth table would have 2^20 rows. Goal: under 100 ms each.
// Then whole programs through zarvik-pl, which must stay linear in their size: time, peak memory
// and the size of salida.log for a 20 KB formula, 10^5 separator lines and 64 KB programs.
// Goal: each under a second, and salida.log at most a few MB.

#include "Program.h"
#include "propositional/Analysis.h"
#include "syntax/Parser.h"

#include <spawn.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <functional>
#include <random>
#include <string>
#include <vector>

using namespace logic;
using namespace interpreter;

namespace {

// A random formula text: `binary` binary connectives and `negations` negations, every one of
// `vars` variables used at least once.
std::string randomFormula(std::mt19937 &rng, int vars, int binary, int negations)
{
    std::vector<std::string> parts;
    for (int i = 0; i <= binary; ++i)
        parts.push_back("x" + std::to_string(i % vars + 1));
    std::shuffle(parts.begin(), parts.end(), rng);
    const char *ops[] = {" & ", " V ", " -> ", " n "};
    std::vector<int> kinds; // which merges get a negation
    for (int i = 0; i < binary; ++i)
        kinds.push_back(i < negations ? 1 : 0);
    std::shuffle(kinds.begin(), kinds.end(), rng);
    for (int i = 0; i < binary; ++i) {
        const std::size_t a = rng() % parts.size();
        std::string left = parts[a];
        parts.erase(parts.begin() + static_cast<std::ptrdiff_t>(a));
        const std::size_t b = rng() % parts.size();
        std::string merged = "(" + left + ops[rng() % 4] + parts[b] + ")";
        parts[b] = kinds[static_cast<std::size_t>(i)] ? "\xAC" + merged : merged;
    }
    return parts[0];
}

// The same function as `f` written differently: implications and biconditionals expanded and
// negations pushed to the variables, so that f <-> nnf(f) is a tautology that takes real work.
int negationNormalForm(Arena &arena, int id, bool negate)
{
    const Node n = arena.node(id);
    auto both = [&](Op op, int a, bool na, int b, bool nb) {
        return arena.make(op, negationNormalForm(arena, a, na), negationNormalForm(arena, b, nb));
    };
    switch (n.op) {
    case Op::Var: return negate ? arena.negation(id) : id;
    case Op::Top:
    case Op::Bottom: return arena.constant((n.op == Op::Top) != negate);
    case Op::Not: return negationNormalForm(arena, n.lhs, !negate);
    case Op::And: return both(negate ? Op::Or : Op::And, n.lhs, negate, n.rhs, negate);
    case Op::Or: return both(negate ? Op::And : Op::Or, n.lhs, negate, n.rhs, negate);
    case Op::Implies: return both(negate ? Op::And : Op::Or, n.lhs, !negate, n.rhs, negate);
    case Op::Iff: {
        const int same = both(Op::And, n.lhs, false, n.rhs, false);
        const int differ = both(Op::And, n.lhs, true, n.rhs, true);
        const int a = negationNormalForm(arena, n.lhs, false),
                  nb = negationNormalForm(arena, n.rhs, true);
        const int na = negationNormalForm(arena, n.lhs, true),
                  b = negationNormalForm(arena, n.rhs, false);
        return negate ? arena.make(Op::Or, arena.make(Op::And, a, nb), arena.make(Op::And, na, b))
                      : arena.make(Op::Or, same, differ);
    }
    }
    return id;
}

double medianMs(int runs, const std::function<void()> &work)
{
    std::vector<double> times;
    for (int i = 0; i < runs; ++i) {
        const auto start = std::chrono::steady_clock::now();
        work();
        times.push_back(
            std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start)
                .count());
    }
    std::sort(times.begin(), times.end());
    return times[times.size() / 2];
}

const char *name(Verdict v)
{
    switch (v) {
    case Verdict::Tautology: return "tautology";
    case Verdict::Contradiction: return "contradiction";
    case Verdict::Contingency: return "contingency";
    case Verdict::Unknown: break;
    }
    return "unknown";
}

// The verdict is read through a pointer, after the timing has filled it in.
void report(const char *what, double ms, const Verdict *verdict)
{
    const Verdict v = verdict ? *verdict : Verdict::Unknown;
    std::printf("%-62s %9.3f ms  %s%s\n", what, ms, verdict ? name(v) : "",
        ms < 100.0 ? "" : "  OVER 100 ms");
}

// Runs zarvik-pl on @p program in a scratch folder: wall and processor time, peak memory, size
// of salida.log. On a shared machine the processor time is the steadier figure.
void wholeProgram(const char *what, const std::string &program, double goalMs = 1000,
    std::uintmax_t goalLogBytes = 5'000'000)
{
    namespace fs = std::filesystem;
    const fs::path tool = fs::read_symlink("/proc/self/exe").parent_path() / "zarvik-pl";
    const fs::path dir
        = fs::temp_directory_path() / ("bench_interpreter." + std::to_string(getpid()));
    fs::create_directories(dir);
    std::ofstream(dir / "entrada.txt", std::ios::binary) << program;
    const std::string in = (dir / "entrada.txt").string(), out = (dir / "salida.log").string();
    char *argv[] = {const_cast<char *>(tool.c_str()), const_cast<char *>(in.c_str()),
        const_cast<char *>(out.c_str()), nullptr};
    const auto start = std::chrono::steady_clock::now();
    pid_t pid = 0;
    if (posix_spawn(&pid, tool.c_str(), nullptr, nullptr, argv, nullptr) != 0) {
        std::printf("%-62s cannot start %s\n", what, tool.c_str());
        return;
    }
    int status = 0;
    rusage usage{};
    wait4(pid, &status, 0, &usage);
    const double ms
        = std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start)
              .count();
    std::error_code ec;
    const auto logBytes = fs::file_size(out, ec);
    fs::remove_all(dir, ec);
    const auto msOf
        = [](const timeval &t) { return static_cast<double>(t.tv_sec) * 1e3 + t.tv_usec / 1e3; };
    const double cpu = msOf(usage.ru_utime) + msOf(usage.ru_stime);
    std::printf("%-42s %4zu KB: %7.1f ms (cpu %7.1f) %4ld MB peak, salida.log %6.2f MB%s\n", what,
        program.size() / 1024, ms, cpu, usage.ru_maxrss / 1024, static_cast<double>(logBytes) / 1e6,
        cpu < goalMs && logBytes < goalLogBytes ? "" : "  OVER GOAL");
}

// A program of about @p bytes made by repeating @p lines in turn.
std::string repeated(std::size_t bytes, const std::vector<std::string> &lines)
{
    std::string out;
    for (std::size_t i = 0; out.size() < bytes; ++i)
        out += lines[i % lines.size()] + "\r\n";
    return out;
}

} // namespace

int main()
{
    std::mt19937 rng(40200);
    const std::string forty = randomFormula(rng, 40, 170, 30);
    Verdict v = Verdict::Unknown;
    report("40 variables, 200 connectives: parse and classify",
        medianMs(21,
            [&] {
                Arena arena;
                v = classify(arena, parseFormula(arena, forty).root).verdict;
            }),
        &v);
    {
        Arena arena;
        const int root = parseFormula(arena, forty).root;
        const int hard = arena.make(Op::Iff, root, negationNormalForm(arena, root, false));
        report("40 variables: F <-> nnf(F), about 600 connectives",
            medianMs(5, [&] { v = classify(arena, hard).verdict; }), &v);
    }
    report("40 variables, 200 connectives: whole salida.log",
        medianMs(21, [&] { runProgram(forty + "\r\n"); }), nullptr);

    const std::string twenty = randomFormula(rng, 20, 90, 10);
    Arena arena;
    const int root = parseFormula(arena, twenty).root;
    const int equivalence = arena.make(Op::Iff, root, negationNormalForm(arena, root, false));
    for (Engine engine : {Engine::Automatic, Engine::Table, Engine::Sat}) {
        const char *label = engine == Engine::Table ? "table"
            : engine == Engine::Sat                 ? "SAT"
                                                    : "automatic";
        std::string what = std::string("20 variables, 100 connectives, ") + label;
        report(what.c_str(), medianMs(5, [&] { v = classify(arena, root, engine).verdict; }), &v);
        what = std::string("20 variables: F <-> nnf(F), 2^20 rows to check, ") + label;
        report(what.c_str(), medianMs(5, [&] { v = classify(arena, equivalence, engine).verdict; }),
            &v);
    }

    // A chain of implications over six variables: every subformula a column, each one as long as
    // the rest of the formula, which once made a 50 MB log.
    std::string chain = "p";
    for (int i = 0; chain.size() < 20'000; ++i)
        chain = std::string(1, "pqrstu"[i % 6]) + " -> " + (i % 3 ? "" : "\xAC") + chain;
    wholeProgram("20 KB formula, 6 variables, one line", chain + "\r\n");
    // Every separator after the first is an error of its own: the log is long, but linear.
    wholeProgram("10^5 separator lines", repeated(500'000, {"---"}), 1000, 20'000'000);
    wholeProgram("64 KB program: formulas and arguments",
        repeated(64 * 1024,
            {"p & q -> r", "(p V q) & \xAC(p & q)", "p -> q", "q", "---", "p", "",
                "\xAC(p & q) n \xACp V \xACq", "a & b & c & d & e & f", ""}));
    wholeProgram(
        "64 KB program: six-variable formulas", repeated(64 * 1024, {"a & b & c & d & e & f"}));
    wholeProgram("64 KB program: arguments of six variables",
        repeated(64 * 1024, {"a -> b", "b -> c", "c & d V e", "---", "a -> f", ""}));
    std::string wide;
    for (int i = 1; wide.size() < 64 * 1024; ++i)
        wide += (i > 1 ? " & (x" : "(x") + std::to_string(i) + " V \xACx" + std::to_string(i + 1)
            + ")";
    wholeProgram("64 KB formula of 7,000 variables (SAT)", wide + "\r\n");
    // A figure over the goal is flagged, not failed: a loaded machine is not a fault of ours.
    return 0;
}
