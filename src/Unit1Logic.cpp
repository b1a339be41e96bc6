// The "Lógica" menu: the logic engine checks the text where it is written, in a thread of its
// own, and its answer goes to the check window.
#include "Unit1.h"

#include "check/CheckWindow.h"

#include "check/BackgroundCheck.h"
#include "platform/app/Application.h"
#include "platform/format/ReadableText.h"
#include "platform/richedit/RichEdit.h"

#include <QAction>
#include <QActionGroup>
#include <QMenu>
#include <QMenuBar>
#include <QTextBlock>
#include <QTimer>

namespace {

// A check that answers within this time shows its answer alone; a longer one shows its progress
// and can be cancelled.
constexpr int kQuietMs = 200;

// Where @p position stands as the user counts: lines of the whole document (a soft line break
// starts one too) and readable characters, both from 1.
std::pair<int, int> documentLineAndColumn(const QTextDocument &document, int position)
{
    const QTextBlock block = document.findBlock(position);
    int line = 1;
    for (QTextBlock b = document.begin(); b.isValid() && b != block; b = b.next())
        line += 1 + int(b.text().count(QChar::LineSeparator));
    const QString before = block.text().left(position - block.position());
    line += int(before.count(QChar::LineSeparator));
    const int lineStart = block.position() + int(before.lastIndexOf(QChar::LineSeparator) + 1);
    const QString shown = zv::readableSpan(document, lineStart, position).text;
    return {line, int(shown.toUcs4().size()) + 1};
}

// The document position where line @p line of the checked text starts.
int lineStart(const zv::ReadableSpan &span, int line)
{
    const int at = span.range(line, 1).first;
    return at >= 0 ? at : span.at.back();
}

} // namespace

zv::CheckWindow &TForm1::checkWindow()
{
    if (!m_checkWindow) {
        m_checkWindow = new zv::CheckWindow(this);
        connect(m_checkWindow, &zv::CheckWindow::cancelRequested, this, [this] {
            if (!m_check)
                return;
            m_check->cancel();
            m_checkCancelled = true;
            m_checkWindow->showProgress(QStringLiteral("Cancelando…"));
        });
    }
    return *m_checkWindow;
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
}

std::pair<int, int> TForm1::checkedRange() const
{
    const QTextCursor cursor = RichEdit1->textCursor();
    if (cursor.hasSelection())
        return {cursor.selectionStart(), cursor.selectionEnd()};
    const QTextBlock block = cursor.block();
    return {block.position(), block.position() + block.length() - 1};
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
    // A new check replaces one under way, whose answer no longer matters.
    cancelCheck();
    m_checkCancelled = false;
    const auto [from, to] = checkedRange();
    m_checkedSpan
        = std::make_unique<zv::ReadableSpan>(zv::readableSpan(*RichEdit1->document(), from, to));
    const std::string utf8 = m_checkedSpan->text.toStdString();
    m_check = std::make_unique<zv::BackgroundCheck>(
        [utf8, system = m_modalSystem](const std::atomic<bool> &cancel) {
            return zv::logicEngine().check(utf8, system, cancel);
        });
    connect(m_check.get(), &zv::BackgroundCheck::finished, this,
        zv::guard([this, truthTable] { showCheckAnswer(truthTable); }));
    QTimer::singleShot(kQuietMs, m_check.get(), [this, truthTable] {
        if (!m_check || !m_check->isRunning())
            return;
        zv::CheckWindow &window = checkWindow();
        window.showProgress(truthTable ? QStringLiteral("Calculando la tabla de verdad…")
                                       : QStringLiteral("Comprobando…"));
        window.showBeside();
    });
}

void TForm1::cancelCheck()
{
    m_check.reset();
}

void TForm1::showCheckAnswer(bool truthTable)
{
    const std::vector<zv::LogicProblem> problems = m_check->problems();
    // Not deleted here: its signal is still being delivered.
    m_check.release()->deleteLater();
    const zv::ReadableSpan &span = *m_checkedSpan;
    const QTextDocument &document = *RichEdit1->document();
    // The text checked may have been edited meanwhile; then its errors are found by line and
    // column only.
    const zv::ReadableSpan now = zv::readableSpan(document, span.at.front(), span.at.back());
    const bool unchanged = now.text == span.text && now.at == span.at;

    QStringList parts;
    if (m_checkCancelled)
        parts << QStringLiteral("Comprobación cancelada: los problemas que faltaban quedan sin "
                                "decidir.\n");
    std::pair<int, int> error{-1, -1};
    for (const zv::LogicProblem &problem : problems) {
        if (problem.syntaxError) {
            const std::pair<int, int> at = span.range(problem.errorLine, problem.errorColumn);
            const int position = at.first >= 0 ? at.first : lineStart(span, problem.errorLine);
            const auto [line, column] = documentLineAndColumn(document, position);
            parts << QStringLiteral("Error en la línea %1, columna %2: %3\n")
                         .arg(line)
                         .arg(column)
                         .arg(problem.errorMessage);
            if (error.first < 0)
                error = at.first >= 0 ? at : std::pair{position, position};
            continue;
        }
        QString part;
        if (problem.line > 0)
            part += QStringLiteral("Línea %1: %2\n")
                        .arg(documentLineAndColumn(document, lineStart(span, problem.line)).first)
                        .arg(problem.text);
        if (truthTable) {
            part += problem.truthTable.isEmpty()
                ? QStringLiteral("La tabla de verdad es solo para la lógica proposicional.\n")
                : problem.truthTable;
        } else {
            if (!problem.system.isEmpty())
                part += QStringLiteral("Sistema modal: %1\n").arg(problem.system);
            if (!problem.verdict.isEmpty())
                part += problem.verdict + QLatin1Char('\n');
            part += problem.explanation;
        }
        parts << part;
    }
    if (problems.empty())
        parts << QStringLiteral("La selección no contiene ninguna fórmula.\n");

    zv::CheckWindow &window = checkWindow();
    window.showAnswer(parts.join(QLatin1Char('\n')),
        error.first >= 0 ? QStringLiteral("Error en la línea") : QString());
    window.showBeside();
    if (error.first >= 0 && unchanged) {
        QTextCursor cursor(RichEdit1->document());
        cursor.setPosition(error.first);
        cursor.setPosition(error.second, QTextCursor::KeepAnchor);
        RichEdit1->setTextCursor(cursor);
        RichEdit1->ensureCursorVisible();
    }
}
