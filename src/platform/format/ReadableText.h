#pragma once

#include "platform/codepages/CodePage.h"
#include "platform/format/LongParagraphs.h"
#include "platform/format/TextFormat.h"

#include <QString>
#include <QTextBlock>
#include <QTextCursor>
#include <QTextDocument>

#include <algorithm>
#include <utility>
#include <vector>

namespace zv {

/**
 * Shows the characters of [@p from, @p to), and the one on each side, as their code pages show
 * their bytes (CodePage::reshown): after an edit that split a turnstile pair or brought its two
 * bytes together, the pair shows as one sign again, or its bytes alone. A pair is two characters
 * of one format. The bytes never change. With @p joinUndo the change joins the previous undo
 * step, so that one undo takes back the edit and its new look together.
 * Returns whether any character changed.
 */
bool reshowTurnstiles(QTextDocument &document, int from, int to, bool joinUndo = false);

/**
 * Rewrites every run of @p document as the text the user sees (CodePage::readable): what a copy
 * made for the clipboard's text and HTML, for printing or for zvkconv carries. The document then
 * no longer holds one character per byte, and keeps no undo history: never save it.
 */
void makeReadable(QTextDocument &document);

/**
 * The way back for text from outside (a paste): in every run of a code page with pairs, a
 * turnstile sign without its mark gets one (CodePage::shownFromUnicode()), so that it stands
 * for its two bytes.
 */
void fromReadable(QTextDocument &document);

/**
 * Text from outside carries Unicode but no bytes: each character stays in its own font where
 * that font's code page has it, so that saving keeps it, and otherwise moves to a font that has
 * it (byteFaceFor()); then fromReadable(). What a paste and a UTF-8 text file go through.
 */
void keepCharactersAsBytes(QTextDocument &document);

/**
 * The characters [from, to) of a document as the user sees them, each tied to where it stands
 * in the document: what logic is checked in, and how an error in it finds its character again.
 */
struct ReadableSpan
{
    /// Readable text (CodePage::readable()); every line break, paragraph or soft, is '\n'.
    QString text;
    /// at[i] is the document position of text[i], at[text.size()] the end of the span: a
    /// turnstile pair is one character over two positions.
    std::vector<int> at;
    /// Where each line starts in text, so that range() costs a line's length, not the span's.
    std::vector<qsizetype> lineStarts{0};

    /// The document range of the @p column-th character (1-based, in code points) of the
    /// @p line-th line (1-based); {-1, -1} when there is no such character. A column just past
    /// the end of a line is the empty range at the line's end.
    std::pair<int, int> range(int line, int column) const;

    /// Adds @p next, the span that starts where this one ends (at a paragraph's start), so that
    /// a long document can be read a piece at a time.
    void append(ReadableSpan &&next);
    /// Room for a span of @p characters read a piece at a time: growing a span of megabytes
    /// copies it anew, in one freeze of the window each time.
    void reserve(qsizetype characters);
};

ReadableSpan readableSpan(const QTextDocument &document, int from, int to);

/**
 * Reads [@p from, @p to) of @p document as the user sees it, paragraph by paragraph:
 * @p character(ch, position, format) for each readable character (CodePage::visitReadable: a
 * turnstile pair is one call, at its first position), then @p paragraphEnd(separator) for each
 * paragraph the range touches, with the position of its end. The display blocks of a long
 * paragraph read as the one paragraph they are.
 */
/// A fragment longer than this is read only as far as a visit asks.
inline constexpr int kWholeFragmentChars = 1 << 16;

template <class Character, class ParagraphEnd>
void visitReadable(const QTextDocument &document, int from, int to, Character &&character,
    ParagraphEnd &&paragraphEnd)
{
    to = std::min(to, document.characterCount() - 1);
    // Positions are counted along, not asked for: a block's or fragment's position() walks the
    // document's tree, which over a long document costs more than the whole visit.
    QTextBlock block = document.findBlock(from);
    for (int blockAt = block.isValid() ? block.position() : 0; block.isValid() && blockAt < to;
         blockAt += block.length(), block = block.next()) {
        int fragmentAt = blockAt;
        for (auto it = block.begin(); !it.atEnd(); ++it) {
            const QTextFragment fragment = it.fragment();
            const int length = fragment.length();
            const int begin = std::max(from, fragmentAt);
            const int end = std::min(to, fragmentAt + length);
            const int start = fragmentAt;
            fragmentAt += length;
            if (begin >= end)
                continue;
            const QTextCharFormat format = fragment.charFormat();
            // A piece of a long fragment (a line of megabytes read a slice at a time) is copied
            // out alone: the whole fragment, each time, would cost its length per slice.
            QString text;
            QStringView shown;
            if (end - begin < length && length > kWholeFragmentChars) {
                QTextCursor piece(const_cast<QTextDocument *>(&document));
                piece.setPosition(begin);
                piece.setPosition(end, QTextCursor::KeepAnchor);
                text = piece.selectedText();
                shown = text;
            } else {
                text = fragment.text();
                shown = QStringView(text).mid(begin - start, end - begin);
            }
            codePage(format).visitReadable(shown, [&](char16_t ch, qsizetype at, qsizetype) {
                character(ch, begin + int(at), format);
            });
        }
        if (endsParagraph(block))
            paragraphEnd(blockAt + block.length() - 1);
    }
}

} // namespace zv
