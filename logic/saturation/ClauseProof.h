#pragma once
// A refutation found by saturation, as data: numbered clauses, each a premise or the negated
// conclusion in clausal form, a definition, or the conclusion of one inference from earlier ones.
// Its clauses are formulas of the problem's own store, in the document's symbols; the text reads
// as a textbook proof ("7. De 3 y 5 por superposición: …").

#include "syntax/Logic.h"

#include <cstdint>
#include <string>
#include <vector>

namespace logic {

enum class ProofRule : std::uint8_t {
    Premise,            // a clause of premise `source`
    Negation,           // a clause of the negated conclusion
    Definition,         // a clause of definition `source`
    Resolution,         // from[0] and from[1]
    Factoring,          // from[0]
    Superposition,      // from[0] (the identity used) into from[1]
    EqualityResolution, // from[0]
    EqualityFactoring,  // from[0]
    Rewriting           // from[0] rewritten once by the identity from[1]
};

struct ClauseStep
{
    ProofRule rule = ProofRule::Premise;
    std::vector<int> from; // earlier steps
    int clause = -1; // ∀x̄(L1 ∨ … ∨ Ln): literals atoms, identities or their negations; ⊥ when empty
    int source = -1; // Premise: 0-based premise; Definition: index into definitions
};

struct ProofDefinition
{
    int predicate = -1; // the new predicate
    int formula = -1;   // ∀x̄(D(x̄) ↔ φ) or ∀x̄(D(x̄) → φ)
    int origin = -1;    // the premise it was named in (0-based), or -1 for the negated conclusion
};

struct ProofWitness
{
    int function = -1; // the Skolem function (or constant)
    int variable = -1; // the variable of its ∃
    int origin = -1;   // the premise (0-based) of its ∃, or -1 for the negated conclusion
};

struct ClauseProof
{
    std::vector<ClauseStep> steps; // the last one is ⊥
    std::vector<ProofDefinition> definitions;
    std::vector<ProofWitness> witnesses;
    bool conclusionIsFormula = false;
};

/// "árbol"-free Spanish: the heading, one numbered line per step, and what the new symbols mean.
std::string proofText(const Logic &logic, const ClauseProof &proof);
const char *proofRuleName(ProofRule rule);

} // namespace logic
