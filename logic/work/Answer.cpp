#include "StudentTable.h"
#include "syntax/Logic.h"
#include "syntax/Text.h"

#include <algorithm>
#include <array>
#include <cctype>

namespace logic {
namespace {

using Known = ExerciseTruth::Known;

enum class Term {
    None,
    Tautology,
    Contradiction,
    Contingency,
    Valid,
    NotValid,
    Unsatisfiable,
    Contingent,
    Satisfiable,
    Consistent,
    Inconsistent
};

// Lower case, without accents, one space between words, no final full stop.
std::string plain(std::u32string_view s)
{
    std::string out;
    for (char32_t c : s) {
        switch (c) {
        case U'á':
        case U'Á': c = 'a'; break;
        case U'é':
        case U'É': c = 'e'; break;
        case U'í':
        case U'Í': c = 'i'; break;
        case U'ó':
        case U'Ó': c = 'o'; break;
        case U'ú':
        case U'Ú': c = 'u'; break;
        default: break;
        }
        if (c == ' ' || c == '\t' || c == 0xA0) {
            if (!out.empty() && out.back() != ' ')
                out += ' ';
            continue;
        }
        if (c < 0x80)
            out += static_cast<char>(std::tolower(static_cast<int>(c)));
        else
            appendUtf8(out, c);
    }
    while (!out.empty() && (out.back() == ' ' || out.back() == '.'))
        out.pop_back();
    return out;
}

Term termOf(const std::string &w)
{
    static constexpr std::array<std::pair<const char *, Term>, 16> kTerms = {{
        {"tautologia", Term::Tautology},
        {"contradiccion", Term::Contradiction},
        {"contingencia", Term::Contingency},
        {"valida", Term::Valid},
        {"valido", Term::Valid},
        {"no valida", Term::NotValid},
        {"no valido", Term::NotValid},
        {"invalida", Term::NotValid},
        {"invalido", Term::NotValid},
        {"insatisfacible", Term::Unsatisfiable},
        {"contingente", Term::Contingent},
        {"satisfacible", Term::Satisfiable},
        {"consistente", Term::Consistent},
        {"consistentes", Term::Consistent},
        {"inconsistente", Term::Inconsistent},
        {"inconsistentes", Term::Inconsistent},
    }};
    for (const auto &[word, term] : kTerms)
        if (w == word)
            return term;
    return Term::None;
}

// "no valido (fila 3)", "no valido, fila 3": the verdict and the row; row 0 when none is named,
// -1 when "fila" has no number.
void splitRow(const std::string &answer, std::string &verdict, int &row)
{
    verdict = answer;
    row = 0;
    const std::size_t at = answer.rfind("fila");
    if (at == std::string::npos || at == 0)
        return;
    std::string before = answer.substr(0, at);
    while (
        !before.empty() && (before.back() == ' ' || before.back() == '(' || before.back() == ','))
        before.pop_back();
    std::size_t i = at + 4;
    while (i < answer.size() && answer[i] == ' ')
        ++i;
    std::size_t j = i;
    int n = 0;
    while (j < answer.size() && std::isdigit(static_cast<unsigned char>(answer[j])) && n < 100000)
        n = n * 10 + (answer[j++] - '0');
    std::string after = answer.substr(j);
    while (!after.empty() && (after.back() == ' ' || after.back() == ')'))
        after.pop_back();
    if (!after.empty())
        return; // "fila" inside words that are no row
    verdict = before;
    row = j > i ? n : -1;
}

std::string truthWords(bool argument, bool propositional, const ExerciseTruth &t, bool list)
{
    if (list)
        return t.satisfiable == Known::Yes ? "las fórmulas son consistentes"
                                           : "las fórmulas son inconsistentes";
    if (argument)
        return t.valid == Known::Yes ? "el argumento es válido" : "el argumento no es válido";
    if (t.valid == Known::Yes)
        return propositional ? "la fórmula es una tautología" : "la fórmula es válida";
    if (t.satisfiable == Known::No)
        return propositional ? "la fórmula es una contradicción" : "la fórmula es insatisfacible";
    if (t.valid == Known::No && t.satisfiable == Known::Yes)
        return propositional ? "la fórmula es una contingencia" : "la fórmula es contingente";
    return "la fórmula no es válida";
}

const char *expectedTerms(bool argument, bool propositional)
{
    return argument     ? "válido o no válido"
        : propositional ? "tautología, contradicción o contingencia"
                        : "válida, insatisfacible, contingente o satisfacible";
}

bool allPropositional(const Logic &logic, const Exercise &e)
{
    return logic.isPropositional(e.conclusion)
        && std::all_of(
            e.premises.begin(), e.premises.end(), [&](int f) { return logic.isPropositional(f); });
}

} // namespace

AnswerCheck checkAnswer(Logic &logic, std::span<const std::u32string> lines, int line,
    const Exercise *exercise, const ExerciseTruth &truth, const WorkPiece *table)
{
    AnswerCheck out;
    const int at = line + 1;
    auto fault = [&](std::string message) { out.faults.push_back({at, std::move(message)}); };
    const std::optional<std::u32string> text = answerText(lines[static_cast<std::size_t>(line)]);
    if (!text)
        return out;
    if (!exercise) {
        fault("no hay ningún ejercicio encima al que responder");
        return out;
    }
    std::string verdict;
    int row = 0;
    splitRow(plain(*text), verdict, row);
    const Term term = termOf(verdict);
    const bool argument = exercise->argument;
    const bool propositional = allPropositional(logic, *exercise);
    if (exercise->list && term != Term::Consistent && term != Term::Inconsistent) {
        fault("«" + toUtf8(*text)
            + "» no es una respuesta a un conjunto de fórmulas: se responde consistentes o "
              "inconsistentes");
        return out;
    }
    if (term == Term::None || (argument && term != Term::Valid && term != Term::NotValid)) {
        fault("«" + toUtf8(*text) + "» no es una respuesta" + (argument ? " a un argumento" : "")
            + ": se responde " + expectedTerms(argument, propositional));
        return out;
    }
    if (!propositional
        && (term == Term::Tautology || term == Term::Contradiction || term == Term::Contingency)) {
        fault("la fórmula no es proposicional: se responde "
            + std::string(expectedTerms(false, false)));
        return out;
    }
    // Each verdict asserts one fact or two; each must be known, and hold.
    Known valid = Known::Unknown, satisfiable = Known::Unknown;
    switch (term) {
    case Term::Tautology:
    case Term::Valid: valid = Known::Yes; break;
    case Term::NotValid: valid = Known::No; break;
    case Term::Contradiction:
    case Term::Unsatisfiable:
    case Term::Inconsistent: satisfiable = Known::No; break;
    case Term::Contingency:
    case Term::Contingent:
        valid = Known::No;
        satisfiable = Known::Yes;
        break;
    case Term::Satisfiable:
    case Term::Consistent: satisfiable = Known::Yes; break;
    case Term::None: break;
    }
    auto holds = [&](Known claimed, Known actual) {
        return claimed == Known::Unknown || claimed == actual;
    };
    const bool undecided = (valid != Known::Unknown && truth.valid == Known::Unknown)
        || (satisfiable != Known::Unknown && truth.satisfiable == Known::Unknown);
    if (!holds(valid, truth.valid) && truth.valid != Known::Unknown) {
        fault(truthWords(argument, propositional, truth, exercise->list));
        return out;
    }
    if (!holds(satisfiable, truth.satisfiable) && truth.satisfiable != Known::Unknown) {
        fault(truthWords(argument, propositional, truth, exercise->list));
        return out;
    }
    if (undecided) {
        out.decided = false;
        fault("no se pudo decidir el ejercicio en el tiempo disponible");
        return out;
    }
    if (row == 0)
        return out;
    const std::string name = "fila " + std::to_string(std::max(row, 0));
    if (term != Term::NotValid) {
        fault("una fila se da solo tras «no válido», como contraejemplo");
        return out;
    }
    if (row < 0) {
        fault("falta el número de la fila");
        return out;
    }
    if (!propositional) {
        fault("el ejercicio no es proposicional: no tiene tabla de verdad");
        return out;
    }
    if (!table) {
        fault("no hay encima ninguna tabla del ejercicio con la " + name);
        return out;
    }
    const StudentTable t = readTable(logic, lines, *table);
    if (row > static_cast<int>(t.rows.size())) {
        fault("la tabla no tiene " + name);
        return out;
    }
    const StudentTable::Row &r = t.rows[static_cast<std::size_t>(row - 1)];
    std::vector<int> values(static_cast<std::size_t>(logic.predicateCount()), -1);
    for (std::size_t k = 0; k < t.columns.size() && k < r.values.size(); ++k)
        if (t.columns[k].letter >= 0)
            values[static_cast<std::size_t>(
                t.letters[static_cast<std::size_t>(t.columns[k].letter)])]
                = r.values[k];
    auto value = [&](int f) { return valueOf(logic, f, values); };
    std::vector<int> all = exercise->premises;
    all.push_back(exercise->conclusion);
    if (!r.wellFormed || std::any_of(all.begin(), all.end(), [&](int f) { return value(f) < 0; })) {
        fault("la " + name + " no da un valor a cada letra del ejercicio");
        return out;
    }
    const std::string notOne = "la " + name + " no es un contraejemplo: ";
    for (std::size_t i = 0; i < exercise->premises.size(); ++i)
        if (value(exercise->premises[i]) == 0) {
            fault(notOne + "la premisa " + std::to_string(i + 1) + ", «"
                + logic.text(exercise->premises[i]) + "», es falsa en ella");
            return out;
        }
    if (value(exercise->conclusion) == 1)
        fault(notOne
            + (argument ? "la conclusión, «" + logic.text(exercise->conclusion)
                        + "», es verdadera en ella"
                        : std::string("la fórmula es verdadera en ella")));
    return out;
}

} // namespace logic
