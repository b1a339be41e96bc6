// The student's own trees: every tree judged right is re-checked here without the tree's
// checker. A closed one must prove a valid argument (a truth table of the test's own for
// propositional ones, the engine's verdict for the rest); an open one must come with a model in
// which this file's own evaluator finds the premises true and the conclusion false.
// Usage: tst_trees DATA_DIR (the folder of arboles.txt)

#include "Harness.h"
#include "Protocol.h"
#include "deduction/Derivation.h"
#include "syntax/Parser.h"
#include "syntax/Text.h"
#include "worksheet/Api.h"

#include <fstream>
#include <map>
#include <sstream>
#include <string>
#include <vector>

using namespace logic;

namespace {

std::string g_data;

std::vector<ProblemResult> check(const std::string &text, bool all = false)
{
    CheckOptions options;
    options.problemTime = std::chrono::seconds(20);
    options.truthTables = false;
    std::vector<ProblemResult> out;
    checkText(text, options, std::atomic<bool>{false}, [&](ProblemResult &&r) {
        if (all || !r.work.empty() || r.derivation)
            out.push_back(std::move(r));
    });
    return out;
}

std::vector<std::string> splitLines(const std::string &text)
{
    std::vector<std::string> lines;
    std::istringstream in(text);
    for (std::string l; std::getline(in, l);)
        lines.push_back(l);
    return lines;
}

// A model as the worker sends it, read back by name.
class ShownEvaluator
{
public:
    ShownEvaluator(const Logic &logic, const ShownModel &m) : L(logic), M(m) {}

    bool holds(int f, std::map<int, int> &env) const
    {
        const FormulaNode &n = L.node(f);
        switch (n.kind) {
        case Fk::Atom: {
            std::vector<int> tuple;
            for (int a : L.atomArgs(f))
                tuple.push_back(value(a, env));
            for (const ShownModel::Symbol &s : M.predicates)
                if (s.name == L.predicateSymbol(n.a).name
                    && s.arity == static_cast<int>(tuple.size()))
                    for (const std::vector<int> &row : s.rows.at(0))
                        if (row == tuple)
                            return true;
            return false;
        }
        case Fk::Equal: return value(n.a, env) == value(n.b, env);
        case Fk::Top: return true;
        case Fk::Bottom: return false;
        case Fk::Not: return !holds(n.a, env);
        case Fk::And: return holds(n.a, env) && holds(n.b, env);
        case Fk::Or: return holds(n.a, env) || holds(n.b, env);
        case Fk::Implies: return !holds(n.a, env) || holds(n.b, env);
        case Fk::Iff: return holds(n.a, env) == holds(n.b, env);
        case Fk::Forall:
        case Fk::Exists: {
            const bool all = n.kind == Fk::Forall;
            std::map<int, int> inner = env;
            for (int d = 0; d < M.domain; ++d) {
                inner[n.a] = d;
                if (holds(n.b, inner) != all)
                    return !all;
            }
            return all;
        }
        default:
            harness::fail(__FILE__, __LINE__, "a modal formula in a tree's model");
            return false;
        }
    }

private:
    int value(int t, std::map<int, int> &env) const
    {
        const TermNode &n = L.term(t);
        if (n.kind == Tk::Var)
            return env.at(n.sym);
        std::vector<int> args;
        for (int a : L.args(t))
            args.push_back(value(a, env));
        for (const ShownModel::Symbol &s : M.functions)
            if (s.name == L.functionSymbol(n.sym).name && s.arity == static_cast<int>(args.size()))
                for (const std::vector<int> &row : s.rows.at(0))
                    if (std::vector<int>(row.begin(), row.end() - 1) == args)
                        return row.back();
        harness::fail(__FILE__, __LINE__, "a term without a value: " + L.termText(t));
        return -1;
    }

