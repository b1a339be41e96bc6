#pragma once

#include <QString>

#include <functional>
#include <memory>

class QTextDocument;

namespace zv {

/**
 * Reads a document file: RTF, or, when the RTF reader rejects it, plain text (CR, LF and CR LF
 * end a line; bytes as UTF-8 when they are valid UTF-8 beyond ASCII, else as Windows-1252). With @p plainText the file is read as plain text only.
 * @p breathe, when given, is called about every 50 ms of a long read.
 * Throws EPlatformError: "Cannot open file %s" (also for a FIFO, a device or a folder),
 * "Failed to Load Stream".
 */
std::unique_ptr<QTextDocument> loadDocument(
    const QString &path, bool plainText, const std::function<void()> &breathe = {});

/**
 * Writes @p document as RTF, or as plain text with @p plainText. The file is replaced
 * atomically: on failure the old file stays as it was. A symbolic link at @p path stays a link:
 * the file it points to is written (writeFileAtomically()).
 * Throws EPlatformError: "Cannot create file %s", "Failed to Save Stream".
 */
void saveDocument(const QTextDocument &document, const QString &path, bool plainText);

} // namespace zv
