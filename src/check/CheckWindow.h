#pragma once

#include "Unit4.h"

#include "check/LogicProblem.h"

#include "platform/dialogs/Dialogs.h"

#include <QDialog>
#include <QMap>

class QAction;
class QLabel;
class QMenuBar;
class QPlainTextEdit;
class QProgressBar;
class QPushButton;
class QTabWidget;
class QWidget;

/// "Resultado de la comprobación": what the logic engine answered about the text it was given,
/// to read, select, copy, save and export. It stays open beside the editor, which goes on
/// taking input, and shows each new answer in place of the last. Beside the text, the tab
/// "Dibujo" draws the tree or the countermodel of one answer.
namespace zv {

class DiagramView;

class CheckWindow : public QDialog
{
    Q_OBJECT

public:
    explicit CheckWindow(QWidget *parent = nullptr);

    QMenuBar *menuBar = nullptr;
    QAction *saveAction = nullptr;
    QAction *exportPdfAction = nullptr;
    QPlainTextEdit *answerView = nullptr;
    /// Shown while the engine works: what it does, a busy bar and "Cancelar".
    QWidget *progressPanel = nullptr;
    QLabel *progressLabel = nullptr;
    QProgressBar *progressBar = nullptr;
    QPushButton *cancelButton = nullptr;
    /// "Siguiente paso", under the answers while a derivation that is not finished is drawn.
    QPushButton *nextStepButton = nullptr;
    /// "Copiar la derivación": a derivation too long to insert, put on the clipboard.
    QPushButton *copyDerivationButton = nullptr;
    zv::FileDialogOptions saveDialog{.filter = QStringLiteral("*.txt|*.txt"),
        .defaultSuffix = QStringLiteral(".txt"),
        .initialPath = {},
        .overwritePrompt = true};
    zv::FileDialogOptions exportDialog = pdfExportDialog();
    /// "Texto" (answerView) and "Dibujo" (diagramView).
    QTabWidget *answerTabs = nullptr;
    DiagramView *diagramView = nullptr;
    QAction *exportDiagramAction = nullptr;    ///< "Exportar dibujo…": PDF, SVG or LaTeX
    QAction *copyDiagramImageAction = nullptr; ///< "Copiar dibujo como imagen"
    QAction *copyDiagramLatexAction = nullptr; ///< "Copiar dibujo como LaTeX"
    zv::FileDialogOptions diagramDialog{.filter = QStringLiteral("PDF|*.pdf|SVG|*.svg|LaTeX|*.tex"),
        .defaultSuffix = QStringLiteral(".pdf"),
        .initialPath = {},
        .overwritePrompt = true};

    /// Shows the window, when hidden, at the right of the screen, without taking the focus
    /// from the editor.
    void showBeside();
    /// The engine is at work on @p what; "Cancelar" and Escape ask it to stop.
    void showProgress(const QString &what);
    /// The engine's answer, in place of whatever was shown.
    void showAnswer(const QString &text);
    /// As above, scrolled to the first line that starts with @p firstShown.
    void showAnswer(const QString &text, const QString &firstShown);
    /// Answers as they come, after those shown since showProgress(): laid out as they arrive,
    /// never the whole text again.
    void appendAnswers(const QString &text);
    /// A note above the answers.
    void prependAnswers(const QString &text);
    /// The answers are complete: the progress goes, and the window scrolls to the first line
    /// that starts with @p firstShown.
    void finishAnswers(const QString &firstShown);
    bool inProgress() const;
    /// Offers @p text, a derivation that was not inserted, to copy, until the next check.
    void offerDerivationCopy(const QString &text);

    /**
     * Keeps @p problem, whose answer the text heads "Línea @p answerLine" (the line of the
     * checked document where it starts), to draw it when the text cursor is in that answer, or
     * say that it has no drawing; finishAnswers() draws the answer under the cursor, or else
     * the last one that has a drawing. The first problem or showProgress() after
     * finishAnswers() starts a new check, which forgets the problems of the one before,
     * whichever of the two comes first.
     */
    void addProblem(int answerLine, const LogicProblem &problem);
    void clearProblems();
    /// Draws @p problem's tree, countermodel or derivation in "Dibujo" under a caption that
    /// names document line @p answerLine and the verdict, or says that it has none.
    void setDrawnProblem(int answerLine, const LogicProblem &problem);
    /// As above, at the line where the checked text starts it.
    void setDrawnProblem(const LogicProblem &problem);
    /// The problem drawn, or nullptr.
    const LogicProblem *drawnProblem() const;

    /// Saves the text as UTF-8.
    void save();
    void exportPdf();
    /// The drawing as PDF, SVG or LaTeX, after the extension of the name chosen.
    void exportDiagram();
    void copyDiagramImage();
    void copyDiagramLatex();

    /// Scrolls to the answer headed "Línea @p line" (or "Líneas @p line a …") and shows the
    /// window; false when no answer has that heading.
    bool showAnswerOf(int line);

Q_SIGNALS:
    void cancelRequested();
    /// A click in the answer headed by document line @p line.
    void lineActivated(int line);
    /// "Siguiente paso" for the derivation whose last line is document line @p line.
    void nextStepRequested(int line);

protected:
    void keyPressEvent(QKeyEvent *event) override;
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    void drawAnswerAtCursor();
    /// The document line that heads the answer under the text cursor, or 0.
    int answerLineAtCursor() const;
    void offerNextStep(int answerLine);
    void showNothingDrawn();
    void enableDiagramActions();

    QMap<int, LogicProblem> m_problems; ///< by the line their answers name
    /// The keys of m_problems that are unfinished derivations: the first is found at once, not
    /// by a walk through every answer each time the cursor moves.
    QList<int> m_unfinished;
    LogicProblem m_drawn;
    int m_drawnLine = 0; ///< the document line that heads m_drawn's answer
    bool m_hasDrawn = false;
    bool m_finished = true;     ///< the last check's answers are complete
    bool m_appending = false;   ///< answers going in move no cursor the user moved
    int m_nextStepLine = 0;     ///< what "Siguiente paso" asks about, or 0
    QString m_derivationToCopy; ///< what "Copiar la derivación" copies
};

} // namespace zv
