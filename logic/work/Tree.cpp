#include "Tree.h"

#include "deduction/Derivation.h"
#include "models/ModelText.h"
#include "models/Models.h"
#include "syntax/Lexer.h"
#include "syntax/Logic.h"
#include "syntax/Text.h"

#include <algorithm>
#include <map>
#include <numeric>
#include <set>

namespace logic {
namespace {

bool isDigit(char32_t c)
{
    return c >= '0' && c <= '9';
}

struct Line
{
    int k = 0;           // its number in the tree
    int text = 0;        // 0-based line of the text
    int branch = -1;     // an index into the block's subderivations; -1 for the trunk
    int formula = -1;    // -1 for a mark or an unreadable formula
    std::string written; // the formula's text as written
    TreeMark mark = TreeMark::None;
    enum class Source { None, Premise, Negated, Cited } source = Source::None;
    std::vector<int> cites;
    std::string term; // the term a quantifier line names
    std::string readError;
};

struct Branch
{
    int parent = -1;
    int head = -1; // index into lines of its first line
    std::vector<int> lines;
    std::vector<int> children;
};

std::string quoted(const std::string &s)
{
    return "«" + s + "»";
}

// The justification: "PR", "NC", or the cited lines with the rule's name and a term about them.
void readJustification(std::u32string_view j, Line &out)
{
    if (isNegatedConclusion(j)) {
        out.source = Line::Source::Negated;
        return;
    }
    std::vector<std::u32string> words;
    std::u32string word;
    auto flush = [&] {
        if (!word.empty())
            words.push_back(word);
        word.clear();
    };
    for (char32_t c : j) {
        if (isSpaceChar(c) || c == ',' || c == ';' || c == '(' || c == ')') {
            flush();
        } else {
            if (!word.empty() && isDigit(word.back()) != isDigit(c)
                && !(std::isalpha(static_cast<int>(word[0]) & 0x7F) && word[0] < 0x80))
                flush();
            word += c;
        }
    }
    flush();
    for (const std::u32string &w : words) {
        std::string plain = toUtf8(w);
        std::string upper = plain;
        for (char &c : upper)
            c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
        if (upper == "PR" || upper == "P" || upper == "PREMISA") {
            out.source = Line::Source::Premise;
        } else if (isDigit(w[0])) {
            if (w.size() < 9)
                out.cites.push_back(std::stoi(plain));
            out.source = Line::Source::Cited;
        } else if (w[0] >= 'a' && w[0] <= 'z' && plain != "de" && plain != "por" && plain != "y"
            && std::all_of(w.begin() + 1, w.end(),
                [](char32_t c) { return isDigit(c) || c == '\'' || (c >= 'a' && c <= 'z'); })) {
            out.term = plain;
        }
    }
}

// The closed terms of @p f, subterms included.
void closedTerms(const Logic &logic, int f, std::set<int> &out)
{
    std::vector<int> stack;
    auto term = [&](int t) {
        std::vector<int> ts{t};
        while (!ts.empty()) {
            const int u = ts.back();
            ts.pop_back();
            const TermNode &n = logic.term(u);
            if (n.kind != Tk::App)
                continue;
            if (n.vars == 0 && !n.params)
                out.insert(u);
            for (int a : logic.args(u))
                ts.push_back(a);
        }
    };
    stack.push_back(f);
    while (!stack.empty()) {
        const int g = stack.back();
        stack.pop_back();
        const FormulaNode &n = logic.node(g);
        switch (n.kind) {
        case Fk::Atom:
            for (int a : logic.atomArgs(g))
                term(a);
            break;
        case Fk::Equal:
            term(n.a);
            term(n.b);
            break;
        case Fk::Not:
        case Fk::Box:
        case Fk::Diamond: stack.push_back(n.a); break;
        case Fk::Forall:
        case Fk::Exists: stack.push_back(n.b); break;
        case Fk::Top:
        case Fk::Bottom: break;
        default:
            stack.push_back(n.a);
            stack.push_back(n.b);
            break;
        }
    }
}

bool occurs(const Logic &logic, int term, int f)
{
    std::set<int> ts;
    closedTerms(logic, f, ts);
    return ts.count(term) > 0;
}

// Whether @p to is @p from with some occurrences of the term s written t, or t written s.
bool replacesTerm(const Logic &logic, int from, int to, int s, int t)
{
    auto sameTerm = [&](auto &self, int a, int b) -> bool {
        if (a == b)
            return true;
        if ((a == s && b == t) || (a == t && b == s))
            return true;
        const TermNode &x = logic.term(a), &y = logic.term(b);
        if (x.kind != Tk::App || y.kind != Tk::App || x.sym != y.sym)
            return false;
        const auto xs = logic.args(a), ys = logic.args(b);
        for (std::size_t i = 0; i < xs.size(); ++i)
            if (!self(self, xs[i], ys[i]))
                return false;
        return true;
    };
    auto same = [&](auto &self, int f, int g) -> bool {
        if (f == g)
            return true;
        const FormulaNode &x = logic.node(f), &y = logic.node(g);
        if (x.kind != y.kind)
            return false;
        switch (x.kind) {
        case Fk::Atom: {
            if (x.a != y.a)
                return false;
            const auto xs = logic.atomArgs(f), ys = logic.atomArgs(g);
            for (std::size_t i = 0; i < xs.size(); ++i)
                if (!sameTerm(sameTerm, xs[i], ys[i]))
                    return false;
            return true;
        }
        case Fk::Equal: return sameTerm(sameTerm, x.a, y.a) && sameTerm(sameTerm, x.b, y.b);
        case Fk::Not:
        case Fk::Box:
        case Fk::Diamond: return self(self, x.a, y.a);
        case Fk::Forall:
        case Fk::Exists: return x.a == y.a && self(self, x.b, y.b);
        case Fk::Top:
        case Fk::Bottom: return true;
        default: return self(self, x.a, y.a) && self(self, x.b, y.b);
        }
    };
    return from != to && same(same, from, to);
}

// What a rule makes of @p f: each alternative a branch's formulas; empty for a literal.
struct Expansion
{
    std::vector<std::vector<int>> alternatives;
    enum class Kind { None, Linear, Branching, Universal, Existential } kind = Kind::None;
    int variable = -1, body = -1; // quantifiers: the instance is body with variable replaced
    bool negatedBody = false;     // ¬∃ and ¬∀: the instance is negated
};

Expansion expand(Logic &logic, int f)
{
    Expansion e;
    using K = Expansion::Kind;
    const FormulaNode n = logic.node(f);
    auto linear = [&](std::vector<int> v) {
        e.kind = K::Linear;
        e.alternatives = {std::move(v)};
    };
    auto branching = [&](std::vector<int> a, std::vector<int> b) {
        e.kind = K::Branching;
        e.alternatives = {std::move(a), std::move(b)};
    };
    switch (n.kind) {
    case Fk::And: linear({n.a, n.b}); break;
    case Fk::Or: branching({n.a}, {n.b}); break;
    case Fk::Implies: branching({logic.negation(n.a)}, {n.b}); break;
    case Fk::Iff: branching({n.a, n.b}, {logic.negation(n.a), logic.negation(n.b)}); break;
    case Fk::Forall:
    case Fk::Exists:
        e.kind = n.kind == Fk::Forall ? K::Universal : K::Existential;
        e.variable = n.a;
        e.body = n.b;
        break;
    case Fk::Not: {
        const FormulaNode m = logic.node(n.a);
        switch (m.kind) {
        case Fk::Not: linear({m.a}); break;
        case Fk::And: branching({logic.negation(m.a)}, {logic.negation(m.b)}); break;
        case Fk::Or: linear({logic.negation(m.a), logic.negation(m.b)}); break;
        case Fk::Implies: linear({m.a, logic.negation(m.b)}); break;
        case Fk::Iff: branching({m.a, logic.negation(m.b)}, {logic.negation(m.a), m.b}); break;
        case Fk::Forall:
        case Fk::Exists:
            e.kind = m.kind == Fk::Exists ? K::Universal : K::Existential;
            e.variable = m.a;
            e.body = m.b;
            e.negatedBody = true;
            break;
        default: break;
        }
        break;
    }
    default: break;
    }
    return e;
}

int instanceOf(Logic &logic, const Expansion &e, int term)
{
    const int i = logic.substitute(e.body, e.variable, term);
    return e.negatedBody ? logic.negation(i) : i;
}

// The term that makes @p f an instance of the quantifier's expansion @p e, among the closed
// terms of @p f; -2 when the body does not hold the variable and f is the body; -1 when none.
int instanceTerm(Logic &logic, const Expansion &e, int f)
{
    std::set<int> terms;
    closedTerms(logic, f, terms);
    // A body without the variable has itself as its one instance.
    const int vacuous = e.negatedBody ? logic.negation(e.body) : e.body;
    if (terms.empty() || logic.substitute(e.body, e.variable, *terms.begin()) == e.body)
        return f == vacuous ? -2 : -1;
    for (int t : terms)
        if (instanceOf(logic, e, t) == f)
            return t;
    return -1;
}

class TreeJudge
{
public:
    TreeJudge(Logic &logic, std::span<const std::u32string> text, const WorkPiece &piece,
        const Exercise *exercise)
        : L(logic), m_text(text), m_exercise(exercise)
    {
        read(piece);
    }

