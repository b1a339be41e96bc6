#pragma once

#include "Formula.h"
#include "Logic.h"
#include "Text.h"

#include <string>
#include <string_view>
#include <vector>

namespace logic {

// Parentheses open at once: the reader recurses once per pair, so this is the engine's one depth
// limit too.
inline constexpr int kMaxNesting = kMaxFormulaDepth;

/// One line of a program: a formula, or an argument "premises ⊨ conclusion".
struct LineParse
{
    std::vector<int> premises; // formulas of the Logic store
    int conclusion = -1;       // the formula, or the argument's conclusion
    bool argument = false;     // the line had a turnstile
    int column = 0;            // 1-based column of an error, in characters
    std::string error;         // Spanish, UTF-8; empty when the line was understood
    bool ok() const { return error.empty(); }
};

/// Parses one line (without its line break). @p encoding only decides how a message names a
/// character it cannot read: by its 1252 byte or by its code point.
LineParse parseLine(Logic &logic, std::u32string_view line, Encoding encoding);

struct ParseResult
{
    int root = -1;     // the formula's node, or -1 on error
    int column = 0;    // 1-based column of the error, in characters
    std::string error; // Spanish, UTF-8, ends with a full stop or a question mark
    bool ok() const { return root >= 0; }
};

/// A propositional formula of @p logic as a node of @p arena (0-ary predicates become variables).
int toArena(const Logic &logic, int formula, Arena &arena);

/// Parses one line as one propositional formula into @p arena.
ParseResult parseFormula(Arena &arena, std::u32string_view line, Encoding encoding);
/// The same for a line of Windows-1252 bytes.
ParseResult parseFormula(Arena &arena, std::string_view line);

} // namespace logic
