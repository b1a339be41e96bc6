#include "check/BackgroundCheck.h"

#include <QMetaObject>

#include <exception>
#include <mutex>
#include <new>
#include <thread>

namespace zv {

struct BackgroundCheck::Shared
{
    std::mutex mutex;
    BackgroundCheck *owner = nullptr; ///< null once the owner is gone
    std::atomic<bool> cancel{false};
    std::vector<LogicProblem> problems;
};

BackgroundCheck::BackgroundCheck(Job job, QObject *parent)
    : QObject(parent), m_shared(std::make_shared<Shared>())
{
    m_shared->owner = this;
    std::thread([shared = m_shared, job = std::move(job)] {
        std::vector<LogicProblem> problems;
        try {
            problems = job(shared->cancel);
        } catch (const std::bad_alloc &) {
            LogicProblem failed;
            failed.verdict = QStringLiteral("No determinado: no hay memoria suficiente.");
            problems.push_back(failed);
        } catch (const std::exception &error) {
            LogicProblem failed;
            failed.verdict
                = QStringLiteral("No determinado: %1").arg(QString::fromUtf8(error.what()));
            problems.push_back(failed);
        }
        const std::lock_guard lock(shared->mutex);
        shared->problems = std::move(problems);
        // Under the lock, the owner cannot go away between the test and the post; a post it
        // leaves unread dies with it.
        if (shared->owner)
            QMetaObject::invokeMethod(
                shared->owner, [owner = shared->owner] { owner->deliver(); }, Qt::QueuedConnection);
    }).detach();
}

BackgroundCheck::~BackgroundCheck()
{
    m_shared->cancel = true;
    const std::lock_guard lock(m_shared->mutex);
    m_shared->owner = nullptr;
}

void BackgroundCheck::cancel()
{
    m_shared->cancel = true;
}

void BackgroundCheck::deliver()
{
    {
        const std::lock_guard lock(m_shared->mutex);
        m_problems = std::move(m_shared->problems);
    }
    m_running = false;
    Q_EMIT finished();
}

} // namespace zv
