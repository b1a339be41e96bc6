#pragma once
// Reads a closed modal tree as the engine shows it (the lines of the drawing, with their formulas
// as text) and checks it by the tableau rules alone, reading every formula anew into a store of
// its own: the tree is finite and whole, every line follows from the lines it cites, which are
// above it on its branch, at the worlds the rule says; accessibility lines obey the frame of the
// system; a ◇ opens a world new on its branch; a β line splits its branch in two; a ∀ (or ¬∃)
// line gives instances with closed terms (trees with ∃ or ¬∀ lines are not read); and every
// branch ends in ⊥ or in a formula and its negation at one world. A blocking note, in a
// transitive system, names a world that opened its own, on the way back to w0, and holds every
// formula its own holds above the note; nothing may cite it.

#include "ShownAnswer.h"
#include "syntax/Logic.h"
#include "syntax/ModalSystem.h"
#include "syntax/Parser.h"
#include "syntax/Text.h"

#include <string>
#include <vector>

namespace treecheck {

class Checker
{
public:
    /// @p roots: the texts of the formulas the tree starts from, in order (the premises, then
    /// the negated conclusion).
    Checker(const logic::ShownTree &tree, logic::ModalSystem system,
        const std::vector<std::string> &roots)
        : t(tree), sys(system), rootTexts(roots)
    {}

    /// Empty when the tree is a closed tableau of the roots; else what is wrong, and where.
    std::string fault()
    {
        using logic::Fk;
        const int n = static_cast<int>(t.nodes.size());
        if (t.truncated)
            return "the tree is cut";
        if (n == 0)
            return "no lines";
        formula.assign(static_cast<std::size_t>(n), -1);
        std::vector<std::vector<int>> children(static_cast<std::size_t>(n));
        for (int i = 0; i < n; ++i) {
            const logic::ShownTree::Node &x = node(i);
            if ((i == 0) != (x.parent < 0) || x.parent >= i)
                return at(i) + "its line above is not before it";
            if (x.parent >= 0)
                children[static_cast<std::size_t>(x.parent)].push_back(i);
            if (x.world < 0)
                return at(i) + "no world";
            if (isNote(i)) {
                if (x.world2 >= 0 || x.from1 >= 0 || x.from2 >= 0 || x.origin != "bloqueo")
                    return at(i) + "a note that reads as a line of the tableau";
                const std::string w = "w" + std::to_string(x.world),
                                  u = "w" + std::to_string(x.repeats);
                if (x.text != w + " se bloquea: repite " + u + " (sus fórmulas están en " + u + ")")
                    return at(i) + "a note reads " + x.text;
                continue;
            }
            if (x.origin == "bloqueo")
                return at(i) + "a note without the world it repeats";
            if (x.world2 >= 0) {
                if (x.text != "w" + std::to_string(x.world) + " R w" + std::to_string(x.world2))
                    return at(i) + "an accessibility line reads " + x.text;
                continue;
            }
            const logic::LineParse p = logic::parseLine(
                L, logic::decode(x.text, logic::Encoding::Utf8), logic::Encoding::Utf8);
            if (!p.ok() || p.argument || !p.premises.empty())
                return at(i) + "not a formula: " + x.text;
            formula[static_cast<std::size_t>(i)] = p.conclusion;
        }
        // The roots: a chain from the first line, exactly the formulas asked, at w0.
        int roots = 0;
        while (roots < n && isRootOrigin(node(roots).origin))
            ++roots;
        if (roots != static_cast<int>(rootTexts.size()))
            return "the tree starts from " + std::to_string(roots) + " lines, not "
                + std::to_string(rootTexts.size());
        for (int i = 0; i < roots; ++i) {
            const logic::LineParse p = logic::parseLine(L,
                logic::decode(rootTexts[static_cast<std::size_t>(i)], logic::Encoding::Utf8),
                logic::Encoding::Utf8);
            if (!p.ok() || formula[static_cast<std::size_t>(i)] != p.conclusion
                || node(i).world != 0 || node(i).parent != i - 1)
                return at(i) + "not the root " + rootTexts[static_cast<std::size_t>(i)];
        }
        for (int i = roots; i < n; ++i) {
            if (isRootOrigin(node(i).origin))
                return at(i) + "a root line below the roots";
            if (const std::string f = ruleFault(i, children); !f.empty())
                return at(i) + f;
        }
        for (int i = 0; i < n; ++i) {
            const auto &kids = children[static_cast<std::size_t>(i)];
            const logic::ShownTree::Node &x = node(i);
            if (kids.size() > 2)
                return at(i) + "more than two lines below it";
            if (!kids.empty() && x.closedBy1 >= 0)
                return at(i) + "the branch goes on below its ✕";
            if (kids.empty()) {
                if (const std::string f = closureFault(i); !f.empty())
                    return at(i) + f;
            }
        }
        return "";
    }

private:
    const logic::ShownTree &t;
    logic::ModalSystem sys;
    std::vector<std::string> rootTexts;
    logic::Logic L;
    std::vector<int> formula; // per line, in L; -1 for an accessibility line

