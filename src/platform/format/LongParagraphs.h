#pragma once

#include <QChar>
#include <QTextBlock>

#include <QString>

#include <functional>
#include <utility>
#include <vector>

class QTextDocument;

namespace zv {

/**
 * Qt lays out and shapes a paragraph whole, in a time that grows faster than its length: one
 * line of megabytes would freeze the window for minutes on opening and on every repaint. A
 * paragraph longer than kLongParagraphChars is held as display blocks of at most
 * kDisplayBlockChars characters, each one after the first marked fmt::ContinuesParagraph. The marks are for display only: whatever reads the
 * text (saving, copying, checking, running) joins the blocks again, and an edit never makes one.
 */
inline constexpr int kLongParagraphChars = 5'000;
/// Qt lays out a window's worth of blocks at once, whatever their length: 10,000 characters a
/// block froze a 10 MB line's opening for a second, 500 for 32 ms.
inline constexpr int kDisplayBlockChars = 500;

/// A display block after the first stands this far in (pixels), with a sign of its own there,
/// so that the cut does not pass for a line break.
inline constexpr int kDisplayCutIndent = 18;

/// Whether @p block goes on the paragraph before it, split from it only to be shown.
bool continuesParagraph(const QTextBlock &block);
/// Whether a real paragraph break follows @p block: it is the last, or the next one starts a
/// paragraph.
bool endsParagraph(const QTextBlock &block);

// Lines as the user counts them: a paragraph break ends one, and so does a soft line break
// (U+2028); the cut between display blocks does not.

/// How many lines start in @p block: one after each soft line break, and one at its start
/// unless it continues a paragraph.
int linesStartingIn(const QTextBlock &block);
/// Where the line that holds @p position starts, and where it ends (at its line break).
int lineStartOf(const QTextDocument &document, int position);
int lineEndOf(const QTextDocument &document, int position);
/// The paragraph that holds @p position, all its display blocks, without its break.
std::pair<int, int> paragraphAround(const QTextDocument &document, int position);

struct DocumentLine
{
    int start = 0; ///< document position of its first character
    int end = 0;   ///< of its line break
    QString text;  ///< without the cuts between display blocks
};
std::vector<DocumentLine> documentLines(const QTextDocument &document);

/// Whether @p ch is read as one character with the one before it: the second half of a
/// surrogate pair or the mark of a turnstile pair. No cut falls before one.
bool continuesCharacter(QChar ch);

/// Splits each paragraph longer than kLongParagraphChars into display blocks, after a blank
/// where one is near, with @p breathe called now and then. Meant for a document just read: it
/// keeps no undo step. Returns whether it split any.
bool splitLongParagraphs(QTextDocument &document, const std::function<void()> &breathe = {});

/// The same for the paragraphs that [@p from, @p to] touches, after an edit that may have made
/// one long (a paste): as part of the edit, inside its edit block, so that undo takes it back.
bool splitLongParagraphsIn(QTextDocument &document, int from, int to);

/// Joins the display blocks of every paragraph: what a copy made to leave the program needs.
void joinContinuedParagraphs(QTextDocument &document);

/// An edit makes real paragraph breaks only: a block that starts in (@p from, @p to] and got
/// its mark from the block it was split from loses it. For the edit paths that insert; with
/// @p joinUndo the change joins the edit's undo step. Never after an undo, which may bring a
/// display block back.
void clearContinuationIn(QTextDocument &document, int from, int to, bool joinUndo = false);

} // namespace zv
