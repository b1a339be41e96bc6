// Closed modal trees as the engine shows them, re-read by a checker of their own: every tree of
// the modal problem sets in every system, the valid problems in their systems and the stronger
// ones, the checker's own eye for broken trees, and the layered possibilities that must get a
// countermodel, or stop at their budget.

#include "Engine.h"
#include "Harness.h"
#include "Parsed.h"
#include "TreeChecker.h"
#include "syntax/ModalSystem.h"
#include "worksheet/Api.h"

#include <cstdlib>
#include <fstream>
#include <iterator>
#include <map>
#include <random>
#include <sstream>

using namespace logic;

namespace {

constexpr ModalSystem kSystems[] = {ModalSystem::K, ModalSystem::T, ModalSystem::D, ModalSystem::B,
    ModalSystem::K4, ModalSystem::S4, ModalSystem::S5};

// Every formula valid in a system is valid in these (frames of these are frames of it).
bool contains(ModalSystem stronger, ModalSystem weaker)
{
    using S = ModalSystem;
    if (weaker == S::K || stronger == weaker || stronger == S::S5)
        return true;
    switch (weaker) {
    case S::D: return stronger != S::K && stronger != S::K4;
    case S::T: return stronger == S::B || stronger == S::S4;
    case S::K4: return stronger == S::S4;
    default: return false;
    }
}

struct Problem
{
    std::string text;
    ModalSystem system = ModalSystem::K; // the one its section names
};

// The lines of a worksheet that read as modal formulas or arguments, with their "sistema:".
std::vector<Problem> readSet(const std::string &path)
{
    std::vector<Problem> out;
    std::ifstream in(path);
    ModalSystem system = ModalSystem::K;
    for (std::string line; std::getline(in, line);) {
        if (line.rfind("sistema:", 0) == 0) {
            const std::size_t start = line.find_first_not_of(' ', 8);
            parseSystemName(start == std::string::npos ? "" : line.substr(start), system);
            continue;
        }
        if (line.find("□") == std::string::npos && line.find("◇") == std::string::npos)
            continue;
        Logic L;
        if (parseLine(L, decode(line, Encoding::Utf8), Encoding::Utf8).ok())
            out.push_back({line, system});
    }
    return out;
}

std::string dataFile(const char *variable, const char *name)
{
    const char *dir = std::getenv(variable);
    return std::string(dir ? dir : ".") + "/" + name;
}

std::vector<std::string> rootsOf(Parsed &p)
{
    std::vector<std::string> roots;
    for (int f : p.line.premises)
        roots.push_back(p.logic.text(f));
    roots.push_back(p.logic.text(p.logic.negation(p.line.conclusion)));
    return roots;
}

Judgement judgeFor(Parsed &p, ModalSystem system, int milliseconds = 5000)
{
    return judge(p.logic, p.line.premises, p.line.conclusion, p.line.argument, system,
        Budget::forTime(std::chrono::milliseconds(milliseconds)));
}

// What is wrong with the answer's tree, and with its text: the branches the text closes are
// the drawing's, and it is not cut.
std::string treeFault(Parsed &p, const Judgement &j, ModalSystem system)
{
    if (!j.tree)
        return "a valid answer without its tree";
    if (const std::string f = treecheck::fault(*j.tree, system, rootsOf(p)); !f.empty())
        return f;
    std::size_t leaves = 0, crosses = 0;
    std::vector<int> kids(j.tree->nodes.size(), 0);
    for (const auto &n : j.tree->nodes)
        if (n.parent >= 0)
            ++kids[static_cast<std::size_t>(n.parent)];
    for (int k : kids)
        leaves += k == 0;
    std::istringstream text(j.explanation);
    for (std::string line; std::getline(text, line);)
        crosses += line.find_first_not_of(' ') == line.find("× ");
    if (crosses != leaves || j.explanation.find("el árbol sigue") != std::string::npos)
        return "the text closes " + std::to_string(crosses) + " branches of "
            + std::to_string(leaves);
    return "";
}

std::vector<Problem> modalSets()
{
    std::vector<Problem> all = readSet(dataFile("ZV_PROBLEM_SETS", "modal.txt"));
    for (const Problem &p : readSet(dataFile("ZV_LOGIC_TEST_DATA", "formulas.txt")))
        all.push_back(p);
    return all;
}

} // namespace

