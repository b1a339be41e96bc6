#include "RuleForms.h"

#include <algorithm>
#include <set>

namespace logic {
namespace {

class Forms
{
public:
    Forms(Logic &logic, const RuleUse &use) : m_logic(logic), m_use(use), f(use.formula) {}

    std::string check()
    {
        switch (m_use.rule) {
        case Rule::Reiteration:
            return c(0) == f ? "" : rule() + " necesita " + t(f) + "; " + lineIs(0);
        case Rule::AndIntro: return andIntro();
        case Rule::AndElim: return andElim();
        case Rule::OrIntro: return orIntro();
        case Rule::OrElim: return orElim();
        case Rule::ImpliesIntro: return impliesIntro();
        case Rule::ImpliesElim: return impliesElim();
        case Rule::IffIntro: return iffIntro();
        case Rule::IffElim: return iffElim();
        case Rule::NotIntro: return notIntro();
        case Rule::NotElim: return notElim();
        case Rule::TopIntro: return is(f, Fk::Top) ? "" : rule() + " da ⊤; " + t(f) + " no lo es";
        case Rule::Explosion:
            return is(c(0), Fk::Bottom) ? "" : rule() + " necesita ⊥; " + lineIs(0);
        case Rule::IndirectProof: return indirectProof();
        case Rule::DisjunctiveSyllogism: return disjunctiveSyllogism();
        case Rule::ModusTollens: return modusTollens();
        case Rule::DoubleNegation: return doubleNegation();
        case Rule::ExcludedMiddle: return excludedMiddle();
        case Rule::DeMorgan:
        case Rule::QuantifierConversion:
        case Rule::DiamondDefinition:
        case Rule::ModalConversion: return conversion();
        case Rule::ForallElim: return forallElim();
        case Rule::ForallIntro: return forallIntro();
        case Rule::ExistsIntro: return existsIntro();
        case Rule::ExistsElim: return existsElim();
        case Rule::IdentityIntro:
            return is(f, Fk::Equal) && node(f).a == node(f).b
                ? ""
                : rule() + " da una identidad t = t; " + t(f) + " no lo es";
        case Rule::IdentityElim: return identityElim();
        case Rule::BoxIntro: return boxIntro();
        case Rule::BoxElim:
        case Rule::RuleT:
        case Rule::Rule4:
        case Rule::Rule5: return modalBringing();
        case Rule::Unknown:
        case Rule::Premise:
        case Rule::Assumption: break;
        }
        return {};
    }

private:
    const FormulaNode &node(int g) const { return m_logic.node(g); }
    bool is(int g, Fk k) const { return g >= 0 && node(g).kind == k; }
    // A formula of the lines themselves is quoted as the student wrote it: "¬a = b" stays so.
    std::string t(int g) const
    {
        if (g == f && !m_use.written.empty())
            return m_use.written;
        for (const CitedLine &l : m_use.lines)
            if (g == l.formula && !l.written.empty())
                return l.written;
        for (const CitedRange &r : m_use.ranges) {
            if (g == r.assumption && !r.assumptionWritten.empty())
                return r.assumptionWritten;
            if (g == r.conclusion && !r.conclusionWritten.empty())
                return r.conclusionWritten;
        }
        return m_logic.text(g);
    }
    std::string rule() const { return ruleName(m_use.rule); }
    int c(std::size_t i) const { return m_use.lines[i].formula; }
    std::string number(std::size_t i) const { return std::to_string(m_use.lines[i].number); }
    std::string lineIs(std::size_t i) const { return "la línea " + number(i) + " es " + t(c(i)); }
    std::string linesAre() const
    {
        return "las líneas " + number(0) + " y " + number(1) + " son " + t(c(0)) + " y " + t(c(1));
    }
    std::string span(const CitedRange &r) const
    {
        return std::to_string(r.first) + "–" + std::to_string(r.last);
    }
    int neg(int g) { return m_logic.negation(g); }

