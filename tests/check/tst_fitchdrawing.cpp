// A derivation drawn as the textbook draws it, in the "Dibujo" tab, its exports and the editor's
// margin: the outer bar over every line, the rule under the premises (at the top without them)
// and under each assumption, and a faulty line in red with its fault written under the drawing.
// Looked at where it matters, in painted pixels, never as a pixel-exact snapshot.

#include "check/Diagram.h"
#include "check/FitchDiagram.h"
#include "check/LineMarks.h"
#include "platform/richedit/RichEdit.h"

#include "DesktopFolders.h"

#include <QApplication>
#include <QImage>
#include <QJsonArray>
#include <QJsonObject>
#include <QPainter>
#include <QProcess>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTest>
#include <QTextBlock>

using namespace zv;

namespace {

constexpr int kCeilingMs = 300'000;

QJsonObject fitchLine(int line, int depth, bool assumption, const QString &text)
{
    return {{QStringLiteral("line"), line}, {QStringLiteral("depth"), depth},
        {QStringLiteral("indent"), depth * 4}, {QStringLiteral("assumption"), assumption},
        {QStringLiteral("text"), text}};
}

// p → (q ∧ r), s ⊢ s → (q ∧ r) from line 2 of the checked text, its →I citing a wrong range
// when @p faulty.
LogicProblem derivation(bool faulty)
{
    LogicProblem p;
    p.derivation = true;
    p.finished = true;
    p.firstLine = 1;
    p.line = 7;
    p.fitch = {fitchLine(2, 0, false, QStringLiteral("1. p → (q ∧ r) :PR")),
        fitchLine(3, 0, false, QStringLiteral("2. s :PR")),
        fitchLine(4, 1, true, QStringLiteral("3. p :AS")),
        fitchLine(5, 1, false, QStringLiteral("4. q ∧ r :→E 1, 3")),
        fitchLine(6, 0, false, QStringLiteral("5. p → (q ∧ r) :→I 3-4")),
        fitchLine(7, 0, false,
            faulty ? QStringLiteral("6. q :∧E 3") : QStringLiteral("6. q ∧ r :→E 5, 3"))};
    if (faulty)
        p.faults = {{7, QStringLiteral("Línea 6: la línea 3 no es una conjunción")}};
    p.outcome = faulty ? Outcome::Invalid : Outcome::Valid;
    return p;
}

// ⊢ p → p: a theorem, with no premises.
LogicProblem theorem()
{
    LogicProblem p;
    p.derivation = true;
    p.finished = true;
    p.firstLine = 1;
    p.line = 4;
    p.fitch = {fitchLine(2, 1, true, QStringLiteral("1. p :AS")),
        fitchLine(3, 1, false, QStringLiteral("2. p :R 1")),
        fitchLine(4, 0, false, QStringLiteral("3. p → p :→I 1-2"))};
    return p;
}

// ZV_DIAGRAM_OUT names a folder to keep the pictures in, to look at them.
void keep(const QImage &image, const QString &name)
{
    const QString folder = qEnvironmentVariable("ZV_DIAGRAM_OUT");
    if (!folder.isEmpty())
        image.save(folder + QLatin1Char('/') + name + QStringLiteral(".png"));
}

QImage painted(const Diagram &d, const QString &name)
{
    QImage image(d.size().toSize() + QSize(1, 1), QImage::Format_RGB32);
    image.fill(Qt::white);
    QPainter painter(&image);
    d.paint(painter);
    painter.end();
    keep(image, name);
    return image;
}

bool dark(QRgb c)
{
    return qGray(c) < 140;
}

bool reddish(QRgb c)
{
    return qRed(c) > 140 && qGreen(c) < 110 && qBlue(c) < 110;
}

// The share of the pixels of row @p y (±1) between @p left and @p right that are dark.
double darkAlongRow(const QImage &image, int y, int left, int right)
{
    int hits = 0;
    for (int x = left; x < right; ++x) {
        bool any = false;
        for (int dy = -1; dy <= 1; ++dy)
            any = any || dark(image.pixel(x, y + dy));
        hits += any;
    }
    return right > left ? double(hits) / (right - left) : 0;
}

bool darkInColumn(const QImage &image, int x, int top, int bottom)
{
    for (int y = top; y < bottom; ++y) {
        bool any = false;
        for (int dx = -1; dx <= 1; ++dx)
            any = any || dark(image.pixel(x + dx, y));
        if (!any)
            return false;
    }
    return true;
}

int redPixels(const QImage &image, const QRect &box)
{
    int n = 0;
    const QRect inside = box.intersected(image.rect());
    for (int y = inside.top(); y <= inside.bottom(); ++y)
        for (int x = inside.left(); x <= inside.right(); ++x)
            n += reddish(image.pixel(x, y));
    return n;
}

} // namespace

