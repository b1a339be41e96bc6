// TeX names: one table for formulas and rules, read as whole words, with a rule's suffix glued on.
#include "Harness.h"
#include "Parsed.h"

#include "deduction/Rules.h"
#include "syntax/Lexer.h"
#include "syntax/TexNames.h"

#include <set>
#include <string>

using namespace logic;

namespace {

std::string formulaText(const std::string &utf8)
{
    Parsed p = parse(utf8);
    return p.line.ok() ? p.logic.text(p.line.conclusion) : "error: " + p.line.error;
}

Rule rule(const std::string &utf8, int &length)
{
    return matchRule(decode(utf8, Encoding::Utf8), length);
}

} // namespace

TEST(everyNameIsReadAsItsSymbolInAFormula)
{
    // Each name, alone between two operands or before one, reads as its symbol would.
    for (const TexName &t : texNames()) {
        std::u32string symbol(1, t.symbol);
        const Tok byName = Lexer(U"\\" + std::u32string(t.name)).next(0).kind;
        const Tok bySymbol = Lexer(symbol).next(0).kind;
        if (byName != bySymbol || byName == Tok::Bad)
            CHECK_EQ(toUtf8(t.name), std::string("a name read as its symbol"));
    }
    std::set<std::u32string_view> seen;
    for (const TexName &t : texNames())
        CHECK(seen.insert(t.name).second);
}

TEST(aNameInAFormulaIsAWholeWord)
{
    CHECK_EQ(formulaText("p \\to q"), formulaText("p → q"));
    CHECK_EQ(formulaText("\\top \\to p"), formulaText("⊤ → p"));
    CHECK_EQ(formulaText("\\lnot p \\land \\neg q"), formulaText("¬p ∧ ¬q"));
    CHECK_EQ(formulaText("\\Box p \\Rightarrow \\Diamond p"), formulaText("□p → ◇p"));
    // "\topp" is no "\top" and a letter, nor "\to" and "pp".
    const Token topp = Lexer(U"\\topp").next(0);
    CHECK(topp.kind == Tok::Bad);
    CHECK_EQ(topp.len, 5);
    const Parsed glued = parse("\\negp");
    CHECK(!glued.line.ok());
}

TEST(anUnknownNameIsRefusedByName)
{
    const Parsed p = parse("p \\foo q");
    CHECK(!p.line.ok());
    CHECK_EQ(p.line.column, 3);
    CHECK(p.line.error.find("«\\foo»") != std::string::npos);
    CHECK(p.line.error.find("no se conoce") != std::string::npos);
}

TEST(aRuleNameReadsItsTexNameWithTheSuffixGluedOn)
{
    const std::pair<const char *, Rule> cases[] = {
        {"\\topI", Rule::TopIntro},
        {"\\landI", Rule::AndIntro},
        {"\\wedgeE", Rule::AndElim},
        {"\\lorE", Rule::OrElim},
        {"\\veei", Rule::OrIntro},
        {"\\toE", Rule::ImpliesElim},
        {"\\toI", Rule::ImpliesIntro},
        {"\\impliesE", Rule::ImpliesElim},
        {"\\iffI", Rule::IffIntro},
        {"\\negI", Rule::NotIntro},
        {"\\lnotE", Rule::NotElim},
        {"\\neg\\negE", Rule::DoubleNegation},
        {"\\botE", Rule::Explosion},
        {"\\forallE", Rule::ForallElim},
        {"\\existsI", Rule::ExistsIntro},
        {"\\BoxI", Rule::BoxIntro},
        {"Def\\Diamond", Rule::DiamondDefinition},
        {"E\\land", Rule::AndElim},
        {"\\/I", Rule::OrIntro},
        // Not a name and a suffix: the rule is not known.
        {"\\landIntro", Rule::Unknown},
        {"\\topII", Rule::Unknown},
        {"\\foo", Rule::Unknown},
        {"\\land", Rule::Unknown},
    };
    for (const auto &[spelling, expected] : cases) {
        int length = 0;
        const Rule got = rule(std::string(spelling) + " 1, 2", length);
        if (got != expected)
            CHECK_EQ(std::string(spelling) + " → " + ruleName(got),
                std::string(spelling) + " → " + ruleName(expected));
        else if (expected != Rule::Unknown)
            CHECK_EQ(length, static_cast<int>(decode(spelling, Encoding::Utf8).size()));
    }
}

TEST(theSuffixRuleTakesTheLongestNameThatLeavesOneSuffix)
{
    std::size_t length = 0;
    CHECK(texSymbolInRule(U"topI", length) == U'⊤');
    CHECK_EQ(length, std::size_t(3));
    CHECK(texSymbolInRule(U"negE", length) == U'¬'); // not "ne" (≠) and "gE"
    CHECK_EQ(length, std::size_t(3));
    CHECK(texSymbolInRule(U"top", length) == U'⊤'); // a whole name needs no suffix
    CHECK_EQ(length, std::size_t(3));
    CHECK(texSymbolInRule(U"topX", length) == 0);
    CHECK_EQ(length, std::size_t(0));
}

TEST_MAIN()
