#pragma once

#include "ShownJson.h"
#include "check/Diagram.h"

#include <QList>
#include <QRectF>

namespace zv {

/// Beyond this many lines a tree is drawn in part, and the text view has the rest: past it, a
/// picture is too large to read and slow to lay out.
inline constexpr int kMaxDrawnNodes = 400;

/**
 * A tree as a textbook draws it: the first lines at the top, each line with its number, its
 * world in a modal tree and where it came from; a branch splits downwards into its branches
 * side by side, and each branch ends in ✕ with the two lines that close it, or is marked open.
 */
class TreeDiagram : public Diagram
{
public:
    explicit TreeDiagram(ShownTree tree);

    QSizeF size() const override { return m_size; }
    void paint(QPainter &painter) const override;
    /// A forest picture (TeX Live's forest package): each branch one node of the forest, its
    /// lines a tabular, so that the numbers are the tree's own.
    QString latex() const override;
    QString latexPackages() const override { return QStringLiteral("forest"); }

    /// How many of the tree's lines are drawn.
    int drawnNodes() const { return m_drawn; }
    int closedBranches() const;

private:
    /// The lines of the tree between two splits.
    struct Branch
    {
        QList<int> nodes;
        QList<int> children;          ///< branches below, left to right
        qreal numbers = 0, texts = 0; ///< the widths of its number and formula columns
        qreal width = 0;              ///< with all below it
        QRectF box;
        enum class End { Split, Closed, Open, Cut } end = End::Split;
    };
    void layOut();
    QString endText(const Branch &branch) const;
    QString branchLatex(const Branch &branch) const;

    ShownTree m_tree;
    int m_drawn = 0;
    QList<Branch> m_branches;
    qreal m_numberWidth = 0, m_formulaWidth = 0, m_lineHeight = 0;
    QSizeF m_size;
    QString m_note; ///< said under a tree drawn in part
};

} // namespace zv
