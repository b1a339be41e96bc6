#include "ProofSteps.h"

#include <algorithm>
#include <cstdint>
#include <unordered_map>

namespace logic {

Proof::Proof()
{
    m_blocks.push_back(ProofBlock{});
}

int Proof::step(int block, int formula, Rule rule, std::vector<int> cites, std::vector<int> blocks)
{
    ProofStep s;
    s.formula = formula;
    s.rule = rule;
    s.cites = std::move(cites);
    s.blocks = std::move(blocks);
    s.block = block;
    m_steps.push_back(std::move(s));
    return stepCount() - 1;
}

int Proof::open(int parent, int formula, bool strict)
{
    ProofBlock b;
    b.parent = parent;
    b.strict = strict;
    m_blocks.push_back(b);
    const int id = static_cast<int>(m_blocks.size()) - 1;
    m_blocks.back().opening = step(id, strict ? -1 : formula, Rule::Assumption);
    m_blocks.back().last = m_blocks.back().opening;
    return id;
}

std::string lineText(int depth, int number, const std::string &formula, Rule rule,
    const std::vector<std::string> &citations)
{
    std::string s(static_cast<std::size_t>(depth) * 4, ' ');
    s += std::to_string(number) + ". " + formula + " :" + ruleName(rule);
    for (std::size_t i = 0; i < citations.size(); ++i)
        s += (i ? ", " : " ") + citations[i];
    return s;
}

namespace {

class Writer
{
public:
    Writer(const Logic &logic, const std::vector<ProofStep> &steps,
        const std::vector<ProofBlock> &blocks)
        : m_logic(logic), m_steps(steps), m_blocks(blocks), m_alias(steps.size(), -1),
          m_blockOf(steps.size()), m_parentOf(blocks.size()), m_seen(steps.size(), 0),
          m_key(steps.size())
    {
        for (std::size_t s = 0; s < steps.size(); ++s)
            m_key[s] = static_cast<double>(s);
        for (std::size_t s = 0; s < steps.size(); ++s)
            m_blockOf[s] = steps[s].block;
        for (std::size_t b = 0; b < blocks.size(); ++b)
            m_parentOf[b] = blocks[b].parent;
    }

    bool broken() const { return m_broken; }

    std::vector<WrittenLine> run(int conclusion, bool simplify)
    {
        m_conclusion = conclusion;
        if (simplify)
            hoist();
        // Each pass drops what the previous one found written twice; a few settle it.
        for (int pass = 0; pass < 6; ++pass) {
            const std::vector<int> before = m_alias;
            mark(conclusion);
            emit();
            if (m_alias == before)
                break;
        }
        return m_lines;
    }

private:
    int resolve(int s) const
    {
        while (m_alias[static_cast<std::size_t>(s)] >= 0)
            s = m_alias[static_cast<std::size_t>(s)];
        return s;
    }
    const ProofStep &st(int s) const { return m_steps[static_cast<std::size_t>(s)]; }
    const ProofBlock &bl(int b) const { return m_blocks[static_cast<std::size_t>(b)]; }
    // The step a block must end with; -1 for a block already written, still open, that the
    // new lines only continue.
    int lastOf(int b) const
    {
        if (b == m_blockOf[static_cast<std::size_t>(m_conclusion)])
            return m_conclusion;
        return b == 0 || st(bl(b).opening).given > 0 ? -1 : bl(b).last;
    }

    // A formula that a subderivation reaches without its assumption is a detour there (a
    // witness never used, a case that does not need its case, IP around what was derived
    // anyway): when a line rests on a deeper one with the same formula that needs none of the
    // assumptions in between, the deeper one stands for it, and what it rests on moves out.
    void hoist()
    {
        for (int round = 0; round < 16 && m_hoistWork < kHoistWork; ++round) {
            bool changed = false;
            const int visit = ++m_generation;
            std::vector<int> stack{m_conclusion};
            while (!stack.empty() && m_hoistWork < kHoistWork) {
                int s = resolve(stack.back());
                stack.pop_back();
                if (m_seen[static_cast<std::size_t>(s)] == visit)
                    continue;
                std::vector<int> chain;
                if (const int t = standIn(s, chain); t >= 0) {
                    m_alias[static_cast<std::size_t>(s)] = t;
                    // Written just before the outermost block it leaves.
                    const double key = m_key[static_cast<std::size_t>(bl(chain.back()).opening)];
                    for (int x : chain)
                        lift(x, t, key);
                    changed = true;
                    s = t;
                }
                m_seen[static_cast<std::size_t>(s)] = visit;
                for (int c : st(s).cites)
                    stack.push_back(c);
                for (int b : st(s).blocks) {
                    stack.push_back(bl(b).opening);
                    stack.push_back(bl(b).last);
                }
            }
            if (!changed)
                break;
        }
    }

