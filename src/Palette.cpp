#include "Palette.h"

#include "platform/codepages/CodePage.h"
#include "platform/format/TextFormat.h"
#include "platform/widgets/SpeedButton.h"

#include <algorithm>

namespace zv {

// In the order of the toolbar. Faces equal the inserted bytes but for SpeedButton7.
// clang-format off
const PaletteRow kPalette[17] = {
    {3, 288, "\xAC", "Verdana", kAnsiCharset, "\xAC", "Verdana", false, true, nullptr,
     "Negación", "Inserta el signo de negación ¬", "¬", {"neg", "lnot"}},
    {17, 312, "V", "Verdana", kAnsiCharset, "V", "Verdana", false, true, nullptr,
     "Disyunción", "Inserta el signo de disyunción V", "V", {"lor", "vee"}},
    {18, 336, "&", "Verdana", kAnsiCharset, "&", "Verdana", false, true, nullptr,
     "Conjunción", "Inserta el signo de conjunción &", "&", {"land", "wedge"}},
    {4, 360, "->", "Verdana", kAnsiCharset, "->", "Verdana", false, true, nullptr,
     "Condicional", "Inserta el signo del condicional ->", "->", {"to", "rightarrow"}},
    {6, 384, "n", "Wingdings 3", kSymbolCharset, "n", "Wingdings 3", false, true, nullptr,
     "Bicondicional", "Inserta la flecha doble del bicondicional ↔", "↔",
     {"leftrightarrow", "bicond"}},
    {5, 408, "f", "Wingdings 3", kSymbolCharset, "f", "Wingdings 3", true, false, nullptr,
     "Flecha a la izquierda", "Inserta la flecha a la izquierda ←", "←", {"leftarrow", "gets"}},
    {1, 432, "\x22", "Symbol", kSymbolCharset, "\x22", "Symbol", false, false, nullptr,
     "Para todo", "Inserta el cuantificador universal ∀", "∀", {"forall", nullptr}},
    {2, 456, "\x24", "Symbol", kSymbolCharset, "\x24", "Symbol", false, false, nullptr,
     "Existe", "Inserta el cuantificador existencial ∃", "∃", {"exists", nullptr}},
    {20, 480, "\xBA", "Symbol", kSymbolCharset, "\xBA", "Symbol", false, false, nullptr,
     "Equivalencia", "Inserta el signo de equivalencia ≡", "≡", {"equiv", nullptr}},
    {16, 504, "T", "Verdana", kAnsiCharset, "T", "Verdana", false, false, nullptr,
     "Verdadero", "Inserta la constante verdadero T", "T", {"top", nullptr}},
    {19, 528, "\x5E", "Symbol", kSymbolCharset, "\x5E", "Symbol", false, false, nullptr,
     "Falso", "Inserta la constante falso ⊥", "⊥", {"bot", nullptr}},
    {7, 552, "\xFA", "Wingdings 2", kSymbolCharset, "\xA3", "Wingdings 2", false, false, nullptr,
     "Necesidad", "Inserta el operador modal de necesidad □", "□", {"Box", nullptr}},
    {8, 576, "\xAF", "Wingdings 2", kSymbolCharset, "\xAF", "Wingdings 2", false, false, nullptr,
     "Posibilidad", "Inserta el operador modal de posibilidad ◇", "◇", {"Diamond", nullptr}},
    {22, 600, "\xF7\x3D", "Symbol", kSymbolCharset, "\xF7\x3D", "Symbol", true, false, nullptr,
     "Consecuencia semántica", "Inserta el signo de consecuencia semántica ⊨",
     "⊨", {"models", nullptr}},
    {23, 624, "\xF7\x2D", "Symbol", kSymbolCharset, "\xF7\x2D", "Symbol", true, false, nullptr,
     "Deducibilidad", "Inserta el signo de deducibilidad ⊢", "⊢", {"vdash", nullptr}},
    {21, 648, "\xDE", "Symbol", kAnsiCharset, "\xDE", "Symbol", false, false, nullptr,
     "Implicación", "Inserta la flecha doble de implicación ⇒", "⇒", {"Rightarrow", "implies"}},
    {15, 672, "\xDB", "Symbol", kSymbolCharset, "\xDB", "Symbol", false, false, "AYUDA",
     "Doble implicación", "Inserta la flecha doble de doble implicación ⇔",
     "⇔", {"Leftrightarrow", "iff"}},
};
// clang-format on

const PaletteRow *paletteRowForTexName(QStringView name)
{
    for (const PaletteRow &row : kPalette)
        for (const char *texName : row.texNames)
            if (texName && name == QLatin1StringView(texName))
                return &row;
    return nullptr;
}

int longestTexName()
{
    static const int longest = [] {
        qsizetype n = 0;
        for (const PaletteRow &row : kPalette)
            for (const char *texName : row.texNames)
                n = std::max(n, texName ? qsizetype(qstrlen(texName)) : 0);
        return int(n);
    }();
    return longest;
}

QString paletteHint(const PaletteRow &row)
{
    QString names;
    for (const char *texName : row.texNames)
        if (texName)
            names += (names.isEmpty() ? QStringLiteral("\\") : QStringLiteral(" o \\"))
                + QLatin1StringView(texName);
    const QString hint = QString::fromUtf8(row.accessibleName) + QStringLiteral(" — ") + names;
    return row.hint ? QString::fromUtf8(row.hint) + QLatin1Char('\n') + hint : hint;
}

void dressPaletteButton(SpeedButton &button, const PaletteRow &row)
{
    const QString faceFont = QString::fromLatin1(row.faceFont);
    QFont face;
    face.setFamilies(displayFamilies(faceFont, row.faceCharset));
    face.setPointSize(10);
    face.setBold(true);
    button.setFont(face);
    const CodePage &page = CodePage::forFont(faceFont, row.faceCharset);
    QString caption = page.decode(row.face);
    // A face code at which the font has no glyph would show an empty button: show the symbol
    // that the button inserts instead.
    if (std::all_of(caption.cbegin(), caption.cend(),
            [](QChar c) { return c.unicode() >= 0xF000 && c.unicode() <= 0xF0FF; }))
        caption = page.decode(row.inserted);
    // "&&" draws one ampersand: a single one would be taken as a mnemonic marker.
    caption.replace(QLatin1Char('&'), QStringLiteral("&&"));
    button.setText(caption);
    button.setToolTip(paletteHint(row));
    button.setAccessibleName(QString::fromUtf8(row.accessibleName));
    button.setAccessibleDescription(QString::fromUtf8(row.description));
}

} // namespace zv
