#pragma once
// The student's own work on an exercise of a worksheet: a truth table filled in, a model given
// and the verdict written under it, found among the lines of the text and judged as a teacher
// marks it, one fault a line, in the student's terms.

#include "ShownAnswer.h"
#include "syntax/ModalSystem.h"

#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <vector>

namespace logic {

class Logic;

/// The formula or argument that a piece of work answers: the nearest above it.
struct Exercise
{
    int line = 0; ///< 1-based line of the text: the formula, or the argument's conclusion
    std::vector<int> premises; ///< formulas of the Logic store
    int conclusion = -1;
    bool argument = false;
    /// Formulas written as a list ("p, q, ¬p"): premises holds them, conclusion their conjunction.
    bool list = false;
};

/// What the engine decided about an exercise: each fact known, or not.
struct ExerciseTruth
{
    enum class Known : std::uint8_t { Unknown, Yes, No };
    Known valid = Known::Unknown;       ///< a formula true in every model; an argument valid
    Known satisfiable = Known::Unknown; ///< a formula true in some model (formulas only)
};

struct WorkFault
{
    int line = 0; ///< 1-based line of the text
    std::string message;
};

enum class WorkKind : std::uint8_t { Table, Answer, Model, Tree };

/// One piece of work as found: lines [first, end) of the text, 0-based.
struct WorkPiece
{
    WorkKind kind = WorkKind::Table;
    int first = 0;
    int end = 0;
};

/// The pieces of @p lines, in order, outside the lines that @p taken gives a number of 0 or more
/// (a derivation's).
/// A table is a block of lines that hold '|' (rule lines such as "--+--" among them) with at
/// least one row of truth values under its header; an answer is a "Respuesta:" line; a model is
/// a "Contramodelo:" or "Modelo:" line and the entry lines ("nombre: valor") under it.
std::vector<WorkPiece> findWork(std::span<const std::u32string> lines, std::span<const int> taken);

/// Where @p piece is answered, 0-based: a table's header (past a border above it), an answer's
/// own line.
int workFirstLine(std::span<const std::u32string> lines, const WorkPiece &piece);

/// A "Respuesta:" line: what follows the colon, or nothing when @p line is no such line.
std::optional<std::u32string> answerText(std::u32string_view line);

/// The faults, in line order, of the student's truth table @p piece of @p lines. With
/// @p exercise, and @p answered (a verdict follows the table), the table must hold the columns
/// that decide that verdict.
std::vector<WorkFault> checkTable(Logic &logic, std::span<const std::u32string> lines,
    const WorkPiece &piece, const Exercise *exercise, bool answered);

struct AnswerCheck
{
    std::vector<WorkFault> faults;
    bool decided = true; ///< false: the engine did not decide what the verdict needs
};

/// The verdict on line @p line (0-based) of @p lines, judged by what the engine found about
/// @p exercise (or none above it); @p table, the truth table of the same exercise above it,
/// serves a counterexample row ("no válido (fila 3)").
AnswerCheck checkAnswer(Logic &logic, std::span<const std::u32string> lines, int line,
    const Exercise *exercise, const ExerciseTruth &truth, const WorkPiece *table);

struct ModelWork
{
    std::vector<WorkFault> faults;
    bool counter = false;            ///< "Contramodelo:", not "Modelo:"
    std::optional<ShownModel> shown; ///< the student's model as far as it could be read
};

/// The student's model @p piece of @p lines, judged for @p exercise in @p system: each entry
/// read, the frame held to the system, and each formula of the exercise given the value that the
/// heading asks of it.
ModelWork checkModel(Logic &logic, std::span<const std::u32string> lines, const WorkPiece &piece,
    const Exercise *exercise, ModalSystem system);

/// Whether @p line heads a model: "Contramodelo:" (then @p counter) or "Modelo:".
bool modelHeading(std::u32string_view line, bool *counter = nullptr);
/// Whether @p line is an entry of a model, "nombre: valor" or "nombre = valor".
bool modelEntry(std::u32string_view line);

} // namespace logic
