#include "platform/format/TextFormat.h"

#include "platform/codepages/ByteFaces.h"
#include "platform/codepages/CodePage.h"

#include <QFont>

#include <algorithm>
#include <cmath>

namespace zv {

QString faceName(const QTextCharFormat &format)
{
    const QVariant face = format.property(fmt::FaceName);
    if (face.isValid())
        return face.toString();
    const QStringList families = format.fontFamilies().toStringList();
    return families.isEmpty() ? QString() : families.first();
}

int charset(const QTextCharFormat &format)
{
    return format.intProperty(fmt::Charset);
}

const CodePage &codePage(const QTextCharFormat &format)
{
    return CodePage::forFont(faceName(format), charset(format));
}

void appendBlockBytes(
    QByteArray &out, const QTextBlock &block, int from, int to, Unencodable unencodable)
{
    for (auto it = block.begin(); !it.atEnd(); ++it) {
        const QTextFragment fragment = it.fragment();
        const int offset = fragment.position() - block.position();
        const int start = std::max(from, offset);
        const int end = std::min(to, offset + fragment.length());
        if (start >= end)
            continue;
        const QString text = fragment.text().mid(start - offset, end - start);
        const CodePage &page = codePage(fragment.charFormat());
        const qsizetype first = out.size();
        out += page.encode(text);
        if (unencodable == Unencodable::AsQuestionMark) {
            for (qsizetype i = 0; i < text.size(); ++i)
                if (text.at(i) == QChar::LineSeparator)
                    out[first + i] = '\v';
            continue;
        }
        // Rare: only characters from another program lack a byte.
        if (out.indexOf('?', first) < 0)
            continue;
        out.truncate(first);
        for (const QChar c : text) {
            const int byte = page.fromUnicode(c.unicode());
            if (byte >= 0)
                out += char(byte);
            else if (c == QChar::LineSeparator)
                out += '\v';
            else if (const QByteArray bytes = bytesInByteFace(c.unicode()); !bytes.isEmpty())
                out += bytes;
            else
                out += '?';
        }
    }
}

QStringList displayFamilies(const QString &face, int charset)
{
    // The symbol fonts are not on Linux, and where a byte-keyed stand-in is installed it would
    // draw our Unicode characters wrongly: draw them from fonts that carry the logic symbols.
    // Symbola first: its glyphs keep their names through a print queue's PostScript pass, so a
    // printed ∀ is still text.
    if (isSymbolTableFace(face) || (charset == kSymbolCharset && isSymbolFontName(face)))
        return {QStringLiteral("Symbola"), QStringLiteral("DejaVu Sans")};
    return {face};
}

void setFaceName(QTextCharFormat &format, const QString &face)
{
    const QString name = face.left(fmt::kMaxFaceName);
    format.setProperty(fmt::FaceName, name);
    format.setFontFamilies(displayFamilies(name, charset(format)));
}

void setCharset(QTextCharFormat &format, int value)
{
    format.setProperty(fmt::Charset, value);
    format.setFontFamilies(displayFamilies(faceName(format), value));
}

unsigned char style(const QTextCharFormat &format)
{
    unsigned char s = 0;
    if (format.fontWeight() > QFont::Normal)
        s |= fmt::Bold;
    if (format.fontItalic())
        s |= fmt::Italic;
    if (format.fontUnderline())
        s |= fmt::Underline;
    if (format.fontStrikeOut())
        s |= fmt::StrikeOut;
    return s;
}

void setStyle(QTextCharFormat &format, unsigned char s)
{
    format.setFontWeight((s & fmt::Bold) ? QFont::Bold : QFont::Normal);
    format.setFontItalic(s & fmt::Italic);
    format.setFontUnderline(s & fmt::Underline);
    format.setFontStrikeOut(s & fmt::StrikeOut);
}

QColor color(const QTextCharFormat &format)
{
    if (!format.hasProperty(QTextFormat::ForegroundBrush))
        return {};
    return format.foreground().color();
}

void setColor(QTextCharFormat &format, const QColor &value)
{
    if (value.isValid())
        format.setForeground(value);
    else
        format.clearForeground();
}

int pointSize(const QTextCharFormat &format)
{
    return int(std::lround(format.fontPointSize()));
}

void setPointSize(QTextCharFormat &format, int points)
{
    format.setFontPointSize(points);
}

} // namespace zv
