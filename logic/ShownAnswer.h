#pragma once
// What justifies an answer, as data that needs no formula store: a closed tree with its lines as
// text, and a countermodel with its symbols by name. The worker sends them to the editor, which
// draws them; the text of the answer says the same in words.

#include <string>
#include <utility>
#include <vector>

namespace logic {

struct ShownTree
{
    struct Node
    {
        int parent = -1;                    ///< index of the node above, -1 for the first line
        std::string text;                   ///< the formula, or "w0 R w1" for an accessibility line
        int world = -1;                     ///< in a modal tree, the world of the line
        int world2 = -1;                    ///< an accessibility line's second world, else -1
        std::string origin;                 ///< "de 3 y 5, ∧", "premisa"...
        int from1 = -1, from2 = -1;         ///< the nodes it came from
        int closedBy1 = -1, closedBy2 = -1; ///< on a closed branch's last line: the pair
        /// A note, not a line of the tableau: its world is blocked, for it repeats this earlier
        /// world (every formula of its world is one of this world's); else -1.
        int repeats = -1;
        /// A line of the student's own tree that holds a fault.
        bool fault = false;
    };
    std::vector<Node> nodes; ///< depth first, left before right; number = index + 1
    bool modal = false;
    bool truncated = false;
};

struct ShownModel
{
    bool firstOrder = false, modal = false;
    int domain = 1; ///< elements 0 .. domain-1
    int worlds = 1; ///< worlds w0 .. w(worlds-1); formulas are evaluated at w0
    std::vector<std::pair<int, int>> access;
    struct Symbol
    {
        std::string name;
        int arity = 0;
        /// Predicates: per world, the tuples in the extension (a letter: one empty tuple when
        /// true). Functions: one row per argument tuple, the value last.
        std::vector<std::vector<std::vector<int>>> rows;
    };
    std::vector<Symbol> predicates, functions;
    /// A student's model: the names written for its elements and worlds (none: 0, 1… and w0,
    /// w1…), and the fault said under its drawing, if it has one.
    std::vector<std::string> elementNames, worldNames;
    std::string fault;
};

} // namespace logic
