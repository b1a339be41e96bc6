#include "platform/richedit/RichEdit.h"

#include "platform/codepages/CodePage.h"
#include "platform/errors/PlatformError.h"
#include "platform/format/LongParagraphs.h"
#include "platform/format/TextFormat.h"

#include <QAbstractTextDocumentLayout>
#include <QTextBlock>
#include <QTextCursor>
#include <QTextDocument>
#include <QTextLayout>

#include <QPointer>

#include <algorithm>
#include <utility>
#include <vector>

namespace zv {

namespace {

// A control without wrap shows one line per paragraph; a wrapping one, the lines of its layout.
bool wraps(const RichEdit &edit)
{
    return edit.lineWrapMode() != QTextEdit::NoWrap;
}

// Shift+Enter, an HTML <br> or RTF \line, and a VT read from a plain-text file all end a line
// without ending the paragraph.
bool isSoftBreak(QChar c)
{
    return c == QChar::LineSeparator || c == QChar(u'\v');
}

// A hidden control is never painted, so nothing else lays its text out. With a fixed wrap
// width the page width is already set; asking for the size finishes the layout.
void ensureLaidOut(const QTextDocument *document)
{
    document->documentLayout()->documentSize();
}

using Span = std::pair<int, int>; ///< [start, end) within a block

// The lines of one block, without the soft breaks that end them: a line starts at the block's
// start, after every soft break and, in a wrapping control, at every line of the layout.
std::vector<Span> blockLines(const QTextBlock &block, bool wrap)
{
    const QString text = block.text();
    std::vector<int> starts{0};
    for (qsizetype i = 0; i < text.size(); ++i)
        if (isSoftBreak(text.at(i)))
            starts.push_back(int(i) + 1);
    if (const QTextLayout *layout = wrap ? block.layout() : nullptr) {
        for (int l = 1; l < layout->lineCount(); ++l)
            starts.push_back(layout->lineAt(l).textStart());
        std::sort(starts.begin(), starts.end());
        starts.erase(std::unique(starts.begin(), starts.end()), starts.end());
    }
    std::vector<Span> lines;
    lines.reserve(starts.size());
    for (size_t k = 0; k < starts.size(); ++k) {
        int end = k + 1 < starts.size() ? starts[k + 1] : int(text.size());
        if (end > starts[k] && isSoftBreak(text.at(end - 1)))
            --end;
        // The blank where a line wraps stays on it, so the lines together hold every character.
        lines.emplace_back(starts[k], end);
    }
    return lines;
}

// Without wrap, the display blocks of a long paragraph are one line: a block that continues
// one starts no line at its start. A wrapping control lays them out as lines of their own.
bool joinsPrevious(const QTextBlock &block, bool wrap)
{
    return !wrap && continuesParagraph(block);
}

// Where each block's lines start. The run reads the lines one by one; without this, each read
// would walk every block before it. Edits bump the revision; a new width, font or wrap mode
// lays the text out anew without one, so they are part of the key too. The lines of the block
// read last are kept, so that a paragraph of many soft breaks is not split again per line.
struct LineIndex
{
    QPointer<const QTextDocument> document;
    int revision = -1;
    bool wrap = false;
    qreal width = -1;
    QString font;
    std::vector<int> firstLines; ///< per block; one more entry: the total
    int lastBlock = -1;
    std::vector<Span> lastLines;
};

LineIndex &lineIndex(const RichEdit &edit)
{
    static LineIndex index;
    const QTextDocument *document = edit.document();
    const bool wrap = wraps(edit);
    if (wrap)
        ensureLaidOut(document);
    const QString font = document->defaultFont().key();
    if (index.document == document && index.revision == document->revision() && index.wrap == wrap
        && index.width == document->pageSize().width() && index.font == font)
        return index;
    index.document = document;
    index.revision = document->revision();
    index.wrap = wrap;
    index.width = document->pageSize().width();
    index.font = font;
    index.lastBlock = -1;
    index.firstLines.clear();
    index.firstLines.reserve(size_t(document->blockCount()) + 1);
    int count = 0;
    for (QTextBlock block = document->begin(); block.isValid(); block = block.next()) {
        index.firstLines.push_back(count);
        count += int(blockLines(block, wrap).size()) - (joinsPrevious(block, wrap) ? 1 : 0);
    }
    index.firstLines.push_back(count);
    return index;
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
    int count = lineIndex(*this).firstLines.back();
    // An empty last line is left out, whether a paragraph break or a soft break ends the text.
    const QString last = document()->lastBlock().text();
    if (count > 0 && (last.isEmpty() || isSoftBreak(last.back())))
        --count;
    return count;
}

QByteArray RichEdit::line(int index) const
{
    LineIndex &lines = lineIndex(*this);
    const std::vector<int> &firstLines = lines.firstLines;
    if (index < 0 || index >= firstLines.back())
        return {};
    // The last block whose first line is at or before the index.
    const auto at = std::upper_bound(firstLines.begin(), firstLines.end() - 1, index) - 1;
    const int number = int(at - firstLines.begin());
    const QTextBlock block = document()->findBlockByNumber(number);
    if (lines.lastBlock != number) {
        lines.lastLines = blockLines(block, lines.wrap);
        lines.lastBlock = number;
    }
    const size_t within = size_t(index - *at) + (joinsPrevious(block, lines.wrap) ? 1 : 0);
    const Span span = lines.lastLines.at(within);
    QByteArray out;
    // The interpreter reads bytes: a symbol that another program left in a text font goes as
    // the palette's or a paste's bytes, not as the "?" of a character its font lacks.
    appendBlockBytes(out, block, span.first, span.second, Unencodable::AsByteFaceHasIt);
    // The block's last line goes on in the blocks that continue its paragraph.
    if (within + 1 == lines.lastLines.size())
        for (QTextBlock next = block.next(); joinsPrevious(next, lines.wrap); next = next.next()) {
            const std::vector<Span> more = blockLines(next, false);
            appendBlockBytes(
                out, next, more.front().first, more.front().second, Unencodable::AsByteFaceHasIt);
            if (more.size() > 1)
                break;
        }
    return out;
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
    struct EndBlock
    {
        QTextCursor &cursor;
        ~EndBlock() { cursor.endEditBlock(); }
    } end{cursor};
    const int count = other.lineCount();
    for (int i = 0; i < count; ++i)
        insertLine(cursor, other.line(i), m_textLimit);
}

} // namespace zv
