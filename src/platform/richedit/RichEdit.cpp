#include "platform/richedit/RichEdit.h"

#include "platform/app/Application.h"
#include "platform/codepages/CodePage.h"
#include "platform/files/DocumentFile.h"
#include "platform/format/LongParagraphs.h"
#include "platform/format/ReadableText.h"
#include "platform/format/TextFormat.h"

#include <QAbstractTextDocumentLayout>
#include <QCoreApplication>
#include <QInputMethodEvent>
#include <QKeyEvent>
#include <QMimeData>
#include <QPainter>
#include <QScrollBar>
#include <QTextBlock>
#include <QTextDocument>
#include <QTextLayout>
#include <QTimer>

#include <algorithm>
#include <optional>
#include <utility>
#include <vector>

namespace zv {

namespace {

// Appends the bytes of [from, to) of @p document, paragraph ends as CR LF; the display blocks
// of a long paragraph join.
void appendBytes(QByteArray &out, const QTextDocument *document, int from, int to)
{
    for (QTextBlock block = document->findBlock(from); block.isValid() && block.position() < to;
         block = block.next()) {
        appendBlockBytes(out, block, from - block.position(), to - block.position());
        const int separator = block.position() + block.length() - 1;
        if (separator >= from && separator < to && endsParagraph(block))
            out += "\r\n";
    }
}

} // namespace

RichEdit::RichEdit(QWidget *parent) : QTextEdit(parent)
{
    setAcceptRichText(true);
    setTabChangesFocus(false);
    watchDocument();
}

void RichEdit::watchDocument()
{
    m_editedFrom = m_editedTo = -1;
    m_displayCuts = false;
    connect(document(), &QTextDocument::contentsChange, this, &RichEdit::noteEdit,
        Qt::UniqueConnection);
}

void RichEdit::noteEdit(int position, int removed, int added)
{
    if (m_reshowing)
        return;
    if (m_editedFrom < 0) {
        m_editedFrom = position;
        m_editedTo = position + added;
        // The edit paths of this class reshow at once; this catches every other one (undo,
        // input methods, drops) when control returns to the event loop.
        QTimer::singleShot(0, this, guard([this] { reshowEdited(); }));
        return;
    }
    // The range noted before moves with this edit.
    const auto moved = [&](int at) {
        if (at <= position)
            return at;
        return at >= position + removed ? at + added - removed : position + added;
    };
    m_editedFrom = std::min(moved(m_editedFrom), position);
    m_editedTo = std::max(moved(m_editedTo), position + added);
}

void RichEdit::reshowEdited()
{
    if (m_editedFrom < 0)
        return;
    const int from = m_editedFrom;
    const int to = std::min(m_editedTo, document()->characterCount());
    m_editedFrom = m_editedTo = -1;
    // Most edits touch no byte that a pair is made of: a look at each character is enough.
    if (to - from < 256) {
        const CodePage &symbol = CodePage::forFont(u"Symbol", kSymbolCharset);
        bool candidate = false;
        for (int i = std::max(0, from - 1); i <= to && !candidate; ++i) {
            const int byte = symbol.fromUnicode(document()->characterAt(i).unicode());
            candidate = byte == kTurnstileLead;
            for (const Turnstile &t : kTurnstiles)
                candidate = candidate || byte == t.second;
        }
        if (!candidate)
            return;
    }
    m_reshowing = true;
    reshowTurnstiles(*document(), from, to, document()->isUndoRedoEnabled());
    m_reshowing = false;
}

bool RichEdit::deletePairBeforeCaret()
{
    QTextCursor cursor = textCursor();
    const int at = cursor.position();
    if (cursor.hasSelection() || at < 2)
        return false;
    QTextCursor first(document());
    first.setPosition(at - 1);
    QTextCursor second(document());
    second.setPosition(at);
    if (first.charFormat() != second.charFormat() || first.block() != second.block())
        return false;
    const CodePage &page = codePage(second.charFormat());
    const int lead = page.fromUnicode(document()->characterAt(at - 2).unicode());
    const int next = page.fromUnicode(document()->characterAt(at - 1).unicode());
    if (lead < 0 || next < 0 || !page.pairSign(uchar(lead), uchar(next)))
        return false;
    cursor.setPosition(at - 2, QTextCursor::KeepAnchor);
    cursor.removeSelectedText();
    setTextCursor(cursor);
    return true;
}

int RichEdit::selStart() const
{
    return textCursor().selectionStart();
}

void RichEdit::setSelStart(int position)
{
    QTextCursor cursor(document());
    cursor.setPosition(std::clamp(position, 0, document()->characterCount() - 1));
    setTextCursor(cursor);
}

int RichEdit::selLength() const
{
    const QTextCursor cursor = textCursor();
    return cursor.selectionEnd() - cursor.selectionStart();
}

void RichEdit::setSelLength(int length)
{
    const int last = document()->characterCount() - 1;
    const int start = selStart();
    if (length == 0 && !textCursor().hasSelection()) {
        // Nothing moves: typing attributes set at the caret stay in force.
        ensureCursorVisible();
        return;
    }
    QTextCursor cursor(document());
    cursor.setPosition(start);
    cursor.setPosition(std::clamp(start + length, 0, last), QTextCursor::KeepAnchor);
    setTextCursor(cursor);
    ensureCursorVisible();
}

QByteArray RichEdit::selText() const
{
    const QTextCursor cursor = textCursor();
    QByteArray out;
    appendBytes(out, document(), cursor.selectionStart(), cursor.selectionEnd());
    return out;
}

QByteArray RichEdit::bytes() const
{
    QByteArray out;
    appendBytes(out, document(), 0, document()->characterCount() - 1);
    return out;
}

QTextCharFormat RichEdit::attributesFormat() const
{
    const QTextCursor cursor = textCursor();
    if (!cursor.hasSelection())
        return cursor.charFormat();
    // A selection reports its first character.
    QTextCursor first(document());
    first.setPosition(cursor.selectionStart() + 1);
    return first.charFormat();
}

void RichEdit::replaceSel(const QByteArray &bytes)
{
    const QTextCharFormat format = attributesFormat();
    const QString text = codePage(format).decode(bytes);
    QTextCursor cursor = textCursor();
    cursor.beginEditBlock();
    cursor.removeSelectedText();
    const int start = cursor.position();
    qsizetype begin = 0;
    for (qsizetype i = 0; i <= text.size(); ++i) {
        const bool end = i == text.size();
        if (!end && text.at(i) != QLatin1Char('\r') && text.at(i) != QLatin1Char('\n'))
            continue;
        cursor.insertText(text.mid(begin, i - begin), format);
        if (end)
            break;
        if (text.at(i) == QLatin1Char('\r') && i + 1 < text.size()
            && text.at(i + 1) == QLatin1Char('\n'))
            ++i;
        cursor.insertBlock(cursor.blockFormat(), format);
        begin = i + 1;
    }
    clearContinuationIn(*document(), start, cursor.position());
    if (splitLongParagraphsIn(*document(), start, cursor.position()))
        noteDisplayCuts();
    cursor.endEditBlock();
    setTextCursor(cursor);
    reshowEdited();
}

void RichEdit::deleteSelection()
{
    textCursor().removeSelectedText();
    reshowEdited();
}

template <class F> void RichEdit::applyToSelection(F &&change, bool keepBytes)
{
    QTextCursor cursor = textCursor();
    if (!cursor.hasSelection()) {
        QTextCharFormat format = cursor.charFormat();
        change(format);
        setCurrentCharFormat(format);
        return;
    }
    // Each fragment keeps what the change does not touch; collected first, since applying a
    // format may merge the fragments being walked.
    struct Piece
    {
        int start;
        int end;
        QTextCharFormat format;
        QString text;
    };
    const int from = cursor.selectionStart();
    const int to = cursor.selectionEnd();
    const int anchor = cursor.anchor();
    const int position = cursor.position();
    std::vector<Piece> pieces;
    for (QTextBlock block = document()->findBlock(from); block.isValid() && block.position() < to;
         block = block.next()) {
        for (auto it = block.begin(); !it.atEnd(); ++it) {
            const QTextFragment fragment = it.fragment();
            const int start = std::max(from, fragment.position());
            const int end = std::min(to, fragment.position() + fragment.length());
            if (start < end)
                pieces.push_back({start, end, fragment.charFormat(),
                    keepBytes ? fragment.text().mid(start - fragment.position(), end - start)
                              : QString()});
        }
    }
    QTextCursor editor(document());
    editor.beginEditBlock();
    for (Piece &piece : pieces) {
        const CodePage &before = codePage(piece.format);
        change(piece.format);
        editor.setPosition(piece.start);
        editor.setPosition(piece.end, QTextCursor::KeepAnchor);
        const CodePage &after = codePage(piece.format);
        if (keepBytes && &before != &after) {
            // The byte is what the document holds: a new font shows it as its own glyph.
            for (QChar &c : piece.text)
                if (const int byte = before.fromUnicode(c.unicode()); byte >= 0)
                    c = QChar(after.toUnicode(uchar(byte)));
            editor.insertText(piece.text, piece.format);
        } else {
            editor.setCharFormat(piece.format);
        }
    }
    editor.endEditBlock();
    reshowEdited();
    // Text replaced at the selection's ends would carry them along and collapse it: the same
    // characters are selected again by position, as their number never changes.
    QTextCursor selection(document());
    selection.setPosition(anchor);
    selection.setPosition(position, QTextCursor::KeepAnchor);
    setTextCursor(selection);
}

QString RichEdit::selFaceName() const
{
    return faceName(attributesFormat());
}

void RichEdit::setSelFaceName(const QString &face)
{
    applyToSelection([&](QTextCharFormat &format) { setFaceName(format, face); }, true);
}

int RichEdit::selCharset() const
{
    return charset(attributesFormat());
}

void RichEdit::setSelCharset(int value)
{
    applyToSelection([&](QTextCharFormat &format) { setCharset(format, value); }, true);
}

QColor RichEdit::selColor() const
{
    return color(attributesFormat());
}

void RichEdit::setSelColor(const QColor &value)
{
    if (!value.isValid()) {
        applyToSelection([](QTextCharFormat &format) { setColor(format, QColor()); }, false);
        return;
    }
    QTextCharFormat change;
    setColor(change, value);
    mergeCurrentCharFormat(change);
}

int RichEdit::selSize() const
{
    return pointSize(attributesFormat());
}

void RichEdit::setSelSize(int points)
{
    QTextCharFormat change;
    setPointSize(change, points);
    mergeCurrentCharFormat(change);
}

unsigned char RichEdit::selStyle() const
{
    const QTextCursor cursor = textCursor();
    if (!cursor.hasSelection())
        return zv::style(cursor.charFormat());
    const int from = cursor.selectionStart();
    const int to = cursor.selectionEnd();
    unsigned char common = 0x0F;
    for (QTextBlock block = document()->findBlock(from); block.isValid() && block.position() < to;
         block = block.next()) {
        for (auto it = block.begin(); !it.atEnd(); ++it) {
            const QTextFragment fragment = it.fragment();
            if (fragment.position() < to && fragment.position() + fragment.length() > from)
                common &= zv::style(fragment.charFormat());
        }
    }
    return common;
}

void RichEdit::setSelStyle(unsigned char value)
{
    QTextCharFormat change;
    zv::setStyle(change, value);
    mergeCurrentCharFormat(change);
}

QColor RichEdit::backgroundColor() const
{
    return palette().color(QPalette::Base);
}

void RichEdit::setBackgroundColor(const QColor &value)
{
    QPalette p = palette();
    p.setColor(QPalette::Base, value);
    setPalette(p);
}

void RichEdit::clearDocument()
{
    const QTextCharFormat typing = textCursor().charFormat();
    QTextEdit::clear();
    m_displayCuts = false;
    setCurrentCharFormat(typing);
    document()->setModified(false);
}

bool RichEdit::modified() const
{
    return document()->isModified();
}

void RichEdit::setModified(bool value)
{
    document()->setModified(value);
}

void RichEdit::adoptDocument(QTextDocument *document)
{
    // setDocument() deletes the document the control made itself: ask who owns the old one first.
    QTextDocument *old = this->document();
    const bool ownsOld = old->parent() == this;
    document->setParent(this);
    document->setDefaultFont(font());
    disconnect(old, &QTextDocument::contentsChange, this, &RichEdit::noteEdit);
    setDocument(document);
    if (ownsOld)
        delete old;
    watchDocument();
}

void RichEdit::loadFromFile(const QString &path)
{
    // A long file must not freeze the window: it repaints while the document is built. Input
    // waits, so no command runs in the middle of the load.
    const auto breathe
        = [] { QCoreApplication::processEvents(QEventLoop::ExcludeUserInputEvents); };
    std::unique_ptr<QTextDocument> loaded = loadDocument(path, m_plainText, breathe);
    const bool cut = splitLongParagraphs(*loaded, breathe);
    adoptDocument(loaded.release());
    if (cut)
        noteDisplayCuts();
    // A document just read from its file has nothing to save yet.
    setModified(false);
    m_textLimit = kLoadedTextLimit;
}

void RichEdit::saveToFile(const QString &path)
{
    saveDocument(*document(), path, m_plainText);
}

void RichEdit::noteDisplayCuts()
{
    m_displayCuts = true;
    // Qt lays a long document out a step at a time after the first paint, and the rows in view
    // may be laid out again meanwhile without being painted again: each step repaints them.
    connect(document()->documentLayout(), &QAbstractTextDocumentLayout::documentSizeChanged,
        viewport(), qOverload<>(&QWidget::update), Qt::UniqueConnection);
}

void RichEdit::paintEvent(QPaintEvent *event)
{
    QTextEdit::paintEvent(event);
    if (m_displayCuts)
        markDisplayCuts();
    if (m_overlay) {
        QPainter painter(viewport());
        m_overlay(painter);
    }
}

void RichEdit::markDisplayCuts()
{
    // A display block that goes on a paragraph starts with a grey arrow in its indent. Only the
    // blocks in view are looked at.
    const QAbstractTextDocumentLayout *layout = document()->documentLayout();
    const QPointF scroll(horizontalScrollBar()->value(), verticalScrollBar()->value());
    const int bottom = viewport()->height();
    std::optional<QPainter> painter;
    for (QTextBlock block = cursorForPosition(QPoint(0, 0)).block(); block.isValid();
         block = block.next()) {
        const QRectF box = layout->blockBoundingRect(block).translated(-scroll);
        if (box.top() > bottom)
            break;
        const QTextLayout *lines = block.layout();
        if (!continuesParagraph(block) || !lines || lines->lineCount() == 0)
            continue;
        if (!painter) {
            painter.emplace(viewport());
            painter->setPen(palette().color(QPalette::Disabled, QPalette::Text));
        }
        const QTextLine first = lines->lineAt(0);
        painter->drawText(
            QRectF(box.left(), box.top() + first.y(), kDisplayCutIndent, first.height()),
            Qt::AlignCenter, QStringLiteral("↪"));
    }
}

bool RichEdit::deleteAcrossDisplayCut(QKeyEvent *event)
{
    // Between the display blocks of a long paragraph there is no character: Backspace and
    // Delete there take the one beyond, as in any other place of the paragraph.
    QTextCursor cursor = textCursor();
    if (cursor.hasSelection() || (event->modifiers() & ~(Qt::ShiftModifier | Qt::KeypadModifier)))
        return false;
    const QTextBlock block = cursor.block();
    if (event->key() == Qt::Key_Backspace && cursor.atBlockStart() && continuesParagraph(block)
        && block.previous().length() > 1) {
        cursor.setPosition(cursor.position() - 1);
        cursor.deletePreviousChar();
    } else if (event->key() == Qt::Key_Delete && cursor.atBlockEnd() && !endsParagraph(block)
        && block.next().length() > 1) {
        cursor.setPosition(cursor.position() + 1);
        cursor.deleteChar();
    } else {
        return false;
    }
    reshowEdited();
    ensureCursorVisible();
    return true;
}

void RichEdit::keyPressEvent(QKeyEvent *event)
{
    if (!isReadOnly() && deleteAcrossDisplayCut(event)) {
        event->accept();
        return;
    }
    if (event->key() == Qt::Key_Backspace && !(event->modifiers() & ~Qt::ShiftModifier)
        && !isReadOnly() && deletePairBeforeCaret()) {
        ensureCursorVisible();
        event->accept();
        return;
    }
    // A key gives one byte of the ANSI code page, which a symbol font draws as its own glyph.
    const QString typed = event->text();
    if (!typed.isEmpty() && typed.at(0).isPrint() && !isReadOnly()
        && !(event->modifiers() & (Qt::ControlModifier | Qt::AltModifier))) {
        if (insertTypedBeyondCodePage(typed)) {
            event->accept();
            return;
        }
        const QTextCharFormat format = textCursor().charFormat();
        const CodePage &page = codePage(format);
        if (page.isSymbol()) {
            textCursor().insertText(page.decode(CodePage::windows1252().encode(typed)));
            reshowEdited();
            ensureCursorVisible();
            event->accept();
            return;
        }
    }
    const bool newParagraph = (event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter)
        && !(event->modifiers() & Qt::ShiftModifier) && !isReadOnly();
    const int from = textCursor().selectionStart();
    QTextEdit::keyPressEvent(event);
    // Enter in a display block of a long paragraph starts a real one, in the same undo step.
    if (newParagraph)
        clearContinuationIn(*document(), from, textCursor().position(), true);
    reshowEdited();
}

void RichEdit::inputMethodEvent(QInputMethodEvent *event)
{
    const QString commit = event->commitString();
    if (commit.isEmpty() || isReadOnly() || !beyondTypingCodePage(commit)) {
        QTextEdit::inputMethodEvent(event);
        return;
    }
    // The composition ends as usual; only its text takes the way of typed text.
    QInputMethodEvent rest(event->preeditString(), event->attributes());
    rest.setCommitString(QString(), event->replacementStart(), event->replacementLength());
    QTextEdit::inputMethodEvent(&rest);
    insertTypedBeyondCodePage(commit);
    event->accept();
}

bool RichEdit::beyondTypingCodePage(const QString &typed) const
{
    const CodePage &page = codePage(textCursor().charFormat());
    // A symbol font takes the key's ANSI byte.
    const CodePage &keys = page.isSymbol() ? CodePage::windows1252() : page;
    return std::any_of(typed.begin(), typed.end(),
        [&](QChar ch) { return ch.unicode() >= 0x20 && keys.fromUnicode(ch.unicode()) < 0; });
}

bool RichEdit::insertTypedBeyondCodePage(const QString &typed)
{
    if (!beyondTypingCodePage(typed))
        return false;
    const QTextCharFormat typing = textCursor().charFormat();
    QMimeData text;
    text.setText(typed);
    insertFromMimeData(&text);
    setCurrentCharFormat(typing);
    return true;
}

} // namespace zv
