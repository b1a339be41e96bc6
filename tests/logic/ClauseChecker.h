#pragma once
// Reads a saturation proof as a student would check it: every step that is not a premise is
// derived again from the steps it names, by its rule, with unification done here from scratch (no
// code of the prover): the conclusion must be the instance the rule gives, up to the names of its
// variables, the order of its literals, repeated literals and literals t ≠ t. The ordering's side
// conditions are not checked: they only make the search smaller, never a step unsound.
// A refutation by ground instances is read likewise: each instance is its clause with the terms
// it names put for the clause's variables, and the instances together have no model, by a small
// search of its own over their atoms with the laws of identity (congruence) among their terms.

#include "saturation/ClauseProof.h"
#include "saturation/Grounding.h"

#include <cstdlib>
#include <functional>
#include <map>
#include <numeric>
#include <optional>
#include <string>
#include <vector>

namespace checker {

using logic::Fk;
using logic::Logic;
using logic::Tk;

struct Term
{
    int f = -1;   // a function of the store; -1: a variable
    int var = -1; // a variable's number
    std::vector<Term> args;
    bool operator==(const Term &) const = default;
};

struct Lit
{
    bool positive = true;
    bool identity = false;
    int predicate = -1;
    std::vector<Term> args; // an identity: the two sides
    bool operator==(const Lit &) const = default;
};

using Clause = std::vector<Lit>;
using Subst = std::map<int, Term>;

inline Term termOf(const Logic &L, int t, const std::map<int, int> &vars)
{
    const logic::TermNode &n = L.term(t);
    Term out;
    if (n.kind == Tk::Var) {
        out.var = vars.at(n.sym);
        return out;
    }
    out.f = n.sym;
    for (int a : L.args(t))
        out.args.push_back(termOf(L, a, vars));
    return out;
}

// The clause ∀x̄(L1 ∨ … ∨ Ln) with its variables numbered from @p base.
inline Clause read(const Logic &L, int f, int base)
{
    std::map<int, int> vars;
    while (L.node(f).kind == Fk::Forall) {
        vars.emplace(L.node(f).a, base + static_cast<int>(vars.size()));
        f = L.node(f).b;
    }
    Clause c;
    if (L.node(f).kind == Fk::Bottom)
        return c;
    std::vector<int> stack{f};
    while (!stack.empty()) {
        const int g = stack.back();
        stack.pop_back();
        const logic::FormulaNode &n = L.node(g);
        if (n.kind == Fk::Or) {
            stack.push_back(n.b);
            stack.push_back(n.a);
            continue;
        }
        Lit l;
        int atom = g;
        if (n.kind == Fk::Not) {
            l.positive = false;
            atom = n.a;
        }
        const logic::FormulaNode &m = L.node(atom);
        if (m.kind == Fk::Equal) {
            l.identity = true;
            l.args = {termOf(L, m.a, vars), termOf(L, m.b, vars)};
        } else {
            l.predicate = m.a;
            for (int a : L.atomArgs(atom))
                l.args.push_back(termOf(L, a, vars));
        }
        c.push_back(l);
    }
    return c;
}

inline Term substitute(const Subst &s, const Term &t)
{
    if (t.f < 0) {
        const auto it = s.find(t.var);
        return it == s.end() ? t : substitute(s, it->second);
    }
    Term out = t;
    for (Term &a : out.args)
        a = substitute(s, a);
    return out;
}

inline Lit substitute(const Subst &s, Lit l)
{
    for (Term &a : l.args)
        a = substitute(s, a);
    return l;
}

inline bool occurs(int v, const Term &t, const Subst &s)
{
    const Term u = substitute(s, t);
    if (u.f < 0)
        return u.var == v;
    for (const Term &a : u.args)
        if (occurs(v, a, s))
            return true;
    return false;
}

inline bool unify(const Term &a0, const Term &b0, Subst &s)
{
    const Term a = substitute(s, a0), b = substitute(s, b0);
    if (a.f < 0 && b.f < 0 && a.var == b.var)
        return true;
    if (a.f < 0 || b.f < 0) {
        const Term &v = a.f < 0 ? a : b, &t = a.f < 0 ? b : a;
        if (occurs(v.var, t, s))
            return false;
        s[v.var] = t;
        return true;
    }
    if (a.f != b.f || a.args.size() != b.args.size())
        return false;
    for (std::size_t i = 0; i < a.args.size(); ++i)
        if (!unify(a.args[i], b.args[i], s))
            return false;
    return true;
}

// Binds only the variables of @p p.
inline bool match(const Term &p, const Term &t, Subst &s)
{
    if (p.f < 0) {
        const auto it = s.find(p.var);
        if (it != s.end())
            return it->second == t;
        s[p.var] = t;
        return true;
    }
    if (t.f != p.f || t.args.size() != p.args.size())
        return false;
    for (std::size_t i = 0; i < p.args.size(); ++i)
        if (!match(p.args[i], t.args[i], s))
            return false;
    return true;
}

inline bool sameLit(const Lit &a, const Lit &b)
{
    if (a.positive != b.positive || a.identity != b.identity)
        return false;
    if (!a.identity)
        return a == b;
    return (a.args[0] == b.args[0] && a.args[1] == b.args[1])
        || (a.args[0] == b.args[1] && a.args[1] == b.args[0]);
}

// What every rule may also do: drop t ≠ t and repeated literals.
inline Clause cleanup(const Clause &c)
{
    Clause out;
    for (const Lit &l : c) {
        if (l.identity && !l.positive && l.args[0] == l.args[1])
            continue;
        bool repeated = false;
        for (const Lit &k : out)
            repeated = repeated || sameLit(k, l);
        if (!repeated)
            out.push_back(l);
    }
    return out;
}

inline bool matchLit(const Lit &a, const Lit &b, Subst &s)
{
    if (a.positive != b.positive || a.identity != b.identity || a.predicate != b.predicate
        || a.args.size() != b.args.size())
        return false;
    for (int swap = 0; swap < (a.identity ? 2 : 1); ++swap) {
        Subst t = s;
        bool ok = true;
        for (std::size_t i = 0; i < a.args.size() && ok; ++i)
            ok = match(a.args[i], b.args[swap ? 1 - i : i], t);
        if (ok) {
            s = t;
            return true;
        }
    }
    return false;
}

// An instance of c, each literal on a different literal of d.
inline bool subsumes(const Clause &c, const Clause &d)
{
    std::vector<char> used(d.size(), 0);
    std::function<bool(std::size_t, Subst)> from = [&](std::size_t i, Subst s) {
        if (i == c.size())
            return true;
        for (std::size_t j = 0; j < d.size(); ++j) {
            if (used[j])
                continue;
            Subst t = s;
            if (!matchLit(c[i], d[j], t))
                continue;
            used[j] = 1;
            if (from(i + 1, t))
                return true;
            used[j] = 0;
        }
        return false;
    };
    return from(0, {});
}

inline bool sameClause(const Clause &a0, const Clause &b0)
{
    const Clause a = cleanup(a0), b = cleanup(b0);
    return a.size() == b.size() && subsumes(a, b) && subsumes(b, a);
}

inline Clause substituteAll(const Subst &s, const Clause &c)
{
    Clause out;
    for (const Lit &l : c)
        out.push_back(substitute(s, l));
    return out;
}

inline Clause without(const Clause &c, std::size_t i)
{
    Clause out = c;
    out.erase(out.begin() + static_cast<std::ptrdiff_t>(i));
    return out;
}

inline void join(Clause &a, const Clause &b)
{
    a.insert(a.end(), b.begin(), b.end());
}

// Every non-variable subterm of @p t, with the function that puts another term in its place.
inline void positions(const Term &t, std::vector<std::pair<Term, std::function<Term(Term)>>> &out,
    std::function<Term(Term)> put)
{
    if (t.f < 0)
        return;
    out.emplace_back(t, put);
    for (std::size_t i = 0; i < t.args.size(); ++i)
        positions(t.args[i], out, [t, i, put](Term by) {
            Term u = t;
            u.args[i] = by;
            return put(u);
        });
}

// Every position in a literal's terms, with the literal it makes when replaced.
inline std::vector<std::pair<Term, std::function<Lit(Term)>>> literalPositions(const Lit &l)
{
    std::vector<std::pair<Term, std::function<Lit(Term)>>> out;
    for (std::size_t k = 0; k < l.args.size(); ++k) {
        std::vector<std::pair<Term, std::function<Term(Term)>>> ps;
        positions(l.args[k], ps, [](Term by) { return by; });
        for (auto &[u, put] : ps)
            out.emplace_back(u, [l, k, put](Term by) {
                Lit m = l;
                m.args[k] = put(by);
                return m;
            });
    }
    return out;
}

// "" when step @p i of @p proof is right; what is wrong otherwise.
inline std::string checkStep(const Logic &L, const logic::ClauseProof &proof, std::size_t i)
{
    using logic::ProofRule;
    const logic::ClauseStep &s = proof.steps[i];
    for (int f : s.from)
        if (f < 0 || static_cast<std::size_t>(f) >= i)
            return "names a step that is not before it";
    switch (s.rule) {
    case ProofRule::Premise: return s.source >= 0 ? "" : "a premise without its number";
    case ProofRule::Negation: return "";
    case ProofRule::Definition:
        return s.source >= 0 && static_cast<std::size_t>(s.source) < proof.definitions.size()
            ? ""
            : "a definition that is not listed";
    default: break;
    }
    const Clause goal = read(L, s.clause, 5000);
    const Clause a = read(L, proof.steps[static_cast<std::size_t>(s.from.at(0))].clause, 0);
    const Clause b = s.from.size() > 1
        ? read(L, proof.steps[static_cast<std::size_t>(s.from[1])].clause, 1000)
        : Clause{};
    auto found = [&](const Subst &sigma, const Clause &made) {
        return sameClause(substituteAll(sigma, made), goal);
    };
    switch (s.rule) {
    case ProofRule::Resolution:
        for (std::size_t x = 0; x < a.size(); ++x)
            for (std::size_t y = 0; y < b.size(); ++y) {
                const Lit &p = a[x], &q = b[y];
                if (p.identity || q.identity || p.positive == q.positive
                    || p.predicate != q.predicate)
                    continue;
                Subst sigma;
                bool ok = true;
                for (std::size_t k = 0; k < p.args.size() && ok; ++k)
                    ok = unify(p.args[k], q.args[k], sigma);
                Clause made = without(a, x);
                join(made, without(b, y));
                if (ok && found(sigma, made))
                    return "";
            }
        return "no resolution of the two clauses gives it";
    case ProofRule::Factoring:
        for (std::size_t x = 0; x < a.size(); ++x)
            for (std::size_t y = 0; y < a.size(); ++y) {
                const Lit &p = a[x], &q = a[y];
                if (x == y || p.identity || q.identity || p.positive != q.positive
                    || p.predicate != q.predicate)
                    continue;
                Subst sigma;
                bool ok = true;
                for (std::size_t k = 0; k < p.args.size() && ok; ++k)
                    ok = unify(p.args[k], q.args[k], sigma);
                if (ok && found(sigma, without(a, y)))
                    return "";
            }
        return "no factor of the clause is it";
    case ProofRule::EqualityResolution:
        for (std::size_t x = 0; x < a.size(); ++x) {
            if (!a[x].identity || a[x].positive)
                continue;
            Subst sigma;
            if (unify(a[x].args[0], a[x].args[1], sigma) && found(sigma, without(a, x)))
                return "";
        }
        return "no identity resolution gives it";
    case ProofRule::EqualityFactoring:
        for (std::size_t x = 0; x < a.size(); ++x)
            for (std::size_t y = 0; y < a.size(); ++y) {
                if (x == y || !a[x].identity || !a[y].identity || !a[x].positive || !a[y].positive)
                    continue;
                for (int sx = 0; sx < 2; ++sx)
                    for (int sy = 0; sy < 2; ++sy) {
                        Subst sigma;
                        if (!unify(a[x].args[sx], a[y].args[sy], sigma))
                            continue;
                        Clause made = without(a, x);
                        Lit d;
                        d.positive = false;
                        d.identity = true;
                        d.args = {a[x].args[1 - sx], a[y].args[1 - sy]};
                        made.push_back(d);
                        if (found(sigma, made))
                            return "";
                    }
            }
        return "no identity factoring gives it";
    case ProofRule::Superposition:
        for (std::size_t x = 0; x < a.size(); ++x) {
            if (!a[x].identity || !a[x].positive)
                continue;
            for (int side = 0; side < 2; ++side)
                for (std::size_t y = 0; y < b.size(); ++y)
                    for (auto &[u, put] : literalPositions(b[y])) {
                        Subst sigma;
                        if (!unify(a[x].args[side], u, sigma))
                            continue;
                        Clause made = b;
                        made[y] = put(a[x].args[1 - side]);
                        join(made, without(a, x));
                        if (found(sigma, made))
                            return "";
                    }
        }
        return "no superposition of the identity into the clause gives it";
    case ProofRule::Rewriting:
        if (b.size() != 1 || !b[0].identity || !b[0].positive)
            return "rewritten by a clause that is not a unit identity";
        for (int side = 0; side < 2; ++side)
            for (std::size_t y = 0; y < a.size(); ++y)
                for (auto &[u, put] : literalPositions(a[y])) {
                    Subst sigma;
                    if (!match(b[0].args[side], u, sigma))
                        continue;
                    const Term by = substitute(sigma, b[0].args[1 - side]);
                    bool bound = true; // the identity's other side may not bring new variables
                    std::function<void(const Term &)> vars = [&](const Term &t) {
                        bound = bound && (t.f >= 0 || t.var < 1000 || t.var >= 2000);
                        for (const Term &c : t.args)
                            vars(c);
                    };
                    vars(by);
                    Clause made = a;
                    made[y] = put(by);
                    if (bound && sameClause(made, goal))
                        return "";
                }
        return "no rewriting of the clause by the identity gives it";
    default: break;
    }
    return "an unknown rule";
}

/// "" when every step is right and the last is ⊥; the first fault otherwise.
inline std::string checkProof(const Logic &L, const logic::ClauseProof &proof)
{
    if (proof.steps.empty() || L.node(proof.steps.back().clause).kind != Fk::Bottom)
        return "the proof does not end in ⊥";
    for (std::size_t i = 0; i < proof.steps.size(); ++i)
        if (const std::string fault = checkStep(L, proof, i); !fault.empty())
            return "step " + std::to_string(i + 1) + ": " + fault;
    return "";
}

// ---- ground instances ----------------------------------------------------------------------

// Ground literals over interned terms; a model is a truth value per atom that is consistent
// with identity: equal terms are interchangeable in every function and predicate.
class GroundSet
{
public:
    void add(const Clause &c)
    {
        std::vector<int> out;
        for (const Lit &l : c) {
            const int a = atom(l);
            out.push_back(l.positive ? a + 1 : -(a + 1));
        }
        clauses.push_back(out);
    }

