#include "platform/widgets/SpeedButton.h"

namespace zv {

SpeedButton::SpeedButton(QWidget *parent)
    : QToolButton(parent)
{
    setFocusPolicy(Qt::NoFocus);
    setAutoRaise(false);
    setToolButtonStyle(Qt::ToolButtonIconOnly);
}

void SpeedButton::setFlat(bool flat)
{
    setAutoRaise(flat);
}

} // namespace zv
