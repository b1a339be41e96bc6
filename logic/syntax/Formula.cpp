#include "Formula.h"

#include <algorithm>
#include <cstdlib>
#include <unordered_set>

namespace logic {

int Arena::variable(std::string_view name)
{
    std::string key(name);
    if (auto it = m_varNodes.find(key); it != m_varNodes.end())
        return it->second;
    m_names.push_back(key);
    m_nodes.push_back({Op::Var, static_cast<int>(m_names.size()) - 1, -1});
    const int id = size() - 1;
    m_varNodes.emplace(std::move(key), id);
    return id;
}

int Arena::make(Op op, int lhs, int rhs)
{
    // The sharing key packs two 29-bit ids; a program never comes near that size.
    if (size() >= (1 << 29))
        std::abort();
    const std::uint64_t key = (static_cast<std::uint64_t>(op) << 58)
        ^ (static_cast<std::uint64_t>(static_cast<std::uint32_t>(lhs)) << 29)
        ^ static_cast<std::uint64_t>(static_cast<std::uint32_t>(rhs + 1));
    if (auto it = m_shared.find(key); it != m_shared.end())
        return it->second;
    m_nodes.push_back({op, lhs, rhs});
    m_shared.emplace(key, size() - 1);
    return size() - 1;
}

std::vector<int> Arena::reachable(const std::vector<int> &roots) const
{
    std::unordered_set<int> seen;
    std::vector<int> out;
    std::vector<int> stack(roots.begin(), roots.end());
    while (!stack.empty()) {
        const int id = stack.back();
        stack.pop_back();
        if (!seen.insert(id).second)
            continue;
        out.push_back(id);
        const Node &n = node(id);
        if (isLeaf(n.op))
            continue;
        stack.push_back(n.lhs);
        if (n.rhs >= 0)
            stack.push_back(n.rhs);
    }
    // Node ids grow from children to parents, so ascending order is an evaluation order.
    std::sort(out.begin(), out.end());
    return out;
}

int Dag::local(int id) const
{
    const auto it = std::lower_bound(ids.begin(), ids.end(), id);
    return it != ids.end() && *it == id ? static_cast<int>(it - ids.begin()) : -1;
}

Dag Arena::dag(const std::vector<int> &roots) const
{
    Dag d;
    d.ids = reachable(roots);
    d.nodes.reserve(d.ids.size());
    for (int id : d.ids) {
        Node n = node(id);
        if (!isLeaf(n.op)) {
            n.lhs = d.local(n.lhs);
            if (n.rhs >= 0)
                n.rhs = d.local(n.rhs);
        }
        d.nodes.push_back(n);
    }
    return d;
}

std::vector<int> Arena::variablesOf(const std::vector<int> &roots) const
{
    std::vector<int> vars;
    for (int id : reachable(roots))
        if (node(id).op == Op::Var)
            vars.push_back(node(id).lhs);
    std::sort(vars.begin(), vars.end(), [this](int a, int b) {
        const std::string &x = variableName(a), &y = variableName(b);
        if (x[0] != y[0])
            return x[0] < y[0];
        if (x.size() != y.size()) // digits without leading zeros compare by length first
            return x.size() < y.size();
        return x < y;
    });
    return vars;
}

const char *symbol(Op op)
{
    switch (op) {
    case Op::Not: return "¬";
    case Op::And: return "∧";
    case Op::Or: return "∨";
    case Op::Implies: return "→";
    case Op::Iff: return "↔";
    case Op::Top: return "⊤";
    case Op::Bottom: return "⊥";
    case Op::Var: break;
    }
    return "";
}

std::string Arena::text(int id) const
{
    // Iterative, so that a line of thousands of chained connectives cannot exhaust the stack.
    struct Frame
    {
        int id;
        int stage;
        bool outer;
    };
    std::string out;
    std::vector<Frame> stack{{id, 0, true}};
    while (!stack.empty()) {
        Frame &f = stack.back();
        const Node &n = node(f.id);
        if (n.op == Op::Var) {
            out += variableName(n.lhs);
            stack.pop_back();
        } else if (isLeaf(n.op)) {
            out += symbol(n.op);
            stack.pop_back();
        } else if (n.op == Op::Not) {
            if (f.stage++ == 0) {
                out += symbol(Op::Not);
                stack.push_back({n.lhs, 0, false});
            } else {
                stack.pop_back();
            }
        } else if (f.stage == 0) {
            f.stage = 1;
            if (!f.outer)
                out += '(';
            stack.push_back({n.lhs, 0, false});
        } else if (f.stage == 1) {
            f.stage = 2;
            out += ' ';
            out += symbol(n.op);
            out += ' ';
            stack.push_back({n.rhs, 0, false});
        } else {
            if (!f.outer)
                out += ')';
            stack.pop_back();
        }
    }
    return out;
}

} // namespace logic
