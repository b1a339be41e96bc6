#pragma once
// "Demostrar": a derivation, in the notation that the checker reads, for a valid argument.

#include "Budget.h"
#include "ProofSteps.h"
#include "syntax/Logic.h"
#include "syntax/ModalSystem.h"

#include <string>
#include <vector>

namespace logic {

/// Past this many lines a derivation is not given: no exercise of a course needs one, and
/// nobody reads it.
inline constexpr int kMaxDerivationLines = 400;

struct ProverOptions
{
    // Re-read and re-check each derivation found before giving it; the tests turn this off to
    // see what the search itself writes.
    bool verify = true;
    // Only the course's basic rules (no DS, MT, DNE, LEM, DeM, CQ...): a sheet under
    // "reglas: básicas" asks for derivations its students could write.
    bool basicRules = false;
    int maxLines = kMaxDerivationLines;
};

struct FoundDerivation
{
    bool found = false;
    bool tooLong = false;           // not found: what was found had more than kMaxDerivationLines
    std::vector<WrittenLine> lines; // premises first; the last line is the conclusion
    std::string method;             // how it was found, in a few words
    std::vector<std::string> text() const;
};

/// Whether @p rule is one of the course's basic rules: premise, assumption, R, the introduction
/// and elimination rules, X, IP, identity, quantifier and modal rules; not DS, MT, DNE, LEM, DeM
/// or CQ.
bool basicRule(Rule rule);

/// A derivation of @p conclusion from @p premises (formulas of @p logic) in @p system, found
/// within @p budget; nothing when the argument is not valid or none was found in time. The
/// shortest of what a natural search and a complete one find is kept.
FoundDerivation proveArgument(Logic &logic, const std::vector<int> &premises, int conclusion,
    ModalSystem system, const Budget &budget, const ProverOptions &options = {});

} // namespace logic
