#include "Terms.h"

#include <algorithm>

namespace logic::saturation {

TermBank::TermBank()
{
    m_table.assign(1024, -1);
    m_truth = constant(addSymbol({"⊤", 0, false, SymbolKind::Internal}));
    m_equalTag = addSymbol({"=", 2, true, SymbolKind::Internal});
    m_notEqualTag = addSymbol({"≠", 2, true, SymbolKind::Internal});
    m_notTag = addSymbol({"¬", 1, true, SymbolKind::Internal});
}

int TermBank::addSymbol(SymbolInfo symbol)
{
    m_symbols.push_back(std::move(symbol));
    return symbolCount() - 1;
}

std::uint64_t TermBank::hashOf(int symbol, std::span<const Term> args) const
{
    std::uint64_t h
        = static_cast<std::uint64_t>(static_cast<std::uint32_t>(symbol)) * 0x9E3779B97F4A7C15ull;
    for (Term a : args)
        h = (h ^ static_cast<std::uint64_t>(a)) * 0x100000001B3ull + 0x7F4A7C15ull;
    return h ^ (h >> 29);
}

void TermBank::grow()
{
    std::vector<int> table(m_table.size() * 2, -1);
    const std::size_t mask = table.size() - 1;
    for (std::size_t t = 0; t < m_nodes.size(); ++t) {
        const Node &n = m_nodes[t];
        if (n.symbol < 0)
            continue; // variables are found through m_vars
        std::size_t at = hashOf(n.symbol, {m_args.data() + n.first, n.arity}) & mask;
        while (table[at] >= 0)
            at = (at + 1) & mask;
        table[at] = static_cast<int>(t);
    }
    m_table.swap(table);
}

Term TermBank::var(int v)
{
    if (static_cast<std::size_t>(v) >= m_vars.size())
        m_vars.resize(static_cast<std::size_t>(v) + 1, -1);
    Term &slot = nth(m_vars, v);
    if (slot < 0) {
        Node n;
        n.symbol = -1 - v;
        n.varLimit = v + 1;
        n.varCount = 1;
        slot = static_cast<Term>(m_nodes.size());
        m_nodes.push_back(n);
    }
    return slot;
}

Term TermBank::app(int f, std::span<const Term> args)
{
    const std::size_t mask = m_table.size() - 1;
    std::size_t at = hashOf(f, args) & mask;
    for (; m_table[at] >= 0; at = (at + 1) & mask) {
        const Node &n = nth(m_nodes, m_table[at]);
        if (n.symbol == f && n.arity == args.size()
            && std::equal(args.begin(), args.end(), m_args.begin() + n.first))
            return m_table[at];
    }
    Node n;
    n.symbol = f;
    n.first = sizeOf(m_args);
    n.arity = static_cast<std::uint16_t>(args.size());
    for (Term a : args) {
        const Node &c = node(a);
        n.depth = static_cast<std::uint16_t>(std::max<int>(n.depth, c.depth + 1));
        n.size += c.size;
        n.varCount += c.varCount;
        n.varLimit = std::max(n.varLimit, c.varLimit);
    }
    m_args.insert(m_args.end(), args.begin(), args.end());
    const Term t = static_cast<Term>(m_nodes.size());
    m_nodes.push_back(n);
    m_table[at] = t;
    if (m_nodes.size() * 2 > m_table.size())
        grow();
    return t;
}

Term TermBank::subtermAt(Term t, std::span<const int> path) const
{
    for (int i : path)
        t = args(t)[static_cast<std::size_t>(i)];
    return t;
}

Term TermBank::replaceAt(Term t, std::span<const int> path, Term by)
{
    if (path.empty())
        return by;
    std::vector<Term> as(args(t).begin(), args(t).end());
    Term &a = nth(as, path[0]);
    a = replaceAt(a, path.subspan(1), by);
    return app(head(t), as);
}

bool TermBank::occurs(int v, Term t) const
{
    if (varLimit(t) <= v)
        return false;
    if (isVar(t))
        return varIndex(t) == v;
    for (Term a : args(t))
        if (occurs(v, a))
            return true;
    return false;
}

Term TermBank::rename(Term t, std::span<const Term> map)
{
    if (isVar(t))
        return nth(map, varIndex(t));
    if (ground(t))
        return t;
    std::vector<Term> as(args(t).begin(), args(t).end());
    for (Term &a : as)
        a = rename(a, map);
    return app(head(t), as);
}

std::string TermBank::text(Term t) const
{
    if (isVar(t))
        return "X" + std::to_string(varIndex(t));
    std::string out = symbol(head(t)).name;
    const auto as = args(t);
    if (!as.empty()) {
        out += '(';
        for (std::size_t i = 0; i < as.size(); ++i)
            out += (i ? "," : "") + text(as[i]);
        out += ')';
    }
    return out;
}

// ---- substitutions ------------------------------------------------------------------------------

Binding &Substitution::slot(int v, int bank)
{
    std::vector<Binding> &b = m_bind[bank];
    if (static_cast<std::size_t>(v) >= b.size())
        b.resize(static_cast<std::size_t>(v) + 1);
    return nth(b, v);
}

const Binding *Substitution::find(int v, int bank) const
{
    const std::vector<Binding> &b = m_bind[bank];
    if (static_cast<std::size_t>(v) >= b.size() || nth(b, v).term < 0)
        return nullptr;
    return &nth(b, v);
}

void Substitution::undo(std::size_t mark)
{
    while (m_trail.size() > mark) {
        const auto [v, bank] = m_trail.back();
        m_bind[bank][static_cast<std::size_t>(v)].term = -1;
        m_trail.pop_back();
    }
}

void Substitution::deref(Term &t, int &bank) const
{
    while (m_terms.isVar(t)) {
        const Binding *b = find(m_terms.varIndex(t), bank);
        if (!b)
            return;
        t = b->term;
        bank = b->bank;
    }
}

bool Substitution::occurs(int v, int bv, Term t, int bt) const
{
    std::vector<std::pair<Term, int>> stack{{t, bt}};
    while (!stack.empty()) {
        auto [u, bu] = stack.back();
        stack.pop_back();
        deref(u, bu);
        if (m_terms.isVar(u)) {
            if (m_terms.varIndex(u) == v && bu == bv)
                return true;
            continue;
        }
        if (m_terms.ground(u))
            continue;
        for (Term a : m_terms.args(u))
            stack.emplace_back(a, bu);
    }
    return false;
}

bool Substitution::unify(Term s, int bs, Term t, int bt)
{
    const std::size_t start = mark();
    auto &stack = m_stack[0];
    stack.clear();
    stack.emplace_back(s, bs);
    stack.emplace_back(t, bt);
    while (!stack.empty()) {
        auto [b, bb] = stack.back();
        stack.pop_back();
        auto [a, ba] = stack.back();
        stack.pop_back();
        deref(a, ba);
        deref(b, bb);
        if (a == b && (ba == bb || m_terms.ground(a)))
            continue;
        if (m_terms.isVar(a) || m_terms.isVar(b)) {
            if (!m_terms.isVar(a)) {
                std::swap(a, b);
                std::swap(ba, bb);
            }
            const int v = m_terms.varIndex(a);
            if (!m_terms.isVar(b) && occurs(v, ba, b, bb)) {
                undo(start);
                return false;
            }
            slot(v, ba) = {b, bb};
            m_trail.emplace_back(v, ba);
            continue;
        }
        if (m_terms.head(a) != m_terms.head(b)) {
            undo(start);
            return false;
        }
        const auto as = m_terms.args(a), bs2 = m_terms.args(b);
        for (std::size_t i = 0; i < as.size(); ++i) {
            stack.emplace_back(as[i], ba);
            stack.emplace_back(bs2[i], bb);
        }
    }
    return true;
}

bool Substitution::match(Term pattern, int bp, Term target, int bt)
{
    const std::size_t start = mark();
    auto &stack = m_stack[1];
    stack.clear();
    stack.emplace_back(pattern, target);
    while (!stack.empty()) {
        const auto [p, t] = stack.back();
        stack.pop_back();
        if (m_terms.isVar(p)) {
            const int v = m_terms.varIndex(p);
            if (const Binding *b = find(v, bp)) {
                if (b->term != t || b->bank != bt) {
                    undo(start);
                    return false;
                }
                continue;
            }
            slot(v, bp) = {t, bt};
            m_trail.emplace_back(v, bp);
            continue;
        }
        if (m_terms.isVar(t) || m_terms.head(p) != m_terms.head(t)) {
            undo(start);
            return false;
        }
        if (p == t && m_terms.ground(p))
            continue;
        const auto ps = m_terms.args(p), ts = m_terms.args(t);
        for (std::size_t i = 0; i < ps.size(); ++i)
            stack.emplace_back(ps[i], ts[i]);
    }
    return true;
}

bool Substitution::equalUnder(Term s, int bs, Term t, int bt) const
{
    std::vector<std::pair<Term, int>> stack{{s, bs}, {t, bt}};
    while (!stack.empty()) {
        auto [b, bb] = stack.back();
        stack.pop_back();
        auto [a, ba] = stack.back();
        stack.pop_back();
        deref(a, ba);
        deref(b, bb);
        if (a == b && (ba == bb || m_terms.ground(a)))
            continue;
        if (m_terms.isVar(a) || m_terms.isVar(b) || m_terms.head(a) != m_terms.head(b))
            return false;
        const auto as = m_terms.args(a), bs2 = m_terms.args(b);
        for (std::size_t i = 0; i < as.size(); ++i) {
            stack.emplace_back(as[i], ba);
            stack.emplace_back(bs2[i], bb);
        }
    }
    return true;
}

Term Substitution::instantiate(Term t, int bank, Fresh &fresh)
{
    return instantiate(t, bank, fresh, 0);
}

Term Substitution::instantiate(Term t, int bank, Fresh &fresh, int depth)
{
    deref(t, bank);
    if (m_terms.isVar(t)) {
        std::vector<int> &map = fresh.map[bank];
        const int v = m_terms.varIndex(t);
        if (static_cast<std::size_t>(v) >= map.size())
            map.resize(static_cast<std::size_t>(v) + 1, -1);
        if (nth(map, v) < 0)
            nth(map, v) = fresh.next++;
        return m_terms.var(nth(map, v));
    }
    if (m_terms.ground(t))
        return depth + m_terms.depth(t) > kMaxTermDepth ? -1 : t;
    if (depth > kMaxTermDepth)
        return -1;
    const int arity = static_cast<int>(m_terms.args(t).size());
    Term small[8];
    std::vector<Term> big;
    Term *out = small;
    if (arity > 8) {
        big.resize(static_cast<std::size_t>(arity));
        out = big.data();
    }
    for (int i = 0; i < arity; ++i) {
        const Term a = m_terms.args(t)[static_cast<std::size_t>(i)];
        out[i] = instantiate(a, bank, fresh, depth + 1);
        if (out[i] < 0)
            return -1;
    }
    const int f = m_terms.head(t);
    return m_terms.app(f, {out, static_cast<std::size_t>(arity)});
}

} // namespace logic::saturation
