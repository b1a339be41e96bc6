#pragma once
// A discrimination tree: terms stored by their symbols in reading order, variables as one wildcard,
// so that the candidates for unification, for matching one way or the other, are found by walking
// the tree once instead of trying every stored term. Candidates only: non-linear variables are not
// checked here, and deleted entries are left for the caller to skip.

#include "Terms.h"

#include <vector>

namespace logic::saturation {

class DiscriminationTree
{
public:
    explicit DiscriminationTree(const TermBank &terms) : m_terms(terms) { m_nodes.emplace_back(); }

    void insert(Term t, int value);
    /// Values of stored terms that may unify with @p query.
    void unifiable(Term query, std::vector<int> &out) const { retrieve(query, Mode::Unify, out); }
    /// Values of stored terms of which @p query may be an instance.
    void generalizations(Term query, std::vector<int> &out) const
    {
        retrieve(query, Mode::Generalize, out);
    }
    /// Values of stored terms that may be instances of @p query.
    void instances(Term query, std::vector<int> &out) const
    {
        retrieve(query, Mode::Instance, out);
    }
    std::size_t nodeCount() const { return m_nodes.size(); }

private:
    enum class Mode { Unify, Generalize, Instance };
    static constexpr int kStar = -1; // a variable

    struct Node
    {
        std::vector<std::pair<int, int>> children; // (symbol or kStar, node)
        std::vector<int> values;
    };

    int child(int node, int key) const;
    int arity(int key) const { return key == kStar ? 0 : m_terms.symbol(key).arity; }
    void retrieve(Term query, Mode mode, std::vector<int> &out) const;

    const TermBank &m_terms;
    std::vector<Node> m_nodes;
    mutable std::vector<Term> m_flat; // the query in reading order
    mutable std::vector<int> m_after; // where each query subterm ends in m_flat
    mutable std::vector<std::pair<int, int>> m_todo, m_skip;
};

} // namespace logic::saturation
