// Derivations in the editor: their Fitch bars drawn where the lines stand, "Siguiente paso"
// offered for an unfinished one only, and "Demostrar" and "Siguiente paso" against the real
// engine: what they insert, "Comprobar" accepts, and one undo takes back byte for byte; an
// invalid argument leaves the document alone; Escape stops a search and its process.

#include "Unit1.h"

#include "MainWindowFixture.h"

#include "check/CheckWindow.h"
#include "check/DiagramView.h"
#include "check/FitchDiagram.h"
#include "check/LogicWorker.h"
#include "platform/richedit/RichEdit.h"

#include <QAction>
#include <QFile>
#include <QImage>
#include <QJsonArray>
#include <QJsonObject>
#include <QMenu>
#include <QPainter>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QSignalSpy>
#include <QTest>

#include <csignal>

using namespace zv;

namespace {

// Far above what any wait here needs, on a machine as busy as it gets.
constexpr int kCeilingMs = 300'000;

QJsonObject fitchLine(int line, int depth, bool assumption, const QString &text)
{
    return {{QStringLiteral("line"), line}, {QStringLiteral("depth"), depth},
        {QStringLiteral("indent"), depth * 4}, {QStringLiteral("assumption"), assumption},
        {QStringLiteral("text"), text}};
}

// p → q, q → r ⊢ p → r, as the worker lays it out, from line 2 of the checked text.
LogicProblem syllogism(bool finished = true)
{
    LogicProblem p;
    p.derivation = true;
    p.finished = finished;
    p.firstLine = 2;
    p.line = finished ? 7 : 6;
    p.fitch = {fitchLine(2, 0, false, QStringLiteral("1. p → q :PR")),
        fitchLine(3, 0, false, QStringLiteral("2. q → r :PR")),
        fitchLine(4, 1, true, QStringLiteral("3. p :AS")),
        fitchLine(5, 1, false, QStringLiteral("4. q :→E 1, 3")),
        fitchLine(6, 1, false, QStringLiteral("5. r :→E 2, 4"))};
    if (finished)
        p.fitch.append(fitchLine(7, 0, false, QStringLiteral("6. p → r :→I 3-5")));
    return p;
}

bool barsAre(const FitchDiagram &d, const QList<std::array<int, 3>> &expected)
{
    QList<std::array<int, 3>> got;
    for (const FitchDiagram::Bar &b : d.bars())
        got.append({b.depth, b.first, b.last});
    if (got != expected) {
        for (const auto &b : got)
            qWarning("bar %d: %d-%d", b[0], b[1], b[2]);
        return false;
    }
    return true;
}

// Whether a dark pixel stands in column @p x between @p top and @p bottom.
bool inkInColumn(const QImage &image, int x, int top, int bottom)
{
    for (int y = top; y < bottom; ++y)
        for (int dx = -1; dx <= 1; ++dx)
            if (qGray(image.pixel(x + dx, y)) < 128)
                return true;
    return false;
}

} // namespace

