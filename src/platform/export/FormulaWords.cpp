#include "platform/export/FormulaWords.h"

#include <QChar>

#include <cstddef>

namespace zv {

namespace {

bool isWordChar(char16_t ch)
{
    return QChar(ch).isLetterOrNumber();
}
bool isSpace(char16_t ch)
{
    return ch == u' ' || ch == u'\t' || ch == 0x00A0;
}
bool isLower(char16_t ch)
{
    return ch >= u'a' && ch <= u'z';
}
bool isUpper(char16_t ch)
{
    return ch >= u'A' && ch <= u'Z';
}
bool isDigit(char16_t ch)
{
    return ch >= u'0' && ch <= u'9';
}

// The signs that make a run of letters a formula.
constexpr std::u16string_view kLogicSigns
    = u"\u00AC\u2227\u2228\u2192\u2194\u2190\u2200\u2203\u2261\u22A4\u22A5\u25A1\u25C7"
      u"\u25FB\u25CA\u22A8\u22A2\u21D2\u21D4\u2234\u223C";

} // namespace

FormulaWords::FormulaWords(std::u16string_view text) : m_text(text)
{
    for (std::size_t i = 0; i < text.size();) {
        std::size_t end = i + 1;
        if (isWordChar(text[i])) {
            while (end < text.size() && isWordChar(text[end]))
                ++end;
            splitGlued(i, end);
        } else {
            if (text[i] == u'-' && end < text.size() && text[end] == u'>')
                ++end;
            if (!isSpace(text[i]))
                m_tokens.push_back({i, end});
        }
        i = end;
    }
    m_commands.assign(text.size(), nullptr);
    m_lengths.assign(text.size(), 1);
    for (std::size_t k = 0; k < m_tokens.size(); ++k) {
        const Token &token = m_tokens[k];
        m_commands[token.from] = classify(k > 0 ? &m_tokens[k - 1] : nullptr, token,
            k + 1 < m_tokens.size() ? &m_tokens[k + 1] : nullptr);
        m_lengths[token.from] = token.to - token.from;
    }
}

// "pVq" and "FxVGx" are read as the engine reads them, a letter, V and a letter; a word without
// small letters ("IVA", "DVD") or with letters beyond ASCII stays one word.
void FormulaWords::splitGlued(std::size_t from, std::size_t to)
{
    const std::u16string_view w = m_text.substr(from, to - from);
    bool operators = false, small = false;
    for (const char16_t ch : w) {
        if (!isLower(ch) && !isUpper(ch) && !isDigit(ch))
            return m_tokens.push_back({from, to});
        operators = operators || ch == u'V' || ch == u'T';
        small = small || isLower(ch);
    }
    if (!operators || !small || w.size() < 2 || isDigit(w[0]))
        return m_tokens.push_back({from, to});
    const auto at = [&](std::size_t i, bool (*is)(char16_t)) { return i < to && is(m_text[i]); };
    for (std::size_t i = from; i < to;) {
        std::size_t end = i + 1;
        if (m_text[i] != u'V' && m_text[i] != u'T') {
            while (at(end, isDigit))
                ++end;
            // A predicate takes the small letters after it as its terms.
            while (isUpper(m_text[i]) && at(end, isLower))
                for (++end; at(end, isDigit);)
                    ++end;
        }
        m_tokens.push_back({i, end});
        i = end;
    }
}

const char *FormulaWords::classify(
    const Token *before, const Token &token, const Token *after) const
{
    const std::u16string_view w = word(token);
    const bool between = before && after && endsOperand(*before) && startsOperand(*after);
    if (w == u"V" && between)
        return "\\lor";
    if (w == u"&" && between)
        return "\\land";
    if (w == u"->" && between)
        return "\\to";
    // Beside a connective, with nothing on the other side that would make it a word of prose.
    const auto boundary
        = [&](const Token *t) { return !t || isConnective(*t) || isOneOf(*t, u",=\u22A4\u22A5"); };
    const auto beside
        = [&](const Token *t) { return t && (isConnective(*t) || isOneOf(*t, u"\u22A4\u22A5")); };
    if (w == u"T" && (before || after) && boundary(before) && boundary(after)
        && (beside(before) || beside(after)))
        return "\\top";
    return nullptr;
}

// p, q1; P, Fx, Rab, G1x2: a letter, or a predicate with up to three terms.
bool FormulaWords::isAtom(const Token &t) const
{
    const std::u16string_view w = word(t);
    std::size_t i = 0;
    const auto digits = [&] {
        while (i < w.size() && isDigit(w[i]))
            ++i;
    };
    if (!w.empty() && isLower(w[0])) {
        ++i;
        digits();
        return i == w.size();
    }
    if (w.empty() || !isUpper(w[0]) || w == u"V")
        return false;
    ++i;
    digits();
    for (int terms = 0; terms < 3 && i < w.size() && isLower(w[i]); ++terms) {
        ++i;
        digits();
    }
    return i == w.size();
}

bool FormulaWords::isOneOf(const Token &t, std::u16string_view set) const
{
    return t.to - t.from == 1 && set.find(m_text[t.from]) != std::u16string_view::npos;
}

bool FormulaWords::endsOperand(const Token &t) const
{
    return isAtom(t) || isOneOf(t, u")]\u22A4\u22A5");
}

bool FormulaWords::startsOperand(const Token &t) const
{
    return isAtom(t)
        || isOneOf(t, u"([\u00AC~\u223C\u2200\u2203\u25A1\u25C7\u25FB\u25CA\u22A4\u22A5");
}

bool FormulaWords::isConnective(const Token &t) const
{
    const std::u16string_view w = word(t);
    return w == u"V" || w == u"->"
        || isOneOf(t,
            u"&\u00AC\u2227\u2228\u2192\u2194\u2190\u2261\u21D2\u21D4\u22A8\u22A2\u25A1"
            u"\u25C7()[]");
}

std::vector<std::pair<std::size_t, std::size_t>> FormulaWords::formulas() const
{
    enum class Kind { Prose, Atom, Sign, Joiner };
    const auto kind = [&](std::size_t k) {
        const Token &t = m_tokens[k];
        if (m_commands[t.from] || isOneOf(t, kLogicSigns))
            return Kind::Sign;
        if (isOneOf(t, u"()[],=\u2260"))
            return Kind::Joiner;
        return isAtom(t) ? Kind::Atom : Kind::Prose;
    };
    std::vector<std::pair<std::size_t, std::size_t>> out;
    std::size_t first = 0;
    bool open = false, signed_ = false;
    const auto end = [&](std::size_t last) {
        // Commas and unmatched brackets at the edges belong to the prose around.
        std::ptrdiff_t a = std::ptrdiff_t(first), b = std::ptrdiff_t(last);
        int depth = 0;
        for (std::ptrdiff_t k = a; k <= b; ++k)
            depth += isOneOf(m_tokens[k], u"([") ? 1 : isOneOf(m_tokens[k], u")]") ? -1 : 0;
        while (a <= b) {
            if (isOneOf(m_tokens[a], u",="))
                ++a;
            else if (isOneOf(m_tokens[b], u",="))
                --b;
            else if (depth > 0 && isOneOf(m_tokens[a], u"(["))
                ++a, --depth;
            else if (depth < 0 && isOneOf(m_tokens[b], u")]"))
                --b, ++depth;
            else
                break;
        }
        if (signed_ && a <= b)
            out.emplace_back(m_tokens[a].from, m_tokens[b].to);
        open = signed_ = false;
    };
    for (std::size_t k = 0; k < m_tokens.size(); ++k) {
        const Kind here = kind(k);
        if (here == Kind::Prose) {
            if (open)
                end(k - 1);
            continue;
        }
        const bool joins = open
            && (here != Kind::Atom || kind(k - 1) != Kind::Atom
                || (k >= 2 && isOneOf(m_tokens[k - 2], u"\u2200\u2203")));
        if (!joins) {
            if (open)
                end(k - 1);
            first = k;
            open = true;
        }
        signed_ = signed_ || here == Kind::Sign;
    }
    if (open)
        end(m_tokens.size() - 1);
    return out;
}

} // namespace zv
