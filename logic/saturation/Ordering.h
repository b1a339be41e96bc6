#pragma once
// The simplification ordering of the saturation prover: the Knuth-Bendix ordering with every
// symbol and variable of weight 1 and a precedence in which predicates come above functions and,
// among functions, more arguments and rarer symbols rank higher; literals are compared as the
// multisets {s, t} (s = t) and {s, s, t, t} (s ≠ t), with ⊤ below everything.

#include "Clause.h"

#include <vector>

namespace logic::saturation {

enum class Order : std::uint8_t { Equal, Greater, Less, Incomparable };

inline Order flip(Order o)
{
    return o == Order::Greater ? Order::Less : o == Order::Less ? Order::Greater : o;
}

class Kbo
{
public:
    explicit Kbo(const TermBank &terms) : m_terms(terms) {}
    /// Ranks symbols: @p occurrences[f] counts the symbol's occurrences in the input.
    void setPrecedence(const std::vector<int> &occurrences);

    Order compare(Term s, Term t) const;
    Order compare(const Literal &a, const Literal &b) const;
    /// Whether s ≻ t or they are incomparable: s is "not smaller".
    bool notSmaller(Term s, Term t) const
    {
        const Order o = compare(s, t);
        return o == Order::Greater || o == Order::Incomparable;
    }

private:
    int rank(int symbol) const;
    bool covers(Term s, Term t) const; // every variable occurs in s at least as often as in t
    void count(Term t, int delta) const;

    const TermBank &m_terms;
    std::vector<int> m_rank;
    mutable std::vector<int> m_counts;
};

} // namespace logic::saturation
