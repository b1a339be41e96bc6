#pragma once

#include <QToolButton>

namespace zv {

/**
 * A toolbar button that never takes the keyboard focus, so a click leaves the caret where it
 * was. It has two looks: raised (the ordinary one) and flat.
 *
 * A toggle keeps its state in its look alone (flat is on) and reports it to assistive
 * technology as a checkable button, checked while flat. Qt itself never changes the look on a
 * click: only setFlat() does.
 */
class SpeedButton : public QToolButton
{
    Q_OBJECT

public:
    explicit SpeedButton(QWidget *parent = nullptr);

    bool isFlat() const { return autoRaise(); }
    void setFlat(bool flat);

    bool isToggle() const { return m_toggle; }
    /// Makes the button report its look as a checked state to assistive technology.
    void setToggle(bool toggle);

private:
    bool m_toggle = false;
};

} // namespace zv
