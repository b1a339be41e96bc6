#pragma once

#include <QByteArray>
#include <QString>

#include <functional>
#include <memory>
#include <optional>

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
/// otherwise plain text: CR, LF and CR LF end a paragraph; the bytes are UTF-8 when
/// decodedUtf8() takes them, else Windows-1252.
std::unique_ptr<QTextDocument> documentFromBytes(
    const QByteArray &bytes, bool plainText, const std::function<void()> &breathe = {});

/// @p bytes as text when they are valid UTF-8 with a byte beyond ASCII (a leading byte order
/// mark dropped); nothing otherwise.
std::optional<QString> decodedUtf8(const QByteArray &bytes);

/// The content as the control's bytes: each character through its font's code page, soft line
/// breaks as VT, paragraphs separated by CR LF (with @p finalBreak, also after the last one).
QByteArray documentBytes(const QTextDocument &document, bool finalBreak = false);

} // namespace zv
