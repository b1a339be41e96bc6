#include "Assist.h"

#include "Answers.h"
#include "LargeStack.h"
#include "deduction/Derivation.h"
#include "deduction/DerivationProver.h"
#include "deduction/NextStep.h"
#include "syntax/Lexer.h"
#include "syntax/Parser.h"
#include "syntax/Prose.h"
#include "syntax/Text.h"

#include <algorithm>

namespace logic {
namespace {

// The system in force on line @p index: the last "sistema:" line above it.
ModalSystem systemAt(
    const std::vector<std::u32string> &lines, std::size_t index, ModalSystem system)
{
    for (std::size_t i = 0; i < index && i < lines.size(); ++i) {
        std::string error;
        ModalSystem named = system;
        if (systemLine(lines[i], named, error) && error.empty())
            system = named;
    }
    return system;
}

// The course's choice in force on line @p index: the "reglas:" and "ayuda:" lines above it.
CourseChoice courseAt(const std::vector<std::u32string> &lines, std::size_t index, bool basicRules)
{
    CourseChoice course{basicRules, true};
    for (std::size_t i = 0; i < index && i < lines.size(); ++i) {
        std::string error;
        CourseChoice named = course;
        if (courseLine(lines[i], named, error) && error.empty())
            course = named;
    }
    return course;
}

// The argument "Γ ⊢ φ" on line @p at, or on the nearest line above it with only blank lines
// between: its index, or -1.
int argumentLineAt(
    Logic &logic, const std::vector<std::u32string> &lines, int at, LineParse &parsed)
{
    int i = at;
    while (i > 0 && trim(lines[static_cast<std::size_t>(i)]).empty())
        --i;
    if (i < 0 || i >= static_cast<int>(lines.size()))
        return -1;
    const std::u32string_view text = lines[static_cast<std::size_t>(i)];
    parsed = parseLine(
        logic, text.substr(static_cast<std::size_t>(labelLength(text))), Encoding::Utf8);
    return parsed.ok() && parsed.argument ? i : -1;
}

} // namespace

ProofAnswer proveAt(std::string_view utf8, int line, ModalSystem system,
    const std::atomic<bool> &cancel, CpuClock::duration propositionalTime,
    CpuClock::duration otherTime, CpuClock::duration wholeTime, bool basicRules)
{
    ProofAnswer out;
    out.line = line;
    runOnLargeStack([&] {
        const Budget whole = Budget::forTime(wholeTime, &cancel);
        const std::vector<std::u32string> lines = splitTextLines(utf8);
        if (line < 1) {
            out.reason = "la línea " + std::to_string(line) + " no está en el texto";
            return;
        }
        // Past the text's last line break: the empty line that the caret is on.
        if (static_cast<std::size_t>(line) > lines.size()) {
            out.reason = "no hay ningún argumento «premisas ⊢ conclusión» en la línea "
                + std::to_string(line);
            return;
        }
        Logic logic;
        LineParse parsed;
        std::size_t index = static_cast<std::size_t>(line - 1);
        for (; index < lines.size(); ++index) {
            const std::u32string_view text = lines[index];
            parsed = parseLine(
                logic, text.substr(static_cast<std::size_t>(labelLength(text))), Encoding::Utf8);
            if (parsed.ok() && parsed.argument)
                break;
        }
        if (index == lines.size()) {
            out.reason = "no hay ningún argumento «premisas ⊢ conclusión» en "
                + (lines.size() == static_cast<std::size_t>(line)
                        ? "la línea " + std::to_string(line)
                        : "las líneas " + std::to_string(line) + " a "
                            + std::to_string(lines.size()));
            return;
        }
        out.line = static_cast<int>(index) + 1;
        system = systemAt(lines, index, system);
        const CourseChoice course = courseAt(lines, index, basicRules);
        if (!course.help) {
            out.reason = kHelpRefused;
            return;
        }
        bool propositional = logic.isPropositional(parsed.conclusion);
        int depth = logic.node(parsed.conclusion).depth;
        for (int p : parsed.premises) {
            propositional = propositional && logic.isPropositional(p);
            depth = std::max(depth, logic.node(p).depth);
        }
        if (depth > kMaxFormulaDepth) {
            out.reason
                = "el argumento anida más de " + std::to_string(kMaxFormulaDepth) + " operadores";
            return;
        }
        // The search fills a copy of the store, freed within its own time, so that the decision
        // after it, and the end of the request, have what is left of the limit.
        FoundDerivation found;
        {
            Logic searched = logic;
            const Budget budget
                = whole.until(CpuClock::now() + (propositional ? propositionalTime : otherTime))
                      .leaving(searched, kStoreEntryFreeing);
            ProverOptions prover;
            prover.basicRules = course.basicRules;
            found = proveArgument(
                searched, parsed.premises, parsed.conclusion, system, budget, prover);
        }
        if (found.found) {
            out.found = true;
            out.lines = found.text();
            out.method = std::move(found.method);
            return;
        }
        if (cancel) {
            out.reason = "cancelado";
            return;
        }
        // No derivation: the argument as "Comprobar" decides it, a countermodel when invalid.
        ProblemResult r;
        r.firstLine = r.line = out.line;
        r.system = system;
        CheckOptions options;
        options.system = system;
        options.truthTables = false;
        options.problemTime
            = std::max(CpuClock::duration::zero(), whole.deadline() - CpuClock::now());
        answerProblem(r, logic, parsed.premises, parsed.conclusion, true, options, cancel);
        out.reason = r.decision == Decision::Invalid
            ? "el argumento no es válido: no tiene derivación"
            : found.tooLong ? "la derivación encontrada pasa de "
                + std::to_string(kMaxDerivationLines) + " líneas: no se da"
                            : "no se encontró una derivación en el tiempo disponible";
        out.decided = std::move(r);
    });
    return out;
}

NextAnswer nextStepAt(std::string_view utf8, int line, ModalSystem system,
    const std::atomic<bool> &cancel, CpuClock::duration time, bool basicRules)
{
    NextAnswer out;
    runOnLargeStack([&] {
        const std::vector<std::u32string> lines = splitTextLines(utf8);
        const int at = std::clamp(line - 1, 0, std::max(0, static_cast<int>(lines.size()) - 1));
        Logic logic;
        const std::vector<DerivationInText> found
            = findDerivations(logic, lines, system, {basicRules, true});
        // The derivation that holds the line or starts below it (the line of its argument),
        // else the nearest above with nothing between but blank lines.
        const DerivationInText *chosen = nullptr;
        for (const DerivationInText &d : found) {
            if (d.derivation.firstLine == at + 1) {
                chosen = &d;
                break;
            }
            if (d.derivation.firstLine > at)
                break;
            if (at < d.derivation.endLine) {
                chosen = &d;
                break;
            }
            bool blank = true;
            for (int i = d.derivation.endLine; i <= at && blank; ++i)
                blank = trim(lines[static_cast<std::size_t>(i)]).empty();
            if (blank)
                chosen = &d;
        }
        auto answer = [&](const NextStep &step) {
            out.found = step.found;
            out.lines = step.lines;
            out.formula = step.formula;
            out.justification = step.justification;
            out.depth = step.depth;
            out.reason = cancel ? std::string("cancelado") : step.reason;
        };
        if (!chosen && !lines.empty()) {
            // An argument with nothing under it yet: the first line of its derivation.
            LineParse parsed;
            const int argument = argumentLineAt(logic, lines, at, parsed);
            if (argument >= 0) {
                out.line = argument + 1;
                const std::size_t index = static_cast<std::size_t>(argument);
                const CourseChoice course = courseAt(lines, index, basicRules);
                if (!course.help) {
                    out.reason = kHelpRefused;
                    return;
                }
                ProverOptions prover;
                prover.basicRules = course.basicRules;
                const ArgumentGoal goal{parsed.premises, parsed.conclusion};
                answer(nextStep(logic, lines, Derivation{}, goal, systemAt(lines, index, system),
                    Budget::forTime(time, &cancel).leaving(logic, kStoreEntryFreeing), prover));
                return;
            }
        }
        if (!chosen) {
            out.reason = "no hay ninguna derivación en la línea " + std::to_string(line);
            return;
        }
        const Derivation &d = chosen->derivation;
        out.line = d.lines.back().textLine + 1;
        if (!chosen->course.help) {
            out.reason = kHelpRefused;
            return;
        }
        if (!chosen->argument) {
            out.reason = "la derivación de la línea " + std::to_string(d.firstLine + 1)
                + " no tiene encima el argumento que demuestra";
            return;
        }
        ProverOptions prover;
        prover.basicRules = chosen->course.basicRules;
        answer(nextStep(logic, lines, d, *chosen->argument, chosen->system,
            Budget::forTime(time, &cancel).leaving(logic, kStoreEntryFreeing), prover));
    });
    return out;
}

} // namespace logic
