#include "Checker.h"

#include "RuleForms.h"

#include <algorithm>

namespace logic {
namespace {

std::string count(int n, const char *one, const char *many)
{
    static const char *const kWords[] = {"ninguna", "una", "dos", "tres"};
    const std::string number = n >= 0 && n < 4 ? kWords[n] : std::to_string(n);
    return number + " " + (n == 1 ? one : many);
}

class Checker
{
public:
    Checker(Logic &logic, const Derivation &d, const ArgumentGoal *argument, ModalSystem system,
        bool basicRules = false)
        : m_logic(logic), m_d(d), m_argument(argument), m_system(system), m_basicRules(basicRules)
    {}

    DerivationCheck run()
    {
        DerivationCheck result;
        result.hasArgument = m_argument != nullptr;
        bool pastPremises = false;
        for (int k = 1; k <= m_d.count(); ++k) {
            const DerivationLine &l = m_d.line(k);
            std::string reason = l.error;
            if (reason.empty() && m_basicRules && !isBasicRule(l.rule))
                reason = std::string(ruleName(l.rule)) + " no es una regla básica";
            if (reason.empty() && (l.rule == Rule::Premise || l.rule == Rule::Assumption)
                && !l.citations.empty())
                reason = std::string(ruleName(l.rule)) + " no cita líneas";
            if (reason.empty()) {
                if (l.rule == Rule::Premise)
                    reason = premise(l, pastPremises);
                else if (l.rule != Rule::Assumption)
                    reason = justified(l);
            }
            if (l.rule != Rule::Premise)
                pastPremises = true;
            if (!reason.empty())
                result.faults.push_back({k, l.textLine, reason, false});
        }
        finish(result);
        return result;
    }

    std::optional<WrongStep> wrongStep(int k) const
    {
        const DerivationLine &l = m_d.line(k);
        if (!l.error.empty() || l.formula < 0 || l.citations.empty() || l.strictOpening
            || l.rule == Rule::Premise || l.rule == Rule::Assumption || strictOf(l.subproof) >= 0)
            return std::nullopt;
        WrongStep step;
        step.formula = l.formula;
        std::string why;
        for (const Citation &c : l.citations) {
            if (c.range) {
                CitedRange range;
                if (citeRange(c, l, range, why) != Outcome::Ok || range.strict
                    || range.assumption < 0)
                    return std::nullopt;
                step.hypotheses.push_back(
                    m_logic.binary(Fk::Implies, range.assumption, range.conclusion));
            } else {
                int formula = -1;
                if (citeLine(c.first, l, Access::Same, formula, why) != Outcome::Ok)
                    return std::nullopt;
                step.hypotheses.push_back(formula);
            }
        }
        // Named wrongly is not wrong: the model is for a step no rule gives.
        DerivationLine other = l;
        for (int r = static_cast<int>(Rule::Reiteration); r <= static_cast<int>(Rule::Rule5); ++r) {
            other.rule = static_cast<Rule>(r);
            if (justified(other).empty())
                return std::nullopt;
        }
        auto add = [&](int f) {
            if (std::find(step.hypotheses.begin(), step.hypotheses.end(), f)
                == step.hypotheses.end())
                step.hypotheses.push_back(f);
        };
        std::vector<int> cited;
        cited.swap(step.hypotheses);
        for (int f : cited)
            add(f);
        step.cited = static_cast<int>(step.hypotheses.size());
        for (const OpenHypothesis &h : openHypotheses(l))
            add(h.formula);
        return step;
    }

private:
    // Subderivation @p outer holds @p inner (or is it); -1 is the outermost level.
    bool encloses(int outer, int inner) const
    {
        for (int s = inner;; s = sub(s).parent) {
            if (s == outer)
                return true;
            if (s < 0)
                return false;
        }
    }
    const Subderivation &sub(int s) const { return m_d.subproofs[static_cast<std::size_t>(s)]; }
    // The innermost strict subderivation holding @p s, or -1.
    int strictOf(int s) const
    {
        while (s >= 0 && !sub(s).strict)
            s = sub(s).parent;
        return s;
    }

