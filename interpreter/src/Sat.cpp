#include "Sat.h"

#include <algorithm>
#include <unordered_map>

namespace zpl {
namespace {

int luby(int i)
{
    // The i-th term (from 0) of 1 1 2 1 1 2 4 1 1 2 ...
    int size = 1, seq = 0;
    while (size < i + 1) {
        ++seq;
        size = 2 * size + 1;
    }
    int x = i;
    while (size - 1 != x) {
        size = (size - 1) >> 1;
        --seq;
        x = x % size;
    }
    return 1 << seq;
}

} // namespace

int Solver::addVariable()
{
    m_assign.push_back(-1);
    m_phase.push_back(0);
    m_level.push_back(0);
    m_reason.push_back(-1);
    m_activity.push_back(0.0);
    m_seen.push_back(0);
    m_watches.emplace_back();
    m_watches.emplace_back();
    return static_cast<int>(m_assign.size());
}

int Solver::value(Lit l) const
{
    const signed char a = m_assign[static_cast<std::size_t>(l >> 1)];
    return a < 0 ? -1 : (a ^ (l & 1));
}

void Solver::assign(Lit l, int reason)
{
    const auto v = static_cast<std::size_t>(l >> 1);
    m_assign[v] = static_cast<signed char>((l & 1) ^ 1);
    m_level[v] = level();
    m_reason[v] = reason;
    m_trail.push_back(l);
}

void Solver::addClause(std::vector<int> literals)
{
    std::vector<Lit> c;
    for (int x : literals)
        c.push_back(2 * (std::abs(x) - 1) + (x < 0 ? 1 : 0));
    std::sort(c.begin(), c.end());
    c.erase(std::unique(c.begin(), c.end()), c.end());
    for (std::size_t i = 1; i < c.size(); ++i)
        if ((c[i] ^ 1) == c[i - 1])
            return; // always true
    // Clauses are added before solving, at level 0: drop false literals, skip satisfied clauses.
    std::erase_if(c, [this](Lit l) { return value(l) == 0; });
    if (std::any_of(c.begin(), c.end(), [this](Lit l) { return value(l) == 1; }))
        return;
    if (c.empty()) {
        m_inconsistent = true;
    } else if (c.size() == 1) {
        assign(c[0], -1);
        if (propagate() >= 0)
            m_inconsistent = true;
    } else {
        m_clauses.push_back(std::move(c));
        const int idx = static_cast<int>(m_clauses.size()) - 1;
        m_watches[static_cast<std::size_t>(m_clauses.back()[0])].push_back(idx);
        m_watches[static_cast<std::size_t>(m_clauses.back()[1])].push_back(idx);
    }
}

// Returns the index of a conflicting clause, or -1.
int Solver::propagate()
{
    while (m_head < m_trail.size()) {
        const Lit falseLit = m_trail[m_head++] ^ 1;
        auto &watchers = m_watches[static_cast<std::size_t>(falseLit)];
        std::size_t keep = 0;
        for (std::size_t i = 0; i < watchers.size(); ++i) {
            const int ci = watchers[i];
            auto &c = m_clauses[static_cast<std::size_t>(ci)];
            if (c[0] == falseLit)
                std::swap(c[0], c[1]);
            if (value(c[0]) == 1) {
                watchers[keep++] = ci;
                continue;
            }
            bool moved = false;
            for (std::size_t k = 2; k < c.size(); ++k) {
                if (value(c[k]) != 0) {
                    std::swap(c[1], c[k]);
                    m_watches[static_cast<std::size_t>(c[1])].push_back(ci);
                    moved = true;
                    break;
                }
            }
            if (moved)
                continue;
            watchers[keep++] = ci;
            if (value(c[0]) == 0) {
                for (++i; i < watchers.size(); ++i)
                    watchers[keep++] = watchers[i];
                watchers.resize(keep);
                m_head = m_trail.size();
                return ci;
            }
            assign(c[0], ci);
        }
        watchers.resize(keep);
    }
    return -1;
}

void Solver::bump(int var)
{
    if ((m_activity[static_cast<std::size_t>(var)] += m_increment) > 1e100) {
        for (double &a : m_activity)
            a *= 1e-100;
        m_increment *= 1e-100;
    }
}

// First-UIP learning; returns the level to go back to. learnt[0] is the asserting literal.
int Solver::analyze(int conflict, std::vector<Lit> &learnt)
{
    learnt.assign(1, 0);
    int pending = 0;
    Lit p = -1;
    std::size_t index = m_trail.size();
    int ci = conflict;
    do {
        const auto &c = m_clauses[static_cast<std::size_t>(ci)];
        for (std::size_t j = (p == -1 ? 0 : 1); j < c.size(); ++j) {
            const int v = c[j] >> 1;
            if (m_seen[static_cast<std::size_t>(v)] || m_level[static_cast<std::size_t>(v)] == 0)
                continue;
            m_seen[static_cast<std::size_t>(v)] = 1;
            bump(v);
            if (m_level[static_cast<std::size_t>(v)] >= level())
                ++pending;
            else
                learnt.push_back(c[j]);
        }
        while (!m_seen[static_cast<std::size_t>(m_trail[--index] >> 1)]) {
        }
        p = m_trail[index];
        ci = m_reason[static_cast<std::size_t>(p >> 1)];
        m_seen[static_cast<std::size_t>(p >> 1)] = 0;
    } while (--pending > 0);
    learnt[0] = p ^ 1;

    int back = 0;
    for (std::size_t i = 1; i < learnt.size(); ++i) {
        m_seen[static_cast<std::size_t>(learnt[i] >> 1)] = 0;
        const int lv = m_level[static_cast<std::size_t>(learnt[i] >> 1)];
        if (lv > back) {
            back = lv;
            std::swap(learnt[1], learnt[i]);
        }
    }
    m_increment *= 1.05;
    return back;
}

void Solver::backtrack(int target)
{
    if (level() <= target)
        return;
    const auto keep = static_cast<std::size_t>(m_trailLimits[static_cast<std::size_t>(target)]);
    for (std::size_t i = m_trail.size(); i-- > keep;) {
        const auto v = static_cast<std::size_t>(m_trail[i] >> 1);
        m_phase[v] = m_assign[v];
        m_assign[v] = -1;
    }
    m_trail.resize(keep);
    m_trailLimits.resize(static_cast<std::size_t>(target));
    m_head = keep;
}

int Solver::pickBranch() const
{
    int best = -1;
    for (std::size_t v = 0; v < m_assign.size(); ++v)
        if (m_assign[v] < 0 && (best < 0 || m_activity[v] > m_activity[static_cast<std::size_t>(best)]))
            best = static_cast<int>(v);
    return best;
}

Solver::Result Solver::solve(std::int64_t conflictLimit)
{
    if (m_inconsistent)
        return Result::Unsatisfiable;
    std::vector<Lit> learnt;
    int restart = 0;
    std::int64_t untilRestart = 100;
    for (;;) {
        const int conflict = propagate();
        if (conflict >= 0) {
            ++m_conflicts;
            if (level() == 0)
                return Result::Unsatisfiable;
            const int back = analyze(conflict, learnt);
            backtrack(back);
            if (learnt.size() == 1) {
                assign(learnt[0], -1);
            } else {
                m_clauses.push_back(learnt);
                const int idx = static_cast<int>(m_clauses.size()) - 1;
                m_watches[static_cast<std::size_t>(learnt[0])].push_back(idx);
                m_watches[static_cast<std::size_t>(learnt[1])].push_back(idx);
                assign(learnt[0], idx);
            }
            if (m_conflicts >= conflictLimit)
                return Result::Unknown;
            --untilRestart;
            continue;
        }
        if (untilRestart <= 0) {
            untilRestart = 100 * luby(++restart);
            backtrack(0);
        }
        const int v = pickBranch();
        if (v < 0)
            return Result::Satisfiable;
        m_trailLimits.push_back(static_cast<int>(m_trail.size()));
        assign(2 * v + (m_phase[static_cast<std::size_t>(v)] == 1 ? 0 : 1), -1);
    }
}

Search satSearch(const Arena &arena, int root, bool wanted, const std::vector<int> &vars,
                 std::int64_t conflictLimit)
{
    Solver solver;
    // A negation shares its operand's solver variable with the opposite sign.
    const Dag dag = arena.dag({root});
    std::vector<int> lit(dag.nodes.size(), 0);
    std::unordered_map<int, int> varLit;
    for (int v : vars)
        varLit.emplace(v, solver.addVariable());
    for (std::size_t i = 0; i < dag.nodes.size(); ++i) {
        const Node &n = dag.nodes[i];
        auto &x = lit[i];
        if (n.op == Op::Var) {
            x = varLit.at(n.lhs);
            continue;
        }
        const int a = lit[static_cast<std::size_t>(n.lhs)];
        if (n.op == Op::Not) {
            x = -a;
            continue;
        }
        const int b = lit[static_cast<std::size_t>(n.rhs)];
        x = solver.addVariable();
        switch (n.op) {
        case Op::And:
            solver.addClause({-x, a});
            solver.addClause({-x, b});
            solver.addClause({x, -a, -b});
            break;
        case Op::Or:
            solver.addClause({x, -a});
            solver.addClause({x, -b});
            solver.addClause({-x, a, b});
            break;
        case Op::Implies:
            solver.addClause({x, a});
            solver.addClause({x, -b});
            solver.addClause({-x, -a, b});
            break;
        case Op::Iff:
            solver.addClause({-x, -a, b});
            solver.addClause({-x, a, -b});
            solver.addClause({x, a, b});
            solver.addClause({x, -a, -b});
            break;
        default:
            break;
        }
    }
    const int r = lit.back();
    solver.addClause({wanted ? r : -r});

    Search search;
    switch (solver.solve(conflictLimit)) {
    case Solver::Result::Unsatisfiable: search.found = Found::No; break;
    case Solver::Result::Unknown: search.found = Found::Unknown; break;
    case Solver::Result::Satisfiable:
        search.found = Found::Yes;
        for (int v : vars)
            search.model.push_back(solver.modelValue(varLit.at(v)));
        break;
    }
    return search;
}

} // namespace zpl