class TestFitchDrawing : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void theOuterBarSpansEveryLineAndTheRuleRunsUnderTheLastPremiseAsWideAsTheWidest()
    {
        const FitchDiagram d(derivation(false));
        QCOMPARE(d.bars().first().depth, 0);
        QCOMPARE(d.bars().first().first, 0);
        QCOMPARE(d.bars().first().last, 5);
        QCOMPARE(d.lastPremise(), 1);
        const QImage image = painted(d, QStringLiteral("fitch-correct"));
        const int x0 = qRound(d.barX(0));
        // Unbroken from the first line's top to the last line's bottom.
        QVERIFY(darkInColumn(image, x0, int(d.rowTop(0)) + 4, int(d.rowTop(6)) - 4));

        // The rule under line 2 reaches past line 1, the wider premise, not just past "s".
        const int ruleY = qRound(d.rowTop(2)) - 2;
        const int wide = qRound(d.barX(0) + 6
            + QFontMetricsF(Diagram::font(15)).horizontalAdvance(QStringLiteral("p → (q ∧ r)")));
        QVERIFY(d.ruleRight(1) >= wide);
        QVERIFY(darkAlongRow(image, ruleY, x0 + 2, wide) > 0.95);
        // No rule under the first premise, nor under a line that is neither.
        QVERIFY(d.ruleRight(0) == 0 && d.ruleRight(3) == 0 && d.ruleRight(5) == 0);
        QVERIFY(darkAlongRow(image, qRound(d.rowTop(1)) - 2, x0 + 2, wide) < 0.6);
        // The assumption's rule, beside its own bar.
        QVERIFY(d.ruleRight(2) > d.barX(1));
        QVERIFY(darkAlongRow(image, qRound(d.rowTop(3)) - 2, qRound(d.barX(1)) + 2,
                    qRound(d.ruleRight(2)) - 2)
            > 0.95);
        // With premises there is no stub at the top.
        QVERIFY(darkAlongRow(image, qRound(d.rowTop(0)) + 3, x0 + 2, x0 + 5) < 0.5);
        // A correct derivation has nothing in red and no notes.
        QVERIFY(d.notes().isEmpty());
        QCOMPARE(redPixels(image, image.rect()), 0);
    }

    void aTheoremHasItsRuleAtTheTopOfTheOuterBar()
    {
        const FitchDiagram d(theorem());
        QCOMPARE(d.lastPremise(), -1);
        QCOMPARE(d.bars().size(), 2);
        QCOMPARE(d.bars().at(0).last, 2);
        const QImage image = painted(d, QStringLiteral("fitch-theorem"));
        const int x0 = qRound(d.barX(0));
        QVERIFY(darkInColumn(image, x0, int(d.rowTop(0)) + 4, int(d.rowTop(3)) - 4));
        QVERIFY(
            darkAlongRow(image, qRound(d.rowTop(0)) + 3, x0 + 2, x0 + int(FitchDiagram::kStep) - 5)
            > 0.95);
        // The assumption's rule is still under the assumption.
        QVERIFY(d.ruleRight(0) > d.barX(1) && d.ruleRight(1) == 0);
    }

    void aFaultyLineIsRedWithACrossAndItsFaultIsWrittenUnderTheDrawing()
    {
        const FitchDiagram d(derivation(true));
        QVERIFY(d.rows().at(5).faulty);
        for (int i = 0; i < 5; ++i)
            QVERIFY(!d.rows().at(i).faulty);
        QCOMPARE(
            d.notes(), QStringList{QStringLiteral("Línea 6: la línea 3 no es una conjunción")});
        const QImage image = painted(d, QStringLiteral("fitch-faulty"));
        const int width = image.width();
        const auto rowBox = [&](int row) {
            return QRect(0, int(d.rowTop(row)) + 2, width, int(FitchDiagram::kRowHeight) - 4);
        };
        // Its number, formula and rule in red, and the cross after the rule; no other line red.
        QVERIFY(redPixels(image, rowBox(5).adjusted(0, 0, -(width - int(d.barX(0))), 0)) > 5);
        QVERIFY(redPixels(image, rowBox(5).adjusted(int(d.crossLeft()), 0, 0, 0)) > 5);
        for (int i = 0; i < 5; ++i)
            QCOMPARE(redPixels(image, rowBox(i)), 0);
        // The note, below the last line and inside the picture.
        QVERIFY(d.notesTop() >= d.rowTop(6));
        QVERIFY(d.size().height() > d.notesTop() + 10);
        QVERIFY(redPixels(image, QRect(0, int(d.notesTop()), width, image.height())) > 20);
        // The outer bar still runs through the faulty line.
        QVERIFY(darkInColumn(image, qRound(d.barX(0)), int(d.rowTop(5)) + 4, int(d.rowTop(6)) - 4));

        // In the LaTeX, under the \fitchprf; in the SVG, in red.
        QVERIFY(d.latex().contains(QStringLiteral("la línea 3 no es una conjunción")));
        const QByteArray svg = diagramSvg(d, QStringLiteral("d"));
        QVERIFY(svg.contains("la línea 3 no es una conjunción"));
        QVERIFY(svg.toLower().contains("#c62828"));
    }

    void theLatexCrossesTheFaultyLineAfterItsRuleWhateverItsFormulaHolds()
    {
        // A line that could not be read is set as written, braces and backslashes escaped.
        LogicProblem p;
        p.derivation = true;
        p.fitch = {fitchLine(1, 0, false, QStringLiteral("1. p :PR")),
            fitchLine(2, 0, false, QStringLiteral("2. {p \\ :R 1")),
            fitchLine(3, 0, false, QStringLiteral("3. p :R 1"))};
        p.latex = QStringLiteral("\\fitchprf{\\pline[1.]{p}[PR]}\n"
                                 "{\\pline[2.]{\\mbox{\\texttt{\\{p \\textbackslash{}}}}[R 1]\\\\\n"
                                 "\\pline[3.]{p}[R 1]}\n");
        p.faults = {{2, QStringLiteral("Línea 2: no se entiende la fórmula")}};
        const QString latex = FitchDiagram(p).latex();
        QVERIFY2(latex.contains(QStringLiteral("\\textbackslash{}}}}[R 1\\quad$\\times$]\\\\")),
            qPrintable(latex));
        QCOMPARE(latex.count(QStringLiteral("\\quad$\\times$")), 1);
        QVERIFY(latex.endsWith(QStringLiteral(
            "\\par\\smallskip\\noindent$\\times$ Línea 2: no se entiende la fórmula\n")));
    }

    void aFaultWithoutItsLineAndALongFaultAreNotesThatKeepTheDrawingReadable()
    {
        LogicProblem p = derivation(false);
        const qreal plainWidth = FitchDiagram(p).size().width();
        QString longMessage = QStringLiteral("Línea 6:");
        for (int i = 0; i < 40; ++i)
            longMessage += QStringLiteral(" palabra");
        p.faults = {{40, QStringLiteral("Línea 40: no es de la derivación")}, {7, longMessage}};
        const FitchDiagram d(p);
        painted(d, QStringLiteral("fitch-long-fault"));
        QVERIFY(d.rows().at(5).faulty);
        QCOMPARE(d.notes().size(), 2);
        // Wrapped, not one line across the page.
        const qreal oneLine = QFontMetricsF(Diagram::font(13)).horizontalAdvance(longMessage);
        QVERIFY(d.size().width() < oneLine);
        QVERIFY(d.size().width() <= std::max(plainWidth, FitchDiagram::kNoteWidth) + 40);
        QVERIFY(d.size().height() - d.notesTop() > 3 * QFontMetricsF(Diagram::font(13)).height());
    }

    void everyFaultyLineOfAManyFaultedDerivationIsRedAndItsNotesStopAtAScreenful()
    {
        LogicProblem p;
        p.derivation = true;
        p.fitch.append(fitchLine(1, 0, false, QStringLiteral("1. p :PR")));
        for (int k = 2; k <= 100; ++k) {
            p.fitch.append(fitchLine(k, 0, false, QStringLiteral("%1. q :R 1").arg(k)));
            p.faults.append({k, QStringLiteral("Línea %1: la línea 1 es p").arg(k)});
        }
        const FitchDiagram d(p);
        for (int i = 1; i < 100; ++i)
            QVERIFY(d.rows().at(i).faulty);
        QVERIFY(!d.rows().at(0).faulty);
        QCOMPARE(d.notes().size(), FitchDiagram::kMaxNotes + 1);
        QCOMPARE(d.notes().at(FitchDiagram::kMaxNotes - 1),
            QStringLiteral("Línea %1: la línea 1 es p").arg(FitchDiagram::kMaxNotes + 1));
        QCOMPARE(d.notes().last(),
            QStringLiteral("… y otras %1 líneas incorrectas, en rojo arriba")
                .arg(99 - FitchDiagram::kMaxNotes));
    }

    void theExportedPdfShowsTheBarsTheRuleAndTheFaultInRed()
    {
        const QString pdftoppm = QStandardPaths::findExecutable(QStringLiteral("pdftoppm"));
        if (pdftoppm.isEmpty())
            QSKIP("pdftoppm (poppler-utils) is not installed");
        const FitchDiagram d(derivation(true));
        QTemporaryDir folder;
        QFile pdf(folder.filePath(QStringLiteral("d.pdf")));
        QVERIFY(pdf.open(QIODevice::WriteOnly));
        pdf.write(diagramPdf(d, QStringLiteral("d")));
        pdf.close();
        // At 96 dpi a point of the page is a pixel of the drawing.
        QProcess render;
        render.start(pdftoppm,
            {QStringLiteral("-r"), QStringLiteral("96"), QStringLiteral("-png"),
                QStringLiteral("-singlefile"), pdf.fileName(),
                folder.filePath(QStringLiteral("d"))});
        QVERIFY(render.waitForFinished(kCeilingMs) && render.exitCode() == 0);
        const QImage page(folder.filePath(QStringLiteral("d.png")));
        QVERIFY(!page.isNull());
        keep(page, QStringLiteral("fitch-pdf"));
        const int dx = int(kDiagramMargin), dy = int(kDiagramMargin);
        const int x0 = qRound(d.barX(0)) + dx;
        QVERIFY(darkInColumn(page, x0, int(d.rowTop(0)) + dy + 4, int(d.rowTop(6)) + dy - 4));
        QVERIFY(darkAlongRow(
                    page, qRound(d.rowTop(2)) - 2 + dy, x0 + 2, qRound(d.ruleRight(1)) + dx - 2)
            > 0.9);
        QVERIFY(redPixels(page,
                    QRect(0, int(d.rowTop(5)) + dy + 2, page.width(),
                        int(FitchDiagram::kRowHeight) - 4))
            > 5);
        for (int i = 0; i < 5; ++i)
            QCOMPARE(redPixels(page,
                         QRect(0, int(d.rowTop(i)) + dy + 2, page.width(),
                             int(FitchDiagram::kRowHeight) - 4)),
                0);
        QVERIFY(
            redPixels(page, QRect(0, int(d.notesTop()) + dy, page.width(), page.height())) > 20);
    }

    void theMarginDrawsTheOuterBarAndTheRuleUnderThePremises()
    {
        RichEdit edit;
        edit.resize(500, 300);
        edit.insertReadable(QStringLiteral("p → (q ∧ r), s ⊢ s\n"
                                           "1. p → (q ∧ r) :PR\n"
                                           "2. s :PR\n"
                                           "    3. p :AS\n"
                                           "    4. q ∧ r :→E 1, 3\n"
                                           "5. s :R 2"));
        edit.show();
        QVERIFY(QTest::qWaitForWindowExposed(&edit));
        LineMarks &marks = *new LineMarks(edit);
        QTextDocument &document = *edit.document();
        const auto at = [&](int block) { return document.findBlockByNumber(block).position(); };
        marks.addBar(at(3), at(4), 1);
        marks.addOuterBar(at(1), at(5), at(2), at(1));
        QCOMPARE(marks.bars().size(), 2);
        QCOMPARE(marks.bars().at(1).depth, 0);
        QCOMPARE(marks.bars().at(1).rule->blockNumber(), 2);

        const QImage image = edit.viewport()->grab().toImage();
        keep(image, QStringLiteral("margin-derivation"));
        const auto lineRect = [&](int block) {
            QTextCursor c(document.findBlockByNumber(block));
            return edit.cursorRect(c);
        };
        // The outer bar just left of the unindented lines, from line 1 to line 5.
        const int x = lineRect(1).left() - 3;
        QVERIFY(darkInColumn(image, x, lineRect(1).top() + 2, lineRect(5).bottom() - 2));
        // The rule under line 2 as long as the longer premise, line 1.
        QTextCursor end1(document.findBlockByNumber(1));
        end1.movePosition(QTextCursor::EndOfBlock);
        const int right = edit.cursorRect(end1).left();
        QVERIFY(darkAlongRow(image, lineRect(2).bottom(), x + 2, right - 2) > 0.9);
        // The subproof's bar stands further in, beside its indented lines only.
        QTextCursor text3(document.findBlockByNumber(3));
        text3.setPosition(at(3) + 4);
        const int x1 = edit.cursorRect(text3).left() - 3;
        QVERIFY(x1 > x + 4);
        QVERIFY(darkInColumn(image, x1, lineRect(3).top() + 2, lineRect(4).bottom() - 2));
        QVERIFY(!darkInColumn(image, x1, lineRect(5).top() + 2, lineRect(5).bottom() - 2));

        // Lines typed above move the bar and its rule with them; an edit inside takes it away.
        QTextCursor top(&document);
        top.insertText(QStringLiteral("Ejercicio 1\n"));
        QCOMPARE(marks.bars().at(1).rule->blockNumber(), 3);
        QCOMPARE(marks.bars().at(1).beside.blockNumber(), 2);
        QTextCursor inside(document.findBlockByNumber(6));
        inside.insertText(QStringLiteral("x"));
        QCOMPARE(marks.bars().size(), 1);
        QCOMPARE(marks.bars().at(0).depth, 1);
    }

    void aTheoremInTheMarginHasItsBarBesideTheStartAndItsRuleAtTheTop()
    {
        RichEdit edit;
        edit.resize(500, 300);
        edit.insertReadable(QStringLiteral("⊢ p → p\n    1. p :AS\n    2. p :R 1"));
        edit.show();
        QVERIFY(QTest::qWaitForWindowExposed(&edit));
        LineMarks &marks = *new LineMarks(edit);
        QTextDocument &document = *edit.document();
        const auto at = [&](int block) { return document.findBlockByNumber(block).position(); };
        // Unfinished: no line of depth 0 yet, so the bar stands at the lines' start.
        marks.addBar(at(1), at(2), 1);
        marks.addOuterBar(at(1), at(2), -1, -1);
        QVERIFY(!marks.bars().at(1).rule);
        const QImage image = edit.viewport()->grab().toImage();
        keep(image, QStringLiteral("margin-theorem"));
        const QRect first = edit.cursorRect(QTextCursor(document.findBlockByNumber(1)));
        const QRect last = edit.cursorRect(QTextCursor(document.findBlockByNumber(2)));
        const int x = first.left() - 3;
        QVERIFY(darkInColumn(image, x, first.top() + 2, last.bottom() - 2));
        QVERIFY(darkAlongRow(image, first.top() + 1, x + 1, x + 8) > 0.9);
    }

private:
    test::DesktopFolders m_folders;
};

QTEST_MAIN(TestFitchDrawing)
#include "tst_fitchdrawing.moc"
