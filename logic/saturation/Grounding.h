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

struct GroundRefutation
{
    ClauseProof clausalForm; // every clause, as input steps
    std::vector<int> terms;  // the ground terms put for the variables, as terms of the store
    std::size_t instances = 0;
    bool closure = false; // the terms are those a clause ∀x(x = t1 ∨ …) allows
};

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
