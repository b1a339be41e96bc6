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

/**
 * Writes @p data to a new file beside @p path and renames it to that name, so that a symbolic
 * or hard link planted at the name is replaced, never written through: for the working files
 * of a folder that others may write as well. A new file gets the usual 0666 less the umask; a
 * replaced file keeps its mode. Throws EPlatformError: "Cannot create file %s" when the name
 * is a folder or a read-only file, or the folder takes no new file; @p writeError when writing
 * fails (the old file is then left as it was).
 */
void replaceFileAtName(const QString &path, const QByteArray &data, const char *writeError);

} // namespace zv
