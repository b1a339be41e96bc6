// The student's own work under an exercise: truth tables filled in and "Respuesta:" verdicts,
// each fault on its line in its words, and every verdict re-judged by a truth table of the
// test's own.

#include "Harness.h"
#include "Protocol.h"
#include "worksheet/Api.h"

#include <cstdint>
#include <random>
#include <string>
#include <vector>

using namespace logic;

namespace {

std::vector<ProblemResult> work(const std::string &text)
{
    CheckOptions options;
    options.problemTime = std::chrono::seconds(20);
    options.truthTables = false;
    std::vector<ProblemResult> out;
    checkText(text, options, std::atomic<bool>{false}, [&](ProblemResult &&r) {
        if (!r.work.empty() || r.syntaxError)
            out.push_back(std::move(r));
    });
    return out;
}

// "L\tcorrecta" or "L\tK: message" per piece, the first fault only.
std::string verdicts(const std::string &text)
{
    std::string s;
    for (const ProblemResult &r : work(text)) {
        s += std::to_string(r.firstLine) + (r.syntaxError ? "\terror" : "");
        if (r.syntaxError)
            s += " " + std::to_string(r.errorLine) + ": " + r.errorMessage;
        else if (r.decision == Decision::Valid)
            s += "\tcorrecta";
        else if (r.faults.empty())
            s += "\tno determinado";
        else
            s += "\t" + std::to_string(r.faults.front().line) + ": " + r.faults.front().message;
        s += "\n";
    }
    return s;
}

const std::string kModusTollens = "p → q, ¬q ⊨ ¬p\n"
                                  "p | q | p → q | ¬q | ¬p\n"
                                  "V | V |   V   | F  | F\n"
                                  "V | F |   F   | V  | F\n"
                                  "F | V |   V   | F  | V\n"
                                  "F | F |   V   | V  | V\n"
                                  "Respuesta: válido\n";

// kModusTollens with line @p n (1-based) replaced by @p by, or left out.
std::string replaced(int n, const std::string &by, bool drop = false)
{
    std::string out;
    int at = 1;
    for (std::size_t i = 0; i < kModusTollens.size();) {
        const std::size_t end = kModusTollens.find('\n', i);
        if (at != n || !drop)
            out += (at == n ? by : kModusTollens.substr(i, end - i)) + "\n";
        i = end + 1;
        ++at;
    }
    return out;
}

TEST(a_right_table_and_verdict_are_right_and_no_line_is_an_error)
{
    CHECK_EQ(verdicts(kModusTollens), std::string("2\tcorrecta\n7\tcorrecta\n"));
    // Bars at both ends, rules, 1/0 and T, either case, rows in any order, a label.
    CHECK_EQ(verdicts("Ejercicio 3: p -> q, q |= p\n"
                      "| p | q | p -> q |\n"
                      "|---+---+--------|\n"
                      "| 0 | 0 |   1    |\n"
                      "| t | f |   f    |\n"
                      "| 0 | 1 |   T    |\n"
                      "| 1 | 1 |   1    |\n"
                      "-------------------\n"
                      "Respuesta: No Valido (fila 3)\n"),
        std::string("2\tcorrecta\n9\tcorrecta\n"));
}

TEST(each_fault_of_a_table_is_named_on_its_line)
{
    // A wrong cell: its row, its column as written, the right value.
    CHECK_EQ(verdicts(replaced(4, "V | F |   V   | V  | F")),
        std::string("2\t4: fila 2, columna «p → q»: el valor es F\n7\tcorrecta\n"));
    // A missing row: at the header, by its values; the others still right.
    CHECK_EQ(verdicts(replaced(5, "", true)),
        std::string("2\t2: falta la fila p = F, q = V\n6\tcorrecta\n"));
    CHECK_EQ(work(replaced(5, "", true)).front().faults.size(), std::size_t{1});
    // A repeated row, at its second occurrence; and then the row it pushed out is missing.
    const std::vector<ProblemResult> repeated = work(replaced(5, "V | V |   V   | F  | F"));
    CHECK_EQ(repeated.front().faults.size(), std::size_t{2});
    CHECK_EQ(repeated.front().faults[0].line, 2);
    CHECK_EQ(repeated.front().faults[0].message, std::string("falta la fila p = F, q = V"));
    CHECK_EQ(repeated.front().faults[1].line, 5);
    CHECK_EQ(repeated.front().faults[1].message,
        std::string("la fila 3 repite la fila 1: p = V, q = V"));
    // A verdict needs its columns: the conclusion's, each premise's.
    CHECK_EQ(verdicts(replaced(2, "p | q | p → q | ¬q | ¬q")),
        std::string("2\t2: falta la columna de la conclusión «¬p»\n7\tcorrecta\n"));
    const std::string noPremise = "p → q, ¬q ⊨ ¬p\np | q | ¬p\nV | V | F\nV | F | F\nF | V | V\n"
                                  "F | F | V\nRespuesta: válido\n";
    CHECK_EQ(verdicts(noPremise),
        std::string("2\t2: falta la columna de la premisa 1 «p → q»\n7\tcorrecta\n"));
    // ...but only when a verdict is given.
    CHECK_EQ(
        verdicts(noPremise.substr(0, noPremise.rfind("Respuesta"))), std::string("2\tcorrecta\n"));
    // A value that is none, a row of the wrong length, a letter without its column.
    CHECK_EQ(verdicts(replaced(3, "V | V |   X   | F  | F")),
        std::string("2\t3: fila 1, columna «p → q»: «X» no es un valor (V o F)\n7\tcorrecta\n"));
    // A row of the wrong length gives no assignment: its own, then missing.
    const std::vector<ProblemResult> shorter = work(replaced(3, "V | V | F | F"));
    CHECK_EQ(shorter.front().faults.size(), std::size_t{2});
    CHECK_EQ(shorter.front().faults.back().line, 3);
    CHECK_EQ(shorter.front().faults.back().message,
        std::string("la fila 1 tiene 4 valores y la cabecera 5 columnas"));
    CHECK_EQ(verdicts("p ∨ q\np | p ∨ q\nV | V\nF | V\n"),
        std::string("2\t2: falta la columna de la letra «q»\n"));
    CHECK_EQ(verdicts("p\np | p ∧\nV | V\nF | F\n"),
        std::string("2\t2: la cabecera «p ∧» no es una fórmula proposicional\n"));
}

TEST(a_verdict_is_judged_in_the_teachers_terms)
{
    struct Case
    {
        const char *exercise, *answer, *expected;
    } cases[] = {
        {"p ∨ ¬p", "Tautologia.", "correcta"},
        {"p ∨ ¬p", "TAUTOLOGÍA", "correcta"},
        {"p ∨ ¬p", "contingencia", "la fórmula es una tautología"},
        {"p ∧ ¬p", "contradicción", "correcta"},
        {"p ∧ ¬p", "insatisfacible", "correcta"},
        {"p ∧ ¬p", "satisfacible", "la fórmula es una contradicción"},
        {"p → q", "contingencia", "correcta"},
        {"p → q", "tautología", "la fórmula es una contingencia"},
        {"∀x(Fx → Fx)", "válida", "correcta"},
        {"∀xFx → Fa", "contingente", "la fórmula es válida"},
        {"Fa ∧ ¬Fa", "insatisfacible", "correcta"},
        {"Fa", "contingente", "correcta"},
        {"Fa", "tautología",
            "la fórmula no es proposicional: se responde válida, insatisfacible, contingente o "
            "satisfacible"},
        {"p, p → q ⊨ q", "válido", "correcta"},
        {"p, p → q ⊨ q", "no válido", "el argumento es válido"},
        {"q, p → q ⊨ p", "válido", "el argumento no es válido"},
        {"q, p → q ⊨ p", "tautología",
            "«tautología» no es una respuesta a un argumento: se responde válido o no válido"},
        {"q, p → q ⊨ p", "no válido (fila 3)",
            "no hay encima ninguna tabla del ejercicio con la fila 3"},
        {"p ∨ ¬p", "quizá",
            "«quizá» no es una respuesta: se responde tautología, contradicción o contingencia"},
    };
    for (const Case &c : cases) {
        const std::string text = std::string(c.exercise) + "\nRespuesta: " + c.answer + "\n";
        const std::vector<ProblemResult> r = work(text);
        CHECK_EQ(r.size(), std::size_t{1});
        if (r.size() != 1)
            continue;
        const std::string got = r[0].decision == Decision::Valid ? "correcta"
            : r[0].faults.empty()                                ? "no determinado"
                                                                 : r[0].faults[0].message;
        CHECK_EQ(text + got, text + c.expected);
        CHECK_EQ(r[0].firstLine, 2);
    }
    // No exercise above, or a blank line between.
    CHECK_EQ(verdicts("Respuesta: válido\n"),
        std::string("1\t1: no hay ningún ejercicio encima al que responder\n"));
    CHECK_EQ(verdicts("p ∨ ¬p\n\nRespuesta: tautología\n"),
        std::string("3\t3: no hay ningún ejercicio encima al que responder\n"));
}

TEST(a_counterexample_row_is_counted_among_the_rows_of_values)
{
    const std::string table = "q, p → q ⊨ p\n"
                              "p | q | p → q\n"
                              "--+---+------\n"
                              "V | V |   V\n"
                              "V | F |   F\n"
                              "F | V |   V\n"
                              "F | F |   V\n";
    CHECK_EQ(verdicts(table + "Respuesta: no válido (fila 3)\n"),
        std::string("2\tcorrecta\n8\tcorrecta\n"));
    CHECK_EQ(verdicts(table + "Respuesta: no válido (fila 2)\n"),
        std::string("2\tcorrecta\n8\t8: la fila 2 no es un contraejemplo: la premisa 1, «q», es "
                    "falsa en ella\n"));
    CHECK_EQ(verdicts(table + "Respuesta: no válido (fila 1)\n"),
        std::string("2\tcorrecta\n8\t8: la fila 1 no es un contraejemplo: la conclusión, «p», es "
                    "verdadera en ella\n"));
    CHECK_EQ(verdicts(table + "Respuesta: no válido (fila 9)\n"),
        std::string("2\tcorrecta\n8\t8: la tabla no tiene fila 9\n"));
    // A right verdict under a wrong table: the table is wrong, the verdict right.
    std::string wrong = table;
    wrong.replace(wrong.find("F | F |   V"), 11, "F | F |   F");
    CHECK_EQ(verdicts(wrong + "Respuesta: no válido\n"),
        std::string("2\t7: fila 4, columna «p → q»: el valor es V\n8\tcorrecta\n"));
}

TEST(a_verdict_under_a_derivation_answers_the_argument_above_it)
{
    const std::string text = "p → q, p ⊢ q\n1. p → q :PR\n2. p :PR\n3. q :→E 1, 2\n";
    CHECK_EQ(verdicts(text + "Respuesta: válido\n"), std::string("5\tcorrecta\n"));
    CHECK_EQ(
        verdicts(text + "Respuesta: no válido\n"), std::string("5\t5: el argumento es válido\n"));
}

// Random formulas over p, q, r, built with their own truth functions: the test's table.
struct Random
{
    std::mt19937 gen{20240533};
    std::string text;
    std::vector<bool> column; // over the 8 rows, p slowest, all V first
    std::pair<std::string, std::vector<bool>> formula(int depth)
    {
        const int pick = static_cast<int>(gen() % (depth > 0 ? 6 : 3));
        if (pick < 3 || depth == 0) {
            std::vector<bool> v(8);
            for (int row = 0; row < 8; ++row)
                v[static_cast<std::size_t>(row)] = !((row >> (2 - pick)) & 1);
            return {std::string(1, "pqr"[pick]), v};
        }
        if (pick == 3) {
            auto [t, v] = formula(depth - 1);
            for (std::size_t i = 0; i < 8; ++i)
                v[i] = !v[i];
            return {"¬" + t, v};
        }
        auto [a, va] = formula(depth - 1);
        auto [b, vb] = formula(depth - 1);
        const int op = static_cast<int>(gen() % 4);
        static const char *kOps[] = {" ∧ ", " ∨ ", " → ", " ↔ "};
        std::vector<bool> v(8);
        for (std::size_t i = 0; i < 8; ++i)
            v[i] = op == 0 ? va[i] && vb[i]
                : op == 1  ? va[i] || vb[i]
                : op == 2  ? !va[i] || vb[i]
                           : va[i] == vb[i];
        return {"(" + a + kOps[op] + b + ")", v};
    }
};

TEST(verdicts_and_tables_agree_with_the_tests_own_truth_table)
{
    Random random;
    int judged = 0;
    for (int round = 0; round < 60; ++round) {
        auto [f, v] = random.formula(3);
        bool all = true, any = false;
        for (bool b : v) {
            all = all && b;
            any = any || b;
        }
        std::string table = f + "\np | q | r | " + f + "\n";
        for (int row = 0; row < 8; ++row)
            table += std::string(row & 4 ? "F" : "V") + " | " + (row & 2 ? "F" : "V") + " | "
                + (row & 1 ? "F" : "V") + " | " + (v[static_cast<std::size_t>(row)] ? "V" : "F")
                + "\n";
        for (const char *term : {"tautología", "contradicción", "contingencia"}) {
            const bool right = term[0] == 't'      ? all
                : term[3] == 't' && term[4] == 'r' ? !any
                                                   : all != any;
            const std::vector<ProblemResult> r = work(table + "Respuesta: " + term + "\n");
            CHECK_EQ(r.size(), std::size_t{2});
            if (r.size() != 2)
                continue;
            CHECK(r[0].decision == Decision::Valid);
            CHECK_EQ(f + " " + term + (r[1].decision == Decision::Valid ? " sí" : " no"),
                f + " " + term + (right ? " sí" : " no"));
            ++judged;
        }
        // One cell flipped: that row's fault, with the value the test's table gives.
        const int row = static_cast<int>(random.gen() % 8);
        std::string flipped = f + "\n";
        int line = 0;
        for (std::size_t i = f.size() + 1; i < table.size();) {
            std::size_t end = table.find('\n', i);
            std::string l = table.substr(i, end - i);
            if (line++ == row + 1)
                l.back() = l.back() == 'V' ? 'F' : 'V';
            flipped += l + "\n";
            i = end + 1;
        }
        const std::vector<ProblemResult> r = work(flipped);
        CHECK_EQ(r.size(), std::size_t{1});
        if (r.size() == 1 && r[0].faults.size() == 1) {
            CHECK_EQ(r[0].faults[0].line, row + 3);
            CHECK_EQ(r[0].faults[0].message,
                "fila " + std::to_string(row + 1) + ", columna «" + f + "»: el valor es "
                    + (v[static_cast<std::size_t>(row)] ? "V" : "F"));
        } else {
            CHECK(false);
        }
    }
    CHECK_EQ(judged, 180);
}

TEST(the_worker_sends_a_pieces_faults_with_its_kind)
{
    const std::vector<ProblemResult> r = work(replaced(4, "V | F |   V   | V  | F"));
    CHECK_EQ(r.size(), std::size_t{2});
    const std::string table = answerMessage(1, r.at(0));
    CHECK(table.find("\"firstLine\":2,\"line\":6") != std::string::npos);
    CHECK(table.find("\"decision\":\"invalid\"") != std::string::npos);
    CHECK(table.find("\"work\":\"table\",\"faults\":[{\"line\":4,\"message\":\"fila 2, "
                     "columna «p → q»: el valor es F\"}]")
        != std::string::npos);
    const std::string answer = answerMessage(1, r.at(1));
    CHECK(answer.find("\"decision\":\"valid\"") != std::string::npos);
    CHECK(answer.find("\"work\":\"answer\",\"faults\":[]") != std::string::npos);
}

} // namespace

TEST_MAIN()
