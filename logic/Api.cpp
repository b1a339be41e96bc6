#include "Api.h"

#include "Grouping.h"
#include "LargeStack.h"
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

// One line of the text as read: what it is to the grouping, and what the reader made of it.
struct Item
{
    LineKind kind = LineKind::Skip;
    int line = 0;
    LineParse parse;
    ModalSystem system = ModalSystem::K;
    std::string error; // unreadable, or an unknown "sistema:"
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

void checkText(std::string_view utf8, const CheckOptions &options, const std::atomic<bool> &cancel,
    const std::function<void(ProblemResult &&)> &emit)
{
    runOnLargeStack([&] {
        const std::u32string text
            = decode(utf8.substr(0, 3) == "\xEF\xBB\xBF" ? utf8.substr(3) : utf8, Encoding::Utf8);
        const std::vector<std::u32string> lines = splitLines(text);
        Logic logic;
        ModalSystem system = options.system;
        std::vector<Item> items(lines.size());
        std::vector<LineKind> kinds(lines.size());
        for (std::size_t i = 0; i < lines.size(); ++i) {
            Item &item = items[i];
            item.line = static_cast<int>(i) + 1;
            const std::u32string_view t = trim(lines[i]);
            if (t.empty()) {
                item.kind = LineKind::Blank;
            } else if (t.substr(0, 2) == U"//") {
                item.kind = LineKind::Skip;
            } else if (systemLine(t, system, item.error)) {
                // An unknown system is an error of its own, never a premise.
                item.kind = item.error.empty() ? LineKind::Skip : LineKind::OneLine;
                item.column = 1;
            } else if (t.size() >= 3 && t.find_first_not_of(U'-') == std::u32string_view::npos) {
                item.kind = LineKind::Separator;
            } else {
                item.parse = parseLine(logic, lines[i], Encoding::Utf8);
                item.kind = !item.parse.ok() ? LineKind::Unreadable
                    : item.parse.argument    ? LineKind::OneLine
                                             : LineKind::Formula;
                item.error = item.parse.error;
                item.column = item.parse.column;
            }
            item.system = system;
            kinds[i] = item.kind;
        }
        const Grouping grouping = groupLines(kinds);

        auto decide = [&](ProblemResult &r, const std::vector<int> &premises, int conclusion,
                          bool argument) {
            if (options.starting)
                options.starting(r.line);
            r.argument = argument;
            r.text = joined(logic, premises, conclusion, argument);
            bool propositional = logic.isPropositional(conclusion);
            r.modal = logic.hasModal(conclusion);
            for (int f : premises) {
                propositional = propositional && logic.isPropositional(f);
                r.modal = r.modal || logic.hasModal(f);
            }
            if (propositional && options.truthTables) {
                Arena arena;
                std::vector<int> roots;
                for (int f : premises)
                    roots.push_back(toArena(logic, f, arena));
                const int root = toArena(logic, conclusion, arena);
                r.truthTable
                    = argument ? argumentTable(arena, roots, root) : formulaTable(arena, root);
            }
            const auto start = CpuClock::now();
            const Budget budget(start + options.problemTime, &cancel);
            Judgement j;
            try {
                if (cancel.load())
                    j.stop = Stop::Cancelled; // not even an easy one: the user has moved on
                else
                    j = judge(logic, premises, conclusion, argument, r.system, budget);
            } catch (const std::bad_alloc &) {
                // The worker's memory limit: what the problem held is freed, the next may go on.
                j = Judgement();
                j.stop = Stop::Memory;
                j.explanation = "No determinado: la búsqueda se quedó sin memoria.\n";
                j.reason = stopWords(j.stop);
            }
            r.milliseconds
                = std::chrono::duration<double, std::milli>(CpuClock::now() - start).count();
            if (j.stop == Stop::Cancelled) {
                j.explanation = "No determinado: la comprobación se canceló.\n";
                j.reason = stopWords(j.stop);
            }
            r.decision = j.decision;
            r.explanation = std::move(j.explanation);
            r.reason = std::move(j.reason);
            r.stop = j.stop;
            r.tree = std::move(j.tree);
            r.model = std::move(j.model);
        };
        auto syntaxError = [&](const Item &item, int column, const std::string &message) {
            if (item.line < options.fromLine)
                return;
            ProblemResult r;
            r.firstLine = r.line = item.line;
            r.system = item.system;
            r.syntaxError = true;
            r.errorLine = item.line;
            r.errorColumn = column;
            r.errorMessage = message;
            r.explanation = "Error en la línea " + std::to_string(item.line) + ", columna "
                + std::to_string(column) + ": " + message + "\n";
            r.reason = "error de sintaxis";
            emit(std::move(r));
        };
        auto structureError = grouping.structureErrors.begin();
        for (std::size_t i = 0; i < items.size(); ++i) {
            const Item &item = items[i];
            for (; structureError != grouping.structureErrors.end()
                 && structureError->first == static_cast<int>(i);
                 ++structureError)
                syntaxError(item, 1, structureError->second);
            if (!item.error.empty()) {
                syntaxError(item, item.column, item.error);
                if (grouping.roles[i] != Role::Conclusion)
                    continue;
            }
            if (item.line < options.fromLine)
                continue;
            ProblemResult r;
            r.firstLine = r.line = item.line;
            r.system = item.system;
            if (item.kind == LineKind::OneLine && item.error.empty()) {
                decide(r, item.parse.premises, item.parse.conclusion, true);
            } else if (item.kind == LineKind::Formula && grouping.roles[i] == Role::Alone) {
                decide(r, {}, item.parse.conclusion, false);
            } else if (grouping.roles[i] == Role::Conclusion) {
                const ArgumentLines &a
                    = grouping.arguments[static_cast<std::size_t>(grouping.argumentOf[i])];
                r.firstLine = items[static_cast<std::size_t>(
                                        a.premises.empty() ? a.separator : a.premises.front())]
                                  .line;
                std::vector<int> premises;
                bool broken = !item.error.empty();
                for (int p : a.premises) {
                    const Item &premise = items[static_cast<std::size_t>(p)];
                    broken = broken || !premise.error.empty();
                    premises.push_back(premise.parse.conclusion);
                }
                if (broken) {
                    r.argument = true;
                    r.explanation
                        = "El argumento no se evalúa porque alguna de sus líneas tiene un error.\n";
                    r.reason = "línea con error";
                } else {
                    decide(r, premises, item.parse.conclusion, true);
                }
            } else {
                continue; // a premise, a separator, a blank or skipped line
            }
            emit(std::move(r));
        }
    });
}

std::vector<ProblemResult> checkText(
    std::string_view utf8, ModalSystem system, const std::atomic<bool> &cancel)
{
    std::vector<ProblemResult> results;
    CheckOptions options;
    options.system = system;
    checkText(utf8, options, cancel, [&](ProblemResult &&r) { results.push_back(std::move(r)); });
    return results;
}

} // namespace logic
