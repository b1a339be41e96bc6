#include "Index.h"

namespace logic::saturation {

int DiscriminationTree::child(int node, int key) const
{
    for (const auto &[k, c] : nth(m_nodes, node).children)
        if (k == key)
            return c;
    return -1;
}

void DiscriminationTree::insert(Term t, int value)
{
    int node = 0;
    std::vector<Term> stack{t};
    while (!stack.empty()) {
        const Term u = stack.back();
        stack.pop_back();
        const int key = m_terms.isVar(u) ? kStar : m_terms.head(u);
        int next = child(node, key);
        if (next < 0) {
            next = sizeOf(m_nodes);
            m_nodes.emplace_back();
            nth(m_nodes, node).children.emplace_back(key, next);
        }
        node = next;
        if (key != kStar) {
            const auto as = m_terms.args(u);
            for (std::size_t i = as.size(); i-- > 0;)
                stack.push_back(as[i]);
        }
    }
    nth(m_nodes, node).values.push_back(value);
}

void DiscriminationTree::retrieve(Term query, Mode mode, std::vector<int> &out) const
{
    // The query in reading order, with where each subterm ends.
    m_flat.clear();
    m_after.clear();
    {
        std::vector<std::pair<Term, int>> stack{{query, 0}}; // term, 1 when its end is due
        std::vector<int> open;
        while (!stack.empty()) {
            const auto [u, closing] = stack.back();
            stack.pop_back();
            if (closing) {
                nth(m_after, open.back()) = sizeOf(m_flat);
                open.pop_back();
                continue;
            }
            open.push_back(sizeOf(m_flat));
            m_flat.push_back(u);
            m_after.push_back(0);
            stack.emplace_back(u, 1);
            if (!m_terms.isVar(u)) {
                const auto as = m_terms.args(u);
                for (std::size_t i = as.size(); i-- > 0;)
                    stack.emplace_back(as[i], 0);
            }
        }
    }
    const int end = sizeOf(m_flat);
    m_todo.assign(1, {0, 0});
    while (!m_todo.empty()) {
        const auto [node, at] = m_todo.back();
        m_todo.pop_back();
        const Node &n = nth(m_nodes, node);
        if (at == end) {
            out.insert(out.end(), n.values.begin(), n.values.end());
            continue;
        }
        const Term q = nth(m_flat, at);
        const int after = nth(m_after, at);
        const bool variable = m_terms.isVar(q);
        if (variable && mode != Mode::Generalize) {
            // The query's variable stands for any one stored term: skip one in the tree.
            m_skip.assign(1, {node, 1});
            while (!m_skip.empty()) {
                const auto [s, pending] = m_skip.back();
                m_skip.pop_back();
                for (const auto &[key, c] : nth(m_nodes, s).children) {
                    const int left = pending - 1 + arity(key);
                    if (left == 0)
                        m_todo.emplace_back(c, after);
                    else
                        m_skip.emplace_back(c, left);
                }
            }
            continue;
        }
        if (mode != Mode::Instance)
            if (const int star = child(node, kStar); star >= 0)
                m_todo.emplace_back(star, after);
        if (!variable)
            if (const int c = child(node, m_terms.head(q)); c >= 0)
                m_todo.emplace_back(c, at + 1);
    }
}

} // namespace logic::saturation
