#pragma once
// The prover's search for a derivation: goal-directed, introduction rules bottom-up and
// elimination rules top-down, with the derived rules as shortcuts; where no natural move is
// found, the classical sequent rules, each of which loses nothing, so that for propositional
// logic it always ends, with a derivation when the argument is valid. It shares nothing with the
// checker but the Logic store: the tests re-check what it finds.

#include "Budget.h"
#include "ProofSteps.h"
#include "syntax/Logic.h"
#include "syntax/ModalSystem.h"

#include <cstdint>
#include <string>
#include <unordered_map>
#include <unordered_set>
#include <vector>

namespace logic {

struct SearchLimits
{
    int natural = 0;         // how deep natural moves (∨I, ∃I, chaining) may nest; 0: none
    int instances = 1;       // instances of each ∀ per branch
    int attemptSteps = 4000; // work allowed to one natural attempt
    int strictDepth = 4;     // strict subderivations one inside another
    bool basicRules = false; // no DS, MT, DNE, LEM, DeM, CQ: what they give, by the basic rules
};

class DerivationSearch
{
public:
    DerivationSearch(Logic &logic, ModalSystem system, const Budget &budget, SearchLimits limits);

    /// A derivation of @p conclusion from @p premises in proof(), its last step, or -1.
    int run(const std::vector<int> &premises, int conclusion);
    /// Continues an existing derivation: @p facts are steps already in proof(), visible in
    /// block @p block; proves @p goal there.
    int resume(int block, const std::vector<int> &facts, int goal, const std::vector<int> &names);
    Proof &proof() { return m_proof; }
    bool stopped() const { return m_stopped; }

    struct Fact
    {
        int formula;
        int step;
        int world;
        bool used = false;     // spent on this branch (a biconditional: left to right)
        bool usedBack = false; // a biconditional spent right to left
        int instances = 0;     // of a ∀, on the current branch
    };

private:
    static std::uint64_t factKey(int world, int formula)
    {
        return (static_cast<std::uint64_t>(static_cast<std::uint32_t>(world)) << 32)
            | static_cast<std::uint32_t>(formula);
    }
    static bool isLiteral(const Logic &logic, int f);
    class Scope;
    friend class Scope;

    // The context.
    int known(int formula) const;
    void addFact(int formula, int step);
    int make(int formula, Rule rule, std::vector<int> cites = {}, std::vector<int> blocks = {});
    int openBlock(int formula, bool strict);
    void finishBlock(int block, int last, int formula);
    bool stop();
    void saturate();
    void consequences(std::size_t i);
    void identities(std::size_t i);
    int byContradiction(int assumed, int against, Rule rule, int formula);
    int disjunctRefuted(int side, int disjunction, int step);
    int refute(int step, int negation);

    // The search.
    int prove(int goal, int depth);
    int lemma(int goal, int depth);
    int converted(int goal);
    int attempt(int goal, int depth);
    int introduce(int goal, int depth);
    int general(int goal, int depth);
    int natural(int goal, int depth);
    int chainUniversal(std::size_t fact, int goal, int depth);
    bool leadsTo(int f, int goal, int budget) const;
    int extract(int f, int step, int goal, int depth, int budget);
    int splitDisjunction(std::size_t fact, int goal, int depth);
    int witness(std::size_t fact, int goal, int depth);
    int indirect(int goal, int depth);
    int contradiction(int depth);
    int strictBlock(int goal, int depth);

    // Terms and names.
    std::vector<int> terms(int goal, bool orNew = true);
    std::vector<int> listTerms(int goal, bool orNew);
    int freshConstant();
    void collectNames(int formula);
    const FormulaNode &n(int f) const { return m_logic.node(f); }
    int neg(int f) { return m_logic.negation(f); }

    Logic &m_logic;
    ModalSystem m_system;
    Budget m_budget; // the caller's, with a deadline even if it gave none
    SearchLimits m_limits;
    Proof m_proof;
    int m_bottom;

    std::vector<Fact> m_facts;
    std::unordered_map<std::uint64_t, int> m_known; // (world, formula) → step
    std::size_t m_saturated = 0;
    int m_block = 0;
    int m_world = 0;
    int m_worlds = 1;
    int m_strictDepth = 0;
    int m_nesting = 0;
    int m_used = 0;
    std::vector<std::uint64_t> m_path; // goals being proved, with the state they were met in
    std::unordered_set<std::string> m_names;
    std::vector<std::string> m_fresh; // constants made by the search, newest last
    int m_defaultConstant = -1;
    std::int64_t m_work = 0, m_limit = INT64_MAX, m_nextCheck = 256;
    std::uint64_t m_version = 0; // of the facts: any change makes a new one
    std::uint64_t m_termsVersion = UINT64_MAX;
    int m_termsGoal = -1, m_termsWorld = -1;
    bool m_termsOrNew = false;
    std::vector<int> m_termsLast;
    // ¬φ refuted from ¬(φ ∨ ψ): its step → (φ ∨ ψ, the step of ¬(φ ∨ ψ)).
    std::unordered_map<int, std::pair<int, int>> m_refuted;
    bool m_stopped = false;
};

} // namespace logic
