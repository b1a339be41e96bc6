// The "Lógica" menu with a scripted engine: what text it gets, where the answer and its errors
// land, and a long check that shows its progress, lets the editor work and can be cancelled.

#include "Unit1.h"
#include "check/CheckWindow.h"

#include "FakeDialogs.h"
#include "MainWindowFixture.h"

#include "check/LogicEngine.h"
#include "platform/richedit/RichEdit.h"
#include "platform/widgets/SpeedButton.h"

#include <QAction>
#include <QLabel>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTest>
#include <QTextBlock>

#include <mutex>
#include <thread>

using namespace zv;

namespace {

class FakeEngine : public LogicEngine
{
public:
    FakeEngine() { setLogicEngineForTests(this); }
    ~FakeEngine() override { setLogicEngineForTests(nullptr); }

    std::vector<LogicProblem> check(
        const std::string &utf8, ModalSystem system, const std::atomic<bool> &cancel) override
    {
        ++running;
        {
            const std::lock_guard lock(mutex);
            text = QString::fromStdString(utf8);
            checkedSystem = system;
        }
        while (untilCancelled && !cancel)
            std::this_thread::sleep_for(std::chrono::milliseconds(5));
        cancelled = cancel.load();
        --running;
        const std::lock_guard lock(mutex);
        return answer;
    }

    QString checkedText()
    {
        const std::lock_guard lock(mutex);
        return text;
    }

    std::mutex mutex;
    QString text;
    ModalSystem checkedSystem = ModalSystem::K;
    std::vector<LogicProblem> answer;
    std::atomic<bool> untilCancelled{false};
    std::atomic<bool> cancelled{false};
    std::atomic<int> running{0};
};

LogicProblem syntaxError(int line, int column)
{
    LogicProblem error;
    error.syntaxError = true;
    error.errorLine = line;
    error.errorColumn = column;
    error.errorMessage = QStringLiteral("se esperaba una fórmula.");
    return error;
}

} // namespace

