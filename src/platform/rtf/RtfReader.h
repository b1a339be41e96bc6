#pragma once

#include <QByteArrayView>

#include <functional>

class QTextDocument;

namespace zv::rtf {

/// Called now and then during a long read, so that the caller's window can repaint.
using Breather = std::function<void()>;

/**
 * Reads RTF into an empty QTextDocument: fonts with their character sets, sizes, colours, bold,
 * italic, underline, strike-out, paragraphs, line breaks and tabs. Each character carries the
 * document's font name and character set (see TextFormat.h) and is the Unicode that is shown.
 *
 * One loop over the tokens with a stack of group states: no recursion, time linear in the
 * input, memory in proportion to it.
 *
 * @p breathe, when given, is called about every 50 ms of reading.
 *
 * Returns false, leaving the document in an unspecified state, when the input does not start
 * with "{\rtf" or passes one of the structural limits of RtfLimits.h. A file cut short is read
 * up to where it ends.
 */
bool readRtf(QByteArrayView input, QTextDocument &document, const Breather &breathe = {});

} // namespace zv::rtf
