// Long answers in the editor: a derivation that "Demostrar" finds past the length it inserts is
// offered to copy and leaves the document alone, and the margin's marks, bars and underlines
// stay on their lines while the text around them is edited.

#include "Unit1.h"

#include "MainWindowFixture.h"

#include "check/AssistRun.h"
#include "check/CheckWindow.h"
#include "check/LineMarks.h"
#include "check/LogicWorker.h"
#include "platform/richedit/RichEdit.h"

#include <QAction>
#include <QClipboard>
#include <QFile>
#include <QGuiApplication>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTest>
#include <QTextBlock>

using namespace zv;

namespace {

// The worker's answer to "prove": a derivation of @p lines lines under the argument of line 1.
QByteArray proofOf(int lines)
{
    QJsonArray text;
    text.append(QStringLiteral("1. p :PR"));
    for (int i = 2; i <= lines; ++i)
        text.append(QStringLiteral("%1. p :R %2").arg(i).arg(i - 1));
    const QJsonObject proof{{QStringLiteral("event"), QStringLiteral("proof")},
        {QStringLiteral("id"), 1}, {QStringLiteral("line"), 1}, {QStringLiteral("found"), true},
        {QStringLiteral("lines"), text}, {QStringLiteral("method"), QString()},
        {QStringLiteral("reason"), QString()}};
    return QJsonDocument(proof).toJson(QJsonDocument::Compact)
        + "\n{\"event\":\"done\",\"id\":1}\n";
}

QStringList lineNumbers(const LineMarks &marks)
{
    QStringList out;
    for (const LineMarks::Mark &m : marks.marks())
        out << QString::number(m.at.blockNumber() + 1);
    return out;
}

} // namespace

class TestLongAnswers : public QObject, public test::MainWindowTest
{
    Q_OBJECT

private Q_SLOTS:
    void init() { QVERIFY(showMainWindow()); }

    void cleanup()
    {
        closeMainWindow();
        setLogicWorkerForTests(QString());
    }

    void aDerivationPastTheCapIsOfferedToCopyAndNotInserted_data()
    {
        QTest::addColumn<int>("lines");
        QTest::newRow("at the cap") << kMaxInsertedDerivationLines;
        QTest::newRow("past the cap") << kMaxInsertedDerivationLines + 1;
    }

    void aDerivationPastTheCapIsOfferedToCopyAndNotInserted()
    {
        QFETCH(int, lines);
        QTemporaryDir work;
        const QString script = work.filePath(QStringLiteral("script"));
        QFile file(script);
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.write(proofOf(lines));
        file.close();
        setLogicWorkerForTests(
            qEnvironmentVariable("ZV_BUILD_DIR") + QStringLiteral("/fake_logic_worker"),
            {script, work.filePath(QStringLiteral("record"))});
        QGuiApplication::clipboard()->setText(QStringLiteral("antes"));
        m_edit->insertReadable(QStringLiteral("p ⊢ p\nFin."));
        const QByteArray before = m_edit->bytes();
        QTextCursor caret = m_edit->textCursor();
        caret.setPosition(0);
        m_edit->setTextCursor(caret);

        m_form->Demostrar1->trigger();
        if (lines <= kMaxInsertedDerivationLines) {
            QTRY_COMPARE(m_edit->document()->blockCount(), 2 + lines);
            return;
        }
        CheckWindow *window = nullptr;
        QTRY_VERIFY((window = m_form->findChild<CheckWindow *>()) && window->isVisible()
            && !window->inProgress());
        const QString said = window->answerView->toPlainText();
        QCOMPARE(m_edit->bytes(), before);
        QVERIFY2(said.contains(QStringLiteral("tiene %1 líneas").arg(lines))
                && said.contains(QStringLiteral("Copiar la derivación")),
            qPrintable(said));
        QVERIFY(window->copyDerivationButton->isVisibleTo(window));
        QCOMPARE(window->copyDerivationButton->text(), QStringLiteral("Copiar la derivación"));
        window->copyDerivationButton->click();
        const QStringList copied
            = QGuiApplication::clipboard()->text().split(QLatin1Char('\n'), Qt::SkipEmptyParts);
        QCOMPARE(copied.size(), lines);
        QCOMPARE(copied.first(), QStringLiteral("1. p :PR"));
        QCOMPARE(copied.last(), QStringLiteral("%1. p :R %2").arg(lines).arg(lines - 1));

        // The next search forgets the offer.
        window->showProgress(QStringLiteral("Comprobando…"));
        QVERIFY(!window->copyDerivationButton->isVisibleTo(window));
    }

