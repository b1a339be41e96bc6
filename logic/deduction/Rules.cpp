#include "Rules.h"

#include "syntax/Lexer.h"
#include "syntax/TexNames.h"

#include <array>
#include <string>

namespace logic {
namespace {

struct Spelling
{
    std::u32string_view text; // as canonical() writes it
    Rule rule;
};

// Every spelling, with symbols as canonical() leaves them and letters in upper case.
constexpr std::array<Spelling, 73> kSpellings = {{
    {U"PR", Rule::Premise},
    {U"PREMISA", Rule::Premise},
    {U"PREMISE", Rule::Premise},
    {U"P", Rule::Premise},
    {U"AS", Rule::Assumption},
    {U"SUPUESTO", Rule::Assumption},
    {U"HIPOTESIS", Rule::Assumption},
    {U"HIP", Rule::Assumption},
    {U"R", Rule::Reiteration},
    {U"REIT", Rule::Reiteration},
    {U"∧I", Rule::AndIntro},
    {U"I∧", Rule::AndIntro},
    {U"∧E", Rule::AndElim},
    {U"E∧", Rule::AndElim},
    {U"∨I", Rule::OrIntro},
    {U"I∨", Rule::OrIntro},
    {U"∨E", Rule::OrElim},
    {U"E∨", Rule::OrElim},
    {U"→I", Rule::ImpliesIntro},
    {U"I→", Rule::ImpliesIntro},
    {U"TD", Rule::ImpliesIntro},
    {U"→E", Rule::ImpliesElim},
    {U"E→", Rule::ImpliesElim},
    {U"MP", Rule::ImpliesElim},
    // 'n' is the palette's biconditional.
    {U"↔I", Rule::IffIntro},
    {U"I↔", Rule::IffIntro},
    {U"NI", Rule::IffIntro},
    {U"IN", Rule::IffIntro},
    {U"↔E", Rule::IffElim},
    {U"E↔", Rule::IffElim},
    {U"NE", Rule::IffElim},
    {U"EN", Rule::IffElim},
    {U"¬I", Rule::NotIntro},
    {U"I¬", Rule::NotIntro},
    {U"¬E", Rule::NotElim},
    {U"E¬", Rule::NotElim},
    {U"⊤I", Rule::TopIntro},
    {U"TI", Rule::TopIntro},
    {U"X", Rule::Explosion},
    {U"⊥E", Rule::Explosion},
    {U"E⊥", Rule::Explosion},
    {U"EFQ", Rule::Explosion},
    {U"IP", Rule::IndirectProof},
    {U"RAA", Rule::IndirectProof},
    {U"DS", Rule::DisjunctiveSyllogism},
    {U"SD", Rule::DisjunctiveSyllogism},
    {U"MT", Rule::ModusTollens},
    {U"DNE", Rule::DoubleNegation},
    {U"DN", Rule::DoubleNegation},
    {U"¬¬E", Rule::DoubleNegation},
    {U"LEM", Rule::ExcludedMiddle},
    {U"TND", Rule::ExcludedMiddle},
    {U"DEM", Rule::DeMorgan},
    {U"DM", Rule::DeMorgan},
    {U"∀I", Rule::ForallIntro},
    {U"AI", Rule::ForallIntro},
    {U"I∀", Rule::ForallIntro},
    {U"∀E", Rule::ForallElim},
    {U"AE", Rule::ForallElim},
    {U"E∀", Rule::ForallElim},
    {U"∃I", Rule::ExistsIntro},
    {U"EI", Rule::ExistsIntro},
    {U"I∃", Rule::ExistsIntro},
    {U"∃E", Rule::ExistsElim},
    {U"EE", Rule::ExistsElim},
    {U"E∃", Rule::ExistsElim},
    {U"=I", Rule::IdentityIntro},
    {U"=E", Rule::IdentityElim},
    {U"CQ", Rule::QuantifierConversion},
    {U"□I", Rule::BoxIntro},
    {U"□E", Rule::BoxElim},
    {U"DEF◇", Rule::DiamondDefinition},
    {U"MC", Rule::ModalConversion},
}};

constexpr std::array<Spelling, 5> kMoreSpellings = {{
    {U"I□", Rule::BoxIntro},
    {U"E□", Rule::BoxElim},
    {U"RT", Rule::RuleT},
    {U"R4", Rule::Rule4},
    {U"R5", Rule::Rule5},
}};

char32_t foldLetter(char32_t c)
{
    if (c >= 'a' && c <= 'z')
        return c - 'a' + 'A';
    switch (c) {
    case U'á':
    case U'Á': return 'A';
    case U'é':
    case U'É': return 'E';
    case U'í':
    case U'Í': return 'I';
    case U'ó':
    case U'Ó': return 'O';
    case U'ú':
    case U'Ú': return 'U';
    default: return c;
    }
}

char32_t canonicalSymbol(char32_t c)
{
    switch (c) {
    case U'&': return U'∧';
    case U'v':
    case U'V':
    case U'|': return U'∨';
    case U'~':
    case U'∼':
    case U'-': return U'¬';
    case U'>':
    case U'⊃':
    case U'⇒': return U'→';
    case U'≡':
    case U'⇔': return U'↔';
    case U'^': return U'⊥';
    case U'◻': return U'□';
    case U'◊':
    case U'♢': return U'◇';
    default: return foldLetter(c);
    }
}

bool startsWith(std::u32string_view s, std::u32string_view prefix)
{
    return s.substr(0, prefix.size()) == prefix;
}

// The rule-name part of @p text (up to the first space) in canonical symbols; ends[i] is where
// in @p text the i-th canonical character ends.
std::u32string canonical(std::u32string_view text, std::u32string &ends)
{
    std::u32string out;
    std::size_t i = 0;
    auto put = [&](char32_t c, std::size_t len) {
        out += c;
        i += len;
        ends += static_cast<char32_t>(i);
    };
    while (i < text.size() && !isSpaceChar(text[i])) {
        const std::u32string_view rest = text.substr(i);
        if (startsWith(rest, U"<->") || startsWith(rest, U"<=>")) {
            put(U'↔', 3);
        } else if (startsWith(rest, U"->") || startsWith(rest, U"=>")) {
            put(U'→', 2);
        } else if (startsWith(rest, U"<>")) {
            put(U'◇', 2);
        } else if (startsWith(rest, U"[]")) {
            put(U'□', 2);
        } else if (startsWith(rest, U"/\\")) {
            put(U'∧', 2);
        } else if (startsWith(rest, U"\\/")) {
            put(U'∨', 2);
        } else if (rest[0] == '\\') {
            // A TeX name, whole or with the rule's suffix glued on: "\topI" is ⊤I, not "\to".
            std::size_t letters = 0;
            const char32_t symbol = texSymbolInRule(rest.substr(1, texWordLength(rest)), letters);
            if (!symbol)
                break; // an unknown command ends the name
            put(canonicalSymbol(symbol), letters + 1);
        } else {
            const char32_t palette = symbolFor(rest[0], rest.size() > 1 ? rest[1] : 0);
            put(canonicalSymbol(palette && palette != U'⊨' && palette != U'⊢' ? palette : rest[0]),
                1);
        }
    }
    return out;
}

bool endsName(char32_t c)
{
    return (c >= '0' && c <= '9') || c == ',' || c == ';' || c == '.' || c == '(';
}

} // namespace

Rule matchRule(std::u32string_view text, int &length)
{
    std::u32string ends;
    const std::u32string name = canonical(text, ends);
    Rule best = Rule::Unknown;
    std::size_t bestLength = 0;
    auto consider = [&](const Spelling &s) {
        if (s.text.size() <= bestLength || !startsWith(name, s.text))
            return;
        // "PRE" is no premise: the name must end where the spelling does.
        if (s.text.size() < name.size() && !endsName(name[s.text.size()]))
            return;
        best = s.rule;
        bestLength = s.text.size();
    };
    for (const Spelling &s : kSpellings)
        consider(s);
    for (const Spelling &s : kMoreSpellings)
        consider(s);
    length = bestLength ? static_cast<int>(ends[bestLength - 1]) : 0;
    return best;
}

const char *ruleName(Rule rule)
{
    switch (rule) {
    case Rule::Unknown: return "?";
    case Rule::Premise: return "PR";
    case Rule::Assumption: return "AS";
    case Rule::Reiteration: return "R";
    case Rule::AndIntro: return "∧I";
    case Rule::AndElim: return "∧E";
    case Rule::OrIntro: return "∨I";
    case Rule::OrElim: return "∨E";
    case Rule::ImpliesIntro: return "→I";
    case Rule::ImpliesElim: return "→E";
    case Rule::IffIntro: return "↔I";
    case Rule::IffElim: return "↔E";
    case Rule::NotIntro: return "¬I";
    case Rule::NotElim: return "¬E";
    case Rule::TopIntro: return "⊤I";
    case Rule::Explosion: return "X";
    case Rule::IndirectProof: return "IP";
    case Rule::DisjunctiveSyllogism: return "DS";
    case Rule::ModusTollens: return "MT";
    case Rule::DoubleNegation: return "DNE";
    case Rule::ExcludedMiddle: return "LEM";
    case Rule::DeMorgan: return "DeM";
    case Rule::ForallIntro: return "∀I";
    case Rule::ForallElim: return "∀E";
    case Rule::ExistsIntro: return "∃I";
    case Rule::ExistsElim: return "∃E";
    case Rule::IdentityIntro: return "=I";
    case Rule::IdentityElim: return "=E";
    case Rule::QuantifierConversion: return "CQ";
    case Rule::BoxIntro: return "□I";
    case Rule::BoxElim: return "□E";
    case Rule::DiamondDefinition: return "Def◇";
    case Rule::ModalConversion: return "MC";
    case Rule::RuleT: return "RT";
    case Rule::Rule4: return "R4";
    case Rule::Rule5: return "R5";
    }
    return "?";
}

bool isBasicRule(Rule rule)
{
    switch (rule) {
    case Rule::DisjunctiveSyllogism:
    case Rule::ModusTollens:
    case Rule::DoubleNegation:
    case Rule::ExcludedMiddle:
    case Rule::DeMorgan:
    case Rule::QuantifierConversion:
    case Rule::ModalConversion: return false;
    default: return true;
    }
}

RuleShape ruleShape(Rule rule)
{
    switch (rule) {
    case Rule::Unknown:
    case Rule::Premise:
    case Rule::Assumption:
    case Rule::TopIntro:
    case Rule::IdentityIntro: return {0, 0};
    case Rule::AndIntro:
    case Rule::ImpliesElim:
    case Rule::IffElim:
    case Rule::NotElim:
    case Rule::DisjunctiveSyllogism:
    case Rule::ModusTollens:
    case Rule::IdentityElim: return {2, 0};
    case Rule::OrElim: return {1, 2};
    case Rule::ImpliesIntro:
    case Rule::NotIntro:
    case Rule::IndirectProof:
    case Rule::BoxIntro: return {0, 1};
    case Rule::IffIntro:
    case Rule::ExcludedMiddle: return {0, 2};
    case Rule::ExistsElim: return {1, 1};
    default: return {1, 0};
    }
}

} // namespace logic
