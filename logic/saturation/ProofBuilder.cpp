// The refutation read back from the clauses' rules and parents, with each rewrite replayed as a
// step of its own, and every clause written as a formula of the problem's store.
#include "Prover.h"

#include <algorithm>
#include <set>

namespace logic {

using namespace saturation;

struct SaturationProver::ProofWriter
{
    Logic &L;
    const TermBank &T;
    std::set<std::string> taken; // function names: a variable must not look like one
    std::vector<int> names;      // clause variable → Logic variable
    int used = 0;

    ProofWriter(Logic &logic, const TermBank &terms) : L(logic), T(terms)
    {
        for (int i = 0; i < L.functionCount(); ++i)
            taken.insert(L.functionSymbol(i).name);
    }

    int variable(int v)
    {
        if (static_cast<std::size_t>(v) >= names.size())
            names.resize(static_cast<std::size_t>(v) + 1, -1);
        int &n = names[static_cast<std::size_t>(v)];
        static const char *const kNames[] = {"x", "y", "z", "u", "v", "w"};
        while (n < 0) {
            const int k = used++;
            std::string name = kNames[k % 6];
            if (k >= 6)
                name += std::to_string(k / 6);
            if (!taken.count(name))
                n = L.variable(name);
        }
        return n;
    }

    int term(Term t)
    {
        if (T.isVar(t))
            return L.var(variable(T.varIndex(t)));
        std::vector<int> args;
        for (Term a : T.args(t))
            args.push_back(term(a));
        return L.app(T.symbol(T.head(t)).logicSymbol, args);
    }

    int literal(const Literal &l)
    {
        int f;
        if (l.rhs == T.truth()) {
            std::vector<int> args;
            for (Term a : T.args(l.lhs))
                args.push_back(term(a));
            f = L.atom(T.symbol(T.head(l.lhs)).logicSymbol, args);
        } else {
            const int s = term(l.lhs);
            f = L.equal(s, term(l.rhs));
        }
        return l.positive ? f : L.negation(f);
    }

