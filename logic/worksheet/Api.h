#pragma once
// The check of a whole text, as the editor's worker and zarvik-pl's verdicts ask it: UTF-8 in,
// one result per problem out, in the order of their lines. No global state.

#include "Results.h"

#include <atomic>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

namespace logic {

/// Every problem of @p utf8, a program as the editor shows it: one formula or "premises ⊨
/// conclusion" a line, "---" arguments, "sistema: S4" lines, comments, grouped as groupLines
/// says. Each result goes to @p emit as soon as it is decided, in the order of the lines. Once
/// @p cancel is set, the remaining problems come back undecided. Runs on the engine's stack.
void checkText(std::string_view utf8, const CheckOptions &options, const std::atomic<bool> &cancel,
    const std::function<void(ProblemResult &&)> &emit);
/// The same, collected.
std::vector<ProblemResult> checkText(
    std::string_view utf8, ModalSystem system, const std::atomic<bool> &cancel);

/// "sistema: S4" and its variants: true and the system when @p line is one; @p error tells a
/// "sistema:" line with an unknown name.
bool systemLine(std::u32string_view line, ModalSystem &system, std::string &error);

} // namespace logic
