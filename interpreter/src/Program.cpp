#include "Program.h"

#include "Engine.h"
#include "propositional/Analysis.h"
#include "propositional/TruthTable.h"
#include "syntax/Cp1252.h"
#include "syntax/Lexer.h"
#include "syntax/Parser.h"
#include "syntax/Text.h"
#include "worksheet/Api.h"
#include "worksheet/Grouping.h"

#include <algorithm>
#include <cctype>
#include <optional>
#include <utility>
#include <vector>

namespace interpreter {

using namespace logic;
namespace {

struct Line
{
    int number = 0;
    bool separator = false;
    bool afterBlank = false; // an empty line came since the previous formula or separator
    std::string_view text;
    ParseResult parsed;
    Role role = Role::Alone;
    int argument = -1;
    LineParse full;        // the line in the whole language
    bool extended = false; // first-order, modal, or an argument on one line: the engine decides it
    bool apart = false;    // an argument on one line, or a "sistema:" line: never a premise
    ModalSystem system = ModalSystem::K;
};

bool understood(const Line &l)
{
    return l.parsed.ok() || l.extended;
}

struct Argument
{
    std::vector<std::size_t> premises; // indices into the lines
    std::size_t separator = 0;
    std::optional<std::size_t> conclusion;
};

std::vector<std::string_view> splitLines(std::string_view input)
{
    std::vector<std::string_view> lines;
    std::size_t start = 0;
    for (std::size_t i = 0; i < input.size(); ++i) {
        if (input[i] != '\r' && input[i] != '\n')
            continue;
        lines.push_back(input.substr(start, i - start));
        if (input[i] == '\r' && i + 1 < input.size() && input[i + 1] == '\n')
            ++i;
        start = i + 1;
    }
    if (start < input.size())
        lines.push_back(input.substr(start));
    return lines;
}

// The line echoed under an error, in what salida.log can show (no byte that would cut or garble
// the results window; the palette's codes as the symbols they stand for, since the window has not
// their fonts), and a caret line with '^' under the error's column. The caret counts characters:
// the results window's font is proportional, so it points near, not exactly.
std::pair<std::string, std::string> caretLines(std::u32string_view line, int column)
{
    std::string echo, caret;
    for (std::size_t i = 0; i < line.size(); ++i) {
        const char32_t c = line[i];
        const char32_t next = i + 1 < line.size() ? line[i + 1] : 0;
        if (const char32_t symbol = symbolFor(c, next)) {
            std::string piece = readableSpelling(symbol) ? readableSpelling(symbol) : "?";
            if (std::isalnum(static_cast<unsigned char>(piece.back())) && next < 0x80
                && std::isalnum(static_cast<int>(next)))
                piece += ' ';
            if (static_cast<int>(i) + 1 < column)
                caret += std::string(piece.size(), ' ');
            echo += piece;
            if (c == 0xF7) // ⊨ and ⊢ take two codes, ÷ and = or -
                ++i;
            continue;
        }
        std::string piece;
        const int byte = cp1252Byte(c);
        if (c == '\t'
            || (byte >= 0 && c >= 0x20 && isPrintableCp1252(static_cast<unsigned char>(byte))
                && !(c >= 0x80 && c < 0xA0))) {
            appendUtf8(piece, c);
        } else if (const char *spelling = readableSpelling(c)) {
            piece = spelling;
            if (std::isalnum(static_cast<unsigned char>(piece.back())) && next < 0x80
                && std::isalnum(static_cast<int>(next)))
                piece += ' ';
        } else {
            piece = "?";
        }
        if (static_cast<int>(i) + 1 < column)
            caret += c == '\t' ? std::string("\t")
                               : std::string(decode(piece, Encoding::Utf8).size(), ' ');
        echo += piece;
    }
    caret += '^';
    return {echo, caret};
}

std::string tv(bool value)
{
    return value ? "V" : "F";
}

// What a search tried before it stopped at a limit, with a decimal comma as Spanish writes it.
std::string gaveUp(const Effort &effort)
{
    std::string seconds = std::to_string(static_cast<long long>(effort.seconds * 10 + 0.5));
    if (seconds.size() < 2)
        seconds.insert(0, "0");
    seconds.insert(seconds.size() - 1, ",");
    return "la búsqueda se detuvo por " + std::string(stopWords(effort.stop)) + " tras "
        + std::to_string(effort.conflicts) + " conflictos y " + seconds
        + " s de procesador (límites: " + std::to_string(kConflictLimit) + " conflictos y "
        + std::to_string(kProblemSeconds.count()) + " s).";
}

std::string assignmentText(
    const Arena &arena, const std::vector<int> &vars, const std::vector<bool> &values)
{
    if (vars.empty())
        return "cualquiera (no tiene letras)";
    std::string out;
    for (std::size_t i = 0; i < vars.size(); ++i) {
        if (i)
            out += ", ";
        out += arena.variableName(vars[i]) + " = " + tv(values[i]);
    }
    return out;
}

class Writer
{
public:
    Writer(Arena &arena, const Logic &logic, Encoding encoding)
        : m_arena(arena), m_logic(logic), m_encoding(encoding)
    {}

