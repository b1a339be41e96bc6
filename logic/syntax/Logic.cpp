#include "Logic.h"

#include <algorithm>
#include <cstdlib>
#include <unordered_set>

namespace logic {
namespace {

std::uint64_t bit(int v)
{
    return std::uint64_t{1} << (v < 63 ? v : 63);
}

std::uint64_t pack(int kind, int a, int b)
{
    // Node numbers stay far below 2^30: the engine stops long before (kMaxStoreSize).
    return (static_cast<std::uint64_t>(kind) << 60)
        | (static_cast<std::uint64_t>(static_cast<std::uint32_t>(a + 1) & 0x3FFFFFFF) << 30)
        | (static_cast<std::uint64_t>(static_cast<std::uint32_t>(b + 1)) & 0x3FFFFFFF);
}

std::string symbolKey(std::string_view name, int arity)
{
    return std::string(name) + '/' + std::to_string(arity);
}

const char *connective(Fk k)
{
    switch (k) {
    case Fk::And: return " ∧ ";
    case Fk::Or: return " ∨ ";
    case Fk::Implies: return " → ";
    case Fk::Iff: return " ↔ ";
    default: return "";
    }
}

// A name the compact notation can print without ambiguity: one letter and its digits.
bool isCompactName(const std::string &name)
{
    if (name.empty() || !(name[0] >= 'a' && name[0] <= 'z'))
        return false;
    for (std::size_t i = 1; i < name.size(); ++i)
        if (!(name[i] >= '0' && name[i] <= '9'))
            return false;
    return true;
}

} // namespace

int Logic::predicate(std::string_view name, int arity)
{
    const std::string key = symbolKey(name, arity);
    if (auto it = m_predicateIds.find(key); it != m_predicateIds.end())
        return it->second;
    m_predicates.push_back({std::string(name), arity, false});
    m_predicateIds.emplace(key, predicateCount() - 1);
    return predicateCount() - 1;
}

int Logic::function(std::string_view name, int arity, bool made)
{
    const std::string key = symbolKey(name, arity);
    if (auto it = m_functionIds.find(key); it != m_functionIds.end())
        return it->second;
    m_functions.push_back({std::string(name), arity, made});
    m_functionIds.emplace(key, functionCount() - 1);
    return functionCount() - 1;
}

int Logic::findFunction(std::string_view name, int arity) const
{
    const auto it = m_functionIds.find(symbolKey(name, arity));
    return it == m_functionIds.end() ? -1 : it->second;
}

int Logic::variable(std::string_view name)
{
    const std::string key(name);
    if (auto it = m_variableIds.find(key); it != m_variableIds.end())
        return it->second;
    m_variables.push_back(key);
    m_variableIds.emplace(key, variableCount() - 1);
    return variableCount() - 1;
}

int Logic::list(std::span<const int> terms)
{
    std::string key(reinterpret_cast<const char *>(terms.data()), terms.size() * sizeof(int));
    if (auto it = m_listIds.find(key); it != m_listIds.end())
        return it->second;
    m_lists.emplace_back(terms.begin(), terms.end());
    const int id = static_cast<int>(m_lists.size()) - 1;
    m_listIds.emplace(std::move(key), id);
    return id;
}

std::span<const int> Logic::list(int id) const
{
    if (id < 0)
        return {};
    return m_lists[static_cast<std::size_t>(id)];
}

int Logic::addTerm(TermNode n)
{
    const std::uint64_t key = pack(static_cast<int>(n.kind), n.sym, n.list);
    if (auto it = m_termIds.find(key); it != m_termIds.end())
        return it->second;
    if (m_terms.size() >= (1u << 29))
        std::abort(); // the engine's store limit stops far below this
    m_terms.push_back(n);
    m_termIds.emplace(key, static_cast<int>(m_terms.size()) - 1);
    return static_cast<int>(m_terms.size()) - 1;
}

int Logic::var(int v)
{
    TermNode n;
    n.kind = Tk::Var;
    n.sym = v;
    n.vars = bit(v);
    return addTerm(n);
}

int Logic::param(int number)
{
    TermNode n;
    n.kind = Tk::Param;
    n.sym = number;
    n.params = true;
    return addTerm(n);
}

int Logic::app(int f, std::span<const int> args)
{
    TermNode n;
    n.kind = Tk::App;
    n.sym = f;
    n.list = args.empty() ? -1 : list(args);
    for (int a : args) {
        const TermNode &t = term(a);
        n.vars |= t.vars;
        n.params = n.params || t.params;
        n.depth = std::max(n.depth, t.depth + 1);
    }
    return addTerm(n);
}

int Logic::addFormula(FormulaNode n)
{
    const std::uint64_t key = pack(static_cast<int>(n.kind), n.a, n.b);
    if (auto it = m_formulaIds.find(key); it != m_formulaIds.end())
        return it->second;
    if (m_formulas.size() >= (1u << 29))
        std::abort();
    m_formulas.push_back(n);
    m_formulaIds.emplace(key, static_cast<int>(m_formulas.size()) - 1);
    return static_cast<int>(m_formulas.size()) - 1;
}

int Logic::atom(int p, std::span<const int> args)
{
    FormulaNode n;
    n.kind = Fk::Atom;
    n.a = p;
    n.b = args.empty() ? -1 : list(args);
    for (int a : args) {
        n.vars |= term(a).vars;
        n.params = n.params || term(a).params;
        n.depth = std::max(n.depth, term(a).depth + 2);
    }
    return addFormula(n);
}

int Logic::equal(int s, int t)
{
    FormulaNode n;
    n.kind = Fk::Equal;
    n.a = s;
    n.b = t;
    n.vars = term(s).vars | term(t).vars;
    n.params = term(s).params || term(t).params;
    n.depth = std::max(term(s).depth, term(t).depth) + 2;
    return addFormula(n);
}

int Logic::top()
{
    FormulaNode n;
    n.kind = Fk::Top;
    return addFormula(n);
}

int Logic::bottom()
{
    FormulaNode n;
    n.kind = Fk::Bottom;
    return addFormula(n);
}

int Logic::negation(int a)
{
    return modal(Fk::Not, a);
}

int Logic::modal(Fk kind, int a)
{
    FormulaNode n;
    n.kind = kind;
    n.a = a;
    n.vars = node(a).vars;
    n.params = node(a).params;
    n.depth = node(a).depth + 1;
    return addFormula(n);
}

int Logic::binary(Fk kind, int a, int b)
{
    FormulaNode n;
    n.kind = kind;
    n.a = a;
    n.b = b;
    n.vars = node(a).vars | node(b).vars;
    n.params = node(a).params || node(b).params;
    n.depth = std::max(node(a).depth, node(b).depth) + 1;
    return addFormula(n);
}

int Logic::quantified(Fk kind, int v, int body)
{
    FormulaNode n;
    n.kind = kind;
    n.a = v;
    n.b = body;
    // A variable past 62 shares bit 63 with the others, so it cannot be cleared safely.
    n.vars = v < 63 ? node(body).vars & ~bit(v) : node(body).vars;
    n.params = node(body).params;
    n.depth = node(body).depth + 1;
    return addFormula(n);
}

int Logic::substituteTerm(int t, int v, int s)
{
    // By value: the recursive calls add terms, which may move the store's nodes.
    const TermNode n = term(t);
    if (!(n.vars & bit(v)))
        return t;
    if (n.kind == Tk::Var)
        return n.sym == v ? s : t;
    std::vector<int> args(this->args(t).begin(), this->args(t).end());
    for (int &a : args)
        a = substituteTerm(a, v, s);
    return app(n.sym, args);
}

int Logic::substitute(int f, int v, int t)
{
    const FormulaNode n = node(f);
    if (!(n.vars & bit(v)))
        return f;
    const Substitution key{f, v, t};
    if (auto it = m_substituted.find(key); it != m_substituted.end())
        return it->second;
    int result = f;
    switch (n.kind) {
    case Fk::Atom: {
        std::vector<int> args(atomArgs(f).begin(), atomArgs(f).end());
        for (int &a : args)
            a = substituteTerm(a, v, t);
        result = atom(n.a, args);
        break;
    }
    case Fk::Equal: result = equal(substituteTerm(n.a, v, t), substituteTerm(n.b, v, t)); break;
    case Fk::Top:
    case Fk::Bottom: break;
    case Fk::Not:
    case Fk::Box:
    case Fk::Diamond: result = modal(n.kind, substitute(n.a, v, t)); break;
    case Fk::And:
    case Fk::Or:
    case Fk::Implies:
    case Fk::Iff: {
        const int a = substitute(n.a, v, t);
        result = binary(n.kind, a, substitute(n.b, v, t));
        break;
    }
    case Fk::Forall:
    case Fk::Exists: result = n.a == v ? f : quantified(n.kind, n.a, substitute(n.b, v, t)); break;
    }
    m_substituted.emplace(key, result);
    return result;
}

int Logic::import(const Logic &from, int f)
{
    std::unordered_map<int, int> terms, formulas;
    auto importTerm = [&](auto &self, int t) -> int {
        if (auto it = terms.find(t); it != terms.end())
            return it->second;
        const TermNode &n = from.term(t);
        int r = -1;
        if (n.kind == Tk::Var) {
            r = var(variable(from.variableName(n.sym)));
        } else if (n.kind == Tk::Param) {
            r = param(n.sym);
        } else {
            std::vector<int> args;
            for (int a : from.args(t))
                args.push_back(self(self, a));
            const Symbol &s = from.functionSymbol(n.sym);
            r = app(function(s.name, s.arity, s.made), args);
        }
        terms.emplace(t, r);
        return r;
    };
    auto importFormula = [&](auto &self, int g) -> int {
        if (auto it = formulas.find(g); it != formulas.end())
            return it->second;
        const FormulaNode &n = from.node(g);
        int r = -1;
        switch (n.kind) {
        case Fk::Atom: {
            std::vector<int> args;
            for (int a : from.atomArgs(g))
                args.push_back(importTerm(importTerm, a));
            const Symbol &p = from.predicateSymbol(n.a);
            r = atom(predicate(p.name, p.arity), args);
            break;
        }
        case Fk::Equal: {
            const int s = importTerm(importTerm, n.a);
            r = equal(s, importTerm(importTerm, n.b));
            break;
        }
        case Fk::Top: r = top(); break;
        case Fk::Bottom: r = bottom(); break;
        case Fk::Not:
        case Fk::Box:
        case Fk::Diamond: r = modal(n.kind, self(self, n.a)); break;
        case Fk::And:
        case Fk::Or:
        case Fk::Implies:
        case Fk::Iff: {
            const int a = self(self, n.a);
            r = binary(n.kind, a, self(self, n.b));
            break;
        }
        case Fk::Forall:
        case Fk::Exists:
            r = quantified(n.kind, variable(from.variableName(n.a)), self(self, n.b));
            break;
        }
        formulas.emplace(g, r);
        return r;
    };
    return importFormula(importFormula, f);
}

template <typename Visit> bool Logic::any(int f, Visit visit) const
{
    std::vector<int> stack{f};
    std::unordered_set<int> seen;
    while (!stack.empty()) {
        const int g = stack.back();
        stack.pop_back();
        if (!seen.insert(g).second)
            continue;
        const FormulaNode &n = node(g);
        if (visit(n))
            return true;
        if (n.kind == Fk::Not || isModalOp(n.kind))
            stack.push_back(n.a);
        else if (isBinary(n.kind)) {
            stack.push_back(n.a);
            stack.push_back(n.b);
        } else if (isQuantifier(n.kind))
            stack.push_back(n.b);
    }
    return false;
}

bool Logic::hasQuantifiers(int f) const
{
    return any(f, [](const FormulaNode &n) { return isQuantifier(n.kind); });
}

bool Logic::hasModal(int f) const
{
    return any(f, [](const FormulaNode &n) { return isModalOp(n.kind); });
}

bool Logic::isPropositional(int f) const
{
    return !any(f, [](const FormulaNode &n) {
        return isQuantifier(n.kind) || isModalOp(n.kind) || n.kind == Fk::Equal
            || (n.kind == Fk::Atom && n.b >= 0);
    });
}

bool Logic::isFirstOrder(int f) const
{
    return any(f, [](const FormulaNode &n) {
        return isQuantifier(n.kind) || n.kind == Fk::Equal || (n.kind == Fk::Atom && n.b >= 0);
    });
}

std::string Logic::termText(int t) const
{
    const TermNode &n = term(t);
    if (n.kind == Tk::Var)
        return variableName(n.sym);
    if (n.kind == Tk::Param)
        return "X" + std::to_string(n.sym);
    std::string out = functionSymbol(n.sym).name;
    const auto as = args(t);
    if (!as.empty()) {
        out += '(';
        for (std::size_t i = 0; i < as.size(); ++i)
            out += (i ? ", " : "") + termText(as[i]);
        out += ')';
    }
    return out;
}

std::string Logic::text(int f) const
{
    std::string out;
    auto write = [&](auto &self, int g, bool outer) -> void {
        const FormulaNode &n = node(g);
        switch (n.kind) {
        case Fk::Atom: {
            out += predicateSymbol(n.a).name;
            const auto as = atomArgs(g);
            bool compact = true;
            for (int a : as)
                compact = compact && term(a).kind != Tk::Param && term(a).list < 0
                    && isCompactName(term(a).kind == Tk::Var ? variableName(term(a).sym)
                                                             : functionSymbol(term(a).sym).name);
            if (compact) {
                for (int a : as)
                    out += termText(a);
            } else {
                out += '(';
                for (std::size_t i = 0; i < as.size(); ++i)
                    out += (i ? ", " : "") + termText(as[i]);
                out += ')';
            }
            break;
        }
        case Fk::Equal: out += termText(n.a) + " = " + termText(n.b); break;
        case Fk::Top: out += "⊤"; break;
        case Fk::Bottom: out += "⊥"; break;
        case Fk::Not:
            if (node(n.a).kind == Fk::Equal) { // ¬a = b reads better as a ≠ b
                out += termText(node(n.a).a) + " ≠ " + termText(node(n.a).b);
                break;
            }
            out += "¬";
            self(self, n.a, false);
            break;
        case Fk::Box:
        case Fk::Diamond:
            out += n.kind == Fk::Box ? "□" : "◇";
            self(self, n.a, false);
            break;
        case Fk::And:
        case Fk::Or:
        case Fk::Implies:
        case Fk::Iff:
            if (!outer)
                out += '(';
            self(self, n.a, false);
            out += connective(n.kind);
            self(self, n.b, false);
            if (!outer)
                out += ')';
            break;
        case Fk::Forall:
        case Fk::Exists: {
            out += n.kind == Fk::Forall ? "∀" : "∃";
            out += variableName(n.a);
            // "∀x Fx" and "∀x∃y Rxy", but "∀x(Fx → Gx)" and "∀x¬Fx".
            const std::size_t at = out.size();
            self(self, n.b, false);
            if (at < out.size()
                && ((out[at] >= 'A' && out[at] <= 'Z') || (out[at] >= 'a' && out[at] <= 'z')
                    || node(n.b).kind == Fk::Top || node(n.b).kind == Fk::Bottom))
                out.insert(at, 1, ' ');
            break;
        }
        }
    };
    write(write, f, true);
    return out;
}

} // namespace logic
