#include "check/Diagram.h"

#include "platform/export/Latex.h"

#include <QBuffer>
#include <QFontMetricsF>
#include <QImage>
#include <QPageSize>
#include <QPainter>
#include <QPdfWriter>
#include <QSvgGenerator>

#include <cmath>

namespace zv {

QFont Diagram::font(qreal pixels, bool bold, bool italic)
{
    QFont f(QStringLiteral("DejaVu Sans"));
    f.setFamilies({QStringLiteral("DejaVu Sans"), QStringLiteral("Symbola")});
    f.setPixelSize(std::max(1, int(std::lround(pixels))));
    f.setBold(bold);
    f.setItalic(italic);
    return f;
}

namespace {

constexpr qreal kCaptionPx = 15, kCaptionGap = 14;
const QColor kCaptionInk(0x20, 0x20, 0x20);

QString captionLatex(const QString &caption)
{
    return caption.isEmpty()
        ? QString()
        : QStringLiteral("\\noindent\\textbf{%1}\\par\\medskip\n").arg(latexInline(caption));
}

QSize outer(const Diagram &diagram)
{
    const QSizeF s = diagram.size();
    return QSize(int(std::ceil(s.width() + 2 * kDiagramMargin)),
        int(std::ceil(s.height() + 2 * kDiagramMargin)));
}

} // namespace

CaptionedDiagram::CaptionedDiagram(std::unique_ptr<Diagram> content, QString caption)
    : m_content(std::move(content)), m_caption(std::move(caption))
{
    const QFontMetricsF metrics(font(kCaptionPx, true));
    m_captionWidth = metrics.horizontalAdvance(m_caption);
    m_captionHeight = metrics.height() + kCaptionGap;
}

QSizeF CaptionedDiagram::size() const
{
    const QSizeF inner = m_content->size();
    return QSizeF(std::max(inner.width(), m_captionWidth), inner.height() + m_captionHeight);
}

void CaptionedDiagram::paint(QPainter &painter) const
{
    painter.save();
    const QFont bold = font(kCaptionPx, true);
    painter.setFont(bold);
    painter.setPen(kCaptionInk);
    painter.drawText(QPointF(0, QFontMetricsF(bold).ascent()), m_caption);
    painter.translate(0, m_captionHeight);
    m_content->paint(painter);
    painter.restore();
}

QString CaptionedDiagram::latex() const
{
    return captionLatex(m_caption) + m_content->latex();
}

QByteArray diagramSvg(const Diagram &diagram, const QString &title)
{
    QBuffer buffer;
    buffer.open(QIODevice::WriteOnly);
    QSvgGenerator svg;
    svg.setOutputDevice(&buffer);
    svg.setTitle(title);
    svg.setResolution(96);
    svg.setSize(outer(diagram));
    svg.setViewBox(QRect(QPoint(0, 0), outer(diagram)));
    QPainter painter(&svg);
    painter.translate(kDiagramMargin, kDiagramMargin);
    diagram.paint(painter);
    painter.end();
    return buffer.data();
}

QByteArray diagramPdf(const Diagram &diagram, const QString &title)
{
    QBuffer buffer;
    buffer.open(QIODevice::WriteOnly);
    {
        QPdfWriter pdf(&buffer);
        pdf.setTitle(title);
        pdf.setCreator(QStringLiteral("Zarvik"));
        pdf.setResolution(96);
        const QSize px = outer(diagram);
        pdf.setPageSize(QPageSize(QSizeF(px.width() * 72.0 / 96, px.height() * 72.0 / 96),
            QPageSize::Point, QString(), QPageSize::ExactMatch));
        pdf.setPageMargins(QMarginsF());
        QPainter painter(&pdf);
        painter.translate(kDiagramMargin, kDiagramMargin);
        diagram.paint(painter);
    }
    return buffer.data();
}

QString diagramLatexDocument(const Diagram &diagram)
{
    const bool tree = diagram.latexPackages() == QLatin1String("forest");
    QString body = diagram.content().latex();
    if (tree)
        body = QStringLiteral(
                   "\\resizebox{\\ifdim\\width>\\linewidth\\linewidth\\else\\width\\fi}{!}{%\n")
            + body + QStringLiteral("}\n");
    // The caption stays its own size however wide the tree is.
    body = captionLatex(diagram.caption()) + body;
    return QStringLiteral("\\documentclass[a4paper,landscape]{article}\n"
                          "\\usepackage{iftex}\n"
                          "\\ifPDFTeX\n"
                          "  \\usepackage[utf8]{inputenc}\n"
                          "  \\usepackage[T1]{fontenc}\n"
                          "  \\usepackage{lmodern}\n"
                          "\\else\n"
                          "  \\usepackage{fontspec}\n"
                          "\\fi\n"
                          "\\usepackage{amssymb}\n"
                          "\\usepackage{graphicx}\n"
                          "\\usepackage{%1}\n"
                          "\\usepackage[margin=1.5cm]{geometry}\n"
                          "\\pagestyle{empty}\n"
                          "\\setlength{\\parindent}{0pt}\n"
                          "\\begin{document}\n")
               .arg(diagram.latexPackages())
        + body + QStringLiteral("\\end{document}\n");
}

QImage diagramImage(const Diagram &diagram, qreal scale)
{
    const QSize px = outer(diagram);
    QImage image(int(std::ceil(px.width() * scale)), int(std::ceil(px.height() * scale)),
        QImage::Format_ARGB32_Premultiplied);
    image.fill(Qt::white);
    QPainter painter(&image);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setRenderHint(QPainter::TextAntialiasing);
    painter.scale(scale, scale);
    painter.translate(kDiagramMargin, kDiagramMargin);
    diagram.paint(painter);
    return image;
}

} // namespace zv
