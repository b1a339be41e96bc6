#include "Budget.h"

#include <time.h>

namespace logic {

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
    if (cpu >= m_deadline)
        return m_timeUp = true;
    m_nextRead
        = wall + std::chrono::duration_cast<std::chrono::steady_clock::duration>(m_deadline - cpu);
    return false;
}

} // namespace logic
