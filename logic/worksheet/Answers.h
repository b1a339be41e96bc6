#pragma once
// The answer to one problem of a checked text, in the terms a teacher uses: a formula's standing
// (tautology, contradiction, contingency; valid, unsatisfiable, contingent), an argument's
// validity, a derivation's check; each with what justifies it.

#include "Results.h"
#include "syntax/Logic.h"
#include "work/Work.h"

#include <atomic>
#include <span>
#include <string>
#include <vector>

namespace logic {

struct DerivationInText;

/// Decides the formula (no premises, @p argument false) or the argument into @p r, within
/// @p options' time per problem.
void answerProblem(ProblemResult &r, Logic &logic, const std::vector<int> &premises, int conclusion,
    bool argument, const CheckOptions &options, const std::atomic<bool> &cancel);

/// Checks @p found, a derivation of @p lines, into @p r: correct, or its faulty lines. The lines
/// that its words name count from @p shownShift + 1, its fields from 1.
void answerDerivation(ProblemResult &r, Logic &logic, const DerivationInText &found,
    std::span<const std::u32string> lines, int shownShift = 0);

/// What @p r, the engine's answer to an exercise, says of it: the facts a verdict asserts.
ExerciseTruth exerciseTruth(const ProblemResult &r);

/// The answer for a piece of the student's work of @p kind with these @p faults: right when
/// there are none; undecided when the engine could not judge it. The lines its words name count
/// from @p shownShift + 1.
void answerWork(ProblemResult &r, WorkKind kind, std::vector<WorkFault> faults, bool decided,
    int shownShift = 0);

} // namespace logic
