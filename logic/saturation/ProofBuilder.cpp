// The refutation read back from the clauses' rules and parents, with each rewrite replayed as a
// step of its own, and every clause written as a formula of the problem's store.
#include "SaturationProver.h"
#include "Writer.h"

#include <algorithm>
#include <set>

namespace logic {

using namespace saturation;

namespace {

ProofRule ruleOf(ClauseRule r)
{
    switch (r) {
    case ClauseRule::Resolution: return ProofRule::Resolution;
    case ClauseRule::Factoring: return ProofRule::Factoring;
    case ClauseRule::Superposition: return ProofRule::Superposition;
    case ClauseRule::EqualityResolution: return ProofRule::EqualityResolution;
    case ClauseRule::EqualityFactoring: return ProofRule::EqualityFactoring;
    case ClauseRule::Rewriting: return ProofRule::Rewriting;
    case ClauseRule::Input: break;
    }
    return ProofRule::Premise;
}

} // namespace

// Writes clauses of the search as steps: input clauses with where they come from, and the notes on
// the Skolem functions and definitions that the steps use.
struct SaturationProver::Assembler
{
    SaturationProver &P;
    ClauseProof out;
    ClauseWriter writer;
    std::vector<int> definitionIndex;
    std::set<int> witnesses;

    Assembler(SaturationProver &prover, bool conclusionIsFormula)
        : P(prover), writer(prover.L, *prover.m_terms), definitionIndex(prover.m_inputs.size(), -1)
    {
        out.conclusionIsFormula = conclusionIsFormula;
    }

    // Where a formula of the clausal form comes from, as the reader knows it: a premise or the
    // negated conclusion (a definition made inside a definition goes back to its premise).
    int rootOf(int input) const
    {
        while (nth(P.m_inputs, input).role == InputRole::Definition)
            input = nth(P.m_inputs, input).origin;
        const InputFormula &f = nth(P.m_inputs, input);
        return f.role == InputRole::Premise ? f.number : -1;
    }

    int definition(int input)
    {
        int &d = nth(definitionIndex, input);
        if (d < 0) {
            const InputFormula &f = nth(P.m_inputs, input);
            d = sizeOf(out.definitions);
            out.definitions.push_back({f.predicate, f.formula, rootOf(f.origin)});
        }
        return d;
    }

    void note(Term t)
    {
        const TermBank &T = *P.m_terms;
        if (T.isVar(t))
            return;
        const SymbolInfo &s = T.symbol(T.head(t));
        if (s.kind == SymbolKind::Skolem && s.variable >= 0 && witnesses.insert(T.head(t)).second)
            out.witnesses.push_back({s.logicSymbol, s.variable, rootOf(s.origin)});
        if (s.kind == SymbolKind::Definition)
            definition(s.origin);
        for (Term a : T.args(t))
            note(a);
    }

    int add(ClauseStep s, const std::vector<Literal> &literals)
    {
        for (const Literal &l : literals)
            note(l.lhs), note(l.rhs);
        s.clause = writer.clause(literals);
        out.steps.push_back(std::move(s));
        return sizeOf(out.steps) - 1;
    }

    int input(const std::vector<Literal> &literals, int formula)
    {
        const InputFormula &f = nth(P.m_inputs, formula);
        ClauseStep s;
        s.rule = f.role == InputRole::Premise ? ProofRule::Premise
            : f.role == InputRole::Negation   ? ProofRule::Negation
                                              : ProofRule::Definition;
        s.source = f.role == InputRole::Premise ? f.number
            : f.role == InputRole::Definition   ? definition(formula)
                                                : -1;
        return add(s, literals);
    }
};

ClauseProof SaturationProver::clausalForm(bool conclusionIsFormula)
{
    Assembler a(*this, conclusionIsFormula);
    for (const InputClause &c : m_inputClauses)
        a.input(c.literals, c.formula);
    return a.out;
}

ClauseProof SaturationProver::proof(bool conclusionIsFormula)
{
    Assembler a(*this, conclusionIsFormula);
    if (m_empty < 0)
        return a.out;
    TermBank &T = *m_terms;
    std::vector<char> seen(m_clauses.size(), 0);
    std::vector<int> stack{m_empty}, ids;
    while (!stack.empty()) {
        const int id = stack.back();
        stack.pop_back();
        if (nth(seen, id))
            continue;
        nth(seen, id) = 1;
        ids.push_back(id);
        for (int p : clause(id).parents)
            stack.push_back(p);
    }
    std::sort(ids.begin(), ids.end());
    std::vector<int> stepOf(m_clauses.size(), -1);
    for (int id : ids) {
        const Clause &c = clause(id);
        if (c.rule == ClauseRule::Input) {
            nth(stepOf, id) = a.input(c.literals, c.input);
            continue;
        }
        if (c.rule == ClauseRule::Rewriting) {
            // One step per rewrite, replayed exactly as the search made it.
            std::vector<Literal> literals = clause(c.parents[0]).literals;
            int previous = nth(stepOf, c.parents[0]);
            for (const Rewrite &rw : c.rewrites) {
                const Literal &eq = clause(rw.equation).literals[0];
                const Term l = rw.reversed ? eq.rhs : eq.lhs, r = rw.reversed ? eq.lhs : eq.rhs;
                const Literal &at = nth(literals, rw.literal);
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
                ClauseStep r1;
                r1.rule = ProofRule::Rewriting;
                r1.from = {previous, nth(stepOf, rw.equation)};
                previous = a.add(r1, literals);
            }
            nth(stepOf, id) = previous;
            continue;
        }
        ClauseStep s;
        s.rule = ruleOf(c.rule);
        for (int p : c.parents)
            s.from.push_back(nth(stepOf, p));
        nth(stepOf, id) = a.add(s, c.literals);
    }
    return a.out;
}

} // namespace logic
