#include "Analysis.h"

#include "Evaluator.h"

#include <bit>

namespace logic {
namespace {

struct TableScan
{
    std::optional<std::uint64_t> trueRow, falseRow;
};

// Stops as soon as it has seen each wanted value once.
TableScan scanTable(Evaluator &eval, int root, bool wantTrue, bool wantFalse)
{
    TableScan scan;
    const std::uint64_t rows = eval.rowCount();
    for (std::uint64_t first = 0; first < rows; first += 64) {
        eval.evaluate(first);
        const std::uint64_t live
            = rows - first >= 64 ? ~std::uint64_t{0} : (std::uint64_t{1} << (rows - first)) - 1;
        const std::uint64_t t = eval.value(root) & live, f = ~eval.value(root) & live;
        if (wantTrue && !scan.trueRow && t)
            scan.trueRow = first + static_cast<std::uint64_t>(std::countr_zero(t));
        if (wantFalse && !scan.falseRow && f)
            scan.falseRow = first + static_cast<std::uint64_t>(std::countr_zero(f));
        if ((!wantTrue || scan.trueRow) && (!wantFalse || scan.falseRow))
            break;
    }
    return scan;
}

Search fromRow(const Evaluator &eval, const std::optional<std::uint64_t> &row)
{
    Search s;
    s.found = row ? Found::Yes : Found::No;
    if (row)
        s.model = eval.assignment(*row);
    return s;
}

// The solver's encoding knows only the five connectives, so verum and falsum are folded away
// first, into a small arena of its own that keeps the variables and their order.
Search solverSearch(const Arena &arena, int root, bool wanted, const std::vector<int> &vars,
    std::int64_t conflictLimit, const Budget &budget)
{
    const Dag dag = arena.dag({root});
    bool constants = false;
    for (const Node &n : dag.nodes)
        constants = constants || n.op == Op::Top || n.op == Op::Bottom;
    if (!constants)
        return satSearch(arena, root, wanted, vars, conflictLimit, budget);

    Arena folded;
    std::vector<int> foldedVars;
    for (int v : vars)
        foldedVars.push_back(folded.node(folded.variable(arena.variableName(v))).lhs);
    enum : int { kFalse = -2, kTrue = -3 }; // below every node id
    auto constant = [](bool b) { return b ? kTrue : kFalse; };
    auto negate = [&](int a) {
        return a == kTrue ? kFalse : a == kFalse ? kTrue : folded.negation(a);
    };
    std::vector<int> value(dag.nodes.size());
    for (std::size_t i = 0; i < dag.nodes.size(); ++i) {
        const Node &n = dag.nodes[i];
        const int a = isLeaf(n.op) ? 0 : value[static_cast<std::size_t>(n.lhs)];
        const int b = n.rhs >= 0 ? value[static_cast<std::size_t>(n.rhs)] : 0;
        const bool ka = a < 0, kb = b < 0; // known truth values
        int &v = value[i];
        switch (n.op) {
        case Op::Var: v = folded.variable(arena.variableName(n.lhs)); break;
        case Op::Top: v = kTrue; break;
        case Op::Bottom: v = kFalse; break;
        case Op::Not: v = negate(a); break;
        case Op::And:
            v = (a == kFalse || b == kFalse) ? kFalse
                : a == kTrue                 ? b
                : b == kTrue                 ? a
                                             : folded.make(Op::And, a, b);
            break;
        case Op::Or:
            v = (a == kTrue || b == kTrue) ? kTrue
                : a == kFalse              ? b
                : b == kFalse              ? a
                                           : folded.make(Op::Or, a, b);
            break;
        case Op::Implies:
            v = (a == kFalse || b == kTrue) ? kTrue
                : a == kTrue                ? b
                : b == kFalse               ? negate(a)
                                            : folded.make(Op::Implies, a, b);
            break;
        case Op::Iff:
            v = ka && kb ? constant(a == b)
                : ka     ? (a == kTrue ? b : negate(b))
                : kb     ? (b == kTrue ? a : negate(a))
                         : folded.make(Op::Iff, a, b);
            break;
        }
    }
    const int r = value.back();
    if (r >= 0)
        return satSearch(folded, r, wanted, foldedVars, conflictLimit, budget);
    Search s;
    s.found = (r == kTrue) == wanted ? Found::Yes : Found::No;
    if (s.found == Found::Yes)
        s.model.assign(vars.size(), true);
    return s;
}

bool useTable(Engine engine, int varCount, std::size_t nodeCount)
{
    return engine == Engine::Table
        || (engine == Engine::Automatic && tableIsCheap(varCount, nodeCount));
}

} // namespace

bool tableIsCheap(int varCount, std::size_t nodeCount)
{
    // About 2^22 word operations: a few milliseconds.
    if (varCount > 22)
        return false;
    return ((std::uint64_t{1} << varCount) / 64 + 1) * nodeCount <= (std::uint64_t{1} << 22);
}

Search findAssignment(const Arena &arena, int root, bool wanted, const std::vector<int> &vars,
    Engine engine, Limits limits)
{
    if (useTable(engine, static_cast<int>(vars.size()), arena.reachable({root}).size())) {
        Evaluator eval(arena, {root}, vars);
        const TableScan scan = scanTable(eval, root, wanted, !wanted);
        return fromRow(eval, wanted ? scan.trueRow : scan.falseRow);
    }
    return solverSearch(arena, root, wanted, vars, limits.conflicts, limits.budget);
}

Classification classify(const Arena &arena, int root, Engine engine, Limits limits)
{
    const auto start = CpuClock::now();
    Classification c;
    c.vars = arena.variablesOf({root});
    Search yes, no;
    if (useTable(engine, static_cast<int>(c.vars.size()), arena.reachable({root}).size())) {
        Evaluator eval(arena, {root}, c.vars);
        const TableScan scan = scanTable(eval, root, true, true);
        yes = fromRow(eval, scan.trueRow);
        no = fromRow(eval, scan.falseRow);
    } else {
        // The two searches share the limits, so that the formula as a whole keeps to them.
        yes = solverSearch(arena, root, true, c.vars, limits.conflicts, limits.budget);
        if (yes.found != Found::Unknown)
            no = solverSearch(
                arena, root, false, c.vars, limits.conflicts - yes.conflicts, limits.budget);
    }
    c.effort = {yes.conflicts + no.conflicts,
        std::chrono::duration<double>(CpuClock::now() - start).count(),
        yes.found == Found::Unknown ? yes.stop : no.stop};
    if (yes.found == Found::Yes)
        c.satisfying = yes.model;
    if (no.found == Found::Yes)
        c.falsifying = no.model;
    if (yes.found == Found::Unknown || no.found == Found::Unknown)
        c.verdict = Verdict::Unknown;
    else if (yes.found == Found::Yes && no.found == Found::Yes)
        c.verdict = Verdict::Contingency;
    else
        c.verdict = yes.found == Found::Yes ? Verdict::Tautology : Verdict::Contradiction;
    return c;
}

ArgumentCheck checkArgument(
    Arena &arena, const std::vector<int> &premises, int conclusion, Engine engine, Limits limits)
{
    const auto start = CpuClock::now();
    int counter = arena.negation(conclusion);
    for (auto it = premises.rbegin(); it != premises.rend(); ++it)
        counter = arena.make(Op::And, *it, counter);
    ArgumentCheck check;
    check.vars = arena.variablesOf({counter});
    const Search s = findAssignment(arena, counter, true, check.vars, engine, limits);
    check.counterexampleFound = s.found;
    check.counterexample = s.model;
    check.effort
        = {s.conflicts, std::chrono::duration<double>(CpuClock::now() - start).count(), s.stop};
    return check;
}

} // namespace logic