    TreeCheck run()
    {
        checkTrunk();
        for (std::size_t i = 0; i < m_lines.size(); ++i)
            checkLine(static_cast<int>(i));
        for (std::size_t b = 0; b < m_branches.size(); ++b)
            checkBranch(static_cast<int>(b));
        std::stable_sort(m_check.faults.begin(), m_check.faults.end(),
            [](const WorkFault &a, const WorkFault &b) { return a.line < b.line; });
        draw();
        return std::move(m_check);
    }

private:
    // Branch indices: 0 is the trunk, b + 1 the block's subderivation b.
    void read(const WorkPiece &piece)
    {
        // A verdict under the tree is a piece of its own, not one more line of it.
        const Derivation d
            = readNumberedBlock(L, m_text.first(static_cast<std::size_t>(piece.end)), piece.first);
        m_branches.resize(d.subproofs.size() + 1);
        for (std::size_t s = 0; s < d.subproofs.size(); ++s)
            m_branches[s + 1].parent = d.subproofs[s].parent + 1;
        for (const DerivationLine &l : d.lines) {
            if (l.separator)
                continue;
            Line line;
            line.k = l.number;
            line.text = l.textLine;
            line.branch = l.subproof + 1;
            const std::u32string_view t = m_text[static_cast<std::size_t>(l.textLine)];
            const std::u32string_view formula = t.substr(static_cast<std::size_t>(l.formulaBegin),
                static_cast<std::size_t>(l.formulaEnd - l.formulaBegin));
            line.written = toUtf8(formula);
            line.mark = treeMark(formula);
            if (line.mark == TreeMark::None)
                line.formula = l.formula;
            if (l.ruleBegin >= 0)
                readJustification(t.substr(static_cast<std::size_t>(l.ruleBegin),
                                      static_cast<std::size_t>(l.justificationEnd - l.ruleBegin)),
                    line);
            // The reader's complaints about rules and assumptions are a derivation's, not a
            // tree's; its numbering, indentation and formulas hold for both.
            if (line.mark == TreeMark::None && l.formula < 0)
                line.readError = l.error;
            else if (l.error.rfind("la línea lleva el número", 0) == 0
                || l.error.rfind("la sangría", 0) == 0)
                line.readError = l.error;
            m_lines.push_back(std::move(line));
            Branch &b = m_branches[static_cast<std::size_t>(m_lines.back().branch)];
            if (b.head < 0)
                b.head = static_cast<int>(m_lines.size()) - 1;
            b.lines.push_back(static_cast<int>(m_lines.size()) - 1);
        }
        for (std::size_t b = 1; b < m_branches.size(); ++b)
            if (m_branches[b].head >= 0)
                m_branches[static_cast<std::size_t>(m_branches[b].parent)].children.push_back(
                    static_cast<int>(b));
    }

