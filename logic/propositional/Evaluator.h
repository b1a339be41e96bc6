#pragma once

#include "syntax/Formula.h"

#include <cstdint>
#include <vector>

namespace logic {

/// Evaluates formulas 64 rows at a time. Row r gives the variable at position i of the n listed
/// variables the value V when bit n-1-i of r is 0, so row 0 is all V, as textbooks print tables.
class Evaluator
{
public:
    Evaluator(const Arena &arena, const std::vector<int> &roots, std::vector<int> vars);

    /// Rows firstRow .. firstRow+63 (firstRow a multiple of 64); rows past 2^n are undefined.
    void evaluate(std::uint64_t firstRow);
    /// The block's values of the arena node @p id, which must lie under the roots.
    std::uint64_t value(int id) const
    {
        return m_values[static_cast<std::size_t>(m_dag.local(id))];
    }

    const std::vector<int> &nodes() const { return m_dag.ids; }
    const std::vector<int> &variables() const { return m_vars; }
    std::uint64_t rowCount() const;

    /// The row's values of the variables, in the order of variables().
    std::vector<bool> assignment(std::uint64_t row) const;

private:
    Dag m_dag;
    std::vector<int> m_vars;
    std::vector<int> m_bit; // per local node: for a Var, its row bit (n-1-position)
    std::vector<std::uint64_t> m_values;
};

/// The value of @p root under @p values, given in the order of @p vars. Used to check models.
bool evaluateOnce(
    const Arena &arena, int root, const std::vector<int> &vars, const std::vector<bool> &values);

} // namespace logic
