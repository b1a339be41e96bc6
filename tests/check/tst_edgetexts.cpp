// Texts at the edge of what a check takes: a line far longer than any formula, read in pieces
// and answered as an error of its own line without touching the document or its neighbours'
// answers, and a derivation a thousand subderivations deep, whose faults and margin bars stay
// right.

#include "Unit1.h"

#include "MainWindowFixture.h"

#include "check/AssistRun.h"
#include "check/CheckWindow.h"
#include "check/LineMarks.h"
#include "check/LogicWorker.h"
#include "platform/format/ReadableText.h"
#include "platform/richedit/RichEdit.h"

#include <QFile>
#include <QPlainTextEdit>
#include <QTest>
#include <QTextBlock>

#include <algorithm>
#include <tuple>

using namespace zv;

namespace {

// A check on a machine as busy as it gets: minutes, not seconds.
constexpr int kCeilingMs = 600'000;

// "p ⊢ p" proved @p depth subderivations deep: each assumption one space further in, p
// reiterated at the bottom, and on the way out each subderivation discharged by →I and p
// reiterated again. Line 1 is the argument; the derivation's line k is document line k + 1.
QByteArray deepDerivation(int depth)
{
    QByteArray text = "p |- p\r\n1. p :PR\r\n";
    int n = 1;
    for (int d = 1; d <= depth; ++d)
        text += QByteArray(d, ' ') + QByteArray::number(++n) + ". q :AS\r\n";
    text += QByteArray(depth, ' ') + QByteArray::number(++n) + ". p :R 1";
    int last = n;
    for (int d = depth; d >= 1; --d) {
        const QByteArray indent(d - 1, ' ');
        text += "\r\n" + indent + QByteArray::number(++n) + ". q -> p :->I "
            + QByteArray::number(d + 1) + "-" + QByteArray::number(last);
        text += "\r\n" + indent + QByteArray::number(++n) + ". p :R 1";
        last = n;
    }
    return text;
}

// Each mark by the document line it stands on, as the check window names it.
QString marksText(const LineMarks &marks, const QTextDocument &document)
{
    QStringList out;
    for (const LineMarks::Mark &m : marks.marks())
        out << QStringLiteral("%1 %2")
                   .arg(documentLineAt(
                       document, document.findBlockByNumber(m.at.block).position() + m.at.offset))
                   .arg(LineMarks::symbol(m.outcome));
    return out.join(QLatin1Char(','));
}

} // namespace

class TestEdgeTexts : public QObject, public test::MainWindowTest
{
    Q_OBJECT

private:
    CheckWindow *idleChecks() const
    {
        auto *window = m_form->findChild<CheckWindow *>();
        return window && window->isVisible() && !window->inProgress() ? window : nullptr;
    }

    /// Checks the whole document; false when no answer came.
    bool checkAll(QString &said)
    {
        m_form->SeleccionatTodo1->trigger();
        m_form->Comprobar1->trigger();
        if (!QTest::qWaitFor([&] { return idleChecks() != nullptr; }, kCeilingMs))
            return false;
        said = idleChecks()->answerView->toPlainText();
        return true;
    }

private Q_SLOTS:
    void init() { QVERIFY(showMainWindow()); }

    void cleanup()
    {
        closeMainWindow();
        setLogicWorkerForTests(QString());
    }

    void aLongParagraphIsReadInPiecesAsItReadsWhole()
    {
        // Turnstile pairs all along, one character off the pieces' length, so that a piece
        // ends before a pair's mark unless the reader takes care; longer than a fragment is
        // copied whole.
        const int pairs = 75'000;
        m_edit->insertReadable(QStringLiteral("p") + QString(pairs, QChar(0x22A2)));
        // A paste shows it in display blocks; one block of it is what edits may still make.
        QVERIFY(m_edit->document()->blockCount() > 1);
        joinContinuedParagraphs(*m_edit->document());
        QCOMPARE(m_edit->document()->characterCount() - 1, 1 + 2 * pairs);
        const QString whole = readableSpan(*m_edit->document(), 0, 1 + 2 * pairs).text;
        QCOMPARE(whole, QStringLiteral("p") + QString(pairs, QChar(0x22A2)));

        QTemporaryDir work;
        const QString script = work.filePath(QStringLiteral("script"));
        const QString record = work.filePath(QStringLiteral("record"));
        QFile file(script);
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.write("{\"event\":\"done\",\"id\":1}\n");
        file.close();
        setLogicWorkerForTests(
            qEnvironmentVariable("ZV_BUILD_DIR") + QStringLiteral("/fake_logic_worker"),
            {script, record});
        QString said;
        QVERIFY(checkAll(said));
        QFile asked(record);
        QVERIFY(asked.open(QIODevice::ReadOnly));
        const QByteArray header = asked.readLine();
        const QByteArray sent = whole.toUtf8();
        QCOMPARE(header, "check 1 K 0 1 " + QByteArray::number(sent.size()) + '\n');
        QVERIFY(asked.read(sent.size()) == sent);
    }

