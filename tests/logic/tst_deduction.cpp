// Derivations as students write them: how the reader takes the notation apart, and what the
// checker says of each rule's correct use and of the faulty uses students make.

#include "Harness.h"
#include "deduction/Checker.h"
#include "deduction/Derivation.h"
#include "deduction/FitchLatex.h"
#include "deduction/NextStep.h"
#include "syntax/Text.h"

#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

using namespace logic;

namespace {

struct Document
{
    Logic logic;
    std::vector<std::u32string> lines;
    std::vector<DerivationInText> found;
};

Document read(const std::string &utf8, ModalSystem system = ModalSystem::K)
{
    Document d;
    d.lines = splitTextLines(utf8);
    d.found = findDerivations(d.logic, d.lines, system);
    return d;
}

// What zarvik-pl --derivation prints for each derivation of @p utf8.
std::vector<std::string> verdicts(const std::string &utf8, ModalSystem system = ModalSystem::K)
{
    Document d = read(utf8, system);
    std::vector<std::string> out;
    for (const DerivationInText &f : d.found) {
        const DerivationCheck c = checkDerivation(d.logic, f.derivation,
            f.argument ? &*f.argument : nullptr, f.system, f.course.basicRules);
        out.push_back(c.correct() ? "correcta"
                                  : "línea " + std::to_string(c.faults.front().line) + ": "
                    + c.faults.front().reason);
    }
    return out;
}

std::string verdict(const std::string &utf8, ModalSystem system = ModalSystem::K)
{
    const std::vector<std::string> v = verdicts(utf8, system);
    return v.size() == 1 ? v[0] : std::to_string(v.size()) + " derivaciones";
}

struct Case
{
    const char *text;
    const char *expected;
};

void checkCases(const std::vector<Case> &cases, ModalSystem system = ModalSystem::K)
{
    for (const Case &c : cases)
        if (verdict(c.text, system) != c.expected)
            CHECK_EQ(verdict(c.text, system) + "\n    for:\n" + c.text, std::string(c.expected));
}

} // namespace

TEST(readerTakesApartNumbersFormulasRulesCitationsAndColumns)
{
    Document d = read("p ∨ q ⊢ q ∨ p\n"
                      "1. p ∨ q :PR\n"
                      "\t2) p :AS\n"
                      "\t3. q ∨ p :∨I 2\n"
                      "--\n"
                      "    q :AS\n"
                      "    q ∨ p :vI 4\n"
                      "6. q ∨ p :∨E 1, 2–3, 4 - 5\n"
                      "\n"
                      "p ⊢ p\n");
    CHECK_EQ(d.found.size(), std::size_t{1});
    const Derivation &v = d.found[0].derivation;
    CHECK_EQ(v.firstLine, 1);
    CHECK_EQ(v.endLine, 8);
    CHECK_EQ(v.count(), 6);
    CHECK_EQ(v.lines.size(), std::size_t{7});
    CHECK(v.lines[3].separator);
    CHECK_EQ(v.subproofs.size(), std::size_t{2});
    CHECK_EQ(v.subproofs[0].first, 2);
    CHECK_EQ(v.subproofs[0].last, 3);
    CHECK_EQ(v.subproofs[1].first, 4);
    CHECK_EQ(v.subproofs[1].last, 5);
    CHECK_EQ(v.line(2).depth, 1);
    CHECK_EQ(v.line(4).indent, 4);
    CHECK_EQ(v.line(2).indent, 4); // a tab counts four
    const DerivationLine &last = v.line(6);
    CHECK(last.rule == Rule::OrElim);
    CHECK_EQ(last.citations.size(), std::size_t{3});
    CHECK(last.citations[1].range && last.citations[1].first == 2 && last.citations[1].last == 3);
    CHECK(last.citations[2].range && last.citations[2].first == 4 && last.citations[2].last == 5);
    // Columns, for underlining: "6. q ∨ p :∨E 1, 2–3, 4 - 5"
    CHECK_EQ(last.numberBegin, 0);
    CHECK_EQ(last.formulaBegin, 3);
    CHECK_EQ(last.formulaEnd, 8);
    CHECK_EQ(last.ruleBegin, 10);
    CHECK_EQ(last.ruleEnd, 12);
    CHECK_EQ(last.citations[2].begin, 21);
    CHECK_EQ(last.citations[2].end, 26);
    CHECK(d.found[0].argument.has_value());
    CHECK_EQ(verdict("p ∨ q ⊢ q ∨ p\n1. p ∨ q :PR\n\t2) p :AS\n\t3. q ∨ p :∨I 2\n--\n    q :AS\n"
                     "    q ∨ p :vI 4\n6. q ∨ p :∨E 1, 2–3, 4 - 5\n"),
        std::string("correcta"));
}

TEST(readerLeavesProseAndProgramLinesAlone)
{
    // A colon alone does not make a derivation: the rule must be known and its citations clean.
    CHECK_EQ(read("Ejercicio 3: demuestre que p → q\nNota: PR significa premisa\nsistema: T\n"
                  "// 1. p :PR\np → q\n")
                 .found.size(),
        std::size_t{0});
    // Inside a block, a line with an unknown rule or no justification is a faulty line of it...
    CHECK_EQ(
        verdict("1. p :PR\n2. p ∨ q :XI 1\n"), std::string("línea 2: no se conoce la regla «XI»"));
    CHECK_EQ(verdict("1. p :PR\n2. p ∨ q\n"),
        std::string("línea 2: falta la justificación: tras la fórmula, «:» y la regla con las "
                    "líneas que cita"));
    // ...but a blank line, prose or an argument ends it.
    CHECK_EQ(verdicts("1. p :PR\n2. p ∨ q :∨I 1\n\n1. q :PR\n").size(), std::size_t{2});
    CHECK_EQ(verdicts("1. p :PR\np → q ⊢ q\n1. p → q :PR\n").size(), std::size_t{2});
    // "R4" with nothing to cite reiterates line 4.
    Document d = read("1. p :PR\n2. q :PR\n3. r :PR\n4. s :PR\n5. s :R4\n");
    CHECK(d.found[0].derivation.line(5).rule == Rule::Reiteration);
    CHECK_EQ(d.found[0].derivation.line(5).citations[0].first, 4);
}

