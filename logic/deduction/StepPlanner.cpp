#include "StepPlanner.h"

#include "Checker.h"
#include "DerivationSearch.h"

#include <set>

namespace logic {
namespace {

// How an open subderivation will be closed, and what it must reach first.
struct Level
{
    int subproof = -1; // -1: the outermost level
    int goal = -1;     // -1: not known
    Rule closing = Rule::Unknown;
    int closed = -1; // the formula the closing line gives
    int cited = 0;   // the line that ∨E or ∃E cites besides the subderivations
};

class Planner
{
public:
    Planner(Logic &logic, const Derivation &d, const ArgumentGoal &argument, ModalSystem system,
        const Budget &budget, bool basicRules)
        : m_logic(logic), m_d(d), m_argument(argument), m_system(system), m_budget(budget),
          m_basicRules(basicRules)
    {}

    StepPlan run()
    {
        StepPlan out;
        const DerivationCheck check = checkDerivation(m_logic, m_d, &m_argument, m_system);
        if (check.correct() && check.finished) {
            out.reason = "la derivación ya está terminada";
            return out;
        }
        for (const DerivationFault &f : check.faults)
            if (!f.unfinished)
                m_faulty.insert(f.line);
        const DerivationLine &last = m_d.line(m_d.count());
        for (int s = last.subproof; s >= 0; s = sub(s).parent)
            m_chain.insert(m_chain.begin(), s);
        m_chain.insert(m_chain.begin(), -1);
        if (StepPlan premise = nextPremise(); premise.found)
            return premise;
        plan();
        // The innermost subderivation may be for any of several goals: each reading is tried,
        // and the one that ends the subderivation soonest wins.
        const std::size_t m = m_levels.size() - 1;
        const std::vector<Level> options = m > 0 ? candidates(m) : std::vector<Level>{m_levels[0]};
        StepPlan best, failed;
        for (const Level &option : options) {
            m_levels[m] = option;
            StepPlan p = towards(m);
            // The second case of ∨E, or half of ↔I, after a first one that fits: what the
            // student is doing, whatever else the lines would allow.
            if (p.found && pairsWithSibling(option))
                p.cost -= 3;
            if (p.found && (!best.found || p.cost < best.cost))
                best = std::move(p);
            else if (!p.found && failed.reason.empty())
                failed = std::move(p);
        }
        if (!best.found && m > 0)
            best = leave(m);
        return best.found ? best : failed;
    }

    // When no reading of the innermost subderivation leads anywhere: close it as it stands,
    // with →I (□I for a strict one), and go on from the level around it.
    StepPlan leave(std::size_t m)
    {
        const Subderivation &s = sub(m_chain[m]);
        const DerivationLine &last = m_d.line(m_d.count());
        const int a = m_d.line(s.first).formula;
        if (last.formula < 0 || m_faulty.count(last.number) || (a < 0 && !s.strict))
            return {};
        const int closed = s.strict ? m_logic.modal(Fk::Box, last.formula)
                                    : m_logic.binary(Fk::Implies, a, last.formula);
        return propose(static_cast<int>(m) - 1, closed,
            s.strict ? Rule::BoxIntro : Rule::ImpliesIntro, range(m_chain[m]), false);
    }

private:
    StepPlan towards(std::size_t m)
    {
        const Level &inner = m_levels[m];
        if (inner.goal < 0) {
            StepPlan out;
            out.reason = "no se ve a qué lleva la subderivación que empieza en la línea "
                + std::to_string(sub(inner.subproof).first);
            return out;
        }
        const DerivationLine &last = m_d.line(m_d.count());
        if (m > 0 && last.formula == inner.goal && !m_faulty.count(last.number))
            return close(m);
        for (int k = m_d.count(); k >= 1; --k)
            if (usable(k) && m_d.line(k).formula == inner.goal) {
                StepPlan p = propose(
                    static_cast<int>(m), inner.goal, Rule::Reiteration, std::to_string(k), false);
                p.cost = 2;
                return p;
            }
        StepPlan p = search(static_cast<int>(m));
        p.cost = static_cast<int>(p.lines.size()) + 1;
        if (p.found && reassumes(p.lines.front())) {
            p.found = false;
            p.reason = "no se encontró un paso que avance";
        }
        return p;
    }

    // While only premises are written, the next one of the argument.
    StepPlan nextPremise()
    {
        for (int k = 1; k <= m_d.count(); ++k)
            if (m_d.line(k).rule != Rule::Premise || m_d.line(k).subproof >= 0)
                return {};
        for (int p : m_argument.premises) {
            bool written = false;
            for (int k = 1; k <= m_d.count(); ++k)
                written = written || m_d.line(k).formula == p;
            if (!written)
                return propose(0, p, Rule::Premise, "", false);
        }
        return {};
    }

