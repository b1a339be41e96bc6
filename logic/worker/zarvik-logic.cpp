// zarvik-logic: the logic engine in a process of its own, so that no fault of a search, no
// runaway memory and no endless loop can touch the editor that holds the user's document.
// It reads requests on standard input and writes answers on standard output (PROTOCOL.md).

#include "Protocol.h"

#include <sys/resource.h>
#include <unistd.h>

#include <atomic>
#include <condition_variable>
#include <cstdio>
#include <deque>
#include <iostream>
#include <memory>
#include <mutex>
#include <string>
#include <thread>

namespace {

using namespace logic;

struct Job
{
    Request::Kind kind = Request::Kind::Check;
    int id = 0;
    CheckOptions options;
    int line = 0;
    std::string text;
};

struct Shared
{
    std::mutex mutex;
    std::condition_variable ready;
    std::deque<Job> jobs;
    bool closed = false; // standard input ended, or "quit"
    int running = -1;    // the id of the check under way
    std::atomic<bool> cancel{false};
};

// Answers go out in batches: one system call for many small answers, and never later than
// kFlushMs, so that the editor shows them as they come and knows which problem runs.
class Output
{
public:
    Output() : m_flusher([this] { run(); }) {}
    ~Output()
    {
        {
            const std::lock_guard lock(m_mutex);
            m_stop = true;
        }
        m_wake.notify_one();
        m_flusher.join();
        flush();
    }
    void write(const std::string &message)
    {
        const std::lock_guard lock(m_mutex);
        m_pending += message;
        if (m_pending.size() >= kBatchBytes)
            flushLocked();
    }

private:
    static constexpr std::size_t kBatchBytes = 1 << 16;
    static constexpr auto kFlushMs = std::chrono::milliseconds(20);

    void run()
    {
        std::unique_lock lock(m_mutex);
        while (!m_stop) {
            m_wake.wait_for(lock, kFlushMs);
            flushLocked();
        }
    }
    void flush()
    {
        const std::lock_guard lock(m_mutex);
        flushLocked();
    }
    void flushLocked()
    {
        if (m_pending.empty())
            return;
        std::fwrite(m_pending.data(), 1, m_pending.size(), stdout);
        std::fflush(stdout);
        m_pending.clear();
    }

    std::mutex m_mutex;
    std::condition_variable m_wake;
    std::string m_pending;
    bool m_stop = false;
    std::thread m_flusher;
};

// Past its time, a problem is stopped by the kernel, whatever the engine does: the processor
// time that the engine may use for it, and a margin for the engine's own clean stop. Moving the
// limit costs three system calls, so it moves at most once a second of wall time; since the
// engine's thread cannot use more processor time than that, every problem keeps between
// kProblemSeconds + kMarginSeconds and one second more.
class ProcessorLimit
{
public:
    void before()
    {
        const auto now = std::chrono::steady_clock::now();
        if (now < m_next)
            return;
        m_next = now + std::chrono::seconds(1);
        rusage usage{};
        getrusage(RUSAGE_SELF, &usage);
        const long used = usage.ru_utime.tv_sec + usage.ru_stime.tv_sec + 1;
        rlimit limit{};
        getrlimit(RLIMIT_CPU, &limit);
        const rlim_t soft = static_cast<rlim_t>(used + kProblemSeconds.count() + kMarginSeconds);
        if (limit.rlim_max != RLIM_INFINITY && soft >= limit.rlim_max)
            return;
        limit.rlim_cur = soft;
        setrlimit(RLIMIT_CPU, &limit);
    }

private:
    static constexpr long kMarginSeconds = 2;
    std::chrono::steady_clock::time_point m_next{};
};

void readRequests(Shared &shared)
{
    std::string line;
    while (std::getline(std::cin, line)) {
        const std::optional<Request> request = parseRequest(line);
        if (!request) {
            std::fprintf(stderr, "zarvik-logic: petición no reconocida: %s\n", line.c_str());
            continue;
        }
        if (request->kind == Request::Kind::Cancel) {
            const std::lock_guard lock(shared.mutex);
            if (shared.running == request->id)
                shared.cancel = true;
            std::erase_if(shared.jobs, [&](const Job &j) { return j.id == request->id; });
            continue;
        }
        // As the end of the input: nothing more is read, and what was asked is answered.
        if (request->kind == Request::Kind::Quit)
            break;
        Job job{request->kind, request->id, request->options, request->line,
            std::string(request->length, '\0')};
        if (!std::cin.read(job.text.data(), static_cast<std::streamsize>(request->length)))
            break;
        const std::lock_guard lock(shared.mutex);
        shared.jobs.push_back(std::move(job));
        shared.ready.notify_one();
    }
    // The end of the input, or "quit", is the end of the requests: what was asked is still
    // answered.
    const std::lock_guard lock(shared.mutex);
    shared.closed = true;
    shared.ready.notify_one();
}

} // namespace

int main()
{
    std::ios::sync_with_stdio(false);
    Shared shared;
    auto output = std::make_unique<Output>();
    output->write(readyMessage());
    ProcessorLimit limit;
    std::thread reader(readRequests, std::ref(shared));
    for (;;) {
        Job job;
        {
            std::unique_lock lock(shared.mutex);
            shared.ready.wait(lock, [&] { return shared.closed || !shared.jobs.empty(); });
            if (shared.jobs.empty())
                break;
            job = std::move(shared.jobs.front());
            shared.jobs.pop_front();
            shared.running = job.id;
            shared.cancel = false;
        }
        const std::vector<OverlongLine> overlong = setAsideOverlongLines(job.text);
        if (job.kind != Request::Kind::Check) {
            // One problem: the kernel's limit as for a check's, the search's own shorter.
            output->write(startMessage(job.id, job.line));
            limit.before();
            if (job.kind == Request::Kind::Prove) {
                ProofAnswer proof = proveAt(job.text, job.line, job.options.system, shared.cancel,
                    kProvePropositionalTime, kProveOtherTime, kProblemSeconds,
                    job.options.basicRules);
                if (proof.decided) {
                    explainOverlong(*proof.decided, overlong);
                    output->write(answerMessage(job.id, *proof.decided));
                }
                output->write(proofMessage(job.id, proof));
            } else {
                output->write(nextMessage(job.id,
                    nextStepAt(job.text, job.line, job.options.system, shared.cancel,
                        kProveOtherTime, job.options.basicRules)));
            }
            output->write(doneMessage(job.id));
            const std::lock_guard lock(shared.mutex);
            shared.running = -1;
            continue;
        }
        job.options.starting = [&](int line) {
            output->write(startMessage(job.id, line));
            limit.before();
        };
        int answers = 0;
        checkText(job.text, job.options, shared.cancel, [&](ProblemResult &&r) {
            // Trees and models are read one answer at a time: a long text's later answers come
            // with their verdict and its reason alone, so that a hundred thousand lines cost
            // what their verdicts cost.
            explainOverlong(r, overlong);
            if (++answers > kMaxDetailedAnswers && !r.syntaxError) {
                r.tree.reset();
                r.model.reset();
                r.explanation.clear();
                r.truthTable.clear();
            }
            output->write(answerMessage(job.id, r));
        });
        output->write(doneMessage(job.id));
        const std::lock_guard lock(shared.mutex);
        shared.running = -1;
    }
    // The reader may still wait on its input: end the process without waiting for it.
    reader.detach();
    output.reset();
    _exit(0);
}
