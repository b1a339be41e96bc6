#pragma once

#include "platform/export/Derivations.h"

#include <QList>

class QTextDocument;

namespace zv {

/// How long the editor waits for the engine's reading of the derivations of a copy or an
/// export before it writes them as text.
inline constexpr int kDerivationsWaitMs = 2000;

/**
 * The derivations in [@p from, @p to) of @p document, as the logic engine reads them, with
 * their LaTeX and their bars; lines count from the range's first. Only the lines that can be
 * part of one (a ":" rule, a "--") go to the engine, so that the formulas of a worksheet are
 * not decided on the way. Empty when there is none, or when the engine fails or takes longer
 * than @p waitMs: then the text goes out as it reads. User input waits meanwhile, so the
 * document cannot change under the answer.
 */
QList<DerivationLines> derivationsIn(
    const QTextDocument &document, int from, int to, int waitMs = kDerivationsWaitMs);

} // namespace zv