    // A problem the engine decides: first-order, modal, or an argument written on one line.
    void engine(const std::string &heading, const std::vector<int> &premises, int conclusion,
        bool argument, ModalSystem system)
    {
        line(heading);
        m_out += reportProblem(m_logic, premises, conclusion, argument, system);
        line();
    }

    void extended(const Line &l, const std::string &title)
    {
        if (l.full.argument) {
            std::string heading = "Argumento de la línea " + std::to_string(l.number) + ": ";
            for (std::size_t i = 0; i < l.full.premises.size(); ++i)
                heading += (i ? ", " : "") + m_logic.text(l.full.premises[i]);
            engine(heading + (l.full.premises.empty() ? "⊨ " : " ⊨ ")
                    + m_logic.text(l.full.conclusion),
                l.full.premises, l.full.conclusion, true, l.system);
            return;
        }
        const std::string heading = title + " (línea " + std::to_string(l.number)
            + "): " + m_logic.text(l.full.conclusion);
        if (l.role == Role::Alone)
            engine(heading, {}, l.full.conclusion, false, l.system);
        else
            line(heading); // decided with its argument
    }

    void line(const std::string &utf8 = {}) { m_out += utf8 + "\n"; }

    void formula(const Line &l, const std::string &title)
    {
        const int root = l.parsed.root;
        line(title + " (línea " + std::to_string(l.number) + "): " + m_arena.text(root));
        const Classification c = classify(m_arena, root);
        table("Tabla de verdad", [&] { return formulaTable(m_arena, root); });
        switch (c.verdict) {
        case Verdict::Tautology: line("Clasificación: Tautología"); break;
        case Verdict::Contradiction: line("Clasificación: Contradicción"); break;
        case Verdict::Contingency: line("Clasificación: Contingencia"); break;
        case Verdict::Unknown: line("Clasificación: no determinada; " + gaveUp(c.effort)); break;
        }
        if (c.satisfying)
            line("Asignación que la hace verdadera: "
                + assignmentText(m_arena, c.vars, *c.satisfying));
        else if (c.verdict != Verdict::Unknown)
            line("Ninguna asignación la hace verdadera.");
        if (c.falsifying)
            line("Asignación que la hace falsa: " + assignmentText(m_arena, c.vars, *c.falsifying));
        else if (c.verdict != Verdict::Unknown)
            line("Ninguna asignación la hace falsa.");
        line();
    }

    void error(int number, int column, const std::string &message, std::string_view text)
    {
        line("Error en la línea " + std::to_string(number) + ", columna " + std::to_string(column)
            + ": " + message);
        if (!text.empty()) {
            const auto [echo, caret] = caretLines(decode(text, m_encoding), column);
            line("\t" + echo);
            line("\t" + caret);
        }
        line();
    }

