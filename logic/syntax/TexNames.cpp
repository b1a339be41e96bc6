#include "TexNames.h"

#include <array>

namespace logic {
namespace {

// The symbols are the ones the lexer reads as each token: ⇒ ⇔ ≡ read as → and ↔. The editor
// turns the same names into palette symbols as they are typed; a test holds the two to agree.
constexpr std::array<TexName, 27> kTexNames = {{
    {U"forall", U'∀'},
    {U"exists", U'∃'},
    {U"neg", U'¬'},
    {U"lnot", U'¬'},
    {U"land", U'∧'},
    {U"wedge", U'∧'},
    {U"lor", U'∨'},
    {U"vee", U'∨'},
    {U"to", U'→'},
    {U"rightarrow", U'→'},
    {U"Rightarrow", U'⇒'},
    {U"implies", U'⇒'},
    {U"supset", U'⊃'},
    {U"leftrightarrow", U'↔'},
    {U"Leftrightarrow", U'⇔'},
    {U"iff", U'⇔'},
    {U"bicond", U'↔'},
    {U"equiv", U'≡'},
    {U"top", U'⊤'},
    {U"bot", U'⊥'},
    {U"Box", U'□'},
    {U"Diamond", U'◇'},
    {U"models", U'⊨'},
    {U"vdash", U'⊢'},
    {U"therefore", U'∴'},
    {U"neq", U'≠'},
    {U"ne", U'≠'},
}};

bool isAsciiLetter(char32_t c)
{
    return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z');
}

bool isRuleSuffix(std::u32string_view rest)
{
    return rest.size() == 1
        && (rest[0] == 'I' || rest[0] == 'i' || rest[0] == 'E' || rest[0] == 'e');
}

} // namespace

std::span<const TexName> texNames()
{
    return kTexNames;
}

char32_t texSymbol(std::u32string_view word)
{
    for (const TexName &t : kTexNames)
        if (t.name == word)
            return t.symbol;
    return 0;
}

std::size_t texWordLength(std::u32string_view text)
{
    std::size_t end = 1;
    while (end < text.size() && isAsciiLetter(text[end]))
        ++end;
    return end - 1;
}

char32_t texSymbolInRule(std::u32string_view letters, std::size_t &length)
{
    length = 0;
    if (const char32_t whole = texSymbol(letters)) {
        length = letters.size();
        return whole;
    }
    char32_t best = 0;
    for (const TexName &t : kTexNames)
        if (t.name.size() > length && letters.substr(0, t.name.size()) == t.name
            && isRuleSuffix(letters.substr(t.name.size()))) {
            best = t.symbol;
            length = t.name.size();
        }
    return best;
}

} // namespace logic
