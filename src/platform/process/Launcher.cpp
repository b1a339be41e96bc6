#include "platform/process/Launcher.h"

#include "platform/dialogs/Dialogs.h"

#include <QEventLoop>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QTimer>

#include <algorithm>
#include <cerrno>
#include <csignal>
#include <cstring>
#include <vector>

#include <unistd.h>

namespace zv {

namespace {

std::function<void(const LaunchPlan &)> &launchObserver()
{
    static std::function<void(const LaunchPlan &)> observer;
    return observer;
}

QString systemReason(int error)
{
    return QString::fromLocal8Bit(std::strerror(error));
}

QByteArray firstLine(const QString &path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return {};
    return file.readLine(4096);
}

bool runsByItself(const QString &path)
{
    if (!QFileInfo(path).isExecutable())
        return false;
    const QByteArray head = firstLine(path);
    return head.startsWith("#!")
        || head.startsWith("\x7f"
                           "ELF");
}

// Why a file cannot be started, found before trying: /bin/sh would start even for a missing
// file and only then fail, which would look like a launch that worked.
QString reasonNotStartable(const QString &path)
{
    const QFileInfo info(path);
    if (!info.exists())
        return systemReason(ENOENT);
    if (info.isDir())
        return systemReason(EISDIR);
    if (!info.isReadable())
        return systemReason(EACCES);
    return {};
}

// A "#!" line whose interpreter does not exist fails exactly like a missing file; name the
// interpreter, with a Windows line end made visible, since that is the usual culprit.
QString reasonFailedToStart(const QString &path, const QProcess &process)
{
    QByteArray line = firstLine(path);
    if (line.startsWith("#!")) {
        line = line.mid(2);
        if (line.endsWith('\n'))
            line.chop(1);
        qsizetype begin = 0;
        while (begin < line.size() && (line[begin] == ' ' || line[begin] == '\t'))
            ++begin;
        qsizetype end = begin;
        while (end < line.size() && line[end] != ' ' && line[end] != '\t')
            ++end;
        const QString interpreter = QString::fromLocal8Bit(line.mid(begin, end - begin));
        if (!QFileInfo::exists(interpreter)) {
            QString shown = interpreter;
            shown.replace(QLatin1Char('\r'), QLatin1String("\\r"));
            return QStringLiteral("bad interpreter \"%1\": %2").arg(shown, systemReason(ENOENT));
        }
    }
    return process.errorString();
}

void reportLaunchFailure(QWidget *owner, const QString &path, const QString &reason)
{
    dialogs().messageBox(owner, QStringLiteral("Cannot run \"%1\": %2.").arg(path, reason),
        QFileInfo(path).fileName(), MB_OK | MB_ICONERROR);
}

// How long a stopped program may take to end on SIGTERM before it gets SIGKILL.
constexpr int kStopGraceMs = 1000;

// A wait in progress: nested runs make several.
struct Launch
{
    QProcess *process;
    pid_t group;
    bool stopped = false;
};

std::vector<Launch *> &launches()
{
    static std::vector<Launch *> running;
    return running;
}

void signalGroup(const Launch &launch, int signal)
{
    if (launch.group > 0)
        ::kill(-launch.group, signal);
}

void stop(Launch &launch)
{
    if (launch.stopped)
        return;
    launch.stopped = true;
    signalGroup(launch, SIGTERM);
    // Only while the first process is unreaped is the group surely still the program's.
    QTimer::singleShot(kStopGraceMs, launch.process, [&launch] {
        if (launch.process->state() != QProcess::NotRunning)
            signalGroup(launch, SIGKILL);
    });
}

int shellStatus(const QProcess &process)
{
    return process.exitStatus() == QProcess::CrashExit ? 128 + process.exitCode()
                                                       : process.exitCode();
}

} // namespace

LaunchPlan launchPlan(const QString &path, const QString &parameters)
{
    const QStringList arguments = QProcess::splitCommand(parameters);
    if (runsByItself(path))
        return {path, arguments};
    return {QStringLiteral("/bin/sh"), QStringList{path} + arguments};
}

LaunchOutcome executeAndWait(QWidget *owner, const QString &path, const QString &parameters, int,
    const QList<std::pair<QString, QString>> &environment)
{
    if (const QString reason = reasonNotStartable(path); !reason.isEmpty()) {
        reportLaunchFailure(owner, path, reason);
        return {};
    }

    const LaunchPlan plan = launchPlan(path, parameters);
    if (launchObserver())
        launchObserver()(plan);

    QProcess process;
    process.setProgram(plan.program);
    process.setArguments(plan.arguments);
    process.setProcessChannelMode(QProcess::ForwardedChannels);
    process.setStandardInputFile(QProcess::nullDevice());
    if (!environment.isEmpty()) {
        QProcessEnvironment variables = QProcessEnvironment::systemEnvironment();
        for (const auto &[name, value] : environment)
            variables.insert(name, value);
        process.setProcessEnvironment(variables);
    }
    process.setChildProcessModifier([] { ::setpgid(0, 0); });

    QEventLoop loop;
    QObject::connect(&process, &QProcess::finished, &loop, &QEventLoop::quit);
    process.start();
    if (!process.waitForStarted(-1)) {
        reportLaunchFailure(owner, path, reasonFailedToStart(path, process));
        return {};
    }
    Launch launch{&process, pid_t(process.processId())};
    launches().push_back(&launch);
    if (process.state() != QProcess::NotRunning)
        loop.exec();
    // The loop also ends when the application quits; then the program is stopped.
    if (process.state() != QProcess::NotRunning) {
        stop(launch);
        if (!process.waitForFinished(kStopGraceMs)) {
            signalGroup(launch, SIGKILL);
            process.waitForFinished(-1);
        }
    }
    if (launch.stopped)
        signalGroup(launch, SIGKILL);
    std::erase(launches(), &launch);
    return {true, launch.stopped, shellStatus(process)};
}

void stopLaunchedPrograms()
{
    for (Launch *launch : launches())
        stop(*launch);
}

void setLaunchObserverForTests(std::function<void(const LaunchPlan &)> observer)
{
    launchObserver() = std::move(observer);
}

} // namespace zv
