#include "Grounding.h"

#include "Writer.h"
#include "propositional/Sat.h"

#include <algorithm>
#include <map>

namespace logic {

using namespace saturation;

namespace {

// Beyond these the instances would not fit the time anyway.
constexpr std::size_t kMaxTerms = 48;
constexpr std::size_t kMaxInstanceLiterals = 400'000;
constexpr int kMaxDepthLevels = 3;
// The budget ends a long search; conflicts alone never should.
constexpr std::int64_t kConflictLimitForGround = std::int64_t{1} << 40;

void groundSubterms(const TermBank &T, Term t, std::vector<Term> &out)
{
    if (T.isVar(t) || t == T.truth())
        return;
    if (T.ground(t) && !T.isPredicateAtom(t))
        out.push_back(t);
    for (Term a : T.args(t))
        groundSubterms(T, a, out);
}

void sortUnique(std::vector<Term> &v)
{
    std::sort(v.begin(), v.end());
    v.erase(std::unique(v.begin(), v.end()), v.end());
}

} // namespace

struct GroundProver::State
{
    SaturationProver &source;
    Logic &L;
    TermBank &T;
    const std::vector<InputClause> &clauses;
    std::vector<int> functions; // function symbols with arguments, for the next depth
    std::vector<Term> universe; // what the variables range over
    std::vector<Term> closure;  // the elements a clause ∀x(x = t1 ∨ …) allows, if any
    int closureClause = -1;
    int level = 0;
    std::unique_ptr<Solver> solver;
    std::size_t instances = 0;
    // The instances of the last build: clause, what its variables became, the literals.
    std::vector<int> groundClause;
    std::vector<std::vector<Term>> groundMap;
    std::vector<std::vector<Literal>> ground;
    SaturationStatus status = SaturationStatus::Unknown;

    State(SaturationProver &prover, Logic &logic)
        : source(prover), L(logic), T(prover.terms()), clauses(prover.inputClauses())
    {}

