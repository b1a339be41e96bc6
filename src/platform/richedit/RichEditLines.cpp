#include "platform/richedit/RichEdit.h"

#include "platform/errors/PlatformError.h"
#include "platform/codepages/CodePage.h"
#include "platform/format/TextFormat.h"

#include <QAbstractTextDocumentLayout>
#include <QTextBlock>
#include <QTextCursor>
#include <QTextDocument>
#include <QTextLayout>

#include <QPointer>

#include <algorithm>
#include <vector>

namespace zv {

namespace {

// A control without wrap shows one line per paragraph; a wrapping one, the lines of its layout.
bool wraps(const RichEdit &edit)
{
    return edit.lineWrapMode() != QTextEdit::NoWrap;
}

QByteArray blockBytes(const QTextBlock &block, int from, int to)
{
    QByteArray out;
    appendBlockBytes(out, block, from, to);
    return out;
}

// A hidden control is never painted, so nothing else lays its text out. With a fixed wrap
// width the page width is already set; asking for the size finishes the layout.
void ensureLaidOut(const QTextDocument *document)
{
    document->documentLayout()->documentSize();
}

int layoutLines(const QTextBlock &block)
{
    const QTextLayout *layout = block.layout();
    return layout ? std::max(layout->lineCount(), 1) : 1;
}

// Where each block's lines start, for a wrapping control. The run reads the lines one by one;
// without this, each read would walk every block before it. Edits bump the revision; a new
// width or font lays the text out anew without one, so they are part of the key too.
struct LineIndex
{
    QPointer<const QTextDocument> document;
    int revision = -1;
    qreal width = -1;
    QString font;
    std::vector<int> firstLines; ///< per block; one more entry: the total
};

const std::vector<int> &lineIndex(const QTextDocument *document)
{
    static LineIndex index;
    ensureLaidOut(document);
    const QString font = document->defaultFont().key();
    if (index.document == document && index.revision == document->revision()
        && index.width == document->pageSize().width() && index.font == font)
        return index.firstLines;
    index.document = document;
    index.revision = document->revision();
    index.width = document->pageSize().width();
    index.font = font;
    index.firstLines.clear();
    index.firstLines.reserve(size_t(document->blockCount()) + 1);
    int count = 0;
    for (QTextBlock block = document->begin(); block.isValid(); block = block.next()) {
        index.firstLines.push_back(count);
        count += layoutLines(block);
    }
    index.firstLines.push_back(count);
    return index.firstLines;
}

// The line count before leaving out an empty last line.
int rawLineCount(const RichEdit &edit)
{
    if (!wraps(edit))
        return edit.document()->blockCount();
    return lineIndex(edit.document()).back();
}

void insertLine(QTextCursor &cursor, const QByteArray &bytes, qint64 limit)
{
    // The text, and the paragraph break that ends it, must fit under the limit.
    const qint64 present = cursor.document()->characterCount() - 1;
    if (present + bytes.size() + 1 > limit)
        throw EPlatformError(QStringLiteral("RichEdit line insertion error"));
    // Appended lines carry no formatting: the bytes are shown in the default code page.
    const QTextCharFormat plain;
    cursor.movePosition(QTextCursor::End);
    cursor.insertText(codePage(plain).decode(bytes), plain);
    cursor.insertBlock(QTextBlockFormat(), plain);
}

} // namespace

int RichEdit::lineCount() const
{
    int count = rawLineCount(*this);
    if (count > 0 && document()->lastBlock().length() <= 1)
        --count;
    return count;
}

QByteArray RichEdit::line(int index) const
{
    const QTextDocument *document = this->document();
    if (index < 0)
        return {};
    if (!wraps(*this)) {
        const QTextBlock block = document->findBlockByNumber(index);
        return block.isValid() ? blockBytes(block, 0, block.length() - 1) : QByteArray();
    }
    const std::vector<int> &firstLines = lineIndex(document);
    if (index >= firstLines.back())
        return {};
    // The last block whose first line is at or before the index.
    const auto at = std::upper_bound(firstLines.begin(), firstLines.end() - 1, index) - 1;
    const QTextBlock block = document->findBlockByNumber(int(at - firstLines.begin()));
    const QTextLayout *layout = block.layout();
    if (!layout || layout->lineCount() == 0)
        return blockBytes(block, 0, block.length() - 1);
    const QTextLine laidOut = layout->lineAt(index - *at);
    // The blank where the line wraps stays on it, so the lines together hold every character.
    return blockBytes(block, laidOut.textStart(), laidOut.textStart() + laidOut.textLength());
}

void RichEdit::appendLine(const QByteArray &bytes)
{
    QTextCursor cursor(document());
    insertLine(cursor, bytes, m_textLimit);
}

void RichEdit::copyLinesFrom(const RichEdit &other)
{
    clearDocument();
    // One edit step, so the layout runs once for the whole text rather than once per line.
    QTextCursor cursor(document());
    cursor.beginEditBlock();
    struct EndBlock {
        QTextCursor &cursor;
        ~EndBlock() { cursor.endEditBlock(); }
    } end{cursor};
    const int count = other.lineCount();
    for (int i = 0; i < count; ++i)
        insertLine(cursor, other.line(i), m_textLimit);
}

} // namespace zv
