#pragma once
// A worksheet as a teacher reads it: numbered exercises and prose around the logic. The check
// skips the label of an exercise ("1.", "a)", "(iii)", "Ejercicio 3:") and passes over a line
// of prose in silence; a line that looks like logic and cannot be read is still an error.

#include <string_view>

namespace logic {

/// How many characters of @p line, from its start, are an exercise's label and the spaces
/// after it: "1.", "12)", "a)", "(iii)", "(2)", "Ejercicio 3:", "Ejercicio 3.", "Pregunta 2 b)".
/// 0 when the line has none, or nothing follows the label.
int labelLength(std::u32string_view line);

/// Whether @p line, which could not be read as logic, is prose: it holds a word that no formula
/// has (two or more lower-case letters together, a letter with an accent, a capitalised word of
/// five letters or more, or a common short word such as "La" or "Sea"). A line with nothing of
/// the kind is taken for logic, so that its error is said.
bool looksLikeProse(std::u32string_view line);

/// Whether @p line is a word that closes or heads a worksheet's part, alone with its
/// punctuation: "Fin.", "FIN", "Nota:", "Obs.". Such a line that cannot be read is
/// prose; one that reads as logic ("Fin" is F with two terms) only where it would be a formula
/// standing alone, never a premise.
bool isClosingWord(std::u32string_view line);

/// Whether @p line is "Solución:" alone, which heads the teacher's answer to the exercise above:
/// the answer goes on answering that exercise across it.
bool isSolutionMark(std::u32string_view line);

/// Whether @p line, though it reads as logic, is prose: a word alone ("Premisas", a predicate
/// with seven terms) or initials ("Q.E.D.").
bool readsAsProseAnyway(std::u32string_view line);

} // namespace logic