class TestProving : public QObject, public test::MainWindowTest
{
    Q_OBJECT

private Q_SLOTS:
    void fitchBarsRunFromEachAssumptionWhileItsLinesLast()
    {
        const FitchDiagram plain(syllogism());
        QVERIFY(barsAre(plain, {{0, 0, 5}, {1, 2, 4}}));
        const FitchDiagram::Row &step = plain.rows().at(3);
        QCOMPARE(step.number, QStringLiteral("4"));
        QCOMPARE(step.formula, QStringLiteral("q"));
        QCOMPARE(step.justification, QStringLiteral("→E 1, 3"));
        QVERIFY(plain.rows().at(1).premise && !step.premise && plain.rows().at(2).assumption);

        // Two subderivations side by side, a "--" between; one inside another.
        LogicProblem cases;
        cases.derivation = true;
        cases.fitch = {fitchLine(1, 1, true, QStringLiteral("1. p :AS")),
            fitchLine(2, 1, false, QStringLiteral("2. p ∨ q :∨I 1")),
            fitchLine(3, 1, false, QStringLiteral("--")),
            fitchLine(4, 1, true, QStringLiteral("3. q :AS")),
            fitchLine(5, 2, true, QStringLiteral("4. r :AS")),
            fitchLine(6, 2, false, QStringLiteral("5. q :R 3")),
            fitchLine(7, 1, false, QStringLiteral("6. r → q :→I 4-5")),
            fitchLine(8, 0, false, QStringLiteral("7. q → (r → q) :→I 3-6"))};
        const FitchDiagram nested(cases);
        QVERIFY(barsAre(nested, {{0, 0, 7}, {1, 0, 1}, {1, 3, 6}, {2, 4, 5}}));
        QVERIFY(nested.rows().at(2).separator);

        // Painted: the subderivation's bar beside its lines and nowhere else.
        QImage image(plain.size().toSize(), QImage::Format_RGB32);
        image.fill(Qt::white);
        QPainter painter(&image);
        plain.paint(painter);
        painter.end();
        const int x = int(plain.barX(1));
        const int row = int(FitchDiagram::kRowHeight);
        QVERIFY(inkInColumn(image, x, int(plain.rowTop(3)), int(plain.rowTop(3)) + row / 2));
        QVERIFY(!inkInColumn(image, x, int(plain.rowTop(0)) + 4, int(plain.rowTop(1))));
        QVERIFY(!inkInColumn(image, x, int(plain.rowTop(5)) + 4, int(plain.rowTop(6)) - 4));
        // The outer bar, and the line under the last premise that reaches past it.
        QVERIFY(inkInColumn(image, int(plain.barX(0)), int(plain.rowTop(5)), int(plain.rowTop(6))));
        QVERIFY(qGray(image.pixel(x + 3, int(plain.rowTop(2)) - 2)) < 160);
    }

    void checkWindowDrawsADerivationAndOffersTheNextStepOfAnUnfinishedOne()
    {
        CheckWindow window;
        QSignalSpy asked(&window, &CheckWindow::nextStepRequested);
        window.showProgress(QStringLiteral("Comprobando…"));
        window.appendAnswers(QStringLiteral("Línea 11\nincompleta\n"));
        // The checked text started on document line 10: its line 2 is the document's 11.
        window.addProblem(11, syllogism(false));
        window.finishAnswers(QString());
        QVERIFY(dynamic_cast<const FitchDiagram *>(&window.diagramView->diagram()->content()));
        // Named by the document's lines, as the answer's heading.
        QCOMPARE(window.diagramView->diagram()->caption(),
            QStringLiteral("Derivación de las líneas 11 a 15: incorrecta, sin terminar"));
        QVERIFY(window.nextStepButton->isVisibleTo(&window));
        window.nextStepButton->click();
        QCOMPARE(asked.size(), 1);
        QCOMPARE(asked.at(0).at(0).toInt(), 11 + 6 - 2);

        window.showProgress(QStringLiteral("Comprobando…"));
        window.appendAnswers(QStringLiteral("Línea 11\ncorrecta\n"));
        window.addProblem(11, syllogism(true));
        window.finishAnswers(QString());
        QVERIFY(window.diagramView->diagram());
        QVERIFY(!window.nextStepButton->isVisibleTo(&window));
    }

    void init()
    {
        setLogicWorkerForTests(
            qEnvironmentVariable("ZV_BUILD_DIR") + QStringLiteral("/zarvik-logic"));
        QVERIFY(showMainWindow());
    }

    void cleanup()
    {
        closeMainWindow();
        setLogicWorkerForTests(QString());
    }

    void demostrarInsertsADerivationThatComprobarAcceptsAndOneUndoTakesBack()
    {
        m_edit->insertReadable(QStringLiteral("Ejercicio:\np → q, q → r ⊢ p → r\nFin."));
        const QByteArray before = m_edit->bytes();
        // The caret on the argument's line.
        QTextCursor cursor = m_edit->textCursor();
        cursor.setPosition(14);
        m_edit->setTextCursor(cursor);
        m_form->Demostrar1->trigger();
        QTRY_VERIFY_WITH_TIMEOUT(
            m_edit->document()->toPlainText().contains(QStringLiteral(":PR")), kCeilingMs);
        // The palette's turnstile carries a mark of its two bytes; the text reads without it.
        const QStringList lines
            = m_edit->document()->toPlainText().remove(QChar(0xFE00)).split(QLatin1Char('\n'));
        QCOMPARE(lines.at(1), QStringLiteral("p → q, q → r ⊢ p → r"));
        QCOMPARE(lines.at(2), QStringLiteral("1. p → q :PR"));
        QCOMPARE(lines.last(), QStringLiteral("Fin."));
        QVERIFY(lines.at(lines.size() - 2).startsWith(QStringLiteral("6. p → r :→I")));

        m_form->SeleccionatTodo1->trigger();
        m_form->Comprobar1->trigger();
        QTRY_VERIFY_WITH_TIMEOUT(
            checks() && checks()->isVisible() && !checks()->inProgress(), kCeilingMs);
        QTRY_VERIFY2_WITH_TIMEOUT(checks()->answerView->toPlainText().contains(QStringLiteral(
                                      "Derivación correcta: demuestra el argumento")),
            qPrintable(checks()->answerView->toPlainText()), kCeilingMs);

        m_edit->undo();
        QCOMPARE(m_edit->bytes(), before);
    }

