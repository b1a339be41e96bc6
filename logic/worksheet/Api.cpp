#include "Api.h"

#include "Answers.h"
#include "Grouping.h"
#include "LargeStack.h"
#include "deduction/Derivation.h"
#include "syntax/Lexer.h"
#include "syntax/Parser.h"
#include "syntax/Prose.h"
#include "syntax/Text.h"
#include "work/Tree.h"
#include "work/Work.h"

#include <algorithm>
#include <cctype>
#include <map>

namespace logic {
namespace {

// One line of the text as read: what it is to the grouping, and what the reader made of it.
struct Item
{
    LineKind kind = LineKind::Skip;
    int line = 0;
    LineParse parse;
    ModalSystem system = ModalSystem::K;
    std::string error; // unreadable, or an unknown "sistema:"
    int column = 0;
    bool prose = false;   // a worksheet's text: passed over, only counted
    bool closing = false; // "Fin": prose unless it is a premise or a conclusion
    int derivation = -1;  // the derivation that ends on this line
    int work = -1;        // the piece of the student's work that starts on this line
    bool list = false;    // formulas written as a list, an exercise of the work under it
};

// "p, q, ¬p": the formulas of a list, and their conjunction as the formula to decide; nothing
// when @p text is no list of two or more formulas.
std::optional<LineParse> readList(Logic &logic, std::u32string_view text)
{
    std::vector<std::u32string_view> parts;
    int depth = 0;
    std::size_t from = 0;
    for (std::size_t i = 0; i < text.size(); ++i) {
        const char32_t c = text[i];
        depth += c == '(' || c == '[' || c == '{' ? 1 : c == ')' || c == ']' || c == '}' ? -1 : 0;
        if (c == ',' && depth == 0) {
            parts.push_back(text.substr(from, i - from));
            from = i + 1;
        }
    }
    parts.push_back(text.substr(from));
    if (parts.size() < 2)
        return std::nullopt;
    LineParse list;
    for (std::u32string_view part : parts) {
        const LineParse p = parseLine(logic, part, Encoding::Utf8);
        if (!p.ok() || p.argument)
            return std::nullopt;
        list.premises.push_back(p.conclusion);
        list.conclusion = list.conclusion < 0
            ? p.conclusion
            : logic.binary(Fk::And, list.conclusion, p.conclusion);
    }
    return list;
}

} // namespace

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
        const std::vector<std::u32string> lines = splitTextLines(utf8);
        // What the answers' words call a line: the document's count, when the text is a part.
        const int shift = options.firstShownLine - 1;
        Logic logic;
        // Derivations first: their lines are neither formulas nor prose. A verdict under a
        // derivation would read as one more of its lines.
        std::vector<std::u32string> deductionLines = lines;
        for (std::u32string &l : deductionLines)
            if (answerText(l))
                l.clear();
        const std::vector<DerivationInText> derivations
            = findDerivations(logic, deductionLines, options.system, {options.basicRules, true});
        std::vector<int> inDerivation(lines.size(), -1);
        for (std::size_t d = 0; d < derivations.size(); ++d)
            for (int l = derivations[d].derivation.firstLine; l < derivations[d].derivation.endLine;
                 ++l)
                inDerivation[static_cast<std::size_t>(l)] = static_cast<int>(d);

        // The student's trees, tables and verdicts, outside derivations: no formulas either.
        const std::vector<WorkPiece> trees = findTrees(logic, deductionLines);
        std::vector<int> taken = inDerivation;
        for (const WorkPiece &t : trees)
            std::fill(taken.begin() + t.first, taken.begin() + t.end, 0);
        std::vector<WorkPiece> pieces = findWork(lines, taken);
        pieces.insert(pieces.end(), trees.begin(), trees.end());
        std::stable_sort(pieces.begin(), pieces.end(),
            [](const WorkPiece &a, const WorkPiece &b) { return a.first < b.first; });
        std::vector<int> inWork(lines.size(), -1);
        for (std::size_t w = 0; w < pieces.size(); ++w)
            for (int l = pieces[w].first; l < pieces[w].end; ++l)
                inWork[static_cast<std::size_t>(l)] = static_cast<int>(w);

        auto workBelow = [&](std::size_t i) {
            ModalSystem unused;
            std::string error;
            for (std::size_t j = i + 1; j < lines.size(); ++j) {
                if (inWork[j] >= 0)
                    return true;
                if (!systemLine(lines[j], unused, error) && trim(lines[j]).substr(0, 2) != U"//")
                    return false;
            }
            return false;
        };

