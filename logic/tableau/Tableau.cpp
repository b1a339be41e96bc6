// One class, Search, longer than the engine's other files: its rules, its unification and its
// identity rewriting share the branch structures, the bindings and their trail, which a split
// would put behind accessors on every step of the hottest loop. The tree's text is ProofTree's.
#include "Tableau.h"

#include <algorithm>
#include <cctype>
#include <climits>
#include <memory>
#include <unordered_map>
#include <unordered_set>

namespace logic {
namespace {

using Rule = TreeRule;

// A line of the tree. Lines are never changed once made: a branch is the chain of parents from
// its last line, and branches that split share the lines above the split.
struct Line
{
    const Line *parent = nullptr;
    const Line *from1 = nullptr, *from2 = nullptr;
    int formula = -1; // -1: an accessibility line "world R world2"
    int world = 0, world2 = 0;
    int length = 0; // position on its branch, from 1
    int seq = 0;    // creation order: a left branch before its right one
    Rule rule = Rule::Premise;
};

template <class T> struct Cell
{
    T head;
    const Cell *tail;
};

// Everything a search allocates lives until the search ends; backtracking only drops pointers.
class Pool
{
public:
    template <class T, class... Args> T *make(Args &&...args)
    {
        static_assert(std::is_trivially_destructible_v<T>);
        constexpr std::size_t align = alignof(std::max_align_t);
        const std::size_t size = (sizeof(T) + align - 1) / align * align;
        if (m_used + size > kBlock) {
            m_blocks.push_back(std::make_unique<std::byte[]>(kBlock));
            m_used = 0;
        }
        T *p = new (m_blocks.back().get() + m_used) T{std::forward<Args>(args)...};
        m_used += size;
        return p;
    }
    std::size_t bytes() const { return m_blocks.size() * kBlock; }

private:
    static constexpr std::size_t kBlock = 1 << 16;
    std::vector<std::unique_ptr<std::byte[]>> m_blocks;
    std::size_t m_used = kBlock;
};

struct GammaEntry
{
    const Line *line;
    int uses;
};

using Lines = const Cell<const Line *> *;

struct Queue
{
    Lines front = nullptr, back = nullptr;
    bool empty() const { return !front && !back; }
};

struct Branch
{
    const Line *tip = nullptr;
    Queue todo;             // lines whose rule has not been applied yet
    Lines betas = nullptr;  // branching lines waiting
    Lines pis = nullptr;    // ◇ and ¬□ lines waiting
    Lines parked = nullptr; // ◇ and ¬□ lines of worlds that looked blocked
    Lines lits = nullptr;   // atomic lines, for closing
    Lines boxes = nullptr;  // □ and ¬◇ lines, for worlds reached later
    Lines edges = nullptr;  // accessibility lines
    const Cell<GammaEntry> *gammas = nullptr;
    const Cell<int> *params = nullptr; // free variables on the branch, for the witnesses of ∃
    const Cell<std::pair<int, int>> *blocked = nullptr;
    int gammaUses = 0;
    int identityUses = 0;
    int worlds = 1;
    bool limited = false; // a limit stopped a rule here, so an open end proves nothing
};

struct Closure
{
    const Line *tip, *a, *b; // b null: a closes on its own (⊥, ¬⊤, a ≠ a)
};

struct Pending
{
    Branch branch;
    int split; // the length of the path at the split
};

struct State
{
    Branch branch;
    const Cell<Pending> *pending = nullptr;
    const Cell<Closure> *closed = nullptr;
};

// A choice between closing the branch with one of several partners, or going on without.
struct Choice
{
    State state;
    std::size_t trail;
    const Line *literal;
    Lines candidates;
};

enum class Shape { Literal, Closing, Trivial, DoubleNot, Alpha, Beta, Gamma, Delta, Nu, Pi };

struct Parts
{
    Shape shape = Shape::Literal;
    Rule rule = Rule::Premise;
    int a = -1, a2 = -1; // alpha: the formulas; beta: the first branch
    int b = -1, b2 = -1; // beta: the second branch
    int var = -1, body = -1;
    bool negated = false; // gamma, delta: the instance is negated
};

enum class Outcome { Continue, Closed, Failed, Open };

class Search
{
public:
    Search(Logic &logic, const TableauOptions &options, const Budget &budget)
        : L(logic), m_options(options), m_budget(budget)
    {}

    TableauResult run(const std::vector<int> &premises, int conclusion)
    {
        m_modal = false;
        for (int p : premises)
            m_modal = m_modal || L.hasModal(p);
        if (conclusion >= 0)
            m_modal = m_modal || L.hasModal(conclusion);
        collectNames(premises, conclusion);

        State st;
        Branch &b = st.branch;
        for (int p : premises)
            addLine(b, p, 0, Rule::Premise);
        for (int a : m_options.axioms)
            addLine(b, a, 0, Rule::Axiom);
        // ¬⊥ says nothing: the tree of a formula's satisfiability starts with the formula alone.
        if (conclusion >= 0 && L.node(conclusion).kind != Fk::Bottom)
            addLine(b, L.negation(conclusion), 0, Rule::Negation);
        if (m_modal && isReflexive(m_options.system))
            addEdge(b, 0, 0, Rule::Reflexive);

        TableauResult result;
        result.limit = m_options.gammaLimit;
        std::vector<Choice> choices;
        for (;;) {
            ++m_steps;
            if (((m_steps & 15) == 0
                    && (m_budget.expired() || m_pool.bytes() > kMaxTableauBytes
                        || L.size() > kMaxStoreNodes))
                || (m_options.stepLimit > 0 && m_steps > m_options.stepLimit)) {
                result.stopped = true;
                return result;
            }
            Outcome o = step(st, choices);
            if (o == Outcome::Failed)
                o = backtrack(st, choices);
            if (o == Outcome::Failed)
                return result; // every choice failed within this limit
            if (o == Outcome::Closed) {
                result.closedBranches = ++m_closedBranches;
                if (m_options.branchLimit > 0 && m_closedBranches > m_options.branchLimit) {
                    result.stopped = true;
                    return result;
                }
                if (!st.pending) {
                    result.kind = TableauResult::Kind::Closed;
                    result.tree = tree(st.closed);
                    return result;
                }
                st.branch = st.pending->head.branch;
                st.pending = st.pending->tail;
            } else if (o == Outcome::Open) {
                result.kind = TableauResult::Kind::Open;
                result.open = openBranch(st.branch);
                return result;
            }
        }
    }

private:
    // ---- lines and branches --------------------------------------------------------------

