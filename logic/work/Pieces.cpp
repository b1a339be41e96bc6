#include "StudentTable.h"
#include "syntax/Lexer.h"

#include <algorithm>
#include <cctype>

namespace logic {
namespace {

bool isSpace(char32_t c)
{
    return c == ' ' || c == '\t' || c == 0xA0;
}

// A bar between cells: "|=" and "|-" are the keyboard's turnstiles, as in "p, q |= r".
bool holdsBar(std::u32string_view line)
{
    if (isRuleLine(line))
        return line.find(U'|') != std::u32string_view::npos;
    for (std::size_t i = 0; i < line.size(); ++i)
        if (line[i] == U'|' && (i + 1 == line.size() || (line[i + 1] != '=' && line[i + 1] != '-')))
            return true;
    return false;
}

bool isBlank(std::u32string_view line)
{
    return trim(line).empty();
}

// A row of values: every cell a truth value.
bool isValueRow(std::u32string_view line)
{
    const std::vector<std::u32string> cells = tableCells(line);
    return !cells.empty() && std::all_of(cells.begin(), cells.end(), [](const auto &c) {
        return truthValue(c) >= 0;
    });
}

} // namespace

std::vector<std::u32string> tableCells(std::u32string_view line)
{
    std::vector<std::u32string> cells;
    std::u32string_view s = trim(line);
    if (!s.empty() && s.front() == U'|')
        s.remove_prefix(1);
    if (!s.empty() && s.back() == U'|')
        s.remove_suffix(1);
    for (;;) {
        const std::size_t bar = s.find(U'|');
        cells.emplace_back(trim(s.substr(0, bar)));
        if (bar == std::u32string_view::npos)
            break;
        s.remove_prefix(bar + 1);
    }
    return cells;
}

bool isRuleLine(std::u32string_view line)
{
    bool stroke = false;
    for (char32_t c : line) {
        if (c == '-' || c == '=')
            stroke = true;
        else if (c != '+' && c != '|' && !isSpace(c))
            return false;
    }
    return stroke;
}

int truthValue(std::u32string_view cell)
{
    char32_t value = 0;
    for (char32_t c : cell) {
        if (isSpace(c))
            continue;
        if (value)
            return -1;
        value = c;
    }
    switch (value) {
    case 'V':
    case 'v':
    case 'T':
    case 't':
    case '1': return 1;
    case 'F':
    case 'f':
    case '0': return 0;
    default: return -1;
    }
}

int workFirstLine(std::span<const std::u32string> lines, const WorkPiece &piece)
{
    int at = piece.first;
    while (piece.kind == WorkKind::Table && at + 1 < piece.end
        && isRuleLine(lines[static_cast<std::size_t>(at)]))
        ++at;
    return at;
}

std::optional<std::u32string> answerText(std::u32string_view line)
{
    std::u32string_view s = trim(line);
    static constexpr std::u32string_view kWord = U"respuesta";
    if (s.size() < kWord.size())
        return std::nullopt;
    for (std::size_t i = 0; i < kWord.size(); ++i)
        if (s[i] >= 0x80 || std::tolower(static_cast<int>(s[i])) != static_cast<int>(kWord[i]))
            return std::nullopt;
    s = trim(s.substr(kWord.size()));
    if (s.empty() || s.front() != ':')
        return std::nullopt;
    // "Respuesta:" alone heads prose below it.
    s = trim(s.substr(1));
    if (s.empty())
        return std::nullopt;
    return std::u32string(s);
}

std::vector<WorkPiece> findWork(std::span<const std::u32string> lines, std::span<const int> taken)
{
    std::vector<WorkPiece> pieces;
    const std::size_t n = lines.size();
    auto free = [&](std::size_t i) { return i < n && (i >= taken.size() || taken[i] < 0); };
    for (std::size_t i = 0; i < n;) {
        if (!free(i)) {
            ++i;
            continue;
        }
        if (modelHeading(lines[i])) {
            std::size_t end = i + 1;
            while (free(end) && modelEntry(lines[end]))
                ++end;
            // A heading with no entry under it is a line of prose.
            if (end > i + 1) {
                pieces.push_back({WorkKind::Model, static_cast<int>(i), static_cast<int>(end)});
                i = end;
                continue;
            }
        }
        if (answerText(lines[i])) {
            pieces.push_back({WorkKind::Answer, static_cast<int>(i), static_cast<int>(i) + 1});
            ++i;
            continue;
        }
        if (!holdsBar(lines[i])) {
            ++i;
            continue;
        }
        std::size_t end = i;
        while (free(end) && !answerText(lines[end])
            && (holdsBar(lines[end]) || isRuleLine(lines[end])))
            ++end;
        // A rule of dashes alone under the table is its border only when nothing follows it
        // that it could separate.
        while (end > i && !holdsBar(lines[end - 1])
            && !(end == n || isBlank(lines[end]) || answerText(lines[end])))
            --end;
        std::size_t header = i;
        while (header < end && isRuleLine(lines[header]))
            ++header;
        bool values = false;
        for (std::size_t k = header + 1; k < end && !values; ++k)
            values = !isRuleLine(lines[k]) && isValueRow(lines[k]);
        if (header < end && values) {
            pieces.push_back({WorkKind::Table, static_cast<int>(i), static_cast<int>(end)});
            i = end;
        } else {
            ++i;
        }
    }
    return pieces;
}

} // namespace logic
