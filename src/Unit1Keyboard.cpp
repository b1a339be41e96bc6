// Typing logic from the keyboard: TeX names that become palette symbols as they are typed, the
// "Símbolos" menu, undo and redo, Ctrl keys as second bindings of the commands and Alt keys that
// open the menus.
#include "Unit1.h"

#include "Palette.h"

#include "platform/app/Application.h"
#include "platform/codepages/CodePage.h"
#include "platform/format/TextFormat.h"
#include "platform/richedit/RichEdit.h"
#include "platform/widgets/SpeedButton.h"

#include <QAction>
#include <QCoreApplication>
#include <QKeyEvent>
#include <QMenu>
#include <QMenuBar>
#include <QScopedValueRollback>
#include <QTextDocument>
#include <QToolTip>

#include <algorithm>
#include <memory>

namespace {

bool isAsciiLetter(QChar c)
{
    return (c >= u'a' && c <= u'z') || (c >= u'A' && c <= u'Z');
}

// A space, a digit, a sign, a tab or a line break ends a name; a letter goes on with it.
bool endsName(QChar c)
{
    return !c.isLetter() && (c.isPrint() || c == u'\t' || c == u'\r' || c == u'\n');
}

// Where "\name" ends at @p end: the position of its backslash, or -1. The name is what the
// document shows, so letters typed in a symbol font (which show as Greek) never make one.
int texNameStart(const QTextDocument &document, int end)
{
    int start = end;
    while (start > 0 && isAsciiLetter(document.characterAt(start - 1))) {
        if (end - start == zv::longestTexName())
            return -1;
        --start;
    }
    if (start == end || start == 0 || document.characterAt(start - 1) != u'\\')
        return -1;
    return start - 1;
}

// A space or a tab only ends the name: the symbol takes it, so "\neg q" gives "¬q". Any other
// ending key stays after the symbol.
bool isTakenByName(QChar key)
{
    return key == u' ' || key == u'\t';
}

QString texName(const QTextDocument &document, int start, int end)
{
    QString name;
    for (int i = start; i < end; ++i)
        name += document.characterAt(i);
    return name;
}

} // namespace

