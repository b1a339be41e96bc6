// Times the interpreter on the two sizes it promises: a 40-variable formula of 200 connectives,
// and a 20-variable formula whose truth table would have 2^20 rows. Goal: under 100 ms each.

#include "Analysis.h"
#include "Parser.h"
#include "Program.h"

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <functional>
#include <random>
#include <string>
#include <vector>

using namespace zpl;

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
    case Op::Top: case Op::Bottom: return arena.constant((n.op == Op::Top) != negate);
    case Op::Not: return negationNormalForm(arena, n.lhs, !negate);
    case Op::And: return both(negate ? Op::Or : Op::And, n.lhs, negate, n.rhs, negate);
    case Op::Or: return both(negate ? Op::And : Op::Or, n.lhs, negate, n.rhs, negate);
    case Op::Implies: return both(negate ? Op::And : Op::Or, n.lhs, !negate, n.rhs, negate);
    case Op::Iff: {
        const int same = both(Op::And, n.lhs, false, n.rhs, false);
        const int differ = both(Op::And, n.lhs, true, n.rhs, true);
        const int a = negationNormalForm(arena, n.lhs, false), nb = negationNormalForm(arena, n.rhs, true);
        const int na = negationNormalForm(arena, n.lhs, true), b = negationNormalForm(arena, n.rhs, false);
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
        times.push_back(std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start).count());
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
    std::printf("%-62s %9.3f ms  %s%s\n", what, ms, verdict ? name(v) : "", ms < 100.0 ? "" : "  OVER 100 ms");
}

} // namespace

int main()
{
    std::mt19937 rng(40200);
    const std::string forty = randomFormula(rng, 40, 170, 30);
    Verdict v = Verdict::Unknown;
    report("40 variables, 200 connectives: parse and classify", medianMs(21, [&] {
               Arena arena;
               v = classify(arena, parseFormula(arena, forty).root).verdict;
           }), &v);
    {
        Arena arena;
        const int root = parseFormula(arena, forty).root;
        const int hard = arena.make(Op::Iff, root, negationNormalForm(arena, root, false));
        report("40 variables: F <-> nnf(F), about 600 connectives", medianMs(5, [&] {
                   v = classify(arena, hard).verdict;
               }), &v);
    }
    report("40 variables, 200 connectives: whole salida.log", medianMs(21, [&] {
               runProgram(forty + "\r\n");
           }), nullptr);

    const std::string twenty = randomFormula(rng, 20, 90, 10);
    Arena arena;
    const int root = parseFormula(arena, twenty).root;
    const int equivalence = arena.make(Op::Iff, root, negationNormalForm(arena, root, false));
    for (Engine engine : {Engine::Automatic, Engine::Table, Engine::Sat}) {
        const char *label = engine == Engine::Table ? "table" : engine == Engine::Sat ? "SAT" : "automatic";
        std::string what = std::string("20 variables, 100 connectives, ") + label;
        report(what.c_str(), medianMs(5, [&] { v = classify(arena, root, engine).verdict; }), &v);
        what = std::string("20 variables: F <-> nnf(F), 2^20 rows to check, ") + label;
        report(what.c_str(), medianMs(5, [&] { v = classify(arena, equivalence, engine).verdict; }), &v);
    }
    // A figure over the goal is flagged, not failed: a loaded machine is not a fault of ours.
    return 0;
}
