// libFuzzer entry point for the logic engine: any text, read as the editor's check reads it,
// must come back without a crash, a hang or memory out of proportion to its size. Each problem
// gets a short budget, so that inputs are many rather than long.
#include "worksheet/Api.h"

#include <cstdint>
#include <string_view>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    const std::string_view text(reinterpret_cast<const char *>(data), size);
    logic::CheckOptions options;
    options.problemTime = std::chrono::milliseconds(20);
    const std::atomic<bool> never{false};
    logic::checkText(text, options, never, [](logic::ProblemResult &&) {});
    return 0;
}
