#include "Ordering.h"

#include <algorithm>
#include <numeric>
#include <tuple>

namespace logic::saturation {

void Kbo::setPrecedence(const std::vector<int> &occurrences)
{
    const int n = m_terms.symbolCount();
    std::vector<int> order(static_cast<std::size_t>(n));
    std::iota(order.begin(), order.end(), 0);
    auto key = [&](int f) {
        const SymbolInfo &s = m_terms.symbol(f);
        const int uses = static_cast<std::size_t>(f) < occurrences.size() ? nth(occurrences, f) : 0;
        // ⊤ lowest, then functions, then predicates; more arguments higher; rarer higher.
        return std::make_tuple(s.kind == SymbolKind::Internal ? 0
                : s.predicate                                 ? 2
                                                              : 1,
            s.arity, -uses, f);
    };
    std::sort(order.begin(), order.end(), [&](int a, int b) { return key(a) < key(b); });
    m_rank.assign(static_cast<std::size_t>(n), 0);
    for (int i = 0; i < n; ++i)
        nth(m_rank, nth(order, i)) = i;
}

int Kbo::rank(int symbol) const
{
    // Symbols made after the precedence was set (none in practice) rank by number.
    if (static_cast<std::size_t>(symbol) < m_rank.size())
        return nth(m_rank, symbol);
    return sizeOf(m_rank) + symbol;
}

void Kbo::count(Term t, int delta) const
{
    if (m_terms.ground(t))
        return;
    if (m_terms.isVar(t)) {
        const auto v = static_cast<std::size_t>(m_terms.varIndex(t));
        if (v >= m_counts.size())
            m_counts.resize(v + 1, 0);
        m_counts[v] += delta;
        return;
    }
    for (Term a : m_terms.args(t))
        count(a, delta);
}

bool Kbo::covers(Term s, Term t) const
{
    if (m_terms.ground(t))
        return true;
    if (m_terms.varLimit(t) > m_terms.varLimit(s))
        return false;
    count(s, 1);
    count(t, -1);
    bool ok = true;
    for (int &c : m_counts) {
        ok = ok && c >= 0;
        c = 0;
    }
    return ok;
}

Order Kbo::compare(Term s, Term t) const
{
    if (s == t)
        return Order::Equal;
    if (m_terms.isVar(t))
        return m_terms.occurs(m_terms.varIndex(t), s) ? Order::Greater : Order::Incomparable;
    if (m_terms.isVar(s))
        return m_terms.occurs(m_terms.varIndex(s), t) ? Order::Less : Order::Incomparable;
    auto greater = [&] { return covers(s, t) ? Order::Greater : Order::Incomparable; };
    auto less = [&] { return covers(t, s) ? Order::Less : Order::Incomparable; };
    const int ws = m_terms.size(s), wt = m_terms.size(t);
    if (ws != wt)
        return ws > wt ? greater() : less();
    const int fs = m_terms.head(s), ft = m_terms.head(t);
    if (fs != ft)
        return rank(fs) > rank(ft) ? greater() : less();
    const auto as = m_terms.args(s), bs = m_terms.args(t);
    for (std::size_t i = 0; i < as.size(); ++i) {
        if (as[i] == bs[i])
            continue;
        switch (compare(as[i], bs[i])) {
        case Order::Greater: return greater();
        case Order::Less: return less();
        default: return Order::Incomparable;
        }
    }
    return Order::Equal;
}

Order Kbo::compare(const Literal &a, const Literal &b) const
{
    // The multiset extension on {lhs, rhs} (positive) and {lhs, lhs, rhs, rhs} (negative).
    Term m[4], n[4];
    int mn = 0, nn = 0;
    for (int k = 0; k < (a.positive ? 1 : 2); ++k)
        m[mn++] = a.lhs, m[mn++] = a.rhs;
    for (int k = 0; k < (b.positive ? 1 : 2); ++k)
        n[nn++] = b.lhs, n[nn++] = b.rhs;
    bool usedM[4] = {}, usedN[4] = {};
    for (int i = 0; i < mn; ++i)
        for (int j = 0; j < nn; ++j)
            if (!usedN[j] && m[i] == n[j]) {
                usedM[i] = usedN[j] = true;
                break;
            }
    auto dominates
        = [&](const Term *x, const bool *ux, int xn, const Term *y, const bool *uy, int yn) {
              bool any = false;
              for (int i = 0; i < xn; ++i)
                  any = any || !ux[i];
              if (!any)
                  return false;
              for (int j = 0; j < yn; ++j) {
                  if (uy[j])
                      continue;
                  bool beaten = false;
                  for (int i = 0; i < xn && !beaten; ++i)
                      beaten = !ux[i] && compare(x[i], y[j]) == Order::Greater;
                  if (!beaten)
                      return false;
              }
              return true;
          };
    bool rest = false;
    for (int i = 0; i < mn; ++i)
        rest = rest || !usedM[i];
    for (int j = 0; j < nn; ++j)
        rest = rest || !usedN[j];
    if (!rest)
        return Order::Equal;
    if (dominates(m, usedM, mn, n, usedN, nn))
        return Order::Greater;
    if (dominates(n, usedN, nn, m, usedM, mn))
        return Order::Less;
    return Order::Incomparable;
}

} // namespace logic::saturation
