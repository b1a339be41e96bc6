// The labelled trees of K formulas that force a binary tree of worlds of depth 2 to 16: how long
// each takes to close, in processor time of the searching thread and on the wall clock, and how
// far past a 300 ms limit the engine stops when the tree is too deep for it.
#include "Engine.h"
#include "Parsed.h"
#include "WorldTrees.h"
#include "tableau/WorldTableau.h"

#include <chrono>
#include <cstdio>

using namespace logic;

namespace {

double msSince(CpuClock::time_point start)
{
    return std::chrono::duration<double, std::milli>(CpuClock::now() - start).count();
}

double msSince(std::chrono::steady_clock::time_point start)
{
    return std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start)
        .count();
}

const char *kindName(WorldTableauResult::Kind kind)
{
    switch (kind) {
    case WorldTableauResult::Kind::Closed: return "closed";
    case WorldTableauResult::Kind::Open: return "open";
    default: return "undecided";
    }
}

} // namespace

int main()
{
    int status = 0;
    std::printf("%-6s %-10s %10s %10s %9s\n", "depth", "answer", "cpu ms", "wall ms", "lines");
    for (int d = 2; d <= 16; d += 2) {
        Parsed p = parse(branch(d));
        WorldTableau w(
            p.logic, p.line.premises, p.line.conclusion, ModalSystem::K, !p.line.argument);
        const auto wall = std::chrono::steady_clock::now();
        const auto cpu = CpuClock::now();
        const WorldTableauResult r = w.run(Budget::forTime(std::chrono::seconds(30)));
        const double cpuMs = msSince(cpu), wallMs = msSince(wall);
        std::printf("%-6d %-10s %10.1f %10.1f %9zu\n", d, kindName(r.kind), cpuMs, wallMs,
            r.tree.nodes.size());
        if (r.kind == WorldTableauResult::Kind::Open)
            status = 1; // every one of them is valid
    }

    Parsed q = parse(branch(16));
    const auto wall = std::chrono::steady_clock::now();
    const auto cpu = CpuClock::now();
    const Judgement k = judge(q.logic, {}, q.line.conclusion, false, ModalSystem::K,
        Budget::forTime(std::chrono::milliseconds(300)));
    std::printf("depth 16 with a limit of 300 ms through judge(): %s after %.1f ms of processor "
                "time, %.1f ms on the wall clock\n",
        k.decision == Decision::Unknown ? "undecided" : "decided", msSince(cpu), msSince(wall));
    return status;
}
