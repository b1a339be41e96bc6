// The prover of derivations: time and length on seeded random valid propositional arguments, and
// on Pelletier's problems 1-46. Every derivation is re-checked by the checker.
// Usage: bench_deduction [arguments [seed]]   (defaults: 500, 2028)

#include "RandomArguments.h"
#include "deduction/Checker.h"
#include "deduction/Derivation.h"
#include "deduction/DerivationProver.h"
#include "syntax/Parser.h"
#include "syntax/Text.h"

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <string>

using namespace logic;

namespace {

double millisecondsSince(std::chrono::steady_clock::time_point start)
{
    return std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start)
        .count();
}

bool checks(Logic &logic, const std::vector<int> &premises, int conclusion,
    const FoundDerivation &found, ModalSystem system)
{
    std::vector<std::u32string> lines;
    for (const std::string &l : found.text())
        lines.push_back(decode(l, Encoding::Utf8));
    const Derivation d = readDerivation(logic, lines, 0);
    ArgumentGoal goal{premises, conclusion};
    const DerivationCheck c = checkDerivation(logic, d, &goal, system);
    if (!c.provesArgument() && !c.faults.empty())
        std::printf("  rejected: %s\n", faultMessage(c.faults.front()).c_str());
    return c.provesArgument() && d.endLine == static_cast<int>(lines.size());
}

template <typename T> T percentile(std::vector<T> v, double p)
{
    if (v.empty())
        return T{};
    std::sort(v.begin(), v.end());
    return v[static_cast<std::size_t>(p * static_cast<double>(v.size() - 1))];
}

} // namespace

int main(int argc, char **argv)
{
    const int count = argc > 1 ? std::atoi(argv[1]) : 500;
    const unsigned seed = argc > 2 ? static_cast<unsigned>(std::atoi(argv[2])) : 2028;
    Logic logic;
    const auto arguments = testing::validArguments(logic, seed, count);
    std::vector<double> times;
    std::vector<int> lengths;
    int failed = 0, rejected = 0;
    ProverOptions raw;
    raw.verify = false;
    for (const auto &a : arguments) {
        Budget budget;
        budget = Budget::forTime(std::chrono::seconds(2));
        const auto start = std::chrono::steady_clock::now();
        const FoundDerivation found
            = proveArgument(logic, a.premises, a.conclusion, ModalSystem::K, budget, raw);
        times.push_back(millisecondsSince(start));
        if (!found.found) {
            ++failed;
            std::string s;
            for (int p : a.premises)
                s += logic.text(p) + ", ";
            std::printf("  not found: %s⊢ %s\n", s.c_str(), logic.text(a.conclusion).c_str());
            continue;
        }
        lengths.push_back(static_cast<int>(found.lines.size()));
        if (!checks(logic, a.premises, a.conclusion, found, ModalSystem::K))
            ++rejected;
    }
    std::printf("random propositional: %d arguments (seed %u): %d not found, %d rejected\n", count,
        seed, failed, rejected);
    std::printf("  time ms: median %.2f, p90 %.2f, max %.2f\n", percentile(times, 0.5),
        percentile(times, 0.9), percentile(times, 1.0));
    std::printf("  lines: median %d, p90 %d, max %d\n", percentile(lengths, 0.5),
        percentile(lengths, 0.9), percentile(lengths, 1.0));

    const char *dir = std::getenv("ZV_PROBLEM_SETS");
    std::ifstream in(std::string(dir ? dir : "bench/logic") + "/pelletier.txt");
    std::string line;
    int number = 0, proved = 0;
    while (std::getline(in, line)) {
        if (line.empty() || line.rfind("//", 0) == 0)
            continue;
        ++number;
        Logic store;
        const LineParse parsed = parseLine(store, decode(line, Encoding::Utf8), Encoding::Utf8);
        Budget budget;
        budget = Budget::forTime(std::chrono::seconds(5));
        const auto start = std::chrono::steady_clock::now();
        const FoundDerivation found
            = proveArgument(store, parsed.premises, parsed.conclusion, ModalSystem::K, budget, raw);
        const double ms = millisecondsSince(start);
        const bool ok = found.found
            && checks(store, parsed.premises, parsed.conclusion, found, ModalSystem::K);
        proved += ok ? 1 : 0;
        std::printf("  Pelletier %2d: %s, %zu lines, %.0f ms\n", number,
            found.found ? (ok ? "proved" : "REJECTED") : "not found", found.lines.size(), ms);
    }
    std::printf("Pelletier: %d of %d proved\n", proved, number);

    // Against a textbook: ten classic exercises and the length of its derivations.
    std::ifstream exercises(std::string(dir ? dir : "bench/logic") + "/ejercicios.txt");
    int ours = 0, book = 0;
    while (std::getline(exercises, line)) {
        const std::size_t bar = line.find(" | ");
        if (line.rfind("//", 0) == 0 || bar == std::string::npos)
            continue;
        Logic store;
        const LineParse parsed
            = parseLine(store, decode(line.substr(bar + 3), Encoding::Utf8), Encoding::Utf8);
        Budget budget;
        budget = Budget::forTime(std::chrono::seconds(2));
        const FoundDerivation found
            = proveArgument(store, parsed.premises, parsed.conclusion, ModalSystem::K, budget, raw);
        int length = 0;
        for (const WrittenLine &l : found.lines)
            length += l.number > 0 ? 1 : 0;
        ours += length;
        book += std::atoi(line.c_str());
        std::printf("  %-45s textbook %2d, ours %2d\n", line.substr(bar + 3).c_str(),
            std::atoi(line.c_str()), length);
    }
    std::printf("exercises: %d lines against the textbook's %d\n", ours, book);
    return failed || rejected ? 1 : 0;
}