    template <class T> const Cell<T> *push(const Cell<T> *list, T value)
    {
        return m_pool.make<Cell<T>>(value, list);
    }

    void enqueue(Branch &b, const Line *x) { b.todo.back = push(b.todo.back, x); }

    const Line *dequeue(Branch &b)
    {
        if (!b.todo.front) {
            for (Lines c = b.todo.back; c; c = c->tail)
                b.todo.front = push(b.todo.front, c->head);
            b.todo.back = nullptr;
        }
        const Line *x = b.todo.front->head;
        b.todo.front = b.todo.front->tail;
        return x;
    }

    bool onBranch(const Branch &b, int formula, int world) const
    {
        for (const Line *x = b.tip; x; x = x->parent)
            if (x->formula == formula && x->world == world)
                return true;
        return false;
    }

    const Line *makeLine(Branch &b, int formula, int world, int world2, Rule rule,
        const Line *from1, const Line *from2)
    {
        Line *x = m_pool.make<Line>();
        x->parent = b.tip;
        x->from1 = from1;
        x->from2 = from2;
        x->formula = formula;
        x->world = world;
        x->world2 = world2;
        x->length = b.tip ? b.tip->length + 1 : 1;
        x->seq = ++m_seq;
        x->rule = rule;
        b.tip = x;
        enqueue(b, x);
        return x;
    }

    // Regular: a formula already on the branch at that world is not added again.
    const Line *addLine(Branch &b, int formula, int world, Rule rule, const Line *from1 = nullptr,
        const Line *from2 = nullptr)
    {
        if (onBranch(b, formula, world))
            return nullptr;
        return makeLine(b, formula, world, 0, rule, from1, from2);
    }

    bool hasEdge(const Branch &b, int u, int v) const
    {
        for (Lines e = b.edges; e; e = e->tail)
            if (e->head->world == u && e->head->world2 == v)
                return true;
        return false;
    }

    void addEdge(Branch &b, int u, int v, Rule rule, const Line *from1 = nullptr,
        const Line *from2 = nullptr)
    {
        if (hasEdge(b, u, v))
            return;
        const Line *x = makeLine(b, -1, u, v, rule, from1, from2);
        b.edges = push(b.edges, x);
    }

    // ---- the shape of a formula ----------------------------------------------------------

    Parts analyse(int f)
    {
        const FormulaNode n = L.node(f);
        Parts p;
        switch (n.kind) {
        case Fk::Atom:
        case Fk::Equal: p.shape = Shape::Literal; break;
        case Fk::Top: p.shape = Shape::Trivial; break;
        case Fk::Bottom: p.shape = Shape::Closing; break;
        case Fk::And: p = {Shape::Alpha, Rule::And, n.a, n.b}; break;
        case Fk::Or: p = {Shape::Beta, Rule::Or, n.a, -1, n.b, -1}; break;
        case Fk::Implies: p = {Shape::Beta, Rule::Implies, L.negation(n.a), -1, n.b, -1}; break;
        case Fk::Iff:
            p = {Shape::Beta, Rule::Iff, n.a, n.b, L.negation(n.a), L.negation(n.b)};
            break;
        case Fk::Forall:
            p.shape = Shape::Gamma, p.rule = Rule::Forall, p.var = n.a, p.body = n.b;
            break;
        case Fk::Exists:
            p.shape = Shape::Delta, p.rule = Rule::Exists, p.var = n.a, p.body = n.b;
            break;
        case Fk::Box: p.shape = Shape::Nu, p.rule = Rule::Box, p.body = n.a; break;
        case Fk::Diamond: p.shape = Shape::Pi, p.rule = Rule::Diamond, p.body = n.a; break;
        case Fk::Not: {
            const FormulaNode m = L.node(n.a);
            switch (m.kind) {
            case Fk::Atom:
            case Fk::Equal: p.shape = Shape::Literal; break;
            case Fk::Top: p.shape = Shape::Closing; break;
            case Fk::Bottom: p.shape = Shape::Trivial; break;
            case Fk::Not: p.shape = Shape::DoubleNot, p.rule = Rule::DoubleNot, p.a = m.a; break;
            case Fk::And:
                p = {Shape::Beta, Rule::NotAnd, L.negation(m.a), -1, L.negation(m.b), -1};
                break;
            case Fk::Or: p = {Shape::Alpha, Rule::NotOr, L.negation(m.a), L.negation(m.b)}; break;
            case Fk::Implies: p = {Shape::Alpha, Rule::NotImplies, m.a, L.negation(m.b)}; break;
            case Fk::Iff:
                p = {Shape::Beta, Rule::NotIff, m.a, L.negation(m.b), L.negation(m.a), m.b};
                break;
            case Fk::Forall:
                p.shape = Shape::Delta, p.rule = Rule::NotForall, p.var = m.a, p.body = m.b,
                p.negated = true;
                break;
            case Fk::Exists:
                p.shape = Shape::Gamma, p.rule = Rule::NotExists, p.var = m.a, p.body = m.b,
                p.negated = true;
                break;
            case Fk::Box:
                p.shape = Shape::Pi, p.rule = Rule::NotBox, p.body = L.negation(m.a);
                break;
            case Fk::Diamond:
                p.shape = Shape::Nu, p.rule = Rule::NotDiamond, p.body = L.negation(m.a);
                break;
            }
            break;
        }
        }
        return p;
    }

    // ---- unification of the tableau's free variables ---------------------------------------

    int deref(int t) const
    {
        while (L.term(t).kind == Tk::Param && m_bind[static_cast<std::size_t>(L.term(t).sym)] >= 0)
            t = m_bind[static_cast<std::size_t>(L.term(t).sym)];
        return t;
    }

