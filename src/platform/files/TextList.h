#pragma once

#include <QByteArrayList>
#include <QString>

namespace zv {

/**
 * Saves @p lines as 8-bit text: the file is created, or replaced when it exists, and every line
 * is written followed by CR LF, the last one too, with no byte-order mark. A link at that name
 * is replaced, not followed (replaceFileAtName()).
 * Throws EPlatformError: "Cannot create file %s", "Stream write error".
 */
void saveTextList(const QByteArrayList &lines, const QString &path);

} // namespace zv
