#include "WorldTableau.h"

#include "Tableau.h"

#include <algorithm>
#include <deque>
#include <map>
#include <tuple>
#include <unordered_map>

namespace logic {
namespace {

// A set of formulas that a world starts from, sorted: 2f for formula f, 2f + 1 for a □ formula f
// handed down from an earlier world (K4, S4), which holds there without being a line of it.
using Label = std::vector<int>;

enum class Shape : std::uint8_t { Literal, Closing, Trivial, DoubleNot, Alpha, Beta, Nu, Pi };

struct Parts
{
    Shape shape = Shape::Literal;
    TreeRule rule = TreeRule::Premise;
    int a = -1, a2 = -1; // alpha: the formulas; beta: the first branch
    int b = -1, b2 = -1; // beta: the second branch
    int body = -1;       // nu, pi
};

Parts analyse(Logic &L, int f)
{
    const FormulaNode n = L.node(f);
    Parts p;
    switch (n.kind) {
    case Fk::Top: p.shape = Shape::Trivial; break;
    case Fk::Bottom: p.shape = Shape::Closing; break;
    case Fk::And: p = {Shape::Alpha, TreeRule::And, n.a, n.b}; break;
    case Fk::Or: p = {Shape::Beta, TreeRule::Or, n.a, -1, n.b, -1}; break;
    case Fk::Implies: p = {Shape::Beta, TreeRule::Implies, L.negation(n.a), -1, n.b, -1}; break;
    case Fk::Iff:
        p = {Shape::Beta, TreeRule::Iff, n.a, n.b, L.negation(n.a), L.negation(n.b)};
        break;
    case Fk::Box: p.shape = Shape::Nu, p.rule = TreeRule::Box, p.body = n.a; break;
    case Fk::Diamond: p.shape = Shape::Pi, p.rule = TreeRule::Diamond, p.body = n.a; break;
    case Fk::Not: {
        const FormulaNode m = L.node(n.a);
        switch (m.kind) {
        case Fk::Top: p.shape = Shape::Closing; break;
        case Fk::Bottom: p.shape = Shape::Trivial; break;
        case Fk::Not: p = {Shape::DoubleNot, TreeRule::DoubleNot, m.a}; break;
        case Fk::And:
            p = {Shape::Beta, TreeRule::NotAnd, L.negation(m.a), -1, L.negation(m.b), -1};
            break;
        case Fk::Or: p = {Shape::Alpha, TreeRule::NotOr, L.negation(m.a), L.negation(m.b)}; break;
        case Fk::Implies: p = {Shape::Alpha, TreeRule::NotImplies, m.a, L.negation(m.b)}; break;
        case Fk::Iff:
            p = {Shape::Beta, TreeRule::NotIff, m.a, L.negation(m.b), L.negation(m.a), m.b};
            break;
        case Fk::Box:
            p.shape = Shape::Pi, p.rule = TreeRule::NotBox, p.body = L.negation(m.a);
            break;
        case Fk::Diamond:
            p.shape = Shape::Nu, p.rule = TreeRule::NotDiamond, p.body = L.negation(m.a);
            break;
        default: break; // atoms: literals
        }
        break;
    }
    default: break;
    }
    return p;
}

// A Box line made by reflexivity names as its second line the world's edge to itself.
constexpr int kSelfEdge = -2;
// Deeper than this (worlds and branchings within them, together) the search gives up.
constexpr int kMaxDepth = 2500;

// A closed branch of one world, as the search found it: its new lines (the world's starting
// formulas are lines 0..n-1), then how it ends.
struct CLine
{
    int formula;
    TreeRule rule;
    int from1 = -1, from2 = -1;
};

struct CNode
{
    int first = 0, count = 0; // its new lines, in the search's one list of them (a node's lines
                              // are all made before any node below it)
    enum class End : std::uint8_t { Open, Contradiction, Split, Successor } end = End::Open;
    int a = -1, b = -1; // Contradiction: the two lines; Split: the β line; Successor: the ◇
                        // line, -1 for the world seriality adds
    int left = -1, right = -1; // Split
    int label = -1;            // Successor: the closing set its world starts from
};

enum class Res { Sat, Unsat, Unknown };

} // namespace

struct WorldTableau::Search
{
    Logic &L;
    ModalSystem sys;
    bool conclusionIsFormula;
    std::vector<int> rootFormulas; // premises, then the negated conclusion
    int premiseCount = 0;
    bool reflexive, transitive, serial;

