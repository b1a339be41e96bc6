#pragma once

#include <QByteArray>

#include <functional>
#include <memory>

class QIODevice;
class QTextDocument;

namespace zv {

/**
 * The document file's codec on an open device; DocumentFile adds the file handling.
 */

/// Reads the rest of @p device as RTF, falling back to plain text unless @p plainText, which
/// reads plain text only. Null when the device fails.
std::unique_ptr<QTextDocument> readDocument(
    QIODevice &device, bool plainText, const std::function<void()> &breathe = {});

/// Builds a document from @p bytes: RTF when the reader takes them (and not @p plainText),
/// otherwise plain text: CR, LF and CR LF end a paragraph, bytes are Windows-1252.
std::unique_ptr<QTextDocument> documentFromBytes(
    const QByteArray &bytes, bool plainText, const std::function<void()> &breathe = {});

/// The content as the control's bytes: each character through its font's code page, soft line
/// breaks as VT, paragraphs separated by CR LF (with @p finalBreak, also after the last one).
QByteArray documentBytes(const QTextDocument &document, bool finalBreak = false);

} // namespace zv
