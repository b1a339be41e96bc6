#include "NextStep.h"

#include "Checker.h"
#include "DerivationProver.h"
#include "StepPlanner.h"
#include "syntax/Lexer.h"
#include "syntax/Text.h"

#include <algorithm>
#include <optional>

namespace logic {
namespace {

// A planned line apart from the store it was planned in. Plans are made in stores of their own,
// holding only the argument and the lines they start from, so that a plan made for the lines
// as they stood at an earlier step is made again, the same, at a later one.
struct PlannedLine
{
    bool separator = false;
    int depth = 0;
    std::string formula;       // Unicode; "□" opens a strict subderivation
    std::string justification; // "→E 1, 3"
    std::string text;          // as the prover writes it, to compare with what was written
    Rule rule = Rule::Unknown;
};

struct Candidate
{
    bool found = false;
    std::string reason;
    std::vector<PlannedLine> lines;
};

Candidate detached(
    const Logic &logic, bool found, std::string reason, const std::vector<WrittenLine> &lines)
{
    Candidate out;
    out.found = found && !lines.empty();
    out.reason = std::move(reason);
    for (const WrittenLine &w : lines) {
        PlannedLine p;
        p.separator = w.number == 0;
        p.depth = w.depth;
        p.text = w.text;
        p.rule = w.rule;
        if (!p.separator) {
            p.formula = w.formula < 0 ? "□" : logic.text(w.formula);
            p.justification = w.text.substr(w.text.rfind(" :") + 2);
        }
        out.lines.push_back(std::move(p));
    }
    return out;
}

ArgumentGoal imported(Logic &into, const Logic &from, const ArgumentGoal &argument)
{
    ArgumentGoal out;
    for (int p : argument.premises)
        out.premises.push_back(into.import(from, p));
    out.conclusion = into.import(from, argument.conclusion);
    return out;
}

// @p share of what is left of @p budget.
Budget slice(const Budget &budget, double share)
{
    if (budget.deadline() == CpuClock::time_point::max())
        return budget;
    const auto now = CpuClock::now();
    if (budget.deadline() <= now)
        return budget;
    return budget.until(
        now + std::chrono::duration_cast<CpuClock::duration>((budget.deadline() - now) * share));
}

// The derivation's own style: the indentation it uses at each depth, numbered or not.
class Style
{
public:
    Style(const Derivation &d, std::span<const std::u32string> text) : m_numbered(false)
    {
        for (const DerivationLine &l : d.lines) {
            if (l.separator)
                continue;
            m_numbered = l.numberBegin >= 0;
            const std::u32string &t = text[static_cast<std::size_t>(l.textLine)];
            std::size_t i = 0;
            while (i < t.size() && isSpaceChar(t[i]))
                ++i;
            if (static_cast<int>(m_seen.size()) <= l.depth)
                m_seen.resize(static_cast<std::size_t>(l.depth) + 1);
            if (!m_seen[static_cast<std::size_t>(l.depth)])
                m_seen[static_cast<std::size_t>(l.depth)] = toUtf8(t.substr(0, i));
        }
        if (m_seen.size() > 1 && m_seen[0] && m_seen[1] && m_seen[1]->size() > m_seen[0]->size()
            && m_seen[1]->compare(0, m_seen[0]->size(), *m_seen[0]) == 0)
            m_unit = m_seen[1]->substr(m_seen[0]->size());
    }

    std::string indentation(int depth) const
    {
        std::string base;
        int from = 0;
        for (int d = std::min(depth, static_cast<int>(m_seen.size()) - 1); d >= 0; --d)
            if (m_seen[static_cast<std::size_t>(d)]) {
                base = *m_seen[static_cast<std::size_t>(d)];
                from = d;
                break;
            }
        for (int d = from; d < depth; ++d)
            base += m_unit;
        return base;
    }

