#include "platform/rtf/RtfDocumentBuilder.h"

#include <QTextCharFormat>
#include <QTextDocument>

namespace zv::rtf {

RtfDocumentBuilder::RtfDocumentBuilder(QTextDocument &document) : m_cursor(&document)
{
    m_cursor.beginEditBlock();
    m_text.reserve(1024);
}

RtfDocumentBuilder::~RtfDocumentBuilder()
{
    if (m_open)
        m_cursor.endEditBlock();
}

void RtfDocumentBuilder::flush()
{
    if (m_text.isEmpty())
        return;
    static const QTextCharFormat none;
    m_cursor.insertText(m_text, m_format ? *m_format : none);
    m_text.resize(0);
}

void RtfDocumentBuilder::finish()
{
    flush();
    if (m_open)
        m_cursor.endEditBlock();
    m_open = false;
}

} // namespace zv::rtf
