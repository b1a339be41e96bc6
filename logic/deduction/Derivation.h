#pragma once
// A derivation as the student wrote it: a block of lines "[sangría] [k.] fórmula :justificación"
// and "--" separators, read into formulas of a Logic store, rules, citations, the nesting of its
// subderivations and where each part stands in the text, for the check and for Fitch bars.

#include "Rules.h"
#include "syntax/Logic.h"
#include "syntax/ModalSystem.h"

#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace logic {

// Subderivations one inside another: deeper ones are refused, so that nothing that walks them
// costs more than this per line.
inline constexpr int kMaxSubderivationDepth = 200;

/// A line number, or a range i-j that cites the subderivation from line i to line j.
struct Citation
{
    int first = 0;
    int last = 0;
    bool range = false;
    int begin = 0, end = 0; // columns in the text line
};

struct DerivationLine
{
    int textLine = 0; // index into the lines given to readDerivation
    int number = 0;   // k, counting formula lines from 1; 0 for a separator
    bool separator = false;
    int indent = 0;    // leading spaces and tabs, a tab counting four
    int depth = 0;     // subderivations open around the line, 0 outermost
    int subproof = -1; // innermost subderivation holding the line, an index into
                       // Derivation::subproofs; -1 for the outermost level
    int opens = -1;    // the subderivation the line opens, an index into Derivation::subproofs
    int formula = -1;  // in the Logic store; -1 when unreadable or for a strict opening
    // The formula as the student wrote it, for messages to quote; empty when it holds the
    // palette's bytes, which read as other letters outside the editor.
    std::string written;
    bool strictOpening = false; // the line holds only □: it opens a strict subderivation
    Rule rule = Rule::Unknown;
    std::vector<Citation> citations;
    // Columns, in code points from the start of the text line, each part [begin, end); -1 when
    // the part is absent.
    int numberBegin = -1, numberEnd = -1;
    int formulaBegin = -1, formulaEnd = -1;
    int ruleBegin = -1, ruleEnd = -1;
    int justificationEnd = -1;
    // What the reader could not accept in the line (Spanish, no final full stop); its column
    // counts from 1.
    std::string error;
    int errorColumn = 0;
};

struct Subderivation
{
    int first = 0;   // the number of its assumption (or □) line
    int last = 0;    // the number of its last line, nested ones included
    int parent = -1; // index of the enclosing subderivation, -1 for the outermost level
    int depth = 1;   // 1 for one opened at the outermost level
    bool strict = false;
};

struct Derivation
{
    int firstLine = -1; // the block's text lines are [firstLine, endLine)
    int endLine = -1;
    std::vector<DerivationLine> lines; // formula lines and separators, in order
    std::vector<Subderivation> subproofs;
    std::vector<int> numbered; // k - 1 → index into lines of the formula line numbered k
    bool empty() const { return lines.empty(); }
    int count() const { return static_cast<int>(numbered.size()); }
    /// The formula line numbered @p k (1..count()).
    const DerivationLine &line(int k) const
    {
        return lines[static_cast<std::size_t>(numbered[static_cast<std::size_t>(k - 1)])];
    }
};

/// The derivation whose first line is @p start, or an empty one when no derivation starts there.
/// A block starts at a line whose justification is a known rule with well-formed citations.
Derivation readDerivation(Logic &logic, std::span<const std::u32string> lines, int start);
/// The same for UTF-8 lines.
Derivation readDerivation(Logic &logic, std::span<const std::string> utf8Lines, int start);

/// The same from a line that need only be numbered and hold a formula before its colon, whatever
/// its justification: the block of a tree (tableau), which cites lines by number alone.
Derivation readNumberedBlock(Logic &logic, std::span<const std::u32string> lines, int start);

enum class TreeMark { None, Closed, Open };
/// "✕", "X", "cerrada" close a branch of a tree; "○", "abierta" say it is open.
TreeMark treeMark(std::u32string_view text);
/// "NC", "CN", "¬C": a tree's line for the negated conclusion.
bool isNegatedConclusion(std::u32string_view justification);
/// A numbered block is a tree, not a derivation, when a line of it is a branch's mark or a
/// justification is the negated conclusion.
bool isTreeBlock(std::span<const std::u32string> lines, const Derivation &block);

/// What a derivation is asked to prove: the argument on the line above it.
struct ArgumentGoal
{
    std::vector<int> premises;
    int conclusion = -1;
};

/// The argument "Γ ⊢ φ" or "Γ ⊨ φ" on the line just above the block, if that line is one.
std::optional<ArgumentGoal> argumentAbove(
    Logic &logic, std::span<const std::u32string> lines, const Derivation &derivation);

/// What a sheet's teacher has chosen for the exercises below a line: the course's rules and
/// whether "Demostrar" and "Siguiente paso" may help.
struct CourseChoice
{
    bool basicRules = false; // "reglas: básicas"; "reglas: todas" adds the derived ones
    bool help = true;        // "ayuda: no" switches it off, "ayuda: sí" on again
};

/// "reglas: básicas", "reglas: todas", "ayuda: no", "ayuda: sí" (case and accents aside): true
/// when @p line is one, and @p choice changed; @p error tells such a line with an unknown value
/// (and @p choice is left alone).
bool courseLine(std::u32string_view line, CourseChoice &choice, std::string &error);

/// A derivation found in a text, with the argument above it, the modal system and the course's
/// choice in force there.
struct DerivationInText
{
    Derivation derivation;
    std::optional<ArgumentGoal> argument;
    ModalSystem system = ModalSystem::K;
    CourseChoice course;
};

/// Every derivation of @p lines, in order; "sistema: S" lines change @p system, and "reglas:"
/// and "ayuda:" lines @p course, for those after.
std::vector<DerivationInText> findDerivations(Logic &logic, std::span<const std::u32string> lines,
    ModalSystem system, CourseChoice course = {});

/// UTF-8 text (a byte-order mark skipped) split into lines as the editor shows them (CR, LF,
/// CRLF, U+2028, U+2029, VT).
std::vector<std::u32string> splitTextLines(std::string_view utf8);

} // namespace logic
