#pragma once
// How the lines of a text become problems, the same for program mode and for the editor's
// check: a formula alone, an argument on one line, or the formulas of a paragraph above a line
// of dashes as premises and the next formula as their conclusion.

#include <cstdint>
#include <span>
#include <string>
#include <vector>

namespace logic {

enum class LineKind : std::uint8_t {
    Blank,      ///< empty: ends a paragraph, unless an argument awaits its conclusion
    Skip,       ///< a comment or a "sistema:" line: paragraphs go on across it
    Separator,  ///< three or more dashes
    Formula,    ///< a formula, understood or not: it may be a premise or a conclusion
    OneLine,    ///< an argument on one line ("p, q ⊨ r"), or a line that stands alone
    Unreadable, ///< a line that could not be read; it may still have been meant as a premise
};

enum class Role : std::uint8_t { Alone, Premise, Conclusion };

struct ArgumentLines
{
    std::vector<int> premises; ///< line indices, in order
    int separator = -1;
    int conclusion = -1;
};

struct Grouping
{
    std::vector<Role> roles;     ///< per line
    std::vector<int> argumentOf; ///< per line: its argument, or -1
    std::vector<ArgumentLines> arguments;
    /// (line index, message in Spanish), in line order: a separator with no conclusion after it.
    std::vector<std::pair<int, std::string>> structureErrors;
};

/// The roles of @p lines. An argument whose conclusion never comes is dropped and its premises
/// stand alone; the structure error says why.
Grouping groupLines(std::span<const LineKind> lines);

} // namespace logic