    void aLineTooLongToReadIsAnErrorOfItsOwnAndTheRestIsChecked()
    {
        // Between two formulas, a line of 2 MB and one longer than a heading shows.
        QByteArray heading = "(p";
        for (int i = 0; i < 100; ++i)
            heading += " & p";
        heading += ") -> p";
        QByteArray huge;
        for (int i = 0; i < 500'000; ++i)
            huge += "p & ";
        m_edit->replaceSel("p -> p\r\n" + huge + "p\r\n" + heading + "\r\nq & ~q");
        const QByteArray before = m_edit->bytes();

        QString said;
        QVERIFY(checkAll(said));
        QCOMPARE(m_edit->bytes(), before);
        QVERIFY2(said.contains(QStringLiteral("Error en la línea 2, columna 1: línea demasiado "
                                              "larga: tiene 2000001 caracteres")),
            qPrintable(said.left(2000)));
        // The neighbours are answered as if the long line were any unreadable one.
        QVERIFY2(said.contains(QStringLiteral("Línea 1: p -> p\nTautología")),
            qPrintable(said.left(2000)));
        const QString cut = QString::fromLatin1(heading.left(120)) + QStringLiteral("…\n");
        QVERIFY2(said.contains(QStringLiteral("Línea 3: ") + cut), qPrintable(said.left(2000)));
        QVERIFY2(said.contains(QStringLiteral("Línea 4: q & ~q\n")), qPrintable(said.left(2000)));
        QVERIFY(said.size() < 20'000);
        const auto *marks = m_form->findChild<LineMarks *>();
        QVERIFY(marks);
        QCOMPARE(marksText(*marks, *m_edit->document()), QStringLiteral("1 ✔,2 !,3 ✔,4 ✘"));
        QCOMPARE(marks->underlines().size(), 1);
        QCOMPARE(marks->underlines().at(0).block, 1);
        // The error is selected: the long line's first character.
        QCOMPARE(m_edit->selStart(), 7);
        QCOMPARE(m_edit->selText(), QByteArray("p"));
        // The margin and the wavy line draw over the long line as over any other.
        m_edit->viewport()->repaint();
    }

    void aLineShownInDisplayBlocksIsSelectedWhole()
    {
        // What a click on an answer does: the line it names, as the check counts lines.
        QByteArray huge;
        for (int i = 0; i < 3000; ++i)
            huge += "p & ";
        m_edit->replaceSel("p -> p\r\n" + huge + "p\r\nq & ~q");
        QVERIFY(m_edit->document()->blockCount() > 20);
        m_form->selectDocumentLine(2);
        QCOMPARE(m_edit->selText(), huge + "p");
        m_form->selectDocumentLine(3);
        QCOMPARE(m_edit->selText(), QByteArray("q & ~q"));
        m_form->selectDocumentLine(1);
        QCOMPARE(m_edit->selText(), QByteArray("p -> p"));
    }

    void aThousandDeepDerivationIsRefusedPastTwoHundredAndBarred()
    {
        const int depth = 1000;
        m_edit->replaceSel(deepDerivation(depth));
        const int lines = m_edit->document()->blockCount();
        QCOMPARE(lines, 1 + 2 + 3 * depth);

        // The engine reads 200 subderivations deep: every line further in is a fault, and so
        // is the →I that would discharge the first of them.
        QString said;
        QVERIFY(checkAll(said));
        QVERIFY2(said.contains(QStringLiteral("Líneas 2 a %1: derivación\n").arg(lines))
                && said.contains(
                    QStringLiteral("Línea 202: la derivación anida más de 200 subderivaciones"))
                && !said.contains(QStringLiteral("Derivación correcta")),
            qPrintable(said.left(500)));
        const auto *marks = m_form->findChild<LineMarks *>();
        QVERIFY(marks);
        QStringList expected{QStringLiteral("1 ✔")};
        for (int line = 203; line <= 2602; ++line)
            expected << QStringLiteral("%1 ✘").arg(line);
        QCOMPARE(marksText(*marks, *m_edit->document()), expected.join(QLatin1Char(',')));
        // The bar of depth d runs from its assumption, derivation line d + 1, to the p that its
        // →I discharges: line 1002 at the bottom, two lines further out for each depth above.
        // Derivation line k is block k, the argument being block 0.
        // The derivation's own bar, depth 0, spans all of it.
        QCOMPARE(marks->bars().size(), 201);
        QList<std::tuple<int, int, int>> bars;
        for (const LineMarks::Bar &b : marks->bars())
            bars.append({b.depth, b.from.blockNumber(), b.to.blockNumber()});
        std::sort(bars.begin(), bars.end());
        QCOMPARE(bars.at(0), std::make_tuple(0, 1, lines - 1));
        for (int d = 1; d <= 200; ++d)
            QCOMPARE(bars.at(d), std::make_tuple(d, d + 1, depth + 2 + 2 * (depth - d)));
        // Painted where every bar crosses the view.
        QTextCursor middle(m_edit->document()->findBlockByNumber(1500));
        m_edit->setTextCursor(middle);
        m_edit->ensureCursorVisible();
        m_edit->viewport()->repaint();
        const_cast<LineMarks *>(marks)->repaint();
    }
};

QTEST_MAIN(TestEdgeTexts)
#include "tst_edgetexts.moc"
