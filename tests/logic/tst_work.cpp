// The student's own work under an exercise: truth tables filled in, models written out and
// "Respuesta:" verdicts, each fault on its line in its words; every verdict re-judged by a truth
// table of the test's own, and every model by an evaluator of the test's own.

#include "Harness.h"
#include "Protocol.h"
#include "worksheet/Api.h"

#include <cstdint>
#include <functional>
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

TEST(a_students_model_is_right_or_names_its_fault_on_its_line)
{
    const std::string argument = "∀x(Fx → Gx), Ga ⊨ Fa\nContramodelo:\n";
    struct Case
    {
        std::string text, expected;
    } cases[] = {
        {argument + "Dominio: {1, 2}\na: 1\nF: {2}\nG: {1, 2}\n", "2\tcorrecta\n"},
        // "=" for ":", tuples of one, the empty set, spaces anywhere.
        {argument + "UD = { 1 ,2 }\na = 2\nF = ∅\nG = {(2)}\n", "2\tcorrecta\n"},
        {argument + "Dominio: {1, 2}\na: 1\nF: {2\nG: {1, 2}\n",
            "2\t5: la extensión de «F» es un conjunto: {…}\n"},
        {argument + "Dominio: {1, 2}\na: 3\nF: {2}\nG: {1, 2}\n",
            "2\t4: 3 no está en el dominio\n"},
        {argument + "Dominio: {1, 2}\na: 1\nF: {2}\nG: {1, 3}\n",
            "2\t6: 3 no está en el dominio\n"},
        {argument + "Dominio: {1, 2}\na: 1\nF: {2}\n", "2\t2: falta la extensión de «G»\n"},
        {argument + "a: 1\nF: {2}\nG: {1, 2}\n", "2\t2: falta el dominio\n"},
        {argument + "Dominio: {}\na: 1\nF: {2}\nG: {1, 2}\n",
            "2\t3: el dominio no puede estar vacío\n"},
        {argument + "Dominio: {A, B}\n",
            "2\t3: «A» no es un elemento: se escriben números o "
            "nombres en minúscula\n"},
        {argument + "Dominio: {1, 2}\na: 1\nF: {2}\nF: {1}\nG: {1, 2}\n",
            "2\t6: «F» ya tiene valor en la línea 5\n"},
        {argument + "Dominio: {1, 2}\nD: {1}\na: 1\nF: {1}\nG: {1, 2}\n",
            "2\t4: «D» ya tiene valor en la línea 3\n"},
        {argument + "Dominio: {1, 2}\na: {1}\nF: {2}\nG: {1, 2}\n",
            "2\t4: el valor de «a» es un elemento del dominio\n"},
        {argument + "Dominio: {1, 2}\na: 1\nF: {(1, 2)}\nG: {1, 2}\n",
            "2\t5: (1, 2) no es un elemento\n"},
        // Right in form, wrong in value: the first formula with the wrong value, at the heading.
        {argument + "Dominio: {1, 2}\na: 1\nF: {1}\nG: {1, 2}\n",
            "2\t2: la conclusión, «Fa», es verdadera en este modelo\n"},
        {argument + "Dominio: {1, 2}\na: 2\nF: {2}\nG: {1, 2}\n",
            "2\t2: la conclusión, «Fa», es verdadera en este modelo\n"},
        {argument + "Dominio: {1, 2}\na: 1\nF: {2}\nG: {1}\n",
            "2\t2: la premisa 1, «∀x(Fx → Gx)», es falsa en este modelo\n"},
        {argument + "Dominio: {1, 2}\na: 1\nF: {}\nG: {2}\n",
            "2\t2: la premisa 2, «Ga», es falsa en este modelo\n"},
        // A model of an argument makes every formula true; a formula alone, itself.
        {"∀x(Fx → Gx), Ga ⊨ Fa\nModelo:\nD: {1}\na: 1\nF: {1}\nG: {1}\n", "2\tcorrecta\n"},
        {"∀x(Fx → Gx), Ga ⊨ Fa\nModelo:\nD: {1}\na: 1\nF: {}\nG: {1}\n",
            "2\t2: la conclusión, «Fa», es falsa en este modelo\n"},
        {"∃x Fx → Fa\nContramodelo:\nD: {1, 2}\na: 1\nF: {2}\n", "2\tcorrecta\n"},
        {"∃x Fx → Fa\nModelo:\nD: {1, 2}\na: 1\nF: {2}\n",
            "2\t2: la fórmula, «∃x Fx → Fa», es falsa en este modelo\n"},
        // Functions: total, one value each; a relation's pairs; letters in a model without worlds.
        {"∀x Rxf(x) ⊨ Raa\nContramodelo:\nD: {0, 1}\na: 0\nf: {(0, 1), (1, 0)}\nR: {(0, 1), (1, "
         "0)}\n",
            "2\tcorrecta\n"},
        {"∀x Rxf(x) ⊨ Raa\nContramodelo:\nD: {0, 1}\na: 0\nf: {(0, 1)}\nR: {(0, 1)}\n",
            "2\t5: «f» no está definida para 1\n"},
        {"∀x Rxf(x) ⊨ Raa\nContramodelo:\nD: {0, 1}\na: 0\nf: {(0, 1), (1, 0), (0, 0)}\nR: {}\n",
            "2\t5: «f» no es una función: da 1 y 0 para 0\n"},
        {"∀x Rxf(x) ⊨ Raa\nContramodelo:\nD: {0, 1}\na: 0\nf: {(0, 1), (1, 0)}\nR: {(0, 1, 1)}\n",
            "2\t6: (0, 1, 1) no es un par\n"},
        {"p ∨ q, ¬p ⊨ ¬q\nContramodelo:\np: F\nq: V\n", "2\tcorrecta\n"},
        {"p ∨ q, ¬p ⊨ ¬q\nContramodelo:\np: F\nq: quizá\n", "2\t4: el valor de «q» es V o F\n"},
        {"p ∨ q, ¬p ⊨ ¬q\nContramodelo:\np: F\n", "2\t2: falta el valor de «q»\n"},
        // Identity is the domain's own.
        {"a = b ⊨ Fa → Fb\nContramodelo:\nD: {1, 2}\na: 1\nb: 1\nF: {1}\n",
            "2\t2: la conclusión, «Fa → Fb», es verdadera en este modelo\n"},
        // Nothing above to answer; a heading with no entries is prose; the model ends at a
        // line that is no entry, and what follows is read as before.
        {"Contramodelo:\nD: {1}\n", "1\t1: no hay ningún ejercicio encima al que responder\n"},
        {"Fa\nModelo:\n\nRespuesta: satisfacible\n",
            "4\t4: no hay ningún ejercicio encima al que responder\n"},
        {"Fa\nModelo:\nD: {1}\na: 1\nF: {1}\nRespuesta: satisfacible\n",
            "2\tcorrecta\n6\tcorrecta\n"},
    };
    for (const Case &c : cases)
        CHECK_EQ(c.text + verdicts(c.text), c.text + c.expected);
}

