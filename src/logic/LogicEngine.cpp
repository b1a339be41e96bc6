#include "logic/LogicEngine.h"

#include "TruthTable.h"

namespace zv {

namespace {

// The engine linked in: zvlogic, called in-process.
class LinkedEngine : public LogicEngine
{
public:
    std::vector<LogicProblem> check(
        const std::string &, ModalSystem, const std::atomic<bool> &) override
    {
        LogicProblem problem;
        problem.verdict = QStringLiteral("No determinado: el motor de lógica no está enlazado.");
        return {problem};
    }

    LogicProblem truthTable(const std::string &utf8) override
    {
        LogicProblem problem;
        problem.explanation = QString::fromStdString(zpl::truthTableText(utf8));
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
