#include "check/TreeDiagram.h"

#include "platform/export/Latex.h"

#include <QFontMetricsF>
#include <QPainter>

#include <algorithm>

namespace zv {

namespace {

constexpr qreal kFormulaPx = 15, kSmallPx = 12;
constexpr qreal kGap = 10;       ///< between the columns of a line
constexpr qreal kBranchGap = 26; ///< between two branches side by side
constexpr qreal kDrop = 30;      ///< from a branch down to those it splits into
constexpr qreal kPad = 6;        ///< inside a branch's box

const QColor kFault(0xC0, 0x10, 0x10), kNumber(0x60, 0x60, 0x60), kOrigin(0x70, 0x70, 0x70),
    kWorld(0x1F, 0x5F, 0xA8), kAccess(0x1F, 0x6F, 0x5F), kClosed(0xB0, 0x20, 0x20),
    kOpen(0x20, 0x80, 0x30);

QString number(int node)
{
    return QString::number(node + 1) + QLatin1Char('.');
}

QString worldName(int w)
{
    return QStringLiteral("w%1").arg(w);
}

qreal width(const QFont &font, const QString &text)
{
    return QFontMetricsF(font).horizontalAdvance(text);
}

} // namespace

TreeDiagram::TreeDiagram(ShownTree tree) : m_tree(std::move(tree))
{
    m_drawn = int(std::min<qsizetype>(m_tree.nodes.size(), kMaxDrawnNodes));
    if (m_drawn < m_tree.nodes.size())
        m_note = QStringLiteral("Se dibujan las primeras %1 de las %2 líneas del árbol; la "
                                "pestaña «Texto» las tiene todas.")
                     .arg(m_drawn)
                     .arg(m_tree.nodes.size());
    layOut();
}

int TreeDiagram::closedBranches() const
{
    return int(std::count_if(m_branches.begin(), m_branches.end(),
        [](const Branch &b) { return b.end == Branch::End::Closed; }));
}

void TreeDiagram::layOut()
{
    if (m_drawn == 0)
        return;
    // Branches in the order of their first lines: a branch's own come after it. A split is
    // one of the whole tree, so that a branch cut off at the cap still shows where it went.
    QList<int> allChildren(m_tree.nodes.size(), 0), drawnChildren(m_drawn, 0);
    for (qsizetype i = 1; i < m_tree.nodes.size(); ++i)
        ++allChildren[m_tree.nodes[i].parent];
    QList<int> branchOf(m_drawn, -1);
    for (int i = 0; i < m_drawn; ++i) {
        const int parent = m_tree.nodes[i].parent;
        if (parent < 0 || allChildren[parent] > 1) {
            if (parent >= 0)
                m_branches[branchOf[parent]].children << int(m_branches.size());
            branchOf[i] = int(m_branches.size());
            m_branches << Branch{};
        } else {
            branchOf[i] = branchOf[parent];
        }
        m_branches[branchOf[i]].nodes << i;
        if (parent >= 0)
            ++drawnChildren[parent];
    }
    // The branches the cap left out: one mark for them, right of those drawn.
    for (int i = 0; i < m_drawn; ++i)
        if (drawnChildren[i] > 0 && drawnChildren[i] < allChildren[i]) {
            m_branches[branchOf[i]].children << int(m_branches.size());
            Branch cut;
            cut.end = Branch::End::Cut;
            m_branches << cut;
        }

    const QFont formula = font(kFormulaPx), small = font(kSmallPx),
                world = font(kSmallPx, false, true);
    m_lineHeight = QFontMetricsF(formula).height() + 3;
    for (Branch &b : m_branches) {
        if (b.nodes.isEmpty()) {
            b.box.setSize(QSizeF(width(small, endText(b)) + 2 * kPad, m_lineHeight + 2 * kPad));
            continue;
        }
        const int last = b.nodes.last();
        if (!b.children.isEmpty())
            b.end = Branch::End::Split;
        else if (m_tree.nodes[last].closes())
            b.end = Branch::End::Closed;
        else if (m_tree.truncated || allChildren[last] > 0)
            b.end = Branch::End::Cut;
        else
            b.end = Branch::End::Open;
        qreal numbers = 0, texts = 0, origins = 0;
        for (int i : b.nodes) {
            const ShownTree::Node &n = m_tree.nodes[i];
            numbers = std::max(numbers, width(small, number(i)));
            qreal text = width(n.isNote() ? small : formula, n.text);
            if (m_tree.modal && n.world2 < 0 && n.world >= 0 && !n.isNote())
                text += kGap / 2 + width(world, worldName(n.world));
            texts = std::max(texts, text);
            origins = std::max(origins, width(small, n.origin));
        }
        b.numbers = numbers;
        b.texts = texts;
        const qreal line = std::max(numbers + kGap + texts + kGap + origins,
            width(formula, QStringLiteral("✕ ")) + width(small, endText(b)));
        b.box.setSize(QSizeF(line + 2 * kPad,
            (b.nodes.size() + (b.end == Branch::End::Split ? 0 : 1)) * m_lineHeight + 2 * kPad));
    }
    // Widths from the leaves up, places from the root down.
    for (qsizetype k = m_branches.size() - 1; k >= 0; --k) {
        Branch &b = m_branches[k];
        qreal below = 0;
        for (int c : b.children)
            below += m_branches[c].width;
        below += kBranchGap * std::max<qsizetype>(0, b.children.size() - 1);
        b.width = std::max(b.box.width(), below);
    }
    QList<QPointF> at(m_branches.size()); // left edge of a branch's room, its top
    at[0] = QPointF(0, 0);
    qreal bottom = 0;
    for (qsizetype k = 0; k < m_branches.size(); ++k) {
        Branch &b = m_branches[k];
        b.box.moveTopLeft(QPointF(at[k].x() + (b.width - b.box.width()) / 2, at[k].y()));
        bottom = std::max(bottom, b.box.bottom());
        qreal below = 0;
        for (int c : b.children)
            below += m_branches[c].width;
        below += kBranchGap * std::max<qsizetype>(0, b.children.size() - 1);
        qreal x = at[k].x() + (b.width - below) / 2;
        for (int c : b.children) {
            at[c] = QPointF(x, b.box.bottom() + kDrop);
            x += m_branches[c].width + kBranchGap;
        }
    }
    m_size = QSizeF(m_branches[0].width, bottom);
    if (!m_note.isEmpty())
        m_size = QSizeF(
            std::max(m_size.width(), width(small, m_note)), m_size.height() + 2 * m_lineHeight);
}

QString TreeDiagram::endText(const Branch &b) const
{
    switch (b.end) {
    case Branch::End::Closed: {
        const ShownTree::Node &last = m_tree.nodes[b.nodes.last()];
        return QStringLiteral("%1 y %2").arg(last.closedBy1 + 1).arg(last.closedBy2 + 1);
    }
    case Branch::End::Open: return QStringLiteral("○ rama abierta");
    case Branch::End::Cut: return QStringLiteral("⋮ sigue en el texto");
    case Branch::End::Split: break;
    }
    return QString();
}

void TreeDiagram::paint(QPainter &painter) const
{
    const QFont formula = font(kFormulaPx), small = font(kSmallPx),
                world = font(kSmallPx, false, true);
    const qreal ascent = QFontMetricsF(formula).ascent() + 1;
    painter.save();
    painter.setRenderHint(QPainter::Antialiasing);
    for (const Branch &b : m_branches) {
        // The branch lines go from the middle of its last line down to each branch below.
        painter.setPen(QPen(QColor(0x40, 0x40, 0x40), 1.2));
        for (int c : b.children) {
            const QRectF &child = m_branches[c].box;
            painter.drawLine(QPointF(b.box.center().x(), b.box.bottom() - kPad / 2),
                QPointF(child.center().x(), child.top() + kPad / 2));
        }
        const qreal numbers = b.numbers, texts = b.texts;
        qreal y = b.box.top() + kPad;
        const qreal left = b.box.left() + kPad;
        for (int i : b.nodes) {
            const ShownTree::Node &n = m_tree.nodes[i];
            const qreal base = y + ascent;
            painter.setFont(small);
            painter.setPen(kNumber);
            painter.drawText(QPointF(left + numbers - width(small, number(i)), base), number(i));
            qreal x = left + numbers + kGap;
            // A blocked world's note is said in words, as an origin is, not as a formula.
            painter.setFont(n.isNote() ? small : formula);
            painter.setPen(n.fault  ? kFault
                    : n.isNote()    ? kOrigin
                    : n.world2 >= 0 ? kAccess
                                    : QColor(Qt::black));
            painter.drawText(QPointF(x, base), n.text);
            if (m_tree.modal && n.world2 < 0 && n.world >= 0 && !n.isNote()) {
                painter.setFont(world);
                painter.setPen(kWorld);
                painter.drawText(
                    QPointF(x + width(formula, n.text) + kGap / 2, base), worldName(n.world));
            }
            painter.setFont(small);
            painter.setPen(kOrigin);
            painter.drawText(QPointF(x + texts + kGap, base), n.origin);
            y += m_lineHeight;
        }
        if (b.end == Branch::End::Split)
            continue;
        const qreal base = y + ascent;
        const QString said = endText(b);
        if (b.end == Branch::End::Closed) {
            const qreal cross = width(formula, QStringLiteral("✕ "));
            const qreal x = b.box.center().x() - (cross + width(small, said)) / 2;
            painter.setFont(formula);
            painter.setPen(kClosed);
            painter.drawText(QPointF(x, base), QStringLiteral("✕"));
            painter.setFont(small);
            painter.drawText(QPointF(x + cross, base), said);
        } else {
            painter.setFont(small);
            painter.setPen(b.end == Branch::End::Open ? kOpen : kOrigin);
            painter.drawText(QPointF(b.box.center().x() - width(small, said) / 2, base), said);
        }
    }
    if (!m_note.isEmpty()) {
        painter.setFont(small);
        painter.setPen(kOrigin);
        painter.drawText(QPointF(0, m_size.height() - m_lineHeight / 2), m_note);
    }
    painter.restore();
}

QString TreeDiagram::latex() const
{
    // One forest node per branch, its lines a tabular: number, formula (and world), origin.
    QString out = QStringLiteral("\\begin{forest}\n"
                                 "for tree={anchor=north, parent anchor=south, child anchor=north, "
                                 "s sep=14pt, l sep=12pt}\n");
    if (m_branches.isEmpty())
        return out + QStringLiteral("[]\n\\end{forest}\n");
    // Depth first without recursion: each entry is a branch and how many of its own are done.
    QList<std::pair<int, int>> stack{{0, -1}};
    while (!stack.isEmpty()) {
        auto &[k, done] = stack.last();
        const Branch &b = m_branches[k];
        if (done < 0) {
            out += branchLatex(b);
            done = 0;
        }
        if (done < b.children.size()) {
            const int child = b.children[done++];
            stack.append({child, -1});
            continue;
        }
        out += QStringLiteral("]\n");
        stack.removeLast();
    }
    return out + QStringLiteral("\\end{forest}\n");
}

QString TreeDiagram::branchLatex(const Branch &b) const
{
    QString out = QStringLiteral("[{\\begin{tabular}{@{}r@{\\ }l@{\\quad}l@{}}\n");
    for (int i : b.nodes) {
        const ShownTree::Node &n = m_tree.nodes[i];
        // An accessibility line with its worlds as a textbook sets them: w_0 R w_1.
        const QString text = n.world2 >= 0 && n.world >= 0
            ? QStringLiteral("w_{%1} R w_{%2}").arg(n.world).arg(n.world2)
            : latexFormula(n.text);
        if (n.isNote()) {
            // Words with accents, which math mode would not set.
            out += QStringLiteral("%1. & \\textit{%2} & %3\\\\\n")
                       .arg(i + 1)
                       .arg(latexInline(n.text), latexInline(n.origin));
            continue;
        }
        out += QStringLiteral("%1. & $%2$").arg(i + 1).arg(text);
        if (m_tree.modal && n.world2 < 0 && n.world >= 0)
            out += QStringLiteral(", $w_{%1}$").arg(n.world);
        out += QStringLiteral(" & %1\\\\\n").arg(latexInline(n.origin));
    }
    if (b.end == Branch::End::Closed)
        out += QStringLiteral("\\multicolumn{3}{c}{$\\times$ %1}\\\\\n").arg(endText(b));
    else if (b.end == Branch::End::Open)
        out += QStringLiteral("\\multicolumn{3}{c}{$\\circ$ rama abierta}\\\\\n");
    else if (b.end == Branch::End::Cut)
        out += QStringLiteral("\\multicolumn{3}{c}{$\\vdots$}\\\\\n");
    return out + QStringLiteral("\\end{tabular}}\n");
}

} // namespace zv
