#pragma once
// "Siguiente paso": the next line of a derivation that is not finished, with its rule.

#include "Budget.h"
#include "Derivation.h"
#include "DerivationProver.h"
#include "syntax/Logic.h"
#include "syntax/ModalSystem.h"

#include <string>
#include <vector>

namespace logic {

struct NextStep
{
    bool found = false;
    std::string reason; // when nothing is proposed: why, in Spanish
    // The text to insert after the derivation's last line: the proposed line, preceded by a
    // "--" line when it opens a subderivation beside one that has just ended. Indented and
    // numbered as the derivation's own lines are.
    std::vector<std::string> lines;
    int depth = 0;
    std::string formula;       // Unicode
    std::string justification; // "→E 1, 3"
};

/// A line that the checker accepts after the last line of @p derivation and that leads to the
/// conclusion of @p argument: the line that closes the innermost subderivation when its goal is
/// reached, else the first line of a derivation of that goal found from the correct lines
/// above. @p lines are the text lines @p derivation was read from.
NextStep nextStep(Logic &logic, std::span<const std::u32string> lines, const Derivation &derivation,
    const ArgumentGoal &argument, ModalSystem system, const Budget &budget,
    const ProverOptions &options = {});

} // namespace logic
