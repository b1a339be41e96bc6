#pragma once

#include <QString>

class QTextDocument;

namespace zv {

/**
 * The characters [@p from, @p to) of @p document as LaTeX source, as the user sees them: each
 * logic symbol as its math command ($\forall$), "V", "&", "->" and "T" as \lor, \land, \to and
 * \top where they stand in a formula, bold and italic as \textbf and \textit, the characters
 * LaTeX reserves escaped, paragraphs separated by a blank line. The text is UTF-8 that
 * inputenc with T1 fonts and fontspec both read; a character neither can set becomes "?".
 */
QString latexFragment(const QTextDocument &document, int from, int to);

/**
 * The whole of @p document as a .tex file that pdflatex and lualatex compile: A4 with 2 cm
 * margins, paragraphs without indentation, an empty paragraph as an empty line.
 */
QString latexDocument(const QTextDocument &document);

} // namespace zv
