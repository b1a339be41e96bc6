#pragma once

#include <QList>
#include <QString>

class QPainter;
class QTextDocument;

namespace zv {

/**
 * A derivation of the text that leaves Zarvik, as the logic engine laid it out. Lines count as
 * a check counts them, from 1 at the first line of the exported range; a soft line break starts
 * one too.
 */
struct DerivationLines
{
    int first = 0, last = 0; ///< its lines, the argument above it not among them
    QString latex;           ///< one lplfitch \fitchprf; empty: its lines go out as text

    /// A vertical bar from line @c first to line @c last, with a horizontal one under line
    /// @c rule (an assumption, or the last premise), or none when @c rule is 0.
    struct Bar
    {
        int first = 0, last = 0, rule = 0;
    };
    QList<Bar> bars; ///< the derivation's own first, then one per subderivation
};

/**
 * Draws the bars of @p derivations over @p document, which its layout has laid out on the
 * painter's device and whose lines are the ones the derivations count: each bar just left of
 * the first character of the line where it starts, each horizontal line under its line's text.
 * Lines beyond the document are passed over.
 */
void drawDerivationBars(
    QPainter &painter, const QTextDocument &document, const QList<DerivationLines> &derivations);

} // namespace zv
