#include "check/CheckWindow.h"

#include "check/DiagramView.h"
#include "check/FitchDiagram.h"
#include "check/ModelDiagram.h"
#include "check/StepDiagram.h"
#include "check/TreeDiagram.h"
#include "platform/app/Application.h"
#include "platform/export/DocumentExport.h"
#include "platform/files/AtomicFile.h"

#include <QClipboard>
#include <QFileInfo>
#include <QGuiApplication>
#include <QHBoxLayout>
#include <QImage>
#include <QKeyEvent>
#include <QLabel>
#include <QMenu>
#include <QMenuBar>
#include <QMimeData>
#include <QPlainTextEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QRegularExpression>
#include <QScopedValueRollback>
#include <QScreen>
#include <QTabWidget>
#include <QTextBlock>
#include <QTextCursor>
#include <QVBoxLayout>

#include <algorithm>

namespace zv {

namespace {

// How far up from the cursor an answer's heading is looked for.
constexpr int kMaxAnswerLines = 5000;

bool hasDrawing(const LogicProblem &p)
{
    return !p.tree.isEmpty() || !p.model.isEmpty() || FitchDiagram::draws(p);
}

std::unique_ptr<Diagram> diagramOf(const LogicProblem &p)
{
    if (FitchDiagram::draws(p)) {
        // A wrong step's model goes under the derivation whose step it refutes.
        ShownModel model = ShownModel::fromJson(p.model);
        if (!model.isEmpty())
            return std::make_unique<StepDiagram>(std::make_unique<FitchDiagram>(p),
                QStringLiteral("Contraejemplo al paso"),
                std::make_unique<ModelDiagram>(std::move(model)));
        return std::make_unique<FitchDiagram>(p);
    }
    if (!p.tree.isEmpty()) {
        ShownTree tree = ShownTree::fromJson(p.tree);
        // The student's tree with an open branch: the model it describes goes under it.
        ShownModel model
            = p.work == QLatin1String("tree") ? ShownModel::fromJson(p.model) : ShownModel();
        if (!tree.isEmpty() && !model.isEmpty())
            return std::make_unique<StepDiagram>(std::make_unique<TreeDiagram>(std::move(tree)),
                QStringLiteral("Modelo de la rama abierta"),
                std::make_unique<ModelDiagram>(std::move(model)));
        if (!tree.isEmpty())
            return std::make_unique<TreeDiagram>(std::move(tree));
    }
    if (!p.model.isEmpty()) {
        ShownModel model = ShownModel::fromJson(p.model);
        if (!model.isEmpty())
            return std::make_unique<ModelDiagram>(std::move(model));
    }
    return nullptr;
}

// What the drawing of @p p shows, @p line being the document's line where its answer starts:
// "Árbol de las líneas 4 a 7: Argumento válido en S4".
QString diagramTitle(const LogicProblem &p, int line)
{
    const int last = line + std::max(0, p.line - p.firstLine);
    const QString lines = last > line ? QStringLiteral("las líneas %1 a %2").arg(line).arg(last)
                                      : QStringLiteral("la línea %1").arg(line);
    QString verdict = p.verdict;
    if (p.derivation) {
        // "Derivación de la línea 3: Derivación correcta" says it twice.
        verdict = p.outcome == Outcome::Valid ? QStringLiteral("correcta")
                                              : QStringLiteral("incorrecta");
        if (!p.finished)
            verdict += QStringLiteral(", sin terminar");
    }
    if (verdict.isEmpty())
        verdict = QStringLiteral("no determinado");
    if (!p.system.isEmpty())
        verdict += QStringLiteral(" en ") + p.system;
    const QString what = FitchDiagram::draws(p) ? QStringLiteral("Derivación")
        : !p.tree.isEmpty()                     ? QStringLiteral("Árbol")
                                                : QStringLiteral("Contramodelo");
    return QStringLiteral("%1 de %2: %3").arg(what, lines, verdict);
}

} // namespace

CheckWindow::CheckWindow(QWidget *parent)
    // A dialog of the editor, so that the window manager keeps it above the maximized editor
    // even when the editor takes the focus back to select an error.
    : QDialog(parent,
        Qt::Dialog | Qt::WindowTitleHint | Qt::WindowSystemMenuHint | Qt::WindowMinimizeButtonHint
            | Qt::WindowMaximizeButtonHint | Qt::WindowCloseButtonHint)
{
    setObjectName(QStringLiteral("checkWindow"));
    setWindowTitle(QStringLiteral("Resultado de la comprobación"));
    setFont(QFont(QStringLiteral("MS Sans Serif"), 8));
    setModal(false);
    // Ctrl+Enter again in the editor checks again: the focus stays where the user types.
    setAttribute(Qt::WA_ShowWithoutActivating);

    menuBar = addResultsMenu(
        *this, saveAction, [this] { save(); }, exportPdfAction, [this] { exportPdf(); });

    // As the results window shows the interpreter's text, with room for the symbols it lacks.
    answerView = new QPlainTextEdit(this);
    answerView->setObjectName(QStringLiteral("answerView"));
    dressResultsMemo(*answerView);
    answerView->setReadOnly(true);
    answerView->setTextInteractionFlags(Qt::TextSelectableByMouse | Qt::TextSelectableByKeyboard);
    // A report: read from top to bottom, never scrolled sideways to find "Error en".
    answerView->setLineWrapMode(QPlainTextEdit::WidgetWidth);
    answerView->viewport()->installEventFilter(this);
    connect(answerView, &QPlainTextEdit::cursorPositionChanged, this, [this] {
        if (!m_appending)
            drawAnswerAtCursor();
    });

    // The text stays first: it is what a screen reader reads and what copies, and it has the
    // whole of a tree too large to draw.
    diagramView = new DiagramView(this);
    diagramView->setDiagram(
        nullptr, QStringLiteral("Ninguna respuesta tiene árbol ni contramodelo."));
    answerTabs = new QTabWidget(this);
    answerTabs->setObjectName(QStringLiteral("answerTabs"));
    answerTabs->setDocumentMode(true);
    answerTabs->addTab(answerView, QStringLiteral("Texto"));
    answerTabs->addTab(diagramView, QStringLiteral("Dibujo"));

    QMenu *drawing = menuBar->addMenu(QStringLiteral("Dibujo"));
    drawing->setObjectName(QStringLiteral("diagramMenu"));
    exportDiagramAction = drawing->addAction(QStringLiteral("Exportar dibujo…"));
    exportDiagramAction->setObjectName(QStringLiteral("exportDiagramAction"));
    connect(exportDiagramAction, &QAction::triggered, this, guard([this] { exportDiagram(); }));
    copyDiagramImageAction = drawing->addAction(QStringLiteral("Copiar dibujo como imagen"));
    copyDiagramImageAction->setObjectName(QStringLiteral("copyDiagramImageAction"));
    connect(
        copyDiagramImageAction, &QAction::triggered, this, guard([this] { copyDiagramImage(); }));
    copyDiagramLatexAction = drawing->addAction(QStringLiteral("Copiar dibujo como LaTeX"));
    copyDiagramLatexAction->setObjectName(QStringLiteral("copyDiagramLatexAction"));
    // As "Copiar como LaTeX" in the editor.
    copyDiagramLatexAction->setShortcut(QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_C));
    connect(
        copyDiagramLatexAction, &QAction::triggered, this, guard([this] { copyDiagramLatex(); }));
    drawing->addSeparator();
    drawing->addActions(
        {diagramView->zoomInAction, diagramView->zoomOutAction, diagramView->fitAction});
    enableDiagramActions();

