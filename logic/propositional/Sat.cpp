#include "Sat.h"

#include <algorithm>
#include <cstdlib>
#include <tuple>
#include <unordered_map>

namespace logic {
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

// Learnt clauses whose literals span at most this many decision levels ("glue") are kept for
// good; the rest are halved at each reduction. The first reduction comes after 2,000 conflicts,
// and each gap is 100 conflicts longer than the one before, so the kept set grows slowly: on
// random 3-CNF this kept the pace within a factor of about two up to a million conflicts,
// where larger steps cost a factor of three by 600,000 and solved no faster.
constexpr std::uint32_t kGlue = 2;
constexpr std::int64_t kReduceGrowth = 100;
// The budget is asked at every conflict, and once per this many decisions: a long run of
// decisions without a conflict still reaches it within microseconds.
constexpr std::int64_t kClockEveryDecisions = 256;

} // namespace

int Solver::addVariable()
{
    const int v = static_cast<int>(m_assign.size());
    m_assign.push_back(-1);
    m_phase.push_back(0);
    m_level.push_back(0);
    m_reason.push_back(kNoReason);
    m_activity.push_back(0.0);
    m_seen.push_back(0);
    m_heapIndex.push_back(-1);
    m_levelStamp.resize(m_assign.size() + 1, 0);
    m_watches.emplace_back();
    m_watches.emplace_back();
    heapInsert(v);
    return v + 1;
}

int Solver::value(Lit l) const
{
    const signed char a = m_assign[l >> 1];
    return a < 0 ? -1 : (a ^ static_cast<int>(l & 1));
}

void Solver::assign(Lit l, CRef reason)
{
    const auto v = l >> 1;
    m_assign[v] = static_cast<signed char>((l & 1) ^ 1);
    m_level[v] = level();
    m_reason[v] = reason;
    m_trail.push_back(l);
}

Solver::CRef Solver::store(const std::vector<Lit> &lits, bool learnt, std::uint32_t lbd)
{
    const auto c = static_cast<CRef>(m_memory.size());
    m_memory.push_back(static_cast<std::uint32_t>(lits.size()));
    m_memory.push_back((lbd << kFlagBits) | (learnt ? kLearnt : 0));
    m_memory.insert(m_memory.end(), lits.begin(), lits.end());
    return c;
}

void Solver::watch(CRef c)
{
    const Lit *l = literals(c);
    m_watches[l[0]].push_back({c, l[1]});
    m_watches[l[1]].push_back({c, l[0]});
}

void Solver::addClause(std::vector<int> clause)
{
    if (m_inconsistent)
        return;
    backtrack(0); // a clause added after a search starts from the root again
    std::vector<Lit> c;
    for (int x : clause)
        c.push_back(2 * static_cast<Lit>(std::abs(x) - 1) + (x < 0 ? 1 : 0));
    std::sort(c.begin(), c.end());
    c.erase(std::unique(c.begin(), c.end()), c.end());
    for (std::size_t i = 1; i < c.size(); ++i)
        if ((c[i] ^ 1) == c[i - 1])
            return; // always true
    // At level 0: drop false literals, skip satisfied clauses.
    std::erase_if(c, [this](Lit l) { return value(l) == 0; });
    if (std::any_of(c.begin(), c.end(), [this](Lit l) { return value(l) == 1; }))
        return;
    if (c.empty()) {
        m_inconsistent = true;
    } else if (c.size() == 1) {
        assign(c[0], kNoReason);
        if (propagate() != kNoReason)
            m_inconsistent = true;
    } else {
        watch(store(c, false, 0));
    }
}

