// A class's files read and marked: labels and points, the RTF and text readers and the
// students' copy cut out of RTF, statements compared as formulas, translations up to
// equivalence (re-checked here by truth tables of the test's own), and derivations that must
// prove the statement.

#include "Harness.h"

#include "grade/Document.h"
#include "grade/Grade.h"
#include "grade/Sheet.h"
#include "syntax/Prose.h"
#include "syntax/Text.h"
#include "worksheet/Api.h"

#include <array>
#include <atomic>
#include <functional>

using namespace logic;
using namespace logic::grade;

namespace {

std::vector<std::u32string> linesOf(const std::string &utf8)
{
    return readDocument(utf8).lines;
}

Marked markText(const std::string &sheet, const std::string &submission)
{
    const std::atomic<bool> never{false};
    return Marker(linesOf(sheet)).mark(linesOf(submission), never);
}

} // namespace

TEST(labelsGiveTheExerciseItsNameAndPoints)
{
    const std::array<std::tuple<std::u32string, std::string, long>, 7> cases = {{
        {U"Ejercicio 1 (2 puntos): p", "Ejercicio 1", 2000},
        {U"Ejercicio 2 (1 punto)", "Ejercicio 2", 1000},
        {U"Ejercicio 3b (1,5 puntos): Formaliza", "Ejercicio 3b", 1500},
        {U"  ejercicio 4 (0.5 puntos). p ∨ q", "Ejercicio 4", 500},
        {U"Ejercicio 5: p", "Ejercicio 5", 1000},
        {U"Ejercicio 6 (0,25 puntos)", "Ejercicio 6", 250},
        {U"EJERCICIO 7", "Ejercicio 7", 1000},
    }};
    for (const auto &[line, label, points] : cases) {
        const auto found = exerciseLabel(line);
        CHECK(found.has_value());
        if (found) {
            CHECK_EQ(found->label, label);
            CHECK_EQ(found->points, points);
        }
    }
    for (std::u32string_view no : {U"Ejercicios 3", U"Ejercicio", U"Ejercicio 3bis", U"Ejercicio3",
             U"El ejercicio 3", U"Ejercicio x"})
        CHECK(!exerciseLabel(no));
    CHECK_EQ(pointsText(1000), std::string("1"));
    CHECK_EQ(pointsText(1500), std::string("1.5"));
    CHECK_EQ(pointsText(10000), std::string("10"));
    CHECK_EQ(pointsText(250), std::string("0.25"));
    CHECK_EQ(pointsText(0), std::string("0"));

    // The worksheet's check skips such a label and reads the statement after it.
    CHECK_EQ(labelLength(U"Ejercicio 3b (1,5 puntos): p"), 27);
    CHECK_EQ(labelLength(U"Ejercicio 2 (1 punto): p ∨ ¬p"), 23);
    CHECK(isSolutionMark(U"Solución:"));
    CHECK(isSolutionMark(U"  solucion: "));
    CHECK(!isSolutionMark(U"Solución: p → q"));
    CHECK(!isSolutionMark(U"Solución"));
}

TEST(theSheetsCheckAnswersASolutionAgainstTheStatementAboveIt)
{
    const std::atomic<bool> never{false};
    const std::vector<ProblemResult> r
        = checkText("Ejercicio 2 (1 punto): p ∨ ¬p\nSolución:\nRespuesta: contingencia\n",
            ModalSystem::K, never);
    int answers = 0;
    for (const ProblemResult &p : r)
        if (p.work == "answer") {
            ++answers;
            CHECK(p.decision == Decision::Invalid);
            CHECK(!p.faults.empty() && p.faults.front().reason == "la fórmula es una tautología");
        }
    CHECK_EQ(answers, 1);
}

