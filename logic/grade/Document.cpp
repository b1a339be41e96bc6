#include "Document.h"

#include "syntax/Text.h"

#include <algorithm>
#include <array>
#include <cstdint>

namespace logic::grade {
namespace {

// A group that holds no text of the document: tables of fonts and colours, pictures, headers.
bool skippedDestination(std::string_view word)
{
    static constexpr std::array<std::string_view, 28> kWords = {"fonttbl", "colortbl", "stylesheet",
        "info", "pict", "object", "header", "headerl", "headerr", "headerf", "footer", "footerl",
        "footerr", "footerf", "footnote", "listtable", "listoverridetable", "rsidtbl", "generator",
        "xmlnstbl", "themedata", "colorschememapping", "latentstyles", "datastore", "pgdsctbl",
        "fldinst", "filetbl", "revtbl"};
    return std::find(kWords.begin(), kWords.end(), word) != kWords.end();
}

enum class Tok : std::uint8_t { Open, Close, Word, Hex, Symbol, Text, Bin };

struct Token
{
    Tok kind = Tok::Text;
    std::size_t begin = 0, end = 0;
    std::string_view word; // a control word's letters
    long number = 0;
    bool hasNumber = false;
    unsigned char byte = 0; // Hex, Symbol and Text
};

class Tokenizer
{
public:
    explicit Tokenizer(std::string_view b) : m_b(b) {}
    bool next(Token &t)
    {
        if (m_at >= m_b.size())
            return false;
        t = Token();
        t.begin = m_at;
        const unsigned char c = static_cast<unsigned char>(m_b[m_at++]);
        if (c == '{') {
            t.kind = Tok::Open;
        } else if (c == '}') {
            t.kind = Tok::Close;
        } else if (c != '\\') {
            t.kind = Tok::Text;
            t.byte = c;
        } else if (m_at >= m_b.size()) {
            t.kind = Tok::Symbol;
        } else if (isAlpha(m_b[m_at])) {
            const std::size_t w = m_at;
            while (m_at < m_b.size() && isAlpha(m_b[m_at]) && m_at - w < 32)
                ++m_at;
            t.kind = Tok::Word;
            t.word = m_b.substr(w, m_at - w);
            bool negative = false;
            if (m_at < m_b.size() && m_b[m_at] == '-') {
                negative = true;
                ++m_at;
            }
            const std::size_t d = m_at;
            while (m_at < m_b.size() && isDigit(m_b[m_at]) && m_at - d < 10)
                t.number = t.number * 10 + (m_b[m_at++] - '0');
            t.hasNumber = m_at > d;
            if (negative)
                t.number = -t.number;
            if (m_at < m_b.size() && m_b[m_at] == ' ')
                ++m_at;
            if (t.word == "bin" && t.number > 0) {
                // Binary data: its bytes are no RTF.
                t.kind = Tok::Bin;
                m_at
                    += std::min<std::size_t>(static_cast<std::size_t>(t.number), m_b.size() - m_at);
            }
        } else if (m_b[m_at] == '\'') {
            ++m_at;
            int value = 0, digits = 0;
            while (digits < 2 && m_at < m_b.size() && hexValue(m_b[m_at]) >= 0) {
                value = value * 16 + hexValue(m_b[m_at++]);
                ++digits;
            }
            t.kind = Tok::Hex;
            t.byte = static_cast<unsigned char>(value);
        } else {
            t.kind = Tok::Symbol;
            t.byte = static_cast<unsigned char>(m_b[m_at++]);
        }
        t.end = m_at;
        return true;
    }

private:
    static bool isAlpha(char c) { return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z'); }
    static bool isDigit(char c) { return c >= '0' && c <= '9'; }
    static int hexValue(char c)
    {
        if (isDigit(c))
            return c - '0';
        if (c >= 'a' && c <= 'f')
            return c - 'a' + 10;
        if (c >= 'A' && c <= 'F')
            return c - 'A' + 10;
        return -1;
    }
    std::string_view m_b;
    std::size_t m_at = 0;
};

enum class Effect : std::uint8_t { None, Char, Break, Cell };

// What a control word does to the text: a character, a line's end, a cell's end, or nothing.
Effect wordEffect(std::string_view w, char32_t &c)
{
    if (w == "par" || w == "line" || w == "sect" || w == "page" || w == "row" || w == "nestrow")
        return Effect::Break;
    if (w == "cell" || w == "nestcell")
        return Effect::Cell;
    static constexpr std::array<std::pair<std::string_view, char32_t>, 10> kChars = {{
        {"tab", U'\t'},
        {"emdash", U'\u2014'},
        {"endash", U'\u2013'},
        {"lquote", U'\u2018'},
        {"rquote", U'\u2019'},
        {"ldblquote", U'\u201C'},
        {"rdblquote", U'\u201D'},
        {"bullet", U'\u2022'},
        {"emspace", U' '},
        {"enspace", U' '},
    }};
    for (const auto &[word, ch] : kChars)
        if (w == word) {
            c = ch;
            return Effect::Char;
        }
    return Effect::None;
}

char32_t fromByte(unsigned char b)
{
    const std::u32string one
        = decode(std::string_view(reinterpret_cast<const char *>(&b), 1), Encoding::Cp1252);
    return one.empty() ? U'\uFFFD' : one[0];
}

struct Group
{
    int skipCount = 1; // \ucN: the fallback characters after \uN
    bool skipped = false;
    bool fresh = true; // no token yet: a destination is named by the first one
};

DocumentText readRtf(std::string_view b)
{
    DocumentText doc;
    doc.rtf = true;
    doc.ok = true;
    std::vector<Group> groups;
    std::u32string line;
    std::size_t lineStart = 0;
    int pendingSkip = 0; // fallback characters still to pass over
    char32_t highSurrogate = 0;
    auto endLine = [&](std::size_t breakAt, std::size_t at) {
        doc.lines.push_back(line);
        doc.spans.emplace_back(lineStart, at);
        doc.breaks.push_back(breakAt);
        line.clear();
        lineStart = at;
    };
    Tokenizer tokens(b);
    Token t;
    bool started = false;
    while (tokens.next(t)) {
        if (t.kind == Tok::Open) {
            Group g = groups.empty() ? Group() : groups.back();
            g.fresh = true;
            groups.push_back(g);
            started = true;
            pendingSkip = 0;
            continue;
        }
        if (t.kind == Tok::Close) {
            if (!groups.empty())
                groups.pop_back();
            pendingSkip = 0;
            if (groups.empty() && started) {
                doc.bodyEnd = t.begin;
                break;
            }
            continue;
        }
        if (groups.empty())
            continue; // bytes outside the document's group
        Group &g = groups.back();
        const bool first = g.fresh;
        g.fresh = false;
        if (t.kind == Tok::Symbol && t.byte == '*' && first) {
            g.skipped = true;
            continue;
        }
        if (t.kind == Tok::Word && first && skippedDestination(t.word))
            g.skipped = true;
        if (g.skipped)
            continue;
        if (pendingSkip > 0 && t.kind != Tok::Word) {
            if (t.kind == Tok::Text && (t.byte == '\r' || t.byte == '\n'))
                continue;
            --pendingSkip;
            continue;
        }
        if (pendingSkip > 0)
            --pendingSkip;
        char32_t c = 0;
        switch (t.kind) {
        case Tok::Word:
            if (t.word == "uc" && t.hasNumber) {
                g.skipCount = static_cast<int>(std::clamp(t.number, 0L, 10L));
            } else if (t.word == "u" && t.hasNumber) {
                long n = t.number < 0 ? t.number + 65536 : t.number;
                pendingSkip = g.skipCount;
                if (n >= 0xD800 && n < 0xDC00) {
                    highSurrogate = static_cast<char32_t>(n);
                } else {
                    if (n >= 0xDC00 && n < 0xE000 && highSurrogate)
                        n = 0x10000 + ((static_cast<long>(highSurrogate) - 0xD800) << 10)
                            + (n - 0xDC00);
                    highSurrogate = 0;
                    line += static_cast<char32_t>(n);
                }
            } else {
                switch (wordEffect(t.word, c)) {
                case Effect::Break: endLine(t.begin, t.end); break;
                case Effect::Cell: line += U" | "; break;
                case Effect::Char: line += c; break;
                case Effect::None: break;
                }
            }
            break;
        case Tok::Hex: line += fromByte(t.byte); break;
        case Tok::Symbol:
            if (t.byte == '\\' || t.byte == '{' || t.byte == '}')
                line += static_cast<char32_t>(t.byte);
            else if (t.byte == '~')
                line += U'\u00A0';
            else if (t.byte == '_')
                line += U'-';
            else if (t.byte == '\n' || t.byte == '\r')
                endLine(t.begin, t.end);
            break;
        case Tok::Text:
            if (t.byte != '\r' && t.byte != '\n')
                line += fromByte(t.byte);
            break;
        default: break;
        }
    }
    if (doc.bodyEnd == 0)
        doc.bodyEnd = b.size();
    if (!line.empty() || doc.lines.empty())
        endLine(doc.bodyEnd, doc.bodyEnd);
    return doc;
}

DocumentText readPlain(std::string_view b)
{
    DocumentText doc;
    if (b.find('\0') != std::string_view::npos) {
        doc.error = "no es un documento: contiene bytes nulos";
        return doc;
    }
    doc.ok = true;
    std::size_t at = 0;
    if (b.substr(0, 3) == "\xEF\xBB\xBF")
        at = 3;
    const Encoding encoding = detectEncoding(b.substr(at));
    std::size_t start = 0; // the mark goes with the first line
    while (at <= b.size()) {
        std::size_t end = b.find_first_of("\r\n", at);
        if (end == std::string_view::npos) {
            if (at < b.size() || doc.lines.empty()) {
                doc.lines.push_back(decode(b.substr(at), encoding));
                doc.spans.emplace_back(start, b.size());
                doc.breaks.push_back(b.size());
            }
            break;
        }
        std::size_t next = end + 1;
        if (b[end] == '\r' && next < b.size() && b[next] == '\n')
            ++next;
        doc.lines.push_back(decode(b.substr(at, end - at), encoding));
        doc.spans.emplace_back(start, next);
        doc.breaks.push_back(end);
        start = at = next;
    }
    doc.bodyEnd = b.size();
    return doc;
}

} // namespace

DocumentText readDocument(std::string_view bytes)
{
    std::size_t at = bytes.substr(0, 3) == "\xEF\xBB\xBF" ? 3 : 0;
    while (at < bytes.size() && (bytes[at] == ' ' || bytes[at] == '\r' || bytes[at] == '\n'))
        ++at;
    if (bytes.substr(at, 5) == "{\\rtf")
        return readRtf(bytes.substr(0));
    return readPlain(bytes);
}

std::string withoutLines(
    const DocumentText &doc, std::string_view bytes, const std::vector<std::pair<int, int>> &ranges)
{
    std::string out;
    std::size_t copied = 0;
    for (const auto &[from, to] : ranges) {
        if (from >= to || from < 0 || static_cast<std::size_t>(to) > doc.spans.size())
            continue;
        std::size_t a = doc.spans[static_cast<std::size_t>(from)].first;
        // A cut to the end of a document whose last line has no break of its own takes the
        // line above's, so that no empty paragraph is left at the end.
        if (static_cast<std::size_t>(to) == doc.spans.size() && from > 0 && doc.rtf
            && doc.breaks.back() == doc.bodyEnd)
            a = doc.breaks[static_cast<std::size_t>(from) - 1];
        const std::size_t z = static_cast<std::size_t>(to) == doc.spans.size()
            ? doc.bodyEnd
            : doc.spans[static_cast<std::size_t>(to) - 1].second;
        if (a < copied)
            continue;
        out.append(bytes.substr(copied, a - copied));
        copied = z;
        if (!doc.rtf)
            continue;
        // What the cut leaves of RTF: the braces it does not close itself and the formatting at
        // their level, so that what follows reads as it did.
        std::string kept;
        std::vector<std::size_t> opened; // where in kept each group opened inside the cut began
        Token t;
        std::string_view part = bytes.substr(a, z - a);
        Tokenizer inner(part);
        while (inner.next(t)) {
            const std::string_view text = part.substr(t.begin, t.end - t.begin);
            switch (t.kind) {
            case Tok::Open:
                opened.push_back(kept.size());
                kept += '{';
                break;
            case Tok::Close:
                if (!opened.empty()) {
                    kept.resize(opened.back()); // the whole group was in the cut
                    opened.pop_back();
                } else {
                    kept += '}';
                }
                break;
            case Tok::Word: {
                char32_t c = 0;
                if (t.word != "u" && wordEffect(t.word, c) == Effect::None) {
                    kept += text;
                    if (text.back() != ' ')
                        kept += ' ';
                }
                break;
            }
            default: break;
            }
        }
        out += kept;
    }
    out.append(bytes.substr(copied));
    return out;
}

} // namespace logic::grade
