#include "platform/dialogs/Dialogs.h"
#include "platform/dialogs/FontDialog.h"

#include <QColorDialog>
#include <QCoreApplication>
#include <QPushButton>
#include <QVBoxLayout>

namespace zv {

namespace {

// Qt's colour dialog has no basic form: close the part that defines custom colours behind a
// button, as the classic dialog does. The wells of basic and custom colours stay.
void showBasicForm(QColorDialog &dialog)
{
    QList<QWidget *> definition;
    const QString addCustom = QCoreApplication::translate("QColorDialog", "&Add to Custom Colors");
    for (QWidget *w : dialog.findChildren<QWidget *>()) {
        const QByteArray name = w->metaObject()->className();
        const auto *button = qobject_cast<QPushButton *>(w);
        if (name.endsWith("QColorPicker") || name.endsWith("QColorLuminancePicker")
            || name.endsWith("QColorShower") || (button && button->text() == addCustom))
            definition << w;
    }
    auto *layout = qobject_cast<QVBoxLayout *>(dialog.layout());
    if (definition.isEmpty() || !layout)
        return;
    auto *open = new QPushButton(QStringLiteral("&Definir colores personalizados >>"), &dialog);
    open->setObjectName(QStringLiteral("defineCustomColors"));
    open->setAutoDefault(false);
    layout->insertWidget(1, open, 0, Qt::AlignLeft);
    for (QWidget *w : definition)
        w->hide();
    QObject::connect(open, &QPushButton::clicked, &dialog, [&dialog, open, definition] {
        for (QWidget *w : definition)
            w->show();
        open->hide();
        dialog.adjustSize();
    });
    dialog.adjustSize();
}

} // namespace

std::optional<FontChoice> QtDialogs::chooseFont(QWidget *owner, const FontChoice &initial)
{
    FontDialog dialog(initial, owner);
    if (dialog.exec() != QDialog::Accepted)
        return std::nullopt;
    return dialog.choice();
}

std::optional<QColor> QtDialogs::chooseColor(
    QWidget *owner, const QColor &initial, QList<QColor> &customColors)
{
    // Qt keeps the custom colours application-wide; ours belong to the caller.
    const int count = QColorDialog::customCount();
    for (int i = 0; i < count; ++i)
        QColorDialog::setCustomColor(
            i, i < customColors.size() ? customColors.at(i) : QColor(Qt::white));
    QColorDialog dialog(initial, owner);
    dialog.setOption(QColorDialog::DontUseNativeDialog);
    showBasicForm(dialog);
    if (dialog.exec() != QDialog::Accepted)
        return std::nullopt;
    customColors.clear();
    for (int i = 0; i < count; ++i)
        customColors << QColorDialog::customColor(i);
    return dialog.currentColor();
}

} // namespace zv