    bool occurs(int p, int t) const
    {
        t = deref(t);
        const TermNode &n = L.term(t);
        if (n.kind == Tk::Param)
            return n.sym == p;
        if (!n.params)
            return false;
        for (int a : L.args(t))
            if (occurs(p, a))
                return true;
        return false;
    }

    void bindParam(int p, int t)
    {
        m_bind[static_cast<std::size_t>(p)] = t;
        m_trail.push_back(p);
    }

    void undo(std::size_t mark)
    {
        while (m_trail.size() > mark) {
            m_bind[static_cast<std::size_t>(m_trail.back())] = -1;
            m_trail.pop_back();
        }
    }

    bool unifyTerms(int s, int t)
    {
        s = deref(s);
        t = deref(t);
        if (s == t)
            return true;
        const TermNode &a = L.term(s), &b = L.term(t);
        if (a.kind == Tk::Param) {
            if (occurs(a.sym, t))
                return false;
            bindParam(a.sym, t);
            return true;
        }
        if (b.kind == Tk::Param) {
            if (occurs(b.sym, s))
                return false;
            bindParam(b.sym, s);
            return true;
        }
        if (a.kind != Tk::App || b.kind != Tk::App || a.sym != b.sym)
            return false;
        const auto as = L.args(s), bs = L.args(t);
        for (std::size_t i = 0; i < as.size(); ++i)
            if (!unifyTerms(as[i], bs[i]))
                return false;
        return true;
    }

    // Unifies, or leaves the bindings as they were.
    bool unifyLists(std::span<const int> a, std::span<const int> b)
    {
        const std::size_t mark = m_trail.size();
        for (std::size_t i = 0; i < a.size(); ++i)
            if (!unifyTerms(a[i], b[i])) {
                undo(mark);
                return false;
            }
        return true;
    }

    bool unifyPair(int s1, int t1, int s2, int t2)
    {
        const int a[2] = {s1, t1}, b[2] = {s2, t2};
        return unifyLists(a, b);
    }

    // Whether the literal lines x and y contradict each other, binding free variables if needed.
    bool contradict(const Line *x, const Line *y)
    {
        const FormulaNode &fx = L.node(x->formula), &fy = L.node(y->formula);
        const bool nx = fx.kind == Fk::Not, ny = fy.kind == Fk::Not;
        if (nx == ny)
            return false;
        const int ax = nx ? fx.a : x->formula, ay = ny ? fy.a : y->formula;
        const FormulaNode &px = L.node(ax), &py = L.node(ay);
        if (px.kind != py.kind)
            return false;
        if (px.kind == Fk::Equal) // identity does not change from world to world
            return unifyPair(px.a, px.b, py.a, py.b) || unifyPair(px.a, px.b, py.b, py.a);
        if (px.a != py.a || x->world != y->world)
            return false;
        return unifyLists(L.atomArgs(ax), L.atomArgs(ay));
    }

    bool selfContradictory(const Line *x)
    {
        const FormulaNode &f = L.node(x->formula);
        if (f.kind != Fk::Not || L.node(f.a).kind != Fk::Equal)
            return false;
        const FormulaNode &e = L.node(f.a);
        const int a[1] = {e.a}, b[1] = {e.b};
        return unifyLists(a, b);
    }

    // ---- one step of the search ------------------------------------------------------------

    Outcome step(State &st, std::vector<Choice> &choices)
    {
        Branch &b = st.branch;
        if (!b.todo.empty())
            return apply(st, dequeue(b), choices);
        // New worlds come before branching, as in textbook trees: a world often closes a branch
        // that β rules would only multiply. Where blocking decides (K4, S4), a world found blocked
        // now is looked at again once no β is left and its formulas are final.
        while (b.pis) {
            const Line *x = pickOldest(b.pis);
            if (expandPi(b, x, false))
                return Outcome::Continue;
        }
        if (b.betas) {
            split(st);
            return Outcome::Continue;
        }
        while (b.parked) {
            const Line *x = pickOldest(b.parked);
            if (expandPi(b, x, true))
                return Outcome::Continue;
        }
        if (b.gammas) {
            // Either the branch, or each ∀ line on it, may give gammaLimit instances; the least
            // used line goes first.
            int least = INT_MAX;
            for (const Cell<GammaEntry> *c = b.gammas; c; c = c->tail)
                least = std::min(least, c->head.uses);
            if ((m_options.perLine ? least : b.gammaUses) < m_options.gammaLimit) {
                instantiate(b);
                return Outcome::Continue;
            }
            b.limited = true;
        }
        if (m_modal && isSerial(m_options.system) && serial(b))
            return Outcome::Continue;
        return b.limited ? Outcome::Failed : Outcome::Open;
    }

    const Line *pickOldest(Lines &list)
    {
        // Lists grow at the front; the oldest line is the last cell.
        std::vector<const Line *> items;
        for (Lines c = list; c; c = c->tail)
            items.push_back(c->head);
        const Line *oldest = items.back();
        Lines rest = nullptr;
        for (std::size_t i = items.size() - 1; i-- > 0;)
            rest = push(rest, items[i]);
        list = rest;
        return oldest;
    }

    Outcome apply(State &st, const Line *x, std::vector<Choice> &choices)
    {
        Branch &b = st.branch;
        if (x->formula < 0) {
            edgeRules(b, x);
            return Outcome::Continue;
        }
        const Parts p = analyse(x->formula);
        // Any formula closes a branch with its negation, as in textbook trees, not only atoms.
        if (p.shape != Shape::Literal && p.shape != Shape::Trivial && p.shape != Shape::Closing)
            return compound(st, x, choices);
        return expand(st, x, choices);
    }