    std::vector<Label> labels;
    std::map<Label, int> labelIds;
    std::vector<int> unsatCert; // per label: the root of its closed expansion, or -1
    // In the order they were found to close: a closed expansion only cites labels found before
    // its own, so that the tree read from them is finite.
    std::vector<int> unsatLabels;
    std::vector<int> unsatRank; // per label: its place in unsatLabels, or -1
    // While a label's expansion is rebuilt: how many of unsatLabels it may cite.
    std::size_t citable = static_cast<std::size_t>(-1);
    std::unordered_map<int, int> satWorld; // a label's world in the countermodel
    std::deque<CNode> nodes;               // grows without moving what the search holds
    std::vector<CLine> clines;
    std::vector<Parts> parts;     // per formula, filled as met
    std::vector<char> known;      // per formula: parts[] is filled
    std::vector<int> complements; // per formula, -1 until asked
    static constexpr int kOwn = 1 << 30;
    struct ModelWorld
    {
        std::vector<int> atoms;    // letters true there
        std::vector<int> formulas; // everything that holds there, sorted
        std::vector<int> next;
        // K4, S4: the shallowest place on the way down (an index into the ancestors) that a
        // world below this one borrows by blocking; kOwn when none above this world is borrowed.
        int reach = kOwn;
    };
    std::vector<ModelWorld> worlds;
    const Budget *budget = nullptr;
    long steps = 0;
    bool stopped = false;
    // Rebuilding a closed world's expansion once every world it needs is known to close: it then
    // closes as early as it can, before branchings that only multiply the tree.
    bool compacting = false;
    bool tooDeep = false;
    std::vector<char> compacted; // per label

    // The branch of one world being expanded.
    struct Branch
    {
        std::vector<int> lines;   // formulas: the starting set, then what the rules add
        std::vector<char> passed; // per line: a □ formula of an earlier world
        std::unordered_map<int, int> lineOf;
        std::vector<int> betas;
        std::vector<char> betaUsed;
        std::vector<int> nus, pis;
        std::size_t next = 0;
        std::vector<std::pair<int, int>> log; // (kind, value) to undo: 0 lineOf, 1 betaUsed
    };
    struct Mark
    {
        std::size_t lines, next, betas, nus, pis, log;
    };
    struct Ancestor
    {
        int world;
        const Branch *branch;
    };

    Search(Logic &logic, ModalSystem system) : L(logic), sys(system)
    {
        reflexive = isReflexive(system);
        transitive = isTransitive(system);
        serial = system == ModalSystem::D;
    }

    int labelId(const Label &label)
    {
        const auto [it, fresh] = labelIds.emplace(label, static_cast<int>(labels.size()));
        if (fresh) {
            labels.push_back(label);
            unsatCert.push_back(-1);
            unsatRank.push_back(-1);
            compacted.push_back(0);
        }
        return it->second;
    }

    // The rules' reading of a formula and its complement, once per formula: the store's lookups
    // are the search's hottest step otherwise.
    const Parts &shape(int f)
    {
        if (static_cast<std::size_t>(f) >= parts.size()) {
            parts.resize(static_cast<std::size_t>(f) + 1);
            known.resize(static_cast<std::size_t>(f) + 1, 0);
        }
        if (!known[static_cast<std::size_t>(f)]) {
            known[static_cast<std::size_t>(f)] = 1;
            parts[static_cast<std::size_t>(f)] = analyse(L, f);
        }
        return parts[static_cast<std::size_t>(f)];
    }

    int complement(int f)
    {
        if (static_cast<std::size_t>(f) >= complements.size())
            complements.resize(static_cast<std::size_t>(f) + 1, -1);
        if (complements[static_cast<std::size_t>(f)] < 0) {
            const FormulaNode &n = L.node(f);
            const int c = n.kind == Fk::Not ? n.a : L.negation(f);
            complements[static_cast<std::size_t>(f)] = c;
        }
        return complements[static_cast<std::size_t>(f)];
    }

