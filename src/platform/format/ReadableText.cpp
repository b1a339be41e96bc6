#include "platform/format/ReadableText.h"

#include "platform/codepages/ByteFaces.h"
#include "platform/codepages/CodePage.h"
#include "platform/format/TextFormat.h"

#include <QTextBlock>
#include <QTextCursor>
#include <QTextDocument>

#include <algorithm>
#include <vector>

namespace zv {

namespace {

// A stretch of one block in one character format: the unit in which pairs are read.
struct Run
{
    int position;
    QString text;
    QTextCharFormat format;
};

// Calls @p visit with each run of [from, to) whose code page has pairs, each taken whole, in
// order. Only such runs are copied: a long document has few.
template <class Visit>
void forEachPairRun(const QTextDocument &document, int from, int to, Visit &&visit)
{
    std::vector<signed char> hasPairs; // by format index; -1 not yet known
    Run run{-1, {}, {}};
    const auto finish = [&] {
        if (run.position >= 0 && run.position < to && run.position + int(run.text.size()) > from)
            visit(run);
        run.position = -1;
        run.text.clear();
    };
    for (QTextBlock block = document.findBlock(from); block.isValid() && block.position() < to;
         block = block.next()) {
        int lastIndex = -1;
        for (auto it = block.begin(); !it.atEnd(); ++it) {
            const QTextFragment fragment = it.fragment();
            const int index = fragment.charFormatIndex();
            if (index == lastIndex) {
                if (run.position >= 0)
                    run.text += fragment.text();
                continue;
            }
            finish();
            lastIndex = index;
            if (index >= int(hasPairs.size()))
                hasPairs.resize(std::size_t(index) + 1, -1);
            signed char &pairs = hasPairs[std::size_t(index)];
            if (pairs < 0)
                pairs = codePage(fragment.charFormat()).hasPairs() ? 1 : 0;
            if (pairs)
                run = {fragment.position(), fragment.text(), fragment.charFormat()};
        }
        finish();
    }
}

} // namespace

bool reshowTurnstiles(QTextDocument &document, int from, int to, bool joinUndo)
{
    from = std::max(0, from - 1);
    to = std::min(document.characterCount(), to + 1);
    struct Change
    {
        int position;
        QString text;
        QTextCharFormat format;
    };
    std::vector<Change> changes;
    forEachPairRun(document, from, to, [&](const Run &run) {
        const QString shown = codePage(run.format).reshown(run.text);
        for (qsizetype i = 0; i < shown.size(); ++i) {
            if (shown[i] == run.text[i])
                continue;
            qsizetype end = i + 1;
            while (end < shown.size() && shown[end] != run.text[end])
                ++end;
            changes.push_back({run.position + int(i), shown.mid(i, end - i), run.format});
            i = end;
        }
    });
    if (changes.empty())
        return false;
    QTextCursor cursor(&document);
    if (joinUndo)
        cursor.joinPreviousEditBlock();
    else
        cursor.beginEditBlock();
    // Same lengths: the positions of later changes stay.
    for (const Change &change : changes) {
        cursor.setPosition(change.position);
        cursor.setPosition(change.position + int(change.text.size()), QTextCursor::KeepAnchor);
        cursor.insertText(change.text, change.format);
    }
    cursor.endEditBlock();
    return true;
}

namespace {

// Rewrites each run with pairs as @p rewrite gives it; from the end, so that a run of another
// length leaves the positions before it as they were.
template <class Rewrite> void rewriteRuns(QTextDocument &document, Rewrite &&rewrite)
{
    struct Change
    {
        Run run;
        QString text;
    };
    std::vector<Change> changes;
    forEachPairRun(document, 0, document.characterCount(), [&](const Run &run) {
        QString text = rewrite(codePage(run.format), run.text);
        if (text != run.text)
            changes.push_back({run, std::move(text)});
    });
    QTextCursor cursor(&document);
    for (auto change = changes.rbegin(); change != changes.rend(); ++change) {
        const Run &run = change->run;
        cursor.setPosition(run.position);
        cursor.setPosition(run.position + int(run.text.size()), QTextCursor::KeepAnchor);
        cursor.insertText(change->text, run.format);
    }
}

} // namespace

void makeReadable(QTextDocument &document)
{
    // A copy for export: nothing to undo, and a long document's history would cost memory.
    document.setUndoRedoEnabled(false);
    rewriteRuns(
        document, [](const CodePage &page, const QString &run) { return page.readable(run); });
}

void fromReadable(QTextDocument &document)
{
    rewriteRuns(document,
        [](const CodePage &page, const QString &run) { return page.shownFromUnicode(run); });
}

} // namespace zv