        ModalSystem system = options.system;
        CourseChoice course; // only read here: the derivations carry their own
        std::vector<Item> items(lines.size());
        std::vector<LineKind> kinds(lines.size());
        for (std::size_t i = 0; i < lines.size(); ++i) {
            Item &item = items[i];
            item.line = static_cast<int>(i) + 1;
            const std::u32string_view t = trim(lines[i]);
            if (inWork[i] >= 0) {
                // A piece of work ends a paragraph too; it is answered on its first line.
                item.kind = LineKind::Blank;
                if (static_cast<int>(i) == pieces[static_cast<std::size_t>(inWork[i])].first)
                    item.work = inWork[i];
            } else if (inDerivation[i] >= 0) {
                // A derivation ends a paragraph, as an empty line does; it is answered on its
                // last line.
                item.kind = LineKind::Blank;
                const Derivation &d
                    = derivations[static_cast<std::size_t>(inDerivation[i])].derivation;
                if (static_cast<int>(i) + 1 == d.endLine)
                    item.derivation = inDerivation[i];
            } else if (t.empty()) {
                item.kind = LineKind::Blank;
            } else if (t.substr(0, 2) == U"//" || isSolutionMark(t)) {
                item.kind = LineKind::Skip;
            } else if (systemLine(t, system, item.error) || courseLine(t, course, item.error)) {
                // An unknown system or choice is an error of its own, never a premise.
                item.kind = item.error.empty() ? LineKind::Skip : LineKind::OneLine;
                item.column = 1;
            } else if (t.size() >= 3 && t.find_first_not_of(U'-') == std::u32string_view::npos) {
                item.kind = LineKind::Separator;
            } else {
                // An exercise's label is not part of its formula; a line of prose is text.
                const int label = labelLength(lines[i]);
                const std::u32string_view rest
                    = std::u32string_view(lines[i]).substr(static_cast<std::size_t>(label));
                item.parse = parseLine(logic, rest, Encoding::Utf8);
                // A list of formulas is an exercise only with work under it that answers it;
                // elsewhere it stays the argument that lacks its conclusion.
                if (!item.parse.ok() && workBelow(i))
                    if (std::optional<LineParse> list = readList(logic, rest)) {
                        item.parse = std::move(*list);
                        item.list = true;
                    }
                if (item.parse.ok() ? readsAsProseAnyway(rest) : looksLikeProse(rest)) {
                    item.kind = LineKind::Blank;
                    item.prose = true;
                } else {
                    item.kind = !item.parse.ok() ? LineKind::Unreadable
                        : item.parse.argument    ? LineKind::OneLine
                                                 : LineKind::Formula;
                    item.error = item.parse.error;
                    item.column = item.parse.column + label;
                    item.closing = item.parse.ok() && isClosingWord(rest);
                }
            }
            item.system = system;
            kinds[i] = item.kind;
        }
        const Grouping grouping = groupLines(kinds);