    Outcome expand(State &st, const Line *x, std::vector<Choice> &choices)
    {
        Branch &b = st.branch;
        const Parts p = analyse(x->formula);
        switch (p.shape) {
        case Shape::Trivial: return Outcome::Continue;
        case Shape::Closing: return close(st, x, nullptr);
        case Shape::Literal: return literal(st, x, choices);
        case Shape::DoubleNot: addLine(b, p.a, x->world, p.rule, x); return Outcome::Continue;
        case Shape::Alpha:
            addLine(b, p.a, x->world, p.rule, x);
            if (p.a2 >= 0)
                addLine(b, p.a2, x->world, p.rule, x);
            return Outcome::Continue;
        case Shape::Beta: b.betas = push(b.betas, x); return Outcome::Continue;
        case Shape::Gamma: b.gammas = push(b.gammas, GammaEntry{x, 0}); return Outcome::Continue;
        case Shape::Delta: delta(b, x, p); return Outcome::Continue;
        case Shape::Nu:
            b.boxes = push(b.boxes, x);
            for (Lines e = b.edges; e; e = e->tail)
                if (e->head->world == x->world)
                    addLine(b, p.body, e->head->world2, p.rule, x, e->head);
            return Outcome::Continue;
        case Shape::Pi: b.pis = push(b.pis, x); return Outcome::Continue;
        }
        return Outcome::Continue;
    }

    void edgeRules(Branch &b, const Line *e)
    {
        const int u = e->world, v = e->world2;
        for (Lines c = b.boxes; c; c = c->tail)
            if (c->head->world == u)
                addLine(b, analyse(c->head->formula).body, v, analyse(c->head->formula).rule,
                    c->head, e);
        const ModalSystem s = m_options.system;
        if (isSymmetric(s))
            addEdge(b, v, u, Rule::Symmetric, e);
        if (isTransitive(s)) {
            std::vector<const Line *> edges;
            for (Lines c = b.edges; c; c = c->tail)
                edges.push_back(c->head);
            for (const Line *f : edges) {
                if (f->world2 == u)
                    addEdge(b, f->world, v, Rule::Transitive, f, e);
                if (f->world == v)
                    addEdge(b, u, f->world2, Rule::Transitive, e, f);
            }
        }
    }

    void paramsIn(int t, std::vector<int> &out) const
    {
        const TermNode &n = L.term(t);
        if (!n.params)
            return;
        if (n.kind == Tk::Param) {
            if (std::find(out.begin(), out.end(), n.sym) == out.end())
                out.push_back(n.sym);
            return;
        }
        for (int a : L.args(t))
            paramsIn(a, out);
    }

    void paramsOf(int f, std::vector<int> &out) const
    {
        const FormulaNode &n = L.node(f);
        if (!n.params)
            return;
        switch (n.kind) {
        case Fk::Atom:
            for (int a : L.atomArgs(f))
                paramsIn(a, out);
            break;
        case Fk::Equal: paramsIn(n.a, out), paramsIn(n.b, out); break;
        case Fk::Top:
        case Fk::Bottom: break;
        case Fk::Not:
        case Fk::Box:
        case Fk::Diamond: paramsOf(n.a, out); break;
        case Fk::And:
        case Fk::Or:
        case Fk::Implies:
        case Fk::Iff: paramsOf(n.a, out), paramsOf(n.b, out); break;
        case Fk::Forall:
        case Fk::Exists: paramsOf(n.b, out); break;
        }
    }

    void delta(Branch &b, const Line *x, const Parts &p)
    {
        // The witness depends on the free variables of its own formula (the liberalised rule).
        // The tree shows it as a new constant, which needs that no free variable born above this
        // line ever takes it as its value: closeable() refuses such closures.
        std::vector<int> params;
        paramsOf(p.body, params);
        std::sort(params.begin(), params.end());
        std::vector<int> args;
        for (int q : params)
            args.push_back(L.param(q));
        const int f
            = L.function("#" + std::to_string(++m_witnesses), static_cast<int>(args.size()), true);
        const int t = L.app(f, args);
        int inst = L.substitute(p.body, p.var, t);
        if (p.negated)
            inst = L.negation(inst);
        const Line *made = addLine(b, inst, x->world, p.rule, x);
        if (static_cast<int>(m_witnessLine.size()) <= f)
            m_witnessLine.resize(static_cast<std::size_t>(f) + 1, nullptr);
        m_witnessLine[static_cast<std::size_t>(f)] = made;
    }

    bool onPathOf(const Line *above, const Line *below) const
    {
        for (const Line *y = below; y && y->length >= above->length; y = y->parent)
            if (y == above)
                return true;
        return false;
    }

    bool witnessBornBelow(int t, const Line *born) const
    {
        t = deref(t);
        const TermNode &n = L.term(t);
        if (n.kind != Tk::App)
            return false;
        if (L.functionSymbol(n.sym).made) {
            const Line *d = static_cast<std::size_t>(n.sym) < m_witnessLine.size()
                ? m_witnessLine[static_cast<std::size_t>(n.sym)]
                : nullptr;
            if (d && onPathOf(born, d))
                return true;
        }
        for (int a : L.args(t))
            if (witnessBornBelow(a, born))
                return true;
        return false;
    }

    // Whether the present bindings still give a textbook tree: a free variable born above the
    // line of a witness cannot stand for that witness, a constant new at that line.
    bool closeable() const
    {
        for (int q : m_trail) {
            const Line *born = m_bornLine[static_cast<std::size_t>(q)];
            if (born && witnessBornBelow(m_bind[static_cast<std::size_t>(q)], born))
                return false;
        }
        return true;
    }

    void instantiate(Branch &b)
    {
        // The least used instance rule goes first: every ∀ gets its turn.
        const Cell<GammaEntry> *best = nullptr;
        for (const Cell<GammaEntry> *c = b.gammas; c; c = c->tail)
            if (!best || c->head.uses <= best->head.uses)
                best = c;
        const Line *x = best->head.line;
        const Parts p = analyse(x->formula);
        const int number = static_cast<int>(m_bind.size());
        m_bind.push_back(-1);
        m_birth.push_back(b.tip ? b.tip->length : 0);
        int inst = L.substitute(p.body, p.var, L.param(number));
        if (p.negated)
            inst = L.negation(inst);
        // Rebuild the list with this entry used once more; lists are short.
        std::vector<GammaEntry> entries;
        for (const Cell<GammaEntry> *c = b.gammas; c; c = c->tail)
            entries.push_back(c == best ? GammaEntry{c->head.line, c->head.uses + 1} : c->head);
        b.gammas = nullptr;
        for (auto it = entries.rbegin(); it != entries.rend(); ++it)
            b.gammas = push(b.gammas, *it);
        ++b.gammaUses;
        b.params = push(b.params, number);
        m_bornLine.push_back(addLine(b, inst, x->world, p.rule, x));
    }