    progressPanel = new QWidget(this);
    progressPanel->setObjectName(QStringLiteral("progressPanel"));
    progressLabel = new QLabel(progressPanel);
    progressLabel->setObjectName(QStringLiteral("progressLabel"));
    progressBar = new QProgressBar(progressPanel);
    progressBar->setObjectName(QStringLiteral("progressBar"));
    progressBar->setRange(0, 0); // how long a search takes cannot be known
    cancelButton = new QPushButton(QStringLiteral("Cancelar"), progressPanel);
    cancelButton->setObjectName(QStringLiteral("cancelButton"));
    connect(cancelButton, &QPushButton::clicked, this, [this] { Q_EMIT cancelRequested(); });
    auto *row = new QHBoxLayout(progressPanel);
    row->addWidget(progressLabel);
    row->addWidget(progressBar, 1);
    row->addWidget(cancelButton);
    progressPanel->hide();

    auto *layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
    layout->setMenuBar(menuBar);
    layout->addWidget(answerTabs, 1);
    // A derivation that is not finished: its next line, proposed and inserted in the document.
    nextStepButton = new QPushButton(QStringLiteral("Siguiente paso"), this);
    nextStepButton->setObjectName(QStringLiteral("nextStepButton"));
    nextStepButton->hide();
    connect(nextStepButton, &QPushButton::clicked, this, [this] {
        if (m_nextStepLine > 0)
            Q_EMIT nextStepRequested(m_nextStepLine);
    });
    layout->addWidget(nextStepButton, 0, Qt::AlignLeft);
    copyDerivationButton = new QPushButton(QStringLiteral("Copiar la derivación"), this);
    copyDerivationButton->setObjectName(QStringLiteral("copyDerivationButton"));
    copyDerivationButton->hide();
    connect(copyDerivationButton, &QPushButton::clicked, this, [this] {
        auto *mime = new QMimeData;
        mime->setText(m_derivationToCopy);
        QGuiApplication::clipboard()->setMimeData(mime);
    });
    layout->addWidget(copyDerivationButton, 0, Qt::AlignLeft);
    layout->addWidget(progressPanel);
    resize(688, 426 + menuBar->sizeHint().height());
}