    int newNode()
    {
        nodes.emplace_back();
        return static_cast<int>(nodes.size()) - 1;
    }

    static Mark mark(const Branch &b)
    {
        return {b.lines.size(), b.next, b.betas.size(), b.nus.size(), b.pis.size(), b.log.size()};
    }

    static void undo(Branch &b, const Mark &m)
    {
        while (b.log.size() > m.log) {
            const auto [kind, value] = b.log.back();
            if (kind == 0)
                b.lineOf.erase(value);
            else
                b.betaUsed[static_cast<std::size_t>(value)] = 0;
            b.log.pop_back();
        }
        b.lines.resize(m.lines);
        b.passed.resize(m.lines);
        b.next = m.next;
        b.betas.resize(m.betas);
        b.betaUsed.resize(m.betas);
        b.nus.resize(m.nus);
        b.pis.resize(m.pis);
    }

    // Adds a line; false when it closes the branch (the node then says with which line).
    // A forced line is shown even when the branch has its formula already (a β branch needs a
    // line), but is not expanded again.
    bool add(Branch &b, int node, int f, TreeRule rule, int from1, int from2, bool force)
    {
        const bool present = b.lineOf.count(f) != 0;
        if (present && !force)
            return true;
        const int at = static_cast<int>(b.lines.size());
        b.lines.push_back(f);
        b.passed.push_back(0);
        CNode &owner = nodes[static_cast<std::size_t>(node)];
        if (owner.count++ == 0)
            owner.first = static_cast<int>(clines.size());
        clines.push_back({f, rule, from1, from2});
        if (present) {
            return true;
        }
        b.lineOf.emplace(f, at);
        b.log.emplace_back(0, f);
        if (const auto it = b.lineOf.find(complement(f)); it != b.lineOf.end()) {
            CNode &n = nodes[static_cast<std::size_t>(node)];
            n.end = CNode::End::Contradiction;
            n.a = it->second;
            n.b = at;
            return false;
        }
        return true;
    }

    Label successor(const Branch &b, int pi)
    {
        Label out;
        if (pi >= 0)
            out.push_back(2 * shape(b.lines[static_cast<std::size_t>(pi)]).body);
        for (int nu : b.nus) {
            const int f = b.lines[static_cast<std::size_t>(nu)];
            if (!transitive || sys == ModalSystem::K4)
                out.push_back(2 * shape(f).body);
            if (transitive)
                out.push_back(2 * f + 1);
        }
        std::sort(out.begin(), out.end());
        out.erase(std::unique(out.begin(), out.end()), out.end());
        return out;
    }

    int knownUnsat(const Label &label) const
    {
        const std::size_t n = std::min(citable, unsatLabels.size());
        for (std::size_t i = 0; i < n; ++i) {
            const int id = unsatLabels[i];
            const Label &u = labels[static_cast<std::size_t>(id)];
            if (std::includes(label.begin(), label.end(), u.begin(), u.end()))
                return id;
        }
        return -1;
    }

    // K4, S4: an earlier world on the way (or this one) holds every formula the new world
    // starts from, so the new world can be that world; its place on the way, or -1.
    int blockedBy(const Label &label, const std::vector<Ancestor> &ancestors) const
    {
        for (auto it = ancestors.rbegin(); it != ancestors.rend(); ++it) {
            bool all = true;
            for (int key : label)
                if (!it->branch->lineOf.count(key / 2)) {
                    bool passed = false;
                    for (std::size_t i = 0; i < it->branch->lines.size() && !passed; ++i)
                        passed = it->branch->passed[i] && it->branch->lines[i] == key / 2;
                    if (!passed) {
                        all = false;
                        break;
                    }
                }
            if (all)
                return static_cast<int>(ancestors.rend() - it) - 1;
        }
        return -1;
    }

