#pragma once

#include "platform/dialogs/Dialogs.h"

#include <QByteArray>
#include <QDialog>

#include <functional>

class QAction;
class QMenuBar;
class QPlainTextEdit;

/// What the PDF save dialog of a window of results starts with.
zv::FileDialogOptions pdfExportDialog();

/// The results window: what the interpreter left in "salida.log", to read, edit and save.
class TForm4 : public QDialog
{
    Q_OBJECT

public:
    explicit TForm4(QWidget *parent = nullptr);
    ~TForm4() override;

    /// Centres the window on the screen and shows it modally; returns when it is closed.
    int ShowModal();

    QMenuBar *MainMenu1 = nullptr;
    QAction *Guardar1 = nullptr;
    QPlainTextEdit *Memo1 = nullptr;
    /// What the save dialog remembers between showings, within this window only.
    zv::FileDialogOptions SaveDialog1;
    /// Beyond the layout: the text as a PDF.
    QAction *ExportarPDF1 = nullptr;
    zv::FileDialogOptions ExportDialog1 = pdfExportDialog();

    void FormShow(QObject *Sender);
    void Guardar1Click(QObject *Sender);
    void ExportarPDF1Click(QObject *Sender);

    /// The text of Memo1 as the 8-bit text it stands for: Windows-1252, CR LF line breaks.
    QByteArray text() const;
    /// Shows @p bytes (Windows-1252) in Memo1; CR LF, a lone CR and a lone LF each end a line.
    void setText(const QByteArray &bytes);

    /// Test seam: called with each results window once it is shown and its modal loop runs; the
    /// hook inspects the window and closes it. An empty function removes it.
    static void setShownHookForTests(std::function<void(TForm4 &)> hook);

protected:
    void showEvent(QShowEvent *event) override;
    void keyPressEvent(QKeyEvent *event) override;
};

/// The results window while it lives.
extern TForm4 *Form4;

/// The text box of a window of results: its font, and tab stops that line up tabulated output.
void dressResultsMemo(QPlainTextEdit &memo);
/// The bar of a window of results, "Guardar" then "Exportar a PDF…", each calling its handler
/// through the guard.
QMenuBar *addResultsMenu(QWidget &window, QAction *&save, std::function<void()> onSave,
    QAction *&exportPdf, std::function<void()> onExportPdf);
/// "Exportar a PDF…" of a window of results: @p memo's text, as it is shown, to the file chosen.
void exportMemoAsPdf(QWidget *owner, const QPlainTextEdit &memo, zv::FileDialogOptions &dialog);