    // No subderivation but □I's is strict.
    std::string ordinaryRanges() const
    {
        for (const CitedRange &r : m_use.ranges)
            if (r.strict)
                return rule() + " no usa subderivaciones estrictas, y la de las líneas " + span(r)
                    + " lo es";
        return {};
    }

    std::string andIntro()
    {
        if (!is(f, Fk::And))
            return rule() + " da una conjunción; " + t(f) + " no lo es";
        const int a = node(f).a, b = node(f).b;
        if (m_use.lines.size() == 1)
            return a == b && c(0) == a
                ? ""
                : rule() + " necesita " + t(a) + " y " + t(b) + "; " + lineIs(0);
        if ((c(0) == a && c(1) == b) || (c(0) == b && c(1) == a))
            return {};
        const std::size_t wrong = (c(0) == a || c(0) == b) && c(0) != c(1) ? 1 : 0;
        return rule() + " necesita " + t(a) + " y " + t(b) + "; " + lineIs(wrong);
    }

    std::string andElim()
    {
        if (!is(c(0), Fk::And))
            return rule() + " necesita una conjunción; " + lineIs(0);
        const int a = node(c(0)).a, b = node(c(0)).b;
        if (f == a || f == b)
            return {};
        return rule() + " de " + t(c(0)) + " da " + t(a) + " o " + t(b) + ", no " + t(f);
    }

    std::string orIntro()
    {
        if (!is(f, Fk::Or))
            return rule() + " da una disyunción; " + t(f) + " no lo es";
        const int a = node(f).a, b = node(f).b;
        if (c(0) == a || c(0) == b)
            return {};
        return rule() + " necesita " + t(a) + " o " + t(b) + "; " + lineIs(0);
    }

    std::string orElim()
    {
        if (!is(c(0), Fk::Or))
            return rule() + " necesita una disyunción; " + lineIs(0);
        if (std::string why = ordinaryRanges(); !why.empty())
            return why;
        const int a = node(c(0)).a, b = node(c(0)).b;
        const CitedRange &r = m_use.ranges[0], &s = m_use.ranges[1];
        const std::string both = rule() + " necesita una subderivación que suponga " + t(a)
            + " y otra que suponga " + t(b);
        for (const CitedRange *x : {&r, &s})
            if (x->assumption != a && x->assumption != b)
                return both + "; la de " + span(*x) + " supone " + t(x->assumption);
        if (!((r.assumption == a && s.assumption == b) || (r.assumption == b && s.assumption == a)))
            return both + "; las dos suponen " + t(r.assumption);
        for (const CitedRange *x : {&r, &s})
            if (x->conclusion != f)
                return rule() + " necesita dos subderivaciones que acaben en " + t(f) + "; la de "
                    + span(*x) + " acaba en " + t(x->conclusion);
        return {};
    }

    std::string subderivationFromTo(const CitedRange &r, int from, int to)
    {
        if (r.assumption != from || r.conclusion != to)
            return rule() + " necesita una subderivación que suponga " + t(from) + " y acabe en "
                + t(to) + "; la de " + span(r)
                + (r.assumption != from ? " supone " + t(r.assumption)
                                        : " acaba en " + t(r.conclusion));
        return {};
    }

    std::string impliesIntro()
    {
        if (std::string why = ordinaryRanges(); !why.empty())
            return why;
        if (!is(f, Fk::Implies))
            return rule() + " da un condicional; " + t(f) + " no lo es";
        return subderivationFromTo(m_use.ranges[0], node(f).a, node(f).b);
    }

    std::string impliesElim()
    {
        for (std::size_t i = 0; i < 2; ++i)
            if (is(c(i), Fk::Implies) && node(c(i)).b == f && c(1 - i) == node(c(i)).a)
                return {};
        for (std::size_t i = 0; i < 2; ++i)
            if (is(c(i), Fk::Implies) && node(c(i)).b == f)
                return rule() + " necesita " + t(c(i)) + " y " + t(node(c(i)).a) + "; "
                    + lineIs(1 - i);
        for (std::size_t i = 0; i < 2; ++i)
            if (is(c(i), Fk::Implies) && c(1 - i) == node(c(i)).a)
                return rule() + " de " + t(c(i)) + " y " + t(c(1 - i)) + " da " + t(node(c(i)).b)
                    + ", no " + t(f);
        return rule() + " necesita un condicional con consecuente " + t(f) + " y su antecedente; "
            + linesAre();
    }

