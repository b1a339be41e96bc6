#pragma once

#include "platform/export/Derivations.h"

#include <QString>

class QTextDocument;

namespace zv {

/**
 * The characters [@p from, @p to) of @p document as LaTeX source, as a teacher types them: a
 * formula or an argument is one math span, its letters in math ($\forall x(Fx \to Gx)$), "V",
 * "&", "->" and "T" in a formula as \lor, \land, \to and \top; a logic symbol in prose is
 * its math command alone; bold and italic as \textbf and \textit, the characters LaTeX
 * reserves escaped, paragraphs separated by a blank line. The text is UTF-8 that inputenc with
 * T1 fonts and fontspec both read; a character neither can set becomes "?". Each of
 * @p derivations (in the order of their lines, counted from the range's first) that has its
 * LaTeX takes the place of its lines, as a paragraph of its own.
 */
QString latexFragment(const QTextDocument &document, int from, int to,
    const QList<DerivationLines> &derivations = {});

/// The packages latexFragment() of the same range needs beyond LaTeX's own: "amssymb",
/// "amssymb,lplfitch" when a derivation is written, or empty.
QString latexFragmentPackages(const QTextDocument &document, int from, int to,
    const QList<DerivationLines> &derivations = {});

/// A formula in Unicode symbols as the inside of a math span: "\neg(p \lor q)".
QString latexFormula(QStringView formula);

/// A line of prose that may hold logic symbols ("de 3 y 5, ∧") as LaTeX text.
QString latexInline(QStringView text);

/**
 * The whole of @p document as a .tex file that pdflatex and lualatex compile: A4 with 2 cm
 * margins, paragraphs without indentation, an empty paragraph as an empty line. It keeps the
 * document's look: underline and strike-out (ulem), colour (xcolor), the font size, and a roman,
 * sans or typewriter face after the document's fonts; every character comes out as itself,
 * with no TeX ligature joining -- or ?` into another sign. @p derivations are written as
 * latexFragment() writes them, with lplfitch in the preamble.
 */
QString latexDocument(
    const QTextDocument &document, const QList<DerivationLines> &derivations = {});

} // namespace zv
