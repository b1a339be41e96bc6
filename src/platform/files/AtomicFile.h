#pragma once

#include <QByteArray>
#include <QString>

namespace zv {

/// True for an existing file that no one may write, as a read-only file is to its owner. The
/// permission bits decide, so a read-only file stays read-only also for root.
bool isReadOnlyFile(const QString &path);

/// Where a save to a name lands, as writeFileAtomically() follows symbolic links.
struct SaveTarget
{
    /// The chosen name itself when it is no link. Otherwise the file at the end of its chain of
    /// links, absolute and with no link in its folders; empty when the chain loops.
    QString path;
    bool viaLink = false;
    bool exists = false; ///< something is at path already
};

/// The file that a save to @p path would write. Tells the user where a link leads before a save.
SaveTarget saveTarget(const QString &path);

/// Removes what saves of @p path (of the file a link at it leads to) that were killed left
/// beside it: temporaries of writeFileAtomically()'s own naming, of this user, untouched for
/// half a minute with their writer gone, or for an hour. Nothing else is touched; a save or an
/// open calls it.
void sweepStaleTemporaries(const QString &path);

/**
 * Replaces @p path with @p data atomically: a temporary file in the same folder is written,
 * flushed to disk and renamed over the target, so a failure leaves the old file as it was. Where
 * @p path is a symbolic link, the file it points to is written (saveTarget()), as editors do, so
 * that the link stays a link; a link to nothing creates that file. A new file gets 0666 less the
 * umask; a replaced file keeps its mode.
 * Throws EPlatformError: "Cannot create file %s" with @p path when the file cannot be created or
 * replaced (a read-only file, a folder, a device, a loop of links); @p writeError (e.g. "Failed to
 * Save Stream") when writing fails.
 */
void writeFileAtomically(const QString &path, const QByteArray &data, const char *writeError);

/// Who may read a working file that replaceFileAtName() writes.
enum class FileAccess {
    Usual,     ///< a new file gets 0666 less the umask; a replaced file keeps its mode
    OwnerOnly, ///< 0600, new or replaced
};

/**
 * As writeFileAtomically(), but the name itself is replaced, so that a symbolic or hard link
 * planted at it is replaced, never written through: for the working files of a folder that
 * others may write as well. Throws as writeFileAtomically().
 */
void replaceFileAtName(const QString &path, const QByteArray &data, const char *writeError,
    FileAccess access = FileAccess::Usual);

} // namespace zv