    bool build();
};

GroundProver::GroundProver(SaturationProver &source)
    : m_state(std::make_unique<State>(source, source.logic()))
{
    State &S = *m_state;
    std::vector<Term> base;
    std::vector<char> seen(static_cast<std::size_t>(S.T.symbolCount()), 0);
    for (std::size_t k = 0; k < S.clauses.size(); ++k) {
        const InputClause &c = S.clauses[k];
        for (const Literal &l : c.literals) {
            groundSubterms(S.T, l.lhs, base);
            groundSubterms(S.T, l.rhs, base);
            auto note = [&](auto &self, Term t) -> void {
                if (S.T.isVar(t))
                    return;
                const int f = S.T.head(t);
                if (!S.T.symbol(f).predicate && S.T.symbol(f).arity > 0 && !nth(seen, f)) {
                    nth(seen, f) = 1;
                    S.functions.push_back(f);
                }
                for (Term a : S.T.args(t))
                    self(self, a);
            };
            note(note, l.lhs);
            note(note, l.rhs);
        }
        // ∀x(x = t1 ∨ … ∨ x = tn): every element is one of the t's.
        bool closes = !c.literals.empty() && S.closureClause < 0;
        std::vector<Term> ts;
        for (const Literal &l : c.literals) {
            const bool lv = S.T.isVar(l.lhs), rv = S.T.isVar(l.rhs);
            closes = closes && l.positive && l.rhs != S.T.truth() && lv != rv
                && (lv ? S.T.ground(l.rhs) : S.T.ground(l.lhs));
            if (closes)
                ts.push_back(lv ? l.rhs : l.lhs);
        }
        if (closes) {
            S.closureClause = static_cast<int>(k);
            S.closure = ts;
            sortUnique(S.closure);
        }
    }
    sortUnique(base);
    if (base.empty()) { // a domain is never empty: some element to name
        std::string name = "a";
        for (int k = 1; S.L.findFunction(name, 0) >= 0; ++k)
            name = "a" + std::to_string(k);
        const int f = S.L.function(name, 0, true);
        base.push_back(S.T.constant(S.T.addSymbol({name, 0, false, SymbolKind::Skolem, f})));
    }
    S.universe = S.closureClause >= 0 ? S.closure : base;
}

GroundProver::~GroundProver() = default;

// The instances over the universe and the laws of identity among their terms, for the solver.
bool GroundProver::State::build()
{
    solver = std::make_unique<Solver>();
    std::map<Term, int> atomVar;
    std::vector<Term> terms = universe;
    ground.clear();
    groundClause.clear();
    groundMap.clear();
    std::size_t literals = 0;
    for (std::size_t k = 0; k < clauses.size(); ++k) {
        const InputClause &c = clauses[k];
        int vars = 0;
        for (const Literal &l : c.literals)
            vars = std::max({vars, T.varLimit(l.lhs), T.varLimit(l.rhs)});
        // The closure clause itself is instantiated below, with every term.
        if (static_cast<int>(k) == closureClause)
            continue;
        std::vector<std::size_t> pick(static_cast<std::size_t>(vars), 0);
        std::vector<Term> map(static_cast<std::size_t>(vars));
        for (;;) {
            for (int v = 0; v < vars; ++v)
                nth(map, v) = universe[nth(pick, v)];
            std::vector<Literal> g;
            for (const Literal &l : c.literals) {
                g.push_back({T.rename(l.lhs, map), T.rename(l.rhs, map), l.positive});
                groundSubterms(T, g.back().lhs, terms);
                groundSubterms(T, g.back().rhs, terms);
            }
            literals += g.size();
            if (literals > kMaxInstanceLiterals)
                return false;
            ground.push_back(std::move(g));
            groundClause.push_back(static_cast<int>(k));
            groundMap.push_back(map);
            int v = 0;
            while (v < vars && ++nth(pick, v) == universe.size())
                nth(pick, v++) = 0;
            if (v == vars)
                break;
        }
    }
    sortUnique(terms);
    if (closureClause >= 0)
        for (Term t : terms) {
            std::vector<Literal> g;
            for (Term c : closure)
                g.push_back({t, c, true});
            ground.push_back(std::move(g));
            groundClause.push_back(closureClause);
            int vars = 0;
            for (const Literal &l : nth(clauses, closureClause).literals)
                vars = std::max({vars, T.varLimit(l.lhs), T.varLimit(l.rhs)});
            groundMap.emplace_back(static_cast<std::size_t>(vars), t);
        }
    instances = ground.size();
    if (terms.size() > 2 * kMaxTerms)
        return false;
    // Identity: one variable per pair of terms, with transitivity and the substitution of
    // identicals in functions and predicates.
    const std::size_t n = terms.size();
    std::vector<int> pair(n * n, 0);
    for (std::size_t i = 0; i < n; ++i)
        for (std::size_t j = i + 1; j < n; ++j)
            pair[i * n + j] = pair[j * n + i] = solver->addVariable();
    auto eq = [&](Term s, Term t) {
        const auto i = static_cast<std::size_t>(
            std::lower_bound(terms.begin(), terms.end(), s) - terms.begin());
        const auto j = static_cast<std::size_t>(
            std::lower_bound(terms.begin(), terms.end(), t) - terms.begin());
        return i == j ? 0 : pair[i * n + j];
    };
    for (std::size_t i = 0; i < n; ++i)
        for (std::size_t j = i + 1; j < n; ++j)
            for (std::size_t k = j + 1; k < n; ++k) {
                const int a = pair[i * n + j], b = pair[j * n + k], c = pair[i * n + k];
                solver->addClause({-a, -b, c});
                solver->addClause({-a, -c, b});
                solver->addClause({-b, -c, a});
            }
    auto congruent = [&](Term s, Term t) {
        std::vector<int> clause;
        const auto as = T.args(s), bs = T.args(t);
        for (std::size_t i = 0; i < as.size(); ++i)
            if (const int e = eq(as[i], bs[i]))
                clause.push_back(-e);
        return clause;
    };
    for (std::size_t i = 0; i < n; ++i)
        for (std::size_t j = i + 1; j < n; ++j)
            if (!T.args(terms[i]).empty() && T.head(terms[i]) == T.head(terms[j])) {
                std::vector<int> clause = congruent(terms[i], terms[j]);
                clause.push_back(pair[i * n + j]);
                solver->addClause(clause);
            }
    std::vector<std::vector<int>> clausesOut;
    for (const auto &g : ground) {
        std::vector<int> clause;
        bool satisfied = false;
        for (const Literal &l : g) {
            int v;
            if (l.rhs == T.truth()) {
                auto [it, fresh] = atomVar.emplace(l.lhs, 0);
                if (fresh)
                    it->second = solver->addVariable();
                v = it->second;
            } else {
                v = eq(l.lhs, l.rhs);
                if (v == 0) { // t = t, or t ≠ t
                    satisfied = satisfied || l.positive;
                    continue;
                }
            }
            clause.push_back(l.positive ? v : -v);
        }
        if (!satisfied)
            solver->addClause(clause);
    }
    std::vector<std::pair<Term, int>> atoms(atomVar.begin(), atomVar.end());
    for (std::size_t i = 0; i < atoms.size(); ++i)
        for (std::size_t j = i + 1; j < atoms.size(); ++j)
            if (T.head(atoms[i].first) == T.head(atoms[j].first)) {
                std::vector<int> clause = congruent(atoms[i].first, atoms[j].first);
                clause.push_back(-atoms[i].second);
                clause.push_back(atoms[j].second);
                solver->addClause(clause);
                clause[clause.size() - 2] = -atoms[j].second;
                clause.back() = atoms[i].second;
                solver->addClause(clause);
            }
    return true;
}

SaturationStatus GroundProver::run(const Budget &budget)
{
    State &S = *m_state;
    while (S.status == SaturationStatus::Unknown && !budget.expired()) {
        if (!S.solver && !S.build()) {
            S.solver.reset();
            return S.status = SaturationStatus::Saturated;
        }
        switch (S.solver->solve(kConflictLimitForGround, budget)) {
        case Solver::Result::Unsatisfiable: return S.status = SaturationStatus::Proved;
        case Solver::Result::Unknown: return S.status;
        case Solver::Result::Satisfiable: break;
        }
        // The instances have a model: deeper terms, unless a closure already fixes the elements.
        S.solver.reset();
        if (S.closureClause >= 0 || ++S.level > kMaxDepthLevels)
            return S.status = SaturationStatus::Saturated;
        std::vector<Term> next = S.universe;
        for (int f : S.functions) {
            const int arity = S.T.symbol(f).arity;
            std::vector<std::size_t> pick(static_cast<std::size_t>(arity), 0);
            for (;;) {
                std::vector<Term> args;
                for (std::size_t p : pick)
                    args.push_back(S.universe[p]);
                next.push_back(S.T.app(f, args));
                if (next.size() > kMaxTerms)
                    return S.status = SaturationStatus::Saturated;
                std::size_t v = 0;
                while (v < pick.size() && ++pick[v] == S.universe.size())
                    pick[v++] = 0;
                if (v == pick.size())
                    break;
            }
        }
        sortUnique(next);
        S.universe = next;
    }
    return S.status;
}

GroundRefutation GroundProver::refutation(bool conclusionIsFormula)
{
    State &S = *m_state;
    GroundRefutation g;
    g.clausalForm = S.source.clausalForm(conclusionIsFormula);
    ClauseWriter writer(S.L, S.T);
    for (Term t : S.universe)
        g.terms.push_back(writer.groundTerm(t));
    g.instances = S.instances;
    g.closure = S.closureClause >= 0;
    if (S.ground.size() <= kMaxListedInstances)
        for (std::size_t i = 0; i < S.ground.size(); ++i) {
            GroundInstance in;
            in.step = S.groundClause[i];
            for (Term t : S.groundMap[i])
                in.terms.push_back(writer.groundTerm(t));
            in.clause = writer.clause(S.ground[i]);
            g.used.push_back(std::move(in));
        }
    return g;
}

namespace {

// "Ejemplar 4, de la cláusula 2 con x := a, y := f(b): Pa ∨ ¬R(a, f(b))", one a line.
std::string instancesText(const Logic &L, const GroundRefutation &g)
{
    if (g.used.empty())
        return g.instances ? "Los ejemplares son demasiados para enumerarlos aquí.\n" : "";
    std::string out = "Los ejemplares:\n";
    for (std::size_t i = 0; i < g.used.size(); ++i) {
        const GroundInstance &in = g.used[i];
        out += std::to_string(i + 1) + ". De la cláusula " + std::to_string(in.step + 1);
        int f = nth(g.clausalForm.steps, in.step).clause;
        for (std::size_t v = 0; L.node(f).kind == Fk::Forall; ++v, f = L.node(f).b)
            out += std::string(v ? ", " : " con ") + L.variableName(L.node(f).a)
                + " := " + (v < in.terms.size() ? L.termText(in.terms[v]) : "?");
        out += ": " + L.text(in.clause) + "\n";
    }
    return out;
}

} // namespace

std::string groundText(const Logic &L, const GroundRefutation &g)
{
    std::string terms;
    for (std::size_t i = 0; i < g.terms.size(); ++i)
        terms += (i ? ", " : "") + L.termText(g.terms[i]);
    return "Refutación por ejemplares: "
        + std::string(g.closure ? "una de las cláusulas dice que todo es uno de " + terms
                                : "con " + terms + " en lugar de las variables")
        + ", los " + std::to_string(g.instances)
        + " ejemplares de estas cláusulas no pueden ser verdaderos a la vez (lo ha comprobado el "
          "resolvedor SAT con las leyes de la identidad):\n"
        + proofText(L, g.clausalForm) + instancesText(L, g);
}

} // namespace logic
