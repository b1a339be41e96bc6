#pragma once
// A teacher's sheet and a student's copy of it, as lines: where each exercise begins, what it is
// worth, where the teacher's solution runs, and whose the file is.

#include <optional>
#include <string>
#include <utility>
#include <vector>

namespace logic::grade {

struct ExerciseLabel
{
    std::string label;      ///< "Ejercicio 3b", as the table of marks heads it
    long points = 1000;     ///< in thousandths of a point
    std::size_t length = 0; ///< code points of the line that the label, points and ':' take
};

/// "Ejercicio 3b (1,5 puntos): ..." at the start of @p line, or nothing.
std::optional<ExerciseLabel> exerciseLabel(std::u32string_view line);

/// The code points that "Solución:" takes at the start of @p line, or 0 when it is no such line.
std::size_t solutionMark(std::u32string_view line);

struct ExerciseSpan
{
    ExerciseLabel label;
    int line = 0;      ///< 0-based: the label's line
    int solution = -1; ///< 0-based: the "Solución:" line, or -1
    int end = 0;       ///< 0-based, past its last line: the next label or the end of the text
};

/// The exercises of @p lines in their order.
std::vector<ExerciseSpan> findExercises(const std::vector<std::u32string> &lines);

/// The lines that the students' copy leaves out: each solution, up to the blank lines that
/// part it from the next exercise.
std::vector<std::pair<int, int>> solutionRanges(
    const std::vector<std::u32string> &lines, const std::vector<ExerciseSpan> &exercises);

/// The value of a "Nombre:" line before the first exercise, UTF-8, or empty.
std::string studentName(const std::vector<std::u32string> &lines, int firstExercise);

/// Points in thousandths as a mark is written: "1", "1.5", "10", "0.25".
std::string pointsText(long thousandths);

} // namespace logic::grade
