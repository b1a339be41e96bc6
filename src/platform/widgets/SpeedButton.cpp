#include "platform/widgets/SpeedButton.h"

#include <QAccessible>
#include <QAccessibleWidget>

namespace zv {

namespace {

// Qt's own button interface takes checkable and checked from QAbstractButton, which would also
// make Qt flip the state on every click. Ours reads the look instead.
class SpeedButtonAccessible : public QAccessibleWidget
{
public:
    explicit SpeedButtonAccessible(SpeedButton *button)
        : QAccessibleWidget(button, QAccessible::Button)
    {}

    SpeedButton *button() const { return static_cast<SpeedButton *>(widget()); }

    QAccessible::State state() const override
    {
        QAccessible::State s = QAccessibleWidget::state();
        if (button()->isToggle()) {
            s.checkable = true;
            s.checked = button()->isFlat();
        }
        return s;
    }

    QString text(QAccessible::Text t) const override
    {
        QString s = QAccessibleWidget::text(t);
        if (t == QAccessible::Name && s.isEmpty()) {
            s = button()->text();
            s.replace(QStringLiteral("&&"), QStringLiteral("&"));
        }
        return s;
    }

    QStringList actionNames() const override
    {
        if (!button()->isEnabled())
            return {};
        return {button()->isToggle() ? toggleAction() : pressAction()};
    }

    void doAction(const QString &name) override
    {
        if (button()->isEnabled() && (name == pressAction() || name == toggleAction()))
            button()->click();
    }
};

QAccessibleInterface *speedButtonAccessible(const QString &className, QObject *object)
{
    if (className == QLatin1String("zv::SpeedButton"))
        if (auto *button = qobject_cast<SpeedButton *>(object))
            return new SpeedButtonAccessible(button);
    return nullptr;
}

} // namespace

SpeedButton::SpeedButton(QWidget *parent) : QToolButton(parent)
{
    static const bool factoryInstalled = [] {
        QAccessible::installFactory(speedButtonAccessible);
        return true;
    }();
    Q_UNUSED(factoryInstalled);
    setFocusPolicy(Qt::NoFocus);
    setAutoRaise(false);
    setToolButtonStyle(Qt::ToolButtonIconOnly);
}

void SpeedButton::setFlat(bool flat)
{
    if (flat == isFlat())
        return;
    setAutoRaise(flat);
    if (m_toggle) {
        QAccessible::State changed;
        changed.checked = true;
        QAccessibleStateChangeEvent event(this, changed);
        QAccessible::updateAccessibility(&event);
    }
}

void SpeedButton::setToggle(bool toggle)
{
    m_toggle = toggle;
}

} // namespace zv
