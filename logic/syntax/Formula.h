#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

namespace logic {

// Top and Bottom are verum and falsum: leaves like Var, but with no variable.
enum class Op : std::uint8_t { Var, Not, And, Or, Implies, Iff, Top, Bottom };

/// Var, Top and Bottom have no operand nodes.
constexpr bool isLeaf(Op op)
{
    return op == Op::Var || op == Op::Top || op == Op::Bottom;
}

// A node refers to earlier nodes only, so the node order is already a valid evaluation order.
struct Node
{
    Op op = Op::Var;
    int lhs = -1; // the operand of Not; for Var the variable's index
    int rhs = -1;
};

// A formula's reachable nodes numbered 0..k-1 in evaluation order. Children are local numbers;
// a Var keeps its variable index. Work on one formula then costs nothing for the rest of the arena.
struct Dag
{
    std::vector<int> ids;    // arena id of each local node
    std::vector<Node> nodes; // ascending ids: children before parents
    int local(int id) const;
};

// Every formula of one program lives in one arena. Equal subformulas share one node, which gives
// one truth-table column and one Tseitin variable per distinct subformula.
class Arena
{
public:
    int variable(std::string_view name);
    int make(Op op, int lhs, int rhs = -1);
    int negation(int a) { return make(Op::Not, a); }
    int constant(bool value) { return make(value ? Op::Top : Op::Bottom, -1); }

    const Node &node(int id) const { return m_nodes[static_cast<std::size_t>(id)]; }
    int size() const { return static_cast<int>(m_nodes.size()); }
    const std::string &variableName(int var) const
    {
        return m_names[static_cast<std::size_t>(var)];
    }
    int variableCount() const { return static_cast<int>(m_names.size()); }

    /// Nodes reachable from @p roots, children before parents, each once.
    std::vector<int> reachable(const std::vector<int> &roots) const;
    Dag dag(const std::vector<int> &roots) const;
    /// Variable indices occurring under @p roots, in reading order of their names (p, q, r, p2, p10).
    std::vector<int> variablesOf(const std::vector<int> &roots) const;

    /// The formula with every binary subformula but the outermost in parentheses (UTF-8).
    std::string text(int id) const;

private:
    std::vector<Node> m_nodes;
    std::vector<std::string> m_names;
    std::unordered_map<std::string, int> m_varNodes;
    std::unordered_map<std::uint64_t, int> m_shared;
};

/// The connective as the document shows it, in Unicode; salida.log, which is in 1252, gets
/// its readable spellings (& V -> <->) from toReadableCp1252.
const char *symbol(Op op);

} // namespace logic
