#pragma once
// The saturation prover: ordered resolution and superposition with selection of negative literals,
// factoring, identity resolution and factoring, rewriting by unit identities, subsumption both
// ways and tautology deletion, in a given-clause loop (DISCOUNT: only the chosen clauses take
// part in inferences) that picks the lightest clause four times and the oldest once. It looks
// for a refutation of the premises and the negated conclusion, and can be resumed turn after
// turn, so that the engine's scheduler shares the time with its other searches.
//
// It decides too: ordered resolution and superposition under a Knuth–Bendix ordering (total on
// ground terms), with one negative literal selected wherever there is one, is refutationally
// complete for first-order logic with identity; the loop is fair (every clause becomes the oldest
// one day), and subsumption, tautology deletion and rewriting by a smaller instance of a unit
// identity only delete redundant clauses. So when no inference is left and no clause was dropped
// by the size limits nor rewritten outside those terms (complete()), the clauses have a model.
// Skolem functions and definitions keep satisfiability both ways, so the problem is not valid.

#include "Budget.h"
#include "Clause.h"
#include "ClauseProof.h"
#include "Clausifier.h"
#include "Index.h"
#include "Ordering.h"
#include "syntax/Logic.h"

#include <deque>
#include <memory>
#include <queue>
#include <unordered_set>

namespace logic {

enum class SaturationStatus {
    Proved,    // the empty clause: valid
    Saturated, // nothing left to infer: not valid if SaturationProver::complete()
    Unknown,   // the budget ran out; run() may be called again
    Refused    // the clausal form is beyond the prover (modal, too big)
};

// Clauses beyond this many end the search rather than the machine's memory.
inline constexpr std::size_t kMaxSaturationClauses = 600'000;

class SaturationProver
{
public:
    /// Works on @p logic, where the clausal form's new symbols (Skolem functions, definitions) and
    /// the proof's clauses go.
    explicit SaturationProver(Logic &logic);
    ~SaturationProver();

    /// Clausal form of the premises and the negated conclusion.
    SaturationStatus load(const std::vector<int> &premises, int conclusion, const Budget &budget);
    /// Goes on with the search until a proof, saturation, or the end of @p budget.
    SaturationStatus run(const Budget &budget);
    SaturationStatus status() const { return m_status; }
    /// Whether no clause was lost to the limits on term depth and clause size, nor replaced by a
    /// rewrite that is not a simplification of the calculus: then Saturated means that the
    /// clausal form has a model, the calculus being refutationally complete.
    bool complete() const { return !m_incomplete; }

    /// After Proved: the refutation, in the store's symbols.
    ClauseProof proof(bool conclusionIsFormula);
    /// After load(): every clause of the clausal form, as input steps.
    ClauseProof clausalForm(bool conclusionIsFormula);
    saturation::TermBank &terms() { return *m_terms; }
    Logic &logic() { return L; }
    const std::vector<saturation::InputClause> &inputClauses() const { return m_inputClauses; }

    struct Statistics
    {
        std::size_t generated = 0, kept = 0, given = 0, rewrites = 0, subsumed = 0;
    };
    const Statistics &statistics() const { return m_stats; }

private:
    using Term = saturation::Term;
    using Literal = saturation::Literal;
    using Clause = saturation::Clause;
    struct Entry
    {
        int clause, literal, side;
        int path, length; // in m_paths
    };

    // The loop (Prover.cpp).
    int addClause(Clause &&c);
    void enqueue(int id);
    int selectGiven();
    void activate(int id);
    bool processFresh();
    void chooseSelection(Clause &c);
    void index(int id);
    int entry(int clause, int literal, int side, const std::vector<int> &path);
    Clause &clause(int id) { return saturation::nth(m_clauses, id); }
    const Clause &clause(int id) const { return saturation::nth(m_clauses, id); }
    bool alive(int id) const { return clause(id).state == Clause::State::Active; }
    void found(int id);

    // Generating inferences (Inferences.cpp).
    void generate(int given);
    void resolve(int pos, int i, int neg, int j);
    void superpose(
        int from, int i, int fside, int into, int j, int side, const std::vector<int> &path);
    void factor(int id);
    void equalityResolve(int id);
    void equalityFactor(int id);
    void emit(
        std::vector<Literal> &&literals, saturation::ClauseRule rule, std::vector<int> parents);
    bool instantiate(const Clause &c, int bank, std::vector<Literal> &out);
    bool maximalIn(const std::vector<Literal> &literals, int i) const;
    bool eligible(const Clause &c, const std::vector<Literal> &instance, int i) const;
    /// @p c under the unifier made since @p mark, when its literal @p i stays eligible there;
    /// the unifier is undone either way.
    bool eligibleInstance(const Clause &c, int i, std::size_t mark, std::vector<Literal> &out);

    // Simplification (Simplify.cpp).
    int simplify(int id); // rewritten copy (or id itself), -1 when deleted
    bool findRewrite(
        const std::vector<Literal> &literals, int self, saturation::Rewrite &rewrite, Term &result);
    bool rewriteAt(Term t, int self, bool cache, std::vector<int> &path, saturation::Rewrite &rw,
        Term &result);
    bool rewritable(const Clause &c, int by);
    bool forwardSubsumed(const std::vector<Literal> &literals);
    void backwardSubsume(int given);
    void backwardRewrite(int given);

    Logic &L;
    std::unique_ptr<saturation::TermBank> m_terms;
    std::unique_ptr<saturation::Kbo> m_kbo;
    std::unique_ptr<saturation::Substitution> m_sigma;
    struct Assembler;
    std::vector<saturation::InputFormula> m_inputs;
    std::vector<saturation::InputClause> m_inputClauses;
    std::vector<Clause> m_clauses;
    std::vector<Clause> m_fresh; // made by the inferences, not yet simplified and queued
    std::size_t m_freshDone = 0;
    std::priority_queue<std::pair<long, int>, std::vector<std::pair<long, int>>, std::greater<>>
        m_byWeight;
    std::deque<int> m_byAge;
    int m_pick = 0;
    std::vector<int> m_active;
    std::unique_ptr<saturation::DiscriminationTree> m_positive, m_negative, m_from, m_into,
        m_rewriters, m_keys, m_literals;
    std::vector<Entry> m_entries;
    std::vector<int> m_paths;
    std::unordered_set<Term> m_normal; // terms no rewriter applies to, until a new one comes
    saturation::Substitution::Fresh m_renaming;
    const Budget *m_budget = nullptr;
    SaturationStatus m_status = SaturationStatus::Unknown;
    int m_empty = -1;
    bool m_incomplete = false; // see complete()
    Statistics m_stats;
};

} // namespace logic
