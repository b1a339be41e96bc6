#pragma once
// First-order and modal formulas: terms and formulas shared in one store, so that equal
// subformulas are one node and instantiating a quantifier costs only the nodes it changes.

#include <cstdint>
#include <span>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

namespace logic {

// One depth limit for every formula, propositional ones and terms included: the reader refuses
// deeper ones, and every walk of the engine may then recurse as deep as a formula, on a stack
// made for this depth (runOnLargeStack).
inline constexpr int kMaxFormulaDepth = 20'000;

enum class Fk : std::uint8_t {
    Atom,
    Equal,
    Top,
    Bottom,
    Not,
    And,
    Or,
    Implies,
    Iff,
    Forall,
    Exists,
    Box,
    Diamond
};
// Var: a variable bound by a quantifier. Param: a free variable of the tableau, standing for a
// term still to be chosen. App: a function applied to terms; a constant is a 0-ary function.
enum class Tk : std::uint8_t { Var, Param, App };

struct Symbol
{
    std::string name;
    int arity = 0;
    bool made = false; // made by the engine (a witness), not written by the user
};

struct TermNode
{
    Tk kind = Tk::App;
    int sym = -1;           // Var: variable; Param: its number; App: function
    int list = -1;          // App: the argument list
    std::uint64_t vars = 0; // bound variables occurring free (bit 63 stands for all past 62)
    bool params = false;
    int depth = 0;
};

struct FormulaNode
{
    Fk kind = Fk::Top;
    int a = -1; // Atom: predicate; Equal: left term; Forall/Exists: variable; others: first operand
    int b = -1; // Atom: argument list; Equal: right term; binary and quantified: second/body
    std::uint64_t vars = 0;
    bool params = false;
    int depth = 1; // of the syntax tree, its terms included
};

constexpr bool isBinary(Fk k)
{
    return k == Fk::And || k == Fk::Or || k == Fk::Implies || k == Fk::Iff;
}
constexpr bool isQuantifier(Fk k)
{
    return k == Fk::Forall || k == Fk::Exists;
}
constexpr bool isModalOp(Fk k)
{
    return k == Fk::Box || k == Fk::Diamond;
}

class Logic
{
public:
    int predicate(std::string_view name, int arity);
    int function(std::string_view name, int arity, bool made = false);
    int variable(std::string_view name);
    const Symbol &predicateSymbol(int p) const { return m_predicates[static_cast<std::size_t>(p)]; }
    const Symbol &functionSymbol(int f) const { return m_functions[static_cast<std::size_t>(f)]; }
    const std::string &variableName(int v) const
    {
        return m_variables[static_cast<std::size_t>(v)];
    }
    int predicateCount() const { return static_cast<int>(m_predicates.size()); }
    int functionCount() const { return static_cast<int>(m_functions.size()); }
    int variableCount() const { return static_cast<int>(m_variables.size()); }
    /// The function symbol of that name and arity, or -1.
    int findFunction(std::string_view name, int arity) const;

    int list(std::span<const int> terms);
    std::span<const int> list(int id) const;

    int var(int v);
    int param(int number);
    int app(int f, std::span<const int> args);
    int constant(int f) { return app(f, {}); }
    const TermNode &term(int t) const { return m_terms[static_cast<std::size_t>(t)]; }
    std::span<const int> args(int t) const { return list(term(t).list); }

    int atom(int p, std::span<const int> args);
    int equal(int s, int t);
    int top();
    int bottom();
    int negation(int a);
    int binary(Fk kind, int a, int b);
    int quantified(Fk kind, int v, int body);
    int modal(Fk kind, int a);
    const FormulaNode &node(int f) const { return m_formulas[static_cast<std::size_t>(f)]; }
    std::span<const int> atomArgs(int f) const { return list(node(f).b); }
    std::size_t size() const { return m_formulas.size() + m_terms.size(); }

    /// @p f with the free occurrences of variable @p v replaced by @p t, a term with no bound
    /// variables (so nothing can be captured).
    int substitute(int f, int v, int t);
    int substituteTerm(int term, int v, int t);

    /// Copies formula @p f of @p from into this store.
    int import(const Logic &from, int f);

    bool hasQuantifiers(int f) const;
    bool hasModal(int f) const;
    /// No quantifier, no modal operator, no identity and no predicate with terms.
    bool isPropositional(int f) const;
    /// A quantifier, an identity or a predicate with terms.
    bool isFirstOrder(int f) const;

    /// Unicode text with every binary subformula but the outermost in parentheses. Callers keep
    /// to formulas no deeper than kMaxFormulaDepth, as everything recursive here does.
    std::string text(int f) const;
    std::string termText(int t) const;

private:
    int addTerm(TermNode n);
    int addFormula(FormulaNode n);
    template <typename Visit> bool any(int f, Visit visit) const;

    std::vector<Symbol> m_predicates, m_functions;
    std::vector<std::string> m_variables;
    std::unordered_map<std::string, int> m_predicateIds, m_functionIds, m_variableIds;
    std::vector<std::vector<int>> m_lists;
    std::unordered_map<std::string, int> m_listIds;
    std::vector<TermNode> m_terms;
    std::vector<FormulaNode> m_formulas;
    std::unordered_map<std::uint64_t, int> m_termIds, m_formulaIds;
    struct Substitution
    {
        int f, v, t;
        bool operator==(const Substitution &) const = default;
    };
    struct SubstitutionHash
    {
        std::size_t operator()(const Substitution &s) const
        {
            return (static_cast<std::size_t>(s.f) * 0x9E3779B97F4A7C15ull)
                ^ (static_cast<std::size_t>(s.t) << 20) ^ static_cast<std::size_t>(s.v);
        }
    };
    std::unordered_map<Substitution, int, SubstitutionHash> m_substituted;
};

} // namespace logic
