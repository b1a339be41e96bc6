#include "Models.h"

#include "propositional/Sat.h"

#include <algorithm>
#include <functional>
#include <map>
#include <set>

namespace logic {
namespace {

void collectTerm(const Logic &logic, int t, Signature &sig)
{
    const TermNode &n = logic.term(t);
    if (n.kind != Tk::App)
        return;
    sig.functions.insert(n.sym);
    for (int a : logic.args(t))
        collectTerm(logic, a, sig);
}

void collect(const Logic &logic, int f, Signature &sig, std::set<int> &seen)
{
    if (!seen.insert(f).second)
        return;
    const FormulaNode &n = logic.node(f);
    switch (n.kind) {
    case Fk::Atom:
        sig.predicates.insert(n.a);
        for (int a : logic.atomArgs(f))
            collectTerm(logic, a, sig);
        break;
    case Fk::Equal: collectTerm(logic, n.a, sig), collectTerm(logic, n.b, sig); break;
    case Fk::Top:
    case Fk::Bottom: break;
    case Fk::Not:
    case Fk::Box:
    case Fk::Diamond: collect(logic, n.a, sig, seen); break;
    case Fk::And:
    case Fk::Or:
    case Fk::Implies:
    case Fk::Iff: collect(logic, n.a, sig, seen), collect(logic, n.b, sig, seen); break;
    case Fk::Forall:
    case Fk::Exists: collect(logic, n.b, sig, seen); break;
    }
}

// ---- the encoding -------------------------------------------------------------------------

// Enough for the small models a countermodel needs; bigger encodings are not tried.
constexpr std::size_t kMaxClauses = 4'000'000;
constexpr std::int64_t kModelConflicts = 200'000;

struct TooBig
{
};

class Encoder
{
public:
    Encoder(const Logic &logic, ModalSystem system, int domain, int worlds, bool modal,
        const Signature &sig, const Budget &budget)
        : L(logic), m_system(system), n(domain), m(worlds), m_sig(sig), m_budget(budget),
          m_env(logic.variableCount(), -1)
    {
        m_true = m_solver.addVariable();
        clause({m_true});
        for (int p : sig.predicates) {
            m_predicateBase[p] = m_solver.addVariable();
            const std::size_t count
                = tupleCount(n, L.predicateSymbol(p).arity) * static_cast<std::size_t>(m);
            guard(count);
            for (std::size_t i = 1; i < count; ++i)
                m_solver.addVariable();
        }
        int constantIndex = 0;
        for (int f : sig.functions) {
            const std::size_t tuples = tupleCount(n, L.functionSymbol(f).arity);
            guard(tuples * static_cast<std::size_t>(n));
            m_functionBase[f] = m_solver.addVariable();
            for (std::size_t i = 1; i < tuples * static_cast<std::size_t>(n); ++i)
                m_solver.addVariable();
            for (std::size_t t = 0; t < tuples; ++t) {
                std::vector<int> some;
                for (int e = 0; e < n; ++e)
                    some.push_back(functionVar(f, t, e));
                clause(some);
                for (int a = 0; a < n; ++a)
                    for (int b = a + 1; b < n; ++b)
                        clause({-functionVar(f, t, a), -functionVar(f, t, b)});
            }
            // Elements are interchangeable: the i-th constant can be taken among the first i + 1.
            if (L.functionSymbol(f).arity == 0) {
                for (int e = constantIndex + 1; e < n; ++e)
                    clause({-functionVar(f, 0, e)});
                ++constantIndex;
            }
        }
        if (modal)
            frame();
    }

    // Adds "f is true at world 0"; false when the encoding grew too big.
    void require(int f) { clause({encode(f, 0)}); }

    ModelSearch solve()
    {
        ModelSearch s;
        switch (m_solver.solve(kModelConflicts, m_budget)) {
        case Solver::Result::Unsatisfiable: s.status = ModelStatus::None; break;
        case Solver::Result::Unknown: s.status = ModelStatus::Unknown; break;
        case Solver::Result::Satisfiable: s.status = ModelStatus::Found, s.model = decode(); break;
        }
        return s;
    }

private:
    void guard(std::size_t more)
    {
        m_size += more;
        if (m_size > kMaxClauses)
            throw TooBig{};
        if ((++m_checks & 63) == 0 && m_budget.expired())
            throw TooBig{};
    }

    void clause(std::vector<int> lits)
    {
        guard(lits.size());
        m_solver.addClause(std::move(lits));
    }

    int fresh()
    {
        guard(1);
        return m_solver.addVariable();
    }

    int predicateVar(int p, std::size_t index, int w) const
    {
        return m_predicateBase.at(p)
            + static_cast<int>(
                static_cast<std::size_t>(w) * tupleCount(n, L.predicateSymbol(p).arity) + index);
    }
    int functionVar(int f, std::size_t tuple, int e) const
    {
        return m_functionBase.at(f)
            + static_cast<int>(tuple * static_cast<std::size_t>(n) + static_cast<std::size_t>(e));
    }
    int access(int u, int v)
    {
        if (m_system == ModalSystem::S5) // a universal relation is an S5 frame, and enough
            return m_true;
        if (m_accessBase == 0) {
            m_accessBase = m_solver.addVariable();
            for (int i = 1; i < m * m; ++i)
                m_solver.addVariable();
        }
        return m_accessBase + u * m + v;
    }