class TestLogicCheck : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void initTestCase() { QVERIFY(test::useMarkedExeFolder(m_exeFolder)); }

    void init()
    {
        m_dialogs = std::make_unique<test::FakeDialogs>();
        m_form = test::shownMainWindow();
        QVERIFY(m_form);
        m_edit = m_form->RichEdit1;
        // "p", then "q ⊨ r #" with the palette's two-byte turnstile, then "s".
        m_edit->replaceSel("p\r\nq ");
        m_form->speedButton(22)->click();
        m_edit->replaceSel(" r #\r\ns");
    }

    zv::CheckWindow *checks() const { return m_form->findChild<zv::CheckWindow *>(); }

    void cleanup()
    {
        m_form.reset();
        // No worker may outlive the engine it calls.
        QTRY_COMPARE(m_engine.running.load(), 0);
        m_engine.untilCancelled = false;
        m_engine.answer.clear();
        m_dialogs.reset();
    }

    void ctrlEnterChecksTheCaretsParagraphOrTheSelectionInTheChosenSystem()
    {
        QVERIFY(m_form->findChild<QAction *>(QStringLiteral("SistemaK1"))->isChecked());
        LogicProblem valid;
        valid.line = 1;
        valid.text = QStringLiteral("q ⊨ r");
        valid.verdict = QStringLiteral("Argumento válido");
        m_engine.answer = {valid};
        const QByteArray bytes = m_edit->bytes();
        m_edit->setSelStart(4);
        QTest::keyClick(m_edit, Qt::Key_Return, Qt::ControlModifier);
        QTRY_VERIFY(checks() && checks()->isVisible() && !checks()->inProgress());
        QCOMPARE(m_engine.checkedText(), QStringLiteral("q ⊨ r #"));
        QCOMPARE(m_engine.checkedSystem, ModalSystem::K);
        QCOMPARE(m_edit->bytes(), bytes);
        QCOMPARE(checks()->windowTitle(), QStringLiteral("Resultado de la comprobación"));
        // The first line checked is the document's second.
        QCOMPARE(checks()->answerView->toPlainText(),
            QStringLiteral("Línea 2: q ⊨ r\nArgumento válido\n"));

        m_form->findChild<QAction *>(QStringLiteral("SistemaS41"))->trigger();
        m_form->SeleccionatTodo1->trigger();
        m_form->Comprobar1->trigger();
        QTRY_COMPARE(m_engine.checkedText(), QStringLiteral("p\nq ⊨ r #\ns"));
        QCOMPARE(m_engine.checkedSystem, ModalSystem::S4);

        // The same problems, with their tables in place of their trees.
        QTRY_COMPARE(m_engine.running.load(), 0);
        m_engine.answer[0].truthTable = QStringLiteral("p\tq\n");
        m_form->TablaDeVerdad1->trigger();
        QTRY_COMPARE(checks()->answerView->toPlainText(), QStringLiteral("Línea 1: q ⊨ r\np\tq\n"));
    }

    void aSyntaxErrorSelectsItsCharacterPastTheTurnstile()
    {
        // Behind a long answer, the error is where the window is scrolled to.
        LogicProblem valid;
        valid.line = 1;
        valid.verdict = QStringLiteral("Fórmula válida");
        valid.explanation = QStringLiteral("1.\n2.\n3.\n4.\n5.\n6.\n7.\n8.\n9.\n");
        m_engine.answer.assign(10, valid);
        m_engine.answer.push_back(syntaxError(2, 7));
        m_form->SeleccionatTodo1->trigger();
        m_form->Comprobar1->trigger();
        QTRY_VERIFY(checks() && !checks()->answerView->toPlainText().isEmpty());
        // "#" stands at byte 9: ⊨ takes two.
        QCOMPARE(m_edit->selStart(), 9);
        QCOMPARE(m_edit->selText(), QByteArray("#"));
        QVERIFY(checks()->answerView->toPlainText().contains(
            QStringLiteral("Error en la línea 2, columna 7: se esperaba una fórmula.")));
        QVERIFY(
            checks()->answerView->textCursor().block().text().startsWith(QStringLiteral("Error")));
    }

    void aLongCheckShowsProgressLeavesTheEditorAtWorkAndCancels()
    {
        m_engine.untilCancelled = true;
        m_engine.answer = {syntaxError(1, 1)};
        m_form->SeleccionatTodo1->trigger();
        m_form->Comprobar1->trigger();
        QTest::qWait(100);
        QVERIFY(!checks() || !checks()->isVisible());
        QTRY_VERIFY(checks() && checks()->isVisible() && checks()->inProgress());
        QCOMPARE(checks()->progressLabel->text(), QStringLiteral("Comprobando…"));
        // The editor takes input meanwhile; the error then no longer knows its character.
        m_edit->setSelStart(0);
        QTest::keyClicks(m_edit, "x");
        QCOMPARE(m_edit->bytes().left(2), QByteArray("xp"));
        checks()->cancelButton->click();
        QTRY_VERIFY(!checks()->inProgress());
        QVERIFY(m_engine.cancelled);
        QVERIFY(checks()->answerView->toPlainText().startsWith(
            QStringLiteral("Comprobación cancelada")));
        QVERIFY(checks()->answerView->toPlainText().contains(QStringLiteral("línea 1, columna 1")));
        QCOMPARE(m_edit->selLength(), 0);

        // Closing the editor during a check stops it.
        m_engine.cancelled = false;
        m_form->Comprobar1->trigger();
        QTRY_COMPARE(m_engine.running.load(), 1);
        m_form.reset();
        QTRY_VERIFY(m_engine.cancelled);
    }

    void linkedEngineTabulatesAOneLineArgumentAndFindsItsErrorInPlace()
    {
        // The engine linked in, not the scripted one.
        setLogicEngineForTests(nullptr);
        m_form->SeleccionatTodo1->trigger();
        m_form->Borrar1->trigger();
        m_edit->replaceSel("p -> q, p ");
        m_form->speedButton(22)->click();
        m_edit->replaceSel(" q");
        m_form->TablaDeVerdad1->trigger();
        QTRY_VERIFY(checks() && !checks()->answerView->toPlainText().isEmpty());
        const QString table = checks()->answerView->toPlainText();
        setLogicEngineForTests(&m_engine);
        QVERIFY2(table.startsWith(QStringLiteral("Línea 1: p → q, p ⊨ q\nTabla de verdad del "
                                                 "argumento")),
            qPrintable(table));
        QVERIFY(table.contains(QStringLiteral("\nV\tV\tV\tV\tV\t*\n")));
        QVERIFY(!table.contains(QStringLiteral("contraejemplo")));

        setLogicEngineForTests(nullptr);
        m_edit->replaceSel(" # r");
        m_form->TablaDeVerdad1->trigger();
        QTRY_VERIFY(checks()->answerView->toPlainText().startsWith(QStringLiteral("Error")));
        setLogicEngineForTests(&m_engine);
        QCOMPARE(m_edit->selStart(), 15);
        QCOMPARE(m_edit->selText(), QByteArray("#"));
        QVERIFY2(checks()->answerView->toPlainText().startsWith(
                     QStringLiteral("Error en la línea 1, columna 15: ")),
            qPrintable(checks()->answerView->toPlainText()));
    }

private:
    QTemporaryDir m_exeFolder;
    FakeEngine m_engine;
    std::unique_ptr<test::FakeDialogs> m_dialogs;
    std::unique_ptr<TForm1> m_form;
    RichEdit *m_edit = nullptr;
};

QTEST_MAIN(TestLogicCheck)
#include "tst_logiccheck.moc"