    Res world(int label, std::vector<Ancestor> &ancestors, int &out)
    {
        if (const int cert = unsatCert[static_cast<std::size_t>(label)]; cert >= 0
            && static_cast<std::size_t>(unsatRank[static_cast<std::size_t>(label)]) < citable) {
            out = cert;
            return Res::Unsat;
        }
        if (compacting)
            return Res::Unknown; // only worlds known to close are used then
        if (const auto it = satWorld.find(label); it != satWorld.end()) {
            out = it->second;
            return Res::Sat;
        }
        if (static_cast<int>(ancestors.size()) > kMaxDepth / 4) {
            tooDeep = true;
            return Res::Unknown;
        }
        const int me = static_cast<int>(worlds.size());
        worlds.emplace_back();
        Branch b;
        for (int key : labels[static_cast<std::size_t>(label)]) {
            b.lines.push_back(key / 2);
            b.passed.push_back(static_cast<char>(key % 2));
            if (key % 2 == 0)
                b.lineOf.emplace(key / 2, static_cast<int>(b.lines.size()) - 1);
        }
        const int node = newNode();
        ancestors.push_back({me, &b});
        // Two starting formulas may contradict each other already.
        bool closed = false;
        for (std::size_t i = 0; i < b.lines.size() && !closed; ++i)
            if (!b.passed[i])
                if (const auto it = b.lineOf.find(complement(b.lines[i])); it != b.lineOf.end()) {
                    CNode &n = nodes[static_cast<std::size_t>(node)];
                    n.end = CNode::End::Contradiction;
                    n.a = static_cast<int>(i);
                    n.b = it->second;
                    closed = true;
                }
        const Res r = closed ? Res::Unsat
                             : branch(b, node, ancestors, me, static_cast<int>(ancestors.size()));
        ancestors.pop_back();
        if (r == Res::Unsat) {
            unsatCert[static_cast<std::size_t>(label)] = node;
            unsatRank[static_cast<std::size_t>(label)] = static_cast<int>(unsatLabels.size());
            unsatLabels.push_back(label);
            out = node;
        } else if (r == Res::Sat) {
            out = me;
            // In K4 and S4 a world is met again as it was only when nothing below it borrows a
            // world above it: then its worlds make a model of its formulas on their own.
            ModelWorld &w = worlds[static_cast<std::size_t>(me)];
            if (!transitive || w.reach >= static_cast<int>(ancestors.size())) {
                w.reach = kOwn;
                satWorld.emplace(label, me);
            }
        }
        return r;
    }

    int certificate(int label)
    {
        if (compacted[static_cast<std::size_t>(label)])
            return unsatCert[static_cast<std::size_t>(label)];
        compacted[static_cast<std::size_t>(label)] = 1;
        Branch b;
        for (int key : labels[static_cast<std::size_t>(label)]) {
            b.lines.push_back(key / 2);
            b.passed.push_back(static_cast<char>(key % 2));
            if (key % 2 == 0)
                b.lineOf.emplace(key / 2, static_cast<int>(b.lines.size()) - 1);
        }
        for (std::size_t i = 0; i < b.lines.size(); ++i)
            if (!b.passed[i] && b.lineOf.count(complement(b.lines[i])))
                return unsatCert[static_cast<std::size_t>(label)]; // closes at once as it is
        const int node = newNode();
        std::vector<Ancestor> none;
        compacting = true;
        citable = static_cast<std::size_t>(unsatRank[static_cast<std::size_t>(label)]);
        const Res r = branch(b, node, none, -1, 0);
        citable = static_cast<std::size_t>(-1);
        compacting = false;
        if (r == Res::Unsat)
            unsatCert[static_cast<std::size_t>(label)] = node;
        return unsatCert[static_cast<std::size_t>(label)];
    }

    bool closesAtOnce(const Branch &b, int f) { return f >= 0 && b.lineOf.count(complement(f)); }

