#pragma once
// The one token layer of the logic language: every spelling of every symbol, whether it came as
// the editor's 1252 bytes (the palette's fonts, a paste in the "Symbol" font), as UTF-8 or typed
// on a keyboard, becomes one token kind here, so the grammar never sees a spelling.

#include <cstdint>
#include <string>
#include <string_view>

namespace logic {

enum class Tok : std::uint8_t {
    Name,      // a lower-case letter and its digits: a variable, a constant or a letter p, q...
    Predicate, // an upper-case letter other than V and T, and its digits
    Not,
    And,
    Or,
    Implies,
    Iff,
    Top,
    Bottom,
    Forall,
    Exists,
    Box,
    Diamond,
    Open,
    Close,
    Comma,
    Equals,
    NotEquals,
    Turnstile, // ⊨ ⊢ |= |- ∴: the premises before it, the conclusion after it
    End,
    Bad,
};

struct Token
{
    Tok kind = Tok::End;
    int pos = 0; // in code points from the start of the line
    int len = 0;
    bool square = false;        // Open or Close written as a square bracket
    bool caret = false;         // Bottom written as '^', which may be a misused conjunction
    const char *hint = nullptr; // for a Bad token: what was probably meant
};

/// Tokens of one line, read one at a time.
class Lexer
{
public:
    explicit Lexer(std::u32string_view line) : m_line(line) {}
    /// The first token at or after @p pos, skipping spaces.
    Token next(int pos) const;
    std::u32string_view line() const { return m_line; }
    std::u32string_view text(const Token &t) const
    {
        return m_line.substr(static_cast<std::size_t>(t.pos), static_cast<std::size_t>(t.len));
    }

private:
    std::u32string_view m_line;
};

bool isSpaceChar(char32_t c);
/// @p s without the spaces (isSpaceChar) at either end.
std::u32string_view trim(std::u32string_view s);

/// The symbol that the palette's or a "Symbol" paste's code @p c stands for (∀ for '"', → for
/// '®'...), @p next being the code after it (÷ followed by = is ⊨); 0 when @p c is itself.
char32_t symbolFor(char32_t c, char32_t next);

/// A token kind's symbol in Unicode, as messages and the in-process explanation print it.
const char *tokenSymbol(Tok kind);

} // namespace logic
