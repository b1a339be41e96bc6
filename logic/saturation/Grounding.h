#pragma once
// Refutation by ground instances: the clausal form's variables replaced by every term built from
// the problem's constants up to a depth (or only by the elements a clause ∀x(x = a ∨ x = b ∨ …)
// leaves), and the instances handed to the SAT solver with the laws of identity among those
// terms. Contradictory instances make the problem valid (Herbrand): what the saturation finds
// hard when a few elements settle everything, as in the pigeonhole problem.

#include "../Budget.h"
#include "SaturationProver.h"
#include "syntax/Logic.h"

#include <memory>
#include <string>
#include <vector>

namespace logic {

/// One instance handed to the SAT solver: which clause, what for its variables, what it became.
struct GroundInstance
{
    int step = -1;          // the clause, a step of the clausal form
    std::vector<int> terms; // for the clause's variables, in the order of its ∀: store terms
    int clause = -1;        // the instance: a disjunction of ground literals (⊥ when empty)
};

struct GroundRefutation
{
    ClauseProof clausalForm; // every clause, as input steps
    std::vector<int> terms;  // the ground terms put for the variables, as terms of the store
    std::size_t instances = 0;
    bool closure = false; // the terms are those a clause ∀x(x = t1 ∨ …) allows
    // Every instance, so that the refutation can be checked; empty beyond kMaxListedInstances.
    std::vector<GroundInstance> used;
};

inline constexpr std::size_t kMaxListedInstances = 4000;

class GroundProver
{
public:
    /// Works on the clausal form of @p source, which must be loaded and outlive this.
    explicit GroundProver(SaturationProver &source);
    ~GroundProver();

    /// Proved: the instances contradict each other. Saturated: every depth allowed tried.
    SaturationStatus run(const Budget &budget);
    GroundRefutation refutation(bool conclusionIsFormula);

private:
    struct State;
    std::unique_ptr<State> m_state;
};

/// The heading and what the instances were, in Spanish.
std::string groundText(const Logic &logic, const GroundRefutation &g);

} // namespace logic
