#include "check/ModelDiagram.h"

#include "platform/export/Latex.h"

#include <QFontMetricsF>
#include <QPainter>
#include <QPainterPath>

#include <cmath>
#include <numbers>

namespace zv {

namespace {

constexpr qreal kTextPx = 14, kSmallPx = 12;
constexpr qreal kCellPad = 6;
constexpr qreal kTableGap = 22;
constexpr qreal kArrowHead = 9;
constexpr qsizetype kValuesPerRow = 3;
const QColor kInk(0x20, 0x20, 0x20), kGrid(0x80, 0x80, 0x80), kHeader(0xEE, 0xEE, 0xEE),
    kTrue(0x1F, 0x5F, 0xA8), kFault(0xB0, 0x1C, 0x1C);

qreal width(const QFont &font, const QString &text)
{
    return QFontMetricsF(font).horizontalAdvance(text);
}

QString tuple(const ShownModel &model, const QList<int> &t)
{
    QStringList parts;
    for (int e : t)
        parts << model.element(e);
    return t.size() == 1 ? parts.first()
                         : QLatin1Char('(') + parts.join(QStringLiteral(", ")) + QLatin1Char(')');
}

void arrowHead(QPainter &painter, QPointF tip, QPointF from)
{
    const QPointF d = tip - from;
    const qreal length = std::hypot(d.x(), d.y());
    if (length == 0)
        return;
    const QPointF u = d / length, n(-u.y(), u.x());
    const QPointF base = tip - u * kArrowHead;
    painter.drawPolygon(
        QPolygonF({tip, base + n * kArrowHead * 0.45, base - n * kArrowHead * 0.45}));
}

} // namespace

ModelDiagram::ModelDiagram(ShownModel model) : m_model(std::move(model))
{
    if (m_model.modal)
        layOutGraph();
    layOutTables();
}

QStringList ModelDiagram::worldLabel(int world) const
{
    // False letters too: a world without them would say nothing of what fails there. A few a
    // line, so that a formula of many letters does not run into the next world.
    const QStringList values = m_model.valuationAt(world);
    QStringList rows;
    for (qsizetype i = 0; i < values.size(); i += kValuesPerRow)
        rows << values.mid(i, kValuesPerRow).join(QStringLiteral(", "));
    return rows;
}

void ModelDiagram::layOutGraph()
{
    // The worlds on a circle, w0 at the left, the others clockwise: no arrow crosses a circle
    // for up to 8 worlds, and the loops point outwards.
    const int n = m_model.worlds;
    const qreal ring = n <= 1 ? 0 : n == 2 ? 70 : std::max(80.0, n * 26.0);
    const QFont small = font(kSmallPx);
    qreal label = 0;
    qsizetype rows = 1;
    for (int w = 0; w < n; ++w) {
        const QStringList lines = worldLabel(w);
        for (const QString &line : lines)
            label = std::max(label, width(small, line));
        rows = std::max(rows, lines.size());
    }
    const qreal margin = kWorldRadius + 34 + std::max(0.0, label / 2 - kWorldRadius)
        + (rows - 1) * QFontMetricsF(small).height();
    for (int w = 0; w < n; ++w) {
        const qreal angle = std::numbers::pi - 2 * std::numbers::pi * w / std::max(1, n);
        m_centres << QPointF(ring * std::cos(angle), -ring * std::sin(angle));
    }
    QRectF bounds;
    for (const QPointF &c : m_centres)
        bounds |= QRectF(c - QPointF(margin, margin), QSizeF(2 * margin, 2 * margin + 14));
    for (QPointF &c : m_centres)
        c -= bounds.topLeft();
    m_graph = QRectF(QPointF(0, 0), bounds.size());
}

void ModelDiagram::layOutTables()
{
    const int n = m_model.domain;
    constexpr int kMaxRows = 64; // a larger extension is listed in the text
    QStringList elements;
    for (int e = 0; e < n; ++e)
        elements << m_model.element(e);
    if (m_model.firstOrder)
        m_tables << Table{QStringLiteral("Dominio"), {elements}, false, {}, {}};
    const int worlds = m_model.modal ? m_model.worlds : 1;
    for (const ShownModel::Symbol &s : m_model.predicates) {
        if (s.arity == 0 && m_model.modal)
            continue; // the letters are in the worlds' circles
        for (int w = 0; w < worlds; ++w) {
            Table t;
            t.title
                = m_model.modal ? QStringLiteral("%1 en %2").arg(s.name, m_model.world(w)) : s.name;
            if (s.arity == 0) {
                t.cells = {{s.name},
                    {m_model.holds(s, w, {}) ? QStringLiteral("V") : QStringLiteral("F")}};
            } else if (s.arity == 2 && n <= 10) {
                // A relation as its matrix: a mark where the row's element bears it to the column's.
                t.headerColumn = true;
                t.cells << (QStringList{s.name} << elements);
                for (int x = 0; x < n; ++x) {
                    QStringList row{m_model.element(x)};
                    for (int y = 0; y < n; ++y)
                        row << (m_model.holds(s, w, {x, y}) ? QStringLiteral("✓") : QString());
                    t.cells << row;
                }
            } else if (s.arity == 1 && n <= 16) {
                t.headerColumn = true;
                QStringList row{s.name};
                for (int e = 0; e < n; ++e)
                    row << (m_model.holds(s, w, {e}) ? QStringLiteral("✓") : QString());
                t.cells = {QStringList{QStringLiteral("x")} << elements, row};
            } else {
                t.cells << QStringList{s.name};
                const QList<QList<int>> rows = w < s.rows.size() ? s.rows[w] : QList<QList<int>>();
                for (qsizetype r = 0; r < std::min<qsizetype>(rows.size(), kMaxRows); ++r)
                    t.cells << QStringList{tuple(m_model, rows[r])};
                if (rows.isEmpty())
                    t.cells << QStringList{QStringLiteral("∅")};
                else if (rows.size() > kMaxRows)
                    t.cells << QStringList{QStringLiteral("…")};
            }
            m_tables << t;
        }
    }
    for (const ShownModel::Symbol &s : m_model.functions) {
        Table t;
        t.title = s.name;
        QStringList header;
        for (int a = 0; a < s.arity; ++a)
            header << QStringLiteral("x%1").arg(a + 1);
        header << QStringLiteral("%1(…)").arg(s.name);
        t.cells << header;
        const QList<QList<int>> rows = s.rows.isEmpty() ? QList<QList<int>>() : s.rows.first();
        for (qsizetype r = 0; r < std::min<qsizetype>(rows.size(), kMaxRows); ++r) {
            QStringList row;
            for (int e : rows[r])
                row << m_model.element(e);
            t.cells << row;
        }
        m_tables << t;
    }

    // The tables flow left to right under the graph, wrapping at the graph's width or 640 px.
    const QFont text = font(kTextPx), bold = font(kTextPx, true);
    const qreal rowHeight = QFontMetricsF(text).height() + 2 * kCellPad;
    const qreal room = std::max<qreal>(m_graph.width(), 640);
    qreal x = 0, y = m_graph.isEmpty() ? 0 : m_graph.bottom() + kTableGap, lineBottom = y;
    qreal right = m_graph.width();
    for (Table &t : m_tables) {
        qsizetype columns = 0;
        for (const QStringList &row : t.cells)
            columns = std::max(columns, row.size());
        t.columns = QList<qreal>(columns, 0);
        for (const QStringList &row : t.cells)
            for (qsizetype c = 0; c < row.size(); ++c)
                t.columns[c] = std::max(t.columns[c], width(text, row[c]) + 2 * kCellPad);
        for (qreal &c : t.columns)
            c = std::max(c, rowHeight);
        qreal w = 0;
        for (qreal c : t.columns)
            w += c;
        w = std::max(w, width(bold, t.title));
        const qreal h = rowHeight * (t.cells.size() + 1);
        if (x > 0 && x + w > room) {
            x = 0;
            y = lineBottom + kTableGap;
        }
        t.box = QRectF(x, y, w, h);
        x += w + kTableGap;
        right = std::max(right, t.box.right());
        lineBottom = std::max(lineBottom, t.box.bottom());
    }
    if (!m_model.fault.isEmpty()) {
        const qreal top = m_tables.isEmpty() && m_graph.isEmpty() ? 0 : lineBottom + kTableGap;
        m_fault = QPointF(0, top + QFontMetricsF(bold).ascent());
        right = std::max(right, width(bold, m_model.fault));
        lineBottom = top + QFontMetricsF(bold).height();
    }
    m_size = QSizeF(std::max<qreal>(right, 1), std::max<qreal>(lineBottom, 1));
}

void ModelDiagram::paintGraph(QPainter &painter) const
{
    const QFont name = font(kTextPx, false, true), small = font(kSmallPx);
    const QPointF middle = m_graph.center();
    const auto has = [&](int u, int v) { return m_model.access.contains(std::pair{u, v}); };
    painter.setPen(QPen(kInk, 1.3));
    painter.setBrush(kInk);
    for (const auto &[u, v] : m_model.access) {
        const QPointF a = m_centres[u], b = m_centres[v];
        if (u == v) {
            // A loop on the side away from the middle.
            QPointF out = a - middle;
            const qreal length = std::hypot(out.x(), out.y());
            out = length > 0 ? out / length : QPointF(0, -1);
            const QPointF side(-out.y(), out.x());
            const QPointF start = a + (out * 0.8 + side * 0.6) * kWorldRadius;
            const QPointF end = a + (out * 0.8 - side * 0.6) * kWorldRadius;
            QPainterPath loop(start);
            const QPointF c1 = start + (out * 1.6 + side * 0.9) * kWorldRadius;
            const QPointF c2 = end + (out * 1.6 - side * 0.9) * kWorldRadius;
            loop.cubicTo(c1, c2, end);
            painter.save();
            painter.setBrush(Qt::NoBrush);
            painter.drawPath(loop);
            painter.restore();
            arrowHead(painter, end, c2);
            continue;
        }
        // Two worlds that see each other get two arrows side by side.
        QPointF d = b - a;
        const qreal length = std::hypot(d.x(), d.y());
        d /= length;
        const QPointF n(-d.y(), d.x());
        const QPointF shift = has(v, u) ? n * 5 : QPointF();
        const QPointF from = a + d * kWorldRadius + shift, to = b - d * (kWorldRadius + 1) + shift;
        painter.drawLine(from, to - d * kArrowHead * 0.8);
        arrowHead(painter, to, from);
    }
    for (int w = 0; w < m_model.worlds; ++w) {
        const QPointF c = m_centres[w];
        // w0, where the formulas are evaluated, has the heavier line.
        painter.setPen(QPen(kInk, w == 0 ? 2.6 : 1.3));
        painter.setBrush(Qt::white);
        painter.drawEllipse(c, kWorldRadius, kWorldRadius);
        // Each letter's value inside, under the name, where it fits; below the circle otherwise.
        const QStringList rows = worldLabel(w);
        const QFontMetricsF m(name), s(small);
        const bool inside
            = rows.size() == 1 && s.horizontalAdvance(rows.first()) <= 2 * kWorldRadius - 10;
        const qreal lift = rows.isEmpty() || !inside ? 0 : 7;
        const QString label = m_model.world(w);
        painter.setFont(name);
        painter.setPen(kInk);
        painter.drawText(
            c + QPointF(-m.horizontalAdvance(label) / 2, m.ascent() / 2 - 2 - lift), label);
        painter.setFont(small);
        painter.setPen(kTrue);
        for (qsizetype r = 0; r < rows.size(); ++r)
            painter.drawText(c
                    + QPointF(-s.horizontalAdvance(rows[r]) / 2,
                        inside ? s.ascent() + 1 : kWorldRadius + s.ascent() + 3 + r * s.height()),
                rows[r]);
    }
}

void ModelDiagram::paint(QPainter &painter) const
{
    painter.save();
    painter.setRenderHint(QPainter::Antialiasing);
    if (m_model.modal)
        paintGraph(painter);
    const QFont text = font(kTextPx), bold = font(kTextPx, true);
    const QFontMetricsF metrics(text);
    const qreal rowHeight = metrics.height() + 2 * kCellPad;
    for (const Table &t : m_tables) {
        painter.setFont(bold);
        painter.setPen(kInk);
        painter.drawText(QPointF(t.box.left(), t.box.top() + metrics.ascent()), t.title);
        qreal y = t.box.top() + rowHeight;
        for (qsizetype r = 0; r < t.cells.size(); ++r) {
            qreal x = t.box.left();
            for (qsizetype c = 0; c < t.columns.size(); ++c) {
                const QRectF cell(x, y, t.columns[c], rowHeight);
                const bool header = r == 0 || (t.headerColumn && c == 0);
                painter.fillRect(cell, header ? kHeader : QColor(Qt::white));
                painter.setPen(QPen(kGrid, 0.8));
                painter.drawLine(cell.topLeft(), cell.topRight());
                painter.drawLine(cell.bottomLeft(), cell.bottomRight());
                painter.drawLine(cell.topLeft(), cell.bottomLeft());
                painter.drawLine(cell.topRight(), cell.bottomRight());
                const QString s = c < t.cells[r].size() ? t.cells[r][c] : QString();
                painter.setFont(header ? bold : text);
                painter.setPen(s == QStringView(u"✓") ? kTrue : kInk);
                painter.drawText(QPointF(cell.center().x() - width(header ? bold : text, s) / 2,
                                     y + kCellPad + metrics.ascent()),
                    s);
                x += t.columns[c];
            }
            y += rowHeight;
        }
    }
    if (!m_model.fault.isEmpty()) {
        painter.setFont(bold);
        painter.setPen(kFault);
        painter.drawText(m_fault, m_model.fault);
    }
    painter.restore();
}

QString ModelDiagram::latex() const
{
    QString out;
    if (m_model.modal) {
        // Positions in centimetres, y upwards as TikZ has it.
        out += QStringLiteral("\\begin{tikzpicture}[>=stealth, world/.style={circle, draw, "
                              "minimum size=1.2cm, align=center, inner sep=1pt}]\n");
        for (int w = 0; w < m_model.worlds; ++w) {
            const QPointF c = m_centres[w] * (2.54 / 96) * 1.4;
            // Each letter's value inside the circle, under its name.
            QStringList letters;
            for (const QString &row : worldLabel(w))
                letters << QStringLiteral("\\\\ \\small $%1$").arg(latexFormula(row));
            const QString name = m_model.worldNames.isEmpty() ? QStringLiteral("$w_{%1}$").arg(w)
                                                              : latexInline(m_model.world(w));
            out += QStringLiteral("\\node[world%1] (w%2) at (%3,%4) {%6%5};\n")
                       .arg(w == 0 ? QStringLiteral(", very thick") : QString())
                       .arg(w)
                       .arg(c.x(), 0, 'f', 2)
                       .arg(-c.y(), 0, 'f', 2)
                       .arg(letters.join(QString()), name);
        }
        const QPointF middle = m_graph.center() * (2.54 / 96) * 1.4;
        for (const auto &[u, v] : m_model.access) {
            if (u == v) {
                const QPointF d = m_centres[u] * (2.54 / 96) * 1.4 - middle;
                const int angle
                    = int(std::lround(std::atan2(-d.y(), d.x()) * 180 / std::numbers::pi));
                out += QStringLiteral("\\draw[->] (w%1) to[out=%2, in=%3, looseness=6] (w%1);\n")
                           .arg(u)
                           .arg(angle + 25)
                           .arg(angle - 25);
            } else {
                const bool both = m_model.access.contains(std::pair{v, u});
                out += QStringLiteral("\\draw[->] (w%1) to%3 (w%2);\n")
                           .arg(u)
                           .arg(v)
                           .arg(both ? QStringLiteral("[bend left=12]") : QString());
            }
        }
        out += QStringLiteral("\\end{tikzpicture}\n\n");
    }
    for (const Table &t : m_tables) {
        qsizetype columns = t.columns.size();
        out += QStringLiteral(
            "\\begin{tabular}[t]{|%1|}\n\\multicolumn{%2}{l}{\\textbf{%3}}\\\\\n\\hline\n")
                   .arg(QStringList(columns, QStringLiteral("c")).join(QLatin1Char('|')))
                   .arg(columns)
                   .arg(latexInline(t.title));
        for (const QStringList &row : t.cells) {
            QStringList cells;
            for (qsizetype c = 0; c < columns; ++c) {
                const QString s = c < row.size() ? row[c] : QString();
                cells << (s == QStringView(u"✓") ? QStringLiteral("$\\checkmark$")
                                                 : latexInline(s));
            }
            out += cells.join(QStringLiteral(" & ")) + QStringLiteral("\\\\\n\\hline\n");
        }
        out += QStringLiteral("\\end{tabular}\\quad\n");
    }
    if (!m_model.fault.isEmpty())
        out += QStringLiteral("\n\n\\textbf{%1}\n").arg(latexInline(m_model.fault));
    return out;
}

} // namespace zv
