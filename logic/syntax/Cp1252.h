#pragma once

#include <string>
#include <string_view>

namespace logic {

/// Windows-1252 bytes to UTF-8; the five codes 1252 leaves undefined become U+FFFD.
std::string fromCp1252(std::string_view bytes);
/// UTF-8 to Windows-1252; characters 1252 cannot hold become '?'.
std::string toCp1252(std::string_view utf8);
/// Whether the byte is a visible character in 1252 (not a control code, not undefined).
bool isPrintableCp1252(unsigned char c);

} // namespace logic
