#pragma once
// The check of a derivation, line by line, against the rules of natural deduction (basic and
// derived, and the modal ones of K, T, S4 and S5): what is wrong with each faulty line, in
// Spanish, as a teacher would say it. It knows nothing of how derivations are found.

#include "Derivation.h"
#include "syntax/Logic.h"
#include "syntax/ModalSystem.h"

#include <optional>
#include <string>
#include <vector>

namespace logic {

struct DerivationFault
{
    int line = 0;       // k, the line's number in the derivation
    int textLine = 0;   // index into the text lines the derivation was read from
    std::string reason; // Spanish, no final full stop: "→E necesita p → q y p; la línea 3 es q"
    bool unfinished = false; // the last line, because the derivation does not end where it must
};

struct DerivationCheck
{
    std::vector<DerivationFault> faults; // at most one per line, in line order
    bool hasArgument = false;
    // Ends at the outermost level with every assumption discharged, and, under an argument, in
    // its conclusion.
    bool finished = false;
    bool correct() const { return faults.empty(); }
    bool provesArgument() const { return hasArgument && faults.empty(); }
};

/// Checks every line of @p derivation, later lines too after a fault. Under an argument (@p
/// argument not null, the formulas in @p logic) each premise line must be one of its premises and
/// the derivation must end in its conclusion. @p system decides which modal rules hold; under
/// @p basicRules a derived rule (DS, MT, DNE, LEM, DeM, CQ, MC) is a fault on its line.
DerivationCheck checkDerivation(Logic &logic, const Derivation &derivation,
    const ArgumentGoal *argument, ModalSystem system, bool basicRules = false);

/// What a faulty line is measured against when no rule at all gives it from the lines it cites:
/// the formulas of those lines (a cited subderivation as its assumption → its last line), and the
/// premises and the assumptions in force at it. A model of these with the line false shows that
/// the step cannot be mended by naming another rule.
struct WrongStep
{
    std::vector<int> hypotheses; // in the Logic store, each once: the cited lines' first
    int cited = 0;               // how many of them the citations give
    int formula = -1;            // the line's
};

/// The wrong step at line @p k of @p derivation, or nothing: when some rule justifies the line
/// as cited, when it cites nothing or what it may not cite, when a line it stands on cannot be
/// read, or when it stands inside a strict subderivation (its lines hold in another world).
std::optional<WrongStep> wrongStep(
    Logic &logic, const Derivation &derivation, int k, ModalSystem system);

/// "Línea 5: ∀I no se puede aplicar: ...", as the check window shows a fault.
std::string faultMessage(const DerivationFault &fault);

} // namespace logic
