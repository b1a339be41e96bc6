#pragma once
// The lines that would follow an unfinished derivation, from its correct lines: what closes the
// innermost open subderivation when its goal is reached, else a derivation of that goal. Used by
// "Siguiente paso"; the plan's lines are in the notation the prover writes.

#include "Budget.h"
#include "Derivation.h"
#include "ProofSteps.h"
#include "syntax/Logic.h"
#include "syntax/ModalSystem.h"

#include <string>
#include <vector>

namespace logic {

struct StepPlan
{
    bool found = false;
    std::string reason; // when none: why, in Spanish
    // Numbered after the derivation's last line; a separator (number 0) may come first.
    std::vector<WrittenLine> lines;
    int cost = 0; // lines until the innermost subderivation is closed
};

/// The lines after @p derivation towards @p argument: at the outermost level, to the conclusion;
/// inside subderivations, until the innermost one is closed. Not found when the derivation is
/// finished ("la derivación ya está terminada") or no way on is seen within @p budget.
/// With @p basicRules, only the course's basic rules.
StepPlan planNextLines(Logic &logic, const Derivation &derivation, const ArgumentGoal &argument,
    ModalSystem system, const Budget &budget, bool basicRules = false);

} // namespace logic