    Res branch(Branch &b, int node, std::vector<Ancestor> &ancestors, int me, int depth)
    {
        if (depth > kMaxDepth) {
            tooDeep = true;
            return Res::Unknown;
        }
        if ((++steps & 63) == 0 && budget->expired()) {
            stopped = true;
            return Res::Unknown;
        }
        while (b.next < b.lines.size()) {
            const int at = static_cast<int>(b.next++);
            const int f = b.lines[static_cast<std::size_t>(at)];
            const Parts p = shape(f);
            if (b.passed[static_cast<std::size_t>(at)]) {
                if (p.shape == Shape::Nu)
                    b.nus.push_back(at);
                if (p.shape == Shape::Nu && reflexive
                    && !add(b, node, p.body, p.rule, at, kSelfEdge, false))
                    return Res::Unsat;
                continue;
            }
            // A line that is not the first of its formula was already expanded.
            if (b.lineOf.at(f) != at)
                continue;
            switch (p.shape) {
            case Shape::Closing: {
                CNode &n = nodes[static_cast<std::size_t>(node)];
                n.end = CNode::End::Contradiction;
                n.a = at;
                return Res::Unsat;
            }
            case Shape::DoubleNot:
            case Shape::Alpha:
                if (!add(b, node, p.a, p.rule, at, -1, false)
                    || (p.a2 >= 0 && !add(b, node, p.a2, p.rule, at, -1, false)))
                    return Res::Unsat;
                break;
            case Shape::Beta:
                b.betas.push_back(at);
                b.betaUsed.push_back(0);
                break;
            case Shape::Nu:
                b.nus.push_back(at);
                if (reflexive && !add(b, node, p.body, p.rule, at, kSelfEdge, false))
                    return Res::Unsat;
                break;
            case Shape::Pi: b.pis.push_back(at); break;
            default: break;
            }
        }
        // A possibility whose world is already known to close closes this branch now, before
        // any branching multiplies it.
        for (int pi : b.pis)
            if (const int u = knownUnsat(successor(b, pi)); u >= 0) {
                CNode &n = nodes[static_cast<std::size_t>(node)];
                n.end = CNode::End::Successor;
                n.a = pi;
                n.label = u;
                return Res::Unsat;
            }
        // Branch on a β line, preferring one with a branch that closes at once; the oldest else.
        int chosen = -1;
        for (std::size_t i = 0; i < b.betas.size(); ++i) {
            if (b.betaUsed[i])
                continue;
            const Parts &p = shape(b.lines[static_cast<std::size_t>(b.betas[i])]);
            if (chosen < 0)
                chosen = static_cast<int>(i);
            if (closesAtOnce(b, p.a) || closesAtOnce(b, p.b)) {
                chosen = static_cast<int>(i);
                break;
            }
        }
        if (chosen >= 0) {
            const int at = b.betas[static_cast<std::size_t>(chosen)];
            const Parts p = shape(b.lines[static_cast<std::size_t>(at)]);
            const Mark m = mark(b);
            b.betaUsed[static_cast<std::size_t>(chosen)] = 1;
            b.log.emplace_back(1, chosen);
            const int left = newNode(), right = newNode();
            {
                CNode &n = nodes[static_cast<std::size_t>(node)];
                n.end = CNode::End::Split;
                n.a = at;
                n.left = left;
                n.right = right;
            }
            for (const auto &[first, second, child] :
                {std::tuple{p.a, p.a2, left}, std::tuple{p.b, p.b2, right}}) {
                Res r = Res::Unsat;
                if (add(b, child, first, p.rule, at, -1, true)
                    && (second < 0 || add(b, child, second, p.rule, at, -1, false)))
                    r = branch(b, child, ancestors, me, depth + 1);
                undo(b, m);
                b.betaUsed[static_cast<std::size_t>(chosen)] = 1;
                b.log.emplace_back(1, chosen);
                if (r != Res::Unsat)
                    return r;
            }
            return Res::Unsat;
        }
        // Nothing left to branch on: the worlds this one sees.
        std::vector<int> next;
        int reach = kOwn;
        auto open = [&](int pi) {
            const Label label = successor(b, pi);
            if (transitive)
                if (const int by = blockedBy(label, ancestors); by >= 0) {
                    next.push_back(ancestors[static_cast<std::size_t>(by)].world);
                    reach = std::min(reach, by);
                    return Res::Sat;
                }
            int out = -1;
            const Res r = world(labelId(label), ancestors, out);
            if (r == Res::Unsat) {
                CNode &n = nodes[static_cast<std::size_t>(node)];
                n.end = CNode::End::Successor;
                n.a = pi;
                n.label = labelId(label);
            } else if (r == Res::Sat) {
                next.push_back(out);
                reach = std::min(reach, worlds[static_cast<std::size_t>(out)].reach);
            }
            return r;
        };
        for (int pi : b.pis)
            if (const Res r = open(pi); r != Res::Sat)
                return r;
        if (serial && b.pis.empty() && !b.nus.empty())
            if (const Res r = open(-1); r != Res::Sat)
                return r;
        if (me < 0)
            return Res::Sat;
        ModelWorld &w = worlds[static_cast<std::size_t>(me)];
        w.next = next;
        w.reach = reach;
        w.formulas = b.lines;
        std::sort(w.formulas.begin(), w.formulas.end());
        w.formulas.erase(std::unique(w.formulas.begin(), w.formulas.end()), w.formulas.end());
        w.atoms.clear();
        for (std::size_t i = 0; i < b.lines.size(); ++i) {
            const FormulaNode &n = L.node(b.lines[i]);
            if (!b.passed[i] && n.kind == Fk::Atom)
                w.atoms.push_back(n.a);
        }
        return Res::Sat;
    }
};

// ---- the closed tree, read from what the search learnt -----------------------------------------

namespace {

struct Source
{
    int node;  // a line of the tree
    int world; // where it is
};

struct Emitter
{
    WorldTableau::Search &S;
    ProofTree tree;
    int worldCount = 1;
    struct State
    {
        int tip = -1;
        std::map<std::pair<int, int>, int> edges;
        std::map<int, int> parent; // world → the world it was opened from
    };

