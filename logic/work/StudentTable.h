#pragma once
// A student's truth table as read, before it is judged: what the table's check and the
// verdict's counterexample row both need.

#include "Work.h"

#include <string>
#include <vector>

namespace logic {

struct StudentTable
{
    struct Column
    {
        std::string written; ///< the header cell as written, trimmed
        int formula = -1;    ///< in the Logic store; -1 when the cell is no formula
        int letter = -1;     ///< a sentence letter's column: its index into letters
    };
    struct Row
    {
        int line = 0; ///< 0-based line of the text
        std::vector<std::u32string> cells;
        std::vector<int> values; ///< per cell: 1 true, 0 false, -1 unreadable
        bool wellFormed = false; ///< one value per column
    };
    int header = 0; ///< 0-based line of the text
    std::vector<Column> columns;
    std::vector<int> letters; ///< the 0-ary predicates that have a column, in column order
    std::vector<Row> rows;    ///< the rows of values, rule lines left out
};

/// The cells of one line of a table: split at '|', a leading and a trailing '|' optional.
std::vector<std::u32string> tableCells(std::u32string_view line);
/// Whether @p line is a rule: only '-', '=', '+', '|' and spaces, and some '-' or '='.
bool isRuleLine(std::u32string_view line);
/// 1 for V, T or 1; 0 for F or 0 (either case, spaces aside); -1 otherwise.
int truthValue(std::u32string_view cell);

StudentTable readTable(Logic &logic, std::span<const std::u32string> lines, const WorkPiece &piece);

/// The value of the propositional formula @p f under @p values (per predicate of the store:
/// 1, 0, or -1 unknown); -1 when some letter under it has no value.
int valueOf(const Logic &logic, int f, const std::vector<int> &values);

} // namespace logic