// Returns the conflicting clause, or kNoReason.
Solver::CRef Solver::propagate()
{
    CRef conflict = kNoReason;
    while (m_head < m_trail.size() && conflict == kNoReason) {
        const Lit falseLit = m_trail[m_head++] ^ 1;
        std::vector<Watcher> &ws = m_watches[falseLit];
        std::size_t i = 0, j = 0;
        const std::size_t n = ws.size();
        while (i < n) {
            const Watcher w = ws[i++];
            if (value(w.blocker) == 1) {
                ws[j++] = w;
                continue;
            }
            Lit *c = literals(w.clause);
            const std::uint32_t size = clauseSize(w.clause);
            if (c[0] == falseLit)
                std::swap(c[0], c[1]);
            const Lit first = c[0];
            if (first != w.blocker && value(first) == 1) {
                ws[j++] = {w.clause, first};
                continue;
            }
            bool moved = false;
            for (std::uint32_t k = 2; k < size; ++k) {
                if (value(c[k]) != 0) {
                    std::swap(c[1], c[k]);
                    m_watches[c[1]].push_back({w.clause, first});
                    moved = true;
                    break;
                }
            }
            if (moved)
                continue;
            ws[j++] = {w.clause, first};
            if (value(first) == 0) {
                conflict = w.clause;
                while (i < n)
                    ws[j++] = ws[i++];
                m_head = m_trail.size();
            } else {
                assign(first, w.clause);
            }
        }
        ws.resize(j);
    }
    return conflict;
}

void Solver::bump(int var)
{
    const auto v = static_cast<std::size_t>(var);
    if ((m_activity[v] += m_increment) > 1e100) {
        for (double &a : m_activity)
            a *= 1e-100;
        m_increment *= 1e-100;
    }
    if (m_heapIndex[v] >= 0)
        heapUp(static_cast<std::size_t>(m_heapIndex[v]));
}

std::uint32_t Solver::blockDistance(const Lit *lits, std::uint32_t size)
{
    if (++m_stamp == 0) {
        std::fill(m_levelStamp.begin(), m_levelStamp.end(), 0);
        m_stamp = 1;
    }
    std::uint32_t distinct = 0;
    for (std::uint32_t i = 0; i < size; ++i) {
        std::uint32_t &seen = m_levelStamp[static_cast<std::size_t>(m_level[lits[i] >> 1])];
        if (seen != m_stamp) {
            seen = m_stamp;
            ++distinct;
        }
    }
    return distinct;
}

// First-UIP learning; returns the level to go back to. learnt[0] is the asserting literal and
// learnt[1] one of the highest level among the rest.
int Solver::analyze(CRef conflict, std::vector<Lit> &learnt, std::uint32_t &lbd)
{
    learnt.assign(1, 0);
    int pending = 0;
    bool first = true;
    Lit p = 0;
    std::size_t index = m_trail.size();
    CRef ci = conflict;
    do {
        const std::uint32_t size = clauseSize(ci);
        if (std::uint32_t &f = flags(ci); f & kLearnt) {
            f |= kUsed;
            // A clause that keeps taking part earns a better LBD if its literals now span fewer
            // levels.
            if (lbdOf(f) > kGlue) {
                const std::uint32_t now = blockDistance(literals(ci), size);
                if (now < lbdOf(f))
                    f = (now << kFlagBits) | (f & ((1u << kFlagBits) - 1));
            }
        }
        const Lit *c = literals(ci);
        for (std::uint32_t j = first ? 0 : 1; j < size; ++j) {
            const auto v = c[j] >> 1;
            if (m_seen[v] || m_level[v] == 0)
                continue;
            m_seen[v] = 1;
            bump(static_cast<int>(v));
            if (m_level[v] >= level())
                ++pending;
            else
                learnt.push_back(c[j]);
        }
        while (!m_seen[m_trail[--index] >> 1]) {}
        p = m_trail[index];
        ci = m_reason[p >> 1];
        m_seen[p >> 1] = 0;
        first = false;
    } while (--pending > 0);
    learnt[0] = p ^ 1;

    // Drop the literals that the others imply through their reasons.
    m_toClear.assign(learnt.begin() + 1, learnt.end());
    std::uint32_t levels = 0;
    for (std::size_t i = 1; i < learnt.size(); ++i)
        levels |= 1u << (m_level[learnt[i] >> 1] & 31);
    std::size_t kept = 1;
    for (std::size_t i = 1; i < learnt.size(); ++i)
        if (m_reason[learnt[i] >> 1] == kNoReason || !redundant(learnt[i], levels))
            learnt[kept++] = learnt[i];
    learnt.resize(kept);
    for (Lit l : m_toClear)
        m_seen[l >> 1] = 0;

    int back = 0;
    for (std::size_t i = 1; i < learnt.size(); ++i) {
        const int lv = m_level[learnt[i] >> 1];
        if (lv > back) {
            back = lv;
            std::swap(learnt[1], learnt[i]);
        }
    }
    lbd = blockDistance(learnt.data(), static_cast<std::uint32_t>(learnt.size()));
    m_increment *= 1.05;
    return back;
}