TEST(a_modal_model_is_held_to_the_frame_of_the_system_in_force)
{
    // ◇p ⊨ □p, true at w1 and false at w2: right in every system whose frame it has.
    const std::string exercise = "◇p ⊨ □p\nContramodelo:\nMundos: {w1, w2}\np: {w2}\nR: ";
    struct Case
    {
        const char *system, *relation, *expected;
    } cases[] = {
        {"K", "{(w1, w1), (w1, w2)}", "correcta"},
        {"T", "{(w1, w1), (w1, w2)}", "6: R no es reflexiva: falta (w2, w2)"},
        {"T", "{(w1, w1), (w1, w2), (w2, w2)}", "correcta"},
        {"D", "{(w1, w2)}", "6: R no es serial: w2 no accede a ningún mundo"},
        {"D", "{(w1, w1), (w1, w2), (w2, w2)}", "correcta"},
        {"B", "{(w1, w1), (w1, w2), (w2, w2)}", "6: R no es simétrica: falta (w2, w1)"},
        {"B", "{(w1, w2), (w2, w1)}", "6: R no es reflexiva: falta (w1, w1)"},
        {"B", "{(w1, w1), (w1, w2), (w2, w1), (w2, w2)}", "correcta"},
        {"K4", "{(w1, w2), (w2, w1)}", "6: R no es transitiva: falta (w1, w1)"},
        {"K4", "{(w1, w1), (w1, w2)}", "correcta"},
        {"S4", "{(w1, w2), (w2, w2)}", "6: R no es reflexiva: falta (w1, w1)"},
        {"S4", "{(w1, w1), (w1, w2), (w2, w2)}", "correcta"},
        {"S5", "{(w1, w1), (w1, w2), (w2, w2)}", "6: R no es simétrica: falta (w2, w1)"},
        {"S5", "{(w1, w1), (w1, w2), (w2, w1), (w2, w2)}", "correcta"},
        // The first world named is where the exercise is evaluated.
        {"K", "{(w2, w1)}", "3: la premisa 1, «◇p», es falsa en este modelo"},
        {"K", "{(w1, w3)}", "6: w3 no es uno de los mundos"},
    };
    for (const Case &c : cases) {
        const std::string text
            = std::string("sistema: ") + c.system + "\n" + exercise + c.relation + "\n";
        std::string got = verdicts(text);
        got = got.substr(got.find('\t') + 1);
        CHECK_EQ(text + got, text + c.expected + "\n");
    }
    // The first world where □p is false: a model whose first world is w2 answers there.
    CHECK_EQ(verdicts("◇p ⊨ □p\nContramodelo:\nMundos: {w2, w1}\nR: {(w2, w1), (w2, w2)}\np: "
                      "{w1}\n"),
        std::string("2\tcorrecta\n"));
    CHECK_EQ(verdicts("◇p ⊨ □p\nContramodelo:\nMundos: {w1, w2}\np: {w2}\n"),
        std::string("2\t2: falta la relación de accesibilidad R\n"));
    CHECK_EQ(verdicts("◇p ⊨ □p\nContramodelo:\np: {w2}\nR: {}\n"),
        std::string("2\t2: faltan los mundos\n"));
    CHECK_EQ(verdicts("◇p ⊨ □p\nContramodelo:\nW: {w1, w2}\nR: {(w1, w2)}\np: V\n"),
        std::string("2\t5: el valor de «p» es el conjunto de mundos donde es verdadera\n"));
}