    void fault(const Line &l, std::string message)
    {
        m_check.faults.push_back({l.text + 1, std::move(message)});
        m_faulty.insert(l.k);
    }

    std::string text(int f) const { return L.text(f); }

    bool within(int branch, int ancestor) const
    {
        for (int b = branch; b >= 0; b = m_branches[static_cast<std::size_t>(b)].parent)
            if (b == ancestor)
                return true;
        return false;
    }
    const Line *lineNumbered(int k) const
    {
        return k >= 1 && k <= static_cast<int>(m_lines.size())
            ? &m_lines[static_cast<std::size_t>(k - 1)]
            : nullptr;
    }
    // The lines above @p l on its branch (they are numbered before it, in it or above it).
    bool onBranchOf(const Line &m, const Line &l) const
    {
        return m.k < l.k && within(l.branch, m.branch);
    }
    // Walked up branch by branch, so that a long tree costs its path, not all its lines.
    std::vector<const Line *> path(const Line &l, bool inclusive) const
    {
        std::vector<const Line *> out;
        int below = l.k + (inclusive ? 1 : 0); // lines numbered before this one
        for (int b = l.branch; b >= 0;) {
            const Branch &branch = m_branches[static_cast<std::size_t>(b)];
            for (int i : branch.lines)
                if (m_lines[static_cast<std::size_t>(i)].k < below)
                    out.push_back(&m_lines[static_cast<std::size_t>(i)]);
            if (branch.head >= 0)
                below = std::min(below, m_lines[static_cast<std::size_t>(branch.head)].k);
            b = branch.parent;
        }
        std::sort(out.begin(), out.end(), [](const Line *a, const Line *b) { return a->k < b->k; });
        return out;
    }

