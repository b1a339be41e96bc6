#pragma once

#include <QFont>
#include <QSizeF>
#include <QString>

#include <memory>

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
    /// What the picture shows, said above it: "Árbol de la línea 2: Argumento válido"; empty
    /// for a picture alone.
    virtual QString caption() const { return {}; }
    /// The picture without its caption.
    virtual const Diagram &content() const { return *this; }

    /// DejaVu Sans draws every logic symbol; the others fall back on it.
    static QFont font(qreal pixels, bool bold = false, bool italic = false);
};

/**
 * @p content under a line that says what it shows, so that a picture pasted into a document or
 * a slide still names the line of the worksheet that it answers, and its verdict.
 */
class CaptionedDiagram : public Diagram
{
public:
    CaptionedDiagram(std::unique_ptr<Diagram> content, QString caption);

    QSizeF size() const override;
    void paint(QPainter &painter) const override;
    /// The caption in bold, a paragraph of its own, and the content's LaTeX below it.
    QString latex() const override;
    QString latexPackages() const override { return m_content->latexPackages(); }
    QString caption() const override { return m_caption; }
    const Diagram &content() const override { return *m_content; }

    /// The caption's height with the gap under it.
    qreal captionHeight() const { return m_captionHeight; }

private:
    std::unique_ptr<Diagram> m_content;
    QString m_caption;
    qreal m_captionWidth = 0, m_captionHeight = 0;
};

/// A thin margin around the picture, in pixels.
inline constexpr qreal kDiagramMargin = 12;

/// @p diagram as an SVG file's bytes, titled @p title.
QByteArray diagramSvg(const Diagram &diagram, const QString &title);
/// @p diagram as a PDF of one page its own size.
QByteArray diagramPdf(const Diagram &diagram, const QString &title);
/// @p diagram as a .tex file that pdflatex and lualatex compile, on a landscape A4 page, under
/// its caption; a tree wider than the page is scaled down to its width.
QString diagramLatexDocument(const Diagram &diagram);
/// @p diagram on white at @p scale times its size.
QImage diagramImage(const Diagram &diagram, qreal scale);

} // namespace zv
