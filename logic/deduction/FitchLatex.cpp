#include "FitchLatex.h"

#include "syntax/Lexer.h"
#include "syntax/Text.h"

namespace logic {
namespace {

// Text that LaTeX must take literally.
std::string escaped(const std::string &utf8)
{
    std::string out;
    for (const char c : utf8) {
        switch (c) {
        case '\\': out += "\\textbackslash{}"; break;
        case '{':
        case '}':
        case '$':
        case '&':
        case '#':
        case '%':
        case '_': out += std::string("\\") + c; break;
        case '^': out += "\\^{}"; break;
        case '~': out += "\\~{}"; break;
        default: out += c;
        }
    }
    return out;
}

std::string term(const Logic &logic, int t)
{
    const TermNode &n = logic.term(t);
    if (n.kind == Tk::Var)
        return logic.variableName(n.sym);
    std::string out = logic.functionSymbol(n.sym).name;
    const auto args = logic.args(t);
    if (!args.empty()) {
        out += "(";
        for (std::size_t i = 0; i < args.size(); ++i)
            out += (i ? ", " : "") + term(logic, args[i]);
        out += ")";
    }
    return out;
}

// The rule's name with its symbols as math.
std::string ruleLatex(Rule rule)
{
    switch (rule) {
    case Rule::AndIntro: return "$\\land$I";
    case Rule::AndElim: return "$\\land$E";
    case Rule::OrIntro: return "$\\lor$I";
    case Rule::OrElim: return "$\\lor$E";
    case Rule::ImpliesIntro: return "$\\lif$I";
    case Rule::ImpliesElim: return "$\\lif$E";
    case Rule::IffIntro: return "$\\liff$I";
    case Rule::IffElim: return "$\\liff$E";
    case Rule::NotIntro: return "$\\lnot$I";
    case Rule::NotElim: return "$\\lnot$E";
    case Rule::TopIntro: return "$\\top$I";
    case Rule::ForallIntro: return "$\\forall$I";
    case Rule::ForallElim: return "$\\forall$E";
    case Rule::ExistsIntro: return "$\\exists$I";
    case Rule::ExistsElim: return "$\\exists$E";
    case Rule::IdentityIntro: return "$=$I";
    case Rule::IdentityElim: return "$=$E";
    case Rule::BoxIntro: return "$\\Box$I";
    case Rule::BoxElim: return "$\\Box$E";
    case Rule::DiamondDefinition: return "Def$\\Diamond$";
    case Rule::Unknown: return "?";
    default: return ruleName(rule);
    }
}

class Writer
{
public:
    Writer(const Logic &logic, const Derivation &d, std::span<const std::u32string> lines)
        : m_logic(logic), m_d(d), m_lines(lines)
    {}

    std::string run()
    {
        int firstBody = 1;
        std::string premises;
        while (firstBody <= m_d.count() && m_d.line(firstBody).rule == Rule::Premise
            && m_d.line(firstBody).subproof < 0) {
            premises += (premises.empty() ? "" : "\\\\\n") + pline(firstBody);
            ++firstBody;
        }
        return "\\fitchprf{" + premises + "}\n{" + range(-1, firstBody, m_d.count()) + "}\n";
    }

private:
    std::string pline(int k) const
    {
        const DerivationLine &l = m_d.line(k);
        std::string formula;
        if (l.strictOpening)
            formula = "\\Box";
        else if (l.formula >= 0)
            formula = formulaLatex(m_logic, l.formula);
        else
            formula = "\\mbox{\\texttt{"
                + escaped(toUtf8(
                    std::u32string_view(m_lines[static_cast<std::size_t>(l.textLine)])
                        .substr(static_cast<std::size_t>(std::max(l.formulaBegin, 0)),
                            static_cast<std::size_t>(std::max(l.formulaEnd - l.formulaBegin, 0)))))
                + "}}";
        std::string justification = ruleLatex(l.rule);
        for (std::size_t i = 0; i < l.citations.size(); ++i) {
            const Citation &c = l.citations[i];
            justification += (i ? ", " : " ") + std::to_string(c.first)
                + (c.range ? "--" + std::to_string(c.last) : "");
        }
        return "\\pline[" + std::to_string(k) + ".]{" + formula + "}[" + justification + "]";
    }

