// Printing: the page loop through the printer seam, and real jobs on the CUPS default queue that
// scripts/cups.sh sets up (skipped where no scheduler runs).

#include "Unit1.h"

#include "FakeDialogs.h"
#include "MainWindowFixture.h"

#include "platform/app/Application.h"
#include "platform/printing/DocumentPrinter.h"
#include "platform/richedit/RichEdit.h"
#include "platform/widgets/SpeedButton.h"

#include <QAction>
#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QPageLayout>
#include <QPrinter>
#include <QPrinterInfo>
#include <QProcess>
#include <QRegularExpression>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>

#include <cmath>

using namespace zv;

namespace {

QString run(const QString &program, const QStringList &arguments)
{
    QProcess process;
    process.start(program, arguments);
    if (!process.waitForFinished(180000))
        return QString();
    return QString::fromUtf8(process.readAllStandardOutput());
}

bool schedulerRunning()
{
    return !QStandardPaths::findExecutable("lpstat").isEmpty()
        && run("lpstat", {"-r"}).contains("scheduler is running");
}

// Line n's words: letters only, so that a page number would stand out, and none that the font
// joins into a ligature.
QString lineText(int n)
{
    static const QString letters = QStringLiteral("abcdeghjkmnopqrstuvwxyz");
    return QStringLiteral("renglon %1%2 cabo")
        .arg(letters.at(n / letters.size()), letters.at(n % letters.size()));
}

} // namespace

class TestPrinting : public QObject, private test::MainWindowTest
{
    Q_OBJECT

private Q_SLOTS:
    void init() { QVERIFY(showMainWindow()); }

    void cleanup()
    {
        setPrinterFactoryForTests({});
        setPageHookForTests({});
        m_edit->setModified(false);
        closeMainWindow();
    }

    void printAndPdfExportLayOutTheSamePage()
    {
        if (QStandardPaths::findExecutable("pdftotext").isEmpty())
            QSKIP("pdftotext is not installed");
        // What no printer reaches widens a margin beyond 20 mm; nothing narrows one below it.
        const QPageLayout wide(QPageSize(QPageSize::A4), QPageLayout::Portrait, QMarginsF(),
            QPageLayout::Millimeter, QMarginsF(4, 25, 0, 6.35));
        QCOMPARE(withPageMargins(wide).margins(QPageLayout::Millimeter), QMarginsF(20, 25, 20, 20));

        QTemporaryDir out;
        const QString printed = out.filePath("f4.pdf"), exported = out.filePath("exportado.pdf");
        setPrinterFactoryForTests([printed](const QString &jobName) {
            auto printer = std::make_unique<QPrinter>(QPrinter::HighResolution);
            printer->setOutputFormat(QPrinter::PdfFormat);
            printer->setOutputFileName(printed);
            printer->setPageSize(QPageSize(QPageSize::A4));
            printer->setDocName(jobName);
            return printer;
        });
        m_edit->replaceSel("primera linea del documento\r\nsegunda linea mas abajo");
        m_form->Imprimir1->trigger();
        m_dialogs->queueSaveFile(exported);
        m_form->Exportar1->trigger();
        QVERIFY(errors().isEmpty());
        // Word for word at the same place on the same page: 20 mm is 56.69 pt.
        const QRegularExpression word(QStringLiteral(
            R"re(<word xMin="([\d.]+)" yMin="([\d.]+)" xMax="[\d.]+" yMax="[\d.]+">(\w+)<)re"));
        const auto words = [&](const QString &pdf) {
            QStringList found;
            for (const auto &m : word.globalMatch(run("pdftotext", {"-bbox", pdf, "-"})))
                found << QStringLiteral("%1 %2 %3")
                             .arg(m.captured(3))
                             .arg(std::lround(m.captured(1).toDouble()))
                             .arg(std::lround(m.captured(2).toDouble()));
            return found;
        };
        const QStringList onPaper = words(printed);
        QCOMPARE(onPaper.size(), 8);
        QCOMPARE(onPaper.first().section(QLatin1Char(' '), 1, 1), QStringLiteral("57"));
        QCOMPARE(words(exported), onPaper);
    }

