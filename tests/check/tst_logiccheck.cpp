// The "Lógica" menu against a scripted engine process: what text it gets, where its answers and
// errors land, and that no fault of the engine (a crash, endless memory, endless work, a
// processor-time overrun) touches the editor or the document. The last case runs the real one.

#include "Unit1.h"
#include "check/CheckWindow.h"
#include "check/Diagram.h"
#include "check/DiagramView.h"

#include "FakeDialogs.h"
#include "MainWindowFixture.h"

#include "check/LineMarks.h"
#include "check/LogicWorker.h"
#include "platform/richedit/RichEdit.h"
#include "platform/widgets/SpeedButton.h"

#include <QAction>
#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QLabel>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QSignalSpy>
#include <QTest>
#include <QTextBlock>

#include <cerrno>
#include <csignal>

using namespace zv;

namespace {

// Far above what any wait here needs, on a machine as busy as it gets.
constexpr int kCeilingMs = 300'000;

QString answer(int line, const QString &text, const char *decision, const QString &explanation = {},
    bool argument = true)
{
    QJsonObject a{{QStringLiteral("event"), QStringLiteral("answer")}, {QStringLiteral("id"), 1},
        {QStringLiteral("firstLine"), line}, {QStringLiteral("line"), line},
        {QStringLiteral("argument"), argument},
        {QStringLiteral("decision"), QLatin1String(decision)}, {QStringLiteral("text"), text},
        {QStringLiteral("explanation"), explanation}};
    return QString::fromUtf8(QJsonDocument(a).toJson(QJsonDocument::Compact));
}

QString syntaxError(int line, int column)
{
    QJsonObject e{{QStringLiteral("event"), QStringLiteral("answer")}, {QStringLiteral("id"), 1},
        {QStringLiteral("firstLine"), line}, {QStringLiteral("line"), line},
        {QStringLiteral("syntaxError"), true}, {QStringLiteral("errorLine"), line},
        {QStringLiteral("errorColumn"), column},
        {QStringLiteral("errorMessage"), QStringLiteral("se esperaba una fórmula.")}};
    return QString::fromUtf8(QJsonDocument(e).toJson(QJsonDocument::Compact));
}

const QString kDone = QStringLiteral(R"({"event":"done","id":1})");

// The request header of the protocol, and the text after it.
// @p shownLine: the document's line where the checked text starts, sent when it is not the first.
QString checkRequest(const char *system, const QString &text, int shownLine = 1)
{
    return QStringLiteral("check 1 %1 0 1 %2%3\n")
               .arg(QLatin1String(system))
               .arg(text.toUtf8().size())
               .arg(shownLine == 1 ? QString() : QStringLiteral(" %1").arg(shownLine))
        + text;
}

// Reaped, not only killed: the editor reaps its workers later, from its event loop.
bool processGone(qint64 pid)
{
    return pid > 0 && ::kill(pid_t(pid), 0) != 0 && errno == ESRCH;
}

} // namespace

