#include "check/LineMarks.h"

#include "platform/richedit/RichEdit.h"

#include <QFile>
#include <QHelpEvent>
#include <QMouseEvent>
#include <QPainter>
#include <QScrollBar>
#include <QTextBlock>
#include <QTextDocument>
#include <QTimer>
#include <QToolTip>

#include <algorithm>

namespace zv {
namespace {

constexpr int kMarginWidth = 18;

QColor colourOf(Outcome outcome)
{
    switch (outcome) {
    case Outcome::Valid: return QColor(0x2e, 0x7d, 0x32);
    case Outcome::Invalid: return QColor(0xc6, 0x28, 0x28);
    case Outcome::Contingent: return QColor(0x1f, 0x5f, 0xa8);
    case Outcome::Unknown: return QColor(0x75, 0x75, 0x75);
    case Outcome::Error: return QColor(0xd3, 0x1f, 0x1f);
    }
    return Qt::black;
}

} // namespace

LineMarks::LineMarks(RichEdit &editor) : QWidget(&editor), m_editor(editor)
{
    setObjectName(QStringLiteral("lineMarks"));
    setAccessibleName(QStringLiteral("Marcas de la comprobación"));
    hide();
    m_editor.installEventFilter(this);
    connect(m_editor.verticalScrollBar(), &QScrollBar::valueChanged, this, [this] { update(); });
    m_editor.setOverlay([this](QPainter &painter) { paintBars(painter); });
}

QString LineMarks::symbol(Outcome outcome)
{
    switch (outcome) {
    case Outcome::Valid: return QStringLiteral("✔");
    case Outcome::Invalid: return QStringLiteral("✘");
    case Outcome::Contingent: return QStringLiteral("◐");
    case Outcome::Unknown: return QStringLiteral("?");
    case Outcome::Error: return QStringLiteral("!");
    }
    return {};
}

void LineMarks::follow()
{
    // The editor may have been given another document since the last check.
    QTextDocument *document = m_editor.document();
    if (m_document == document)
        return;
    if (m_document)
        disconnect(m_document, nullptr, this, nullptr);
    m_document = document;
    connect(document, &QTextDocument::contentsChange, this,
        [this](int position, int, int added) { forgetEdited(position, added); });
    connect(document, &QObject::destroyed, this, [this] { m_document = nullptr; });
}

void LineMarks::add(int position, Outcome outcome, const QString &toolTip, int answerLine)
{
    follow();
    Mark mark{QTextCursor(m_document), outcome, toolTip, answerLine};
    mark.at.setPosition(std::clamp(position, 0, m_document->characterCount() - 1));
    // Answers come in the order of their lines, so this is an append but for a derivation's
    // faults, which come with its last line.
    const auto at = std::upper_bound(m_marks.begin(), m_marks.end(), mark.at.position(),
        [](int p, const Mark &m) { return p < m.at.position(); });
    m_marks.insert(at, std::move(mark));
    showMargin();
    update();
    dump();
}

void LineMarks::addBar(int fromPosition, int toPosition, int depth)
{
    follow();
    Bar bar{QTextCursor(m_document), QTextCursor(m_document), depth};
    const int last = m_document->characterCount() - 1;
    bar.from.setPosition(std::clamp(fromPosition, 0, last));
    bar.to.setPosition(std::clamp(toPosition, 0, last));
    m_bars.push_back(std::move(bar));
    m_editor.viewport()->update();
}

void LineMarks::underline(int from, int to)
{
    follow();
    QTextCursor cursor(m_document);
    cursor.setPosition(std::clamp(from, 0, m_document->characterCount() - 1));
    if (to > from) {
        cursor.setPosition(std::min(to, m_document->characterCount() - 1), QTextCursor::KeepAnchor);
    } else if (!cursor.movePosition(QTextCursor::Left, QTextCursor::KeepAnchor)
        || cursor.selectedText() == QString(QChar::ParagraphSeparator)) {
        // The error is at the start of a line: the character after it, or the line's end.
        cursor.clearSelection();
        cursor.movePosition(QTextCursor::Right, QTextCursor::KeepAnchor);
    }
    m_underlines.push_back(cursor);
    showUnderlines();
}

void LineMarks::showUnderlines()
{
    QList<QTextEdit::ExtraSelection> all;
    for (const QTextCursor &cursor : m_underlines) {
        QTextEdit::ExtraSelection wavy;
        wavy.cursor = cursor;
        wavy.format.setUnderlineStyle(QTextCharFormat::WaveUnderline);
        wavy.format.setUnderlineColor(Qt::red);
        all.push_back(wavy);
    }
    m_editor.setExtraSelections(all);
}

void LineMarks::clear()
{
    m_marks.clear();
    m_bars.clear();
    m_underlines.clear();
    m_editor.setExtraSelections({});
    if (m_shown) {
        m_shown = false;
        m_editor.setMarginWidth(0);
        hide();
    }
    m_editor.viewport()->update();
    dump();
}

void LineMarks::clearRange(int from, int to)
{
    if (m_document && m_document == m_editor.document())
        forgetEdited(from, std::max(0, to - from));
    else
        clear();
}

void LineMarks::showMargin()
{
    if (m_shown)
        return;
    m_shown = true;
    m_editor.setMarginWidth(kMarginWidth);
    place();
    show();
}

void LineMarks::place()
{
    const QRect view = m_editor.viewport()->geometry();
    setGeometry(view.left() - kMarginWidth, view.top(), kMarginWidth, view.height());
}

bool LineMarks::eventFilter(QObject *watched, QEvent *event)
{
    if (watched == &m_editor && m_shown
        && (event->type() == QEvent::Resize || event->type() == QEvent::LayoutRequest))
        place();
    return QWidget::eventFilter(watched, event);
}

void LineMarks::forgetEdited(int position, int added)
{
    // Lines below an edit move: the margin follows them.
    if (m_shown)
        update();
    if (m_marks.isEmpty() && m_bars.isEmpty() && m_underlines.isEmpty())
        return;
    // The whole lines that the edit touched lose what was said of them.
    const QTextBlock first = m_document->findBlock(position);
    const QTextBlock last = m_document->findBlock(position + added);
    const int from = first.position();
    const int to = last.isValid() ? last.position() + last.length() : m_document->characterCount();
    const auto begin = std::lower_bound(m_marks.begin(), m_marks.end(), from,
        [](const Mark &m, int p) { return m.at.position() < p; });
    auto end = begin;
    while (end != m_marks.end() && end->at.position() < to)
        ++end;
    const bool changed = begin != end;
    m_marks.erase(begin, end);
    const auto touches = [&](int a, int b) { return a < to && b >= from; };
    const qsizetype bars = m_bars.size();
    m_bars.removeIf(
        [&](const Bar &bar) { return touches(bar.from.position(), bar.to.position()); });
    if (m_underlines.removeIf(
            [&](const QTextCursor &c) { return touches(c.selectionStart(), c.selectionEnd()); }))
        showUnderlines();
    if (bars != m_bars.size())
        m_editor.viewport()->update();
    if (changed) {
        update();
        dump();
    }
}

QList<std::pair<const LineMarks::Mark *, QRect>> LineMarks::visibleMarks(int top, int bottom) const
{
    QList<std::pair<const Mark *, QRect>> out;
    const int first = m_editor.cursorForPosition(QPoint(0, std::max(0, top))).position();
    const QTextBlock block = m_editor.document()->findBlock(first);
    const int from = block.isValid() ? block.position() : 0;
    auto it = std::lower_bound(m_marks.begin(), m_marks.end(), from,
        [](const Mark &m, int p) { return m.at.position() < p; });
    for (; it != m_marks.end(); ++it) {
        const QRect line = m_editor.cursorRect(it->at);
        if (line.top() > bottom)
            break;
        if (line.bottom() >= top)
            out.push_back({&*it, QRect(0, line.top(), kMarginWidth, line.height())});
    }
    return out;
}

void LineMarks::paintEvent(QPaintEvent *)
{
    QPainter painter(this);
    painter.fillRect(rect(), palette().color(QPalette::Window));
    painter.setRenderHint(QPainter::Antialiasing);
    QFont symbols = font();
    symbols.setPixelSize(12);
    painter.setFont(symbols);
    int lastTop = INT_MIN;
    for (const auto &[mark, box] : visibleMarks(0, height())) {
        // Two marks on one line (a derivation's fault on its last line): the first is drawn.
        if (box.top() == lastTop)
            continue;
        lastTop = box.top();
        const QRect square(box.left() + 2, box.center().y() - 7, 14, 14);
        if (mark->outcome == Outcome::Error) {
            painter.setPen(Qt::NoPen);
            painter.setBrush(colourOf(Outcome::Error));
            painter.drawEllipse(square);
            painter.setPen(Qt::white);
        } else {
            painter.setPen(colourOf(mark->outcome));
        }
        painter.drawText(square, Qt::AlignCenter, symbol(mark->outcome));
    }
}

void LineMarks::paintBars(QPainter &painter)
{
    if (m_bars.isEmpty())
        return;
    painter.setPen(QPen(QColor(0x40, 0x40, 0x40), 1));
    const int height = m_editor.viewport()->height();
    for (const Bar &bar : m_bars) {
        const QRect from = m_editor.cursorRect(bar.from);
        const QRect to = m_editor.cursorRect(bar.to);
        if (to.bottom() < 0 || from.top() > height)
            continue;
        // The bar stands just left of the assumption's text; the line under the assumption runs
        // as far as it does.
        QTextCursor text = bar.from;
        const QString line = text.block().text();
        int indent = 0;
        while (indent < line.size()
            && (line[indent] == QLatin1Char(' ') || line[indent] == QLatin1Char('\t')))
            ++indent;
        text.setPosition(text.block().position() + indent);
        const int x = m_editor.cursorRect(text).left() - 3;
        text.movePosition(QTextCursor::EndOfBlock);
        painter.drawLine(x, from.top() + 1, x, to.bottom() - 1);
        painter.drawLine(x, from.bottom(), m_editor.cursorRect(text).left(), from.bottom());
    }
}

const LineMarks::Mark *LineMarks::markAt(int y) const
{
    for (const auto &[mark, box] : visibleMarks(y, y))
        if (box.top() <= y && y <= box.bottom())
            return mark;
    return nullptr;
}

bool LineMarks::event(QEvent *event)
{
    if (event->type() == QEvent::ToolTip) {
        const auto *help = static_cast<QHelpEvent *>(event);
        if (const Mark *mark = markAt(help->pos().y()))
            QToolTip::showText(help->globalPos(), mark->toolTip, this);
        else
            QToolTip::hideText();
        return true;
    }
    return QWidget::event(event);
}

void LineMarks::mousePressEvent(QMouseEvent *event)
{
    if (const Mark *mark = markAt(event->position().toPoint().y()))
        Q_EMIT markClicked(mark->answerLine);
}

void LineMarks::dump()
{
    // For the tests on the X server: what the margin shows, a line per mark, once the marks of
    // a turn of the event loop are in.
    static const QString path = qEnvironmentVariable("ZARVIK_TEST_MARKS");
    if (path.isEmpty() || m_dumpPending)
        return;
    m_dumpPending = true;
    QTimer::singleShot(0, this, [this] {
        m_dumpPending = false;
        writeDump();
    });
}

void LineMarks::writeDump() const
{
    const QString path = qEnvironmentVariable("ZARVIK_TEST_MARKS");
    QString text;
    for (const Mark &m : m_marks)
        text += QStringLiteral("%1\t%2\t%3\n")
                    .arg(m.at.block().blockNumber() + 1)
                    .arg(symbol(m.outcome), m.toolTip);
    QFile file(path);
    if (file.open(QIODevice::WriteOnly | QIODevice::Truncate))
        file.write(text.toUtf8());
}

} // namespace zv
