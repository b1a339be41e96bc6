#include "platform/rtf/RtfReader.h"

#include "platform/codepages/CodePage.h"
#include "platform/format/ReadableText.h"
#include "platform/format/TextFormat.h"
#include "platform/rtf/RtfControlWords.h"
#include "platform/rtf/RtfDocumentBuilder.h"
#include "platform/rtf/RtfFontTable.h"
#include "platform/rtf/RtfLimits.h"
#include "platform/rtf/RtfTokenizer.h"

#include <QColor>
#include <QElapsedTimer>
#include <QTextCharFormat>
#include <QTextDocument>

#include <unordered_map>
#include <vector>

namespace zv::rtf {

namespace {

constexpr qsizetype kTextSlice = 1 << 16;

enum class Destination : unsigned char { Text, FontTable, ColorTable, Skip };

struct CharState
{
    int font = -1; ///< as numbered in the file; -1 is the default font
    int halfPoints = 24;
    unsigned char style = 0;
    int color = 0;
};

struct Group
{
    Destination destination = Destination::Text;
    int unicodeSkip = 1;
    bool started = false;  ///< a token other than \* came after the brace
    bool optional = false; ///< \* came right after the brace: skipped unless the next word is ours
    CharState chars;
};

bool isOn(const Token &token)
{
    return !token.hasParam || token.param != 0;
}

class Reader
{
public:
    Reader(QTextDocument &document, const Breather &breathe)
        : m_builder(document), m_breathe(breathe)
    {}
    bool run(QByteArrayView input);

private:
    void text(Group &group, QByteArrayView bytes);
    void byte(Group &group, unsigned char value);
    void symbol(Group &group, char value);
    void word(Group &group, const Token &token);
    void character(const Group &group, char16_t ch);
    void paragraph();
    void useFormat();
    void flushMultiByte();
    QTextCharFormat makeFormat(int font, int halfPoints, unsigned char style, int color) const;