    void demostrarOnAnInvalidArgumentShowsItsCountermodelAndLeavesTheDocument()
    {
        m_edit->insertReadable(QStringLiteral("p → q, q ⊢ p"));
        const QByteArray before = m_edit->bytes();
        m_form->Demostrar1->trigger();
        QTRY_VERIFY_WITH_TIMEOUT(
            checks() && checks()->isVisible() && !checks()->inProgress(), kCeilingMs);
        const QString said = checks()->answerView->toPlainText();
        QVERIFY2(said.contains(QStringLiteral("Argumento no válido"))
                && said.contains(QStringLiteral("no tiene derivación")),
            qPrintable(said));
        QVERIFY(checks()->drawnProblem() && !checks()->drawnProblem()->model.isEmpty());
        QCOMPARE(m_edit->bytes(), before);
        QVERIFY(!m_edit->document()->isUndoAvailable() || m_edit->bytes() == before);
    }

    void siguientePasoFromTheMenuAndFromTheCheckWindowAddsOneLineAtATime()
    {
        m_edit->insertReadable(QStringLiteral("p ∧ q ⊢ q ∧ p\n1. p ∧ q :PR"));
        const QByteArray before = m_edit->bytes();
        m_form->SiguientePaso1->trigger();
        QTRY_COMPARE_WITH_TIMEOUT(
            m_edit->document()->toPlainText().count(QLatin1Char('\n')), 2, kCeilingMs);
        QVERIFY(m_edit->document()
                    ->toPlainText()
                    .split(QLatin1Char('\n'))
                    .at(2)
                    .startsWith(QStringLiteral("2. ")));
        m_edit->undo();
        QCOMPARE(m_edit->bytes(), before);

        // "Comprobar", then the window's button: the line goes after the derivation's last.
        m_form->SeleccionatTodo1->trigger();
        m_form->Comprobar1->trigger();
        QTRY_VERIFY_WITH_TIMEOUT(
            checks() && !checks()->inProgress() && checks()->nextStepButton->isVisibleTo(checks()),
            kCeilingMs);
        checks()->nextStepButton->click();
        QTRY_COMPARE_WITH_TIMEOUT(
            m_edit->document()->toPlainText().count(QLatin1Char('\n')), 2, kCeilingMs);
        QVERIFY(m_edit->document()->toPlainText().endsWith(QStringLiteral(":∧E 1")));
    }

    void aSheetWithoutHelpRefusesDemostrarAndStillChecksTheStudentsDerivation()
    {
        m_edit->insertReadable(
            QStringLiteral("ayuda: no\np → q, p ⊢ q\n1. p → q :PR\n2. p :PR\n3. q :→E 1, 2"));
        const QByteArray before = m_edit->bytes();
        QTextCursor cursor = m_edit->textCursor();
        cursor.setPosition(12); // on the argument's line
        m_edit->setTextCursor(cursor);
        m_form->Demostrar1->trigger();
        QTRY_VERIFY_WITH_TIMEOUT(
            checks() && checks()->isVisible() && !checks()->inProgress(), kCeilingMs);
        QTRY_VERIFY2_WITH_TIMEOUT(checks()->answerView->toPlainText().contains(
                                      QStringLiteral("Demostrar, línea 2: La hoja no permite "
                                                     "esta ayuda.\n")),
            qPrintable(checks()->answerView->toPlainText()), kCeilingMs);
        QCOMPARE(m_edit->bytes(), before);

        m_form->SeleccionatTodo1->trigger();
        m_form->Comprobar1->trigger();
        QTRY_VERIFY_WITH_TIMEOUT(
            checks() && checks()->isVisible() && !checks()->inProgress(), kCeilingMs);
        QTRY_VERIFY2_WITH_TIMEOUT(checks()->answerView->toPlainText().contains(QStringLiteral(
                                      "Derivación correcta: demuestra el argumento")),
            qPrintable(checks()->answerView->toPlainText()), kCeilingMs);
    }

