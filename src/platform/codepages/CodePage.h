#pragma once

#include <QByteArray>
#include <QString>
#include <QStringView>

#include <vector>

namespace zv {

/// Windows character sets that RTF and the typing attributes name with a number.
enum Charset : int {
    kAnsiCharset = 0,
    kDefaultCharset = 1,
    kSymbolCharset = 2,
    kMacCharset = 77,
};

/**
 * "Symbol" draws two of its bytes as one sign: 0xF7 then 0x2D is ⊢, 0xF7 then 0x3D is ⊨.
 *
 * The document keeps both bytes, one position each. On screen the pair is the turnstile followed
 * by its mark, an invisible variation selector that stands for the second byte: the pair draws
 * as one glyph and the caret crosses it in one step, while every character still has exactly one
 * byte. Text that leaves Zarvik carries the turnstile alone (CodePage::readable()).
 */
struct Turnstile
{
    unsigned char second; ///< the byte after kTurnstileLead
    char16_t sign;        ///< what the pair means: ⊢ or ⊨
    char16_t mark;        ///< the invisible character shown for the second byte
};
inline constexpr unsigned char kTurnstileLead = 0xF7;
inline constexpr Turnstile kTurnstiles[] = {{0x2D, 0x22A2, 0xFE00}, {0x3D, 0x22A8, 0xFE01}};

/**
 * One 8-bit code page: byte <-> the Unicode character that is shown for it.
 *
 * The document keeps bytes; what a byte means depends on its font. "Symbol", "Wingdings 2" and
 * "Wingdings 3" have tables of their own, any other symbol font with the symbol character set
 * maps byte b to U+F000+b, and every other font uses the code page of its character set.
 * Every table is injective and inside the BMP, so one byte is one character position; "Symbol"
 * shows its turnstile pairs as described at Turnstile.
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

    /// The character shown for @p byte on its own, outside a turnstile pair.
    char16_t toUnicode(unsigned char byte) const { return m_table[byte]; }
    /// The byte that @p ch shows, or -1 when this code page has none. Each shown character has
    /// its own byte, a turnstile's sign and mark included, so this needs no context.
    int fromUnicode(char16_t ch) const;

    /// The characters shown for @p bytes, one per byte, turnstile pairs included.
    QString decode(QByteArrayView bytes) const;
    /// Characters without a byte become @p fallback.
    QByteArray encode(QStringView text, char fallback = '?') const;

    /// True for the code page that has turnstile pairs ("Symbol").
    bool hasPairs() const { return m_pairs; }
    /// The sign that the bytes @p first @p second make together, or 0 when they are no pair.
    char16_t pairSign(unsigned char first, unsigned char second) const;
    /// The mark shown after @p sign when it stands for a pair of this code page, or 0.
    char16_t pairMark(char16_t sign) const;
    /// @p shown as this code page shows its bytes: a character keeps its byte and is shown anew
    /// in its context (a split pair shows its bytes alone, two bytes that meet make a pair);
    /// characters without a byte stay. Always the same length as @p shown.
    QString reshown(QStringView shown) const;
    /// Unicode text from outside as this code page would show it: a turnstile sign becomes its
    /// two-character pair; everything else stays.
    QString shownFromUnicode(QStringView text) const;

    /**
     * The text as the user sees it: what every export that is not bytes carries (the clipboard's
     * text and HTML, the RTF's Unicode, printing, zvkconv). @p shown is one run of characters in
     * this code page; each turnstile pair becomes its one sign and no mark is left, every other
     * character is the one its byte shows. The result may be shorter than @p shown.
     */
    QString readable(QStringView shown) const;
    /// readable() one character at a time: @p visit(ch, at, length) for each character the user
    /// sees, where [at, at + length) are the characters of @p shown that make it (two for a pair).
    template <class Visit> void visitReadable(QStringView shown, Visit &&visit) const;

    /// True for the symbol tables and the U+F000 fallback: bytes that mean glyphs, not letters.
    bool isSymbol() const { return m_symbol; }
    /// The Windows code page number; 0 for a symbol table.
    int number() const { return m_number; }

    CodePage(const char16_t *table, int number, bool symbol, bool pairs = false);

private:
    const char16_t *m_table;
    int m_number;
    bool m_symbol;
    bool m_pairs;
    // Sorted (unicode << 8 | byte) for the reverse lookup.
    std::vector<quint32> m_reverse;
};

template <class Visit> void CodePage::visitReadable(QStringView shown, Visit &&visit) const
{
    const qsizetype n = shown.size();
    for (qsizetype i = 0; i < n; ++i) {
        const char16_t ch = shown[i].unicode();
        // A text page shows ASCII as itself, and no turnstile pair has an ASCII sign: most of a
        // long text needs no lookup.
        if (ch < 0x80 && !m_symbol) {
            visit(ch, i, qsizetype(1));
            continue;
        }
        const int byte = fromUnicode(ch);
        if (byte < 0) {
            visit(ch, i, qsizetype(1));
            continue;
        }
        if (byte == kTurnstileLead && m_pairs && i + 1 < n) {
            const int next = fromUnicode(shown[i + 1].unicode());
            if (const char16_t sign = next >= 0 ? pairSign(uchar(byte), uchar(next)) : 0) {
                visit(sign, i, qsizetype(2));
                ++i;
                continue;
            }
        }
        visit(m_table[byte], i, qsizetype(1));
    }
}

/// True for the three fonts whose bytes Zarvik draws through a table of their own.
bool isSymbolTableFace(QStringView face);

/// True for a face that names a symbol font. A text face that merely carries the symbol
/// character set, as the palette leaves it for the text typed after ⊨, ⊢ or ←, still draws
/// letters.
bool isSymbolFontName(QStringView face);

} // namespace zv