TEST(a_list_of_formulas_is_answered_consistent_or_inconsistent)
{
    CHECK_EQ(verdicts("p ∨ q, ¬p\nModelo:\np: F\nq: V\nRespuesta: consistentes\n"),
        std::string("2\tcorrecta\n5\tcorrecta\n"));
    CHECK_EQ(verdicts("p ∨ q, ¬p\nRespuesta: inconsistentes\n"),
        std::string("2\t2: las fórmulas son consistentes\n"));
    CHECK_EQ(verdicts("p, p → q, ¬q\nRespuesta: Inconsistentes.\n"), std::string("2\tcorrecta\n"));
    CHECK_EQ(verdicts("∀x Fx, ∃x ¬Fx\nRespuesta: consistentes\n"),
        std::string("2\t2: las fórmulas son inconsistentes\n"));
    CHECK_EQ(verdicts("p, ¬q\nRespuesta: tautología\n"),
        std::string("2\t2: «tautología» no es una respuesta a un conjunto de fórmulas: se "
                    "responde consistentes o inconsistentes\n"));
    CHECK_EQ(verdicts("p, ¬q\nContramodelo:\np: V\nq: F\n"),
        std::string("2\t2: un conjunto de fórmulas no tiene contramodelo: se da un «Modelo:»\n"));
    // The list's own answer is its conjunction's; with no work under it, it stays an error.
    std::vector<ProblemResult> all;
    checkText("p, ¬p\nRespuesta: inconsistentes\n\np, q\n", CheckOptions{},
        std::atomic<bool>{false}, [&](ProblemResult &&r) { all.push_back(std::move(r)); });
    CHECK_EQ(all.size(), std::size_t{3});
    if (all.size() == 3) {
        CHECK(all[0].standing == Standing::Contradiction);
        CHECK_EQ(all[0].text, std::string("p, ¬p"));
        CHECK(all[1].decision == Decision::Valid);
        CHECK(all[2].syntaxError);
    }
}

