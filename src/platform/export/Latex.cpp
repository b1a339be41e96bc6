#include "platform/export/Latex.h"

#include "platform/codepages/CodePage.h"
#include "platform/export/FormulaWords.h"
#include "platform/format/FontKind.h"
#include "platform/format/ReadableText.h"
#include "platform/format/TextFormat.h"

#include <QTextBlock>
#include <QTextDocument>

#include <algorithm>
#include <map>
#include <string>
#include <vector>

namespace zv {

namespace {

struct Command
{
    char16_t ch;
    const char *latex;
};

// Set in math mode: the palette's symbols first, then what the other symbol fonts draw and
// what a paste from elsewhere brings.
// clang-format off
constexpr Command kMath[] = {
    {0x00AC, "\\neg"}, {0x2228, "\\lor"}, {0x2227, "\\land"}, {0x2192, "\\to"},
    {0x2194, "\\leftrightarrow"}, {0x2190, "\\leftarrow"}, {0x2200, "\\forall"},
    {0x2203, "\\exists"}, {0x2261, "\\equiv"}, {0x22A4, "\\top"}, {0x22A5, "\\bot"},
    {0x25A1, "\\Box"}, {0x25C7, "\\Diamond"}, {0x22A8, "\\models"}, {0x22A2, "\\vdash"},
    {0x21D2, "\\Rightarrow"}, {0x21D4, "\\Leftrightarrow"}, {0x25FB, "\\Box"},
    {0x25CA, "\\Diamond"}, {0x2234, "\\therefore"}, {0x223C, "\\sim"}, {0x2260, "\\neq"},
    {0x2264, "\\leq"}, {0x2265, "\\geq"}, {0x00D7, "\\times"}, {0x00F7, "\\div"}, {0x00B1, "\\pm"},
    {0x2212, "-"}, {0x2217, "\\ast"}, {0x22C5, "\\cdot"}, {0x2208, "\\in"}, {0x2209, "\\notin"},
    {0x220B, "\\ni"}, {0x2229, "\\cap"}, {0x222A, "\\cup"}, {0x2282, "\\subset"},
    {0x2283, "\\supset"}, {0x2286, "\\subseteq"}, {0x2287, "\\supseteq"},
    {0x2284, "\\not\\subset"}, {0x2205, "\\emptyset"}, {0x2245, "\\cong"}, {0x2248, "\\approx"},
    {0x221D, "\\propto"}, {0x221E, "\\infty"}, {0x2202, "\\partial"}, {0x2207, "\\nabla"},
    {0x220F, "\\prod"}, {0x2211, "\\sum"}, {0x221A, "\\surd"}, {0x222B, "\\int"},
    {0x2295, "\\oplus"}, {0x2297, "\\otimes"}, {0x2220, "\\angle"}, {0x2135, "\\aleph"},
    {0x2111, "\\Im"}, {0x211C, "\\Re"}, {0x2118, "\\wp"}, {0x2032, "\\prime"},
    {0x2033, "\\prime\\prime"}, {0x2044, "/"}, {0x27E8, "\\langle"}, {0x27E9, "\\rangle"},
    {0x2191, "\\uparrow"}, {0x2193, "\\downarrow"}, {0x21D0, "\\Leftarrow"}, {0x21D1, "\\Uparrow"},
    {0x21D3, "\\Downarrow"}, {0x2660, "\\spadesuit"}, {0x2663, "\\clubsuit"},
    {0x2665, "\\heartsuit"}, {0x2666, "\\diamondsuit"}, {0x0391, "\\mathrm{A}"},
    {0x0392, "\\mathrm{B}"}, {0x0393, "\\Gamma"}, {0x0394, "\\Delta"}, {0x0395, "\\mathrm{E}"},
    {0x0396, "\\mathrm{Z}"}, {0x0397, "\\mathrm{H}"}, {0x0398, "\\Theta"}, {0x0399, "\\mathrm{I}"},
    {0x039A, "\\mathrm{K}"}, {0x039B, "\\Lambda"}, {0x039C, "\\mathrm{M}"},
    {0x039D, "\\mathrm{N}"}, {0x039E, "\\Xi"}, {0x039F, "\\mathrm{O}"}, {0x03A0, "\\Pi"},
    {0x03A1, "\\mathrm{P}"}, {0x03A3, "\\Sigma"}, {0x03A4, "\\mathrm{T}"}, {0x03A5, "\\Upsilon"},
    {0x03A6, "\\Phi"}, {0x03A7, "\\mathrm{X}"}, {0x03A8, "\\Psi"}, {0x03A9, "\\Omega"},
    {0x03B1, "\\alpha"}, {0x03B2, "\\beta"}, {0x03B3, "\\gamma"}, {0x03B4, "\\delta"},
    {0x03B5, "\\epsilon"}, {0x03B6, "\\zeta"}, {0x03B7, "\\eta"}, {0x03B8, "\\theta"},
    {0x03B9, "\\iota"}, {0x03BA, "\\kappa"}, {0x03BB, "\\lambda"}, {0x03BC, "\\mu"},
    {0x03BD, "\\nu"}, {0x03BE, "\\xi"}, {0x03BF, "o"}, {0x03C0, "\\pi"}, {0x03C1, "\\rho"},
    {0x03C2, "\\varsigma"}, {0x03C3, "\\sigma"}, {0x03C4, "\\tau"}, {0x03C5, "\\upsilon"},
    {0x03C6, "\\varphi"}, {0x03C7, "\\chi"}, {0x03C8, "\\psi"}, {0x03C9, "\\omega"},
    {0x03D1, "\\vartheta"}, {0x03D2, "\\Upsilon"}, {0x03D5, "\\phi"}, {0x03D6, "\\varpi"},
};
// clang-format on

// Set in text mode by commands that every font encoding has.
// clang-format off
constexpr Command kText[] = {
    {u'\\', "\\textbackslash{}"}, {u'{', "\\{"}, {u'}', "\\}"}, {u'$', "\\$"}, {u'&', "\\&"},
    {u'#', "\\#"}, {u'%', "\\%"}, {u'_', "\\_"}, {u'^', "\\textasciicircum{}"},
    {u'~', "\\textasciitilde{}"}, {u'<', "\\textless{}"}, {u'>', "\\textgreater{}"},
    {u'|', "\\textbar{}"}, {u'\t', "\\quad{}"}, {0x00A0, "~"}, {0x00AD, "\\-"}, {0x2013, "--"},
    {0x2014, "---"}, {0x2018, "`"}, {0x2019, "'"}, {0x201C, "``"}, {0x201D, "''"},
    {u'"', "\\textquotedbl{}"}, {u'\'', "\\textquotesingle{}"},
    {u'`', "\\textasciigrave{}"}, {0x2026, "\\ldots{}"}, {0x2022, "\\textbullet{}"}, {0x20AC, "\\texteuro{}"},
    {0x2122, "\\texttrademark{}"},
};
// clang-format on

// Latin letters of the Extended-A block that T1 fonts lack.
constexpr char16_t kNotInT1[]
    = {0x0126, 0x0127, 0x0138, 0x013F, 0x0140, 0x0149, 0x0166, 0x0167, 0x017F};

const char *lookup(const auto &table, char16_t ch)
{
    for (const Command &c : table)
        if (c.ch == ch)
            return c.latex;
    return nullptr;
}

bool passesAsItIs(char16_t ch)
{
    if (ch >= 0x20 && ch < 0x7F)
        return true;
    if (ch >= 0xA1 && ch <= 0xFF)
        return true;
    return ch >= 0x100 && ch <= 0x17F
        && std::find(std::begin(kNotInT1), std::end(kNotInT1), ch) == std::end(kNotInT1);
}

enum class Family { Roman, Sans, Mono };

/// How a run of text looks: what the fragment keeps (bold, italic) and what the export adds.
struct Look
{
    bool bold = false, italic = false, underline = false, strikeOut = false;
    QColor color; ///< invalid: automatic
    int points = 0;
    Family family = Family::Roman;
    bool operator==(const Look &) const = default;
};

struct Cell
{
    char16_t ch;
    Look look;
};

Family familyOf(const QString &face)
{
    switch (fontKind(face)) {
    case FontKind::Sans: return Family::Sans;
    case FontKind::Mono: return Family::Mono;
    case FontKind::Serif: break;
    }
    return Family::Roman;
}

bool needsAmssymb(const char *command)
{
    const QLatin1String c(command);
    return c == QLatin1String("\\Box") || c == QLatin1String("\\Diamond")
        || c == QLatin1String("\\therefore");
}

bool isLetterOrDigit(char16_t ch)
{
    return (ch >= u'a' && ch <= u'z') || (ch >= u'A' && ch <= u'Z') || (ch >= u'0' && ch <= u'9');
}

class Writer
{
public:
    /// @p base: the look the document has unless a run says otherwise.
    Writer(bool emptyLines, Look base = {}) : m_emptyLines(emptyLines), m_base(base) {}