TEST(everySpellingOfEveryRuleIsRead)
{
    const std::vector<std::pair<const char *, Rule>> spellings = {{"PR", Rule::Premise},
        {"Premisa", Rule::Premise}, {"P", Rule::Premise}, {"AS", Rule::Assumption},
        {"Supuesto", Rule::Assumption}, {"Hipótesis", Rule::Assumption},
        {"Hipotesis", Rule::Assumption}, {"Hip", Rule::Assumption}, {"R", Rule::Reiteration},
        {"Reit", Rule::Reiteration}, {"∧I", Rule::AndIntro}, {"&I", Rule::AndIntro},
        {"/\\I", Rule::AndIntro}, {"I∧", Rule::AndIntro}, {"∧E", Rule::AndElim},
        {"&E", Rule::AndElim}, {"/\\E", Rule::AndElim}, {"E∧", Rule::AndElim},
        {"∨I", Rule::OrIntro}, {"vI", Rule::OrIntro}, {"\\/I", Rule::OrIntro},
        {"I∨", Rule::OrIntro}, {"∨E", Rule::OrElim}, {"vE", Rule::OrElim}, {"\\/E", Rule::OrElim},
        {"E∨", Rule::OrElim}, {"→I", Rule::ImpliesIntro}, {"->I", Rule::ImpliesIntro},
        {">I", Rule::ImpliesIntro}, {"I→", Rule::ImpliesIntro}, {"TD", Rule::ImpliesIntro},
        {"→E", Rule::ImpliesElim}, {"->E", Rule::ImpliesElim}, {">E", Rule::ImpliesElim},
        {"E→", Rule::ImpliesElim}, {"MP", Rule::ImpliesElim}, {"↔I", Rule::IffIntro},
        {"<->I", Rule::IffIntro}, {"I↔", Rule::IffIntro}, {"↔E", Rule::IffElim},
        {"<->E", Rule::IffElim}, {"E↔", Rule::IffElim}, {"¬I", Rule::NotIntro},
        {"~I", Rule::NotIntro}, {"-I", Rule::NotIntro}, {"I¬", Rule::NotIntro},
        {"¬E", Rule::NotElim}, {"~E", Rule::NotElim}, {"-E", Rule::NotElim}, {"E¬", Rule::NotElim},
        {"X", Rule::Explosion}, {"⊥E", Rule::Explosion}, {"EFQ", Rule::Explosion},
        {"IP", Rule::IndirectProof}, {"RAA", Rule::IndirectProof},
        {"DS", Rule::DisjunctiveSyllogism}, {"SD", Rule::DisjunctiveSyllogism},
        {"MT", Rule::ModusTollens}, {"DNE", Rule::DoubleNegation}, {"DN", Rule::DoubleNegation},
        {"LEM", Rule::ExcludedMiddle}, {"TND", Rule::ExcludedMiddle}, {"DeM", Rule::DeMorgan},
        {"DM", Rule::DeMorgan}, {"∀I", Rule::ForallIntro}, {"AI", Rule::ForallIntro},
        {"I∀", Rule::ForallIntro}, {"∀E", Rule::ForallElim}, {"AE", Rule::ForallElim},
        {"E∀", Rule::ForallElim}, {"∃I", Rule::ExistsIntro}, {"EI", Rule::ExistsIntro},
        {"I∃", Rule::ExistsIntro}, {"∃E", Rule::ExistsElim}, {"EE", Rule::ExistsElim},
        {"E∃", Rule::ExistsElim}, {"=I", Rule::IdentityIntro}, {"=E", Rule::IdentityElim},
        {"CQ", Rule::QuantifierConversion}, {"□I", Rule::BoxIntro}, {"[]I", Rule::BoxIntro},
        {"□E", Rule::BoxElim}, {"[]E", Rule::BoxElim}, {"Def◇", Rule::DiamondDefinition},
        {"Def<>", Rule::DiamondDefinition}, {"MC", Rule::ModalConversion}, {"RT", Rule::RuleT},
        {"R4", Rule::Rule4}, {"R5", Rule::Rule5},
        // The palette's bytes: ∀ as '"', → as the "Symbol" code 0xAE.
        {"\"I", Rule::ForallIntro},
        {"\xC2\xAE"
         "E",
            Rule::ImpliesElim},
        {"mp", Rule::ImpliesElim},
        // Not rules: a longer word, or nothing known.
        {"PRE", Rule::Unknown}, {"Q", Rule::Unknown}, {"∧", Rule::Unknown}, {"", Rule::Unknown}};
    for (const auto &[spelling, rule] : spellings) {
        int length = 0;
        const Rule got = matchRule(decode(std::string(spelling) + " 1, 2", Encoding::Utf8), length);
        if (got != rule)
            CHECK_EQ(std::string(spelling) + " → " + ruleName(got),
                std::string(spelling) + " → " + ruleName(rule));
    }
}

TEST(eachRuleUsedRightIsAccepted)
{
    const std::vector<Case> cases = {
        {"p ∧ q ⊢ q ∧ p\n1. p ∧ q :PR\n2. p :∧E 1\n3. q :&E 1\n4. q ∧ p :∧I 3, 2\n", "correcta"},
        {"p ⊢ p ∧ p\n1. p :PR\n2. p ∧ p :/\\I 1\n", "correcta"},
        {"p ⊢ q ∨ p\n1. p :PR\n2. q ∨ p :\\/I 1\n", "correcta"},
        {"p ∨ q, p → r, q → r ⊢ r\n1. p ∨ q :PR\n2. p → r :PR\n3. q → r :PR\n    4. p :AS\n"
         "    5. r :->E 2, 4\n    --\n    6. q :Supuesto\n    7. r :E→ 3, 6\n8. r :E∨ 1, 4-5, "
         "6-7\n",
            "correcta"},
        {"p ↔ q, q ⊢ p\n1. p ↔ q :PR\n2. q :PR\n3. p :↔E 1, 2\n", "correcta"},
        {"⊢ p ↔ p\n    1. p :AS\n    2. p :R 1\n--\n    3. p :AS\n4. p ↔ p :↔I 1-2, 3-3\n",
            "correcta"},
        {"p, ¬p ⊢ q\n1. p :PR\n2. ¬p :PR\n3. ⊥ :¬E 1, 2\n4. q :X 3\n", "correcta"},
        {"p → ¬p ⊢ ¬p\n1. p → ¬p :PR\n    2. p :AS\n    3. ¬p :→E 1, 2\n    4. ⊥ :~E 2, 3\n"
         "5. ¬p :~I 2-4\n",
            "correcta"},
        {"¬¬p ⊢ p\n1. ¬¬p :PR\n    2. ¬p :AS\n    3. ⊥ :¬E 2, 1\n4. p :IP 2-3\n", "correcta"},
        {"¬¬p ⊢ p\n1. ¬¬p :PR\n2. p :DNE 1\n", "correcta"},
        {"p ∨ q, ¬q ⊢ p\n1. p ∨ q :PR\n2. ¬q :PR\n3. p :DS 1, 2\n", "correcta"},
        {"p → q, ¬q ⊢ ¬p\n1. p → q :PR\n2. ¬q :PR\n3. ¬p :MT 1, 2\n", "correcta"},
        {"p → q, ¬p → q ⊢ q\n1. p → q :PR\n2. ¬p → q :PR\n    3. p :AS\n    4. q :→E 1, 3\n"
         "--\n    5. ¬p :AS\n    6. q :→E 2, 5\n7. q :LEM 3-4, 5-6\n",
            "correcta"},
        {"¬(p ∧ q) ⊢ ¬p ∨ ¬q\n1. ¬(p ∧ q) :PR\n2. ¬p ∨ ¬q :DeM 1\n", "correcta"},
        {"¬p ∧ ¬q ⊢ ¬(p ∨ q)\n1. ¬p ∧ ¬q :PR\n2. ¬(p ∨ q) :DM 1\n", "correcta"},
        {"∀x(Fx → Gx), Fa ⊢ Ga\n1. ∀x(Fx → Gx) :PR\n2. Fa :PR\n3. Fa → Ga :∀E 1\n"
         "4. Ga :→E 3, 2\n",
            "correcta"},
        {"∀xFx ⊢ ∀yFy\n1. ∀xFx :PR\n2. Fb :AE 1\n3. ∀yFy :AI 2\n", "correcta"},
        {"Raa ⊢ ∃xRxa\n1. Raa :PR\n2. ∃xRxa :∃I 1\n", "correcta"},
        {"Raa ⊢ ∃xRxx\n1. Raa :PR\n2. ∃xRxx :EI 1\n", "correcta"},
        {"∃x(Fx ∧ Gx) ⊢ ∃xFx\n1. ∃x(Fx ∧ Gx) :PR\n    2. Fc ∧ Gc :AS\n    3. Fc :∧E 2\n"
         "    4. ∃xFx :∃I 3\n5. ∃xFx :EE 1, 2-4\n",
            "correcta"},
        {"⊢ a = a\n1. a = a :=I\n", "correcta"},
        {"a = b, Fa ⊢ Fb\n1. a = b :PR\n2. Fa :PR\n3. Fb :=E 1, 2\n", "correcta"},
        {"a = b, Raa ⊢ Rab\n1. a = b :PR\n2. Raa :PR\n3. Rab :=E 2, 1\n", "correcta"},
        {"¬∃xFx ⊢ ∀x¬Fx\n1. ¬∃xFx :PR\n2. ∀x¬Fx :CQ 1\n", "correcta"},
        {"∃x¬Fx ⊢ ¬∀xFx\n1. ∃x¬Fx :PR\n2. ¬∀xFx :CQ 1\n", "correcta"},
        {"p ⊢ q → p\n1. p :PR\n    2. q :AS\n    3. p :Reit 1\n4. q → p :TD 2-3\n", "correcta"},
        {"⊢ ⊤\n1. ⊤ :⊤I\n", "correcta"},
        // Palette bytes in formulas and rules: ® is →, " is ∀.
        {"p \xC2\xAE q, p ⊢ q\n1. p \xC2\xAE q :PR\n2. p :PR\n3. q :\xC2\xAE"
         "E 1, 2\n",
            "correcta"},
    };
    checkCases(cases);
}

