#pragma once
// TeX's names of the logic symbols, for text typed with a keyboard and no palette: the one table
// that the formulas' reader and the rules' reader share.
//
// A name is a whole word: after the backslash, the run of ASCII letters is the name, so "\top"
// is ⊤ and never "\to" followed by "p". A rule's name may glue the rule's suffix to the TeX name
// ("\landI", "\topI", "\lorE"): there the run is read as the longest name of the table that
// begins it and whose remaining letters are exactly one I or E (either case).

#include <cstddef>
#include <span>
#include <string_view>

namespace logic {

struct TexName
{
    std::u32string_view name; // without its backslash
    char32_t symbol;          // the symbol it stands for, as the lexer reads it
};

/// Every TeX name that the language knows.
std::span<const TexName> texNames();

/// The symbol whose name is exactly @p word (no backslash), or 0.
char32_t texSymbol(std::u32string_view word);

/// The letters of @p text that follow its first character, a backslash: how many there are.
std::size_t texWordLength(std::u32string_view text);

/// In a rule's name: the symbol of the TeX name at the start of @p letters, a run of letters
/// that followed a backslash, and in @p length how many letters it takes. The whole run when it
/// is a name; else the longest name that leaves one rule suffix (I or E) after it. 0 when the
/// run is neither.
char32_t texSymbolInRule(std::u32string_view letters, std::size_t &length);

} // namespace logic
