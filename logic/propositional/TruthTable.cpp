#include "TruthTable.h"

#include "Evaluator.h"
#include "syntax/Lexer.h"
#include "syntax/Parser.h"
#include "syntax/Text.h"

#include <cstring>
#include <functional>

namespace logic {
namespace {

constexpr std::size_t kShortPart = 16;

const char *tv(bool value)
{
    return value ? "V" : "F";
}

std::string number(std::size_t n)
{
    return std::to_string(n);
}

struct Column
{
    int id;
    std::string label;
};

// The header and one row per assignment of vars; mark, given the row's column values, writes an
// optional last cell.
std::string rows(const Arena &arena, const std::vector<int> &vars,
    const std::vector<Column> &columns,
    const std::function<const char *(const std::vector<bool> &)> &mark = {})
{
    std::vector<int> roots;
    for (const Column &c : columns)
        roots.push_back(c.id);
    Evaluator eval(arena, roots, vars);
    eval.evaluate(0); // at most 2^6 rows: one block
    std::string out;
    const auto cell = [&out](const std::string &text) {
        if (!out.empty() && out.back() != '\n')
            out += '\t';
        out += text;
    };
    for (int v : vars)
        cell(arena.variableName(v));
    for (const Column &c : columns)
        cell(c.label);
    out += '\n';
    std::vector<bool> values(columns.size());
    for (std::uint64_t row = 0; row < eval.rowCount(); ++row) {
        for (bool b : eval.assignment(row))
            cell(tv(b));
        for (std::size_t i = 0; i < columns.size(); ++i) {
            values[i] = ((eval.value(columns[i].id) >> row) & 1) != 0;
            cell(tv(values[i]));
        }
        if (const char *m = mark ? mark(values) : nullptr)
            cell(m);
        out += '\n';
    }
    return out;
}

std::string tooWide(const char *what, std::size_t columns)
{
    return std::string(what) + ": se omite, porque tendría " + number(columns)
        + " columnas y se muestra hasta " + number(kMaxTableColumns) + ".\n";
}

} // namespace

std::string formulaTable(const Arena &arena, int root)
{
    const std::vector<int> vars = arena.variablesOf({root});
    if (vars.size() > static_cast<std::size_t>(kMaxTableVariables))
        return "Tabla de verdad: se omite, porque la fórmula tiene " + number(vars.size())
            + " letras proposicionales y la tabla se muestra hasta " + number(kMaxTableVariables)
            + ".\n";
    const Dag dag = arena.dag({root});
    // Each node's length as Arena::text writes it inside another formula, saturating.
    std::vector<std::size_t> length(dag.nodes.size());
    std::vector<std::size_t> column(dag.nodes.size(), 0);
    std::vector<Column> columns;
    for (std::size_t i = 0; i < dag.nodes.size(); ++i) {
        const Node &n = dag.nodes[i];
        const auto of = [&](int k) { return length[static_cast<std::size_t>(k)]; };
        if (isLeaf(n.op)) {
            length[i] = arena.text(dag.ids[i]).size();
            continue;
        }
        length[i] = n.op == Op::Not ? std::strlen(symbol(Op::Not)) + of(n.lhs)
                                    : of(n.lhs) + of(n.rhs) + std::strlen(symbol(n.op)) + 4;
        length[i] = std::min(length[i], kMaxColumnText * 4);
        columns.push_back({dag.ids[i], "(" + number(columns.size() + 1) + ")"});
        column[i] = columns.size();
    }
    if (vars.size() + columns.size() > static_cast<std::size_t>(kMaxTableColumns))
        return tooWide("Tabla de verdad", vars.size() + columns.size());
    std::string out;
    if (!columns.empty())
        out += "Columnas de la tabla:\n";
    else if (dag.nodes.back().op != Op::Var) // a lone constant is its own column
        columns.push_back({root, arena.text(root)});
    for (std::size_t i = 0; i < dag.nodes.size(); ++i) {
        const Node &n = dag.nodes[i];
        if (!column[i])
            continue;
        out += "(" + number(column[i]) + ") ";
        const bool binary = n.op != Op::Not;
        if (length[i] - (binary ? 2 : 0) <= kMaxColumnText) {
            out += arena.text(dag.ids[i]);
        } else {
            // A short part is written out, as it reads better than a number.
            const auto part = [&](int k) {
                const auto j = static_cast<std::size_t>(k);
                if (isLeaf(dag.nodes[j].op) || dag.nodes[j].op == Op::Not)
                    return length[j] <= kShortPart ? arena.text(dag.ids[j])
                                                   : "(" + number(column[j]) + ")";
                return "(" + (length[j] <= kShortPart ? arena.text(dag.ids[j]) : number(column[j]))
                    + ")";
            };
            out += binary ? part(n.lhs) + " " + symbol(n.op) + " " + part(n.rhs)
                          : symbol(Op::Not) + part(n.lhs);
        }
        out += '\n';
    }
    return out + "Tabla de verdad:\n" + rows(arena, vars, columns);
}

std::string argumentTable(const Arena &arena, const std::vector<int> &premises, int conclusion)
{
    std::vector<int> roots = premises;
    roots.push_back(conclusion);
    const std::vector<int> vars = arena.variablesOf(roots);
    const char *title = "Tabla de verdad del argumento";
    if (vars.size() > static_cast<std::size_t>(kMaxTableVariables))
        return std::string(title) + ": se omite, porque el argumento tiene " + number(vars.size())
            + " letras proposicionales y la tabla se muestra hasta " + number(kMaxTableVariables)
            + ".\n";
    if (vars.size() + roots.size() > static_cast<std::size_t>(kMaxTableColumns))
        return tooWide(title, vars.size() + roots.size());

    std::vector<Column> columns;
    for (std::size_t i = 0; i < premises.size(); ++i)
        columns.push_back({premises[i], "P" + number(i + 1)});
    columns.push_back({conclusion, "C"});
    std::string legend;
    switch (premises.size()) {
    case 0: legend = "sin premisas, todas las filas se marcan"; break;
    case 1: legend = "P1: premisa"; break;
    case 2: legend = "P1 y P2: premisas"; break;
    default: legend = "P1 a P" + number(premises.size()) + ": premisas"; break;
    }
    const std::string heading = std::string(title) + " (" + legend
        + "; C: conclusión; * todas las premisas son verdaderas):\n";
    return heading
        + rows(arena, vars, columns, [](const std::vector<bool> &values) -> const char * {
              for (std::size_t i = 0; i + 1 < values.size(); ++i)
                  if (!values[i])
                      return nullptr;
              return values.back() ? "*" : "* contraejemplo";
          });
}

} // namespace logic