    const logic::ShownTree::Node &node(int i) const { return t.nodes[static_cast<std::size_t>(i)]; }
    int f(int i) const { return formula[static_cast<std::size_t>(i)]; }
    bool isEdge(int i) const { return i >= 0 && node(i).world2 >= 0; }
    bool isNote(int i) const { return i >= 0 && node(i).repeats >= 0; }
    bool isEdge(int i, int u, int v) const
    {
        return isEdge(i) && node(i).world == u && node(i).world2 == v;
    }
    static std::string at(int i) { return "line " + std::to_string(i + 1) + ": "; }
    static bool isRootOrigin(const std::string &o)
    {
        return o == "premisa" || o == "fórmula" || o == "negación de la conclusión"
            || o == "negación de la fórmula";
    }
    // j is i or above it on i's branch
    bool onBranch(int i, int j) const
    {
        for (int k = i; k >= 0; k = node(k).parent)
            if (k == j)
                return true;
        return false;
    }
    // The world is named on the branch above line i (w0 always is).
    bool worldAbove(int i, int w) const
    {
        if (w == 0)
            return true;
        for (int k = node(i).parent; k >= 0; k = node(k).parent)
            if (node(k).world == w || node(k).world2 == w)
                return true;
        return false;
    }
    logic::FormulaNode shape(int formulaId) const { return L.node(formulaId); }
    int neg(int g) { return L.negation(g); }

    // The rule named by the origin: "de 3 y 5, ∧" → "∧"; "reflexividad" → itself.
    static std::string ruleOf(const std::string &origin)
    {
        const std::size_t comma = origin.rfind(", ");
        return comma == std::string::npos ? origin : origin.substr(comma + 2);
    }

    // β: the formulas of each of the two branches.
    bool betaAlternatives(int g, const std::string &rule, std::vector<int> alt[2])
    {
        using logic::Fk;
        const logic::FormulaNode x = shape(g);
        if (rule == "∨" && x.kind == Fk::Or)
            alt[0] = {x.a}, alt[1] = {x.b};
        else if (rule == "→" && x.kind == Fk::Implies)
            alt[0] = {neg(x.a)}, alt[1] = {x.b};
        else if (rule == "↔" && x.kind == Fk::Iff)
            alt[0] = {x.a, x.b}, alt[1] = {neg(x.a), neg(x.b)};
        else if (x.kind == Fk::Not) {
            const logic::FormulaNode y = shape(x.a);
            if (rule == "¬∧" && y.kind == Fk::And)
                alt[0] = {neg(y.a)}, alt[1] = {neg(y.b)};
            else if (rule == "¬↔" && y.kind == Fk::Iff)
                alt[0] = {y.a, neg(y.b)}, alt[1] = {neg(y.a), y.b};
            else
                return false;
        } else {
            return false;
        }
        return true;
    }

    static bool in(const std::vector<int> &v, int g)
    {
        for (int h : v)
            if (h == g)
                return true;
        return false;
    }

