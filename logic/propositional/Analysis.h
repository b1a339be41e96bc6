#pragma once

#include "Sat.h"
#include "syntax/Formula.h"

#include <chrono>
#include <cstdint>
#include <optional>
#include <vector>

namespace logic {

enum class Engine { Automatic, Table, Sat };
enum class Verdict { Tautology, Contradiction, Contingency, Unknown };

// Enough for any formula a person writes; a pathological one reports Unknown, with what was
// tried, instead of hanging the editor, which waits for the interpreter. Both limits hold for a
// whole formula or argument, however many searches it takes; the time is processor time.
inline constexpr std::int64_t kConflictLimit = 2'000'000;

struct Limits
{
    std::int64_t conflicts = kConflictLimit;
    Budget budget = Budget::forTime(kProblemSeconds); // from when the limits are made
};

/// What the searches for one answer cost; shown when they give up.
struct Effort
{
    std::int64_t conflicts = 0;
    double seconds = 0; // processor time
    Stop stop = Stop::None;
};

struct Classification
{
    Verdict verdict = Verdict::Unknown;
    std::vector<int> vars;                       // in reading order
    std::optional<std::vector<bool>> satisfying; // over vars
    std::optional<std::vector<bool>> falsifying;
    Effort effort;
};

/// Whether the whole table of @p root over @p varCount variables is cheap to scan.
bool tableIsCheap(int varCount, std::size_t nodeCount);

Classification classify(
    const Arena &arena, int root, Engine engine = Engine::Automatic, Limits limits = {});

struct ArgumentCheck
{
    Found counterexampleFound = Found::Unknown; // No means the argument is valid
    std::vector<int> vars;
    std::vector<bool> counterexample;
    Effort effort;
};

/// Valid when no assignment makes every premise true and the conclusion false.
ArgumentCheck checkArgument(Arena &arena, const std::vector<int> &premises, int conclusion,
    Engine engine = Engine::Automatic, Limits limits = {});

/// Looks for an assignment giving @p root the value @p wanted over @p vars.
Search findAssignment(const Arena &arena, int root, bool wanted, const std::vector<int> &vars,
    Engine engine = Engine::Automatic, Limits limits = {});

} // namespace logic
