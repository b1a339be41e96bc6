// What leaves Zarvik for other programs: the selection as LaTeX, and the document as PDF, LaTeX,
// HTML or text.
#include "Unit1.h"

#include "check/DocumentDerivations.h"
#include "platform/errors/PlatformError.h"
#include "platform/export/DocumentExport.h"
#include "platform/export/Latex.h"
#include "platform/richedit/RichEdit.h"

#include <QClipboard>
#include <QFileInfo>
#include <QGuiApplication>
#include <QMimeData>

void TForm1::CopiarComoLatex1Click(QObject *)
{
    const QTextCursor cursor = RichEdit1->textCursor();
    if (!cursor.hasSelection())
        return;
    const int from = cursor.selectionStart(), to = cursor.selectionEnd();
    // A derivation goes as the engine writes it, with its bars; the rest as a teacher types it.
    const QList<zv::DerivationLines> derivations
        = zv::derivationsIn(*RichEdit1->document(), from, to);
    const QString latex = zv::latexFragment(*RichEdit1->document(), from, to, derivations);
    // Pasted into a document as it is, the text says what its preamble needs.
    const QString packages
        = zv::latexFragmentPackages(*RichEdit1->document(), from, to, derivations);
    const QString pasted
        = packages.isEmpty() ? latex : QStringLiteral("% \\usepackage{%1}\n").arg(packages) + latex;
    auto *mime = new QMimeData;
    mime->setText(pasted);
    mime->setData(QStringLiteral("text/x-tex"), pasted.toUtf8());
    QGuiApplication::clipboard()->setMimeData(mime);
}

void TForm1::Exportar1Click(QObject *)
{
    // The first time, the document's own name with the extension of a PDF.
    if (ExportDialog1.initialPath.isEmpty() && !CaptionPath.isEmpty()) {
        const QFileInfo document(CaptionPath);
        ExportDialog1.initialPath = document.path() + QLatin1Char('/') + document.completeBaseName()
            + QStringLiteral(".pdf");
    }
    const std::optional<QString> chosen = zv::askSaveFileName(this, ExportDialog1);
    if (!chosen)
        return;
    const std::optional<zv::ExportFormat> format = zv::exportFormatFor(*chosen);
    if (!format)
        throw zv::EPlatformError(QStringLiteral(
            "Zarvik exporta a PDF (.pdf), LaTeX (.tex), HTML (.html) y texto (.txt)"));
    const QTextDocument &document = *RichEdit1->document();
    QList<zv::DerivationLines> derivations;
    if (*format == zv::ExportFormat::Pdf || *format == zv::ExportFormat::Latex)
        derivations = zv::derivationsIn(document, 0, document.characterCount() - 1);
    zv::exportDocument(document, *chosen, *format, derivations);
}
