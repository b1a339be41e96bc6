// The first-order and modal engine: its verdicts against what logic books say, against its own
// other method (a closed tree must have no small countermodel), and under hostile input.

#include "Engine.h"
#include "Harness.h"
#include "Parsed.h"
#include "models/Models.h"
#include "syntax/Parser.h"
#include "syntax/Text.h"
#include "worksheet/Api.h"

#include <cstdlib>
#include <cstring>
#include <fstream>
#include <iterator>
#include <random>
#include <set>
#include <sstream>
#include <string>

using namespace logic;

namespace {

Judgement decide(
    const std::string &utf8, ModalSystem system = ModalSystem::K, int milliseconds = 10'000)
{
    Parsed p = parse(utf8);
    const Budget budget = Budget::forTime(std::chrono::milliseconds(milliseconds));
    return judge(p.logic, p.line.premises, p.line.conclusion, p.line.argument, system, budget);
}

// No countermodel of up to three elements or worlds: what a closed tree promises.
bool noSmallCountermodel(const std::string &utf8, ModalSystem system)
{
    Parsed p = parse(utf8);
    std::vector<int> refutation = p.line.premises;
    refutation.push_back(p.logic.negation(p.line.conclusion));
    for (int d = 1; d <= 3; ++d)
        for (int w = 1; w <= 3; ++w)
            if (findModel(p.logic, refutation, system, d, w, Budget{}).status != ModelStatus::None)
                return false;
    return true;
}

std::string dataPath(const char *name)
{
    const char *dir = std::getenv("ZV_PROBLEM_SETS");
    return std::string(dir ? dir : "bench/logic") + "/" + name;
}

} // namespace

TEST(pelletierOneToFortySixAreProvedByClosedTrees)
{
    std::ifstream in(dataPath("pelletier.txt"), std::ios::binary);
    const std::string text((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    const std::vector<ProblemResult> results
        = checkText(text, ModalSystem::K, std::atomic<bool>{false});
    CHECK_EQ(results.size(), std::size_t{46});
    for (const ProblemResult &r : results) {
        if (r.decision != Decision::Valid || r.explanation.rfind("Árbol cerrado", 0) != 0)
            CHECK_EQ("line " + std::to_string(r.line) + ": " + r.explanation,
                std::string("a closed tree"));
        // Each branch ends in × with the numbers of two lines of that branch.
        CHECK(r.explanation.find("× ") != std::string::npos);
    }
}

// Reads a closed tree as a student would check it: every "de N" names a line above on the same
// branch, every ∃ or ¬∀ line brings a constant new to its branch, every × names a formula and its
// negation on its branch (or one line that contradicts itself). Returns the first fault.
std::string treeFault(const std::string &tree)
{
    Logic logic;
    struct Row
    {
        int number, formula;
        std::size_t indent;
        std::set<std::string> constants;
    };
    std::vector<Row> path; // the lines of the branch being read
    std::istringstream in(tree);
    std::string line;
    std::getline(in, line); // the heading
    auto constantsOf = [&](int f) {
        std::set<std::string> names;
        std::string text = logic.text(f);
        for (int i = 0; i < logic.functionCount(); ++i)
            if (logic.functionSymbol(i).arity == 0
                && text.find(logic.functionSymbol(i).name) != std::string::npos)
                names.insert(logic.functionSymbol(i).name);
        return names;
    };
    while (std::getline(in, line)) {
        const std::size_t indent = line.find_first_not_of(' ');
        const std::string body = line.substr(indent);
        if (body.rfind("rama ", 0) == 0) {
            while (!path.empty() && path.back().indent >= indent + 3)
                path.pop_back();
            continue;
        }
        while (!path.empty() && path.back().indent > indent)
            path.pop_back();
        auto onPath = [&](int n) -> const Row * {
            for (const Row &r : path)
                if (r.number == n)
                    return &r;
            return nullptr;
        };
        if (body.rfind("× ", 0) == 0) {
            int a = 0, b = 0;
            const int read = std::sscanf(body.c_str() + std::strlen("× "), "%d y %d", &a, &b);
            const Row *x = onPath(a), *y = read == 2 ? onPath(b) : x;
            if (!x || !y)
                return "× names a line off its branch: " + line;
            const FormulaNode &fx = logic.node(x->formula), &fy = logic.node(y->formula);
            const bool pair = (fx.kind == Fk::Not && fx.a == y->formula)
                || (fy.kind == Fk::Not && fy.a == x->formula);
            const bool swapped = fx.kind == Fk::Not && logic.node(fx.a).kind == Fk::Equal
                && fy.kind == Fk::Equal && logic.node(fx.a).a == fy.b && logic.node(fx.a).b == fy.a;
            const bool alone = read == 1
                && (fx.kind == Fk::Bottom
                    || (fx.kind == Fk::Not && logic.node(fx.a).kind == Fk::Equal
                        && logic.node(fx.a).a == logic.node(fx.a).b));
            if (!pair && !swapped && !alone
                && !(fy.kind == Fk::Not && logic.node(fy.a).kind == Fk::Equal
                    && fx.kind == Fk::Equal && logic.node(fy.a).a == fx.b
                    && logic.node(fy.a).b == fx.a))
                return "× pairs no contradiction: " + line;
            continue;
        }
        int number = 0;
        std::sscanf(body.c_str(), "%d.", &number);
        const std::size_t open = body.rfind("  (");
        std::string formula = body.substr(body.find(". ") + 2, open - body.find(". ") - 2);
        if (const std::size_t world = formula.find("  ["); world != std::string::npos)
            formula = formula.substr(0, world);
        const std::string origin = body.substr(open + 3, body.size() - open - 4);
        if (formula.find(" R w") != std::string::npos && formula[0] == 'w')
            formula = "⊤"; // an accessibility line
        const LineParse parsed = parseLine(logic, decode(formula, Encoding::Utf8), Encoding::Utf8);
        if (!parsed.ok())
            return "a line that does not parse: " + line;
        Row row{number, parsed.conclusion, indent, constantsOf(parsed.conclusion)};
        if (origin.rfind("de ", 0) == 0) {
            int a = 0, b = 0;
            const int read = std::sscanf(origin.c_str() + 3, "%d y %d", &a, &b);
            const Row *from = onPath(a);
            if (!from || (read == 2 && !onPath(b)))
                return "a rule applied to a line off its branch: " + line;
            if (origin.find(", ∃") != std::string::npos
                || origin.find(", ¬∀") != std::string::npos) {
                std::set<std::string> fresh;
                for (const std::string &c : row.constants)
                    if (!from->constants.count(c))
                        fresh.insert(c);
                for (const Row &r : path)
                    for (const std::string &c : fresh)
                        if (r.constants.count(c))
                            return "a witness that is not new on its branch: " + line;
            }
        }
        path.push_back(row);
    }
    return "";
}

TEST(closedTreesReadAsTextbookTrees)
{
    const char *problems[] = {
        "∃x∃y(Pxy → ∀x∀y Pxy)", // Pelletier 35: needs new instances after the witnesses
        "∀x∃y Fxy, ∀x∃y Gxy, ∀x∀y((Fxy ∨ Gxy) → ∀z((Fyz ∨ Gyz) → Hxz)) ⊨ ∀x∃y Hxy",
        "∃x∃y∀z(z = x ∨ z = y), Pa ∧ Pb, a ≠ b ⊨ ∀x Px",
        "∀x∀y∀z∃w(((¬Fx ∨ Rwz) ↔ z = y) ∨ Fx) ⊨ ∀x∀y∃z(Syz → ((Rxx → Fy) ∨ Rxy))",
        "∀x□Fx → □∀x Fx",
        "◇p → □◇p",
        "∀x((Fx ∧ ∀y((Fy ∧ Hyx) → Gy)) → Gx), ∃x(Fx ∧ ¬Gx) → ∃x(Fx ∧ ¬Gx ∧ ∀y((Fy ∧ ¬Gy) → Jxy)), "
        "∀x∀y((Fx ∧ Fy ∧ Hxy) → ¬Jyx) ⊨ ∀x(Fx → Gx)",
    };
    const ModalSystem systems[] = {ModalSystem::K, ModalSystem::K, ModalSystem::K, ModalSystem::K,
        ModalSystem::K, ModalSystem::S5, ModalSystem::K};
    for (std::size_t i = 0; i < std::size(problems); ++i) {
        const Judgement j = decide(problems[i], systems[i]);
        CHECK(j.decision == Decision::Valid);
        if (const std::string fault = treeFault(j.explanation); !fault.empty())
            CHECK_EQ(std::string(problems[i]) + ": " + fault, std::string("a textbook tree"));
    }
}

TEST(textbookFallaciesGetCountermodelsThatHold)
{
    const char *fallacies[] = {
        "p → q, q ⊨ p",                // affirming the consequent
        "p → q, ¬p ⊨ ¬q",              // denying the antecedent
        "∀x∃y Rxy ⊨ ∃y∀x Rxy",         // quantifier shift
        "∀x(Fx ∨ Gx) ⊨ ∀x Fx ∨ ∀x Gx", // ∀ over ∨
        "∃x Fx ∧ ∃x Gx ⊨ ∃x(Fx ∧ Gx)", // ∃ over ∧
        "∀x(Fx → Gx), Ga ⊨ Fa",
        "Fa, a ≠ b ⊨ ¬Fb",
        "∀x∀y(f(x) = f(y)) ⊨ ∀x∀y(x = y)",
        "□(p ∨ q) ⊨ □p ∨ □q",
        "◇p ∧ ◇q ⊨ ◇(p ∧ q)",
        "∀x◇Fx ⊨ ◇∀x Fx",
    };
    for (const char *f : fallacies) {
        const Judgement j = decide(f);
        if (j.decision != Decision::Invalid || j.explanation.rfind("Contramodelo", 0) != 0)
            CHECK_EQ(std::string(f) + " -> " + j.explanation, std::string("a countermodel"));
    }
}

TEST(theEvaluatorReadsAHandMadeStructureAsTextbooksDo)
{
    // Domain {0, 1}, R = {(0,1), (1,0)}, F = {0}, a = 0, f swaps; worlds w0 → w1, p true at w1.
    Parsed p = parse("∀x∃y Rxy ∧ ¬∃y∀x Rxy ∧ Fa ∧ ¬F(f(a)) ∧ f(f(a)) = a ∧ ◇p ∧ ¬p ∧ □□¬p");
    Structure s;
    s.domain = 2;
    s.worlds = 2;
    s.access = {{0, 1}, {0, 0}};
    auto symbol = [&](bool predicate, const char *name, int arity) {
        return predicate ? p.logic.predicate(name, arity) : p.logic.function(name, arity);
    };
    s.predicates[symbol(true, "R", 2)] = {0, 1, 1, 0, /* w1 */ 0, 0, 0, 0};
    s.predicates[symbol(true, "F", 1)] = {1, 0, 1, 0};
    s.predicates[symbol(true, "p", 0)] = {0, 1};
    s.functions[symbol(false, "a", 0)] = {0};
    s.functions[symbol(false, "f", 1)] = {1, 0};
    CHECK(holdsIn(p.logic, s, p.line.conclusion));
    CHECK(frameFits(s, ModalSystem::K) && !frameFits(s, ModalSystem::T)
        && !frameFits(s, ModalSystem::D));
    s.predicates[symbol(true, "R", 2)][1] = 0; // now 0 sees nothing: ∀x∃y Rxy fails
    CHECK(!holdsIn(p.logic, s, p.line.conclusion));
    // A name the structure does not interpret makes its atoms false, and never a crash.
    Parsed q = parse("F(g(c)) ∨ c = c ∨ ¬F(f(a))");
    Structure t;
    t.domain = 2;
    t.functions[q.logic.function("f", 1)] = {1, 0};
    t.functions[q.logic.function("a", 0)] = {0};
    t.predicates[q.logic.predicate("F", 1)] = {1, 0};
    CHECK(holdsIn(q.logic, t, q.line.conclusion)); // ¬F(f(a)): f(a) = 1, F false there
    CHECK(!holdsIn(q.logic, t, q.logic.node(q.logic.node(q.line.conclusion).a).a));
}

TEST(theModelSearchMissesNoModelThatBruteForceFinds)
{
    // Every structure of one or two elements for F/1, R/2 and a, and every Kripke model of up to
    // three worlds for p and q, enumerated and evaluated plainly: the encoding must find a model
    // exactly when one of them satisfies the formula.
    std::mt19937 rng(16);
    auto pick = [&](std::initializer_list<const char *> items) {
        return std::data(items)[rng() % items.size()];
    };
    std::function<std::string(int, bool)> formula = [&](int depth, bool modal) -> std::string {
        const int roll = static_cast<int>(rng() % 10);
        if (depth == 0 || roll < 2)
            return modal ? std::string(pick({"p", "q"}))
                         : pick({"Fx", "Rxy", "Ryx", "Fa", "Rax", "x = a", "x = y"});
        if (roll < 5)
            return std::string(modal ? pick({"¬", "□", "◇"}) : pick({"¬", "∀x", "∃x", "∀y", "∃y"}))
                + formula(depth - 1, modal);
        const std::string a = formula(depth - 1, modal);
        return "(" + a + pick({" ∧ ", " ∨ ", " → ", " ↔ "}) + formula(depth - 1, modal) + ")";
    };
    int agreed = 0, satisfiable = 0;
    for (int round = 0; round < 160; ++round) {
        const bool modal = round % 2 != 0;
        // Conjunctions of several random formulas, so that many have no model at all.
        std::string text = formula(3, modal);
        for (int k = round % 4; k > 0; --k)
            text = "(" + text + " ∧ " + formula(3, modal) + ")";
        if (!modal)
            text = "∀x∀y" + text;
        const ModalSystem system = modal ? static_cast<ModalSystem>(rng() % 7) : ModalSystem::K;
        Parsed p = parse(text);
        const int f = p.line.conclusion;
        Logic &L = p.logic;
        // Three worlds in some modal rounds: two rarely tell transitive frames from others.
        for (int size = 1; size <= (modal && round % 4 == 1 ? 3 : 2); ++size) {
            bool found = false;
            Structure s;
            s.domain = modal ? 1 : size;
            s.worlds = modal ? size : 1;
            const int F = L.predicate("F", 1), R = L.predicate("R", 2), pl = L.predicate("p", 0),
                      ql = L.predicate("q", 0);
            const int a = L.function("a", 0);
            const int bits = modal ? size * size + 2 * size : size + size * size + 1;
            for (int code = 0; code < (1 << bits) && !found; ++code) {
                int at = 0;
                auto next = [&] { return static_cast<char>((code >> at++) & 1); };
                s.access.assign(static_cast<std::size_t>(s.worlds),
                    std::vector<char>(static_cast<std::size_t>(s.worlds), 0));
                s.predicates.clear();
                s.functions.clear();
                if (modal) {
                    for (auto &row : s.access)
                        for (char &c : row)
                            c = next();
                    for (int letter : {pl, ql})
                        for (int w = 0; w < size; ++w)
                            s.predicates[letter].push_back(next());
                } else {
                    for (int d = 0; d < size; ++d)
                        s.predicates[F].push_back(next());
                    for (int d = 0; d < size * size; ++d)
                        s.predicates[R].push_back(next());
                    s.functions[a] = {size == 2 ? next() : 0};
                }
                found = (!modal || frameFits(s, system)) && holdsIn(L, s, f);
            }
            const ModelSearch m
                = findModel(L, {f}, system, modal ? 1 : size, modal ? size : 1, Budget{});
            agreed += found == (m.status == ModelStatus::Found);
            satisfiable += found;
            if (found != (m.status == ModelStatus::Found))
                CHECK_EQ(text + " in " + systemName(system) + " of size " + std::to_string(size)
                        + ": " + (found ? "a model by brute force" : "no model by brute force"),
                    std::string("the same from the encoding"));
        }
    }
    std::printf("  %d sizes agreed, %d with a model\n", agreed, satisfiable);
    CHECK(satisfiable > 40 && agreed - satisfiable > 30);
}

TEST(modalAxiomsAreValidExactlyInTheSystemsThatHaveThem)
{
    struct Axiom
    {
        const char *formula;
        const char *validIn; // systems, as logic books list them (B is KTB)
    };
    const Axiom axioms[] = {
        {"□(p → q) → (□p → □q)", "K T D B K4 S4 S5"}, // K
        {"□p → p", "T B S4 S5"},                      // T
        {"□p → ◇p", "T D B S4 S5"},                   // D
        {"p → □◇p", "B S5"},                          // B
        {"□p → □□p", "K4 S4 S5"},                     // 4
        {"◇p → □◇p", "S5"},                           // 5
    };
    for (const Axiom &a : axioms)
        for (const char *name : {"K", "T", "D", "B", "K4", "S4", "S5"}) {
            ModalSystem system;
            parseSystemName(name, system);
            const bool expected
                = (" " + std::string(a.validIn) + " ").find(" " + std::string(name) + " ")
                != std::string::npos;
            const Decision d = decide(a.formula, system).decision;
            if (d != (expected ? Decision::Valid : Decision::Invalid))
                CHECK_EQ(std::string(a.formula) + " in " + name + ": " + decisionWords(d),
                    std::string(expected ? "valid" : "invalid"));
        }
}

TEST(closedTreesNeverMeetASmallCountermodelOnRandomProblems)
{
    // The tableau and the model finder are separate methods: a closed tree with a countermodel
    // would be a wrong rule in one of them. Propositional modal problems must always be decided.
    std::mt19937 rng(15);
    auto pick = [&](std::initializer_list<const char *> items) {
        return std::data(items)[rng() % items.size()];
    };
    std::function<std::string(int, bool)> formula = [&](int depth, bool firstOrder) -> std::string {
        const int roll = static_cast<int>(rng() % 10);
        if (depth == 0 || roll < 2)
            return firstOrder ? std::string(pick({"Fx", "Gx", "Rxy", "Fa", "x = a", "Ryx"}))
                              : pick({"p", "q", "r"});
        if (roll < 4)
            return std::string(pick({"¬", "□", "◇"})) + formula(depth - 1, firstOrder);
        if (firstOrder && roll < 6)
            return std::string(pick({"∀x", "∃x", "∀y", "∃y"})) + formula(depth - 1, firstOrder);
        const std::string a = formula(depth - 1, firstOrder);
        return "(" + a + pick({" ∧ ", " ∨ ", " → ", " ↔ "}) + formula(depth - 1, firstOrder) + ")";
    };
    int valid = 0, invalid = 0, unknown = 0;
    for (int round = 0; round < 240; ++round) {
        const bool firstOrder = round % 3 == 0;
        const std::string a = formula(3, firstOrder), b = formula(3, firstOrder);
        // Half are instances of valid schemas, so that both verdicts are well represented.
        const std::string schemas[]
            = {"(A → (B → A))", "((A → B) → (¬B → ¬A))", "(□(A → B) → (□A → □B))",
                "((□A ∧ □B) → □(A ∧ B))", "(((A → B) → A) → A)", "(◇(A ∨ B) → (◇A ∨ ◇B))"};
        std::string f = round % 2 ? formula(4, firstOrder) : schemas[rng() % std::size(schemas)];
        for (std::size_t at; (at = f.find('A')) != std::string::npos;)
            f.replace(at, 1, a);
        for (std::size_t at; (at = f.find('B')) != std::string::npos;)
            f.replace(at, 1, b);
        if (firstOrder)
            f = "∀x∀y" + f; // no free variables: x and y are bound
        ModalSystem system = static_cast<ModalSystem>(rng() % 7);
        const Judgement j = decide(f, system, 2000);
        if (j.decision == Decision::Valid) {
            ++valid;
            if (!noSmallCountermodel(f, system))
                CHECK_EQ(f + " in " + systemName(system), std::string("no countermodel"));
        } else if (j.decision == Decision::Invalid) {
            ++invalid;
        } else {
            ++unknown;
            std::printf("  undecided: %s in %s\n", f.c_str(), systemName(system));
            if (!firstOrder)
                CHECK_EQ(f + " in " + systemName(system), std::string("decided"));
        }
    }
    std::printf("  valid %d, invalid %d, undecided %d\n", valid, invalid, unknown);
    CHECK(valid > 30 && invalid > 30);
}

TEST(checkTextGivesEachProblemItsLineColumnAndSystem)
{
    const std::string text = "// comentario\n"
                             "∀x(Fx → Gx), Fa ⊨ Ga\n"
                             "sistema: S4\n"
                             "□p → □□p\n"
                             "\n"
                             "∀x Fx\n"
                             "---\n"
                             "Fa\n"
                             "p ∧ ∀∀ q\n"
                             "sistema: S9\n";
    const std::vector<ProblemResult> r = checkText(text, ModalSystem::K, std::atomic<bool>{false});
    CHECK_EQ(r.size(), std::size_t{5});
    if (r.size() != 5)
        return;
    CHECK(r[0].line == 2 && r[0].argument && r[0].decision == Decision::Valid);
    CHECK(r[1].line == 4 && r[1].system == ModalSystem::S4 && r[1].decision == Decision::Valid);
    CHECK(r[2].firstLine == 6 && r[2].line == 8 && r[2].decision == Decision::Valid);
    CHECK(r[2].explanation.find("∀x Fx") != std::string::npos); // Unicode, not the 1252 spellings
    CHECK(r[3].syntaxError && r[3].errorLine == 9);
    CHECK_EQ(r[3].errorColumn, 6); // characters, not bytes: ∧ and ∀ take three bytes each
    CHECK(r[4].syntaxError && r[4].errorMessage.find("S9") != std::string::npos);

    // Propositional problems come with their table; an argument with its joint one.
    const std::vector<ProblemResult> table
        = checkText("p → q, q ⊨ p\n", ModalSystem::K, std::atomic<bool>{false});
    CHECK(table.size() == 1 && table[0].truthTable.find("* contraejemplo") != std::string::npos);
    CHECK(r[0].truthTable.empty());

    const std::atomic<bool> cancelled{true};
    for (const ProblemResult &c :
        checkText("∀x∃y Rxy ⊨ ∃y∀x Rxy\np ∨ ¬p\n", ModalSystem::K, cancelled))
        CHECK(c.decision == Decision::Unknown);
}

TEST(hostileProblemsEndUndecidedWithinTheirLimits)
{
    // Only infinite models make these premises true with the conclusion false: never "no válido".
    // The limit is processor time of this thread, and so is the bound: a busy machine stretches
    // neither.
    const auto start = CpuClock::now();
    const Judgement infinite
        = decide("∀x∃y Rxy, ∀x¬Rxx, ∀x∀y∀z((Rxy ∧ Ryz) → Rxz) ⊨ ⊥", ModalSystem::K, 400);
    CHECK(infinite.decision == Decision::Unknown);
    CHECK(infinite.explanation.rfind("No determinado", 0) == 0);
    CHECK(CpuClock::now() - start < std::chrono::seconds(3));

    // Deep nesting is refused by the parser rather than by the stack.
    std::string deep;
    for (int i = 0; i < kMaxFormulaDepth / 2 + 1; ++i)
        deep += "∀x□";
    Logic logic;
    const LineParse refused = parseLine(logic, decode(deep + "Fx", Encoding::Utf8), Encoding::Utf8);
    CHECK(!refused.ok() && refused.error.find("anida") != std::string::npos);
    // A wide problem of hundreds of quantifiers is cut by its budget, not by memory or the stack.
    std::string wide = "∀x0 F0x0";
    for (int i = 1; i < 300; ++i)
        wide += " ∧ ∀x" + std::to_string(i) + "∃y" + std::to_string(i) + " R"
            + std::to_string(i % 7) + "x" + std::to_string(i) + "y" + std::to_string(i);
    const Judgement big = decide(wide + " ⊨ ∃z Gz", ModalSystem::K, 1500);
    CHECK(big.decision != Decision::Valid);
}

TEST_MAIN()