TEST(everyClosedTreeOfTheModalSetsIsFiniteAndFollowsTheRulesInEverySystem)
{
    const std::vector<Problem> problems = modalSets();
    CHECK(problems.size() > 60);
    int checked = 0;
    for (const Problem &problem : problems)
        for (ModalSystem system : kSystems) {
            Parsed p = parse(problem.text);
            const Judgement j = judgeFor(p, system);
            if (j.decision != Decision::Valid)
                continue;
            ++checked;
            if (const std::string f = treeFault(p, j, system); !f.empty())
                CHECK_EQ(problem.text + " in " + systemName(system) + ": " + f, std::string());
        }
    std::printf("  %d closed trees checked\n", checked);
    CHECK(checked > 200);
}

TEST(validProblemsCloseInTheirSystemAndEveryStrongerOne)
{
    std::map<ModalSystem, int> per;
    for (const Problem &problem : readSet(dataFile("ZV_PROBLEM_SETS", "modal.txt")))
        for (ModalSystem system : kSystems) {
            if (!contains(system, problem.system))
                continue;
            Parsed p = parse(problem.text);
            const Judgement j = judgeFor(p, system, harness::kSlowBuild ? 30000 : 5000);
            if (j.decision == Decision::Unknown && harness::kSlowBuild)
                continue; // undecided there, never wrongly decided
            const std::string what = problem.text + " in " + systemName(system);
            CHECK_EQ(what + ": " + decisionWords(j.decision), what + ": " + "válido");
            if (j.decision == Decision::Valid)
                if (const std::string f = treeFault(p, j, system); !f.empty())
                    CHECK_EQ(what + ": " + f, std::string());
            ++per[system];
        }
    // The transitive systems, whose worlds repeat, have a good share of them.
    CHECK(per[ModalSystem::K4] >= 20 && per[ModalSystem::S4] >= 30 && per[ModalSystem::S5] >= 50);
}

TEST(theCheckerRefusesTreesThatAreNotProofs)
{
    Parsed p = parse("□◇p → ◇(p ∧ ◇p)");
    const Judgement j = judgeFor(p, ModalSystem::S4);
    CHECK(j.decision == Decision::Valid && j.tree);
    if (!j.tree)
        return;
    const ShownTree good = *j.tree;
    const std::vector<std::string> roots = rootsOf(p);
    CHECK_EQ(treecheck::fault(good, ModalSystem::S4, roots), std::string());
    // The same tree is no proof in K, which has no reflexivity, nor from other roots.
    CHECK(!treecheck::fault(good, ModalSystem::K, roots).empty());
    CHECK(!treecheck::fault(good, ModalSystem::S4, {"¬(□◇p → ◇p)"}).empty());
    auto refused = [&](const char *what, auto change) {
        ShownTree bad = good;
        if (!change(bad))
            CHECK_EQ(std::string(what) + ": nothing to change", std::string());
        else if (treecheck::fault(bad, ModalSystem::S4, roots).empty())
            CHECK_EQ(std::string(what) + ": accepted", std::string());
    };
    refused("a branch left open", [](ShownTree &t) {
        for (auto &n : t.nodes)
            if (n.closedBy1 >= 0)
                return n.closedBy1 = n.closedBy2 = -1, true;
        return false;
    });
    refused("a cut tree", [](ShownTree &t) { return t.truncated = true; });
    refused("a world that a possibility does not open anew", [](ShownTree &t) {
        for (auto &n : t.nodes)
            if (n.world2 > n.world && n.origin.find("◇") != std::string::npos) {
                n.world2 = n.world;
                n.text = "w" + std::to_string(n.world) + " R w" + std::to_string(n.world);
                return true;
            }
        return false;
    });
    refused("a pair that does not contradict", [](ShownTree &t) {
        for (auto &n : t.nodes)
            if (n.closedBy1 >= 0 && n.closedBy2 >= 0)
                return n.closedBy2 = 0, true;
        return false;
    });
    refused("a formula at a world its rule does not reach", [](ShownTree &t) {
        for (auto &n : t.nodes)
            if (n.world2 < 0 && n.world > 0)
                return n.world = 0, true;
        return false;
    });
    refused("a line citing a line below it", [](ShownTree &t) {
        for (std::size_t i = 0; i < t.nodes.size(); ++i)
            if (t.nodes[i].from1 >= 0) {
                t.nodes[i].from1 = static_cast<int>(t.nodes.size()) - 1;
                return true;
            }
        return false;
    });
    // One case of a disjunction, without the other branch.
    Parsed q = parse("(□p ∨ □q) → □(p ∨ q)");
    const Judgement k = judgeFor(q, ModalSystem::K);
    CHECK(k.tree && treecheck::fault(*k.tree, ModalSystem::K, rootsOf(q)).empty());
    if (k.tree) {
        ShownTree bad = *k.tree;
        std::vector<int> kids(bad.nodes.size(), 0);
        for (const auto &n : bad.nodes)
            if (n.parent >= 0)
                ++kids[static_cast<std::size_t>(n.parent)];
        // Keep the first branch only: the right one goes, and its lines with it.
        std::size_t split = 0;
        while (split < kids.size() && kids[split] < 2)
            ++split;
        CHECK(split < kids.size());
        std::vector<char> drop(bad.nodes.size(), 0);
        bool second = false;
        for (std::size_t i = split + 1; i < bad.nodes.size(); ++i) {
            const int up = bad.nodes[i].parent;
            second = second || (up == static_cast<int>(split) && i != split + 1);
            drop[i]
                = second && (up == static_cast<int>(split) || drop[static_cast<std::size_t>(up)]);
        }
        std::size_t keep = 0;
        while (keep < drop.size() && !drop[keep])
            ++keep;
        bad.nodes.resize(keep);
        CHECK(!treecheck::fault(bad, ModalSystem::K, rootsOf(q)).empty());
    }
}

