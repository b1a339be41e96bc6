#include "platform/printing/DocumentPrinter.h"

#include "platform/errors/PlatformError.h"
#include "platform/format/ReadableText.h"

#include <QAbstractTextDocumentLayout>
#include <QCoreApplication>
#include <QPainter>
#include <QPrinter>
#include <QPrinterInfo>
#include <QScopeGuard>
#include <QTextDocument>
#include <QTextOption>

#include <algorithm>

namespace zv {

namespace {
bool g_printing = false;
PrinterFactory &printerFactory()
{
    static PrinterFactory factory;
    return factory;
}
std::function<void(int)> &pageHook()
{
    static std::function<void(int)> hook;
    return hook;
}
} // namespace

QPageLayout withPageMargins(QPageLayout layout)
{
    layout.setUnits(QPageLayout::Millimeter);
    const QMarginsF reachable = layout.minimumMargins();
    const auto side = [](qreal m) { return std::max<qreal>(m, kPageMarginMm); };
    layout.setMargins(QMarginsF(side(reachable.left()), side(reachable.top()),
        side(reachable.right()), side(reachable.bottom())));
    return layout;
}

std::unique_ptr<QPrinter> openDefaultPrinter(const QString &jobName)
{
    const QPrinterInfo info = QPrinterInfo::defaultPrinter();
    if (info.isNull())
        throw EPlatformError(QStringLiteral("There is no default printer currently selected"));
    auto printer = std::make_unique<QPrinter>(info, QPrinter::HighResolution);
    printer->setDocName(jobName);
    printer->setFullPage(false);
    printer->setPageLayout(withPageMargins(printer->pageLayout()));
    return printer;
}

void printDocument(
    QTextDocument &document, QPagedPaintDevice &printer, const PageDecoration &decorate)
{
    if (g_printing)
        throw EPlatformError(QStringLiteral("Printing in progress"));
    g_printing = true;
    const auto done = qScopeGuard([] { g_printing = false; });

    QPainter painter;
    if (!painter.begin(&printer))
        throw EPlatformError(QStringLiteral("Printer selected is not valid"));

    // Laid out at the printer's resolution, one page the size of the printable area.
    const QRectF paintRect = printer.pageLayout().paintRectPixels(printer.logicalDpiX());
    const QSizeF body = paintRect.size();
    document.documentLayout()->setPaintDevice(&printer);
    document.setDocumentMargin(0);
    // The editor does not wrap, but paper ends: a line longer than the page goes on below, cut
    // at a word where it has one, so that every character is printed.
    QTextOption option = document.defaultTextOption();
    option.setWrapMode(QTextOption::WrapAtWordBoundaryOrAnywhere);
    document.setDefaultTextOption(option);
    document.setPageSize(body);
    // Ligatures would reach the page's text as single characters ("ﬁn" for "fin"), which a
    // search or a copy from the PDF then misses.
    QFont font = document.defaultFont();
    font.setStyleStrategy(QFont::StyleStrategy(font.styleStrategy() | QFont::PreferNoShaping));
    document.setDefaultFont(font);

    QAbstractTextDocumentLayout::PaintContext context;
    // Automatic colour prints black, whatever the window's palette.
    context.palette.setColor(QPalette::Text, Qt::black);

    const int pages = document.pageCount();
    for (int page = 0; page < pages; ++page) {
        if (page > 0 && !printer.newPage())
            throw EPlatformError(QStringLiteral("Printer selected is not valid"));
        const QRectF view(0, page * body.height(), body.width(), body.height());
        painter.save();
        painter.translate(0, -view.top());
        painter.setClipRect(view);
        // A line moved to the next page may start a rounding error above this page's bottom:
        // left out here, or the page would carry its text clipped out of sight.
        context.clip = view.adjusted(0, 0, 0, -1);
        document.documentLayout()->draw(&painter, context);
        if (decorate) {
            const qreal margin = paintRect.left();
            painter.setClipRect(view.adjusted(-margin, 0, margin, 0));
            decorate(painter);
        }
        painter.restore();
        if (pageHook())
            pageHook()(page + 1);
        // The windows keep repainting while the job is produced.
        QCoreApplication::processEvents();
    }
    if (!painter.end())
        throw EPlatformError(QStringLiteral("Printer selected is not valid"));
}

void setPrinterFactoryForTests(PrinterFactory factory)
{
    printerFactory() = std::move(factory);
}

void setPageHookForTests(std::function<void(int)> hook)
{
    pageHook() = std::move(hook);
}

void printTextDocument(const QTextDocument &document, const QString &jobName)
{
    if (g_printing)
        throw EPlatformError(QStringLiteral("Printing in progress"));
    std::unique_ptr<QPrinter> printer
        = printerFactory() ? printerFactory()(jobName) : openDefaultPrinter(jobName);
    // The page of the PDF export, whichever printer the job goes to.
    printer->setFullPage(false);
    printer->setPageLayout(withPageMargins(printer->pageLayout()));
    // A copy: the document may be edited, cleared or replaced while pages go out. Paper
    // carries the text as the user sees it, each turnstile one sign.
    std::unique_ptr<QTextDocument> copy(document.clone());
    copy->setDefaultFont(document.defaultFont());
    makeReadable(*copy);
    printDocument(*copy, *printer);
}

} // namespace zv
