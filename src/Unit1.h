#pragma once

#include "check/LogicProblem.h"
#include "check/LogicWorker.h"
#include "platform/dialogs/Dialogs.h"

#include <QCursor>
#include <QMainWindow>
#include <QTextCursor>

#include <array>
#include <memory>
#include <utility>
#include <vector>

class QAction;
class QFrame;
class QKeyEvent;
class QMenu;

namespace zv {
class AssistRun;
class CheckRun;
class CheckWindow;
class LineMarks;
class ManualWindow;
class RichEdit;
struct ReadableSpan;
class SpeedButton;
struct LaunchOutcome;
struct PaletteRow;
} // namespace zv

/// The main window: the editor, its toolbar and menus.
class TForm1 : public QMainWindow
{
    Q_OBJECT

public:
    explicit TForm1(QWidget *parent = nullptr);
    ~TForm1() override;

    /// SpeedButton1 to SpeedButton27.
    zv::SpeedButton *speedButton(int number) const { return m_speedButtons.at(number); }

    // Controls, named as the layout names them -----------------------------------------------
    QFrame *Panel1 = nullptr;
    zv::RichEdit *RichEdit1 = nullptr;
    zv::RichEdit *RichEdit2 = nullptr;

    QMenu *Archivo1 = nullptr;
    QAction *Nuevo1 = nullptr;
    QAction *Abrir1 = nullptr;
    QAction *N1 = nullptr;
    QAction *NuevoPrograma1 = nullptr;
    QAction *AbrirPrograma1 = nullptr;
    QAction *CompilarPrograma1 = nullptr;
    QAction *N2 = nullptr;
    QAction *Guardar1 = nullptr;
    QAction *Imprimir1 = nullptr;
    QAction *N3 = nullptr;
    QAction *Salir1 = nullptr;
    QAction *DetenerPrograma1 = nullptr;
    QMenu *Editar1 = nullptr;
    QAction *SeleccionatTodo1 = nullptr;
    QAction *Cortar1 = nullptr;
    QAction *Copiar1 = nullptr;
    QAction *Pegar1 = nullptr;
    QAction *Borrar1 = nullptr;
    QMenu *Confifurar1 = nullptr;
    QAction *Fuentes1 = nullptr;
    QAction *Fondo1 = nullptr;
    QAction *AyudayCaercade1 = nullptr;
    // The manual, a bar item of its own beside the about window's.
    QAction *ManualDeZarvik1 = nullptr;
    // Added beside the layout's menus: undo and redo at the end of "Editar", and "Símbolos".
    QAction *Deshacer1 = nullptr;
    QAction *Rehacer1 = nullptr;
    QMenu *Simbolos1 = nullptr;
    // Saving as other editors do: Ctrl+S over the document's own file, and "Guardar como…".
    QAction *GuardarEnArchivo1 = nullptr;
    QAction *GuardarComo1 = nullptr;
    // Beyond the layout: logic where it is written, LaTeX and exports.
    QAction *CopiarComoLatex1 = nullptr;
    QAction *Exportar1 = nullptr;
    QMenu *Logica1 = nullptr;
    QAction *Comprobar1 = nullptr;
    QAction *TablaDeVerdad1 = nullptr;
    QMenu *SistemaModal1 = nullptr;
    QAction *ReglasBasicas1 = nullptr;
    QAction *Demostrar1 = nullptr;
    QAction *SiguientePaso1 = nullptr;
    QAction *CorregirEntregas1 = nullptr;
    QAction *ExportarParaAlumnos1 = nullptr;

    // Non-visual components: what each dialog remembers between showings ---------------------
    zv::FileDialogOptions OpenDialog1{.filter = QStringLiteral("*.zvk;*.rtf|*.zvk;*.rtf"),
        .defaultSuffix = QStringLiteral(".zvk"),
        .initialPath = {}};
    zv::FileDialogOptions SaveDialog1{.filter = QStringLiteral("*.zvk|*.zvk"),
        .defaultSuffix = QStringLiteral(".zvk"),
        .initialPath = {}};
    /// Full path of the file that the caption names, last opened or saved; empty at start-up.
    QString CaptionPath;
    /// The file that the document in the editor was opened from or last saved to: CaptionPath,
    /// or empty for a new document, which the caption goes on naming the last file for.
    QString DocumentPath;
    zv::FontChoice FontDialog1;
    QColor ColorDialog1 = Qt::black;
    QList<QColor> ColorDialog1CustomColors;
    zv::FileDialogOptions ExportDialog1{
        .filter = QStringLiteral("PDF|*.pdf|LaTeX|*.tex|HTML|*.html;*.htm|Texto|*.txt"),
        .defaultSuffix = QStringLiteral(".pdf"),
        .initialPath = {},
        .overwritePrompt = true};
    zv::FileDialogOptions StudentCopyDialog1{.filter = QStringLiteral("*.zvk|*.zvk"),
        .defaultSuffix = QStringLiteral(".zvk"),
        .initialPath = {},
        .overwritePrompt = true};
    /// The folder of submissions last marked, where the folder dialog starts.
    QString SubmissionsFolder;