    /// Whether some assignment satisfies every clause and identity; nullopt past @p maxNodes.
    std::optional<bool> satisfiable(long maxNodes)
    {
        value.assign(atoms.size(), 0);
        nodes = 0;
        limit = maxNodes;
        const int r = search();
        if (r < 0)
            return std::nullopt;
        return r == 1;
    }

private:
    struct AtomKey
    {
        bool identity;
        int predicate;
        std::vector<int> args;
        auto operator<=>(const AtomKey &) const = default;
    };
    std::map<std::pair<int, std::vector<int>>, int> termIds; // (function, argument ids)
    std::vector<std::pair<int, std::vector<int>>> termList;
    std::map<AtomKey, int> atomIds;
    std::vector<AtomKey> atoms;
    std::vector<std::vector<int>> clauses;
    std::vector<signed char> value; // per atom: 1 true, -1 false, 0 open
    long nodes = 0, limit = 0;

    int term(const Term &t)
    {
        std::vector<int> args;
        for (const Term &a : t.args)
            args.push_back(term(a));
        const auto [it, fresh] = termIds.emplace(std::pair{t.f, args}, int(termList.size()));
        if (fresh)
            termList.emplace_back(t.f, args);
        return it->second;
    }

    int atom(const Lit &l)
    {
        AtomKey k{l.identity, l.predicate, {}};
        for (const Term &a : l.args)
            k.args.push_back(term(a));
        if (l.identity && k.args[0] > k.args[1])
            std::swap(k.args[0], k.args[1]);
        const auto [it, fresh] = atomIds.emplace(k, int(atoms.size()));
        if (fresh)
            atoms.push_back(k);
        return it->second;
    }

