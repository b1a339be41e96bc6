#pragma once

#include <QByteArray>
#include <QString>

namespace zv {

/**
 * Replaces @p path with @p data atomically: a temporary file in the same folder is written,
 * flushed to disk and renamed over the target, so a failure leaves the old file as it was.
 * Throws EPlatformError: "Cannot create file %s" when the file cannot be created or replaced
 * (a read-only file included); @p writeError (e.g. "Failed to Save Stream") when writing fails.
 */
void writeFileAtomically(const QString &path, const QByteArray &data, const char *writeError);

} // namespace zv
