// "Demostrar" against a textbook: the exercises of libro.txt, each proved with all the rules and
// with the basic ones alone, re-checked by the checker, and its length set against the lines of
// the textbook's solution. Prints the ratio and the processor time of each.
// Usage: bench_textbook [file]   (default: $ZV_PROBLEM_SETS/libro.txt, else bench/logic/libro.txt)

#include "deduction/Checker.h"
#include "deduction/Derivation.h"
#include "deduction/DerivationProver.h"
#include "syntax/ModalSystem.h"
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

struct Outcome
{
    int lines = 0; // 0: none found, -1: rejected by the checker or a rule not basic
    double ms = 0;
};

Outcome prove(const std::string &argument, ModalSystem system, bool basic)
{
    Logic logic;
    const LineParse p = parseLine(logic, decode(argument, Encoding::Utf8), Encoding::Utf8);
    ProverOptions options;
    options.basicRules = basic;
    const auto start = CpuClock::now();
    const FoundDerivation found = proveArgument(
        logic, p.premises, p.conclusion, system, Budget::forTime(std::chrono::seconds(5)), options);
    Outcome out;
    out.ms = std::chrono::duration<double, std::milli>(CpuClock::now() - start).count();
    if (!found.found)
        return out;
    std::vector<std::u32string> text;
    for (const std::string &l : found.text())
        text.push_back(decode(l, Encoding::Utf8));
    const Derivation d = readDerivation(logic, text, 0);
    ArgumentGoal goal{p.premises, p.conclusion};
    const bool accepted = d.endLine == static_cast<int>(text.size())
        && checkDerivation(logic, d, &goal, system).provesArgument();
    bool onlyBasic = true;
    for (const WrittenLine &l : found.lines) {
        onlyBasic = onlyBasic && (l.number == 0 || basicRule(l.rule));
        out.lines += l.number > 0 ? 1 : 0;
    }
    if (!accepted || (basic && !onlyBasic))
        out.lines = -1;
    return out;
}

std::string shown(const Outcome &o, int book)
{
    char buf[64];
    if (o.lines == 0)
        return "   none      ";
    if (o.lines < 0)
        return "   REJECTED  ";
    std::snprintf(buf, sizeof buf, "%3d (%4.2f)  ", o.lines, static_cast<double>(o.lines) / book);
    return buf;
}

} // namespace

int main(int argc, char **argv)
{
    const char *dir = std::getenv("ZV_PROBLEM_SETS");
    const std::string path
        = argc > 1 ? argv[1] : std::string(dir ? dir : "bench/logic") + "/libro.txt";
    std::ifstream in(path);
    if (!in) {
        std::fprintf(stderr, "cannot read %s\n", path.c_str());
        return 2;
    }
    std::printf("%-58s book   all rules    basic rules   ms (all, basic)\n", "exercise");
    int count = 0, within = 0, withinBasic = 0, bad = 0, book = 0, all = 0, basic = 0;
    double worst = 0, worstBasic = 0, slowest = 0;
    for (std::string line; std::getline(in, line);) {
        if (line.rfind("//", 0) == 0 || line.find(" | ") == std::string::npos)
            continue;
        const int lines = std::atoi(line.c_str());
        std::string rest = line.substr(line.find(" | ") + 3);
        ModalSystem system = ModalSystem::K;
        if (const std::size_t bar = rest.find(" | "); bar != std::string::npos) {
            parseSystemName(rest.substr(0, bar), system);
            rest = rest.substr(bar + 3);
        }
        const Outcome a = prove(rest, system, false), b = prove(rest, system, true);
        ++count;
        book += lines;
        all += std::max(a.lines, 0);
        basic += std::max(b.lines, 0);
        bad += (a.lines <= 0 ? 1 : 0) + (b.lines <= 0 ? 1 : 0);
        const double ra = static_cast<double>(a.lines) / lines,
                     rb = static_cast<double>(b.lines) / lines;
        within += a.lines > 0 && ra <= 1.5 ? 1 : 0;
        withinBasic += b.lines > 0 && rb <= 1.5 ? 1 : 0;
        worst = std::max(worst, ra);
        worstBasic = std::max(worstBasic, rb);
        slowest = std::max({slowest, a.ms, b.ms});
        // Pad by code points: the formulas are mostly multi-byte.
        std::size_t width = 0;
        for (unsigned char c : rest)
            width += (c & 0xC0) != 0x80 ? 1 : 0;
        std::printf("%s%s %4d   %s %s %7.1f %7.1f\n", rest.c_str(),
            std::string(width < 58 ? 58 - width : 1, ' ').c_str(), lines, shown(a, lines).c_str(),
            shown(b, lines).c_str(), a.ms, b.ms);
    }
    std::printf("%d exercises: within 1.5 times the textbook %d with all rules, %d with the basic "
                "ones; worst ratio %.2f and %.2f; lines %d and %d against %d; slowest %.0f ms; "
                "%d not found or rejected\n",
        count, within, withinBasic, worst, worstBasic, all, basic, book, slowest, bad);
    return bad ? 1 : 0;
}
