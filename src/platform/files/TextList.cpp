#include "platform/files/TextList.h"

namespace zv {

void saveTextList(const QByteArrayList &lines, const QString &path, FileAccess access)
{
    QByteArray data;
    qsizetype size = 0;
    for (const QByteArray &line : lines)
        size += line.size() + 2;
    data.reserve(size);
    for (const QByteArray &line : lines) {
        data += line;
        data += "\r\n";
    }

    // Text lists are working files, in a folder that others may write too: replace the name
    // rather than write through whatever link was planted there.
    replaceFileAtName(path, data, "Stream write error", access);
}

} // namespace zv