    const Subderivation &sub(int s) const { return m_d.subproofs[static_cast<std::size_t>(s)]; }
    bool encloses(int outer, int inner) const
    {
        for (int s = inner;; s = sub(s).parent) {
            if (s == outer)
                return true;
            if (s < 0)
                return false;
        }
    }
    int strictOf(int s) const
    {
        while (s >= 0 && !sub(s).strict)
            s = sub(s).parent;
        return s;
    }
    // A correct line that may be cited after the last one.
    bool usable(int k) const { return citableAt(k, m_chain.back()); }
    // Line @p k is correct and may be cited inside subderivation @p s (-1: the outermost level).
    bool citableAt(int k, int s) const
    {
        const DerivationLine &l = m_d.line(k);
        return l.formula >= 0 && !m_faulty.count(k) && encloses(l.subproof, s)
            && strictOf(l.subproof) == strictOf(s);
    }

    // What each open subderivation is for, from its assumption and the goal around it.
    void plan()
    {
        Level outer;
        outer.goal = m_argument.conclusion;
        m_levels.push_back(outer);
        for (std::size_t i = 1; i < m_chain.size(); ++i) {
            m_levels.push_back({m_chain[i], -1, Rule::Unknown, -1, 0});
            m_levels.back() = candidates(i).front();
        }
    }

    // The goals subderivation @p i may be for: first what the goal around it asks for, then
    // what a formula in sight would need (a conditional with the assumption as antecedent, its
    // negation, a biconditional with it as a side), last ¬I.
    std::vector<Level> candidates(std::size_t i)
    {
        std::vector<Level> out;
        const int subproof = m_chain[i];
        const Subderivation &s = sub(subproof);
        const int a = m_d.line(s.first).formula, g = m_levels[i - 1].goal;
        auto add = [&](int goal, Rule closing, int closed, int cited = 0) {
            for (const Level &l : out)
                if (l.goal == goal && l.closed == closed)
                    return;
            // A subderivation that would give what is already there is no reading of it.
            for (int k = 1; k < s.first; ++k)
                if (m_d.line(k).formula == closed && citableAt(k, s.parent))
                    return;
            out.push_back({subproof, goal, closing, closed, cited});
        };
        auto fits = [&](int f) {
            const FormulaNode &n = m_logic.node(f);
            if (s.strict) {
                if (n.kind == Fk::Box)
                    add(n.a, Rule::BoxIntro, f);
                return;
            }
            if (a < 0)
                return;
            if (n.kind == Fk::Implies && n.a == a)
                add(n.b, Rule::ImpliesIntro, f);
            else if (n.kind == Fk::Not && n.a == a)
                add(m_logic.bottom(), Rule::NotIntro, f);
            else if (n.kind == Fk::Iff && (n.a == a || n.b == a))
                add(n.a == a ? n.b : n.a, Rule::IffIntro, f);
            if (a == m_logic.negation(f))
                add(m_logic.bottom(), Rule::IndirectProof, f);
        };
        if (g >= 0) {
            fits(g);
            if (const int d = caseOf(subproof, a); d > 0)
                add(g, Rule::OrElim, g, d);
            if (const int e = witnessOf(subproof, a); e > 0)
                add(g, Rule::ExistsElim, g, e);
        }
        std::vector<int> sources;
        if (g >= 0)
            sources.push_back(g);
        for (int k = 1; k < s.first; ++k)
            if (citableAt(k, s.parent))
                sources.push_back(m_d.line(k).formula);
        for (int p : m_argument.premises)
            sources.push_back(p);
        for (int f : subformulas(sources))
            fits(f);
        if (a >= 0)
            add(m_logic.bottom(), Rule::NotIntro, m_logic.negation(a));
        if (out.empty())
            out.push_back({subproof, -1, Rule::Unknown, -1, 0});
        return out;
    }

    std::vector<int> subformulas(const std::vector<int> &roots) const
    {
        std::vector<int> out, stack(roots.rbegin(), roots.rend());
        std::set<int> seen;
        while (!stack.empty() && out.size() < 2000) {
            const int f = stack.back();
            stack.pop_back();
            if (!seen.insert(f).second)
                continue;
            out.push_back(f);
            const FormulaNode &n = m_logic.node(f);
            if (isBinary(n.kind)) {
                stack.push_back(n.b);
                stack.push_back(n.a);
            } else if (n.kind == Fk::Not || isModalOp(n.kind)) {
                stack.push_back(n.a);
            }
        }
        return out;
    }

