#include "Evaluator.h"

#include <unordered_map>

namespace logic {
namespace {

// Within one 64-row block, the pattern of the variable whose row bit is `bit` (below 6).
constexpr std::uint64_t kFalsePattern[6] = {0xAAAAAAAAAAAAAAAAull, 0xCCCCCCCCCCCCCCCCull,
    0xF0F0F0F0F0F0F0F0ull, 0xFF00FF00FF00FF00ull, 0xFFFF0000FFFF0000ull, 0xFFFFFFFF00000000ull};

} // namespace

Evaluator::Evaluator(const Arena &arena, const std::vector<int> &roots, std::vector<int> vars)
    : m_dag(arena.dag(roots)), m_vars(std::move(vars)), m_bit(m_dag.nodes.size(), 0),
      m_values(m_dag.nodes.size(), 0)
{
    std::unordered_map<int, int> position;
    for (std::size_t i = 0; i < m_vars.size(); ++i)
        position.emplace(m_vars[i], static_cast<int>(i));
    const int n = static_cast<int>(m_vars.size());
    for (std::size_t i = 0; i < m_dag.nodes.size(); ++i)
        if (m_dag.nodes[i].op == Op::Var)
            m_bit[i] = n - 1 - position.at(m_dag.nodes[i].lhs);
}

std::uint64_t Evaluator::rowCount() const
{
    return m_vars.size() >= 64 ? 0 : std::uint64_t{1} << m_vars.size();
}

void Evaluator::evaluate(std::uint64_t firstRow)
{
    for (std::size_t i = 0; i < m_dag.nodes.size(); ++i) {
        const Node &node = m_dag.nodes[i];
        const auto a = !isLeaf(node.op) ? m_values[static_cast<std::size_t>(node.lhs)] : 0;
        const auto b = node.rhs >= 0 ? m_values[static_cast<std::size_t>(node.rhs)] : 0;
        std::uint64_t v = 0;
        switch (node.op) {
        case Op::Var: {
            const int bit = m_bit[i];
            v = bit < 6 ? ~kFalsePattern[bit] : (((firstRow >> bit) & 1) ? 0 : ~std::uint64_t{0});
            break;
        }
        case Op::Top: v = ~std::uint64_t{0}; break;
        case Op::Bottom: v = 0; break;
        case Op::Not: v = ~a; break;
        case Op::And: v = a & b; break;
        case Op::Or: v = a | b; break;
        case Op::Implies: v = ~a | b; break;
        case Op::Iff: v = ~(a ^ b); break;
        }
        m_values[i] = v;
    }
}

std::vector<bool> Evaluator::assignment(std::uint64_t row) const
{
    const std::size_t n = m_vars.size();
    std::vector<bool> values(n);
    for (std::size_t i = 0; i < n; ++i)
        values[i] = ((row >> (n - 1 - i)) & 1) == 0;
    return values;
}

bool evaluateOnce(
    const Arena &arena, int root, const std::vector<int> &vars, const std::vector<bool> &values)
{
    std::unordered_map<int, bool> varValue;
    for (std::size_t i = 0; i < vars.size(); ++i)
        varValue[vars[i]] = values[i];
    const Dag dag = arena.dag({root});
    std::vector<char> v(dag.nodes.size(), 0);
    for (std::size_t i = 0; i < dag.nodes.size(); ++i) {
        const Node &n = dag.nodes[i];
        const auto at = [&](int k) { return v[static_cast<std::size_t>(k)] != 0; };
        bool r = false;
        switch (n.op) {
        case Op::Var: r = varValue.at(n.lhs); break;
        case Op::Top: r = true; break;
        case Op::Bottom: r = false; break;
        case Op::Not: r = !at(n.lhs); break;
        case Op::And: r = at(n.lhs) && at(n.rhs); break;
        case Op::Or: r = at(n.lhs) || at(n.rhs); break;
        case Op::Implies: r = !at(n.lhs) || at(n.rhs); break;
        case Op::Iff: r = at(n.lhs) == at(n.rhs); break;
        }
        v[i] = r;
    }
    return v.back() != 0;
}

} // namespace logic
