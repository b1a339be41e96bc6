#pragma once

#include <QString>
#include <QTextCursor>

class QTextCharFormat;
class QTextDocument;

namespace zv::rtf {

/**
 * Collects the reader's characters and hands them to the document a run at a time, inside one
 * edit block: QTextDocument is fast only when text arrives in runs with shared formats.
 */
class RtfDocumentBuilder
{
public:
    explicit RtfDocumentBuilder(QTextDocument &document);
    ~RtfDocumentBuilder();
    RtfDocumentBuilder(const RtfDocumentBuilder &) = delete;
    RtfDocumentBuilder &operator=(const RtfDocumentBuilder &) = delete;

    /// @p format must outlive the builder; the same pointer means the same run.
    void setFormat(const QTextCharFormat *format)
    {
        if (format != m_format) {
            flush();
            m_format = format;
        }
    }

    void append(char16_t ch)
    {
        // Characters that QTextDocument would take for structure are not text.
        if ((ch < 0x20 && ch != u'\t') || ch == 0xFDD0 || ch == 0xFDD1 || ch == 0xFFFC)
            return;
        if (ch == 0x2029) {
            paragraph();
            return;
        }
        m_text.append(QChar(ch));
        flushIfLong();
    }

    /// A character that a byte of the document shows: control characters stay, but for the
    /// line ends, which are the document's structure.
    void appendByte(char16_t ch)
    {
        if (ch != u'\r' && ch != u'\n')
            m_text.append(QChar(ch));
        flushIfLong();
    }

    void paragraph() { m_text.append(QLatin1Char('\n')); }

    /// Writes what is pending and closes the edit block.
    void finish();

private:
    void flush();
    // A run of megabytes goes in by pieces, so that the reader can breathe between them.
    void flushIfLong()
    {
        if (m_text.size() >= (1 << 16))
            flush();
    }

    QTextCursor m_cursor;
    QString m_text;
    const QTextCharFormat *m_format = nullptr;
    bool m_open = true;
};

} // namespace zv::rtf
