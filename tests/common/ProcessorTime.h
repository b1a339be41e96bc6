#pragma once
// Processor time of this process: what a step really cost, however busy the machine is. A bound
// on it catches a step that runs away; wall-clock figures belong in bench/.

#include <ctime>

namespace zv::test {

inline double processorMs()
{
    timespec now{};
    clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &now);
    return now.tv_sec * 1e3 + now.tv_nsec / 1e6;
}

} // namespace zv::test
