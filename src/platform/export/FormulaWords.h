#pragma once

#include <cstddef>
#include <string_view>
#include <utility>
#include <vector>

namespace zv {

/**
 * The palette writes V, &, -> and T in the text font, as anyone types them: they are logic
 * only where a formula has them. This tells which ones are, in one paragraph as the user sees
 * it: V, & and -> between two operands, T in an operand's place beside a connective.
 */
class FormulaWords
{
public:
    explicit FormulaWords(std::u16string_view text);

    /// \lor, \land, \to or \top for the word that starts at @p at, or nullptr; @p length is how
    /// many characters the word has.
    const char *command(std::size_t at, std::size_t &length) const
    {
        length = m_lengths[at];
        return m_commands[at];
    }

    /// Where the paragraph's formulas (and arguments) are: runs of letters, predicates, brackets,
    /// commas and signs that hold at least one logic sign; prose between them breaks a run. Two
    /// letters side by side join only after a quantifier ("∀x Fx"), so that the "y" of "p → q y
    /// r" stays a word. Each range is [from, to) in characters.
    std::vector<std::pair<std::size_t, std::size_t>> formulas() const;

private:
    struct Token
    {
        std::size_t from;
        std::size_t to;
    };

    void splitGlued(std::size_t from, std::size_t to);
    const char *classify(const Token *before, const Token &token, const Token *after) const;
    std::u16string_view word(const Token &t) const { return m_text.substr(t.from, t.to - t.from); }
    bool isAtom(const Token &t) const;
    bool isOneOf(const Token &t, std::u16string_view set) const;
    bool endsOperand(const Token &t) const;
    bool startsOperand(const Token &t) const;
    bool isConnective(const Token &t) const;

    std::u16string_view m_text;
    std::vector<Token> m_tokens;
    std::vector<const char *> m_commands; ///< by the character a word starts at
    std::vector<std::size_t> m_lengths;
};

} // namespace zv
