#include "check/FitchDiagram.h"

#include "platform/export/Latex.h"

#include <QFontMetricsF>
#include <QHash>
#include <QJsonArray>
#include <QJsonObject>
#include <QPainter>
#include <QRegularExpression>

#include <algorithm>

namespace zv {
namespace {

constexpr qreal kFontPixels = 15;
constexpr qreal kNotePixels = 13;
// How far a rule reaches past the text above it.
constexpr qreal kRuleOverhang = 4;
const QColor kFaultBand(0xfd, 0xec, 0xec);
const QString kCross = QStringLiteral("✘");

FitchDiagram::Row rowOf(const QJsonObject &line)
{
    FitchDiagram::Row row;
    row.depth = std::clamp(line.value(QLatin1String("depth")).toInt(), 0, 200);
    row.assumption = line.value(QLatin1String("assumption")).toBool();
    row.line = line.value(QLatin1String("line")).toInt();
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
    row.premise = colon >= 0 && isPremiseLine(text);
    return row;
}

} // namespace

bool FitchDiagram::draws(const LogicProblem &problem)
{
    return problem.derivation && !problem.fitch.isEmpty();
}

QColor FitchDiagram::faultInk()
{
    return QColor(0xc6, 0x28, 0x28);
}

FitchDiagram::FitchDiagram(const LogicProblem &problem) : m_latex(problem.latex)
{
    for (const QJsonValue &line : problem.fitch)
        m_rows << rowOf(line.toObject());
    QHash<int, int> rowOfLine;
    for (int i = 0; i < m_rows.size(); ++i)
        if (!m_rows[i].separator)
            rowOfLine.insert(m_rows[i].line, i);
    for (const LogicProblem::Fault &f : problem.faults) {
        if (const auto it = rowOfLine.constFind(f.line); it != rowOfLine.cend())
            m_rows[*it].faulty = true;
        // Every faulty line is red; past a screenful of notes, the rest are counted.
        if (m_notes.size() < kMaxNotes)
            m_notes << f.message;
    }
    if (problem.faults.size() > kMaxNotes)
        m_notes << QStringLiteral("… y otras %1 líneas incorrectas, en rojo arriba")
                       .arg(problem.faults.size() - kMaxNotes);
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
    for (int i = 0; i < m_rows.size(); ++i)
        if (m_rows[i].premise && m_rows[i].depth == 0)
            m_lastPremise = i;

    const QFontMetricsF metrics(font(kFontPixels));
    qreal numbers = 0, formulas = 0, justifications = 0;
    for (int i = 0; i < m_rows.size(); ++i) {
        const Row &r = m_rows[i];
        numbers = std::max(numbers, metrics.horizontalAdvance(r.number + QLatin1Char('.')));
        formulas = std::max(formulas, r.depth * kStep + metrics.horizontalAdvance(r.formula));
        justifications = std::max(justifications, metrics.horizontalAdvance(r.justification));
        // The rule under the premises spans all of them, as the line under a column of sums.
        if (r.premise && r.depth == 0 && i <= m_lastPremise)
            m_premisesWidth = std::max(m_premisesWidth, metrics.horizontalAdvance(r.formula));
    }
    m_barsLeft = kDiagramMargin + numbers + 10;
    m_justificationLeft = m_barsLeft + formulas + kStep + 24;
    m_crossLeft = m_justificationLeft + justifications + 10;
    qreal width = m_crossLeft + (m_notes.isEmpty() ? -10 : metrics.horizontalAdvance(kCross))
        + kDiagramMargin;
    qreal height = 2 * kDiagramMargin + m_rows.size() * kRowHeight;
    if (!m_notes.isEmpty()) {
        // Long messages wrap at the derivation's width, or at a readable one if it is narrow.
        m_noteWidth = std::max(width - 2 * kDiagramMargin, kNoteWidth);
        const QFontMetricsF note(font(kNotePixels));
        const qreal cross = note.horizontalAdvance(kCross + QLatin1Char(' '));
        for (const QString &n : m_notes) {
            const QRectF box
                = note.boundingRect(QRectF(0, 0, m_noteWidth - cross, 1e6), Qt::TextWordWrap, n);
            m_noteHeights << std::max(box.height(), note.height()) + 4;
        }
        qreal notes = 0;
        for (const qreal h : m_noteHeights)
            notes += h;
        height += kNotesGap + notes;
        width = std::max(width, m_noteWidth + 2 * kDiagramMargin);
    }
    m_size = QSizeF(width, height);
}

qreal FitchDiagram::ruleRight(int row) const
{
    if (row < 0 || row >= m_rows.size())
        return 0;
    const Row &r = m_rows[row];
    const QFontMetricsF metrics(font(kFontPixels));
    const qreal textLeft = barX(r.depth) + 6;
    if (row == m_lastPremise)
        return textLeft + m_premisesWidth + kRuleOverhang;
    if (r.assumption && r.depth > 0)
        return textLeft + metrics.horizontalAdvance(r.formula) + kRuleOverhang;
    return 0;
}

QString FitchDiagram::latex() const
{
    if (m_notes.isEmpty())
        return m_latex;
    QString out = m_latex;
    // The worker labels its lines by their place among the derivation's lines, "--" aside, and
    // in order: a faulty one gets the cross after its rule, or else beside its number.
    int k = 0;
    qsizetype from = 0;
    for (const Row &r : m_rows) {
        if (r.separator)
            continue;
        const QString label = QStringLiteral("\\pline[%1.]").arg(++k);
        const qsizetype at = out.indexOf(label, from);
        if (at < 0)
            continue;
        from = at + label.size();
        if (!r.faulty)
            continue;
        // After the rule, as the drawing has it: past the formula's braces, the rule's "]".
        qsizetype end = -1;
        if (from < out.size() && out[from] == QLatin1Char('{')) {
            int depth = 0;
            for (qsizetype i = from; i < out.size() && end < 0; ++i) {
                if (out[i] == QLatin1Char('\\'))
                    ++i;
                else if (out[i] == QLatin1Char('{'))
                    ++depth;
                else if (out[i] == QLatin1Char('}') && --depth == 0)
                    end = i + 1;
            }
        }
        const qsizetype rule = end >= 0 && end < out.size() && out[end] == QLatin1Char('[')
            ? out.indexOf(QLatin1Char(']'), end)
            : -1;
        static const QString cross = QStringLiteral("\\quad$\\times$");
        const qsizetype place = rule >= 0 ? rule : from - 1;
        out.insert(place, cross);
        from = place + cross.size();
    }
    for (const QString &n : m_notes)
        out += QStringLiteral("\\par\\smallskip\\noindent$\\times$ %1\n").arg(latexInline(n));
    return out;
}

void FitchDiagram::paint(QPainter &painter) const
{
    painter.save();
    painter.setRenderHint(QPainter::Antialiasing);
    const QFont f = font(kFontPixels);
    painter.setFont(f);
    const QFontMetricsF metrics(f);
    // The band behind a faulty line first, so that the bars and the text stand over it.
    for (int i = 0; i < m_rows.size(); ++i)
        if (m_rows[i].faulty)
            painter.fillRect(
                QRectF(kDiagramMargin - 4, rowTop(i) + 1,
                    m_crossLeft + metrics.horizontalAdvance(kCross) + 4 - (kDiagramMargin - 4),
                    kRowHeight - 2),
                kFaultBand);
    const QPen ink(Qt::black, 1.2);
    painter.setPen(ink);
    for (const Bar &b : m_bars)
        painter.drawLine(QPointF(barX(b.depth), rowTop(b.first) + 3),
            QPointF(barX(b.depth), rowTop(b.last + 1) - 3));
    // Without premises the rule stands at the top: nothing is assumed above it.
    // It stops short of a subderivation's bar that opens on the first line.
    if (m_lastPremise < 0 && !m_rows.isEmpty()) {
        const qreal stub = m_rows[0].depth > 0 ? kStep - 4 : 2 * kStep;
        painter.drawLine(QPointF(barX(0), rowTop(0) + 3), QPointF(barX(0) + stub, rowTop(0) + 3));
    }
    for (int i = 0; i < m_rows.size(); ++i) {
        const Row &r = m_rows[i];
        if (r.separator)
            continue;
        const qreal baseline = rowTop(i) + (kRowHeight + metrics.ascent() - metrics.descent()) / 2;
        const qreal textLeft = barX(r.depth) + 6;
        painter.setPen(r.faulty ? QPen(faultInk(), 1.2) : ink);
        if (!r.number.isEmpty())
            painter.drawText(QPointF(kDiagramMargin, baseline), r.number + QLatin1Char('.'));
        painter.drawText(QPointF(textLeft, baseline), r.formula);
        painter.drawText(QPointF(m_justificationLeft, baseline), r.justification);
        if (r.faulty)
            painter.drawText(QPointF(m_crossLeft, baseline), kCross);
        // Under an assumption, and under the last premise: what is assumed ends there.
        painter.setPen(ink);
        if (const qreal right = ruleRight(i); right > 0)
            painter.drawLine(
                QPointF(barX(r.depth), rowTop(i + 1) - 2), QPointF(right, rowTop(i + 1) - 2));
    }
    if (!m_notes.isEmpty()) {
        const QFont noteFont = font(kNotePixels);
        painter.setFont(noteFont);
        painter.setPen(faultInk());
        const qreal cross = QFontMetricsF(noteFont).horizontalAdvance(kCross + QLatin1Char(' '));
        qreal top = notesTop();
        for (int i = 0; i < m_notes.size(); ++i) {
            const QRectF line(kDiagramMargin, top, m_noteWidth, m_noteHeights[i]);
            painter.drawText(line, Qt::AlignLeft | Qt::AlignTop, kCross);
            painter.drawText(
                line.adjusted(cross, 0, 0, 0), Qt::TextWordWrap | Qt::AlignTop, m_notes[i]);
            top += m_noteHeights[i];
        }
    }
    painter.restore();
}

} // namespace zv