    std::string bringers() const
    {
        if (isSymmetric(m_system) && isTransitive(m_system))
            return "□E, R4 o R5";
        if (isTransitive(m_system))
            return "□E o R4";
        return "□E";
    }

    std::string premise(const DerivationLine &l, bool pastPremises) const
    {
        if (l.subproof >= 0)
            return "una premisa no puede ir dentro de una subderivación";
        if (pastPremises)
            return "las premisas van al principio de la derivación, antes de cualquier otra línea";
        if (l.formula >= 0 && m_argument
            && std::find(m_argument->premises.begin(), m_argument->premises.end(), l.formula)
                == m_argument->premises.end())
            return written(l) + " no es una premisa del argumento";
        return {};
    }

    enum class Access { Same, CrossOne };
    enum class Outcome { Ok, Fault, Skip };

    // Whether line @p i may be cited at line @p k; a citation of an unreadable line is skipped,
    // since that line is already at fault.
    Outcome citeLine(
        int i, const DerivationLine &at, Access access, int &formula, std::string &why) const
    {
        const int k = at.number;
        if (i < 1 || i > m_d.count()) {
            why = "la derivación no tiene línea " + std::to_string(i);
            return Outcome::Fault;
        }
        if (i == k) {
            why = "una línea no puede citarse a sí misma";
            return Outcome::Fault;
        }
        if (i > k) {
            why = "la línea " + std::to_string(i)
                + " aún no se ha escrito: solo se citan líneas anteriores";
            return Outcome::Fault;
        }
        const DerivationLine &c = m_d.line(i);
        if (!encloses(c.subproof, at.subproof)) {
            why = "la línea " + std::to_string(i) + " está dentro de una subderivación ya cerrada";
            return Outcome::Fault;
        }
        const int here = strictOf(at.subproof), there = strictOf(c.subproof);
        if (access == Access::Same && here != there) {
            why = "la línea " + std::to_string(i)
                + " está fuera de la subderivación estricta que empieza en la línea "
                + std::to_string(sub(here).first) + ": dentro solo entran fórmulas traídas con "
                + bringers();
            return Outcome::Fault;
        }
        if (access == Access::CrossOne) {
            const std::string rule = ruleName(at.rule);
            if (here < 0) {
                why = rule + " solo se usa dentro de una subderivación estricta (abierta con □)";
                return Outcome::Fault;
            }
            if (there == here) {
                why = rule + " trae una fórmula de fuera de la subderivación estricta, y la línea "
                    + std::to_string(i) + " está dentro de ella";
                if (at.rule == Rule::BoxElim && isReflexive(m_system))
                    why += "; en la misma subderivación, use RT";
                return Outcome::Fault;
            }
            if (there != strictOf(sub(here).parent)) {
                why = rule + " solo cruza una subderivación estricta, y la línea "
                    + std::to_string(i) + " queda fuera de dos";
                return Outcome::Fault;
            }
        }
        if (c.strictOpening) {
            why = "la línea " + std::to_string(i)
                + " solo abre una subderivación estricta; no tiene fórmula que citar";
            return Outcome::Fault;
        }
        if (c.formula < 0)
            return Outcome::Skip;
        formula = c.formula;
        return Outcome::Ok;
    }

