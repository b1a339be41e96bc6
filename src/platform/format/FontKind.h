#pragma once

#include <QString>

namespace zv {

/// What a face looks like, as far as LaTeX and CSS can say it with a face of their own.
enum class FontKind { Serif, Sans, Mono };

/// Told by the face's name: "Courier New" is Mono, "Verdana" Sans, "Times New Roman" Serif;
/// the symbol fonts are drawn through a sans list. An unknown face is Serif.
FontKind fontKind(const QString &face);

/// The CSS generic family of @p kind: "serif", "sans-serif" or "monospace".
const char *cssGenericFamily(FontKind kind);

/// @p html with each font its style attributes name followed by the generic family that looks
/// like it ("font-family:'Verdana', sans-serif"), so that a browser or a mail program without
/// the face still shows one of its kind.
QString withGenericFamilies(const QString &html);

} // namespace zv
