#pragma once
// A student's submission marked against the teacher's sheet, exercise by exercise, with the
// checks of the student's own work: the points, and why an exercise scored none.

#include "Document.h"
#include "Sheet.h"

#include <atomic>
#include <string>
#include <vector>

namespace logic::grade {

struct Mark
{
    long points = 0; ///< thousandths
    bool right = false;
    std::string comment; ///< Spanish: "línea 7: ...", "sin respuesta"; empty when right
    int line = 0;        ///< 1-based line of the submission that the comment is about, or 0
};

struct Marked
{
    std::string student;     ///< the "Nombre:" line's, or empty
    std::vector<Mark> marks; ///< one per exercise of the sheet, in its order
    long total = 0;
};

/// The sheet, read once for a whole class.
class Marker
{
public:
    explicit Marker(const std::vector<std::u32string> &sheet);
    const std::vector<ExerciseSpan> &exercises() const { return m_exercises; }
    /// Marks the lines of one submission. Every exercise is checked within the engine's limits.
    Marked mark(const std::vector<std::u32string> &lines, const std::atomic<bool> &cancel) const;
    /// The sheet marked as if a student had handed it in: whether each solution is right.
    Marked checkSolutions(const std::atomic<bool> &cancel) const;

    struct Expected
    {
        std::vector<std::string> statement; ///< its logic lines, as formulas
        std::string argument;               ///< the statement as one line, when it is an argument
        std::vector<std::string> kinds;     ///< "derivation", "table", "answer", ... in their order
        std::u32string formula;             ///< a translation's: the teacher's formula
        int formulaLine = -1;
    };

private:
    std::vector<std::u32string> m_sheet;
    std::vector<ExerciseSpan> m_exercises;
    std::vector<Expected> m_expected;
};

/// What a kind of work is called in a comment: "la derivación", "la tabla de verdad".
std::string kindWords(const std::string &kind);

} // namespace logic::grade
