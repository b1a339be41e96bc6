#include "Analysis.h"

#include "Evaluator.h"

#include <bit>

namespace zpl {
namespace {

struct TableScan {
    std::optional<std::uint64_t> trueRow, falseRow;
};

// Stops as soon as it has seen each wanted value once.
TableScan scanTable(Evaluator &eval, int root, bool wantTrue, bool wantFalse)
{
    TableScan scan;
    const std::uint64_t rows = eval.rowCount();
    for (std::uint64_t first = 0; first < rows; first += 64) {
        eval.evaluate(first);
        const std::uint64_t live = rows - first >= 64 ? ~std::uint64_t{0} : (std::uint64_t{1} << (rows - first)) - 1;
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

bool useTable(Engine engine, int varCount, std::size_t nodeCount)
{
    return engine == Engine::Table || (engine == Engine::Automatic && tableIsCheap(varCount, nodeCount));
}

} // namespace

bool tableIsCheap(int varCount, std::size_t nodeCount)
{
    // About 2^22 word operations: a few milliseconds.
    if (varCount > 22)
        return false;
    return ((std::uint64_t{1} << varCount) / 64 + 1) * nodeCount <= (std::uint64_t{1} << 22);
}

Search findAssignment(const Arena &arena, int root, bool wanted, const std::vector<int> &vars, Engine engine,
                      Limits limits)
{
    if (useTable(engine, static_cast<int>(vars.size()), arena.reachable({root}).size())) {
        Evaluator eval(arena, {root}, vars);
        const TableScan scan = scanTable(eval, root, wanted, !wanted);
        return fromRow(eval, wanted ? scan.trueRow : scan.falseRow);
    }
    return satSearch(arena, root, wanted, vars, limits.conflicts, Clock::now() + limits.time);
}

Classification classify(const Arena &arena, int root, Engine engine, Limits limits)
{
    const auto start = Clock::now();
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
        const auto deadline = start + limits.time;
        yes = satSearch(arena, root, true, c.vars, limits.conflicts, deadline);
        if (yes.found != Found::Unknown)
            no = satSearch(arena, root, false, c.vars, limits.conflicts - yes.conflicts, deadline);
    }
    c.effort = {yes.conflicts + no.conflicts, std::chrono::duration<double>(Clock::now() - start).count()};
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

ArgumentCheck checkArgument(Arena &arena, const std::vector<int> &premises, int conclusion, Engine engine,
                            Limits limits)
{
    const auto start = Clock::now();
    int counter = arena.negation(conclusion);
    for (auto it = premises.rbegin(); it != premises.rend(); ++it)
        counter = arena.make(Op::And, *it, counter);
    ArgumentCheck check;
    check.vars = arena.variablesOf({counter});
    const Search s = findAssignment(arena, counter, true, check.vars, engine, limits);
    check.counterexampleFound = s.found;
    check.counterexample = s.model;
    check.effort = {s.conflicts, std::chrono::duration<double>(Clock::now() - start).count()};
    return check;
}

} // namespace zpl
