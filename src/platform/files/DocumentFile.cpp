#include "platform/files/DocumentFile.h"

#include "platform/codepages/CodePage.h"
#include "platform/errors/PlatformError.h"
#include "platform/files/AtomicFile.h"
#include "platform/files/DocumentStream.h"
#include "platform/format/LongParagraphs.h"
#include "platform/format/ReadableText.h"
#include "platform/format/TextFormat.h"
#include "platform/rtf/RtfReader.h"
#include "platform/rtf/RtfWriter.h"

#include <QFile>
#include <QFileInfo>
#include <QStringDecoder>
#include <QTextBlock>
#include <QTextCursor>
#include <QTextDocument>

#include <algorithm>
#include <optional>

namespace zv {

std::optional<QString> decodedUtf8(const QByteArray &bytes)
{
    // ASCII reads the same either way. Windows-1252 passes for UTF-8 only where each accented
    // letter is followed by signs such as "©" or "±", which no Spanish word has.
    const bool ascii = std::all_of(
        bytes.cbegin(), bytes.cend(), [](char c) { return static_cast<unsigned char>(c) < 0x80; });
    if (ascii)
        return std::nullopt;
    // Stateless: a sequence cut short at the end is an error, not a wait for more bytes.
    QStringDecoder decoder(QStringDecoder::Utf8, QStringDecoder::Flag::Stateless);
    QString text = decoder.decode(bytes);
    if (decoder.hasError())
        return std::nullopt;
    return text;
}

namespace {

// setPlainText() of a file of megabytes takes a second at once: the text goes in a piece at a
// time, with a breath between them. @p size units are read by @p piece(from, to); a piece never
// ends where @p joined(at) says that the unit at @p at belongs with the one before it.
void setPlainText(QTextDocument &document, qsizetype size,
    const std::function<QString(qsizetype, qsizetype)> &piece,
    const std::function<bool(qsizetype)> &joined, const std::function<void()> &breathe)
{
    constexpr qsizetype kPiece = 1 << 18;
    if (!breathe || size <= kPiece) {
        document.setPlainText(piece(0, size));
        return;
    }
    const bool undo = document.isUndoRedoEnabled();
    document.setUndoRedoEnabled(false);
    document.clear();
    QTextCursor cursor(&document);
    cursor.beginEditBlock();
    for (qsizetype at = 0; at < size;) {
        qsizetype end = std::min(size, at + kPiece);
        while (end < size && joined(end))
            ++end;
        cursor.insertText(piece(at, end));
        at = end;
        breathe();
    }
    cursor.endEditBlock();
    document.setUndoRedoEnabled(undo);
}

} // namespace

std::unique_ptr<QTextDocument> documentFromBytes(
    const QByteArray &bytes, bool plainText, const std::function<void()> &breathe)
{
    if (!plainText) {
        auto document = std::make_unique<QTextDocument>();
        if (rtf::readRtf(bytes, *document, breathe))
            return document;
    }
    // A file that is not RTF is read again from its start; QTextDocument takes CR, LF and CR LF
    // each as one paragraph end.
    auto document = std::make_unique<QTextDocument>();
    if (const std::optional<QString> utf8 = decodedUtf8(bytes)) {
        // Written by another editor: its symbols go to the fonts that keep them as bytes, as
        // a paste of the same text would.
        const QString &text = *utf8;
        setPlainText(
            *document, text.size(),
            [&](qsizetype from, qsizetype to) { return text.mid(from, to - from); },
            [&](qsizetype at) { return text.at(at).isLowSurrogate() || text.at(at - 1) == u'\r'; },
            breathe);
        keepCharactersAsBytes(*document);
    } else {
        // One byte, one character: decoded a piece at a time too.
        const CodePage &page = CodePage::windows1252();
        setPlainText(
            *document, bytes.size(),
            [&](qsizetype from, qsizetype to) {
                return page.decode(QByteArrayView(bytes).sliced(from, to - from));
            },
            [&](qsizetype at) { return bytes.at(at - 1) == '\r'; }, breathe);
    }
    return document;
}

std::unique_ptr<QTextDocument> readDocument(
    QIODevice &device, bool plainText, const std::function<void()> &breathe)
{
    QByteArray bytes;
    if (device.size() > 0 && !device.isSequential())
        bytes.reserve(qsizetype(device.size() - device.pos()));
    char chunk[1 << 16];
    for (int chunks = 1;; ++chunks) {
        const qint64 n = device.read(chunk, sizeof chunk);
        if (n < 0)
            return nullptr;
        if (n == 0)
            break;
        bytes.append(chunk, qsizetype(n));
        if (breathe && chunks % 64 == 0) // every 4 MB
            breathe();
    }
    return documentFromBytes(bytes, plainText, breathe);
}

QByteArray documentBytes(const QTextDocument &document, bool finalBreak)
{
    QByteArray out;
    out.reserve(document.characterCount() + document.blockCount());
    for (QTextBlock block = document.begin(); block.isValid(); block = block.next()) {
        appendBlockBytes(out, block, 0, block.length() - 1);
        if (block.next().isValid() ? endsParagraph(block) : finalBreak)
            out += "\r\n";
    }
    return out;
}

std::unique_ptr<QTextDocument> loadDocument(
    const QString &path, bool plainText, const std::function<void()> &breathe)
{
    QFile file(path);
    // Opening a FIFO waits for a writer, and a device never ends: only files are documents.
    if (!QFileInfo(path).isFile() || !file.open(QIODevice::ReadOnly))
        throw fileError("Cannot open file %s", path);
    // What a killed save of it left beside it goes now rather than never.
    sweepStaleTemporaries(path);
    std::unique_ptr<QTextDocument> document = readDocument(file, plainText, breathe);
    if (!document)
        throw EPlatformError(QStringLiteral("Failed to Load Stream"));
    return document;
}

void saveDocument(const QTextDocument &document, const QString &path, bool plainText)
{
    const QByteArray bytes = plainText ? documentBytes(document) : rtf::writeRtf(document);
    writeFileAtomically(path, bytes, "Failed to Save Stream");
}

} // namespace zv
