#pragma once
// Seeded random propositional arguments over eight letters, and a truth-table evaluator of our
// own: the derivation tests and the prover's benchmark decide validity without the engine.

#include "syntax/Logic.h"

#include <random>
#include <string>
#include <vector>

namespace testing {

inline constexpr const char *kLetters[] = {"p", "q", "r", "s", "t", "u", "w", "m"};

struct RandomArgument
{
    std::vector<int> premises;
    int conclusion = -1;
};

/// Plain recursion: the formulas here are shallow. @p values[i] is the truth of kLetters[i].
inline bool evaluate(const logic::Logic &logic, int f, unsigned values)
{
    const logic::FormulaNode &n = logic.node(f);
    switch (n.kind) {
    case logic::Fk::Atom: {
        const std::string &name = logic.predicateSymbol(n.a).name;
        for (unsigned i = 0; i < 8; ++i)
            if (name == kLetters[i])
                return (values >> i) & 1u;
        return false;
    }
    case logic::Fk::Top: return true;
    case logic::Fk::Bottom: return false;
    case logic::Fk::Not: return !evaluate(logic, n.a, values);
    case logic::Fk::And: return evaluate(logic, n.a, values) && evaluate(logic, n.b, values);
    case logic::Fk::Or: return evaluate(logic, n.a, values) || evaluate(logic, n.b, values);
    case logic::Fk::Implies: return !evaluate(logic, n.a, values) || evaluate(logic, n.b, values);
    case logic::Fk::Iff: return evaluate(logic, n.a, values) == evaluate(logic, n.b, values);
    default: return false;
    }
}

/// Every row of the table that makes all of @p premises true makes @p conclusion true.
inline bool entails(const logic::Logic &logic, const std::vector<int> &premises, int conclusion)
{
    for (unsigned values = 0; values < 256; ++values) {
        bool all = true;
        for (int p : premises)
            all = all && evaluate(logic, p, values);
        if (all && !evaluate(logic, conclusion, values))
            return false;
    }
    return true;
}

inline int randomFormula(logic::Logic &logic, std::mt19937 &rng, int depth)
{
    std::uniform_int_distribution<int> pick(0, 99);
    if (depth == 0 || pick(rng) < 25)
        return logic.atom(logic.predicate(kLetters[pick(rng) % 8], 0), {});
    const int op = pick(rng) % 5;
    if (op == 0)
        return logic.negation(randomFormula(logic, rng, depth - 1));
    static constexpr logic::Fk kOps[]
        = {logic::Fk::And, logic::Fk::Or, logic::Fk::Implies, logic::Fk::Iff};
    const int a = randomFormula(logic, rng, depth - 1);
    return logic.binary(kOps[op - 1], a, randomFormula(logic, rng, depth - 1));
}

/// @p count valid arguments of one to four premises, drawn from @p seed.
inline std::vector<RandomArgument> validArguments(
    logic::Logic &logic, unsigned seed, int count, int depth = 3)
{
    std::mt19937 rng(seed);
    std::vector<RandomArgument> out;
    while (static_cast<int>(out.size()) < count) {
        RandomArgument a;
        const int premises = 1 + static_cast<int>(rng() % 4);
        for (int i = 0; i < premises; ++i)
            a.premises.push_back(randomFormula(logic, rng, depth));
        a.conclusion = randomFormula(logic, rng, depth);
        if (entails(logic, a.premises, a.conclusion))
            out.push_back(a);
    }
    return out;
}

} // namespace testing
