#pragma once
// One problem's answer as the check of a text gives it, and the options of that check: what the
// engine's answers and the worksheet's readers share, so that neither includes the other.

#include "Engine.h"
#include "ShownAnswer.h"
#include "syntax/ModalSystem.h"

#include <functional>
#include <optional>
#include <string>
#include <vector>

namespace logic {

/// A formula's standing, in the terms a teacher uses: for propositional formulas, tautology,
/// contradiction or contingency; for first-order and modal ones, valid (true in every model),
/// unsatisfiable (false in every model) or contingent (a model and a countermodel).
enum class Standing : unsigned char {
    None,
    Tautology,
    Contradiction,
    Contingency,
    Valid,
    Unsatisfiable,
    Contingent
};
/// "Tautología", "Insatisfacible"...; empty for None.
const char *standingWords(Standing s);

struct ProblemResult
{
    int firstLine
        = 0;      // 1-based: the first line of the problem (the first premise of a "---" argument)
    int line = 0; // the line of the formula, or of the argument's conclusion
    bool argument = false;
    bool modal = false; // □ or ◇ occur, so the system matters
    ModalSystem system = ModalSystem::K;
    Decision decision = Decision::Unknown;
    std::string text; // the problem as read, Unicode
    std::string
        explanation;    // UTF-8, Unicode symbols: a closed tree, a countermodel or what was tried
    std::string reason; // a few words
    Stop stop = Stop::None;  // what ended an undecided search
    double milliseconds = 0; // processor time spent deciding it
    std::string
        truthTable; // propositional problems: the formula's table, or the argument's joint one
    std::optional<ShownTree> tree;
    std::optional<ShownModel> model;
    Standing standing = Standing::None; // a formula's, once decided
    // A line of prose in a worksheet: no problem, said only to be counted.
    bool prose = false;
    // A derivation: its verdict is decision (Valid when correct); faults name the faulty lines,
    // and fitch says, line by line, where its subderivations stand.
    bool derivation = false;
    bool provesArgument = false;
    bool finished = false; // ends where it must: every assumption discharged, in its goal
    std::string latex;     // the derivation as one lplfitch \fitchprf
    // A piece of the student's own work: "table" (a truth table filled in) or "answer" (a
    // "Respuesta:" line); its verdict is decision (Valid when right, Unknown when the engine
    // could not judge it) and its faults name the faulty lines.
    std::string work;
    struct Fault
    {
        int line = 0;        // 1-based line of the text
        std::string message; // "Línea 5: ∀I no se puede aplicar: ..."
        std::string reason;  // the same without the derivation's own line number
    };
    std::vector<Fault> faults;
    struct FitchLine
    {
        int line = 0;   // 1-based line of the text
        int depth = 0;  // subderivations open around it
        int indent = 0; // its leading spaces, a tab counting four
        bool assumption = false;
        std::string text; // the line as written, without its indentation; empty for "--"
    };
    std::vector<FitchLine> fitch;
    // A line that could not be read: the problem is not decided.
    bool syntaxError = false;
    int errorLine = 0;
    int errorColumn = 0; // in characters (code points)
    std::string errorMessage;
};

struct CheckOptions
{
    ModalSystem system = ModalSystem::K; // until a "sistema:" line changes it
    bool basicRules = false; // derivations under the course's basic rules until a "reglas:" line
    bool truthTables = true; // the tables of propositional problems
    int fromLine = 1;        // answers for earlier lines are left out: a restarted worker goes on
    // The number that the answers' words give the text's first line, when the text is a part of
    // a document (a selection): "demuestra el argumento de la línea 12". Line fields count from 1.
    int firstShownLine = 1;
    CpuClock::duration problemTime = kProblemSeconds; // processor time per problem
    Explain explain = Explain::Full; // VerdictOnly: no tree sought once another search decided
    std::function<void(int line)> starting; // before a problem ending at that line is decided
};

const char *decisionWords(Decision d);

} // namespace logic