TEST(eachRuleMisusedIsNamedWithWhatItNeeds)
{
    const std::vector<Case> cases = {
        {"p ∧ q ⊢ r\n1. p ∧ q :PR\n2. r :∧E 1\n", "línea 2: ∧E de p ∧ q da p o q, no r"},
        {"p, q ⊢ p ∧ r\n1. p :PR\n2. q :PR\n3. p ∧ r :∧I 1, 2\n",
            "línea 3: ∧I necesita p y r; la línea 2 es q"},
        {"p ⊢ p ∨ q\n1. p :PR\n2. q ∨ r :∨I 1\n", "línea 2: ∨I necesita q o r; la línea 1 es p"},
        {"p ∨ q ⊢ q\n1. p ∨ q :PR\n    2. p :AS\n    3. q :R 2\n--\n    4. q :AS\n"
         "5. q :∨E 1, 2-3, 4-4\n",
            "línea 3: R necesita q; la línea 2 es p"},
        {"p ∨ q, r ⊢ r\n1. p ∨ q :PR\n2. r :PR\n    3. p :AS\n    4. r :R 2\n--\n    5. p :AS\n"
         "    6. r :R 2\n7. r :∨E 1, 3-4, 5-6\n",
            "línea 7: ∨E necesita una subderivación que suponga p y otra que suponga q; las dos "
            "suponen p"},
        // Affirming the consequent, and the issue's own example.
        {"p → q, q ⊢ p\n1. p → q :PR\n2. q :PR\n3. p :→E 1, 2\n",
            "línea 3: →E necesita un condicional con consecuente p y su antecedente; las líneas "
            "1 y 2 son p → q y q"},
        {"p → q, q ⊢ q\n1. p → q :PR\n2. q :PR\n3. q :→E 1, 2\n",
            "línea 3: →E necesita p → q y p; la línea 2 es q"},
        {"p ⊢ q → p\n1. p :PR\n    2. q :AS\n    3. p :R 1\n4. p → q :→I 2-3\n",
            "línea 4: →I necesita una subderivación que suponga p y acabe en q; la de 2–3 supone "
            "q"},
        {"p ⊢ ¬q\n1. p :PR\n    2. q :AS\n    3. p :R 1\n4. ¬q :¬I 2-3\n",
            "línea 4: ¬I necesita una subderivación que suponga q y acabe en ⊥; la de 2–3 acaba "
            "en p"},
        {"p, q ⊢ ⊥\n1. p :PR\n2. q :PR\n3. ⊥ :¬E 1, 2\n",
            "línea 3: ¬E necesita una fórmula y su negación; las líneas 1 y 2 son p y q"},
        {"p ⊢ q\n1. p :PR\n2. q :X 1\n", "línea 2: X necesita ⊥; la línea 1 es p"},
        {"¬p ⊢ p\n1. ¬p :PR\n    2. p :AS\n    3. ⊥ :¬E 2, 1\n4. p :IP 2-3\n",
            "línea 4: IP necesita una subderivación que suponga ¬p y acabe en ⊥; la de 2–3 "
            "supone p"},
        {"p ∨ q, p ⊢ q\n1. p ∨ q :PR\n2. p :PR\n3. q :DS 1, 2\n",
            "línea 3: DS necesita p ∨ q y la negación de uno de sus miembros (¬p o ¬q); la línea "
            "2 es p"},
        {"p → q, ¬p ⊢ ¬q\n1. p → q :PR\n2. ¬p :PR\n3. ¬q :MT 1, 2\n",
            "línea 3: MT necesita p → q y ¬q; la línea 2 es ¬p"},
        {"¬p ⊢ p\n1. ¬p :PR\n2. p :DNE 1\n", "línea 2: DNE necesita ¬¬p; la línea 1 es ¬p"},
        {"p → q, ¬p → r ⊢ q\n1. p → q :PR\n2. ¬p → r :PR\n    3. p :AS\n    4. q :→E 1, 3\n--\n"
         "    5. ¬p :AS\n    6. r :→E 2, 5\n7. q :LEM 3-4, 5-6\n",
            "línea 7: LEM necesita dos subderivaciones que acaben en q; la de 5–6 acaba en r"},
        {"¬(p ∨ q) ⊢ ¬p ∨ ¬q\n1. ¬(p ∨ q) :PR\n2. ¬p ∨ ¬q :DeM 1\n",
            "línea 2: DeM de ¬(p ∨ q) da ¬p ∧ ¬q, no ¬p ∨ ¬q"},
        {"∀xFx ⊢ Ga\n1. ∀xFx :PR\n2. Ga :∀E 1\n",
            "línea 2: ∀E de ∀xFx da Fx con x cambiada por un término; Ga no lo es"},
        {"Rab ⊢ ∃xRxx\n1. Rab :PR\n2. ∃xRxx :∃I 1\n",
            "línea 2: ∃I necesita Rxx con x cambiada por un término; la línea 1 es Rab"},
        {"a = b, Fc ⊢ Fb\n1. a = b :PR\n2. Fc :PR\n3. Fb :=E 1, 2\n",
            "línea 3: =E: Fb no sale de Fc cambiando a por b ni al revés"},
        {"∀x¬Fx ⊢ ¬∀xFx\n1. ∀x¬Fx :PR\n2. ¬∀xFx :CQ 1\n",
            "línea 2: CQ de ∀x¬Fx da ¬∃x Fx, no ¬∀xFx"},
        {"⊢ a = b\n1. a = b :=I\n", "línea 1: =I da una identidad t = t; a = b no lo es"},
        // Citations of the wrong shape.
        {"p ⊢ p ∧ p\n1. p :PR\n2. p ∧ p :∧I 1, 1, 1\n",
            "línea 2: ∧I necesita p y p; aquí sobra una línea"},
        {"p ⊢ p → p\n1. p :PR\n2. p → p :→I 1\n",
            "línea 2: →I necesita una subderivación que suponga p y acabe en p; aquí se cita una "
            "línea donde hace falta una subderivación (i–j)"},
        {"p ⊢ p\n1. p :PR\n2. p :R 1-1\n",
            "línea 2: R necesita una línea anterior con p; aquí se cita una subderivación donde "
            "hace falta una línea"},
        {"p ⊢ p\n1. p :PR\n2. p :PR 1\n", "línea 2: PR no cita líneas"},
    };
    checkCases(cases);
}

