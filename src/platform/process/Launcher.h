#pragma once

#include <QString>
#include <QStringList>

#include <functional>
#include <utility>

class QWidget;

namespace zv {

/// How a file is started: the program that actually runs and its arguments.
struct LaunchPlan
{
    QString program;
    QStringList arguments;
};

/**
 * How @p path is started with the parameter text @p parameters (split like a shell command
 * line). An executable file that begins with "#!" (or an executable binary) runs by itself;
 * anything else, a batch file without an exec bit included, is run by /bin/sh.
 */
LaunchPlan launchPlan(const QString &path, const QString &parameters);

/// How a wait ended.
struct LaunchOutcome
{
    bool started = false; ///< false: the launch failed, and the platform's box said why
    bool stopped = false; ///< ended by stopLaunchedPrograms() or because the application quit
    int exitStatus = 0;   ///< as a shell gives it: the exit code, or 128 + the ending signal
};

/**
 * Starts @p path in the current working directory and returns when the started process has
 * ended, without a time-out. Meanwhile a nested event loop keeps every window painting and
 * answering input, so a command started from inside the wait runs there, nested in it.
 *
 * The process runs in a process group of its own, so that stopLaunchedPrograms() reaches the
 * programs it starts too. When the application quits during the wait, the group is stopped
 * and the wait returns at once: nobody is left to read the answer.
 *
 * A launch that fails is reported by the platform's own English message box, owned by @p owner,
 * naming the path and the reason; the function then returns at once. @p showCommand is the
 * Windows show command; a process started here has no window of its own to show, so it is
 * accepted and not used. Its output goes to our own output. @p environment adds variables
 * (name, value) to the environment the process inherits.
 */
LaunchOutcome executeAndWait(QWidget *owner, const QString &path, const QString &parameters,
    int showCommand, const QList<std::pair<QString, QString>> &environment = {});

/**
 * Stops every program that executeAndWait() is waiting for, with whatever it started: its
 * process group gets SIGTERM, and SIGKILL if the program is still running a second later or
 * left anything running. Each wait then returns, marked stopped.
 */
void stopLaunchedPrograms();

/// Test seam: @p observer sees every launch, just before it starts; empty removes it.
void setLaunchObserverForTests(std::function<void(const LaunchPlan &)> observer);

} // namespace zv
