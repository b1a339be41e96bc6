// Placeholder: the font and colour dialogs come with the formatting commands.
#include "platform/dialogs/Dialogs.h"

namespace zv {

std::optional<FontChoice> QtDialogs::chooseFont(QWidget *, const FontChoice &)
{
    return std::nullopt;
}

std::optional<QColor> QtDialogs::chooseColor(QWidget *, const QColor &, QList<QColor> &)
{
    return std::nullopt;
}

} // namespace zv
