// The "Lógica" menu: the logic engine checks the text where it is written, in a process of its
// own, and its answers go to the check window as they come.
#include "Unit1.h"

#include "check/CheckWindow.h"

#include "check/AssistRun.h"
#include "check/CheckRun.h"
#include "check/CheckedPiece.h"
#include "check/LineMarks.h"
#include "platform/app/Application.h"
#include "platform/format/LongParagraphs.h"
#include "platform/format/ReadableText.h"
#include "platform/richedit/RichEdit.h"

#include <QAction>
#include <QActionGroup>
#include <QMenu>
#include <QMenuBar>
#include <QPlainTextEdit>
#include <QTextBlock>
#include <QTimer>

zv::CheckWindow &TForm1::checkWindow()
{
    if (!m_checkWindow) {
        m_checkWindow = new zv::CheckWindow(this);
        connect(m_checkWindow, &zv::CheckWindow::cancelRequested, this, [this] {
            if (m_check)
                m_check->cancel();
            if (m_assist)
                m_assist->cancel();
        });
        connect(m_checkWindow, &zv::CheckWindow::lineActivated, this,
            [this](int line) { selectDocumentLine(line); });
        connect(m_checkWindow, &zv::CheckWindow::nextStepRequested, this,
            [this](int line) { zv::guarded([&] { nextStepAt(line); }); });
    }
    return *m_checkWindow;
}

zv::LineMarks &TForm1::lineMarks()
{
    if (!m_lineMarks) {
        m_lineMarks = new zv::LineMarks(*RichEdit1);
        connect(m_lineMarks, &zv::LineMarks::markClicked, this,
            [this](int line) { checkWindow().showAnswerOf(line); });
    }
    return *m_lineMarks;
}

void TForm1::selectDocumentLine(int line)
{
    // Lines as the check counts them: a soft line break starts one too.
    const QTextDocument &document = *RichEdit1->document();
    int first = 1;
    for (QTextBlock b = document.begin(); b.isValid(); b = b.next()) {
        const QString text = b.text();
        const int lines = zv::linesStartingIn(b);
        if (line < first + lines) {
            // The block's first line may have started in the blocks before it.
            int start = 0;
            for (int i = first - (zv::continuesParagraph(b) ? 1 : 0); i < line; ++i)
                start = int(text.indexOf(QChar::LineSeparator, start)) + 1;
            QTextCursor cursor(RichEdit1->document());
            cursor.setPosition(b.position() + start);
            cursor.setPosition(
                zv::lineEndOf(document, b.position() + start), QTextCursor::KeepAnchor);
            RichEdit1->setTextCursor(cursor);
            RichEdit1->ensureCursorVisible();
            return;
        }
        first += lines;
    }
}

void TForm1::createLogicCommands()
{
    auto command = [this](QMenu *menu, QAction *&action, const char *name, const char *caption,
                       void (TForm1::*handler)(QObject *)) {
        action = menu->addAction(QString::fromUtf8(caption));
        action->setObjectName(QLatin1String(name));
        action->setShortcutContext(Qt::WindowShortcut);
        connect(action, &QAction::triggered, this,
            zv::guard([this, handler] { (this->*handler)(this); }));
    };
    command(Archivo1, Exportar1, "Exportar1", "Exportar…", &TForm1::Exportar1Click);
    command(Editar1, CopiarComoLatex1, "CopiarComoLatex1", "Copiar como LaTeX",
        &TForm1::CopiarComoLatex1Click);
    CopiarComoLatex1->setShortcut(QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_C));

    // After "Símbolos" where it exists, else after "Configurar".
    QMenuBar *bar = menuBar();
    const QList<QAction *> items = bar->actions();
    qsizetype after = items.indexOf(Confifurar1->menuAction());
    if (const auto *symbols = findChild<QMenu *>(QStringLiteral("Simbolos1")))
        after = std::max(after, items.indexOf(symbols->menuAction()));
    Logica1 = new QMenu(QStringLiteral("Lógica"), bar);
    Logica1->setObjectName(QStringLiteral("Logica1"));
    Logica1->menuAction()->setObjectName(QStringLiteral("Logica1"));
    bar->insertMenu(after + 1 < items.size() ? items.at(after + 1) : nullptr, Logica1);

    // Alt and its first letter pop it up, as the other menus.
    auto *open = new QAction(this);
    open->setShortcut(QKeySequence(Qt::ALT | Qt::Key_L));
    connect(open, &QAction::triggered, this,
        [this] { menuBar()->setActiveAction(Logica1->menuAction()); });
    addAction(open);

    command(Logica1, Comprobar1, "Comprobar1", "Comprobar", &TForm1::Comprobar1Click);
    Comprobar1->setShortcuts(
        {QKeySequence(Qt::CTRL | Qt::Key_Return), QKeySequence(Qt::CTRL | Qt::Key_Enter)});
    command(
        Logica1, TablaDeVerdad1, "TablaDeVerdad1", "Tabla de verdad", &TForm1::TablaDeVerdad1Click);
    SistemaModal1 = Logica1->addMenu(QStringLiteral("Sistema modal"));
    SistemaModal1->setObjectName(QStringLiteral("SistemaModal1"));
    auto *systems = new QActionGroup(SistemaModal1);
    for (int i = 0; i < int(std::size(zv::kModalSystemNames)); ++i) {
        const QString name = QString::fromLatin1(zv::kModalSystemNames[i]);
        QAction *system = SistemaModal1->addAction(name);
        system->setObjectName(QStringLiteral("Sistema%1").arg(name) + QLatin1Char('1'));
        system->setCheckable(true);
        system->setChecked(i == 0);
        systems->addAction(system);
        connect(
            system, &QAction::triggered, this, [this, i] { m_modalSystem = zv::ModalSystem(i); });
    }
    // Beside the system, the other choice that a sheet's own lines can make.
    ReglasBasicas1 = Logica1->addAction(QStringLiteral("Solo reglas básicas"));
    ReglasBasicas1->setObjectName(QStringLiteral("ReglasBasicas1"));
    ReglasBasicas1->setCheckable(true);
    connect(ReglasBasicas1, &QAction::toggled, this, [this](bool on) { m_basicRules = on; });
    command(Logica1, Demostrar1, "Demostrar1", "Demostrar", &TForm1::Demostrar1Click);
    Demostrar1->setShortcuts({QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_Return),
        QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_Enter)});
    command(
        Logica1, SiguientePaso1, "SiguientePaso1", "Siguiente paso", &TForm1::SiguientePaso1Click);
    Logica1->addSeparator();
    command(Logica1, CorregirEntregas1, "CorregirEntregas1", "Corregir entregas…",
        &TForm1::CorregirEntregas1Click);
    command(Logica1, ExportarParaAlumnos1, "ExportarParaAlumnos1", "Exportar para alumnos…",
        &TForm1::ExportarParaAlumnos1Click);
    // Escape in the editor stops a search under way, and only then takes the key.
    m_cancelAssist = new QAction(this);
    m_cancelAssist->setShortcut(QKeySequence(Qt::Key_Escape));
    m_cancelAssist->setEnabled(false);
    connect(m_cancelAssist, &QAction::triggered, this, [this] {
        if (m_assist)
            m_assist->cancel();
    });
    addAction(m_cancelAssist);
}

