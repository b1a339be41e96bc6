#pragma once

#include <cstddef>
#include <functional>

namespace logic {

/// The stack of the thread that runs the engine: room for the recursion of every walk over a
/// formula as deep as kMaxFormulaDepth, in a sanitizer's build too. Only the pages a walk
/// touches are ever used; the rest is address space.
inline constexpr std::size_t kEngineStackBytes = std::size_t{512} << 20;

/// Runs @p work on a thread of its own with a stack of kEngineStackBytes, and waits for it. An
/// exception that @p work throws (std::bad_alloc) is thrown again here.
void runOnLargeStack(const std::function<void()> &work);

} // namespace logic