    void frame()
    {
        if (m_system == ModalSystem::S5)
            return;
        for (int u = 0; u < m; ++u) {
            if (isReflexive(m_system))
                clause({access(u, u)});
            if (isSerial(m_system)) {
                std::vector<int> some;
                for (int v = 0; v < m; ++v)
                    some.push_back(access(u, v));
                clause(some);
            }
            for (int v = 0; v < m; ++v) {
                if (isSymmetric(m_system))
                    clause({-access(u, v), access(v, u)});
                if (isTransitive(m_system))
                    for (int z = 0; z < m; ++z)
                        clause({-access(u, v), -access(v, z), access(u, z)});
            }
        }
        (void)access(0, 0); // allocate the relation even when nothing else asks for it
    }

    int conj(std::vector<int> lits)
    {
        std::vector<int> kept;
        for (int l : lits) {
            if (l == -m_true)
                return -m_true;
            if (l != m_true)
                kept.push_back(l);
        }
        if (kept.empty())
            return m_true;
        if (kept.size() == 1)
            return kept[0];
        const int x = fresh();
        std::vector<int> back{x};
        for (int l : kept) {
            clause({-x, l});
            back.push_back(-l);
        }
        clause(back);
        return x;
    }

    int disj(std::vector<int> lits)
    {
        for (int &l : lits)
            l = -l;
        return -conj(std::move(lits));
    }

    int iff(int a, int b)
    {
        if (a == m_true || a == -m_true)
            return a == m_true ? b : -b;
        if (b == m_true || b == -m_true)
            return b == m_true ? a : -a;
        const int x = fresh();
        clause({-x, -a, b});
        clause({-x, a, -b});
        clause({x, a, b});
        clause({x, -a, -b});
        return x;
    }

    // A term's value: one element, or one literal per element of which exactly one holds.
    struct Value
    {
        int element = -1;
        std::vector<int> is;
        int equals(int e, int t) const
        {
            return element >= 0 ? (element == e ? t : -t) : is[static_cast<std::size_t>(e)];
        }
    };

    std::string key(int id, std::uint64_t vars, int w) const
    {
        std::string k = std::to_string(id) + ':' + std::to_string(w);
        for (int v = 0; v < static_cast<int>(m_env.size()); ++v)
            if (vars & (std::uint64_t{1} << (v < 63 ? v : 63)))
                k += ',' + std::to_string(m_env[static_cast<std::size_t>(v)]);
        return k;
    }

    Value term(int t)
    {
        const TermNode &node = L.term(t);
        Value v;
        if (node.kind == Tk::Var) {
            v.element = m_env.at(static_cast<std::size_t>(node.sym));
            return v;
        }
        const std::string k = key(t, node.vars, 0);
        if (auto it = m_terms.find(k); it != m_terms.end())
            return it->second;
        std::vector<Value> args;
        for (int a : L.args(t))
            args.push_back(term(a));
        v.is = tupleLiterals(
            args, [&](std::size_t tuple, int e) { return functionVar(node.sym, tuple, e); }, n);
        m_terms.emplace(k, v);
        return v;
    }

    // For each result e: OR over argument tuples of (args take the tuple AND table(tuple, e)).
    template <class Table>
    std::vector<int> tupleLiterals(const std::vector<Value> &args, Table table, int results)
    {
        std::vector<int> out;
        bool concrete = true;
        std::size_t index = 0;
        for (const Value &a : args) {
            concrete = concrete && a.element >= 0;
            index = index * static_cast<std::size_t>(n)
                + static_cast<std::size_t>(std::max(a.element, 0));
        }
        for (int e = 0; e < results; ++e) {
            if (concrete) {
                out.push_back(table(index, e));
                continue;
            }
            std::vector<int> cases;
            const std::size_t tuples = tupleCount(n, static_cast<int>(args.size()));
            guard(tuples);
            for (std::size_t tuple = 0; tuple < tuples; ++tuple) {
                std::vector<int> parts;
                std::size_t rest = tuple;
                for (std::size_t i = args.size(); i-- > 0;) {
                    parts.push_back(args[i].equals(
                        static_cast<int>(rest % static_cast<std::size_t>(n)), m_true));
                    rest /= static_cast<std::size_t>(n);
                }
                parts.push_back(table(tuple, e));
                cases.push_back(conj(parts));
            }
            out.push_back(disj(cases));
        }
        return out;
    }