    void paragraph(const std::vector<Cell> &cells)
    {
        if (m_paragraphs++ > 0)
            m_out += QStringLiteral("\n\n");
        if (cells.empty() && m_emptyLines)
            m_out += QStringLiteral("\\mbox{}");
        std::u16string text;
        for (const Cell &cell : cells)
            text += cell.ch;
        const FormulaWords words(text);
        std::vector<bool> inFormula(cells.size(), false);
        for (const auto &[from, to] : words.formulas())
            std::fill(inFormula.begin() + std::ptrdiff_t(from),
                inFormula.begin() + std::ptrdiff_t(to), true);
        m_lineHasText = false;
        for (std::size_t i = 0; i < cells.size(); ++i) {
            const Cell &cell = cells[i];
            if (cell.ch == QChar::LineSeparator) {
                setMath(false);
                setLook(m_base);
                m_out += m_lineHasText ? QStringLiteral("\\newline\n")
                                       : QStringLiteral("\\leavevmode\\newline\n");
                continue;
            }
            setLook(cell.look);
            std::size_t length = 1;
            const char *command = words.command(i, length);
            if (inFormula[i]) {
                formulaCharacter(command, cells, i);
                if (command)
                    i += length - 1;
                continue;
            }
            if (command) {
                math(command);
                i += length - 1;
                continue;
            }
            character(cells, i);
        }
        setMath(false);
        setLook(m_base);
    }