    // The identities assigned, closed under congruence; false when they clash with a ≠, or
    // make an atom true and false at once.
    bool consistent() const
    {
        std::vector<int> rep(termList.size());
        std::iota(rep.begin(), rep.end(), 0);
        std::function<int(int)> find
            = [&](int x) { return rep[x] == x ? x : rep[x] = find(rep[x]); };
        for (std::size_t a = 0; a < atoms.size(); ++a)
            if (atoms[a].identity && value[a] > 0)
                rep[find(atoms[a].args[0])] = find(atoms[a].args[1]);
        for (bool changed = true; changed;) {
            changed = false;
            std::map<std::pair<int, std::vector<int>>, int> seen;
            for (std::size_t t = 0; t < termList.size(); ++t) {
                std::vector<int> args;
                for (int x : termList[t].second)
                    args.push_back(find(x));
                const auto [it, fresh] = seen.emplace(std::pair{termList[t].first, args}, int(t));
                if (!fresh && find(it->second) != find(int(t))) {
                    rep[find(int(t))] = find(it->second);
                    changed = true;
                }
            }
        }
        std::map<std::pair<int, std::vector<int>>, signed char> truth;
        for (std::size_t a = 0; a < atoms.size(); ++a) {
            if (!value[a])
                continue;
            const AtomKey &k = atoms[a];
            if (k.identity) {
                if (value[a] < 0 && find(k.args[0]) == find(k.args[1]))
                    return false;
                continue;
            }
            std::vector<int> args;
            for (int x : k.args)
                args.push_back(find(x));
            const auto [it, fresh] = truth.emplace(std::pair{k.predicate, args}, value[a]);
            if (!fresh && it->second != value[a])
                return false;
        }
        return true;
    }

