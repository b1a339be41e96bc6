#pragma once

#include "Formula.h"
#include "Text.h"

#include <string>
#include <string_view>

namespace zpl {

// Deeper nesting is refused rather than risking the stack on a hostile line.
inline constexpr int kMaxNesting = 500;

struct ParseResult {
    int root = -1;      // the formula's node, or -1 on error
    int column = 0;     // 1-based column of the error, in characters
    std::string error;  // Spanish, UTF-8, ends with a full stop or a question mark
    bool ok() const { return root >= 0; }
};

/// Parses one line (without its line break) as one formula. @p encoding only decides how a
/// message names a character it cannot read: by its 1252 byte or by its code point.
ParseResult parseFormula(Arena &arena, std::u32string_view line, Encoding encoding);
/// The same for a line of Windows-1252 bytes.
ParseResult parseFormula(Arena &arena, std::string_view line);

/// How a message names the token at @p pos of @p line ("la variable q", "el carácter «#» (byte
/// 0x23)"); shared by every grammar built on the token layer.
std::string describeToken(std::u32string_view line, int pos, Encoding encoding);

} // namespace zpl
