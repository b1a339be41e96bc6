#pragma once
// A derivation in LaTeX, with the Fitch bars of the lplfitch package (texlive-science in Debian):
// a vertical bar for each subderivation and a horizontal one under its assumption and under
// the premises.

#include "Derivation.h"
#include "syntax/Logic.h"

#include <span>
#include <string>

namespace logic {

/// The formula in LaTeX math (amssymb and lplfitch's macros), without the dollars.
std::string formulaLatex(const Logic &logic, int formula);

/// The derivation as one \fitchprf; @p lines are the text lines it was read from (a line that
/// could not be read is set as it was written).
std::string derivationLatex(
    const Logic &logic, const Derivation &derivation, std::span<const std::u32string> lines);

/// A whole document around @p body, with the packages it needs; pdflatex compiles it.
std::string latexDocument(const std::string &body);

} // namespace logic
