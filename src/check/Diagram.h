#pragma once

#include <QFont>
#include <QSizeF>
#include <QString>

class QImage;
class QPainter;

namespace zv {

/**
 * A picture laid out once, in pixels at 96 dpi, and painted as often as asked: on the screen at
 * any zoom, into an SVG, a PDF or an image. Fonts carry pixel sizes, so that the layout holds
 * on every device.
 */
class Diagram
{
public:
    virtual ~Diagram() = default;
    virtual QSizeF size() const = 0;
    /// Paints with the picture's top left at the painter's origin.
    virtual void paint(QPainter &painter) const = 0;
    /// What the picture says, for the LaTeX and the accessible description.
    virtual QString latex() const = 0;
    /// What latex() needs beyond amssymb: "forest", "tikz".
    virtual QString latexPackages() const = 0;

    /// DejaVu Sans draws every logic symbol; the others fall back on it.
    static QFont font(qreal pixels, bool bold = false, bool italic = false);
};

/// A thin margin around the picture, in pixels.
inline constexpr qreal kDiagramMargin = 12;

/// @p diagram as an SVG file's bytes, titled @p title.
QByteArray diagramSvg(const Diagram &diagram, const QString &title);
/// @p diagram as a PDF of one page its own size.
QByteArray diagramPdf(const Diagram &diagram, const QString &title);
/// @p diagram as a .tex file that pdflatex and lualatex compile, on a landscape A4 page; a tree
/// wider than the page is scaled down to its width.
QString diagramLatexDocument(const Diagram &diagram);
/// @p diagram on white at @p scale times its size.
QImage diagramImage(const Diagram &diagram, qreal scale);

} // namespace zv
