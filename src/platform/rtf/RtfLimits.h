#pragma once

namespace zv::rtf {

/// Bounds that keep a hostile file from costing more than its size. A file past a structural
/// bound is not read as RTF at all; a table past its bound loses the extra entries.
namespace limits {
/// Longest control word, in letters.
constexpr int kMaxWordLength = 32;
/// Longest numeric parameter, in digits (a 32-bit value needs 10).
constexpr int kMaxNumberLength = 10;
/// Deepest nesting of groups.
constexpr int kMaxGroupDepth = 1024;
/// Most fonts and colours kept from the tables.
constexpr int kMaxFonts = 4096;
constexpr int kMaxColors = 4096;
/// Longest face name kept while it is read, in bytes.
constexpr int kMaxFaceNameBytes = 256;
/// Largest \ucN honoured.
constexpr int kMaxUnicodeSkip = 16;
} // namespace limits

} // namespace zv::rtf
