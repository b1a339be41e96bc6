#include "Sheet.h"

#include "syntax/Lexer.h"
#include "syntax/Text.h"

namespace logic::grade {
namespace {

bool isDigit(char32_t c)
{
    return c >= '0' && c <= '9';
}
bool isAsciiLetter(char32_t c)
{
    return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z');
}
char32_t lower(char32_t c)
{
    return c >= 'A' && c <= 'Z' ? c + 32 : c == U'Ó' ? U'ó' : c;
}
std::size_t spaces(std::u32string_view s, std::size_t i)
{
    while (i < s.size() && (s[i] == ' ' || s[i] == '\t' || s[i] == U'\u00A0'))
        ++i;
    return i;
}
// @p word, any case, at @p i of @p s: the position past it, or 0.
std::size_t word(std::u32string_view s, std::size_t i, std::u32string_view w)
{
    if (s.size() - i < w.size())
        return 0;
    for (std::size_t k = 0; k < w.size(); ++k)
        if (lower(s[i + k]) != w[k])
            return 0;
    return i + w.size();
}

// "(2 puntos)", "(1 punto)", "(1,5 puntos)": thousandths and the position past it, or 0.
std::size_t points(std::u32string_view s, std::size_t i, long &thousandths)
{
    if (i >= s.size() || s[i] != '(')
        return 0;
    i = spaces(s, i + 1);
    long whole = 0;
    const std::size_t d = i;
    while (i < s.size() && isDigit(s[i]) && i - d < 6)
        whole = whole * 10 + static_cast<long>(s[i++] - '0');
    if (i == d)
        return 0;
    long fraction = 0;
    if (i + 1 < s.size() && (s[i] == ',' || s[i] == '.') && isDigit(s[i + 1])) {
        long scale = 100;
        for (++i; i < s.size() && isDigit(s[i]); ++i) {
            fraction += static_cast<long>(s[i] - '0') * scale;
            scale /= 10;
        }
    }
    i = spaces(s, i);
    std::size_t past = word(s, i, U"punto");
    if (!past)
        return 0;
    if (past < s.size() && lower(s[past]) == 's')
        ++past;
    past = spaces(s, past);
    if (past >= s.size() || s[past] != ')')
        return 0;
    thousandths = whole * 1000 + fraction;
    return past + 1;
}

} // namespace

std::optional<ExerciseLabel> exerciseLabel(std::u32string_view line)
{
    std::size_t i = word(line, spaces(line, 0), U"ejercicio");
    if (!i || i >= line.size() || (line[i] != ' ' && line[i] != '\t'))
        return std::nullopt;
    i = spaces(line, i);
    const std::size_t d = i;
    while (i < line.size() && isDigit(line[i]) && i - d < 6)
        ++i;
    if (i == d)
        return std::nullopt;
    if (i < line.size() && isAsciiLetter(line[i])
        && (i + 1 == line.size() || !isAsciiLetter(line[i + 1])))
        ++i;
    if (i < line.size() && (isAsciiLetter(line[i]) || isDigit(line[i])))
        return std::nullopt;
    ExerciseLabel label;
    std::u32string name = U"Ejercicio ";
    name += line.substr(d, i - d);
    label.label = toUtf8(name);
    std::size_t j = spaces(line, i);
    if (const std::size_t past = points(line, j, label.points))
        j = spaces(line, past);
    if (j < line.size() && (line[j] == ':' || line[j] == '.'))
        j = spaces(line, j + 1);
    label.length = j;
    return label;
}

std::size_t solutionMark(std::u32string_view line)
{
    const std::size_t at = spaces(line, 0);
    std::size_t i = word(line, at, U"solución");
    if (!i)
        i = word(line, at, U"solucion");
    if (!i)
        return 0;
    i = spaces(line, i);
    return i < line.size() && line[i] == ':' ? spaces(line, i + 1) : 0;
}

std::vector<ExerciseSpan> findExercises(const std::vector<std::u32string> &lines)
{
    std::vector<ExerciseSpan> out;
    for (std::size_t i = 0; i < lines.size(); ++i) {
        if (auto label = exerciseLabel(lines[i])) {
            if (!out.empty())
                out.back().end = static_cast<int>(i);
            ExerciseSpan e;
            e.label = std::move(*label);
            e.line = static_cast<int>(i);
            e.end = static_cast<int>(lines.size());
            out.push_back(std::move(e));
        } else if (!out.empty() && out.back().solution < 0 && solutionMark(lines[i])) {
            out.back().solution = static_cast<int>(i);
        }
    }
    return out;
}

std::vector<std::pair<int, int>> solutionRanges(
    const std::vector<std::u32string> &lines, const std::vector<ExerciseSpan> &exercises)
{
    std::vector<std::pair<int, int>> out;
    for (const ExerciseSpan &e : exercises) {
        if (e.solution < 0)
            continue;
        int end = e.end;
        while (end > e.solution + 1 && trim(lines[static_cast<std::size_t>(end) - 1]).empty())
            --end;
        out.emplace_back(e.solution, end);
    }
    return out;
}

std::string studentName(const std::vector<std::u32string> &lines, int firstExercise)
{
    for (int i = 0; i < firstExercise && static_cast<std::size_t>(i) < lines.size(); ++i) {
        const std::u32string_view l = lines[static_cast<std::size_t>(i)];
        std::size_t at = word(l, spaces(l, 0), U"nombre");
        if (!at)
            continue;
        at = spaces(l, at);
        if (at < l.size() && l[at] == ':')
            return toUtf8(trim(l.substr(at + 1)));
    }
    return {};
}

std::string pointsText(long thousandths)
{
    std::string out = thousandths < 0 ? "-" : "";
    const long v = thousandths < 0 ? -thousandths : thousandths;
    out += std::to_string(v / 1000);
    std::string fraction = std::to_string(1000 + v % 1000).substr(1);
    while (!fraction.empty() && fraction.back() == '0')
        fraction.pop_back();
    if (!fraction.empty())
        out += "." + fraction;
    return out;
}

} // namespace logic::grade
