// Placeholder: the clipboard forms come with the formatting commands.
#include "platform/richedit/RichEdit.h"

namespace zv {

QMimeData *RichEdit::createMimeDataFromSelection() const
{
    return QTextEdit::createMimeDataFromSelection();
}

bool RichEdit::canInsertFromMimeData(const QMimeData *source) const
{
    return QTextEdit::canInsertFromMimeData(source);
}

void RichEdit::insertFromMimeData(const QMimeData *source)
{
    QTextEdit::insertFromMimeData(source);
}

} // namespace zv
