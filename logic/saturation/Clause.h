#pragma once
// Clauses of the saturation prover: literals over shared terms, with how each clause was made
// (its rule and parents), so that a refutation can be read back as a proof.

#include "Terms.h"

#include <cstdint>
#include <vector>

namespace logic::saturation {

struct Literal
{
    Term lhs = -1, rhs = -1; // a predicate literal is "atom = ⊤"
    bool positive = true;
    bool operator==(const Literal &) const = default;
};

enum class ClauseRule : std::uint8_t {
    Input,
    Resolution,
    Factoring,
    Superposition,
    EqualityResolution,
    EqualityFactoring,
    Rewriting
};

/// One rewrite of a clause by a unit equality, at one position: literal, side, path.
struct Rewrite
{
    int equation = -1;     // the clause of the unit equality
    bool reversed = false; // used right to left
    int literal = 0;
    int side = 0;
    std::vector<int> path;
};

/// What an instance keeps of a clause: its positive and negative literals and its symbols (as bits
/// of a 64-bit set, with the literals' signs). c subsumes d only if c's counts and bits fit in d's.
struct ClauseSignature
{
    std::uint64_t symbols = 0;
    std::uint16_t positive = 0, negative = 0;
    bool fitsIn(const ClauseSignature &d) const
    {
        return positive <= d.positive && negative <= d.negative && (symbols & ~d.symbols) == 0;
    }
};

struct Clause
{
    int id = -1;
    std::vector<Literal> literals;
    ClauseRule rule = ClauseRule::Input;
    std::vector<int> parents;
    int input = -1;                // Input: the formula of the problem it comes from
    std::vector<Rewrite> rewrites; // Rewriting: the rewrites from parents[0], in order
    int weight = 0;
    bool goal = false; // descends from the negated conclusion
    enum class State : std::uint8_t { Passive, Active, Dead } state = State::Passive;
    int selected = -1;         // a negative literal chosen for the inferences, or -1
    std::vector<char> maximal; // per literal: no other literal is greater (before instances)
    ClauseSignature signature;
    bool empty() const { return literals.empty(); }
    const Literal &literal(int i) const { return nth(literals, i); }
};

/// Drops literals t ≠ t and repeated literals (s = t and t = s are one), and numbers the variables
/// from 0 in order of occurrence. False for a tautology (t = t, or a literal and its negation), and
/// for clauses beyond the prover's size limits, which also set @p beyondLimits: dropping those
/// costs the calculus its completeness.
bool normalize(TermBank &terms, std::vector<Literal> &literals, bool *beyondLimits = nullptr);

/// The same literal, s = t and t = s being one.
inline bool sameLiteral(const Literal &a, const Literal &b)
{
    return a.positive == b.positive
        && ((a.lhs == b.lhs && a.rhs == b.rhs) || (a.lhs == b.rhs && a.rhs == b.lhs));
}

/// Puts @p result at the position of @p rewrite, then drops that literal if it became t ≠ t or
/// repeats another. False when the clause became a tautology.
bool applyRewrite(
    TermBank &terms, std::vector<Literal> &literals, const Rewrite &rewrite, Term result);

int clauseWeight(const TermBank &terms, const std::vector<Literal> &literals);

/// A literal as one term, for the indexes: P(..), ¬(P(..)), =(s, t), ≠(s, t).
Term literalTerm(TermBank &terms, const Literal &literal, bool swapped = false);

ClauseSignature signatureOf(const TermBank &terms, const std::vector<Literal> &literals);

/// Whether @p c subsumes @p d: an instance of c's literals, each matched to a different literal of
/// d. Gives up (false) beyond @p steps matching attempts.
bool subsumes(Substitution &sigma, const TermBank &terms, const std::vector<Literal> &c,
    const std::vector<Literal> &d, int steps = 4000);

std::string clauseText(const TermBank &terms, const std::vector<Literal> &literals); // debugging

} // namespace logic::saturation
