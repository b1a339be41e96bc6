#include "check/LogicEngine.h"

#include "Api.h"

namespace zv {

namespace {

// The engine linked in: zvlogic, called in-process.
class LinkedEngine : public LogicEngine
{
public:
    std::vector<LogicProblem> check(
        const std::string &utf8, ModalSystem system, const std::atomic<bool> &cancel) override
    {
        std::vector<LogicProblem> problems;
        for (const logic::ProblemResult &result :
            logic::checkText(utf8, static_cast<logic::ModalSystem>(system), cancel)) {
            LogicProblem problem;
            problem.line = result.firstLine;
            problem.text = QString::fromStdString(result.text);
            if (problem.text.contains(QChar(0x25A1)) || problem.text.contains(QChar(0x25C7)))
                problem.system = QString::fromLatin1(kModalSystemNames[int(result.system)]);
            problem.explanation = QString::fromStdString(result.explanation);
            problem.truthTable = QString::fromStdString(result.truthTable);
            problem.syntaxError = result.syntaxError;
            problem.errorLine = result.errorLine;
            problem.errorColumn = result.errorColumn;
            problem.errorMessage = QString::fromStdString(result.errorMessage);
            // As salida.log words it; "No determinado: …" is the explanation's own first line.
            const QString what
                = result.argument ? QStringLiteral("Argumento") : QStringLiteral("Fórmula");
            const QString ending = result.argument ? QStringLiteral("o") : QStringLiteral("a");
            if (result.decision == logic::Decision::Valid)
                problem.verdict = what + QStringLiteral(" válid") + ending;
            else if (result.decision == logic::Decision::Invalid)
                problem.verdict = what + QStringLiteral(" no válid") + ending;
            problems.push_back(std::move(problem));
        }
        return problems;
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
