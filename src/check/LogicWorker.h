#pragma once

#include "check/LogicProblem.h"

#include <QByteArray>
#include <QObject>
#include <QProcess>
#include <QStringList>

#include <memory>

namespace zv {

/// What the engine's process may use: past it, an allocation fails and the problem is "sin
/// memoria" (the editor's own memory is never at stake).
inline constexpr qint64 kWorkerMemoryBytes = qint64{2} << 30;
/// A processor-time limit per problem that the engine overruns kills the process; the check
/// goes on with the next problem in a new one, at most this many times.
inline constexpr int kMaxWorkerRestarts = 20;

/// A request of logic/worker/PROTOCOL.md. bytes() is the one place where the editor writes
/// the worker's requests.
struct WorkerRequest
{
    enum class Kind { Check, Prove, Next, Cancel, Quit };
    Kind kind = Kind::Check;
    int id = 1;
    ModalSystem system = ModalSystem::K;
    bool truthTables = false; ///< check: the truth tables of propositional problems
    int line = 1;    ///< check: the first line answered; prove and next: the line asked about
    QByteArray text; ///< check, prove and next: UTF-8, '\n' between lines
    bool basicRules = false; ///< only the course's basic rules, until a "reglas:" line
    int shownLine = 1;       ///< check: what the answers' words call the text's first line

    /// "quit", which asks nothing else.
    static WorkerRequest quit()
    {
        WorkerRequest r;
        r.kind = Kind::Quit;
        return r;
    }
    /// The header line and, for check, prove and next, the text after it.
    QByteArray bytes() const;
    /// The request's line, without the text that follows it.
    QByteArray header() const;
};

/**
 * One check of a text by the logic engine, in a process of its own (zarvik-logic): whatever
 * the engine does, faults, runaway memory or endless searches included, cannot touch the
 * editor or the user's document. Answers come one by one as the engine gives them; the process
 * and everything it started are killed by cancel() or when this object goes.
 */
class LogicWorker : public QObject
{
    Q_OBJECT

public:
    explicit LogicWorker(QObject *parent = nullptr);
    ~LogicWorker() override;

    /// Checks @p utf8, the text as the user sees it with '\n' between lines.
    /// @p shownLine: the document's number for the text's first line, which the answers' words
    /// use ("demuestra el argumento de la línea 12"); their line fields count from 1.
    void start(const QByteArray &utf8, ModalSystem system, bool truthTables,
        bool basicRules = false, int shownLine = 1);
    /// "Demostrar" from @p line (1-based) of @p utf8, or "Siguiente paso" at it: the "proof" or
    /// "next" message comes through assisted(), an invalid argument's answer through answered().
    enum class Assist { Prove, Next };
    void startAssist(
        Assist kind, const QByteArray &utf8, ModalSystem system, int line, bool basicRules = false);
    /// Stops at once: the engine's process group is killed and reaped later, without waiting
    /// on this thread; no signal follows.
    void cancel();
    bool isRunning() const { return m_running; }
    /// The engine's process under way, or 0.
    qint64 processId() const;

Q_SIGNALS:
    void answered(const zv::LogicProblem &problem);
    /// The "proof" or "next" message of logic/worker/PROTOCOL.md, as it came.
    void assisted(const QJsonObject &message);
    /// Every answer was given.
    void finished();
    /// The engine could not start, or ended before it had answered everything; @p message says
    /// so in Spanish. The answers given before stand.
    void failed(const QString &message);

private:
    void launch(int fromLine);
    void readAnswers();
    void processEnded(int exitCode, QProcess::ExitStatus status);
    /// A line of the worker's output that is no message of the protocol: the check stops.
    void illegible();
    void kill();

    std::unique_ptr<QProcess> m_process;
    QByteArray m_text;
    QByteArray m_pending; ///< output not yet read as whole lines
    ModalSystem m_system = ModalSystem::K;
    bool m_truthTables = false;
    bool m_basicRules = false;
    WorkerRequest::Kind m_kind = WorkerRequest::Kind::Check;
    int m_line = 0; ///< what prove and next ask about
    int m_shownLine = 1;
    bool m_running = false;
    bool m_done = false;
    int m_lastStart = 0; ///< the line of the problem under way
    int m_restarts = 0;
};

/// The program that runs the engine (zarvik-logic beside the executable) and its arguments,
/// unless a test installed another; an empty @p program goes back to it.
void setLogicWorkerForTests(const QString &program, const QStringList &arguments = {});

} // namespace zv