    std::vector<int> formulasAt(const Branch &b, int world) const
    {
        std::vector<int> fs;
        for (const Line *x = b.tip; x; x = x->parent)
            if (x->formula >= 0 && x->world == world)
                fs.push_back(x->formula);
        std::sort(fs.begin(), fs.end());
        fs.erase(std::unique(fs.begin(), fs.end()), fs.end());
        return fs;
    }

    int creator(const Branch &b, int world) const
    {
        for (Lines e = b.edges; e; e = e->tail) {
            const Rule r = e->head->rule;
            if (e->head->world2 == world && e->head->world != world
                && (r == Rule::Diamond || r == Rule::NotBox || r == Rule::Serial))
                return e->head->world;
        }
        return -1;
    }

    bool isBlocked(const Branch &b, int w) const
    {
        for (const Cell<std::pair<int, int>> *c = b.blocked; c; c = c->tail)
            if (c->head.first == w)
                return true;
        return false;
    }

    // The branch says where a world stopped opening worlds, and which world it repeats: a line
    // of the tree that no rule reads, so it is never queued.
    void note(Branch &b, int w, int u)
    {
        Line *x = m_pool.make<Line>();
        x->parent = b.tip;
        x->world = w;
        x->world2 = u;
        x->length = b.tip ? b.tip->length + 1 : 1;
        x->seq = ++m_seq;
        x->rule = Rule::Blocked;
        b.tip = x;
    }

    // The possibility rule, unless it is not needed: in S5 a world already holds the formula (every
    // world sees every other); in K4 and S4 an earlier world on the way here holds every formula
    // of this one, so this world can borrow that world's successors.
    bool expandPi(Branch &b, const Line *x, bool final)
    {
        const int w = x->world;
        const Parts p = analyse(x->formula);
        const ModalSystem s = m_options.system;
        if (s == ModalSystem::S5) {
            for (const Line *y = b.tip; y; y = y->parent)
                if (y->formula == p.body)
                    return false;
        } else if (isTransitive(s) && !L.node(x->formula).params) {
            const std::vector<int> mine = formulasAt(b, w);
            for (int u = creator(b, w); u >= 0; u = creator(b, u)) {
                const std::vector<int> theirs = formulasAt(b, u);
                if (std::includes(theirs.begin(), theirs.end(), mine.begin(), mine.end())) {
                    if (final && !isBlocked(b, w)) {
                        b.blocked = push(b.blocked, std::pair<int, int>{w, u});
                        note(b, w, u);
                    } else if (!final)
                        b.parked = push(b.parked, x);
                    return false;
                }
            }
        }
        if (b.worlds >= m_options.worldLimit) {
            b.limited = true;
            return false;
        }
        const int v = b.worlds++;
        addEdge(b, w, v, p.rule, x);
        addLine(b, p.body, v, p.rule, x);
        if (isReflexive(s))
            addEdge(b, v, v, Rule::Reflexive);
        return true;
    }

    bool serial(Branch &b)
    {
        for (int w = 0; w < b.worlds; ++w) {
            bool hasBox = false, hasSuccessor = false;
            for (Lines c = b.boxes; c && !hasBox; c = c->tail)
                hasBox = c->head->world == w;
            for (Lines e = b.edges; e && !hasSuccessor; e = e->tail)
                hasSuccessor = e->head->world == w;
            if (hasBox && !hasSuccessor) {
                if (b.worlds >= m_options.worldLimit) {
                    b.limited = true;
                    return false;
                }
                const int v = b.worlds++;
                addEdge(b, w, v, Rule::Serial);
                return true;
            }
        }
        return false;
    }

    // ---- branching -------------------------------------------------------------------------

    // How many of a β line's branches close at once against the literals already there.
    int closesAtOnce(const Branch &b, const Parts &p, int world)
    {
        int count = 0;
        for (int f : {p.a, p.b}) {
            const FormulaNode &n = L.node(f);
            const int complement = n.kind == Fk::Not ? n.a : L.negation(f);
            for (const Line *y = b.tip; y; y = y->parent)
                if (y->formula == complement
                    && (y->world == world || L.node(f).kind == Fk::Equal)) {
                    ++count;
                    break;
                }
        }
        return count;
    }

    void split(State &st)
    {
        Branch &b = st.branch;
        // Prefer a β line with a branch that closes at once; among equals, the oldest.
        std::vector<const Line *> items;
        for (Lines c = b.betas; c; c = c->tail)
            items.push_back(c->head);
        std::size_t chosen = items.size() - 1;
        int best = -1;
        for (std::size_t i = items.size(); i-- > 0;) {
            const int score = closesAtOnce(b, analyse(items[i]->formula), items[i]->world);
            if (score > best) {
                best = score;
                chosen = i;
            }
            if (best == 2)
                break;
        }
        const Line *x = items[chosen];
        Lines rest = nullptr;
        for (std::size_t i = items.size(); i-- > 0;)
            if (i != chosen)
                rest = push(rest, items[i]);
        b.betas = rest;
        const Parts p = analyse(x->formula);
        Branch left = b, right = b;
        // Each branch gets its lines even if one is already there, so that the tree shows why.
        makeLine(left, p.a, x->world, 0, p.rule, x, nullptr);
        if (p.a2 >= 0)
            addLine(left, p.a2, x->world, p.rule, x);
        makeLine(right, p.b, x->world, 0, p.rule, x, nullptr);
        if (p.b2 >= 0)
            addLine(right, p.b2, x->world, p.rule, x);
        st.pending = push(st.pending, Pending{right, b.tip ? b.tip->length : 0});
        st.branch = left;
    }

