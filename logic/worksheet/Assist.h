#pragma once
// "Demostrar" and "Siguiente paso" on a text as the editor shows it: the derivation of the
// argument on one line, or the next line of the derivation around one line. UTF-8 in, plain
// values out, as the worker sends them.

#include "Api.h"

#include <atomic>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace logic {

/// What "Demostrar" and "Siguiente paso" answer under a sheet's "ayuda: no".
inline constexpr const char *kHelpRefused = "La hoja no permite esta ayuda.";

/// What "Demostrar" is given: every valid propositional argument gets its derivation well
/// within two seconds; first-order and modal ones get longer.
inline constexpr std::chrono::seconds kProvePropositionalTime{2};
inline constexpr std::chrono::seconds kProveOtherTime{5};

struct ProofAnswer
{
    int line = 0; // 1-based: the argument's line, or the line asked about when none
    bool found = false;
    std::vector<std::string> lines; // the derivation, in the notation, to go below the line
    std::string method;             // how it was found
    std::string reason;             // when none: why, in Spanish, no final full stop
    // When none was found on an argument that could be read: the argument decided as
    // "Comprobar" decides it (the countermodel of an invalid one).
    std::optional<ProblemResult> decided;
};

/// The derivation of the first argument "Γ ⊢ φ" of @p utf8 on @p line (1-based) or after it:
/// the editor sends the text up to the end of the selection. "sistema:" lines above it set the
/// modal system, "reglas:" lines the rules it may use (@p basicRules until one does), and after
/// "ayuda: no" the answer is kHelpRefused; an exercise's label before the argument is passed
/// over. The search for a derivation and, when it finds none, the argument's decision share
/// @p wholeTime, the limit of one problem, so that the request ends within it.
ProofAnswer proveAt(std::string_view utf8, int line, ModalSystem system,
    const std::atomic<bool> &cancel, CpuClock::duration propositionalTime = kProvePropositionalTime,
    CpuClock::duration otherTime = kProveOtherTime, CpuClock::duration wholeTime = kProblemSeconds,
    bool basicRules = false);

struct NextAnswer
{
    int line = 0; // 1-based: the derivation's last line, after which the lines go
    bool found = false;
    std::vector<std::string> lines; // indented and numbered as the derivation's own
    std::string formula;            // the proposed line's formula and rule
    std::string justification;
    int depth = 0;
    std::string reason; // when none: why, in Spanish, no final full stop
};

/// The next line of the derivation that holds @p line (1-based), or of the nearest one above
/// it when @p line is blank or prose, towards the argument above that derivation; on an
/// argument with no derivation yet (or a blank line below it), the derivation's first line.
/// "reglas:" and "ayuda:" lines hold as for proveAt.
NextAnswer nextStepAt(std::string_view utf8, int line, ModalSystem system,
    const std::atomic<bool> &cancel, CpuClock::duration time = kProveOtherTime,
    bool basicRules = false);

} // namespace logic
