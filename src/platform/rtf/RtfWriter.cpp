#include "platform/rtf/RtfWriter.h"

#include "platform/codepages/CodePage.h"
#include "platform/format/LongParagraphs.h"
#include "platform/format/TextFormat.h"
#include "platform/rtf/RtfFontTable.h"

#include <QHash>
#include <QTextBlock>
#include <QTextDocument>

#include <charconv>
#include <cmath>
#include <vector>

namespace zv::rtf {

namespace {

struct Run
{
    int font = 0;
    int halfPoints = 24;
    unsigned char style = 0;
    int color = 0; ///< index in the colour table; 0 is automatic
    const CodePage *page = nullptr;
};

constexpr char kHex[] = "0123456789abcdef";

class Writer
{
public:
    explicit Writer(const QTextDocument &document) : m_document(document) {}
    QByteArray write();

private:
    const Run &runFor(const QTextFragment &fragment);
    void switchTo(const Run &run);
    void text(QStringView text, const CodePage &page);
    void word(const char *name, int value);
    QByteArray header() const;

    const QTextDocument &m_document;
    QByteArray m_body;
    std::vector<Run> m_runs; // by the document's format index
    std::vector<bool> m_known;
    QHash<QPair<QString, int>, int> m_fontIndex;
    std::vector<QPair<QString, int>> m_fonts;
    QHash<QRgb, int> m_colorIndex;
    std::vector<QColor> m_colors;
    Run m_current;
};

const Run &Writer::runFor(const QTextFragment &fragment)
{
    const int index = fragment.charFormatIndex();
    if (index >= int(m_runs.size())) {
        m_runs.resize(std::size_t(index) + 1);
        m_known.resize(std::size_t(index) + 1);
    }
    Run &run = m_runs[std::size_t(index)];
    if (m_known[std::size_t(index)])
        return run;
    m_known[std::size_t(index)] = true;

    const QTextCharFormat format = fragment.charFormat();
    // Characters read from plain text carry no font of their own: they show the default font.
    QString face = format.hasProperty(fmt::FaceName) ? faceName(format) : QString();
    if (face.isEmpty())
        face = m_document.defaultFont().family();
    face = face.left(fmt::kMaxFaceName);
    const int set = charset(format);
    const QPair<QString, int> key(face, set);
    auto font = m_fontIndex.constFind(key);
    if (font == m_fontIndex.constEnd()) {
        font = m_fontIndex.insert(key, int(m_fonts.size()));
        m_fonts.push_back(key);
    }
    run.font = *font;

    double points = format.hasProperty(QTextFormat::FontPointSize) ? format.fontPointSize() : 0;
    if (points <= 0)
        points = m_document.defaultFont().pointSizeF();
    if (points <= 0)
        points = 12;
    run.halfPoints = std::clamp(int(std::lround(points * 2)), 2, 3276);
    run.style = style(format);

    const QColor colour = color(format);
    if (colour.isValid()) {
        auto entry = m_colorIndex.constFind(colour.rgb());
        if (entry == m_colorIndex.constEnd()) {
            entry = m_colorIndex.insert(colour.rgb(), int(m_colors.size()) + 1);
            m_colors.push_back(colour);
        }
        run.color = *entry;
    }
    run.page = &CodePage::forFont(face, set);
    return run;
}

void Writer::word(const char *name, int value)
{
    m_body.append('\\').append(name);
    if (value >= 0) {
        char digits[12];
        const auto [end, ec] = std::to_chars(digits, digits + sizeof digits, value);
        Q_UNUSED(ec);
        m_body.append(digits, end - digits);
    }
}

void Writer::switchTo(const Run &run)
{
    const qsizetype before = m_body.size();
    if (run.font != m_current.font)
        word("f", run.font);
    if (run.halfPoints != m_current.halfPoints)
        word("fs", run.halfPoints);
    const unsigned char changed = run.style ^ m_current.style;
    if (changed & fmt::Bold)
        word((run.style & fmt::Bold) ? "b" : "b0", -1);
    if (changed & fmt::Italic)
        word((run.style & fmt::Italic) ? "i" : "i0", -1);
    if (changed & fmt::Underline)
        word((run.style & fmt::Underline) ? "ul" : "ulnone", -1);
    if (changed & fmt::StrikeOut)
        word((run.style & fmt::StrikeOut) ? "strike" : "strike0", -1);
    if (run.color != m_current.color)
        word("cf", run.color);
    if (m_body.size() != before)
        m_body.append(' ');
    m_current = run;
}

void Writer::text(QStringView text, const CodePage &page)
{
    // Room for the longest form of every character ("\\u-32768\\'hh"), written through a raw
    // pointer and trimmed after: appending a byte at a time halved the speed of a save.
    constexpr qsizetype kLongest = 13;
    const qsizetype start = m_body.size();
    m_body.resize(start + text.size() * kLongest);
    char *out = m_body.data() + start;
    const auto hex = [&out](int byte) {
        *out++ = '\\';
        *out++ = '\'';
        *out++ = kHex[byte >> 4];
        *out++ = kHex[byte & 15];
    };
    const auto literal = [&out](const char *s) {
        while (*s)
            *out++ = *s++;
    };
    const auto unicode = [&](char16_t u) {
        literal("\\u");
        char digits[8];
        const auto [end, ec] = std::to_chars(digits, digits + sizeof digits, int(qint16(u)));
        Q_UNUSED(ec);
        for (const char *d = digits; d != end; ++d)
            *out++ = *d;
    };
    const auto special = [&](char16_t u) {
        switch (u) {
        case u'\\': literal("\\\\"); return true;
        case u'{': literal("\\{"); return true;
        case u'}': literal("\\}"); return true;
        case u'\t': literal("\\tab "); return true;
        case 0x2028: literal("\\line "); return true;
        default: return false;
        }
    };

    if (page.isSymbol()) {
        // The Unicode is what the user sees: a turnstile pair is one sign over its two bytes,
        // which a reader that knows \u skips together.
        page.visitReadable(text, [&](char16_t u, qsizetype at, qsizetype length) {
            if (length == 2) {
                literal("{\\uc2");
                unicode(u);
                hex(page.fromUnicode(text[at].unicode()));
                hex(page.fromUnicode(text[at + 1].unicode()));
                *out++ = '}';
                return;
            }
            if (special(u))
                return;
            const int byte = page.fromUnicode(text[at].unicode());
            if (byte == u && u >= 0x20 && u < 0x80) {
                *out++ = char(u);
                return;
            }
            unicode(u);
            if (byte >= 0)
                hex(byte);
            else
                *out++ = '?';
        });
        m_body.truncate(out - m_body.constData());
        return;
    }

    // Every text code page is ASCII below 0x80.
    const bool plainPage = page.number() == 1252;
    for (const QChar c : text) {
        const char16_t u = c.unicode();
        if (u >= 0x20 && u < 0x80 && u != u'\\' && u != u'{' && u != u'}') {
            *out++ = char(u);
            continue;
        }
        if (special(u))
            continue;
        const int byte = page.fromUnicode(u);
        if (byte >= 0 && (plainPage || byte < 0x20)) {
            hex(byte);
        } else {
            unicode(u);
            if (byte >= 0)
                hex(byte);
            else
                *out++ = '?';
        }
    }
    m_body.truncate(out - m_body.constData());
}

QByteArray Writer::header() const
{
    QByteArray out = "{\\rtf1\\ansi\\ansicpg1252\\deff0{\\fonttbl";
    for (std::size_t i = 0; i < m_fonts.size(); ++i) {
        const auto &[face, set] = m_fonts[i];
        out.append("{\\f").append(QByteArray::number(qulonglong(i)));
        // A text face keeps its letters under the symbol character set (the palette leaves it
        // for the text typed after ⊨, ⊢ and ←): other readers would take its bytes for
        // symbols. They get the character set of the code page its bytes are in, and Zarvik
        // the one it had from a mark that they skip.
        if (set == kSymbolCharset && !CodePage::forFont(face, set).isSymbol()) {
            out.append("\\fcharset0{\\*\\zvcharset2}");
        } else {
            out.append("\\fcharset").append(QByteArray::number(set)).append(' ');
        }
        for (char b : RtfFontTable::encodeFaceName(face, set)) {
            if (b == '\\' || b == '{' || b == '}' || b == ';'
                || static_cast<unsigned char>(b) >= 0x80)
                out.append("\\'").append(kHex[(b >> 4) & 15]).append(kHex[b & 15]);
            else
                out.append(b);
        }
        out.append(";}");
    }
    out.append("}\r\n{\\colortbl ;");
    for (const QColor &c : m_colors) {
        out.append("\\red").append(QByteArray::number(c.red()));
        out.append("\\green").append(QByteArray::number(c.green()));
        out.append("\\blue").append(QByteArray::number(c.blue())).append(';');
    }
    out.append("}\r\n");
    return out;
}

QByteArray Writer::write()
{
    m_body.reserve(qsizetype(m_document.characterCount()) * 11 / 10 + 64);
    // One copy of the whole text, read by document position: a fragment's text() is a copy of
    // its own, one allocation per run.
    const QString raw = m_document.toRawText();
    const QStringView all(raw);
    for (QTextBlock block = m_document.begin(); block.isValid(); block = block.next()) {
        // A block's fragments follow each other; fragment.position() walks the tree each time.
        int position = block.position();
        for (QTextBlock::iterator it = block.begin(); !it.atEnd();) {
            const QTextFragment fragment = it.fragment();
            const Run &run = runFor(fragment);
            // Fragments of one format are one run, so that a turnstile pair is never cut.
            int length = fragment.length();
            const int index = fragment.charFormatIndex();
            for (++it; !it.atEnd() && it.fragment().charFormatIndex() == index; ++it)
                length += it.fragment().length();
            switchTo(run);
            text(all.mid(position, length), *run.page);
            position += length;
        }
        if (block.next().isValid() && endsParagraph(block))
            m_body.append("\\par\r\n");
    }
    if (m_fonts.empty()) {
        m_fonts.push_back({m_document.defaultFont().family().left(fmt::kMaxFaceName), 0});
    }
    QByteArray out = header();
    out.reserve(out.size() + m_body.size() + 1);
    out.append(m_body).append('}');
    return out;
}

} // namespace

QByteArray writeRtf(const QTextDocument &document)
{
    return Writer(document).write();
}

} // namespace zv::rtf