    // ---- closing ---------------------------------------------------------------------------

    Outcome close(State &st, const Line *a, const Line *b)
    {
        st.closed = push(st.closed, Closure{st.branch.tip, a, b});
        return Outcome::Closed;
    }

    // Whether the bindings made since @p mark touch only free variables born on this branch below
    // every pending split: then no other branch can care which partner closed this one.
    bool localBindings(const State &st, std::size_t mark) const
    {
        if (!st.pending)
            return true;
        const int split = st.pending->head.split;
        for (std::size_t i = mark; i < m_trail.size(); ++i)
            if (m_birth[static_cast<std::size_t>(m_trail[i])] <= split)
                return false;
        return true;
    }

    Outcome literal(State &st, const Line *x, std::vector<Choice> &choices)
    {
        Branch &b = st.branch;
        std::vector<const Line *> viable;
        const std::size_t mark = m_trail.size();
        if (selfContradictory(x)) {
            if (!closeable())
                undo(mark);
            else if (localBindings(st, mark))
                return close(st, x, nullptr);
            else
                undo(mark), viable.push_back(x);
        }
        for (Lines c = b.lits; c; c = c->tail) {
            if (!contradict(x, c->head))
                continue;
            if (!closeable()) {
                undo(mark);
                continue;
            }
            if (localBindings(st, mark))
                return close(st, c->head, x);
            undo(mark);
            viable.push_back(c->head);
        }
        if (viable.empty()) {
            b.lits = push(b.lits, x);
            identity(b, x);
            return Outcome::Continue;
        }
        Lines rest = nullptr;
        for (std::size_t i = viable.size(); i-- > 1;)
            rest = push(rest, viable[i]);
        choices.push_back(Choice{st, m_trail.size(), x, rest});
        return closeWith(st, x, viable[0]);
    }

    // Whether line y holds the negation of line x's formula, or x the negation of y's, up to the
    // values of free variables (bound here when they match).
    bool negates(const Line *x, const Line *y)
    {
        if (y->formula < 0 || y->world != x->world)
            return false;
        const FormulaNode &fx = L.node(x->formula), &fy = L.node(y->formula);
        if (fx.kind == Fk::Not && unifyFormulas(fx.a, y->formula))
            return true;
        return fy.kind == Fk::Not && unifyFormulas(fy.a, x->formula);
    }

    bool unifyFormulas(int f, int g)
    {
        if (f == g)
            return true;
        const std::size_t mark = m_trail.size();
        if (!matchFormulas(f, g)) {
            undo(mark);
            return false;
        }
        return true;
    }

    bool matchFormulas(int f, int g)
    {
        if (f == g)
            return true;
        const FormulaNode &a = L.node(f), &b = L.node(g);
        if (a.kind != b.kind || (!a.params && !b.params))
            return false;
        switch (a.kind) {
        case Fk::Atom: return a.a == b.a && unifyLists(L.atomArgs(f), L.atomArgs(g));
        case Fk::Equal: return unifyTerms(a.a, b.a) && unifyTerms(a.b, b.b);
        case Fk::Top:
        case Fk::Bottom: return true;
        case Fk::Not:
        case Fk::Box:
        case Fk::Diamond: return matchFormulas(a.a, b.a);
        case Fk::And:
        case Fk::Or:
        case Fk::Implies:
        case Fk::Iff: return matchFormulas(a.a, b.a) && matchFormulas(a.b, b.b);
        case Fk::Forall:
        case Fk::Exists: return a.a == b.a && matchFormulas(a.b, b.b);
        }
        return false;
    }

    // A compound line closes its branch against its negation, or is expanded by its rule.
    Outcome compound(State &st, const Line *x, std::vector<Choice> &choices)
    {
        std::vector<const Line *> viable;
        const std::size_t mark = m_trail.size();
        for (const Line *y = x->parent; y; y = y->parent) {
            if (!negates(x, y))
                continue;
            if (!closeable()) {
                undo(mark);
                continue;
            }
            if (localBindings(st, mark))
                return close(st, y, x);
            undo(mark);
            viable.push_back(y);
        }
        if (viable.empty())
            return expand(st, x, choices);
        Lines rest = nullptr;
        for (std::size_t i = viable.size(); i-- > 1;)
            rest = push(rest, viable[i]);
        choices.push_back(Choice{st, m_trail.size(), x, rest});
        negates(x, viable[0]);
        return close(st, viable[0], x);
    }

    Outcome closeWith(State &st, const Line *x, const Line *partner)
    {
        if (partner == x) {
            selfContradictory(x);
            return close(st, x, nullptr);
        }
        contradict(x, partner);
        return close(st, partner, x);
    }

    // Resumes at the latest choice with an alternative left: Closed when that alternative closes
    // the branch, Continue when it keeps the branch open, Failed when no choice is left.
    Outcome backtrack(State &st, std::vector<Choice> &choices)
    {
        while (!choices.empty()) {
            Choice &c = choices.back();
            undo(c.trail);
            st = c.state;
            if (c.candidates) {
                const Line *partner = c.candidates->head;
                c.candidates = c.candidates->tail;
                const bool compoundLine = analyse(c.literal->formula).shape != Shape::Literal;
                const bool bindsOk = partner == c.literal ? selfContradictory(c.literal)
                    : compoundLine                        ? negates(c.literal, partner)
                                                          : contradict(c.literal, partner);
                if (!bindsOk)
                    continue;
                st.closed = push(st.closed,
                    partner == c.literal ? Closure{st.branch.tip, c.literal, nullptr}
                                         : Closure{st.branch.tip, partner, c.literal});
                return Outcome::Closed;
            }
            // The last alternative: keep the branch open and go on.
            const Line *x = c.literal;
            choices.pop_back();
            if (analyse(x->formula).shape != Shape::Literal)
                return expand(st, x, choices);
            st.branch.lits = push(st.branch.lits, x);
            identity(st.branch, x);
            return Outcome::Continue;
        }
        return Outcome::Failed;
    }

