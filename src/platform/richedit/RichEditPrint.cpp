#include "platform/richedit/RichEdit.h"

#include "platform/printing/DocumentPrinter.h"

namespace zv {

void RichEdit::print(const QString &jobName)
{
    printTextDocument(*document(), jobName);
}

} // namespace zv
