#pragma once
// The clausal form of a problem for the saturation prover: negation normal form, quantifiers moved
// inwards, a subformula named by a new predicate where expanding it would multiply clauses (under
// ↔, or in a disjunction of conjunctions), and each ∃ replaced by a Skolem function of the ∀ above
// it that matter. Every new symbol keeps where it came from, for the proof's reader.

#include "../Budget.h"
#include "Clause.h"
#include "syntax/Logic.h"

#include <map>
#include <vector>

namespace logic::saturation {

enum class InputRole : std::uint8_t { Premise, Negation, Definition };

struct InputFormula
{
    int formula = -1; // in the Logic store: the premise, the conclusion (not negated), or the
                      // definition ∀x̄(D(x̄) ↔ φ) or ∀x̄(D(x̄) → φ)
    InputRole role = InputRole::Premise;
    int number = 0;     // Premise: 0-based; Definition: 0-based among definitions
    int predicate = -1; // Definition: the Logic predicate it defines
    int origin = -1;    // Definition: the input formula where the subformula was named
};

struct InputClause
{
    std::vector<Literal> literals;
    int formula = -1; // index into the input formulas
};

// Beyond these the problem is left to the other searches.
inline constexpr int kMaxInputClauses = 20'000;
inline constexpr int kMaxInputLiterals = 200;

class Clausifier
{
public:
    Clausifier(Logic &logic, TermBank &terms) : L(logic), T(terms) {}

    /// Clauses of the premises and the negated conclusion. False when the problem is modal, too
    /// big or too deep for the clausal form.
    bool run(const std::vector<int> &premises, int conclusion, const Budget &budget);

    const std::vector<InputFormula> &formulas() const { return m_formulas; }
    const std::vector<InputClause> &clauses() const { return m_clauses; }
    /// Some clause was left out for its size: the clausal form is then weaker than the problem.
    bool beyondLimits() const { return m_beyondLimits; }

private:
    enum class Kind : std::uint8_t { True, False, Lit, And, Or, All, Ex };
    struct Node
    {
        Kind kind = Kind::True;
        Literal lit;
        int var = -1;      // All, Ex: the variable (of the term bank)
        int logicVar = -1; // All, Ex: the Logic variable it came from
        std::vector<int> kids;
        std::vector<int> vars; // sorted: the variables occurring below
    };
    struct Estimate
    {
        double clauses = 1;
        bool nameLeft = false, nameRight = false; // the children to name here
    };
    using Env = std::vector<std::pair<int, Term>>; // Logic variable → its term

    // The Logic store to the term bank.
    int functionSymbol(int f);
    int predicateSymbol(int p);
    Term term(int t, const Env &env);

    // Estimates and naming decisions, per subformula and polarity.
    const Estimate &estimate(int f, bool negated);
    bool worthNaming(int f, bool negated) { return estimate(f, negated).clauses > 1; }
    int translate(int f, bool negated, Env &env, int depth);
    int disjunction(int a, bool na, int b, bool nb, bool nameA, bool nameB, Env &env, int depth);
    int named(int f, bool negated, bool both, Env &env);
    int definitionNode(const InputFormula &g, Env &env);
    std::vector<int> freeVariables(int f) const;

    // Nodes.
    int make(Kind kind, std::vector<int> kids);
    int literal(const Literal &l);
    int quantifier(Kind kind, int var, int logicVar, int body);
    int miniscope(int n, int depth);
    int push(Kind kind, int var, int logicVar, int body, int depth);
    int skolemize(int n, std::vector<int> &universals, int formula, int depth);
    bool clausify(int n, std::vector<std::vector<Literal>> &out, int depth);
    bool hasVar(int n, int v) const;

    Logic &L;
    TermBank &T;
    const Budget *m_budget = nullptr;
    std::vector<InputFormula> m_formulas;
    std::vector<InputClause> m_clauses;
    std::vector<Node> m_nodes;
    std::map<std::pair<int, int>, Estimate> m_estimates;
    std::map<std::pair<int, int>, int> m_names; // (formula, 0 pos / 1 neg / 2 both) → predicate
    std::vector<int> m_functions, m_predicates; // Logic symbol → term bank symbol
    std::vector<Term> m_map;                    // Skolemization: variable → its term
    int m_nextVar = 0;
    int m_current = 0; // the input formula being translated
    bool m_failed = false;
    bool m_beyondLimits = false;
};

} // namespace logic::saturation
