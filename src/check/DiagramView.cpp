#include "check/DiagramView.h"

#include "check/Diagram.h"

#include <QAction>
#include <QLabel>
#include <QPainter>
#include <QScrollBar>
#include <QWheelEvent>

#include <cmath>

namespace zv {

class DiagramView::Canvas : public QWidget
{
public:
    explicit Canvas(DiagramView &view) : QWidget(&view), m_view(view)
    {
        setAutoFillBackground(true);
        QPalette p = palette();
        p.setColor(QPalette::Window, Qt::white);
        setPalette(p);
    }

protected:
    void paintEvent(QPaintEvent *) override
    {
        if (!m_view.m_diagram)
            return;
        QPainter painter(this);
        painter.setRenderHint(QPainter::Antialiasing);
        painter.setRenderHint(QPainter::TextAntialiasing);
        painter.scale(m_view.m_zoom, m_view.m_zoom);
        painter.translate(kDiagramMargin, kDiagramMargin);
        m_view.m_diagram->paint(painter);
    }

private:
    DiagramView &m_view;
};

DiagramView::DiagramView(QWidget *parent) : QScrollArea(parent)
{
    setObjectName(QStringLiteral("diagramView"));
    setAlignment(Qt::AlignHCenter | Qt::AlignTop);
    setBackgroundRole(QPalette::Base);
    m_canvas = new Canvas(*this);
    m_canvas->setObjectName(QStringLiteral("diagramCanvas"));
    m_message = new QLabel(this);
    m_message->setObjectName(QStringLiteral("diagramMessage"));
    m_message->setAlignment(Qt::AlignCenter);
    m_message->setWordWrap(true);
    setWidget(m_message);
    setWidgetResizable(true);

    // The window's, so that they work wherever its focus is, and its menu can show them.
    const auto add = [this](const QString &text, const QList<QKeySequence> &keys, auto slot) {
        auto *action = new QAction(text, this);
        action->setShortcuts(keys);
        action->setShortcutContext(Qt::WindowShortcut);
        connect(action, &QAction::triggered, this, slot);
        addAction(action);
        return action;
    };
    zoomInAction = add(QStringLiteral("Ampliar"),
        {QKeySequence::keyBindings(QKeySequence::ZoomIn).value(0),
            QKeySequence(Qt::CTRL | Qt::Key_Equal)},
        [this] { zoomBy(1.25); });
    zoomOutAction = add(QStringLiteral("Reducir"), QKeySequence::keyBindings(QKeySequence::ZoomOut),
        [this] { zoomBy(0.8); });
    fitAction = add(QStringLiteral("Ajustar a la ventana"), {QKeySequence(Qt::CTRL | Qt::Key_0)},
        [this] { fit(); });
}

DiagramView::~DiagramView() = default;

void DiagramView::setDiagram(std::unique_ptr<Diagram> diagram, const QString &message)
{
    m_diagram = std::move(diagram);
    // The scroll area owns its widget: take the other one back before it is replaced.
    takeWidget();
    if (!m_diagram) {
        m_canvas->hide();
        m_message->setText(message);
        setWidgetResizable(true);
        setWidget(m_message);
        m_message->show();
        return;
    }
    m_message->hide();
    setWidgetResizable(false);
    setWidget(m_canvas);
    m_canvas->show();
    setAccessibleDescription(message);
    fit();
}

void DiagramView::fit()
{
    m_fitting = true;
    if (!m_diagram)
        return;
    const QSizeF s = m_diagram->size() + QSizeF(2 * kDiagramMargin, 2 * kDiagramMargin);
    const QSize room = maximumViewportSize();
    setZoom(std::min({kMaxFitZoom, room.width() / s.width(), room.height() / s.height()}));
}

void DiagramView::zoomBy(qreal factor)
{
    m_fitting = false;
    setZoom(m_zoom * factor);
}

void DiagramView::setZoom(qreal zoom)
{
    m_zoom = std::clamp(zoom, kMinZoom, kMaxZoom);
    if (!m_diagram)
        return;
    const QSizeF s = m_diagram->size() + QSizeF(2 * kDiagramMargin, 2 * kDiagramMargin);
    m_canvas->resize(int(std::ceil(s.width() * m_zoom)), int(std::ceil(s.height() * m_zoom)));
    m_canvas->update();
}

void DiagramView::resizeEvent(QResizeEvent *event)
{
    QScrollArea::resizeEvent(event);
    if (m_fitting)
        fit();
}

void DiagramView::wheelEvent(QWheelEvent *event)
{
    if (event->modifiers() & Qt::ControlModifier) {
        const int steps = event->angleDelta().y() / 120;
        if (steps != 0)
            zoomBy(std::pow(1.25, steps));
        event->accept();
        return;
    }
    QScrollArea::wheelEvent(event);
}

} // namespace zv