// Random closed formulas over F, G (one place), R (two), a and b, with modal operators over p,
// each with its value in a model computed by the test's own recursion.
struct Model
{
    int n = 1, worlds = 1;
    std::vector<std::vector<bool>> F, G, p; // per world
    std::vector<bool> R, access;            // R: n × n; access: worlds × worlds
    int a = 0, b = 0;
};
using Value = std::function<bool(const Model &, int world, std::vector<int> &env)>;

struct RandomModels
{
    std::mt19937 gen{33033};
    int pick(int n) { return static_cast<int>(gen() % static_cast<unsigned>(n)); }

    // A term: a bound variable (x, y) when one is in scope, else a constant.
    std::pair<std::string, std::function<int(const Model &, std::vector<int> &)>> term(int scope)
    {
        const int t = pick(scope + 2);
        if (t < scope)
            return {std::string(1, "xy"[t]), [t](const Model &, std::vector<int> &env) {
                        return env[static_cast<std::size_t>(t)];
                    }};
        if (t == scope)
            return {"a", [](const Model &m, std::vector<int> &) { return m.a; }};
        return {"b", [](const Model &m, std::vector<int> &) { return m.b; }};
    }

    std::pair<std::string, Value> formula(int depth, int scope, bool modal)
    {
        const int k = pick(depth > 0 ? 9 : 3);
        if (k < 3 || depth == 0) {
            if (modal && pick(2) == 0)
                return {"p", [](const Model &m, int w, std::vector<int> &) {
                            return m.p[static_cast<std::size_t>(w)][0];
                        }};
            if (k == 2 || pick(3) == 0) {
                auto [s, u] = term(scope);
                auto [t, v] = term(scope);
                return {"R" + s + t, [u, v](const Model &m, int, std::vector<int> &env) {
                            return m.R[static_cast<std::size_t>(u(m, env) * m.n + v(m, env))];
                        }};
            }
            auto [s, u] = term(scope);
            const bool f = pick(2) == 0;
            return {
                (f ? "F" : "G") + s, [u, f](const Model &m, int w, std::vector<int> &env) {
                    return (
                        f ? m.F
                          : m.G)[static_cast<std::size_t>(w)][static_cast<std::size_t>(u(m, env))];
                }};
        }
        if (k == 3) {
            auto [t, v] = formula(depth - 1, scope, modal);
            return {"¬" + t,
                [v](const Model &m, int w, std::vector<int> &env) { return !v(m, w, env); }};
        }
        if (k <= 5 && scope < 2) {
            const bool all = k == 4;
            auto [t, v] = formula(depth - 1, scope + 1, modal);
            const std::size_t slot = static_cast<std::size_t>(scope);
            return {std::string(all ? "∀" : "∃") + "xy"[scope] + t,
                [v, all, slot](const Model &m, int w, std::vector<int> &env) {
                    for (int d = 0; d < m.n; ++d) {
                        env[slot] = d;
                        if (v(m, w, env) != all)
                            return !all;
                    }
                    return all;
                }};
        }
        if (k == 6 && modal) {
            const bool box = pick(2) == 0;
            auto [t, v] = formula(depth - 1, scope, modal);
            return {(box ? "□" : "◇") + t, [v, box](const Model &m, int w, std::vector<int> &env) {
                        for (int u = 0; u < m.worlds; ++u)
                            if (m.access[static_cast<std::size_t>(w * m.worlds + u)]
                                && v(m, u, env) != box)
                                return !box;
                        return box;
                    }};
        }
        auto [s, u] = formula(depth - 1, scope, modal);
        auto [t, v] = formula(depth - 1, scope, modal);
        const int op = pick(3);
        static const char *kOps[] = {" ∧ ", " ∨ ", " → "};
        return {
            "(" + s + kOps[op] + t + ")", [u, v, op](const Model &m, int w, std::vector<int> &env) {
                const bool x = u(m, w, env), y = v(m, w, env);
                return op == 0 ? x && y : op == 1 ? x || y : !x || y;
            }};
    }

