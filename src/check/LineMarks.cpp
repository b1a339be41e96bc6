#include "check/LineMarks.h"

#include "platform/richedit/RichEdit.h"

#include <QAbstractTextDocumentLayout>
#include <QFile>
#include <QHelpEvent>
#include <QMouseEvent>
#include <QPainter>
#include <QPainterPath>
#include <QScrollBar>
#include <QTextBlock>
#include <QTextDocument>
#include <QTextLayout>
#include <QTimer>
#include <QToolTip>
#include <QtMath>

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
    m_editor.setOverlay([this](QPainter &painter) { paintOverlay(painter); });
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
    m_blockCount = document->blockCount();
    connect(document, &QTextDocument::contentsChange, this,
        [this](int position, int, int added) { edited(position, added); });
    connect(document, &QObject::destroyed, this, [this] { m_document = nullptr; });
}

LineMarks::Place LineMarks::placeAt(int position) const
{
    const QTextBlock block
        = m_document->findBlock(std::clamp(position, 0, m_document->characterCount() - 1));
    return {block.blockNumber(), position - block.position()};
}

int LineMarks::positionOf(const Place &place) const
{
    if (!m_document)
        return 0;
    const QTextBlock block = m_document->findBlockByNumber(place.block);
    return block.isValid() ? block.position() + std::min(place.offset, block.length() - 1) : 0;
}

void LineMarks::add(int position, Outcome outcome, const QString &toolTip, int answerLine)
{
    follow();
    Mark mark{placeAt(position), outcome, toolTip, answerLine};
    // Answers come in the order of their lines, so this is an append but for a derivation's
    // faults, which come with its last line.
    const auto at = std::upper_bound(m_marks.begin(), m_marks.end(), mark.at,
        [](const Place &p, const Mark &m) { return p < m.at; });
    m_marks.insert(at, std::move(mark));
    showMargin();
    update();
    dump();
}

namespace {

int indentation(const QString &line)
{
    int indent = 0;
    while (indent < line.size()
        && (line[indent] == QLatin1Char(' ') || line[indent] == QLatin1Char('\t')))
        ++indent;
    return indent;
}

} // namespace

void LineMarks::addBar(int fromPosition, int toPosition, int depth)
{
    follow();
    const Place from = placeAt(fromPosition);
    const QTextBlock block = m_document->findBlockByNumber(from.block);
    m_bars.push_back({from, placeAt(toPosition), std::max(depth, 1), from,
        {from.block, indentation(block.text())}});
    m_editor.viewport()->update();
}

void LineMarks::addOuterBar(int fromPosition, int toPosition, int lastPremise, int besidePosition)
{
    follow();
    const Place from = placeAt(fromPosition);
    Place beside{from.block, 0};
    if (besidePosition >= 0) {
        beside = placeAt(besidePosition);
        beside.offset = indentation(m_document->findBlockByNumber(beside.block).text());
    }
    std::optional<Place> rule;
    if (lastPremise >= 0)
        rule = placeAt(lastPremise);
    m_bars.push_back({from, placeAt(toPosition), 0, rule, beside});
    m_editor.viewport()->update();
}

void LineMarks::underline(int from, int to)
{
    follow();
    const int last = m_document->characterCount() - 1;
    from = std::clamp(from, 0, last);
    const QTextBlock block = m_document->findBlock(from);
    const int start = block.position();
    const int end = start + block.length() - 1; // before the paragraph's break
    if (to > from) {
        to = std::min(to, end);
    } else if (from > start) {
        to = from--;
    } else {
        // The error is at the start of a paragraph: the character after it, or the line's end.
        to = std::min(from + 1, end);
    }
    const Underline wavy{block.blockNumber(), from - start, std::max(from, to) - start};
    const auto at = std::upper_bound(m_underlines.begin(), m_underlines.end(), wavy.block,
        [](int b, const Underline &u) { return b < u.block; });
    m_underlines.insert(at, wavy);
    m_editor.viewport()->update();
}

