#include "platform/export/DocumentExport.h"

#include "platform/errors/PlatformError.h"
#include "platform/export/Latex.h"
#include "platform/files/AtomicFile.h"
#include "platform/format/FontKind.h"
#include "platform/format/LongParagraphs.h"
#include "platform/format/ReadableText.h"
#include "platform/printing/DocumentPrinter.h"

#include <QBuffer>
#include <QFileInfo>
#include <QFontMetricsF>
#include <QPdfWriter>
#include <QTextDocument>
#include <QTextOption>

#include <memory>

namespace zv {

namespace {

// A page lays a paragraph out whole, as the window does: one of megabytes stays in its display
// blocks there, and is joined only for the forms that are not laid out.
enum class Joined : bool { No, Yes };

std::unique_ptr<QTextDocument> readableCopy(const QTextDocument &document, Joined joined)
{
    std::unique_ptr<QTextDocument> copy(document.clone());
    copy->setDefaultFont(document.defaultFont());
    if (joined == Joined::Yes)
        joinContinuedParagraphs(*copy);
    makeReadable(*copy);
    return copy;
}

// Pages go to memory first, so that a failed export leaves no half-written file.
QByteArray pdf(
    QTextDocument &document, const QString &title, const QList<DerivationLines> &derivations = {})
{
    QBuffer buffer;
    buffer.open(QIODevice::WriteOnly);
    {
        QPdfWriter writer(&buffer);
        writer.setTitle(title);
        writer.setCreator(QStringLiteral("Zarvik"));
        // The page F4 prints on: A4 with the printer's margins, none unreachable here.
        writer.setPageLayout(withPageMargins(QPageLayout(QPageSize(QPageSize::A4),
            QPageLayout::Portrait, QMarginsF(), QPageLayout::Millimeter)));
        PageDecoration bars;
        if (!derivations.isEmpty())
            bars = [&](QPainter &painter) { drawDerivationBars(painter, document, derivations); };
        printDocument(document, writer, bars);
    }
    return buffer.data();
}

QString title(const QString &path)
{
    return QFileInfo(path).completeBaseName();
}

} // namespace

std::optional<ExportFormat> exportFormatFor(const QString &path)
{
    const QString suffix = QFileInfo(path).suffix().toLower();
    if (suffix == QLatin1String("pdf"))
        return ExportFormat::Pdf;
    if (suffix == QLatin1String("tex"))
        return ExportFormat::Latex;
    if (suffix == QLatin1String("html") || suffix == QLatin1String("htm"))
        return ExportFormat::Html;
    if (suffix == QLatin1String("txt"))
        return ExportFormat::Text;
    return std::nullopt;
}

void exportDocument(const QTextDocument &document, const QString &path, ExportFormat format,
    const QList<DerivationLines> &derivations)
{
    QByteArray bytes;
    switch (format) {
    case ExportFormat::Pdf:
        bytes = pdf(*readableCopy(document, Joined::No), title(path), derivations);
        break;
    case ExportFormat::Latex: bytes = latexDocument(document, derivations).toUtf8(); break;
    case ExportFormat::Html: {
        const std::unique_ptr<QTextDocument> copy = readableCopy(document, Joined::Yes);
        copy->setMetaInformation(QTextDocument::DocumentTitle, title(path));
        bytes = withGenericFamilies(copy->toHtml()).toUtf8();
        break;
    }
    case ExportFormat::Text:
        bytes = readableCopy(document, Joined::Yes)->toPlainText().toUtf8();
        if (!bytes.isEmpty() && !bytes.endsWith('\n'))
            bytes += '\n';
        break;
    }
    writeFileAtomically(path, bytes, "Stream write error");
}

void exportTextAsPdf(const QString &text, const QFont &font, const QString &path)
{
    QTextDocument document;
    // A size in screen pixels would come out in printer pixels: give it in points.
    QFont paper = font;
    if (font.pixelSize() > 0)
        paper.setPointSizeF(font.pixelSize() * 72.0 / 96.0);
    document.setDefaultFont(paper);
    // The layout scales the stops from the screen to the paper, as it does the text.
    QTextOption option = document.defaultTextOption();
    option.setTabStopDistance(8 * QFontMetricsF(paper).averageCharWidth());
    document.setDefaultTextOption(option);
    document.setPlainText(text);
    writeFileAtomically(path, pdf(document, title(path)), "Stream write error");
}

} // namespace zv
