#pragma once
// A closed tableau as a textbook prints it: numbered lines from the root down, each with the
// line or lines it came from and its rule, branches splitting downwards, and each closed branch
// ended by the pair that contradicts. The search builds it; the text and the drawing read it.

#include "ShownAnswer.h"
#include "syntax/Logic.h"

#include <cstdint>
#include <string>
#include <vector>

namespace logic {

// Beyond this many bytes of text the tree's later lines are left out, as past kMaxTreeLines: a
// formula tens of thousands of symbols long would otherwise be printed on every line below it.
inline constexpr std::size_t kMaxTreeText = 1'000'000;

enum class TreeRule : std::uint8_t {
    Axiom,
    Premise,
    Negation,
    DoubleNot,
    And,
    NotOr,
    NotImplies,
    Or,
    NotAnd,
    Implies,
    Iff,
    NotIff,
    Forall,
    NotExists,
    Exists,
    NotForall,
    Box,
    NotDiamond,
    Diamond,
    NotBox,
    Reflexive,
    Symmetric,
    Transitive,
    Serial,
    Identity,
    /// Not a rule but a note: the world of the line repeats world2 and opens no world of its
    /// own (formula -1, no lines cited; world2 is the world it repeats, not an edge's).
    Blocked,
};

/// The rule's symbol as the tree names it ("¬∨", "∀", "transitividad"); empty for the root lines.
const char *ruleSymbol(TreeRule rule);

struct TreeNode
{
    int parent = -1;  ///< the node above it, -1 for the first line
    int formula = -1; ///< in the store, with no free variable; -1: accessibility "w R w2", or
                      ///< a blocking note (rule Blocked)
    int world = 0, world2 = 0;
    TreeRule rule = TreeRule::Premise;
    int from1 = -1, from2 = -1; ///< the nodes it came from, or -1
    /// On the last line of a closed branch: the nodes that contradict (closedBy2 -1 when one
    /// line closes on its own, as ⊥ or a ≠ a).
    int closedBy1 = -1, closedBy2 = -1;
    bool closes() const { return closedBy1 >= 0; }
    bool isNote() const { return rule == TreeRule::Blocked; }
};

struct ProofTree
{
    /// In the order of the text: depth first, the left branch before the right. A node's number
    /// in the text is its index + 1; its parent always comes before it.
    std::vector<TreeNode> nodes;
    bool modal = false;               ///< lines carry their world
    bool conclusionIsFormula = false; ///< the root's negation is of a formula, not a conclusion
    bool premiseIsFormula = false;    ///< the root is a formula whose satisfiability is asked
    bool truncated = false;           ///< the tree went on past kMaxTreeLines
};

/// The children of every node, in their order.
std::vector<std::vector<int>> childrenOf(const ProofTree &tree);
/// "de 3 y 5, ∧", "premisa", "negación de la conclusión"...: where node @p i came from.
std::string nodeOrigin(const ProofTree &tree, int i);
/// "w3 se bloquea: repite w1 (sus fórmulas están en w1)": why world @p world opens no world.
std::string blockingNote(int world, int repeated);
/// The node's formula, or "w0 R w1", with "  [w2]" after it in a modal tree; a note's words.
std::string nodeText(const Logic &logic, const ProofTree &tree, int i);
/// The tree with its formulas as text, for a reader without the store.
ShownTree showTree(const Logic &logic, const ProofTree &tree);
/// The tree as indented text: "rama 1.2:" where a branch begins, "× 4 y 7" under a closed one.
std::string treeText(const Logic &logic, const ProofTree &tree);

} // namespace logic