    // Start-up and closing --------------------------------------------------------------------
    void FormShow(QObject *Sender);
    void FormClose(QObject *Sender);
    /// Run after FormShow: a first argument opens as "Abrir Texto" opens its dialog's choice.
    void OpenCommandLine(const QStringList &arguments);

    // First-run registration of the document type.
    void FirstRunCheck();
    void RegisterFileType(const QString &extension, const QString &typeKey,
        const QString &description, const QString &executablePath, int iconIndex);

    // Symbol palette and modes ----------------------------------------------------------------
    void EnterTextMode();
    void EnterProgramMode();
    void InsertSymbol(const zv::PaletteRow &row);
    QString CurrentSymbolFont;
    using Handler = void (TForm1::*)(QObject *Sender);
    /// The SpeedButtonNClick of the palette's row @p row: its button, its "Símbolos" entry and
    /// its TeX name all go through it.
    static Handler paletteHandler(const zv::PaletteRow &row);

    void SpeedButton1Click(QObject *Sender);
    void SpeedButton2Click(QObject *Sender);
    void SpeedButton3Click(QObject *Sender);
    void SpeedButton4Click(QObject *Sender);
    void SpeedButton5Click(QObject *Sender);
    void SpeedButton6Click(QObject *Sender);
    void SpeedButton7Click(QObject *Sender);
    void SpeedButton8Click(QObject *Sender);
    void SpeedButton15Click(QObject *Sender);
    void SpeedButton16Click(QObject *Sender);
    void SpeedButton17Click(QObject *Sender);
    void SpeedButton18Click(QObject *Sender);
    void SpeedButton19Click(QObject *Sender);
    void SpeedButton20Click(QObject *Sender);
    void SpeedButton21Click(QObject *Sender);
    void SpeedButton22Click(QObject *Sender);
    void SpeedButton23Click(QObject *Sender);

    // Document commands -----------------------------------------------------------------------
    void SpeedButton9Click(QObject *Sender);
    void SpeedButton10Click(QObject *Sender);
    void SpeedButton11Click(QObject *Sender);
    void SpeedButton12Click(QObject *Sender);
    void SpeedButton13Click(QObject *Sender);
    void SpeedButton14Click(QObject *Sender);
    void Nuevo1Click(QObject *Sender);
    void Abrir1Click(QObject *Sender);
    void Guardar1Click(QObject *Sender);
    void Imprimir1Click(QObject *Sender);
    void Salir1Click(QObject *Sender);
    /// Ctrl+S: saves over the document's own file without a dialog; a document without one, or
    /// whose file must not be replaced unasked, gets "Guardar" and its dialog.
    void GuardarEnArchivo1Click(QObject *Sender);
    /// "Guardar como…": the save dialog always, pre-filled with the document's own file.
    void GuardarComo1Click(QObject *Sender);

    // Formatting and clipboard ----------------------------------------------------------------
    void SpeedButton24Click(QObject *Sender);
    void SpeedButton25Click(QObject *Sender);
    void SpeedButton26Click(QObject *Sender);
    void Fuentes1Click(QObject *Sender);
    void Fondo1Click(QObject *Sender);
    void SeleccionatTodo1Click(QObject *Sender);
    void Cortar1Click(QObject *Sender);
    void Copiar1Click(QObject *Sender);
    void Pegar1Click(QObject *Sender);
    void Borrar1Click(QObject *Sender);
    void Deshacer1Click(QObject *Sender);
    void Rehacer1Click(QObject *Sender);

    // Program run -----------------------------------------------------------------------------
    void SpeedButton27Click(QObject *Sender);
    zv::LaunchOutcome ExecuteAndWait(
        const QString &fileName, const QString &parameters, int showCommand);
    /// "Detener programa": stops the program that a run waits for.
    void DetenerPrograma1Click(QObject *Sender);