    int add(TreeNode t, State &st)
    {
        if (static_cast<int>(tree.nodes.size()) >= kMaxTreeLines) {
            tree.truncated = true;
            return -1;
        }
        t.parent = st.tip;
        tree.nodes.push_back(t);
        st.tip = static_cast<int>(tree.nodes.size()) - 1;
        return st.tip;
    }

    // The line "u R v", made by transitivity along the way from u to v where needed.
    int edge(int u, int v, State &st)
    {
        if (const auto it = st.edges.find({u, v}); it != st.edges.end())
            return it->second;
        const auto p = st.parent.find(v);
        if (p == st.parent.end() || tree.truncated)
            return -1;
        const int first = edge(u, p->second, st), second = edge(p->second, v, st);
        TreeNode t;
        t.world = u;
        t.world2 = v;
        t.rule = TreeRule::Transitive;
        t.from1 = first;
        t.from2 = second;
        const int made = add(t, st);
        st.edges[{u, v}] = made;
        return made;
    }

    // The lines of a closed branch and what follows them; @p lines holds the world's lines so
    // far, by their number in the search, with their formulas.
    void emit(int id, std::vector<std::pair<int, Source>> lines, int world, State st)
    {
        if (tree.truncated)
            return;
        const CNode &n = S.nodes[static_cast<std::size_t>(id)];
        for (int k = n.first; k < n.first + n.count; ++k) {
            const CLine &l = S.clines[static_cast<std::size_t>(k)];
            TreeNode t;
            t.formula = l.formula;
            t.world = world;
            t.rule = l.rule;
            if (l.from2 == kSelfEdge) {
                const Source s = lines[static_cast<std::size_t>(l.from1)].second;
                t.from1 = s.node;
                t.from2 = edge(s.world, world, st);
            } else {
                t.from1 = l.from1 >= 0 ? lines[static_cast<std::size_t>(l.from1)].second.node : -1;
                t.from2 = l.from2 >= 0 ? lines[static_cast<std::size_t>(l.from2)].second.node : -1;
            }
            const int made = add(t, st);
            if (made < 0)
                return;
            lines.push_back({l.formula, {made, world}});
        }
        switch (n.end) {
        case CNode::End::Contradiction: {
            TreeNode &tip = tree.nodes[static_cast<std::size_t>(st.tip)];
            tip.closedBy1 = lines[static_cast<std::size_t>(n.a)].second.node;
            tip.closedBy2 = n.b >= 0 ? lines[static_cast<std::size_t>(n.b)].second.node : -1;
            return;
        }
        case CNode::End::Split: {
            State right = st;
            emit(n.left, lines, world, st);
            emit(n.right, lines, world, right);
            return;
        }
        case CNode::End::Successor: successor(n, lines, world, st); return;
        case CNode::End::Open: return;
        }
    }

