#pragma once

#include "syntax/Formula.h"

#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

namespace logic {

inline constexpr int kMaxTableVariables = 6;
// Past this many columns a row no longer fits the results window, and a long formula's table
// would grow with the square of its length.
inline constexpr int kMaxTableColumns = 40;
// A column is described in full up to this many bytes; a longer one names its parts by their
// column numbers, so that the list of columns stays as long as the formula, not its square.
inline constexpr std::size_t kMaxColumnText = 60;
// Tables stop once the text before them holds this many bytes: a long program of small
// formulas would otherwise print a table for each, hundreds of times its own size.
inline constexpr std::size_t kTableBudget = 2'000'000;

// Every function here returns UTF-8 text with '\n' after every line and tabs between cells, rows
// starting with all variables V. A table that is left out becomes one line that says why.

/// The truth table of one formula: its compound subformulas numbered (1), (2)… and listed, then
/// a column per variable and per subformula.
std::string formulaTable(const Arena &arena, int root);

/// The joint table of an argument: a column per variable, per premise (P1, P2…) and for the
/// conclusion (C). Rows where every premise is true are marked "*", and those where the
/// conclusion is false besides, "* contraejemplo".
std::string argumentTable(const Arena &arena, const std::vector<int> &premises, int conclusion);

} // namespace logic
