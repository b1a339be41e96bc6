#pragma once

#include <QByteArray>

namespace zv {

/// A font and character set that the document's bytes can be written in.
struct ByteFace
{
    const char16_t *name;
    int charset;
};

/**
 * Where text from outside keeps a character that its own font has no byte for: the editor's text
 * face for letters, else the first of "Symbol", "Wingdings 2" and "Wingdings 3" that has it, as
 * the palette's symbols are; nullptr when none has it.
 */
const ByteFace *byteFaceFor(char16_t ch);

/**
 * The bytes that @p ch, which its own font has no byte for, stands for in the byte faces
 * (byteFaceFor()): a turnstile sign is its "Symbol" pair, and ⊤, which none of them has, is the
 * palette's letter T. Empty when nothing stands for it.
 */
QByteArray bytesInByteFace(char16_t ch);

} // namespace zv
