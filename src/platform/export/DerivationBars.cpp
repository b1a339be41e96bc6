#include "platform/export/Derivations.h"

#include "platform/format/LongParagraphs.h"

#include <QAbstractTextDocumentLayout>
#include <QPainter>
#include <QTextBlock>
#include <QTextDocument>
#include <QTextLayout>

#include <vector>

namespace zv {
namespace {

struct Line
{
    QTextBlock block;
    int start = 0, end = 0; ///< in the block's text
};

std::vector<Line> linesOf(const QTextDocument &document)
{
    std::vector<Line> lines;
    for (QTextBlock b = document.begin(); b.isValid(); b = b.next()) {
        const QString text = b.text();
        int start = 0;
        // A line that goes on from the block before is drawn where it starts.
        bool counted = continuesParagraph(b);
        for (int i = 0; i <= text.size(); ++i)
            if (i == text.size() || text.at(i) == QChar::LineSeparator) {
                if (!counted)
                    lines.push_back({b, start, i});
                counted = false;
                start = i + 1;
            }
    }
    return lines;
}

bool isBlank(QChar c)
{
    return c == QLatin1Char(' ') || c == QLatin1Char('\t') || c == QChar::Nbsp;
}

/// A place in the laid-out document: the x of the character at @p at of @p line's block, and
/// the top and bottom of its row.
struct Spot
{
    qreal x = 0, top = 0, bottom = 0;
    bool valid = false;
};

Spot spotOf(const QTextDocument &document, const QTextBlock &block, int at)
{
    const QTextLayout *layout = block.layout();
    if (!layout)
        return {};
    const QTextLine row = layout->lineForTextPosition(at);
    if (!row.isValid())
        return {};
    const QPointF origin = document.documentLayout()->blockBoundingRect(block).topLeft();
    return {origin.x() + row.cursorToX(at), origin.y() + row.y(),
        origin.y() + row.y() + row.height(), true};
}

} // namespace

void drawDerivationBars(
    QPainter &painter, const QTextDocument &document, const QList<DerivationLines> &derivations)
{
    if (derivations.isEmpty())
        return;
    const std::vector<Line> lines = linesOf(document);
    const auto line = [&](int n) -> const Line * {
        return n >= 1 && std::size_t(n) <= lines.size() ? &lines[std::size_t(n - 1)] : nullptr;
    };
    // Where a line's text starts and ends, its indentation and trailing blanks left out.
    const auto textStart = [](const Line &l) {
        const QString text = l.block.text();
        int i = l.start;
        while (i < l.end && isBlank(text.at(i)))
            ++i;
        return i;
    };
    const auto textEnd = [](const Line &l) {
        const QString text = l.block.text();
        int i = l.end;
        while (i > l.start && isBlank(text.at(i - 1)))
            --i;
        return i;
    };

    painter.save();
    painter.setRenderHint(QPainter::Antialiasing);
    for (const DerivationLines &d : derivations)
        for (const DerivationLines::Bar &bar : d.bars) {
            const Line *first = line(bar.first), *last = line(bar.last);
            if (!first || !last || bar.last < bar.first)
                continue;
            const Spot top = spotOf(document, first->block, textStart(*first));
            const Spot bottom = spotOf(document, last->block, textEnd(*last));
            if (!top.valid || !bottom.valid)
                continue;
            // Sized after the text, so that it reads the same at any resolution.
            const qreal height = top.bottom - top.top;
            const qreal gap = height * 0.25;
            painter.setPen(QPen(Qt::black, std::max<qreal>(1, height * 0.06)));
            const qreal x = top.x - gap;
            painter.drawLine(QPointF(x, top.top + height * 0.08), QPointF(x, bottom.bottom));
            const Line *rule = line(bar.rule);
            if (!rule)
                continue;
            const Spot under = spotOf(document, rule->block, textEnd(*rule));
            if (under.valid)
                painter.drawLine(QPointF(x, under.bottom), QPointF(under.x + gap, under.bottom));
        }
    painter.restore();
}

} // namespace zv