std::pair<int, int> TForm1::checkedRange() const
{
    const QTextCursor cursor = RichEdit1->textCursor();
    if (cursor.hasSelection())
        return {cursor.selectionStart(), cursor.selectionEnd()};
    return zv::pieceAround(*RichEdit1->document(), cursor.position());
}

void TForm1::Comprobar1Click(QObject *)
{
    startCheck(false);
}

void TForm1::TablaDeVerdad1Click(QObject *)
{
    startCheck(true);
}

void TForm1::startCheck(bool truthTable)
{
    // One check at a time: a new one replaces one under way, whose answer no longer matters.
    cancelCheck();
    const auto [from, to] = checkedRange();
    lineMarks().clearRange(from, to);
    m_check = std::make_unique<zv::CheckRun>(*RichEdit1->document(), from, to, m_modalSystem,
        m_basicRules, truthTable, checkWindow(), truthTable ? nullptr : &lineMarks());
    // The first syntax error, selected once the check is over.
    connect(m_check.get(), &zv::CheckRun::ended, this, [this](int errorFrom, int errorTo) {
        if (errorFrom < 0)
            return;
        QTextCursor cursor(RichEdit1->document());
        cursor.setPosition(errorFrom);
        cursor.setPosition(errorTo, QTextCursor::KeepAnchor);
        RichEdit1->setTextCursor(cursor);
        RichEdit1->ensureCursorVisible();
    });
}

void TForm1::cancelCheck()
{
    if (m_check)
        m_check->cancel();
    m_check.reset();
    if (m_assist)
        m_assist->cancel();
    m_assist.reset();
}

void TForm1::Demostrar1Click(QObject *)
{
    // From the caret's line, or the selection's first, to the end of the last line it touches.
    const QTextCursor cursor = RichEdit1->textCursor();
    const QTextDocument &document = *RichEdit1->document();
    const int to = zv::lineEndOf(document, cursor.selectionEnd());
    startAssist(
        zv::LogicWorker::Assist::Prove, zv::documentLineAt(document, cursor.selectionStart()), to);
}

void TForm1::SiguientePaso1Click(QObject *)
{
    nextStepAt(zv::documentLineAt(*RichEdit1->document(), RichEdit1->textCursor().position()));
}

void TForm1::nextStepAt(int line)
{
    startAssist(zv::LogicWorker::Assist::Next, line, RichEdit1->document()->characterCount() - 1);
}

void TForm1::startAssist(zv::LogicWorker::Assist kind, int line, int to)
{
    cancelCheck();
    m_assist = std::make_unique<zv::AssistRun>(
        kind, *RichEdit1->document(), line, to, m_modalSystem, m_basicRules, checkWindow());
    m_cancelAssist->setEnabled(true);
    connect(
        m_assist.get(), &zv::AssistRun::insert, this, [this](int position, const QString &text) {
            QTextCursor cursor = RichEdit1->textCursor();
            cursor.setPosition(position);
            RichEdit1->setTextCursor(cursor);
            // As a paste: each symbol in a font that has it; one undo step takes it all back.
            RichEdit1->insertReadable(text);
        });
    connect(
        m_assist.get(), &zv::AssistRun::ended, this, [this] { m_cancelAssist->setEnabled(false); });
}

void TForm1::documentReplaced()
{
    cancelCheck();
    // The answers were about a text that is gone.
    if (m_lineMarks)
        m_lineMarks->clear();
    if (m_checkWindow) {
        m_checkWindow->hide();
        m_checkWindow->answerView->clear();
    }
}