    /// LaTeX of its own, such as a derivation's, as a paragraph.
    void raw(const QString &latex)
    {
        if (m_paragraphs++ > 0)
            m_out += QStringLiteral("\n\n");
        m_out += latex;
    }

    QString take() { return std::move(m_out); }
    bool usesAmssymb() const { return m_amssymb; }

private:
    // Inside a formula: letters, brackets and commas in math too, as a teacher types them.
    void formulaCharacter(const char *command, const std::vector<Cell> &cells, std::size_t i)
    {
        const char16_t ch = cells[i].ch;
        if (!command)
            command = lookup(kMath, ch);
        setMath(true);
        m_lineHasText = true;
        if (command) {
            m_out += QLatin1String(command);
            m_amssymb = m_amssymb || needsAmssymb(command);
            m_spaceAfterCommand = true;
            return;
        }
        if (ch == u' ' || ch == u'\t' || ch == 0x00A0) {
            m_out += QLatin1Char(' ');
            m_spaceAfterCommand = false;
            return;
        }
        if (m_spaceAfterCommand && isLetterOrDigit(ch))
            m_out += QLatin1Char(' ');
        m_spaceAfterCommand = false;
        if (ch == u'{' || ch == u'}')
            m_out += QLatin1Char('\\');
        m_out += QChar(ch);
    }

    void character(const std::vector<Cell> &cells, std::size_t i)
    {
        const char16_t ch = cells[i].ch;
        if (ch < 0x20 && ch != u'\t')
            return;
        // Variation selectors only pick a glyph's look.
        if (ch >= 0xFE00 && ch <= 0xFE0F)
            return;
        if (const char *command = lookup(kMath, ch)) {
            math(command);
            return;
        }
        setMath(false);
        if (ch != u' ')
            m_lineHasText = true;
        const char16_t next = i + 1 < cells.size() ? cells[i + 1].ch : 0;
        if (const char *command = lookup(kText, ch))
            m_out += QLatin1String(command);
        else if (passesAsItIs(ch))
            m_out += QChar(ch);
        else if (!QChar::isLowSurrogate(ch))
            m_out += QLatin1Char('?');
        // Every character as itself: no ligature makes -- a dash, ,, a low quote or << a
        // guillemet, under pdflatex or lualatex (where an empty group would not stop one).
        if (next == ch && (ch == u'-' || ch == u',' || ch == u'<' || ch == u'>'))
            m_out += QStringLiteral("\\kern0pt{}");
    }

    void math(const char *command)
    {
        setMath(true);
        m_lineHasText = true;
        m_out += QLatin1String(command);
        m_amssymb = m_amssymb || needsAmssymb(command);
        m_spaceAfterCommand = true;
    }

