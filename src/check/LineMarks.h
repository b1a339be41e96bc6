#pragma once

#include "check/LogicProblem.h"

#include <QList>
#include <QString>
#include <QWidget>

#include <optional>

class QTextBlock;
class QTextDocument;

namespace zv {

class RichEdit;

/**
 * The answers of a check beside their lines: a margin at the left of the editor with a mark per
 * checked line (its short answer as tooltip), a wavy red line under a syntax error, and the bars
 * of the derivations. All of it is a view: nothing goes into the document, so nothing is saved,
 * copied, printed or exported. Editing a line takes its mark away; the margin appears with the
 * first mark and goes with clear().
 *
 * A check of a long worksheet leaves a mark on most of its lines, so they are kept by line
 * number, not as text cursors (which every edit of the document would move, each of them), and
 * only what the view shows is looked up and drawn.
 */
class LineMarks : public QWidget
{
    Q_OBJECT

public:
    explicit LineMarks(RichEdit &editor);

    /// A place in the document as its paragraph's number and the offset in it: edits in other
    /// paragraphs leave the offset as it is, and those above move the number.
    struct Place
    {
        int block = 0;
        int offset = 0;
        int blockNumber() const { return block; }
        auto operator<=>(const Place &) const = default;
    };
    struct Mark
    {
        Place at; ///< the start of the line (a soft line break starts one inside a paragraph)
        Outcome outcome = Outcome::Unknown;
        QString toolTip;
        int answerLine = 0; ///< the document line under which the check window answers
    };
    /// A derivation's bar (depth 0) or a subproof's: from its first line to its last, with the
    /// rule under the premises or the assumption.
    struct Bar
    {
        Place from, to;
        int depth = 1;
        /// The line under which the rule runs; none (the outer bar of a derivation without
        /// premises) puts it at the top.
        std::optional<Place> rule;
        /// The bar stands just left of this place: the text of its first line, or, for the
        /// outer bar, that of its first unindented line.
        Place beside;
    };
    /// A syntax error's characters [from, to) in one paragraph.
    struct Underline
    {
        int block = 0;
        int from = 0, to = 0;
    };

    void add(int position, Outcome outcome, const QString &toolTip, int answerLine);
    /// A subproof's bar, from its assumption's line to its last line, at @p depth > 0.
    void addBar(int fromPosition, int toPosition, int depth);
    /// The derivation's own bar, from its first line to its last; the rule goes under the line
    /// at @p lastPremise, or at the top when it is negative. The bar stands left of the text of
    /// the line at @p besidePosition, or of the derivation's start when that is negative.
    void addOuterBar(int fromPosition, int toPosition, int lastPremise, int besidePosition);
    /// Underlines [@p from, @p to) with a red wavy line; an empty span takes the character before.
    void underline(int from, int to);
    void clear();
    /// Forgets what was said of the lines between @p from and @p to, as before a new check of them.
    void clearRange(int from, int to);

    const QList<Mark> &marks() const { return m_marks; }
    const QList<Bar> &bars() const { return m_bars; }
    const QList<Underline> &underlines() const { return m_underlines; }
    /// Where @p place stands in the document now.
    int positionOf(const Place &place) const;
    /// The symbol drawn for @p outcome: ✔ ✘ ◐ ? or the error's mark.
    static QString symbol(Outcome outcome);

Q_SIGNALS:
    /// A click on the mark of the line that the check window answers as @p answerLine.
    void markClicked(int answerLine);

protected:
    bool event(QEvent *event) override;
    bool eventFilter(QObject *watched, QEvent *event) override;
    void paintEvent(QPaintEvent *event) override;
    void mousePressEvent(QMouseEvent *event) override;

private:
    void follow();
    Place placeAt(int position) const;
    void showMargin();
    void place();
    void edited(int position, int added);
    /// Forgets what was said of paragraphs @p first to @p last, then moves what stands below
    /// them by @p moved paragraphs.
    void forget(int first, int last, int moved);
    /// The first and last paragraphs the view shows.
    std::pair<int, int> visibleBlocks() const;
    void paintOverlay(QPainter &painter);
    void paintBars(QPainter &painter, int firstBlock, int lastBlock);
    void paintUnderlines(QPainter &painter, int firstBlock, int lastBlock);
    const Mark *markAt(int y) const;
    void dump();
    void writeDump() const;
    /// Where the line of @p place is drawn, across the margin, in the viewport's coordinates.
    QRect lineBox(const Place &place) const;
    /// The marks whose line is drawn between @p top and @p bottom, and where.
    QList<std::pair<const Mark *, QRect>> visibleMarks(int top, int bottom) const;

    RichEdit &m_editor;
    QTextDocument *m_document = nullptr; ///< the one the marks are in
    QList<Mark> m_marks;                 ///< in the order of their positions
    QList<Bar> m_bars;
    QList<Underline> m_underlines; ///< in the order of their paragraphs
    int m_blockCount = 0;          ///< the document's, after the last edit seen
    bool m_shown = false;
    bool m_dumpPending = false;
};

} // namespace zv
