#pragma once

#include <atomic>
#include <chrono>

namespace logic {

/// When a search must give up: a deadline, a cancel flag, a memory ceiling.
struct Budget
{
    std::chrono::steady_clock::time_point deadline = std::chrono::steady_clock::time_point::max();
    const std::atomic<bool> *cancel = nullptr;
    bool expired() const;
};

} // namespace logic