    void soloReglasBasicasHoldsTheCheckToTheCoursesBasicRules()
    {
        // Beside the system's choice in "Lógica", off at start.
        QVERIFY(m_form->ReglasBasicas1 && m_form->ReglasBasicas1->isCheckable());
        QVERIFY(!m_form->ReglasBasicas1->isChecked() && !m_form->basicRules());
        QVERIFY(m_form->Logica1->actions().contains(m_form->ReglasBasicas1));
        m_edit->insertReadable(
            QStringLiteral("¬(p ∨ q) ⊢ ¬p ∧ ¬q\n1. ¬(p ∨ q) :PR\n2. ¬p ∧ ¬q :DeM 1"));
        m_form->ReglasBasicas1->trigger();
        QVERIFY(m_form->basicRules());
        m_form->SeleccionatTodo1->trigger();
        m_form->Comprobar1->trigger();
        QTRY_VERIFY_WITH_TIMEOUT(
            checks() && checks()->isVisible() && !checks()->inProgress(), kCeilingMs);
        QTRY_VERIFY2_WITH_TIMEOUT(checks()->answerView->toPlainText().contains(
                                      QStringLiteral("Línea 2: DeM no es una regla básica")),
            qPrintable(checks()->answerView->toPlainText()), kCeilingMs);

        // Off again, the same derivation is correct.
        m_form->ReglasBasicas1->trigger();
        QVERIFY(!m_form->basicRules());
        m_form->Comprobar1->trigger();
        QTRY_VERIFY_WITH_TIMEOUT(
            checks() && checks()->isVisible() && !checks()->inProgress(), kCeilingMs);
        QTRY_VERIFY2_WITH_TIMEOUT(
            checks()->answerView->toPlainText().contains(QStringLiteral("Derivación correcta")),
            qPrintable(checks()->answerView->toPlainText()), kCeilingMs);
    }

    void escapeStopsASearchAndItsProcessAndTheDocumentStays()
    {
        QTemporaryDir work;
        const QString script = work.filePath(QStringLiteral("script"));
        const QString record = work.filePath(QStringLiteral("record"));
        QFile file(script);
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.write("hang\n");
        file.close();
        setLogicWorkerForTests(
            qEnvironmentVariable("ZV_BUILD_DIR") + QStringLiteral("/fake_logic_worker"),
            {script, record});
        m_edit->insertReadable(QStringLiteral("a\np ⊢ p"));
        const QByteArray before = m_edit->bytes();
        m_form->Demostrar1->trigger();
        QTRY_VERIFY_WITH_TIMEOUT(checks() && checks()->inProgress(), kCeilingMs);
        // The worker writes down the request once it has read it, which on a busy machine may
        // come well after the check has started.
        const auto recorded = [&record] {
            QFile log(record);
            return log.open(QIODevice::ReadOnly) ? QString::fromUtf8(log.readAll()) : QString();
        };
        QTRY_VERIFY_WITH_TIMEOUT(
            recorded().contains(QStringLiteral("\npid ")) && recorded().endsWith(QLatin1Char('\n')),
            kCeilingMs);
        const QString request = recorded();
        QVERIFY2(request.startsWith(QStringLiteral("prove 1 K 2 ")), qPrintable(request));
        const qint64 pid
            = request.mid(request.lastIndexOf(QStringLiteral("pid ")) + 4).toLongLong();
        QTest::keyClick(m_edit, Qt::Key_Escape);
        QTRY_VERIFY_WITH_TIMEOUT(!checks()->inProgress(), kCeilingMs);
        QVERIFY(checks()->answerView->toPlainText().contains(QStringLiteral("cancelado")));
        QTRY_VERIFY_WITH_TIMEOUT(pid > 0 && ::kill(pid_t(pid), 0) != 0, kCeilingMs);
        QCOMPARE(m_edit->bytes(), before);
    }

private:
    CheckWindow *checks() const { return m_form->findChild<CheckWindow *>(); }
};

QTEST_MAIN(TestProving)
#include "tst_proving.moc"
