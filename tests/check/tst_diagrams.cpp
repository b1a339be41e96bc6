// Trees and countermodels drawn: five problems answered by the real engine, drawn into SVG and
// PNG and written as LaTeX that pdflatex compiles; the check window's tab, its choice of the
// answer drawn, its zoom and its exports. ZV_DIAGRAM_OUT names a folder to keep the pictures in.

#include "check/CheckWindow.h"
#include "check/DiagramView.h"
#include "check/FitchDiagram.h"
#include "check/LogicWorker.h"
#include "check/ModelDiagram.h"
#include "check/StepDiagram.h"
#include "check/TreeDiagram.h"

#include "FakeDialogs.h"

#include <QAction>
#include <QApplication>
#include <QClipboard>
#include <QElapsedTimer>
#include <QFile>
#include <QImage>
#include <QJsonArray>
#include <QJsonDocument>
#include <QLabel>
#include <QMimeData>
#include <QPlainTextEdit>
#include <QProcess>
#include <QRegularExpression>
#include <QSet>
#include <QStandardPaths>
#include <QTabWidget>
#include <QTemporaryDir>
#include <QTest>
#include <QTextBlock>

#include <algorithm>
#include <iterator>

using namespace zv;

namespace {

struct Case
{
    const char *name, *system, *text;
};

// Propositional, first order with identity, S4 with three worlds, three elements, Kripke, and a
// tree that blocks a world.
const Case kCases[] = {
    {"propositional", "K", "p → q, q → r ⊨ p → r"},
    {"identity", "K", "∀x(Fx → Gx), a = b, Fa ⊨ Gb"},
    {"s4", "S4", "□p → □□p"},
    {"three-elements", "K", "∃x Fx, ∃x Gx, ∃x Hx ⊨ ∃x(Fx ∧ Gx) ∨ ∃x(Fx ∧ Hx) ∨ ∃x(Gx ∧ Hx)"},
    {"kripke", "S4", "◇p → □◇p"},
    // A closed tree with a blocked world's note, said in words.
    {"blocked", "S4", "□◇p ∧ p, ∀x Fx ⊨ Fa"},
};

// Far above what any wait here needs, on a machine as busy as it gets.
constexpr int kCeilingMs = 300'000;

// The real worker's answer to @p text (logic/worker/PROTOCOL.md), or an empty object.
QJsonObject engineAnswer(const char *system, const QString &text)
{
    QProcess worker;
    worker.start(qEnvironmentVariable("ZV_BUILD_DIR") + QStringLiteral("/zarvik-logic"), {});
    if (!worker.waitForStarted(kCeilingMs))
        return {};
    ModalSystem modal = ModalSystem::K;
    for (int s = 0; s < int(std::size(kModalSystemNames)); ++s)
        if (qstrcmp(kModalSystemNames[s], system) == 0)
            modal = ModalSystem(s);
    worker.write(
        WorkerRequest{WorkerRequest::Kind::Check, 1, modal, false, 1, text.toUtf8()}.bytes());
    QJsonObject answer;
    QByteArray pending;
    QElapsedTimer clock;
    clock.start();
    while (clock.elapsed() < kCeilingMs) {
        worker.waitForReadyRead(200);
        pending += worker.readAllStandardOutput();
        qsizetype end;
        while ((end = pending.indexOf('\n')) >= 0) {
            const QJsonObject m = QJsonDocument::fromJson(pending.left(end)).object();
            pending.remove(0, end + 1);
            if (m.value(QLatin1String("event")) == QLatin1String("answer"))
                answer = m;
            if (m.value(QLatin1String("event")) == QLatin1String("done")) {
                worker.write(WorkerRequest::quit().bytes());
                worker.waitForFinished(kCeilingMs);
                return answer;
            }
        }
    }
    worker.kill();
    return {};
}

QString run(const QString &program, const QStringList &arguments, const QString &folder)
{
    QProcess process;
    process.setWorkingDirectory(folder);
    process.start(program, arguments);
    if (!process.waitForFinished(kCeilingMs) || process.exitCode() != 0)
        return {};
    return QString::fromUtf8(process.readAllStandardOutput());
}

int matches(const QString &svg, const QString &pattern)
{
    int n = 0;
    for (auto it = QRegularExpression(pattern).globalMatch(svg); it.hasNext(); it.next())
        ++n;
    return n;
}

// A formula as pdftotext gives it back: no spaces, and the two signs that its fonts name apart.
QString plain(QString s)
{
    s.remove(QLatin1Char(' ')).remove(QLatin1Char('\n'));
    return s.replace(QStringLiteral("|="), QStringLiteral("⊨"))
        .replace(QChar(0x2662), QChar(0x25C7));
}

QString outFolder(const QTemporaryDir &fallback)
{
    const QString kept = qEnvironmentVariable("ZV_DIAGRAM_OUT");
    return kept.isEmpty() ? fallback.path() : kept;
}

bool texHas(const char *package)
{
    return !run(QStringLiteral("kpsewhich"), {QLatin1String(package)}, QString())
                .trimmed()
                .isEmpty();
}

LogicProblem problemWithTree(int line, int nodes)
{
    // A branch that splits at every fourth line, the right side closing at once.
    QJsonArray array;
    for (int i = 0; i < nodes; ++i) {
        const int parent = i == 0 ? -1 : (i % 4 == 0 ? i - 2 : i - 1);
        const bool closes = i % 4 == 3;
        array.append(QJsonObject{{QStringLiteral("parent"), parent},
            {QStringLiteral("text"), QStringLiteral("p%1 ∨ ¬q").arg(i)},
            {QStringLiteral("world"), -1}, {QStringLiteral("world2"), -1},
            {QStringLiteral("origin"), QStringLiteral("de %1, ∨").arg(std::max(1, i - 1))},
            {QStringLiteral("from"), QJsonArray{-1, -1}},
            {QStringLiteral("closedBy"), closes ? QJsonArray{0, i} : QJsonArray{-1, -1}}});
    }
    LogicProblem p;
    p.firstLine = p.line = line;
    p.tree = QJsonObject{{QStringLiteral("modal"), false}, {QStringLiteral("truncated"), false},
        {QStringLiteral("nodes"), array}};
    return p;
}

} // namespace

