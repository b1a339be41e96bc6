#pragma once

#include "platform/export/Derivations.h"

#include <QString>

#include <optional>

class QFont;
class QTextDocument;

namespace zv {

/// What "Exportar…" writes.
enum class ExportFormat { Pdf, Latex, Html, Text };

/// The format that the extension of @p path names (.pdf, .tex, .html or .htm, .txt), if any.
std::optional<ExportFormat> exportFormatFor(const QString &path);

/**
 * Writes @p document to @p path as the user sees it, each turnstile one sign: a PDF of A4 pages
 * with 2 cm margins and its fonts embedded, a LaTeX file (latexDocument()), one UTF-8 HTML file
 * or UTF-8 text. The file is replaced atomically. Throws EPlatformError: "Cannot create file %s",
 * "Stream write error", or "Printing in progress" while a PDF or a print is being produced.
 * @p derivations, their lines counted from the document's first, are written with lplfitch in
 * LaTeX and drawn with their bars in a PDF.
 */
void exportDocument(const QTextDocument &document, const QString &path, ExportFormat format,
    const QList<DerivationLines> &derivations = {});

/// Plain text, such as a results window's, as a PDF in @p font with tab stops every eight
/// average characters, as the window shows it. Throws as exportDocument().
void exportTextAsPdf(const QString &text, const QFont &font, const QString &path);

} // namespace zv
