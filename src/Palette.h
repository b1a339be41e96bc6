#pragma once

#include <QByteArray>
#include <QString>
#include <QStringView>

#include <array>

namespace zv {

class SpeedButton;

/// One symbol button: where it stands, what its face shows and what it inserts. The row names
/// its button; the window maps the number to the button's handler.
struct PaletteRow
{
    int number; ///< SpeedButtonN
    int left;
    const char *face; ///< bytes drawn on the button
    const char *faceFont;
    int faceCharset;
    const char *inserted; ///< bytes put into the document
    const char *font;
    bool setsSymbolCharset;
    bool inProgramMode;
    const char *hint; ///< tooltip, or nullptr
    const char *accessibleName;
    const char *description;
    const char *symbol;                   ///< the symbol as Unicode (UTF-8), for menus and hints
    std::array<const char *, 2> texNames; ///< typed after a backslash; the second may be nullptr

    QByteArray insertedBytes() const { return QByteArray(inserted); }
    int advance() const { return int(qstrlen(inserted)); }
};

extern const PaletteRow kPalette[17];

/// The row whose TeX name is @p name (without its backslash), or nullptr.
const PaletteRow *paletteRowForTexName(QStringView name);
/// The length of the longest TeX name: a longer run of letters names no symbol.
int longestTexName();

/// The Spanish name and the TeX names ("Para todo — \forall"), after the row's own hint.
QString paletteHint(const PaletteRow &row);

/// Gives @p button the face, tooltip and accessible texts of @p row.
void dressPaletteButton(SpeedButton &button, const PaletteRow &row);

} // namespace zv