    // ---- identity ------------------------------------------------------------------------

    int resolved(int t) const
    {
        t = deref(t);
        // By value: the calls below add terms to the store, which may move its nodes.
        const TermNode n = L.term(t);
        if (n.kind != Tk::App || !n.params)
            return t;
        std::vector<int> args;
        for (int a : L.args(t))
            args.push_back(resolved(a));
        return L.app(n.sym, args);
    }

    int replaceTerm(int t, int from, int to)
    {
        t = resolved(t);
        if (t == from)
            return to;
        const TermNode n = L.term(t);
        if (n.kind != Tk::App || n.list < 0)
            return t;
        std::vector<int> args;
        for (int a : L.args(t))
            args.push_back(replaceTerm(a, from, to));
        return L.app(n.sym, args);
    }

    // The literal with every occurrence of @p from replaced by @p to.
    int replaceIn(int f, int from, int to)
    {
        const FormulaNode n = L.node(f);
        if (n.kind == Fk::Not)
            return L.negation(replaceIn(n.a, from, to));
        if (n.kind == Fk::Equal)
            return L.equal(replaceTerm(n.a, from, to), replaceTerm(n.b, from, to));
        std::vector<int> args;
        for (int a : L.atomArgs(f))
            args.push_back(replaceTerm(a, from, to));
        return L.atom(n.a, args);
    }

    bool positiveEquality(const Line *x) const { return L.node(x->formula).kind == Fk::Equal; }

    // A total order on terms (their present values) that a context keeps: bigger terms first,
    // then by symbol and arguments. Identities rewrite the bigger side into the smaller one.
    int compareTerms(int s, int t) const
    {
        s = resolved(s);
        t = resolved(t);
        if (s == t)
            return 0;
        const int sa = termSize(s), sb = termSize(t);
        if (sa != sb)
            return sa < sb ? -1 : 1;
        const TermNode &a = L.term(s), &b = L.term(t); // after termSize, which adds terms
        if (a.kind != b.kind)
            return a.kind < b.kind ? -1 : 1;
        if (a.sym != b.sym)
            return a.sym < b.sym ? -1 : 1;
        const auto as = L.args(s), bs = L.args(t);
        for (std::size_t i = 0; i < as.size(); ++i)
            if (const int c = compareTerms(as[i], bs[i]))
                return c;
        return 0;
    }

    int termSize(int t) const
    {
        int n = 1;
        for (int a : L.args(t))
            n += termSize(resolved(a));
        return n;
    }

    // The literal with its terms at their present values.
    int resolvedLiteral(int f)
    {
        const FormulaNode n = L.node(f);
        if (!n.params)
            return f;
        if (n.kind == Fk::Not)
            return L.negation(resolvedLiteral(n.a));
        if (n.kind == Fk::Equal)
            return L.equal(resolved(n.a), resolved(n.b));
        std::vector<int> args;
        for (int a : L.atomArgs(f))
            args.push_back(resolved(a));
        return L.atom(n.a, args);
    }

    bool literalOnBranch(const Branch &b, int resolvedFormula, int world)
    {
        for (Lines c = b.lits; c; c = c->tail)
            if (c->head->world == world && resolvedLiteral(c->head->formula) == resolvedFormula)
                return true;
        return false;
    }

    // The substitution of identicals, between the new literal and what the branch has: an
    // identity rewrites the bigger of its terms into the smaller, so that every literal comes to
    // its normal form and equal things end up written alike (where a ≠ a, or F and ¬F, close).
    void identity(Branch &b, const Line *x)
    {
        std::vector<std::pair<const Line *, const Line *>> work; // (identity, target)
        if (positiveEquality(x))
            for (Lines c = b.lits; c; c = c->tail)
                if (c->head != x)
                    work.emplace_back(x, c->head);
        for (Lines c = b.lits; c; c = c->tail)
            if (positiveEquality(c->head) && c->head != x)
                work.emplace_back(c->head, x);
        const int budget = 30 + 30 * m_options.gammaLimit;
        for (const auto &[e, target] : work) {
            if (m_budget.expired()) {
                b.limited = true; // an open end proves nothing now; the step loop ends the round
                return;
            }
            const FormulaNode eq = L.node(e->formula); // compareTerms adds terms to the store
            const int order = compareTerms(eq.a, eq.b);
            if (order == 0)
                continue;
            const int from = resolved(order > 0 ? eq.a : eq.b),
                      to = resolved(order > 0 ? eq.b : eq.a);
            const int before = resolvedLiteral(target->formula);
            const int g = replaceIn(before, from, to);
            if (g == before || literalOnBranch(b, g, target->world))
                continue;
            const FormulaNode &made = L.node(g);
            if (made.kind == Fk::Equal && made.a == made.b)
                continue; // t = t says nothing
            if (b.identityUses >= budget) {
                b.limited = true;
                return;
            }
            ++b.identityUses;
            addLine(b, g, target->world, Rule::Identity, e, target);
        }
    }

    // ---- the open branch and the closed tree -------------------------------------------------

    OpenBranch openBranch(const Branch &b) const
    {
        OpenBranch open;
        open.worlds = b.worlds;
        for (Lines e = b.edges; e; e = e->tail)
            open.edges.emplace_back(e->head->world, e->head->world2);
        for (const Cell<std::pair<int, int>> *c = b.blocked; c; c = c->tail)
            open.blocked.push_back(c->head);
        for (Lines c = b.lits; c; c = c->tail)
            if (L.node(c->head->formula).kind != Fk::Not)
                open.literals.emplace_back(c->head->world, c->head->formula);
        return open;
    }

    void collectNames(const std::vector<int> &premises, int conclusion)
    {
        for (int i = 0; i < L.functionCount(); ++i)
            m_usedNames.insert(L.functionSymbol(i).name);
        for (int i = 0; i < L.variableCount(); ++i)
            m_usedNames.insert(L.variableName(i));
        for (int i = 0; i < L.predicateCount(); ++i)
            m_usedNames.insert(L.predicateSymbol(i).name);
        (void)premises;
        (void)conclusion;
        for (int i = 0; i < L.functionCount(); ++i)
            if (!L.functionSymbol(i).made && L.functionSymbol(i).arity == 0 && m_default < 0)
                m_default = L.constant(i);
    }