    // The line of a disjunction with @p a as a member, citable where subderivation @p s opens.
    int caseOf(int s, int a) const
    {
        for (int k = sub(s).first - 1; k >= 1; --k) {
            const DerivationLine &l = m_d.line(k);
            if (l.formula >= 0 && m_logic.node(l.formula).kind == Fk::Or
                && (m_logic.node(l.formula).a == a || m_logic.node(l.formula).b == a)
                && citableAt(k, sub(s).parent))
                return k;
        }
        return 0;
    }

    int witnessOf(int s, int a)
    {
        for (int k = sub(s).first - 1; k >= 1; --k) {
            const DerivationLine &l = m_d.line(k);
            if (l.formula < 0 || m_logic.node(l.formula).kind != Fk::Exists
                || !citableAt(k, sub(s).parent))
                continue;
            const FormulaNode q = m_logic.node(l.formula);
            for (int c = 0; c < m_logic.functionCount(); ++c)
                if (m_logic.functionSymbol(c).arity == 0
                    && m_logic.substitute(q.b, q.a, m_logic.constant(c)) == a)
                    return k;
        }
        return 0;
    }

    // The closed subderivation just before @p s, beside it: ∨E's other case, ↔I's other half.
    int sibling(int s) const
    {
        for (std::size_t j = 0; j < m_d.subproofs.size(); ++j) {
            const Subderivation &x = m_d.subproofs[j];
            if (x.parent == sub(s).parent && x.last == sub(s).first - 1 && !x.strict)
                return static_cast<int>(j);
        }
        return -1;
    }

    std::string range(int s) const
    {
        return std::to_string(sub(s).first) + "-" + std::to_string(sub(s).last);
    }

    StepPlan close(std::size_t m)
    {
        const Level &l = m_levels[m];
        const int depth = static_cast<int>(m) - 1;
        const int a = m_d.line(sub(l.subproof).first).formula;
        const int other = sibling(l.subproof);
        const int otherAssumption = other >= 0 ? m_d.line(sub(other).first).formula : -1;
        const int otherLast = other >= 0 ? m_d.line(sub(other).last).formula : -1;
        switch (l.closing) {
        case Rule::OrElim: {
            const FormulaNode dn = m_logic.node(m_d.line(l.cited).formula);
            const int second = dn.a == a ? dn.b : dn.a;
            if (other >= 0 && otherAssumption == second && otherLast == l.goal)
                return propose(depth, l.closed, Rule::OrElim,
                    std::to_string(l.cited) + ", " + range(other) + ", " + range(l.subproof),
                    false);
            return otherHalf(propose(depth + 1, second, Rule::Assumption, "", true));
        }
        case Rule::IffIntro:
            if (other >= 0 && otherAssumption == l.goal && otherLast == a)
                return propose(depth, l.closed, Rule::IffIntro,
                    range(other) + ", " + range(l.subproof), false);
            return otherHalf(propose(depth + 1, l.goal, Rule::Assumption, "", true));
        case Rule::ExistsElim:
            return propose(depth, l.closed, Rule::ExistsElim,
                std::to_string(l.cited) + ", " + range(l.subproof), false);
        default: return propose(depth, l.closed, l.closing, range(l.subproof), false);
        }
    }

    // A derivation of the innermost goal from the correct lines above, to the end of its
    // subderivation.
    StepPlan search(int m)
    {
        SearchLimits limits;
        limits.natural = 2;
        limits.instances = 3;
        limits.basicRules = m_basicRules;
        DerivationSearch s(m_logic, m_system, m_budget, limits);
        Proof &proof = s.proof();
        std::vector<int> blocks{0};
        for (int i = 1; i <= m; ++i) {
            const Subderivation &x = sub(m_levels[static_cast<std::size_t>(i)].subproof);
            blocks.push_back(proof.open(blocks.back(), m_d.line(x.first).formula, x.strict));
            proof.setGiven(proof.block(blocks.back()).opening, x.first);
        }
        auto levelOf = [&](int subproof) {
            for (int i = 0; i <= m; ++i)
                if (m_levels[static_cast<std::size_t>(i)].subproof == subproof)
                    return i;
            return -1;
        };
        const int here = m_chain.back();
        std::vector<int> facts, names{m_argument.conclusion};
        for (int p : m_argument.premises)
            names.push_back(p);
        bool anchored = false;
        for (int k = 1; k <= m_d.count(); ++k) {
            const DerivationLine &l = m_d.line(k);
            if (l.formula >= 0)
                names.push_back(l.formula);
            const int level = levelOf(l.subproof);
            if (level < 0 || l.formula < 0 || m_faulty.count(k) || !encloses(l.subproof, here))
                continue;
            int step = -1;
            if (level > 0 && sub(l.subproof).first == k) {
                step = proof.block(blocks[static_cast<std::size_t>(level)]).opening;
            } else {
                step = proof.step(blocks[static_cast<std::size_t>(level)], l.formula, l.rule);
                proof.setGiven(step, k);
            }
            anchored = anchored || k == m_d.count();
            if (strictOf(l.subproof) == strictOf(here)) {
                facts.push_back(step);
            } else if (strictOf(here) >= 0
                && strictOf(l.subproof) == strictOf(sub(strictOf(here)).parent)) {
                bringIn(proof, blocks.back(), step, l.formula, facts);
            }
        }
        if (!anchored) // the new lines are numbered after the last one, faulty or not
            proof.setGiven(proof.step(blocks.back(), -1, Rule::Unknown), m_d.count());
        const int r
            = s.resume(blocks.back(), facts, m_levels[static_cast<std::size_t>(m)].goal, names);
        StepPlan out;
        if (r < 0) {
            out.reason = s.stopped() ? "no se encontró un paso en el tiempo disponible"
                                     : "desde las líneas correctas no se llega a "
                    + m_logic.text(m_levels[static_cast<std::size_t>(m)].goal);
            return out;
        }
        out.lines = proof.write(m_logic, r);
        out.found = !out.lines.empty();
        return out;
    }

