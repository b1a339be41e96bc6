#pragma once

#include <QToolButton>

namespace zv {

/**
 * A toolbar button that never takes the keyboard focus, so a click leaves the caret where it
 * was. It has two looks: raised (the ordinary one) and flat.
 */
class SpeedButton : public QToolButton
{
    Q_OBJECT

public:
    explicit SpeedButton(QWidget *parent = nullptr);

    bool isFlat() const { return autoRaise(); }
    void setFlat(bool flat);
};

} // namespace zv