    std::string freshName()
    {
        static const char kLetters[] = "abcdeghijklmopqrstuwxyz";
        for (int round = 0;; ++round)
            for (const char *c = kLetters; *c; ++c) {
                std::string name(1, *c);
                if (round > 0)
                    name += std::to_string(round);
                if (m_usedNames.insert(name).second)
                    return name;
            }
    }

    // A term of the tree: free variables get their final values, witnesses become constants.
    int groundTerm(int t)
    {
        t = deref(t);
        const TermNode n = L.term(t);
        if (n.kind == Tk::Param) {
            if (m_default < 0)
                m_default = L.constant(L.function(freshName(), 0));
            return m_default;
        }
        if (n.kind != Tk::App)
            return t;
        if (L.functionSymbol(n.sym).made) {
            auto it = m_witnessNames.find(n.sym);
            if (it == m_witnessNames.end())
                it = m_witnessNames.emplace(n.sym, L.constant(L.function(freshName(), 0))).first;
            return it->second;
        }
        if (!n.params && n.list < 0)
            return t;
        std::vector<int> args;
        for (int a : L.args(t))
            args.push_back(groundTerm(a));
        return L.app(n.sym, args);
    }

    int groundFormula(int f)
    {
        if (auto it = m_grounded.find(f); it != m_grounded.end())
            return it->second;
        const FormulaNode n = L.node(f);
        int r = f;
        switch (n.kind) {
        case Fk::Atom: {
            std::vector<int> args;
            for (int a : L.atomArgs(f))
                args.push_back(groundTerm(a));
            r = L.atom(n.a, args);
            break;
        }
        case Fk::Equal: r = L.equal(groundTerm(n.a), groundTerm(n.b)); break;
        case Fk::Top:
        case Fk::Bottom: break;
        case Fk::Not:
        case Fk::Box:
        case Fk::Diamond: r = L.modal(n.kind, groundFormula(n.a)); break;
        case Fk::And:
        case Fk::Or:
        case Fk::Implies:
        case Fk::Iff: {
            const int a = groundFormula(n.a);
            r = L.binary(n.kind, a, groundFormula(n.b));
            break;
        }
        case Fk::Forall:
        case Fk::Exists: r = L.quantified(n.kind, n.a, groundFormula(n.b)); break;
        }
        m_grounded.emplace(f, r);
        return r;
    }

    // The closed tree in textbook order, with its free variables and witnesses as constants.
    ProofTree tree(const Cell<Closure> *closedList)
    {
        std::vector<Closure> closures;
        for (const Cell<Closure> *c = closedList; c; c = c->tail)
            closures.push_back(c->head);
        std::unordered_map<const Line *, std::vector<const Line *>> children;
        std::unordered_map<const Line *, const Closure *> closedAt;
        const Line *root = nullptr;
        for (const Closure &c : closures) {
            closedAt[c.tip] = &c;
            for (const Line *x = c.tip; x; x = x->parent) {
                if (!x->parent) {
                    root = x;
                    break;
                }
                std::vector<const Line *> &siblings = children[x->parent];
                if (std::find(siblings.begin(), siblings.end(), x) != siblings.end())
                    break;
                siblings.push_back(x);
            }
        }
        for (auto &[parent, kids] : children)
            std::sort(kids.begin(), kids.end(),
                [](const Line *a, const Line *b) { return a->seq < b->seq; });

        ProofTree out;
        out.modal = m_modal;
        out.conclusionIsFormula = m_options.conclusionIsFormula;
        std::unordered_map<const Line *, int> index;
        auto indexOf = [&](const Line *x) { return x ? index.at(x) : -1; };
        std::vector<std::pair<const Line *, int>> stack; // a line and its parent's node
        if (root)
            stack.emplace_back(root, -1);
        while (!stack.empty()) {
            const auto [x, parent] = stack.back();
            stack.pop_back();
            if (static_cast<int>(out.nodes.size()) >= kMaxTreeLines) {
                out.truncated = true;
                break;
            }
            const int me = static_cast<int>(out.nodes.size());
            index[x] = me; // a line may close its branch on its own
            TreeNode node;
            node.parent = parent;
            node.formula = x->formula < 0 ? -1 : groundFormula(x->formula);
            node.world = x->world;
            node.world2 = x->world2;
            node.rule = x->rule;
            node.from1 = indexOf(x->from1);
            node.from2 = indexOf(x->from2);
            if (auto it = closedAt.find(x); it != closedAt.end()) {
                node.closedBy1 = indexOf(it->second->a);
                node.closedBy2 = indexOf(it->second->b);
            }
            out.nodes.push_back(node);
            if (const auto kids = children.find(x); kids != children.end())
                for (auto it = kids->second.rbegin(); it != kids->second.rend(); ++it)
                    stack.emplace_back(*it, me);
        }
        return out;
    }

    Logic &L;
    TableauOptions m_options;
    Budget m_budget;
    Pool m_pool;
    bool m_modal = false;
    std::vector<int> m_bind;  // per free variable: its term, or -1
    std::vector<int> m_birth; // per free variable: the length of the branch that made it
    std::vector<const Line *> m_bornLine;    // per free variable: the line of its instance
    std::vector<const Line *> m_witnessLine; // per witness function: the line of its ∃
    std::vector<int> m_trail;
    std::int64_t m_steps = 0;
    int m_closedBranches = 0;
    int m_seq = 0;
    int m_witnesses = 0;
    std::unordered_set<std::string> m_usedNames;
    std::unordered_map<int, int> m_witnessNames, m_grounded;
    int m_default = -1;
};

} // namespace

TableauResult runTableau(Logic &logic, const std::vector<int> &premises, int conclusion,
    const TableauOptions &options, const Budget &budget)
{
    Search search(logic, options, budget);
    return search.run(premises, conclusion);
}

} // namespace logic