TEST(rtfIsReadAsTheLinesItShows)
{
    const std::string rtf = "{\\rtf1\\ansi\\ansicpg1252{\\fonttbl{\\f0 Verdana;}}{\\colortbl;\\red1"
                            "\\green0\\blue0;}{\\*\\generator X 1.0;}{\\info{\\title T}}\n"
                            "\\pard A\\'e1 \\u8594? \\uc2\\u8743\\'3f\\'3f b\\par\n"
                            "{\\b x}\\line y\\tab z\\par\n"
                            "\\uc1\\u-10179?\\u-8704? \\{\\}\\\\\\par\n"
                            "p\\cell q\\cell\\row\n"
                            "{\\pict\\bin4 {}}\\wmetafile}w}";
    const DocumentText doc = readDocument(rtf);
    CHECK(doc.ok && doc.rtf);
    const std::vector<std::u32string> expected
        = {U"Aá → ∧ b", U"x", U"y\tz", U"\U0001F600 {}\\", U"p | q | ", U"w"};
    CHECK_EQ(doc.lines.size(), expected.size());
    for (std::size_t i = 0; i < expected.size() && i < doc.lines.size(); ++i)
        CHECK_EQ(toUtf8(doc.lines[i]), toUtf8(expected[i]));
    // The spans tile the body: each line starts where the last one ended.
    for (std::size_t i = 1; i < doc.spans.size(); ++i)
        CHECK_EQ(doc.spans[i].first, doc.spans[i - 1].second);
    CHECK_EQ(doc.bodyEnd, rtf.size() - 1);

    // Text: every line end, a byte-order mark, Windows-1252; a NUL is no document.
    const DocumentText text = readDocument("\xEF\xBB\xBFuno\r\ndos\rtres\ncuatro");
    CHECK_EQ(text.lines.size(), std::size_t{4});
    CHECK(!text.rtf && text.lines.back() == U"cuatro" && text.lines.front() == U"uno");
    CHECK_EQ(text.spans[1].first, std::size_t{8});
    CHECK(readDocument("v\xe1lido").lines.front() == U"válido");
    const DocumentText nul = readDocument(std::string("Nombre\0x", 8));
    CHECK(!nul.ok && nul.error.find("nulos") != std::string::npos);
    CHECK(readDocument("").ok);
}

TEST(theStudentsCopyCutsTheSolutionsOutOfRtfAndKeepsTheRest)
{
    const std::string rtf = "{\\rtf1\\ansi{\\fonttbl{\\f0 Verdana;}}\n"
                            "Ejercicio 1: p \\u8744? \\u172?p\\par\n"
                            "{\\b Soluci\\'f3n:\\par\n"
                            "Respuesta: tautolog\\'eda}\\par\n"
                            "\\par\n"
                            "\\cf1 Ejercicio 2: Formaliza\\par\n"
                            "Soluci\\'f3n: \\cf2 l\\par\n"
                            "}";
    const DocumentText doc = readDocument(rtf);
    const std::vector<ExerciseSpan> exercises = findExercises(doc.lines);
    CHECK_EQ(exercises.size(), std::size_t{2});
    const auto ranges = solutionRanges(doc.lines, exercises);
    CHECK_EQ(ranges.size(), std::size_t{2});
    const std::string copy = withoutLines(doc, rtf, ranges);
    // A group that the cut opens and closes goes with it; the colour set inside the last
    // solution still holds after it.
    CHECK_EQ(copy,
        std::string("{\\rtf1\\ansi{\\fonttbl{\\f0 Verdana;}}\n"
                    "Ejercicio 1: p \\u8744? \\u172?p\\par\n"
                    "\\par\n"
                    "\\cf1 Ejercicio 2: Formaliza\\par\\cf2 }"));
    // One that the cut opens and the text after it closes stays open as long as it did.
    const std::string open = "{\\rtf1 Ejercicio 1: p\\par {\\i Soluci\\'f3n:\\par Respuesta: x\\par"
                             "\\par Ejercicio 2: q}\\par}";
    const DocumentText opened = readDocument(open);
    CHECK_EQ(withoutLines(opened, open, solutionRanges(opened.lines, findExercises(opened.lines))),
        std::string("{\\rtf1 Ejercicio 1: p\\par {\\i \\par Ejercicio 2: q}\\par}"));
    const DocumentText again = readDocument(copy);
    std::vector<std::u32string> lines = again.lines;
    CHECK(findExercises(lines).size() == 2);
    for (const std::u32string &l : lines)
        CHECK(solutionMark(l) == 0 && l.find(U"tautolog") == std::u32string::npos);

    // Text keeps its bytes, line ends included; the blank line before the next exercise stays.
    const std::string text
        = "Ejercicio 1: p\r\nSolución:\r\nRespuesta: x\r\n\r\nEjercicio 2: q\r\n";
    const DocumentText t = readDocument(text);
    CHECK_EQ(withoutLines(t, text, solutionRanges(t.lines, findExercises(t.lines))),
        std::string("Ejercicio 1: p\r\n\r\nEjercicio 2: q\r\n"));
}