    Outcome citeRange(
        const Citation &c, const DerivationLine &at, CitedRange &range, std::string &why) const
    {
        const std::string span = std::to_string(c.first) + "–" + std::to_string(c.last);
        if (c.first > c.last) {
            why = "el rango " + span
                + " va hacia atrás: se escribe desde el supuesto hasta la "
                  "última línea";
            return Outcome::Fault;
        }
        if (c.first < 1 || c.last > m_d.count()) {
            why = "la derivación no tiene línea " + std::to_string(c.first < 1 ? c.first : c.last);
            return Outcome::Fault;
        }
        if (c.first >= at.number) {
            why = "la línea " + std::to_string(c.first)
                + " aún no se ha escrito: solo se citan líneas anteriores";
            return Outcome::Fault;
        }
        const int s = m_d.line(c.first).opens;
        if (s < 0) {
            why = "las líneas " + span + " no son una subderivación: la línea "
                + std::to_string(c.first) + " no abre ninguna";
            return Outcome::Fault;
        }
        if (encloses(s, at.subproof)) {
            why = "la subderivación que empieza en la línea " + std::to_string(c.first)
                + " aún no se ha cerrado: esta línea está dentro de ella";
            return Outcome::Fault;
        }
        if (sub(s).last != c.last) {
            why = "la subderivación que empieza en la línea " + std::to_string(c.first)
                + " termina en la línea " + std::to_string(sub(s).last) + ", no en la "
                + std::to_string(c.last);
            return Outcome::Fault;
        }
        if (!encloses(sub(s).parent, at.subproof)) {
            why = "la subderivación " + span + " está dentro de otra ya cerrada";
            return Outcome::Fault;
        }
        if (strictOf(sub(s).parent) != strictOf(at.subproof)) {
            why = "la subderivación " + span + " está fuera de la subderivación estricta que "
                + "empieza en la línea " + std::to_string(sub(strictOf(at.subproof)).first);
            return Outcome::Fault;
        }
        const DerivationLine &first = m_d.line(c.first), &last = m_d.line(c.last);
        if ((first.formula < 0 && !first.strictOpening) || last.formula < 0) {
            if (last.strictOpening) {
                why = "la subderivación " + span + " no tiene más línea que □";
                return Outcome::Fault;
            }
            return Outcome::Skip;
        }
        range.first = c.first;
        range.last = c.last;
        range.assumption = first.formula;
        range.conclusion = last.formula;
        range.strict = sub(s).strict;
        range.assumptionWritten = first.written;
        range.conclusionWritten = last.written;
        return Outcome::Ok;
    }

    std::string written(const DerivationLine &l) const
    {
        return l.written.empty() ? m_logic.text(l.formula) : l.written;
    }

    // What the rule of @p l needs to give its formula, named from that formula where it can
    // be: "∨E necesita una disyunción y dos subderivaciones que acaben en r".
    std::string needs(const DerivationLine &l) const
    {
        const std::string rule = std::string(ruleName(l.rule)) + " necesita ";
        const int f = l.formula;
        const FormulaNode n = m_logic.node(f);
        auto t = [&](int g) { return g == f ? written(l) : m_logic.text(g); };
        switch (l.rule) {
        case Rule::Reiteration: return rule + "una línea anterior con " + t(f);
        case Rule::AndIntro:
            return n.kind == Fk::And ? rule + t(n.a) + " y " + t(n.b)
                                     : rule + "los dos miembros de una conjunción";
        case Rule::AndElim: return rule + "una conjunción de la que " + t(f) + " sea un miembro";
        case Rule::OrIntro:
            return n.kind == Fk::Or ? rule + t(n.a) + " o " + t(n.b)
                                    : rule + "un miembro de la disyunción";
        case Rule::OrElim:
            return rule + "una disyunción y dos subderivaciones que acaben en " + t(f);
        case Rule::ImpliesIntro:
            return n.kind == Fk::Implies
                ? rule + "una subderivación que suponga " + t(n.a) + " y acabe en " + t(n.b)
                : rule + "una subderivación";
        case Rule::ImpliesElim:
            return rule + "un condicional con consecuente " + t(f) + " y su antecedente";
        case Rule::IffIntro:
            return n.kind == Fk::Iff ? rule + "una subderivación de " + t(n.a) + " a " + t(n.b)
                    + " y otra de " + t(n.b) + " a " + t(n.a)
                                     : rule + "dos subderivaciones";
        case Rule::IffElim: return rule + "un bicondicional con " + t(f) + " a un lado, y el otro";
        case Rule::NotIntro:
            return n.kind == Fk::Not
                ? rule + "una subderivación que suponga " + t(n.a) + " y acabe en ⊥"
                : rule + "una subderivación que acabe en ⊥";
        case Rule::NotElim: return rule + "una fórmula y su negación";
        case Rule::Explosion: return rule + "una línea con ⊥";
        case Rule::IndirectProof:
            return rule + "una subderivación que suponga " + m_logic.text(m_logic.negation(f))
                + " y acabe en ⊥";
        case Rule::DisjunctiveSyllogism:
            return rule + "una disyunción y la negación de uno de sus miembros";
        case Rule::ModusTollens: return rule + "un condicional y la negación de su consecuente";
        case Rule::DoubleNegation:
            return rule + m_logic.text(m_logic.negation(m_logic.negation(f)));
        case Rule::ExcludedMiddle:
            return rule + "dos subderivaciones que acaben en " + t(f)
                + ", una que suponga una fórmula y otra que suponga su negación";
        case Rule::ForallElim: return rule + "una fórmula universal";
        case Rule::ForallIntro:
        case Rule::ExistsIntro: return rule + "una línea con una instancia de " + t(f);
        case Rule::ExistsElim:
            return rule + "una fórmula existencial y una subderivación que acabe en " + t(f);
        case Rule::IdentityElim: return rule + "una identidad y la fórmula en que se sustituye";
        case Rule::BoxIntro:
            return n.kind == Fk::Box
                ? rule + "una subderivación estricta (abierta con □) que acabe en " + t(n.a)
                : rule + "una subderivación estricta (abierta con □)";
        case Rule::BoxElim:
        case Rule::RuleT: return rule + "una línea con " + m_logic.text(m_logic.modal(Fk::Box, f));
        default: return rule + "una línea con la fórmula de la que sale " + t(f);
        }
    }

