#include "platform/format/FontKind.h"

#include <QRegularExpression>

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

QString withGenericFamilies(const QString &html)
{
    // Only in style attributes: the text itself has its quotes escaped.
    static const QRegularExpression style(QStringLiteral("style=\"([^\"]*)\""));
    static const QRegularExpression family(
        QStringLiteral("font-family:\\s*((?:'[^']*'|[^;']+)(?:,\\s*(?:'[^']*'|[^;',]+))*)"));
    QString out;
    qsizetype at = 0;
    for (const QRegularExpressionMatch &s : style.globalMatch(html)) {
        const QRegularExpressionMatch m = family.match(s.captured(1));
        if (!m.hasMatch())
            continue;
        const qsizetype end = s.capturedStart(1) + m.capturedEnd(1);
        out += QStringView(html).mid(at, end - at);
        QString first = m.captured(1).section(QLatin1Char(','), 0, 0).trimmed();
        first.remove(QLatin1Char('\''));
        out += QStringLiteral(", ") + QLatin1String(cssGenericFamily(fontKind(first)));
        at = end;
    }
    return out + html.mid(at);
}

} // namespace zv