    // About -----------------------------------------------------------------------------------
    void AyudayCaercade1Click(QObject *Sender);
    void ManualDeZarvik1Click(QObject *Sender);

    // Logic, LaTeX and exports ------------------------------------------------------------------
    /// Checks the selection, or the caret's paragraph, with the logic engine.
    void Comprobar1Click(QObject *Sender);
    void TablaDeVerdad1Click(QObject *Sender);
    /// Inserts below the argument at the caret (or the selection's first one) a derivation of
    /// it, as one undo step; an invalid argument's countermodel goes to the check window.
    void Demostrar1Click(QObject *Sender);
    /// Inserts the next line of the derivation at the caret, as one undo step.
    void SiguientePaso1Click(QObject *Sender);
    /// The same for the derivation around document line @p line (1-based).
    void nextStepAt(int line);
    void CopiarComoLatex1Click(QObject *Sender);
    void Exportar1Click(QObject *Sender);
    /// Marks a folder of submissions against the sheet in the editor, in zarvik-pl, and shows
    /// the table of marks.
    void CorregirEntregas1Click(QObject *Sender);
    /// Writes the sheet in the editor without its "Solución:" blocks, for the students.
    void ExportarParaAlumnos1Click(QObject *Sender);
    /// Opens a submission in the editor, checked whole so that its marks show, at @p line.
    void openSubmission(const QString &path, int line);
    /// Another document takes the editor's place: the check under way stops, its answers go.
    void documentReplaced();
    /// Selects line @p line of the document, as the check counts lines (1-based).
    void selectDocumentLine(int line);
    /// The system that "Sistema modal" has chosen; K at start, never saved.
    zv::ModalSystem modalSystem() const { return m_modalSystem; }
    /// "Solo reglas básicas": derivations under the course's basic rules until a "reglas:" line
    /// of the text says otherwise; off at start, never saved.
    bool basicRules() const { return m_basicRules; }

protected:
    void showEvent(QShowEvent *event) override;
    void closeEvent(QCloseEvent *event) override;
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    void createToolbar();
    void createMenus();
    void createEditors();
    void createLogicCommands();
    /// The selection, or the caret's paragraph when nothing is selected.
    std::pair<int, int> checkedRange() const;
    void startCheck(bool truthTable);
    void cancelCheck();
    void startAssist(zv::LogicWorker::Assist kind, int line, int to);
    /// The check window, made when first needed.
    zv::CheckWindow &checkWindow();
    zv::LineMarks &lineMarks();
    // What the window shows while a run waits for its program; nested runs wait together.
    void beginWait();
    void endWait();
    void keepRunningCaption();

    int m_waits = 0;
    QCursor m_editorCursor;

    // Typing logic from the keyboard, with eventFilter (Unit1Keyboard.cpp).
    void createKeyboardCommands();
    bool filterKeyboard(QObject *watched, QEvent *event);
    bool typeKey(const QKeyEvent &event);
    void replaceTexName(const QKeyEvent &event, int nameStart, const zv::PaletteRow &row);
    void retype(const QKeyEvent &event);
    bool isLiteralBackslash(int position);

    std::array<QAction *, 28> m_symbolActions{};
    /// Backslashes typed doubled: each cursor selects one, and collapses when it is deleted.
    std::vector<QTextCursor> m_literalBackslashes;
    bool m_retyping = false;

    std::array<zv::SpeedButton *, 28> m_speedButtons{};

    // The check under way, and the text it was given.
    zv::CheckWindow *m_checkWindow = nullptr; ///< made by the first check; a child of this window
    zv::LineMarks *m_lineMarks = nullptr;     ///< the margin of the checked lines, made likewise
    std::unique_ptr<zv::CheckRun> m_check;    ///< the check under way, or the last one
    std::unique_ptr<zv::AssistRun> m_assist;  ///< "Demostrar" or "Siguiente paso" under way
    QAction *m_cancelAssist = nullptr;        ///< Escape in the editor while one runs
    zv::ModalSystem m_modalSystem = zv::ModalSystem::K;
    bool m_basicRules = false;
    // Made when first asked for, then shown again as the reader left it.
    zv::ManualWindow *m_manualWindow = nullptr;
};

extern TForm1 *Form1;