    bool numbered() const { return m_numbered; }

private:
    std::vector<std::optional<std::string>> m_seen;
    std::string m_unit = "    ";
    bool m_numbered;
};

// A line as the prover would write it, to compare what was written with a plan.
std::string canonical(const Logic &logic, const DerivationLine &l)
{
    if (l.separator)
        return std::string(static_cast<std::size_t>(l.depth) * 4, ' ') + "--";
    std::vector<std::string> cites;
    for (const Citation &c : l.citations)
        cites.push_back(
            std::to_string(c.first) + (c.range ? "-" + std::to_string(c.last) : std::string()));
    return lineText(
        l.depth, l.number, l.strictOpening ? "□" : logic.text(l.formula), l.rule, cites);
}

// Proposes, among the plans for the derivation as written, the oldest that it still follows: the
// derivation "Demostrar" writes while the lines are its own, else the plan made after the first
// line of the derivation that neither it nor an earlier plan wrote. Steps that are taken thus
// follow one plan to its end instead of being planned afresh each time, which could change its
// mind at every step (a new constant for ∀I, say) and never finish. A plan is only proposed when
// the checker accepts it after the lines written.
class StepFinder
{
public:
    StepFinder(Logic &logic, std::span<const std::u32string> lines, const Derivation &d,
        const ArgumentGoal &argument, ModalSystem system, const Budget &budget,
        const ProverOptions &options)
        : m_logic(logic), m_lines(lines), m_d(d), m_argument(argument), m_system(system),
          m_budget(budget), m_options(options), m_style(d, lines)
    {}

    // The derivation "Demostrar" writes, in a store of its own.
    Candidate fromScratch(const Budget &budget) const
    {
        Logic fresh;
        const ArgumentGoal goal = imported(fresh, m_logic, m_argument);
        ProverOptions options = m_options;
        options.verify = true;
        const FoundDerivation found
            = proveArgument(fresh, goal.premises, goal.conclusion, m_system, budget, options);
        return detached(
            fresh, found.found, "no se encontró una derivación del argumento", found.lines);
    }

    NextStep run()
    {
        NextStep out;
        const DerivationCheck check = checkDerivation(m_logic, m_d, &m_argument, m_system);
        // At the conclusion after a faulty line, more lines would only go round: the fault is
        // the student's to mend. A faulty conclusion line is not an end.
        bool lastFaulty = false;
        for (const DerivationFault &f : check.faults)
            lastFaulty = lastFaulty || (f.line == m_d.count() && !f.unfinished);
        if (check.finished && !lastFaulty) {
            out.reason = check.correct() ? "la derivación ya está terminada"
                                         : "la derivación ya llega a la conclusión, pero la línea "
                    + std::to_string(check.faults.front().line) + " tiene un fallo";
            return out;
        }
        const std::size_t total = m_d.lines.size();
        const Candidate whole = fromScratch(slice(m_budget, 0.6));
        std::size_t same = 0;
        while (same < total && same < whole.lines.size() && writes(whole.lines[same], same))
            ++same;
        if (whole.found && same == total && whole.lines.size() > total
            && accepted(whole.lines, total, false))
            return proposal(whole.lines, total);
        std::optional<Candidate> newest;
        for (std::size_t keep = std::max<std::size_t>(same, 1); keep <= total; ++keep) {
            if (m_budget.expired())
                break;
            if (m_d.lines[keep - 1].separator)
                continue;
            const Candidate c = after(keep, keep == total ? m_budget : slice(m_budget, 0.25));
            if (keep == total)
                newest = c;
            if (c.found && follows(c, keep) && accepted(c.lines, total - keep, false))
                return proposal(c.lines, total - keep);
        }
        // What the newest plan begins with, when only that is sound.
        if (newest && newest->found && accepted(newest->lines, 0, true))
            return proposal(newest->lines, 0);
        out.reason = newest && !newest->reason.empty() ? newest->reason
            : m_budget.expired() ? "no se encontró un paso en el tiempo disponible"
                                 : "no se encontró un paso que avance";
        return out;
    }

private:
    // The plan after the first @p keep lines (separators included), in a store of its own.
    Candidate after(std::size_t keep, const Budget &budget) const
    {
        Logic fresh;
        const ArgumentGoal goal = imported(fresh, m_logic, m_argument);
        const std::size_t end = static_cast<std::size_t>(m_d.lines[keep - 1].textLine) + 1;
        const Derivation prefix = readDerivation(fresh, m_lines.first(end), m_d.firstLine);
        if (prefix.lines.size() != keep)
            return {};
        const StepPlan plan
            = planNextLines(fresh, prefix, goal, m_system, budget, m_options.basicRules);
        return detached(fresh, plan.found, plan.reason, plan.lines);
    }

