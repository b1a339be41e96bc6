#pragma once
// Program text as code points, whichever way it reached the interpreter: Windows-1252 bytes from
// the editor, or UTF-8 from a file written elsewhere or from the editor in-process.

#include <string>
#include <string_view>

namespace logic {

enum class Encoding { Cp1252, Utf8 };

bool isValidUtf8(std::string_view bytes);
/// UTF-8 when the bytes are valid UTF-8 and not plain ASCII; Windows-1252 otherwise.
Encoding detectEncoding(std::string_view bytes);

/// 1252 bytes map one to one onto code points; the five codes 1252 leaves undefined become the
/// C1 controls of the same number, so that a message can still name the byte. Invalid UTF-8
/// sequences become U+FFFD.
std::u32string decode(std::string_view bytes, Encoding encoding);
void appendUtf8(std::string &out, char32_t c);
std::string toUtf8(std::u32string_view text);

/// The byte that stands for @p c in 1252 input, or -1 when 1252 has none.
int cp1252Byte(char32_t c);

/// How a symbol with no 1252 code is written in salida.log: a spelling the language also reads
/// ("\forall", "->", "[]"...), or nullptr when @p c has no such spelling.
const char *readableSpelling(char32_t c);
/// UTF-8 to Windows-1252 for salida.log: logic symbols take their readable spellings, other
/// characters 1252 cannot hold become '?'.
std::string toReadableCp1252(std::string_view utf8);

} // namespace logic
