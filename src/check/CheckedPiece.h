#pragma once
// What Ctrl+Enter checks when nothing is selected: the caret's line, unless that line is part
// of a piece of work (a derivation or tree, a table, a model), which reads only as a whole and
// only under the exercise above it.

#include <utility>

class QTextDocument;

namespace zv {

/// The span [from, to) of @p document, in positions, that a check from the caret at
/// @p position covers: the piece of work holding the caret's line with the lines above it up to
/// its exercise (and the "sistema:" lines above or below that), or else the caret's line alone.
std::pair<int, int> pieceAround(const QTextDocument &document, int position);

} // namespace zv
