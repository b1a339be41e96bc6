// The evaluator, the SAT procedure and the classification built on them.

#include "Harness.h"
#include "propositional/Analysis.h"
#include "propositional/Evaluator.h"
#include "propositional/Sat.h"
#include "propositional/TruthTable.h"
#include "syntax/Cp1252.h"
#include "syntax/Parser.h"
#include "syntax/Text.h"

#include <algorithm>
#include <cctype>
#include <numeric>
#include <random>
#include <sstream>
#include <string>

using namespace logic;

namespace {

int parse(Arena &arena, const std::string &line)
{
    const ParseResult r = parseFormula(arena, line);
    if (!r.ok())
        std::printf("  cannot parse %s: %s\n", line.c_str(), r.error.c_str());
    return r.root;
}

// A random formula of `connectives` connectives over variables x1..xk, built bottom-up.
int randomFormula(Arena &arena, std::mt19937 &rng, int vars, int connectives)
{
    std::vector<int> pool;
    auto pick = [&](int n) { return std::uniform_int_distribution<int>(0, n - 1)(rng); };
    for (int i = 0; i < vars; ++i)
        pool.push_back(arena.variable("x" + std::to_string(i + 1)));
    std::vector<int> open;
    for (int i = 0; i < connectives + 1; ++i)
        open.push_back(pool[static_cast<std::size_t>(pick(vars))]);
    for (int made = 0; made < connectives;) {
        const auto i = static_cast<std::size_t>(pick(static_cast<int>(open.size())));
        const int kind = pick(5);
        if (kind == 0) {
            open[i] = arena.negation(open[i]);
        } else {
            if (open.size() < 2)
                continue;
            auto j = static_cast<std::size_t>(pick(static_cast<int>(open.size()) - 1));
            if (j >= i)
                ++j;
            const Op ops[] = {Op::And, Op::Or, Op::Implies, Op::Iff};
            open[i] = arena.make(ops[kind - 1], open[i], open[j]);
            open.erase(open.begin() + static_cast<std::ptrdiff_t>(j));
        }
        ++made;
    }
    int root = open[0];
    for (std::size_t i = 1; i < open.size(); ++i)
        root = arena.make(pick(2) ? Op::And : Op::Or, root, open[i]);
    return root;
}

// The facts that brute force gives: is there a true row, is there a false row.
std::pair<bool, bool> bruteForce(const Arena &arena, int root)
{
    Evaluator eval(arena, {root}, arena.variablesOf({root}));
    bool t = false, f = false;
    for (std::uint64_t first = 0; first < eval.rowCount(); first += 64) {
        eval.evaluate(first);
        const std::uint64_t live = eval.rowCount() - first >= 64
            ? ~std::uint64_t{0}
            : (std::uint64_t{1} << (eval.rowCount() - first)) - 1;
        t = t || (eval.value(root) & live);
        f = f || (~eval.value(root) & live);
    }
    return {t, f};
}

std::string pigeonhole(int pigeons, int holes)
{
    // Every pigeon in some hole, no two in one: unsatisfiable when pigeons > holes.
    auto v = [&](int p, int h) { return "p" + std::to_string(p * holes + h + 1); };
    std::string f;
    for (int p = 0; p < pigeons; ++p) {
        f += f.empty() ? "(" : " & (";
        for (int h = 0; h < holes; ++h)
            f += (h ? " V " : "") + v(p, h);
        f += ")";
    }
    for (int h = 0; h < holes; ++h)
        for (int p = 0; p < pigeons; ++p)
            for (int q = p + 1; q < pigeons; ++q)
                f += " & ~(" + v(p, h) + " & " + v(q, h) + ")";
    return f;
}

using Cnf = std::vector<std::vector<int>>;

Cnf random3Cnf(std::mt19937 &rng, int vars, int clauses)
{
    Cnf cnf;
    std::uniform_int_distribution<int> pick(1, vars);
    while (static_cast<int>(cnf.size()) < clauses) {
        const int a = pick(rng), b = pick(rng), c = pick(rng);
        if (a != b && b != c && a != c)
            cnf.push_back({rng() & 1 ? a : -a, rng() & 1 ? b : -b, rng() & 1 ? c : -c});
    }
    return cnf;
}

bool satisfies(const Solver &s, const Cnf &cnf)
{
    return std::all_of(cnf.begin(), cnf.end(), [&](const std::vector<int> &c) {
        return std::any_of(
            c.begin(), c.end(), [&](int l) { return s.modelValue(std::abs(l)) == (l > 0); });
    });
}

Solver::Result solveCnf(Solver &s, int vars, const Cnf &cnf)
{
    for (int v = 0; v < vars; ++v)
        s.addVariable();
    for (const auto &c : cnf)
        s.addClause(c);
    return s.solve(kConflictLimit);
}

std::vector<std::string> split(const std::string &text, char by)
{
    std::vector<std::string> parts;
    std::istringstream in(text);
    for (std::string part; std::getline(in, part, by);)
        parts.push_back(part);
    return parts;
}

// Every way a connective reaches the interpreter: the keyboard, the palette's bytes, the "Symbol"
// font's bytes that a paste into the editor leaves, UTF-8, and TeX's names.
enum class Where { Both, Cp1252, Utf8 };
struct Spelling
{
    Op op;
    const char *text;
    Where where;
};
// clang-format off
const Spelling kSpellings[] = {
    {Op::Not, "\xAC", Where::Cp1252}, {Op::Not, "~", Where::Both}, {Op::Not, "-", Where::Both},
    {Op::Not, "\xD8", Where::Cp1252}, {Op::Not, "¬", Where::Utf8}, {Op::Not, "∼", Where::Utf8},
    {Op::Not, "\\neg", Where::Both}, {Op::Not, "\\lnot", Where::Both},
    {Op::And, "&", Where::Both}, {Op::And, "\xD9", Where::Cp1252}, {Op::And, "∧", Where::Utf8},
    {Op::And, "\\land", Where::Both}, {Op::And, "\\wedge", Where::Both},
    {Op::Or, "V", Where::Both}, {Op::Or, "|", Where::Both}, {Op::Or, "\xDA", Where::Cp1252},
    {Op::Or, "∨", Where::Utf8}, {Op::Or, "\\lor", Where::Both}, {Op::Or, "\\vee", Where::Both},
    {Op::Implies, "->", Where::Both}, {Op::Implies, "=>", Where::Both}, {Op::Implies, "\xAE", Where::Cp1252},
    {Op::Implies, "\xDE", Where::Cp1252}, {Op::Implies, "→", Where::Utf8}, {Op::Implies, "⇒", Where::Utf8},
    {Op::Implies, "⊃", Where::Utf8}, {Op::Implies, "\\to", Where::Both}, {Op::Implies, "\\rightarrow", Where::Both},
    {Op::Implies, "\\implies", Where::Both}, {Op::Implies, "\\supset", Where::Both},
    {Op::Iff, "n", Where::Both}, {Op::Iff, "<->", Where::Both}, {Op::Iff, "<=>", Where::Both},
    {Op::Iff, "\xAB", Where::Cp1252}, {Op::Iff, "\xDB", Where::Cp1252}, {Op::Iff, "\xBA", Where::Cp1252},
    {Op::Iff, "↔", Where::Utf8}, {Op::Iff, "⇔", Where::Utf8}, {Op::Iff, "≡", Where::Utf8},
    {Op::Iff, "\\leftrightarrow", Where::Both}, {Op::Iff, "\\iff", Where::Both}, {Op::Iff, "\\equiv", Where::Both},
    {Op::Top, "T", Where::Both}, {Op::Top, "⊤", Where::Utf8}, {Op::Top, "\\top", Where::Both},
    {Op::Bottom, "^", Where::Both}, {Op::Bottom, "⊥", Where::Utf8}, {Op::Bottom, "\\bot", Where::Both},
};
// clang-format on

// A random formula over p, q, r, verum and falsum, every connective equally likely.
int randomWithConstants(Arena &arena, std::mt19937 &rng, int depth)
{
    const int pick = static_cast<int>(rng() % 8);
    if (depth == 0 || pick >= 6) {
        const int leaf = static_cast<int>(rng() % 5);
        return leaf < 3 ? arena.variable(std::string(1, "pqr"[leaf])) : arena.constant(leaf == 3);
    }
    if (pick < 2)
        return arena.negation(randomWithConstants(arena, rng, depth - 1));
    const Op ops[] = {Op::And, Op::Or, Op::Implies, Op::Iff};
    const int a = randomWithConstants(arena, rng, depth - 1);
    return arena.make(ops[pick - 2], a, randomWithConstants(arena, rng, depth - 1));
}

// The formula written with a random spelling of each connective, all in one encoding.
std::string render(const Arena &arena, int id, bool utf8, std::mt19937 &rng, std::vector<int> &used)
{
    const Node n = arena.node(id);
    if (n.op == Op::Var)
        return arena.variableName(n.lhs);
    std::vector<int> choices;
    for (int i = 0; i < static_cast<int>(std::size(kSpellings)); ++i) {
        const Spelling &s = kSpellings[i];
        if (s.op == n.op && (s.where == Where::Both || (s.where == Where::Utf8) == utf8))
            choices.push_back(i);
    }
    const int chosen = choices[rng() % choices.size()];
    ++used[static_cast<std::size_t>(chosen)];
    const std::string symbol = kSpellings[chosen].text;
    if (isLeaf(n.op))
        return symbol;
    if (n.op == Op::Not) // the space keeps a TeX name apart from its operand
        return symbol + " " + render(arena, n.lhs, utf8, rng, used);
    return "(" + render(arena, n.lhs, utf8, rng, used) + " " + symbol + " "
        + render(arena, n.rhs, utf8, rng, used) + ")";
}

} // namespace

