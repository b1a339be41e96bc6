#include "Budget.h"

namespace logic {

bool Budget::expired() const
{
    return (cancel && cancel->load(std::memory_order_relaxed))
        || std::chrono::steady_clock::now() >= deadline;
}

} // namespace logic
