#pragma once

class QTextDocument;

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

} // namespace zv
