#pragma once
// The checker's second half: whether a line's formula follows by its rule from the formulas it
// cites. Which lines may be cited is the first half's business (Checker.cpp).

#include "Rules.h"
#include "syntax/Logic.h"
#include "syntax/ModalSystem.h"

#include <string>
#include <vector>

namespace logic {

struct CitedLine
{
    int number = 0;
    int formula = -1;
    std::string written; // as the student wrote it, or empty
};

struct CitedRange
{
    int first = 0, last = 0; // line numbers
    int assumption = -1;     // -1 for a strict subderivation
    int conclusion = -1;     // its last line's formula
    bool strict = false;
    std::string assumptionWritten, conclusionWritten; // as the student wrote them, or empty
};

/// A premise or an assumption not yet discharged at the line checked: what ∀I and ∃E must avoid.
struct OpenHypothesis
{
    int number = 0;
    int formula = -1;
    bool premise = false;
};

struct RuleUse
{
    Rule rule = Rule::Unknown;
    int formula = -1;
    std::vector<CitedLine> lines;
    std::vector<CitedRange> ranges;
    std::vector<OpenHypothesis> open;
    ModalSystem system = ModalSystem::K;
    std::string written; // the line's formula as the student wrote it, or empty
};

/// Empty when the rule gives the line's formula from what it cites; otherwise why not, in
/// Spanish, without a final full stop.
std::string checkRuleForm(Logic &logic, const RuleUse &use);

} // namespace logic
