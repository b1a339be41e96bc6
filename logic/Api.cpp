#include "Api.h"

#include "Lexer.h"
#include "Parser.h"
#include "Text.h"
#include "TruthTable.h"

#include <algorithm>
#include <cctype>

namespace logic {
namespace {

// Lines as the user sees them: a line separator or a vertical tab from a soft line break ends one.
std::vector<std::u32string> splitLines(std::u32string_view text)
{
    std::vector<std::u32string> lines;
    std::u32string current;
    for (std::size_t i = 0; i < text.size(); ++i) {
        const char32_t c = text[i];
        if (c == '\r' || c == '\n' || c == 0x2028 || c == 0x2029 || c == 0x0B) {
            lines.push_back(current);
            current.clear();
            if (c == '\r' && i + 1 < text.size() && text[i + 1] == '\n')
                ++i;
        } else {
            current += c;
        }
    }
    if (!current.empty())
        lines.push_back(current);
    return lines;
}

enum class Kind { Skip, Blank, Formula, Argument, Separator, Error };

struct Item
{
    Kind kind = Kind::Skip;
    int line = 0;
    LineParse parse;
    ModalSystem system = ModalSystem::K;
    std::string error;
    int column = 0;
};

std::string joined(
    const Logic &logic, const std::vector<int> &premises, int conclusion, bool argument)
{
    if (!argument)
        return logic.text(conclusion);
    std::string s;
    for (std::size_t i = 0; i < premises.size(); ++i)
        s += (i ? ", " : "") + logic.text(premises[i]);
    return s + (s.empty() ? "⊨ " : " ⊨ ") + logic.text(conclusion);
}

} // namespace

const char *decisionWords(Decision d)
{
    switch (d) {
    case Decision::Valid: return "válido";
    case Decision::Invalid: return "no válido";
    case Decision::Unknown: break;
    }
    return "no determinado";
}

bool systemLine(std::u32string_view line, ModalSystem &system, std::string &error)
{
    std::u32string_view s = trim(line);
    static constexpr std::u32string_view kWord = U"sistema";
    if (s.size() < kWord.size())
        return false;
    for (std::size_t i = 0; i < kWord.size(); ++i)
        if (s[i] >= 0x80 || std::tolower(static_cast<int>(s[i])) != static_cast<int>(kWord[i]))
            return false;
    s = trim(s.substr(kWord.size()));
    if (s.empty() || s[0] != ':')
        return false;
    const std::u32string_view name = trim(s.substr(1));
    if (parseSystemName(toUtf8(name), system))
        return true;
    error = "el sistema «" + toUtf8(name)
        + "» no se conoce; los sistemas son K, T, D, B, K4, S4 y S5.";
    return true;
}

std::vector<ProblemResult> checkText(
    std::string_view utf8, ModalSystem system, const std::atomic<bool> &cancel)
{
    const std::u32string text
        = decode(utf8.substr(0, 3) == "\xEF\xBB\xBF" ? utf8.substr(3) : utf8, Encoding::Utf8);
    const std::vector<std::u32string> lines = splitLines(text);
    Logic logic;
    std::vector<Item> items;
    for (std::size_t i = 0; i < lines.size(); ++i) {
        Item item;
        item.line = static_cast<int>(i) + 1;
        const std::u32string_view t = trim(lines[i]);
        std::string error;
        if (t.empty()) {
            item.kind = Kind::Blank;
        } else if (t.substr(0, 2) == U"//") {
            item.kind = Kind::Skip;
        } else if (systemLine(t, system, error)) {
            item.kind = error.empty() ? Kind::Skip : Kind::Error;
            item.error = error;
            item.column = 1;
        } else if (t.size() >= 3 && t.find_first_not_of(U'-') == std::u32string_view::npos) {
            item.kind = Kind::Separator;
        } else {
            item.parse = parseLine(logic, lines[i], Encoding::Utf8);
            item.kind = !item.parse.ok() ? Kind::Error
                : item.parse.argument    ? Kind::Argument
                                         : Kind::Formula;
            item.error = item.parse.error;
            item.column = item.parse.column;
        }
        item.system = system;
        items.push_back(item);
    }

    // Roles, as the interpreter gives them: the formulas of a paragraph that ends in "---" are
    // premises, and the next formula is the conclusion.
    std::vector<ProblemResult> results;
    std::vector<std::size_t> pending;
    bool awaiting = false;
    std::size_t separator = 0;
    auto decide = [&](ProblemResult &r, const std::vector<int> &premises, int conclusion,
                      bool argument) {
        r.argument = argument;
        r.text = joined(logic, premises, conclusion, argument);
        bool propositional = logic.isPropositional(conclusion);
        for (int f : premises)
            propositional = propositional && logic.isPropositional(f);
        if (propositional) {
            Arena arena;
            std::vector<int> roots;
            for (int f : premises)
                roots.push_back(toArena(logic, f, arena));
            const int root = toArena(logic, conclusion, arena);
            r.truthTable = argument ? argumentTable(arena, roots, root) : formulaTable(arena, root);
        }
        if (cancel.load()) {
            r.explanation = "No determinado: la comprobación se canceló.\n";
            r.reason = "cancelado";
            return;
        }
        const auto start = CpuClock::now();
        const Budget budget(start + kProblemSeconds, &cancel);
        Judgement j = judge(logic, premises, conclusion, argument, r.system, budget);
        r.milliseconds = std::chrono::duration<double, std::milli>(CpuClock::now() - start).count();
        r.decision = j.decision;
        r.explanation = std::move(j.explanation);
        r.reason = std::move(j.reason);
    };
    auto flushPending = [&] {
        for (std::size_t k : pending) {
            ProblemResult r;
            r.firstLine = r.line = items[k].line;
            r.system = items[k].system;
            decide(r, {}, items[k].parse.conclusion, false);
            results.push_back(std::move(r));
        }
        pending.clear();
    };
    auto syntaxError = [&](const Item &item, int line, int column, const std::string &message) {
        ProblemResult r;
        r.firstLine = r.line = item.line;
        r.system = item.system;
        r.syntaxError = true;
        r.errorLine = line;
        r.errorColumn = column;
        r.errorMessage = message;
        r.explanation = "Error en la línea " + std::to_string(line) + ", columna "
            + std::to_string(column) + ": " + message + "\n";
        r.reason = "error de sintaxis";
        results.push_back(std::move(r));
    };
    for (std::size_t i = 0; i < items.size(); ++i) {
        const Item &item = items[i];
        switch (item.kind) {
        case Kind::Skip: break;
        case Kind::Blank:
            if (!awaiting)
                flushPending();
            break;
        case Kind::Error:
            if (awaiting) {
                // The argument cannot be decided without its conclusion.
                awaiting = false;
                pending.clear();
            }
            flushPending();
            syntaxError(item, item.line, item.column, item.error);
            break;
        case Kind::Separator:
            if (awaiting) {
                syntaxError(item, item.line, 1,
                    "se esperaba la conclusión del argumento, pero se encontró otra línea de "
                    "separación.");
                break;
            }
            awaiting = true;
            separator = i;
            break;
        case Kind::Argument: {
            if (awaiting) {
                awaiting = false;
                syntaxError(item, item.line, 1,
                    "se esperaba la conclusión del argumento de la línea "
                        + std::to_string(items[separator].line)
                        + ", pero se encontró otro argumento.");
                pending.clear();
                break;
            }
            flushPending();
            ProblemResult r;
            r.firstLine = r.line = item.line;
            r.system = item.system;
            decide(r, item.parse.premises, item.parse.conclusion, true);
            results.push_back(std::move(r));
            break;
        }
        case Kind::Formula:
            if (!awaiting) {
                pending.push_back(i);
                break;
            }
            {
                ProblemResult r;
                r.firstLine = pending.empty() ? items[separator].line : items[pending.front()].line;
                r.line = item.line;
                r.system = item.system;
                std::vector<int> premises;
                for (std::size_t k : pending)
                    premises.push_back(items[k].parse.conclusion);
                pending.clear();
                awaiting = false;
                decide(r, premises, item.parse.conclusion, true);
                results.push_back(std::move(r));
            }
            break;
        }
    }
    if (awaiting) {
        pending.clear();
        syntaxError(items[separator], items[separator].line, 1,
            "se esperaba la conclusión del argumento en una línea posterior, pero se encontró el "
            "final del programa.");
    }
    flushPending();
    std::stable_sort(results.begin(), results.end(),
        [](const ProblemResult &a, const ProblemResult &b) { return a.line < b.line; });
    return results;
}

} // namespace logic
