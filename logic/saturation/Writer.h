#pragma once
// Clauses of the term bank written back as formulas of the problem's store: the symbols the
// problem had, the clausal form's new ones by their names, and each clause's variables named
// x, y, z, u, v, w (then x1...) in order of occurrence, none like a function of the problem.

#include "Clause.h"
#include "syntax/Logic.h"

#include <set>
#include <string>
#include <vector>

namespace logic::saturation {

class ClauseWriter
{
public:
    ClauseWriter(Logic &logic, const TermBank &terms);
    /// ∀x̄(L1 ∨ … ∨ Ln), or ⊥ when empty.
    int clause(const std::vector<Literal> &literals);
    /// A term with no variables.
    int groundTerm(Term t);

private:
    int variable(int v);
    int term(Term t);
    int literal(const Literal &l);

    Logic &L;
    const TermBank &T;
    std::set<std::string> m_taken; // function names: a variable must not look like one
    std::vector<int> m_names;      // clause variable → Logic variable
    std::vector<int> m_order;      // the Logic variables in the order they were named
    int m_used = 0;
};

} // namespace logic::saturation
