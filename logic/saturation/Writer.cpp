#include "Writer.h"

namespace logic::saturation {

ClauseWriter::ClauseWriter(Logic &logic, const TermBank &terms) : L(logic), T(terms)
{
    for (int i = 0; i < L.functionCount(); ++i)
        m_taken.insert(L.functionSymbol(i).name);
}

int ClauseWriter::variable(int v)
{
    if (static_cast<std::size_t>(v) >= m_names.size())
        m_names.resize(static_cast<std::size_t>(v) + 1, -1);
    int &n = nth(m_names, v);
    static const char *const kNames[] = {"x", "y", "z", "u", "v", "w"};
    while (n < 0) {
        const int k = m_used++;
        std::string name = kNames[k % 6];
        if (k >= 6)
            name += std::to_string(k / 6);
        if (!m_taken.count(name)) {
            n = L.variable(name);
            m_order.push_back(n);
        }
    }
    return n;
}

int ClauseWriter::term(Term t)
{
    if (T.isVar(t))
        return L.var(variable(T.varIndex(t)));
    std::vector<int> args;
    for (Term a : T.args(t))
        args.push_back(term(a));
    return L.app(T.symbol(T.head(t)).logicSymbol, args);
}

int ClauseWriter::groundTerm(Term t)
{
    return term(t);
}

int ClauseWriter::literal(const Literal &l)
{
    int f;
    if (l.rhs == T.truth()) {
        std::vector<int> args;
        for (Term a : T.args(l.lhs))
            args.push_back(term(a));
        f = L.atom(T.symbol(T.head(l.lhs)).logicSymbol, args);
    } else {
        const int s = term(l.lhs);
        f = L.equal(s, term(l.rhs));
    }
    return l.positive ? f : L.negation(f);
}

int ClauseWriter::clause(const std::vector<Literal> &literals)
{
    m_names.clear();
    m_order.clear();
    m_used = 0;
    if (literals.empty())
        return L.bottom();
    std::vector<int> parts;
    for (const Literal &l : literals)
        parts.push_back(literal(l));
    int f = parts.back();
    for (std::size_t i = parts.size() - 1; i-- > 0;)
        f = L.binary(Fk::Or, parts[i], f);
    // Quantifiers in the order the names were given: x before y.
    for (auto it = m_order.rbegin(); it != m_order.rend(); ++it)
        f = L.quantified(Fk::Forall, *it, f);
    return f;
}

} // namespace logic::saturation
