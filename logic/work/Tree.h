#pragma once
// A tree (tableau) that the student builds under an exercise, laid out as a derivation is:
// numbered lines, a branch an indented block, sibling branches split by "--".

#include "ShownAnswer.h"
#include "Work.h"

#include <optional>
#include <span>
#include <string>
#include <vector>

namespace logic {

/// The trees of @p lines, in order: the numbered blocks that a branch's mark or a negated
/// conclusion makes trees (isTreeBlock), as pieces of kind Tree.
std::vector<WorkPiece> findTrees(Logic &logic, std::span<const std::u32string> lines);

struct TreeCheck
{
    std::vector<WorkFault> faults; ///< in line order
    ShownTree tree;                ///< the student's tree, its faulty lines marked
    /// The model that the first open branch describes, checked: every premise and the negated
    /// conclusion true in it; with its description in words.
    std::optional<ShownModel> model;
    std::string modelText;
};

/// Judges the student's tree @p piece against @p exercise (or none above it).
TreeCheck checkTree(Logic &logic, std::span<const std::u32string> lines, const WorkPiece &piece,
    const Exercise *exercise);

} // namespace logic
