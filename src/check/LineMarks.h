#pragma once

#include "check/LogicProblem.h"

#include <QList>
#include <QString>
#include <QTextCursor>
#include <QWidget>

class QTextDocument;

namespace zv {

class RichEdit;

/**
 * The answers of a check beside their lines: a margin at the left of the editor with a mark per
 * checked line (its short answer as tooltip), a wavy red line under a syntax error, and the bars
 * of the derivations. All of it is a view: nothing goes into the document, so nothing is saved,
 * copied, printed or exported. Editing a line takes its mark away; the margin appears with the
 * first mark and goes with clear().
 */
class LineMarks : public QWidget
{
    Q_OBJECT

public:
    explicit LineMarks(RichEdit &editor);

    struct Mark
    {
        QTextCursor at; ///< the start of the line; moves with the edits before it
        Outcome outcome = Outcome::Unknown;
        QString toolTip;
        int answerLine = 0; ///< the document line under which the check window answers
    };
    /// A subproof's bar: from its assumption's line to its last line, at its depth.
    struct Bar
    {
        QTextCursor from, to;
        int depth = 1;
    };

    void add(int position, Outcome outcome, const QString &toolTip, int answerLine);
    void addBar(int fromPosition, int toPosition, int depth);
    /// Underlines [@p from, @p to) with a red wavy line; an empty span takes the character before.
    void underline(int from, int to);
    void clear();
    /// Forgets what was said of the lines between @p from and @p to, as before a new check of them.
    void clearRange(int from, int to);

    const QList<Mark> &marks() const { return m_marks; }
    const QList<Bar> &bars() const { return m_bars; }
    const QList<QTextCursor> &underlines() const { return m_underlines; }
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
    void showUnderlines();
    void showMargin();
    void place();
    void forgetEdited(int position, int added);
    void paintBars(QPainter &painter);
    const Mark *markAt(int y) const;
    void dump();
    void writeDump() const;
    /// The marks whose line is drawn between @p top and @p bottom, and where.
    QList<std::pair<const Mark *, QRect>> visibleMarks(int top, int bottom) const;

    RichEdit &m_editor;
    QTextDocument *m_document = nullptr; ///< the one the marks are in
    QList<Mark> m_marks;                 ///< in the order of their positions
    QList<Bar> m_bars;
    QList<QTextCursor> m_underlines; ///< the syntax errors' characters
    bool m_shown = false;
    bool m_dumpPending = false;
};

} // namespace zv