    RtfDocumentBuilder m_builder;
    const Breather &m_breathe;
    QElapsedTimer m_sinceBreath;
    /// The window repaints every 20 ms of reading.
    void breathe()
    {
        if (m_breathe && m_sinceBreath.elapsed() >= 20) {
            m_breathe();
            m_sinceBreath.restart();
        }
    }
    std::vector<Group> m_stack;
    RtfFontTable m_fonts;
    std::vector<QColor> m_colors;
    int m_red = -1, m_green = -1, m_blue = -1;
    int m_ansiCodePage = 1252;
    int m_defaultFont = -1;
    int m_footnotes = 0;
    int m_skip = 0; // fallback characters still to drop after \uN
    std::unordered_map<quint64, QTextCharFormat> m_formats;
    bool m_dirty = true;
    const CodePage *m_page = &CodePage::windows1252();
    QStringDecoder *m_multiByte = nullptr;
    QByteArray m_multiBytes;
    bool m_mayPair = false;

public:
    /// A turnstile's lead byte was read on its own: its pair may need showing as one sign.
    bool mayPair() const { return m_mayPair; }
};

bool Reader::run(QByteArrayView input)
{
    // A byte-order mark some editors put before any text, RTF included.
    if (input.startsWith("\xEF\xBB\xBF"))
        input = input.sliced(3);
    if (!input.startsWith("{\\rtf"))
        return false;
    m_stack.reserve(64);
    RtfTokenizer tokenizer(input);
    m_sinceBreath.start();
    for (unsigned tokens = 0;; ++tokens) {
        if ((tokens & 0xFFF) == 0)
            breathe();
        const Token token = tokenizer.next();
        switch (token.kind) {
        case Token::End:
            flushMultiByte();
            m_builder.finish();
            return true;
        case Token::Error: return false;
        case Token::GroupOpen:
            flushMultiByte();
            if (int(m_stack.size()) >= limits::kMaxGroupDepth)
                return false;
            m_stack.push_back(m_stack.empty() ? Group{} : m_stack.back());
            m_stack.back().started = false;
            m_skip = 0;
            m_dirty = true;
            continue;
        case Token::GroupClose:
            flushMultiByte();
            if (m_stack.back().destination == Destination::FontTable)
                m_fonts.commit(m_ansiCodePage);
            m_stack.pop_back();
            m_skip = 0;
            m_dirty = true;
            // Whatever follows the document's closing brace is not part of it.
            if (m_stack.empty()) {
                m_builder.finish();
                return true;
            }
            continue;
        default: break;
        }
        Group &group = m_stack.back();
        if (group.destination == Destination::Skip)
            continue;
        const bool first = !group.started;
        group.started = true;
        if (group.optional) {
            // Optional destinations are skipped; our own mark is read first.
            group.optional = false;
            if (token.kind == Token::Word
                && lookupControlWord(token.name).control == Control::ZarvikCharset)
                word(group, token);
            group.destination = Destination::Skip;
            continue;
        }
        if (token.kind == Token::Text) {
            text(group, token.text);
            continue;
        }
        if (token.kind != Token::Hex)
            flushMultiByte();
        if (m_skip > 0) {
            --m_skip;
            continue;
        }
        switch (token.kind) {
        case Token::Hex: byte(group, token.byte); break;
        case Token::Symbol:
            // \* marks an optional destination only right after the brace.
            if (token.symbol == '*') {
                if (first)
                    group.optional = true;
                break;
            }
            symbol(group, token.symbol);
            break;
        case Token::Word: word(group, token); break;
        default: break;
        }
    }
}

void Reader::text(Group &group, QByteArrayView bytes)
{
    if (m_skip > 0) {
        const qsizetype dropped = std::min<qsizetype>(m_skip, bytes.size());
        bytes = bytes.sliced(dropped);
        m_skip -= int(dropped);
    }
    switch (group.destination) {
    case Destination::Text:
        if (bytes.isEmpty())
            return;
        useFormat();
        if (m_multiByte) {
            m_multiBytes.append(bytes);
            return;
        }
        if (m_page->hasPairs() && bytes.contains(char(kTurnstileLead)))
            m_mayPair = true;
        // A paragraph of megabytes is one run of text: it is read a slice at a time too.
        for (qsizetype at = 0; at < bytes.size(); at += kTextSlice) {
            for (char c : bytes.sliced(at, std::min(kTextSlice, bytes.size() - at)))
                m_builder.append(m_page->toUnicode(static_cast<unsigned char>(c)));
            breathe();
        }
        return;
    case Destination::FontTable:
        for (char c : bytes) {
            if (c == ';')
                m_fonts.commit(m_ansiCodePage);
            else
                m_fonts.addNameByte(c);
        }
        return;
    case Destination::ColorTable:
        for (char c : bytes) {
            if (c != ';')
                continue;
            if (int(m_colors.size()) < limits::kMaxColors) {
                const bool automatic = m_red < 0 && m_green < 0 && m_blue < 0;
                m_colors.push_back(automatic
                        ? QColor()
                        : QColor(std::max(m_red, 0), std::max(m_green, 0), std::max(m_blue, 0)));
            }
            m_red = m_green = m_blue = -1;
        }
        return;
    case Destination::Skip: return;
    }
}

void Reader::byte(Group &group, unsigned char value)
{
    if (group.destination == Destination::FontTable) {
        m_fonts.addNameByte(char(value));
        return;
    }
    if (group.destination != Destination::Text)
        return;
    useFormat();
    if (m_multiByte) {
        m_multiBytes.append(char(value));
        return;
    }
    if (value == kTurnstileLead && m_page->hasPairs())
        m_mayPair = true;
    // A control character written as \'hh is the document's own, as a text file brought it.
    m_builder.appendByte(m_page->toUnicode(value));
}

void Reader::symbol(Group &group, char value)
{
    switch (value) {
    case '\\':
    case '{':
    case '}':
        if (group.destination == Destination::FontTable)
            m_fonts.addNameByte(value);
        else
            character(group, char16_t(value));
        return;
    case '~': character(group, 0x00A0); return;
    case '_': character(group, 0x2011); return;
    case '-': character(group, 0x00AD); return;
    default: return;
    }
}

void Reader::word(Group &group, const Token &token)
{
    const ControlWord control = lookupControlWord(token.name);
    CharState &chars = group.chars;
    const int param = token.param;
    switch (control.control) {
    case Control::Unknown: return;
    case Control::FontTable: group.destination = Destination::FontTable; return;
    case Control::ColorTable: group.destination = Destination::ColorTable; return;
    case Control::SkipDestination: group.destination = Destination::Skip; return;
    case Control::Ansi: m_ansiCodePage = 1252; return;
    case Control::Mac: m_ansiCodePage = 10000; return;
    case Control::Pc: m_ansiCodePage = 437; return;
    case Control::Pca: m_ansiCodePage = 850; return;
    case Control::AnsiCodePage:
        if (token.hasParam && param > 0)
            m_ansiCodePage = param;
        m_dirty = true;
        return;
    case Control::DefaultFont:
        m_defaultFont = param;
        m_dirty = true;
        return;
    case Control::UnicodeSkip:
        group.unicodeSkip = std::clamp(param, 0, limits::kMaxUnicodeSkip);
        return;
    case Control::Unicode:
        if (group.destination == Destination::Text && param >= -32768 && param <= 65535)
            character(group, char16_t(param < 0 ? param + 65536 : param));
        m_skip = group.unicodeSkip;
        return;
    case Control::Red: m_red = std::clamp(param, 0, 255); return;
    case Control::Green: m_green = std::clamp(param, 0, 255); return;
    case Control::Blue: m_blue = std::clamp(param, 0, 255); return;
    case Control::FontCharset: m_fonts.setCharset(param); return;
    case Control::FontCodePage: m_fonts.setCodePage(param); return;
    case Control::ZarvikCharset:
        if (group.destination == Destination::FontTable && token.hasParam)
            m_fonts.setCharset(param);
        return;
    case Control::Font:
        if (group.destination == Destination::FontTable)
            m_fonts.begin(param);
        else
            chars.font = param;
        break;
    case Control::Plain: chars = CharState{}; break;
    case Control::FontSize: chars.halfPoints = param > 0 ? std::min(param, 3276) : 24; break;
    case Control::Bold:
        chars.style = isOn(token) ? chars.style | fmt::Bold : chars.style & ~fmt::Bold;
        break;
    case Control::Italic:
        chars.style = isOn(token) ? chars.style | fmt::Italic : chars.style & ~fmt::Italic;
        break;
    case Control::Underline:
        chars.style = isOn(token) ? chars.style | fmt::Underline : chars.style & ~fmt::Underline;
        break;
    case Control::UnderlineNone: chars.style &= ~fmt::Underline; break;
    case Control::Strike:
        chars.style = isOn(token) ? chars.style | fmt::StrikeOut : chars.style & ~fmt::StrikeOut;
        break;
    case Control::Color: chars.color = param; break;
    case Control::Paragraph:
        if (group.destination == Destination::Text)
            paragraph();
        return;
    case Control::Line: character(group, 0x2028); return;
    case Control::Tab: character(group, u'\t'); return;
    case Control::Character: character(group, control.character); return;
    case Control::FootnoteNumber:
        // The automatic number of a footnote reference; the note itself is not shown.
        for (QChar c : QString::number(++m_footnotes))
            character(group, c.unicode());
        return;
    }
    m_dirty = true;
}

void Reader::character(const Group &group, char16_t ch)
{
    if (group.destination != Destination::Text)
        return;
    useFormat();
    if (m_page && m_page->isSymbol()) {
        // Symbol fonts are also written as U+F0xx: show the symbol of that byte.
        if ((ch & 0xFF00) == 0xF000)
            ch = m_page->toUnicode(static_cast<unsigned char>(ch & 0xFF));
        // A turnstile stands for its two bytes.
        if (const char16_t mark = m_page->pairMark(ch)) {
            m_builder.append(ch);
            m_builder.append(mark);
            return;
        }
        if (m_page->hasPairs() && ch == m_page->toUnicode(kTurnstileLead))
            m_mayPair = true;
    }
    m_builder.append(ch);
}

void Reader::paragraph()
{
    useFormat();
    m_builder.paragraph();
}

void Reader::flushMultiByte()
{
    if (m_multiBytes.isEmpty())
        return;
    const QString decoded = m_multiByte->decode(m_multiBytes);
    for (QChar c : decoded)
        m_builder.append(c.unicode());
    m_multiBytes.clear();
}

void Reader::useFormat()
{
    if (!m_dirty)
        return;
    flushMultiByte();
    m_dirty = false;
    const CharState &chars = m_stack.back().chars;
    int font = m_fonts.indexOf(chars.font < 0 ? m_defaultFont : chars.font);
    if (font < 0)
        font = m_fonts.indexOf(m_defaultFont);
    const int color = chars.color >= 0 && chars.color < int(m_colors.size())
            && m_colors[std::size_t(chars.color)].isValid()
        ? chars.color
        : -1;
    const quint64 key = quint64(font + 1) | quint64(chars.halfPoints) << 13
        | quint64(chars.style) << 25 | quint64(color + 1) << 29;
    auto it = m_formats.find(key);
    if (it == m_formats.end())
        it = m_formats.emplace(key, makeFormat(font, chars.halfPoints, chars.style, color)).first;
    m_builder.setFormat(&it->second);

    if (font >= 0) {
        m_page = m_fonts.at(font).page;
        m_multiByte = m_fonts.at(font).multiByte.get();
    } else {
        m_page = CodePage::forNumber(m_ansiCodePage);
        if (!m_page)
            m_page = &CodePage::windows1252();
        m_multiByte = nullptr;
    }
}

QTextCharFormat Reader::makeFormat(int font, int halfPoints, unsigned char style, int color) const
{
    QTextCharFormat format;
    if (font >= 0) {
        setCharset(format, m_fonts.at(font).charset);
        setFaceName(format, m_fonts.at(font).face);
    }
    format.setFontPointSize(halfPoints / 2.0);
    setStyle(format, style);
    if (color >= 0)
        setColor(format, m_colors[std::size_t(color)]);
    return format;
}

} // namespace

bool readRtf(QByteArrayView input, QTextDocument &document, const Breather &breathe)
{
    const bool undo = document.isUndoRedoEnabled();
    document.setUndoRedoEnabled(false);
    bool ok = false;
    {
        Reader reader(document, breathe);
        ok = reader.run(input);
        if (ok && reader.mayPair())
            reshowTurnstiles(document, 0, document.characterCount());
    }
    document.setUndoRedoEnabled(undo);
    return ok;
}

} // namespace zv::rtf