void CheckWindow::showBeside()
{
    if (isVisible()) {
        raise();
        return;
    }
    // At the right of the screen, where it hides least of a document that does not wrap.
    if (const QScreen *screen = QGuiApplication::primaryScreen()) {
        const QRect room = screen->availableGeometry();
        move(std::max(room.left(), room.right() - frameGeometry().width() - 8),
            room.top() + std::max(0, (room.height() - frameGeometry().height()) / 2));
    }
    show();
}

void CheckWindow::showProgress(const QString &what)
{
    progressLabel->setText(what);
    answerView->clear();
    m_derivationToCopy.clear();
    copyDerivationButton->hide();
    // A new check: its problems may have come already, a quick answer's before its progress.
    if (m_finished)
        clearProblems();
    m_finished = false;
    showNothingDrawn();
    progressPanel->show();
    saveAction->setEnabled(false);
    exportPdfAction->setEnabled(false);
}

void CheckWindow::showAnswer(const QString &text)
{
    answerView->setPlainText(text);
    finishAnswers(QString());
}

void CheckWindow::showAnswer(const QString &text, const QString &firstShown)
{
    answerView->setPlainText(text);
    finishAnswers(firstShown);
}

void CheckWindow::appendAnswers(const QString &text)
{
    // Each answer ends its last line; a blank line goes between two, as between chunks.
    // Text going in is not the user moving the cursor: what is drawn stays.
    const QScopedValueRollback appending(m_appending, true);
    QTextCursor end(answerView->document());
    end.movePosition(QTextCursor::End);
    end.insertText(answerView->document()->isEmpty() ? text : QLatin1Char('\n') + text);
}

void CheckWindow::prependAnswers(const QString &text)
{
    const QScopedValueRollback appending(m_appending, true);
    QTextCursor start(answerView->document());
    start.insertText(answerView->document()->isEmpty() ? text : text + QLatin1Char('\n'));
}

void CheckWindow::finishAnswers(const QString &firstShown)
{
    progressPanel->hide();
    saveAction->setEnabled(true);
    exportPdfAction->setEnabled(true);
    // From the top; a long answer would hide the syntax error that the editor has just selected.
    answerView->moveCursor(QTextCursor::Start);
    m_finished = true;
    if (!firstShown.isEmpty() && answerView->find(firstShown)) {
        QTextCursor cursor = answerView->textCursor();
        cursor.clearSelection();
        answerView->setTextCursor(cursor);
        answerView->centerCursor();
    }
    offerNextStep(0);
    drawAnswerAtCursor();
    if (m_hasDrawn && hasDrawing(m_drawn))
        return;
    for (auto it = m_problems.cend(); it != m_problems.cbegin();)
        if (hasDrawing(*--it)) {
            setDrawnProblem(it.key(), *it);
            return;
        }
}

