// Placeholder: printing comes with the document commands.
#include "platform/richedit/RichEdit.h"

namespace zv {

void RichEdit::print(const QString &)
{
}

} // namespace zv