    void setMath(bool on)
    {
        if (on == m_math)
            return;
        m_out += QLatin1Char('$');
        m_math = on;
        m_spaceAfterCommand = false;
    }

    void setLook(const Look &look)
    {
        if (look == m_look)
            return;
        setMath(false);
        m_out += m_closing;
        m_closing.clear();
        m_look = look;
        if (look == m_base)
            return;
        QString opening;
        if (look.points != m_base.points || look.family != m_base.family) {
            opening += QLatin1Char('{');
            if (look.points != m_base.points)
                opening += QStringLiteral("\\fontsize{%1}{%2}\\selectfont")
                               .arg(look.points)
                               .arg(QString::number(look.points * 1.2, 'f', 1));
            if (look.family != m_base.family)
                opening += look.family == Family::Sans ? QStringLiteral("\\sffamily")
                    : look.family == Family::Mono      ? QStringLiteral("\\ttfamily")
                                                       : QStringLiteral("\\rmfamily");
            opening += QLatin1Char(' ');
            m_closing.prepend(QLatin1Char('}'));
        }
        const auto wrap = [&](bool on, const char *command) {
            if (!on)
                return;
            opening += QLatin1String(command) + QLatin1Char('{');
            m_closing.prepend(QLatin1Char('}'));
        };
        if (look.color.isValid() && look.color != m_base.color) {
            opening += QStringLiteral("\\textcolor[RGB]{%1,%2,%3}{")
                           .arg(look.color.red())
                           .arg(look.color.green())
                           .arg(look.color.blue());
            m_closing.prepend(QLatin1Char('}'));
        }
        wrap(look.underline, "\\uline");
        wrap(look.strikeOut, "\\sout");
        wrap(look.bold, "\\textbf");
        wrap(look.italic, "\\textit");
        m_out += opening;
    }

