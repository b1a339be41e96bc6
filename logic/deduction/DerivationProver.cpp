#include "DerivationProver.h"

#include "Checker.h"
#include "Derivation.h"
#include "DerivationSearch.h"
#include "syntax/Text.h"

#include <algorithm>
#include <chrono>

namespace logic {
namespace {

int modalDepth(const Logic &logic, int f)
{
    // Iterative: propositional formulas may be deep.
    int best = 0;
    std::vector<std::pair<int, int>> stack{{f, 0}};
    while (!stack.empty()) {
        const auto [g, d] = stack.back();
        stack.pop_back();
        const FormulaNode &n = logic.node(g);
        if (isModalOp(n.kind))
            stack.push_back({n.a, d + 1});
        else if (n.kind == Fk::Not || isQuantifier(n.kind))
            stack.push_back({isQuantifier(n.kind) ? n.b : n.a, d});
        else if (isBinary(n.kind)) {
            stack.push_back({n.a, d});
            stack.push_back({n.b, d});
        }
        best = std::max(best, d);
    }
    return best;
}

bool accepted(Logic &logic, const std::vector<int> &premises, int conclusion, ModalSystem system,
    const std::vector<WrittenLine> &lines)
{
    std::vector<std::u32string> text;
    for (const WrittenLine &l : lines)
        text.push_back(decode(l.text, Encoding::Utf8));
    const Derivation d = readDerivation(logic, text, 0);
    if (d.endLine != static_cast<int>(text.size()))
        return false;
    ArgumentGoal goal{premises, conclusion};
    return checkDerivation(logic, d, &goal, system).provesArgument();
}

} // namespace

bool basicRule(Rule rule)
{
    switch (rule) {
    case Rule::DisjunctiveSyllogism:
    case Rule::ModusTollens:
    case Rule::DoubleNegation:
    case Rule::ExcludedMiddle:
    case Rule::DeMorgan:
    case Rule::QuantifierConversion:
    case Rule::Unknown: return false;
    default: return true;
    }
}

std::vector<std::string> FoundDerivation::text() const
{
    std::vector<std::string> out;
    for (const WrittenLine &l : lines)
        out.push_back(l.text);
    return out;
}

FoundDerivation proveArgument(Logic &logic, const std::vector<int> &premises, int conclusion,
    ModalSystem system, const Budget &budget, const ProverOptions &options)
{
    // The search and the writing of lines recurse over formulas: deeper ones are refused.
    if (logic.node(conclusion).depth > kMaxFormulaDepth)
        return {};
    for (int p : premises)
        if (logic.node(p).depth > kMaxFormulaDepth)
            return {};
    bool firstOrder = logic.isFirstOrder(conclusion);
    int depth = modalDepth(logic, conclusion);
    for (int p : premises) {
        firstOrder = firstOrder || logic.isFirstOrder(p);
        depth = std::max(depth, modalDepth(logic, p));
    }
    struct Attempt
    {
        SearchLimits limits;
        const char *method;
        double share; // of the time left
    };
    std::vector<Attempt> attempts;
    auto limits = [&](int natural, int instances, int strict) {
        SearchLimits l;
        l.natural = natural;
        l.instances = instances;
        l.strictDepth = strict;
        l.basicRules = options.basicRules;
        return l;
    };
    const int strictMost = depth + 1 + (isTransitive(system) ? 2 : 0);
    bool modal = depth > 0;
    if (modal) {
        // Strict subderivations one inside another, from one up: a shallow derivation first.
        for (int strict = 1; strict < strictMost; ++strict)
            attempts.push_back({limits(2, 2, strict), "búsqueda dirigida por la conclusión", 0.15});
    }
    attempts.push_back({limits(2, 2, strictMost), "búsqueda dirigida por la conclusión", 0.3});
    if (!firstOrder) {
        attempts.push_back({limits(0, 1, strictMost), "reglas del cálculo de secuentes", 1.0});
    } else {
        for (int instances = 1; instances <= 6; ++instances)
            attempts.push_back({limits(instances <= 2 ? 1 : 0, instances, strictMost),
                "búsqueda con ejemplares de ∀", instances == 6 ? 1.0 : 0.35});
    }
    FoundDerivation best;
    for (const Attempt &a : attempts) {
        if (budget.expired())
            break;
        Budget slice = budget;
        const auto now = CpuClock::now();
        if (budget.deadline() != CpuClock::time_point::max())
            slice = budget.until(now
                + std::chrono::duration_cast<CpuClock::duration>(
                    (budget.deadline() - now) * a.share));
        DerivationSearch search(logic, system, slice, a.limits);
        const int r = search.run(premises, conclusion);
        if (r < 0)
            continue;
        std::vector<WrittenLine> lines = search.proof().write(logic, r);
        if (std::count_if(
                lines.begin(), lines.end(), [](const WrittenLine &l) { return l.number > 0; })
            > options.maxLines) {
            best.tooLong = !best.found;
            continue;
        }
        if (options.basicRules
            && !std::all_of(lines.begin(), lines.end(),
                [](const WrittenLine &l) { return l.number == 0 || basicRule(l.rule); }))
            continue;
        if (options.verify && !accepted(logic, premises, conclusion, system, lines)) {
            // Lines moved out of a subderivation may break a condition on a constant: as found.
            lines = search.proof().write(logic, r, false);
            if (!accepted(logic, premises, conclusion, system, lines))
                continue;
        }
        if (!best.found || lines.size() < best.lines.size()) {
            best.found = true;
            best.tooLong = false;
            best.lines = std::move(lines);
            best.method = a.method;
        }
        if (firstOrder || (modal && best.lines.size() < 12))
            break; // the first proof found is the cheapest to look for
    }
    return best;
}

} // namespace logic