    std::vector<int> wanted() const
    {
        std::vector<int> out;
        if (!m_exercise)
            return out;
        out = m_exercise->premises;
        out.push_back(L.negation(m_exercise->conclusion));
        return out;
    }

    void checkTrunk()
    {
        if (m_lines.empty())
            return;
        const Line &first = m_lines.front();
        if (!m_exercise) {
            fault(first, "el árbol no tiene encima un ejercicio del que partir");
            return;
        }
        for (int f : wanted())
            if (L.hasModal(f)) {
                fault(first, "los árboles con □ o ◇ se comprueban con mundos, y este no los lleva");
                m_modal = true;
                return;
            }
        auto present = [&](int f) {
            return std::any_of(m_lines.begin(), m_lines.end(),
                [&](const Line &l) { return l.formula == f && l.source != Line::Source::Cited; });
        };
        for (std::size_t p = 0; p < m_exercise->premises.size(); ++p)
            if (!present(m_exercise->premises[p]))
                fault(first, "falta la premisa " + quoted(text(m_exercise->premises[p])));
        const int negated = L.negation(m_exercise->conclusion);
        if (!present(negated) && !present(negatedConclusionAlt()))
            fault(first,
                std::string(m_exercise->argument ? "falta la conclusión negada "
                                                 : "falta la fórmula negada ")
                    + quoted(text(negated)));
    }
    // "¬¬p" written as "p" under NC for the conclusion "¬p", as many courses allow.
    int negatedConclusionAlt() const
    {
        const FormulaNode &c = L.node(m_exercise->conclusion);
        return c.kind == Fk::Not ? c.a : -1;
    }

    void checkLine(int index)
    {
        const Line &l = m_lines[static_cast<std::size_t>(index)];
        if (!l.readError.empty()) {
            fault(l, l.readError);
            return;
        }
        if (l.mark == TreeMark::Open)
            return; // judged with its branch
        if (l.mark == TreeMark::Closed) {
            checkClosure(l);
            return;
        }
        if (l.formula < 0)
            return;
        switch (l.source) {
        case Line::Source::None:
            fault(l, "falta la justificación: PR, NC o la línea de la que sale");
            return;
        case Line::Source::Premise:
            if (m_exercise && !m_modal
                && std::find(m_exercise->premises.begin(), m_exercise->premises.end(), l.formula)
                    == m_exercise->premises.end())
                fault(l,
                    m_exercise->premises.empty()
                        ? "el ejercicio no tiene premisas"
                        : quoted(text(l.formula)) + " no es una premisa del ejercicio");
            return;
        case Line::Source::Negated:
            if (m_exercise && !m_modal && l.formula != L.negation(m_exercise->conclusion)
                && l.formula != negatedConclusionAlt())
                fault(l,
                    std::string(
                        m_exercise->argument ? "la conclusión negada es " : "la fórmula negada es ")
                        + quoted(text(L.negation(m_exercise->conclusion))));
            return;
        case Line::Source::Cited: break;
        }
        std::vector<const Line *> cited;
        for (int k : l.cites) {
            const Line *m = lineNumbered(k);
            if (!m) {
                fault(l, "la línea " + std::to_string(k) + " no existe");
                return;
            }
            if (m->k >= l.k) {
                fault(l, "cita la línea " + std::to_string(k) + ", que viene después");
                return;
            }
            if (!onBranchOf(*m, l)) {
                fault(l, "la línea " + std::to_string(k) + " no está en esta rama");
                return;
            }
            if (m->formula < 0)
                return; // a mark or an unreadable line: faulty on its own
            cited.push_back(m);
        }
        if (cited.size() == 2) {
            checkIdentity(l, *cited[0], *cited[1]);
            return;
        }
        if (cited.size() != 1) {
            fault(l, "cite la línea de la que sale (o, por la identidad, las dos)");
            return;
        }
        const Line &from = *cited.front();
        const Expansion e = expand(L, from.formula);
        const std::string source
            = "la línea " + std::to_string(from.k) + ", " + quoted(text(from.formula));
        using K = Expansion::Kind;
        switch (e.kind) {
        case K::None: fault(l, source + ", no se descompone"); return;
        case K::Linear: {
            const std::vector<int> &out = e.alternatives.front();
            if (std::find(out.begin(), out.end(), l.formula) == out.end())
                fault(l,
                    quoted(text(l.formula)) + " no sale de " + source
                        + (out.size() > 1 ? ": de ella salen " : ": de ella sale ") + listed(out));
            return;
        }
        case K::Branching: checkBranching(l, from, e, source); return;
        case K::Universal:
        case K::Existential: checkInstance(l, e, source); return;
        }
    }