    int encode(int f, int w)
    {
        // Quantifiers nested k deep visit n^k instances, and those that fold into constants add
        // no clause to count: the limits are looked at here too.
        guard(0);
        const FormulaNode &node = L.node(f);
        const std::string k = key(f, node.vars, w);
        if (auto it = m_formulas.find(k); it != m_formulas.end())
            return it->second;
        int r = m_true;
        switch (node.kind) {
        case Fk::Atom: {
            std::vector<Value> args;
            for (int a : L.atomArgs(f))
                args.push_back(term(a));
            r = tupleLiterals(
                args, [&](std::size_t tuple, int) { return predicateVar(node.a, tuple, w); }, 1)[0];
            break;
        }
        case Fk::Equal: {
            const Value a = term(node.a), b = term(node.b);
            std::vector<int> same;
            for (int e = 0; e < n; ++e)
                same.push_back(conj({a.equals(e, m_true), b.equals(e, m_true)}));
            r = disj(same);
            break;
        }
        case Fk::Top: r = m_true; break;
        case Fk::Bottom: r = -m_true; break;
        case Fk::Not: r = -encode(node.a, w); break;
        case Fk::And: r = conj({encode(node.a, w), encode(node.b, w)}); break;
        case Fk::Or: r = disj({encode(node.a, w), encode(node.b, w)}); break;
        case Fk::Implies: r = disj({-encode(node.a, w), encode(node.b, w)}); break;
        case Fk::Iff: r = iff(encode(node.a, w), encode(node.b, w)); break;
        case Fk::Forall:
        case Fk::Exists: {
            int &slot = m_env[static_cast<std::size_t>(node.a)];
            const int saved = slot;
            std::vector<int> parts;
            for (int d = 0; d < n; ++d) {
                slot = d;
                parts.push_back(encode(node.b, w));
            }
            slot = saved;
            r = node.kind == Fk::Forall ? conj(parts) : disj(parts);
            break;
        }
        case Fk::Box:
        case Fk::Diamond: {
            std::vector<int> parts;
            for (int v = 0; v < m; ++v) {
                const int sub = encode(node.a, v);
                parts.push_back(
                    node.kind == Fk::Box ? disj({-access(w, v), sub}) : conj({access(w, v), sub}));
            }
            r = node.kind == Fk::Box ? conj(parts) : disj(parts);
            break;
        }
        }
        m_formulas.emplace(k, r);
        return r;
    }

    Structure decode()
    {
        Structure s;
        s.domain = n;
        s.worlds = m;
        s.access.assign(
            static_cast<std::size_t>(m), std::vector<char>(static_cast<std::size_t>(m), 0));
        for (int u = 0; u < m; ++u)
            for (int v = 0; v < m; ++v) {
                bool r = m_system == ModalSystem::S5;
                if (!r && m_accessBase != 0)
                    r = m_solver.modelValue(access(u, v));
                s.access[static_cast<std::size_t>(u)][static_cast<std::size_t>(v)] = r;
            }
        for (int p : m_sig.predicates) {
            const std::size_t count = tupleCount(n, L.predicateSymbol(p).arity);
            std::vector<char> &table = s.predicates[p];
            for (int w = 0; w < m; ++w)
                for (std::size_t i = 0; i < count; ++i)
                    table.push_back(m_solver.modelValue(predicateVar(p, i, w)) ? 1 : 0);
        }
        for (int f : m_sig.functions) {
            std::vector<int> &table = s.functions[f];
            for (std::size_t t = 0; t < tupleCount(n, L.functionSymbol(f).arity); ++t)
                for (int e = 0; e < n; ++e)
                    if (m_solver.modelValue(functionVar(f, t, e))) {
                        table.push_back(e);
                        break;
                    }
        }
        return s;
    }

    const Logic &L;
    ModalSystem m_system;
    int n, m;
    const Signature &m_sig;
    const Budget &m_budget;
    Solver m_solver;
    int m_true = 0;
    int m_accessBase = 0;
    std::size_t m_size = 0;
    std::size_t m_checks = 0;
    std::vector<int> m_env;
    std::map<int, int> m_predicateBase, m_functionBase;
    std::unordered_map<std::string, int> m_formulas;
    std::unordered_map<std::string, Value> m_terms;
};

} // namespace

Signature signatureOf(const Logic &logic, const std::vector<int> &formulas)
{
    Signature sig;
    std::set<int> seen;
    for (int f : formulas)
        collect(logic, f, sig, seen);
    return sig;
}

ModelSearch findModel(const Logic &logic, const std::vector<int> &formulas, ModalSystem system,
    int domain, int worlds, const Budget &budget)
{
    const Signature sig = signatureOf(logic, formulas);
    try {
        bool modal = false;
        for (int f : formulas)
            modal = modal || logic.hasModal(f);
        Encoder encoder(logic, system, domain, worlds, modal, sig, budget);
        for (int f : formulas)
            encoder.require(f);
        ModelSearch s = encoder.solve();
        // A model is only as good as its check by the plain evaluator and the frame conditions.
        if (s.status == ModelStatus::Found) {
            bool ok = !modal || frameFits(s.model, system);
            for (int f : formulas)
                ok = ok && holdsIn(logic, s.model, f);
            if (!ok)
                s.status = ModelStatus::Unknown;
        }
        return s;
    } catch (const TooBig &) {
        return {};
    }
}

} // namespace logic