    // Line @p i of the derivation is @p p.
    bool writes(const PlannedLine &p, std::size_t i) const
    {
        const DerivationLine &l = m_d.lines[i];
        return (l.separator || l.formula >= 0 || l.strictOpening)
            && canonical(m_logic, l) == p.text;
    }

    // The lines after the first @p keep are the beginning of @p c, and it goes on after them.
    bool follows(const Candidate &c, std::size_t keep) const
    {
        const std::size_t written = m_d.lines.size() - keep;
        if (c.lines.size() <= written)
            return false;
        for (std::size_t i = 0; i < written; ++i)
            if (!writes(c.lines[i], keep + i))
                return false;
        return true;
    }

    std::string styledLine(const PlannedLine &p, int number) const
    {
        if (p.separator)
            return m_style.indentation(p.depth) + "--";
        return m_style.indentation(p.depth)
            + (m_style.numbered() ? std::to_string(number) + ". " : std::string()) + p.formula
            + " :" + p.justification;
    }

    // The checker finds no fault in @p plan from line @p from on (only its first line when @p
    // firstOnly), written after the derivation, but that it does not end yet.
    bool accepted(const std::vector<PlannedLine> &plan, std::size_t from, bool firstOnly) const
    {
        std::vector<std::u32string> text(
            m_lines.begin() + m_d.firstLine, m_lines.begin() + m_d.endLine);
        int number = m_d.count();
        for (std::size_t i = from; i < plan.size(); ++i) {
            if (!plan[i].separator)
                ++number;
            // The course's basic rules: a plan with any other is no plan.
            if (m_options.basicRules && !plan[i].separator && !basicRule(plan[i].rule))
                return false;
            text.push_back(decode(styledLine(plan[i], number), Encoding::Utf8));
            if (firstOnly && !plan[i].separator)
                break;
        }
        if (number == m_d.count())
            return false;
        Logic fresh;
        const Derivation all = readDerivation(fresh, text, 0);
        if (all.endLine != static_cast<int>(text.size()) || all.count() != number)
            return false;
        const ArgumentGoal goal = imported(fresh, m_logic, m_argument);
        for (const DerivationFault &f : checkDerivation(fresh, all, &goal, m_system).faults)
            if (f.line > m_d.count() && !(f.unfinished && f.line == number))
                return false;
        return true;
    }

    // Line @p from of @p plan, after a separator when one comes first.
    NextStep proposal(const std::vector<PlannedLine> &plan, std::size_t from) const
    {
        NextStep out;
        for (std::size_t i = from; i < plan.size(); ++i) {
            out.lines.push_back(styledLine(plan[i], m_d.count() + 1));
            if (plan[i].separator)
                continue;
            out.found = true;
            out.depth = plan[i].depth;
            out.formula = plan[i].formula;
            out.justification = plan[i].justification;
            break;
        }
        if (!out.found)
            out.lines.clear();
        return out;
    }

    Logic &m_logic;
    std::span<const std::u32string> m_lines;
    const Derivation &m_d;
    const ArgumentGoal &m_argument;
    ModalSystem m_system;
    const Budget &m_budget;
    const ProverOptions &m_options;
    Style m_style;
};

} // namespace

NextStep nextStep(Logic &logic, std::span<const std::u32string> lines, const Derivation &derivation,
    const ArgumentGoal &argument, ModalSystem system, const Budget &budget,
    const ProverOptions &options)
{
    for (int f : argument.premises)
        if (logic.node(f).depth > kMaxFormulaDepth)
            return {};
    if (logic.node(argument.conclusion).depth > kMaxFormulaDepth)
        return {};
    StepFinder finder(logic, lines, derivation, argument, system, budget, options);
    if (derivation.empty()) {
        // Nothing written yet: the derivation's first line, as "Demostrar" writes it.
        NextStep out;
        const Candidate whole = finder.fromScratch(budget);
        if (!whole.found) {
            out.reason = whole.reason;
            return out;
        }
        const PlannedLine &p = whole.lines.front();
        out.found = true;
        out.depth = p.depth;
        out.formula = p.formula;
        out.justification = p.justification;
        out.lines.push_back(p.text);
        return out;
    }
    return finder.run();
}

} // namespace logic