    std::string listed(const std::vector<int> &fs) const
    {
        std::string s;
        for (std::size_t i = 0; i < fs.size(); ++i)
            s += (i == 0 ? "" : i + 1 == fs.size() ? " y " : ", ") + quoted(text(fs[i]));
        return s;
    }

    int alternativeOf(const Expansion &e, int f) const
    {
        for (std::size_t a = 0; a < e.alternatives.size(); ++a)
            if (std::find(e.alternatives[a].begin(), e.alternatives[a].end(), f)
                != e.alternatives[a].end())
                return static_cast<int>(a);
        return -1;
    }

    void checkBranching(
        const Line &l, const Line &from, const Expansion &e, const std::string &source)
    {
        const int a = alternativeOf(e, l.formula);
        if (a < 0) {
            fault(l,
                quoted(text(l.formula)) + " no sale de " + source + ": abre una rama con "
                    + listed(e.alternatives[0]) + " y otra con " + listed(e.alternatives[1]));
            return;
        }
        // At the head of a branch, or below the head that opened it by the same alternative.
        const Branch &b = m_branches[static_cast<std::size_t>(l.branch)];
        const Line &head = m_lines[static_cast<std::size_t>(b.head)];
        if (l.branch != 0 && &head != &l && head.cites.size() == 1 && head.cites[0] == from.k
            && alternativeOf(e, head.formula) == a)
            return;
        if (l.branch == 0 || &head != &l)
            fault(l,
                source + " abre dos ramas: " + quoted(text(l.formula))
                    + " va al principio de una rama nueva, sangrada, con «--» entre las ramas");
    }

    void checkInstance(const Line &l, const Expansion &e, const std::string &source)
    {
        const int t = instanceTerm(L, e, l.formula);
        if (t == -1) {
            fault(l, quoted(text(l.formula)) + " no es un caso de " + source);
            return;
        }
        if (t >= 0 && !l.term.empty() && L.termText(t) != l.term) {
            fault(l,
                "la línea nombra " + quoted(l.term) + ", pero su caso es el de "
                    + quoted(L.termText(t)));
            return;
        }
        if (e.kind != Expansion::Kind::Existential)
            return;
        if (t >= 0 && !L.args(t).empty()) {
            fault(l, source + ", pide una constante nueva, no " + quoted(L.termText(t)));
            return;
        }
        if (t < 0)
            return;
        for (const Line *m : path(l, false))
            if (m->formula >= 0 && occurs(L, t, m->formula)) {
                fault(l,
                    quoted(L.termText(t)) + " ya está en la rama (línea " + std::to_string(m->k)
                        + "): " + source + ", pide una constante nueva");
                return;
            }
    }

    void checkIdentity(const Line &l, const Line &x, const Line &y)
    {
        for (const auto &[eq, other] : {std::pair(&x, &y), std::pair(&y, &x)}) {
            const FormulaNode &n = L.node(eq->formula);
            if (n.kind == Fk::Equal && replacesTerm(L, other->formula, l.formula, n.a, n.b))
                return;
        }
        fault(l,
            quoted(text(l.formula)) + " no sale de las líneas " + std::to_string(x.k) + " y "
                + std::to_string(y.k) + " por la identidad");
    }

    bool contradict(int f, int g) const
    {
        return (L.node(f).kind == Fk::Not && L.node(f).a == g)
            || (L.node(g).kind == Fk::Not && L.node(g).a == f);
    }
    bool absurd(int f) const
    {
        const FormulaNode &n = L.node(f);
        if (n.kind == Fk::Bottom)
            return true;
        if (n.kind != Fk::Not)
            return false;
        const FormulaNode &m = L.node(n.a);
        return m.kind == Fk::Top || (m.kind == Fk::Equal && m.a == m.b);
    }

    void checkClosure(const Line &l)
    {
        std::vector<const Line *> cited;
        for (int k : l.cites) {
            const Line *m = lineNumbered(k);
            if (!m || !onBranchOf(*m, l)) {
                fault(l, "la línea " + std::to_string(k) + " no está en esta rama");
                return;
            }
            if (m->formula < 0)
                return;
            cited.push_back(m);
        }
        if (cited.size() == 2 && contradict(cited[0]->formula, cited[1]->formula))
            return;
        if (cited.size() == 1 && absurd(cited[0]->formula))
            return;
        if (cited.size() == 2)
            fault(l,
                "las líneas " + std::to_string(cited[0]->k) + " y " + std::to_string(cited[1]->k)
                    + " no se contradicen");
        else if (cited.size() == 1)
            fault(l,
                "la línea " + std::to_string(cited[0]->k)
                    + " sola no cierra la rama: cite las dos que se contradicen");
        else
            fault(l, "cite las dos líneas que se contradicen");
    }