class TestDiagrams : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void initTestCase()
    {
        QTemporaryDir probe;
        if (!QFile::exists(qEnvironmentVariable("ZV_BUILD_DIR") + QStringLiteral("/zarvik-logic")))
            QSKIP("zarvik-logic is not built");
        for (const Case &c : kCases) {
            m_answers << engineAnswer(c.system, QString::fromUtf8(c.text));
            QVERIFY2(!m_answers.last().isEmpty(), c.name);
        }
    }

    void init() { m_dialogs = std::make_unique<test::FakeDialogs>(); }
    void cleanup() { m_dialogs.reset(); }

    void treesHaveALineElementPerNodeAndACrossPerClosedBranch_data()
    {
        QTest::addColumn<int>("index");
        for (int i : {0, 1, 2, 5})
            QTest::newRow(kCases[i].name) << i;
    }

    void treesHaveALineElementPerNodeAndACrossPerClosedBranch()
    {
        QFETCH(int, index);
        const QJsonObject &answer = m_answers[index];
        QCOMPARE(answer.value(QLatin1String("decision")).toString(), QStringLiteral("valid"));
        const QJsonArray nodes = answer.value(QLatin1String("tree"))
                                     .toObject()
                                     .value(QLatin1String("nodes"))
                                     .toArray();
        QVERIFY(!nodes.isEmpty());
        // Counted from the message: every leaf closes its branch.
        QSet<int> parents;
        int closing = 0;
        QSet<int> worlds;
        for (const QJsonValue &n : nodes) {
            parents << n[QLatin1String("parent")].toInt();
            closing += n[QLatin1String("closedBy")][0].toInt() >= 0 ? 1 : 0;
            if (n[QLatin1String("world2")].toInt() < 0 && n[QLatin1String("world")].toInt() >= 0)
                worlds << n[QLatin1String("world")].toInt();
        }
        int leaves = 0;
        for (int i = 0; i < nodes.size(); ++i)
            leaves += parents.contains(i) ? 0 : 1;
        QCOMPARE(closing, leaves);

        const TreeDiagram tree(ShownTree::fromJson(answer.value(QLatin1String("tree")).toObject()));
        keepPicture(tree, index);
        QCOMPARE(tree.drawnNodes(), nodes.size());
        QCOMPARE(tree.closedBranches(), leaves);
        const QString svg
            = QString::fromUtf8(diagramSvg(tree, QString::fromUtf8(kCases[index].name)));
        QCOMPARE(matches(svg, QStringLiteral(">\\d+\\.</text>")), nodes.size());
        for (int i = 1; i <= nodes.size(); ++i)
            QVERIFY2(
                svg.contains(QStringLiteral(">%1.</text>").arg(i)), qPrintable(QString::number(i)));
        QCOMPARE(matches(svg, QStringLiteral(">✕</text>")), leaves);
        if (index == 5) {
            const auto note = std::find_if(nodes.begin(), nodes.end(),
                [](const QJsonValue &n) { return n[QLatin1String("repeats")].toInt(-1) >= 0; });
            QVERIFY2(note != nodes.end(), "no blocked world");
            QVERIFY(svg.contains((*note)[QLatin1String("text")].toString().toHtmlEscaped()));
            QVERIFY(tree.latex().contains(QStringLiteral("\\textit{")));
        }
        if (index == 2) {
            QCOMPARE(worlds.size(), 3);
            for (int w : worlds)
                QVERIFY(svg.contains(QStringLiteral(">w%1</text>").arg(w)));
        }
    }

    void countermodelsHaveACirclePerWorldAndAnArrowPerPair_data()
    {
        QTest::addColumn<int>("index");
        for (int i : {3, 4})
            QTest::newRow(kCases[i].name) << i;
    }

    void countermodelsHaveACirclePerWorldAndAnArrowPerPair()
    {
        QFETCH(int, index);
        const QJsonObject &answer = m_answers[index];
        QCOMPARE(answer.value(QLatin1String("decision")).toString(), QStringLiteral("invalid"));
        const ShownModel model
            = ShownModel::fromJson(answer.value(QLatin1String("model")).toObject());
        const ModelDiagram diagram(model);
        keepPicture(diagram, index);
        const QString svg
            = QString::fromUtf8(diagramSvg(diagram, QString::fromUtf8(kCases[index].name)));
        const int circles = matches(svg, QStringLiteral("<(ellipse|circle)\\b"));
        // An arrowhead is a triangle: a path of three straight sides.
        const int arrows = matches(
            svg, QStringLiteral("<path[^>]* d=\"M[-\\d.,]+ L[-\\d.,]+ L[-\\d.,]+ L[-\\d.,]+\""));
        if (model.modal) {
            QCOMPARE(model.worlds, 3);
            QCOMPARE(circles, model.worlds);
            QCOMPARE(arrows, model.access.size());
            // Checked here too: p is possible at w0, and at some world w0 sees it is not.
            const auto sees = [&](int u, int v) { return model.access.contains(std::pair{u, v}); };
            const auto p = [&](int w) { return model.lettersAt(w).contains(QStringLiteral("p")); };
            bool possible = false, somewhereNot = false;
            for (int v = 0; v < model.worlds; ++v) {
                possible = possible || (sees(0, v) && p(v));
                bool here = false;
                for (int t = 0; t < model.worlds; ++t)
                    here = here || (sees(v, t) && p(t));
                somewhereNot = somewhereNot || (sees(0, v) && !here);
            }
            QVERIFY(possible && somewhereNot);
            for (int w = 0; w < model.worlds; ++w)
                QVERIFY(svg.contains(QStringLiteral(">w%1</text>").arg(w)));
        } else {
            QCOMPARE(model.domain, 3);
            QCOMPARE(circles, 0);
            QCOMPARE(arrows, 0);
            // One mark per element of an extension: F, G and H, one each and none shared.
            int members = 0;
            QSet<int> seen;
            for (const ShownModel::Symbol &s : model.predicates)
                for (const QList<int> &t : s.rows.value(0)) {
                    ++members;
                    seen << t.value(0);
                }
            QCOMPARE(members, 3);
            QCOMPARE(seen.size(), 3);
            QCOMPARE(matches(svg, QStringLiteral(">✓</text>")), members);
            QVERIFY(svg.contains(QStringLiteral(">Dominio</text>")));
        }
    }

    void latexOfEachPictureCompilesWithPdflatexAndHoldsEveryFormula_data()
    {
        QTest::addColumn<int>("index");
        for (int i = 0; i < int(std::size(kCases)); ++i)
            QTest::newRow(kCases[i].name) << i;
    }

    void latexOfEachPictureCompilesWithPdflatexAndHoldsEveryFormula()
    {
        QFETCH(int, index);
        if (QStandardPaths::findExecutable(QStringLiteral("pdflatex")).isEmpty()
            || QStandardPaths::findExecutable(QStringLiteral("pdftotext")).isEmpty())
            QSKIP("pdflatex or pdftotext is not installed");
        if (!texHas("forest.sty") || !texHas("tikz.sty"))
            QSKIP("forest and TikZ (texlive-pictures) are not installed");
        const QJsonObject &answer = m_answers[index];
        std::unique_ptr<Diagram> diagram;
        const QJsonObject tree = answer.value(QLatin1String("tree")).toObject();
        if (!tree.isEmpty())
            diagram = std::make_unique<TreeDiagram>(ShownTree::fromJson(tree));
        else
            diagram = std::make_unique<ModelDiagram>(
                ShownModel::fromJson(answer.value(QLatin1String("model")).toObject()));
        QTemporaryDir folder;
        QFile tex(folder.filePath(QStringLiteral("dibujo.tex")));
        QVERIFY(tex.open(QIODevice::WriteOnly));
        tex.write(diagramLatexDocument(*diagram).toUtf8());
        tex.close();
        const QString log = run(QStringLiteral("pdflatex"),
            {QStringLiteral("-interaction=nonstopmode"), QStringLiteral("-halt-on-error"),
                tex.fileName()},
            folder.path());
        QVERIFY2(!log.isNull(), qPrintable(diagramLatexDocument(*diagram)));
        const QString text = plain(run(QStringLiteral("pdftotext"),
            {folder.filePath(QStringLiteral("dibujo.pdf")), QStringLiteral("-")}, folder.path()));
        if (!tree.isEmpty()) {
            for (const QJsonValue &n : tree.value(QLatin1String("nodes")).toArray())
                QVERIFY2(text.contains(plain(n[QLatin1String("text")].toString())),
                    qPrintable(
                        n[QLatin1String("text")].toString() + QStringLiteral(" in ") + text));
        } else {
            QVERIFY2(text.contains(answer[QLatin1String("model")][QLatin1String("modal")].toBool()
                             ? QStringLiteral("w2")
                             : QStringLiteral("Dominio")),
                qPrintable(text));
        }
    }

    void theWindowDrawsTheAnswerUnderTheCursorOrTheLast()
    {
        CheckWindow window;
        window.showProgress(QString());
        const LogicProblem tree = problemFromMessage(m_answers[0]);
        const LogicProblem model = problemFromMessage(m_answers[4]);
        LogicProblem none;
        none.firstLine = 9;
        window.addProblem(2, tree);
        window.addProblem(5, model);
        window.addProblem(9, none);
        window.appendAnswers(QStringLiteral("Línea 2: p → q, q → r ⊨ p → r\nArgumento válido\n"));
        window.appendAnswers(QStringLiteral("Línea 5: ◇p → □◇p\nFórmula no válida\n"));
        window.appendAnswers(QStringLiteral("Línea 9: p\nFórmula no válida\n"));
        window.finishAnswers(QString());
        QVERIFY(window.drawnProblem());
        QCOMPARE(window.drawnProblem()->text, tree.text);
        QVERIFY(dynamic_cast<const TreeDiagram *>(&window.diagramView->diagram()->content()));

        const auto moveTo = [&](int block) {
            QTextCursor c(window.answerView->document()->findBlockByNumber(block));
            window.answerView->setTextCursor(c);
        };
        moveTo(4); // "Fórmula no válida" of line 5
        QCOMPARE(window.drawnProblem()->text, model.text);
        QVERIFY(dynamic_cast<const ModelDiagram *>(&window.diagramView->diagram()->content()));
        // Line 9 has nothing to draw: the tab says so, rather than keep line 5's picture.
        moveTo(7);
        QVERIFY(!window.diagramView->diagram());
        QVERIFY(!window.exportDiagramAction->isEnabled());
        const QLabel *said = window.diagramView->findChild<QLabel *>();
        QVERIFY(said && said->text().startsWith(QStringLiteral("La respuesta de la línea 9 ")));
        QVERIFY(said->text().contains(QStringLiteral("no tiene dibujo")));
        moveTo(4);
        QCOMPARE(window.drawnProblem()->text, model.text);
        QVERIFY(window.diagramView->diagram());
        // The same from a click on line 9's mark in the editor's margin.
        QVERIFY(window.showAnswerOf(9));
        QVERIFY(!window.diagramView->diagram());
        QVERIFY(said->text().startsWith(QStringLiteral("La respuesta de la línea 9 ")));
        QVERIFY(window.showAnswerOf(2));
        QCOMPARE(window.drawnProblem()->text, tree.text);

        // From a heading without a picture, the last answer that has one. A quick check's
        // problems come before its progress, and the check before is forgotten all the same.
        window.addProblem(1, none);
        window.showProgress(QString());
        QVERIFY(!window.drawnProblem() && !window.diagramView->diagram());
        QVERIFY(!window.exportDiagramAction->isEnabled());
        window.addProblem(3, tree);
        window.addProblem(6, model);
        window.appendAnswers(QStringLiteral("Línea 1: p\nFórmula no válida\n"));
        window.appendAnswers(QStringLiteral("Línea 3: x\nArgumento válido\n"));
        window.appendAnswers(QStringLiteral("Línea 6: y\nFórmula no válida\n"));
        window.finishAnswers(QString());
        QCOMPARE(window.drawnProblem()->text, model.text);
        QVERIFY(window.exportDiagramAction->isEnabled());
        QCOMPARE(window.answerTabs->count(), 2);
        QCOMPARE(window.answerTabs->tabText(1), QStringLiteral("Dibujo"));
        QCOMPARE(window.answerTabs->currentWidget(), window.answerView);

        // A check without problems draws nothing of the one before.
        window.showProgress(QString());
        window.appendAnswers(QStringLiteral("La selección no contiene ninguna fórmula.\n"));
        window.finishAnswers(QString());
        QVERIFY(!window.drawnProblem() && !window.diagramView->diagram());
    }

    void aWrongStepIsDrawnUnderItsDerivationWithItsModel()
    {
        const LogicProblem problem = problemFromMessage(
            engineAnswer("K", QStringLiteral("∃x Fx ⊢ ∀x Fx\n1. ∃x Fx :PR\n2. ∀x Fx :∀I 1")));
        QVERIFY(problem.derivation && !problem.model.isEmpty());
        CheckWindow window;
        window.setDrawnProblem(problem);
        QVERIFY(window.diagramView->diagram());
        const auto *step
            = dynamic_cast<const StepDiagram *>(&window.diagramView->diagram()->content());
        QVERIFY(step);
        QCOMPARE(step->stepCaption(), QStringLiteral("Contraejemplo al paso"));
        QVERIFY(step->modelTop() > FitchDiagram(problem).size().height());
        // The engine's fault is drawn on the line it names: its text line is the fitch line's.
        const FitchDiagram drawn(problem);
        QVERIFY(!problem.faults.isEmpty());
        QVERIFY(!drawn.rows().at(0).faulty && drawn.rows().at(1).faulty);
        QCOMPARE(drawn.notes().first(), problem.faults.first().message);
        QVERIFY(drawn.notes().first().startsWith(QStringLiteral("Línea 2: ")));
        QVERIFY2(drawn.latex().contains(
                     QStringLiteral("\\pline[2.]{\\forall x\\, Fx}[$\\forall$I 1\\quad$\\times$]")),
            qPrintable(drawn.latex()));
        QCOMPARE(drawn.latex().count(QStringLiteral("$\\times$]")), 1);
        // Past a "--", which the drawing has as a row and the LaTeX has not, the cross still
        // goes to the faulty line.
        const LogicProblem cases = problemFromMessage(engineAnswer("K",
            QStringLiteral("p ∨ q ⊢ q ∨ p\n1. p ∨ q :PR\n    2. p :AS\n    3. q ∨ p :∨I 2\n    --\n"
                           "    4. q :AS\n    5. q ∨ p :∧I 4\n6. q ∨ p :∨E 1, 2-3, 4-5")));
        const FitchDiagram casesDrawn(cases);
        QVERIFY(casesDrawn.rows().at(3).separator && casesDrawn.rows().at(5).faulty);
        QVERIFY2(casesDrawn.latex().contains(
                     QStringLiteral("\\pline[5.]{q \\lor p}[$\\land$I 4\\quad$\\times$]")),
            qPrintable(casesDrawn.latex()));
        QCOMPARE(casesDrawn.latex().count(QStringLiteral("$\\times$]")), 1);
        // Its LaTeX, the fault under the \fitchprf, compiles, and says the fault.
        if (!QStandardPaths::findExecutable(QStringLiteral("pdflatex")).isEmpty()
            && !QStandardPaths::findExecutable(QStringLiteral("pdftotext")).isEmpty()
            && texHas("lplfitch.sty")) {
            QTemporaryDir folder;
            QFile tex(folder.filePath(QStringLiteral("paso.tex")));
            QVERIFY(tex.open(QIODevice::WriteOnly));
            tex.write(diagramLatexDocument(drawn).toUtf8());
            tex.close();
            QVERIFY2(!run(QStringLiteral("pdflatex"),
                         {QStringLiteral("-interaction=nonstopmode"),
                             QStringLiteral("-halt-on-error"), tex.fileName()},
                         folder.path())
                          .isNull(),
                qPrintable(diagramLatexDocument(drawn)));
            const QString text = plain(run(QStringLiteral("pdftotext"),
                {folder.filePath(QStringLiteral("paso.pdf")), QStringLiteral("-")}, folder.path()));
            QVERIFY2(text.contains(QStringLiteral("Línea2:")), qPrintable(text));
        }
        QVERIFY(step->size().height() > step->modelTop());
        QVERIFY(diagramSvg(*step, QStringLiteral("paso")).contains("Contraejemplo al paso"));
        QVERIFY(step->latex().contains(QStringLiteral("\\fitchprf")));
        QVERIFY(step->latex().contains(QStringLiteral("Contraejemplo al paso")));
        QCOMPARE(step->latexPackages(), QStringLiteral("lplfitch,tikz"));

        // A correct derivation is drawn alone.
        window.setDrawnProblem(
            problemFromMessage(engineAnswer("K", QStringLiteral("p ⊢ p\n1. p :PR\n2. p :R 1"))));
        QVERIFY(window.diagramView->diagram());
        QVERIFY(dynamic_cast<const FitchDiagram *>(&window.diagramView->diagram()->content()));
    }

    void theStudentsTreeIsDrawnAsATreeWithItsOpenBranchsModelUnderIt()
    {
        const LogicProblem open = problemFromMessage(engineAnswer("K",
            QStringLiteral("p ∨ q ⊨ p\n1. p ∨ q :PR\n2. ¬p :NC\n    3. p :1\n    4. ✕ :2, 3\n"
                           "--\n    5. q :1\n    6. ○\n")));
        QCOMPARE(open.work, QStringLiteral("tree"));
        QCOMPARE(open.verdict, QStringLiteral("Árbol correcto"));
        CheckWindow window;
        window.setDrawnProblem(open);
        QVERIFY(window.diagramView->diagram());
        const auto *both
            = dynamic_cast<const StepDiagram *>(&window.diagramView->diagram()->content());
        QVERIFY(both);
        QCOMPARE(both->stepCaption(), QStringLiteral("Modelo de la rama abierta"));
        QVERIFY(both->latex().contains(QStringLiteral("Modelo de la rama abierta")));

        // A faulty tree: drawn alone, as a tree, with no model.
        const LogicProblem faulty = problemFromMessage(engineAnswer(
            "K", QStringLiteral("p ∧ q ⊨ q\n1. p ∧ q :PR\n2. ¬q :NC\n3. r :1\n4. ✕ :2, 3\n")));
        QCOMPARE(faulty.verdict, QStringLiteral("Árbol incorrecto"));
        window.setDrawnProblem(faulty);
        QVERIFY(window.diagramView->diagram());
        const auto *tree
            = dynamic_cast<const TreeDiagram *>(&window.diagramView->diagram()->content());
        QVERIFY(tree);
        QCOMPARE(tree->drawnNodes(), 4);
    }

    void theDrawingFitsZoomsAndLeavesAsPdfSvgLatexAndImage()
    {
        CheckWindow window;
        window.resize(360, 260);
        window.show();
        QVERIFY(QTest::qWaitForWindowExposed(&window));
        window.answerTabs->setCurrentWidget(window.diagramView);
        window.setDrawnProblem(problemFromMessage(m_answers[2]));
        DiagramView *view = window.diagramView;
        QTRY_VERIFY_WITH_TIMEOUT(
            view->zoom() < 1, kCeilingMs); // the S4 tree is taller than the window
        const QSizeF size = view->diagram()->size();
        QVERIFY(size.height() * view->zoom() <= view->maximumViewportSize().height());
        const qreal fitted = view->zoom();
        view->setFocus();
        QTest::keyClick(view, Qt::Key_Plus, Qt::ControlModifier);
        QVERIFY(qFuzzyCompare(view->zoom(), fitted * 1.25));
        QTest::keyClick(view, Qt::Key_Minus, Qt::ControlModifier);
        QVERIFY(qFuzzyCompare(view->zoom(), fitted));
        QWheelEvent wheel(QPointF(50, 50), view->mapToGlobal(QPointF(50, 50)), QPoint(),
            QPoint(0, 240), Qt::NoButton, Qt::ControlModifier, Qt::NoScrollPhase, false);
        QApplication::sendEvent(view->viewport(), &wheel);
        QVERIFY(qFuzzyCompare(view->zoom(), fitted * 1.25 * 1.25));
        QTest::keyClick(view, Qt::Key_0, Qt::ControlModifier);
        QVERIFY(qFuzzyCompare(view->zoom(), fitted));

        QTemporaryDir folder;
        const struct
        {
            const char *name, *start;
        } files[]
            = {{"arbol.pdf", "%PDF"}, {"arbol.svg", "<?xml"}, {"arbol.tex", "\\documentclass"}};
        for (const auto &f : files) {
            m_dialogs->queueSaveFile(folder.filePath(QLatin1String(f.name)));
            window.exportDiagramAction->trigger();
            QFile file(folder.filePath(QLatin1String(f.name)));
            QVERIFY2(file.open(QIODevice::ReadOnly), f.name);
            QVERIFY2(file.readAll().startsWith(f.start), f.name);
        }
        QVERIFY(m_dialogs->errors().isEmpty());
        window.copyDiagramImageAction->trigger();
        const QImage image = QApplication::clipboard()->image();
        QVERIFY(!image.isNull() && image.width() > size.width());
        window.copyDiagramLatexAction->trigger();
        // What it shows above it, as on the screen.
        QCOMPARE(problemFromMessage(m_answers[2]).verdict, QStringLiteral("Válida"));
        QVERIFY2(QApplication::clipboard()->text().startsWith(
                     QStringLiteral("% \\usepackage{amssymb,forest}\n\\noindent\\textbf{Árbol de "
                                    "la línea 1: Válida en S4}\\par\\medskip\n\\begin{forest}")),
            qPrintable(QApplication::clipboard()->text().left(200)));
    }

    void aDrawingNamesTheDocumentsLineAndItsVerdictOnScreenAndInEveryExport()
    {
        // A check of a selection that starts on the document's line 4: the worker counts from
        // the selection, the answer is headed by the document's line.
        LogicProblem tree = problemFromMessage(m_answers[0]);
        tree.firstLine = tree.line = 1;
        CheckWindow window;
        window.showProgress(QString());
        window.addProblem(4, tree);
        window.appendAnswers(QStringLiteral("Línea 4: p → q, q → r ⊨ p → r\nArgumento válido\n"));
        window.finishAnswers(QString());
        const Diagram *shown = window.diagramView->diagram();
        QVERIFY(shown);
        const QString caption = QStringLiteral("Árbol de la línea 4: Argumento válido");
        QCOMPARE(shown->caption(), caption);
        QVERIFY(dynamic_cast<const TreeDiagram *>(&shown->content()));
        QVERIFY(window.diagramView->accessibleDescription().startsWith(caption));

        // The caption is painted above the picture, in every form of it.
        const QImage whole = diagramImage(*shown, 1), bare = diagramImage(shown->content(), 1);
        QVERIFY(whole.height() > bare.height() + 10);
        int dark = 0;
        for (int y = int(kDiagramMargin); y < kDiagramMargin + 16; ++y)
            for (int x = 0; x < whole.width(); ++x)
                dark += qGray(whole.pixel(x, y)) < 128 ? 1 : 0;
        QVERIFY(dark > 20);
        keepImage(whole, QStringLiteral("captioned-tree"));

        QTemporaryDir folder;
        for (const char *name : {"a.svg", "a.pdf", "a.tex"}) {
            m_dialogs->queueSaveFile(folder.filePath(QLatin1String(name)));
            window.exportDiagramAction->trigger();
        }
        QFile svg(folder.filePath(QStringLiteral("a.svg")));
        QVERIFY(svg.open(QIODevice::ReadOnly));
        const QString svgText = QString::fromUtf8(svg.readAll());
        QVERIFY2(svgText.contains(QStringLiteral("<title>%1</title>").arg(caption)),
            qPrintable(svgText.left(600)));
        QVERIFY(svgText.contains(QStringLiteral(">%1</text>").arg(caption)));
        QFile tex(folder.filePath(QStringLiteral("a.tex")));
        QVERIFY(tex.open(QIODevice::ReadOnly));
        QVERIFY(QString::fromUtf8(tex.readAll())
                    .contains(QStringLiteral("\\textbf{%1}\\par").arg(caption)));
        if (!QStandardPaths::findExecutable(QStringLiteral("pdfinfo")).isEmpty()) {
            const QString info = run(QStringLiteral("pdfinfo"),
                {folder.filePath(QStringLiteral("a.pdf"))}, folder.path());
            QVERIFY2(info.contains(caption), qPrintable(info));
        }
        if (!QStandardPaths::findExecutable(QStringLiteral("pdftotext")).isEmpty()) {
            const QString text = run(QStringLiteral("pdftotext"),
                {folder.filePath(QStringLiteral("a.pdf")), QStringLiteral("-")}, folder.path());
            QVERIFY2(text.contains(QStringLiteral("línea 4")), qPrintable(text));
        }
        window.copyDiagramImageAction->trigger();
        QVERIFY(QString::fromUtf8(
            QApplication::clipboard()->mimeData()->data(QStringLiteral("image/svg+xml")))
                    .contains(QStringLiteral("<title>%1</title>").arg(caption)));

        // An argument over several lines names them all; a modal verdict its system.
        LogicProblem model = problemFromMessage(m_answers[4]);
        model.firstLine = 2;
        model.line = 5;
        window.setDrawnProblem(7, model);
        QCOMPARE(window.diagramView->diagram()->caption(),
            QStringLiteral("Contramodelo de las líneas 7 a 10: %1 en S4").arg(model.verdict));
        QVERIFY(!model.verdict.isEmpty());
    }

    void aKripkeWorldShowsTheValueOfEveryLetterTheFormulaNames()
    {
        // □p → p in K: one world that sees none, where p is false; nothing else would say so.
        const QJsonObject answer = engineAnswer("K", QStringLiteral("□p → p"));
        QCOMPARE(answer.value(QLatin1String("decision")).toString(), QStringLiteral("invalid"));
        const ShownModel model
            = ShownModel::fromJson(answer.value(QLatin1String("model")).toObject());
        QVERIFY(model.modal && model.worlds >= 1);
        QVERIFY(!model.lettersAt(0).contains(QStringLiteral("p")));
        // Re-checked here: □p holds at w0 (every world it sees has p), p does not.
        for (const auto &[u, v] : model.access)
            if (u == 0)
                QVERIFY(model.lettersAt(v).contains(QStringLiteral("p")));
        const ModelDiagram diagram(model);
        const QString svg = QString::fromUtf8(diagramSvg(diagram, QString()));
        QVERIFY2(svg.contains(QStringLiteral(">¬p</text>")), qPrintable(svg));
        QVERIFY(diagram.latex().contains(QStringLiteral("\\neg p")));
        keepImage(diagramImage(diagram, 1), QStringLiteral("kripke-k"));

        // Letters true and false at each world, a few to a row, in the names' order.
        const QJsonObject letters{{QStringLiteral("modal"), true}, {QStringLiteral("worlds"), 2},
            {QStringLiteral("access"), QJsonArray{QJsonArray{0, 1}}},
            {QStringLiteral("predicates"), [] {
                 QJsonArray out;
                 for (const char *name : {"p", "q", "r", "s"})
                     out.append(QJsonObject{{QStringLiteral("name"), QLatin1String(name)},
                         {QStringLiteral("arity"), 0},
                         {QStringLiteral("rows"),
                             QJsonArray{
                                 qstrcmp(name, "q") == 0 ? QJsonArray{QJsonArray{}} : QJsonArray{},
                                 QJsonArray{QJsonArray{}}}}});
                 return out;
             }()}};
        const ShownModel four = ShownModel::fromJson(letters);
        QCOMPARE(four.valuationAt(0),
            (QStringList{QStringLiteral("¬p"), QStringLiteral("q"), QStringLiteral("¬r"),
                QStringLiteral("¬s")}));
        QCOMPARE(four.valuationAt(1),
            (QStringList{QStringLiteral("p"), QStringLiteral("q"), QStringLiteral("r"),
                QStringLiteral("s")}));
        const QString drawn = QString::fromUtf8(diagramSvg(ModelDiagram(four), QString()));
        QVERIFY(drawn.contains(QStringLiteral(">¬p, q, ¬r</text>")));
        QVERIFY(drawn.contains(QStringLiteral(">¬s</text>")));
        QVERIFY(drawn.contains(QStringLiteral(">p, q, r</text>")));
    }

    void aStudentsModelIsDrawnWithItsOwnNamesAndItsFault()
    {
        // The worker's answer for the model piece, the last answer of the text.
        const QJsonObject kripke = engineAnswer("T",
            QStringLiteral("□p ⊨ p\nContramodelo:\nMundos: {w1, w2}\nR: {(w1, w2)}\np: {w2}\n"));
        QCOMPARE(kripke.value(QLatin1String("work")).toString(), QStringLiteral("model"));
        QCOMPARE(problemFromMessage(kripke).verdict, QStringLiteral("Modelo incorrecto"));
        const ShownModel model
            = ShownModel::fromJson(kripke.value(QLatin1String("model")).toObject());
        QCOMPARE(model.worldNames, (QStringList{QStringLiteral("w1"), QStringLiteral("w2")}));
        const QString fault = QStringLiteral("R no es reflexiva: falta (w1, w1)");
        QCOMPARE(model.fault, fault);
        const ModelDiagram diagram(model);
        keepImage(diagramImage(diagram, 1), QStringLiteral("student-kripke"));
        const QString svg = QString::fromUtf8(diagramSvg(diagram, QString()));
        QVERIFY2(svg.contains(QStringLiteral(">w1</text>"))
                && svg.contains(QStringLiteral(">w2</text>"))
                && !svg.contains(QStringLiteral(">w0</text>")),
            qPrintable(svg));
        QVERIFY(svg.contains(QStringLiteral(">R no es reflexiva")));
        QVERIFY(diagram.latex().contains(QStringLiteral("R no es reflexiva")));
        // The fault is under the graph, inside the picture.
        QVERIFY(diagram.size().height() > 2 * kWorldRadius + 20);

        // A domain of its own names, right: no fault written.
        const QJsonObject tables = engineAnswer(
            "K", QStringLiteral("Fa ⊨ Ga\nContramodelo:\nD: {3, 7}\na: 7\nF: {7}\nG: {}\n"));
        QCOMPARE(problemFromMessage(tables).verdict, QStringLiteral("Modelo correcto"));
        const ShownModel domain
            = ShownModel::fromJson(tables.value(QLatin1String("model")).toObject());
        QVERIFY(domain.fault.isEmpty());
        const QString drawn = QString::fromUtf8(diagramSvg(ModelDiagram(domain), QString()));
        QVERIFY2(drawn.contains(QStringLiteral(">7</text>"))
                && drawn.contains(QStringLiteral(">3</text>"))
                && !drawn.contains(QStringLiteral(">0</text>")),
            qPrintable(drawn));
        QCOMPARE(matches(drawn, QStringLiteral(">✓</text>")), 1);
        // Names that do not match the domain are not used: the indices are.
        QJsonObject wrong = tables.value(QLatin1String("model")).toObject();
        wrong.insert(QStringLiteral("elementNames"), QJsonArray{QStringLiteral("3")});
        QCOMPARE(ShownModel::fromJson(wrong).element(1), QStringLiteral("1"));
    }

    void aLargeTreeIsDrawnUpToTheCapQuickly()
    {
        QElapsedTimer clock;
        clock.start();
        const TreeDiagram tree(ShownTree::fromJson(problemWithTree(1, 5000).tree));
        const QString svg = QString::fromUtf8(diagramSvg(tree, QString()));
        QVERIFY2(clock.elapsed() < 3000, qPrintable(QString::number(clock.elapsed())));
        QCOMPARE(tree.drawnNodes(), kMaxDrawnNodes);
        QCOMPARE(matches(svg, QStringLiteral(">\\d+\\.</text>")), kMaxDrawnNodes);
        QVERIFY(svg.contains(QStringLiteral("las 5000 líneas")));
        // A branch cut at the cap is not marked closed nor open.
        QVERIFY(svg.contains(QStringLiteral("sigue en el texto")));
        QVERIFY(!svg.contains(QStringLiteral("rama abierta")));
    }

    void aFaultyLineOfTheStudentsTreeIsDrawnInRedAndNoOtherIs()
    {
        auto node = [](int parent, const char *text, bool fault) {
            QJsonObject n{{QStringLiteral("parent"), parent},
                {QStringLiteral("text"), QString::fromUtf8(text)}};
            if (fault)
                n.insert(QStringLiteral("fault"), true);
            return n;
        };
        const QJsonArray nodes{node(-1, "p ∧ q", false), node(0, "¬q", false), node(1, "r", true),
            node(2, "✕", false)};
        const ShownTree tree = ShownTree::fromJson(QJsonObject{{QStringLiteral("nodes"), nodes}});
        QCOMPARE(tree.nodes.size(), 4);
        for (int i = 0; i < 4; ++i)
            QCOMPARE(tree.nodes[i].fault, i == 2);
        const QString svg = QString::fromUtf8(diagramSvg(TreeDiagram(tree), QString()));
        // Only the faulty formula is drawn in red.
        const QRegularExpression red(
            QStringLiteral("<text fill=\"#c01010\"[^>]*>\\s*([^<]*)</text>"));
        QStringList drawn;
        for (auto m = red.globalMatch(svg); m.hasNext();)
            drawn << m.next().captured(1);
        QCOMPARE(drawn, QStringList{QStringLiteral("r")});
    }

    void malformedTreesAndModelsAreReadAsFarAsTheyMakeSense()
    {
        // A second root, and a parent after its child: the tree ends before them.
        QJsonArray nodes{QJsonObject{{QStringLiteral("parent"), -1},
                             {QStringLiteral("text"), QStringLiteral("p")}},
            QJsonObject{
                {QStringLiteral("parent"), 0}, {QStringLiteral("text"), QStringLiteral("q")}},
            QJsonObject{
                {QStringLiteral("parent"), 7}, {QStringLiteral("text"), QStringLiteral("r")}}};
        const ShownTree tree = ShownTree::fromJson(QJsonObject{{QStringLiteral("nodes"), nodes}});
        QCOMPARE(tree.nodes.size(), 2);
        const TreeDiagram open(tree);
        QVERIFY(QString::fromUtf8(diagramSvg(open, QString()))
                    .contains(QStringLiteral("rama abierta")));

        const QJsonObject bad{{QStringLiteral("modal"), true}, {QStringLiteral("worlds"), 2},
            {QStringLiteral("access"),
                QJsonArray{QJsonArray{0, 1}, QJsonArray{0, 5}, QJsonArray{-1, 0}}},
            {QStringLiteral("predicates"),
                QJsonArray{QJsonObject{{QStringLiteral("name"), QStringLiteral("p")},
                    {QStringLiteral("arity"), 0},
                    {QStringLiteral("rows"),
                        QJsonArray{QJsonArray{QJsonArray{}}, QJsonArray{}}}}}}};
        const ShownModel model = ShownModel::fromJson(bad);
        QCOMPARE(model.access.size(), 1);
        QCOMPARE(model.lettersAt(0), QStringList{QStringLiteral("p")});
        QVERIFY(model.lettersAt(1).isEmpty());
    }