    std::string iffIntro()
    {
        if (std::string why = ordinaryRanges(); !why.empty())
            return why;
        if (!is(f, Fk::Iff))
            return rule() + " da un bicondicional; " + t(f) + " no lo es";
        const int a = node(f).a, b = node(f).b;
        const CitedRange &r = m_use.ranges[0], &s = m_use.ranges[1];
        auto goes = [](const CitedRange &x, int from, int to) {
            return x.assumption == from && x.conclusion == to;
        };
        if ((goes(r, a, b) && goes(s, b, a)) || (goes(r, b, a) && goes(s, a, b)))
            return {};
        const CitedRange &wrong = goes(r, a, b) || goes(r, b, a) ? s : r;
        return rule() + " necesita una subderivación de " + t(a) + " a " + t(b) + " y otra de "
            + t(b) + " a " + t(a) + "; la de " + span(wrong) + " va de " + t(wrong.assumption)
            + " a " + t(wrong.conclusion);
    }

    std::string iffElim()
    {
        for (std::size_t i = 0; i < 2; ++i) {
            if (!is(c(i), Fk::Iff))
                continue;
            const int a = node(c(i)).a, b = node(c(i)).b, other = c(1 - i);
            if ((other == a && f == b) || (other == b && f == a))
                return {};
        }
        for (std::size_t i = 0; i < 2; ++i) {
            if (!is(c(i), Fk::Iff))
                continue;
            const int a = node(c(i)).a, b = node(c(i)).b, other = c(1 - i);
            if (other == a || other == b)
                return rule() + " de " + t(c(i)) + " y " + t(other) + " da " + t(other == a ? b : a)
                    + ", no " + t(f);
            return rule() + " necesita " + t(c(i)) + " y uno de sus lados; " + lineIs(1 - i);
        }
        return rule() + " necesita un bicondicional y uno de sus lados; " + linesAre();
    }

    std::string notIntro()
    {
        if (std::string why = ordinaryRanges(); !why.empty())
            return why;
        if (!is(f, Fk::Not))
            return rule() + " da una negación; " + t(f) + " no lo es";
        return subderivationFromTo(m_use.ranges[0], node(f).a, m_logic.bottom());
    }

    std::string notElim()
    {
        if (!is(f, Fk::Bottom))
            return rule() + " da ⊥, no " + t(f);
        if (c(0) == neg(c(1)) || c(1) == neg(c(0)))
            return {};
        return rule() + " necesita una fórmula y su negación; " + linesAre();
    }

    std::string indirectProof()
    {
        if (std::string why = ordinaryRanges(); !why.empty())
            return why;
        return subderivationFromTo(m_use.ranges[0], neg(f), m_logic.bottom());
    }

    std::string disjunctiveSyllogism()
    {
        for (std::size_t i = 0; i < 2; ++i) {
            if (!is(c(i), Fk::Or))
                continue;
            const int a = node(c(i)).a, b = node(c(i)).b, other = c(1 - i);
            if ((other == neg(a) && f == b) || (other == neg(b) && f == a))
                return {};
        }
        for (std::size_t i = 0; i < 2; ++i) {
            if (!is(c(i), Fk::Or))
                continue;
            const int a = node(c(i)).a, b = node(c(i)).b, other = c(1 - i);
            if (other == neg(a) || other == neg(b))
                return rule() + " de " + t(c(i)) + " y " + t(other) + " da "
                    + t(other == neg(a) ? b : a) + ", no " + t(f);
            return rule() + " necesita " + t(c(i)) + " y la negación de uno de sus miembros ("
                + t(neg(a)) + " o " + t(neg(b)) + "); " + lineIs(1 - i);
        }
        return rule() + " necesita una disyunción y la negación de uno de sus miembros; "
            + linesAre();
    }

