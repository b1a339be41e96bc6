#include "logic/LogicEngine.h"

#if __has_include("Api.h")
#include "Api.h"
#endif
#include "Lexer.h"
#include "Text.h"
#include "TruthTable.h"

#include <QRegularExpression>

namespace zv {

namespace {

// Where a line handed to the truth table came from: a line of the user's text, and the code
// point at which the piece starts in it.
struct Piece
{
    int line;
    int offset;
};

/// The truth table reads an argument as its premises, a line of dashes and its conclusion, a
/// line each; an argument written on one line ("p, q ⊨ r") is put in that form here.
std::string argumentsAsLines(const std::string &utf8, std::vector<Piece> &pieces)
{
    std::string out;
    const auto add = [&](std::u32string_view text, int line, int offset) {
        out += zpl::toUtf8(text) + '\n';
        pieces.push_back({line, offset});
    };
    std::size_t start = 0;
    for (int line = 1; start <= utf8.size(); ++line) {
        std::size_t end = utf8.find('\n', start);
        if (end == std::string::npos)
            end = utf8.size();
        const std::u32string text
            = zpl::decode(std::string_view(utf8).substr(start, end - start), zpl::Encoding::Utf8);
        start = end + 1;
        const zpl::Lexer lexer(text);
        std::vector<int> commas;
        int depth = 0;
        zpl::Token turnstile;
        for (zpl::Token t = lexer.next(0); t.kind != zpl::Tok::End;
             t = lexer.next(t.pos + std::max(1, t.len))) {
            depth += t.kind == zpl::Tok::Open ? 1 : t.kind == zpl::Tok::Close ? -1 : 0;
            if (depth == 0 && t.kind == zpl::Tok::Comma)
                commas.push_back(t.pos);
            if (depth == 0 && t.kind == zpl::Tok::Turnstile) {
                turnstile = t;
                break;
            }
        }
        if (turnstile.kind != zpl::Tok::Turnstile) {
            add(text, line, 0);
            continue;
        }
        const std::u32string_view all(text);
        int from = 0;
        commas.push_back(turnstile.pos);
        for (const int comma : commas) {
            if (comma > from || comma != turnstile.pos)
                add(all.substr(std::size_t(from), std::size_t(comma - from)), line, from);
            from = comma + 1;
        }
        add(U"---", line, turnstile.pos);
        const int after = turnstile.pos + turnstile.len;
        add(all.substr(std::size_t(after)), line, after);
    }
    return out;
}

// The engine linked in: zvlogic, called in-process.
class LinkedEngine : public LogicEngine
{
public:
    std::vector<LogicProblem> check(const std::string &utf8, ModalSystem system,
        const std::atomic<bool> &cancel) override
    {
        std::vector<LogicProblem> problems;
#if __has_include("Api.h")
        for (const zpl::ProblemResult &result :
            zpl::checkText(utf8, static_cast<zpl::ModalSystem>(system), cancel)) {
            LogicProblem problem;
            problem.line = result.firstLine;
            problem.text = QString::fromStdString(result.text);
            if (problem.text.contains(QChar(0x25A1)) || problem.text.contains(QChar(0x25C7)))
                problem.system = QString::fromLatin1(zv::kModalSystemNames[int(result.system)]);
            problem.explanation = QString::fromStdString(result.explanation);
            problem.syntaxError = result.syntaxError;
            problem.errorLine = result.errorLine;
            problem.errorColumn = result.errorColumn;
            problem.errorMessage = QString::fromStdString(result.errorMessage);
            // As salida.log words it; "No determinado: …" is the explanation's own first line.
            const QString what
                = result.argument ? QStringLiteral("Argumento") : QStringLiteral("Fórmula");
            const QString ending = result.argument ? QStringLiteral("o") : QStringLiteral("a");
            if (result.decision == zpl::Decision::Valid)
                problem.verdict = what + QStringLiteral(" válid") + ending;
            else if (result.decision == zpl::Decision::Invalid)
                problem.verdict = what + QStringLiteral(" no válid") + ending;
            problems.push_back(std::move(problem));
        }
#else
        (void)utf8, (void)system, (void)cancel;
        LogicProblem problem;
        problem.verdict = QStringLiteral("No determinado: el motor de lógica no está enlazado.");
        problems.push_back(problem);
#endif
        return problems;
    }

    LogicProblem truthTable(const std::string &utf8) override
    {
        std::vector<Piece> pieces;
        const QString table
            = QString::fromStdString(zpl::truthTableText(argumentsAsLines(utf8, pieces)));
        LogicProblem problem;
        static const QRegularExpression error(
            QStringLiteral("^Error en la línea (\\d+), columna (\\d+): (.*)\n$"));
        const QRegularExpressionMatch m = error.match(table);
        const std::size_t line = m.hasMatch() ? m.captured(1).toULongLong() : 0;
        if (line < 1 || line > pieces.size()) {
            problem.explanation = table;
            return problem;
        }
        const Piece &piece = pieces[line - 1];
        problem.syntaxError = true;
        problem.errorLine = piece.line;
        problem.errorColumn = m.captured(2).toInt() + piece.offset;
        problem.errorMessage = m.captured(3);
        return problem;
    }
};

LogicEngine *g_testEngine = nullptr;

} // namespace

LogicEngine &logicEngine()
{
    static LinkedEngine linked;
    return g_testEngine ? *g_testEngine : linked;
}

void setLogicEngineForTests(LogicEngine *engine)
{
    g_testEngine = engine;
}

} // namespace zv