    void argument(const std::vector<Line> &lines, const Argument &a)
    {
        const Line &first = lines[a.premises.empty() ? a.separator : a.premises.front()];
        const Line &last = lines[*a.conclusion];
        bool extendedLines = last.extended;
        for (std::size_t p : a.premises)
            extendedLines = extendedLines || lines[p].extended;
        if (extendedLines) {
            engineArgument(lines, a);
            return;
        }
        line("Argumento de las líneas " + std::to_string(first.number) + " a "
            + std::to_string(last.number));
        std::vector<int> premises;
        bool broken = !last.parsed.ok();
        for (std::size_t i = 0; i < a.premises.size(); ++i) {
            const Line &p = lines[a.premises[i]];
            if (!p.parsed.ok()) {
                broken = true;
                line("Premisa " + std::to_string(i + 1) + ": la línea " + std::to_string(p.number)
                    + " tiene un error");
                continue;
            }
            premises.push_back(p.parsed.root);
            line("Premisa " + std::to_string(i + 1) + ": " + m_arena.text(p.parsed.root));
        }
        if (a.premises.empty())
            line("Sin premisas: el argumento es válido si la conclusión es una tautología.");
        if (last.parsed.ok())
            line("Conclusión: " + m_arena.text(last.parsed.root));
        else
            line("Conclusión: la línea " + std::to_string(last.number) + " tiene un error");
        if (broken) {
            line("El argumento no se evalúa porque alguna de sus líneas tiene un error.");
            line();
            return;
        }
        table("Tabla de verdad del argumento",
            [&] { return argumentTable(m_arena, premises, last.parsed.root); });
        const ArgumentCheck check = checkArgument(m_arena, premises, last.parsed.root);
        switch (check.counterexampleFound) {
        case Found::No: line("Argumento válido"); break;
        case Found::Yes:
            line("Argumento no válido");
            line("Contraejemplo (premisas verdaderas y conclusión falsa): "
                + assignmentText(m_arena, check.vars, check.counterexample));
            break;
        case Found::Unknown: line("Validez no determinada; " + gaveUp(check.effort)); break;
        }
        line();
    }

    // An argument of "---" lines with a first-order or modal formula among them.
    void engineArgument(const std::vector<Line> &lines, const Argument &a)
    {
        const Line &first = lines[a.premises.empty() ? a.separator : a.premises.front()];
        const Line &last = lines[*a.conclusion];
        std::vector<int> premises;
        bool broken = !understood(last);
        std::string heading = "Argumento de las líneas " + std::to_string(first.number) + " a "
            + std::to_string(last.number);
        for (std::size_t p : a.premises) {
            broken = broken || !understood(lines[p]);
            premises.push_back(lines[p].full.conclusion);
        }
        if (broken) {
            line(heading);
            line("El argumento no se evalúa porque alguna de sus líneas tiene un error.");
            line();
            return;
        }
        engine(heading, premises, last.full.conclusion, true, last.system);
    }

    std::string finish() const
    {
        std::string crlf;
        for (char c : m_out) {
            if (c == '\n')
                crlf += '\r';
            crlf += c;
        }
        return toReadableCp1252(crlf);
    }

private:
    // Tables stop once the log is large, so that its size follows the program's, not the
    // number of its formulas times a table.
    template <typename Make> void table(const char *title, Make make)
    {
        if (m_out.size() <= kTableBudget)
            m_out += make();
        else
            line(std::string(title) + ": se omite, porque salida.log ya ocupa más de "
                + std::to_string(kTableBudget / 1'000'000) + " MB.");
    }