    void checkBranch(int index)
    {
        const Branch &b = m_branches[static_cast<std::size_t>(index)];
        if (b.lines.empty())
            return;
        // Nothing follows a mark, nor the branches that a line opened.
        for (std::size_t i = 0; i + 1 < b.lines.size(); ++i) {
            const Line &l = m_lines[static_cast<std::size_t>(b.lines[i])];
            if (l.mark != TreeMark::None) {
                fault(m_lines[static_cast<std::size_t>(b.lines[i + 1])],
                    std::string(l.mark == TreeMark::Closed ? "la rama ya se cerró"
                                                           : "la rama ya se dijo abierta")
                        + " en la línea " + std::to_string(l.k));
                return;
            }
        }
        const Line &last = m_lines[static_cast<std::size_t>(b.lines.back())];
        if (!b.children.empty()) {
            const Line &firstChild = m_lines[static_cast<std::size_t>(
                m_branches[static_cast<std::size_t>(b.children[0])].head)];
            for (int i : b.lines)
                if (m_lines[static_cast<std::size_t>(i)].k > firstChild.k) {
                    fault(m_lines[static_cast<std::size_t>(i)],
                        "esta línea sigue a las ramas que se abren encima: va dentro de cada "
                        "rama");
                    break;
                }
            if (last.mark != TreeMark::None)
                fault(m_lines[static_cast<std::size_t>(
                          m_branches[static_cast<std::size_t>(b.children[0])].head)],
                    "la rama ya acabó en la línea " + std::to_string(last.k));
            checkSiblings(b);
            return;
        }
        if (last.mark == TreeMark::None) {
            fault(last, "la rama acaba sin cerrarse (✕) ni decirse abierta (○)");
            return;
        }
        if (last.mark == TreeMark::Open)
            checkOpen(last);
    }

    void checkSiblings(const Branch &b)
    {
        int from = -1;
        Expansion e;
        std::vector<int> seen; // per alternative: the head that gives it, or -1
        for (std::size_t c = 0; c < b.children.size(); ++c) {
            const Line &head = m_lines[static_cast<std::size_t>(
                m_branches[static_cast<std::size_t>(b.children[c])].head)];
            const Line *cited = head.source == Line::Source::Cited && head.cites.size() == 1
                ? lineNumbered(head.cites[0])
                : nullptr;
            if (!cited || cited->formula < 0
                || expand(L, cited->formula).kind != Expansion::Kind::Branching) {
                if (m_faulty.count(head.k) == 0)
                    fault(head, "una rama nueva la abre solo una regla que ramifica");
                return;
            }
            if (from < 0) {
                from = cited->k;
                e = expand(L, cited->formula);
                seen.assign(e.alternatives.size(), -1);
            } else if (cited->k != from) {
                fault(head,
                    "esta rama sale de la línea " + std::to_string(cited->k)
                        + ", y la de al lado de la línea " + std::to_string(from));
                return;
            }
            const int a = alternativeOf(e, head.formula);
            if (a < 0)
                return; // faulty on its own
            if (c >= e.alternatives.size()) {
                fault(head, "sobra esta rama: la línea " + std::to_string(from) + " abre solo dos");
                return;
            }
            if (seen[static_cast<std::size_t>(a)] >= 0) {
                fault(head,
                    "esta rama repite la de la línea "
                        + std::to_string(seen[static_cast<std::size_t>(a)]));
                return;
            }
            seen[static_cast<std::size_t>(a)] = head.k;
        }
        for (std::size_t a = 0; a < seen.size(); ++a)
            if (seen[a] < 0) {
                const Line &lone = m_lines[static_cast<std::size_t>(
                    m_branches[static_cast<std::size_t>(b.children.back())].head)];
                fault(lone,
                    "falta la rama de " + listed(e.alternatives[a]) + ", que abre la línea "
                        + std::to_string(from));
                return;
            }
    }

