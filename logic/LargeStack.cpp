#include "LargeStack.h"

#include <pthread.h>

#include <exception>

namespace logic {
namespace {

struct Job
{
    const std::function<void()> *work;
    std::exception_ptr error;
};

void *run(void *arg)
{
    Job &job = *static_cast<Job *>(arg);
    try {
        (*job.work)();
    } catch (...) {
        job.error = std::current_exception();
    }
    return nullptr;
}

} // namespace

void runOnLargeStack(const std::function<void()> &work)
{
    Job job{&work, nullptr};
    pthread_attr_t attr;
    pthread_attr_init(&attr);
    pthread_attr_setstacksize(&attr, kEngineStackBytes);
    pthread_t thread;
    const int error = pthread_create(&thread, &attr, run, &job);
    pthread_attr_destroy(&attr);
    if (error != 0) {
        // No room for such a stack now: the caller's own will do for the formulas people write.
        run(&job);
    } else {
        pthread_join(thread, nullptr);
    }
    if (job.error)
        std::rethrow_exception(job.error);
}

} // namespace logic