    int clause(const std::vector<Literal> &literals)
    {
        names.clear();
        used = 0;
        if (literals.empty())
            return L.bottom();
        std::vector<int> parts;
        std::vector<int> order; // variables in order of first occurrence
        for (const Literal &l : literals) {
            parts.push_back(literal(l));
        }
        for (int v = 0; v < static_cast<int>(names.size()); ++v)
            if (names[static_cast<std::size_t>(v)] >= 0)
                order.push_back(names[static_cast<std::size_t>(v)]);
        int f = parts.back();
        for (std::size_t i = parts.size() - 1; i-- > 0;)
            f = L.binary(Fk::Or, parts[i], f);
        // Quantifiers in the order the names were given: x before y.
        std::sort(order.begin(), order.end(), [&](int a, int b) {
            return std::find(names.begin(), names.end(), a) - names.begin()
                < std::find(names.begin(), names.end(), b) - names.begin();
        });
        for (auto it = order.rbegin(); it != order.rend(); ++it)
            f = L.quantified(Fk::Forall, *it, f);
        return f;
    }
};

namespace {

ProofRule ruleOf(Rule r)
{
    switch (r) {
    case Rule::Resolution: return ProofRule::Resolution;
    case Rule::Factoring: return ProofRule::Factoring;
    case Rule::Superposition: return ProofRule::Superposition;
    case Rule::EqualityResolution: return ProofRule::EqualityResolution;
    case Rule::EqualityFactoring: return ProofRule::EqualityFactoring;
    case Rule::Rewriting: return ProofRule::Rewriting;
    case Rule::Input: break;
    }
    return ProofRule::Premise;
}

} // namespace

ClauseProof SaturationProver::proof(bool conclusionIsFormula)
{
    ClauseProof out;
    out.conclusionIsFormula = conclusionIsFormula;
    if (m_empty < 0)
        return out;
    TermBank &T = *m_terms;
    std::vector<char> seen(m_clauses.size(), 0);
    std::vector<int> stack{m_empty}, ids;
    while (!stack.empty()) {
        const int id = stack.back();
        stack.pop_back();
        if (seen[static_cast<std::size_t>(id)])
            continue;
        seen[static_cast<std::size_t>(id)] = 1;
        ids.push_back(id);
        for (int p : m_clauses[static_cast<std::size_t>(id)].parents)
            stack.push_back(p);
    }
    std::sort(ids.begin(), ids.end());

    // Where a formula of the clausal form comes from, as the reader knows it: a premise or the
    // negated conclusion (a definition made inside a definition goes back to its premise).
    auto rootOf = [&](int input) {
        while (m_inputs[static_cast<std::size_t>(input)].role == InputRole::Definition)
            input = m_inputs[static_cast<std::size_t>(input)].origin;
        const InputFormula &f = m_inputs[static_cast<std::size_t>(input)];
        return f.role == InputRole::Premise ? f.number : -1;
    };
    std::vector<int> definitionIndex(m_inputs.size(), -1);
    auto definition = [&](int input) {
        int &d = definitionIndex[static_cast<std::size_t>(input)];
        if (d < 0) {
            const InputFormula &f = m_inputs[static_cast<std::size_t>(input)];
            d = static_cast<int>(out.definitions.size());
            out.definitions.push_back({f.predicate, f.formula, rootOf(f.origin)});
        }
        return d;
    };
    std::set<int> witnesses;
    auto note = [&](auto &self, Term t) -> void {
        if (T.isVar(t))
            return;
        const SymbolInfo &s = T.symbol(T.head(t));
        if (s.kind == SymbolKind::Skolem && witnesses.insert(T.head(t)).second)
            out.witnesses.push_back({s.logicSymbol, s.variable, rootOf(s.origin)});
        if (s.kind == SymbolKind::Definition)
            definition(s.origin);
        for (Term a : T.args(t))
            self(self, a);
    };

    ProofWriter writer(L, T);
    std::vector<int> stepOf(m_clauses.size(), -1);
    auto add = [&](ProofStep s, const std::vector<Literal> &literals) {
        for (const Literal &l : literals)
            note(note, l.lhs), note(note, l.rhs);
        s.clause = writer.clause(literals);
        out.steps.push_back(std::move(s));
        return static_cast<int>(out.steps.size()) - 1;
    };
    for (int id : ids) {
        const Clause &c = m_clauses[static_cast<std::size_t>(id)];
        ProofStep s;
        if (c.rule == Rule::Input) {
            const InputFormula &f = m_inputs[static_cast<std::size_t>(c.input)];
            s.rule = f.role == InputRole::Premise ? ProofRule::Premise
                : f.role == InputRole::Negation   ? ProofRule::Negation
                                                  : ProofRule::Definition;
            s.source = f.role == InputRole::Premise ? f.number
                : f.role == InputRole::Definition   ? definition(c.input)
                                                    : -1;
            stepOf[static_cast<std::size_t>(id)] = add(s, c.literals);
            continue;
        }
        if (c.rule == Rule::Rewriting) {
            // One step per rewrite, replayed exactly as the search made it.
            std::vector<Literal> literals
                = m_clauses[static_cast<std::size_t>(c.parents[0])].literals;
            int previous = stepOf[static_cast<std::size_t>(c.parents[0])];
            for (const Rewrite &rw : c.rewrites) {
                const Literal &eq = m_clauses[static_cast<std::size_t>(rw.equation)].literals[0];
                const Term l = rw.reversed ? eq.rhs : eq.lhs, r = rw.reversed ? eq.lhs : eq.rhs;
                const Literal &at = literals[static_cast<std::size_t>(rw.literal)];
                const Term t = T.subtermAt(rw.side ? at.rhs : at.lhs, rw.path);
                const std::size_t mark = m_sigma->mark();
                m_sigma->match(l, 0, t, 1);
                Substitution::Fresh keep;
                for (int v = 0; v < T.varLimit(t); ++v)
                    keep.map[1].push_back(v);
                keep.next = T.varLimit(t);
                const Term result = m_sigma->instantiate(r, 0, keep);
                m_sigma->undo(mark);
                applyRewrite(T, literals, rw, result);
                ProofStep r1;
                r1.rule = ProofRule::Rewriting;
                r1.from = {previous, stepOf[static_cast<std::size_t>(rw.equation)]};
                previous = add(r1, literals);
            }
            stepOf[static_cast<std::size_t>(id)] = previous;
            continue;
        }
        s.rule = ruleOf(c.rule);
        for (int p : c.parents)
            s.from.push_back(stepOf[static_cast<std::size_t>(p)]);
        stepOf[static_cast<std::size_t>(id)] = add(s, c.literals);
    }
    return out;
}

} // namespace logic
