// A worksheet checked as a teacher reads it: prose passed over, exercise labels skipped,
// formulas classified in the teacher's terms and each standing re-checked by small models, and
// derivations checked where they stand.

#include "Harness.h"
#include "models/Models.h"
#include "syntax/Parser.h"
#include "syntax/Prose.h"
#include "syntax/Text.h"
#include "worksheet/Api.h"

#include <cstdlib>
#include <ctime>
#include <fstream>
#include <string>
#include <vector>

using namespace logic;

namespace {

std::vector<std::string> dataLines(const char *name)
{
    const char *dir = std::getenv("ZV_LOGIC_TEST_DATA");
    std::ifstream in(std::string(dir ? dir : "tests/logic/data") + "/" + name);
    std::vector<std::string> lines;
    for (std::string l; std::getline(in, l);)
        if (!l.empty())
            lines.push_back(l);
    if (lines.empty())
        std::printf("  cannot read %s\n", name);
    return lines;
}

std::vector<ProblemResult> check(const std::string &text, ModalSystem system = ModalSystem::K)
{
    CheckOptions options;
    options.system = system;
    options.problemTime = std::chrono::seconds(3);
    std::vector<ProblemResult> out;
    checkText(text, options, std::atomic<bool>{false},
        [&](ProblemResult &&r) { out.push_back(std::move(r)); });
    return out;
}

// Whether some model of up to three elements or worlds makes every formula of @p utf8 (one
// line, a formula or "premises ⊨ conclusion" read as all of them) true, with @p negate the last
// one false instead.
bool smallModel(const std::string &utf8, bool negate, ModalSystem system = ModalSystem::K)
{
    Logic logic;
    const LineParse p = parseLine(logic, decode(utf8, Encoding::Utf8), Encoding::Utf8);
    std::vector<int> all = p.premises;
    all.push_back(negate ? logic.negation(p.conclusion) : p.conclusion);
    for (int d = 1; d <= 3; ++d)
        for (int w = 1; w <= 3; ++w)
            if (findModel(logic, all, system, d, w, Budget{}).status == ModelStatus::Found)
                return true;
    return false;
}

} // namespace

TEST(labelsOfExercisesAreNotPartOfTheirFormulas)
{
    const std::pair<std::u32string, int> cases[] = {{U"1. p", 3}, {U"12) p", 4}, {U"a) p", 3},
        {U"(iii) p", 6}, {U"(2) p", 4}, {U"(b) p", 4}, {U"Ejercicio 3: p", 13},
        {U"Ejercicio 3. p", 13}, {U"  1. a) p", 8}, {U"Ejercicio 5 b) p", 15},
        {U"Pregunta 2: p", 12}, {U"p", 0}, {U"(p) ∧ q", 0}, {U"(i)", 0}, {U"1.", 0},
        {U"Fa ∧ Ga", 0}, {U"ab) p", 0}, {U"La 1 p", 0},
        // A label before a formula that opens with its own "(p)".
        {U"(iii) (p) ∧ q → q", 6}, {U"(2) (p) ∧ q", 4}, {U"a) (q) → q", 3}, {U"1. a) (p) ∨ q", 6}};
    for (const auto &[line, length] : cases)
        CHECK_EQ(toUtf8(line) + " → " + std::to_string(labelLength(line)),
            toUtf8(line) + " → " + std::to_string(length));

    // Such an exercise is answered, not passed over as prose.
    const std::vector<ProblemResult> labelled = check("(iii) (p) ∧ q → q\n");
    CHECK_EQ(labelled.size(), std::size_t{1});
    if (labelled.size() == 1) {
        CHECK(!labelled[0].prose);
        CHECK(labelled[0].standing == Standing::Tautology);
    }

    // The answer reads the formula alone; an error is placed in the whole line.
    const std::vector<ProblemResult> r = check("3) ¬(p ∧ q) ↔ (¬p ∨ ¬q)\nEjercicio 4: p ∧\n");
    CHECK_EQ(r.size(), std::size_t{2});
    if (r.size() == 2) {
        CHECK_EQ(r[0].text, std::string("¬(p ∧ q) ↔ (¬p ∨ ¬q)"));
        CHECK(r[0].standing == Standing::Tautology);
        CHECK(r[1].syntaxError);
        CHECK_EQ(r[1].errorColumn, 17); // after "Ejercicio 4: p ∧", counted from the line's start
    }
}

