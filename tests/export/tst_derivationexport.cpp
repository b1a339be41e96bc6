// Derivations leave Zarvik as the engine reads them: copied and exported as LaTeX with lplfitch
// (which compiles and keeps every formula), drawn with their bars in the PDF export; without the
// engine, or when it hangs, the text goes out as before and in bounded time.

#include "Unit1.h"

#include "MainWindowFixture.h"

#include "check/DocumentDerivations.h"
#include "check/LogicWorker.h"
#include "platform/export/Latex.h"
#include "platform/richedit/RichEdit.h"

#include <QAction>
#include <QApplication>
#include <QClipboard>
#include <QElapsedTimer>
#include <QImage>
#include <QMimeData>
#include <QProcess>
#include <QRegularExpression>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTest>
#include <QTextBlock>

using namespace zv;

namespace {

// Two derivations, the second with a subderivation inside another, between lines of prose.
constexpr const char *kDocument = "Ejercicio primero\r\n"           // 1
                                  "1. p -> q :PR\r\n"               // 2
                                  "2. q -> r :PR\r\n"               // 3
                                  "    3. p :AS\r\n"                // 4
                                  "    4. q :->E 1, 3\r\n"          // 5
                                  "    5. r :->E 2, 4\r\n"          // 6
                                  "6. p -> r :->I 3-5\r\n"          // 7
                                  "\r\n"                            // 8
                                  "Ejercicio segundo\r\n"           // 9
                                  "1. s -> (t -> u) :Premisa\r\n"   // 10
                                  "    2. t :AS\r\n"                // 11
                                  "        3. s :AS\r\n"            // 12
                                  "        4. t -> u :->E 1, 3\r\n" // 13
                                  "        5. u :->E 4, 2\r\n"      // 14
                                  "    6. s -> u :->I 3-5\r\n"      // 15
                                  "7. t -> (s -> u) :->I 2-6\r\n"   // 16
                                  "Fin del documento";              // 17

QString run(const QString &program, const QStringList &arguments, const QString &folder = {})
{
    QProcess process;
    process.setWorkingDirectory(folder);
    process.start(program, arguments);
    if (!process.waitForFinished(120000) || process.exitCode() != 0)
        return {};
    return QString::fromUtf8(process.readAllStandardOutput());
}

bool installed(const QStringList &programs)
{
    for (const QString &p : programs)
        if (QStandardPaths::findExecutable(p).isEmpty())
            return false;
    return true;
}

using Bars = QList<std::array<int, 3>>;
Bars barsOf(const DerivationLines &d)
{
    Bars bars;
    for (const DerivationLines::Bar &b : d.bars)
        bars.append({b.first, b.last, b.rule});
    return bars;
}

// The words of a PDF page as pdftotext -bbox gives them, in points.
struct Word
{
    QString text;
    QRectF box;
};
QList<Word> wordsOf(const QString &pdf)
{
    static const QRegularExpression word(
        QStringLiteral("<word xMin=\"([\\d.]+)\" yMin=\"([\\d.]+)\" xMax=\"([\\d.]+)\" "
                       "yMax=\"([\\d.]+)\">([^<]*)<"));
    QList<Word> words;
    for (const QRegularExpressionMatch &m : word.globalMatch(
             run(QStringLiteral("pdftotext"), {QStringLiteral("-bbox"), pdf, QStringLiteral("-")})))
        words.append({m.captured(5),
            QRectF(QPointF(m.captured(1).toDouble(), m.captured(2).toDouble()),
                QPointF(m.captured(3).toDouble(), m.captured(4).toDouble()))});
    return words;
}

// Dark pixels in the rectangle, in the image's pixels.
int inkIn(const QImage &image, const QRect &area)
{
    int ink = 0;
    const QRect r = area.intersected(image.rect());
    for (int y = r.top(); y <= r.bottom(); ++y)
        for (int x = r.left(); x <= r.right(); ++x)
            ink += qGray(image.pixel(x, y)) < 128;
    return ink;
}

} // namespace

class TestDerivationExport : public QObject, private test::MainWindowTest
{
    Q_OBJECT

private Q_SLOTS:
    void init()
    {
        setLogicWorkerForTests(
            qEnvironmentVariable("ZV_BUILD_DIR") + QStringLiteral("/zarvik-logic"));
        QVERIFY(showMainWindow());
        m_edit->replaceSel(kDocument);
        m_edit->document()->setModified(false);
    }

    void cleanup()
    {
        closeMainWindow();
        setLogicWorkerForTests(QString());
    }

