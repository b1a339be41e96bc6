#pragma once

#include <QByteArray>

class QTextDocument;

namespace zv::rtf {

/**
 * Writes @p document as Zarvik's RTF: "{\rtf1\ansi\ansicpg1252\deff0", a font table keyed by
 * face name and character set, a colour table, and runs with \f \fs \b \i \ul \strike \cf \par.
 *
 * A character is written as the byte of its font's code page where it has one (\'hh above 0x7F);
 * under a symbol font or a code page other than 1252 as \uN followed by that byte, so that
 * Unicode readers show the character and 8-bit readers take the byte; otherwise as \uN?.
 * Under a symbol font N is the character the user sees (CodePage::readable()): a turnstile pair
 * is "{\uc2\uN\'f7\'hh}". Characters without a font name take the document's default font.
 *
 * A text face with the symbol character set, which other readers would show as symbols, is
 * written with the character set 0 of its bytes and "{\*\zvcharset2}", which only our reader
 * reads. Face names are written in their font's own code page.
 */
QByteArray writeRtf(const QTextDocument &document);

} // namespace zv::rtf
