#include "ClauseProof.h"

#include "Terms.h"

namespace logic {
namespace {

// "∀x∀y(¬Fx ∨ Gxy)": the literals joined as a textbook writes a clause, each by the store.
std::string clauseText(const Logic &L, int clause)
{
    std::string prefix;
    int f = clause;
    while (L.node(f).kind == Fk::Forall) {
        prefix += "∀" + L.variableName(L.node(f).a);
        f = L.node(f).b;
    }
    std::vector<int> literals;
    std::vector<int> stack{f};
    while (!stack.empty()) {
        const int g = stack.back();
        stack.pop_back();
        if (L.node(g).kind == Fk::Or) {
            stack.push_back(L.node(g).b);
            stack.push_back(L.node(g).a);
        } else {
            literals.push_back(g);
        }
    }
    if (literals.size() == 1)
        return L.text(clause);
    std::string body;
    for (std::size_t i = 0; i < literals.size(); ++i)
        body += (i ? " ∨ " : "") + L.text(literals[i]);
    return prefix.empty() ? body : prefix + "(" + body + ")";
}

std::string origin(const ClauseProof &p, int premise)
{
    if (premise >= 0)
        return "la premisa " + std::to_string(premise + 1);
    return p.conclusionIsFormula ? "la negación de la fórmula" : "la negación de la conclusión";
}

} // namespace

const char *proofRuleName(ProofRule rule)
{
    switch (rule) {
    case ProofRule::Resolution: return "resolución";
    case ProofRule::Factoring: return "factorización";
    case ProofRule::Superposition: return "superposición";
    case ProofRule::EqualityResolution: return "resolución de la igualdad";
    case ProofRule::EqualityFactoring: return "factorización de la igualdad";
    case ProofRule::Rewriting: return "reescritura";
    default: break;
    }
    return "";
}

std::string proofText(const Logic &L, const ClauseProof &p)
{
    std::string out;
    for (std::size_t i = 0; i < p.steps.size(); ++i) {
        const ClauseStep &s = p.steps[i];
        out += std::to_string(i + 1) + ". ";
        switch (s.rule) {
        case ProofRule::Premise: out += "Premisa " + std::to_string(s.source + 1); break;
        case ProofRule::Negation:
            out += p.conclusionIsFormula ? "Negación de la fórmula" : "Negación de la conclusión";
            break;
        case ProofRule::Definition:
            out += "Definición de "
                + L.predicateSymbol(saturation::nth(p.definitions, s.source).predicate).name;
            break;
        default: {
            out += "De " + std::to_string(s.from[0] + 1);
            if (s.from.size() > 1 && s.from[1] != s.from[0])
                out += " y " + std::to_string(s.from[1] + 1);
            out += std::string(" por ") + proofRuleName(s.rule);
        }
        }
        out += ": " + clauseText(L, s.clause) + "\n";
    }
    if (!p.witnesses.empty() || !p.definitions.empty())
        out += "Símbolos nuevos de la forma clausal:\n";
    for (const ProofWitness &w : p.witnesses) {
        const Symbol &f = L.functionSymbol(w.function);
        const std::string what = origin(p, w.origin);
        out += "  " + f.name + (f.arity ? "(…)" : "") + ": el " + L.variableName(w.variable)
            + " de ∃" + L.variableName(w.variable) + " en " + what
            + (f.arity ? ", según los valores de sus argumentos" : "") + "\n";
    }
    for (const ProofDefinition &d : p.definitions)
        out += "  " + L.predicateSymbol(d.predicate).name + ", definido en " + origin(p, d.origin)
            + ": " + L.text(d.formula) + "\n";
    return out;
}

} // namespace logic