    // A step that @p s rests on, with its formula, in a block inside the one of @p s, that needs
    // no assumption of the blocks in between; in @p chain those blocks, innermost first.
    int standIn(int s, std::vector<int> &chain)
    {
        const ProofStep &p = st(s);
        if (p.formula < 0 || p.given > 0)
            return -1;
        const int home = m_blockOf[static_cast<std::size_t>(s)];
        const int visit = ++m_generation;
        std::vector<int> stack, found;
        auto push = [&](int x) {
            for (int c : st(x).cites)
                stack.push_back(c);
            for (int b : st(x).blocks) {
                stack.push_back(bl(b).opening);
                stack.push_back(bl(b).last);
            }
        };
        push(s);
        for (int visited = 0; !stack.empty() && visited < kHoistReach; ++visited) {
            ++m_hoistWork;
            const int u = resolve(stack.back());
            stack.pop_back();
            if (m_seen[static_cast<std::size_t>(u)] == visit)
                continue;
            m_seen[static_cast<std::size_t>(u)] = visit;
            if (u != s && st(u).formula == p.formula && st(u).given == 0
                && m_blockOf[static_cast<std::size_t>(u)] != home && inside(u, home))
                found.push_back(u);
            push(u);
        }
        for (int t : found) {
            chain.clear();
            std::vector<int> openings;
            bool open = true;
            for (int x = m_blockOf[static_cast<std::size_t>(t)]; x != home && open;
                 x = m_parentOf[static_cast<std::size_t>(x)]) {
                open = !bl(x).strict && bl(x).opening >= 0 && st(bl(x).opening).given == 0;
                chain.push_back(x);
                openings.push_back(bl(x).opening);
            }
            if (open && !restsOn(t, openings))
                return t;
        }
        chain.clear();
        return -1;
    }

    bool restsOn(int from, const std::vector<int> &targets)
    {
        const int visit = ++m_generation;
        std::vector<int> stack{from};
        while (!stack.empty()) {
            ++m_hoistWork;
            const int s = resolve(stack.back());
            stack.pop_back();
            if (std::find(targets.begin(), targets.end(), s) != targets.end())
                return true;
            if (m_seen[static_cast<std::size_t>(s)] == visit)
                continue;
            m_seen[static_cast<std::size_t>(s)] = visit;
            for (int c : st(s).cites)
                stack.push_back(c);
            for (int x : st(s).blocks) {
                stack.push_back(bl(x).opening);
                stack.push_back(bl(x).last);
            }
        }
        return false;
    }

    // Moves @p t, and what it rests on inside block @p b, to the level around @p b; the
    // subderivations inside @p b that it cites go with them, and what those cite in @p b too.
    void lift(int b, int t, double key)
    {
        const int parent = m_parentOf[static_cast<std::size_t>(b)];
        const int visit = ++m_generation;
        std::vector<int> stack{t}, steps, blocks;
        while (!stack.empty()) {
            const int s = resolve(stack.back());
            stack.pop_back();
            if (m_seen[static_cast<std::size_t>(s)] == visit || !inside(s, b))
                continue;
            m_seen[static_cast<std::size_t>(s)] = visit;
            if (m_blockOf[static_cast<std::size_t>(s)] == b)
                steps.push_back(s);
            for (int c : st(s).cites)
                stack.push_back(c);
            for (int x : st(s).blocks) {
                if (m_parentOf[static_cast<std::size_t>(x)] == b)
                    blocks.push_back(x);
                stack.push_back(bl(x).opening);
                stack.push_back(bl(x).last);
            }
        }
        const double span = 0.5 / static_cast<double>(m_steps.size() + 1);
        auto place = [&](int s) {
            m_key[static_cast<std::size_t>(s)] = key - 0.5 + span * static_cast<double>(s + 1);
        };
        for (int s : steps) {
            m_blockOf[static_cast<std::size_t>(s)] = parent;
            place(s);
        }
        for (int x : blocks) {
            m_parentOf[static_cast<std::size_t>(x)] = parent;
            place(bl(x).opening);
        }
    }