void LineMarks::clear()
{
    m_marks.clear();
    m_bars.clear();
    m_underlines.clear();
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
    if (!m_document || m_document != m_editor.document()) {
        clear();
        return;
    }
    const int last = m_document->characterCount() - 1;
    forget(m_document->findBlock(std::clamp(from, 0, last)).blockNumber(),
        m_document->findBlock(std::clamp(to, 0, last)).blockNumber(), 0);
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

void LineMarks::edited(int position, int added)
{
    // Lines below an edit move: the margin follows them.
    if (m_shown)
        update();
    const int count = m_document->blockCount();
    const int moved = count - m_blockCount;
    m_blockCount = count;
    if (m_marks.isEmpty() && m_bars.isEmpty() && m_underlines.isEmpty())
        return;
    // The paragraphs the edit touched, as they are now and as they were.
    const int first = m_document->findBlock(position).blockNumber();
    const QTextBlock end = m_document->findBlock(position + added);
    const int last = (end.isValid() ? end.blockNumber() : count - 1) - moved;
    if (first < 0 || last < first - 1) {
        // An edit that these numbers cannot follow: nothing said of the text is trusted.
        clear();
        return;
    }
    forget(first, last, moved);
}

void LineMarks::forget(int first, int last, int moved)
{
    // The whole lines that the edit touched lose what was said of them; those below move.
    const auto byBlock = [](const Mark &m, int b) { return m.at.block < b; };
    const auto begin = std::lower_bound(m_marks.begin(), m_marks.end(), first, byBlock);
    const auto end = std::lower_bound(begin, m_marks.end(), last + 1, byBlock);
    const bool changed = begin != end;
    const auto below = m_marks.erase(begin, end);
    if (moved != 0)
        for (auto it = below; it != m_marks.end(); ++it)
            it->at.block += moved;

    const qsizetype bars = m_bars.size();
    m_bars.removeIf([&](const Bar &b) { return b.from.block <= last && b.to.block >= first; });
    bool barsMoved = false;
    if (moved != 0)
        for (Bar &b : m_bars)
            if (b.from.block > last) {
                b.from.block += moved;
                b.to.block += moved;
                b.beside.block += moved;
                if (b.rule)
                    b.rule->block += moved;
                barsMoved = true;
            }

    const qsizetype underlines = m_underlines.size();
    m_underlines.removeIf([&](const Underline &u) { return u.block >= first && u.block <= last; });
    if (moved != 0)
        for (Underline &u : m_underlines)
            if (u.block > last)
                u.block += moved;

    if (bars != m_bars.size() || barsMoved || underlines != m_underlines.size())
        m_editor.viewport()->update();
    if (changed) {
        update();
        dump();
    }
}

std::pair<int, int> LineMarks::visibleBlocks() const
{
    const int height = m_editor.viewport()->height();
    return {m_editor.cursorForPosition(QPoint(0, 0)).blockNumber(),
        m_editor.cursorForPosition(QPoint(0, std::max(0, height - 1))).blockNumber()};
}

QList<std::pair<const LineMarks::Mark *, QRect>> LineMarks::visibleMarks(int top, int bottom) const
{
    QList<std::pair<const Mark *, QRect>> out;
    if (!m_document || m_document != m_editor.document())
        return out;
    const int first = m_editor.cursorForPosition(QPoint(0, std::max(0, top))).blockNumber();
    auto it = std::lower_bound(
        m_marks.begin(), m_marks.end(), first, [](const Mark &m, int b) { return m.at.block < b; });
    for (; it != m_marks.end(); ++it) {
        const QRect line = lineBox(it->at);
        if (line.top() > bottom)
            break;
        if (line.bottom() >= top)
            out.push_back({&*it, QRect(0, line.top(), kMarginWidth, line.height())});
    }
    return out;
}

QRect LineMarks::lineBox(const Place &place) const
{
    // From the layout's lines, not from a cursor's rectangle: that one measures the text up to
    // the cursor, which along a line of megabytes costs the line.
    const QTextBlock block = m_document->findBlockByNumber(place.block);
    if (!block.isValid())
        return {};
    m_document->documentLayout()->blockBoundingRect(block); // lays the paragraph out if need be
    const QTextLayout *layout = block.layout();
    const QTextLine line = layout->lineForTextPosition(std::min(place.offset, block.length() - 1));
    const qreal top = layout->position().y() + (line.isValid() ? line.y() : 0);
    const qreal height = line.isValid() ? line.height() : layout->boundingRect().height();
    const int y = qFloor(top) - m_editor.verticalScrollBar()->value();
    return QRect(0, y, kMarginWidth, std::max(1, qCeil(top + height) - qFloor(top)));
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

void LineMarks::paintOverlay(QPainter &painter)
{
    if ((m_bars.isEmpty() && m_underlines.isEmpty()) || m_document != m_editor.document())
        return;
    const auto [first, last] = visibleBlocks();
    paintBars(painter, first, last);
    paintUnderlines(painter, first, last);
}

void LineMarks::paintBars(QPainter &painter, int firstBlock, int lastBlock)
{
    painter.setPen(QPen(QColor(0x40, 0x40, 0x40), 1));
    QTextCursor text(m_document);
    const auto rectAt = [&](int position) {
        text.setPosition(position);
        return m_editor.cursorRect(text);
    };
    const auto lineEnd = [&](int blockNumber) {
        const QTextBlock block = m_document->findBlockByNumber(blockNumber);
        return rectAt(block.position() + block.length() - 1).left();
    };
    for (const Bar &bar : m_bars) {
        if (bar.to.block < firstBlock || bar.from.block > lastBlock)
            continue;
        const QRect from = rectAt(positionOf(bar.from));
        const QRect to = rectAt(positionOf(bar.to));
        // The bar stands just left of the text of its line, as far in as the line's own
        // indentation puts it.
        const int x = rectAt(positionOf(bar.beside)).left() - 3;
        painter.drawLine(x, from.top() + 1, x, to.bottom() - 1);
        if (!bar.rule) {
            // No premises: a stub at the top says that nothing is assumed above it; it stops
            // short of a subproof's bar that opens on the same line.
            const QTextBlock first = m_document->findBlockByNumber(bar.from.block);
            const int inner = rectAt(first.position() + indentation(first.text())).left() - 3;
            const int stub
                = inner > x + 6 ? std::min(inner - 3, x + from.height()) : x + from.height();
            painter.drawLine(x, from.top() + 1, stub, from.top() + 1);
            continue;
        }
        // The rule under the premises spans the widest of them; a few lines are enough to
        // look at, for a sheet's premises fit in them.
        int right = lineEnd(bar.rule->block);
        if (bar.depth == 0)
            for (int b = std::max(bar.from.block, bar.rule->block - 20); b < bar.rule->block; ++b)
                right = std::max(right, lineEnd(b));
        const int y = rectAt(positionOf(*bar.rule)).bottom();
        painter.drawLine(x, y, std::max(right, x + 8), y);
    }
}

void LineMarks::paintUnderlines(QPainter &painter, int firstBlock, int lastBlock)
{
    const auto begin = std::lower_bound(m_underlines.begin(), m_underlines.end(), firstBlock,
        [](const Underline &u, int b) { return u.block < b; });
    if (begin == m_underlines.end() || begin->block > lastBlock)
        return;
    painter.save();
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setPen(QPen(Qt::red, 1));
    for (auto it = begin; it != m_underlines.end() && it->block <= lastBlock; ++it) {
        const QTextBlock block = m_document->findBlockByNumber(it->block);
        const QTextLayout *layout = block.layout();
        if (!layout || layout->lineCount() == 0)
            continue;
        // The layout's origin in the viewport, from where the paragraph's start is drawn.
        const QPointF origin = layout->position()
            - QPointF(
                m_editor.horizontalScrollBar()->value(), m_editor.verticalScrollBar()->value());
        // A visual line at a time: a wrapped error is underlined on each of its lines, and a
        // paragraph of thousands of lines is not walked through for it.
        const int firstLine = std::max(0, layout->lineForTextPosition(it->from).lineNumber());
        for (int i = firstLine; i < layout->lineCount(); ++i) {
            const QTextLine line = layout->lineAt(i);
            if (line.textStart() >= it->to)
                break;
            const int from = std::max(it->from, line.textStart());
            const int to = std::min(it->to, line.textStart() + line.textLength());
            if (from >= to)
                continue;
            const qreal left = origin.x() + line.cursorToX(from);
            const qreal right = origin.x() + line.cursorToX(to);
            const qreal y = origin.y() + line.y() + line.ascent() + 2;
            // A wave two pixels high under the characters, as a spelling checker draws it.
            QPainterPath wave(QPointF(std::min(left, right), y));
            int up = 1;
            for (qreal x = std::min(left, right); x < std::max(left, right); x += 2, up = -up)
                wave.lineTo(std::min(x + 2, std::max(left, right)), y - up);
            painter.drawPath(wave);
        }
    }
    painter.restore();
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
        text
            += QStringLiteral("%1\t%2\t%3\n").arg(m.at.block + 1).arg(symbol(m.outcome), m.toolTip);
    QFile file(path);
    if (file.open(QIODevice::WriteOnly | QIODevice::Truncate))
        file.write(text.toUtf8());
}

} // namespace zv
