#include "DerivationSearch.h"

#include <algorithm>
#include <string>

// The search's context: the facts of the current branch, the lines that the elimination rules
// and the derived ones give from them at once, and the terms and names it instantiates with.

namespace logic {
namespace {

// Facts of one branch: past this, saturation stops adding.
constexpr std::size_t kMaxFacts = 4000;
// Steps written in all, kept or not: the search's memory stays below a few hundred megabytes.
constexpr int kMaxSteps = 2'000'000;

} // namespace

bool DerivationSearch::isLiteral(const Logic &logic, int f)
{
    const FormulaNode &n = logic.node(f);
    const Fk k = n.kind == Fk::Not ? logic.node(n.a).kind : n.kind;
    return k == Fk::Atom || k == Fk::Equal;
}

int DerivationSearch::known(int formula) const
{
    const auto it = m_known.find(factKey(m_world, formula));
    return it == m_known.end() ? -1 : it->second;
}

void DerivationSearch::addFact(int formula, int step)
{
    if (formula < 0 || known(formula) >= 0 || m_facts.size() >= kMaxFacts)
        return;
    m_facts.push_back({formula, step, m_world});
    m_known.emplace(factKey(m_world, formula), step);
    ++m_version;
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
    // Every 256 units of work, however they were counted since: make() counts too, and a
    // fixed residue could be stepped over for ever.
    if (!m_stopped && m_work >= m_nextCheck) {
        m_nextCheck = m_work + 256;
        m_stopped = m_budget.expired() || m_proof.stepCount() > kMaxSteps;
    }
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
        if (m_limits.basicRules) {
            // What DNE and DeM give, by the rules they stand for: IP around ¬φ, ¬I around each
            // disjunct. The lines are written only if the derivation cites them.
            if (inner.kind == Fk::Not && known(inner.a) < 0) {
                addFact(inner.a, byContradiction(node.a, s, Rule::IndirectProof, inner.a));
            } else if (inner.kind == Fk::Or) {
                for (int side : {inner.a, inner.b})
                    if (known(neg(side)) < 0)
                        addFact(neg(side), disjunctRefuted(side, node.a, s));
            } else if (inner.kind == Fk::Diamond) {
                add(m_logic.modal(Fk::Box, neg(inner.a)), Rule::ModalConversion, {s});
            }
            break;
        }
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
        else if (const int nb = known(neg(node.b)); nb >= 0 && !m_limits.basicRules)
            add(neg(node.a), Rule::ModusTollens, {s, nb});
        break;
    case Fk::Iff:
        if (const int a = known(node.a); a >= 0)
            add(node.b, Rule::IffElim, {s, a});
        if (const int b = known(node.b); b >= 0)
            add(node.a, Rule::IffElim, {s, b});
        break;
    case Fk::Or:
        if (m_limits.basicRules)
            break;
        if (const int na = known(neg(node.a)); na >= 0)
            add(node.b, Rule::DisjunctiveSyllogism, {s, na});
        else if (const int nb = known(neg(node.b)); nb >= 0)
            add(node.a, Rule::DisjunctiveSyllogism, {s, nb});
        break;
    default: break;
    }
    if (known(m_bottom) >= 0) {
    } else if (node.kind == Fk::Not && known(node.a) >= 0)
        addFact(m_bottom, refute(known(node.a), s));
    else if (const int nf = known(neg(f)); nf >= 0)
        addFact(m_bottom, refute(s, nf));
    // The new fact as what an earlier one was waiting for.
    for (std::size_t j = 0; j < i && known(m_bottom) < 0; ++j) {
        if (m_facts[j].world != m_world)
            continue;
        const int c = m_facts[j].formula, cs = m_facts[j].step;
        const FormulaNode cn = n(c);
        if (cn.kind == Fk::Implies && cn.a == f)
            add(cn.b, Rule::ImpliesElim, {cs, s});
        else if (cn.kind == Fk::Implies && node.kind == Fk::Not && cn.b == node.a
            && !m_limits.basicRules)
            add(neg(cn.a), Rule::ModusTollens, {cs, s});
        else if (cn.kind == Fk::Iff && (cn.a == f || cn.b == f))
            add(cn.a == f ? cn.b : cn.a, Rule::IffElim, {cs, s});
        else if (cn.kind == Fk::Or && node.kind == Fk::Not && (cn.a == node.a || cn.b == node.a)
            && !m_limits.basicRules)
            add(cn.a == node.a ? cn.b : cn.a, Rule::DisjunctiveSyllogism, {cs, s});
    }
    identities(i);
}

