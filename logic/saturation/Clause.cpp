#include "Clause.h"

#include <algorithm>

namespace logic::saturation {

bool normalize(TermBank &terms, std::vector<Literal> &literals, bool *beyondLimits)
{
    auto beyond = [&] {
        if (beyondLimits)
            *beyondLimits = true;
        return false;
    };
    std::vector<Literal> kept;
    kept.reserve(literals.size());
    for (const Literal &l : literals) {
        if (l.lhs == l.rhs) {
            if (l.positive)
                return false; // t = t
            continue;         // t ≠ t is false: drop it
        }
        bool repeated = false;
        for (const Literal &k : kept) {
            if (sameLiteral(k, l)) {
                repeated = true;
                break;
            }
            if (k.positive != l.positive
                && ((k.lhs == l.lhs && k.rhs == l.rhs) || (k.lhs == l.rhs && k.rhs == l.lhs)))
                return false; // L and ¬L
        }
        if (!repeated)
            kept.push_back(l);
    }
    // Variables in order of first occurrence, so that equal clauses look alike.
    int limit = 0;
    for (const Literal &l : kept)
        limit = std::max({limit, terms.varLimit(l.lhs), terms.varLimit(l.rhs)});
    std::vector<Term> map(static_cast<std::size_t>(limit), -1);
    int next = 0;
    auto visit = [&](auto &self, Term t) -> void {
        if (terms.ground(t))
            return;
        if (terms.isVar(t)) {
            Term &m = nth(map, terms.varIndex(t));
            if (m < 0)
                m = next++;
            return;
        }
        for (Term a : terms.args(t))
            self(self, a);
    };
    for (const Literal &l : kept) {
        if (terms.depth(l.lhs) > kMaxTermDepth || terms.depth(l.rhs) > kMaxTermDepth)
            return beyond();
        visit(visit, l.lhs);
        visit(visit, l.rhs);
    }
    if (next > kMaxClauseVariables)
        return beyond();
    bool identity = true;
    for (int v = 0; v < limit; ++v) {
        Term &m = nth(map, v);
        identity = identity && (m < 0 || m == v);
        m = m < 0 ? terms.var(v) : terms.var(m);
    }
    if (!identity)
        for (Literal &l : kept) {
            l.lhs = terms.rename(l.lhs, map);
            l.rhs = terms.rename(l.rhs, map);
        }
    literals.swap(kept);
    return true;
}

bool applyRewrite(TermBank &terms, std::vector<Literal> &literals, const Rewrite &rw, Term result)
{
    const auto at = static_cast<std::size_t>(rw.literal);
    Literal &l = literals[at];
    Term &side = rw.side ? l.rhs : l.lhs;
    side = terms.replaceAt(side, rw.path, result);
    const Literal made = l;
    if (made.lhs == made.rhs) {
        if (made.positive)
            return false;
        literals.erase(literals.begin() + static_cast<std::ptrdiff_t>(at));
        return true;
    }
    for (std::size_t k = 0; k < literals.size(); ++k) {
        if (k == at)
            continue;
        const Literal &o = literals[k];
        if (sameLiteral(o, made)) {
            literals.erase(literals.begin() + static_cast<std::ptrdiff_t>(at));
            return true;
        }
        if (o.positive != made.positive
            && ((o.lhs == made.lhs && o.rhs == made.rhs)
                || (o.lhs == made.rhs && o.rhs == made.lhs)))
            return false;
    }
    return true;
}

int clauseWeight(const TermBank &terms, const std::vector<Literal> &literals)
{
    int w = 0;
    for (const Literal &l : literals)
        w += terms.weight(l.lhs) + (l.rhs == terms.truth() ? 0 : terms.weight(l.rhs));
    return w;
}

Term literalTerm(TermBank &terms, const Literal &l, bool swapped)
{
    if (l.rhs == terms.truth())
        return l.positive ? l.lhs : terms.app(terms.notTag(), {&l.lhs, 1});
    const Term sides[2] = {swapped ? l.rhs : l.lhs, swapped ? l.lhs : l.rhs};
    return terms.app(l.positive ? terms.equalTag() : terms.notEqualTag(), sides);
}

ClauseSignature signatureOf(const TermBank &terms, const std::vector<Literal> &literals)
{
    ClauseSignature s;
    auto walk = [&](auto &self, Term t, bool positive) -> void {
        if (terms.isVar(t))
            return;
        const int f = terms.head(t);
        s.symbols |= std::uint64_t{1} << ((static_cast<unsigned>(f) * 2 + (positive ? 1 : 0)) % 64);
        for (Term a : terms.args(t))
            self(self, a, positive);
    };
    for (const Literal &l : literals) {
        ++(l.positive ? s.positive : s.negative);
        walk(walk, l.lhs, l.positive);
        walk(walk, l.rhs, l.positive);
    }
    return s;
}

namespace {

// Whether literal @p a matches @p b (in either orientation of an identity), keeping the bindings.
bool matchLiteral(Substitution &sigma, const Literal &a, const Literal &b, bool swapped)
{
    if (a.positive != b.positive)
        return false;
    const std::size_t mark = sigma.mark();
    const Term l = swapped ? b.rhs : b.lhs, r = swapped ? b.lhs : b.rhs;
    if (sigma.match(a.lhs, 0, l, 1) && sigma.match(a.rhs, 0, r, 1))
        return true;
    sigma.undo(mark);
    return false;
}

struct Matcher
{
    Substitution &sigma;
    const std::vector<Literal> &c, &d;
    std::vector<std::vector<int>> candidates; // per literal of c: literals of d it matches alone
    std::vector<std::size_t> order;           // c's literals, fewest candidates first
    std::vector<char> used;
    int steps;
    Term truth;

