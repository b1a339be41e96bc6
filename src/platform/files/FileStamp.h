#pragma once

#include <QString>

#include <sys/types.h>

namespace zv {

/// What tells one version of a file from another without reading it.
struct FileStamp
{
    bool exists = false;
    dev_t device = 0;
    ino_t inode = 0;
    off_t size = 0;
    long long modifiedNs = 0;
    long long changedNs = 0;

    friend bool operator==(const FileStamp &, const FileStamp &) = default;
};

/// The stamp of @p path as it is now; any write changes it, in place or by a rename over it.
FileStamp fileStamp(const QString &path);

} // namespace zv
