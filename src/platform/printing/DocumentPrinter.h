#pragma once

#include <QPageLayout>
#include <QString>

#include <functional>
#include <memory>

class QPagedPaintDevice;
class QPainter;
class QPrinter;
class QTextDocument;

namespace zv {

/// The page's margin on every side, on paper and in an exported PDF alike, so that a document
/// looks the same whichever way it leaves.
inline constexpr double kPageMarginMm = 20;

/// @p layout with each margin the larger of kPageMarginMm and what its printer cannot reach.
QPageLayout withPageMargins(QPageLayout layout);

/**
 * The printer a job goes to: the system's default printer with the job named @p jobName, its
 * margins withPageMargins().
 * Throws EPlatformError "There is no default printer currently selected" when none is set up.
 */
std::unique_ptr<QPrinter> openDefaultPrinter(const QString &jobName);

/**
 * Prints @p document on @p printer (a printer or a PDF writer) over the whole printable area, as much per page as fits and a
 * new page only while text remains, with nothing added (no page numbers, no headers). Lines
 * longer than the page wrap, so that nothing is lost at its edge. Pending
 * events are dispatched between pages, so the windows keep repainting; the document is laid out
 * anew for the printer, so pass a copy that nothing else touches meanwhile.
 * With @p decorate, each page also gets what it draws in the document's coordinates over the
 * page's band of the text, its left and right margins included.
 * Throws EPlatformError "Printing in progress" when a job is already being produced.
 */
using PageDecoration = std::function<void(QPainter &painter)>;
void printDocument(
    QTextDocument &document, QPagedPaintDevice &printer, const PageDecoration &decorate = {});

/// Test seam: where the jobs of printTextDocument() go. An empty function restores the default
/// printer.
using PrinterFactory = std::function<std::unique_ptr<QPrinter>(const QString &jobName)>;
void setPrinterFactoryForTests(PrinterFactory factory);

/// Test seam: called after each page is finished, before events are dispatched.
void setPageHookForTests(std::function<void(int page)> hook);

/// What RichEdit::print() does: a readable copy (makeReadable()) of @p document on the default
/// printer (or the test's).
void printTextDocument(const QTextDocument &document, const QString &jobName);

} // namespace zv
