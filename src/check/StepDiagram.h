#pragma once

#include "check/Diagram.h"

#include <QString>

#include <memory>

namespace zv {

/**
 * A derivation with a wrong step, and under it the model in which the lines that step cites
 * are true and its line false, with the words that say so between them.
 */
class StepDiagram : public Diagram
{
public:
    StepDiagram(
        std::unique_ptr<Diagram> derivation, QString caption, std::unique_ptr<Diagram> model);

    QSizeF size() const override { return m_size; }
    void paint(QPainter &painter) const override;
    QString latex() const override;
    QString latexPackages() const override;

    const QString &stepCaption() const { return m_caption; }
    /// Where the model's picture starts, below the derivation and the caption.
    qreal modelTop() const { return m_modelTop; }

private:
    std::unique_ptr<Diagram> m_derivation, m_model;
    QString m_caption;
    QSizeF m_size;
    qreal m_captionTop = 0, m_modelTop = 0;
};

} // namespace zv