TEST(universalIntroductionAndExistentialEliminationGuardTheirConstant)
{
    const std::vector<Case> cases = {
        // ∀I: the constant in a premise, in an open assumption, left in the universal, or a
        // function term instead of a constant.
        {"Fa ⊢ ∀xFx\n1. Fa :PR\n2. ∀xFx :∀I 1\n",
            "línea 2: ∀I no se puede aplicar: la constante a aparece en la premisa de la línea 1"},
        {"∀x(Fx → Gx) ⊢ Fa → ∀xGx\n1. ∀x(Fx → Gx) :PR\n    2. Fa :AS\n    3. Fa → Ga :∀E 1\n"
         "    4. Ga :→E 3, 2\n    5. ∀xGx :∀I 4\n6. Fa → ∀xGx :→I 2-5\n",
            "línea 5: ∀I no se puede aplicar: la constante a aparece en el supuesto de la línea 2"},
        {"∀xRxx ⊢ ∀xRxa\n1. ∀xRxx :PR\n2. Raa :∀E 1\n3. ∀xRxa :∀I 2\n",
            "línea 3: ∀I no se puede aplicar: la constante a aparece en ∀xRxa"},
        {"∀x(Fx ∧ Gx) ⊢ ∀xFx\n1. ∀x(Fx ∧ Gx) :PR\n2. F(f(a)) ∧ G(f(a)) :∀E 1\n"
         "3. F(f(a)) :∧E 2\n4. ∀xFx :∀I 3\n",
            "línea 4: ∀I necesita una constante en lugar de x, y en la línea 3 hay f(a)"},
        {"∀xRxx ⊢ ∀xRxb\n1. ∀xRxx :PR\n2. Raa :∀E 1\n3. ∀xRxb :∀I 2\n",
            "línea 3: ∀I necesita Rxb con x cambiada por una constante; la línea 2 es Raa"},
        // Once the assumption is discharged, the same constant is free to go.
        {"∀x(Fx → Gx) ⊢ ∀x(Fx → Gx)\n1. ∀x(Fx → Gx) :PR\n    2. Fa :AS\n    3. Fa → Ga :∀E 1\n"
         "    4. Ga :→E 3, 2\n5. Fa → Ga :→I 2-4\n6. ∀x(Fx → Gx) :∀I 5\n",
            "correcta"},
        // ∃E: the constant in the conclusion, in the existential, in a premise; an assumption
        // that is no instance.
        {"∃xFx ⊢ Fa\n1. ∃xFx :PR\n    2. Fa :AS\n3. Fa :∃E 1, 2-2\n",
            "línea 3: ∃E no se puede aplicar: la constante a aparece en Fa, la fórmula de esta "
            "línea"},
        {"∃xRxa ⊢ ∃xRxx\n1. ∃xRxa :PR\n    2. Raa :AS\n    3. ∃xRxx :∃I 2\n4. ∃xRxx :∃E 1, 2-3\n",
            "línea 4: ∃E no se puede aplicar: la constante a aparece en ∃xRxa"},
        {"∃xFx, Ga ⊢ ∃x(Fx ∧ Gx)\n1. ∃xFx :PR\n2. Ga :PR\n    3. Fa :AS\n    4. Fa ∧ Ga :∧I 3, 2\n"
         "    5. ∃x(Fx ∧ Gx) :∃I 4\n6. ∃x(Fx ∧ Gx) :∃E 1, 3-5\n",
            "línea 6: ∃E no se puede aplicar: la constante a aparece en la premisa de la línea 2"},
        {"∃xFx ⊢ ∃xGx\n1. ∃xFx :PR\n    2. Ga :AS\n    3. ∃xGx :∃I 2\n4. ∃xGx :∃E 1, 2-3\n",
            "línea 4: ∃E necesita una subderivación que suponga Fx con x cambiada por una "
            "constante nueva; la de 2–3 supone Ga"},
    };
    checkCases(cases);
}

