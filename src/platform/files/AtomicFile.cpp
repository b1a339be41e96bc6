#include "platform/files/AtomicFile.h"

#include "platform/errors/PlatformError.h"

#include <QFileInfo>
#include <QSaveFile>

namespace zv {

bool isReadOnlyFile(const QString &path)
{
    const QFileInfo info(path);
    // Not WriteUser: that one says what the current user may do, and root may do anything.
    constexpr QFile::Permissions anyWrite =
        QFile::WriteOwner | QFile::WriteGroup | QFile::WriteOther;
    return info.exists() && !info.isDir() && (!info.isWritable() || !(info.permissions() & anyWrite));
}

void writeFileAtomically(const QString &path, const QByteArray &data, const char *writeError)
{
    const QFileInfo target(path);
    // A rename would replace a read-only file or a folder's entry the user may not write.
    if (target.isDir() || isReadOnlyFile(path))
        throw fileError("Cannot create file %s", path);

    QSaveFile file(path);
    file.setDirectWriteFallback(false);
    if (!file.open(QIODevice::WriteOnly))
        throw fileError("Cannot create file %s", path);
    if (file.write(data) != data.size()) {
        file.cancelWriting();
        throw EPlatformError(QString::fromLatin1(writeError));
    }
    if (!file.commit())
        throw EPlatformError(QString::fromLatin1(writeError));
}

} // namespace zv
