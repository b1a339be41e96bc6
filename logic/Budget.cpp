#include "Budget.h"

#include "syntax/Logic.h"

#include <algorithm>
#include <time.h>

namespace logic {
namespace {

// How often a budget that watches a store reads its size and the processor clock.
constexpr std::chrono::milliseconds kStoreRead{2};

} // namespace

CpuClock::time_point CpuClock::now() noexcept
{
    timespec ts{};
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &ts);
    return time_point(std::chrono::seconds(ts.tv_sec) + std::chrono::nanoseconds(ts.tv_nsec));
}

const char *stopWords(Stop stop)
{
    switch (stop) {
    case Stop::Time: return "límite de tiempo";
    case Stop::Cancelled: return "cancelado";
    case Stop::Conflicts: return "límite de conflictos";
    case Stop::Size: return "límite de tamaño";
    case Stop::Memory: return "sin memoria";
    case Stop::None: break;
    }
    return "";
}

bool Budget::timeUp() const
{
    if (m_timeUp)
        return true;
    if (m_deadline == CpuClock::time_point::max())
        return false;
    const auto wall = std::chrono::steady_clock::now();
    if (wall < m_nextRead)
        return false;
    const auto cpu = CpuClock::now();
    CpuClock::duration left = m_deadline - cpu;
    if (m_store) {
        // The store grows while the clock is not read: read it again soon.
        left -= m_perEntry * static_cast<CpuClock::rep>(m_store->size());
        left = std::min<CpuClock::duration>(left, kStoreRead);
    }
    if (left <= CpuClock::duration::zero())
        return m_timeUp = true;
    m_nextRead = wall + std::chrono::duration_cast<std::chrono::steady_clock::duration>(left);
    return false;
}

} // namespace logic