// φ by IP (or ¬φ by ¬I, @p rule): a block that assumes @p assumed and reaches ⊥ at once
// with the line @p against, which denies it, at the current level. Steps only, no facts.
int DerivationSearch::byContradiction(int assumed, int against, Rule rule, int formula)
{
    const int block = m_proof.open(m_block, assumed, false);
    const int a = m_proof.block(block).opening;
    const int bottom = m_proof.step(block, m_bottom, Rule::NotElim, {a, against});
    m_proof.close(block, bottom);
    return make(formula, rule, {}, {block});
}

// ¬φ from ¬(φ ∨ ψ) (line @p step): φ, then φ ∨ ψ by ∨I, against it.
int DerivationSearch::disjunctRefuted(int side, int disjunction, int step)
{
    const int block = m_proof.open(m_block, side, false);
    const int a = m_proof.block(block).opening;
    const int d = m_proof.step(block, disjunction, Rule::OrIntro, {a});
    const int bottom = m_proof.step(block, m_bottom, Rule::NotElim, {d, step});
    m_proof.close(block, bottom);
    const int r = make(neg(side), Rule::NotIntro, {}, {block});
    m_refuted[r] = {disjunction, step};
    return r;
}

// ⊥ by ¬E from @p step and @p negation, the line that denies it. A disjunct refuted by ¬I from
// ¬(φ ∨ ψ) costs a subderivation of its own: ∨I and ¬E against ¬(φ ∨ ψ) itself take two lines.
int DerivationSearch::refute(int step, int negation)
{
    if (const auto it = m_refuted.find(negation); it != m_refuted.end()) {
        const int d = make(it->second.first, Rule::OrIntro, {step});
        return make(m_bottom, Rule::NotElim, {d, it->second.second});
    }
    return make(m_bottom, Rule::NotElim, {step, negation});
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

// The goal in one step of DeM, CQ, Def◇ or MC from a formula already there.
int DerivationSearch::converted(int goal)
{
    const FormulaNode g = n(goal);
    auto from = [&](int f, Rule rule) { return known(f) >= 0 ? make(goal, rule, {known(f)}) : -1; };
    if (m_limits.basicRules) {
        // The modal chapter's Def◇ and MC only.
        if (g.kind == Fk::Diamond)
            return from(neg(m_logic.modal(Fk::Box, neg(g.a))), Rule::DiamondDefinition);
        if (g.kind == Fk::Box && n(g.a).kind == Fk::Not)
            return from(neg(m_logic.modal(Fk::Diamond, n(g.a).a)), Rule::ModalConversion);
        return -1;
    }
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

// The closed terms of the context and of @p goal, to instantiate with; a new constant when there
// are none, since the domain is never empty.
std::vector<int> DerivationSearch::terms(int goal, bool orNew)
{
    // Asked again and again with nothing new in the context: the last answer.
    if (m_termsVersion == m_version && m_termsGoal == goal && m_termsWorld == m_world
        && m_termsOrNew == orNew)
        return m_termsLast;
    m_termsLast = listTerms(goal, orNew);
    m_termsVersion = m_version;
    m_termsGoal = goal;
    m_termsWorld = m_world;
    m_termsOrNew = orNew;
    return m_termsLast;
}

std::vector<int> DerivationSearch::listTerms(int goal, bool orNew)
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