    void pagesHoldEveryLineOnceWhileEventsRunBetweenThem()
    {
        if (QStandardPaths::findExecutable("pdftotext").isEmpty())
            QSKIP("pdftotext is not installed");
        QTemporaryDir out;
        const QString pdf = out.filePath("job.pdf");
        setPrinterFactoryForTests([pdf](const QString &jobName) {
            auto printer = std::make_unique<QPrinter>(QPrinter::HighResolution);
            printer->setOutputFormat(QPrinter::PdfFormat);
            printer->setOutputFileName(pdf);
            printer->setDocName(jobName);
            return printer;
        });

        constexpr int kLines = 260;
        QByteArray text;
        for (int n = 0; n < kLines; ++n)
            text += lineText(n).toLatin1() + "\r\n";
        m_edit->replaceSel(text);
        m_edit->setSelStart(5);
        m_edit->setModified(true);

        // Between the first two pages: a second print is refused, and the editor is emptied
        // under the running job, which goes on with what it started with.
        QList<int> pages;
        QStringList errorsDuringJob;
        setPageHookForTests([&](int page) {
            pages << page;
            if (page == 1)
                QTimer::singleShot(0, m_form.get(), [&] {
                    m_form->Imprimir1->trigger();
                    errorsDuringJob = errors();
                    m_edit->clearDocument();
                });
        });

        m_form->SpeedButton14Click(m_form.get());

        QCOMPARE(errorsDuringJob, QStringList{"Printing in progress."});
        QVERIFY2(pages.size() > 1, "the document should need several pages");
        for (int i = 0; i < pages.size(); ++i)
            QCOMPARE(pages[i], i + 1);

        const QString printed = run("pdftotext", {"-layout", pdf, "-"});
        QCOMPARE(printed.count(QChar('\f')), pages.size());
        int from = 0;
        for (int n = 0; n < kLines; ++n) {
            const int at = printed.indexOf(lineText(n), from);
            QVERIFY2(at >= 0, qPrintable(lineText(n) + " missing or out of order"));
            QVERIFY2(printed.indexOf(lineText(n), at + 1) < 0, qPrintable(lineText(n) + " twice"));
            from = at;
        }
        QVERIFY2(
            !printed.contains(QRegularExpression("[0-9]")), "something was added to the pages");
        // Printing itself touches neither the flag nor the caption.
        QCOMPARE(m_form->windowTitle(), QStringLiteral("Zarvik - Editor de Lógica"));

        // The next job starts normally once the first is done.
        setPageHookForTests({});
        m_edit->replaceSel("otra");
        m_form->SpeedButton14Click(m_form.get());
        QCOMPARE(errors(), QStringList{"Printing in progress."});
    }

    void selectionAndFlagSurviveAPrint()
    {
        QTemporaryDir out;
        setPrinterFactoryForTests([&out](const QString &) {
            auto printer = std::make_unique<QPrinter>();
            printer->setOutputFormat(QPrinter::PdfFormat);
            printer->setOutputFileName(out.filePath("x.pdf"));
            return printer;
        });
        m_edit->replaceSel("p y q");
        m_edit->setSelStart(2);
        m_edit->setSelLength(1);
        m_form->Imprimir1->trigger();
        QVERIFY(m_edit->modified());
        QCOMPARE(m_edit->selStart(), 2);
        QCOMPARE(m_edit->selLength(), 1);
        QVERIFY(errors().isEmpty());
    }

    void symbolsArePrintedAsTheirCharacters()
    {
        if (QStandardPaths::findExecutable("pdftotext").isEmpty())
            QSKIP("pdftotext is not installed");
        QTemporaryDir out;
        const QString pdf = out.filePath("symbols.pdf");
        setPrinterFactoryForTests([pdf](const QString &) {
            auto printer = std::make_unique<QPrinter>(QPrinter::HighResolution);
            printer->setOutputFormat(QPrinter::PdfFormat);
            printer->setOutputFileName(pdf);
            return printer;
        });
        typeSymbols();
        m_form->Imprimir1->trigger();
        QVERIFY(run("pdftotext", {pdf, "-"}).contains(QStringLiteral("Todos ∀x → □ p")));
    }