TEST(everySpellingInEitherEncodingReadsAsItsConnective)
{
    std::mt19937 rng(14);
    std::vector<int> used(std::size(kSpellings), 0);
    int wrong = 0;
    for (int round = 0; round < 600; ++round) {
        Arena arena;
        const int root = randomWithConstants(arena, rng, 1 + round % 5);
        const bool utf8 = round % 2 != 0;
        const std::string text = render(arena, root, utf8, rng, used);
        const Encoding encoding = detectEncoding(text);
        bool nonAscii = false;
        for (char c : text)
            nonAscii = nonAscii || static_cast<unsigned char>(c) >= 0x80;
        CHECK(!nonAscii || (encoding == Encoding::Utf8) == utf8);
        const ParseResult parsed = parseFormula(arena, decode(text, encoding), encoding);
        // Against the brute-force oracle, through both engines: the solver never sees a constant.
        const auto [canBeTrue, canBeFalse] = bruteForce(arena, root);
        for (Engine engine : {Engine::Table, Engine::Sat}) {
            const Classification c = classify(arena, parsed.root >= 0 ? parsed.root : root, engine);
            wrong
                += c.satisfying.has_value() != canBeTrue || c.falsifying.has_value() != canBeFalse;
        }
        if (parsed.root != root && wrong++ < 5)
            std::printf("  %s read as %s (%s)\n", text.c_str(),
                parsed.ok() ? arena.text(parsed.root).c_str() : "error", parsed.error.c_str());
    }
    CHECK_EQ(wrong, 0);
    for (std::size_t i = 0; i < used.size(); ++i)
        if (used[i] == 0)
            CHECK_EQ(std::string(kSpellings[i].text),
                std::string("a spelling the random formulas used"));
}