namespace zv {

ReadableSpan readableSpan(const QTextDocument &document, int from, int to)
{
    ReadableSpan span;
    to = std::min(to, document.characterCount() - 1);
    span.text.reserve(std::max(0, to - from));
    span.at.reserve(std::size_t(std::max(0, to - from)) + 1);
    const auto lineBreak = [](char16_t ch) {
        return ch == u'\n' || ch == u'\r' || ch == u'\v' || ch == QChar::LineSeparator
            || ch == QChar::ParagraphSeparator;
    };
    visitReadable(
        document, from, to,
        [&](char16_t ch, int position, const QTextCharFormat &) {
            span.text += lineBreak(ch) ? QChar(u'\n') : QChar(ch);
            span.at.push_back(position);
            if (lineBreak(ch))
                span.lineStarts.push_back(span.text.size());
        },
        [&](int separator) {
            if (separator >= from && separator < to) {
                span.text += QLatin1Char('\n');
                span.at.push_back(separator);
                span.lineStarts.push_back(span.text.size());
            }
        });
    span.at.push_back(std::max(from, to));
    return span;
}

void ReadableSpan::reserve(qsizetype characters)
{
    text.reserve(characters);
    at.reserve(std::size_t(characters) + 1);
}

void ReadableSpan::append(ReadableSpan &&next)
{
    if (at.empty() && text.capacity() == 0) {
        *this = std::move(next);
        return;
    }
    const qsizetype offset = text.size();
    text += next.text;
    if (!at.empty())
        at.pop_back(); // this span's end is where the next one begins
    at.insert(at.end(), next.at.begin(), next.at.end());
    for (std::size_t i = 1; i < next.lineStarts.size(); ++i)
        lineStarts.push_back(next.lineStarts[i] + offset);
}

std::pair<int, int> ReadableSpan::range(int line, int column) const
{
    if (line < 1 || column < 1)
        return {-1, -1};
    if (std::size_t(line) > lineStarts.size())
        return {-1, -1};
    qsizetype i = lineStarts[std::size_t(line) - 1];
    for (int c = 1; c < column; ++c) {
        if (i >= text.size() || text[i] == u'\n')
            return {-1, -1};
        i += text[i].isHighSurrogate() && i + 1 < text.size() ? 2 : 1;
    }
    if (i >= text.size() || text[i] == u'\n')
        return {at[std::size_t(i)], at[std::size_t(i)]};
    const qsizetype next = text[i].isHighSurrogate() && i + 1 < text.size() ? i + 2 : i + 1;
    return {at[std::size_t(i)], at[std::size_t(next)]};
}

void keepCharactersAsBytes(QTextDocument &document)
{
    struct Run
    {
        int from;
        int to;
        const ByteFace *face;
        int formatIndex; ///< of the characters' own format, which the run keeps
        QTextCharFormat format;
    };
    std::vector<Run> runs;
    for (QTextBlock block = document.begin(); block.isValid(); block = block.next()) {
        for (auto it = block.begin(); !it.atEnd(); ++it) {
            const QTextFragment fragment = it.fragment();
            const CodePage &page = codePage(fragment.charFormat());
            const QString text = fragment.text();
            for (qsizetype i = 0; i < text.size(); ++i) {
                const char16_t ch = text.at(i).unicode();
                if (ch < 0x20 || ch == QChar::LineSeparator || page.fromUnicode(ch) >= 0)
                    continue;
                const ByteFace *face = byteFaceFor(ch);
                if (!face)
                    continue;
                const int at = fragment.position() + int(i);
                const int index = fragment.charFormatIndex();
                if (!runs.empty() && runs.back().to == at && runs.back().face == face
                    && runs.back().formatIndex == index)
                    ++runs.back().to;
                else
                    runs.push_back({at, at + 1, face, index, fragment.charFormat()});
            }
        }
    }
    QTextCursor cursor(&document);
    for (Run &run : runs) {
        setCharset(run.format, run.face->charset);
        setFaceName(run.format, QString::fromUtf16(run.face->name));
        cursor.setPosition(run.from);
        cursor.setPosition(run.to, QTextCursor::KeepAnchor);
        cursor.setCharFormat(run.format);
    }
    // A turnstile from outside is one character for two bytes.
    fromReadable(document);
}

} // namespace zv
