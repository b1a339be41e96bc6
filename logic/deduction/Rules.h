#pragma once
// The rules of a derivation and every spelling a student may give them.

#include <cstdint>
#include <string_view>

namespace logic {

enum class Rule : std::uint8_t {
    Unknown,
    Premise,
    Assumption,
    Reiteration,
    AndIntro,
    AndElim,
    OrIntro,
    OrElim,
    ImpliesIntro,
    ImpliesElim,
    IffIntro,
    IffElim,
    NotIntro,
    NotElim,
    TopIntro,
    Explosion,
    IndirectProof,
    DisjunctiveSyllogism,
    ModusTollens,
    DoubleNegation,
    ExcludedMiddle,
    DeMorgan,
    ForallIntro,
    ForallElim,
    ExistsIntro,
    ExistsElim,
    IdentityIntro,
    IdentityElim,
    QuantifierConversion,
    BoxIntro,
    BoxElim,
    DiamondDefinition,
    ModalConversion,
    RuleT,
    Rule4,
    Rule5,
};

/// The spelling a derivation is written with: "→I", "DS", "□E"...
const char *ruleName(Rule rule);

/// The longest rule spelling that @p text begins with, in @p length the code points it takes;
/// Unknown (length 0) when none does. Letters match in either case, and the palette's bytes
/// stand for their symbols.
Rule matchRule(std::u32string_view text, int &length);

/// Whether @p rule is one of the course's basic rules: premise, assumption, reiteration, the
/// introduction and elimination rules, explosion, indirect proof, identity, the quantifiers' and
/// the modal chapter's. DS, MT, DNE, LEM, DeM, CQ and MC are derived from them.
bool isBasicRule(Rule rule);

/// How many single lines and how many subderivations (i-j) the rule cites.
struct RuleShape
{
    int lines = 0;
    int ranges = 0;
};
RuleShape ruleShape(Rule rule);

} // namespace logic