    // Step @p s is in block @p b or in a block inside it.
    bool inside(int s, int b) const
    {
        for (int x = m_blockOf[static_cast<std::size_t>(s)]; x >= 0;
             x = x == 0 ? -1 : m_parentOf[static_cast<std::size_t>(x)])
            if (x == b)
                return true;
        return false;
    }

    void mark(int conclusion)
    {
        m_needed.assign(m_steps.size(), false);
        m_blockNeeded.assign(m_blocks.size(), false);
        m_blockNeeded[0] = true;
        std::vector<int> stack{conclusion};
        // Every premise is written, used or not, as students list them.
        for (std::size_t s = 0; s < m_steps.size(); ++s)
            if (m_steps[s].rule == Rule::Premise && m_steps[s].block == 0)
                stack.push_back(static_cast<int>(s));
        while (!stack.empty()) {
            const int s = resolve(stack.back());
            stack.pop_back();
            if (m_needed[static_cast<std::size_t>(s)])
                continue;
            m_needed[static_cast<std::size_t>(s)] = true;
            for (int c : st(s).cites)
                stack.push_back(c);
            for (int b : st(s).blocks) {
                m_blockNeeded[static_cast<std::size_t>(b)] = true;
                stack.push_back(bl(b).opening);
                stack.push_back(bl(b).last);
            }
            // A block is written with everything around it that leads to it.
            for (int b = m_blockOf[static_cast<std::size_t>(s)]; b > 0;
                 b = m_parentOf[static_cast<std::size_t>(b)])
                if (!m_blockNeeded[static_cast<std::size_t>(b)]) {
                    m_blockNeeded[static_cast<std::size_t>(b)] = true;
                    stack.push_back(bl(b).opening);
                }
        }
        m_children.assign(m_blocks.size(), {});
        for (std::size_t b = 1; b < m_blocks.size(); ++b)
            if (m_blockNeeded[b])
                m_children[static_cast<std::size_t>(m_parentOf[b])].push_back(static_cast<int>(b));
        m_members.assign(m_blocks.size(), {});
        for (std::size_t s = 0; s < m_steps.size(); ++s)
            if (m_needed[s] && m_alias[s] < 0 && m_steps[s].given == 0)
                m_members[static_cast<std::size_t>(m_blockOf[s])].push_back(static_cast<int>(s));
        // Lines moved out of a block come before it.
        auto byKey = [&](int a, int b) {
            return m_key[static_cast<std::size_t>(a)] < m_key[static_cast<std::size_t>(b)];
        };
        for (auto &m : m_members)
            std::stable_sort(m.begin(), m.end(), byKey);
        for (auto &c : m_children)
            std::stable_sort(c.begin(), c.end(),
                [&](int a, int b) { return byKey(bl(a).opening, bl(b).opening); });
    }

    void emit()
    {
        m_broken = false;
        m_lines.clear();
        m_number.assign(m_steps.size(), 0);
        m_range.assign(m_blocks.size(), {0, 0});
        m_visible.clear();
        m_next = 1;
        for (const ProofStep &s : m_steps)
            m_next = std::max(m_next, s.given + 1);
        for (std::size_t s = 0; s < m_steps.size(); ++s)
            if (m_steps[s].given > 0) {
                m_number[s] = m_steps[s].given;
                if (m_steps[s].formula >= 0)
                    m_visible.push_back({m_steps[s].formula, static_cast<int>(s)});
            }
        emitBlock(0, 0);
    }

    // The step on a line that may be cited here with formula @p f, or -1.
    int visible(int f) const
    {
        for (auto it = m_visible.rbegin(); it != m_visible.rend(); ++it) {
            if (it->first == kBarrier)
                return -1;
            if (it->first == f)
                return it->second;
        }
        return -1;
    }

