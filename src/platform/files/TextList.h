#pragma once

#include "platform/files/AtomicFile.h"

#include <QByteArrayList>
#include <QString>

namespace zv {

/**
 * Saves @p lines as 8-bit text: the file is created, or replaced when it exists, and every line
 * is written followed by CR LF, the last one too, with no byte-order mark. A link at that name
 * is replaced, not followed, and @p access says who may read the file (replaceFileAtName()).
 * Throws EPlatformError: "Cannot create file %s", "Stream write error".
 */
void saveTextList(
    const QByteArrayList &lines, const QString &path, FileAccess access = FileAccess::Usual);

} // namespace zv
