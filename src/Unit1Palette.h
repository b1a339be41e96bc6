#pragma once

#include "Unit1.h"

#include <QByteArray>

namespace zv {

class SpeedButton;

/// One symbol button: where it stands, what its face shows and what it inserts.
struct PaletteRow
{
    int number;            ///< SpeedButtonN
    int left;
    const char *face;      ///< bytes drawn on the button
    const char *faceFont;
    int faceCharset;
    const char *inserted;  ///< bytes put into the document
    const char *font;
    bool setsSymbolCharset;
    bool inProgramMode;
    const char *hint;      ///< tooltip, or nullptr
    const char *accessibleName;
    const char *description;
    void (TForm1::*handler)(QObject *);

    QByteArray insertedBytes() const { return QByteArray(inserted); }
    int advance() const { return int(qstrlen(inserted)); }
};

extern const PaletteRow kPalette[17];

/// Gives @p button the face, tooltip and accessible texts of @p row.
void dressPaletteButton(SpeedButton &button, const PaletteRow &row);

} // namespace zv
