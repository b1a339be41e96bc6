// zarvik-pl --derivation and --prove: derivations checked and found from the command line.

#include "DerivationCommands.h"

#include "Engine.h"
#include "deduction/Checker.h"
#include "deduction/Derivation.h"
#include "deduction/DerivationProver.h"
#include "syntax/Cp1252.h"
#include "syntax/Lexer.h"
#include "syntax/Parser.h"
#include "syntax/Text.h"
#include "worksheet/Api.h"
#include "worksheet/Assist.h"

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstdio>
#include <fstream>
#include <iterator>
#include <string>

namespace interpreter {

using namespace logic;

namespace {

// What "Demostrar" is given: every valid propositional argument gets its derivation well within
// two seconds; first-order and modal ones get longer.
constexpr int kPropositionalSeconds = 2;
constexpr int kOtherSeconds = 5;

struct Options
{
    ModalSystem system = ModalSystem::K;
    const char *file = nullptr;
};

bool readOptions(int argc, char **argv, const char *mode, Options &options)
{
    for (int i = 1; i < argc; ++i) {
        const std::string arg = argv[i];
        if (arg == mode)
            continue;
        if (arg == "--system" && i + 1 < argc && parseSystemName(argv[i + 1], options.system)) {
            ++i;
            continue;
        }
        if (options.file || arg.rfind("--", 0) == 0) {
            std::fprintf(stderr, "uso: zarvik-pl %s [--system K|T|D|B|K4|S4|S5] ARCHIVO\n", mode);
            return false;
        }
        options.file = argv[i];
    }
    if (!options.file) {
        std::fprintf(stderr, "uso: zarvik-pl %s [--system K|T|D|B|K4|S4|S5] ARCHIVO\n", mode);
        return false;
    }
    return true;
}

bool readText(const char *file, std::string &utf8)
{
    std::ifstream in(file, std::ios::binary);
    if (!in) {
        std::fprintf(stderr, "zarvik-pl: no se puede leer %s\n", file);
        return false;
    }
    const std::string bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    utf8 = detectEncoding(bytes) == Encoding::Utf8 ? bytes : fromCp1252(bytes);
    return true;
}

} // namespace

int derivationMain(int argc, char **argv)
{
    Options options;
    std::string utf8;
    if (!readOptions(argc, argv, "--derivation", options) || !readText(options.file, utf8))
        return 2;
    const std::vector<std::u32string> lines = splitTextLines(utf8);
    Logic logic;
    int status = 0;
    for (const DerivationInText &found : findDerivations(logic, lines, options.system)) {
        const DerivationCheck check = checkDerivation(logic, found.derivation,
            found.argument ? &*found.argument : nullptr, found.system, found.course.basicRules);
        std::string out = "correcta";
        if (!check.correct()) {
            status = 1;
            out = "incorrecta\tlínea " + std::to_string(check.faults.front().line) + ": "
                + check.faults.front().reason;
        }
        std::printf("%s\n", out.c_str());
    }
    std::fflush(stdout);
    return status;
}

int workMain(int argc, char **argv)
{
    Options options;
    std::string utf8;
    if (!readOptions(argc, argv, "--work", options) || !readText(options.file, utf8))
        return 2;
    CheckOptions check;
    check.system = options.system;
    check.truthTables = false;
    check.explain = Explain::VerdictOnly;
    int status = 0;
    checkText(utf8, check, std::atomic<bool>{false}, [&](ProblemResult &&r) {
        if (r.work.empty() && !r.derivation)
            return;
        std::string out = std::to_string(r.firstLine) + "\t";
        if (r.decision == Decision::Valid) {
            out += "correcta";
        } else {
            status = 1;
            const bool judged = r.decision == Decision::Invalid && !r.faults.empty();
            out += judged
                ? "incorrecta\tlínea " + std::to_string(r.faults.front().line) + ": "
                    + r.faults.front().reason
                : "no determinado\tlínea " + std::to_string(r.firstLine) + ": " + r.reason;
        }
        std::printf("%s\n", out.c_str());
        std::fflush(stdout);
    });
    return status;
}

int proveMain(int argc, char **argv)
{
    Options options;
    std::string utf8;
    if (!readOptions(argc, argv, "--prove", options) || !readText(options.file, utf8))
        return 2;
    const std::vector<std::u32string> lines = splitTextLines(utf8);
    ModalSystem system = options.system;
    CourseChoice course;
    int status = 0;
    for (const std::u32string &line : lines) {
        std::string error;
        if (systemLine(line, system, error) || courseLine(line, course, error)) {
            std::printf("%s\n", toUtf8(trim(line)).c_str());
            continue;
        }
        Logic logic;
        const LineParse parsed = parseLine(logic, line, Encoding::Utf8);
        if (!parsed.ok() || !parsed.argument)
            continue;
        bool propositional = logic.isPropositional(parsed.conclusion);
        int depth = logic.node(parsed.conclusion).depth;
        for (int p : parsed.premises) {
            propositional = propositional && logic.isPropositional(p);
            depth = std::max(depth, logic.node(p).depth);
        }
        if (depth > kMaxFormulaDepth) {
            // Neither the prover nor the engine's decision take such formulas.
            status = 1;
            std::printf("%s\n// El argumento anida más de %d operadores; simplifíquelo.\n\n",
                toUtf8(trim(line)).c_str(), kMaxFormulaDepth);
            continue;
        }
        if (!course.help) {
            status = 1;
            std::printf("%s\n// %s\n\n", toUtf8(trim(line)).c_str(), kHelpRefused);
            continue;
        }
        // The search and, when it finds nothing, the decision share the limit of one problem.
        const Budget whole = Budget::forTime(kProblemSeconds);
        const Budget budget = whole.until(CpuClock::now()
            + std::chrono::seconds(propositional ? kPropositionalSeconds : kOtherSeconds));
        ProverOptions prover;
        prover.basicRules = course.basicRules;
        const FoundDerivation found = proveArgument(logic, parsed.premises, parsed.conclusion,
            system, budget.leaving(logic, kStoreEntryFreeing), prover);
        std::printf("%s\n", toUtf8(trim(line)).c_str());
        if (found.found) {
            for (const std::string &l : found.text())
                std::printf("%s\n", l.c_str());
        } else {
            status = 1;
            const Judgement j = judge(logic, parsed.premises, parsed.conclusion, true, system,
                whole, Explain::VerdictOnly);
            std::printf("%s\n",
                j.decision == Decision::Invalid
                    ? "// El argumento no es válido: no tiene derivación."
                    : "// No se encontró una derivación en el tiempo disponible.");
        }
        std::printf("\n");
        std::fflush(stdout);
    }
    return status;
}

} // namespace interpreter
