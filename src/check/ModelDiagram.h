#pragma once

#include "ShownJson.h"
#include "check/Diagram.h"

#include <QList>
#include <QPointF>
#include <QRectF>
#include <QStringList>

namespace zv {

/**
 * A countermodel as a textbook draws it: the domain and each predicate's extension as small
 * tables; a Kripke model as a graph, its worlds circles with each letter's value there ("p",
 * "¬q"), its accessibility arrows (a world that sees itself has a loop), w0 drawn bolder as the
 * world where the formulas are evaluated. A student's model is drawn with its own names, and its
 * first fault written under it.
 */
class ModelDiagram : public Diagram
{
public:
    explicit ModelDiagram(ShownModel model);

    QSizeF size() const override { return m_size; }
    void paint(QPainter &painter) const override;
    /// Tables as tabulars; the graph as a TikZ picture.
    QString latex() const override;
    QString latexPackages() const override { return QStringLiteral("tikz"); }

    /// The centre of each world's circle, w0 first.
    const QList<QPointF> &worldCentres() const { return m_centres; }

private:
    struct Table
    {
        QString title;
        QList<QStringList> cells;  ///< rows; the first is the header
        bool headerColumn = false; ///< the first column names its row
        QRectF box;
        QList<qreal> columns; ///< widths
    };
    void layOutGraph();
    void layOutTables();
    void paintGraph(QPainter &painter) const;
    /// The values of the letters at @p world, a few to a row.
    QStringList worldLabel(int world) const;

    ShownModel m_model;
    QList<QPointF> m_centres;
    QRectF m_graph;
    QList<Table> m_tables;
    QPointF m_fault; ///< where a student's model's fault is written, under all the rest
    QSizeF m_size;
};

/// The radius of a world's circle.
inline constexpr qreal kWorldRadius = 24;

} // namespace zv
