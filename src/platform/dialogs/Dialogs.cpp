#include "platform/dialogs/Dialogs.h"

#include <QMessageBox>

namespace zv {

namespace {
Dialogs *g_installed = nullptr;
} // namespace

Dialogs &dialogs()
{
    static QtDialogs qtDialogs;
    return g_installed ? *g_installed : qtDialogs;
}

void setDialogs(Dialogs *d)
{
    g_installed = d;
}

int QtDialogs::messageBox(QWidget *owner, const QString &text, const QString &caption,
                          unsigned flags)
{
    QMessageBox box(owner);
    box.setWindowTitle(caption);
    box.setText(text);
    switch (flags & 0xF0) {
    case MB_ICONERROR: box.setIcon(QMessageBox::Critical); break;
    case MB_ICONEXCLAMATION: box.setIcon(QMessageBox::Warning); break;
    default: break;
    }
    // Owned by the application: every window of it waits for the answer.
    box.setWindowModality(Qt::ApplicationModal);
    if ((flags & 0x0F) == MB_YESNO) {
        box.setStandardButtons(QMessageBox::Yes | QMessageBox::No);
        box.setDefaultButton(QMessageBox::Yes);
        return box.exec() == QMessageBox::Yes ? IDYES : IDNO;
    }
    box.setStandardButtons(QMessageBox::Ok);
    box.exec();
    return IDOK;
}

} // namespace zv
