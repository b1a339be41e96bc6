#include "check/FitchDiagram.h"

#include <QFontMetricsF>
#include <QJsonArray>
#include <QJsonObject>
#include <QPainter>
#include <QRegularExpression>

#include <algorithm>

namespace zv {
namespace {

constexpr qreal kFontPixels = 15;

FitchDiagram::Row rowOf(const QJsonObject &line)
{
    FitchDiagram::Row row;
    row.depth = std::clamp(line.value(QLatin1String("depth")).toInt(), 0, 200);
    row.assumption = line.value(QLatin1String("assumption")).toBool();
    QString text = line.value(QLatin1String("text")).toString().trimmed();
    if (text.isEmpty() || text.startsWith(QLatin1String("--"))) {
        row.separator = true;
        return row;
    }
    // "[k.] formula :rule citations", as the notation writes a line.
    static const QRegularExpression number(QStringLiteral("^(\\d+)\\.\\s*"));
    if (const QRegularExpressionMatch m = number.match(text); m.hasMatch()) {
        row.number = m.captured(1);
        text = text.mid(m.capturedLength());
    }
    const qsizetype colon = text.lastIndexOf(QLatin1Char(':'));
    row.formula = (colon >= 0 ? text.left(colon) : text).trimmed();
    row.justification = colon >= 0 ? text.mid(colon + 1).trimmed() : QString();
    // Every way the notation writes a premise.
    static const QRegularExpression premise(
        QStringLiteral("^(PR|Premisa|P)$"), QRegularExpression::CaseInsensitiveOption);
    row.premise = premise.match(row.justification).hasMatch();
    return row;
}

} // namespace

bool FitchDiagram::draws(const LogicProblem &problem)
{
    return problem.derivation && !problem.fitch.isEmpty();
}

FitchDiagram::FitchDiagram(const LogicProblem &problem) : m_latex(problem.latex)
{
    for (const QJsonValue &line : problem.fitch)
        m_rows << rowOf(line.toObject());
    // Each subderivation's bar runs from its assumption down while the lines stay inside it:
    // it ends before a shallower line, a "--" or the next assumption of its own depth.
    if (!m_rows.isEmpty())
        m_bars << Bar{0, 0, int(m_rows.size()) - 1};
    for (int i = 0; i < m_rows.size(); ++i) {
        if (!m_rows[i].assumption || m_rows[i].depth < 1)
            continue;
        const int d = m_rows[i].depth;
        int last = i;
        for (int j = i + 1; j < m_rows.size(); ++j) {
            const Row &r = m_rows[j];
            if (r.separator || r.depth < d || (r.depth == d && r.assumption))
                break;
            last = j;
        }
        m_bars << Bar{d, i, last};
    }

    const QFontMetricsF metrics(font(kFontPixels));
    qreal numbers = 0, formulas = 0, justifications = 0;
    int depth = 0;
    for (const Row &r : m_rows) {
        numbers = std::max(numbers, metrics.horizontalAdvance(r.number + QLatin1Char('.')));
        formulas = std::max(formulas, r.depth * kStep + metrics.horizontalAdvance(r.formula));
        justifications = std::max(justifications, metrics.horizontalAdvance(r.justification));
        depth = std::max(depth, r.depth);
    }
    m_barsLeft = kDiagramMargin + numbers + 10;
    m_justificationLeft = m_barsLeft + formulas + kStep + 24;
    m_size = QSizeF(m_justificationLeft + justifications + kDiagramMargin,
        2 * kDiagramMargin + m_rows.size() * kRowHeight);
}

void FitchDiagram::paint(QPainter &painter) const
{
    painter.save();
    painter.setRenderHint(QPainter::Antialiasing);
    const QFont f = font(kFontPixels);
    painter.setFont(f);
    const QFontMetricsF metrics(f);
    painter.setPen(QPen(Qt::black, 1.2));
    for (const Bar &b : m_bars)
        painter.drawLine(QPointF(barX(b.depth), rowTop(b.first) + 3),
            QPointF(barX(b.depth), rowTop(b.last + 1) - 3));
    int lastPremise = -1;
    for (int i = 0; i < m_rows.size(); ++i)
        if (m_rows[i].premise && m_rows[i].depth == 0)
            lastPremise = i;
    for (int i = 0; i < m_rows.size(); ++i) {
        const Row &r = m_rows[i];
        if (r.separator)
            continue;
        const qreal baseline = rowTop(i) + (kRowHeight + metrics.ascent() - metrics.descent()) / 2;
        const qreal textLeft = barX(r.depth) + 6;
        if (!r.number.isEmpty())
            painter.drawText(QPointF(kDiagramMargin, baseline), r.number + QLatin1Char('.'));
        painter.drawText(QPointF(textLeft, baseline), r.formula);
        painter.drawText(QPointF(m_justificationLeft, baseline), r.justification);
        // Under an assumption, and under the last premise: what is assumed ends there.
        if ((r.assumption && r.depth > 0) || i == lastPremise)
            painter.drawLine(QPointF(barX(r.depth), rowTop(i + 1) - 2),
                QPointF(textLeft + metrics.horizontalAdvance(r.formula) + 4, rowTop(i + 1) - 2));
    }
    painter.restore();
}

} // namespace zv
