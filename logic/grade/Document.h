#pragma once
// A file of a class as its lines of text, whichever program wrote it: Zarvik's own RTF, another
// word processor's RTF, or plain text in UTF-8 or Windows-1252. Each line keeps the bytes it came
// from, so that a copy can leave out some lines and keep every other byte as it was.

#include <cstddef>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace logic::grade {

struct DocumentText
{
    bool ok = false;
    std::string error; ///< Spanish: why the bytes are no document
    bool rtf = false;
    std::vector<std::u32string> lines;
    /// Per line, the bytes [first, second) of the source that hold it and what ends it.
    std::vector<std::pair<std::size_t, std::size_t>> spans;
    /// Per line, where what ends it starts ("\par", a line feed), or bodyEnd for the last line
    /// when nothing ends it.
    std::vector<std::size_t> breaks;
    std::size_t bodyEnd = 0; ///< where the last line's bytes end: an RTF's closing brace
};

/// The lines of @p bytes. RTF when they open with "{\rtf"; text otherwise, which must hold no
/// NUL byte. Lines of RTF are its paragraphs and its line breaks; tables' cells become " | ".
DocumentText readDocument(std::string_view bytes);

/// @p bytes without the lines [from, to) of @p doc, which came from them. For RTF, the text of
/// those lines goes, and the braces and formatting that the lines after them still need stay.
std::string withoutLines(const DocumentText &doc, std::string_view bytes,
    const std::vector<std::pair<int, int>> &ranges);

} // namespace logic::grade
