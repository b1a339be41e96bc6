#pragma once

#include <QByteArray>
#include <QString>
#include <QStringView>

#include <array>

namespace zv {

/// Windows character sets that RTF and the typing attributes name with a number.
enum Charset : int {
    kAnsiCharset = 0,
    kDefaultCharset = 1,
    kSymbolCharset = 2,
    kMacCharset = 77,
};

/**
 * One 8-bit code page: byte <-> the Unicode character that is shown for it.
 *
 * The document keeps bytes; what a byte means depends on its font. "Symbol", "Wingdings 2" and
 * "Wingdings 3" have tables of their own, any other symbol font with the symbol character set
 * maps byte b to U+F000+b, and every other font uses the code page of its character set.
 * Every table is injective and inside the BMP, so one byte is one character position.
 */
class CodePage
{
public:
    /// The code page that draws the bytes of @p face with character set @p charset.
    static const CodePage &forFont(QStringView face, int charset);
    /// The text code page of a character set (1252 for ANSI, DEFAULT and unknown ones).
    static const CodePage &forCharset(int charset);
    /// A Windows code page by number (1250, 1251, ..., 10000, 437); nullptr when unknown.
    static const CodePage *forNumber(int number);
    static const CodePage &windows1252();
    /// The character set's Windows code page number, 0 for the symbol set, -1 when unknown.
    static int numberForCharset(int charset);

    char16_t toUnicode(unsigned char byte) const { return m_table[byte]; }
    /// The byte that shows @p ch, or -1 when this code page has none.
    int fromUnicode(char16_t ch) const;

    QString decode(QByteArrayView bytes) const;
    /// Characters without a byte become @p fallback.
    QByteArray encode(QStringView text, char fallback = '?') const;

    /// True for the symbol tables and the U+F000 fallback: bytes that mean glyphs, not letters.
    bool isSymbol() const { return m_symbol; }
    /// The Windows code page number; 0 for a symbol table.
    int number() const { return m_number; }

    CodePage(const char16_t *table, int number, bool symbol);

private:
    const char16_t *m_table;
    int m_number;
    bool m_symbol;
    // Sorted (unicode << 8 | byte) for the reverse lookup.
    std::array<quint32, 256> m_reverse{};
};

/// True for the three fonts whose bytes Zarvik draws through a table of their own.
bool isSymbolTableFace(QStringView face);

/// True for a face that names a symbol font. A text face that merely carries the symbol
/// character set, as the palette leaves it for the text typed after ⊨, ⊢ or ←, still draws
/// letters.
bool isSymbolFontName(QStringView face);

} // namespace zv
