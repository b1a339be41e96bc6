#include "platform/files/DocumentFile.h"

#include "platform/codepages/CodePage.h"
#include "platform/errors/PlatformError.h"
#include "platform/files/AtomicFile.h"
#include "platform/files/DocumentStream.h"
#include "platform/format/ReadableText.h"
#include "platform/format/TextFormat.h"
#include "platform/rtf/RtfReader.h"
#include "platform/rtf/RtfWriter.h"

#include <QFile>
#include <QFileInfo>
#include <QStringDecoder>
#include <QTextBlock>
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
        document->setPlainText(*utf8);
        keepCharactersAsBytes(*document);
    } else {
        document->setPlainText(CodePage::windows1252().decode(bytes));
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
    for (;;) {
        const qint64 n = device.read(chunk, sizeof chunk);
        if (n < 0)
            return nullptr;
        if (n == 0)
            break;
        bytes.append(chunk, qsizetype(n));
    }
    return documentFromBytes(bytes, plainText, breathe);
}

QByteArray documentBytes(const QTextDocument &document, bool finalBreak)
{
    QByteArray out;
    out.reserve(document.characterCount() + document.blockCount());
    for (QTextBlock block = document.begin(); block.isValid(); block = block.next()) {
        appendBlockBytes(out, block, 0, block.length() - 1);
        if (finalBreak || block.next().isValid())
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