    Model model(bool modal)
    {
        Model m;
        m.n = 1 + pick(3);
        m.worlds = modal ? 1 + pick(3) : 1;
        auto bits = [&](int count) {
            std::vector<bool> v(static_cast<std::size_t>(count));
            for (std::size_t i = 0; i < v.size(); ++i)
                v[i] = pick(2) == 0;
            return v;
        };
        for (int w = 0; w < m.worlds; ++w) {
            m.F.push_back(bits(m.n));
            m.G.push_back(bits(m.n));
            m.p.push_back(bits(1));
        }
        if (!modal) // the same extension at every world is all a model without worlds says
            m.F.resize(1), m.G.resize(1);
        m.R = bits(m.n * m.n);
        m.access = bits(m.worlds * m.worlds);
        m.a = pick(m.n);
        m.b = pick(m.n);
        return m;
    }

    // The model as a student writes it: elements named e1…, worlds u1….
    static std::string written(const Model &m, bool modal)
    {
        auto element = [](int e) { return "e" + std::to_string(e + 1); };
        auto world = [](int w) { return "u" + std::to_string(w + 1); };
        auto set = [](const std::vector<std::string> &members) {
            std::string s = "{";
            for (std::size_t i = 0; i < members.size(); ++i)
                s += (i ? ", " : "") + members[i];
            return s + "}";
        };
        std::vector<std::string> all, f, g, r, worlds, access, p;
        for (int e = 0; e < m.n; ++e) {
            all.push_back(element(e));
            if (m.F[0][static_cast<std::size_t>(e)])
                f.push_back(element(e));
            if (m.G[0][static_cast<std::size_t>(e)])
                g.push_back(element(e));
            for (int d = 0; d < m.n; ++d)
                if (m.R[static_cast<std::size_t>(e * m.n + d)])
                    r.push_back("(" + element(e) + ", " + element(d) + ")");
        }
        for (int w = 0; w < m.worlds; ++w) {
            worlds.push_back(world(w));
            if (m.p[static_cast<std::size_t>(w)][0])
                p.push_back(world(w));
            for (int u = 0; u < m.worlds; ++u)
                if (m.access[static_cast<std::size_t>(w * m.worlds + u)])
                    access.push_back("(" + world(w) + ", " + world(u) + ")");
        }
        std::string s = "Dominio: " + set(all) + "\na: " + element(m.a) + "\nb: " + element(m.b)
            + "\nF: " + set(f) + "\nG: " + set(g) + "\n";
        if (!modal)
            s += "R: " + set(r) + "\n";
        else
            s = "Mundos: " + set(worlds) + "\n" + s + "p: " + set(p) + "\nR = " + set(access)
                + "\n";
        return s;
    }
};

