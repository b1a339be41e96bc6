#include "platform/format/LongParagraphs.h"

#include "platform/codepages/CodePage.h"
#include "platform/format/TextFormat.h"

#include <QTextCursor>
#include <QTextDocument>

#include <vector>

namespace zv {

namespace {

// A cut looks this far back for a blank, so that words stay whole on the screen.
constexpr int kBlankReach = 60;

QTextBlockFormat withoutMark(QTextBlockFormat format)
{
    format.clearProperty(fmt::ContinuesParagraph);
    format.clearProperty(QTextFormat::BlockLeftMargin);
    return format;
}

// The offsets in @p block where its display blocks start, the first excepted. Read a character
// at a time: a copy of a block of megabytes costs more than all its cuts.
std::vector<int> cutsOf(const QTextDocument &document, const QTextBlock &block)
{
    std::vector<int> cuts;
    const int base = block.position();
    const int size = block.length() - 1;
    const auto at = [&](int i) { return document.characterAt(base + i); };
    int start = 0;
    while (size - start > kDisplayBlockChars) {
        int cut = start + kDisplayBlockChars;
        for (int i = cut; i > cut - kBlankReach; --i)
            if (at(i - 1) == QLatin1Char(' ')) {
                cut = i;
                break;
            }
        while (cut < size && continuesCharacter(at(cut)))
            ++cut;
        if (cut >= size)
            break;
        cuts.push_back(cut);
        start = cut;
    }
    return cuts;
}

} // namespace

bool continuesParagraph(const QTextBlock &block)
{
    return block.isValid() && block.blockFormat().boolProperty(fmt::ContinuesParagraph);
}

bool endsParagraph(const QTextBlock &block)
{
    return !continuesParagraph(block.next());
}

bool continuesCharacter(QChar ch)
{
    return ch.isLowSurrogate() || ch.unicode() == kTurnstiles[0].mark
        || ch.unicode() == kTurnstiles[1].mark;
}

int linesStartingIn(const QTextBlock &block)
{
    return int(block.text().count(QChar::LineSeparator)) + (continuesParagraph(block) ? 0 : 1);
}

int lineStartOf(const QTextDocument &document, int position)
{
    QTextBlock block = document.findBlock(position);
    qsizetype before = position - block.position();
    for (;;) {
        const qsizetype soft
            = before > 0 ? block.text().lastIndexOf(QChar::LineSeparator, before - 1) : -1;
        if (soft >= 0)
            return block.position() + int(soft) + 1;
        if (!continuesParagraph(block))
            return block.position();
        block = block.previous();
        before = block.length() - 1;
    }
}

int lineEndOf(const QTextDocument &document, int position)
{
    QTextBlock block = document.findBlock(position);
    qsizetype from = position - block.position();
    for (;;) {
        const qsizetype soft = block.text().indexOf(QChar::LineSeparator, from);
        if (soft >= 0)
            return block.position() + int(soft);
        if (endsParagraph(block))
            return block.position() + block.length() - 1;
        block = block.next();
        from = 0;
    }
}

std::pair<int, int> paragraphAround(const QTextDocument &document, int position)
{
    QTextBlock first = document.findBlock(position);
    while (continuesParagraph(first))
        first = first.previous();
    QTextBlock last = document.findBlock(position);
    while (!endsParagraph(last))
        last = last.next();
    return {first.position(), last.position() + last.length() - 1};
}

std::vector<DocumentLine> documentLines(const QTextDocument &document)
{
    std::vector<DocumentLine> lines;
    DocumentLine line;
    for (QTextBlock block = document.begin(); block.isValid(); block = block.next()) {
        const QString text = block.text();
        if (!continuesParagraph(block))
            line.start = block.position();
        qsizetype from = 0;
        for (qsizetype soft = text.indexOf(QChar::LineSeparator); soft >= 0;
             soft = text.indexOf(QChar::LineSeparator, from)) {
            line.text += QStringView(text).mid(from, soft - from);
            line.end = block.position() + int(soft);
            lines.push_back(std::move(line));
            line = {block.position() + int(soft) + 1, 0, {}};
            from = soft + 1;
        }
        line.text += QStringView(text).mid(from);
        if (endsParagraph(block)) {
            line.end = block.position() + block.length() - 1;
            lines.push_back(std::move(line));
            line = {};
        }
    }
    return lines;
}

namespace {

// Splits the long blocks among those that [from, to] touches; false when there is none.
bool splitBlocks(QTextDocument &document, int from, int to, const std::function<void()> &breathe)
{
    std::vector<std::pair<int, std::vector<int>>> long_;
    for (QTextBlock block = document.findBlock(from); block.isValid() && block.position() <= to;
         block = block.next())
        if (block.length() - 1 > kLongParagraphChars)
            long_.emplace_back(block.position(), cutsOf(document, block));
    if (long_.empty())
        return false;
    QTextCursor cursor(&document);
    // Inside an edit block a cursor that moves does not lay out its block to learn its x.
    cursor.beginEditBlock();
    int made = 0;
    // From the end, so that the positions still to cut stay where they were read.
    for (auto paragraph = long_.rbegin(); paragraph != long_.rend(); ++paragraph) {
        for (auto cut = paragraph->second.rbegin(); cut != paragraph->second.rend(); ++cut) {
            cursor.setPosition(paragraph->first + *cut);
            QTextBlockFormat format = cursor.blockFormat();
            format.setProperty(fmt::ContinuesParagraph, true);
            format.setLeftMargin(kDisplayCutIndent);
            cursor.insertBlock(format, cursor.charFormat());
            if (breathe && ++made % 64 == 0)
                breathe();
        }
    }
    cursor.endEditBlock();
    return true;
}

} // namespace

bool splitLongParagraphs(QTextDocument &document, const std::function<void()> &breathe)
{
    const bool undo = document.isUndoRedoEnabled();
    document.setUndoRedoEnabled(false);
    const bool cut = splitBlocks(document, 0, document.characterCount(), breathe);
    document.setUndoRedoEnabled(undo);
    return cut;
}

bool splitLongParagraphsIn(QTextDocument &document, int from, int to)
{
    return splitBlocks(document, from, to, {});
}

void joinContinuedParagraphs(QTextDocument &document)
{
    std::vector<int> separators;
    for (QTextBlock block = document.begin(); block.isValid(); block = block.next())
        if (continuesParagraph(block.next()))
            separators.push_back(block.position() + block.length() - 1);
    QTextCursor cursor(&document);
    cursor.beginEditBlock();
    for (auto at = separators.rbegin(); at != separators.rend(); ++at) {
        cursor.setPosition(*at);
        cursor.deleteChar();
    }
    cursor.endEditBlock();
}

void clearContinuationIn(QTextDocument &document, int from, int to, bool joinUndo)
{
    std::vector<int> marked;
    QTextBlock block = document.findBlock(from);
    if (block.isValid() && block.position() <= from)
        block = block.next();
    for (; block.isValid() && block.position() <= to; block = block.next())
        if (continuesParagraph(block))
            marked.push_back(block.position());
    if (marked.empty())
        return;
    QTextCursor cursor(&document);
    if (joinUndo)
        cursor.joinPreviousEditBlock();
    else
        cursor.beginEditBlock();
    for (const int at : marked) {
        cursor.setPosition(at);
        cursor.setBlockFormat(withoutMark(cursor.blockFormat()));
    }
    cursor.endEditBlock();
}

} // namespace zv