    // Lines @p from to @p to of subderivation @p parent (-1: the outermost level), each
    // subderivation opened there as a \subproof of its own.
    std::string range(int parent, int from, int to) const
    {
        std::string out;
        bool afterLine = false;
        for (int k = from; k <= to;) {
            const int opened = m_d.line(k).opens >= 0
                    && m_d.subproofs[static_cast<std::size_t>(m_d.line(k).opens)].parent == parent
                ? m_d.line(k).opens
                : -1;
            if (afterLine)
                out += "\\\\\n";
            if (opened >= 0) {
                const Subderivation &s = m_d.subproofs[static_cast<std::size_t>(opened)];
                out += "\\subproof{" + pline(k) + "}{" + range(opened, k + 1, s.last) + "}\n";
                afterLine = false;
                k = s.last + 1;
            } else {
                out += pline(k);
                afterLine = true;
                ++k;
            }
        }
        return out;
    }

    const Logic &m_logic;
    const Derivation &m_d;
    std::span<const std::u32string> m_lines;
};

} // namespace

std::string formulaLatex(const Logic &logic, int f)
{
    std::string out;
    auto write = [&](auto &self, int g, bool outer) -> void {
        const FormulaNode &n = logic.node(g);
        switch (n.kind) {
        case Fk::Atom: {
            out += logic.predicateSymbol(n.a).name;
            const auto args = logic.atomArgs(g);
            bool compound = false;
            for (int a : args)
                compound = compound || logic.term(a).list >= 0;
            if (compound) {
                out += "(";
                for (std::size_t i = 0; i < args.size(); ++i)
                    out += (i ? ", " : "") + term(logic, args[i]);
                out += ")";
            } else {
                for (int a : args)
                    out += term(logic, a);
            }
            break;
        }
        case Fk::Equal: out += term(logic, n.a) + " = " + term(logic, n.b); break;
        case Fk::Top: out += "\\top "; break;
        case Fk::Bottom: out += "\\bot "; break;
        case Fk::Not:
            if (logic.node(n.a).kind == Fk::Equal) {
                out += term(logic, logic.node(n.a).a) + " \\neq " + term(logic, logic.node(n.a).b);
                break;
            }
            out += "\\lnot ";
            self(self, n.a, false);
            break;
        case Fk::Box:
        case Fk::Diamond:
            out += n.kind == Fk::Box ? "\\Box " : "\\Diamond ";
            self(self, n.a, false);
            break;
        case Fk::Forall:
        case Fk::Exists:
            out += (n.kind == Fk::Forall ? "\\forall " : "\\exists ") + logic.variableName(n.a)
                + "\\, ";
            self(self, n.b, false);
            break;
        default: {
            if (!outer)
                out += "(";
            self(self, n.a, false);
            out += n.kind == Fk::And    ? " \\land "
                : n.kind == Fk::Or      ? " \\lor "
                : n.kind == Fk::Implies ? " \\lif "
                                        : " \\liff ";
            self(self, n.b, false);
            if (!outer)
                out += ")";
        }
        }
    };
    write(write, f, true);
    return out;
}

std::string derivationLatex(
    const Logic &logic, const Derivation &derivation, std::span<const std::u32string> lines)
{
    if (derivation.empty())
        return {};
    return Writer(logic, derivation, lines).run();
}

std::string latexDocument(const std::string &body)
{
    return "\\documentclass{article}\n\\usepackage[utf8]{inputenc}\n\\usepackage{amssymb}\n"
           "\\usepackage{lplfitch}\n\\begin{document}\n"
        + body + "\\end{document}\n";
}

} // namespace logic
