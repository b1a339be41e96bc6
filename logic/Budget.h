#pragma once

#include <atomic>
#include <chrono>

namespace logic {

class Logic;

/// Processor time of the calling thread: what a search has really had, however busy the machine.
struct CpuClock
{
    using duration = std::chrono::nanoseconds;
    using rep = duration::rep;
    using period = duration::period;
    using time_point = std::chrono::time_point<CpuClock>;
    static constexpr bool is_steady = true;
    static time_point now() noexcept;
};

/// What ended a search before it decided, for the answer to name.
enum class Stop : unsigned char { None, Time, Cancelled, Conflicts, Size, Memory };
/// "límite de tiempo", "cancelado"...; empty for None.
const char *stopWords(Stop stop);

/// Processor time per problem: beyond it the answer is "no determinado", never a guess.
inline constexpr std::chrono::seconds kProblemSeconds{10};

/// What freeing one formula or term of a store costs (0.9 µs measured on a busy machine): a
/// search that fills a store stops early enough to free it before its limit (Budget::leaving).
inline constexpr std::chrono::nanoseconds kStoreEntryFreeing{1000};

/**
 * When a search must give up: a deadline in the processor time of the thread that made the
 * budget, and a cancel flag. expired() costs a read of the wall clock, so that searches may ask
 * at every step that can be long: the processor clock, a system call, is read only once the wall
 * clock says that the time left could have run out.
 */
class Budget
{
public:
    /// No deadline, no cancel flag.
    Budget() = default;
    Budget(CpuClock::time_point deadline, const std::atomic<bool> *cancel)
        : m_deadline(deadline), m_cancel(cancel)
    {}
    /// @p time of processor time from now.
    static Budget forTime(CpuClock::duration time, const std::atomic<bool> *cancel = nullptr)
    {
        return Budget(CpuClock::now() + time, cancel);
    }
    /// This budget, ending at @p deadline if that comes first.
    Budget until(CpuClock::time_point deadline) const
    {
        Budget b(deadline < m_deadline ? deadline : m_deadline, m_cancel);
        b.m_store = m_store;
        b.m_perEntry = m_perEntry;
        return b;
    }
    /// This budget, ending early enough that @p store, which the search fills, can still be
    /// freed before the deadline, at @p perEntry of processor time for each formula and term.
    Budget leaving(const Logic &store, CpuClock::duration perEntry) const
    {
        Budget b = until(m_deadline);
        b.m_store = &store;
        b.m_perEntry = perEntry;
        return b;
    }

    bool expired() const { return cancelled() || timeUp(); }
    bool cancelled() const { return m_cancel && m_cancel->load(std::memory_order_relaxed); }
    bool timeUp() const;
    /// Cancelled, Time or None.
    Stop stop() const { return cancelled() ? Stop::Cancelled : timeUp() ? Stop::Time : Stop::None; }
    CpuClock::time_point deadline() const { return m_deadline; }
    const std::atomic<bool> *cancelFlag() const { return m_cancel; }

private:
    CpuClock::time_point m_deadline = CpuClock::time_point::max();
    const std::atomic<bool> *m_cancel = nullptr;
    const Logic *m_store = nullptr;
    CpuClock::duration m_perEntry{};
    // A thread's processor time cannot run faster than the wall clock: until m_nextRead, the
    // deadline cannot have come.
    mutable std::chrono::steady_clock::time_point m_nextRead{};
    mutable bool m_timeUp = false;
};

} // namespace logic