void TForm1::createKeyboardCommands()
{
    // Second bindings: the menus go on showing the function keys.
    const std::pair<QAction *, QKeyCombination> secondKeys[] = {
        {Nuevo1, Qt::CTRL | Qt::Key_N},
        {Abrir1, Qt::CTRL | Qt::Key_O},
        {Imprimir1, Qt::CTRL | Qt::Key_P},
        {Salir1, Qt::CTRL | Qt::Key_Q},
        {SeleccionatTodo1, Qt::CTRL | Qt::Key_A},
        {Cortar1, Qt::CTRL | Qt::Key_X},
        {Copiar1, Qt::CTRL | Qt::Key_C},
        {Pegar1, Qt::CTRL | Qt::Key_V},
    };
    for (const auto &[action, key] : secondKeys)
        action->setShortcuts({action->shortcut(), QKeySequence(key)});

    auto command = [this](QMenu *menu, const QString &name, const QString &caption,
                       const QList<QKeySequence> &keys, void (TForm1::*handler)(QObject *)) {
        auto *action = new QAction(caption, this);
        action->setObjectName(name);
        action->setShortcuts(keys);
        connect(action, &QAction::triggered, this,
            zv::guard([this, handler] { (this->*handler)(this); }));
        if (menu)
            menu->addAction(action);
        else
            addAction(action);
        return action;
    };
    Deshacer1 = command(Editar1, QStringLiteral("Deshacer1"), QStringLiteral("Deshacer"),
        {Qt::CTRL | Qt::Key_Z}, &TForm1::Deshacer1Click);
    Rehacer1 = command(Editar1, QStringLiteral("Rehacer1"), QStringLiteral("Rehacer"),
        {Qt::CTRL | Qt::Key_Y, Qt::CTRL | Qt::SHIFT | Qt::Key_Z}, &TForm1::Rehacer1Click);
    // F3 keeps its dialog; Ctrl+S saves as other editors do.
    GuardarEnArchivo1 = command(nullptr, QStringLiteral("GuardarEnArchivo1"),
        QStringLiteral("Guardar"), {Qt::CTRL | Qt::Key_S}, &TForm1::GuardarEnArchivo1Click);
    // Through the toggles' own handlers, so that their look follows.
    command(nullptr, QStringLiteral("Negrita1"), QStringLiteral("Negrita"), {Qt::CTRL | Qt::Key_B},
        &TForm1::SpeedButton24Click);
    command(nullptr, QStringLiteral("Subrayado1"), QStringLiteral("Subrayado"),
        {Qt::CTRL | Qt::Key_U}, &TForm1::SpeedButton25Click);
    command(nullptr, QStringLiteral("Cursiva1"), QStringLiteral("Cursiva"), {Qt::CTRL | Qt::Key_I},
        &TForm1::SpeedButton26Click);

    Simbolos1 = new QMenu(QStringLiteral("Símbolos"), this);
    Simbolos1->setObjectName(QStringLiteral("Simbolos1"));
    Simbolos1->menuAction()->setObjectName(QStringLiteral("Simbolos1"));
    menuBar()->insertMenu(AyudayCaercade1, Simbolos1);
    // The window has no status bar: the entry under the pointer, or reached with the arrow keys,
    // shows its hint beside it.
    connect(Simbolos1, &QMenu::hovered, this, [this](QAction *action) {
        const QRect entry = Simbolos1->actionGeometry(action);
        QToolTip::showText(Simbolos1->mapToGlobal(entry.topRight()), action->toolTip(), Simbolos1);
    });
    for (const zv::PaletteRow &row : zv::kPalette) {
        QString caption = QString::fromUtf8(row.accessibleName) + QStringLiteral("  ")
            + QString::fromUtf8(row.symbol);
        caption.replace(QLatin1Char('&'), QStringLiteral("&&"));
        QAction *action = command(Simbolos1, QStringLiteral("Simbolo%1").arg(row.number), caption,
            {}, paletteHandler(row));
        // The hint teaches the name that types the symbol.
        action->setToolTip(zv::paletteHint(row));
        action->setStatusTip(zv::paletteHint(row));
        // The button keeps the enabled state; the entry follows it.
        m_symbolActions[row.number] = action;
        speedButton(row.number)->installEventFilter(this);
    }

    // The captions carry no access keys: Alt and the first letter pop the menu up instead, and
    // the shortcut takes the key before the editor could type the letter.
    for (QMenu *menu : {Archivo1, Editar1, Confifurar1, Simbolos1}) {
        auto *open = new QAction(this);
        open->setShortcut(QKeySequence(Qt::ALT | Qt::Key(menu->title().at(0).toUpper().unicode())));
        connect(open, &QAction::triggered, this,
            [this, menu] { menuBar()->setActiveAction(menu->menuAction()); });
        addAction(open);
    }

    RichEdit1->installEventFilter(this);
}

void TForm1::Deshacer1Click(QObject *)
{
    RichEdit1->undo();
}
void TForm1::Rehacer1Click(QObject *)
{
    RichEdit1->redo();
}

bool TForm1::eventFilter(QObject *watched, QEvent *event)
{
    // A program is a formula a paragraph: in program mode Shift+Enter starts a paragraph, so
    // that what the user sees as two lines reaches the interpreter as two.
    if (watched == RichEdit1 && event->type() == QEvent::KeyPress && speedButton(27)->isEnabled()) {
        const auto *key = static_cast<QKeyEvent *>(event);
        if (key->matches(QKeySequence::InsertLineSeparator)) {
            QKeyEvent plain(QEvent::KeyPress, key->key(), key->modifiers() & ~Qt::ShiftModifier,
                QStringLiteral("\r"));
            QCoreApplication::sendEvent(RichEdit1, &plain);
            return true;
        }
    }
    if (filterKeyboard(watched, event))
        return true;
    return QMainWindow::eventFilter(watched, event);
}

// Returns true when the event has been dealt with here.
bool TForm1::filterKeyboard(QObject *watched, QEvent *event)
{
    if (event->type() == QEvent::KeyPress && watched == RichEdit1
        && static_cast<QKeyEvent *>(event)->key() == Qt::Key_Escape
        && m_cancelAssist->isEnabled()) {
        // Escape in the text stops "Demostrar" or "Siguiente paso" under way.
        m_cancelAssist->trigger();
        return true;
    }
    if (event->type() == QEvent::KeyPress && watched == RichEdit1 && !m_retyping) {
        bool consumed = false;
        zv::guarded([&] { consumed = typeKey(*static_cast<QKeyEvent *>(event)); });
        return consumed;
    }
    if (event->type() == QEvent::EnabledChange) {
        if (auto *button = qobject_cast<zv::SpeedButton *>(watched)) {
            const int number = button->objectName().mid(11).toInt();
            if (QAction *action = m_symbolActions.at(number))
                action->setEnabled(button->isEnabled());
        }
    }
    return false;
}