    std::string ruleFault(int i, const std::vector<std::vector<int>> &children)
    {
        using logic::Fk;
        const logic::ShownTree::Node &x = node(i);
        const std::string rule = ruleOf(x.origin);
        std::string cited = rule;
        if (x.from1 >= 0)
            cited = "de " + std::to_string(x.from1 + 1)
                + (x.from2 >= 0 ? " y " + std::to_string(x.from2 + 1) : std::string()) + ", "
                + rule;
        if (isNote(i))
            return noteFault(i);
        if (cited != x.origin)
            return "its origin " + x.origin + " does not name the lines it cites";
        if (isNote(x.from1) || isNote(x.from2))
            return "it cites a note";
        for (int from : {x.from1, x.from2})
            if (from >= 0 && (from >= i || !onBranch(i, from)))
                return "it cites a line that is not above it on its branch";
        const int a = x.from1, b = x.from2;
        const bool edge = x.world2 >= 0;
        const int w = x.world;
        // Formula rules at one world.
        if (rule == "¬¬" || rule == "∧" || rule == "¬∨" || rule == "¬→") {
            if (edge || a < 0 || isEdge(a) || b >= 0 || node(a).world != w)
                return rule + " cites one formula at its own world";
            const logic::FormulaNode p = shape(f(a));
            const logic::FormulaNode q
                = p.kind == Fk::Not ? shape(p.a) : logic::FormulaNode{Fk::Top};
            std::vector<int> out;
            if (rule == "∧" && p.kind == Fk::And)
                out = {p.a, p.b};
            else if (rule == "¬¬" && p.kind == Fk::Not && q.kind == Fk::Not)
                out = {q.a};
            else if (rule == "¬∨" && p.kind == Fk::Not && q.kind == Fk::Or)
                out = {neg(q.a), neg(q.b)};
            else if (rule == "¬→" && p.kind == Fk::Not && q.kind == Fk::Implies)
                out = {q.a, neg(q.b)};
            if (!in(out, f(i)))
                return rule + " does not give this formula from line " + std::to_string(a + 1);
            return "";
        }
        if (rule == "∨" || rule == "→" || rule == "↔" || rule == "¬∧" || rule == "¬↔") {
            std::vector<int> alt[2];
            if (edge || a < 0 || isEdge(a) || b >= 0 || node(a).world != w
                || !betaAlternatives(f(a), rule, alt))
                return rule + " does not apply to line " + std::to_string(a + 1);
            const int up = x.parent;
            const auto &kids = children[static_cast<std::size_t>(up)];
            if (kids.size() == 2) { // the split itself: one branch each way
                for (int side = 0; side < 2; ++side) {
                    const int k = kids[static_cast<std::size_t>(side)];
                    if (node(k).from1 != a || ruleOf(node(k).origin) != rule
                        || !in(alt[side], f(k)))
                        return "the branches below line " + std::to_string(up + 1)
                            + " are not the two cases of line " + std::to_string(a + 1);
                }
                return "";
            }
            // The second formula of a case, right below the first.
            const auto &siblings = node(up).parent >= 0
                ? children[static_cast<std::size_t>(node(up).parent)]
                : std::vector<int>{};
            if (siblings.size() != 2 || node(up).from1 != a || ruleOf(node(up).origin) != rule)
                return rule + " adds a case of line " + std::to_string(a + 1)
                    + " without splitting the branch";
            const int side = siblings[0] == up ? 0 : 1;
            if (!in(alt[side], f(i)) || f(i) == f(up))
                return "not the second formula of its case";
            return "";
        }
        if (rule == "∀" || rule == "¬∃") {
            // An instance with a closed term, at the world of its line.
            if (edge || a < 0 || isEdge(a) || b >= 0 || node(a).world != w)
                return rule + " cites one formula at its own world";
            logic::FormulaNode q = shape(f(a));
            const bool negated = rule == "¬∃";
            if (negated && q.kind == Fk::Not)
                q = shape(q.a);
            if (q.kind != (negated ? Fk::Exists : Fk::Forall))
                return rule + " does not apply to line " + std::to_string(a + 1);
            const int goal = negated ? shape(f(i)).a : f(i);
            if (negated && shape(f(i)).kind != Fk::Not)
                return "¬∃ gives a negation";
            std::vector<int> terms;
            termsOf(goal, terms);
            if (terms.empty() && q.b == goal) // ∀x with no x in its body
                return "";
            for (int term : terms)
                if (L.substitute(q.b, q.a, term) == goal)
                    return "";
            return rule + " does not give this instance of line " + std::to_string(a + 1);
        }
        if (rule == "□" || rule == "¬◇") {
            if (edge || a < 0 || isEdge(a) || !isEdge(b, node(a).world, w))
                return rule + " needs the line and an accessibility line to this world";
            const logic::FormulaNode p = shape(f(a));
            int body = -1;
            if (rule == "□" && p.kind == Fk::Box)
                body = p.a;
            else if (rule == "¬◇" && p.kind == Fk::Not && shape(p.a).kind == Fk::Diamond)
                body = neg(shape(p.a).a);
            if (body < 0 || body != f(i))
                return rule + " does not give this formula";
            return "";
        }
        if (rule == "◇" || rule == "¬□") {
            if (a < 0 || isEdge(a) || b >= 0)
                return rule + " cites its possibility alone";
            const logic::FormulaNode p = shape(f(a));
            int body = -1;
            if (rule == "◇" && p.kind == Fk::Diamond)
                body = p.a;
            else if (rule == "¬□" && p.kind == Fk::Not && shape(p.a).kind == Fk::Box)
                body = neg(shape(p.a).a);
            if (body < 0)
                return rule + " does not apply to line " + std::to_string(a + 1);
            const int u = node(a).world;
            if (edge) {
                if (x.world != u)
                    return "the new world is not seen from the possibility's world";
                if (worldAbove(i, x.world2) || x.world2 == u)
                    return "w" + std::to_string(x.world2) + " is not new on its branch";
                return "";
            }
            if (body != f(i))
                return rule + " does not give this formula";
            for (int k = x.parent; k >= 0; k = node(k).parent)
                if (isEdge(k, u, w) && node(k).from1 == a && ruleOf(node(k).origin) == rule)
                    return "";
            return "no world opened by line " + std::to_string(a + 1) + " for it";
        }
        if (!edge)
            return "no rule " + rule + " for a formula";
        const int u = x.world, v = x.world2;
        if (rule == "reflexividad") {
            if (!logic::isReflexive(sys) || u != v || a >= 0 || !worldAbove(i, u))
                return "reflexivity of a world not on the branch, or not in " + sysName();
            return "";
        }
        if (rule == "serialidad") {
            if (sys == logic::ModalSystem::K || sys == logic::ModalSystem::K4 || a >= 0
                || !worldAbove(i, u) || worldAbove(i, v))
                return "seriality needs a serial frame and a new world";
            return "";
        }
        if (rule == "simetría") {
            if (!logic::isSymmetric(sys) || !isEdge(a, v, u) || b >= 0)
                return "symmetry of a line not there, or not in " + sysName();
            return "";
        }
        if (rule == "transitividad") {
            if (!logic::isTransitive(sys) || !isEdge(a) || !isEdge(b))
                return "transitivity of lines not there, or not in " + sysName();
            const bool forward = isEdge(a, u, node(a).world2) && isEdge(b, node(a).world2, v);
            const bool backward = isEdge(b, u, node(b).world2) && isEdge(a, node(b).world2, v);
            if (!forward && !backward)
                return "transitivity does not give w" + std::to_string(u) + " R w"
                    + std::to_string(v);
            return "";
        }
        return "no rule " + rule + " for an accessibility line";
    }