TEST(aBlockedWorldSaysWhichWorldItRepeatsOnItsBranch)
{
    // With ∀ the labelled tree decides, and it blocks a world whose formulas an earlier world
    // holds before its ∀ closes the branch: the tree says so, and the checker reads the note.
    struct Case
    {
        const char *text;
        ModalSystem system;
        const char *note;
    };
    const Case cases[] = {
        {"□◇p ∧ p, ∀x Fx ⊨ Fa", ModalSystem::S4,
            "w1 se bloquea: repite w0 (sus fórmulas están en w0)"},
        {"p ∧ ◇p ∧ □◇p ∧ □p, ∀x Fx ⊨ Fa", ModalSystem::K4,
            "w1 se bloquea: repite w0 (sus fórmulas están en w0)"},
        {"◇q ∧ □◇q, ∀x Fx ⊨ Fa", ModalSystem::S4,
            "w2 se bloquea: repite w1 (sus fórmulas están en w1)"},
    };
    for (const Case &c : cases) {
        Parsed p = parse(c.text);
        const Judgement j = judgeFor(p, c.system);
        CHECK(j.decision == Decision::Valid && j.tree);
        if (!j.tree)
            continue;
        CHECK_EQ(treeFault(p, j, c.system), std::string());
        CHECK(j.explanation.find(std::string(c.note) + "  (bloqueo)\n") != std::string::npos);
        int notes = 0;
        for (const auto &n : j.tree->nodes)
            notes += n.repeats >= 0 && n.text == c.note;
        CHECK_EQ(notes, 1);
    }
    // Many trees: every note where the search put it, on branches of every shape.
    std::mt19937 rng(5);
    const char *parts[] = {"◇p", "□◇p", "◇¬p", "□(p ∨ q)", "◇(q ∧ ◇p)", "□◇q", "p", "□□p", "◇□p",
        "(p → ◇q)", "□(q → ◇p)"};
    int noted = 0, checked = 0;
    for (int round = 0; round < 120; ++round) {
        std::string text;
        for (int k = 0; k < 4; ++k)
            text += std::string(k ? " ∧ " : "") + parts[rng() % std::size(parts)];
        text += ", ∀x Fx ⊨ Fa";
        Parsed p = parse(text);
        const ModalSystem system = round % 2 ? ModalSystem::K4 : ModalSystem::S4;
        const Judgement j = judgeFor(p, system);
        if (!j.tree)
            continue;
        ++checked;
        if (const std::string f = treeFault(p, j, system); !f.empty())
            CHECK_EQ(text + ": " + f, std::string());
        noted += j.explanation.find("se bloquea: repite") != std::string::npos;
    }
    std::printf("  %d trees checked, %d with a blocked world\n", checked, noted);
    CHECK(checked > 100 && noted > 20);
}

