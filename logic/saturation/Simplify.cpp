// What keeps the clause sets small: rewriting by unit identities oriented by the ordering,
// subsumption forwards (a new clause that an active one subsumes is dropped) and backwards (active
// clauses that the given clause subsumes are dropped), and tautologies (by normalize()).
#include "SaturationProver.h"

#include <algorithm>

namespace logic {

using namespace saturation;

namespace {
constexpr int kMaxRewritesPerClause = 400;
} // namespace

bool SaturationProver::rewriteAt(
    Term t, int self, bool cache, std::vector<int> &path, Rewrite &rw, Term &result)
{
    TermBank &T = *m_terms;
    if (T.isVar(t) || m_normal.count(t))
        return false;
    for (std::size_t k = 0; k < T.args(t).size(); ++k) {
        path.push_back(static_cast<int>(k));
        if (rewriteAt(T.args(t)[k], self, cache, path, rw, result))
            return true;
        path.pop_back();
    }
    if (!T.isPredicateAtom(t)) {
        std::vector<int> found;
        m_rewriters->generalizations(t, found);
        for (int e : found) {
            const Entry en = nth(m_entries, e);
            if (en.clause == self || !alive(en.clause))
                continue;
            const Literal &eq = clause(en.clause).literals[0];
            const Term l = en.side ? eq.rhs : eq.lhs, r = en.side ? eq.lhs : eq.rhs;
            const std::size_t mark = m_sigma->mark();
            if (!m_sigma->match(l, 0, t, 1))
                continue;
            // The target's own variables stay as they are; a variable of r not bound by the match
            // would make the rewrite unsound as an instance, so it is refused.
            Substitution::Fresh keep;
            keep.map[1].resize(static_cast<std::size_t>(T.varLimit(t)));
            for (int v = 0; v < T.varLimit(t); ++v)
                keep.map[1][static_cast<std::size_t>(v)] = v;
            keep.next = T.varLimit(t); // any variable numbered from here was not bound
            const Term by = m_sigma->instantiate(r, 0, keep);
            m_sigma->undo(mark);
            if (by < 0 || keep.next != T.varLimit(t) || m_kbo->compare(t, by) != Order::Greater)
                continue;
            rw.equation = en.clause;
            rw.reversed = en.side == 1;
            rw.path = path;
            result = by;
            return true;
        }
    }
    if (cache)
        m_normal.insert(t);
    return false;
}

bool SaturationProver::findRewrite(
    const std::vector<Literal> &literals, int self, Rewrite &rw, Term &result)
{
    // A unit identity is not rewritten by itself, so terms found irreducible then are not
    // remembered as irreducible for everyone.
    const Clause &c = clause(self);
    const bool cache = !(
        c.literals.size() == 1 && c.literals[0].positive && c.literals[0].rhs != m_terms->truth());
    for (int i = 0; i < sizeOf(literals); ++i) {
        const Literal &l = nth(literals, i);
        for (int side = 0; side < (l.rhs == m_terms->truth() ? 1 : 2); ++side) {
            std::vector<int> path;
            if (rewriteAt(side ? l.rhs : l.lhs, self, cache, path, rw, result)) {
                rw.literal = i;
                rw.side = side;
                // At the top of a side of a positive identity s = t, the instance l = r used is
                // smaller than the clause only when r < t; otherwise the clause is not redundant
                // in the calculus's sense, and a saturation after it proves nothing.
                if (rw.path.empty() && l.positive && l.rhs != m_terms->truth()
                    && m_kbo->compare(side ? l.lhs : l.rhs, result) != Order::Greater)
                    m_incomplete = true;
                return true;
            }
        }
    }
    return false;
}

int SaturationProver::simplify(int id)
{
    std::vector<Literal> literals = clause(id).literals;
    std::vector<Rewrite> trace;
    Rewrite rw;
    Term result = -1;
    while (sizeOf(trace) < kMaxRewritesPerClause && findRewrite(literals, id, rw, result)) {
        ++m_stats.rewrites;
        trace.push_back(rw);
        if (!applyRewrite(*m_terms, literals, rw, result)) {
            clause(id).state = Clause::State::Dead;
            return -1; // rewritten into a tautology
        }
    }
    if (trace.empty())
        return id;
    Clause &old = clause(id);
    old.state = Clause::State::Dead;
    if (!normalize(*m_terms, literals, &m_incomplete))
        return -1;
    Clause c;
    c.literals = std::move(literals);
    c.rule = ClauseRule::Rewriting;
    c.goal = old.goal;
    c.parents.push_back(id);
    for (const Rewrite &r : trace) {
        c.goal = c.goal || clause(r.equation).goal;
        if (std::find(c.parents.begin(), c.parents.end(), r.equation) == c.parents.end())
            c.parents.push_back(r.equation);
    }
    c.rewrites = std::move(trace);
    return addClause(std::move(c));
}

bool SaturationProver::forwardSubsumed(const std::vector<Literal> &literals)
{
    const ClauseSignature mine = signatureOf(*m_terms, literals);
    std::vector<int> found;
    for (const Literal &l : literals)
        for (int swapped = 0; swapped < (l.rhs == m_terms->truth() ? 1 : 2); ++swapped) {
            found.clear();
            m_keys->generalizations(literalTerm(*m_terms, l, swapped != 0), found);
            for (int c : found)
                if (alive(c) && clause(c).signature.fitsIn(mine)
                    && subsumes(*m_sigma, *m_terms, clause(c).literals, literals))
                    return true;
        }
    return false;
}

void SaturationProver::backwardSubsume(int given)
{
    const std::vector<Literal> &g = clause(given).literals;
    if (g.empty())
        return;
    const ClauseSignature mine = signatureOf(*m_terms, g);
    std::size_t key = 0;
    for (std::size_t i = 1; i < g.size(); ++i)
        if (m_terms->size(g[i].lhs) + m_terms->size(g[i].rhs)
            > m_terms->size(g[key].lhs) + m_terms->size(g[key].rhs))
            key = i;
    std::vector<int> found;
    for (int swapped = 0; swapped < (g[key].rhs == m_terms->truth() ? 1 : 2); ++swapped)
        m_literals->instances(literalTerm(*m_terms, g[key], swapped != 0), found);
    std::sort(found.begin(), found.end());
    found.erase(std::unique(found.begin(), found.end()), found.end());
    for (int c : found) {
        if (c == given || !alive(c) || !mine.fitsIn(clause(c).signature))
            continue;
        if (subsumes(*m_sigma, *m_terms, g, clause(c).literals)) {
            clause(c).state = Clause::State::Dead;
            ++m_stats.subsumed;
        }
    }
}

// Whether the clause has a subterm with the head symbol of one of the sides of unit identity
// @p by that may rewrite it: the cheap test before trying the rewrite for real.
bool SaturationProver::rewritable(const Clause &c, int by)
{
    const TermBank &T = *m_terms;
    const Literal &eq = clause(by).literals[0];
    int heads[2] = {T.isVar(eq.lhs) ? -2 : T.head(eq.lhs), T.isVar(eq.rhs) ? -2 : T.head(eq.rhs)};
    auto has = [&](auto &self, Term t) -> bool {
        if (T.isVar(t))
            return false;
        if (T.head(t) == heads[0] || T.head(t) == heads[1])
            return true;
        for (Term a : T.args(t))
            if (self(self, a))
                return true;
        return false;
    };
    for (const Literal &l : c.literals)
        if (has(has, l.lhs) || has(has, l.rhs))
            return true;
    return false;
}

void SaturationProver::backwardRewrite(int given)
{
    const Clause &g = clause(given);
    if (g.literals.size() != 1 || !g.literals[0].positive || g.literals[0].rhs == m_terms->truth())
        return;
    std::vector<int> active;
    for (int c : m_active)
        if (alive(c))
            active.push_back(c);
    m_active = active;
    for (int c : active) {
        if (c == given || !alive(c) || !rewritable(clause(c), given))
            continue;
        const int made = simplify(c);
        if (made == c)
            continue;
        if (made < 0)
            continue;
        if (clause(made).empty()) {
            found(made);
            return;
        }
        enqueue(made);
    }
}

} // namespace logic