    std::string closureFault(int i)
    {
        using logic::Fk;
        const logic::ShownTree::Node &x = node(i);
        const int a = x.closedBy1, b = x.closedBy2;
        if (a < 0)
            return "a branch ends without ✕";
        if (!onBranch(i, a) || (b >= 0 && !onBranch(i, b)) || isEdge(a) || isEdge(b) || isNote(a)
            || isNote(b))
            return "its ✕ cites lines off its branch";
        if (b < 0) {
            const logic::FormulaNode p = shape(f(a));
            if (p.kind == Fk::Bottom || (p.kind == Fk::Not && shape(p.a).kind == Fk::Top))
                return "";
            return "line " + std::to_string(a + 1) + " does not close a branch on its own";
        }
        if (node(a).world != node(b).world)
            return "its ✕ pairs lines of two worlds";
        if (f(a) != neg(f(b)) && f(b) != neg(f(a)))
            return "lines " + std::to_string(a + 1) + " and " + std::to_string(b + 1)
                + " do not contradict";
        return "";
    }

    // Every closed term in @p g, subterms included.
    void termsOf(int g, std::vector<int> &out) const
    {
        using logic::Fk;
        const logic::FormulaNode n = L.node(g);
        std::vector<int> stack;
        if (n.kind == Fk::Atom)
            stack.assign(L.atomArgs(g).begin(), L.atomArgs(g).end());
        else if (n.kind == Fk::Equal)
            stack = {n.a, n.b};
        else if (n.kind == Fk::Not || n.kind == Fk::Box || n.kind == Fk::Diamond)
            termsOf(n.a, out);
        else if (n.kind == Fk::Forall || n.kind == Fk::Exists)
            termsOf(n.b, out);
        else if (n.kind == Fk::And || n.kind == Fk::Or || n.kind == Fk::Implies
            || n.kind == Fk::Iff) {
            termsOf(n.a, out);
            termsOf(n.b, out);
        }
        while (!stack.empty()) {
            const int term = stack.back();
            stack.pop_back();
            if (L.term(term).kind != logic::Tk::App)
                continue;
            out.push_back(term);
            for (int x : L.args(term))
                stack.push_back(x);
        }
    }