// Returns true when the key has been dealt with here.
bool TForm1::typeKey(const QKeyEvent &event)
{
    const QString text = event.text();
    if (text.isEmpty()
        || (event.modifiers() & (Qt::ControlModifier | Qt::AltModifier | Qt::MetaModifier))
        || RichEdit1->isReadOnly())
        return false;
    const QTextCursor caret = RichEdit1->textCursor();
    if (caret.hasSelection())
        return false;
    const QTextDocument &document = *RichEdit1->document();
    const int end = caret.position();
    const QChar typed = text.front();

    // A backslash typed after a backslash makes that one a plain character and goes no further,
    // unless the typing font turns the key into a symbol of its own.
    if (typed == u'\\' && end > 0 && document.characterAt(end - 1) == u'\\'
        && !zv::codePage(caret.charFormat()).isSymbol() && !isLiteralBackslash(end - 1)) {
        QTextCursor literal(RichEdit1->document());
        literal.setPosition(end - 1);
        literal.setPosition(end, QTextCursor::KeepAnchor);
        // Text typed after it must not stretch the selection.
        literal.setKeepPositionOnInsert(true);
        m_literalBackslashes.push_back(literal);
        return true;
    }

    if (!endsName(typed))
        return false;
    const int start = texNameStart(document, end);
    if (start < 0 || isLiteralBackslash(start))
        return false;
    const zv::PaletteRow *row = zv::paletteRowForTexName(texName(document, start + 1, end));
    // A name whose button the mode disables stays text.
    if (!row || !speedButton(row->number)->isEnabled())
        return false;
    replaceTexName(event, start, *row);
    return true;
}

// The ending key is typed first, as usual; then, as one undo step, the name and that key give
// way to the palette's own insertion and the key, where it stays. Undo thus gives back the name
// with its ending key, and typing goes on from there without replacing it again.
void TForm1::replaceTexName(const QKeyEvent &event, int nameStart, const zv::PaletteRow &row)
{
    QTextDocument *document = RichEdit1->document();
    const int end = RichEdit1->textCursor().position();
    // What a click on the button would take: the attributes in force at the caret.
    const QTextCharFormat typing = RichEdit1->textCursor().charFormat();
    const int before = document->characterCount();
    retype(event);
    const int typed = document->characterCount() - before;
    if (typed <= 0 || RichEdit1->textCursor().hasSelection()
        || RichEdit1->textCursor().position() != end + typed)
        return;

    // An edit block gives undo the caret of the cursor that opens it: after the ending key.
    QTextCursor step = RichEdit1->textCursor();
    step.beginEditBlock();
    step.setPosition(nameStart);
    step.setPosition(end + typed, QTextCursor::KeepAnchor);
    step.removeSelectedText();
    RichEdit1->setTextCursor(step);
    RichEdit1->setCurrentCharFormat(typing);
    (this->*paletteHandler(row))(this);
    if (!isTakenByName(event.text().front()))
        retype(event);
    // Qt joins an insertion to an edit block that ends with one, so one undo would also take
    // back what is typed next. The step ends with the last character's own format set again,
    // which changes nothing but is no insertion.
    const int caret = RichEdit1->textCursor().position();
    if (caret > nameStart) {
        QTextCursor last(document);
        last.setPosition(caret);
        const QTextCharFormat format = last.charFormat();
        last.setPosition(caret - 1, QTextCursor::KeepAnchor);
        last.setCharFormat(format);
    }
    step.endEditBlock();
    RichEdit1->ensureCursorVisible();
}

void TForm1::retype(const QKeyEvent &event)
{
    const QScopedValueRollback<bool> retyping(m_retyping, true);
    const std::unique_ptr<QEvent> copy(event.clone());
    QCoreApplication::sendEvent(RichEdit1, copy.get());
}

bool TForm1::isLiteralBackslash(int position)
{
    // A deleted backslash leaves its cursor collapsed, a replaced document leaves it null.
    std::erase_if(m_literalBackslashes, [](const QTextCursor &c) {
        return c.isNull() || c.selectionEnd() - c.selectionStart() != 1;
    });
    return std::any_of(m_literalBackslashes.cbegin(), m_literalBackslashes.cend(),
        [position](const QTextCursor &c) { return c.selectionStart() == position; });
}