TEST(tableRowsStartAllTrueAndCountDownInBinary)
{
    Arena arena;
    const int root = parse(arena, "p & q -> r");
    Evaluator eval(arena, {root}, arena.variablesOf({root}));
    CHECK_EQ(eval.rowCount(), std::uint64_t{8});
    eval.evaluate(0);
    // Rows p q r: VVV VVF VFV VFF FVV FVF FFV FFF; only row 1 is false.
    CHECK_EQ(eval.value(root) & 0xFF, std::uint64_t{0xFD});
    CHECK(eval.assignment(1) == (std::vector<bool>{true, true, false}));
    CHECK(eval.assignment(6) == (std::vector<bool>{false, false, true}));
}

TEST(bitParallelTablesAgreeWithOneAssignmentAtATime)
{
    std::mt19937 rng(7);
    for (int round = 0; round < 200; ++round) {
        Arena arena;
        const int vars = 1 + round % 9;
        const int root = randomFormula(arena, rng, vars, 1 + round % 25);
        const std::vector<int> order = arena.variablesOf({root});
        Evaluator eval(arena, {root}, order);
        for (std::uint64_t first = 0; first < eval.rowCount(); first += 64) {
            eval.evaluate(first);
            for (std::uint64_t r = first; r < std::min(eval.rowCount(), first + 64); ++r) {
                const bool fast = (eval.value(root) >> (r - first)) & 1;
                if (fast != evaluateOnce(arena, root, order, eval.assignment(r))) {
                    CHECK_EQ(
                        arena.text(root) + " row " + std::to_string(r), std::string("agreement"));
                    return;
                }
            }
        }
    }
}