TEST(citationsIntoClosedSubderivationsAndWrongRangesAreFaults)
{
    const std::vector<Case> cases = {
        // The issue's example: a line of a closed subderivation cited from outside.
        {"p ⊢ p → p\n1. p :PR\n   2. p :AS\n3. p :R 2\n4. p -> p :->I 2-2\n",
            "línea 3: la línea 2 está dentro de una subderivación ya cerrada"},
        {"p ⊢ q\n1. p :PR\n    2. q :AS\n3. q :R 2\n",
            "línea 3: la línea 2 está dentro de una subderivación ya cerrada"},
        // →I with the wrong range: too short, a line that opens nothing, backwards, beyond the
        // end, still open.
        {"p → q, q → r ⊢ p → r\n1. p → q :PR\n2. q → r :PR\n    3. p :AS\n    4. q :→E 1, 3\n"
         "    5. r :→E 2, 4\n6. p → r :→I 3-4\n",
            "línea 6: la subderivación que empieza en la línea 3 termina en la línea 5, no en la "
            "4"},
        {"p ⊢ p → p\n1. p :PR\n    2. p :AS\n    3. p :R 2\n    4. q → p :→I 3-3\n"
         "5. p → p :→I 2-3\n",
            "línea 4: las líneas 3–3 no son una subderivación: la línea 3 no abre ninguna"},
        {"p ⊢ p → p\n1. p :PR\n    2. p :AS\n    3. p :R 2\n4. p → p :→I 3-2\n",
            "línea 4: el rango 3–2 va hacia atrás: se escribe desde el supuesto hasta la última "
            "línea"},
        {"p ⊢ p → p\n1. p :PR\n    2. p :AS\n    3. p :R 2\n4. p → p :→I 2-9\n",
            "línea 4: la derivación no tiene línea 9"},
        {"p ⊢ q → q\n1. p :PR\n    2. q :AS\n        3. r :AS\n    4. q → q :→I 2-2\n"
         "5. q → q :R 4\n",
            "línea 4: la subderivación que empieza en la línea 2 aún no se ha cerrado: esta línea "
            "está dentro de ella"},
        {"p ⊢ (q → q) ∧ p\n1. p :PR\n    2. r :AS\n        3. q :AS\n    4. q → q :→I 3-3\n"
         "5. q → q :→I 3-3\n",
            "línea 5: la subderivación 3–3 está dentro de otra ya cerrada"},
        {"p ⊢ p ∨ q\n1. p :PR\n2. p ∨ q :∨I 3\n", "línea 2: la derivación no tiene línea 3"},
        {"p, q ⊢ p ∧ q\n1. p :PR\n2. p ∧ q :∧I 1, 3\n3. q :PR\n",
            "línea 2: la línea 3 aún no se ha escrito: solo se citan líneas anteriores"},
        {"p ⊢ p\n1. p :PR\n2. p :R 2\n", "línea 2: una línea no puede citarse a sí misma"},
    };
    checkCases(cases);
}

TEST(theDerivationMustProveTheArgumentAboveIt)
{
    const std::vector<Case> cases = {
        {"p ⊢ q\n1. p :PR\n2. q :PR\n", "línea 2: q no es una premisa del argumento"},
        {"p ⊢ p ∨ q\n1. p :PR\n2. p ∨ r :∨I 1\n",
            "línea 2: la derivación termina en p ∨ r, y la conclusión del argumento es p ∨ q"},
        {"p ⊢ q → p\n1. p :PR\n    2. q :AS\n    3. p :R 1\n",
            "línea 3: la derivación termina dentro de la subderivación que empieza en la línea "
            "2, sin descargar su supuesto"},
        {"p, q ⊢ p\n1. p :PR\n2. p ∨ q :∨I 1\n3. q :PR\n4. p :R 1\n",
            "línea 3: las premisas van al principio de la derivación, antes de cualquier otra "
            "línea"},
        {"p ⊢ p\n1. p :PR\n    2. q :PR\n3. p :R 1\n",
            "línea 2: esta línea abre una subderivación (está más sangrada que la anterior), y "
            "eso solo lo hace un supuesto (AS)"},
        {"p ⊢ p\n1. p :PR\n2. q :AS\n3. p :R 1\n",
            "línea 2: un supuesto abre una subderivación: sangre esta línea más que la anterior"},
        {"p ⊢ p → p\n1. p :PR\n    2. p :AS\n    3. p :R 2\n    4. r :AS\n5. p → p :→I 2-3\n",
            "línea 4: falta «--» antes de este supuesto, que abre otra subderivación al lado de "
            "la anterior"},
        {"p ⊢ p ∨ q\n1. p :PR\n3. p ∨ q :∨I 1\n",
            "línea 2: la línea lleva el número 3, pero es la línea 2 de la derivación"},
        {"p ⊢ p ∨ q\n1. p :PR\n2. p ∨ q :∨I 1 +\n",
            "línea 2: no se entiende la cita «+»: se esperaba un número de línea o un rango i-j"},
        // A member of the premises may go unused; a derivation with no argument above only has
        // to be right.
        {"p, q ⊢ p\n1. p :PR\n", "correcta"},
        {"1. p :PR\n2. p ∨ q :∨I 1\n", "correcta"},
    };
    checkCases(cases);
}

TEST(laterLinesAreStillCheckedAfterAFault)
{
    Document d = read("p → q, q → r ⊢ p → r\n1. p → q :PR\n2. q → r :PR\n    3. p :AS\n"
                      "    4. q :→E 1, 2\n    5. r :→E 2, 3\n    6. r :→E 2, 4\n"
                      "7. p → r :→I 3-6\n");
    const DerivationCheck c
        = checkDerivation(d.logic, d.found[0].derivation, &*d.found[0].argument, ModalSystem::K);
    CHECK_EQ(c.faults.size(), std::size_t{2});
    CHECK_EQ(c.faults[0].line, 4);
    CHECK_EQ(c.faults[1].line, 5);
    CHECK_EQ(c.faults[1].textLine, 5);
    CHECK(c.finished);
    CHECK(!c.provesArgument());
    CHECK_EQ(faultMessage(c.faults[0]),
        std::string("Línea 4: →E necesita p → q y p; la línea 2 es q → r"));
    // A line that cannot be read is one fault; lines that cite it are not blamed for it.
    CHECK_EQ(verdicts("p ⊢ p\n1. p :PR\n2. p ∧ :R 1\n3. p :R 2\n")[0],
        std::string("línea 2: no se entiende la fórmula: se esperaba una fórmula (una letra, un "
                    "predicado, ¬, ∀, ∃, □, ◇ o «(»), pero se encontró el final de la línea"));
    Document e = read("p ⊢ p\n1. p :PR\n2. p ∧ :R 1\n3. p :R 2\n");
    CHECK_EQ(checkDerivation(e.logic, e.found[0].derivation, &*e.found[0].argument, ModalSystem::K)
                 .faults.size(),
        std::size_t{1});
}