TEST(proseIsPassedOverAndNoFormulaIsTakenForProse)
{
    int prose = 0, lines = 0;
    for (const std::string &line : dataLines("prosa.txt")) {
        ++lines;
        const std::vector<ProblemResult> r = check(line);
        const bool text = r.size() == 1 && r[0].prose;
        prose += text;
        if (!text)
            CHECK_EQ("prose: " + line, std::string("prose, passed over"));
    }
    int formulas = 0;
    for (const std::string &line : dataLines("formulas.txt")) {
        ++formulas;
        for (const ProblemResult &r : check(line))
            if (r.prose)
                CHECK_EQ("logic: " + line, std::string("logic, answered or an error"));
    }
    std::printf(
        "  %d of %d lines of prose passed over; %d lines of logic\n", prose, lines, formulas);
    CHECK(lines + formulas >= 200);
}

TEST(aClosingWordThatReadsAsLogicIsProseOnlyWhereItStandsAlone)
{
    // "Fin" is F of i and n: above a line of dashes it is a premise, and the argument needs it.
    const std::vector<ProblemResult> argument = check("Fin\nFin → p\n---\np\n\nFin\n");
    CHECK_EQ(argument.size(), std::size_t{2});
    if (argument.size() == 2) {
        CHECK(argument[0].argument && argument[0].firstLine == 1 && argument[0].line == 4);
        CHECK(argument[0].decision == Decision::Valid);
        CHECK(!smallModel("Fin, Fin → p ⊨ p", true));
        CHECK(argument[1].prose && argument[1].line == 6);
    }
    // As the conclusion it is answered too.
    const std::vector<ProblemResult> conclusion = check("Fin ∧ p\n---\nFin\n");
    CHECK(conclusion.size() == 1 && !conclusion[0].prose
        && conclusion[0].decision == Decision::Valid);
    // After a conclusion, closing the sheet.
    const std::vector<ProblemResult> closing = check("p → q\np\n---\nq\nFin.\n");
    CHECK(closing.size() == 2 && closing[0].decision == Decision::Valid && closing[1].prose);
    CHECK(isClosingWord(U"  Nota: ") && !isClosingWord(U"F") && !isClosingWord(U"Fin ∧ p"));
}

TEST(formulasAreClassifiedInTheTeachersTermsAndEachStandingHolds)
{
    struct Case
    {
        const char *formula;
        Standing standing;
    };
    const Case cases[] = {
        {"p ∨ ¬p", Standing::Tautology},
        {"p ∧ ¬p", Standing::Contradiction},
        {"p → q", Standing::Contingency},
        {"∀x Fx → Fa", Standing::Valid},
        {"∀x Fx ∧ ¬Fa", Standing::Unsatisfiable},
        {"∃x Fx ∧ ∃x ¬Fx", Standing::Contingent},
        {"□p → p", Standing::Contingent}, // in K: not valid, and true somewhere
        {"◇(p ∧ ¬p)", Standing::Unsatisfiable},
        {"a = a", Standing::Valid},
    };
    for (const Case &c : cases) {
        const std::vector<ProblemResult> r = check(c.formula);
        CHECK_EQ(r.size(), std::size_t{1});
        if (r.size() != 1)
            continue;
        CHECK_EQ(std::string(c.formula) + ": " + standingWords(r[0].standing),
            std::string(c.formula) + ": " + standingWords(c.standing));
        // Re-checked by small models, which share nothing with the tree that decided it.
        const bool model = smallModel(c.formula, false), countermodel = smallModel(c.formula, true);
        switch (c.standing) {
        case Standing::Tautology:
        case Standing::Valid: CHECK(!countermodel); break;
        case Standing::Contradiction:
        case Standing::Unsatisfiable: CHECK(!model); break;
        default: CHECK(model && countermodel); break;
        }
    }
    // A contingency shows a row of each kind; the table ends with the classification.
    const std::vector<ProblemResult> c = check("p → q");
    CHECK(c.size() == 1 && c[0].explanation.find("Una fila que la hace verdadera: ") == 0);
    CHECK(c[0].truthTable.find("Clasificación: Contingencia\n") != std::string::npos);
    CHECK(c[0].truthTable.find("→") != std::string::npos); // as the document writes it
}

TEST(webCheckerSpellingsAreDecidedAsTheSymbols)
{
    const std::pair<const char *, const char *> pairs[] = {
        {"AxFx -> Fa", "∀x Fx → Fa"},
        {"ExFx /\\ Ex~Fx", "∃x Fx ∧ ∃x ¬Fx"},
        {"p \\/ ~p", "p ∨ ¬p"},
        {"_|_ -> p", "⊥ → p"},
        {"Ax(Fx -> Gx), Fa |= Ga", "∀x(Fx → Gx), Fa ⊨ Ga"},
        {"AyExRxy |= ExAyRxy", "∀y∃x Rxy ⊨ ∃x∀y Rxy"},
        {"Ax -> Bx", "Ax → Bx"},
    };
    for (const auto &[ascii, symbols] : pairs) {
        const std::vector<ProblemResult> a = check(ascii), s = check(symbols);
        CHECK(a.size() == 1 && s.size() == 1);
        if (a.size() != 1 || s.size() != 1)
            continue;
        CHECK(!a[0].syntaxError && !s[0].syntaxError);
        CHECK_EQ(std::string(ascii) + ": " + decisionWords(a[0].decision) + ", "
                + standingWords(a[0].standing),
            std::string(ascii) + ": " + decisionWords(s[0].decision) + ", "
                + standingWords(s[0].standing));
    }
    // A derivation written so is read and checked as one in symbols.
    const std::vector<ProblemResult> d = check("ExAyRxy |- AyExRxy\n"
                                               "1. ExAyRxy :PR\n"
                                               "    2. AyRay :AS\n"
                                               "    3. Rab :AE 2\n"
                                               "    4. ExRxb :EI 3\n"
                                               "5. ExRxb :EE 1, 2-4\n"
                                               "6. AyExRxy :AI 5\n");
    CHECK(d.size() == 2 && d[1].derivation && d[1].provesArgument);
}