    std::string modusTollens()
    {
        for (std::size_t i = 0; i < 2; ++i)
            if (is(c(i), Fk::Implies) && c(1 - i) == neg(node(c(i)).b))
                return f == neg(node(c(i)).a) ? ""
                                              : rule() + " de " + t(c(i)) + " y " + t(c(1 - i))
                        + " da " + t(neg(node(c(i)).a)) + ", no " + t(f);
        for (std::size_t i = 0; i < 2; ++i)
            if (is(c(i), Fk::Implies))
                return rule() + " necesita " + t(c(i)) + " y " + t(neg(node(c(i)).b)) + "; "
                    + lineIs(1 - i);
        return rule() + " necesita un condicional y la negación de su consecuente; " + linesAre();
    }

    std::string doubleNegation()
    {
        if (c(0) == neg(neg(f)))
            return {};
        if (is(c(0), Fk::Not) && is(node(c(0)).a, Fk::Not))
            return rule() + " de " + t(c(0)) + " da " + t(node(node(c(0)).a).a) + ", no " + t(f);
        return rule() + " necesita " + t(neg(neg(f))) + "; " + lineIs(0);
    }

    std::string excludedMiddle()
    {
        if (std::string why = ordinaryRanges(); !why.empty())
            return why;
        const CitedRange &r = m_use.ranges[0], &s = m_use.ranges[1];
        if (r.assumption != neg(s.assumption) && s.assumption != neg(r.assumption))
            return rule()
                + " necesita una subderivación que suponga una fórmula y otra que suponga "
                  "su negación; las subderivaciones "
                + span(r) + " y " + span(s) + " suponen " + t(r.assumption) + " y "
                + t(s.assumption);
        for (const CitedRange *x : {&r, &s})
            if (x->conclusion != f)
                return rule() + " necesita dos subderivaciones que acaben en " + t(f) + "; la de "
                    + span(*x) + " acaba en " + t(x->conclusion);
        return {};
    }

    // What DeM, CQ, Def◇ or MC give from @p g: the same formula in the other form, or -1.
    int converted(int g)
    {
        const FormulaNode n = node(g);
        auto negated = [&](int h, Fk kind) { return is(h, Fk::Not) && is(node(h).a, kind); };
        switch (m_use.rule) {
        case Rule::DeMorgan:
            if (negated(g, Fk::Or) || negated(g, Fk::And)) {
                const FormulaNode inner = node(n.a);
                return m_logic.binary(
                    inner.kind == Fk::Or ? Fk::And : Fk::Or, neg(inner.a), neg(inner.b));
            }
            if ((n.kind == Fk::And || n.kind == Fk::Or) && is(n.a, Fk::Not) && is(n.b, Fk::Not))
                return neg(
                    m_logic.binary(n.kind == Fk::And ? Fk::Or : Fk::And, node(n.a).a, node(n.b).a));
            return -1;
        case Rule::QuantifierConversion:
            if (isQuantifier(n.kind) && is(n.b, Fk::Not))
                return neg(m_logic.quantified(
                    n.kind == Fk::Forall ? Fk::Exists : Fk::Forall, n.a, node(n.b).a));
            if (negated(g, Fk::Forall) || negated(g, Fk::Exists)) {
                const FormulaNode inner = node(n.a);
                return m_logic.quantified(
                    inner.kind == Fk::Forall ? Fk::Exists : Fk::Forall, inner.a, neg(inner.b));
            }
            return -1;
        case Rule::DiamondDefinition:
            if (n.kind == Fk::Diamond)
                return neg(m_logic.modal(Fk::Box, neg(n.a)));
            if (negated(g, Fk::Box) && is(node(n.a).a, Fk::Not))
                return m_logic.modal(Fk::Diamond, node(node(n.a).a).a);
            return -1;
        case Rule::ModalConversion:
            if (negated(g, Fk::Box) || negated(g, Fk::Diamond)) {
                const FormulaNode inner = node(n.a);
                return m_logic.modal(inner.kind == Fk::Box ? Fk::Diamond : Fk::Box, neg(inner.a));
            }
            if (isModalOp(n.kind) && is(n.a, Fk::Not))
                return neg(m_logic.modal(n.kind == Fk::Box ? Fk::Diamond : Fk::Box, node(n.a).a));
            return -1;
        default: return -1;
        }
    }

