#include "DerivationSearch.h"

#include <algorithm>
#include <string>

namespace logic {
namespace {

// Blocks inside blocks: the written derivation is nested no deeper.
constexpr int kMaxNesting = 120;
// Facts of one branch: past this, saturation stops adding.
constexpr std::size_t kMaxFacts = 4000;
// Eliminations chained to reach a goal.
constexpr int kExtraction = 6;

std::uint64_t key(int world, int formula)
{
    return (static_cast<std::uint64_t>(static_cast<std::uint32_t>(world)) << 32)
        | static_cast<std::uint32_t>(formula);
}

bool isLiteral(const Logic &logic, int f)
{
    const Fk k = logic.node(f).kind;
    if (k == Fk::Not)
        return isLiteral(logic, logic.node(f).a) && logic.node(logic.node(f).a).kind != Fk::Not;
    return k == Fk::Atom || k == Fk::Equal;
}

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
    void restore()
    {
        if (m_done)
            return;
        m_done = true;
        while (m_s.m_facts.size() > m_facts) {
            const Fact &f = m_s.m_facts.back();
            m_s.m_known.erase(key(f.world, f.formula));
            m_s.m_used -= (f.used ? 1 : 0) + (f.usedBack ? 1 : 0);
            m_s.m_facts.pop_back();
        }
        m_s.m_saturated = m_saturated;
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
{}

int DerivationSearch::known(int formula) const
{
    const auto it = m_known.find(key(m_world, formula));
    return it == m_known.end() ? -1 : it->second;
}

void DerivationSearch::addFact(int formula, int step)
{
    if (formula < 0 || known(formula) >= 0 || m_facts.size() >= kMaxFacts)
        return;
    m_facts.push_back({formula, step, m_world});
    m_known.emplace(key(m_world, formula), step);
}

int DerivationSearch::make(int formula, Rule rule, std::vector<int> cites, std::vector<int> blocks)
{
    ++m_work;
    return m_proof.step(m_block, formula, rule, std::move(cites), std::move(blocks));
}

int DerivationSearch::openBlock(int formula, bool strict)
{
    m_block = m_proof.open(m_block, formula, strict);
    ++m_nesting;
    if (!strict)
        addFact(formula, m_proof.block(m_block).opening);
    return m_block;
}

void DerivationSearch::finishBlock(int block, int last, int formula)
{
    if (m_proof.at(last).block != block)
        last = make(formula, Rule::Reiteration, {last});
    m_proof.close(block, last);
}

bool DerivationSearch::stop()
{
    ++m_work;
    if (!m_stopped && (m_work & 255) == 0 && m_budget.expired())
        m_stopped = true;
    return m_stopped || m_work > m_limit;
}

void DerivationSearch::saturate()
{
    while (m_saturated < m_facts.size() && !stop()) {
        const std::size_t i = m_saturated++;
        if (m_facts[i].world == m_world)
            consequences(i);
    }
}

// What the elimination rules and the derived ones give at once from fact @p i and the facts
// before it: lines written top-down, kept only if the derivation ends up citing them.
void DerivationSearch::consequences(std::size_t i)
{
    const int f = m_facts[i].formula, s = m_facts[i].step;
    const FormulaNode node = n(f);
    auto add = [&](int g, Rule rule, std::vector<int> cites) {
        if (known(g) < 0)
            addFact(g, make(g, rule, std::move(cites)));
    };
    switch (node.kind) {
    case Fk::And:
        add(node.a, Rule::AndElim, {s});
        add(node.b, Rule::AndElim, {s});
        break;
    case Fk::Not: {
        const FormulaNode inner = n(node.a);
        if (inner.kind == Fk::Not)
            add(inner.a, Rule::DoubleNegation, {s});
        else if (inner.kind == Fk::Or)
            add(m_logic.binary(Fk::And, neg(inner.a), neg(inner.b)), Rule::DeMorgan, {s});
        else if (isQuantifier(inner.kind))
            add(m_logic.quantified(
                    inner.kind == Fk::Forall ? Fk::Exists : Fk::Forall, inner.a, neg(inner.b)),
                Rule::QuantifierConversion, {s});
        else if (inner.kind == Fk::Diamond)
            add(m_logic.modal(Fk::Box, neg(inner.a)), Rule::ModalConversion, {s});
        break;
    }
    case Fk::Diamond:
        add(neg(m_logic.modal(Fk::Box, neg(node.a))), Rule::DiamondDefinition, {s});
        break;
    case Fk::Box:
        if (isReflexive(m_system))
            add(node.a, Rule::RuleT, {s});
        break;
    case Fk::Implies:
        if (const int a = known(node.a); a >= 0)
            add(node.b, Rule::ImpliesElim, {s, a});
        else if (const int nb = known(neg(node.b)); nb >= 0)
            add(neg(node.a), Rule::ModusTollens, {s, nb});
        break;
    case Fk::Iff:
        if (const int a = known(node.a); a >= 0)
            add(node.b, Rule::IffElim, {s, a});
        if (const int b = known(node.b); b >= 0)
            add(node.a, Rule::IffElim, {s, b});
        break;
    case Fk::Or:
        if (const int na = known(neg(node.a)); na >= 0)
            add(node.b, Rule::DisjunctiveSyllogism, {s, na});
        else if (const int nb = known(neg(node.b)); nb >= 0)
            add(node.a, Rule::DisjunctiveSyllogism, {s, nb});
        break;
    default: break;
    }
    if (node.kind == Fk::Not && known(node.a) >= 0)
        add(m_bottom, Rule::NotElim, {known(node.a), s});
    else if (const int nf = known(neg(f)); nf >= 0)
        add(m_bottom, Rule::NotElim, {s, nf});
    // The new fact as what an earlier one was waiting for.
    for (std::size_t j = 0; j < i && known(m_bottom) < 0; ++j) {
        if (m_facts[j].world != m_world)
            continue;
        const int c = m_facts[j].formula, cs = m_facts[j].step;
        const FormulaNode cn = n(c);
        if (cn.kind == Fk::Implies && cn.a == f)
            add(cn.b, Rule::ImpliesElim, {cs, s});
        else if (cn.kind == Fk::Implies && node.kind == Fk::Not && cn.b == node.a)
            add(neg(cn.a), Rule::ModusTollens, {cs, s});
        else if (cn.kind == Fk::Iff && (cn.a == f || cn.b == f))
            add(cn.a == f ? cn.b : cn.a, Rule::IffElim, {cs, s});
        else if (cn.kind == Fk::Or && node.kind == Fk::Not && (cn.a == node.a || cn.b == node.a))
            add(cn.a == node.a ? cn.b : cn.a, Rule::DisjunctiveSyllogism, {cs, s});
    }
    identities(i);
}

namespace {

int replaceTerm(Logic &logic, int t, int from, int to)
{
    if (t == from)
        return to;
    const TermNode &node = logic.term(t);
    if (node.kind != Tk::App || node.list < 0)
        return t;
    std::vector<int> args(logic.args(t).begin(), logic.args(t).end());
    for (int &a : args)
        a = replaceTerm(logic, a, from, to);
    return logic.app(node.sym, args);
}

// A literal with every @p from made @p to.
int replaceIn(Logic &logic, int f, int from, int to)
{
    const FormulaNode node = logic.node(f);
    switch (node.kind) {
    case Fk::Not: return logic.negation(replaceIn(logic, node.a, from, to));
    case Fk::Equal:
        return logic.equal(
            replaceTerm(logic, node.a, from, to), replaceTerm(logic, node.b, from, to));
    case Fk::Atom: {
        std::vector<int> args(logic.atomArgs(f).begin(), logic.atomArgs(f).end());
        for (int &a : args)
            a = replaceTerm(logic, a, from, to);
        return logic.atom(node.a, args);
    }
    default: return f;
    }
}

} // namespace

// =E between literals: each identity rewrites each literal, all occurrences one way.
void DerivationSearch::identities(std::size_t i)
{
    if (m_facts.size() > kMaxFacts / 4)
        return;
    const int f = m_facts[i].formula;
    if (!isLiteral(m_logic, f))
        return;
    auto rewrite = [&](std::size_t eq, std::size_t lit) {
        const FormulaNode e = n(m_facts[eq].formula);
        if (e.kind != Fk::Equal || e.a == e.b)
            return;
        for (const auto &[from, to] : {std::pair{e.a, e.b}, std::pair{e.b, e.a}}) {
            const int g = replaceIn(m_logic, m_facts[lit].formula, from, to);
            if (g != m_facts[lit].formula && known(g) < 0)
                addFact(g, make(g, Rule::IdentityElim, {m_facts[eq].step, m_facts[lit].step}));
        }
    };
    for (std::size_t j = 0; j < i; ++j) {
        if (m_facts[j].world != m_world || !isLiteral(m_logic, m_facts[j].formula))
            continue;
        rewrite(i, j);
        rewrite(j, i);
    }
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

// The goal in one step of DeM, CQ, Def◇ or MC from a formula already there.
int DerivationSearch::converted(int goal)
{
    const FormulaNode g = n(goal);
    auto from = [&](int f, Rule rule) { return known(f) >= 0 ? make(goal, rule, {known(f)}) : -1; };
    auto negatedKind
        = [&](int f, Fk kind) { return n(f).kind == Fk::Not && n(n(f).a).kind == kind; };
    if ((g.kind == Fk::And || g.kind == Fk::Or) && n(g.a).kind == Fk::Not && n(g.b).kind == Fk::Not)
        return from(neg(m_logic.binary(g.kind == Fk::And ? Fk::Or : Fk::And, n(g.a).a, n(g.b).a)),
            Rule::DeMorgan);
    if (negatedKind(goal, Fk::And) || negatedKind(goal, Fk::Or)) {
        const FormulaNode in = n(g.a);
        return from(m_logic.binary(in.kind == Fk::And ? Fk::Or : Fk::And, neg(in.a), neg(in.b)),
            Rule::DeMorgan);
    }
    if (isQuantifier(g.kind) && n(g.b).kind == Fk::Not)
        return from(
            neg(m_logic.quantified(g.kind == Fk::Forall ? Fk::Exists : Fk::Forall, g.a, n(g.b).a)),
            Rule::QuantifierConversion);
    if (negatedKind(goal, Fk::Forall) || negatedKind(goal, Fk::Exists)) {
        const FormulaNode in = n(g.a);
        return from(
            m_logic.quantified(in.kind == Fk::Forall ? Fk::Exists : Fk::Forall, in.a, neg(in.b)),
            Rule::QuantifierConversion);
    }
    if (g.kind == Fk::Diamond) {
        if (const int s = from(neg(m_logic.modal(Fk::Box, neg(g.a))), Rule::DiamondDefinition);
            s >= 0)
            return s;
        if (n(g.a).kind == Fk::Not)
            return from(neg(m_logic.modal(Fk::Box, n(g.a).a)), Rule::ModalConversion);
    }
    if (negatedKind(goal, Fk::Box)) {
        const int inner = n(g.a).a;
        if (n(inner).kind == Fk::Not)
            if (const int s = from(m_logic.modal(Fk::Diamond, n(inner).a), Rule::DiamondDefinition);
                s >= 0)
                return s;
        return from(m_logic.modal(Fk::Diamond, neg(inner)), Rule::ModalConversion);
    }
    if (g.kind == Fk::Box && n(g.a).kind == Fk::Not)
        return from(neg(m_logic.modal(Fk::Diamond, n(g.a).a)), Rule::ModalConversion);
    if (negatedKind(goal, Fk::Diamond))
        return from(m_logic.modal(Fk::Box, neg(n(g.a).a)), Rule::ModalConversion);
    return -1;
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
    const int s = lemma(goal, depth);
    m_limit = saved;
    return s;
}

// Introduction rules, bottom-up: the goal's main connective says how to get it.
int DerivationSearch::introduce(int goal, int depth)
{
    const FormulaNode g = n(goal);
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
                return make(goal, Rule::NotElim, {s, fs});
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
    case Fk::And:
    case Fk::Iff:
    case Fk::Or: return leadsTo(c.a, goal, budget - 1) || leadsTo(c.b, goal, budget - 1);
    case Fk::Implies: return leadsTo(c.b, goal, budget - 1);
    case Fk::Not: return n(c.a).kind == Fk::Not && leadsTo(n(c.a).a, goal, budget - 1);
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

// ∀E with the terms of the goal, when the instance leads to the goal.
int DerivationSearch::chainUniversal(std::size_t fact, int goal, int depth)
{
    std::vector<std::pair<int, int>> frontier{{m_facts[fact].formula, m_facts[fact].step}};
    const std::vector<int> candidates = terms(goal, false);
    for (int level = 0; level < 3 && !frontier.empty(); ++level) {
        std::vector<std::pair<int, int>> next;
        for (const auto &[f, s] : frontier) {
            const FormulaNode q = n(f);
            for (int t : candidates) {
                const int inst = m_logic.substitute(q.b, q.a, t);
                if (n(inst).kind == Fk::Forall) {
                    if (next.size() < 64)
                        next.push_back({inst, make(inst, Rule::ForallElim, {s})});
                    continue;
                }
                if (!leadsTo(inst, goal, kExtraction))
                    continue;
                const int e = known(inst) >= 0 ? known(inst) : make(inst, Rule::ForallElim, {s});
                addFact(inst, e);
                if (const int r = extract(inst, e, goal, depth, kExtraction); r >= 0)
                    return r;
            }
        }
        frontier = std::move(next);
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
        int order; // 0 negation, 1 conditional, 2 biconditional, 3 ¬□, 4 ∀
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
            const bool saturated = d.kind == Fk::Not || d.kind == Fk::Or || isQuantifier(d.kind)
                || d.kind == Fk::Diamond || d.kind == Fk::Atom || d.kind == Fk::Bottom
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
            r = s < 0 ? -1 : make(m_bottom, Rule::NotElim, {s, f.step});
        } else if (choice.order == 1 || choice.order == 2) {
            Spent spent(m_facts, choice.fact, m_used, choice.back);
            Scope scope(*this);
            const int a = lemma(choice.from, depth);
            if (a >= 0) {
                const Rule rule = choice.order == 1 ? Rule::ImpliesElim : Rule::IffElim;
                addFact(choice.to, make(choice.to, rule, {f.step, a}));
                r = prove(m_bottom, depth);
            }
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

// The closed terms of the context and of @p goal, to instantiate with; a new constant when there
// are none, since the domain is never empty.
std::vector<int> DerivationSearch::terms(int goal, bool orNew)
{
    std::vector<int> out, formulas{goal}, pending;
    for (const Fact &f : m_facts)
        if (f.world == m_world)
            formulas.push_back(f.formula);
    std::unordered_set<int> seenFormulas, seenTerms;
    while (!formulas.empty() && out.size() < 16) {
        const int f = formulas.back();
        formulas.pop_back();
        if (!seenFormulas.insert(f).second)
            continue;
        const FormulaNode c = n(f);
        if (c.kind == Fk::Atom)
            for (int a : m_logic.atomArgs(f))
                pending.push_back(a);
        else if (c.kind == Fk::Equal) {
            pending.push_back(c.a);
            pending.push_back(c.b);
        } else if (c.kind == Fk::Not || isModalOp(c.kind))
            formulas.push_back(c.a);
        else if (isBinary(c.kind)) {
            formulas.push_back(c.b);
            formulas.push_back(c.a);
        } else if (isQuantifier(c.kind))
            formulas.push_back(c.b);
        while (!pending.empty()) {
            const int t = pending.back();
            pending.pop_back();
            const TermNode &tn = m_logic.term(t);
            if (tn.kind != Tk::App || tn.vars != 0)
                continue;
            if (seenTerms.insert(t).second)
                out.push_back(t);
            for (int a : m_logic.args(t))
                pending.push_back(a);
        }
    }
    if (out.empty() && orNew) {
        // The same new constant every time, so that instances meet.
        if (m_defaultConstant < 0) {
            m_defaultConstant = freshConstant();
            m_fresh.pop_back(); // kept for good: instances anywhere may hold it
        }
        out.push_back(m_defaultConstant);
    }
    return out;
}

int DerivationSearch::freshConstant()
{
    static constexpr const char *kNames[]
        = {"a", "b", "c", "d", "e", "f", "g", "h", "i", "j", "k", "m"};
    std::string name;
    for (int k = 0;; ++k) {
        name = k < 12 ? kNames[k] : std::string(kNames[k % 12]) + std::to_string(k / 12);
        if (!m_names.count(name))
            break;
    }
    m_names.insert(name);
    m_fresh.push_back(name);
    return m_logic.constant(m_logic.function(name, 0));
}

void DerivationSearch::collectNames(int formula)
{
    std::vector<int> formulas{formula}, pending;
    while (!formulas.empty()) {
        const int f = formulas.back();
        formulas.pop_back();
        const FormulaNode c = n(f);
        if (c.kind == Fk::Atom) {
            m_names.insert(m_logic.predicateSymbol(c.a).name);
            for (int a : m_logic.atomArgs(f))
                pending.push_back(a);
        } else if (c.kind == Fk::Equal) {
            pending.push_back(c.a);
            pending.push_back(c.b);
        } else if (c.kind == Fk::Not || isModalOp(c.kind)) {
            formulas.push_back(c.a);
        } else if (isBinary(c.kind)) {
            formulas.push_back(c.a);
            formulas.push_back(c.b);
        } else if (isQuantifier(c.kind)) {
            m_names.insert(m_logic.variableName(c.a));
            formulas.push_back(c.b);
        }
    }
    while (!pending.empty()) {
        const int t = pending.back();
        pending.pop_back();
        const TermNode &tn = m_logic.term(t);
        if (tn.kind == Tk::App) {
            m_names.insert(m_logic.functionSymbol(tn.sym).name);
            for (int a : m_logic.args(t))
                pending.push_back(a);
        }
    }
}

} // namespace logic
