#include "StudentTable.h"
#include "syntax/Logic.h"
#include "syntax/Parser.h"
#include "syntax/Text.h"

#include <algorithm>
#include <cstdint>
#include <set>

namespace logic {
namespace {

// More letters than a student writes rows for; past them the table is not gone through.
constexpr int kMaxLetters = 16;
// Missing rows named one by one; past these, counted.
constexpr int kNamedMissingRows = 8;

const char *valueWord(int v)
{
    return v ? "V" : "F";
}

void lettersOf(const Logic &logic, int f, std::set<int> &out)
{
    const FormulaNode &n = logic.node(f);
    switch (n.kind) {
    case Fk::Atom: out.insert(n.a); return;
    case Fk::Not: lettersOf(logic, n.a, out); return;
    case Fk::And:
    case Fk::Or:
    case Fk::Implies:
    case Fk::Iff:
        lettersOf(logic, n.a, out);
        lettersOf(logic, n.b, out);
        return;
    default: return;
    }
}

std::string assignment(const Logic &logic, const std::vector<int> &letters, std::uint32_t key)
{
    std::string s;
    const std::size_t n = letters.size();
    for (std::size_t i = 0; i < n; ++i)
        s += (i ? ", " : "") + logic.predicateSymbol(letters[i]).name + " = "
            + valueWord(!((key >> (n - 1 - i)) & 1u));
    return s;
}

} // namespace

int valueOf(const Logic &logic, int f, const std::vector<int> &values)
{
    const FormulaNode &n = logic.node(f);
    auto both = [&](auto op) {
        const int a = valueOf(logic, n.a, values);
        const int b = valueOf(logic, n.b, values);
        return a < 0 || b < 0 ? -1 : static_cast<int>(op(a != 0, b != 0));
    };
    switch (n.kind) {
    case Fk::Atom:
        return n.a < static_cast<int>(values.size()) ? values[static_cast<std::size_t>(n.a)] : -1;
    case Fk::Top: return 1;
    case Fk::Bottom: return 0;
    case Fk::Not: {
        const int a = valueOf(logic, n.a, values);
        return a < 0 ? -1 : 1 - a;
    }
    case Fk::And: return both([](bool a, bool b) { return a && b; });
    case Fk::Or: return both([](bool a, bool b) { return a || b; });
    case Fk::Implies: return both([](bool a, bool b) { return !a || b; });
    case Fk::Iff: return both([](bool a, bool b) { return a == b; });
    default: return -1;
    }
}

StudentTable readTable(Logic &logic, std::span<const std::u32string> lines, const WorkPiece &piece)
{
    StudentTable t;
    int at = piece.first;
    while (at < piece.end && isRuleLine(lines[static_cast<std::size_t>(at)]))
        ++at;
    t.header = at;
    for (const std::u32string &cell : tableCells(lines[static_cast<std::size_t>(at)])) {
        StudentTable::Column c;
        c.written = toUtf8(cell);
        if (!cell.empty()) {
            const LineParse p = parseLine(logic, cell, Encoding::Utf8);
            if (p.ok() && !p.argument && logic.isPropositional(p.conclusion))
                c.formula = p.conclusion;
        }
        if (c.formula >= 0 && logic.node(c.formula).kind == Fk::Atom) {
            const int letter = logic.node(c.formula).a;
            if (std::find(t.letters.begin(), t.letters.end(), letter) == t.letters.end()) {
                c.letter = static_cast<int>(t.letters.size());
                t.letters.push_back(letter);
            }
        }
        t.columns.push_back(std::move(c));
    }
    for (int l = at + 1; l < piece.end; ++l) {
        const std::u32string &line = lines[static_cast<std::size_t>(l)];
        if (isRuleLine(line))
            continue;
        StudentTable::Row row;
        row.line = l;
        row.cells = tableCells(line);
        for (const std::u32string &cell : row.cells)
            row.values.push_back(truthValue(cell));
        row.wellFormed = row.cells.size() == t.columns.size();
        t.rows.push_back(std::move(row));
    }
    return t;
}

std::vector<WorkFault> checkTable(Logic &logic, std::span<const std::u32string> lines,
    const WorkPiece &piece, const Exercise *exercise, bool answered)
{
    const StudentTable t = readTable(logic, lines, piece);
    std::vector<WorkFault> faults;
    const int header = t.header + 1;
    auto fault = [&](int line, std::string message) {
        faults.push_back({line, std::move(message)});
    };
    // A letter written again (a premise that is a letter) is checked as any formula column.
    std::set<int> used;
    for (std::size_t k = 0; k < t.columns.size(); ++k) {
        const StudentTable::Column &c = t.columns[k];
        if (c.written.empty())
            fault(header, "la columna " + std::to_string(k + 1) + " no tiene cabecera");
        else if (c.formula < 0)
            fault(header, "la cabecera «" + c.written + "» no es una fórmula proposicional");
        else if (c.letter < 0)
            lettersOf(logic, c.formula, used);
    }
    for (int letter : used)
        if (std::find(t.letters.begin(), t.letters.end(), letter) == t.letters.end())
            fault(header,
                "falta la columna de la letra «" + logic.predicateSymbol(letter).name + "»");
    const int n = static_cast<int>(t.letters.size());
    if (n > kMaxLetters) {
        fault(header,
            "la tabla tiene " + std::to_string(n) + " letras: son demasiadas filas para una tabla");
        return faults;
    }
    std::vector<int> rowOf(std::size_t{1} << n, 0);
    std::vector<int> values(static_cast<std::size_t>(logic.predicateCount()), -1);
    int number = 0;
    for (const StudentTable::Row &row : t.rows) {
        const int line = row.line + 1;
        const std::string name = "fila " + std::to_string(++number);
        if (!row.wellFormed) {
            fault(line,
                "la " + name + " tiene " + std::to_string(row.cells.size()) + " valores y la "
                    + "cabecera " + std::to_string(t.columns.size()) + " columnas");
            continue;
        }
        std::fill(values.begin(), values.end(), -1);
        bool known = true;
        std::uint32_t key = 0;
        for (std::size_t k = 0; k < t.columns.size(); ++k) {
            const StudentTable::Column &c = t.columns[k];
            if (row.values[k] < 0)
                fault(line,
                    name + ", columna «" + c.written + "»: «" + toUtf8(row.cells[k])
                        + "» no es un valor (V o F)");
            if (c.letter < 0)
                continue;
            known = known && row.values[k] >= 0;
            values[static_cast<std::size_t>(t.letters[static_cast<std::size_t>(c.letter)])]
                = row.values[k];
            if (row.values[k] == 0)
                key |= 1u << (n - 1 - c.letter);
        }
        if (known) {
            int &first = rowOf[key];
            if (first)
                fault(line,
                    "la " + name + " repite la fila " + std::to_string(first) + ": "
                        + assignment(logic, t.letters, key));
            else
                first = number;
        }
        for (std::size_t k = 0; k < t.columns.size(); ++k) {
            const StudentTable::Column &c = t.columns[k];
            if (c.letter >= 0 || c.formula < 0 || row.values[k] < 0)
                continue;
            const int expected = valueOf(logic, c.formula, values);
            if (expected >= 0 && expected != row.values[k])
                fault(line,
                    name + ", columna «" + c.written + "»: el valor es " + valueWord(expected));
        }
    }
    int missing = 0;
    for (std::uint32_t key = 0; key < rowOf.size(); ++key)
        if (!rowOf[key] && ++missing <= kNamedMissingRows)
            fault(header, "falta la fila " + assignment(logic, t.letters, key));
    if (missing > kNamedMissingRows)
        fault(header, "y faltan " + std::to_string(missing - kNamedMissingRows) + " filas más");
    if (exercise && answered) {
        auto has = [&](int f) {
            return std::any_of(t.columns.begin(), t.columns.end(),
                [&](const StudentTable::Column &c) { return c.formula == f; });
        };
        if (exercise->argument) {
            for (std::size_t i = 0; i < exercise->premises.size(); ++i)
                if (!has(exercise->premises[i]))
                    fault(header,
                        "falta la columna de la premisa " + std::to_string(i + 1) + " «"
                            + logic.text(exercise->premises[i]) + "»");
            if (!has(exercise->conclusion))
                fault(header,
                    "falta la columna de la conclusión «" + logic.text(exercise->conclusion) + "»");
        } else if (exercise->list) {
            for (std::size_t i = 0; i < exercise->premises.size(); ++i)
                if (!has(exercise->premises[i]))
                    fault(header,
                        "falta la columna de la fórmula " + std::to_string(i + 1) + " «"
                            + logic.text(exercise->premises[i]) + "»");
        } else if (!has(exercise->conclusion)) {
            fault(header,
                "falta la columna de la fórmula «" + logic.text(exercise->conclusion) + "»");
        }
    }
    std::stable_sort(faults.begin(), faults.end(),
        [](const WorkFault &a, const WorkFault &b) { return a.line < b.line; });
    return faults;
}

} // namespace logic
