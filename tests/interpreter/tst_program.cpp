// Whole programs: the shape of salida.log, its encoding, and two golden files.
// To refresh a golden file after a deliberate change of wording:
//   build/zarvik-pl tests/interpreter/data/X.txt tests/interpreter/data/X.salida.log

#include "Harness.h"
#include "Program.h"
#include "propositional/TruthTable.h"
#include "syntax/Parser.h"
#include "worksheet/Api.h"

#include <cstdlib>
#include <fstream>
#include <iterator>
#include <memory>
#include <string>

using namespace logic;
using namespace interpreter;

namespace {

std::string slurp(const std::string &path)
{
    std::ifstream in(path, std::ios::binary);
    if (!in)
        std::printf("  cannot read %s\n", path.c_str());
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

std::string dataPath(const char *name)
{
    const char *dir = std::getenv("ZV_INTERPRETER_TEST_DATA");
    return std::string(dir ? dir : "tests/interpreter/data") + "/" + name;
}

bool has(const Report &r, const std::string &cp1252)
{
    return r.text.find(cp1252) != std::string::npos;
}

// The first line that differs, so a golden failure says where.
std::string firstDifference(const std::string &a, const std::string &b)
{
    std::size_t line = 1, start = 0;
    for (std::size_t i = 0; i < std::min(a.size(), b.size()); ++i) {
        if (a[i] != b[i])
            return "line " + std::to_string(line) + ": "
                + a.substr(start, a.find('\r', start) - start);
        if (a[i] == '\n') {
            ++line;
            start = i + 1;
        }
    }
    return a.size() == b.size()
        ? "none"
        : "length " + std::to_string(a.size()) + " vs " + std::to_string(b.size());
}

} // namespace

TEST(sampleProgramGivesTheGoldenLog)
{
    const std::string expected = slurp(dataPath("ejemplo.salida.log"));
    const Report r = runProgram(slurp(dataPath("../../../interpreter/ejemplo.txt")));
    CHECK_EQ(firstDifference(r.text, expected), std::string("none"));
    CHECK_EQ(r.errors, 0);
    CHECK_EQ(r.arguments, 2);
}

TEST(errorsAndStructureProgramGivesTheGoldenLog)
{
    const std::string expected = slurp(dataPath("errores.salida.log"));
    const Report r = runProgram(slurp(dataPath("errores.txt")));
    CHECK_EQ(firstDifference(r.text, expected), std::string("none"));
    CHECK_EQ(r.errors, 4);
}

TEST(logIsWindows1252WithCrLfAfterEveryLine)
{
    const Report r = runProgram("p V \xACp\r\n");
    CHECK(has(r,
        "Clasificaci\xF3n: Tautolog\xED"
        "a\r\n"));
    CHECK(has(r, "p V \xACp\r\n"));
    CHECK(r.text.size() >= 2 && r.text.substr(r.text.size() - 2) == "\r\n");
    for (std::size_t i = 0; i < r.text.size(); ++i) {
        const auto c = static_cast<unsigned char>(r.text[i]);
        if (c == '\n' && (i == 0 || r.text[i - 1] != '\r'))
            CHECK_EQ(i, std::string::npos); // a bare LF
        if (c == '\r' && (i + 1 == r.text.size() || r.text[i + 1] != '\n'))
            CHECK_EQ(i, std::string::npos); // a bare CR
        if (c == 0 || c == 0x81 || c == 0x8D || c == 0x8F || c == 0x90 || c == 0x9D || c == 0xC2
            || c == 0xC3)
            CHECK_EQ(static_cast<int>(c), -1); // NUL cuts the results window; the rest is mojibake
    }
}

TEST(lineEndingsAndBlankOrCommentLinesDoNotChangeTheResult)
{
    const Report crlf = runProgram("p -> q\r\np\r\n---\r\nq\r\n");
    CHECK_EQ(runProgram("p -> q\np\n---\nq").text, crlf.text);
    CHECK_EQ(runProgram("p -> q\rp\r---\rq\r").text, crlf.text);
    const Report commented
        = runProgram("// premisas\r\n  p -> q\r\n   // otra\r\np\r\n ----- \r\nq\r\n");
    CHECK(has(commented, "Argumento v\xE1lido\r\n"));
    CHECK(has(commented, "Premisa 2 (l\xEDnea 4): p\r\n"));
    CHECK_EQ(commented.errors, 0);
    CHECK(has(runProgram(""), "El programa no contiene ninguna f\xF3rmula."));
    CHECK(has(runProgram("\r\n  \r\n// nada\r\n"), "El programa no contiene ninguna f\xF3rmula."));
}

TEST(anEmptyLineEndsAGroupOfPremises)
{
    const Report r = runProgram("r\r\n\r\np -> q\r\np\r\n---\r\nq\r\n");
    CHECK(has(r, "F\xF3rmula 1 (l\xEDnea 1): r\r\n"));
    CHECK(has(r, "Argumento de las l\xEDneas 3 a 6\r\n"));
    CHECK(!has(r, "Premisa 3"));
    CHECK(has(r, "Argumento v\xE1lido"));
    // A blank line between the separator and the conclusion changes nothing.
    CHECK(has(runProgram("p\r\n---\r\n\r\np V q\r\n"), "Argumento v\xE1lido"));
}

TEST(invalidArgumentsShowACounterexample)
{
    const Report r = runProgram("p -> q\r\nq\r\n---\r\np\r\n");
    CHECK(has(r,
        "Argumento no v\xE1lido\r\nContraejemplo (premisas verdaderas y conclusi\xF3n falsa): p = "
        "F, q = V\r\n"));
}

TEST(anErrorLineDoesNotStopTheOthers)
{
    const Report r = runProgram("p & #q\r\np V \xACp\r\n(p\r\np & \xACp\r\n");
    CHECK_EQ(r.errors, 2);
    CHECK_EQ(r.formulas, 2);
    CHECK(has(r, "Error en la l\xEDnea 1, columna 5: "));
    CHECK(has(r, "Error en la l\xEDnea 3, columna 3: "));
    CHECK(has(r,
        "Tautolog\xED"
        "a"));
    CHECK(has(r, "Contradicci\xF3n"));
    // The echoed line never carries a byte that would cut the results window short.
    const Report nul = runProgram(std::string("p \0 q\r\nq\r\n", 10));
    CHECK(has(nul, "\tp ? q\r\n\t  ^\r\n"));
    CHECK(has(nul, "F\xF3rmula 2 (l\xEDnea 2): q")); // the broken line keeps its number
}

TEST(utf8FilesAreReadAsUtf8AndCaretsCountCharacters)
{
    // Valid UTF-8 that is not ASCII is UTF-8; the same connectives as pasted "Symbol" bytes are not.
    const Report utf8 = runProgram("p \u2227 \u00ACp\r\n\u22A4 \u2192 p \u2228 \u22A5\r\n");
    const Report symbol = runProgram("p \xD9 \xD8p\r\nT \xAE p \xDA ^\r\n");
    for (const Report *r : {&utf8, &symbol}) {
        CHECK_EQ(r->errors, 0);
        CHECK(has(*r, "F\xF3rmula 1 (l\xEDnea 1): p & \xACp\r\n"));
        CHECK(has(*r, "Clasificaci\xF3n: Contradicci\xF3n"));
        CHECK(has(*r, "F\xF3rmula 2 (l\xEDnea 2): T -> (p V \\bot)\r\n"));
    }
    // Verum and falsum alone, as the palette writes them.
    const Report constants = runProgram("T\r\n^\r\n");
    CHECK(has(constants,
        "Clasificaci\xF3n: Tautolog\xED"
        "a\r\n"));
    CHECK(has(constants, "Clasificaci\xF3n: Contradicci\xF3n\r\n"));
    // The column counts characters; the echo spells what 1252 lacks, and the caret follows it.
    const Report bad = runProgram("\u22A4 \u2194 # q\r\n");
    CHECK(has(bad, "Error en la l\xEDnea 1, columna 5: "));
    CHECK(has(bad, "\tT <-> # q\r\n\t      ^\r\n"));
    // The palette's codes echo as the symbols they stand for: the window has not their fonts.
    const Report palette = runProgram("\"x(Fx \xAE Gx) \xF7= # q\r\n");
    CHECK(has(palette, "\t\\forall x(Fx -> Gx) |= # q\r\n\t                       ^\r\n"));
}

TEST(firstOrderAndModalProblemsGetVerdictsTreesAndCountermodelsIn1252)
{
    // UTF-8 in, 1252 out: the symbols 1252 lacks take spellings the language reads back.
    const Report r = runProgram("\u2200x(Fx \u2192 Gx), Fa \u22A8 Ga\r\n"
                                "\u2200x\u2203y Rxy \u22A8 \u2203y\u2200x Rxy\r\n"
                                "sistema: T\r\n"
                                "\u25A1p \u2192 p\r\n"
                                "\r\n"
                                "\u2200x Fx\r\n"
                                "---\r\n"
                                "\u2203x Fx\r\n");
    CHECK_EQ(r.errors, 0);
    CHECK_EQ(r.arguments, 3);
    CHECK(has(r,
        "Argumento de la l\xEDnea 1: \\forall x(Fx -> Gx), Fa |= Ga\r\nArgumento v\xE1lido\r\n"));
    CHECK(has(r, "4. Fa -> Ga  (de 1, \\forall)\r\n"));
    CHECK(has(r, "   \xD7 2 y 5\r\n")); // the closed branch and its pair
    CHECK(has(r,
        "Argumento no v\xE1lido\r\nContramodelo (comprobado: en \xE9l las premisas son verdaderas "
        "y la "
        "conclusi\xF3n falsa):\r\nDominio: {0, 1}\r\nR: {(0, 1), (1, 0)}\r\n"));
    CHECK(has(
        r, "F\xF3rmula 1 (l\xEDnea 4): []p -> p\r\nSistema modal: T\r\nF\xF3rmula v\xE1lida\r\n"));
    CHECK(has(r, "Argumento de las l\xEDneas 6 a 8\r\nArgumento v\xE1lido\r\n"));
}

TEST(tablesStopAtSixLettersButClassificationGoesOn)
{
    const Report six = runProgram("a & b & c & d & e & f\r\n");
    CHECK(has(six, "a\tb\tc\td\te\tf\t(1)\t(2)\t(3)\t(4)\t(5)\r\n"));
    CHECK(has(six, "F\tF\tF\tF\tF\tF\tF\tF\tF\tF\tF\r\nClasificaci\xF3n: Contingencia"));
    std::size_t rows = 0;
    for (std::size_t at = six.text.find("\r\nV\t"); at != std::string::npos;
         at = six.text.find("\r\nV\t", at + 1))
        ++rows;
    CHECK_EQ(rows, std::size_t{32});
    const Report seven = runProgram("a & b & c & d & e & f -> g V \xACg\r\n");
    CHECK(has(seven, "se omite, porque la f\xF3rmula tiene 7 letras proposicionales"));
    CHECK(!has(seven, "Tabla de verdad:\r\n"));
    CHECK(has(seven,
        "Clasificaci\xF3n: Tautolog\xED"
        "a"));
}

TEST(programStructureErrorsAreReported)
{
    Report r = runProgram("p\r\n---\r\n");
    CHECK_EQ(r.errors, 1);
    CHECK(has(r,
        "Error en la l\xEDnea 2, columna 1: se esperaba la conclusi\xF3n del argumento en una "
        "l\xEDnea "
        "posterior, pero se encontr\xF3 el final del programa."));
    CHECK(has(r, "F\xF3rmula 1 (l\xEDnea 1): p")); // it stays a formula of its own
    r = runProgram("p\r\n---\r\n---\r\nq\r\n");
    CHECK_EQ(r.errors, 1);
    CHECK(has(r,
        "Error en la l\xEDnea 3, columna 1: se esperaba la conclusi\xF3n del argumento, pero se "
        "encontr\xF3 "
        "otra l\xEDnea de separaci\xF3n."));
    CHECK(has(r, "Argumento no v\xE1lido"));
    // Two dashes are a formula gone wrong, not a separator.
    CHECK(has(runProgram("--\r\n"), "Error en la l\xEDnea 1, columna 3"));
    // Errors come in line order, whichever was found first.
    r = runProgram("p\r\n---\r\n---\r\n");
    CHECK_EQ(r.errors, 2);
    CHECK(r.text.find("l\xEDnea 2, columna 1") < r.text.find("l\xEDnea 3, columna 1"));
    CHECK(r.text.find("l\xEDnea 3, columna 1") != std::string::npos);
}

// The log grows with the program, not with the square of a formula or with a table per line.
TEST(outputStaysLinearInTheProgram)
{
    std::string chain = "p";
    for (int i = 0; chain.size() < 20'000; ++i)
        chain = std::string(1, "pqrstu"[i % 6]) + " -> " + chain;
    const Report longFormula = runProgram(chain + "\r\n");
    CHECK(has(longFormula,
        "Tabla de verdad: se omite, porque tendr\xED"
        "a 4006 columnas y se muestra hasta 40."));
    CHECK(longFormula.text.size() < 2 * chain.size());
    CHECK(has(longFormula,
        "Clasificaci\xF3n: Tautolog\xED"
        "a")); // it ends in p -> p

    std::string many;
    while (many.size() < 40'000)
        many += "a & b & c & d & e & \xAC"
                "f\r\n";
    const Report r = runProgram(many);
    CHECK_EQ(r.formulas, 40'000 / 24 + 1);
    CHECK(has(r, "Tabla de verdad: se omite, porque salida.log ya ocupa m\xE1s de 2 MB."));
    CHECK(r.text.size() > kTableBudget && r.text.size() < kTableBudget + 1'000'000);
}

// Program mode and the editor's check read the same problems from the same lines: the
// arguments, which lines they take, and which ones cannot be decided.
TEST(programModeAndTheCheckGroupLinesAlike)
{
    struct Case
    {
        const char *text;
        int arguments;      // decided or broken, in the log and in the check
        int brokenOrErrors; // syntax and structure errors
        int alone;          // formulas decided on their own
    };
    const Case cases[] = {
        {"p\n---\n(q\n", 1, 1, 0},            // the premise stays with its broken argument
        {"p\n---\n\nq\n", 1, 0, 0},           // a blank line while the conclusion is awaited
        {"p\n\nq\n---\nr\n", 1, 0, 1},        // a blank line ends the premises' paragraph
        {"p\n// nota\nq\n---\nr\n", 1, 0, 0}, // a comment does not
        {"p\n---\nq ⊨ r\ns\n", 1, 1, 2},      // an argument on one line where a conclusion was due
        {"p\n---\n---\nq\n", 1, 1, 0},        // a second separator
        {"p\nq\n---\n", 0, 1, 2},             // no conclusion: the premises stand alone
    };
    for (const Case &c : cases) {
        const std::vector<ProblemResult> checked
            = checkText(c.text, ModalSystem::K, std::atomic<bool>{false});
        int arguments = 0, errors = 0, alone = 0;
        for (const ProblemResult &r : checked)
            (r.syntaxError ? errors : r.argument ? arguments : alone) += 1;
        const std::string label = std::string("«") + c.text + "»";
        CHECK_EQ(label + " arguments " + std::to_string(arguments),
            label + " arguments " + std::to_string(c.arguments));
        CHECK_EQ(label + " errors " + std::to_string(errors),
            label + " errors " + std::to_string(c.brokenOrErrors));
        CHECK_EQ(
            label + " alone " + std::to_string(alone), label + " alone " + std::to_string(c.alone));
        const Report report = runProgram(c.text);
        CHECK_EQ(label + " log arguments " + std::to_string(report.arguments),
            label + " log arguments " + std::to_string(c.arguments));
        CHECK_EQ(label + " log errors " + std::to_string(report.errors),
            label + " log errors " + std::to_string(c.brokenOrErrors));
    }
    // The broken argument keeps its premise, in both.
    const std::vector<ProblemResult> broken
        = checkText("p\n---\n(q\n", ModalSystem::K, std::atomic<bool>{false});
    CHECK(broken.size() == 2 && broken[1].argument && broken[1].firstLine == 1
        && broken[1].explanation.find("no se evalúa") != std::string::npos);
    CHECK(has(runProgram("p\n---\n(q\n"), "Premisa 1: p"));
}

TEST_MAIN()