        // Each piece answers the nearest exercise above it in its paragraph, past other pieces
        // and derivations under the same exercise: its line index, or -1.
        auto exerciseLine = [&](int from) {
            for (int l = from - 1; l >= 0;) {
                const std::size_t at = static_cast<std::size_t>(l);
                if (inWork[at] >= 0) {
                    l = pieces[static_cast<std::size_t>(inWork[at])].first - 1;
                    continue;
                }
                if (inDerivation[at] >= 0) {
                    l = derivations[static_cast<std::size_t>(inDerivation[at])].derivation.firstLine
                        - 1;
                    continue;
                }
                const Item &item = items[at];
                if (item.kind == LineKind::Skip) {
                    --l;
                    continue;
                }
                const bool exercise = item.error.empty()
                    && ((item.kind == LineKind::OneLine && item.parse.argument)
                        || (item.kind == LineKind::Formula && grouping.roles[at] != Role::Premise));
                return exercise ? l : -1;
            }
            return -1;
        };
        auto exerciseAt = [&](int l) {
            Exercise e;
            const std::size_t at = static_cast<std::size_t>(l);
            e.line = l + 1;
            e.conclusion = items[at].parse.conclusion;
            e.argument = items[at].parse.argument;
            e.premises = items[at].parse.premises;
            e.list = items[at].list;
            if (grouping.roles[at] == Role::Conclusion) {
                e.argument = true;
                for (int p :
                    grouping.arguments[static_cast<std::size_t>(grouping.argumentOf[at])].premises)
                    e.premises.push_back(items[static_cast<std::size_t>(p)].parse.conclusion);
                for (int p : e.premises)
                    if (p < 0)
                        return std::optional<Exercise>();
            }
            return std::optional<Exercise>(std::move(e));
        };
        std::vector<int> exerciseOf(pieces.size());
        for (std::size_t w = 0; w < pieces.size(); ++w)
            exerciseOf[w] = exerciseLine(pieces[w].first);
        std::map<int, std::size_t> lastAnswer; // by the exercise's line index
        for (std::size_t w = 0; w < pieces.size(); ++w)
            if (pieces[w].kind == WorkKind::Answer && exerciseOf[w] >= 0)
                lastAnswer[exerciseOf[w]] = w;
        std::map<int, ExerciseTruth> truths; // by the exercise's line index
        auto answerPiece = [&](ProblemResult &r, int w) {
            const WorkPiece &piece = pieces[static_cast<std::size_t>(w)];
            const int ex = exerciseOf[static_cast<std::size_t>(w)];
            std::optional<Exercise> exercise;
            if (ex >= 0)
                exercise = exerciseAt(ex);
            r.line = piece.end;
            if (piece.kind == WorkKind::Model) {
                r.firstLine = piece.first + 1;
                ModelWork m
                    = checkModel(logic, lines, piece, exercise ? &*exercise : nullptr, r.system);
                r.text = std::string(m.counter ? "contramodelo" : "modelo") + " de las líneas "
                    + std::to_string(r.firstLine + shift) + " a " + std::to_string(r.line + shift);
                r.modal = m.shown && m.shown->modal;
                r.model = std::move(m.shown);
                answerWork(r, piece.kind, std::move(m.faults), true, shift);
                if (m.counter && r.faults.empty()) {
                    r.explanation = "Contramodelo correcto.\n";
                    r.reason = "contramodelo correcto";
                }
                return;
            }
            if (piece.kind == WorkKind::Table) {
                const auto verdict = lastAnswer.find(ex);
                const bool answered
                    = verdict != lastAnswer.end() && verdict->second > static_cast<std::size_t>(w);
                r.firstLine = workFirstLine(lines, piece) + 1;
                r.text = "tabla de verdad de las líneas " + std::to_string(r.firstLine + shift)
                    + " a " + std::to_string(r.line + shift);
                answerWork(r, piece.kind,
                    checkTable(logic, lines, piece, exercise ? &*exercise : nullptr, answered),
                    true, shift);
                return;
            }
            if (piece.kind == WorkKind::Tree) {
                r.firstLine = piece.first + 1;
                r.text = "árbol de las líneas " + std::to_string(r.firstLine + shift) + " a "
                    + std::to_string(r.line + shift);
                TreeCheck check = checkTree(logic, lines, piece, exercise ? &*exercise : nullptr);
                const bool right = check.faults.empty();
                answerWork(r, piece.kind, std::move(check.faults), true, shift);
                r.tree = std::move(check.tree);
                if (right && check.model) {
                    r.model = std::move(check.model);
                    r.explanation += check.modelText;
                }
                return;
            }
            const WorkPiece *table = nullptr;
            for (int o = w - 1; o >= 0 && !table; --o)
                if (pieces[static_cast<std::size_t>(o)].kind == WorkKind::Table
                    && exerciseOf[static_cast<std::size_t>(o)] == ex)
                    table = &pieces[static_cast<std::size_t>(o)];
            ExerciseTruth truth;
            if (exercise) {
                auto known = truths.find(ex);
                if (known == truths.end()) {
                    // Its exercise came before the lines asked for: decided now, not shown.
                    ProblemResult decided;
                    decided.line = r.line;
                    decided.system = r.system;
                    answerProblem(decided, logic, exercise->premises, exercise->conclusion,
                        exercise->argument, options, cancel);
                    known = truths.emplace(ex, exerciseTruth(decided)).first;
                }
                truth = known->second;
            }
            r.text = "respuesta de la línea " + std::to_string(r.firstLine + shift);
            AnswerCheck check = checkAnswer(
                logic, lines, piece.first, exercise ? &*exercise : nullptr, truth, table);
            answerWork(r, piece.kind, std::move(check.faults), check.decided, shift);
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
            r.explanation = "Error en la línea " + std::to_string(item.line + shift) + ", columna "
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
            if (item.prose
                || (item.closing && item.kind == LineKind::Formula
                    && grouping.roles[i] == Role::Alone)) {
                r.prose = true;
            } else if (item.work >= 0) {
                answerPiece(r, item.work);
            } else if (item.derivation >= 0) {
                answerDerivation(
                    r, logic, derivations[static_cast<std::size_t>(item.derivation)], lines, shift);
            } else if (item.kind == LineKind::OneLine && item.error.empty()) {
                answerProblem(
                    r, logic, item.parse.premises, item.parse.conclusion, true, options, cancel);
            } else if (item.kind == LineKind::Formula && grouping.roles[i] == Role::Alone) {
                answerProblem(r, logic, {}, item.parse.conclusion, false, options, cancel);
                if (item.list) {
                    r.text.clear();
                    for (int f : item.parse.premises)
                        r.text += (r.text.empty() ? "" : ", ") + logic.text(f);
                }
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
                    answerProblem(r, logic, premises, item.parse.conclusion, true, options, cancel);
                }
            } else {
                continue; // a premise, a separator, a blank or skipped line
            }
            if (!r.prose && r.work.empty() && !r.derivation)
                truths.emplace(static_cast<int>(i), exerciseTruth(r));
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
