#pragma once

#include "check/Diagram.h"
#include "check/LogicProblem.h"

#include <QColor>
#include <QList>
#include <QString>
#include <QStringList>

namespace zv {

/**
 * A derivation as a textbook draws it: each line's number at the left, its formula beside the
 * bars of the subderivations open around it, its rule at the right; a vertical bar for the
 * whole derivation and for each subderivation, and a horizontal one under the premises (at the
 * top of the outer bar when there are none) and under each assumption. A faulty line is drawn
 * in red with a cross after its rule, and the faults are written under the derivation.
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
        int line = 0;           ///< 1-based, in the checked text
        bool faulty = false;
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
    /// The worker's \fitchprf, and the faults under it.
    QString latex() const override;
    QString latexPackages() const override { return QStringLiteral("lplfitch"); }

    const QList<Row> &rows() const { return m_rows; }
    /// The vertical bars, outermost first.
    const QList<Bar> &bars() const { return m_bars; }
    /// The faults' messages, in the order of their lines, as written under the derivation: the
    /// first kMaxNotes, then how many more there are.
    const QStringList &notes() const { return m_notes; }
    /// Where bar @p depth stands, and the top of row @p row.
    qreal barX(int depth) const { return m_barsLeft + depth * kStep; }
    qreal rowTop(int row) const { return kDiagramMargin + row * kRowHeight; }
    /// The row under which the premises' rule is drawn, or -1 when the rule stands at the top
    /// of the outer bar, for a derivation without premises.
    int lastPremise() const { return m_lastPremise; }
    /// How far right the horizontal rule under row @p row reaches, or 0 when it has none.
    qreal ruleRight(int row) const;
    /// Where the cross of a faulty line stands, and where the notes start.
    qreal crossLeft() const { return m_crossLeft; }
    qreal notesTop() const { return rowTop(int(m_rows.size())) + kNotesGap; }

    static constexpr qreal kRowHeight = 24;
    static constexpr qreal kStep = 16;
    static constexpr qreal kNotesGap = 10;
    static constexpr qreal kNoteWidth = 420;
    static constexpr int kMaxNotes = 30;
    static QColor faultInk();

private:
    QList<Row> m_rows;
    QList<Bar> m_bars;
    QStringList m_notes;
    QList<qreal> m_noteHeights;
    QString m_latex;
    int m_lastPremise = -1;
    qreal m_premisesWidth = 0; ///< the widest premise's formula
    qreal m_barsLeft = 0;
    qreal m_justificationLeft = 0;
    qreal m_crossLeft = 0;
    qreal m_noteWidth = 0;
    QSizeF m_size;
};

} // namespace zv
