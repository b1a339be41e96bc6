#pragma once

#include <QByteArray>
#include <QHash>
#include <QString>
#include <QStringDecoder>

#include <memory>
#include <vector>

namespace zv {
class CodePage;
}

namespace zv::rtf {

/// A font of the font table as the reader applies it.
struct RtfFont
{
    QString face;
    int charset = 0;                ///< the character set its characters carry
    const CodePage *page = nullptr; ///< decodes \'hh and text bytes; null with `multiByte`
    std::unique_ptr<QStringDecoder> multiByte; ///< for the double-byte code pages
};

/**
 * The font table, filled one entry at a time as the reader meets \fN, \fcharsetN, \cpgN and the
 * face name ending in ';'. Entries past limits::kMaxFonts and repeated numbers are dropped.
 */
class RtfFontTable
{
public:
    void begin(int number);
    void setCharset(int charset) { m_charset = charset; }
    void setCodePage(int number) { m_codePage = number; }
    void addNameByte(char byte);
    /// Completes the pending entry, if any, under the document code page @p ansiCodePage.
    void commit(int ansiCodePage);

    /// The index of font @p number, or -1.
    int indexOf(int number) const { return m_byNumber.value(number, -1); }
    const RtfFont &at(int index) const { return m_fonts[std::size_t(index)]; }

    /// The code page of @p number for a document default or \cpg, with a decoder where no
    /// table is baked; both null when unknown.
    static void pageFor(
        int number, const CodePage *&page, std::unique_ptr<QStringDecoder> &decoder);
    /// The Windows character set whose code page is @p number (0 when none is).
    static int charsetForCodePage(int number);
    /// @p face in the code page of @p charset, as commit() reads it back (with \ansicpg1252).
    static QByteArray encodeFaceName(const QString &face, int charset);

private:
    std::vector<RtfFont> m_fonts;
    QHash<int, int> m_byNumber;
    bool m_pending = false;
    int m_number = 0;
    int m_charset = -1;
    int m_codePage = 0;
    QByteArray m_name;
};

} // namespace zv::rtf
