#include "Clausifier.h"

#include <algorithm>

namespace logic::saturation {
namespace {

// Expanding a subformula into more clauses than this names it instead.
constexpr double kNamingLimit = 8;
constexpr int kMaxDepth = 700; // beyond the reader's own limit on nesting

bool nameUsed(const Logic &L, const std::string &name, bool predicate)
{
    if (predicate) {
        for (int i = 0; i < L.predicateCount(); ++i)
            if (L.predicateSymbol(i).name == name)
                return true;
        return false;
    }
    for (int i = 0; i < L.functionCount(); ++i)
        if (L.functionSymbol(i).name == name)
            return true;
    for (int i = 0; i < L.variableCount(); ++i)
        if (L.variableName(i) == name)
            return true;
    return false;
}

std::string freshName(const Logic &L, const std::string &base, bool predicate)
{
    for (int k = 1;; ++k)
        if (const std::string name = base + std::to_string(k); !nameUsed(L, name, predicate))
            return name;
}

void varsOf(const TermBank &T, Term t, std::vector<int> &out)
{
    if (T.ground(t))
        return;
    if (T.isVar(t)) {
        out.push_back(T.varIndex(t));
        return;
    }
    for (Term a : T.args(t))
        varsOf(T, a, out);
}

void sortUnique(std::vector<int> &v)
{
    std::sort(v.begin(), v.end());
    v.erase(std::unique(v.begin(), v.end()), v.end());
}

} // namespace

// ---- symbols and terms --------------------------------------------------------------------------

int Clausifier::functionSymbol(int f)
{
    if (static_cast<std::size_t>(f) >= m_functions.size())
        m_functions.resize(static_cast<std::size_t>(f) + 1, -1);
    int &s = nth(m_functions, f);
    if (s < 0) {
        const Symbol &sym = L.functionSymbol(f);
        s = T.addSymbol({sym.name, sym.arity, false, SymbolKind::User, f});
    }
    return s;
}

int Clausifier::predicateSymbol(int p)
{
    if (static_cast<std::size_t>(p) >= m_predicates.size())
        m_predicates.resize(static_cast<std::size_t>(p) + 1, -1);
    int &s = nth(m_predicates, p);
    if (s < 0) {
        const Symbol &sym = L.predicateSymbol(p);
        s = T.addSymbol({sym.name, sym.arity, true, SymbolKind::User, p});
    }
    return s;
}

Term Clausifier::term(int t, const Env &env)
{
    const TermNode n = L.term(t);
    if (n.kind == Tk::Var) {
        for (auto it = env.rbegin(); it != env.rend(); ++it)
            if (it->first == n.sym)
                return it->second;
        m_failed = true; // a free variable: the reader never makes one
        return T.truth();
    }
    if (n.kind == Tk::Param || n.depth > kMaxTermDepth) {
        m_failed = true;
        return T.truth();
    }
    std::vector<Term> args;
    for (int a : L.args(t))
        args.push_back(term(a, env));
    return T.app(functionSymbol(n.sym), args);
}

// ---- how many clauses a subformula makes, and what to name ---------------------------------------

const Clausifier::Estimate &Clausifier::estimate(int f, bool negated)
{
    const auto key = std::make_pair(f, negated ? 1 : 0);
    if (const auto it = m_estimates.find(key); it != m_estimates.end())
        return it->second;
    const FormulaNode n = L.node(f);
    Estimate e;
    auto sum = [&](int a, bool na, int b, bool nb) {
        e.clauses = std::min(1e12, estimate(a, na).clauses + estimate(b, nb).clauses);
    };
    auto product = [&](int a, bool na, int b, bool nb) {
        double x = estimate(a, na).clauses, y = estimate(b, nb).clauses;
        if (x * y > kNamingLimit && std::max(x, y) > 1) {
            if (x >= y)
                e.nameLeft = true, x = 1;
            else
                e.nameRight = true, y = 1;
            if (x * y > kNamingLimit) {
                if (!e.nameLeft && x > 1)
                    e.nameLeft = true, x = 1;
                else if (!e.nameRight && y > 1)
                    e.nameRight = true, y = 1;
            }
        }
        e.clauses = std::min(1e12, x * y);
    };
    switch (n.kind) {
    case Fk::Not: e = estimate(n.a, !negated); break;
    case Fk::And: negated ? product(n.a, true, n.b, true) : sum(n.a, false, n.b, false); break;
    case Fk::Or: negated ? sum(n.a, true, n.b, true) : product(n.a, false, n.b, false); break;
    case Fk::Implies: negated ? sum(n.a, false, n.b, true) : product(n.a, true, n.b, false); break;
    case Fk::Iff: {
        double ap = estimate(n.a, false).clauses, an = estimate(n.a, true).clauses;
        double bp = estimate(n.b, false).clauses, bn = estimate(n.b, true).clauses;
        auto cost = [&] { return negated ? ap * bp + an * bn : an * bp + ap * bn; };
        if (cost() > kNamingLimit && (ap > 1 || an > 1) && ap + an >= bp + bn)
            e.nameLeft = true, ap = an = 1;
        if (cost() > kNamingLimit && (bp > 1 || bn > 1))
            e.nameRight = true, bp = bn = 1;
        if (cost() > kNamingLimit && !e.nameLeft && (ap > 1 || an > 1))
            e.nameLeft = true, ap = an = 1;
        e.clauses = std::min(1e12, cost());
        break;
    }
    case Fk::Forall:
    case Fk::Exists: e = estimate(n.b, negated), e.nameLeft = e.nameRight = false; break;
    default: break; // atoms, identities, ⊤, ⊥ and (refused later) modal formulas: one clause
    }
    return m_estimates.emplace(key, e).first->second;
}

std::vector<int> Clausifier::freeVariables(int f) const
{
    std::vector<int> out, bound;
    auto inTerm = [&](auto &self, int t) -> void {
        const TermNode &n = L.term(t);
        if (!n.vars)
            return;
        if (n.kind == Tk::Var) {
            if (std::find(bound.begin(), bound.end(), n.sym) == bound.end()
                && std::find(out.begin(), out.end(), n.sym) == out.end())
                out.push_back(n.sym);
            return;
        }
        for (int a : L.args(t))
            self(self, a);
    };
    auto walk = [&](auto &self, int g) -> void {
        const FormulaNode &n = L.node(g);
        if (!n.vars)
            return;
        switch (n.kind) {
        case Fk::Atom:
            for (int a : L.atomArgs(g))
                inTerm(inTerm, a);
            break;
        case Fk::Equal: inTerm(inTerm, n.a), inTerm(inTerm, n.b); break;
        case Fk::Not:
        case Fk::Box:
        case Fk::Diamond: self(self, n.a); break;
        case Fk::And:
        case Fk::Or:
        case Fk::Implies:
        case Fk::Iff: self(self, n.a), self(self, n.b); break;
        case Fk::Forall:
        case Fk::Exists:
            bound.push_back(n.a);
            self(self, n.b);
            bound.pop_back();
            break;
        default: break;
        }
    };
    walk(walk, f);
    return out;
}

// ---- negation normal form, naming as it goes ----------------------------------------------------

int Clausifier::named(int f, bool negated, bool both, Env &env)
{
    const int mode = both ? 2 : negated ? 1 : 0;
    int predicate = -1;
    if (auto it = m_names.find({f, mode}); it != m_names.end())
        predicate = it->second;
    else if (auto it2 = m_names.find({f, 2}); it2 != m_names.end())
        predicate = it2->second;
    const std::vector<int> free = freeVariables(f);
    if (predicate < 0) {
        predicate = L.predicate(freshName(L, "D", true), sizeOf(free));
        std::vector<int> vars;
        for (int v : free)
            vars.push_back(L.var(v));
        const int atom = L.atom(predicate, vars);
        int definition = both ? L.binary(Fk::Iff, atom, f)
                              : L.binary(Fk::Implies, atom, negated ? L.negation(f) : f);
        for (auto it = free.rbegin(); it != free.rend(); ++it)
            definition = L.quantified(Fk::Forall, *it, definition);
        int number = 0;
        for (const InputFormula &g : m_formulas)
            number += g.role == InputRole::Definition;
        m_formulas.push_back({definition, InputRole::Definition, number, predicate, m_current});
        const int s = predicateSymbol(predicate);
        T.symbol(s).kind = SymbolKind::Definition;
        T.symbol(s).origin = sizeOf(m_formulas) - 1;
        m_names[{f, mode}] = predicate;
    }
    std::vector<Term> args;
    for (int v : free) {
        Term t = -1;
        for (auto it = env.rbegin(); it != env.rend() && t < 0; ++it)
            if (it->first == v)
                t = it->second;
        if (t < 0) {
            m_failed = true;
            return make(Kind::True, {});
        }
        args.push_back(t);
    }
    return literal({T.app(predicateSymbol(predicate), args), T.truth(), true});
}

int Clausifier::disjunction(
    int a, bool na, int b, bool nb, bool nameA, bool nameB, Env &env, int depth)
{
    const int left = nameA ? named(a, na, false, env) : translate(a, na, env, depth + 1);
    const int right = nameB ? named(b, nb, false, env) : translate(b, nb, env, depth + 1);
    return make(Kind::Or, {left, right});
}

int Clausifier::translate(int f, bool negated, Env &env, int depth)
{
    if (depth > kMaxDepth || m_failed) {
        m_failed = true;
        return make(Kind::True, {});
    }
    const FormulaNode n = L.node(f); // by value: naming adds formulas to the store
    switch (n.kind) {
    case Fk::Atom: {
        std::vector<Term> args;
        for (int a : std::vector<int>(L.atomArgs(f).begin(), L.atomArgs(f).end()))
            args.push_back(term(a, env));
        return literal({T.app(predicateSymbol(n.a), args), T.truth(), !negated});
    }
    case Fk::Equal: {
        const Term s = term(n.a, env);
        return literal({s, term(n.b, env), !negated});
    }
    case Fk::Top: return make(negated ? Kind::False : Kind::True, {});
    case Fk::Bottom: return make(negated ? Kind::True : Kind::False, {});
    case Fk::Not: return translate(n.a, !negated, env, depth + 1);
    case Fk::And:
    case Fk::Or:
    case Fk::Implies: {
        const Estimate e = estimate(f, negated);
        const bool conjunctive
            = (n.kind == Fk::And) != negated && !(n.kind == Fk::Implies && !negated);
        const bool na = n.kind == Fk::Implies ? !negated : negated;
        if (conjunctive) {
            const int left = translate(n.a, na, env, depth + 1);
            return make(Kind::And, {left, translate(n.b, negated, env, depth + 1)});
        }
        return disjunction(n.a, na, n.b, negated, e.nameLeft, e.nameRight, env, depth);
    }
    case Fk::Iff: {
        const Estimate e = estimate(f, negated);
        auto side = [&](int g, bool name, bool positive) {
            if (!name)
                return translate(g, !positive, env, depth + 1);
            const int atom = named(g, false, true, env);
            Literal l = nth(m_nodes, atom).lit;
            l.positive = positive;
            return literal(l);
        };
        // A ↔ B: (¬A ∨ B) ∧ (A ∨ ¬B); ¬(A ↔ B): (A ∨ B) ∧ (¬A ∨ ¬B).
        const int c1
            = make(Kind::Or, {side(n.a, e.nameLeft, negated), side(n.b, e.nameRight, true)});
        const int c2
            = make(Kind::Or, {side(n.a, e.nameLeft, !negated), side(n.b, e.nameRight, false)});
        return make(Kind::And, {c1, c2});
    }
    case Fk::Forall:
    case Fk::Exists: {
        const bool universal = (n.kind == Fk::Forall) != negated;
        const int v = m_nextVar++;
        env.emplace_back(n.a, T.var(v));
        const int body = translate(n.b, negated, env, depth + 1);
        env.pop_back();
        return quantifier(universal ? Kind::All : Kind::Ex, v, n.a, body);
    }
    case Fk::Box:
    case Fk::Diamond: m_failed = true; return make(Kind::True, {});
    }
    return make(Kind::True, {});
}

// A definition ∀x̄(D(x̄) ↔ φ) or ∀x̄(D(x̄) → φ) in clauses, φ expanded rather than named again.
int Clausifier::definitionNode(const InputFormula &g, Env &env)
{
    int f = g.formula;
    std::vector<std::pair<int, int>> bound; // Logic variable, term bank variable
    for (int k = 0; k < L.predicateSymbol(g.predicate).arity; ++k) {
        const int v = m_nextVar++;
        bound.emplace_back(L.node(f).a, v);
        env.emplace_back(L.node(f).a, T.var(v));
        f = L.node(f).b;
    }
    const FormulaNode body = L.node(f);
    const int atom = translate(body.a, false, env, 1);
    Literal negative = nth(m_nodes, atom).lit;
    negative.positive = false;
    int root;
    if (body.kind == Fk::Iff) {
        const int c1 = make(Kind::Or, {literal(negative), translate(body.b, false, env, 1)});
        root = make(Kind::And, {c1, make(Kind::Or, {atom, translate(body.b, true, env, 1)})});
    } else {
        root = make(Kind::Or, {literal(negative), translate(body.b, false, env, 1)});
    }
    for (auto it = bound.rbegin(); it != bound.rend(); ++it)
        root = quantifier(Kind::All, it->second, it->first, root);
    return root;
}

// ---- nodes ----------------------------------------------------------------------------------------

int Clausifier::literal(const Literal &l)
{
    Node n;
    n.kind = Kind::Lit;
    n.lit = l;
    varsOf(T, l.lhs, n.vars);
    varsOf(T, l.rhs, n.vars);
    sortUnique(n.vars);
    m_nodes.push_back(std::move(n));
    return sizeOf(m_nodes) - 1;
}

int Clausifier::make(Kind kind, std::vector<int> kids)
{
    Node n;
    n.kind = kind;
    if (kind == Kind::And || kind == Kind::Or) {
        const Kind unit = kind == Kind::And ? Kind::True : Kind::False;
        const Kind zero = kind == Kind::And ? Kind::False : Kind::True;
        for (int k : kids) {
            const Node &c = nth(m_nodes, k);
            if (c.kind == zero)
                return make(zero, {});
            if (c.kind == unit)
                continue;
            if (c.kind == kind)
                n.kids.insert(n.kids.end(), c.kids.begin(), c.kids.end());
            else
                n.kids.push_back(k);
        }
        if (n.kids.empty())
            return make(unit, {});
        if (n.kids.size() == 1)
            return n.kids[0];
        for (int k : n.kids) {
            const Node &c = nth(m_nodes, k);
            n.vars.insert(n.vars.end(), c.vars.begin(), c.vars.end());
        }
        sortUnique(n.vars);
    }
    m_nodes.push_back(std::move(n));
    return sizeOf(m_nodes) - 1;
}

int Clausifier::quantifier(Kind kind, int var, int logicVar, int body)
{
    if (!hasVar(body, var))
        return body;
    Node n;
    n.kind = kind;
    n.var = var;
    n.logicVar = logicVar;
    n.kids = {body};
    n.vars = nth(m_nodes, body).vars;
    m_nodes.push_back(std::move(n));
    return sizeOf(m_nodes) - 1;
}

bool Clausifier::hasVar(int n, int v) const
{
    const std::vector<int> &vs = nth(m_nodes, n).vars;
    return std::binary_search(vs.begin(), vs.end(), v);
}

// Quantifiers as far in as they go: ∀ over ∧, ∃ over ∨, and either past the parts without its
// variable, so that Skolem functions take no more arguments than they must.
int Clausifier::miniscope(int n, int depth)
{
    if (depth > kMaxDepth) {
        m_failed = true;
        return n;
    }
    const Node node = nth(m_nodes, n);
    switch (node.kind) {
    case Kind::And:
    case Kind::Or: {
        std::vector<int> kids;
        for (int k : node.kids)
            kids.push_back(miniscope(k, depth + 1));
        return make(node.kind, kids);
    }
    case Kind::All:
    case Kind::Ex:
        return push(node.kind, node.var, node.logicVar, miniscope(node.kids[0], depth + 1), depth);
    default: return n;
    }
}

int Clausifier::push(Kind q, int var, int logicVar, int body, int depth)
{
    if (!hasVar(body, var))
        return body;
    if (depth > kMaxDepth) {
        m_failed = true;
        return body;
    }
    const Node b = nth(m_nodes, body);
    const Kind spread = q == Kind::All ? Kind::And : Kind::Or; // the one it distributes over
    if (b.kind == spread) {
        std::vector<int> kids;
        for (int k : b.kids)
            kids.push_back(push(q, var, logicVar, k, depth + 1));
        return make(b.kind, kids);
    }
    if (b.kind == Kind::And || b.kind == Kind::Or) {
        std::vector<int> with, without;
        for (int k : b.kids)
            (hasVar(k, var) ? with : without).push_back(k);
        if (!without.empty()) {
            without.push_back(push(q, var, logicVar, make(b.kind, with), depth + 1));
            return make(b.kind, without);
        }
    }
    return quantifier(q, var, logicVar, body);
}

int Clausifier::skolemize(int n, std::vector<int> &universals, int formula, int depth)
{
    if (depth > kMaxDepth) {
        m_failed = true;
        return n;
    }
    const Node node = nth(m_nodes, n);
    switch (node.kind) {
    case Kind::Lit: {
        Literal l = node.lit;
        l.lhs = T.rename(l.lhs, m_map);
        l.rhs = T.rename(l.rhs, m_map);
        return literal(l);
    }
    case Kind::And:
    case Kind::Or: {
        std::vector<int> kids;
        for (int k : node.kids)
            kids.push_back(skolemize(k, universals, formula, depth + 1));
        return make(node.kind, kids);
    }
    case Kind::All: {
        universals.push_back(node.var);
        const int body = skolemize(node.kids[0], universals, formula, depth + 1);
        universals.pop_back();
        return body; // clauses are universal in their variables
    }
    case Kind::Ex: {
        // The witness depends on the ∀ variables it is under that occur in it, directly or through
        // the witnesses of the ∃ above it.
        std::vector<int> free;
        for (int v : node.vars) {
            const Term m = nth(m_map, v);
            if (T.isVar(m) && T.varIndex(m) == v)
                free.push_back(v);
            else
                varsOf(T, m, free);
        }
        sortUnique(free);
        std::vector<Term> args;
        for (int u : universals)
            if (std::binary_search(free.begin(), free.end(), u))
                args.push_back(T.var(u));
        const std::string base(1, L.variableName(node.logicVar)[0]);
        const std::string name = freshName(L, base, false);
        const int logicFunction = L.function(name, sizeOf(args), true);
        const int f = functionSymbol(logicFunction);
        T.symbol(f).kind = SymbolKind::Skolem;
        T.symbol(f).origin = formula;
        T.symbol(f).variable = node.logicVar;
        nth(m_map, node.var) = T.app(f, args);
        return skolemize(node.kids[0], universals, formula, depth + 1);
    }
    default: return n;
    }
}

bool Clausifier::clausify(int n, std::vector<std::vector<Literal>> &out, int depth)
{
    if (depth > kMaxDepth || m_budget->expired())
        return false;
    const Node node = nth(m_nodes, n);
    switch (node.kind) {
    case Kind::True: return true;
    case Kind::False: out.emplace_back(); return true;
    case Kind::Lit: out.push_back({node.lit}); return true;
    case Kind::And:
        for (int k : node.kids)
            if (!clausify(k, out, depth + 1) || sizeOf(out) > kMaxInputClauses)
                return false;
        return true;
    case Kind::Or: {
        std::vector<std::vector<Literal>> product{{}};
        for (int k : node.kids) {
            std::vector<std::vector<Literal>> part, next;
            if (!clausify(k, part, depth + 1))
                return false;
            if (product.size() * part.size() > static_cast<std::size_t>(kMaxInputClauses))
                return false;
            for (const auto &p : product)
                for (const auto &q : part) {
                    next.push_back(p);
                    next.back().insert(next.back().end(), q.begin(), q.end());
                    if (static_cast<int>(next.back().size()) > kMaxInputLiterals)
                        return false;
                }
            product.swap(next);
        }
        out.insert(out.end(), product.begin(), product.end());
        return true;
    }
    default: return false; // quantifiers are gone by now
    }
}

bool Clausifier::run(const std::vector<int> &premises, int conclusion, const Budget &budget)
{
    m_budget = &budget;
    for (std::size_t i = 0; i < premises.size(); ++i)
        m_formulas.push_back({premises[i], InputRole::Premise, static_cast<int>(i)});
    if (conclusion >= 0)
        m_formulas.push_back({conclusion, InputRole::Negation});
    // Definitions join the list as they are made, and are turned into clauses in their turn.
    for (std::size_t i = 0; i < m_formulas.size(); ++i) {
        m_current = static_cast<int>(i);
        const InputFormula g = m_formulas[i];
        Env env;
        const int root = g.role == InputRole::Definition
            ? definitionNode(g, env)
            : translate(g.formula, g.role == InputRole::Negation, env, 0);
        if (m_failed || budget.expired())
            return false;
        const int mini = miniscope(root, 0);
        m_map.clear();
        for (int v = 0; v < m_nextVar; ++v)
            m_map.push_back(T.var(v));
        std::vector<int> universals;
        const int skolem = skolemize(mini, universals, m_current, 0);
        std::vector<std::vector<Literal>> clauses;
        if (m_failed || !clausify(skolem, clauses, 0))
            return false;
        for (auto &c : clauses) {
            if (!normalize(T, c, &m_beyondLimits))
                continue; // a tautology, or beyond the limits
            m_clauses.push_back({std::move(c), m_current});
            if (sizeOf(m_clauses) > kMaxInputClauses)
                return false;
        }
    }
    return true;
}

} // namespace logic::saturation
