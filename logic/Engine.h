#pragma once
// Decides one problem (a formula, or premises and a conclusion) and explains the answer:
// propositional problems by the solver, first-order and modal ones by the tableau and the
// countermodel finder, taking turns until one succeeds or the limits run out.

#include "ShownAnswer.h"
#include "syntax/Logic.h"
#include "tableau/Tableau.h"

#include <chrono>
#include <optional>
#include <string>
#include <vector>

namespace logic {

// Per problem, with kProblemSeconds of processor time: beyond these the answer is "no
// determinado", never a guess.
inline constexpr int kMaxModelDomain = 8;
inline constexpr int kMaxModelWorlds = 8;

enum class Decision { Valid, Invalid, Unknown };

/// How much an answer explains. A check that shows its answers wants the closed tree that a
/// student reads, where one is found soon after another search decided; a bare verdict is given
/// the moment a search decides, with what that search found.
enum class Explain : unsigned char { Full, VerdictOnly };

/// Once saturation or ground instances have decided a first-order problem, the closed tree that
/// would explain it better is sought within this much more processor time (ten times as much in
/// unoptimised and sanitised builds, which do a tenth of the work in it); once the solver has
/// decided a propositional one, its tree within kTreeAfterSolver. Never past the problem's limit.
inline constexpr std::chrono::milliseconds kTreeAfterProof{100};
inline constexpr std::chrono::milliseconds kTreeAfterSolver{150};

struct Judgement
{
    Decision decision = Decision::Unknown;
    std::string
        explanation;        // Unicode, lines ended by '\n': a closed tree or a checked countermodel
    std::string reason;     // a few words for "--verdict"
    Stop stop = Stop::None; // what ended an undecided search
    std::optional<ShownTree> tree;   // the closed tree that the explanation prints
    std::optional<ShownModel> model; // the checked countermodel that it describes
};

/// Decides whether @p premises entail @p conclusion (a formula alone when there are no premises
/// and @p argument is false) in @p system. The formulas belong to @p logic, which is not changed.
Judgement judge(const Logic &logic, const std::vector<int> &premises, int conclusion, bool argument,
    ModalSystem system, const Budget &budget, Explain explain = Explain::Full);

/// Whether @p formula is false in every model of @p system: Valid with the closed tree of the
/// formula itself (or a proof), Invalid with a checked model in which it is true.
Judgement judgeUnsatisfiable(const Logic &logic, int formula, ModalSystem system,
    const Budget &budget, Explain explain = Explain::Full);

/// What salida.log says of a problem: the verdict in words ("Argumento válido", "Fórmula no
/// válida"...), then the explanation. Unicode, lines ended by '\n'.
std::string reportProblem(const Logic &logic, const std::vector<int> &premises, int conclusion,
    bool argument, ModalSystem system);

} // namespace logic