    void symbolsReachTheDefaultPrinter()
    {
        if (!schedulerRunning() || QPrinterInfo::defaultPrinter().isNull())
            QSKIP("no CUPS scheduler with a default printer (scripts/cups.sh start)");
        if (QStandardPaths::findExecutable("pdftotext").isEmpty())
            QSKIP("pdftotext is not installed");
        const QString script = qEnvironmentVariable("ZV_SOURCE_DIR") + "/scripts/cups.sh";
        const QString pdfDir = run(script, {"pdfdir"}).trimmed();
        QVERIFY2(!pdfDir.isEmpty(), "scripts/cups.sh pdfdir names no folder");
        const QStringList before = QDir(pdfDir).entryList({"*.pdf"}, QDir::Files);

        typeSymbols();
        m_form->SpeedButton23Click(m_form.get()); // ⊢
        m_edit->replaceSel("q");
        m_form->SpeedButton22Click(m_form.get()); // ⊨
        // One line of more than 500 characters: the editor does not wrap, the paper must.
        QString longLine;
        for (int n = 0; n < 32; ++n)
            longLine += lineText(n) + ' ';
        m_edit->replaceSel("\r\n" + longLine.toLatin1());
        m_form->Imprimir1->trigger();
        QVERIFY2(errors().isEmpty(), qPrintable(errors().join('\n')));

        QString pdf;
        QTRY_VERIFY_WITH_TIMEOUT(!(pdf = newPdf(pdfDir, before)).isEmpty(), 180000);
        // cups-pdf may still be writing the file.
        QString printed;
        QTRY_VERIFY_WITH_TIMEOUT(
            (printed = run("pdftotext", {"-bbox", pdf, "-"})).contains("</doc>"), 60000);
        const QRegularExpressionMatch page
            = QRegularExpression("<page width=\"([0-9.]+)\" height=\"([0-9.]+)\"").match(printed);
        QVERIFY(page.hasMatch());
        const double width = page.captured(1).toDouble();
        const double height = page.captured(2).toDouble();
        const double edge = 6 * 72 / 25.4;
        QString text;
        QRegularExpression word("<word xMin=\"([0-9.]+)\" yMin=\"([0-9.]+)\" xMax=\"([0-9.]+)\" "
                                "yMax=\"([0-9.]+)\">([^<]*)</word>");
        for (const QRegularExpressionMatch &w : word.globalMatch(printed)) {
            text += w.captured(5);
            QVERIFY2(w.captured(1).toDouble() >= edge && w.captured(2).toDouble() >= edge
                    && w.captured(3).toDouble() <= width - edge
                    && w.captured(4).toDouble() <= height - edge,
                qPrintable(w.captured(0) + " is within 6 mm of the paper's edge"));
        }
        QCOMPARE(text, QStringLiteral("Todos∀x→□p⊢q⊨") + QString(longLine).remove(' '));
        QFile::remove(pdf);
    }

    void missingDefaultPrinterIsReported()
    {
        if (!QPrinterInfo::defaultPrinter().isNull())
            QSKIP("a default printer is set up; run with CUPS_SERVER pointing nowhere");
        m_edit->replaceSel("texto");
        m_form->Imprimir1->trigger();
        QCOMPARE(errors(), QStringList{"There is no default printer currently selected."});
        QVERIFY(m_edit->modified());
    }

private:
    // "Todos ∀x → □ p", the symbols in their symbol fonts' bytes.
    void typeSymbols()
    {
        m_edit->replaceSel("Todos ");
        m_form->SpeedButton1Click(m_form.get()); // ∀, "Symbol" 0x22
        m_edit->replaceSel("x ");
        m_edit->setSelFaceName("Symbol");
        m_edit->setSelCharset(2);
        m_edit->replaceSel("\xAE"); // →, "Symbol" 0xAE
        m_edit->setSelFaceName("Verdana");
        m_edit->setSelCharset(0);
        m_edit->replaceSel(" ");
        m_form->SpeedButton7Click(m_form.get()); // □, "Wingdings 2" 0xA3
        m_edit->replaceSel(" p");
    }

    static QString newPdf(const QString &dir, const QStringList &before)
    {
        for (const QString &name : QDir(dir).entryList({"*.pdf"}, QDir::Files, QDir::Time))
            if (!before.contains(name))
                return QDir(dir).filePath(name);
        return QString();
    }

    // The error reports alone: the prompt's exclamation icon shares a bit with the error icon.
    QStringList errors() const
    {
        QStringList out;
        for (const test::MessageBoxRequest &r : m_dialogs->messageBoxes)
            if ((r.flags & 0xF0) == MB_ICONERROR)
                out << r.text;
        return out;
    }
};

QTEST_MAIN(TestPrinting)
#include "tst_printing.moc"
