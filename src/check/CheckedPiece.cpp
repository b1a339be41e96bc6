#include "CheckedPiece.h"
#include "platform/format/LongParagraphs.h"

#include <QRegularExpression>
#include <QTextBlock>
#include <QTextDocument>

#include <vector>

namespace zv {
namespace {

bool blank(const QString &s)
{
    return s.trimmed().isEmpty();
}

// "3. q :→E 1, 2", a tree's "5. ✕ :3, 4" or "6. ○", and the "--" between sibling branches.
bool stepLine(const QString &s)
{
    static const QRegularExpression numbered(QStringLiteral(R"(^\s*\d+\s*\.\s*\S.*:)"));
    static const QRegularExpression open(QStringLiteral(R"(^\s*\d+\s*\.\s*(○|abierta)\s*$)"),
        QRegularExpression::CaseInsensitiveOption);
    return numbered.match(s).hasMatch() || open.match(s).hasMatch()
        || s.trimmed() == QLatin1String("--");
}

bool tableLine(const QString &s)
{
    return s.contains(QLatin1Char('|'));
}

bool modelHeading(const QString &s)
{
    const QString t = s.trimmed().toLower();
    return t == QLatin1String("contramodelo:") || t == QLatin1String("modelo:");
}

bool modelEntry(const QString &s)
{
    static const QRegularExpression entry(
        QStringLiteral(R"(^\s*\w+\s*[:=]\s*\S)"), QRegularExpression::UseUnicodePropertiesOption);
    return entry.match(s).hasMatch() && !modelHeading(s);
}

bool systemLine(const QString &s)
{
    return s.trimmed().startsWith(QLatin1String("sistema"), Qt::CaseInsensitive)
        && s.contains(QLatin1Char(':'));
}

} // namespace

std::pair<int, int> pieceAround(const QTextDocument &document, int position)
{
    const std::vector<DocumentLine> lines = documentLines(document);
    int at = 0;
    while (at + 1 < int(lines.size()) && lines[std::size_t(at + 1)].start <= position)
        ++at;
    auto text = [&](int i) -> const QString & { return lines[std::size_t(i)].text; };
    auto run = [&](int from, bool (*member)(const QString &)) {
        int first = from, last = from;
        while (first > 0 && member(text(first - 1)))
            --first;
        while (last + 1 < int(lines.size()) && member(text(last + 1)))
            ++last;
        return std::pair{first, last};
    };

    int first = -1, last = -1;
    const QString &here = text(at);
    if (stepLine(here) && here.trimmed() != QLatin1String("--")) {
        std::tie(first, last) = run(at, stepLine);
    } else if (here.trimmed() == QLatin1String("--")) {
        const auto [a, b] = run(at, stepLine);
        if (a < at && b > at)
            first = a, last = b; // a separator between the lines of a derivation or tree
    } else if (tableLine(here)) {
        const auto [a, b] = run(at, tableLine);
        if (b > a) // a header and a row at least: one line with a "|" is a formula
            first = a, last = b;
    } else if (modelHeading(here) || modelEntry(here)) {
        int heading = at;
        while (heading > 0 && !modelHeading(text(heading)) && modelEntry(text(heading)))
            --heading;
        if (modelHeading(text(heading))) {
            first = last = heading;
            while (last + 1 < int(lines.size()) && modelEntry(text(last + 1)))
                ++last;
        }
    }
    if (first < 0)
        return paragraphAround(document, position);
    // The exercise it answers, the line above, past a "sistema:" line; and the "sistema:" line
    // above the exercise, whose system it is checked in.
    while (first > 0 && systemLine(text(first - 1)))
        --first;
    if (first > 0 && !blank(text(first - 1)))
        --first;
    while (first > 0 && systemLine(text(first - 1)))
        --first;
    return {lines[std::size_t(first)].start, lines[std::size_t(last)].end};
}

} // namespace zv
