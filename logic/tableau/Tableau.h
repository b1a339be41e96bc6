#pragma once
// The proof search: a labelled free-variable tableau for first-order logic with identity and the
// modal systems K, T, D, B, K4, S4 and S5, with iterative deepening on the instances of ∀, and a
// textbook tree, with constants for its free variables and witnesses, once it closes.

#include "Budget.h"
#include "ProofTree.h"
#include "syntax/Logic.h"
#include "syntax/ModalSystem.h"

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace logic {

/// An open branch on which no rule is left: a Hintikka set, from which a countermodel is read.
struct OpenBranch
{
    int worlds = 1;
    std::vector<std::pair<int, int>> edges;   // accessibility, as the branch has it
    std::vector<std::pair<int, int>> blocked; // a world whose ◇ were not expanded, and the ancestor
                                              // world that holds all its formulas
    std::vector<std::pair<int, int>> literals; // (world, formula): the atomic formulas true there
};

struct TableauResult
{
    enum class Kind { Closed, Open, Unknown } kind = Kind::Unknown;
    ProofTree tree;         // a closed tree
    int limit = 0;          // instances of ∀ per branch that sufficed (or were last tried)
    bool stopped = false;   // Unknown because the budget ran out, not because every choice failed
    int closedBranches = 0; // branches closed before the search ended
    OpenBranch open;
};

struct TableauOptions
{
    ModalSystem system = ModalSystem::K;
    int gammaLimit = 1;         // instances of ∀ (and ¬∃) per branch
    bool perLine = false;       // ... or per ∀ line of a branch
    std::int64_t stepLimit = 0; // 0: none
    int worldLimit = 2000;      // worlds per branch; a modal formula with quantifiers may ask for
                                // new worlds without end, so its rounds raise this with gammaLimit
    int branchLimit = 0;        // closed branches, counted as the search closes them; 0: none
    bool conclusionIsFormula = false; // "negación de la fórmula" rather than "de la conclusión"
    std::vector<int> axioms;          // laws of identity to add as lines ("axioma de la identidad")
};

/// One round of the search: closes the tableau of the premises and the negated @p conclusion
/// (none when -1), finds an open branch on which every rule has been applied, or gives up.
/// Adds instances to @p logic.
TableauResult runTableau(Logic &logic, const std::vector<int> &premises, int conclusion,
    const TableauOptions &options, const Budget &budget);

// Ceilings of one search, so that no input can take the machine's memory.
inline constexpr std::size_t kMaxTableauBytes = std::size_t{256} << 20;
inline constexpr std::size_t kMaxStoreNodes = 4'000'000; // formulas and terms made by instances
inline constexpr int kMaxTreeLines = 4000;
// A propositional tree beyond this many branches is not built once the solver has decided: it
// would not fit the window, and building it could take the whole time limit.
inline constexpr int kMaxTreeBranches = 128;
inline constexpr int kMaxTermDepth = 12;

} // namespace logic
