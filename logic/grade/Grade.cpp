#include "Grade.h"

#include "Budget.h"
#include "Engine.h"
#include "syntax/Lexer.h"
#include "syntax/Logic.h"
#include "syntax/Parser.h"
#include "syntax/Prose.h"
#include "syntax/Text.h"
#include "work/Work.h"
#include "worksheet/Api.h"

#include <algorithm>
#include <map>

namespace logic::grade {
namespace {

using Lines = std::vector<std::u32string>;

struct StatementLine
{
    int line = 0; // 0-based
    std::string formula;
};

bool dashes(std::u32string_view t)
{
    return t.size() >= 3 && t.find_first_not_of(U'-') == std::u32string_view::npos;
}

// The line's text past an exercise's label and a solution's or an answer's mark.
std::u32string_view body(const Lines &lines, const ExerciseSpan &e, int i)
{
    std::u32string_view l = lines[static_cast<std::size_t>(i)];
    if (i == e.line)
        l = l.substr(std::min(e.label.length, l.size()));
    if (i == e.solution)
        l = l.substr(solutionMark(l));
    return l;
}

// A logic line as a formula, the same however it is spelled: "p -> q" and "p → q" alike.
std::optional<std::string> logicLine(std::u32string_view l)
{
    const std::u32string_view t = trim(l);
    if (t.empty() || t.substr(0, 2) == U"//" || answerText(t))
        return std::nullopt;
    ModalSystem system = ModalSystem::K;
    std::string error;
    if (systemLine(t, system, error))
        return "sistema: " + std::string(error.empty() ? systemName(system) : "?");
    if (dashes(t))
        return std::string("---");
    Logic logic;
    const std::u32string_view rest = t.substr(static_cast<std::size_t>(labelLength(t)));
    const LineParse parse = parseLine(logic, rest, Encoding::Utf8);
    if (!parse.ok() || readsAsProseAnyway(rest))
        return std::nullopt;
    if (logic.node(parse.conclusion).depth > kMaxFormulaDepth)
        return std::string("?");
    for (int p : parse.premises)
        if (logic.node(p).depth > kMaxFormulaDepth)
            return std::string("?");
    std::string out;
    for (std::size_t k = 0; k < parse.premises.size(); ++k)
        out += (k ? ", " : "") + logic.text(parse.premises[k]);
    if (parse.argument)
        out += " ⊨ ";
    return out + logic.text(parse.conclusion);
}

std::vector<StatementLine> statementOf(const Lines &lines, const ExerciseSpan &e, int stop)
{
    std::vector<StatementLine> out;
    for (int i = e.line; i < stop; ++i) {
        const std::u32string_view l = body(lines, e, i);
        if (answerText(l))
            break;
        if (auto f = logicLine(l))
            out.push_back({i, std::move(*f)});
    }
    return out;
}

ModalSystem systemAt(const Lines &lines, int line)
{
    ModalSystem system = ModalSystem::K;
    for (int i = 0; i < line; ++i) {
        std::string error;
        ModalSystem s = system;
        if (systemLine(lines[static_cast<std::size_t>(i)], s, error) && error.empty())
            system = s;
    }
    return system;
}

// Prose between the statement and the work, or between pieces of work, would part them as a
// blank line does; a comment does not. Lines that may be a model's or a tree's stay.
bool partingLine(std::u32string_view l)
{
    const std::u32string_view t = trim(l);
    if (t.empty())
        return true;
    if (t.find_first_of(U"={|") != std::u32string_view::npos || (t[0] >= '0' && t[0] <= '9')
        || answerText(t) || t.substr(0, 2) == U"//")
        return false;
    ModalSystem system = ModalSystem::K;
    std::string error;
    if (systemLine(t, system, error))
        return false;
    Logic logic;
    const std::u32string_view rest = t.substr(static_cast<std::size_t>(labelLength(t)));
    const LineParse parse = parseLine(logic, rest, Encoding::Utf8);
    return parse.ok() ? readsAsProseAnyway(rest) : looksLikeProse(rest);
}

// One exercise alone as the check reads it, its lines where they are in the file. A derivation
// proves the argument on the line above it: the statement's @p argument goes there, over the
// prose or blank line that parts them.
std::string exerciseText(const Lines &lines, const ExerciseSpan &e, const std::string &argument)
{
    std::string out(static_cast<std::size_t>(e.line), '\n');
    bool parting = false;
    for (int i = e.line; i < e.end; ++i) {
        const std::u32string_view l = body(lines, e, i);
        const bool next = i + 1 < e.end && !partingLine(body(lines, e, i + 1));
        const std::u32string_view after = next ? trim(body(lines, e, i + 1)) : U"";
        parting = partingLine(l);
        if (parting && !argument.empty() && !after.empty() && after[0] >= '0' && after[0] <= '9')
            out += argument;
        else
            out += parting ? std::string("//") : toUtf8(l);
        out += '\n';
    }
    return out;
}

// The statement as one line, "p → q, p ⊨ q", when it is an argument; empty otherwise.
std::string argumentLine(const std::vector<std::string> &statement)
{
    std::vector<std::string> formulas;
    for (const std::string &s : statement)
        if (s.rfind("sistema:", 0) != 0)
            formulas.push_back(s);
    if (formulas.size() == 1)
        return formulas[0].find("⊨") != std::string::npos ? formulas[0] : std::string();
    const auto bar = std::find(formulas.begin(), formulas.end(), "---");
    if (bar == formulas.end() || bar + 2 != formulas.end())
        return {};
    std::string out;
    for (auto it = formulas.begin(); it != bar; ++it)
        out += (it == formulas.begin() ? "" : ", ") + *it;
    return out + " ⊨ " + formulas.back();
}

struct Piece
{
    std::string kind;
    ProblemResult result;
};

std::vector<Piece> piecesOf(const Lines &lines, const ExerciseSpan &e, int from,
    const std::string &argument, const std::atomic<bool> &cancel)
{
    CheckOptions options;
    options.system = systemAt(lines, e.line);
    options.truthTables = false;
    options.explain = Explain::VerdictOnly;
    std::vector<Piece> out;
    checkText(exerciseText(lines, e, argument), options, cancel, [&](ProblemResult &&r) {
        if ((!r.derivation && r.work.empty()) || r.firstLine - 1 < from)
            return;
        std::string kind = r.derivation ? "derivation" : r.work;
        out.push_back({std::move(kind), std::move(r)});
    });
    return out;
}

struct Fault
{
    int line = 0;
    std::string text;
};

std::string withLine(const Fault &f)
{
    return f.line > 0 ? "línea " + std::to_string(f.line) + ": " + f.text : f.text;
}

Mark wrong(Fault f)
{
    Mark m;
    m.comment = withLine(f);
    m.line = f.line;
    return m;
}

// The teacher's formula against the student's: each must follow from the other.
Mark markTranslation(const std::u32string &teacher, std::u32string_view student, int line,
    ModalSystem system, long points, const std::atomic<bool> &cancel)
{
    Logic logic;
    const LineParse t = parseLine(logic, teacher, Encoding::Utf8);
    const std::u32string_view rest = student.substr(static_cast<std::size_t>(labelLength(student)));
    const LineParse s = parseLine(logic, rest, Encoding::Utf8);
    if (!s.ok())
        return wrong({line, s.error});
    if (s.argument)
        return wrong({line, "se pide una fórmula, no un argumento"});
    if (!t.ok() || t.argument)
        return wrong({line, "la solución de la hoja no es una fórmula"});
    if (logic.node(s.conclusion).depth > kMaxFormulaDepth)
        return wrong({line, "la fórmula anida demasiados operadores"});
    const Budget budget = Budget::forTime(kProblemSeconds, &cancel);
    for (int direction = 0; direction < 2; ++direction) {
        const int from = direction == 0 ? s.conclusion : t.conclusion;
        const int to = direction == 0 ? t.conclusion : s.conclusion;
        const Judgement j = judge(logic, {from}, to, true, system, budget, Explain::Full);
        if (j.decision == Decision::Unknown)
            return wrong({line, "no determinado: no se pudo decidir si equivale a la solución"});
        if (j.decision == Decision::Invalid) {
            std::string model;
            std::size_t at = j.explanation.find('\n');
            while (at != std::string::npos && at + 1 < j.explanation.size()) {
                const std::size_t end = j.explanation.find('\n', at + 1);
                const std::string piece = j.explanation.substr(
                    at + 1, end == std::string::npos ? std::string::npos : end - at - 1);
                if (!piece.empty())
                    model += (model.empty() ? "" : "; ") + piece;
                at = end;
            }
            std::string text = "no equivale a la solución";
            if (!model.empty())
                text += direction == 0
                    ? " (en " + model + " la fórmula es verdadera y la solución falsa)"
                    : " (en " + model + " la solución es verdadera y la fórmula falsa)";
            return wrong({line, text});
        }
    }
    Mark m;
    m.right = true;
    m.points = points;
    return m;
}

} // namespace

std::string kindWords(const std::string &kind)
{
    if (kind == "derivation")
        return "la derivación";
    if (kind == "table")
        return "la tabla de verdad";
    if (kind == "answer")
        return "la línea «Respuesta:»";
    if (kind == "model")
        return "el modelo";
    if (kind == "tree")
        return "el árbol";
    return "«" + kind + "»";
}

Marker::Marker(const std::vector<std::u32string> &sheet)
    : m_sheet(sheet), m_exercises(findExercises(sheet))
{
    const std::atomic<bool> never{false};
    for (const ExerciseSpan &e : m_exercises) {
        Expected x;
        const int stop = e.solution >= 0 ? e.solution : e.end;
        for (const StatementLine &s : statementOf(m_sheet, e, stop))
            x.statement.push_back(s.formula);
        x.argument = argumentLine(x.statement);
        if (e.solution >= 0 && x.statement.empty()) {
            for (int i = e.solution; i < e.end && x.formulaLine < 0; ++i) {
                std::u32string_view l = body(m_sheet, e, i);
                const std::optional<std::u32string> answer = answerText(l);
                if (answer)
                    l = *answer;
                if (logicLine(l)) {
                    x.formula = trim(l);
                    x.formulaLine = i;
                }
            }
        } else if (e.solution >= 0) {
            // Only what the solution holds says what to deliver, not what the check makes of
            // it: a wrong solution is the sheet's fault, which checkSolutions reports.
            for (const Piece &p : piecesOf(m_sheet, e, e.solution, x.argument, never))
                if (std::find(x.kinds.begin(), x.kinds.end(), p.kind) == x.kinds.end())
                    x.kinds.push_back(p.kind);
        }
        m_expected.push_back(std::move(x));
    }
}

Marked Marker::mark(const std::vector<std::u32string> &lines, const std::atomic<bool> &cancel) const
{
    Marked out;
    const std::vector<ExerciseSpan> found = findExercises(lines);
    out.student
        = studentName(lines, found.empty() ? static_cast<int>(lines.size()) : found.front().line);
    std::map<std::string, const ExerciseSpan *> byLabel;
    for (const ExerciseSpan &e : found)
        byLabel.emplace(e.label.label, &e);
    for (std::size_t k = 0; k < m_exercises.size(); ++k) {
        const Expected &x = m_expected[k];
        const long points = m_exercises[k].label.points;
        const auto at = byLabel.find(m_exercises[k].label.label);
        if (at == byLabel.end()) {
            out.marks.push_back(wrong({0, "sin respuesta"}));
            continue;
        }
        const ExerciseSpan &e = *at->second;
        std::vector<StatementLine> statement = statementOf(lines, e, e.end);
        bool same = statement.size() >= x.statement.size();
        for (std::size_t s = 0; same && s < x.statement.size(); ++s)
            same = statement[s].formula == x.statement[s];
        if (!same) {
            out.marks.push_back(wrong({e.line + 1, "el enunciado no es el de la hoja"}));
            continue;
        }
        const int from
            = x.statement.empty() ? e.line + 1 : statement[x.statement.size() - 1].line + 1;
        if (x.formulaLine >= 0) {
            Mark m = wrong({0, "sin respuesta"});
            for (int i = from; i < e.end; ++i) {
                std::u32string_view l = lines[static_cast<std::size_t>(i)];
                const std::optional<std::u32string> answer = answerText(l);
                if (answer)
                    l = *answer;
                if (partingLine(l))
                    continue;
                m = markTranslation(
                    x.formula, trim(l), i + 1, systemAt(lines, e.line), points, cancel);
                break;
            }
            out.marks.push_back(std::move(m));
            continue;
        }
        const std::vector<Piece> pieces = piecesOf(lines, e, from, x.argument, cancel);
        if (pieces.empty()) {
            out.marks.push_back(wrong({0, "sin respuesta"}));
            continue;
        }
        std::optional<Fault> first;
        auto fault = [&first](Fault f) {
            if (!first || f.line < first->line)
                first = std::move(f);
        };
        const bool argument = !x.argument.empty();
        for (const Piece &p : pieces) {
            const ProblemResult &r = p.result;
            if (r.decision == Decision::Valid && r.faults.empty()) {
                if (p.kind == "derivation" && argument && !r.provesArgument)
                    fault({r.firstLine, "la derivación no demuestra el argumento del enunciado"});
            } else if (r.decision == Decision::Invalid && !r.faults.empty()) {
                fault({r.faults.front().line, r.faults.front().reason});
            } else {
                fault({r.firstLine, "no determinado: " + r.reason});
            }
        }
        if (!first)
            for (const std::string &kind : x.kinds)
                if (std::none_of(pieces.begin(), pieces.end(),
                        [&kind](const Piece &p) { return p.kind == kind; })) {
                    first = Fault{0, "falta " + kindWords(kind)};
                    break;
                }
        if (first) {
            out.marks.push_back(wrong(std::move(*first)));
            continue;
        }
        Mark m;
        m.right = true;
        m.points = points;
        out.marks.push_back(std::move(m));
    }
    for (const Mark &m : out.marks)
        out.total += m.points;
    return out;
}

Marked Marker::checkSolutions(const std::atomic<bool> &cancel) const
{
    // The solution is the answer: what follows the "Solución:" mark is read as a student's.
    Lines lines = m_sheet;
    for (const ExerciseSpan &e : m_exercises)
        if (e.solution >= 0) {
            std::u32string &l = lines[static_cast<std::size_t>(e.solution)];
            l.replace(0, solutionMark(l), solutionMark(l), U' ');
        }
    Marked out = mark(lines, cancel);
    for (std::size_t k = 0; k < m_exercises.size(); ++k)
        if (m_exercises[k].solution < 0 && !out.marks[k].right)
            out.marks[k].comment = "la hoja no da solución";
    return out;
}

} // namespace logic::grade
