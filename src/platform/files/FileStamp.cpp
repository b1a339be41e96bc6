#include "platform/files/FileStamp.h"

#include <QFile>

#include <sys/stat.h>

namespace zv {

FileStamp fileStamp(const QString &path)
{
    struct stat info = {};
    if (::stat(QFile::encodeName(path).constData(), &info) != 0)
        return {};
    const auto ns = [](const timespec &t) { return t.tv_sec * 1000000000LL + t.tv_nsec; };
    return {true, info.st_dev, info.st_ino, info.st_size, ns(info.st_mtim), ns(info.st_ctim)};
}

} // namespace zv
