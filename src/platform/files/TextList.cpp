#include "platform/files/TextList.h"

#include "platform/errors/PlatformError.h"
#include "platform/files/AtomicFile.h"

#include <QFile>
#include <QFileInfo>

namespace zv {

void saveTextList(const QByteArrayList &lines, const QString &path)
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

    QFile file(path);
    // QFile would happily "open" a folder of that name for writing on some systems.
    if (QFileInfo(path).isDir() || isReadOnlyFile(path)
        || !file.open(QIODevice::WriteOnly | QIODevice::Truncate))
        throw fileError("Cannot create file %s", path);
    if (file.write(data) != data.size() || !file.flush())
        throw EPlatformError(QStringLiteral("Stream write error"));
}

} // namespace zv