void CheckWindow::offerDerivationCopy(const QString &text)
{
    m_derivationToCopy = text;
    copyDerivationButton->show();
}

bool CheckWindow::inProgress() const
{
    return !progressPanel->isHidden();
}

void CheckWindow::save()
{
    const std::optional<QString> chosen = zv::askSaveFileName(this, saveDialog);
    if (!chosen)
        return;
    zv::writeFileAtomically(*chosen, answerView->toPlainText().toUtf8(), "Stream write error");
}

void CheckWindow::exportPdf()
{
    exportMemoAsPdf(this, *answerView, exportDialog);
}

void CheckWindow::addProblem(int answerLine, const LogicProblem &problem)
{
    if (m_finished)
        clearProblems();
    m_finished = false;
    m_problems.insert(answerLine, problem);
    const auto at = std::lower_bound(m_unfinished.begin(), m_unfinished.end(), answerLine);
    const bool listed = at != m_unfinished.end() && *at == answerLine;
    if (problem.derivation && !problem.finished) {
        if (!listed)
            m_unfinished.insert(at, answerLine);
    } else if (listed) {
        m_unfinished.erase(at);
    }
}

void CheckWindow::clearProblems()
{
    m_problems.clear();
    m_unfinished.clear();
    showNothingDrawn();
}

void CheckWindow::showNothingDrawn()
{
    m_hasDrawn = false;
    m_nextStepLine = 0;
    nextStepButton->hide();
    m_drawn = LogicProblem();
    diagramView->setDiagram(
        nullptr, QStringLiteral("Ninguna respuesta tiene árbol ni contramodelo."));
    enableDiagramActions();
}

void CheckWindow::setDrawnProblem(const LogicProblem &problem)
{
    setDrawnProblem(problem.firstLine, problem);
}

void CheckWindow::setDrawnProblem(int answerLine, const LogicProblem &problem)
{
    m_drawn = problem;
    m_drawnLine = answerLine;
    m_hasDrawn = true;

    std::unique_ptr<Diagram> drawing = diagramOf(problem);
    if (!drawing) {
        diagramView->setDiagram(nullptr,
            QStringLiteral("La respuesta de la línea %1 no tiene dibujo: ni árbol, ni "
                           "contramodelo, ni derivación.")
                .arg(answerLine));
    } else {
        const QString caption = diagramTitle(problem, answerLine);
        diagramView->setDiagram(std::make_unique<CaptionedDiagram>(std::move(drawing), caption),
            QStringLiteral("%1. El texto lo dice en la pestaña «Texto».").arg(caption));
    }
    enableDiagramActions();
}

const LogicProblem *CheckWindow::drawnProblem() const
{
    return m_hasDrawn ? &m_drawn : nullptr;
}

void CheckWindow::offerNextStep(int answerLine)
{
    // The unfinished derivation at the cursor, else the check's first one: its last line in the
    // document, where the next step goes.
    m_nextStepLine = 0;
    auto unfinished = [](const LogicProblem &p) { return p.derivation && !p.finished; };
    const auto at = m_problems.constFind(answerLine);
    if (at != m_problems.cend() && unfinished(*at))
        m_nextStepLine = answerLine + at->line - at->firstLine;
    if (m_nextStepLine == 0 && !m_unfinished.isEmpty()) {
        const auto first = m_problems.constFind(m_unfinished.front());
        m_nextStepLine = first.key() + first->line - first->firstLine;
    }
    nextStepButton->setVisible(m_nextStepLine > 0);
}

int CheckWindow::answerLineAtCursor() const
{
    // The answer is the one whose heading "Línea N" is nearest above the cursor.
    static const QRegularExpression heading(QStringLiteral("^Líneas? (\\d+)"));
    QTextBlock block = answerView->textCursor().block();
    for (int n = 0; block.isValid() && n < kMaxAnswerLines; ++n, block = block.previous()) {
        const QRegularExpressionMatch m = heading.match(block.text());
        // A heading opens its answer: the first line after a blank one. A derivation's faults,
        // "Línea 5: …", are inside it.
        if (m.hasMatch() && (!block.previous().isValid() || block.previous().text().isEmpty()))
            return m.captured(1).toInt();
    }
    return 0;
}

