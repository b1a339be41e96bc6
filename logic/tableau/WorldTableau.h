#pragma once
// Propositional modal logic one world at a time: a world's formulas are expanded by the
// propositional rules on their own, and each possibility then opens a world of its own, searched
// separately; a set of formulas found unsatisfiable is remembered, so that a world met again (or a
// bigger one) closes at once, and in K4 and S4 a world whose formulas an earlier world on its way
// already holds borrows that world instead of going on (blocking). What it finds is the same
// closed tree the labelled tableau shows, or a countermodel for the evaluator to check.

#include "Budget.h"
#include "ProofTree.h"
#include "models/Models.h"
#include "syntax/Logic.h"
#include "syntax/ModalSystem.h"

#include <memory>
#include <vector>

namespace logic {

struct WorldTableauResult
{
    enum class Kind { Closed, Open, Unknown } kind = Kind::Unknown;
    ProofTree tree;  // Closed
    Structure model; // Open: where the premises and the negated conclusion should hold at world 0
};

class WorldTableau
{
public:
    /// Problems without quantifiers or identity, in K, T, D, K4 or S4; supports() says which.
    WorldTableau(Logic &logic, const std::vector<int> &premises, int conclusion, ModalSystem system,
        bool conclusionIsFormula);
    ~WorldTableau();
    static bool supports(ModalSystem system);

    /// Searches until an answer or the end of @p budget; what it learnt stays for the next call.
    WorldTableauResult run(const Budget &budget);
    /// Unknown for good: a branch deeper than the search allows itself, not the budget.
    bool gaveUp() const;
    /// The worlds whose formulas have been expanded so far.
    std::size_t worldsExamined() const;

    struct Search; // the search and what it learnt, shared with the tree's writer

private:
    std::unique_ptr<Search> m_search;
};

} // namespace logic