    void theEngineGivesEachDerivationItsLinesAndBars()
    {
        const QTextDocument &document = *m_edit->document();
        const QList<DerivationLines> found
            = derivationsIn(document, 0, document.characterCount() - 1);
        QCOMPARE(found.size(), 2);
        QCOMPARE(found[0].first, 2);
        QCOMPARE(found[0].last, 7);
        // The derivation's own bar with the line under its premises, then the subderivation's.
        QCOMPARE(barsOf(found[0]), (Bars{{2, 7, 3}, {4, 6, 4}}));
        QCOMPARE(found[1].first, 10);
        QCOMPARE(found[1].last, 16);
        // "Premisa" is a premise as "PR" is.
        QCOMPARE(barsOf(found[1]), (Bars{{10, 16, 10}, {11, 15, 11}, {12, 14, 12}}));
        QVERIFY(found[0].latex.contains(QLatin1String("\\fitchprf")));

        // A selection counts its lines from its own first.
        const int from = document.findBlockByNumber(8).position();
        const QList<DerivationLines> second
            = derivationsIn(document, from, document.characterCount() - 1);
        QCOMPARE(second.size(), 1);
        QCOMPARE(second[0].first, 2);
        QCOMPARE(barsOf(second[0]), (Bars{{2, 8, 2}, {3, 7, 3}, {4, 6, 4}}));

        // Prose alone never starts the engine.
        setLogicWorkerForTests(QStringLiteral("/nonexistent/zarvik-logic"));
        QVERIFY(derivationsIn(document, 0, document.findBlockByNumber(1).position() - 1).isEmpty());
    }

    void copyWritesEachDerivationWithLplfitchAndLeavesTheDocument()
    {
        const QString before = m_edit->document()->toPlainText();
        m_form->SeleccionatTodo1->trigger();
        m_form->CopiarComoLatex1->trigger();
        const QString copied = QApplication::clipboard()->text();
        QVERIFY2(copied.startsWith(QStringLiteral("% \\usepackage{amssymb,lplfitch}\n")),
            qPrintable(copied));
        // The TeX form is the same text: a program that takes it gets the preamble's line too.
        QCOMPARE(QString::fromUtf8(
                     QApplication::clipboard()->mimeData()->data(QStringLiteral("text/x-tex"))),
            copied);
        QCOMPARE(copied.count(QLatin1String("\\fitchprf")), 2);
        // The prose as before; the derivations' lines are not written a second time as text.
        QVERIFY(copied.contains(QLatin1String("Ejercicio primero\n\n\\fitchprf")));
        QVERIFY(copied.contains(QLatin1String("Ejercicio segundo\n\n\\fitchprf")));
        QVERIFY(copied.trimmed().endsWith(QLatin1String("}\n\nFin del documento")));
        QVERIFY(!copied.contains(QLatin1String(":PR")));
        QCOMPARE(m_edit->document()->toPlainText(), before);
        QVERIFY(!m_edit->document()->isModified());

        // A selection inside the prose copies as it always did.
        m_edit->setSelStart(0);
        m_edit->setSelLength(9);
        m_form->CopiarComoLatex1->trigger();
        QCOMPARE(QApplication::clipboard()->text(), QStringLiteral("Ejercicio"));
    }

    void withoutAnEngineTheCopyIsTheTextAndTakesBoundedTime_data()
    {
        QTest::addColumn<QString>("program");
        QTest::addColumn<QStringList>("arguments");
        QTest::newRow("missing") << QStringLiteral("/nonexistent/zarvik-logic") << QStringList();
        QTest::newRow("silent") << QStringLiteral("sleep") << QStringList{QStringLiteral("600")};
        QTest::newRow("fails") << QStringLiteral("false") << QStringList();
    }

    void withoutAnEngineTheCopyIsTheTextAndTakesBoundedTime()
    {
        QFETCH(QString, program);
        QFETCH(QStringList, arguments);
        if (QStandardPaths::findExecutable(program).isEmpty() && !program.startsWith(u'/'))
            QSKIP(qPrintable(program + QStringLiteral(" is not installed")));
        setLogicWorkerForTests(program, arguments);
        const QTextDocument &document = *m_edit->document();
        const int end = document.characterCount() - 1;
        m_form->SeleccionatTodo1->trigger();
        QElapsedTimer clock;
        clock.start();
        m_form->CopiarComoLatex1->trigger();
        // A copy that waited for the silent worker would take ten minutes; a busy machine may
        // stretch the wait itself many times over.
        QVERIFY2(clock.elapsed() < kDerivationsWaitMs + 60000,
            qPrintable(QString::number(clock.elapsed())));
        const QMimeData *data = QApplication::clipboard()->mimeData();
        QVERIFY(data->text().endsWith(latexFragment(document, 0, end)));
        QCOMPARE(QString::fromUtf8(data->data(QStringLiteral("text/x-tex"))), data->text());
        QVERIFY(!data->text().contains(QLatin1String("lplfitch")));
        QVERIFY(data->text().contains(QLatin1String("p \\to q")));
    }