void CheckWindow::drawAnswerAtCursor()
{
    const int line = answerLineAtCursor();
    if (line == 0)
        return;
    offerNextStep(line);
    const auto it = m_problems.constFind(line);
    if (it == m_problems.cend())
        return;
    // An answer without a drawing says so, rather than leave another line's picture beside it.
    if (!m_hasDrawn || m_drawnLine != line || m_drawn.text != it->text)
        setDrawnProblem(line, *it);
}

bool CheckWindow::showAnswerOf(int line)
{
    const QRegularExpression heading(QStringLiteral("^Líneas? %1\\b").arg(line));
    QTextBlock found;
    for (QTextCursor at = answerView->document()->find(heading); !at.isNull();
         at = answerView->document()->find(heading, at)) {
        const QTextBlock before = at.block().previous();
        if (!before.isValid() || before.text().isEmpty()) {
            found = at.block();
            break;
        }
    }
    if (!found.isValid())
        return false;
    answerTabs->setCurrentWidget(answerView);
    QTextCursor cursor(found);
    answerView->setTextCursor(cursor);
    // The heading at the top, its answer below it.
    answerView->moveCursor(QTextCursor::End);
    answerView->setTextCursor(cursor);
    showBeside();
    return true;
}

bool CheckWindow::eventFilter(QObject *watched, QEvent *event)
{
    // A click (not a drag that selects) in an answer selects its line in the document.
    if (watched == answerView->viewport() && event->type() == QEvent::MouseButtonRelease
        && !answerView->textCursor().hasSelection()) {
        if (const int line = answerLineAtCursor(); line > 0)
            Q_EMIT lineActivated(line);
    }
    return QDialog::eventFilter(watched, event);
}

void CheckWindow::enableDiagramActions()
{
    const bool drawn = diagramView->diagram() != nullptr;
    exportDiagramAction->setEnabled(drawn);
    copyDiagramImageAction->setEnabled(drawn);
    copyDiagramLatexAction->setEnabled(drawn);
}

void CheckWindow::exportDiagram()
{
    const Diagram *diagram = diagramView->diagram();
    if (!diagram)
        return;
    const std::optional<QString> chosen = zv::askSaveFileName(this, diagramDialog);
    if (!chosen)
        return;
    const QString suffix = QFileInfo(*chosen).suffix().toLower();
    const QString title = diagram->caption();
    const QByteArray bytes = suffix == QLatin1String("svg") ? diagramSvg(*diagram, title)
        : suffix == QLatin1String("tex") ? diagramLatexDocument(*diagram).toUtf8()
                                         : diagramPdf(*diagram, title);
    zv::writeFileAtomically(*chosen, bytes, "Stream write error");
}

void CheckWindow::copyDiagramImage()
{
    const Diagram *diagram = diagramView->diagram();
    if (!diagram)
        return;
    auto *mime = new QMimeData;
    // Twice the screen's size, sharp on a slide; the SVG for programs that take it.
    mime->setImageData(diagramImage(*diagram, 2));
    mime->setData(QStringLiteral("image/svg+xml"), diagramSvg(*diagram, diagram->caption()));
    QGuiApplication::clipboard()->setMimeData(mime);
}

void CheckWindow::copyDiagramLatex()
{
    const Diagram *diagram = diagramView->diagram();
    if (!diagram)
        return;
    const QString latex
        = QStringLiteral("% \\usepackage{amssymb,%1}\n").arg(diagram->latexPackages())
        + diagram->latex();
    auto *mime = new QMimeData;
    mime->setText(latex);
    mime->setData(QStringLiteral("text/x-tex"), latex.toUtf8());
    QGuiApplication::clipboard()->setMimeData(mime);
}

void CheckWindow::keyPressEvent(QKeyEvent *event)
{
    if (event->key() == Qt::Key_Escape) {
        // Escape stops a search, keeping what it has found; with nothing under way it closes
        // the window, which the next check shows again.
        if (inProgress())
            Q_EMIT cancelRequested();
        else
            close();
        event->accept();
        return;
    }
    QDialog::keyPressEvent(event);
}

} // namespace zv
