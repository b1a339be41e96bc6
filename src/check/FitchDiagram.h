#pragma once

#include "check/Diagram.h"
#include "check/LogicProblem.h"

#include <QList>
#include <QString>

namespace zv {

/**
 * A derivation as a textbook draws it: each line's number at the left, its formula beside the
 * bars of the subderivations open around it, its rule at the right; a vertical bar for the
 * whole derivation and for each subderivation, and a horizontal one under the premises and
 * under each assumption.
 */
class FitchDiagram : public Diagram
{
public:
    struct Row
    {
        QString number; ///< "3", or empty
        QString formula;
        QString justification; ///< "→E 1, 2"
        int depth = 0;
        bool assumption = false;
        bool premise = false;
        bool separator = false; ///< a "--" between two subderivations
    };
    struct Bar
    {
        int depth = 0;           ///< 0: the derivation's own
        int first = 0, last = 0; ///< rows
    };

    /// The derivation of @p problem, whose "fitch" lines the worker sent; its LaTeX is the
    /// worker's own.
    explicit FitchDiagram(const LogicProblem &problem);
    /// Whether @p problem is a derivation with lines to draw.
    static bool draws(const LogicProblem &problem);

    QSizeF size() const override { return m_size; }
    void paint(QPainter &painter) const override;
    QString latex() const override { return m_latex; }
    QString latexPackages() const override { return QStringLiteral("lplfitch"); }

    const QList<Row> &rows() const { return m_rows; }
    /// The vertical bars, outermost first.
    const QList<Bar> &bars() const { return m_bars; }
    /// Where bar @p depth stands, and the top of row @p row.
    qreal barX(int depth) const { return m_barsLeft + depth * kStep; }
    qreal rowTop(int row) const { return kDiagramMargin + row * kRowHeight; }

    static constexpr qreal kRowHeight = 24;
    static constexpr qreal kStep = 16;

private:
    QList<Row> m_rows;
    QList<Bar> m_bars;
    QString m_latex;
    qreal m_barsLeft = 0;
    qreal m_justificationLeft = 0;
    QSizeF m_size;
};

} // namespace zv