// Whether @p p, false and in the learnt clause, follows from the clause's other literals. The
// levels mask rules out quickly a literal whose reasons reach a level the clause lacks.
bool Solver::redundant(Lit p, std::uint32_t levels)
{
    m_stack.assign(1, p);
    const std::size_t top = m_toClear.size();
    while (!m_stack.empty()) {
        const CRef r = m_reason[m_stack.back() >> 1];
        m_stack.pop_back();
        const Lit *c = literals(r);
        const std::uint32_t size = clauseSize(r);
        for (std::uint32_t i = 1; i < size; ++i) {
            const auto v = c[i] >> 1;
            if (m_seen[v] || m_level[v] == 0)
                continue;
            if (m_reason[v] == kNoReason || !(levels & (1u << (m_level[v] & 31)))) {
                for (std::size_t k = top; k < m_toClear.size(); ++k)
                    m_seen[m_toClear[k] >> 1] = 0;
                m_toClear.resize(top);
                return false;
            }
            m_seen[v] = 1;
            m_stack.push_back(c[i]);
            m_toClear.push_back(c[i]);
        }
    }
    return true;
}

void Solver::backtrack(int target)
{
    if (level() <= target)
        return;
    const auto keep = static_cast<std::size_t>(m_trailLimits[static_cast<std::size_t>(target)]);
    for (std::size_t i = m_trail.size(); i-- > keep;) {
        const auto v = m_trail[i] >> 1;
        m_phase[v] = m_assign[v];
        m_assign[v] = -1;
        m_reason[v] = kNoReason;
        heapInsert(static_cast<int>(v));
    }
    m_trail.resize(keep);
    m_trailLimits.resize(static_cast<std::size_t>(target));
    m_head = keep;
}

bool Solver::before(int a, int b) const
{
    return m_activity[static_cast<std::size_t>(a)] > m_activity[static_cast<std::size_t>(b)];
}

void Solver::heapInsert(int var)
{
    if (m_heapIndex[static_cast<std::size_t>(var)] >= 0)
        return;
    m_heap.push_back(var);
    heapUp(m_heap.size() - 1);
}

void Solver::heapUp(std::size_t i)
{
    const int var = m_heap[i];
    while (i > 0) {
        const std::size_t parent = (i - 1) / 2;
        if (!before(var, m_heap[parent]))
            break;
        m_heap[i] = m_heap[parent];
        m_heapIndex[static_cast<std::size_t>(m_heap[i])] = static_cast<int>(i);
        i = parent;
    }
    m_heap[i] = var;
    m_heapIndex[static_cast<std::size_t>(var)] = static_cast<int>(i);
}

void Solver::heapDown(std::size_t i)
{
    const int var = m_heap[i];
    const std::size_t n = m_heap.size();
    for (;;) {
        std::size_t child = 2 * i + 1;
        if (child >= n)
            break;
        if (child + 1 < n && before(m_heap[child + 1], m_heap[child]))
            ++child;
        if (!before(m_heap[child], var))
            break;
        m_heap[i] = m_heap[child];
        m_heapIndex[static_cast<std::size_t>(m_heap[i])] = static_cast<int>(i);
        i = child;
    }
    m_heap[i] = var;
    m_heapIndex[static_cast<std::size_t>(var)] = static_cast<int>(i);
}

int Solver::pickBranch()
{
    while (!m_heap.empty()) {
        const int var = m_heap.front();
        m_heapIndex[static_cast<std::size_t>(var)] = -1;
        const int last = m_heap.back();
        m_heap.pop_back();
        if (!m_heap.empty()) {
            m_heap.front() = last;
            heapDown(0);
        }
        if (m_assign[static_cast<std::size_t>(var)] < 0)
            return var;
    }
    return -1;
}

bool Solver::locked(CRef c)
{
    const auto v = literals(c)[0] >> 1;
    return m_assign[v] >= 0 && m_reason[v] == c;
}

