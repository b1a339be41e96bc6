#include "platform/format/ReadableText.h"

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
struct Run {
    int position;
    QString text;
    QTextCharFormat format;
};

// The runs of [from, to) whose code page has pairs, each taken whole.
std::vector<Run> pairRuns(const QTextDocument &document, int from, int to)
{
    std::vector<Run> runs;
    int lastIndex = -1;
    for (QTextBlock block = document.findBlock(from); block.isValid() && block.position() < to;
         block = block.next()) {
        lastIndex = -1;
        for (auto it = block.begin(); !it.atEnd(); ++it) {
            const QTextFragment fragment = it.fragment();
            const int index = fragment.charFormatIndex();
            if (index == lastIndex && !runs.empty()) {
                runs.back().text += fragment.text();
                continue;
            }
            lastIndex = index;
            runs.push_back({fragment.position(), fragment.text(), fragment.charFormat()});
        }
    }
    std::erase_if(runs, [&](const Run &run) {
        return run.position >= to || run.position + int(run.text.size()) <= from
            || !codePage(run.format).hasPairs();
    });
    return runs;
}

} // namespace

bool reshowTurnstiles(QTextDocument &document, int from, int to, bool joinUndo)
{
    from = std::max(0, from - 1);
    to = std::min(document.characterCount(), to + 1);
    struct Change {
        int position;
        QString text;
        QTextCharFormat format;
    };
    std::vector<Change> changes;
    for (const Run &run : pairRuns(document, from, to)) {
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
    }
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
template <class Rewrite>
void rewriteRuns(QTextDocument &document, Rewrite &&rewrite)
{
    std::vector<Run> runs = pairRuns(document, 0, document.characterCount());
    QTextCursor cursor(&document);
    for (auto run = runs.rbegin(); run != runs.rend(); ++run) {
        const QString text = rewrite(codePage(run->format), run->text);
        if (text == run->text)
            continue;
        cursor.setPosition(run->position);
        cursor.setPosition(run->position + int(run->text.size()), QTextCursor::KeepAnchor);
        cursor.insertText(text, run->format);
    }
}

} // namespace

void makeReadable(QTextDocument &document)
{
    rewriteRuns(document, [](const CodePage &page, const QString &run) { return page.readable(run); });
}

void fromReadable(QTextDocument &document)
{
    rewriteRuns(document, [](const CodePage &page, const QString &run) {
        return page.shownFromUnicode(run);
    });
}

} // namespace zv
