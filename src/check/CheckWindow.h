#pragma once

#include "Unit4.h"

#include "platform/dialogs/Dialogs.h"

#include <QDialog>

class QAction;
class QLabel;
class QMenuBar;
class QPlainTextEdit;
class QProgressBar;
class QPushButton;
class QWidget;

/// "Resultado de la comprobación": what the logic engine answered about the text it was given,
/// to read, select, copy, save and export. It stays open beside the editor, which goes on
/// taking input, and shows each new answer in place of the last.
namespace zv {

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
    zv::FileDialogOptions saveDialog{.filter = QStringLiteral("*.txt|*.txt"),
        .defaultSuffix = QStringLiteral(".txt"),
        .initialPath = {},
        .overwritePrompt = true};
    zv::FileDialogOptions exportDialog = pdfExportDialog();

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

    /// Saves the text as UTF-8.
    void save();
    void exportPdf();

Q_SIGNALS:
    void cancelRequested();

protected:
    void keyPressEvent(QKeyEvent *event) override;
};

} // namespace zv