    bool from(std::size_t k)
    {
        if (k == order.size())
            return true;
        const Literal &a = c[order[k]];
        for (int j : candidates[order[k]]) {
            if (nth(used, j) || --steps < 0)
                continue;
            const Literal &b = nth(d, j);
            for (int swap = 0; swap < (b.rhs == truth ? 1 : 2); ++swap) {
                const std::size_t mark = sigma.mark();
                if (!matchLiteral(sigma, a, b, swap != 0))
                    continue;
                nth(used, j) = 1;
                if (from(k + 1))
                    return true;
                nth(used, j) = 0;
                sigma.undo(mark);
            }
        }
        return false;
    }
};

} // namespace

bool subsumes(Substitution &sigma, const TermBank &terms, const std::vector<Literal> &c,
    const std::vector<Literal> &d, int steps)
{
    if (c.size() > d.size())
        return false;
    const Term truth = terms.truth();
    Matcher m{sigma, c, d, std::vector<std::vector<int>>(c.size()), {},
        std::vector<char>(d.size(), 0), steps, truth};
    // Each literal of c alone must match some literal of d: most clauses fail here, cheaply.
    for (std::size_t i = 0; i < c.size(); ++i) {
        for (std::size_t j = 0; j < d.size(); ++j) {
            const Literal &a = c[i], &b = d[j];
            if (a.positive != b.positive || (a.rhs == truth) != (b.rhs == truth))
                continue;
            if (a.rhs == truth && !terms.isVar(a.lhs) && terms.head(a.lhs) != terms.head(b.lhs))
                continue;
            bool ok = false;
            for (int swap = 0; swap < (b.rhs == truth ? 1 : 2) && !ok; ++swap) {
                const std::size_t mark = sigma.mark();
                ok = matchLiteral(sigma, a, b, swap != 0);
                sigma.undo(mark);
            }
            if (ok)
                m.candidates[i].push_back(static_cast<int>(j));
        }
        if (m.candidates[i].empty())
            return false;
        m.order.push_back(i);
    }
    std::sort(m.order.begin(), m.order.end(), [&](std::size_t x, std::size_t y) {
        return m.candidates[x].size() < m.candidates[y].size();
    });
    const std::size_t mark = sigma.mark();
    const bool ok = m.from(0);
    sigma.undo(mark);
    return ok;
}

std::string clauseText(const TermBank &terms, const std::vector<Literal> &literals)
{
    if (literals.empty())
        return "□";
    std::string out;
    for (std::size_t i = 0; i < literals.size(); ++i) {
        const Literal &l = literals[i];
        out += i ? " | " : "";
        if (l.rhs == terms.truth())
            out += (l.positive ? "" : "~") + terms.text(l.lhs);
        else
            out += terms.text(l.lhs) + (l.positive ? " = " : " != ") + terms.text(l.rhs);
    }
    return out;
}

} // namespace logic::saturation