TEST(every_verdict_on_a_model_agrees_with_the_tests_own_evaluator)
{
    RandomModels random;
    int right = 0, wrong = 0, invalid = 0;
    for (int round = 0; round < 120; ++round) {
        const bool modal = round % 3 == 2;
        // In a modal model "R" is the accessibility relation: the predicate is left out.
        std::pair<std::string, Value> premise, conclusion;
        do {
            premise = random.formula(3, 0, modal);
            conclusion = random.formula(3, 0, modal);
        } while (modal
            && (premise.first.find('R') != std::string::npos
                || conclusion.first.find('R') != std::string::npos));
        Model m = random.model(modal);
        if (modal) { // predicates rigid across worlds, as a student's model has them
            for (int w = 1; w < m.worlds; ++w) {
                m.F[static_cast<std::size_t>(w)] = m.F[0];
                m.G[static_cast<std::size_t>(w)] = m.G[0];
            }
        }
        std::vector<int> env(2, 0);
        const bool counter = premise.second(m, 0, env) && !conclusion.second(m, 0, env);
        const std::string text = premise.first + " ⊨ " + conclusion.first + "\nContramodelo:\n"
            + RandomModels::written(m, modal);
        const std::vector<ProblemResult> r = [&] {
            std::vector<ProblemResult> out;
            CheckOptions options;
            options.problemTime = std::chrono::seconds(5);
            options.truthTables = false;
            options.explain = Explain::VerdictOnly;
            checkText(text, options, std::atomic<bool>{false},
                [&](ProblemResult &&p) { out.push_back(std::move(p)); });
            return out;
        }();
        CHECK_EQ(r.size(), std::size_t{2});
        if (r.size() != 2)
            continue;
        const std::string got = r[1].decision == Decision::Valid ? "correcta"
            : r[1].faults.empty()                                ? "no determinado"
                                                                 : r[1].faults[0].message;
        const std::string expected = counter ? "correcta"
            : !premise.second(m, 0, env)     ? "la premisa 1, «"
                                             : "la conclusión, «";
        CHECK_EQ(text + got.substr(0, expected.size()), text + expected);
        (counter ? right : wrong)++;
        // A right countermodel and the engine's own verdict on the argument never disagree.
        if (counter) {
            CHECK(r[0].decision != Decision::Valid);
            invalid += r[0].decision == Decision::Invalid;
        }
    }
    CHECK(right >= 10);
    CHECK(wrong >= 10);
    CHECK(invalid >= right / 2);
}

TEST(the_worker_sends_a_students_model_with_its_names_and_its_fault)
{
    const std::vector<ProblemResult> r = work("□p ⊨ p\nsistema: T\nContramodelo:\nMundos: {w1, "
                                              "w2}\nR: {(w1, w2)}\np: {w2}\n");
    CHECK_EQ(r.size(), std::size_t{1});
    if (r.size() != 1)
        return;
    const std::string m = answerMessage(1, r[0]);
    CHECK(m.find("\"work\":\"model\",\"faults\":[{\"line\":5,\"message\":\"R no es reflexiva: "
                 "falta (w1, w1)\"}]")
        != std::string::npos);
    CHECK(m.find("\"worlds\":2,\"access\":[[0,1]]") != std::string::npos);
    CHECK(m.find("\"worldNames\":[\"w1\",\"w2\"],\"fault\":\"R no es reflexiva: falta (w1, "
                 "w1)\"")
        != std::string::npos);
    CHECK(m.find("\"elementNames\"") == std::string::npos);
    // The engine's own models carry no names: a reader of old reads them as before.
    const std::string first = "Fa ⊨ Ga\nContramodelo:\nD: {1, 2}\na: 2\nF: {2}\nG: {}\n";
    CheckOptions options;
    options.truthTables = false;
    std::vector<std::string> messages;
    checkText(first, options, std::atomic<bool>{false},
        [&](ProblemResult &&p) { messages.push_back(answerMessage(1, p)); });
    CHECK_EQ(messages.size(), std::size_t{2});
    if (messages.size() == 2) {
        CHECK(messages[0].find("\"model\"") != std::string::npos);
        CHECK(messages[0].find("Names") == std::string::npos);
        CHECK(messages[1].find("\"elementNames\":[\"1\",\"2\"]") != std::string::npos);
        CHECK(messages[1].find("\"predicates\":[{\"name\":\"F\",\"arity\":1,\"rows\":[[[1]]]}")
            != std::string::npos);
        CHECK(messages[1].find("\"fault\"") == std::string::npos);
    }
}

} // namespace

TEST_MAIN()