    void latexExportCompilesWithEveryFormula()
    {
        QTemporaryDir folder;
        const QString tex = folder.filePath(QStringLiteral("derivaciones.tex"));
        m_dialogs->queueSaveFile(tex);
        m_form->Exportar1->trigger();
        QVERIFY(m_dialogs->errors().isEmpty());
        QFile file(tex);
        QVERIFY(file.open(QIODevice::ReadOnly));
        const QString source = QString::fromUtf8(file.readAll());
        QVERIFY(source.contains(QLatin1String("\\usepackage{lplfitch}\n")));
        QCOMPARE(source.count(QLatin1String("\\fitchprf")), 2);
        if (!installed({QStringLiteral("pdflatex"), QStringLiteral("pdftotext")}))
            QSKIP("pdflatex or poppler-utils is not installed; the export was not compiled");
        if (run(QStringLiteral("kpsewhich"), {QStringLiteral("lplfitch.sty")}).trimmed().isEmpty())
            QSKIP("lplfitch.sty is not installed (texlive-science)");
        const QString log = run(QStringLiteral("pdflatex"),
            {QStringLiteral("-interaction=nonstopmode"), QStringLiteral("-halt-on-error"), tex},
            folder.path());
        QVERIFY2(!log.isNull(), "pdflatex failed");
        const QString compiled = folder.filePath(QStringLiteral("derivaciones.pdf"));
        if (!qEnvironmentVariableIsEmpty("ZV_KEEP_PDF"))
            QFile::copy(compiled, qEnvironmentVariable("ZV_KEEP_PDF"));
        QString text = run(QStringLiteral("pdftotext"), {compiled, QStringLiteral("-")});
        text.remove(QRegularExpression(QStringLiteral("\\s")));
        for (const char *formula : {"p→q", "q→r", "p→r", "s→(t→u)", "t→u", "s→u", "t→(s→u)",
                 "Ejercicioprimero", "Ejerciciosegundo", "Findeldocumento"})
            QVERIFY2(
                text.contains(QString::fromUtf8(formula)), qPrintable(formula + (": " + text)));
    }

    void pdfExportDrawsTheBarsBesideTheLines()
    {
        if (!installed({QStringLiteral("pdftoppm"), QStringLiteral("pdftotext")}))
            QSKIP("poppler-utils is not installed");
        QTemporaryDir folder;
        const QString pdf = folder.filePath(QStringLiteral("derivaciones.pdf"));
        m_dialogs->queueSaveFile(pdf);
        m_form->Exportar1->trigger();
        QVERIFY(m_dialogs->errors().isEmpty());
        // At 72 dots an inch, a pixel is a point, as pdftotext measures.
        run(QStringLiteral("pdftoppm"),
            {QStringLiteral("-r"), QStringLiteral("72"), QStringLiteral("-png"),
                QStringLiteral("-singlefile"), pdf, folder.filePath(QStringLiteral("pagina"))});
        const QImage page(folder.filePath(QStringLiteral("pagina.png")));
        QVERIFY(!page.isNull());
        if (!qEnvironmentVariableIsEmpty("ZV_KEEP_PAGE"))
            page.save(qEnvironmentVariable("ZV_KEEP_PAGE"));
        const QList<Word> words = wordsOf(pdf);
        const auto first = [&](const QString &text, int nth = 1) -> QRectF {
            for (const Word &w : words)
                if (w.text == text && --nth == 0)
                    return w.box;
            return {};
        };
        const QRectF one = first(QStringLiteral("1.")), three = first(QStringLiteral("3.")),
                     five = first(QStringLiteral("5.")), six = first(QStringLiteral("6.")),
                     prose = first(QStringLiteral("Ejercicio"));
        QVERIFY(!one.isNull() && !three.isNull() && !five.isNull() && !prose.isNull());
        // Just left of the subderivation's lines, from its assumption to its last line, and
        // not beyond it.
        const auto column = [&](const QRectF &from, qreal top, qreal bottom) {
            return inkIn(page,
                QRect(QPoint(int(from.left()) - 4, int(top)),
                    QPoint(int(from.left()) - 1, int(bottom))));
        };
        QVERIFY(
            column(three, three.top() + 1, five.bottom() - 1) > int(five.bottom() - three.top()));
        QCOMPARE(column(three, six.top() + 2, six.bottom() - 1), 0);
        // The derivation's own bar, in the margin beside line 1; none beside the prose.
        QVERIFY(column(one, one.top() + 1, one.bottom() - 1) > 0);
        QCOMPARE(column(prose, prose.top() + 1, prose.bottom() - 1), 0);
        // A horizontal line under the assumption "3. p".
        const QRectF p = first(QStringLiteral("p"), 2);
        QVERIFY(inkIn(page,
                    QRect(QPoint(int(p.left()), int(p.bottom())),
                        QPoint(int(p.right()), int(p.bottom()) + 3)))
            > 0);
        QVERIFY(!m_edit->document()->isModified());
    }
};

QTEST_MAIN(TestDerivationExport)
#include "tst_derivationexport.moc"