TEST(theCheckerHoldsABlockingNoteToItsRule)
{
    Parsed p = parse("◇q ∧ □◇q, ∀x Fx ⊨ Fa");
    const Judgement j = judgeFor(p, ModalSystem::S4);
    CHECK(j.tree);
    if (!j.tree)
        return;
    const ShownTree good = *j.tree;
    const std::vector<std::string> roots = rootsOf(p);
    CHECK_EQ(treecheck::fault(good, ModalSystem::S4, roots), std::string());
    int note = -1;
    for (std::size_t i = 0; i < good.nodes.size(); ++i)
        if (good.nodes[i].repeats >= 0)
            note = static_cast<int>(i);
    CHECK(note > 0);
    if (note <= 0)
        return;
    // Blocking needs a transitive frame: a tree with one world besides w0 is else a tree of T.
    Parsed k = parse("p ∧ ◇p ∧ □◇p ∧ □p, ∀x Fx ⊨ Fa");
    const Judgement k4 = judgeFor(k, ModalSystem::K4);
    CHECK(k4.tree);
    if (k4.tree) {
        CHECK_EQ(treecheck::fault(*k4.tree, ModalSystem::K4, rootsOf(k)), std::string());
        CHECK(treecheck::fault(*k4.tree, ModalSystem::T, rootsOf(k)).find("not transitive")
            != std::string::npos);
    }
    auto refused = [&](const char *what, const char *expected, auto change) {
        ShownTree bad = good;
        change(bad.nodes[static_cast<std::size_t>(note)], bad);
        const std::string f = treecheck::fault(bad, ModalSystem::S4, roots);
        if (f.find(expected) == std::string::npos)
            CHECK_EQ(std::string(what) + ": " + f, std::string(expected));
    };
    auto repeat = [](ShownTree::Node &n, int u) {
        n.repeats = u;
        const std::string w = "w" + std::to_string(u);
        n.text = "w" + std::to_string(n.world) + " se bloquea: repite " + w
            + " (sus fórmulas están en " + w + ")";
    };
    // w2 holds q, which w0, the world that opened w1, does not.
    refused("a world that lacks a formula", "which w0 does not",
        [&](ShownTree::Node &n, ShownTree &) { repeat(n, 0); });
    refused("the blocked world itself", "did not open",
        [&](ShownTree::Node &n, ShownTree &) { repeat(n, n.world); });
    refused("a world not on the branch", "not on its branch",
        [&](ShownTree::Node &n, ShownTree &) { repeat(n, 7); });
    refused("words that do not say it", "a note reads",
        [](ShownTree::Node &n, ShownTree &) { n.text = "w2 se bloquea"; });
    refused("a note that cites lines", "reads as a line",
        [](ShownTree::Node &n, ShownTree &) { n.from1 = 0; });
    refused("a note without its world", "without the world",
        [](ShownTree::Node &n, ShownTree &) { n.repeats = -1; });
    refused("a line that cites the note", "cites a note", [&](ShownTree::Node &, ShownTree &t) {
        for (std::size_t i = static_cast<std::size_t>(note) + 1; i < t.nodes.size(); ++i)
            if (t.nodes[i].from1 >= 0 && t.nodes[i].from2 < 0) {
                t.nodes[i].from1 = note;
                t.nodes[i].origin = "de " + std::to_string(note + 1) + ", "
                    + t.nodes[i].origin.substr(t.nodes[i].origin.rfind(", ") + 2);
                return;
            }
    });
    refused("a branch closed by the note", "off its branch", [&](ShownTree::Node &, ShownTree &t) {
        for (auto &n : t.nodes)
            if (n.closedBy1 >= 0)
                n.closedBy1 = note;
    });
}

TEST(layeredPossibilitiesGetTheirCountermodelOrStopAtTheirBudget)
{
    auto layers = [](int n) {
        std::string s = "(";
        for (int i = 0; i < n; ++i) {
            const std::string k = std::to_string(i);
            if (i)
                s += " ∧ ";
            for (int j = 0; j < i; ++j)
                s += "□";
            s += "(◇p" + k + " ∧ ◇¬p" + k + ")";
        }
        s += ") → ";
        for (int j = 0; j <= n; ++j)
            s += "□";
        return s + "⊥";
    };
    for (ModalSystem system : {ModalSystem::K4, ModalSystem::S4}) {
        Parsed p = parse(layers(4));
        const Judgement j = judgeFor(p, system, 10000);
        CHECK(j.decision == Decision::Invalid && j.model);
        if (j.model)
            CHECK(j.model->worlds <= 32);
    }
    // Deeper, with a short budget: decided, or undecided for the time, within the budget.
    Parsed q = parse(layers(7));
    const auto start = CpuClock::now();
    const Judgement k = judgeFor(q, ModalSystem::S4, 500);
    const double ms = std::chrono::duration<double, std::milli>(CpuClock::now() - start).count();
    CHECK(k.decision == Decision::Invalid
        || (k.decision == Decision::Unknown && k.stop == Stop::Time));
    if (ms > 1500)
        CHECK_EQ(std::to_string(ms) + " ms", std::string("500 ms, and far less than thrice that"));
}

TEST_MAIN()