    // The formulas of world @p w on the branch above line @p i.
    std::vector<int> formulasAbove(int i, int w) const
    {
        std::vector<int> out;
        for (int k = node(i).parent; k >= 0; k = node(k).parent)
            if (node(k).world == w && !isEdge(k) && !isNote(k))
                out.push_back(f(k));
        return out;
    }

    // The world whose possibility opened @p w on the branch above line @p i; -1 for w0.
    int opener(int i, int w) const
    {
        for (int k = node(i).parent; k >= 0; k = node(k).parent)
            if (isEdge(k) && node(k).world2 == w && node(k).world != w) {
                const std::string r = ruleOf(node(k).origin);
                if (r == "◇" || r == "¬□" || r == "serialidad")
                    return node(k).world;
            }
        return -1;
    }

    // Blocking is sound where accessibility is transitive: the blocked world may see what the
    // world it repeats sees, which then holds whatever its □ formulas ask.
    std::string noteFault(int i)
    {
        const logic::ShownTree::Node &x = node(i);
        const int w = x.world, u = x.repeats;
        if (!logic::isTransitive(sys))
            return "a blocked world in " + sysName() + ", which is not transitive";
        if (w == 0 || !worldAbove(i, w) || !worldAbove(i, u))
            return "a note on a world not on its branch";
        bool onTheWay = false;
        int steps = 0; // a malformed tree may name its worlds in a circle
        for (int v = opener(i, w); v >= 0 && steps++ <= i; v = v == 0 ? -1 : opener(i, v))
            if (v == u) {
                onTheWay = true;
                break;
            }
        if (!onTheWay)
            return "w" + std::to_string(u) + " did not open w" + std::to_string(w)
                + " on the way from w0";
        const std::vector<int> theirs = formulasAbove(i, u);
        for (int g : formulasAbove(i, w))
            if (!in(theirs, g))
                return "w" + std::to_string(w) + " holds " + L.text(g) + ", which w"
                    + std::to_string(u) + " does not";
        for (int k = i + 1; k < static_cast<int>(t.nodes.size()); ++k)
            if (isNote(k) && node(k).world == w && onBranch(k, i))
                return "w" + std::to_string(w) + " is blocked twice on one branch";
        return "";
    }

    std::string sysName() const { return logic::systemName(sys); }
};

inline std::string fault(
    const logic::ShownTree &tree, logic::ModalSystem system, const std::vector<std::string> &roots)
{
    return Checker(tree, system, roots).fault();
}

} // namespace treecheck
