#include "platform/export/FontKind.h"

namespace zv {

FontKind fontKind(const QString &face)
{
    static const char *const mono[]
        = {"Courier", "Mono", "Consolas", "Console", "Fixedsys", "Terminal", "Typewriter"};
    static const char *const sans[] = {"Sans", "Arial", "Verdana", "Tahoma", "Helvetica", "Calibri",
        "Segoe", "Trebuchet", "Geneva", "Futura", "Gill", "Franklin", "Gothic", "Lucida Grande",
        "Roboto", "Ubuntu", "Symbol", "Wingdings", "Symbola"};
    for (const char *m : mono)
        if (face.contains(QLatin1String(m), Qt::CaseInsensitive))
            return FontKind::Mono;
    for (const char *m : sans)
        if (face.contains(QLatin1String(m), Qt::CaseInsensitive))
            return FontKind::Sans;
    return FontKind::Serif;
}

const char *cssGenericFamily(FontKind kind)
{
    switch (kind) {
    case FontKind::Mono: return "monospace";
    case FontKind::Sans: return "sans-serif";
    case FontKind::Serif: break;
    }
    return "serif";
}

} // namespace zv
