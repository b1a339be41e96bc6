#include "check/LogicWorker.h"

#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QJsonDocument>
#include <QJsonObject>
#include <QTimer>

#include <csignal>
#include <cstring>

#include <sys/prctl.h>
#include <sys/resource.h>
#include <unistd.h>

namespace zv {
namespace {

QString g_testProgram;
QStringList g_testArguments;

// Parsing a long answer must not keep the editor from its input for long.
constexpr qint64 kParseSliceMs = 20;

} // namespace

QByteArray WorkerRequest::bytes() const
{
    return header() + (kind == Kind::Cancel || kind == Kind::Quit ? QByteArray() : text);
}

QByteArray WorkerRequest::header() const
{
    QByteArray r;
    switch (kind) {
    case Kind::Cancel: return "cancel " + QByteArray::number(id) + '\n';
    case Kind::Quit: return "quit\n";
    case Kind::Check:
        r = "check " + QByteArray::number(id) + ' ' + kModalSystemNames[int(system)]
            + (truthTables ? " 1 " : " 0 ");
        break;
    case Kind::Prove:
    case Kind::Next:
        r = (kind == Kind::Prove ? "prove " : "next ") + QByteArray::number(id) + ' '
            + kModalSystemNames[int(system)] + ' ';
        break;
    }
    r += QByteArray::number(line) + ' ' + QByteArray::number(text.size());
    if (kind == Kind::Check && shownLine != 1)
        r += ' ' + QByteArray::number(shownLine);
    // The rules go last, so that the words before them are those of a worker that knows
    // nothing of them.
    return r + (basicRules ? " basicas" : "") + '\n';
}

void setLogicWorkerForTests(const QString &program, const QStringList &arguments)
{
    g_testProgram = program;
    g_testArguments = arguments;
}

LogicWorker::LogicWorker(QObject *parent) : QObject(parent)
{}

LogicWorker::~LogicWorker()
{
    kill();
}

void LogicWorker::start(
    const QByteArray &utf8, ModalSystem system, bool truthTables, bool basicRules, int shownLine)
{
    m_text = utf8;
    m_shownLine = shownLine;
    m_system = system;
    m_basicRules = basicRules;
    m_truthTables = truthTables;
    m_kind = WorkerRequest::Kind::Check;
    m_running = true;
    m_restarts = 0;
    launch(1);
}

void LogicWorker::startAssist(
    Assist kind, const QByteArray &utf8, ModalSystem system, int line, bool basicRules)
{
    m_text = utf8;
    m_system = system;
    m_basicRules = basicRules;
    m_kind = kind == Assist::Prove ? WorkerRequest::Kind::Prove : WorkerRequest::Kind::Next;
    m_line = line;
    m_running = true;
    // One problem: a kernel stop ends it, there is nothing after it to go on with.
    m_restarts = kMaxWorkerRestarts;
    launch(1);
}

void LogicWorker::launch(int fromLine)
{
    m_pending.clear();
    m_done = false;
    m_lastStart = 0;
    m_process = std::make_unique<QProcess>();
    m_process->setProcessChannelMode(QProcess::ForwardedErrorChannel);
    // Its own process group, so that a kill reaches whatever it started; it dies with the
    // editor; and it may not take more memory than kWorkerMemoryBytes.
    m_process->setChildProcessModifier([] {
        setpgid(0, 0);
        prctl(PR_SET_PDEATHSIG, SIGKILL);
#if !defined(__SANITIZE_ADDRESS__)
        // AddressSanitizer reserves terabytes of address space: a sanitizer's build goes without.
        const rlimit memory{rlim_t(kWorkerMemoryBytes), rlim_t(kWorkerMemoryBytes)};
        setrlimit(RLIMIT_AS, &memory);
#endif
    });
    connect(m_process.get(), &QProcess::readyReadStandardOutput, this, &LogicWorker::readAnswers);
    connect(m_process.get(), &QProcess::finished, this, &LogicWorker::processEnded);
    connect(m_process.get(), &QProcess::errorOccurred, this, [this](QProcess::ProcessError e) {
        if (e != QProcess::FailedToStart || !m_running)
            return;
        m_running = false;
        Q_EMIT failed(
            QStringLiteral("No se pudo iniciar el motor lógico (%1): %2.")
                .arg(QDir::toNativeSeparators(m_process->program()), m_process->errorString()));
    });
    const QString program = g_testProgram.isEmpty()
        ? QCoreApplication::applicationDirPath() + QStringLiteral("/zarvik-logic")
        : g_testProgram;
    m_process->start(program, g_testProgram.isEmpty() ? QStringList() : g_testArguments);
    WorkerRequest request{
        m_kind, 1, m_system, m_truthTables, fromLine, m_text, m_basicRules, m_shownLine};
    if (m_kind != WorkerRequest::Kind::Check)
        request.line = m_line;
    // The text apart, as the shared copy that it is: a line of megabytes copied once more
    // into the request is a freeze of its own.
    m_process->write(request.header());
    m_process->write(m_text);
}

void LogicWorker::readAnswers()
{
    if (!m_process)
        return;
    m_pending += m_process->readAllStandardOutput();
    QElapsedTimer slice;
    slice.start();
    qsizetype from = 0;
    for (qsizetype end; m_running && (end = m_pending.indexOf('\n', from)) >= 0; from = end + 1) {
        const QByteArray line = QByteArray::fromRawData(m_pending.data() + from, end - from);
        if (line.trimmed().isEmpty())
            continue;
        QJsonParseError error;
        const QJsonDocument document = QJsonDocument::fromJson(line, &error);
        const QJsonObject message = document.object();
        const QJsonValue eventValue = message.value(QLatin1String("event"));
        if (error.error != QJsonParseError::NoError || !document.isObject()
            || !eventValue.isString()) {
            illegible();
            return;
        }
        const QString event = eventValue.toString();
        if (event == QLatin1String("answer")) {
            Q_EMIT answered(problemFromMessage(message));
        } else if (event == QLatin1String("proof") || event == QLatin1String("next")) {
            Q_EMIT assisted(message);
        } else if (event == QLatin1String("start")) {
            m_lastStart = message.value(QLatin1String("line")).toInt();
        } else if (event == QLatin1String("done")) {
            m_done = true;
            m_running = false;
            m_process->write(WorkerRequest::quit().bytes());
            m_process->closeWriteChannel();
            Q_EMIT finished();
        }
        if (slice.elapsed() > kParseSliceMs) {
            from = end + 1;
            // The rest after the events that wait meanwhile.
            QTimer::singleShot(0, this, &LogicWorker::readAnswers);
            break;
        }
    }
    m_pending.remove(0, from);
}

void LogicWorker::processEnded(int exitCode, QProcess::ExitStatus status)
{
    readAnswers();
    if (!m_running || m_done)
        return;
    const int signal = status == QProcess::CrashExit ? exitCode : 0;
    if (signal == SIGXCPU && m_lastStart > 0 && m_restarts < kMaxWorkerRestarts) {
        // The kernel stopped a problem that the engine did not stop in time: it stays
        // undecided, and the check goes on with the next one.
        LogicProblem stopped;
        stopped.firstLine = stopped.line = m_lastStart;
        stopped.stop = QStringLiteral("time");
        stopped.explanation = QStringLiteral(
            "No determinado: el motor lógico superó su límite de tiempo de procesador y se "
            "detuvo.\n");
        Q_EMIT answered(stopped);
        ++m_restarts;
        const int next = m_lastStart + 1;
        m_process.release()->deleteLater();
        launch(next);
        return;
    }
    m_running = false;
    Q_EMIT failed(signal
            ? QStringLiteral("El motor lógico se detuvo inesperadamente (señal %1). El documento "
                             "no ha cambiado.")
                  .arg(signal)
            : QStringLiteral("El motor lógico terminó inesperadamente (código %1). El documento "
                             "no ha cambiado.")
                  .arg(exitCode));
}

void LogicWorker::illegible()
{
    // Whatever else it sends can no longer be trusted to be the engine's answers.
    const bool running = m_running;
    m_running = false;
    m_pending.clear();
    kill();
    if (running)
        Q_EMIT failed(QStringLiteral("El motor lógico envió una respuesta ilegible y se detuvo. "
                                     "El documento no ha cambiado."));
}

void LogicWorker::cancel()
{
    m_running = false;
    kill();
}

qint64 LogicWorker::processId() const
{
    return m_process && m_process->state() != QProcess::NotRunning ? m_process->processId() : 0;
}

void LogicWorker::kill()
{
    if (!m_process)
        return;
    m_process->disconnect(this);
    QProcess *process = m_process.release();
    if (process->state() == QProcess::NotRunning) {
        process->deleteLater();
        return;
    }
    // The kill is at once; the process is reaped when it says it finished, so that this thread
    // never waits on it (deleting a running QProcess would).
    ::kill(-pid_t(process->processId()), SIGKILL);
    QObject::connect(process, &QProcess::finished, process, &QObject::deleteLater);
}

} // namespace zv