private:
    void keepImage(const QImage &image, const QString &name)
    {
        const QString kept = qEnvironmentVariable("ZV_DIAGRAM_OUT");
        if (!kept.isEmpty())
            QVERIFY(image.save(kept + QLatin1Char('/') + name + QStringLiteral(".png")));
    }

    void keepPicture(const Diagram &diagram, int index)
    {
        QTemporaryDir fallback;
        const QString base
            = outFolder(fallback) + QLatin1Char('/') + QLatin1String(kCases[index].name);
        const QImage image = diagramImage(diagram, 1);
        QVERIFY(image.save(base + QStringLiteral(".png")));
        QFile svg(base + QStringLiteral(".svg"));
        QVERIFY(svg.open(QIODevice::WriteOnly));
        svg.write(diagramSvg(diagram, QLatin1String(kCases[index].name)));
        QFile tex(base + QStringLiteral(".tex"));
        QVERIFY(tex.open(QIODevice::WriteOnly));
        tex.write(diagramLatexDocument(diagram).toUtf8());
        // Something is drawn: dark pixels on the white.
        int dark = 0;
        for (int y = 0; y < image.height(); y += 2)
            for (int x = 0; x < image.width(); x += 2)
                dark += qGray(image.pixel(x, y)) < 128 ? 1 : 0;
        QVERIFY(dark > 50);
    }

    QList<QJsonObject> m_answers;
    std::unique_ptr<test::FakeDialogs> m_dialogs;
};

QTEST_MAIN(TestDiagrams)
#include "tst_diagrams.moc"