TEST(aStatementIsComparedAsFormulasAndADerivationMustProveIt)
{
    const std::string sheet = "Ejercicio 1 (2 puntos): Demuestra:\np → q, p ⊢ q\nSolución:\n"
                              "1. p → q :PR\n2. p :PR\n3. q :→E 1, 2\n";
    // ASCII spellings and another spacing are the same statement.
    Marked m = markText(sheet,
        "Nombre: Ana\nEjercicio 1 (2 puntos): Demuestra:\np->q,p |- q\n\n1. p -> q :PR\n2. p :PR\n"
        "3. q :->E 1, 2\n");
    CHECK_EQ(m.student, std::string("Ana"));
    CHECK(m.marks.size() == 1 && m.marks[0].right && m.total == 2000);
    // A right derivation of another argument does not prove this one.
    m = markText(
        sheet, "Ejercicio 1 (2 puntos): Demuestra:\np → q, p ⊢ q\n1. p :PR\n2. p ∨ q :∨I 1\n");
    CHECK(!m.marks[0].right && m.total == 0);
    CHECK_EQ(m.marks[0].comment,
        std::string("línea 4: la derivación termina en p ∨ q, y la conclusión del argumento es q"));
    // Another statement scores nothing, whatever follows.
    m = markText(sheet, "Ejercicio 1: q → p, p ⊢ q\n1. q → p :PR\n");
    CHECK_EQ(m.marks[0].comment, std::string("línea 1: el enunciado no es el de la hoja"));
    // An exercise that is not there, or has nothing under it.
    m = markText(sheet, "Ejercicio 2: p\n");
    CHECK_EQ(m.marks[0].comment, std::string("sin respuesta"));
    m = markText(sheet, "Ejercicio 1: p → q, p ⊢ q\n\nYa lo haré.\n");
    CHECK_EQ(m.marks[0].comment, std::string("sin respuesta"));
}

TEST(aTranslationScoresWhenTheEngineFindsItEquivalent)
{
    // Each candidate with its own truth function over (l, s), to re-check the engine's verdict.
    using Truth = std::function<bool(bool, bool)>;
    const Truth teacher = [](bool l, bool s) { return !l || !s; };
    const std::array<std::pair<std::string, Truth>, 7> candidates = {{
        {"l → ¬s", teacher},
        {"s → ¬l", [](bool l, bool s) { return !s || !l; }},
        {"¬(l ∧ s)", [](bool l, bool s) { return !(l && s); }},
        {"l → s", [](bool l, bool s) { return !l || s; }},
        {"¬l ∧ ¬s", [](bool l, bool s) { return !l && !s; }},
        {"(l ∨ ¬l) ∧ (¬l ∨ ¬s)", [](bool l, bool s) { return !l || !s; }},
        {"l ↔ ¬s", [](bool l, bool s) { return l == !s; }},
    }};
    const std::string sheet
        = "Ejercicio 6 (1 punto): Formaliza «Si llueve, no salgo».\nSolución: l → ¬s\n";
    for (const auto &[formula, truth] : candidates) {
        bool equivalent = true;
        for (int v = 0; v < 4; ++v)
            equivalent = equivalent && truth(v & 1, v & 2) == teacher(v & 1, v & 2);
        const Marked m = markText(sheet,
            "Ejercicio 6 (1 punto): Formaliza «Si llueve, no salgo».\nRespuesta: " + formula
                + "\n");
        CHECK_EQ(formula + (m.marks[0].right ? " scores" : " does not"),
            formula + (equivalent ? " scores" : " does not"));
        if (!equivalent)
            CHECK(m.marks[0].comment.rfind("línea 2: no equivale a la solución (en ", 0) == 0);
    }
    const Marked wrong = markText(sheet, "Ejercicio 6: Formaliza\nl →\n");
    CHECK(!wrong.marks[0].right && wrong.marks[0].line == 2);
}

TEST(theSheetsOwnSolutionsAreChecked)
{
    const std::atomic<bool> never{false};
    const Marker sheet(
        linesOf("Ejercicio 1: p ∨ ¬p\nSolución:\nRespuesta: tautología\n\n"
                "Ejercicio 2: p, q ⊢ r\nSolución:\n1. p :PR\n2. q :PR\n3. r :∧E 1\n\n"
                "Ejercicio 3: q\n"));
    const Marked checked = sheet.checkSolutions(never);
    CHECK(checked.marks.size() == 3);
    CHECK(checked.marks[0].right);
    CHECK(!checked.marks[1].right && checked.marks[1].line == 9);
    CHECK_EQ(checked.marks[2].comment, std::string("la hoja no da solución"));
}

TEST_MAIN()