    // 1 satisfiable, 0 not, -1 past the limit: unit propagation, then a split on an open atom
    // of the first clause not yet true; identity is checked at every node.
    int search()
    {
        if (++nodes > limit)
            return -1;
        std::vector<int> assigned;
        auto undo = [&] {
            for (int a : assigned)
                value[static_cast<std::size_t>(a)] = 0;
        };
        for (bool again = true; again;) {
            again = false;
            for (const std::vector<int> &c : clauses) {
                int open = 0, last = 0;
                bool isTrue = false;
                for (int l : c) {
                    const signed char v = value[static_cast<std::size_t>(std::abs(l) - 1)];
                    if (v == 0)
                        ++open, last = l;
                    else if ((v > 0) == (l > 0))
                        isTrue = true;
                }
                if (isTrue)
                    continue;
                if (open == 0) {
                    undo();
                    return 0;
                }
                if (open == 1) {
                    value[static_cast<std::size_t>(std::abs(last) - 1)] = last > 0 ? 1 : -1;
                    assigned.push_back(std::abs(last) - 1);
                    again = true;
                }
            }
        }
        if (!consistent()) {
            undo();
            return 0;
        }
        int pick = 0;
        for (const std::vector<int> &c : clauses) {
            bool isTrue = false;
            int open = 0;
            for (int l : c) {
                const signed char v = value[static_cast<std::size_t>(std::abs(l) - 1)];
                isTrue = isTrue || (v != 0 && (v > 0) == (l > 0));
                if (v == 0 && !open)
                    open = l;
            }
            if (!isTrue) {
                pick = open;
                break;
            }
        }
        if (pick == 0) { // every clause true, and identity holds
            undo();
            return 1;
        }
        int result = 0;
        for (const signed char v : {pick > 0 ? 1 : -1, pick > 0 ? -1 : 1}) {
            const auto a = static_cast<std::size_t>(std::abs(pick) - 1);
            value[a] = static_cast<signed char>(v);
            const int r = search();
            value[a] = 0;
            if (r != 0) {
                result = r;
                break;
            }
        }
        undo();
        return result;
    }
};

/// "" when every listed instance is its clause under its terms and the instances have no model
/// with identity; the first fault otherwise.
inline std::string checkGround(
    const Logic &L, const logic::GroundRefutation &g, long maxNodes = 2'000'000)
{
    if (g.used.empty())
        return "no instances listed";
    if (g.used.size() != g.instances)
        return "the text counts " + std::to_string(g.instances) + " instances and lists "
            + std::to_string(g.used.size());
    GroundSet set;
    for (std::size_t i = 0; i < g.used.size(); ++i) {
        const logic::GroundInstance &in = g.used[i];
        const std::string at = "instance " + std::to_string(i + 1) + ": ";
        if (in.step < 0 || static_cast<std::size_t>(in.step) >= g.clausalForm.steps.size())
            return at + "names no clause";
        const int clause = g.clausalForm.steps[static_cast<std::size_t>(in.step)].clause;
        std::size_t vars = 0;
        for (int f = clause; L.node(f).kind == Fk::Forall; f = L.node(f).b)
            ++vars;
        if (in.terms.size() != vars)
            return at + "puts " + std::to_string(in.terms.size()) + " terms for "
                + std::to_string(vars) + " variables";
        Subst sigma;
        for (std::size_t v = 0; v < vars; ++v) {
            const Term t = termOf(L, in.terms[v], {});
            sigma[static_cast<int>(v)] = t;
        }
        const Clause expected = substituteAll(sigma, read(L, clause, 0));
        const Clause stated = read(L, in.clause, 0);
        if (!sameClause(expected, stated))
            return at + "is not clause " + std::to_string(in.step + 1) + " under its terms";
        set.add(cleanup(stated));
    }
    const std::optional<bool> sat = set.satisfiable(maxNodes);
    if (!sat)
        return "too many instances to search for a model";
    return *sat ? "the instances have a model" : "";
}

} // namespace checker