    void successor(
        const CNode &n, const std::vector<std::pair<int, Source>> &lines, int world, State &st)
    {
        const int v = worldCount++;
        st.parent[v] = world;
        const Parts pp
            = n.a >= 0 ? analyse(S.L, lines[static_cast<std::size_t>(n.a)].first) : Parts{};
        TreeNode e;
        e.world = world;
        e.world2 = v;
        e.rule = n.a >= 0 ? pp.rule : TreeRule::Serial;
        e.from1 = n.a >= 0 ? lines[static_cast<std::size_t>(n.a)].second.node : -1;
        st.edges[{world, v}] = add(e, st);
        if (S.reflexive) {
            TreeNode r;
            r.world = r.world2 = v;
            r.rule = TreeRule::Reflexive;
            st.edges[{v, v}] = add(r, st);
        }
        std::vector<std::pair<int, Source>> mine;
        for (int key : S.labels[static_cast<std::size_t>(n.label)]) {
            const int f = key / 2;
            if (tree.truncated)
                return;
            if (key % 2) { // a □ formula of this world or an earlier one: no line of its own
                Source s{-1, world};
                for (const auto &[g, src] : lines)
                    if (g == f && s.node < 0)
                        s = src;
                mine.push_back({f, s});
                continue;
            }
            TreeNode t;
            t.formula = f;
            t.world = v;
            if (n.a >= 0 && f == pp.body) {
                t.rule = pp.rule;
                t.from1 = lines[static_cast<std::size_t>(n.a)].second.node;
            } else {
                // The body of a □ (or ¬◇) line of this world, or handed down to it.
                Source s{-1, world};
                for (const auto &[g, src] : lines) {
                    const Parts q = analyse(S.L, g);
                    if (q.shape == Shape::Nu && q.body == f) {
                        s = src;
                        t.rule = q.rule;
                        break;
                    }
                }
                t.from1 = s.node;
                t.from2 = edge(s.world, v, st);
            }
            mine.push_back({f, {add(t, st), v}});
        }
        emit(S.certificate(n.label), mine, v, st);
    }
};

} // namespace

WorldTableau::WorldTableau(Logic &logic, const std::vector<int> &premises, int conclusion,
    ModalSystem system, bool conclusionIsFormula)
    : m_search(std::make_unique<Search>(logic, system))
{
    m_search->conclusionIsFormula = conclusionIsFormula;
    m_search->rootFormulas = premises;
    m_search->premiseCount = static_cast<int>(premises.size());
    if (conclusion >= 0 && logic.node(conclusion).kind != Fk::Bottom) // ¬⊥ says nothing
        m_search->rootFormulas.push_back(logic.negation(conclusion));
}

WorldTableau::~WorldTableau() = default;

bool WorldTableau::gaveUp() const
{
    return m_search->tooDeep;
}

std::size_t WorldTableau::worldsExamined() const
{
    return m_search->worlds.size();
}

bool WorldTableau::supports(ModalSystem system)
{
    return system == ModalSystem::K || system == ModalSystem::T || system == ModalSystem::D
        || system == ModalSystem::K4 || system == ModalSystem::S4;
}

WorldTableauResult WorldTableau::run(const Budget &budget)
{
    Search &S = *m_search;
    WorldTableauResult result;
    if (!supports(S.sys))
        return result;
    S.budget = &budget;
    S.stopped = false;
    Label root;
    for (int f : S.rootFormulas)
        root.push_back(2 * f);
    std::sort(root.begin(), root.end());
    root.erase(std::unique(root.begin(), root.end()), root.end());
    std::vector<Search::Ancestor> ancestors;
    int out = -1;
    const int rootLabel = S.labelId(root);
    const Res r = S.world(rootLabel, ancestors, out);
    if (r == Res::Unknown)
        return result;
    if (r == Res::Unsat) {
        Emitter em{S, {}};
        em.tree.modal = true;
        em.tree.conclusionIsFormula = S.conclusionIsFormula;
        Emitter::State st;
        std::vector<std::pair<int, Source>> lines(root.size(), {-1, {-1, 0}});
        for (std::size_t i = 0; i < S.rootFormulas.size(); ++i) {
            const int f = S.rootFormulas[i];
            TreeNode t;
            t.formula = f;
            t.rule = static_cast<int>(i) < S.premiseCount ? TreeRule::Premise : TreeRule::Negation;
            const int made = em.add(t, st);
            const auto at = static_cast<std::size_t>(
                std::lower_bound(root.begin(), root.end(), 2 * f) - root.begin());
            if (lines[at].second.node < 0)
                lines[at] = {f, {made, 0}};
        }
        if (S.reflexive) {
            TreeNode e;
            e.rule = TreeRule::Reflexive;
            st.edges[{0, 0}] = em.add(e, st);
        }
        em.emit(S.certificate(rootLabel), lines, 0, st);
        result.kind = WorldTableauResult::Kind::Closed;
        result.tree = std::move(em.tree);
        return result;
    }
    // Open: the worlds reachable from the root, with the frame's closure. Worlds that hold the
    // same formulas are one world of the model: every edge of the search passes on what □ asks
    // and every ◇ has its edge, so the smaller model holds them too, and in K4 and S4, where the
    // search meets a world again on every way down to it, thousands of worlds become a few.
    std::vector<int> number(S.worlds.size(), -1), order, seen{out};
    std::map<std::vector<int>, int> byFormulas;
    auto classOf = [&](int w) {
        const auto [it, fresh] = byFormulas.emplace(
            S.worlds[static_cast<std::size_t>(w)].formulas, static_cast<int>(order.size()));
        if (fresh)
            order.push_back(w);
        number[static_cast<std::size_t>(w)] = it->second;
    };
    classOf(out);
    for (std::size_t i = 0; i < seen.size(); ++i)
        for (int w : S.worlds[static_cast<std::size_t>(seen[i])].next)
            if (number[static_cast<std::size_t>(w)] < 0) {
                classOf(w);
                seen.push_back(w);
            }
    Structure &s = result.model;
    const int m = static_cast<int>(order.size());
    s.worlds = m;
    s.access.assign(static_cast<std::size_t>(m), std::vector<char>(static_cast<std::size_t>(m), 0));
    for (int u : seen)
        for (int w : S.worlds[static_cast<std::size_t>(u)].next)
            s.access[static_cast<std::size_t>(number[static_cast<std::size_t>(u)])]
                    [static_cast<std::size_t>(number[static_cast<std::size_t>(w)])]
                = 1;
    for (int i = 0; i < m; ++i) {
        auto &row = s.access[static_cast<std::size_t>(i)];
        if (S.reflexive
            || (S.serial && std::none_of(row.begin(), row.end(), [](char c) { return c; })))
            row[static_cast<std::size_t>(i)] = 1;
    }
    if (S.transitive)
        for (std::size_t k = 0; k < s.access.size(); ++k) {
            // Cubic in the worlds: a model of thousands of them must not outlast the budget.
            if (budget.expired())
                return {};
            const std::vector<char> &via = s.access[k];
            for (std::vector<char> &row : s.access)
                if (row[k])
                    for (std::size_t j = 0; j < row.size(); ++j)
                        row[j] = static_cast<char>(row[j] | via[j]);
        }
    for (int p = 0; p < S.L.predicateCount(); ++p)
        s.predicates[p].assign(static_cast<std::size_t>(m), 0);
    for (int i = 0; i < m; ++i)
        for (int p : S.worlds[static_cast<std::size_t>(order[static_cast<std::size_t>(i)])].atoms)
            s.predicates[p][static_cast<std::size_t>(i)] = 1;
    result.kind = WorldTableauResult::Kind::Open;
    return result;
}

} // namespace logic