    std::string conversion()
    {
        const int g = converted(c(0));
        if (g == f)
            return {};
        if (g >= 0)
            return rule() + " de " + t(c(0)) + " da " + t(g) + ", no " + t(f);
        const char *forms = "";
        switch (m_use.rule) {
        case Rule::DeMorgan:
            forms = "pasa de ¬(φ ∨ ψ) a ¬φ ∧ ¬ψ y de ¬(φ ∧ ψ) a ¬φ ∨ ¬ψ, o al revés";
            break;
        case Rule::QuantifierConversion:
            forms = "pasa de ∀x ¬φ a ¬∃x φ y de ∃x ¬φ a ¬∀x φ, o al revés";
            break;
        case Rule::DiamondDefinition: forms = "pasa de ◇φ a ¬□¬φ, o al revés"; break;
        default: forms = "pasa de ¬□φ a ◇¬φ y de ¬◇φ a □¬φ, o al revés"; break;
        }
        return rule() + " " + forms + "; " + lineIs(0);
    }

    // Closed terms of @p g, each once, in the order met.
    std::vector<int> closedTerms(int g, bool constantsOnly) const
    {
        std::vector<int> terms, formulas{g}, pending;
        std::set<int> seen;
        while (!formulas.empty()) {
            const int id = formulas.back();
            formulas.pop_back();
            const FormulaNode &n = node(id);
            if (n.kind == Fk::Atom) {
                for (int a : m_logic.atomArgs(id))
                    pending.push_back(a);
            } else if (n.kind == Fk::Equal) {
                pending.push_back(n.a);
                pending.push_back(n.b);
            } else if (n.kind == Fk::Not || isModalOp(n.kind)) {
                formulas.push_back(n.a);
            } else if (isBinary(n.kind)) {
                formulas.push_back(n.a);
                formulas.push_back(n.b);
            } else if (isQuantifier(n.kind)) {
                formulas.push_back(n.b);
            }
        }
        while (!pending.empty()) {
            const int term = pending.back();
            pending.pop_back();
            const TermNode &tn = m_logic.term(term);
            if (tn.kind != Tk::App)
                continue;
            for (int a : m_logic.args(term))
                pending.push_back(a);
            if (tn.vars == 0 && !tn.params && (!constantsOnly || tn.list < 0)
                && seen.insert(term).second)
                terms.push_back(term);
        }
        return terms;
    }

    // A closed term that @p body's free @p v becomes in @p instance; -2 when @p v is not free
    // in @p body and the two are the same; -1 when @p instance is no instance of @p body. The
    // lines of a derivation have no free variables, so body == instance means v is not free.
    int instanceTerm(int body, int v, int instance)
    {
        if (body == instance)
            return -2;
        for (int term : closedTerms(instance, false))
            if (m_logic.substitute(body, v, term) == instance)
                return term;
        return -1;
    }

    std::string pattern(int body, int v) const
    {
        return t(body) + " con " + m_logic.variableName(v) + " cambiada por ";
    }

    std::string forallElim()
    {
        if (!is(c(0), Fk::Forall))
            return rule() + " necesita una fórmula universal; " + lineIs(0);
        const FormulaNode q = node(c(0));
        if (instanceTerm(q.b, q.a, f) != -1)
            return {};
        return rule() + " de " + t(c(0)) + " da " + pattern(q.b, q.a) + "un término; " + t(f)
            + " no lo es";
    }

