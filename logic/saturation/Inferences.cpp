// The generating rules of the calculus, between the given clause and the active ones (itself
// included, renamed apart): each unifies, instantiates both clauses and keeps the conclusion only
// when the literals it used are eligible in the instances (the selected literal, or one that no
// other literal exceeds).
#include "SaturationProver.h"

namespace logic {

using namespace saturation;

namespace {
void appendExcept(std::vector<Literal> &out, const std::vector<Literal> &from, int skip)
{
    for (int k = 0; k < sizeOf(from); ++k)
        if (k != skip)
            out.push_back(nth(from, k));
}
} // namespace

bool SaturationProver::instantiate(const Clause &c, int bank, std::vector<Literal> &out)
{
    out.clear();
    for (const Literal &l : c.literals) {
        const Term a = m_sigma->instantiate(l.lhs, bank, m_renaming);
        const Term b = a < 0 ? -1 : m_sigma->instantiate(l.rhs, bank, m_renaming);
        if (b < 0) {
            m_incomplete = true; // a conclusion too deep to keep
            return false;
        }
        out.push_back({a, b, l.positive});
    }
    return true;
}

bool SaturationProver::maximalIn(const std::vector<Literal> &literals, int i) const
{
    for (int j = 0; j < sizeOf(literals); ++j)
        if (j != i && m_kbo->compare(nth(literals, j), nth(literals, i)) == Order::Greater)
            return false;
    return true;
}

bool SaturationProver::eligible(const Clause &c, const std::vector<Literal> &instance, int i) const
{
    if (c.selected >= 0)
        return c.selected == i;
    return nth(c.maximal, i) && maximalIn(instance, i);
}

void SaturationProver::emit(
    std::vector<Literal> &&literals, ClauseRule rule, std::vector<int> parents)
{
    ++m_stats.generated;
    if (!normalize(*m_terms, literals, &m_incomplete))
        return;
    Clause c;
    c.literals = std::move(literals);
    c.rule = rule;
    for (int p : parents)
        c.goal = c.goal || clause(p).goal;
    c.parents = std::move(parents);
    m_fresh.push_back(std::move(c));
}

void SaturationProver::resolve(int pos, int i, int neg, int j)
{
    const Clause &P = clause(pos);
    const Clause &N = clause(neg);
    const std::size_t mark = m_sigma->mark();
    if (!m_sigma->unify(P.literal(i).lhs, 0, N.literal(j).lhs, 1))
        return;
    m_renaming.reset();
    std::vector<Literal> a, b;
    const bool ok
        = instantiate(P, 0, a) && instantiate(N, 1, b) && eligible(P, a, i) && eligible(N, b, j);
    m_sigma->undo(mark);
    if (!ok)
        return;
    std::vector<Literal> out;
    appendExcept(out, a, i);
    appendExcept(out, b, j);
    emit(std::move(out), ClauseRule::Resolution, {pos, neg});
}

void SaturationProver::superpose(
    int from, int i, int fside, int into, int j, int side, const std::vector<int> &path)
{
    const Clause &F = clause(from);
    const Clause &D = clause(into);
    const Literal &e = F.literal(i);
    const Literal &target = D.literal(j);
    const Term l = fside ? e.rhs : e.lhs;
    const Term s = side ? target.rhs : target.lhs;
    const Term u = m_terms->subtermAt(s, path);
    const std::size_t mark = m_sigma->mark();
    if (!m_sigma->unify(l, 0, u, 1))
        return;
    m_renaming.reset();
    std::vector<Literal> a, b;
    bool ok = instantiate(F, 0, a) && instantiate(D, 1, b);
    m_sigma->undo(mark);
    if (!ok)
        return;
    const Literal ei = nth(a, i), dj = nth(b, j);
    const Term li = fside ? ei.rhs : ei.lhs, ri = fside ? ei.lhs : ei.rhs;
    const Term si = side ? dj.rhs : dj.lhs, ti = side ? dj.lhs : dj.rhs;
    auto larger = [&](Term x, Term y) {
        const Order o = m_kbo->compare(x, y);
        return o == Order::Greater || o == Order::Incomparable;
    };
    ok = larger(li, ri) && (dj.rhs == m_terms->truth() || larger(si, ti)) && eligible(F, a, i)
        && eligible(D, b, j);
    if (!ok)
        return;
    const Term replaced = m_terms->replaceAt(si, path, ri);
    std::vector<Literal> out;
    appendExcept(out, b, -1);
    nth(out, j) = side ? Literal{ti, replaced, dj.positive} : Literal{replaced, ti, dj.positive};
    appendExcept(out, a, i);
    emit(std::move(out), ClauseRule::Superposition, {from, into});
}

bool SaturationProver::eligibleInstance(
    const Clause &c, int i, std::size_t mark, std::vector<Literal> &out)
{
    m_renaming.reset();
    const bool ok = instantiate(c, 0, out) && eligible(c, out, i);
    m_sigma->undo(mark);
    return ok;
}

void SaturationProver::factor(int id)
{
    const Clause &C = clause(id);
    if (C.selected >= 0)
        return;
    const Term truth = m_terms->truth();
    for (int i = 0; i < sizeOf(C.literals); ++i) {
        const Literal &li = C.literal(i);
        if (!li.positive || li.rhs != truth || !nth(C.maximal, i))
            continue;
        for (int j = 0; j < sizeOf(C.literals); ++j) {
            const Literal &lj = C.literal(j);
            if (j == i || !lj.positive || lj.rhs != truth
                || m_terms->head(li.lhs) != m_terms->head(lj.lhs))
                continue;
            const std::size_t mark = m_sigma->mark();
            if (!m_sigma->unify(li.lhs, 0, lj.lhs, 0))
                continue;
            std::vector<Literal> a;
            if (!eligibleInstance(C, i, mark, a))
                continue;
            a.erase(a.begin() + j);
            emit(std::move(a), ClauseRule::Factoring, {id});
        }
    }
}

void SaturationProver::equalityResolve(int id)
{
    const Clause &C = clause(id);
    for (int i = 0; i < sizeOf(C.literals); ++i) {
        const Literal &l = C.literal(i);
        if (l.positive || l.rhs == m_terms->truth())
            continue;
        if (C.selected >= 0 ? C.selected != i : !nth(C.maximal, i))
            continue;
        const std::size_t mark = m_sigma->mark();
        if (!m_sigma->unify(l.lhs, 0, l.rhs, 0))
            continue;
        std::vector<Literal> a;
        if (!eligibleInstance(C, i, mark, a))
            continue;
        a.erase(a.begin() + i);
        emit(std::move(a), ClauseRule::EqualityResolution, {id});
    }
}

void SaturationProver::equalityFactor(int id)
{
    const Clause &C = clause(id);
    if (C.selected >= 0)
        return;
    const Term truth = m_terms->truth();
    for (int i = 0; i < sizeOf(C.literals); ++i) {
        const Literal &li = C.literal(i);
        if (!li.positive || li.rhs == truth || !nth(C.maximal, i))
            continue;
        for (int side = 0; side < 2; ++side)
            for (int j = 0; j < sizeOf(C.literals); ++j) {
                const Literal &lj = C.literal(j);
                if (j == i || !lj.positive || lj.rhs == truth)
                    continue;
                for (int side2 = 0; side2 < 2; ++side2) {
                    const std::size_t mark = m_sigma->mark();
                    if (!m_sigma->unify(side ? li.rhs : li.lhs, 0, side2 ? lj.rhs : lj.lhs, 0))
                        continue;
                    std::vector<Literal> a;
                    if (!eligibleInstance(C, i, mark, a))
                        continue;
                    const Literal &ai = nth(a, i), &aj = nth(a, j);
                    const Term s = side ? ai.rhs : ai.lhs, t = side ? ai.lhs : ai.rhs;
                    const Term t2 = side2 ? aj.lhs : aj.rhs;
                    const Order o = m_kbo->compare(s, t);
                    if (o == Order::Less || o == Order::Equal)
                        continue;
                    std::vector<Literal> out;
                    appendExcept(out, a, i);
                    out.push_back({t, t2, false});
                    emit(std::move(out), ClauseRule::EqualityFactoring, {id});
                }
            }
    }
}

void SaturationProver::generate(int given)
{
    const Clause &g = clause(given);
    const TermBank &T = *m_terms;
    const Kbo &kbo = *m_kbo;
    std::size_t work = 0;
    auto stop = [&] { return (++work & 127) == 0 && m_budget->expired(); };
    std::vector<int> found;
    for (int li = 0; li < sizeOf(g.literals); ++li) {
        const Literal &l = g.literal(li);
        const bool candidate = g.selected >= 0 ? g.selected == li : nth(g.maximal, li) != 0;
        if (!candidate)
            continue;
        const bool predicate = l.rhs == T.truth();
        if (predicate) {
            found.clear();
            (l.positive ? m_negative : m_positive)->unifiable(l.lhs, found);
            for (int e : found) {
                const Entry en = nth(m_entries, e);
                if (!alive(en.clause) || stop())
                    continue;
                if (l.positive)
                    resolve(given, li, en.clause, en.literal);
                else
                    resolve(en.clause, en.literal, given, li);
            }
        }
        for (int side = 0; side < (predicate ? 1 : 2); ++side) {
            const Term s = side ? l.rhs : l.lhs, o = side ? l.lhs : l.rhs;
            if (!predicate && kbo.compare(s, o) == Order::Less)
                continue;
            // The given clause's identity into the active clauses.
            if (!predicate && l.positive && g.selected < 0) {
                found.clear();
                m_into->unifiable(s, found);
                for (int e : found) {
                    const Entry en = nth(m_entries, e);
                    if (!alive(en.clause) || stop())
                        continue;
                    const std::vector<int> path(
                        m_paths.begin() + en.path, m_paths.begin() + en.path + en.length);
                    superpose(given, li, side, en.clause, en.literal, en.side, path);
                }
            }
            // The active clauses' identities into the given clause.
            std::vector<int> path;
            auto into = [&](auto &self, Term t) -> void {
                if (T.isVar(t))
                    return;
                if (!path.empty() || !T.isPredicateAtom(t)) {
                    std::vector<int> from;
                    m_from->unifiable(t, from);
                    for (int e : from) {
                        const Entry en = nth(m_entries, e);
                        if (alive(en.clause) && !stop())
                            superpose(en.clause, en.literal, en.side, given, li, side, path);
                    }
                }
                // Superposition makes terms, which may move the arguments: read them afresh.
                for (int k = 0; k < sizeOf(T.args(t)); ++k) {
                    path.push_back(k);
                    self(self, nth(T.args(t), k));
                    path.pop_back();
                }
            };
            into(into, s);
        }
    }
    factor(given);
    equalityResolve(given);
    equalityFactor(given);
}

} // namespace logic