    // Which part of what the rule needs the citations of @p l lack or have too many of.
    std::string missing(const DerivationLine &l, RuleShape shape, int lines, int ranges) const
    {
        if (lines == 0 && ranges == 0)
            return "aquí no se cita ninguna línea";
        if (ranges < shape.ranges && lines > shape.lines) {
            // A subderivation cited by its first line alone.
            for (const Citation &c : l.citations) {
                if (c.range || c.first < 1 || c.first >= l.number)
                    continue;
                const int s = m_d.line(c.first).opens;
                if (s < 0)
                    continue;
                const std::string whole
                    = std::to_string(c.first) + "–" + std::to_string(sub(s).last);
                return "la línea " + std::to_string(c.first) + " abre la subderivación " + whole
                    + ", que se cita entera: " + whole;
            }
            return "aquí se cita una línea donde hace falta una subderivación (i–j)";
        }
        if (ranges > shape.ranges && lines < shape.lines)
            return "aquí se cita una subderivación donde hace falta una línea";
        std::vector<std::string> parts;
        if (lines < shape.lines)
            parts.push_back(std::string(shape.lines - lines == 1 ? "falta " : "faltan ")
                + count(shape.lines - lines, "línea", "líneas"));
        if (ranges < shape.ranges)
            parts.push_back(std::string(shape.ranges - ranges == 1 ? "falta " : "faltan ")
                + count(shape.ranges - ranges, "subderivación", "subderivaciones"));
        if (lines > shape.lines)
            parts.push_back(std::string(lines - shape.lines == 1 ? "sobra " : "sobran ")
                + count(lines - shape.lines, "línea", "líneas"));
        if (ranges > shape.ranges)
            parts.push_back(std::string(ranges - shape.ranges == 1 ? "sobra " : "sobran ")
                + count(ranges - shape.ranges, "subderivación", "subderivaciones"));
        std::string out = "aquí ";
        for (std::size_t i = 0; i < parts.size(); ++i)
            out += (i == 0 ? "" : " y ") + parts[i];
        return out;
    }

