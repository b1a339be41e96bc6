#pragma once

#include <QColor>
#include <QString>
#include <QStringList>
#include <QTextBlock>
#include <QTextCharFormat>

namespace zv {

class CodePage;

/**
 * The character properties that Zarvik keeps on a QTextCharFormat beyond Qt's own.
 *
 * The document font name ("Symbol", "Verdana") is kept apart from the families that draw it,
 * because on Linux the symbol fonts are drawn through a Unicode font list. The colour is
 * automatic while the format has no foreground.
 */
namespace fmt {
constexpr int FaceName = QTextFormat::UserProperty + 1; ///< QString: the font name of the document
constexpr int Charset = QTextFormat::UserProperty + 2;  ///< int: the Windows character set
/// bool, on a block: it goes on the paragraph before it (see LongParagraphs.h)
constexpr int ContinuesParagraph = QTextFormat::UserProperty + 3;

/// Face names are stored with at most this many characters.
constexpr int kMaxFaceName = 31;

/// Style byte of the typing attributes.
enum Style : unsigned char { Bold = 0x01, Italic = 0x02, Underline = 0x04, StrikeOut = 0x08 };
} // namespace fmt

QString faceName(const QTextCharFormat &format);
int charset(const QTextCharFormat &format);
const CodePage &codePage(const QTextCharFormat &format);

/// Sets the document font name and the families that draw it.
void setFaceName(QTextCharFormat &format, const QString &face);
void setCharset(QTextCharFormat &format, int charset);

unsigned char style(const QTextCharFormat &format);
/// Writes all four style flags.
void setStyle(QTextCharFormat &format, unsigned char style);

/// An invalid colour means automatic (the window-text colour).
QColor color(const QTextCharFormat &format);
void setColor(QTextCharFormat &format, const QColor &color);

int pointSize(const QTextCharFormat &format);
void setPointSize(QTextCharFormat &format, int points);

/// What a character becomes that its own font has no byte for (text from another program).
enum class Unencodable {
    AsQuestionMark,
    /// The bytes of the font that a paste would move it to (bytesInByteFace()): the bytes the
    /// palette or a paste give a logic symbol.
    AsByteFaceHasIt,
};

/// Appends the bytes of the characters [from, to) of @p block, counted from the block's start:
/// each through its own font's code page, a soft line break as VT.
void appendBlockBytes(QByteArray &out, const QTextBlock &block, int from, int to,
    Unencodable unencodable = Unencodable::AsQuestionMark);

/// The families that draw @p face: the face itself, or a Unicode font list for symbol fonts.
QStringList displayFamilies(const QString &face, int charset);

} // namespace zv