void Solver::reduceLearnts()
{
    // Worst first: unused since the last reduction, then spanning more levels, then longer. Glue
    // clauses and the reasons of assigned literals stay whatever their rank.
    std::vector<CRef> candidates;
    for (CRef c : m_learnts)
        if (lbdOf(flags(c)) > kGlue && !locked(c))
            candidates.push_back(c);
    const auto rank
        = [this](CRef c) { return std::tuple(~flags(c) & kUsed, lbdOf(flags(c)), clauseSize(c)); };
    std::sort(
        candidates.begin(), candidates.end(), [&](CRef a, CRef b) { return rank(a) > rank(b); });
    const std::size_t drop = std::min(candidates.size(), m_learnts.size() / 2);
    for (std::size_t i = 0; i < drop; ++i)
        flags(candidates[i]) |= kDeleted;

    // Compact the clause memory. Each kept clause leaves its new place in its old flags word,
    // so that the reasons of assigned literals can follow it; then every watch is rebuilt, which
    // keeps the watched pair of each clause, and so the invariant, as it was.
    std::vector<std::uint32_t> fresh;
    fresh.reserve(m_memory.size());
    m_learnts.clear();
    for (CRef c = 0; c < m_memory.size();) {
        const std::uint32_t size = clauseSize(c), f = flags(c);
        const CRef next = c + 2 + size;
        if (!(f & kDeleted)) {
            const auto moved = static_cast<CRef>(fresh.size());
            fresh.push_back(size);
            fresh.push_back(f & ~kUsed);
            fresh.insert(fresh.end(), m_memory.begin() + c + 2, m_memory.begin() + next);
            if (f & kLearnt)
                m_learnts.push_back(moved);
            flags(c) = moved;
        }
        c = next;
    }
    for (Lit l : m_trail)
        if (CRef &r = m_reason[l >> 1]; r != kNoReason)
            r = flags(r);
    m_memory.swap(fresh);
    for (auto &ws : m_watches)
        ws.clear();
    for (CRef c = 0; c < m_memory.size(); c += 2 + clauseSize(c))
        watch(c);
}

Solver::Result Solver::solve(std::int64_t conflictLimit, const Budget &budget)
{
    m_stop = Stop::None;
    if (m_inconsistent)
        return Result::Unsatisfiable;
    auto stopped = [&] {
        m_stop = m_conflicts >= conflictLimit ? Stop::Conflicts : budget.stop();
        return m_stop != Stop::None;
    };
    if (stopped())
        return Result::Unknown;
    backtrack(0);
    std::vector<Lit> learnt;
    int restart = 0;
    std::int64_t untilRestart = 100;
    for (;;) {
        const CRef conflict = propagate();
        if (conflict != kNoReason) {
            ++m_conflicts;
            if (level() == 0) {
                m_inconsistent = true;
                return Result::Unsatisfiable;
            }
            std::uint32_t lbd = 0;
            const int back = analyze(conflict, learnt, lbd);
            backtrack(back);
            if (learnt.size() == 1) {
                assign(learnt[0], kNoReason);
            } else {
                const CRef c = store(learnt, true, lbd);
                watch(c);
                m_learnts.push_back(c);
                assign(learnt[0], c);
            }
            if (stopped())
                return Result::Unknown;
            --untilRestart;
            continue;
        }
        if (untilRestart <= 0) {
            untilRestart = 100 * luby(++restart);
            backtrack(0);
        }
        if (m_conflicts >= m_nextReduce) {
            m_reduceStep += kReduceGrowth;
            m_nextReduce = m_conflicts + m_reduceStep;
            reduceLearnts();
        }
        if (++m_decisions % kClockEveryDecisions == 0 && stopped())
            return Result::Unknown;
        const int v = pickBranch();
        if (v < 0)
            return Result::Satisfiable;
        m_trailLimits.push_back(static_cast<int>(m_trail.size()));
        assign(2 * static_cast<Lit>(v) + (m_phase[static_cast<std::size_t>(v)] == 1 ? 0 : 1),
            kNoReason);
    }
}

Search satSearch(const Arena &arena, int root, bool wanted, const std::vector<int> &vars,
    std::int64_t conflictLimit, const Budget &budget)
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
        default: break;
        }
    }
    const int r = lit.back();
    solver.addClause({wanted ? r : -r});

    Search search;
    const Solver::Result result = solver.solve(conflictLimit, budget);
    search.conflicts = solver.conflicts();
    search.stop = solver.stop();
    switch (result) {
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

} // namespace logic