    QString m_out;
    bool m_emptyLines;
    Look m_base;
    Look m_look = m_base;
    QString m_closing; ///< what ends the current look's groups
    int m_paragraphs = 0;
    bool m_math = false;
    bool m_lineHasText = false;
    bool m_spaceAfterCommand = false; ///< a letter after a command needs a space in between
    bool m_amssymb = false;
};

Look lookOf(const QTextCharFormat &format, bool full)
{
    const unsigned char flags = style(format);
    Look look;
    look.bold = (flags & fmt::Bold) != 0;
    look.italic = (flags & fmt::Italic) != 0;
    if (!full)
        return look;
    look.underline = (flags & fmt::Underline) != 0;
    look.strikeOut = (flags & fmt::StrikeOut) != 0;
    look.color = color(format);
    look.points = pointSize(format);
    look.family = familyOf(faceName(format));
    return look;
}

struct Written
{
    QString text;
    bool amssymb = false;
    bool lplfitch = false;
};

Written write(const QTextDocument &document, int from, int to, bool full, Look base = {},
    const QList<DerivationLines> &derivations = {})
{
    Writer writer(full, base);
    Written written;
    std::vector<Cell> cells;
    // Lines as a check counts them: the derivations' lines go out as their LaTeX instead.
    int line = 1;
    qsizetype next = 0;
    const DerivationLines *inside = nullptr;
    const auto startLine = [&] {
        while (next < derivations.size() && derivations[next].last < line)
            ++next;
        inside = next < derivations.size() && derivations[next].first <= line
                && !derivations[next].latex.isEmpty()
            ? &derivations[next]
            : nullptr;
    };
    const auto endLine = [&] {
        if (inside && line == inside->last) {
            // What stood before it in the same paragraph goes first.
            if (!cells.empty() && cells.back().ch == QChar::LineSeparator)
                cells.pop_back();
            if (!cells.empty())
                writer.paragraph(cells);
            cells.clear();
            writer.raw(inside->latex.trimmed());
            written.lplfitch = true;
        }
        ++line;
        startLine();
    };
    startLine();
    visitReadable(
        document, from, to,
        [&](char16_t ch, int, const QTextCharFormat &format) {
            const bool lineEnds = ch == QChar::LineSeparator;
            if (!inside) {
                Look look = lookOf(format, full);
                if (look.points <= 0) // a format without a size has the document's
                    look.points = base.points;
                cells.push_back({ch, look});
            }
            if (lineEnds)
                endLine();
        },
        [&](int) {
            const bool derivationLine = inside != nullptr;
            endLine();
            if (!derivationLine)
                writer.paragraph(cells);
            cells.clear();
        });
    written.text = writer.take();
    written.amssymb = writer.usesAmssymb() || written.lplfitch;
    return written;
}

// The size and face most of the text has: the document's own, said once in the preamble.
Look baseLook(const QTextDocument &document)
{
    std::map<std::pair<int, int>, int> counts;
    visitReadable(
        document, 0, document.characterCount() - 1,
        [&](char16_t ch, int, const QTextCharFormat &format) {
            if (ch != u' ' && !lookup(kMath, ch))
                ++counts[{pointSize(format), int(familyOf(faceName(format)))}];
        },
        [](int) {});
    Look base;
    base.points = 10;
    int most = 0;
    for (const auto &[key, n] : counts)
        if (n > most && key.first > 0) {
            most = n;
            base.points = key.first;
            base.family = Family(key.second);
        }
    return base;
}

} // namespace

QString latexFragment(
    const QTextDocument &document, int from, int to, const QList<DerivationLines> &derivations)
{
    return write(document, from, to, false, {}, derivations).text;
}

QString latexFragmentPackages(
    const QTextDocument &document, int from, int to, const QList<DerivationLines> &derivations)
{
    const Written w = write(document, from, to, false, {}, derivations);
    return w.lplfitch ? QStringLiteral("amssymb,lplfitch")
        : w.amssymb   ? QStringLiteral("amssymb")
                      : QString();
}

QString latexFormula(QStringView formula)
{
    QString out;
    bool command = false;
    for (const QChar c : formula) {
        const char16_t ch = c.unicode();
        if (const char *m = lookup(kMath, ch)) {
            out += QLatin1String(m);
            command = true;
            continue;
        }
        if (command && isLetterOrDigit(ch))
            out += QLatin1Char(' ');
        command = false;
        if (isLetterOrDigit(ch) || QStringView(u" ()[],=+*/<>|'.:;!?-").contains(c))
            out += c;
        else if (ch == u'{' || ch == u'}' || ch == u'_' || ch == u'#' || ch == u'%' || ch == u'&'
            || ch == u'$')
            out += QLatin1Char('\\') + c;
        else if (passesAsItIs(ch))
            out += QStringLiteral("\\mbox{") + c + QLatin1Char('}');
        else if (!QChar::isLowSurrogate(ch))
            out += QLatin1Char('?');
    }
    return out;
}

QString latexInline(QStringView text)
{
    Writer writer(false);
    std::vector<Cell> cells;
    for (const QChar c : text)
        cells.push_back({c.unicode(), Look{}});
    writer.paragraph(cells);
    return writer.take();
}

QString latexDocument(const QTextDocument &document, const QList<DerivationLines> &derivations)
{
    // pdflatex reads UTF-8 through inputenc and sets accents with T1 fonts; lualatex takes
    // Unicode fonts from fontspec. amssymb gives \Box, \Diamond and \therefore; ulem underlines
    // and strikes out, xcolor colours.
    const Look base = baseLook(document);
    const Written body = write(document, 0, document.characterCount() - 1, true, base, derivations);
    const QString family = base.family == Family::Sans ? QStringLiteral("\\sfdefault")
        : base.family == Family::Mono                  ? QStringLiteral("\\ttdefault")
                                                       : QStringLiteral("\\rmdefault");
    return QStringLiteral("\\documentclass[a4paper]{article}\n"
                          "\\usepackage{iftex}\n"
                          "\\ifPDFTeX\n"
                          "  \\usepackage[utf8]{inputenc}\n"
                          "  \\usepackage[T1]{fontenc}\n"
                          "  \\usepackage{lmodern}\n"
                          "\\else\n"
                          "  \\usepackage{fontspec}\n"
                          "\\fi\n"
                          "\\usepackage{amssymb}\n"
                          "\\usepackage[normalem]{ulem}\n"
                          "\\usepackage{xcolor}\n"
                          "%4"
                          "\\usepackage[margin=2cm]{geometry}\n"
                          "\\setlength{\\parindent}{0pt}\n"
                          "\\renewcommand{\\familydefault}{%1}\n"
                          "\\begin{document}\n"
                          "\\fontsize{%2}{%3}\\selectfont\n")
               .arg(family)
               .arg(base.points)
               .arg(QString::number(base.points * 1.2, 'f', 1),
                   body.lplfitch ? QStringLiteral("\\usepackage{lplfitch}\n") : QString())
        + body.text + QStringLiteral("\n\\end{document}\n");
}

} // namespace zv
