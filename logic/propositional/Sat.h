#pragma once

#include "Budget.h"
#include "syntax/Formula.h"

#include <cstdint>
#include <vector>

namespace logic {

/// A CDCL solver: two watched literals with blockers, first-UIP learning with minimisation,
/// activity-ordered decisions, saved phases and Luby restarts. Learnt clauses are reduced on a
/// growing schedule, keeping those of low literal-block distance, so that long searches keep
/// their pace. Literals are +v / -v for variables v = 1, 2, ...
class Solver
{
public:
    enum class Result { Satisfiable, Unsatisfiable, Unknown };

    int addVariable();
    void addClause(std::vector<int> literals);
    /// Stops with Unknown once conflicts() reaches @p conflictLimit or @p budget expires, as
    /// stop() then says. Calling it again goes on with the same search, learnt clauses included.
    Result solve(std::int64_t conflictLimit, const Budget &budget = Budget());
    Stop stop() const { return m_stop; }
    bool modelValue(int var) const { return m_assign[static_cast<std::size_t>(var - 1)] == 1; }
    std::int64_t conflicts() const { return m_conflicts; }
    std::size_t learntClauses() const { return m_learnts.size(); }

private:
    using Lit = std::uint32_t;  // 2 * (var - 1) + (negative ? 1 : 0)
    using CRef = std::uint32_t; // offset of a clause in m_memory
    static constexpr CRef kNoReason = ~CRef{0};

    struct Watcher
    {
        CRef clause;
        Lit blocker; // another literal of the clause: when true, the clause needs no visit
    };

    // A clause in m_memory: its size, a flags word (learnt, used, deleted; the LBD above them),
    // then its literals. Literals 0 and 1 are the watched ones; a reason clause has its implied
    // literal first.
    static constexpr std::uint32_t kLearnt = 1, kUsed = 2, kDeleted = 4, kFlagBits = 3;
    std::uint32_t clauseSize(CRef c) const { return m_memory[c]; }
    std::uint32_t &flags(CRef c) { return m_memory[c + 1]; }
    Lit *literals(CRef c) { return &m_memory[c + 2]; }
    static std::uint32_t lbdOf(std::uint32_t flagWord) { return flagWord >> kFlagBits; }
    CRef store(const std::vector<Lit> &lits, bool learnt, std::uint32_t lbd);
    void watch(CRef c);

    int value(Lit l) const;
    void assign(Lit l, CRef reason);
    CRef propagate();
    int analyze(CRef conflict, std::vector<Lit> &learnt, std::uint32_t &lbd);
    bool redundant(Lit p, std::uint32_t levels);
    std::uint32_t blockDistance(const Lit *lits, std::uint32_t size);
    void backtrack(int level);
    int pickBranch();
    void bump(int var);
    void reduceLearnts();
    bool locked(CRef c);
    int level() const { return static_cast<int>(m_trailLimits.size()); }

    // Decision order: a binary max-heap of variables by activity.
    bool before(int a, int b) const;
    void heapInsert(int var);
    void heapUp(std::size_t i);
    void heapDown(std::size_t i);

    std::vector<std::uint32_t> m_memory;
    std::vector<CRef> m_learnts;
    std::vector<std::vector<Watcher>> m_watches; // literal -> clauses watching it
    std::vector<signed char> m_assign;           // -1 unassigned, 0 false, 1 true
    std::vector<signed char> m_phase;
    std::vector<int> m_level;
    std::vector<CRef> m_reason;
    std::vector<double> m_activity;
    std::vector<int> m_heap, m_heapIndex; // index -1: not in the heap
    std::vector<char> m_seen;
    std::vector<Lit> m_toClear;
    std::vector<Lit> m_stack;
    std::vector<std::uint32_t> m_levelStamp;
    std::uint32_t m_stamp = 0;
    std::vector<Lit> m_trail;
    std::vector<int> m_trailLimits;
    std::size_t m_head = 0;
    double m_increment = 1.0;
    std::int64_t m_conflicts = 0;
    std::int64_t m_decisions = 0;
    std::int64_t m_nextReduce = 2000;
    std::int64_t m_reduceStep = 2000;
    bool m_inconsistent = false;
    Stop m_stop = Stop::None;
};

enum class Found { Yes, No, Unknown };

struct Search
{
    Found found = Found::Unknown;
    std::vector<bool> model;    // over the variables asked for, in their order
    std::int64_t conflicts = 0; // what the search cost, reported when it gives up
    Stop stop = Stop::None;     // what ended it, when Unknown
};

/// Looks for an assignment of @p vars giving @p root the value @p wanted, through a Tseitin
/// encoding of the formula into the solver; Unknown past either limit.
Search satSearch(const Arena &arena, int root, bool wanted, const std::vector<int> &vars,
    std::int64_t conflictLimit, const Budget &budget = Budget());

} // namespace logic
