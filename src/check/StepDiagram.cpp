#include "StepDiagram.h"

#include <QFontMetricsF>
#include <QPainter>

#include <algorithm>

namespace zv {
namespace {

constexpr qreal kCaptionPixels = 14;

} // namespace

StepDiagram::StepDiagram(
    std::unique_ptr<Diagram> derivation, QString caption, std::unique_ptr<Diagram> model)
    : m_derivation(std::move(derivation)), m_model(std::move(model)), m_caption(std::move(caption))
{
    const QFontMetricsF metrics(font(kCaptionPixels, true));
    m_captionTop = m_derivation->size().height();
    m_modelTop = m_captionTop + metrics.height() + kDiagramMargin;
    const qreal captionWidth = metrics.horizontalAdvance(m_caption) + 2 * kDiagramMargin;
    m_size = QSizeF(std::max({m_derivation->size().width(), m_model->size().width(), captionWidth}),
        m_modelTop + m_model->size().height());
}

void StepDiagram::paint(QPainter &painter) const
{
    m_derivation->paint(painter);
    painter.save();
    const QFont captionFont = font(kCaptionPixels, true);
    painter.setFont(captionFont);
    painter.setPen(Qt::black);
    painter.drawText(
        QPointF(kDiagramMargin, m_captionTop + QFontMetricsF(captionFont).ascent()), m_caption);
    painter.translate(0, m_modelTop);
    m_model->paint(painter);
    painter.restore();
}

QString StepDiagram::latex() const
{
    return m_derivation->latex() + QStringLiteral("\n\n\\medskip\n\\textbf{") + m_caption
        + QStringLiteral("}\n\n\\medskip\n") + m_model->latex();
}

QString StepDiagram::latexPackages() const
{
    return m_derivation->latexPackages() + QLatin1Char(',') + m_model->latexPackages();
}

} // namespace zv
