#pragma once

#include "Formula.h"

#include <string>
#include <string_view>

namespace zpl {

// Deeper nesting is refused rather than risking the stack on a hostile line.
inline constexpr int kMaxNesting = 500;

struct ParseResult {
    int root = -1;      // the formula's node, or -1 on error
    int column = 0;     // 1-based byte column of the error
    std::string error;  // Spanish, UTF-8, ends with a full stop
    bool ok() const { return root >= 0; }
};

/// Parses one line of Windows-1252 bytes (without its line break) as one formula.
ParseResult parseFormula(Arena &arena, std::string_view line);

} // namespace zpl