    std::string justified(const DerivationLine &l) const
    {
        if (l.strictOpening)
            return "□ solo abre una subderivación estricta, como supuesto (AS)";
        const RuleShape shape = ruleShape(l.rule);
        int lines = 0, ranges = 0;
        for (const Citation &c : l.citations)
            (c.range ? ranges : lines) += 1;
        const bool sameConjuncts = l.rule == Rule::AndIntro && lines == 1 && ranges == 0;
        if ((lines != shape.lines || ranges != shape.ranges) && !sameConjuncts) {
            if (shape.lines == 0 && shape.ranges == 0)
                return std::string(ruleName(l.rule)) + " no cita líneas";
            return needs(l) + "; " + missing(l, shape, lines, ranges);
        }
        RuleUse use;
        use.rule = l.rule;
        use.formula = l.formula;
        use.written = l.written;
        use.system = m_system;
        const Access access
            = l.rule == Rule::BoxElim || l.rule == Rule::Rule4 || l.rule == Rule::Rule5
            ? Access::CrossOne
            : Access::Same;
        std::string why;
        for (const Citation &c : l.citations) {
            Outcome outcome;
            if (c.range) {
                CitedRange range;
                outcome = citeRange(c, l, range, why);
                use.ranges.push_back(range);
            } else {
                CitedLine line{c.first, -1, {}};
                outcome = citeLine(c.first, l, access, line.formula, why);
                if (outcome == Outcome::Ok)
                    line.written = m_d.line(c.first).written;
                use.lines.push_back(line);
            }
            if (outcome == Outcome::Fault)
                return why;
            if (outcome == Outcome::Skip)
                return {};
        }
        if (l.rule == Rule::ForallIntro || l.rule == Rule::ExistsElim)
            use.open = openHypotheses(l);
        return checkRuleForm(m_logic, use);
    }

    // The premises, and the assumptions of the subderivations around @p l.
    std::vector<OpenHypothesis> openHypotheses(const DerivationLine &l) const
    {
        if (!m_premisesRead) {
            for (int k = 1; k <= m_d.count() && m_d.line(k).rule == Rule::Premise; ++k)
                if (m_d.line(k).formula >= 0 && m_d.line(k).subproof < 0)
                    m_premises.push_back({k, m_d.line(k).formula, true});
            m_premisesRead = true;
        }
        std::vector<OpenHypothesis> open = m_premises;
        std::vector<OpenHypothesis> assumptions;
        for (int s = l.subproof; s >= 0; s = sub(s).parent) {
            const DerivationLine &first = m_d.line(sub(s).first);
            if (first.formula >= 0)
                assumptions.push_back({first.number, first.formula, false});
        }
        open.insert(open.end(), assumptions.rbegin(), assumptions.rend());
        return open;
    }

    void finish(DerivationCheck &result) const
    {
        if (m_d.count() == 0)
            return;
        const DerivationLine &last = m_d.line(m_d.count());
        std::string reason;
        if (last.subproof >= 0) {
            int outermost = last.subproof;
            while (sub(outermost).parent >= 0)
                outermost = sub(outermost).parent;
            reason = "la derivación termina dentro de la subderivación que empieza en la línea "
                + std::to_string(sub(outermost).first) + ", sin descargar su supuesto";
        } else if (m_argument && last.formula >= 0 && last.formula != m_argument->conclusion) {
            reason = "la derivación termina en " + written(last)
                + ", y la conclusión del argumento es " + m_logic.text(m_argument->conclusion);
        }
        result.finished = reason.empty() && last.formula >= 0;
        if (reason.empty())
            return;
        if (!result.faults.empty() && result.faults.back().line == last.number)
            return; // one reason per line: its own fault comes first
        result.faults.push_back({last.number, last.textLine, reason, true});
    }

    Logic &m_logic;
    const Derivation &m_d;
    const ArgumentGoal *m_argument;
    ModalSystem m_system;
    bool m_basicRules;
    mutable std::vector<OpenHypothesis> m_premises;
    mutable bool m_premisesRead = false;
};

} // namespace

DerivationCheck checkDerivation(Logic &logic, const Derivation &derivation,
    const ArgumentGoal *argument, ModalSystem system, bool basicRules)
{
    return Checker(logic, derivation, argument, system, basicRules).run();
}

std::optional<WrongStep> wrongStep(
    Logic &logic, const Derivation &derivation, int k, ModalSystem system)
{
    if (k < 1 || k > derivation.count())
        return std::nullopt;
    return Checker(logic, derivation, nullptr, system).wrongStep(k);
}

std::string faultMessage(const DerivationFault &fault)
{
    return "Línea " + std::to_string(fault.line) + ": " + fault.reason;
}

} // namespace logic
