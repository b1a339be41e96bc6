#pragma once

#include "check/LogicEngine.h"

#include <QObject>

#include <functional>
#include <memory>
#include <vector>

namespace zv {

/**
 * One run of the logic engine on a thread of its own, so that the editor never waits for it.
 * finished() comes on the thread that made the run, which then reads problems(). Destroying the
 * run cancels it and never waits: a run still busy finishes on its own and is forgotten.
 */
class BackgroundCheck : public QObject
{
    Q_OBJECT

public:
    using Job = std::function<std::vector<LogicProblem>(const std::atomic<bool> &cancel)>;

    explicit BackgroundCheck(Job job, QObject *parent = nullptr);
    ~BackgroundCheck() override;

    void cancel();
    bool isRunning() const { return m_running; }
    /// The answer, once finished() came.
    const std::vector<LogicProblem> &problems() const { return m_problems; }

Q_SIGNALS:
    void finished();

private:
    struct Shared;
    void deliver();

    std::shared_ptr<Shared> m_shared;
    std::vector<LogicProblem> m_problems;
    bool m_running = true;
};

} // namespace zv
