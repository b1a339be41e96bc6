// Placeholder: the lines operations come with the program run.
#include "platform/richedit/RichEdit.h"

namespace zv {

int RichEdit::lineCount() const
{
    return 0;
}

QByteArray RichEdit::line(int) const
{
    return {};
}

void RichEdit::appendLine(const QByteArray &)
{
}

void RichEdit::copyLinesFrom(const RichEdit &)
{
}

} // namespace zv