    std::string existsIntro()
    {
        if (!is(f, Fk::Exists))
            return rule() + " da una fórmula existencial; " + t(f) + " no lo es";
        const FormulaNode q = node(f);
        if (instanceTerm(q.b, q.a, c(0)) != -1)
            return {};
        return rule() + " necesita " + pattern(q.b, q.a) + "un término; " + lineIs(0);
    }

    bool mentions(int g, int constant) const
    {
        const std::vector<int> terms = closedTerms(g, true);
        return std::find(terms.begin(), terms.end(), constant) != terms.end();
    }

    // ∀I's and ∃E's condition on the constant: not in the line, not in a premise nor in an
    // assumption still open.
    std::string freshness(int constant, int quantified, const std::string &where)
    {
        const std::string head
            = rule() + " no se puede aplicar: la constante " + m_logic.termText(constant) + " ";
        if (mentions(quantified, constant))
            return head + "aparece en " + t(quantified);
        if (!where.empty())
            return head + where;
        for (const OpenHypothesis &h : m_use.open)
            if (mentions(h.formula, constant))
                return head + "aparece en " + (h.premise ? "la premisa" : "el supuesto")
                    + " de la línea " + std::to_string(h.number);
        return {};
    }

    std::string forallIntro()
    {
        if (!is(f, Fk::Forall))
            return rule() + " da una fórmula universal; " + t(f) + " no lo es";
        const FormulaNode q = node(f);
        const int term = instanceTerm(q.b, q.a, c(0));
        if (term == -2)
            return {};
        if (term == -1)
            return rule() + " necesita " + pattern(q.b, q.a) + "una constante; " + lineIs(0);
        if (m_logic.term(term).list >= 0)
            return rule() + " necesita una constante en lugar de " + m_logic.variableName(q.a)
                + ", y en la línea " + number(0) + " hay " + m_logic.termText(term);
        return freshness(term, f, "");
    }

    std::string existsElim()
    {
        if (!is(c(0), Fk::Exists))
            return rule() + " necesita una fórmula existencial; " + lineIs(0);
        if (std::string why = ordinaryRanges(); !why.empty())
            return why;
        const FormulaNode q = node(c(0));
        const CitedRange &r = m_use.ranges[0];
        const int term = instanceTerm(q.b, q.a, r.assumption);
        if (term == -1 || (term >= 0 && m_logic.term(term).list >= 0))
            return rule() + " necesita una subderivación que suponga " + pattern(q.b, q.a)
                + "una constante nueva; la de " + span(r) + " supone " + t(r.assumption);
        if (r.conclusion != f)
            return rule() + " necesita una subderivación que acabe en " + t(f) + "; la de "
                + span(r) + " acaba en " + t(r.conclusion);
        if (term == -2)
            return {};
        return freshness(term, c(0),
            mentions(f, term) ? "aparece en " + t(f) + ", la fórmula de esta línea" : "");
    }

