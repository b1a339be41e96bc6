#include "Derivation.h"

#include "syntax/Lexer.h"
#include "syntax/Parser.h"
#include "syntax/Prose.h"
#include "syntax/Text.h"

#include <algorithm>
#include <cctype>

namespace logic {
namespace {

bool isDigit(char32_t c)
{
    return c >= '0' && c <= '9';
}

bool isDash(char32_t c)
{
    return c == '-' || c == U'–' || c == U'—';
}

// "sistema: S4" belongs to the program, not to a derivation, though it has a colon; the name
// after the colon goes to @p name.
bool isSystemLine(std::u32string_view t, std::u32string_view *name = nullptr)
{
    static constexpr std::u32string_view kWord = U"sistema";
    if (t.size() <= kWord.size())
        return false;
    for (std::size_t i = 0; i < kWord.size(); ++i)
        if ((t[i] | 0x20) != kWord[i])
            return false;
    const std::u32string_view rest = trim(t.substr(kWord.size()));
    if (rest.substr(0, 1) != U":")
        return false;
    if (name)
        *name = trim(rest.substr(1));
    return true;
}

char32_t foldedLetter(char32_t c)
{
    switch (c) {
    case U'á':
    case U'Á': return 'a';
    case U'é':
    case U'É': return 'e';
    case U'í':
    case U'Í': return 'i';
    case U'ó':
    case U'Ó': return 'o';
    case U'ú':
    case U'Ú': return 'u';
    default: return c < 0x80 ? (c | 0x20) : c;
    }
}

// @p t in lower case without accents, for words a teacher may write either way.
std::u32string folded(std::u32string_view t)
{
    std::u32string out;
    for (char32_t c : t)
        out += foldedLetter(c);
    return out;
}

// "reglas: básicas": the word before the colon is @p word, and the rest goes to @p value.
bool isSettingLine(std::u32string_view t, std::u32string_view word, std::u32string_view &value)
{
    t = trim(t);
    if (t.size() <= word.size() || folded(t.substr(0, word.size())) != word)
        return false;
    const std::u32string_view rest = trim(t.substr(word.size()));
    if (rest.substr(0, 1) != U":")
        return false;
    value = trim(rest.substr(1));
    return true;
}

bool isCourseLine(std::u32string_view t)
{
    std::u32string_view value;
    return isSettingLine(t, U"reglas", value) || isSettingLine(t, U"ayuda", value);
}

// Characters that the editor's palette writes as bytes of its symbol font: outside the editor
// they are other letters, so a message does not quote them.
bool holdsPaletteBytes(std::u32string_view t)
{
    for (std::size_t i = 0; i < t.size(); ++i)
        if (symbolFor(t[i], i + 1 < t.size() ? t[i + 1] : 0))
            return true;
    return false;
}

std::string snippet(std::u32string_view line, std::size_t from)
{
    std::size_t end = from;
    while (end < line.size() && !isSpaceChar(line[end]) && line[end] != ',')
        ++end;
    return toUtf8(line.substr(from, std::max<std::size_t>(end - from, 1)));
}

// The citations after the rule: numbers and ranges i-j, separated by commas and/or spaces.
bool readCitations(std::u32string_view line, std::size_t pos, std::size_t end, DerivationLine &out)
{
    bool tooLong = false;
    auto number = [&](std::size_t &i, int &value) {
        const std::size_t from = i;
        long long v = 0;
        while (i < end && isDigit(line[i])) {
            if (v < 100'000'000)
                v = v * 10 + (line[i] - '0');
            ++i;
        }
        value = static_cast<int>(v);
        // No derivation is that long; its digits are quoted as written, not as read.
        if (i - from > 9 && !tooLong) {
            tooLong = true;
            out.error = "la derivación no tiene línea " + toUtf8(line.substr(from, i - from));
            out.errorColumn = static_cast<int>(from) + 1;
        }
        return i > from;
    };
    auto skipBlanks = [&](std::size_t &i) {
        while (i < end && isSpaceChar(line[i]))
            ++i;
    };
    std::size_t i = pos;
    while (true) {
        while (i < end && (isSpaceChar(line[i]) || line[i] == ',' || line[i] == ';'))
            ++i;
        if (i >= end)
            return true;
        Citation c;
        c.begin = static_cast<int>(i);
        if (!number(i, c.first)) {
            out.error = "no se entiende la cita «" + snippet(line, i)
                + "»: se esperaba un número de línea o un rango i-j";
            out.errorColumn = static_cast<int>(i) + 1;
            return false;
        }
        c.last = c.first;
        std::size_t j = i;
        skipBlanks(j);
        if (j < end && isDash(line[j])) {
            ++j;
            skipBlanks(j);
            if (!number(j, c.last)) {
                out.error = "al rango que empieza en " + std::to_string(c.first)
                    + " le falta la última línea (se escribe i-j)";
                out.errorColumn = static_cast<int>(j) + 1;
                return false;
            }
            c.range = true;
            i = j;
        }
        c.end = static_cast<int>(i);
        out.citations.push_back(c);
        if (tooLong)
            return false;
    }
}

bool isStrictOpening(std::u32string_view text)
{
    const Lexer lexer(text);
    const Token box = lexer.next(0);
    return box.kind == Tok::Box && lexer.next(box.pos + box.len).kind == Tok::End;
}

enum class Shape { None, Separator, Line };

// What line @p text is, given that the block would number it @p expected; @p inside tells
// whether a block is already open (a first line must have a known rule and clean citations,
// or, @p anyRule, be numbered and hold a formula before its colon).
Shape classify(Logic &logic, std::u32string_view text, int expected, bool inside,
    DerivationLine &out, bool anyRule = false, int *writtenNumber = nullptr)
{
    const std::u32string_view t = trim(text);
    if (t.empty() || t.substr(0, 2) == U"//" || isSystemLine(t) || isCourseLine(t))
        return Shape::None;
    std::size_t pos = 0;
    int indent = 0;
    while (pos < text.size() && isSpaceChar(text[pos])) {
        indent += text[pos] == '\t' ? 4 : 1;
        ++pos;
    }
    out.indent = indent;
    if (t == U"--") {
        out.separator = true;
        return Shape::Separator;
    }
    // "k." or "k)" before the formula.
    int written = -1;
    std::size_t i = pos;
    while (i < text.size() && isDigit(text[i]))
        ++i;
    if (i > pos && i < text.size() && (text[i] == '.' || text[i] == ')') && i - pos < 9) {
        written = std::stoi(toUtf8(text.substr(pos, i - pos)));
        if (writtenNumber)
            *writtenNumber = written;
        out.numberBegin = static_cast<int>(pos);
        out.numberEnd = static_cast<int>(i) + 1;
        pos = i + 1;
    }
    std::size_t colon = text.rfind(U':');
    bool hasColon = colon != std::u32string_view::npos && colon >= pos;
    // "q<tab>→E 1, 2": a tab typed for the colon. The line is read as if it were one, and
    // faulted for it, so that the slip is named instead of the block passed over.
    std::size_t tabForColon = std::u32string_view::npos;
    if (!hasColon) {
        const std::size_t tab = text.rfind(U'\t');
        if (tab != std::u32string_view::npos && tab > pos
            && !trim(text.substr(pos, tab - pos)).empty()) {
            const std::u32string_view after = trim(text.substr(tab + 1));
            int length = 0;
            if (matchRule(after, length) != Rule::Unknown) {
                colon = tabForColon = tab;
                hasColon = true;
            }
        }
    }
    if (!hasColon && !(inside && written == expected))
        return Shape::None;
    const std::size_t formulaEnd = hasColon ? colon : text.size();
    std::size_t fb = pos, fe = formulaEnd;
    while (fb < fe && isSpaceChar(text[fb]))
        ++fb;
    while (fe > fb && isSpaceChar(text[fe - 1]))
        --fe;
    out.formulaBegin = static_cast<int>(fb);
    out.formulaEnd = static_cast<int>(fe);
    const std::u32string_view formulaText = text.substr(fb, fe - fb);

    // The justification: a rule, then its citations.
    std::string justificationError;
    int justificationColumn = 0;
    if (hasColon) {
        std::size_t rb = colon + 1;
        while (rb < text.size() && isSpaceChar(text[rb]))
            ++rb;
        std::size_t je = text.size();
        while (je > rb && isSpaceChar(text[je - 1]))
            --je;
        out.justificationEnd = static_cast<int>(je);
        int length = 0;
        out.rule = matchRule(text.substr(rb, je - rb), length);
        out.ruleBegin = static_cast<int>(rb);
        out.ruleEnd = static_cast<int>(rb) + length;
        if (out.rule == Rule::Unknown) {
            justificationColumn = static_cast<int>(rb) + 1;
            justificationError = rb == je ? "falta la regla tras «:»"
                                          : "no se conoce la regla «" + snippet(text, rb) + "»";
        } else if (!readCitations(text, static_cast<std::size_t>(out.ruleEnd), je, out)) {
            justificationError = out.error;
            justificationColumn = out.errorColumn;
            out.error.clear();
        }
        // "R4" with nothing to cite is line 4 reiterated, as everywhere outside modal logic.
        if ((out.rule == Rule::Rule4 || out.rule == Rule::Rule5) && out.citations.empty()
            && justificationError.empty()) {
            Citation c;
            c.first = c.last = out.rule == Rule::Rule4 ? 4 : 5;
            c.begin = out.ruleEnd - 1;
            c.end = out.ruleEnd;
            out.citations.push_back(c);
            out.rule = Rule::Reiteration;
            out.ruleEnd -= 1;
        }
    } else {
        justificationError = "falta la justificación: tras la fórmula, «:» y la regla con las "
                             "líneas que cita";
        justificationColumn = static_cast<int>(text.size()) + 1;
    }

    // The formula.
    std::string formulaError;
    int formulaColumn = 0;
    if (formulaText.empty()) {
        formulaError = "falta la fórmula antes de «:»";
        formulaColumn = static_cast<int>(fb) + 1;
    } else if (isStrictOpening(formulaText)) {
        out.strictOpening = true;
    } else {
        const LineParse parsed = parseLine(logic, formulaText, Encoding::Utf8);
        if (!parsed.ok()) {
            formulaError = "no se entiende la fórmula: " + parsed.error;
            if (formulaError.back() == '.')
                formulaError.pop_back();
            formulaColumn = static_cast<int>(fb) + parsed.column;
        } else if (parsed.argument) {
            formulaError = "una línea de la derivación lleva una fórmula, no un argumento";
            formulaColumn = static_cast<int>(fb) + 1;
        } else if (logic.node(parsed.conclusion).depth > kMaxFormulaDepth) {
            formulaError = "la fórmula anida más de " + std::to_string(kMaxFormulaDepth)
                + " operadores; simplifíquela";
            formulaColumn = static_cast<int>(fb) + 1;
        } else {
            out.formula = parsed.conclusion;
            if (!holdsPaletteBytes(formulaText))
                out.written = toUtf8(formulaText);
        }
    }
    if (!inside) {
        // A block opens only at an unmistakable line: prose with a colon is not one.
        if (!justificationError.empty()
            && !(anyRule && hasColon && written >= 0 && formulaError.empty()))
            return Shape::None;
    } else if (out.rule == Rule::Unknown && !formulaError.empty() && written != expected) {
        return Shape::None;
    }
    if (!formulaError.empty()) {
        out.error = formulaError;
        out.errorColumn = formulaColumn;
    } else if (!justificationError.empty()) {
        out.error = justificationError;
        out.errorColumn = justificationColumn;
    } else if (tabForColon != std::u32string_view::npos) {
        out.error = "entre la fórmula y la regla hay un tabulador en lugar de «:»";
        out.errorColumn = static_cast<int>(tabForColon) + 1;
    } else if (written >= 0 && written != expected) {
        out.error = "la línea lleva el número " + std::to_string(written) + ", pero es la línea "
            + std::to_string(expected) + " de la derivación";
        out.errorColumn = out.numberBegin + 1;
    }
    return Shape::Line;
}

void setError(DerivationLine &line, const std::string &message)
{
    if (!line.error.empty())
        return;
    line.error = message;
    line.errorColumn = (line.formulaBegin >= 0 ? line.formulaBegin : 0) + 1;
}

// Subderivations from the indentation: a line more indented than the one above opens one, a line
// back at an outer indentation closes every one deeper than it, "--" closes those at or beyond
// its own indentation so that the next line can open a sibling.
void structure(Derivation &d)
{
    int base = -1;
    const DerivationLine *first = nullptr;
    for (const DerivationLine &l : d.lines)
        if (!l.separator) {
            base = base < 0 ? l.indent : std::min(base, l.indent);
            first = first ? first : &l;
        }
    // A theorem's derivation opens with an indented assumption, and the outermost level where
    // it ends may not be written yet: that level is left of the first line.
    if (first && base > 0 && first->indent == base
        && (first->rule == Rule::Assumption || first->strictOpening))
        base -= 1;
    struct Frame
    {
        int indent;
        int subproof;
    };
    std::vector<Frame> stack{{base, -1}};
    auto open = [&](DerivationLine &l) {
        if (static_cast<int>(stack.size()) > kMaxSubderivationDepth) {
            setError(l,
                "la derivación anida más de " + std::to_string(kMaxSubderivationDepth)
                    + " subderivaciones");
            return;
        }
        l.opens = static_cast<int>(d.subproofs.size());
        Subderivation s;
        s.first = s.last = l.number;
        s.parent = stack.back().subproof;
        s.depth = static_cast<int>(stack.size());
        s.strict = l.strictOpening;
        d.subproofs.push_back(s);
        stack.push_back({l.indent, static_cast<int>(d.subproofs.size()) - 1});
        if (l.rule != Rule::Assumption)
            setError(l,
                l.strictOpening
                    ? std::string("□ abre una subderivación estricta y se justifica con AS")
                    : std::string("esta línea abre una subderivación (está más sangrada que la "
                                  "anterior), y eso solo lo hace un supuesto (AS)"));
    };
    for (DerivationLine &l : d.lines) {
        if (l.separator) {
            std::size_t before = stack.size();
            while (stack.size() > 1 && stack.back().indent > l.indent)
                stack.pop_back();
            if (stack.size() == before && stack.size() > 1 && stack.back().indent == l.indent)
                stack.pop_back();
            l.depth = static_cast<int>(stack.size()) - 1;
            l.subproof = stack.back().subproof;
            continue;
        }
        const bool assumption = l.rule == Rule::Assumption || l.strictOpening;
        if (l.indent > stack.back().indent) {
            open(l);
        } else {
            while (stack.size() > 1 && stack.back().indent > l.indent)
                stack.pop_back();
            if (stack.back().indent != l.indent) {
                setError(l,
                    "la sangría de esta línea no coincide con la de ninguna "
                    "subderivación abierta");
                if (assumption)
                    open(l);
            } else if (assumption && stack.size() == 1) {
                setError(l,
                    l.strictOpening ? "□ abre una subderivación estricta: sangre esta línea más "
                                      "que la anterior"
                                    : "un supuesto abre una subderivación: sangre esta línea más "
                                      "que la anterior");
            } else if (assumption) {
                setError(l,
                    "falta «--» antes de este supuesto, que abre otra subderivación al "
                    "lado de la anterior");
                stack.pop_back();
                open(l);
            }
        }
        l.depth = static_cast<int>(stack.size()) - 1;
        l.subproof = stack.back().subproof;
        for (const Frame &f : stack)
            if (f.subproof >= 0)
                d.subproofs[static_cast<std::size_t>(f.subproof)].last = l.number;
    }
}

} // namespace

namespace {

Derivation readBlock(Logic &logic, std::span<const std::u32string> lines, int start, bool anyRule)
{
    Derivation d;
    if (start < 0 || start >= static_cast<int>(lines.size()))
        return d;
    bool afterBlank = false;
    for (int i = start; i < static_cast<int>(lines.size()); ++i) {
        DerivationLine l;
        Shape shape = classify(
            logic, lines[static_cast<std::size_t>(i)], d.count() + 1, !d.empty(), l, anyRule);
        if (shape == Shape::None && !d.empty()
            && trim(lines[static_cast<std::size_t>(i)]).empty()) {
            // A blank line that the derivation goes on after: a slip, said on the next line,
            // instead of a second derivation that cites lines it does not have.
            int next = i + 1;
            while (next < static_cast<int>(lines.size())
                && trim(lines[static_cast<std::size_t>(next)]).empty())
                ++next;
            if (next < static_cast<int>(lines.size())) {
                DerivationLine after;
                int afterNumber = -1;
                const Shape afterShape = classify(logic, lines[static_cast<std::size_t>(next)],
                    d.count() + 1, true, after, false, &afterNumber);
                // Numbered as the next line, or citing lines as no first line can.
                const bool goesOn = afterShape == Shape::Line && after.rule != Rule::Unknown
                    && (after.numberBegin >= 0
                            ? afterNumber == d.count() + 1
                            : !after.citations.empty() && after.rule != Rule::Premise);
                if (goesOn) {
                    afterBlank = true;
                    i = next - 1;
                    continue;
                }
            }
        }
        if (shape == Shape::None || (d.empty() && shape == Shape::Separator))
            break;
        l.textLine = i;
        if (afterBlank && l.error.empty()) {
            l.error = "antes de esta línea hay una línea en blanco, que parte la derivación: "
                      "sus líneas van seguidas";
            l.errorColumn = 1;
        }
        afterBlank = false;
        if (shape == Shape::Line) {
            l.number = d.count() + 1;
            d.numbered.push_back(static_cast<int>(d.lines.size()));
        }
        d.lines.push_back(std::move(l));
    }
    // A separator after the last formula line belongs to what follows.
    while (!d.lines.empty() && d.lines.back().separator)
        d.lines.pop_back();
    if (d.empty())
        return d;
    d.firstLine = start;
    d.endLine = d.lines.back().textLine + 1;
    structure(d);
    return d;
}

bool isWord(std::u32string_view text, std::u32string_view word)
{
    if (text.size() != word.size())
        return false;
    for (std::size_t i = 0; i < word.size(); ++i)
        if ((text[i] < 0x80 ? static_cast<char32_t>(std::tolower(static_cast<int>(text[i])))
                            : text[i])
            != word[i])
            return false;
    return true;
}

} // namespace

Derivation readDerivation(Logic &logic, std::span<const std::u32string> lines, int start)
{
    return readBlock(logic, lines, start, false);
}

Derivation readNumberedBlock(Logic &logic, std::span<const std::u32string> lines, int start)
{
    return readBlock(logic, lines, start, true);
}

TreeMark treeMark(std::u32string_view text)
{
    const std::u32string_view t = trim(text);
    if (t == U"✕" || t == U"✗" || t == U"×" || t == U"X" || t == U"x" || isWord(t, U"cerrada"))
        return TreeMark::Closed;
    if (t == U"○" || t == U"◯" || isWord(t, U"abierta"))
        return TreeMark::Open;
    return TreeMark::None;
}

bool isNegatedConclusion(std::u32string_view justification)
{
    std::u32string j;
    for (char32_t c : justification)
        if (!isSpaceChar(c))
            j += c;
    return isWord(j, U"nc") || isWord(j, U"cn") || isWord(j, U"¬c") || isWord(j, U"~c")
        || isWord(j, U"-c");
}

bool isTreeBlock(std::span<const std::u32string> lines, const Derivation &block)
{
    for (const DerivationLine &l : block.lines) {
        if (l.separator)
            continue;
        const std::u32string_view text = lines[static_cast<std::size_t>(l.textLine)];
        const TreeMark mark = l.formulaBegin < 0
            ? TreeMark::None
            : treeMark(text.substr(static_cast<std::size_t>(l.formulaBegin),
                static_cast<std::size_t>(l.formulaEnd - l.formulaBegin)));
        // "X" is also a sentence letter: a derivation's line of it names a rule.
        if (mark != TreeMark::None && l.rule == Rule::Unknown)
            return true;
        if (l.ruleBegin >= 0
            && isNegatedConclusion(text.substr(static_cast<std::size_t>(l.ruleBegin),
                static_cast<std::size_t>(l.justificationEnd - l.ruleBegin))))
            return true;
    }
    return false;
}

Derivation readDerivation(Logic &logic, std::span<const std::string> utf8Lines, int start)
{
    std::vector<std::u32string> lines;
    lines.reserve(utf8Lines.size());
    for (const std::string &l : utf8Lines)
        lines.push_back(decode(l, Encoding::Utf8));
    return readDerivation(logic, lines, start);
}

std::optional<ArgumentGoal> argumentAbove(
    Logic &logic, std::span<const std::u32string> lines, const Derivation &derivation)
{
    if (derivation.firstLine <= 0 || derivation.firstLine > static_cast<int>(lines.size()))
        return std::nullopt;
    // "a) p → q, p ⊢ q": the exercise's label is not part of the argument.
    const std::u32string_view line = lines[static_cast<std::size_t>(derivation.firstLine - 1)];
    const LineParse parsed = parseLine(
        logic, line.substr(static_cast<std::size_t>(labelLength(line))), Encoding::Utf8);
    if (!parsed.ok() || !parsed.argument)
        return std::nullopt;
    // As for the lines of the derivation: what is checked against it is printed in messages.
    for (int f : parsed.premises)
        if (logic.node(f).depth > kMaxFormulaDepth)
            return std::nullopt;
    if (logic.node(parsed.conclusion).depth > kMaxFormulaDepth)
        return std::nullopt;
    ArgumentGoal goal;
    goal.premises = parsed.premises;
    goal.conclusion = parsed.conclusion;
    return goal;
}

bool courseLine(std::u32string_view line, CourseChoice &choice, std::string &error)
{
    std::u32string_view value;
    if (isSettingLine(line, U"reglas", value)) {
        const std::u32string v = folded(value);
        if (v == U"basicas" || v == U"basica")
            choice.basicRules = true;
        else if (v == U"todas")
            choice.basicRules = false;
        else
            error = "las reglas «" + toUtf8(value)
                + "» no se conocen; se escribe «reglas: básicas» o «reglas: todas».";
        return true;
    }
    if (isSettingLine(line, U"ayuda", value)) {
        const std::u32string v = folded(value);
        if (v == U"no")
            choice.help = false;
        else if (v == U"si")
            choice.help = true;
        else
            error = "la ayuda «" + toUtf8(value)
                + "» no se conoce; se escribe «ayuda: no» o «ayuda: sí».";
        return true;
    }
    return false;
}

std::vector<DerivationInText> findDerivations(
    Logic &logic, std::span<const std::u32string> lines, ModalSystem system, CourseChoice course)
{
    std::vector<DerivationInText> found;
    for (int i = 0; i < static_cast<int>(lines.size());) {
        std::u32string_view name;
        if (isSystemLine(trim(lines[static_cast<std::size_t>(i)]), &name)) {
            parseSystemName(toUtf8(name), system); // an unknown name leaves the system as it was
            ++i;
            continue;
        }
        if (std::string error; courseLine(lines[static_cast<std::size_t>(i)], course, error)) {
            ++i;
            continue;
        }
        // A tree has a derivation's layout; it is the student's work of another kind.
        const Derivation block = readNumberedBlock(logic, lines, i);
        if (!block.empty() && isTreeBlock(lines, block)) {
            i = block.endLine;
            continue;
        }
        Derivation d = readDerivation(logic, lines, i);
        if (d.empty()) {
            ++i;
            continue;
        }
        i = d.endLine;
        DerivationInText item;
        item.argument = argumentAbove(logic, lines, d);
        item.derivation = std::move(d);
        item.system = system;
        item.course = course;
        found.push_back(std::move(item));
    }
    return found;
}

std::vector<std::u32string> splitTextLines(std::string_view utf8)
{
    if (utf8.substr(0, 3) == "\xEF\xBB\xBF")
        utf8.remove_prefix(3);
    const std::u32string text = decode(utf8, Encoding::Utf8);
    std::vector<std::u32string> lines;
    std::u32string current;
    for (std::size_t i = 0; i < text.size(); ++i) {
        const char32_t c = text[i];
        if (c == '\r' || c == '\n' || c == 0x2028 || c == 0x2029 || c == 0x0B) {
            lines.push_back(current);
            current.clear();
            if (c == '\r' && i + 1 < text.size() && text[i + 1] == '\n')
                ++i;
        } else {
            current += c;
        }
    }
    if (!current.empty())
        lines.push_back(current);
    return lines;
}

} // namespace logic
