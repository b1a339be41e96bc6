#pragma once

#include <QScrollArea>

#include <memory>

class QAction;
class QLabel;

namespace zv {

class Diagram;

/**
 * A diagram on the screen: at first it fits the view (a small one at most kMaxFitZoom), then
 * Ctrl+wheel, Ctrl++ and Ctrl+− zoom it and Ctrl+0 fits it again; the scroll bars reach the
 * rest. Without a diagram it shows @p placeholder text.
 */
class DiagramView : public QScrollArea
{
    Q_OBJECT

public:
    explicit DiagramView(QWidget *parent = nullptr);
    ~DiagramView() override;

    /// Shows @p diagram fitted to the view; nullptr shows @p message instead.
    void setDiagram(std::unique_ptr<Diagram> diagram, const QString &message = {});
    const Diagram *diagram() const { return m_diagram.get(); }

    /// Ctrl++ (or Ctrl+=), Ctrl+− and Ctrl+0, anywhere in the view's window.
    QAction *zoomInAction = nullptr;
    QAction *zoomOutAction = nullptr;
    QAction *fitAction = nullptr;

    qreal zoom() const { return m_zoom; }
    void zoomBy(qreal factor);
    void fit();

protected:
    void resizeEvent(QResizeEvent *event) override;
    void wheelEvent(QWheelEvent *event) override;

private:
    class Canvas;
    void setZoom(qreal zoom);

    std::unique_ptr<Diagram> m_diagram;
    Canvas *m_canvas = nullptr;
    QLabel *m_message = nullptr;
    qreal m_zoom = 1;
    bool m_fitting = true; ///< follows the view's size until the user zooms
};

/// The zoom's bounds.
inline constexpr qreal kMinZoom = 0.1, kMaxZoom = 8;
/// A small diagram is fitted no larger than this: a model of two worlds would fill a screen.
inline constexpr qreal kMaxFitZoom = 1.5;

} // namespace zv
