#pragma once
// The engine for a caller in the same process (the editor checks the user's text in a worker
// thread): UTF-8 in, one result per problem out. No global state: calls may run on any threads.

#include "Engine.h"
#include "Tableau.h"

#include <atomic>
#include <string>
#include <string_view>
#include <vector>

namespace logic {

struct ProblemResult
{
    int firstLine
        = 0;      // 1-based: the first line of the problem (the first premise of a "---" argument)
    int line = 0; // the line of the formula, or of the argument's conclusion
    bool argument = false;
    ModalSystem system = ModalSystem::K;
    Decision decision = Decision::Unknown;
    std::string text; // the problem as read, Unicode
    std::string
        explanation;    // UTF-8, Unicode symbols: a closed tree, a countermodel or what was tried
    std::string reason; // a few words
    double milliseconds = 0; // spent deciding it
    std::string
        truthTable; // propositional problems: the formula's table, or the argument's joint one
    // A line that could not be read: the problem is not decided.
    bool syntaxError = false;
    int errorLine = 0;
    int errorColumn = 0; // in characters (code points)
    std::string errorMessage;
};

/// Every problem of @p utf8, a program as the editor shows it: one formula or "premises ⊨
/// conclusion" a line, "---" arguments, "sistema: S4" lines, comments. @p system holds until a
/// "sistema:" line changes it. Once @p cancel is set, the remaining problems come back undecided.
std::vector<ProblemResult> checkText(
    std::string_view utf8, ModalSystem system, const std::atomic<bool> &cancel);

/// "sistema: S4" and its variants: true and the system when @p line is one; @p error tells a
/// "sistema:" line with an unknown name.
bool systemLine(std::u32string_view line, ModalSystem &system, std::string &error);

const char *decisionWords(Decision d);

} // namespace logic