    void marksBarsAndUnderlinesFollowTheirLinesThroughEdits()
    {
        m_edit->insertReadable(QStringLiteral("a\nb\nc\nd\ne\nf\ng\nh"));
        // The editor's child, so that it goes with it.
        LineMarks &marks = *new LineMarks(*m_edit);
        QTextDocument &document = *m_edit->document();
        const auto at = [&](int line) { return document.findBlockByNumber(line - 1).position(); };
        marks.add(at(2), Outcome::Valid, QStringLiteral("b"), 2);
        marks.add(at(4), Outcome::Invalid, QStringLiteral("d"), 4);
        marks.add(at(7), Outcome::Valid, QStringLiteral("g"), 7);
        marks.addBar(at(5), at(6), 1);
        marks.underline(at(8), at(8) + 1);
        QCOMPARE(lineNumbers(marks).join(QLatin1Char(',')), QStringLiteral("2,4,7"));

        // Two lines added above: everything moves down two.
        QTextCursor edit(&document);
        edit.insertText(QStringLiteral("x\ny\n"));
        QCOMPARE(lineNumbers(marks).join(QLatin1Char(',')), QStringLiteral("4,6,9"));
        QCOMPARE(marks.bars().at(0).from.blockNumber(), 6);
        QCOMPARE(marks.bars().at(0).to.blockNumber(), 7);
        QCOMPARE(marks.underlines().at(0).block, 9);
        QCOMPARE(
            document.findBlockByNumber(marks.marks().at(1).at.block).text(), QStringLiteral("d"));

        // Typing in a line takes its mark and only its mark.
        edit.setPosition(document.findBlockByNumber(5).position() + 1);
        edit.insertText(QStringLiteral("!"));
        QCOMPARE(lineNumbers(marks).join(QLatin1Char(',')), QStringLiteral("4,9"));

        // Lines joined between two marks: the joined lines lose theirs, those below move up.
        edit.setPosition(document.findBlockByNumber(6).position());
        edit.setPosition(document.findBlockByNumber(7).position(), QTextCursor::KeepAnchor);
        edit.removeSelectedText(); // line 7 ("e") and the bar that starts there go
        QVERIFY(marks.bars().isEmpty());
        QCOMPARE(lineNumbers(marks).join(QLatin1Char(',')), QStringLiteral("4,8"));
        QCOMPARE(
            document.findBlockByNumber(marks.marks().at(1).at.block).text(), QStringLiteral("g"));
        QCOMPARE(marks.underlines().at(0).block, 8);

        // One edit block over two lines is one change from the first to the last: what stands
        // between them goes too, what stands above stays.
        marks.add(at(1), Outcome::Valid, QStringLiteral("x"), 1);
        edit.beginEditBlock();
        edit.setPosition(document.findBlockByNumber(3).position());
        edit.insertText(QStringLiteral("z\n"));
        edit.setPosition(document.findBlockByNumber(9).position());
        edit.insertText(QStringLiteral("w"));
        edit.endEditBlock();
        QCOMPARE(lineNumbers(marks).join(QLatin1Char(',')), QStringLiteral("1"));
        QVERIFY(marks.underlines().isEmpty());

        marks.clearRange(at(1), at(1));
        QVERIFY(marks.marks().isEmpty());
    }
};

QTEST_MAIN(TestLongAnswers)
#include "tst_longanswers.moc"
