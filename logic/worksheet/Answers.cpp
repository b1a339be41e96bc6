#include "Answers.h"

#include "Engine.h"
#include "deduction/Checker.h"
#include "deduction/Derivation.h"
#include "deduction/FitchLatex.h"
#include "models/ModelText.h"
#include "models/Models.h"
#include "propositional/Analysis.h"
#include "propositional/Evaluator.h"
#include "propositional/TruthTable.h"
#include "syntax/Lexer.h"
#include "syntax/Parser.h"
#include "syntax/Text.h"

#include <chrono>
#include <new>

namespace logic {
namespace {

std::string joined(
    const Logic &logic, const std::vector<int> &premises, int conclusion, bool argument)
{
    if (!argument)
        return logic.text(conclusion);
    std::string s;
    for (std::size_t i = 0; i < premises.size(); ++i)
        s += (i ? ", " : "") + logic.text(premises[i]);
    return s + (s.empty() ? "⊨ " : " ⊨ ") + logic.text(conclusion);
}

std::string row(const Arena &arena, const std::vector<int> &vars, const std::vector<bool> &values)
{
    if (vars.empty())
        return "cualquiera (no tiene letras proposicionales)";
    std::string out;
    for (std::size_t i = 0; i < vars.size(); ++i)
        out += (i ? ", " : "") + arena.variableName(vars[i]) + " = " + (values[i] ? "V" : "F");
    return out;
}

void take(ProblemResult &r, Judgement &&j)
{
    r.decision = j.decision;
    r.explanation = std::move(j.explanation);
    r.reason = std::move(j.reason);
    r.stop = j.stop;
    r.tree = std::move(j.tree);
    r.model = std::move(j.model);
}

// A propositional formula: the solver classifies it, each row it gives is checked by the plain
// evaluator, and a tautology or a contradiction is explained by its closed tree.
void classifyPropositional(ProblemResult &r, Logic &logic, int formula, const ModalSystem system,
    const Budget &budget, Explain explain)
{
    Arena arena;
    const int root = toArena(logic, formula, arena);
    const Classification c = classify(arena, root, Engine::Automatic, {kConflictLimit, budget});
    const bool rowsHold = (!c.satisfying || evaluateOnce(arena, root, c.vars, *c.satisfying))
        && (!c.falsifying || !evaluateOnce(arena, root, c.vars, *c.falsifying));
    if (c.verdict == Verdict::Unknown || !rowsHold) {
        Judgement j;
        j.stop = rowsHold ? c.effort.stop : Stop::None;
        j.explanation = rowsHold ? "No determinado: la búsqueda se detuvo por "
                + std::string(stopWords(c.effort.stop)) + ".\n"
                                 : "No determinado: una fila hallada no superó la comprobación.\n";
        j.reason = rowsHold ? stopWords(c.effort.stop) : "comprobación fallida";
        take(r, std::move(j));
        return;
    }
    switch (c.verdict) {
    case Verdict::Tautology:
        take(r, judge(logic, {}, formula, false, system, budget, explain));
        r.standing = Standing::Tautology;
        r.decision = Decision::Valid;
        break;
    case Verdict::Contradiction:
        take(r, judgeUnsatisfiable(logic, formula, system, budget, explain));
        r.standing = Standing::Contradiction;
        r.decision = Decision::Invalid;
        r.explanation = "Ninguna fila la hace verdadera.\n" + r.explanation;
        break;
    default:
        r.standing = Standing::Contingency;
        r.decision = Decision::Invalid;
        r.explanation = "Una fila que la hace verdadera: " + row(arena, c.vars, *c.satisfying)
            + "\nUna fila que la hace falsa: " + row(arena, c.vars, *c.falsifying) + "\n";
        r.reason = "contingencia";
        break;
    }
}

// A first-order or modal formula: valid, or false in a checked countermodel; then, if it is not
// valid, unsatisfiable (its own tree closes) or contingent (true in a checked model too).
void classifyFormula(ProblemResult &r, Logic &logic, int formula, ModalSystem system,
    const Budget &budget, Explain explain)
{
    Judgement valid = judge(logic, {}, formula, false, system, budget, explain);
    if (valid.decision != Decision::Invalid) {
        if (valid.decision == Decision::Valid)
            r.standing = Standing::Valid;
        take(r, std::move(valid));
        return;
    }
    Judgement unsat = judgeUnsatisfiable(logic, formula, system, budget, explain);
    if (unsat.decision == Decision::Valid) {
        take(r, std::move(unsat));
        r.decision = Decision::Invalid;
        r.standing = Standing::Unsatisfiable;
        return;
    }
    const bool contingent = unsat.decision == Decision::Invalid;
    std::string both = valid.explanation;
    if (contingent)
        both += unsat.explanation;
    else
        both += "No se determinó si algún modelo la hace verdadera.\n";
    take(r, std::move(valid));
    r.explanation = std::move(both);
    if (contingent) {
        r.standing = Standing::Contingent;
        r.reason = "contingente";
    }
}

const char *argumentWords(Decision d)
{
    return d == Decision::Valid  ? "Argumento válido"
        : d == Decision::Invalid ? "Argumento no válido"
                                 : "Argumento no determinado";
}

// Processor time for the models of a derivation's wrong steps, all of them together: they are
// small or not worth the wait.
constexpr std::chrono::milliseconds kWrongStepTime{400};

// A model of the first wrong step among @p faults that has one, found for sizes up to three and
// checked by the evaluator: its hypotheses true, its line false.
void counterexampleToStep(ProblemResult &r, Logic &logic, const DerivationInText &found,
    const std::vector<DerivationFault> &faults)
{
    const Derivation &d = found.derivation;
    const Budget budget = Budget::forTime(kWrongStepTime);
    for (const DerivationFault &f : faults) {
        if (f.unfinished || budget.expired())
            continue;
        const std::optional<WrongStep> step = wrongStep(logic, d, f.line, found.system);
        if (!step)
            continue;
        std::vector<int> formulas = step->hypotheses;
        formulas.push_back(logic.negation(step->formula));
        bool firstOrder = false, modal = false;
        for (int g : formulas) {
            firstOrder = firstOrder || logic.isFirstOrder(g);
            modal = modal || logic.hasModal(g);
        }
        for (int size = 1; size <= 3 && !budget.expired(); ++size) {
            const ModelSearch m = findModel(
                logic, formulas, found.system, firstOrder ? size : 1, modal ? size : 1, budget);
            if (m.status != ModelStatus::Found)
                continue;
            bool holds = !modal || frameFits(m.model, found.system);
            for (int g : formulas)
                holds = holds && holdsIn(logic, m.model, g);
            if (!holds)
                break;
            const DerivationLine &line = d.line(f.line);
            std::string cited;
            for (const Citation &c : line.citations)
                cited += (cited.empty() ? "" : ", ") + std::to_string(c.first)
                    + (c.range ? "-" + std::to_string(c.last) : "");
            const bool inForce = static_cast<int>(step->hypotheses.size()) > step->cited;
            r.explanation += "Contraejemplo al paso: en este modelo son verdaderas "
                + std::string(
                    line.citations.size() > 1 ? "las líneas citadas (" : "la línea citada (")
                + cited + ")" + (inForce ? " y las premisas y supuestos en vigor" : "")
                + ", y es falsa la línea " + std::to_string(f.line) + ", «"
                + logic.text(step->formula) + "»:\n"
                + describeModel(logic, formulas, m.model, firstOrder, modal);
            r.model = showModel(logic, formulas, m.model, firstOrder, modal);
            return;
        }
    }
}

} // namespace

void answerProblem(ProblemResult &r, Logic &logic, const std::vector<int> &premises, int conclusion,
    bool argument, const CheckOptions &options, const std::atomic<bool> &cancel)
{
    if (options.starting)
        options.starting(r.line);
    r.argument = argument;
    r.text = joined(logic, premises, conclusion, argument);
    bool propositional = logic.isPropositional(conclusion);
    r.modal = logic.hasModal(conclusion);
    for (int f : premises) {
        propositional = propositional && logic.isPropositional(f);
        r.modal = r.modal || logic.hasModal(f);
    }
    const auto start = CpuClock::now();
    const Budget budget(start + options.problemTime, &cancel);
    try {
        if (cancel.load()) {
            r.stop = Stop::Cancelled; // not even an easy one: the user has moved on
        } else if (argument) {
            take(
                r, judge(logic, premises, conclusion, argument, r.system, budget, options.explain));
        } else if (propositional) {
            classifyPropositional(r, logic, conclusion, r.system, budget, options.explain);
        } else {
            classifyFormula(r, logic, conclusion, r.system, budget, options.explain);
        }
    } catch (const std::bad_alloc &) {
        // The worker's memory limit: what the problem held is freed, the next may go on.
        r.decision = Decision::Unknown;
        r.standing = Standing::None;
        r.stop = Stop::Memory;
        r.explanation = "No determinado: la búsqueda se quedó sin memoria.\n";
        r.reason = stopWords(r.stop);
    }
    r.milliseconds = std::chrono::duration<double, std::milli>(CpuClock::now() - start).count();
    if (r.stop == Stop::Cancelled) {
        r.decision = Decision::Unknown;
        r.standing = Standing::None;
        r.explanation = "No determinado: la comprobación se canceló.\n";
        r.reason = stopWords(r.stop);
    }
    if (propositional && options.truthTables) {
        Arena arena;
        std::vector<int> roots;
        for (int f : premises)
            roots.push_back(toArena(logic, f, arena));
        const int root = toArena(logic, conclusion, arena);
        r.truthTable = argument ? argumentTable(arena, roots, root) : formulaTable(arena, root);
        // The table ends where the check ends: in the same words.
        const std::string verdict = argument ? argumentWords(r.decision)
            : r.standing != Standing::None
            ? std::string("Clasificación: ") + standingWords(r.standing)
            : std::string("Clasificación: no determinada");
        r.truthTable += verdict + "\n";
    }
}

void answerDerivation(ProblemResult &r, Logic &logic, const DerivationInText &found,
    std::span<const std::u32string> lines, int shownShift)
{
    const Derivation &d = found.derivation;
    r.derivation = true;
    r.firstLine = d.firstLine + 1;
    r.line = d.endLine;
    r.system = found.system;
    r.text = "derivación de las líneas " + std::to_string(r.firstLine + shownShift) + " a "
        + std::to_string(r.line + shownShift);
    const DerivationCheck check = checkDerivation(logic, d,
        found.argument ? &*found.argument : nullptr, found.system, found.course.basicRules);
    r.decision = check.correct() ? Decision::Valid : Decision::Invalid;
    r.provesArgument = check.provesArgument();
    r.finished = check.finished;
    r.latex = derivationLatex(logic, d, lines);
    if (check.correct()) {
        r.explanation = "Derivación correcta";
        r.explanation += r.provesArgument ? ": demuestra el argumento de la línea "
                + std::to_string(d.firstLine + shownShift) + ".\n"
                                          : ".\n";
        r.reason = r.provesArgument ? "derivación correcta; demuestra el argumento"
                                    : "derivación correcta";
    } else {
        for (const DerivationFault &f : check.faults) {
            r.faults.push_back({f.textLine + 1, faultMessage(f), f.reason});
            r.explanation += r.faults.back().message + ".\n";
        }
        r.reason = r.faults.front().message;
        counterexampleToStep(r, logic, found, check.faults);
    }
    for (const DerivationLine &l : d.lines)
        r.fitch.push_back({l.textLine + 1, l.depth, l.indent, l.opens >= 0,
            l.separator || static_cast<std::size_t>(l.textLine) >= lines.size()
                ? std::string()
                : toUtf8(trim(lines[static_cast<std::size_t>(l.textLine)]))});
}

ExerciseTruth exerciseTruth(const ProblemResult &r)
{
    using Known = ExerciseTruth::Known;
    ExerciseTruth t;
    if (r.argument) {
        t.valid = r.decision == Decision::Valid ? Known::Yes
            : r.decision == Decision::Invalid   ? Known::No
                                                : Known::Unknown;
        return t;
    }
    switch (r.standing) {
    case Standing::Tautology:
    case Standing::Valid: t.valid = t.satisfiable = Known::Yes; break;
    case Standing::Contradiction:
    case Standing::Unsatisfiable: t.valid = t.satisfiable = Known::No; break;
    case Standing::Contingency:
    case Standing::Contingent:
        t.valid = Known::No;
        t.satisfiable = Known::Yes;
        break;
    case Standing::None:
        if (r.decision == Decision::Invalid)
            t.valid = Known::No;
        break;
    }
    return t;
}

void answerWork(
    ProblemResult &r, WorkKind kind, std::vector<WorkFault> faults, bool decided, int shownShift)
{
    const bool table = kind == WorkKind::Table, model = kind == WorkKind::Model,
               tree = kind == WorkKind::Tree;
    r.work = table ? "table" : model ? "model" : tree ? "tree" : "answer";
    r.decision = !decided ? Decision::Unknown
        : faults.empty()  ? Decision::Valid
                          : Decision::Invalid;
    for (WorkFault &f : faults) {
        r.explanation += "Línea " + std::to_string(f.line + shownShift) + ": " + f.message + ".\n";
        r.faults.push_back({f.line, f.message, f.message});
    }
    if (!decided) {
        r.reason = r.faults.front().reason;
        r.faults.clear();
    } else if (r.faults.empty()) {
        r.explanation = table ? "Tabla correcta.\n"
            : model           ? "Modelo correcto.\n"
            : tree            ? "Árbol correcto.\n"
                              : "Respuesta correcta.\n";
        r.reason = table ? "tabla correcta"
            : model      ? "modelo correcto"
            : tree       ? "árbol correcto"
                         : "respuesta correcta";
    } else {
        r.reason = r.faults.front().reason;
    }
}

} // namespace logic