    const Logic &L;
    const ShownModel &M;
};

// Propositional validity by a table of the test's own: no row makes the premises true and the
// conclusion false.
bool tableValid(const Logic &logic, const std::vector<int> &premises, int conclusion)
{
    std::vector<int> letters;
    for (int p = 0; p < logic.predicateCount(); ++p)
        if (logic.predicateSymbol(p).arity == 0)
            letters.push_back(p);
    for (unsigned row = 0; row < (1u << letters.size()); ++row) {
        ShownModel m;
        ShownModel::Symbol s;
        for (std::size_t i = 0; i < letters.size(); ++i) {
            s.name = logic.predicateSymbol(letters[i]).name;
            s.rows = {{}};
            if (row & (1u << i))
                s.rows[0].push_back({});
            m.predicates.push_back(s);
        }
        const ShownEvaluator e(logic, m);
        std::map<int, int> env;
        bool counter = !e.holds(conclusion, env);
        for (int p : premises)
            counter = counter && e.holds(p, env);
        if (counter)
            return false;
    }
    return true;
}

// The exercise of the tree whose first line is @p first (1-based): the line above it, past a
// blank line and a label.
LineParse exerciseAbove(Logic &logic, const std::vector<std::string> &lines, int first)
{
    int at = first - 2;
    while (at > 0 && lines[static_cast<std::size_t>(at)].empty())
        --at;
    std::string text = lines[static_cast<std::size_t>(at)];
    const std::size_t colon = text.rfind(':');
    if (colon != std::string::npos)
        text = text.substr(colon + 1);
    return parseLine(logic, decode(text, Encoding::Utf8), Encoding::Utf8);
}

void recheck(const std::string &text)
{
    const std::vector<std::string> lines = splitLines(text);
    int open = 0, closed = 0;
    for (const ProblemResult &r : check(text)) {
        if (r.work != "tree" || r.decision != Decision::Valid)
            continue;
        Logic logic;
        const LineParse ex = exerciseAbove(logic, lines, r.firstLine);
        CHECK(ex.ok());
        if (!ex.ok())
            continue;
        std::vector<int> premises = ex.premises;
        bool anyOpen = false;
        for (const ShownTree::Node &n : r.tree->nodes)
            anyOpen = anyOpen || n.text == "○";
        const std::string where = "the tree at line " + std::to_string(r.firstLine);
        if (anyOpen) {
            ++open;
            CHECK(r.model.has_value());
            if (!r.model)
                continue;
            const ShownEvaluator e(logic, *r.model);
            std::map<int, int> env;
            for (int p : premises)
                if (!e.holds(p, env))
                    harness::fail(__FILE__, __LINE__, where + ": a premise is false in its model");
            if (e.holds(ex.conclusion, env))
                harness::fail(__FILE__, __LINE__, where + ": the conclusion is true in its model");
            continue;
        }
        ++closed;
        CHECK(!r.model.has_value());
        bool propositional = logic.isPropositional(ex.conclusion);
        for (int p : premises)
            propositional = propositional && logic.isPropositional(p);
        if (propositional) {
            if (!ex.argument)
                premises.clear();
            if (!tableValid(logic, premises, ex.conclusion))
                harness::fail(
                    __FILE__, __LINE__, where + ": closed, yet a row is a counterexample");
            continue;
        }
        // The engine alone, on the exercise's own line.
        const std::vector<ProblemResult> verdict
            = check(lines[static_cast<std::size_t>(r.firstLine - 2)].substr(
                        lines[static_cast<std::size_t>(r.firstLine - 2)].rfind(':') + 1)
                    + "\n",
                true);
        CHECK(verdict.size() == 1u);
        if (verdict.size() == 1 && verdict[0].decision != Decision::Valid)
            harness::fail(
                __FILE__, __LINE__, where + ": closed, yet the engine finds it not valid");
    }
    CHECK(open >= 5);
    CHECK(closed >= 7);
}

std::string readData()
{
    std::ifstream in(g_data + "/arboles.txt");
    std::stringstream s;
    s << in.rdbuf();
    return s.str();
}

harness::Register sheet("every right tree of the data sheet re-checked: closed ones valid, open "
                        "ones with a model that a separate evaluator accepts",
    [] {
        const std::string text = readData();
        CHECK(!text.empty());
        recheck(text);
    });

harness::Register shuffled("trees of one sheet re-checked one by one match the whole sheet's "
                           "verdicts",
    [] {
        // A tree judged alone (with its exercise) and within the sheet gets the same verdict:
        // nothing of one tree leaks into the next.
        const std::string text = readData();
        const std::vector<std::string> lines = splitLines(text);
        for (const ProblemResult &r : check(text)) {
            if (r.work != "tree")
                continue;
            std::string alone = lines[static_cast<std::size_t>(r.firstLine - 2)] + "\n";
            for (int l = r.firstLine; l <= r.line; ++l)
                alone += lines[static_cast<std::size_t>(l - 1)] + "\n";
            const std::vector<ProblemResult> one = check(alone);
            CHECK(one.size() == 1u);
            if (one.size() == 1)
                CHECK_EQ(static_cast<int>(one[0].decision), static_cast<int>(r.decision));
        }
    });

harness::Register drawing("the tree's drawing: a node a line, numbered as the student numbers, "
                          "the faulty line marked, and the worker's answer says so",
    [] {
        const std::string text = "p ∨ q, ¬q ⊨ p\n"
                                 "1. p ∨ q :PR\n"
                                 "2. ¬q :PR\n"
                                 "3. ¬p :NC\n"
                                 "    4. p :1\n"
                                 "    5. ✕ :3, 4\n"
                                 "--\n"
                                 "    6. q :1\n"
                                 "    7. ✕ :3, 6\n";
        const std::vector<ProblemResult> rs = check(text);
        CHECK(rs.size() == 1u);
        if (rs.size() != 1 || !rs[0].tree)
            return;
        const ShownTree &t = *rs[0].tree;
        CHECK(t.nodes.size() == 7u);
        if (t.nodes.size() != 7)
            return;
        CHECK_EQ(t.nodes[3].parent, 2); // both branches hang from line 3
        CHECK_EQ(t.nodes[5].parent, 2);
        CHECK_EQ(t.nodes[4].closedBy1, 2);
        CHECK_EQ(t.nodes[4].closedBy2, 3);
        CHECK_EQ(t.nodes[0].origin, std::string("premisa"));
        CHECK_EQ(t.nodes[2].origin, std::string("conclusión negada"));
        CHECK_EQ(t.nodes[5].origin, std::string("de 1"));
        for (std::size_t i = 0; i < t.nodes.size(); ++i)
            CHECK_EQ(t.nodes[i].fault, i == 6);
        CHECK_EQ(rs[0].faults.front().line, 9);
        const std::string json = answerMessage(1, rs[0]);
        CHECK(json.find("\"work\":\"tree\"") != std::string::npos);
        CHECK(json.find("\"fault\":true") != std::string::npos);
        CHECK(json.find("\"fault\":true") == json.rfind("\"fault\":true"));
    });

harness::Register formula("a tree for a formula alone starts from its negation, and its open "
                          "branch's model makes the formula false",
    [] {
        const std::vector<ProblemResult> rs = check("¬(p ∧ q) → ¬p\n"
                                                    "1. ¬(¬(p ∧ q) → ¬p) :NC\n"
                                                    "2. ¬(p ∧ q) :1\n"
                                                    "3. ¬¬p :1\n"
                                                    "4. p :3\n"
                                                    "    5. ¬p :2\n"
                                                    "    6. ✕ :4, 5\n"
                                                    "--\n"
                                                    "    7. ¬q :2\n"
                                                    "    8. ○\n"
                                                    "Respuesta: contingencia\n");
        CHECK(rs.size() == 2u);
        if (rs.size() != 2)
            return;
        CHECK_EQ(static_cast<int>(rs[0].decision), static_cast<int>(Decision::Valid));
        CHECK(rs[0].model.has_value());
        CHECK(rs[0].explanation.find("la fórmula es falsa") != std::string::npos);
        CHECK_EQ(rs[1].work, std::string("answer"));
        CHECK_EQ(static_cast<int>(rs[1].decision), static_cast<int>(Decision::Valid));
        if (!rs[0].model)
            return;
        Logic logic;
        const LineParse f = parseLine(logic, U"¬(p ∧ q) → ¬p", Encoding::Utf8);
        std::map<int, int> env;
        CHECK(!ShownEvaluator(logic, *rs[0].model).holds(f.conclusion, env));
    });

harness::Register derivations("a derivation is still a derivation, and a tree beside it is a "
                              "tree, each with its own verdict",
    [] {
        const std::vector<ProblemResult> rs = check("p → q, p ⊢ q\n"
                                                    "1. p → q :PR\n"
                                                    "2. p :PR\n"
                                                    "3. q :→E 1, 2\n"
                                                    "\n"
                                                    "p → q, p ⊨ q\n"
                                                    "1. p → q :PR\n"
                                                    "2. p :PR\n"
                                                    "3. ¬q :NC\n"
                                                    "    4. ¬p :1\n"
                                                    "    5. ✕ :2, 4\n"
                                                    "--\n"
                                                    "    6. q :1\n"
                                                    "    7. ✕ :3, 6\n");
        CHECK(rs.size() == 2u);
        if (rs.size() != 2)
            return;
        CHECK(rs[0].derivation);
        CHECK_EQ(static_cast<int>(rs[0].decision), static_cast<int>(Decision::Valid));
        CHECK_EQ(rs[1].work, std::string("tree"));
        CHECK_EQ(static_cast<int>(rs[1].decision), static_cast<int>(Decision::Valid));
    });

harness::Register finder("the derivation finder passes over a tree whose first line is NC, and one "
                         "that only a mark makes a tree, and still finds the derivation after them",
    [] {
        Logic logic;
        const std::vector<std::u32string> lines = splitTextLines("¬(p ∧ ¬p)\n"
                                                                 "1. ¬¬(p ∧ ¬p) :NC\n"
                                                                 "2. p ∧ ¬p :1\n"
                                                                 "3. p :2\n"
                                                                 "4. ¬p :2\n"
                                                                 "5. ✕ :3, 4\n"
                                                                 "\n"
                                                                 "p ⊨ p\n"
                                                                 "1. p :PR\n"
                                                                 "2. ¬p :PR\n"
                                                                 "3. abierta\n"
                                                                 "\n"
                                                                 "p ⊢ p ∨ q\n"
                                                                 "1. p :PR\n"
                                                                 "2. p ∨ q :∨I 1\n");
        const std::vector<DerivationInText> found = findDerivations(logic, lines, ModalSystem::K);
        CHECK(found.size() == 1u);
        if (found.size() == 1)
            CHECK_EQ(found[0].derivation.firstLine, 13);
        // The tree for the formula alone is right; the second calls open a branch that closes.
        const std::vector<ProblemResult> rs = check("¬(p ∧ ¬p)\n"
                                                    "1. ¬¬(p ∧ ¬p) :NC\n"
                                                    "2. p ∧ ¬p :1\n"
                                                    "3. p :2\n"
                                                    "4. ¬p :2\n"
                                                    "5. ✕ :3, 4\n");
        CHECK(rs.size() == 1u);
        if (rs.size() == 1)
            CHECK_EQ(static_cast<int>(rs[0].decision), static_cast<int>(Decision::Valid));
    });

} // namespace

int main(int argc, char **argv)
{
    if (argc > 1)
        g_data = argv[1];
    return harness::run();
}
