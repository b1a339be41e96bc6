#pragma once

#include <QByteArrayView>

namespace zv::rtf {

/// What the reader does with a control word. Words not in the table are ignored.
// clang-format off
enum class Control : unsigned char {
    Unknown,
    // Destinations.
    FontTable, ColorTable, SkipDestination,
    // Document.
    Ansi, Mac, Pc, Pca, AnsiCodePage, DefaultFont, UnicodeSkip, Unicode,
    // Font and colour tables.
    Red, Green, Blue, FontCharset, FontCodePage, ZarvikCharset,
    // Character properties.
    Plain, Font, FontSize, Bold, Italic, Underline, UnderlineNone, Strike, Color,
    // Breaks and special characters.
    Paragraph, Line, Tab, Character, FootnoteNumber,
};
// clang-format on

struct ControlWord
{
    Control control = Control::Unknown;
    char16_t character = 0; ///< for Control::Character
};

/// Looks @p name up in one sorted table.
ControlWord lookupControlWord(QByteArrayView name);

} // namespace zv::rtf