    void emitBlock(int b, int depth)
    {
        const std::size_t scope = m_visible.size();
        if (b > 0 && bl(b).strict)
            m_visible.push_back({kBarrier, -1});
        const std::vector<int> &members = m_members[static_cast<std::size_t>(b)];
        const std::vector<int> &children = m_children[static_cast<std::size_t>(b)];
        std::size_t m = 0, c = 0;
        bool afterBlock = false;
        int lastHere = -1; // the step on the block's last written line
        while (m < members.size() || c < children.size()) {
            const bool takeChild = c < children.size()
                && (m >= members.size()
                    || m_key[static_cast<std::size_t>(bl(children[c]).opening)]
                        < m_key[static_cast<std::size_t>(members[m])]);
            if (takeChild) {
                if (afterBlock)
                    m_lines.push_back({0, depth, -1, Rule::Unknown,
                        std::string(static_cast<std::size_t>(depth) * 4, ' ') + "--"});
                emitBlock(children[c++], depth + 1);
                afterBlock = true;
                lastHere = -1;
                continue;
            }
            const int s = members[m++];
            afterBlock = false;
            const bool opening = b > 0 && s == bl(b).opening;
            const int earlier = opening || st(s).formula < 0 ? -1 : visible(st(s).formula);
            if (earlier >= 0) {
                m_alias[static_cast<std::size_t>(s)] = earlier;
                continue;
            }
            std::vector<std::string> cites;
            for (int x : st(s).cites)
                cites.push_back(number(x));
            for (int x : st(s).blocks) {
                const auto [first, last] = m_range[static_cast<std::size_t>(x)];
                m_broken = m_broken || first == 0 || last == 0;
                cites.push_back(std::to_string(first) + "-" + std::to_string(last));
            }
            write(s, depth, st(s).rule, cites);
            lastHere = s;
        }
        if (lastOf(b) < 0) {
            m_visible.resize(scope);
            return;
        }
        const int last = resolve(lastOf(b));
        int lastNumber = m_number[static_cast<std::size_t>(last)];
        m_broken = m_broken || lastNumber == 0;
        if (last != lastHere) {
            // The formula the block gives stands higher up (a premise before the others, a line
            // of an enclosing block): the last line must repeat it.
            const int f = st(last).formula;
            WrittenLine line;
            line.number = lastNumber = m_next++;
            line.depth = depth;
            line.formula = f;
            line.rule = Rule::Reiteration;
            line.text = lineText(depth, line.number, m_logic.text(f), Rule::Reiteration,
                {std::to_string(m_number[static_cast<std::size_t>(last)])});
            m_lines.push_back(std::move(line));
        }
        if (b > 0)
            m_range[static_cast<std::size_t>(b)]
                = {m_number[static_cast<std::size_t>(bl(b).opening)], lastNumber};
        m_visible.resize(scope);
    }

    std::string number(int s)
    {
        const int k = m_number[static_cast<std::size_t>(resolve(s))];
        m_broken = m_broken || k == 0;
        return std::to_string(k);
    }

    void write(int s, int depth, Rule rule, const std::vector<std::string> &cites)
    {
        const int f = st(s).formula;
        WrittenLine line;
        line.number = m_next++;
        line.depth = depth;
        line.formula = f;
        line.rule = rule;
        line.text = lineText(depth, line.number, f < 0 ? "□" : m_logic.text(f), rule, cites);
        m_number[static_cast<std::size_t>(s)] = line.number;
        m_lines.push_back(std::move(line));
        if (f >= 0)
            m_visible.push_back({f, s});
    }

    static constexpr int kBarrier = -2;
    static constexpr int kHoistReach = 20000; // steps looked through for a stand-in
    // Steps looked through in all: a long derivation is written as found past it, in time.
    static constexpr std::int64_t kHoistWork = 400000;
    std::int64_t m_hoistWork = 0;
    const Logic &m_logic;
    const std::vector<ProofStep> &m_steps;
    const std::vector<ProofBlock> &m_blocks;
    std::vector<int> m_alias;
    std::vector<int> m_blockOf, m_parentOf; // after hoisting
    std::vector<int> m_seen;                // visits, by generation
    std::vector<double> m_key;              // the order lines are written in, within a block
    int m_generation = 0;
    bool m_broken = false; // a line cites one not written before it
    std::vector<bool> m_needed, m_blockNeeded;
    std::vector<std::vector<int>> m_children, m_members;
    std::vector<WrittenLine> m_lines;
    std::vector<int> m_number;
    std::vector<std::pair<int, int>> m_range;
    std::vector<std::pair<int, int>> m_visible; // (formula, step), innermost last
    int m_next = 1;
    int m_conclusion = -1;
};

} // namespace

std::vector<WrittenLine> Proof::write(const Logic &logic, int conclusion, bool simplify) const
{
    if (simplify) {
        // Lines moved out in an order that cites one not yet written: as found instead.
        Writer writer(logic, m_steps, m_blocks);
        std::vector<WrittenLine> lines = writer.run(conclusion, true);
        if (!writer.broken())
            return lines;
    }
    return Writer(logic, m_steps, m_blocks).run(conclusion, false);
}

} // namespace logic