TEST(modalRulesHoldInTheSystemsThatHaveThem)
{
    const std::vector<Case> k = {
        {"□(p → q), □p ⊢ □q\n1. □(p → q) :PR\n2. □p :PR\n    3. □ :AS\n    4. p → q :□E 1\n"
         "    5. p :□E 2\n    6. q :→E 4, 5\n7. □q :□I 3-6\n",
            "correcta"},
        {"¬◇p ⊢ □¬p\n1. ¬◇p :PR\n2. □¬p :MC 1\n", "correcta"},
        {"◇p ⊢ ¬□¬p\n1. ◇p :PR\n2. ¬□¬p :Def<> 1\n", "correcta"},
        // Nothing but □E crosses into a strict subderivation, and only one at a time.
        {"□(p → q), □p ⊢ □q\n1. □(p → q) :PR\n2. □p :PR\n    3. [] :AS\n    4. p → q :R 1\n"
         "    5. p :□E 2\n    6. q :→E 4, 5\n7. □q :□I 3-6\n",
            "línea 4: la línea 1 está fuera de la subderivación estricta que empieza en la línea "
            "3: dentro solo entran fórmulas traídas con □E"},
        {"□p ⊢ □□p\n1. □p :PR\n    2. □ :AS\n        3. □ :AS\n        4. p :□E 1\n"
         "    5. □p :□I 3-4\n6. □□p :□I 2-5\n",
            "línea 4: □E solo cruza una subderivación estricta, y la línea 1 queda fuera de dos"},
        {"□p ⊢ p\n1. □p :PR\n2. p :□E 1\n",
            "línea 2: □E solo se usa dentro de una subderivación estricta (abierta con □)"},
        {"□p ⊢ p\n1. □p :PR\n2. p :RT 1\n",
            "línea 2: RT no vale en K: pide un sistema reflexivo, como T, S4 o S5"},
        {"p ⊢ □p\n1. p :PR\n    2. q :AS\n    3. p :R 1\n4. □p :□I 2-3\n",
            "línea 4: □I necesita una subderivación estricta (abierta con □); la subderivación "
            "2–3 supone q"},
        {"p ⊢ □p\n1. p :PR\n2. □ :AS\n",
            "línea 2: □ abre una subderivación estricta: sangre esta línea más que la anterior"},
    };
    checkCases(k);
    CHECK_EQ(verdict("sistema: T\n□p ⊢ p\n1. □p :PR\n2. p :RT 1\n"), std::string("correcta"));
    CHECK_EQ(verdict("□p ⊢ □□p\n1. □p :PR\n    2. [] :AS\n    3. □p :R4 1\n4. □□p :□I 2-3\n",
                 ModalSystem::T),
        std::string("línea 3: R4 no vale en T: pide un sistema transitivo, como S4 o S5"));
    CHECK_EQ(verdict("□p ⊢ □□p\n1. □p :PR\n    2. [] :AS\n    3. □p :R4 1\n4. □□p :□I 2-3\n",
                 ModalSystem::S4),
        std::string("correcta"));
    const char *five = "◇p ⊢ □◇p\n1. ◇p :PR\n2. ¬□¬p :Def◇ 1\n    3. □ :AS\n"
                       "    4. ¬□¬p :R5 2\n    5. ◇p :Def<> 4\n6. □◇p :□I 3-5\n";
    CHECK_EQ(verdict(five, ModalSystem::S5), std::string("correcta"));
    CHECK_EQ(
        verdict(five, ModalSystem::S4), std::string("línea 4: R5 no vale en S4: solo vale en S5"));
    // RT stays inside its subderivation; □E across the boundary in T says so.
    CHECK_EQ(verdict("□p ⊢ □p\n1. □p :PR\n    2. □ :AS\n    3. □p :R4 1\n    4. p :□E 3\n"
                     "5. □p :□I 2-4\n",
                 ModalSystem::S4),
        std::string("línea 4: □E trae una fórmula de fuera de la subderivación estricta, y la "
                    "línea 3 está dentro de ella; en la misma subderivación, use RT"));
}

namespace {

NextStep next(const std::string &utf8, ModalSystem system = ModalSystem::K)
{
    Document d = read(utf8, system);
    const Budget budget = Budget::forTime(std::chrono::seconds(2));
    return nextStep(
        d.logic, d.lines, d.found.at(0).derivation, *d.found.at(0).argument, system, budget);
}

std::string joined(const NextStep &s)
{
    std::string out;
    for (const std::string &l : s.lines)
        out += l + "\n";
    return out;
}

} // namespace

TEST(aRuleCitedWithTooLittleOrTooMuchIsToldWhatItLacks)
{
    // The citation's shape is not the message: what the rule needs, named from the line, and
    // which part of it is missing or too much.
    checkCases({
        {"p ∨ q, p → r, q → r ⊢ r\n1. p ∨ q :PR\n2. p → r :PR\n3. q → r :PR\n    4. p :AS\n"
         "    5. r :→E 2, 4\n--\n    6. q :AS\n    7. q :R 6\n8. r :∨E 1, 4-5, 6-7\n",
            "línea 8: ∨E necesita dos subderivaciones que acaben en r; la de 6–7 acaba en q"},
        {"p ∨ q, p → r ⊢ r\n1. p ∨ q :PR\n2. p → r :PR\n    3. p :AS\n    4. r :→E 2, 3\n"
         "5. r :∨E 1, 3-4\n",
            "línea 5: ∨E necesita una disyunción y dos subderivaciones que acaben en r; aquí "
            "falta una subderivación"},
        {"p → q, p ⊢ q\n1. p → q :PR\n2. p :PR\n3. q :→E 1\n",
            "línea 3: →E necesita un condicional con consecuente q y su antecedente; aquí falta "
            "una línea"},
        {"p ⊢ q → p\n1. p :PR\n    2. q :AS\n    3. p :R 1\n4. q → p :→I 2\n",
            "línea 4: →I necesita una subderivación que suponga q y acabe en p; la línea 2 abre "
            "la subderivación 2–3, que se cita entera: 2–3"},
        {"p ⊢ q → p\n1. p :PR\n    2. q :AS\n    3. p :R 1\n4. q → p :→I 1, 2-3\n",
            "línea 4: →I necesita una subderivación que suponga q y acabe en p; aquí sobra una "
            "línea"},
        {"p, q ⊢ p ∧ q\n1. p :PR\n2. q :PR\n3. p ∧ q :∧I\n",
            "línea 3: ∧I necesita p y q; aquí no se cita ninguna línea"},
        {"¬p ⊢ ¬p\n1. ¬p :PR\n    2. p :AS\n    3. ⊥ :¬E 1, 2\n4. ¬p :¬I 2-3, 1\n",
            "línea 4: ¬I necesita una subderivación que suponga p y acabe en ⊥; aquí sobra una "
            "línea"},
        {"∃x Fx ⊢ ∃x Fx\n1. ∃x Fx :PR\n    2. Fa :AS\n    3. ∃x Fx :∃I 2\n4. ∃x Fx :∃E 2-3\n",
            "línea 4: ∃E necesita una fórmula existencial y una subderivación que acabe en ∃x Fx; "
            "aquí falta una línea"},
        // The student's formulas as written: ¬a = b is not printed a ≠ b.
        {"¬a = b ⊢ b = a\n1. ¬a = b :PR\n2. b = a :R 1\n",
            "línea 2: R necesita b = a; la línea 1 es ¬a = b"},
        {"p → q ⊢ q\n1. p->q :PR\n2. q :R 1\n", "línea 2: R necesita q; la línea 1 es p->q"},
        // A line inside a closed subderivation.
        {"p ⊢ p\n1. p :PR\n    2. p :AS\n3. p :R 2\n",
            "línea 3: la línea 2 está dentro de una subderivación ya cerrada"},
    });
}

