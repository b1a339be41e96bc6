#include "DerivationSearch.h"

#include <algorithm>
#include <chrono>
#include <string>

namespace logic {
namespace {

// Blocks inside blocks: the written derivation is nested no deeper.
constexpr int kMaxNesting = 120;
// Eliminations chained to reach a goal.
constexpr int kExtraction = 6;
// Seconds a search may take when its caller set no deadline.
constexpr int kLongestSearch = 30;

} // namespace

// Everything a block or a branch adds to the context goes when it closes.
class DerivationSearch::Scope
{
public:
    explicit Scope(DerivationSearch &s)
        : m_s(s), m_block(s.m_block), m_world(s.m_world), m_facts(s.m_facts.size()),
          m_saturated(s.m_saturated), m_strictDepth(s.m_strictDepth), m_nesting(s.m_nesting),
          m_names(s.m_fresh.size())
    {}
    ~Scope() { restore(); }
    // What was added stays: the branch goes on with it.
    void keep() { m_done = true; }
    void restore()
    {
        if (m_done)
            return;
        m_done = true;
        while (m_s.m_facts.size() > m_facts) {
            const Fact &f = m_s.m_facts.back();
            m_s.m_known.erase(factKey(f.world, f.formula));
            m_s.m_used -= (f.used ? 1 : 0) + (f.usedBack ? 1 : 0);
            m_s.m_facts.pop_back();
        }
        m_s.m_saturated = m_saturated;
        ++m_s.m_version;
        m_s.m_block = m_block;
        m_s.m_world = m_world;
        m_s.m_strictDepth = m_strictDepth;
        m_s.m_nesting = m_nesting;
        // A constant made for a block that is gone may serve again, as textbooks do.
        while (m_s.m_fresh.size() > m_names) {
            m_s.m_names.erase(m_s.m_fresh.back());
            m_s.m_fresh.pop_back();
        }
    }

private:
    DerivationSearch &m_s;
    int m_block, m_world;
    std::size_t m_facts, m_saturated;
    int m_strictDepth, m_nesting;
    std::size_t m_names;
    bool m_done = false;
};

namespace {

// A fact spent on the current branch: a sequent rule that used it needs it no more there. By
// index, since the facts move as they grow.
class Spent
{
public:
    Spent(std::vector<DerivationSearch::Fact> &facts, std::size_t i, int &count, bool back = false)
        : m_facts(facts), m_i(i), m_count(count), m_back(back), m_was(flag())
    {
        if (!m_was) {
            flag() = true;
            ++m_count;
        }
    }
    ~Spent()
    {
        if (!m_was && m_i < m_facts.size()) {
            flag() = false;
            --m_count;
        }
    }

private:
    bool &flag() { return m_back ? m_facts[m_i].usedBack : m_facts[m_i].used; }
    std::vector<DerivationSearch::Fact> &m_facts;
    std::size_t m_i;
    int &m_count;
    bool m_back;
    bool m_was;
};

} // namespace

DerivationSearch::DerivationSearch(
    Logic &logic, ModalSystem system, const Budget &budget, SearchLimits limits)
    : m_logic(logic), m_system(system), m_budget(budget), m_limits(limits), m_bottom(logic.bottom())
{
    // No search runs without an end, whatever the caller asked.
    m_budget = m_budget.until(CpuClock::now() + std::chrono::seconds(kLongestSearch));
}

int DerivationSearch::run(const std::vector<int> &premises, int conclusion)
{
    for (int p : premises)
        collectNames(p);
    collectNames(conclusion);
    for (int p : premises)
        if (known(p) < 0)
            addFact(p, make(p, Rule::Premise));
    const int r = prove(conclusion, m_limits.natural);
    return m_stopped ? -1 : r;
}

int DerivationSearch::resume(
    int block, const std::vector<int> &facts, int goal, const std::vector<int> &names)
{
    for (int f : names)
        collectNames(f);
    collectNames(goal);
    m_block = block;
    for (int s : facts)
        addFact(m_proof.at(s).formula, s);
    const int r = prove(goal, m_limits.natural);
    return m_stopped ? -1 : r;
}

int DerivationSearch::prove(int goal, int depth)
{
    if (stop())
        return -1;
    saturate();
    // Both conjuncts already there: ∧I, not DeM from further up, which gets the goal afresh.
    if (const FormulaNode &g = n(goal); g.kind == Fk::And && known(g.a) >= 0 && known(g.b) >= 0
        && (known(goal) < 0 || m_proof.at(known(goal)).rule == Rule::DeMorgan))
        return make(goal, Rule::AndIntro, {known(g.a), known(g.b)});
    if (const int s = known(goal); s >= 0)
        return s;
    if (const int b = known(m_bottom); b >= 0)
        return make(goal, Rule::Explosion, {b});
    if (const int s = converted(goal); s >= 0)
        return s;
    if (m_nesting > kMaxNesting)
        return -1;
    // The same goal in the same state further up: this branch would only repeat it.
    const std::uint64_t state = (static_cast<std::uint64_t>(m_facts.size()) << 32)
        | (static_cast<std::uint64_t>(static_cast<std::uint32_t>(m_used)) << 12)
        | static_cast<std::uint64_t>(m_world & 0xFFF);
    for (std::size_t i = 0; i + 1 < m_path.size(); i += 2)
        if (m_path[i] == static_cast<std::uint64_t>(goal) && m_path[i + 1] == state)
            return -1;
    m_path.push_back(static_cast<std::uint64_t>(goal));
    m_path.push_back(state);
    const int r = introduce(goal, depth);
    m_path.resize(m_path.size() - 2);
    return r;
}

int DerivationSearch::lemma(int goal, int depth)
{
    const int s = prove(goal, depth);
    if (s >= 0)
        addFact(goal, s);
    return s;
}

int DerivationSearch::attempt(int goal, int depth)
{
    if (depth < 0 || m_stopped)
        return -1;
    const std::int64_t saved = m_limit;
    m_limit = std::min(m_limit, m_work + m_limits.attemptSteps);
    // A failed attempt leaves nothing behind: instances it made would otherwise be split by
    // cases further down, one ∨E inside another, for nothing.
    Scope scope(*this);
    const int s = lemma(goal, depth);
    m_limit = saved;
    if (s >= 0) {
        scope.keep();
        addFact(goal, s);
    }
    return s;
}

// Introduction rules, bottom-up: the goal's main connective says how to get it.
int DerivationSearch::introduce(int goal, int depth)
{
    const FormulaNode g = n(goal);
    if (g.kind == Fk::And || g.kind == Fk::Iff) {
        // A witness taken once outside serves both halves, instead of one ∃E in each.
        for (std::size_t i = 0; i < m_facts.size(); ++i)
            if (m_facts[i].world == m_world && !m_facts[i].used
                && n(m_facts[i].formula).kind == Fk::Exists)
                return witness(i, goal, depth);
    }
    switch (g.kind) {
    case Fk::And: {
        const int a = lemma(g.a, depth);
        if (a < 0)
            return -1;
        const int b = lemma(g.b, depth);
        return b < 0 ? -1 : make(goal, Rule::AndIntro, {a, b});
    }
    case Fk::Implies:
    case Fk::Not: {
        if (g.kind == Fk::Not && known(g.a) >= 0) {
            // What ¬I would assume is already there: ⊥, then anything.
            const int r = prove(m_bottom, depth);
            return r < 0 ? -1 : make(goal, Rule::Explosion, {r});
        }
        if (g.kind == Fk::Implies && known(g.a) >= 0) {
            // The antecedent is already there: the consequent first, then a block that only
            // repeats it.
            const int b = lemma(g.b, depth);
            if (b < 0)
                return -1;
            Scope scope(*this);
            const int block = openBlock(g.a, false);
            finishBlock(block, b, g.b);
            scope.restore();
            return make(goal, Rule::ImpliesIntro, {}, {block});
        }
        Scope scope(*this);
        const int block = openBlock(g.a, false);
        const int target = g.kind == Fk::Implies ? g.b : m_bottom;
        const int r = prove(target, depth);
        if (r < 0)
            return -1;
        finishBlock(block, r, target);
        scope.restore();
        return make(goal, g.kind == Fk::Implies ? Rule::ImpliesIntro : Rule::NotIntro, {}, {block});
    }
    case Fk::Iff: {
        int blocks[2];
        for (int side = 0; side < 2; ++side) {
            const int from = side ? g.b : g.a, to = side ? g.a : g.b;
            // A side already there: the other one first, then a block that only repeats it.
            const int early = known(from) >= 0 ? lemma(to, depth) : -1;
            if (known(from) >= 0 && early < 0)
                return -1;
            Scope scope(*this);
            blocks[side] = openBlock(from, false);
            const int r = early >= 0 ? early : prove(to, depth);
            if (r < 0)
                return -1;
            finishBlock(blocks[side], r, to);
        }
        return make(goal, Rule::IffIntro, {}, {blocks[0], blocks[1]});
    }
    case Fk::Forall: {
        const int c = freshConstant();
        const int r = lemma(m_logic.substitute(g.b, g.a, c), depth);
        return r < 0 ? -1 : make(goal, Rule::ForallIntro, {r});
    }
    case Fk::Box: {
        // In S5 a strict subderivation alone may not do: ¬□φ outside it may be needed.
        const int r = strictBlock(goal, depth);
        if (r >= 0 || m_stopped)
            return r;
        break;
    }
    case Fk::Diamond: {
        const int r = lemma(neg(m_logic.modal(Fk::Box, neg(g.a))), depth);
        return r < 0 ? -1 : make(goal, Rule::DiamondDefinition, {r});
    }
    case Fk::Top: return make(goal, Rule::TopIntro);
    case Fk::Equal:
        if (g.a == g.b)
            return make(goal, Rule::IdentityIntro);
        if (const int e = known(m_logic.equal(g.b, g.a)); e >= 0) {
            // b = a from a = b: a = a, and its first a made b.
            const int same = make(m_logic.equal(g.b, g.b), Rule::IdentityIntro);
            return make(goal, Rule::IdentityElim, {e, same});
        }
        break;
    default: break;
    }
    return general(goal, depth);
}

int DerivationSearch::general(int goal, int depth)
{
    if (depth > 0) {
        const int r = natural(goal, depth);
        if (r >= 0 || m_stopped)
            return r;
    }
    // Disjunctions and existentials in the context: by cases, and by a witness, lose nothing.
    for (std::size_t i = 0; i < m_facts.size(); ++i) {
        const Fact &f = m_facts[i];
        if (f.world == m_world && !f.used && n(f.formula).kind == Fk::Or
            && known(n(f.formula).a) < 0 && known(n(f.formula).b) < 0)
            return splitDisjunction(i, goal, depth);
    }
    for (std::size_t i = 0; i < m_facts.size(); ++i) {
        const Fact &f = m_facts[i];
        if (f.world == m_world && !f.used && n(f.formula).kind == Fk::Exists)
            return witness(i, goal, depth);
    }
    return goal == m_bottom ? contradiction(depth) : indirect(goal, depth);
}

// Moves that may fail: ∨I, ∃I, and the goal as what a conditional, a biconditional, a
// disjunction, a negation or a universal in the context gives.
int DerivationSearch::natural(int goal, int depth)
{
    const FormulaNode g = n(goal);
    if (g.kind == Fk::Or)
        for (int side : {g.a, g.b})
            if (const int s = attempt(side, depth - 1); s >= 0)
                return make(goal, Rule::OrIntro, {s});
    if (g.kind == Fk::Exists)
        for (int t : terms(goal, false))
            if (const int s = attempt(m_logic.substitute(g.b, g.a, t), depth - 1); s >= 0)
                return make(goal, Rule::ExistsIntro, {s});
    for (std::size_t i = m_facts.size(); i-- > 0;) {
        if (m_stopped)
            return -1;
        if (i >= m_facts.size() || m_facts[i].world != m_world)
            continue;
        const int f = m_facts[i].formula, fs = m_facts[i].step;
        const FormulaNode c = n(f);
        if (goal == m_bottom && c.kind == Fk::Not && !m_facts[i].used) {
            if (const int s = attempt(c.a, depth - 1); s >= 0)
                return refute(s, fs);
        } else if (c.kind == Fk::Forall) {
            if (const int s = chainUniversal(i, goal, depth); s >= 0)
                return s;
        } else if (c.kind != Fk::And && leadsTo(f, goal, kExtraction)) {
            if (const int s = extract(f, fs, goal, depth, kExtraction); s >= 0)
                return s;
        }
    }
    return -1;
}

// Whether elimination rules lead from @p f to @p goal: through conjuncts, consequents, the sides
// of a biconditional, disjuncts (by DS) and double negations.
bool DerivationSearch::leadsTo(int f, int goal, int budget) const
{
    if (f == goal)
        return true;
    if (budget == 0)
        return false;
    const FormulaNode c = n(f);
    switch (c.kind) {
    case Fk::Or:
        if (m_limits.basicRules)
            return false; // DS
        [[fallthrough]];
    case Fk::And:
    case Fk::Iff: return leadsTo(c.a, goal, budget - 1) || leadsTo(c.b, goal, budget - 1);
    case Fk::Implies: return leadsTo(c.b, goal, budget - 1);
    case Fk::Not:
        return !m_limits.basicRules && n(c.a).kind == Fk::Not
            && leadsTo(n(c.a).a, goal, budget - 1);
    default: return false;
    }
}

// The eliminations that leadsTo found, top-down, proving on the way what each one needs: the
// antecedent, the other side, the negation of the other disjunct.
int DerivationSearch::extract(int f, int step, int goal, int depth, int budget)
{
    if (f == goal)
        return step;
    if (budget == 0 || m_stopped)
        return -1;
    const FormulaNode c = n(f);
    auto onward = [&](int g, Rule rule, std::vector<int> cites) {
        int s = known(g);
        if (s < 0) {
            s = make(g, rule, std::move(cites));
            addFact(g, s);
        }
        return extract(g, s, goal, depth, budget - 1);
    };
    switch (c.kind) {
    case Fk::And:
        for (int side : {c.a, c.b})
            if (leadsTo(side, goal, budget - 1))
                return onward(side, Rule::AndElim, {step});
        return -1;
    case Fk::Implies: {
        const int a = attempt(c.a, depth - 1);
        return a < 0 ? -1 : onward(c.b, Rule::ImpliesElim, {step, a});
    }
    case Fk::Iff:
    case Fk::Or:
        for (int side = 0; side < 2; ++side) {
            const int to = side ? c.a : c.b, from = side ? c.b : c.a;
            if (!leadsTo(to, goal, budget - 1))
                continue;
            const bool iff = c.kind == Fk::Iff;
            const int need = attempt(iff ? from : neg(from), depth - 1);
            if (need >= 0)
                return onward(to, iff ? Rule::IffElim : Rule::DisjunctiveSyllogism, {step, need});
        }
        return -1;
    case Fk::Not: return onward(n(c.a).a, Rule::DoubleNegation, {step});
    default: return -1;
    }
}

namespace {

// Bindings of the variables of a ∀ prefix to closed terms, -1 while free.
struct Binding
{
    std::vector<int> vars, terms;
    int slot(int v) const
    {
        for (std::size_t i = 0; i < vars.size(); ++i)
            if (vars[i] == v)
                return static_cast<int>(i);
        return -1;
    }
};

bool matchTerm(const Logic &logic, int pattern, int t, Binding &b)
{
    if (pattern == t && logic.term(pattern).vars == 0)
        return true;
    const TermNode &p = logic.term(pattern);
    if (p.kind == Tk::Var) {
        const int i = b.slot(p.sym);
        if (i < 0)
            return pattern == t;
        int &bound = b.terms[static_cast<std::size_t>(i)];
        if (bound >= 0)
            return bound == t;
        // Only closed terms may stand for a variable of the prefix.
        if (logic.term(t).kind != Tk::App || logic.term(t).vars != 0)
            return false;
        bound = t;
        return true;
    }
    const TermNode &q = logic.term(t);
    if (p.kind != Tk::App || q.kind != Tk::App || p.sym != q.sym)
        return false;
    const auto pa = logic.args(pattern), qa = logic.args(t);
    if (pa.size() != qa.size())
        return false;
    for (std::size_t i = 0; i < pa.size(); ++i)
        if (!matchTerm(logic, pa[i], qa[i], b))
            return false;
    return true;
}

// Whether @p pattern, with the prefix's variables free in it, becomes @p f under a binding that
// extends @p b.
bool matchFormula(const Logic &logic, int pattern, int f, Binding &b, int budget = 64)
{
    if (pattern == f && (logic.node(pattern).vars == 0))
        return true;
    if (budget == 0)
        return false;
    const FormulaNode &p = logic.node(pattern), &q = logic.node(f);
    if (p.kind != q.kind)
        return false;
    switch (p.kind) {
    case Fk::Atom: {
        if (p.a != q.a)
            return false;
        const auto pa = logic.atomArgs(pattern), qa = logic.atomArgs(f);
        if (pa.size() != qa.size())
            return false;
        for (std::size_t i = 0; i < pa.size(); ++i)
            if (!matchTerm(logic, pa[i], qa[i], b))
                return false;
        return true;
    }
    case Fk::Equal: return matchTerm(logic, p.a, q.a, b) && matchTerm(logic, p.b, q.b, b);
    case Fk::Not:
    case Fk::Box:
    case Fk::Diamond: return matchFormula(logic, p.a, q.a, b, budget - 1);
    case Fk::Forall:
    case Fk::Exists:
        // The same bound variable on both sides, and not one of the prefix's.
        return p.a == q.a && b.slot(p.a) < 0 && matchFormula(logic, p.b, q.b, b, budget - 1);
    default:
        if (!isBinary(p.kind))
            return pattern == f;
        return matchFormula(logic, p.a, q.a, b, budget - 1)
            && matchFormula(logic, p.b, q.b, b, budget - 1);
    }
}

// The parts of @p f that elimination rules reach, as leadsTo follows them.
void reachable(const Logic &logic, int f, int budget, std::vector<int> &out)
{
    out.push_back(f);
    if (budget == 0 || out.size() > 64)
        return;
    const FormulaNode &c = logic.node(f);
    switch (c.kind) {
    case Fk::And:
    case Fk::Iff:
    case Fk::Or:
        reachable(logic, c.a, budget - 1, out);
        reachable(logic, c.b, budget - 1, out);
        break;
    case Fk::Implies: reachable(logic, c.b, budget - 1, out); break;
    case Fk::Not:
        if (logic.node(c.a).kind == Fk::Not)
            reachable(logic, logic.node(c.a).a, budget - 1, out);
        break;
    default: break;
    }
}

} // namespace

// ∀E towards the goal: the instance whose part matches the goal, the terms read off the match,
// however many quantifiers deep; a variable the match leaves free takes the terms in sight.
int DerivationSearch::chainUniversal(std::size_t fact, int goal, int depth)
{
    const int top = m_facts[fact].formula, topStep = m_facts[fact].step;
    Binding prefix;
    int matrix = top;
    while (n(matrix).kind == Fk::Forall && prefix.vars.size() < 16) {
        if (prefix.slot(n(matrix).a) >= 0)
            break; // a variable bound again: the outer one is vacuous beyond here
        prefix.vars.push_back(n(matrix).a);
        matrix = n(matrix).b;
    }
    if (n(matrix).kind == Fk::Forall)
        return -1;
    prefix.terms.assign(prefix.vars.size(), -1);
    std::vector<int> parts;
    reachable(m_logic, matrix, kExtraction, parts);
    std::vector<int> candidates;
    bool listed = false; // the terms in sight, read once a match leaves a variable free
    std::unordered_set<int> tried;
    for (int part : parts) {
        Binding b = prefix;
        if (!matchFormula(m_logic, part, goal, b))
            continue;
        // The free ones: every choice of the terms in sight, a few at most.
        std::vector<std::size_t> open;
        for (std::size_t i = 0; i < b.terms.size(); ++i)
            if (b.terms[i] < 0)
                open.push_back(i);
        if (!open.empty() && !listed) {
            candidates = terms(goal, false);
            listed = true;
        }
        if (!open.empty() && candidates.empty())
            continue;
        std::size_t choices = 1;
        for (std::size_t k = 0; k < open.size() && choices <= 16; ++k)
            choices *= candidates.size();
        choices = std::min<std::size_t>(choices, 16);
        for (std::size_t choice = 0; choice < choices; ++choice) {
            if (m_stopped)
                return -1;
            std::size_t rest = choice;
            for (std::size_t i : open) {
                b.terms[i] = candidates[rest % candidates.size()];
                rest /= candidates.size();
            }
            // One ∀E for each quantifier, outermost first.
            Scope scope(*this);
            int f = top, s = topStep;
            for (std::size_t i = 0; i < b.vars.size(); ++i) {
                const int inst = m_logic.substitute(n(f).b, n(f).a, b.terms[i]);
                s = known(inst) >= 0 ? known(inst) : make(inst, Rule::ForallElim, {s});
                f = inst;
            }
            if (!tried.insert(f).second)
                continue;
            addFact(f, s);
            if (const int r = extract(f, s, goal, depth, kExtraction); r >= 0) {
                scope.keep();
                return r;
            }
        }
    }
    return -1;
}

int DerivationSearch::splitDisjunction(std::size_t fact, int goal, int depth)
{
    Spent spent(m_facts, fact, m_used);
    const Fact f = m_facts[fact];
    int blocks[2];
    for (int side = 0; side < 2; ++side) {
        Scope scope(*this);
        blocks[side] = openBlock(side ? n(f.formula).b : n(f.formula).a, false);
        const int r = prove(goal, depth);
        if (r < 0)
            return -1;
        finishBlock(blocks[side], r, goal);
    }
    return make(goal, Rule::OrElim, {f.step}, {blocks[0], blocks[1]});
}

int DerivationSearch::witness(std::size_t fact, int goal, int depth)
{
    Spent spent(m_facts, fact, m_used);
    const Fact f = m_facts[fact];
    Scope scope(*this);
    const int c = freshConstant();
    const int block = openBlock(m_logic.substitute(n(f.formula).b, n(f.formula).a, c), false);
    const int r = prove(goal, depth);
    if (r < 0)
        return -1;
    finishBlock(block, r, goal);
    scope.restore();
    return make(goal, Rule::ExistsElim, {f.step}, {block});
}

// The goal by contradiction: IP, or ⊥ then X when its negation is already there.
int DerivationSearch::indirect(int goal, int depth)
{
    const int negated = neg(goal);
    if (known(negated) >= 0) {
        for (std::size_t i = 0; i < m_facts.size(); ++i)
            if (m_facts[i].world == m_world && m_facts[i].formula == negated) {
                Spent spent(m_facts, i, m_used);
                const int r = prove(m_bottom, depth);
                return r < 0 ? -1 : make(goal, Rule::Explosion, {r});
            }
    }
    Scope scope(*this);
    const int block = openBlock(negated, false);
    const int r = prove(m_bottom, depth);
    if (r < 0)
        return -1;
    finishBlock(block, r, m_bottom);
    scope.restore();
    return make(goal, Rule::IndirectProof, {}, {block});
}

// ⊥ from the context by the sequent rules on its formulas: to use a conditional prove its
// antecedent, to use a negation prove what it denies. Each of these loses nothing, so the first
// that applies is the only one tried; the modal and quantifier rules that may lose are tried in
// turn.
int DerivationSearch::contradiction(int depth)
{
    struct Choice
    {
        std::size_t fact;
        int order; // 0 negation, 1 conditional, 2 biconditional, 3 ¬□, 4 ∀ or ¬∃
        int size;
        int term;
        int from, to;      // a conditional's antecedent and consequent
        bool back = false; // a biconditional read right to left
    };
    std::vector<Choice> choices;
    const std::vector<int> universe = terms(m_bottom);
    for (std::size_t i = 0; i < m_facts.size(); ++i) {
        const Fact &f = m_facts[i];
        if (f.world != m_world)
            continue;
        const FormulaNode c = n(f.formula);
        if (f.used && !(c.kind == Fk::Iff && !f.usedBack))
            continue;
        const int size = c.depth;
        if (c.kind == Fk::Not) {
            const FormulaNode d = n(c.a);
            if (m_limits.basicRules && d.kind == Fk::Exists) {
                // No CQ: ⊥ from an instance, ∃I and ¬E, as ∀ is used below.
                if (f.instances >= m_limits.instances)
                    continue;
                for (int t : universe) {
                    const int inst = m_logic.substitute(d.b, d.a, t);
                    if (known(neg(inst)) >= 0)
                        continue;
                    const int score = known(inst) >= 0 ? 0 : isLiteral(m_logic, inst) ? 2 : 3;
                    choices.push_back({i, 4, score, t, -1, -1});
                }
                continue;
            }
            const bool saturated = d.kind == Fk::Not || d.kind == Fk::Or
                || (isQuantifier(d.kind) && !m_limits.basicRules) || d.kind == Fk::Diamond
                || d.kind == Fk::Atom || d.kind == Fk::Bottom
                || (d.kind == Fk::Equal && d.a != d.b);
            if (!saturated)
                choices.push_back({i, d.kind == Fk::Box ? 3 : 0, size, -1, -1, -1});
        } else if (c.kind == Fk::Implies && known(c.b) < 0) {
            choices.push_back({i, 1, size, -1, c.a, c.b});
        } else if (c.kind == Fk::Iff) {
            if (known(c.b) < 0 && !f.used)
                choices.push_back({i, 2, size, -1, c.a, c.b, false});
            if (known(c.a) < 0 && !f.usedBack)
                choices.push_back({i, 2, size, -1, c.b, c.a, true});
        } else if (c.kind == Fk::Forall && f.instances < m_limits.instances) {
            for (int t : universe) {
                const int inst = m_logic.substitute(c.b, c.a, t);
                if (known(inst) >= 0)
                    continue;
                // Instances that close the branch, or feed a rule at once, first.
                const FormulaNode in = n(inst);
                int score = 3;
                if (known(neg(inst)) >= 0 || (in.kind == Fk::Not && known(in.a) >= 0))
                    score = 0;
                else if (in.kind == Fk::Implies && (known(in.a) >= 0 || known(neg(in.b)) >= 0))
                    score = 1;
                else if (isLiteral(m_logic, inst))
                    score = 2;
                choices.push_back({i, 4, score, t, -1, -1});
            }
        }
    }
    std::stable_sort(choices.begin(), choices.end(), [](const Choice &a, const Choice &b) {
        return a.order != b.order ? a.order < b.order : a.size < b.size;
    });
    for (const Choice &choice : choices) {
        if (m_stopped)
            return -1;
        const Fact f = m_facts[choice.fact];
        int r = -1;
        if (choice.order == 0 || choice.order == 3) {
            Spent spent(m_facts, choice.fact, m_used);
            const int s = prove(n(f.formula).a, depth);
            r = s < 0 ? -1 : refute(s, f.step);
        } else if (choice.order == 1 || choice.order == 2) {
            Spent spent(m_facts, choice.fact, m_used, choice.back);
            Scope scope(*this);
            const int a = lemma(choice.from, depth);
            if (a >= 0) {
                const Rule rule = choice.order == 1 ? Rule::ImpliesElim : Rule::IffElim;
                addFact(choice.to, make(choice.to, rule, {f.step, a}));
                r = prove(m_bottom, depth);
            }
        } else if (n(f.formula).kind == Fk::Not) {
            const int existential = n(f.formula).a;
            const FormulaNode q = n(existential);
            const int inst = m_logic.substitute(q.b, q.a, choice.term);
            Scope scope(*this);
            ++m_facts[choice.fact].instances;
            const int s = prove(inst, depth);
            --m_facts[choice.fact].instances;
            if (s >= 0)
                r = make(
                    m_bottom, Rule::NotElim, {make(existential, Rule::ExistsIntro, {s}), f.step});
        } else {
            const FormulaNode q = n(f.formula);
            const int inst = m_logic.substitute(q.b, q.a, choice.term);
            if (known(inst) >= 0)
                continue;
            Scope scope(*this);
            ++m_facts[choice.fact].instances;
            addFact(inst, make(inst, Rule::ForallElim, {f.step}));
            r = prove(m_bottom, depth);
            --m_facts[choice.fact].instances;
        }
        if (r >= 0 || choice.order < 3)
            return r;
    }
    return -1;
}

// □φ by a strict subderivation: inside, only what □E (and R4, R5 where they hold) bring in.
int DerivationSearch::strictBlock(int goal, int depth)
{
    if (m_strictDepth >= m_limits.strictDepth)
        return -1;
    std::vector<std::pair<int, int>> outside;
    for (const Fact &f : m_facts)
        if (f.world == m_world)
            outside.push_back({f.formula, f.step});
    Scope scope(*this);
    const int block = openBlock(-1, true);
    m_world = m_worlds++;
    ++m_strictDepth;
    const bool four = isTransitive(m_system), five = four && isSymmetric(m_system);
    for (const auto &[f, s] : outside) {
        const FormulaNode c = n(f);
        if (c.kind == Fk::Box) {
            addFact(c.a, make(c.a, Rule::BoxElim, {s}));
            if (four)
                addFact(f, make(f, Rule::Rule4, {s}));
        } else if (five && c.kind == Fk::Not && n(c.a).kind == Fk::Box) {
            addFact(f, make(f, Rule::Rule5, {s}));
        }
    }
    const int target = n(goal).a;
    const int r = prove(target, depth);
    if (r < 0)
        return -1;
    finishBlock(block, r, target);
    scope.restore();
    return make(goal, Rule::BoxIntro, {}, {block});
}

} // namespace logic
