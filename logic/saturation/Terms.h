#pragma once
// The saturation prover's terms: one shared node per distinct term, variables numbered per clause
// from 0, and substitutions over two renamed-apart copies ("banks") of those variables, so that
// unifying a literal of one clause with a literal of another copies neither.

#include <cstdint>
#include <span>
#include <string>
#include <vector>

namespace logic::saturation {

using Term = int;

// The prover numbers clauses, terms, symbols and positions with int; these read its arrays by
// such a number, so that the conversion is written once.
template <class Vector> constexpr auto &nth(Vector &&v, int i)
{
    return v[static_cast<std::size_t>(i)];
}
template <class Vector> constexpr int sizeOf(const Vector &v)
{
    return static_cast<int>(v.size());
}

// Deeper terms are not kept: every recursive walk over a term stays this shallow, and a search
// that only builds ever deeper terms is going nowhere.
inline constexpr int kMaxTermDepth = 40;
inline constexpr int kMaxClauseVariables = 120;

enum class SymbolKind : std::uint8_t {
    User,       // a function or predicate of the problem
    Skolem,     // the witness of an ∃
    Definition, // a predicate that names a subformula
    Internal    // ⊤ of the predicate literals, and the literal tags of the indexes
};

struct SymbolInfo
{
    std::string name;
    int arity = 0;
    bool predicate = false;
    SymbolKind kind = SymbolKind::User;
    int logicSymbol = -1; // the problem's function or predicate in the Logic store
    int origin = -1;      // Skolem: the input formula of its ∃; Definition: its definition
    int variable = -1;    // Skolem: the Logic variable of its ∃
};

class TermBank
{
public:
    TermBank();

    int addSymbol(SymbolInfo symbol);
    const SymbolInfo &symbol(int f) const { return nth(m_symbols, f); }
    SymbolInfo &symbol(int f) { return nth(m_symbols, f); }
    int symbolCount() const { return sizeOf(m_symbols); }

    Term var(int v);
    Term app(int f, std::span<const Term> args);
    Term constant(int f) { return app(f, {}); }

    bool isVar(Term t) const { return node(t).symbol < 0; }
    int varIndex(Term t) const { return -1 - node(t).symbol; }
    int head(Term t) const { return node(t).symbol; }
    std::span<const Term> args(Term t) const
    {
        const Node &n = node(t);
        return {m_args.data() + n.first, n.arity};
    }
    int size(Term t) const { return static_cast<int>(node(t).size); }
    /// Function symbols weigh 2 and variables 1: the weight that picks the next given clause.
    int weight(Term t) const
    {
        return 2 * static_cast<int>(node(t).size) - static_cast<int>(node(t).varCount);
    }
    int depth(Term t) const { return node(t).depth; }
    bool ground(Term t) const { return node(t).varLimit == 0; }
    /// One more than the largest variable in @p t; 0 when it has none.
    int varLimit(Term t) const { return node(t).varLimit; }
    bool isPredicateAtom(Term t) const { return !isVar(t) && symbol(head(t)).predicate; }

    /// The right side of a predicate literal "P(...) = ⊤".
    Term truth() const { return m_truth; }
    /// Tags that turn a literal into a term for the subsumption indexes.
    int equalTag() const { return m_equalTag; }
    int notEqualTag() const { return m_notEqualTag; }
    int notTag() const { return m_notTag; }

    std::size_t termCount() const { return m_nodes.size(); }

    /// @p t with the subterm at @p path (argument indexes from the top) replaced by @p by.
    Term replaceAt(Term t, std::span<const int> path, Term by);
    Term subtermAt(Term t, std::span<const int> path) const;
    /// Whether variable @p v occurs in @p t.
    bool occurs(int v, Term t) const;
    /// @p t with each variable v replaced by map[v] (a term).
    Term rename(Term t, std::span<const Term> map);

    std::string text(Term t) const; // for debugging

private:
    struct Node
    {
        int symbol = 0; // a symbol; -1 - v for variable v
        int first = 0;  // its arguments in m_args
        std::uint16_t arity = 0;
        std::uint16_t depth = 0;
        std::uint32_t size = 1;
        std::uint32_t varCount = 0; // occurrences of variables
        int varLimit = 0;
    };
    const Node &node(Term t) const { return nth(m_nodes, t); }
    std::uint64_t hashOf(int symbol, std::span<const Term> args) const;
    void grow();

    std::vector<SymbolInfo> m_symbols;
    std::vector<Node> m_nodes;
    std::vector<Term> m_args;
    std::vector<int> m_table; // open addressing: term ids, -1 for empty
    std::vector<Term> m_vars;
    Term m_truth = -1;
    int m_equalTag = -1, m_notEqualTag = -1, m_notTag = -1;
};

/// A variable of one of the two copies that an inference renames apart.
struct Binding
{
    Term term = -1; // -1: unbound
    int bank = 0;
};

/**
 * Bindings of the variables of banks 0 and 1, with a trail to undo them. Terms are read through
 * the bindings (triangular form); instantiate() builds the result, numbering the variables that
 * remain unbound afresh.
 */
class Substitution
{
public:
    explicit Substitution(TermBank &bank) : m_terms(bank) {}

    std::size_t mark() const { return m_trail.size(); }
    void undo(std::size_t mark);
    void clear() { undo(0); }

    bool unify(Term s, int bs, Term t, int bt);
    /// Binds only the variables of @p pattern (in bank @p bp) so that it becomes @p target, whose
    /// variables are never bound (they act as constants).
    bool match(Term pattern, int bp, Term target, int bt);

    /// The term with the bindings applied; unbound variables become the variables of the result,
    /// numbered in order of first occurrence through @p fresh. -1 when the result would be deeper
    /// than kMaxTermDepth.
    struct Fresh
    {
        std::vector<int> map[2];
        int next = 0;
        void reset()
        {
            map[0].clear();
            map[1].clear();
            next = 0;
        }
    };
    Term instantiate(Term t, int bank, Fresh &fresh);

    /// The binding of variable @p v of @p bank, following chains to a non-variable or unbound one.
    void deref(Term &t, int &bank) const;
    bool equalUnder(Term s, int bs, Term t, int bt) const;

private:
    Binding &slot(int v, int bank);
    const Binding *find(int v, int bank) const;
    bool occurs(int v, int bv, Term t, int bt) const;
    Term instantiate(Term t, int bank, Fresh &fresh, int depth);

    TermBank &m_terms;
    std::vector<Binding> m_bind[2];
    std::vector<std::pair<int, int>> m_trail; // (variable, bank)
    std::vector<std::pair<Term, int>> m_stack[2];
};

} // namespace logic::saturation
