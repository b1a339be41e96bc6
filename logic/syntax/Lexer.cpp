#include "Lexer.h"

#include "TexNames.h"

namespace logic {
namespace {

bool isLower(char32_t c)
{
    return c >= 'a' && c <= 'z';
}
bool isUpper(char32_t c)
{
    return c >= 'A' && c <= 'Z';
}
bool isDigit(char32_t c)
{
    return c >= '0' && c <= '9';
}
bool isLetter(char32_t c)
{
    return isLower(c) || isUpper(c);
}

const char *const kArrowHint = "-> (condicional)";
const char *const kDoubleArrowHint = "<-> (bicondicional)";

// Single code points. The Latin-1 ones are the "Symbol" font's codes as a paste into the editor
// leaves them (¬ 0xD8, ∧ 0xD9, ∨ 0xDA, → 0xAE, ↔ 0xAB, ⇒ 0xDE, ⇔ 0xDB, ≡ 0xBA, ≠ 0xB9, ◊ 0xE0) and
// the palette's own bytes (∀ 0x22, ∃ 0x24, ⊥ 0x5E in "Symbol"; □ 0xA3, ◇ 0xAF in "Wingdings 2").
Tok single(char32_t c)
{
    switch (c) {
    case U'¬':
    case U'~':
    case U'∼':
    case U'-':
    case 0xD8: return Tok::Not;
    case U'&':
    case U'∧':
    case 0xD9: return Tok::And;
    case U'V':
    case U'|':
    case U'∨':
    case 0xDA: return Tok::Or;
    case U'→':
    case U'⇒':
    case U'⊃':
    case 0xAE:
    case 0xDE: return Tok::Implies;
    case U'n':
    case U'↔':
    case U'⇔':
    case U'≡':
    case 0xAB:
    case 0xDB:
    case 0xBA: return Tok::Iff;
    case U'T':
    case U'⊤': return Tok::Top;
    case U'⊥':
    case U'^': return Tok::Bottom;
    case U'∀':
    case U'"': return Tok::Forall;
    case U'∃':
    case U'$': return Tok::Exists;
    case U'□':
    case U'◻':
    case 0xA3: return Tok::Box;
    case U'◇':
    case U'◊':
    case U'♢':
    case 0xAF:
    case 0xE0: return Tok::Diamond;
    case U'(':
    case U'[': return Tok::Open;
    case U')':
    case U']': return Tok::Close;
    case U',': return Tok::Comma;
    case U'=': return Tok::Equals;
    case U'≠':
    case 0xB9: return Tok::NotEquals;
    case U'⊨':
    case U'⊢':
    case U'∴':
    case U'\\': return Tok::Turnstile;
    default: return Tok::Bad;
    }
}

bool startsWith(std::u32string_view s, std::u32string_view prefix)
{
    return s.substr(0, prefix.size()) == prefix;
}

} // namespace

bool isSpaceChar(char32_t c)
{
    return c == ' ' || c == '\t' || c == '\v' || c == '\f' || c == 0xA0
        || (c >= 0x2000 && c <= 0x200B) || c == 0x202F || c == 0x205F || c == 0x3000 || c == 0xFEFF;
}

std::u32string_view trim(std::u32string_view s)
{
    while (!s.empty() && isSpaceChar(s.front()))
        s.remove_prefix(1);
    while (!s.empty() && isSpaceChar(s.back()))
        s.remove_suffix(1);
    return s;
}

Token Lexer::next(int pos) const
{
    auto i = static_cast<std::size_t>(pos);
    while (i < m_line.size() && isSpaceChar(m_line[i]))
        ++i;
    Token t;
    t.pos = static_cast<int>(i);
    if (i >= m_line.size())
        return t;
    const std::u32string_view rest = m_line.substr(i);
    const char32_t c = rest[0];
    auto make = [&](Tok kind, std::size_t len) {
        t.kind = kind;
        t.len = static_cast<int>(len);
        return t;
    };
    auto digitsAfter = [&](std::size_t from) {
        while (from < rest.size() && isDigit(rest[from]))
            ++from;
        return from;
    };
    // Spaces inside a would-be arrow: "- >" and "<- >" are typing slips, not a negation and a '>'.
    auto spacedArrowEnd = [&](std::size_t from) -> std::size_t {
        std::size_t k = from;
        while (k < rest.size() && isSpaceChar(rest[k]))
            ++k;
        return k > from && k < rest.size() && rest[k] == '>' ? k + 1 : 0;
    };

    if (c == 'n')
        return make(Tok::Iff, 1);
    if (isLower(c))
        return make(Tok::Name, digitsAfter(1));
    if (isUpper(c) && c != 'V' && c != 'T')
        return make(Tok::Predicate, digitsAfter(1));
    if (startsWith(rest, U"->"))
        return make(Tok::Implies, 2);
    if (startsWith(rest, U"-->")) {
        t.hint = kArrowHint;
        return make(Tok::Bad, 3);
    }
    if (c == '-') {
        if (const std::size_t end = spacedArrowEnd(1)) {
            t.hint = kArrowHint;
            return make(Tok::Bad, end);
        }
    }
    if (startsWith(rest, U"<->") || startsWith(rest, U"<=>"))
        return make(Tok::Iff, 3);
    if (startsWith(rest, U"<-->")) {
        t.hint = kDoubleArrowHint;
        return make(Tok::Bad, 4);
    }
    if (startsWith(rest, U"<-")) {
        if (const std::size_t end = spacedArrowEnd(2)) {
            t.hint = kDoubleArrowHint;
            return make(Tok::Bad, end);
        }
    }
    if (startsWith(rest, U"<>"))
        return make(Tok::Diamond, 2);
    if (startsWith(rest, U"[]"))
        return make(Tok::Box, 2);
    if (startsWith(rest, U"=>"))
        return make(Tok::Implies, 2);
    if (startsWith(rest, U"|=") || startsWith(rest, U"|-"))
        return make(Tok::Turnstile, 2);
    if (startsWith(rest, U"!=") || startsWith(rest, U"/="))
        return make(Tok::NotEquals, 2);
    // What students paste from web checkers; none of these spelt anything before.
    if (startsWith(rest, U"/\\"))
        return make(Tok::And, 2);
    if (startsWith(rest, U"\\/"))
        return make(Tok::Or, 2);
    if (startsWith(rest, U"_|_"))
        return make(Tok::Bottom, 3);
    // The palette's ⊨ and ⊢ are two "Symbol" bytes: 0xF7 then '=' or '-'.
    if (c == 0xF7 && rest.size() > 1 && (rest[1] == '=' || rest[1] == '-'))
        return make(Tok::Turnstile, 2);
    if (c == '\\' && rest.size() > 1 && isLetter(rest[1])) {
        // A whole word or nothing: "\top" is never "\to" and a letter.
        const std::size_t letters = texWordLength(rest);
        const char32_t symbol = texSymbol(rest.substr(1, letters));
        return make(symbol ? single(symbol) : Tok::Bad, letters + 1);
    }
    const Tok kind = single(c);
    t.square = c == '[' || c == ']';
    t.caret = c == '^';
    return make(kind, 1);
}

char32_t symbolFor(char32_t c, char32_t next)
{
    switch (c) {
    case U'"': return U'∀';
    case U'$': return U'∃';
    case 0xD8: return U'¬';
    case 0xD9: return U'∧';
    case 0xDA: return U'∨';
    case 0xAE: return U'→';
    case 0xDE: return U'⇒';
    case 0xAB: return U'↔';
    case 0xDB: return U'⇔';
    case 0xBA: return U'≡';
    case 0xA3: return U'□';
    case 0xAF:
    case 0xE0: return U'◇';
    case 0xB9: return U'≠';
    case 0xF7: return next == '=' ? U'⊨' : next == '-' ? U'⊢' : 0;
    default: return 0;
    }
}

const char *tokenSymbol(Tok kind)
{
    switch (kind) {
    case Tok::Not: return "¬";
    case Tok::And: return "∧";
    case Tok::Or: return "∨";
    case Tok::Implies: return "→";
    case Tok::Iff: return "↔";
    case Tok::Top: return "⊤";
    case Tok::Bottom: return "⊥";
    case Tok::Forall: return "∀";
    case Tok::Exists: return "∃";
    case Tok::Box: return "□";
    case Tok::Diamond: return "◇";
    case Tok::Open: return "(";
    case Tok::Close: return ")";
    case Tok::Comma: return ",";
    case Tok::Equals: return "=";
    case Tok::NotEquals: return "≠";
    case Tok::Turnstile: return "⊨";
    case Tok::Name:
    case Tok::Predicate:
    case Tok::End:
    case Tok::Bad: break;
    }
    return "";
}

} // namespace logic
