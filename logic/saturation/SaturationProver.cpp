#include "SaturationProver.h"

#include <algorithm>

namespace logic {

using namespace saturation;

SaturationProver::SaturationProver(Logic &logic)
    : L(logic), m_terms(std::make_unique<TermBank>()), m_kbo(std::make_unique<Kbo>(*m_terms)),
      m_sigma(std::make_unique<Substitution>(*m_terms))
{
    for (auto *tree :
        {&m_positive, &m_negative, &m_from, &m_into, &m_rewriters, &m_keys, &m_literals})
        *tree = std::make_unique<DiscriminationTree>(*m_terms);
}

SaturationProver::~SaturationProver() = default;

SaturationStatus SaturationProver::load(
    const std::vector<int> &premises, int conclusion, const Budget &budget)
{
    Clausifier clausifier(L, *m_terms);
    if (!clausifier.run(premises, conclusion, budget))
        return m_status = SaturationStatus::Refused;
    m_inputs = clausifier.formulas();
    m_inputClauses = clausifier.clauses();
    m_incomplete = clausifier.beyondLimits();
    // Rarer symbols rank higher: they are the ones a proof tends to rewrite away last.
    std::vector<int> uses(static_cast<std::size_t>(m_terms->symbolCount()), 0);
    auto count = [&](auto &self, Term t) -> void {
        if (m_terms->isVar(t))
            return;
        ++nth(uses, m_terms->head(t));
        for (Term a : m_terms->args(t))
            self(self, a);
    };
    for (const InputClause &c : clausifier.clauses())
        for (const Literal &l : c.literals)
            count(count, l.lhs), count(count, l.rhs);
    m_kbo->setPrecedence(uses);
    // The negated conclusion, and what was named in it, steer the choice of the given clause.
    std::vector<char> goal(m_inputs.size(), 0);
    for (std::size_t i = 0; i < m_inputs.size(); ++i) {
        const InputFormula &f = m_inputs[i];
        goal[i] = f.role == InputRole::Negation
            || (f.role == InputRole::Definition && nth(goal, f.origin));
    }
    for (const InputClause &ic : clausifier.clauses()) {
        Clause c;
        c.literals = ic.literals;
        c.input = ic.formula;
        c.goal = nth(goal, ic.formula) != 0;
        const int id = addClause(std::move(c));
        if (clause(id).empty()) {
            found(id);
            return m_status;
        }
        enqueue(id);
    }
    return m_status = SaturationStatus::Unknown;
}

int SaturationProver::addClause(Clause &&c)
{
    c.id = sizeOf(m_clauses);
    c.weight = clauseWeight(*m_terms, c.literals);
    m_clauses.push_back(std::move(c));
    ++m_stats.kept;
    return sizeOf(m_clauses) - 1;
}

void SaturationProver::enqueue(int id)
{
    const Clause &c = clause(id);
    // Clauses from the negated conclusion weigh less: a refutation needs them.
    const long weight = c.goal ? c.weight * 2L : c.weight * 3L;
    m_byWeight.emplace(weight, id);
    m_byAge.push_back(id);
}

int SaturationProver::selectGiven()
{
    for (;;) {
        int id = -1;
        if (m_pick++ % 5 == 4) {
            while (!m_byAge.empty() && id < 0) {
                if (clause(m_byAge.front()).state == Clause::State::Passive)
                    id = m_byAge.front();
                m_byAge.pop_front();
            }
        } else {
            while (!m_byWeight.empty() && id < 0) {
                if (clause(m_byWeight.top().second).state == Clause::State::Passive)
                    id = m_byWeight.top().second;
                m_byWeight.pop();
            }
        }
        if (id >= 0)
            return id;
        if (m_byAge.empty() && m_byWeight.empty())
            return -1;
    }
}

SaturationStatus SaturationProver::run(const Budget &budget)
{
    if (m_status != SaturationStatus::Unknown)
        return m_status;
    m_budget = &budget;
    while (processFresh() && m_empty < 0 && !budget.expired()) {
        if (m_clauses.size() > kMaxSaturationClauses
            || m_terms->termCount() > 8 * kMaxSaturationClauses)
            return m_status = SaturationStatus::Refused;
        int id = selectGiven();
        if (id < 0)
            return m_status = SaturationStatus::Saturated;
        clause(id).state = Clause::State::Dead;
        id = simplify(id);
        if (id < 0)
            continue;
        if (clause(id).empty()) {
            found(id);
            break;
        }
        if (forwardSubsumed(clause(id).literals)) {
            ++m_stats.subsumed;
            continue;
        }
        ++m_stats.given;
        activate(id);
        if (m_empty >= 0)
            break;
    }
    return m_status;
}

void SaturationProver::found(int id)
{
    m_empty = id;
    m_status = SaturationStatus::Proved;
}

void SaturationProver::chooseSelection(Clause &c)
{
    const std::size_t n = c.literals.size();
    c.selected = -1;
    int best = -1;
    for (std::size_t i = 0; i < n; ++i) {
        const Literal &l = c.literals[i];
        if (l.positive)
            continue;
        const int w = m_terms->weight(l.lhs) + m_terms->weight(l.rhs);
        if (w > best) {
            best = w;
            c.selected = static_cast<int>(i);
        }
    }
    c.signature = signatureOf(*m_terms, c.literals);
    c.maximal.assign(n, 1);
    for (std::size_t i = 0; i < n; ++i)
        for (std::size_t j = 0; j < n && c.maximal[i]; ++j)
            if (j != i && m_kbo->compare(c.literals[j], c.literals[i]) == Order::Greater)
                c.maximal[i] = 0;
}

int SaturationProver::entry(int clause, int literal, int side, const std::vector<int> &path)
{
    m_entries.push_back({clause, literal, side, sizeOf(m_paths), sizeOf(path)});
    m_paths.insert(m_paths.end(), path.begin(), path.end());
    return sizeOf(m_entries) - 1;
}

void SaturationProver::index(int id)
{
    const Clause &c = clause(id);
    const Kbo &kbo = *m_kbo;
    const TermBank &T = *m_terms;
    std::vector<int> path;
    auto positions = [&](auto &self, Term t, int literal, int side) -> void {
        if (T.isVar(t))
            return;
        if (!path.empty() || !T.isPredicateAtom(t))
            m_into->insert(t, entry(id, literal, side, path));
        const auto as = T.args(t);
        for (std::size_t k = 0; k < as.size(); ++k) {
            path.push_back(static_cast<int>(k));
            self(self, as[k], literal, side);
            path.pop_back();
        }
    };
    for (std::size_t i = 0; i < c.literals.size(); ++i) {
        const Literal &l = c.literals[i];
        const int li = static_cast<int>(i);
        const bool candidate = c.selected >= 0 ? c.selected == li : c.maximal[i] != 0;
        const bool predicate = l.rhs == T.truth();
        if (candidate && predicate)
            (l.positive ? m_positive : m_negative)->insert(l.lhs, entry(id, li, 0, {}));
        if (!candidate)
            continue;
        for (int side = 0; side < (predicate ? 1 : 2); ++side) {
            const Term s = side ? l.rhs : l.lhs, o = side ? l.lhs : l.rhs;
            if (!predicate && kbo.compare(s, o) == Order::Less)
                continue;
            if (!predicate && l.positive && c.selected < 0)
                m_from->insert(s, entry(id, li, side, {}));
            positions(positions, s, li, side);
        }
    }
    if (c.literals.size() == 1 && c.literals[0].positive && c.literals[0].rhs != T.truth()) {
        const Literal &l = c.literals[0];
        // A side rewrites into the other only if the match binds all the other's variables.
        const Order o = kbo.compare(l.lhs, l.rhs);
        auto within = [&](Term from, Term to) {
            for (int v = 0; v < T.varLimit(to); ++v)
                if (T.occurs(v, to) && !T.occurs(v, from))
                    return false;
            return true;
        };
        if (o == Order::Greater || (o == Order::Incomparable && within(l.lhs, l.rhs)))
            m_rewriters->insert(l.lhs, entry(id, 0, 0, {}));
        if (o == Order::Less || (o == Order::Incomparable && within(l.rhs, l.lhs)))
            m_rewriters->insert(l.rhs, entry(id, 0, 1, {}));
        m_normal.clear();
    }
    std::size_t key = 0;
    for (std::size_t i = 1; i < c.literals.size(); ++i)
        if (T.size(c.literals[i].lhs) + T.size(c.literals[i].rhs)
            > T.size(c.literals[key].lhs) + T.size(c.literals[key].rhs))
            key = i;
    m_keys->insert(literalTerm(*m_terms, c.literals[key]), id);
    for (const Literal &l : c.literals)
        m_literals->insert(literalTerm(*m_terms, l), id);
}

void SaturationProver::activate(int id)
{
    backwardSubsume(id);
    Clause &c = clause(id);
    chooseSelection(c);
    c.state = Clause::State::Active;
    m_active.push_back(id);
    index(id);
    backwardRewrite(id);
    generate(id);
    processFresh();
}

// The clauses the inferences made wait in m_fresh until this takes them in, so that a turn that
// ends halfway loses none of them.
bool SaturationProver::processFresh()
{
    while (m_freshDone < m_fresh.size()) {
        if (m_empty >= 0)
            return true;
        if (m_budget->expired())
            return false;
        const int added = addClause(std::move(m_fresh[m_freshDone++]));
        const int kept = simplify(added);
        if (kept < 0)
            continue;
        if (clause(kept).empty()) {
            found(kept);
            return true;
        }
        if (forwardSubsumed(clause(kept).literals)) {
            ++m_stats.subsumed;
            clause(kept).state = Clause::State::Dead;
            continue;
        }
        enqueue(kept);
    }
    m_fresh.clear();
    m_freshDone = 0;
    return true;
}

} // namespace logic