TEST(classificationFindsTheThreeKindsWithWitnesses)
{
    Arena arena;
    for (Engine engine : {Engine::Table, Engine::Sat}) {
        Classification c = classify(arena, parse(arena, "p V \xACp"), engine);
        CHECK(c.verdict == Verdict::Tautology);
        CHECK(c.satisfying && !c.falsifying);
        c = classify(arena, parse(arena, "p & \xACp"), engine);
        CHECK(c.verdict == Verdict::Contradiction);
        CHECK(!c.satisfying && c.falsifying);
        const int root = parse(arena, "(p -> q) & (q -> r) & p & \xACr V s");
        c = classify(arena, root, engine);
        CHECK(c.verdict == Verdict::Contingency);
        CHECK(c.satisfying && evaluateOnce(arena, root, c.vars, *c.satisfying));
        CHECK(c.falsifying && !evaluateOnce(arena, root, c.vars, *c.falsifying));
    }
}

TEST(satAgreesWithBruteForceOnThousandsOfRandomFormulas)
{
    std::mt19937 rng(20260108);
    int disagreements = 0, badModels = 0;
    int seen[3] = {0, 0, 0};
    for (int round = 0; round < 4000; ++round) {
        Arena arena;
        const int vars = 1 + round % 12;
        int root = randomFormula(arena, rng, vars, 1 + static_cast<int>(rng() % 60));
        if (round % 2)
            root = arena.negation(root); // random formulas lean towards tautologies
        const auto [canBeTrue, canBeFalse] = bruteForce(arena, root);
        const std::vector<int> order = arena.variablesOf({root});
        const Search yes = satSearch(arena, root, true, order, kConflictLimit);
        const Search no = satSearch(arena, root, false, order, kConflictLimit);
        disagreements
            += (yes.found == Found::Yes) != canBeTrue || (no.found == Found::Yes) != canBeFalse;
        badModels += yes.found == Found::Yes && !evaluateOnce(arena, root, order, yes.model);
        badModels += no.found == Found::Yes && evaluateOnce(arena, root, order, no.model);
        ++seen[canBeTrue && canBeFalse ? 0 : canBeTrue ? 1 : 2];
    }
    CHECK_EQ(disagreements, 0);
    CHECK_EQ(badModels, 0);
    // The sample must hold all three kinds, or it proves little.
    std::printf(
        "  contingencies %d, tautologies %d, contradictions %d\n", seen[0], seen[1], seen[2]);
    CHECK(seen[0] > 100 && seen[1] > 100 && seen[2] > 100);
}

TEST(satDecidesStructuredHardCasesAndRespectsItsLimit)
{
    Arena arena;
    CHECK(classify(arena, parse(arena, pigeonhole(5, 4)), Engine::Sat).verdict
        == Verdict::Contradiction);
    CHECK(classify(arena, parse(arena, pigeonhole(4, 4)), Engine::Sat).verdict
        == Verdict::Contingency);

    std::string left = "p1", right = "p12";
    for (int i = 2; i <= 12; ++i) {
        left += " n p" + std::to_string(i);
        right += " n p" + std::to_string(13 - i);
    }
    const int parity = parse(arena, "(" + left + ") n (" + right + ")");
    CHECK(classify(arena, parity, Engine::Sat).verdict == Verdict::Tautology);

    const int php = parse(arena, pigeonhole(9, 8));
    const Search s = satSearch(arena, php, true, arena.variablesOf({php}), 20);
    CHECK(s.found == Found::Unknown);
}

