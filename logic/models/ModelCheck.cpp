#include "Models.h"

namespace logic {
namespace {

// ---- the plain evaluator ----------------------------------------------------------------------

class Checker
{
public:
    Checker(const Logic &logic, const Structure &model)
        : L(logic), M(model), m_env(logic.variableCount(), -1)
    {}

    bool holds(int f, int w)
    {
        const FormulaNode &n = L.node(f);
        switch (n.kind) {
        case Fk::Atom: {
            const auto it = M.predicates.find(n.a);
            if (it == M.predicates.end())
                return false;
            std::size_t index = 0;
            for (int a : L.atomArgs(f)) {
                const int v = value(a);
                if (v < 0)
                    return false; // a function the model lacks: as if the atom were
                index = index * static_cast<std::size_t>(M.domain) + static_cast<std::size_t>(v);
            }
            const std::size_t base
                = static_cast<std::size_t>(w) * tupleCount(M.domain, L.predicateSymbol(n.a).arity);
            return it->second.at(base + index) != 0;
        }
        case Fk::Equal: {
            const int a = value(n.a), b = value(n.b);
            return a >= 0 && a == b;
        }
        case Fk::Top: return true;
        case Fk::Bottom: return false;
        case Fk::Not: return !holds(n.a, w);
        case Fk::And: return holds(n.a, w) && holds(n.b, w);
        case Fk::Or: return holds(n.a, w) || holds(n.b, w);
        case Fk::Implies: return !holds(n.a, w) || holds(n.b, w);
        case Fk::Iff: return holds(n.a, w) == holds(n.b, w);
        case Fk::Forall:
        case Fk::Exists: {
            const bool all = n.kind == Fk::Forall;
            int &slot = m_env[static_cast<std::size_t>(n.a)];
            const int saved = slot;
            bool result = all;
            for (int d = 0; d < M.domain && result == all; ++d) {
                slot = d;
                result = holds(n.b, w);
            }
            slot = saved;
            return result;
        }
        case Fk::Box:
        case Fk::Diamond: {
            const bool all = n.kind == Fk::Box;
            for (int v = 0; v < M.worlds; ++v)
                if (M.access.at(static_cast<std::size_t>(w)).at(static_cast<std::size_t>(v))
                    && holds(n.a, v) != all)
                    return !all;
            return all;
        }
        }
        return false;
    }

private:
    int value(int t)
    {
        const TermNode &n = L.term(t);
        if (n.kind == Tk::Var)
            return m_env.at(static_cast<std::size_t>(n.sym));
        const auto it = M.functions.find(n.sym);
        if (n.kind != Tk::App || it == M.functions.end())
            return -1;
        std::size_t index = 0;
        for (int a : L.args(t)) {
            const int v = value(a);
            if (v < 0)
                return -1;
            index = index * static_cast<std::size_t>(M.domain) + static_cast<std::size_t>(v);
        }
        return it->second.at(index);
    }

    const Logic &L;
    const Structure &M;
    std::vector<int> m_env;
};

} // namespace

bool holdsIn(const Logic &logic, const Structure &model, int formula)
{
    Checker checker(logic, model);
    return checker.holds(formula, 0);
}

bool frameFits(const Structure &model, ModalSystem system)
{
    const int m = model.worlds;
    auto r = [&](int u, int v) {
        return model.access[static_cast<std::size_t>(u)][static_cast<std::size_t>(v)] != 0;
    };
    for (int u = 0; u < m; ++u) {
        if (isReflexive(system) && !r(u, u))
            return false;
        bool successor = false;
        for (int v = 0; v < m; ++v) {
            successor = successor || r(u, v);
            if (isSymmetric(system) && r(u, v) && !r(v, u))
                return false;
            for (int z = 0; z < m && isTransitive(system); ++z)
                if (r(u, v) && r(v, z) && !r(u, z))
                    return false;
        }
        if (isSerial(system) && !successor)
            return false;
    }
    return true;
}

} // namespace logic