    // @p to is @p from with some occurrences of @p a replaced by @p b.
    bool rewrites(int from, int to, int a, int b) const
    {
        std::vector<std::pair<int, int>> formulas{{from, to}}, terms;
        while (!formulas.empty() || !terms.empty()) {
            if (!terms.empty()) {
                const auto [s, u] = terms.back();
                terms.pop_back();
                if (s == u || (s == a && u == b))
                    continue;
                const TermNode &x = m_logic.term(s), &y = m_logic.term(u);
                if (x.kind != Tk::App || y.kind != Tk::App || x.sym != y.sym)
                    return false;
                const auto xs = m_logic.args(s), ys = m_logic.args(u);
                for (std::size_t i = 0; i < xs.size(); ++i)
                    terms.push_back({xs[i], ys[i]});
                continue;
            }
            const auto [g, h] = formulas.back();
            formulas.pop_back();
            if (g == h)
                continue;
            const FormulaNode &x = node(g), &y = node(h);
            if (x.kind != y.kind)
                return false;
            switch (x.kind) {
            case Fk::Atom: {
                if (x.a != y.a)
                    return false;
                const auto xs = m_logic.atomArgs(g), ys = m_logic.atomArgs(h);
                for (std::size_t i = 0; i < xs.size(); ++i)
                    terms.push_back({xs[i], ys[i]});
                break;
            }
            case Fk::Equal:
                terms.push_back({x.a, y.a});
                terms.push_back({x.b, y.b});
                break;
            case Fk::Not:
            case Fk::Box:
            case Fk::Diamond: formulas.push_back({x.a, y.a}); break;
            case Fk::Forall:
            case Fk::Exists:
                if (x.a != y.a)
                    return false;
                formulas.push_back({x.b, y.b});
                break;
            case Fk::Top:
            case Fk::Bottom: break;
            default:
                formulas.push_back({x.a, y.a});
                formulas.push_back({x.b, y.b});
                break;
            }
        }
        return true;
    }

    std::string identityElim()
    {
        for (std::size_t i = 0; i < 2; ++i) {
            if (!is(c(i), Fk::Equal))
                continue;
            const int a = node(c(i)).a, b = node(c(i)).b, other = c(1 - i);
            if (rewrites(other, f, a, b) || rewrites(other, f, b, a))
                return {};
        }
        for (std::size_t i = 0; i < 2; ++i)
            if (is(c(i), Fk::Equal))
                return rule() + ": " + t(f) + " no sale de " + t(c(1 - i)) + " cambiando "
                    + m_logic.termText(node(c(i)).a) + " por " + m_logic.termText(node(c(i)).b)
                    + " ni al revés";
        return rule() + " necesita una identidad; " + linesAre();
    }

    std::string boxIntro()
    {
        const CitedRange &r = m_use.ranges[0];
        if (!r.strict)
            return rule()
                + " necesita una subderivación estricta (abierta con □); la "
                  "subderivación "
                + span(r) + " supone " + t(r.assumption);
        const int boxed = m_logic.modal(Fk::Box, r.conclusion);
        return f == boxed
            ? ""
            : rule() + " de la subderivación " + span(r) + " da " + t(boxed) + ", no " + t(f);
    }

    std::string modalBringing()
    {
        const ModalSystem s = m_use.system;
        const std::string here = systemName(s);
        switch (m_use.rule) {
        case Rule::RuleT:
            if (!isReflexive(s))
                return rule() + " no vale en " + here
                    + ": pide un sistema reflexivo, como T, S4 "
                      "o S5";
            break;
        case Rule::Rule4:
            if (!isTransitive(s))
                return rule() + " no vale en " + here
                    + ": pide un sistema transitivo, como S4 "
                      "o S5";
            break;
        case Rule::Rule5:
            if (!(isSymmetric(s) && isTransitive(s)))
                return rule() + " no vale en " + here + ": solo vale en S5";
            break;
        default: break;
        }
        const bool keeps = m_use.rule == Rule::Rule4 || m_use.rule == Rule::Rule5;
        const bool negated = m_use.rule == Rule::Rule5;
        const int boxed = negated ? (is(c(0), Fk::Not) ? node(c(0)).a : -1) : c(0);
        if (!is(boxed, Fk::Box))
            return rule() + " necesita una fórmula " + (negated ? "¬□φ" : "□φ") + "; " + lineIs(0);
        const int gives = keeps ? c(0) : node(boxed).a;
        return f == gives ? "" : rule() + " de " + t(c(0)) + " da " + t(gives) + ", no " + t(f);
    }

    Logic &m_logic;
    const RuleUse &m_use;
    const int f; // the line's formula
};

} // namespace

std::string checkRuleForm(Logic &logic, const RuleUse &use)
{
    if (use.formula < 0)
        return {};
    for (const CitedLine &l : use.lines)
        if (l.formula < 0)
            return {};
    return Forms(logic, use).check();
}

} // namespace logic
