#pragma once

#include "Formula.h"

#include <cstdint>
#include <vector>

namespace zpl {

/// A small CDCL solver: two watched literals, first-UIP learning, activity-ordered decisions,
/// saved phases and Luby restarts. Literals are +v / -v for variables v = 1, 2, ...
class Solver {
public:
    enum class Result { Satisfiable, Unsatisfiable, Unknown };

    int addVariable();
    void addClause(std::vector<int> literals);
    /// Stops with Unknown after @p conflictLimit conflicts.
    Result solve(std::int64_t conflictLimit);
    bool modelValue(int var) const { return m_assign[static_cast<std::size_t>(var - 1)] == 1; }
    std::int64_t conflicts() const { return m_conflicts; }

private:
    using Lit = int; // 2 * (var - 1) + (negative ? 1 : 0)

    int value(Lit l) const;
    void assign(Lit l, int reason);
    int propagate();
    int analyze(int conflict, std::vector<Lit> &learnt);
    void backtrack(int level);
    int pickBranch() const;
    void bump(int var);
    int level() const { return static_cast<int>(m_trailLimits.size()); }

    std::vector<std::vector<Lit>> m_clauses;
    std::vector<std::vector<int>> m_watches; // literal -> clauses watching it
    std::vector<signed char> m_assign;       // -1 unassigned, 0 false, 1 true
    std::vector<signed char> m_phase;
    std::vector<int> m_level;
    std::vector<int> m_reason;
    std::vector<double> m_activity;
    std::vector<char> m_seen;
    std::vector<Lit> m_trail;
    std::vector<int> m_trailLimits;
    std::size_t m_head = 0;
    double m_increment = 1.0;
    std::int64_t m_conflicts = 0;
    bool m_inconsistent = false;
};

enum class Found { Yes, No, Unknown };

struct Search {
    Found found = Found::Unknown;
    std::vector<bool> model; // over the variables asked for, in their order
};

/// Looks for an assignment of @p vars giving @p root the value @p wanted, through a Tseitin
/// encoding of the formula into the solver.
Search satSearch(const Arena &arena, int root, bool wanted, const std::vector<int> &vars,
                 std::int64_t conflictLimit);

} // namespace zpl
