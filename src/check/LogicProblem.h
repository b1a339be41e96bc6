#pragma once

#include <QJsonArray>
#include <QJsonObject>
#include <QList>
#include <QString>

namespace zv {

/// The modal systems of the "Sistema modal" menu, weakest first.
enum class ModalSystem { K, T, D, B, K4, S4, S5 };
inline constexpr const char *kModalSystemNames[] = {"K", "T", "D", "B", "K4", "S4", "S5"};

/// How an answer counts in the report's summary and which mark its line gets.
enum class Outcome {
    Valid,      ///< a valid argument or formula, a tautology, a correct derivation
    Invalid,    ///< not valid: a countermodel, a contradiction, a faulty derivation
    Contingent, ///< a formula true in some model and false in another
    Unknown,    ///< undecided within the limits
    Error,      ///< a line that could not be read
};

/// One problem of the checked text (a formula, or an argument), as the engine answered it.
struct LogicProblem
{
    int firstLine = 0;   ///< 1-based line of the checked text where the problem starts
    int line = 0;        ///< the line where it ends (an argument's conclusion)
    QString system;      ///< the modal system it was decided in; empty when it is not modal
    QString verdict;     ///< "Argumento válido", "Fórmula no válida", … or empty
    QString text;        ///< the problem as the engine read it
    QString explanation; ///< the tree, the countermodel or what was tried
    QString truthTable;  ///< a propositional problem's table, an argument's joint one; or empty
    QString reason;      ///< a few words: "árbol cerrado de 7 líneas", "límite de tiempo"…
    QString stop;        ///< what ended an undecided search: "time", "memory"… or empty
    bool syntaxError = false;
    int errorLine = 0;    ///< 1-based, in the checked text
    int errorColumn = 0;  ///< 1-based, in code points
    QString errorMessage; ///< what was expected, in the engine's words
    QJsonObject tree;     ///< the closed tree, as the worker sends it; empty when none
    QJsonObject model;    ///< the countermodel, likewise
    /// A line of prose in a worksheet: passed over, and only counted.
    bool prose = false;
    struct Fault
    {
        int line = 0; ///< 1-based, in the checked text
        QString message;
    };
    QList<Fault> faults; ///< a derivation's or a piece of work's faulty lines
    /// A piece of the student's own work: "table", "tree" or "answer"; empty for anything else.
    QString work;
    struct FitchLine
    {
        int line = 0;  ///< 1-based, in the checked text
        int depth = 0; ///< how many subproofs hold it
        bool assumption = false;
        bool premise = false;
    };
    QList<FitchLine> fitchLines; ///< "fitch" read, to mark the editor's lines
    Outcome outcome = Outcome::Unknown;
    /// A derivation's answer: correct or not (verdict), whether it ends where it must, and its
    /// lines as the worker laid them out ("fitch"), to draw its bars.
    bool derivation = false;
    bool finished = false;
    QJsonArray fitch;
    QString latex; ///< the derivation as one lplfitch \fitchprf
};

/// Whether a derivation's line as the worker sends it ("1. p → q :PR") is a premise, in any of
/// the ways the notation writes one.
bool isPremiseLine(const QString &text);

/// The problem of one "answer" message of the worker (logic/worker/PROTOCOL.md).
LogicProblem problemFromMessage(const QJsonObject &message);

} // namespace zv
