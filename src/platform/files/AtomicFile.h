#pragma once

#include <QByteArray>
#include <QString>

namespace zv {

/// True for an existing file that no one may write, as a read-only file is to its owner. The
/// permission bits decide, so a read-only file stays read-only also for root.
bool isReadOnlyFile(const QString &path);

/**
 * Replaces @p path with @p data atomically: a temporary file in the same folder is written,
 * flushed to disk and renamed over the target, so a failure leaves the old file as it was.
 * Throws EPlatformError: "Cannot create file %s" when the file cannot be created or replaced
 * (a read-only file included); @p writeError (e.g. "Failed to Save Stream") when writing fails.
 */
void writeFileAtomically(const QString &path, const QByteArray &data, const char *writeError);

} // namespace zv