// Thousands of conflicts: learnt clauses are reduced and moved many times over, with reasons of
// assigned literals among them. The answers must not change with the path the search takes.
TEST(longSearchesKeepTheirAnswersThroughLearntClauseReduction)
{
    for (int holes :
        {8, 9}) { // pigeonhole principle as plain clauses: unsatisfiable, 20,000 conflicts
        const int pigeons = 9;
        Cnf cnf;
        const auto v = [&](int p, int h) { return p * holes + h + 1; };
        for (int p = 0; p < pigeons; ++p) {
            cnf.emplace_back();
            for (int h = 0; h < holes; ++h)
                cnf.back().push_back(v(p, h));
        }
        for (int h = 0; h < holes; ++h)
            for (int p = 0; p < pigeons; ++p)
                for (int q = p + 1; q < pigeons; ++q)
                    cnf.push_back({-v(p, h), -v(q, h)});
        Solver s;
        const Solver::Result r = solveCnf(s, pigeons * holes, cnf);
        CHECK(r == (holes < pigeons ? Solver::Result::Unsatisfiable : Solver::Result::Satisfiable));
        CHECK(r == Solver::Result::Unsatisfiable || satisfies(s, cnf));
        CHECK(holes < pigeons ? s.conflicts() > 10'000 : true);
    }

    std::mt19937 rng(426);
    int disagreements = 0, badModels = 0, reduced = 0, kinds[2] = {0, 0};
    for (int round = 0; round < 16; ++round) {
        const int vars = 170 + round;
        const Cnf cnf = random3Cnf(rng, vars, vars * 426 / 100);
        // The same clauses with the variables renamed and the clauses in another order.
        std::vector<int> rename(static_cast<std::size_t>(vars));
        std::iota(rename.begin(), rename.end(), 1);
        std::shuffle(rename.begin(), rename.end(), rng);
        Cnf other = cnf;
        for (auto &c : other)
            for (int &l : c)
                l = l > 0 ? rename[static_cast<std::size_t>(l - 1)]
                          : -rename[static_cast<std::size_t>(-l - 1)];
        std::shuffle(other.begin(), other.end(), rng);
        Solver a, b;
        const Solver::Result ra = solveCnf(a, vars, cnf), rb = solveCnf(b, vars, other);
        disagreements += ra != rb;
        badModels += (ra == Solver::Result::Satisfiable && !satisfies(a, cnf))
            + (rb == Solver::Result::Satisfiable && !satisfies(b, other));
        reduced += a.conflicts() > 3000
            && a.learntClauses() < static_cast<std::size_t>(a.conflicts()) * 3 / 4;
        ++kinds[ra == Solver::Result::Satisfiable];
    }
    CHECK_EQ(disagreements, 0);
    CHECK_EQ(badModels, 0);
    std::printf("  satisfiable %d, unsatisfiable %d, searches that reduced %d\n", kinds[1],
        kinds[0], reduced);
    CHECK(kinds[0] >= 3 && kinds[1] >= 3 && reduced >= 3);
}

// A hard formula stops at the time limit, shared by the searches for one answer, and says what
// it tried.
TEST(hardFormulasStopAtTheTimeLimit)
{
    std::mt19937 rng(4263);
    Arena arena;
    int root = -1;
    for (const auto &c : random3Cnf(rng, 400, 1704)) {
        int clause = -1;
        for (int l : c) {
            const int x = arena.variable("x" + std::to_string(std::abs(l)));
            const int lit = l > 0 ? x : arena.negation(x);
            clause = clause < 0 ? lit : arena.make(Op::Or, clause, lit);
        }
        root = root < 0 ? clause : arena.make(Op::And, root, clause);
    }
    // Processor time: each search gets 300 ms of it, however busy the machine.
    const auto limits = [] {
        return Limits{kConflictLimit, Budget::forTime(std::chrono::milliseconds(300))};
    };
    const Classification c = classify(arena, root, Engine::Automatic, limits());
    CHECK(c.verdict == Verdict::Unknown);
    CHECK(c.effort.conflicts > 100);
    CHECK(c.effort.seconds >= 0.3 && c.effort.seconds < 0.33);
    CHECK(c.effort.stop == Stop::Time);
    const ArgumentCheck a
        = checkArgument(arena, {root}, arena.variable("y"), Engine::Automatic, limits());
    CHECK(a.counterexampleFound == Found::Unknown);
    CHECK(a.effort.seconds >= 0.3 && a.effort.seconds < 0.33);
}

TEST(solverHandlesTrivialClauseSets)
{
    Solver empty;
    CHECK(empty.solve(10) == Solver::Result::Satisfiable);
    Solver contradiction;
    const int a = contradiction.addVariable();
    contradiction.addClause({a});
    contradiction.addClause({-a});
    CHECK(contradiction.solve(10) == Solver::Result::Unsatisfiable);
    Solver tautological;
    const int b = tautological.addVariable();
    tautological.addClause({b, -b});
    tautological.addClause({b, b});
    CHECK(tautological.solve(10) == Solver::Result::Satisfiable);
    CHECK(tautological.modelValue(b));
}

TEST(sixtyFourVariablesAreClassifiedAndWitnessed)
{
    Arena arena;
    std::string all, chain, someOr;
    for (int i = 1; i <= 64; ++i) {
        const std::string v = "x" + std::to_string(i);
        all += (i > 1 ? " & " : "") + v;
        someOr += (i > 1 ? " V " : "") + v;
        if (i < 64)
            chain += (i > 1 ? " & " : "") + ("(" + v + " -> x" + std::to_string(i + 1) + ")");
    }
    Classification c = classify(arena, parse(arena, all));
    CHECK(c.verdict == Verdict::Contingency);
    CHECK_EQ(c.vars.size(), std::size_t{64});
    CHECK(c.satisfying
        && std::find(c.satisfying->begin(), c.satisfying->end(), false) == c.satisfying->end());
    CHECK(
        classify(arena, parse(arena, "(" + someOr + ") V \xACx33")).verdict == Verdict::Tautology);
    CHECK(classify(arena, parse(arena, "(" + chain + ") -> (x1 -> x64)")).verdict
        == Verdict::Tautology);
    CHECK(classify(arena, parse(arena, "(" + chain + ") & x1 & \xACx64")).verdict
        == Verdict::Contradiction);
}

TEST(argumentsAreValidOnlyWithoutACounterexample)
{
    Arena arena;
    const int pq = parse(arena, "p -> q"), p = parse(arena, "p"), q = parse(arena, "q");
    CHECK(checkArgument(arena, {pq, p}, q).counterexampleFound == Found::No);
    const ArgumentCheck bad = checkArgument(arena, {pq, q}, p);
    CHECK(bad.counterexampleFound == Found::Yes);
    CHECK(bad.counterexample == (std::vector<bool>{false, true})); // p = F, q = V
    CHECK(checkArgument(arena, {}, parse(arena, "p V \xACp")).counterexampleFound == Found::No);
    CHECK(checkArgument(arena, {}, p).counterexampleFound == Found::Yes);
    CHECK(checkArgument(arena, {parse(arena, "p & \xACp")}, q).counterexampleFound == Found::No);

    std::vector<int> premises{parse(arena, "x1")};
    for (int i = 1; i < 64; ++i)
        premises.push_back(parse(arena, "x" + std::to_string(i) + " -> x" + std::to_string(i + 1)));
    CHECK(checkArgument(arena, premises, parse(arena, "x64")).counterexampleFound == Found::No);
    const int wrong = parse(arena, "x64 -> x1 & y");
    const ArgumentCheck c = checkArgument(arena, premises, wrong);
    CHECK(c.counterexampleFound == Found::Yes);
    for (std::size_t i = 0; i < premises.size(); ++i)
        CHECK(evaluateOnce(arena, premises[i], c.vars, c.counterexample));
    CHECK(!evaluateOnce(arena, wrong, c.vars, c.counterexample));
}

// Every cell of the tables against one assignment at a time: the formula's own column, each
// premise and the conclusion, and the marks of an argument's rows.
TEST(tableCellsAndArgumentMarksAgreeWithTheEvaluator)
{
    std::mt19937 rng(1402);
    int wrongCells = 0, wrongMarks = 0, counterexampleRows = 0;
    for (int round = 0; round < 150; ++round) {
        Arena arena;
        const int vars = 1 + round % 5;
        std::vector<int> premises;
        for (int i = 0; i < round % 4; ++i)
            premises.push_back(randomFormula(arena, rng, vars, 1 + static_cast<int>(rng() % 6)));
        const int conclusion = randomFormula(arena, rng, vars, 1 + static_cast<int>(rng() % 6));
        std::vector<int> all = premises;
        all.push_back(conclusion);
        const std::vector<int> order = arena.variablesOf(all);

        const std::vector<std::string> lines
            = split(argumentTable(arena, premises, conclusion), '\n');
        CHECK_EQ(lines.size(), (std::size_t{1} << order.size()) + 2); // heading, header, rows
        bool anyCounterexample = false;
        for (std::size_t row = 2; row < lines.size(); ++row) {
            const std::vector<std::string> cells = split(lines[row], '\t');
            std::vector<bool> values;
            for (std::size_t i = 0; i < order.size(); ++i)
                values.push_back(cells[i] == "V");
            bool premisesHold = true;
            for (std::size_t i = 0; i < all.size(); ++i) {
                const bool v = evaluateOnce(arena, all[i], order, values);
                wrongCells += cells[order.size() + i] != (v ? "V" : "F");
                premisesHold = premisesHold && (i + 1 == all.size() || v);
            }
            const bool counter = premisesHold && !evaluateOnce(arena, conclusion, order, values);
            const std::string mark = cells.size() > order.size() + all.size() ? cells.back() : "";
            wrongMarks += mark != (counter ? "* contraejemplo" : premisesHold ? "*" : "");
            anyCounterexample = anyCounterexample || counter;
        }
        counterexampleRows += anyCounterexample;
        CHECK_EQ(anyCounterexample,
            checkArgument(arena, premises, conclusion).counterexampleFound == Found::Yes);

        const std::vector<std::string> table = split(formulaTable(arena, conclusion), '\n');
        const std::vector<int> own = arena.variablesOf({conclusion});
        for (std::size_t row = 0; row < (std::size_t{1} << own.size()); ++row) {
            const std::vector<std::string> cells
                = split(table[table.size() - (std::size_t{1} << own.size()) + row], '\t');
            std::vector<bool> values;
            for (std::size_t i = 0; i < own.size(); ++i)
                values.push_back(cells[i] == "V");
            wrongCells
                += cells.back() != (evaluateOnce(arena, conclusion, own, values) ? "V" : "F");
        }
    }
    CHECK_EQ(wrongCells, 0);
    CHECK_EQ(wrongMarks, 0);
    CHECK(counterexampleRows > 20 && counterexampleRows < 130);
}

// Long subformulas are listed by their parts' column numbers; put back together, the last
// column's description must be the formula itself.
TEST(longColumnsReferToEarlierColumnsByNumber)
{
    Arena arena;
    std::string text = "p";
    for (int i = 0; i < 30; ++i)
        text
            = "(" + text + (i % 2 ? " -> " : " & ") + (i % 3 ? "\xAC" : "") + "pqrstu"[i % 6] + ")";
    const int root = parse(arena, text);
    const std::vector<std::string> lines = split(formulaTable(arena, root), '\n');
    std::vector<std::string> columns{""};
    for (const std::string &l : lines) {
        if (l.empty() || l[0] != '(')
            continue;
        CHECK(l.size() <= kMaxColumnText + 20);
        std::string expanded;
        for (std::size_t i = l.find(' ') + 1; i < l.size(); ++i) {
            std::size_t end = 0;
            if (l[i] == '(' && std::isdigit(static_cast<unsigned char>(l[i + 1]))
                && (end = l.find(')', i)) != std::string::npos) {
                expanded += "(" + columns.at(std::stoul(l.substr(i + 1, end - i - 1))) + ")";
                i = end;
            } else {
                expanded += l[i];
            }
        }
        columns.push_back(expanded);
    }
    CHECK_EQ(columns.size(), std::size_t{1 + 30 + 4}); // 30 connectives; ¬q, ¬r, ¬t, ¬u shared
    CHECK_EQ(parse(arena, toReadableCp1252(columns.back())), root);
}

TEST_MAIN()
