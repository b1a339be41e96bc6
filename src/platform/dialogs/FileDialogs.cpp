// Placeholder: the open and save dialogs come with the document commands.
#include "platform/dialogs/Dialogs.h"

namespace zv {

std::optional<QString> QtDialogs::openFileName(QWidget *, const FileDialogOptions &)
{
    return std::nullopt;
}

std::optional<QString> QtDialogs::saveFileName(QWidget *, const FileDialogOptions &)
{
    return std::nullopt;
}

} // namespace zv
