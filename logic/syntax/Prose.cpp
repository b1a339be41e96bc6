#include "Prose.h"

#include <array>
#include <cstddef>

namespace logic {
namespace {

bool isDigit(char32_t c)
{
    return c >= '0' && c <= '9';
}
bool isLower(char32_t c)
{
    return c >= 'a' && c <= 'z';
}
bool isUpper(char32_t c)
{
    return c >= 'A' && c <= 'Z';
}
// Letters of Spanish and its neighbours that no spelling of a logic symbol uses.
bool isAccented(char32_t c)
{
    return (c >= 0xC0 && c <= 0x24F && c != 0xD7 && c != 0xF7) || c == 0xAA || c == 0xBA;
}
bool isLetter(char32_t c)
{
    return isLower(c) || isUpper(c) || isAccented(c);
}
bool isSpace(char32_t c)
{
    return c == ' ' || c == '\t' || c == 0xA0;
}

std::size_t skipSpaces(std::u32string_view s, std::size_t i)
{
    while (i < s.size() && isSpace(s[i]))
        ++i;
    return i;
}

// Lower-case roman numerals, as exercises are numbered: i, ii, iv, ix...
bool isRoman(std::u32string_view s)
{
    if (s.empty())
        return false;
    for (char32_t c : s)
        if (c != 'i' && c != 'v' && c != 'x' && c != 'l' && c != 'c')
            return false;
    return true;
}

// One piece of a label at @p i: "12." "12)" "a)" "(iii)" "(2)" "(b)"; its end, or @p i.
std::size_t numbering(std::u32string_view s, std::size_t i)
{
    std::size_t j = i;
    if (j < s.size() && s[j] == '(') {
        std::size_t k = j + 1;
        while (k < s.size() && (isDigit(s[k]) || isLower(s[k])))
            ++k;
        const std::u32string_view inside = s.substr(j + 1, k - j - 1);
        bool digits = !inside.empty();
        for (char32_t c : inside)
            digits = digits && isDigit(c);
        if (k < s.size() && s[k] == ')' && (digits || inside.size() == 1 || isRoman(inside)))
            return k + 1;
        return i;
    }
    while (j < s.size() && isDigit(s[j]))
        ++j;
    if (j > i) {
        if (j < s.size() && (s[j] == '.' || s[j] == ')'))
            return j + 1;
        return i;
    }
    if (j < s.size() && isLower(s[j]) && j + 1 < s.size() && s[j + 1] == ')')
        return j + 2;
    return i;
}

// "(2 puntos)", "(1 punto)", "(1,5 puntos)": the position past it, or @p i.
std::size_t pointsGroup(std::u32string_view s, std::size_t i)
{
    if (i >= s.size() || s[i] != '(')
        return i;
    std::size_t j = skipSpaces(s, i + 1);
    const std::size_t d = j;
    while (j < s.size() && (isDigit(s[j]) || ((s[j] == ',' || s[j] == '.') && j > d)))
        ++j;
    if (j == d)
        return i;
    j = skipSpaces(s, j);
    static constexpr std::u32string_view kWord = U"punto";
    if (s.substr(j, kWord.size()) != kWord)
        return i;
    j += kWord.size();
    if (j < s.size() && s[j] == 's')
        ++j;
    j = skipSpaces(s, j);
    return j < s.size() && s[j] == ')' ? j + 1 : i;
}

// Words that no formula holds though they are short and capitalised, as a predicate and its
// terms can be ("Fab"): the commonest of Spanish prose.
bool isShortProseWord(std::u32string_view w)
{
    static constexpr std::array<std::u32string_view, 40> kWords
        = {U"La", U"Las", U"Lo", U"Los", U"El", U"Un", U"Una", U"Unos", U"Si", U"Sea", U"Sean",
            U"Es", U"En", U"Por", U"Para", U"Con", U"De", U"Del", U"Que", U"No", U"Al", U"Se",
            U"Su", U"Sus", U"Como", U"Dado", U"Dada", U"Dados", U"Todo", U"Toda", U"Hay", U"Ser",
            U"Son", U"Cada", U"Note", U"Use", U"Sin", U"Pero", U"Ya", U"Esto"};
    for (std::u32string_view k : kWords)
        if (w == k)
            return true;
    return false;
}

// Without what ends a sentence or introduces one: "Fin." "Nota:" "Fin!" "Fin…".
std::u32string_view withoutClosingMarks(std::u32string_view line)
{
    std::u32string_view t = line.substr(skipSpaces(line, 0));
    while (!t.empty()
        && (isSpace(t.back()) || t.back() == '.' || t.back() == ':' || t.back() == '!'
            || t.back() == U'…'))
        t.remove_suffix(1);
    return t;
}

} // namespace

bool isClosingWord(std::u32string_view line)
{
    // Short enough to read as a predicate and its terms, or a formula cut short; longer words
    // are prose on their own (readsAsProseAnyway()).
    static constexpr std::array<std::u32string_view, 20> kWords
        = {U"Fin", U"FIN", U"Nota", U"NOTA", U"Obs", U"OBS", U"Sol", U"SOL", U"Resp", U"Dem", U"Ej",
            U"Etc", U"Ok", U"OK", U"Vale", U"QED", U"CQD", U"Bien", U"Mal", U"Idem"};
    const std::u32string_view t = withoutClosingMarks(line);
    for (std::u32string_view w : kWords)
        if (t == w)
            return true;
    return false;
}

int labelLength(std::u32string_view line)
{
    std::size_t i = skipSpaces(line, 0);
    const std::size_t start = i;
    // "Ejercicio 3:", "Pregunta 2.", "Ejercicio 3 a)": a word, a number, then ':' or '.' or more
    // numbering.
    if (i < line.size() && isUpper(line[i])) {
        std::size_t j = i + 1;
        while (j < line.size() && isLetter(line[j]))
            ++j;
        std::size_t k = skipSpaces(line, j);
        std::size_t d = k;
        while (d < line.size() && isDigit(line[d]))
            ++d;
        if (j - i >= 4 && d > k) {
            // "Ejercicio 3b (1,5 puntos):": a letter and the points belong to the label.
            if (d < line.size() && line[d] < 0x80 && isLetter(line[d])
                && (d + 1 == line.size() || !isLetter(line[d + 1])))
                ++d;
            if (const std::size_t past = pointsGroup(line, skipSpaces(line, d));
                past > skipSpaces(line, d) && past < line.size()
                && (line[past] == ':' || line[past] == '.'))
                d = past;
            if (d < line.size() && (line[d] == ':' || line[d] == '.' || line[d] == ')')) {
                i = d + 1;
            } else {
                const std::size_t more = numbering(line, skipSpaces(line, d));
                i = more > skipSpaces(line, d) ? more : i;
            }
        }
    }
    if (i == start)
        i = numbering(line, i);
    if (i == start)
        return 0;
    // "(p) ∧ q": what follows a label starts a formula; a connective between two formulas does not.
    const auto startsFormula = [&line](std::size_t at) {
        at = skipSpaces(line, at);
        return at < line.size()
            && std::u32string_view(U"∧∨→↔⊨⊢&|=≠,)").find(line[at]) == std::u32string_view::npos;
    };
    // "1. a)": numbering after numbering, unless it is the formula's own "(p)" ("(iii) (p) ∧ q").
    for (std::size_t more; (more = numbering(line, skipSpaces(line, i))) > skipSpaces(line, i)
         && startsFormula(more);)
        i = more;
    if (!startsFormula(i))
        return 0;
    return static_cast<int>(skipSpaces(line, i));
}

bool isSolutionMark(std::u32string_view line)
{
    std::u32string_view t = withoutClosingMarks(line);
    static constexpr std::u32string_view kAccented = U"olución", kPlain = U"olucion";
    if (t.size() != 8 || (t[0] != 'S' && t[0] != 's'))
        return false;
    t.remove_prefix(1);
    if (t != kAccented && t != kPlain)
        return false;
    const std::u32string_view whole = line.substr(0, line.find_last_not_of(U" \t") + 1);
    return !whole.empty() && whole.back() == ':';
}

bool readsAsProseAnyway(std::u32string_view line)
{
    const std::u32string_view t = withoutClosingMarks(line);
    // "Q.E.D", "N.B": initials, which would read as a conjunction.
    bool initials = t.size() >= 3 && t.size() % 2 == 1;
    for (std::size_t k = 0; initials && k < t.size(); ++k)
        initials = k % 2 == 0 ? isUpper(t[k]) : t[k] == '.';
    // "Premisas", "Correcto": a predicate with six terms written alone is a word.
    bool word = t.size() >= 5;
    for (std::size_t k = 0; word && k < t.size(); ++k)
        word = isLetter(t[k]);
    return initials || word;
}

bool looksLikeProse(std::u32string_view line)
{
    if (readsAsProseAnyway(line) || isClosingWord(line))
        return true;
    for (std::size_t i = 0; i < line.size();) {
        if (!isLetter(line[i])) {
            // A TeX name (\forall) is logic, however long.
            if (line[i] == '\\')
                while (++i < line.size() && isLetter(line[i])) {}
            else
                ++i;
            continue;
        }
        std::size_t j = i;
        bool accented = false, lowerFirst = isLower(line[i]);
        for (; j < line.size() && isLetter(line[j]); ++j)
            accented = accented || isAccented(line[j]);
        const std::u32string_view word = line.substr(i, j - i);
        // Letters followed by digits are names (p1, x2, Rxy2): the digits end nothing here.
        if (accented || (lowerFirst && word.size() >= 2) || word.size() >= 5
            || isShortProseWord(word))
            return true;
        i = j;
    }
    return false;
}

} // namespace logic
