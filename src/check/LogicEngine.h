#pragma once

#include <QString>

#include <atomic>
#include <string>
#include <vector>

namespace zv {

/// The modal systems of the "Sistema modal" menu, weakest first.
enum class ModalSystem { K, T, D, B, K4, S4, S5 };
inline constexpr const char *kModalSystemNames[] = {"K", "T", "D", "B", "K4", "S4", "S5"};

/// One problem of the checked text (a formula, or an argument), as the engine answers it.
struct LogicProblem
{
    int line = 0;        ///< 1-based line of the checked text where the problem starts
    QString system;      ///< the modal system it was decided in; empty when it is not modal
    QString verdict;     ///< "Argumento válido", "Fórmula no válida", … or empty
    QString text;        ///< the problem as the engine read it
    QString explanation; ///< the tree, the countermodel or what was tried
    QString truthTable;  ///< a propositional problem's table, an argument's joint one; or empty
    bool syntaxError = false;
    int errorLine = 0;    ///< 1-based, in the checked text
    int errorColumn = 0;  ///< 1-based, in code points
    QString errorMessage; ///< what was expected, in the engine's words
};

/**
 * What the "Lógica" commands ask of the logic engine. Its calls run on a worker thread, so an
 * implementation touches no widget; @p utf8 is the text as the user sees it, '\n' between lines.
 */
class LogicEngine
{
public:
    virtual ~LogicEngine() = default;
    /// Every problem of @p utf8, in the order of its lines. Once @p cancel is set, the problems
    /// not yet decided come back undecided.
    virtual std::vector<LogicProblem> check(
        const std::string &utf8, ModalSystem system, const std::atomic<bool> &cancel)
        = 0;
};

/// The engine that the commands use: the one linked in, unless a test installed another.
LogicEngine &logicEngine();
/// Installs @p engine (not owned); nullptr goes back to the linked engine.
void setLogicEngineForTests(LogicEngine *engine);

} // namespace zv