class TestLogicCheck : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void initTestCase()
    {
        QVERIFY(test::useMarkedExeFolder(m_exeFolder));
        m_fake = qEnvironmentVariable("ZV_BUILD_DIR") + QStringLiteral("/fake_logic_worker");
        QVERIFY2(QFile::exists(m_fake), qPrintable(m_fake));
    }

    void init()
    {
        m_dialogs = std::make_unique<test::FakeDialogs>();
        QVERIFY(m_work.isValid());
        m_script = m_work.filePath(QStringLiteral("script"));
        m_record = m_work.filePath(QStringLiteral("record"));
        QFile::remove(m_record);
        setLogicWorkerForTests(m_fake, {m_script, m_record});
        m_form = test::shownMainWindow();
        QVERIFY(m_form);
        m_edit = m_form->RichEdit1;
        // "p", then "q ⊨ r #" with the palette's two-byte turnstile, then "s".
        m_edit->replaceSel("p\r\nq ");
        m_form->speedButton(22)->click();
        m_edit->replaceSel(" r #\r\ns");
    }

    void cleanup()
    {
        m_form.reset();
        setLogicWorkerForTests(QString());
        m_dialogs.reset();
    }

    void ctrlEnterChecksTheCaretsParagraphOrTheSelectionInTheChosenSystem()
    {
        QVERIFY(m_form->findChild<QAction *>(QStringLiteral("SistemaK1"))->isChecked());
        script({answer(1, QStringLiteral("q ⊨ r"), "valid"), kDone});
        const QByteArray bytes = m_edit->bytes();
        m_edit->setSelStart(4);
        QTest::keyClick(m_edit, Qt::Key_Return, Qt::ControlModifier);
        QTRY_VERIFY_WITH_TIMEOUT(
            checks() && checks()->isVisible() && !checks()->inProgress(), kCeilingMs);
        QCOMPARE(request(), checkRequest("K", QStringLiteral("q ⊨ r #"), 2));
        QCOMPARE(m_edit->bytes(), bytes);
        QCOMPARE(checks()->windowTitle(), QStringLiteral("Resultado de la comprobación"));
        // The first line checked is the document's second.
        QCOMPARE(checks()->answerView->toPlainText(),
            QStringLiteral("Línea 2: q ⊨ r #\nArgumento válido\n"));

        m_form->findChild<QAction *>(QStringLiteral("SistemaS41"))->trigger();
        m_form->SeleccionatTodo1->trigger();
        QFile::remove(m_record);
        m_form->Comprobar1->trigger();
        QTRY_COMPARE_WITH_TIMEOUT(
            request(), checkRequest("S4", QStringLiteral("p\nq ⊨ r #\ns")), kCeilingMs);

        // The same problems, with their tables in place of their trees.
        QJsonObject table
            = QJsonDocument::fromJson(answer(2, QStringLiteral("q ⊨ r"), "valid").toUtf8())
                  .object();
        table[QStringLiteral("truthTable")] = QStringLiteral("p\tq\n");
        script({QString::fromUtf8(QJsonDocument(table).toJson(QJsonDocument::Compact)), kDone});
        QFile::remove(m_record);
        m_form->TablaDeVerdad1->trigger();
        QTRY_COMPARE_WITH_TIMEOUT(checks()->answerView->toPlainText(),
            QStringLiteral("Línea 2: q ⊨ r #\np\tq\n"), kCeilingMs);
        QVERIFY(request().startsWith(QStringLiteral("check 1 S4 1 1 ")));
    }

    void aDrawingAfterAOneLineCheckNamesTheDocumentsLineInItsExports()
    {
        // The worker counts from the selection: its line 1 is the document's line 2.
        QJsonObject drawn
            = QJsonDocument::fromJson(answer(1, QStringLiteral("q ⊨ r"), "valid").toUtf8())
                  .object();
        drawn[QStringLiteral("tree")] = QJsonObject{{QStringLiteral("modal"), false},
            {QStringLiteral("nodes"),
                QJsonArray{QJsonObject{{QStringLiteral("parent"), -1},
                    {QStringLiteral("text"), QStringLiteral("q")},
                    {QStringLiteral("origin"), QStringLiteral("premisa")}}}}};
        script({QString::fromUtf8(QJsonDocument(drawn).toJson(QJsonDocument::Compact)), kDone});
        m_edit->setSelStart(4);
        QTest::keyClick(m_edit, Qt::Key_Return, Qt::ControlModifier);
        QTRY_VERIFY_WITH_TIMEOUT(
            checks() && checks()->isVisible() && !checks()->inProgress(), kCeilingMs);
        QVERIFY(checks()->answerView->toPlainText().startsWith(QStringLiteral("Línea 2: ")));
        const QString caption = QStringLiteral("Árbol de la línea 2: Argumento válido");
        QVERIFY(checks()->diagramView->diagram());
        QCOMPARE(checks()->diagramView->diagram()->caption(), caption);
        const QString svg = m_work.filePath(QStringLiteral("arbol.svg"));
        m_dialogs->queueSaveFile(svg);
        checks()->exportDiagramAction->trigger();
        QFile file(svg);
        QVERIFY(file.open(QIODevice::ReadOnly));
        const QString written = QString::fromUtf8(file.readAll());
        QVERIFY(written.contains(QStringLiteral("<title>%1</title>").arg(caption)));
        QVERIFY(written.contains(QStringLiteral(">%1</text>").arg(caption)));
    }

    void aSyntaxErrorSelectsItsCharacterPastTheTurnstile()
    {
        // Behind a long answer, the error is where the window is scrolled to.
        QStringList lines;
        for (int i = 0; i < 10; ++i)
            lines << answer(1, QStringLiteral("p"), "valid",
                QStringLiteral("1.\n2.\n3.\n4.\n5.\n6.\n7.\n8.\n9.\n"), false);
        lines << syntaxError(2, 7) << kDone;
        script(lines);
        m_form->SeleccionatTodo1->trigger();
        m_form->Comprobar1->trigger();
        QTRY_VERIFY_WITH_TIMEOUT(
            checks() && !checks()->inProgress() && checks()->isVisible(), kCeilingMs);
        // "#" stands at byte 9: ⊨ takes two.
        QCOMPARE(m_edit->selStart(), 9);
        QCOMPARE(m_edit->selText(), QByteArray("#"));
        QVERIFY(checks()->answerView->toPlainText().contains(
            QStringLiteral("Error en la línea 2, columna 7: se esperaba una fórmula.")));
        QVERIFY(
            checks()->answerView->textCursor().block().text().startsWith(QStringLiteral("Error")));
    }

    void aLongCheckShowsItsAnswersAsTheyComeAndCancelsAtOnce()
    {
        script({answer(1, QStringLiteral("p"), "valid", {}, false), QStringLiteral("spin")});
        m_form->SeleccionatTodo1->trigger();
        m_form->Comprobar1->trigger();
        // Shown only past a moment, from the event loop.
        QVERIFY(!checks() || !checks()->isVisible());
        QTRY_VERIFY_WITH_TIMEOUT(
            checks() && checks()->isVisible() && checks()->inProgress(), kCeilingMs);
        QCOMPARE(checks()->progressLabel->text(), QStringLiteral("Comprobando…"));
        QTRY_VERIFY_WITH_TIMEOUT(
            checks()->answerView->toPlainText().startsWith(QStringLiteral("Línea 1: p")),
            kCeilingMs);
        // The editor takes input meanwhile.
        m_edit->setSelStart(0);
        QTest::keyClicks(m_edit, "x");
        QCOMPARE(m_edit->bytes().left(2), QByteArray("xp"));
        const qint64 pid = workerPid();
        QVERIFY(pid > 0 && !processGone(pid));
        // bench_worker_client measures how long the cancel holds the window's thread.
        checks()->cancelButton->click();
        QVERIFY(!checks()->inProgress());
        QTRY_VERIFY_WITH_TIMEOUT(processGone(pid), kCeilingMs);
        QVERIFY(checks()->answerView->toPlainText().startsWith(
            QStringLiteral("Comprobación cancelada")));
        QVERIFY(checks()->answerView->toPlainText().contains(QStringLiteral("Línea 1: p")));
        QCOMPARE(m_edit->selLength(), 0);

        // Escape in the check window cancels too, and a new Ctrl+Enter replaces a check.
        QFile::remove(m_record);
        m_form->Comprobar1->trigger();
        QTRY_VERIFY_WITH_TIMEOUT(workerPid() > 0, kCeilingMs);
        const qint64 first = workerPid();
        QTRY_VERIFY_WITH_TIMEOUT(checks()->inProgress(), kCeilingMs);
        QTest::keyClick(checks(), Qt::Key_Escape);
        QVERIFY(!checks()->inProgress());
        QTRY_VERIFY_WITH_TIMEOUT(processGone(first), kCeilingMs);
        // With nothing under way, Escape closes the window.
        QVERIFY(checks()->isVisible());
        QTest::keyClick(checks(), Qt::Key_Escape);
        QVERIFY(!checks()->isVisible());
    }

    void aCrashingWorkerLeavesTheEditorAndTheDocumentAsTheyWere()
    {
        // A long document: the answers given before the crash stay.
        m_form->SeleccionatTodo1->trigger();
        m_form->Borrar1->trigger();
        QByteArray text;
        for (int i = 0; i < 2000; ++i)
            text += "p" + QByteArray::number(i) + " -> p" + QByteArray::number(i) + "\r\n";
        m_edit->replaceSel(text);
        const QByteArray bytes = m_edit->bytes();
        m_edit->setModified(false);
        m_edit->document()->setModified(false);
        const int undoSteps = m_edit->document()->availableUndoSteps();
        script({answer(1, QStringLiteral("p0 → p0"), "valid", {}, false),
            answer(2, QStringLiteral("p1 → p1"), "valid", {}, false), QStringLiteral("segv")});
        m_form->SeleccionatTodo1->trigger();
        m_form->Comprobar1->trigger();
        QTRY_VERIFY_WITH_TIMEOUT(
            checks() && checks()->isVisible() && !checks()->inProgress(), kCeilingMs);
        const QString shown = checks()->answerView->toPlainText();
        // Under each answer's line number, the line as the document writes it.
        QVERIFY2(shown.contains(QStringLiteral("Línea 1: p0 -> p0\nFórmula válida\n\nLínea 2:")),
            qPrintable(shown));
        QVERIFY2(shown.endsWith(QStringLiteral("El motor lógico se detuvo inesperadamente (señal "
                                               "11). El documento no ha cambiado.\n")),
            qPrintable(shown));
        QCOMPARE(m_edit->bytes(), bytes);
        QVERIFY(!m_edit->modified());
        QCOMPARE(m_edit->document()->availableUndoSteps(), undoSteps);

        // The next Ctrl+Enter starts a fresh worker.
        QFile::remove(m_record);
        script({answer(1, QStringLiteral("p0 → p0"), "valid", {}, false), kDone});
        m_form->Comprobar1->trigger();
        QTRY_COMPARE_WITH_TIMEOUT(checks()->answerView->toPlainText(),
            QStringLiteral("Línea 1: p0 -> p0\nFórmula válida\n"), kCeilingMs);
    }

    void anIllegibleAnswerStopsTheCheckAndSaysSoLeavingTheDocument()
    {
        // Cut short, and whole but no message of the protocol.
        for (const QString &bad : {QStringLiteral(R"({"event":"answer","id":1,"firstLine")"),
                 QStringLiteral(R"({"id":1,"line":2})")}) {
            script({answer(1, QStringLiteral("p"), "valid", {}, false), bad,
                answer(3, QStringLiteral("s"), "valid", {}, false), kDone});
            const QByteArray bytes = m_edit->bytes();
            m_edit->document()->setModified(false);
            m_form->SeleccionatTodo1->trigger();
            m_form->Comprobar1->trigger();
            QTRY_VERIFY_WITH_TIMEOUT(
                checks() && checks()->isVisible() && !checks()->inProgress(), kCeilingMs);
            const QString shown = checks()->answerView->toPlainText();
            QVERIFY2(shown.contains(QStringLiteral("Línea 1: p\nFórmula válida"))
                    && !shown.contains(QStringLiteral("Línea 3"))
                    && shown.endsWith(QStringLiteral("El motor lógico envió una respuesta "
                                                     "ilegible y se detuvo. El documento no ha "
                                                     "cambiado.\n")),
                qPrintable(shown));
            QCOMPARE(m_edit->bytes(), bytes);
            QVERIFY(!m_edit->document()->isModified());
        }
    }

    void aWorkerThatAllocatesWithoutEndMeetsItsLimitNotTheEditors()
    {
        script({QStringLiteral("alloc")});
        m_form->Comprobar1->trigger();
        QTRY_VERIFY_WITH_TIMEOUT(
            checks() && checks()->isVisible() && !checks()->inProgress(), kCeilingMs);
        QVERIFY2(checks()->answerView->toPlainText().contains(
                     QStringLiteral("El motor lógico se detuvo inesperadamente")),
            qPrintable(checks()->answerView->toPlainText()));
    }

    void aProblemThatOverrunsItsTimeIsStoppedAndTheCheckGoesOn()
    {
        // The kernel stops the worker (SIGXCPU) during the problem of line 2; a new one goes on
        // from line 3.
        script({QStringLiteral(R"({"event":"start","id":1,"line":1})"),
            answer(1, QStringLiteral("p"), "valid", {}, false),
            QStringLiteral(R"({"event":"start","id":1,"line":2})"), QStringLiteral("xcpu"),
            QStringLiteral("=== next"), answer(3, QStringLiteral("s"), "invalid", {}, false),
            kDone});
        m_form->SeleccionatTodo1->trigger();
        m_form->Comprobar1->trigger();
        QTRY_VERIFY_WITH_TIMEOUT(
            checks() && checks()->isVisible() && !checks()->inProgress(), kCeilingMs);
        const QString shown = checks()->answerView->toPlainText();
        QVERIFY2(shown.contains(QStringLiteral("\nNo determinado: el motor lógico superó su "
                                               "límite de tiempo de procesador")),
            qPrintable(shown));
        QVERIFY(shown.contains(QStringLiteral("\nFórmula no válida")));
        QVERIFY2(shown.startsWith(QStringLiteral(
                     "3 líneas comprobadas: 1 válida, 1 no válida, 1 sin decidir\n")),
            qPrintable(shown));
        QVERIFY(recorded().contains(QStringLiteral("check 1 K 0 3 ")));
    }

    void quittingDuringACheckLeavesNoProcessBehind()
    {
        script({QStringLiteral("hang")});
        m_form->Comprobar1->trigger();
        QTRY_VERIFY_WITH_TIMEOUT(workerPid() > 0, kCeilingMs);
        const qint64 pid = workerPid();
        QVERIFY(!processGone(pid));
        m_form.reset();
        QTRY_VERIFY_WITH_TIMEOUT(processGone(pid), kCeilingMs);
    }

    void openingAnotherDocumentStopsTheCheckAndClearsItsAnswers()
    {
        script({answer(1, QStringLiteral("p"), "valid", {}, false), QStringLiteral("hang")});
        m_form->Comprobar1->trigger();
        QTRY_VERIFY_WITH_TIMEOUT(checks() && checks()->isVisible(), kCeilingMs);
        const qint64 pid = workerPid();
        m_edit->setModified(false);
        m_form->Nuevo1->trigger();
        QTRY_VERIFY_WITH_TIMEOUT(processGone(pid), kCeilingMs);
        QVERIFY(!checks()->isVisible());
        QVERIFY(checks()->answerView->toPlainText().isEmpty());
    }

    // bench_worker_client measures how long the editor's event loop stands still meanwhile.
    void hostileLinesGetTheirAnswers()
    {
        setLogicWorkerForTests(QString()); // zarvik-logic beside the executable
        m_form->SeleccionatTodo1->trigger();
        m_form->Borrar1->trigger();
        // A chain of 10^4 conditionals, and a line of 10^6 negations: past the length a line
        // may have.
        QByteArray chain = "p0";
        for (int i = 1; i < 10'000; ++i)
            chain += " -> p" + QByteArray::number(i % 50);
        m_edit->replaceSel(chain + "\r\n" + QByteArray(1'000'000, '~') + "p V p");
        m_form->SeleccionatTodo1->trigger();
        m_form->Comprobar1->trigger();
        QTRY_VERIFY_WITH_TIMEOUT(
            checks() && checks()->isVisible() && !checks()->inProgress(), kCeilingMs);
        const QString shown = checks()->answerView->toPlainText();
        QVERIFY2(shown.startsWith(
                     QStringLiteral("2 líneas comprobadas: 1 válida, 1 error\n\nLínea 1: p0 "
                                    "-> p1 -> ")),
            qPrintable(shown.left(200)));
        // A long line is named by its start.
        QVERIFY(
            shown.contains(QStringLiteral(" -> p2…\n")) || shown.contains(QStringLiteral("…\n")));
        QVERIFY(shown.contains(QStringLiteral("Tautología")));
        QVERIFY(shown.contains(
            QStringLiteral("Error en la línea 2, columna 1: línea demasiado larga: tiene 1000005 "
                           "caracteres")));
    }

    void theStudentsTableAndVerdictAreMarkedOnTheirLines()
    {
        setLogicWorkerForTests(QString()); // zarvik-logic beside the executable
        m_form->SeleccionatTodo1->trigger();
        m_form->Borrar1->trigger();
        // A table with one wrong cell under a valid argument, its right verdict; a wrong verdict.
        m_edit->insertPlainText(QStringLiteral("p → q, ¬q ⊨ ¬p\n"
                                               "p | q | p → q | ¬q | ¬p\n"
                                               "V | V | V | F | F\n"
                                               "V | F | V | V | F\n"
                                               "F | V | V | F | V\n"
                                               "F | F | V | V | V\n"
                                               "Respuesta: válido\n"
                                               "p ∨ ¬p\n"
                                               "Respuesta: contingencia"));
        m_form->SeleccionatTodo1->trigger();
        m_form->Comprobar1->trigger();
        QTRY_VERIFY_WITH_TIMEOUT(
            checks() && checks()->isVisible() && !checks()->inProgress(), kCeilingMs);
        const QString shown = checks()->answerView->toPlainText();
        QVERIFY2(shown.contains(QStringLiteral(
                     "Tabla incorrecta\nLínea 4: fila 2, columna «p → q»: el valor es F.\n")),
            qPrintable(shown));
        QVERIFY2(shown.contains(QStringLiteral("Respuesta correcta")), qPrintable(shown));
        QVERIFY(!shown.contains(QStringLiteral("Error en la línea")));
        auto *marks = m_form->findChild<zv::LineMarks *>(QStringLiteral("lineMarks"));
        QVERIFY(marks && marks->isVisible());
        QStringList seen;
        for (const zv::LineMarks::Mark &m : marks->marks())
            seen << QStringLiteral("%1 %2 %3")
                        .arg(m.at.blockNumber() + 1)
                        .arg(zv::LineMarks::symbol(m.outcome), m.toolTip);
        QCOMPARE(seen.join(QLatin1Char('|')),
            QStringLiteral("1 ✔ Argumento válido (árbol cerrado de 6 líneas)"
                           "|4 ✘ fila 2, columna «p → q»: el valor es F"
                           "|7 ✔ respuesta correcta|8 ✔ Tautología (árbol cerrado de 3 líneas)"
                           "|9 ✘ la fórmula es una tautología"));
    }

    void aWorksheetIsMarkedLineByLineAndTheMarksAreOnlyAView()
    {
        setLogicWorkerForTests(QString()); // zarvik-logic beside the executable
        m_form->SeleccionatTodo1->trigger();
        m_form->Borrar1->trigger();
        // Prose, numbered exercises, each class of formula, two arguments, a derivation with a
        // subproof and a syntax error; symbols as UTF-8 text, which a paste maps to the palette.
        m_edit->insertPlainText(QStringLiteral("Hoja 3: lógica\n"
                                               "Determine qué son las fórmulas siguientes.\n"
                                               "1. p ∨ ¬p\n"
                                               "2. p ∧ ¬p\n"
                                               "3. p → q\n"
                                               "a) p ∨ q ⊢ p\n"
                                               "b) p → q, q → r ⊢ p → r\n"
                                               "1. p → q :PR\n"
                                               "2. q → r :PR\n"
                                               "    3. p :AS\n"
                                               "    4. q :→E 1, 3\n"
                                               "    5. r :→E 2, 4\n"
                                               "6. p → r :→I 3-5\n"
                                               "4. p ∧ ∀ q"));
        m_edit->document()->setModified(false);
        const QByteArray before = m_edit->bytes();
        const int undoSteps = m_edit->document()->availableUndoSteps();
        m_form->SeleccionatTodo1->trigger();
        m_form->Comprobar1->trigger();
        QTRY_VERIFY_WITH_TIMEOUT(
            checks() && checks()->isVisible() && !checks()->inProgress(), kCeilingMs);
        const QString shown = checks()->answerView->toPlainText();
        QVERIFY2(shown.startsWith(QStringLiteral("7 líneas comprobadas: 3 válidas, 2 no válidas, "
                                                 "1 contingente, 1 error; 2 líneas de texto\n")),
            qPrintable(shown));
        QVERIFY(shown.contains(QStringLiteral("Línea 3: 1. p ∨ ¬p\nTautología\n")));
        QVERIFY(shown.contains(QStringLiteral("Línea 5: 3. p → q\nContingencia\n")));
        QVERIFY(shown.contains(QStringLiteral("Líneas 8 a 13: derivación\nDerivación correcta")));
        QVERIFY(!shown.contains(QStringLiteral("Línea 1:"))
            && !shown.contains(QStringLiteral("Línea 2:")));

        auto *marks = m_form->findChild<zv::LineMarks *>(QStringLiteral("lineMarks"));
        QVERIFY(marks && marks->isVisible());
        QStringList seen;
        for (const zv::LineMarks::Mark &m : marks->marks())
            seen << QStringLiteral("%1 %2")
                        .arg(m.at.blockNumber() + 1)
                        .arg(zv::LineMarks::symbol(m.outcome));
        QCOMPARE(seen.join(QLatin1Char(',')), QStringLiteral("3 ✔,4 ✘,5 ◐,6 ✘,7 ✔,13 ✔,14 !"));
        QCOMPARE(marks->marks().at(1).toolTip.left(13), QStringLiteral("Contradicción"));
        QVERIFY(marks->marks().at(6).toolTip.startsWith(QStringLiteral("Error: se esperaba")));
        QCOMPARE(marks->underlines().size(), 1);
        // The subproof of lines 10 to 12, ruled under its assumption, and the derivation's own
        // bar over lines 8 to 13, ruled under its last premise.
        QCOMPARE(marks->bars().size(), 2);
        QStringList bars;
        for (const zv::LineMarks::Bar &b : marks->bars())
            bars << QStringLiteral("%1: %2-%3 under %4")
                        .arg(b.depth)
                        .arg(b.from.blockNumber() + 1)
                        .arg(b.to.blockNumber() + 1)
                        .arg(b.rule ? b.rule->blockNumber() + 1 : 0);
        QCOMPARE(bars.join(QLatin1Char(',')), QStringLiteral("1: 10-12 under 10,0: 8-13 under 9"));

        // Views, never the document: the same bytes, nothing to undo, nothing modified.
        QCOMPARE(m_edit->bytes(), before);
        QCOMPARE(m_edit->document()->availableUndoSteps(), undoSteps);
        QVERIFY(!m_edit->document()->isModified());

        // A click on an answer selects its line; a click on a mark finds its answer.
        QVERIFY(checks()->showAnswerOf(5));
        QCOMPARE(
            checks()->answerView->textCursor().block().text(), QStringLiteral("Línea 5: 3. p → q"));
        QSignalSpy selected(checks(), &zv::CheckWindow::lineActivated);
        QTest::mouseClick(checks()->answerView->viewport(), Qt::LeftButton, {},
            checks()->answerView->cursorRect().center());
        QCOMPARE(selected.size(), 1);
        QCOMPARE(m_edit->textCursor().selectedText(), QStringLiteral("3. p → q"));

        // Editing a line takes its mark, and only its mark, away.
        QTextCursor edit(m_edit->document()->findBlockByNumber(4));
        edit.movePosition(QTextCursor::EndOfBlock);
        edit.insertText(QStringLiteral(" ∨ r"));
        QCOMPARE(marks->marks().size(), 6);
        QVERIFY(marks->marks().at(2).at.blockNumber() == 5);

        // Another document: no marks, no margin, no answers.
        m_edit->document()->setModified(false);
        m_form->Nuevo1->trigger();
        QVERIFY(marks->marks().isEmpty() && !marks->isVisible());
        QVERIFY(checks()->answerView->toPlainText().isEmpty());
    }

    void theRealEngineTabulatesAOneLineArgumentAndFindsItsErrorInPlace()
    {
        setLogicWorkerForTests(QString()); // zarvik-logic beside the executable
        m_form->SeleccionatTodo1->trigger();
        m_form->Borrar1->trigger();
        m_edit->replaceSel("p -> q, p ");
        m_form->speedButton(22)->click();
        m_edit->replaceSel(" q");
        m_form->TablaDeVerdad1->trigger();
        QTRY_VERIFY_WITH_TIMEOUT(
            checks() && !checks()->inProgress() && checks()->isVisible(), kCeilingMs);
        const QString table = checks()->answerView->toPlainText();
        QVERIFY2(table.startsWith(QStringLiteral("Línea 1: p -> q, p ⊨ q\nTabla de verdad del "
                                                 "argumento")),
            qPrintable(table));
        QVERIFY(table.contains(QStringLiteral("\nV\tV\tV\tV\tV\t*\n")));
        QVERIFY(!table.contains(QStringLiteral("contraejemplo")));

        m_edit->replaceSel(" # r");
        m_form->TablaDeVerdad1->trigger();
        QTRY_VERIFY_WITH_TIMEOUT(
            checks()->answerView->toPlainText().startsWith(QStringLiteral("Error")), kCeilingMs);
        QTRY_COMPARE_WITH_TIMEOUT(m_edit->selStart(), 15, kCeilingMs);
        QCOMPARE(m_edit->selText(), QByteArray("#"));
        QVERIFY2(checks()->answerView->toPlainText().startsWith(
                     QStringLiteral("Error en la línea 1, columna 15: ")),
            qPrintable(checks()->answerView->toPlainText()));
    }

    void theCaretOnOneLineOfADerivationChecksItWholeUnderItsArgument()
    {
        setLogicWorkerForTests(QString()); // zarvik-logic beside the executable
        m_form->SeleccionatTodo1->trigger();
        m_form->Borrar1->trigger();
        m_edit->replaceSel("Hoja 1\r\n\r\np -> q, p |- q\r\n1. p -> q :PR\r\n2. p :PR\r\n"
                           "3. q :->E 1, 2\r\n\r\np -> q, q |- p\r\n1. p -> q :PR\r\n"
                           "2. q :PR\r\n3. p :->E 1, 2\r\n\r\np V ~p\r\np | p V ~p\r\n"
                           "V | F\r\nF | V\r\n");
        const QByteArray bytes = m_edit->bytes();
        // The caret inside the second line of the first derivation, the document's fifth.
        m_edit->setSelStart(int(m_edit->bytes().indexOf("2. p :PR")) + 3);
        QTest::keyClick(m_edit, Qt::Key_Return, Qt::ControlModifier);
        QTRY_VERIFY_WITH_TIMEOUT(
            checks() && checks()->isVisible() && !checks()->inProgress(), kCeilingMs);
        QString text = checks()->answerView->toPlainText();
        QVERIFY2(text.contains(QStringLiteral("\nLínea 3: p -> q, p |- q\nArgumento válido\n")),
            qPrintable(text));
        // The lines that its words name are the document's too, not the checked part's.
        QVERIFY2(text.contains(QStringLiteral("Líneas 4 a 6: derivación\nDerivación correcta: "
                                              "demuestra el argumento de la línea 3.\n")),
            qPrintable(text));
        QVERIFY2(!text.contains(QStringLiteral("número")) && !text.contains(QStringLiteral("Hoja")),
            qPrintable(text));
        QCOMPARE(m_edit->bytes(), bytes);

        // On the wrong step of the second, its fault and its model, under the document's lines.
        m_edit->setSelStart(int(m_edit->bytes().indexOf("3. p :->E")) + 1);
        m_form->Comprobar1->trigger();
        QTRY_VERIFY_WITH_TIMEOUT(checks()->answerView->toPlainText().contains(
                                     QStringLiteral("Líneas 9 a 11: derivación")),
            kCeilingMs);
        QTRY_VERIFY_WITH_TIMEOUT(!checks()->inProgress(), kCeilingMs);
        text = checks()->answerView->toPlainText();
        QVERIFY2(text.contains(QStringLiteral("\nLínea 8: p -> q, q |- p\nArgumento no válido\n")),
            qPrintable(text));
        QVERIFY2(text.contains(QStringLiteral("Contraejemplo al paso: ")), qPrintable(text));
        QVERIFY2(text.contains(QStringLiteral("p: falsa\nq: verdadera")), qPrintable(text));

        // A student's table far down: its wrong cell under the document's line.
        // Positions count a paragraph's end as one character, the bytes as two.
        m_edit->setSelStart(
            int(m_edit->document()->toPlainText().indexOf(QStringLiteral("V | F"))) + 1);
        m_form->Comprobar1->trigger();
        QTRY_VERIFY_WITH_TIMEOUT(!checks()->inProgress()
                && checks()->answerView->toPlainText().contains(QStringLiteral("Tabla")),
            kCeilingMs);
        text = checks()->answerView->toPlainText();
        QVERIFY2(text.contains(QStringLiteral("Línea 15: fila 1, columna")), qPrintable(text));
        QCOMPARE(m_edit->bytes(), bytes);
    }

private:
    CheckWindow *checks() const { return m_form->findChild<CheckWindow *>(); }

    void script(const QStringList &lines)
    {
        QFile file(m_script);
        QVERIFY(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
        file.write(lines.join(QLatin1Char('\n')).toUtf8() + '\n');
    }

    QString recorded() const
    {
        QFile file(m_record);
        return file.open(QIODevice::ReadOnly) ? QString::fromUtf8(file.readAll()) : QString();
    }

    /// The last request's header and text.
    QString request() const
    {
        QString r = recorded();
        const qsizetype at = r.lastIndexOf(QStringLiteral("check "));
        if (at < 0)
            return {};
        r = r.mid(at);
        return r.left(r.lastIndexOf(QStringLiteral("\npid ")));
    }

    qint64 workerPid() const
    {
        const QString r = recorded();
        const qsizetype at = r.lastIndexOf(QStringLiteral("\npid "));
        // Only a whole line: the worker's write may be read half done.
        return at < 0 || !r.endsWith(QLatin1Char('\n')) ? -1 : r.mid(at + 5).trimmed().toLongLong();
    }

    QTemporaryDir m_exeFolder, m_work;
    QString m_fake, m_script, m_record;
    std::unique_ptr<test::FakeDialogs> m_dialogs;
    std::unique_ptr<TForm1> m_form;
    RichEdit *m_edit = nullptr;
};

QTEST_MAIN(TestLogicCheck)
#include "tst_logiccheck.moc"
