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
class TForm5 : public QDialog
{
    Q_OBJECT

public:
    explicit TForm5(QWidget *parent = nullptr);
    ~TForm5() override;

    QMenuBar *MainMenu1 = nullptr;
    QAction *Guardar1 = nullptr;
    QAction *ExportarPDF1 = nullptr;
    QPlainTextEdit *Memo1 = nullptr;
    /// Shown while the engine works: what it does, a busy bar and "Cancelar".
    QWidget *Panel1 = nullptr;
    QLabel *Label1 = nullptr;
    QProgressBar *ProgressBar1 = nullptr;
    QPushButton *Cancelar1 = nullptr;
    zv::FileDialogOptions SaveDialog1{.filter = QStringLiteral("*.txt|*.txt"),
        .defaultSuffix = QStringLiteral(".txt"),
        .initialPath = {},
        .overwritePrompt = true};
    zv::FileDialogOptions ExportDialog1 = pdfExportDialog();

    /// Shows the window, when hidden, at the right of the screen, without taking the focus
    /// from the editor.
    void ShowBeside();
    /// The engine is at work on @p what; "Cancelar" and Escape ask it to stop.
    void showProgress(const QString &what);
    /// The engine's answer, in place of whatever was shown.
    void showAnswer(const QString &text);
    /// As above, scrolled to the first line that starts with @p firstShown.
    void showAnswer(const QString &text, const QString &firstShown);
    bool inProgress() const;

    /// Saves the text as UTF-8.
    void Guardar1Click(QObject *Sender);
    void ExportarPDF1Click(QObject *Sender);

Q_SIGNALS:
    void cancelRequested();

protected:
    void keyPressEvent(QKeyEvent *event) override;
};

/// The check window once a check has shown it; it lives as long as the main window.
extern TForm5 *Form5;