    // What □E, R4 and R5 bring into the strict subderivation from the level just outside it.
    void bringIn(Proof &proof, int block, int step, int f, std::vector<int> &facts)
    {
        const FormulaNode n = m_logic.node(f);
        if (n.kind == Fk::Box) {
            facts.push_back(proof.step(block, n.a, Rule::BoxElim, {step}));
            if (isTransitive(m_system))
                facts.push_back(proof.step(block, f, Rule::Rule4, {step}));
        } else if (n.kind == Fk::Not && m_logic.node(n.a).kind == Fk::Box && isTransitive(m_system)
            && isSymmetric(m_system)) {
            facts.push_back(proof.step(block, f, Rule::Rule5, {step}));
        }
    }

    // Beginning ∨E's second case or ↔I's second half closes nothing yet.
    StepPlan otherHalf(StepPlan p) const
    {
        p.cost = 5;
        if (reassumes(p.lines.back())) {
            p.found = false;
            p.reason = "no se encontró un paso que avance";
        }
        return p;
    }

    bool pairsWithSibling(const Level &l) const
    {
        if (l.subproof < 0)
            return false;
        const int other = sibling(l.subproof);
        if (other < 0 || (l.closing != Rule::OrElim && l.closing != Rule::IffIntro))
            return false;
        const int a = m_d.line(sub(l.subproof).first).formula;
        const int otherAssumption = m_d.line(sub(other).first).formula;
        const int otherLast = m_d.line(sub(other).last).formula;
        if (l.closing == Rule::IffIntro)
            return otherAssumption == l.goal && otherLast == a;
        const FormulaNode &dn = m_logic.node(m_d.line(l.cited).formula);
        return otherAssumption == (dn.a == a ? dn.b : dn.a) && otherLast == l.goal;
    }

    // Assuming again what an open subderivation around assumes leads round in a circle.
    bool reassumes(const WrittenLine &w) const
    {
        if (w.rule != Rule::Assumption || w.formula < 0)
            return false;
        for (std::size_t i = 1; i < m_chain.size(); ++i)
            if (m_d.line(sub(m_chain[i]).first).formula == w.formula)
                return true;
        return false;
    }

    StepPlan propose(
        int depth, int formula, Rule rule, const std::string &citations, bool separator)
    {
        StepPlan out;
        out.found = true;
        out.cost = 1;
        if (separator)
            out.lines.push_back({0, depth - 1, -1, Rule::Unknown,
                std::string(static_cast<std::size_t>(depth - 1) * 4, ' ') + "--"});
        WrittenLine w;
        w.number = m_d.count() + 1;
        w.depth = depth;
        w.formula = formula;
        w.rule = rule;
        w.text = lineText(depth, w.number, formula < 0 ? "□" : m_logic.text(formula), rule,
            citations.empty() ? std::vector<std::string>{} : std::vector<std::string>{citations});
        out.lines.push_back(std::move(w));
        return out;
    }

    Logic &m_logic;
    const Derivation &m_d;
    const ArgumentGoal &m_argument;
    ModalSystem m_system;
    const Budget &m_budget;
    bool m_basicRules;
    std::set<int> m_faulty;
    std::vector<int> m_chain; // -1, then the open subderivations around the last line
    std::vector<Level> m_levels;
};

} // namespace

StepPlan planNextLines(Logic &logic, const Derivation &derivation, const ArgumentGoal &argument,
    ModalSystem system, const Budget &budget, bool basicRules)
{
    return Planner(logic, derivation, argument, system, budget, basicRules).run();
}

} // namespace logic