TEST(slipsOfTheKeyboardAreNamedAsSuch)
{
    checkCases({
        // A blank line inside: one derivation, its next line faulted for it.
        {"p, q ⊢ p ∧ q\n1. p :PR\n2. q :PR\n\n3. p ∧ q :∧I 1, 2\n",
            "línea 3: antes de esta línea hay una línea en blanco, que parte la derivación: sus "
            "líneas van seguidas"},
        {"p, q ⊢ p ∧ q\np :PR\nq :PR\n\n\np ∧ q :∧I 1, 2\n",
            "línea 3: antes de esta línea hay una línea en blanco, que parte la derivación: sus "
            "líneas van seguidas"},
        // A tab for the colon, on the first line too, where no block would start otherwise.
        {"p ⊢ p\n1. p\tPR\n",
            "línea 1: entre la fórmula y la regla hay un tabulador en lugar de «:»"},
        {"p → q, p ⊢ q\n1. p → q :PR\n2. p :PR\n3. q\t→E 1, 2\n",
            "línea 3: entre la fórmula y la regla hay un tabulador en lugar de «:»"},
        // A citation of more than nine digits, quoted as written.
        {"p ⊢ p\n1. p :PR\n2. p :R 2147483648\n",
            "línea 2: la derivación no tiene línea 2147483648"},
        {"p ⊢ p → p\n1. p :PR\n    2. p :AS\n3. p → p :→I 2-12345678901\n",
            "línea 3: la derivación no tiene línea 12345678901"},
    });
    // Two derivations apart stay two: a new one starts at its own line 1, or under its argument.
    CHECK_EQ(verdicts("p ⊢ p\n1. p :PR\n\n1. q :PR\n").size(), 2u);
    CHECK_EQ(verdicts("p ⊢ p\n1. p :PR\n\nq ⊢ q\n2. q :PR\n").size(), 2u);
    // A table with tabs is no derivation.
    CHECK_EQ(verdicts("p\tq\tp ∧ q\nV\tV\tV\n").size(), 0u);
}

TEST(theCoursesBasicRulesRefuseADerivedRuleOnItsLine)
{
    const std::string deMorgan = "¬(p ∨ q) ⊢ ¬p ∧ ¬q\n1. ¬(p ∨ q) :PR\n2. ¬p ∧ ¬q :DeM 1\n";
    CHECK_EQ(verdict(deMorgan), std::string("correcta"));
    CHECK_EQ(verdict("reglas: básicas\n" + deMorgan),
        std::string("línea 2: DeM no es una regla básica"));
    CHECK_EQ(verdict("Reglas: Basicas\n" + deMorgan),
        std::string("línea 2: DeM no es una regla básica"));
    // In force from its line on, until another says otherwise.
    CHECK_EQ(verdict(deMorgan + "\nreglas: básicas\n"), std::string("correcta"));
    const std::vector<std::string> both
        = verdicts("reglas: básicas\n" + deMorgan + "\nreglas: todas\n" + deMorgan);
    CHECK_EQ(both.size(), 2u);
    if (both.size() == 2) {
        CHECK_EQ(both[0], std::string("línea 2: DeM no es una regla básica"));
        CHECK_EQ(both[1], std::string("correcta"));
    }
    // Every derived rule, and none of the basic ones.
    const Case derived[] = {
        {"p ∨ q, ¬p ⊢ q\n1. p ∨ q :PR\n2. ¬p :PR\n3. q :DS 1, 2\n", "DS"},
        {"p → q, ¬q ⊢ ¬p\n1. p → q :PR\n2. ¬q :PR\n3. ¬p :MT 1, 2\n", "MT"},
        {"¬¬p ⊢ p\n1. ¬¬p :PR\n2. p :DNE 1\n", "DNE"},
        {"¬∀x Fx ⊢ ∃x ¬Fx\n1. ¬∀x Fx :PR\n2. ∃x ¬Fx :CQ 1\n", "CQ"},
        {"¬□p ⊢ ◇¬p\n1. ¬□p :PR\n2. ◇¬p :MC 1\n", "MC"},
        {"p → q, ¬p → q ⊢ q\n1. p → q :PR\n2. ¬p → q :PR\n    3. p :AS\n    4. q :→E 1, 3\n--\n"
         "    5. ¬p :AS\n    6. q :→E 2, 5\n7. q :LEM 3-4, 5-6\n",
            "LEM"},
    };
    for (const Case &c : derived) {
        CHECK_EQ(verdict(c.text), std::string("correcta"));
        const std::string v = verdict(std::string("reglas: básicas\n") + c.text);
        CHECK_EQ(v.substr(v.find(": ") + 2), std::string(c.expected) + " no es una regla básica");
    }
    for (Rule r = Rule::Premise; r <= Rule::Rule5; r = static_cast<Rule>(static_cast<int>(r) + 1))
        if (isBasicRule(r))
            for (const Case &c : derived)
                CHECK(std::string(ruleName(r)) != c.expected);
    const std::string basic = "p ∧ q ⊢ q ∧ p\n1. p ∧ q :PR\n2. p :∧E 1\n3. q :∧E 1\n"
                              "4. q ∧ p :∧I 3, 2\n";
    CHECK_EQ(verdict("reglas: básicas\n" + basic), std::string("correcta"));
    // A choice the course does not know is said, and changes nothing.
    std::string error;
    CourseChoice choice{true, false};
    CHECK(courseLine(U"reglas: algunas", choice, error));
    CHECK(!error.empty() && choice.basicRules && !choice.help);
    error.clear();
    CHECK(courseLine(U"  ayuda: sí", choice, error) && error.empty() && choice.help);
    CHECK(courseLine(U"ayuda: si", choice, error) && choice.help);
    CHECK(!courseLine(U"ayudas: no", choice, error));
}

TEST(aTheoremStartsWithItsIndentedAssumption)
{
    // Its first line alone is a derivation under way, not a faulty one: unfinished, no fault of
    // a line.
    Document d = read("⊢ p → p\n    1. p :AS\n");
    CHECK_EQ(d.found.size(), 1u);
    if (d.found.size() == 1) {
        const DerivationCheck c = checkDerivation(
            d.logic, d.found[0].derivation, &*d.found[0].argument, ModalSystem::K);
        CHECK_EQ(c.faults.size(), 1u);
        CHECK(!c.faults.empty() && c.faults[0].unfinished);
        CHECK_EQ(d.found[0].derivation.line(1).depth, 1);
    }
    checkCases({
        {"⊢ p → p\n    1. p :AS\n    2. p :R 1\n3. p → p :→I 1-2\n", "correcta"},
        {"⊢ p → (q → p)\n    1. p :AS\n        2. q :AS\n        3. p :R 1\n",
            "línea 3: la derivación termina dentro de la subderivación que empieza en la línea "
            "1, sin descargar su supuesto"},
        // Not indented, it is still the outermost level's, and faulted there.
        {"⊢ p → p\n1. p :AS\n",
            "línea 1: un supuesto abre una subderivación: sangre esta línea más que la anterior"},
    });
}