    // A branch called open must be complete, must not close, and must describe a model of the
    // exercise's premises and negated conclusion.
    void checkOpen(const Line &mark)
    {
        if (!m_exercise || m_modal)
            return;
        const std::vector<const Line *> on = path(mark, false);
        std::set<int> formulas;
        for (const Line *m : on)
            if (m->formula >= 0)
                formulas.insert(m->formula);
        std::map<int, int> numberOf; // formula → the first line on the branch that holds it
        for (const Line *m : on) {
            if (m->formula < 0)
                continue;
            if (absurd(m->formula)) {
                fault(mark,
                    "la rama se cierra: la línea " + std::to_string(m->k) + " es "
                        + quoted(text(m->formula)));
                return;
            }
            const FormulaNode &n = L.node(m->formula);
            auto other = numberOf.find(n.kind == Fk::Not ? n.a : L.negation(m->formula));
            if (other != numberOf.end()) {
                fault(mark,
                    "la rama se cierra: las líneas " + std::to_string(other->second) + " y "
                        + std::to_string(m->k) + " se contradicen");
                return;
            }
            numberOf.emplace(m->formula, m->k);
        }
        std::set<int> terms;
        for (int f : formulas)
            closedTerms(L, f, terms);
        for (const Line *m : on) {
            if (m->formula < 0)
                continue;
            const Expansion e = expand(L, m->formula);
            const std::string which
                = "la línea " + std::to_string(m->k) + ", " + quoted(text(m->formula));
            using K = Expansion::Kind;
            auto has = [&](int f) { return formulas.count(f) > 0; };
            bool done = true;
            std::string missing;
            switch (e.kind) {
            case K::None: break;
            case K::Linear:
                done = std::all_of(e.alternatives[0].begin(), e.alternatives[0].end(), has);
                break;
            case K::Branching:
                done = std::any_of(
                    e.alternatives.begin(), e.alternatives.end(), [&](const std::vector<int> &alt) {
                        return std::all_of(alt.begin(), alt.end(), has);
                    });
                break;
            case K::Existential:
                done = std::any_of(terms.begin(), terms.end(),
                    [&](int t) { return L.args(t).empty() && has(instanceOf(L, e, t)); });
                break;
            case K::Universal:
                if (terms.empty()) {
                    done = false;
                    missing = ", a una constante";
                }
                for (int t : terms)
                    if (!has(instanceOf(L, e, t))) {
                        done = false;
                        missing = ", a " + quoted(L.termText(t));
                        break;
                    }
                break;
            }
            if (!done) {
                fault(mark,
                    "la rama no está completa: falta "
                        + std::string(e.kind == K::Universal ? "aplicar " : "descomponer ") + which
                        + missing);
                return;
            }
        }
        describe(mark, on);
    }

    // The model of an open branch: its terms, equal ones one element, and its atoms true.
    void describe(const Line &mark, const std::vector<const Line *> &on)
    {
        std::set<int> termSet;
        for (const Line *m : on)
            if (m->formula >= 0)
                closedTerms(L, m->formula, termSet);
        for (int f : wanted())
            closedTerms(L, f, termSet);
        const std::vector<int> terms(termSet.begin(), termSet.end());
        std::map<int, int> index;
        for (std::size_t i = 0; i < terms.size(); ++i)
            index[terms[i]] = static_cast<int>(i);
        std::vector<int> up(terms.size());
        std::iota(up.begin(), up.end(), 0);
        auto find = [&](int i) {
            while (up[static_cast<std::size_t>(i)] != i)
                i = up[static_cast<std::size_t>(i)]
                    = up[static_cast<std::size_t>(up[static_cast<std::size_t>(i)])];
            return i;
        };
        for (const Line *m : on)
            if (m->formula >= 0 && L.node(m->formula).kind == Fk::Equal) {
                const FormulaNode &n = L.node(m->formula);
                up[static_cast<std::size_t>(find(index[n.a]))] = find(index[n.b]);
            }
        std::map<int, int> element; // class root → element
        for (std::size_t i = 0; i < terms.size(); ++i)
            element.emplace(find(static_cast<int>(i)), static_cast<int>(element.size()));
        Structure model;
        model.domain = std::max<int>(1, static_cast<int>(element.size()));
        model.access = {{0}};
        auto valueOf = [&](int t) { return element[find(index[t])]; };
        const std::vector<int> formulas = wanted();
        const Signature sig = signatureOf(L, formulas);
        std::set<int> predicates = sig.predicates, functions = sig.functions;
        for (const Line *m : on)
            if (m->formula >= 0) {
                const Signature s = signatureOf(L, {m->formula});
                predicates.insert(s.predicates.begin(), s.predicates.end());
                functions.insert(s.functions.begin(), s.functions.end());
            }
        for (int p : predicates)
            model.predicates[p].assign(tupleCount(model.domain, L.predicateSymbol(p).arity), 0);
        for (int f : functions)
            model.functions[f].assign(tupleCount(model.domain, L.functionSymbol(f).arity), 0);
        for (int t : terms) {
            std::size_t at = 0;
            for (int a : L.args(t))
                at = at * static_cast<std::size_t>(model.domain)
                    + static_cast<std::size_t>(valueOf(a));
            model.functions[L.term(t).sym][at] = valueOf(t);
        }
        for (const Line *m : on) {
            if (m->formula < 0 || L.node(m->formula).kind != Fk::Atom)
                continue;
            std::size_t at = 0;
            for (int a : L.atomArgs(m->formula))
                at = at * static_cast<std::size_t>(model.domain)
                    + static_cast<std::size_t>(valueOf(a));
            model.predicates[L.node(m->formula).a][at] = 1;
        }
        // What the branch says must hold there: else the branch is not complete, as with an
        // identity not carried through.
        for (const Line *m : on)
            if (m->formula >= 0 && !holdsIn(L, model, m->formula)) {
                fault(mark,
                    "la rama no está completa: en el modelo que describe es falsa la línea "
                        + std::to_string(m->k) + ", " + quoted(text(m->formula)));
                return;
            }
        for (int f : formulas)
            if (!holdsIn(L, model, f)) {
                fault(mark,
                    "la rama no está completa: en el modelo que describe es falsa "
                        + quoted(text(f)));
                return;
            }
        if (m_check.model)
            return;
        bool firstOrder = false;
        for (int f : formulas)
            firstOrder = firstOrder || L.isFirstOrder(f);
        for (const Line *m : on)
            firstOrder = firstOrder || (m->formula >= 0 && L.isFirstOrder(m->formula));
        m_check.model = showModel(L, formulas, model, firstOrder, false);
        m_check.modelText = "Modelo de la rama abierta de la línea " + std::to_string(mark.k)
            + " (comprobado: en él "
            + (m_exercise->argument ? "las premisas son verdaderas y la conclusión falsa"
                                    : "la fórmula es falsa")
            + "):\n" + describeModel(L, formulas, model, firstOrder, false);
    }