    Arena &m_arena;
    const Logic &m_logic;
    Encoding m_encoding;
    std::string m_out;
};

std::string plural(int n, const char *one, const char *many)
{
    return std::to_string(n) + " " + (n == 1 ? one : many);
}

} // namespace

Report runProgram(std::string_view input, ModalSystem system)
{
    const Encoding encoding = detectEncoding(input);
    if (encoding == Encoding::Utf8 && input.substr(0, 3) == "\xEF\xBB\xBF")
        input.remove_prefix(3); // a byte-order mark
    Arena arena;
    Logic logic;
    std::vector<Line> lines;
    std::vector<Argument> arguments;
    const std::vector<std::string_view> raw = splitLines(input);
    bool blank = false;
    for (std::size_t i = 0; i < raw.size(); ++i) {
        const std::u32string chars = decode(raw[i], encoding);
        const std::u32string_view text = trim(chars);
        blank = blank || text.empty();
        if (text.empty() || text.substr(0, 2) == U"//")
            continue;
        std::string systemError;
        if (systemLine(text, system, systemError)) {
            if (!systemError.empty()) {
                Line l;
                l.number = static_cast<int>(i) + 1;
                l.text = raw[i];
                l.parsed.column = 1;
                l.parsed.error = systemError;
                l.system = system;
                l.apart = true;
                lines.push_back(l);
            }
            continue;
        }
        Line l;
        l.afterBlank = std::exchange(blank, false);
        l.number = static_cast<int>(i) + 1;
        l.text = raw[i];
        l.separator = text.size() >= 3 && text.find_first_not_of(U'-') == std::u32string_view::npos;
        l.system = system;
        if (!l.separator) {
            l.full = parseLine(logic, chars, encoding);
            if (!l.full.ok()) {
                l.parsed.column = l.full.column;
                l.parsed.error = l.full.error;
            } else if (!l.full.argument && logic.isPropositional(l.full.conclusion)) {
                l.parsed.root = toArena(logic, l.full.conclusion, arena);
            } else {
                l.extended = true;
                l.apart = l.full.argument;
            }
        }
        lines.push_back(l);
    }

    // Roles, as every reader of a program gives them: the formulas of a paragraph gather as
    // premises until a separator, the next formula concludes, an empty line starts a paragraph.
    constexpr std::size_t kBlank = static_cast<std::size_t>(-1);
    std::vector<LineKind> kinds;
    std::vector<std::size_t> lineAt; // per kind: its line, or kBlank
    for (std::size_t i = 0; i < lines.size(); ++i) {
        const Line &l = lines[i];
        if (l.afterBlank) {
            kinds.push_back(LineKind::Blank);
            lineAt.push_back(kBlank);
        }
        kinds.push_back(l.apart ? LineKind::OneLine
                : l.separator   ? LineKind::Separator
                : understood(l) ? LineKind::Formula
                                : LineKind::Unreadable);
        lineAt.push_back(i);
    }
    const Grouping grouping = groupLines(kinds);
    for (std::size_t k = 0; k < kinds.size(); ++k)
        if (lineAt[k] != kBlank) {
            lines[lineAt[k]].role = grouping.roles[k];
            lines[lineAt[k]].argument = grouping.argumentOf[k];
        }
    for (const ArgumentLines &g : grouping.arguments) {
        Argument a;
        for (int p : g.premises)
            a.premises.push_back(lineAt[static_cast<std::size_t>(p)]);
        a.separator = lineAt[static_cast<std::size_t>(g.separator)];
        a.conclusion = lineAt[static_cast<std::size_t>(g.conclusion)];
        arguments.push_back(a);
    }
    Report report;
    std::vector<std::pair<std::size_t, std::string>> structureErrors; // line index, message
    for (const auto &[k, message] : grouping.structureErrors)
        structureErrors.emplace_back(lineAt[static_cast<std::size_t>(k)], message);

    Writer out(arena, logic, encoding);
    out.line("Intérprete de lógica de Zarvik");
    out.line();
    int premiseNumber = 0, aloneNumber = 0;
    // In line order, one pass: a program of many separators has as many errors.
    auto nextError = structureErrors.begin();
    for (std::size_t i = 0; i < lines.size(); ++i) {
        const Line &l = lines[i];
        for (; nextError != structureErrors.end() && nextError->first == i; ++nextError) {
            out.error(l.number, 1, nextError->second, {});
            ++report.errors;
        }
        if (l.separator)
            continue;
        std::string title = "Conclusión";
        if (l.role == Role::Premise)
            title = "Premisa " + std::to_string(++premiseNumber);
        else if (l.role == Role::Alone && !l.apart)
            title = "Fórmula " + std::to_string(++aloneNumber);
        if (!understood(l)) {
            out.error(l.number, l.parsed.column, l.parsed.error, l.text);
            ++report.errors;
        } else if (l.extended) {
            ++(l.full.argument ? report.arguments : report.formulas);
            out.extended(l, title);
        } else {
            ++report.formulas;
            out.formula(l, title);
        }
        if (l.role == Role::Conclusion) {
            out.argument(lines, arguments[static_cast<std::size_t>(l.argument)]);
            ++report.arguments;
            premiseNumber = 0;
        }
    }
    if (lines.empty())
        out.line("El programa no contiene ninguna fórmula.");
    else
        out.line("Resumen: " + plural(report.formulas, "fórmula", "fórmulas") + ", "
            + plural(report.arguments, "argumento", "argumentos") + ", "
            + plural(report.errors, "error", "errores") + ".");
    report.text = out.finish();
    return report;
}

} // namespace interpreter