TEST(nextStepClosesOpensOrContinuesTheDerivation)
{
    // The subderivation reached its goal: close it.
    CHECK_EQ(joined(next("p → q, q → r ⊢ p → r\n1. p → q :PR\n2. q → r :PR\n    3. p :AS\n"
                         "    4. q :→E 1, 3\n    5. r :→E 2, 4\n")),
        std::string("6. p → r :→I 3-5\n"));
    // The first case of ∨E is done: the second opens beside it.
    CHECK_EQ(joined(next("p ∨ q, p → r, q → r ⊢ r\n1. p ∨ q :PR\n2. p → r :PR\n3. q → r :PR\n"
                         "    4. p :AS\n    5. r :→E 2, 4\n")),
        std::string("--\n    6. q :AS\n"));
    CHECK_EQ(joined(next("p ∨ q, p → r, q → r ⊢ r\n1. p ∨ q :PR\n2. p → r :PR\n3. q → r :PR\n"
                         "    4. p :AS\n    5. r :→E 2, 4\n--\n    6. q :AS\n    7. r :→E 3, 6\n")),
        std::string("8. r :∨E 1, 4-5, 6-7\n"));
    // Otherwise the first line of a derivation from here, in the student's own style.
    CHECK_EQ(joined(next("p → q, p ⊢ q\np → q :PR\np :PR\n")), std::string("q :→E 1, 2\n"));
    CHECK_EQ(joined(next("p ⊢ q → p\n1. p :PR\n  2. q :AS\n")), std::string("  3. p :R 1\n"));
    CHECK_EQ(
        joined(next("r ⊢ p → (q → p)\n1. r :PR\n  2. p :AS\n")), std::string("    3. q :AS\n"));
    // Premises first, in the argument's order; inside a strict subderivation, □E brings in.
    CHECK_EQ(joined(next("p, q, r ⊢ p ∧ r\n1. p :PR\n")), std::string("2. q :PR\n"));
    CHECK_EQ(joined(next("□(p → q), □p ⊢ □q\n1. □(p → q) :PR\n2. □p :PR\n    3. □ :AS\n")),
        std::string("    4. p → q :□E 1\n"));
    CHECK_EQ(joined(next("□(p → q), □p ⊢ □q\n1. □(p → q) :PR\n2. □p :PR\n    3. □ :AS\n"
                         "    4. p → q :□E 1\n    5. p :□E 2\n    6. q :→E 4, 5\n")),
        std::string("7. □q :□I 3-6\n"));
    const NextStep done = next("p ⊢ p ∨ q\n1. p :PR\n2. p ∨ q :∨I 1\n");
    CHECK(!done.found);
    CHECK_EQ(done.reason, std::string("la derivación ya está terminada"));
    // An invalid argument has no next step.
    CHECK(!next("p ∨ q ⊢ p\n1. p ∨ q :PR\n").found);
}
TEST(latexDrawsEachSubderivationAsAFitchBarAndCompiles)
{
    Document d = read("p ∨ q, p → r, q → r ⊢ r\n1. p ∨ q :PR\n2. p → r :PR\n3. q → r :PR\n"
                      "    4. p :AS\n    5. r :→E 2, 4\n--\n    6. q :AS\n    7. r :→E 3, 6\n"
                      "8. r :∨E 1, 4-5, 6-7\n");
    const std::string latex = derivationLatex(d.logic, d.found[0].derivation, d.lines);
    CHECK_EQ(latex,
        std::string(
            "\\fitchprf{\\pline[1.]{p \\lor q}[PR]\\\\\n\\pline[2.]{p \\lif r}[PR]\\\\\n"
            "\\pline[3.]{q \\lif r}[PR]}\n{\\subproof{\\pline[4.]{p}[AS]}{\\pline[5.]{r}"
            "[$\\lif$E 2, 4]}\n\\subproof{\\pline[6.]{q}[AS]}{\\pline[7.]{r}[$\\lif$E 3, 6]}\n"
            "\\pline[8.]{r}[$\\lor$E 1, 4--5, 6--7]}\n"));
    // Quantifiers, modal operators, a strict subderivation, a line that could not be read.
    Document e = read("□∀x(Fx → a ≠ x) ⊢ □∀x(Fx → a ≠ x)\n1. □∀x(Fx → a ≠ x) :PR\n"
                      "    2. □ :AS\n    3. ∀x(Fx → a ≠ x) :□E 1\n    4. {p_1} :R 3\n"
                      "5. □∀x(Fx → a ≠ x) :□I 2-3\n");
    const std::string modal = derivationLatex(e.logic, e.found[0].derivation, e.lines);
    CHECK(modal.find("\\Box \\forall x\\, (Fx \\lif a \\neq x)") != std::string::npos);
    CHECK(modal.find("\\subproof{\\pline[2.]{\\Box}[AS]}") != std::string::npos);
    CHECK(modal.find("\\texttt{\\{p\\_1\\}}") != std::string::npos);
    CHECK(modal.find("[$\\Box$I 2--3]") != std::string::npos);

    // pdflatex, where the machine has it and lplfitch, must compile both.
    if (std::system("kpsewhich lplfitch.sty > /dev/null 2>&1") != 0
        || std::system("command -v pdflatex > /dev/null 2>&1") != 0) {
        std::printf("  pdflatex or lplfitch.sty missing: not compiled\n");
        return;
    }
    char dir[] = "/tmp/zarvik-latex-XXXXXX";
    CHECK(mkdtemp(dir) != nullptr);
    {
        std::ofstream out(std::string(dir) + "/d.tex");
        out << latexDocument(latex + "\n\\bigskip\n" + modal);
    }
    const std::string command = std::string("cd ") + dir
        + " && pdflatex -interaction=nonstopmode -halt-on-error d.tex > /dev/null 2>&1";
    CHECK_EQ(std::system(command.c_str()), 0);
    CHECK(std::filesystem::exists(std::string(dir) + "/d.pdf"));
    std::filesystem::remove_all(dir);
}

TEST(everyExampleOfTheDocumentationIsACorrectDerivation)
{
    std::ifstream in(std::string(ZV_SOURCE_DIR) + "/logic/README.md");
    const std::string text((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    int examples = 0;
    for (std::size_t at = text.find("```\n"); at != std::string::npos;
         at = text.find("```\n", at)) {
        const std::size_t end = text.find("```", at + 4);
        const std::string block = text.substr(at + 4, end - at - 4);
        at = end + 3;
        if (block.find("⊢") == std::string::npos)
            continue;
        ++examples;
        const std::vector<std::string> v = verdicts(block);
        if (v.size() != 1 || v[0] != "correcta")
            CHECK_EQ((v.empty() ? std::string("nothing read") : v[0]) + " in:\n" + block,
                std::string("correcta"));
    }
    CHECK(examples >= 25);
}

TEST_MAIN()
