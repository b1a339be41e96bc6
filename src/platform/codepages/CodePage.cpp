#include "platform/codepages/CodePage.h"

#include "platform/codepages/CodePageTables.h"

#include <algorithm>

namespace zv {

namespace {

struct Entry
{
    int number;
    const char16_t *table;
};

constexpr Entry kTextPages[] = {
    {1252, tables::kCp1252},
    {1250, tables::kCp1250},
    {1251, tables::kCp1251},
    {1253, tables::kCp1253},
    {1254, tables::kCp1254},
    {1255, tables::kCp1255},
    {1256, tables::kCp1256},
    {1257, tables::kCp1257},
    {1258, tables::kCp1258},
    {874, tables::kCp874},
    {10000, tables::kCp10000},
    {437, tables::kCp437},
    {850, tables::kCp850},
};

char16_t symbolFallback[256];

const char16_t *fallbackTable()
{
    static const bool filled = [] {
        for (int b = 0; b < 256; ++b)
            symbolFallback[b] = char16_t(0xF000 + b);
        return true;
    }();
    Q_UNUSED(filled);
    return symbolFallback;
}

} // namespace

CodePage::CodePage(const char16_t *table, int number, bool symbol, bool pairs)
    : m_table(table), m_number(number), m_symbol(symbol), m_pairs(pairs)
{
    m_reverse.reserve(256 + 2 * std::size(kTurnstiles));
    for (int b = 0; b < 256; ++b)
        m_reverse.push_back((quint32(table[b]) << 8) | quint32(b));
    if (pairs) {
        for (const Turnstile &t : kTurnstiles) {
            m_reverse.push_back((quint32(t.sign) << 8) | kTurnstileLead);
            m_reverse.push_back((quint32(t.mark) << 8) | t.second);
        }
    }
    std::sort(m_reverse.begin(), m_reverse.end());
}

char16_t CodePage::pairSign(unsigned char first, unsigned char second) const
{
    if (m_pairs && first == kTurnstileLead)
        for (const Turnstile &t : kTurnstiles)
            if (t.second == second)
                return t.sign;
    return 0;
}

char16_t CodePage::pairMark(char16_t sign) const
{
    if (m_pairs)
        for (const Turnstile &t : kTurnstiles)
            if (t.sign == sign)
                return t.mark;
    return 0;
}

QString CodePage::reshown(QStringView shown) const
{
    if (!m_pairs)
        return shown.toString();
    QString out;
    out.reserve(shown.size());
    visitReadable(shown, [&](char16_t ch, qsizetype, qsizetype length) {
        out += QChar(ch);
        if (length == 2)
            out += QChar(pairMark(ch));
    });
    return out;
}

QString CodePage::readable(QStringView shown) const
{
    if (!m_pairs)
        return shown.toString();
    QString out;
    out.reserve(shown.size());
    visitReadable(shown, [&out](char16_t ch, qsizetype, qsizetype) { out += QChar(ch); });
    return out;
}

QString CodePage::shownFromUnicode(QStringView text) const
{
    if (!m_pairs)
        return text.toString();
    QString out;
    out.reserve(text.size() + 1);
    for (qsizetype i = 0; i < text.size(); ++i) {
        const char16_t ch = text[i].unicode();
        out += QChar(ch);
        const char16_t mark = pairMark(ch);
        if (mark && (i + 1 == text.size() || text[i + 1].unicode() != mark))
            out += QChar(mark);
    }
    return out;
}

int CodePage::fromUnicode(char16_t ch) const
{
    const quint32 key = quint32(ch) << 8;
    auto it = std::lower_bound(m_reverse.begin(), m_reverse.end(), key);
    if (it != m_reverse.end() && (*it >> 8) == ch)
        return int(*it & 0xFF);
    return -1;
}

QString CodePage::decode(QByteArrayView bytes) const
{
    QString out(bytes.size(), Qt::Uninitialized);
    QChar *dst = out.data();
    const qsizetype n = bytes.size();
    for (qsizetype i = 0; i < n; ++i) {
        const auto byte = static_cast<unsigned char>(bytes[i]);
        if (byte == kTurnstileLead && m_pairs && i + 1 < n) {
            if (const char16_t sign = pairSign(byte, static_cast<unsigned char>(bytes[i + 1]))) {
                *dst++ = QChar(sign);
                for (const Turnstile &t : kTurnstiles)
                    if (t.sign == sign)
                        *dst++ = QChar(t.mark);
                ++i;
                continue;
            }
        }
        *dst++ = QChar(m_table[byte]);
    }
    return out;
}

QByteArray CodePage::encode(QStringView text, char fallback) const
{
    QByteArray out(text.size(), Qt::Uninitialized);
    char *dst = out.data();
    for (QChar c : text) {
        const int b = fromUnicode(c.unicode());
        *dst++ = b < 0 ? fallback : char(b);
    }
    return out;
}

int CodePage::numberForCharset(int charset)
{
    switch (charset) {
    case kAnsiCharset:
    case kDefaultCharset: return 1252;
    case kSymbolCharset: return 0;
    case kMacCharset: return 10000;
    case 78: return 10001;
    case 79: return 10003;
    case 80: return 10008;
    case 81: return 10002;
    case 128: return 932;
    case 129: return 949;
    case 130: return 1361;
    case 134: return 936;
    case 136: return 950;
    case 161: return 1253;
    case 162: return 1254;
    case 163: return 1258;
    case 177: return 1255;
    case 178: return 1256;
    case 186: return 1257;
    case 204: return 1251;
    case 222: return 874;
    case 238: return 1250;
    case 254: return 437;
    case 255: return 850;
    default: return -1;
    }
}

const CodePage *CodePage::forNumber(int number)
{
    static const auto pages = [] {
        std::vector<CodePage> v;
        for (const Entry &e : kTextPages)
            v.emplace_back(e.table, e.number, false);
        return v;
    }();
    for (const CodePage &p : pages)
        if (p.number() == number)
            return &p;
    return nullptr;
}

const CodePage &CodePage::windows1252()
{
    return *forNumber(1252);
}

const CodePage &CodePage::forCharset(int charset)
{
    const CodePage *page = forNumber(numberForCharset(charset));
    return page ? *page : windows1252();
}

bool isSymbolTableFace(QStringView face)
{
    return face.compare(u"Symbol", Qt::CaseInsensitive) == 0
        || face.compare(u"Wingdings 2", Qt::CaseInsensitive) == 0
        || face.compare(u"Wingdings 3", Qt::CaseInsensitive) == 0;
}

bool isSymbolFontName(QStringView face)
{
    // Symbol fonts whose glyphs are not letters: Wingdings, Webdings, Marlett, MT Extra, ...
    static const char16_t *const kMarks[]
        = {u"symbol", u"ding", u"marlett", u"sorts", u"mt extra", u"specialty", u"math"};
    for (const char16_t *mark : kMarks)
        if (face.contains(QStringView(mark), Qt::CaseInsensitive))
            return true;
    return false;
}

const CodePage &CodePage::forFont(QStringView face, int charset)
{
    static const CodePage symbol(tables::kSymbol, 0, true, true);
    static const CodePage wingdings2(tables::kWingdings2, 0, true);
    static const CodePage wingdings3(tables::kWingdings3, 0, true);
    static const CodePage fallback(fallbackTable(), 0, true);

    if (face.compare(u"Symbol", Qt::CaseInsensitive) == 0)
        return symbol;
    if (face.compare(u"Wingdings 2", Qt::CaseInsensitive) == 0)
        return wingdings2;
    if (face.compare(u"Wingdings 3", Qt::CaseInsensitive) == 0)
        return wingdings3;
    if (charset == kSymbolCharset && isSymbolFontName(face))
        return fallback;
    return forCharset(charset);
}

} // namespace zv