TEST(aWorksheetIsCheckedLineByLine)
{
    const std::string sheet = "Hoja 3: lógica proposicional y de predicados\n"
                              "Determine qué son las fórmulas siguientes.\n"
                              "1. p ∨ ¬p\n"
                              "2. p ∧ ¬p\n"
                              "3. p → q\n"
                              "Demuestre los argumentos.\n"
                              "a) p → q, p ⊢ q\n"
                              "1. p → q :PR\n"
                              "2. p :PR\n"
                              "3. q :→E 1, 2\n"
                              "b) p ∨ q ⊢ p\n"
                              "c) p → q, q → r ⊢ p → r\n"
                              "1. p → q :PR\n"
                              "2. q → r :PR\n"
                              "    3. p :AS\n"
                              "    4. q :→E 1, 3\n"
                              "5. r :→E 2, 4\n"
                              "4. p ∧ ∀ q\n";
    const std::vector<ProblemResult> r = check(sheet);
    int prose = 0;
    std::vector<const ProblemResult *> answers;
    for (const ProblemResult &a : r)
        a.prose ? ++prose : (answers.push_back(&a), 0);
    CHECK_EQ(prose, 3);
    CHECK_EQ(answers.size(), std::size_t{9});
    if (answers.size() != 9)
        return;
    CHECK(answers[0]->line == 3 && answers[0]->standing == Standing::Tautology);
    CHECK(answers[1]->line == 4 && answers[1]->standing == Standing::Contradiction);
    CHECK(answers[2]->line == 5 && answers[2]->standing == Standing::Contingency);
    CHECK(answers[3]->line == 7 && answers[3]->argument && answers[3]->decision == Decision::Valid);
    CHECK(answers[4]->derivation && answers[4]->firstLine == 8 && answers[4]->line == 10);
    CHECK(answers[4]->decision == Decision::Valid && answers[4]->provesArgument);
    CHECK(answers[5]->line == 11 && answers[5]->decision == Decision::Invalid);
    CHECK(answers[6]->line == 12 && answers[6]->decision == Decision::Valid);
    // The subderivation is closed without →I: line 5 (the document's 17th) is its fault.
    CHECK(answers[7]->derivation && answers[7]->decision == Decision::Invalid);
    CHECK(!answers[7]->faults.empty() && answers[7]->faults.front().line == 17);
    CHECK(answers[7]->fitch.size() == 5 && answers[7]->fitch[2].assumption
        && answers[7]->fitch[2].depth == 1);
    CHECK(answers[8]->syntaxError && answers[8]->errorLine == 18);
}

TEST(aFormulaIsClassifiedWithinOneLimitNotOnePerQuestion)
{
    // Valid? Satisfiable? Each question is a search, and the model search grounds nine nested
    // quantifiers over its domain: all of it must end within the one limit of the problem.
    std::string distinct = "¬∃x1∃x2∃x3∃x4∃x5∃x6∃x7∃x8∃x9(";
    for (int i = 1; i <= 9; ++i)
        for (int j = i + 1; j <= 9; ++j)
            distinct += (i == 1 && j == 2 ? "x" : " ∧ x") + std::to_string(i) + " ≠ x"
                + std::to_string(j);
    distinct += ")";
    CheckOptions options;
    options.problemTime = std::chrono::milliseconds(400);
    timespec before{}, after{};
    clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &before);
    std::vector<ProblemResult> out;
    checkText(distinct, options, std::atomic<bool>{false},
        [&](ProblemResult &&r) { out.push_back(std::move(r)); });
    clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &after);
    const double ms = (after.tv_sec - before.tv_sec) * 1e3 + (after.tv_nsec - before.tv_nsec) / 1e6;
    std::printf("  nine distinct elements: %.0f ms of processor time for a limit of 400 ms\n", ms);
    CHECK(out.size() == 1 && !out[0].syntaxError);
    CHECK(ms < 600);
}

TEST_MAIN()