    // The student's tree as the drawing shows one: a node a line, its number the line's.
    void draw()
    {
        ShownTree &tree = m_check.tree;
        std::vector<int> last(m_branches.size(), -1); // per branch, its last node so far
        for (const Line &l : m_lines) {
            ShownTree::Node n;
            // Above a branch's first line, the last line above it on its branch.
            for (int b = l.branch; b >= 0 && n.parent < 0;
                 b = m_branches[static_cast<std::size_t>(b)].parent)
                n.parent = last[static_cast<std::size_t>(b)];
            last[static_cast<std::size_t>(l.branch)] = l.k - 1;
            n.text = l.mark == TreeMark::Closed ? "✕"
                : l.mark == TreeMark::Open      ? "○"
                : l.formula >= 0                ? text(l.formula)
                                                : l.written;
            if (l.source == Line::Source::Premise)
                n.origin = "premisa";
            else if (l.source == Line::Source::Negated)
                n.origin
                    = m_exercise && !m_exercise->argument ? "fórmula negada" : "conclusión negada";
            else if (!l.cites.empty() && l.mark == TreeMark::None)
                n.origin = "de " + citeList(l.cites);
            // Only lines above it can close it: a drawing names them by number.
            auto above = [&](int k) { return k >= 1 && k < l.k; };
            if (l.mark == TreeMark::Closed && l.cites.size() == 2 && above(l.cites[0])
                && above(l.cites[1])) {
                n.closedBy1 = l.cites[0] - 1;
                n.closedBy2 = l.cites[1] - 1;
            } else if (l.mark == TreeMark::Closed && l.cites.size() == 1 && above(l.cites[0])) {
                n.closedBy1 = n.closedBy2 = l.cites[0] - 1;
            }
            n.fault = m_faulty.count(l.k) > 0;
            tree.nodes.push_back(std::move(n));
        }
    }

    static std::string citeList(const std::vector<int> &cites)
    {
        std::string s;
        for (std::size_t i = 0; i < cites.size(); ++i)
            s += (i == 0 ? "" : i + 1 == cites.size() ? " y " : ", ") + std::to_string(cites[i]);
        return s;
    }

    Logic &L;
    std::span<const std::u32string> m_text;
    const Exercise *m_exercise;
    std::vector<Line> m_lines;
    std::vector<Branch> m_branches;
    bool m_modal = false;
    std::set<int> m_faulty;
    TreeCheck m_check;
};

} // namespace

std::vector<WorkPiece> findTrees(Logic &logic, std::span<const std::u32string> lines)
{
    std::vector<WorkPiece> trees;
    for (int i = 0; i < static_cast<int>(lines.size());) {
        const Derivation block = readNumberedBlock(logic, lines, i);
        if (!block.empty() && isTreeBlock(lines, block)) {
            trees.push_back({WorkKind::Tree, block.firstLine, block.endLine});
            i = block.endLine;
        } else {
            ++i;
        }
    }
    return trees;
}

TreeCheck checkTree(Logic &logic, std::span<const std::u32string> lines, const WorkPiece &piece,
    const Exercise *exercise)
{
    return TreeJudge(logic, lines, piece, exercise).run();
}

} // namespace logic
