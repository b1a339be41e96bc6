#include "platform/dialogs/Dialogs.h"
#include "platform/dialogs/FontDialog.h"

#include <QColorDialog>

namespace zv {

std::optional<FontChoice> QtDialogs::chooseFont(QWidget *owner, const FontChoice &initial)
{
    FontDialog dialog(initial, owner);
    if (dialog.exec() != QDialog::Accepted)
        return std::nullopt;
    return dialog.choice();
}

std::optional<QColor> QtDialogs::chooseColor(QWidget *owner, const QColor &initial,
                                             QList<QColor> &customColors)
{
    // Qt keeps the custom colours application-wide; ours belong to the caller.
    const int count = QColorDialog::customCount();
    for (int i = 0; i < count; ++i)
        QColorDialog::setCustomColor(i, i < customColors.size() ? customColors.at(i)
                                                                : QColor(Qt::white));
    QColorDialog dialog(initial, owner);
    dialog.setOption(QColorDialog::DontUseNativeDialog);
    if (dialog.exec() != QDialog::Accepted)
        return std::nullopt;
    customColors.clear();
    for (int i = 0; i < count; ++i)
        customColors << QColorDialog::customColor(i);
    return dialog.currentColor();
}

} // namespace zv
