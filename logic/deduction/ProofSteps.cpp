#include "ProofSteps.h"

#include <algorithm>
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
          m_blockOf(steps.size()), m_parentOf(blocks.size()), m_seen(steps.size(), 0)
    {
        for (std::size_t s = 0; s < steps.size(); ++s)
            m_blockOf[s] = steps[s].block;
        for (std::size_t b = 0; b < blocks.size(); ++b)
            m_parentOf[b] = blocks[b].parent;
    }

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

    // A subderivation that reaches what it discharges into without its assumption is a detour
    // (a witness never used, a case that does not need its case, IP around what was derived
    // anyway): the step that gives the formula without the assumption stands for the
    // discharging one, and the lines it rests on move out to the level around.
    void hoist()
    {
        for (int round = 0; round < 16; ++round) {
            bool changed = false;
            const int visit = ++m_generation;
            std::vector<int> stack{m_conclusion};
            while (!stack.empty()) {
                int s = resolve(stack.back());
                stack.pop_back();
                if (m_seen[static_cast<std::size_t>(s)] == visit)
                    continue;
                m_seen[static_cast<std::size_t>(s)] = visit;
                const ProofStep &p = st(s);
                if (p.given == 0 && p.formula >= 0 && discharges(p.rule))
                    for (int b : p.blocks)
                        if (const int t = standIn(b, p.formula); t >= 0) {
                            m_alias[static_cast<std::size_t>(s)] = t;
                            lift(b, t);
                            changed = true;
                            m_seen[static_cast<std::size_t>(s)] = 0;
                            stack.push_back(t);
                            s = -1;
                            break;
                        }
                if (s < 0)
                    continue;
                for (int c : p.cites)
                    stack.push_back(c);
                for (int b : p.blocks) {
                    stack.push_back(bl(b).opening);
                    stack.push_back(bl(b).last);
                }
            }
            if (!changed)
                break;
        }
    }

    static bool discharges(Rule r)
    {
        return r == Rule::ExistsElim || r == Rule::OrElim || r == Rule::IndirectProof
            || r == Rule::NotIntro || r == Rule::ImpliesIntro;
    }

    // A step of block @p b with formula @p f that does not rest on the block's assumption.
    int standIn(int b, int f)
    {
        const ProofBlock &block = bl(b);
        if (block.strict || block.opening < 0 || st(block.opening).given > 0 || block.last < 0)
            return -1;
        const int visit = ++m_generation;
        std::vector<int> stack{block.last}, found;
        while (!stack.empty()) {
            const int s = resolve(stack.back());
            stack.pop_back();
            if (m_seen[static_cast<std::size_t>(s)] == visit)
                continue;
            m_seen[static_cast<std::size_t>(s)] = visit;
            if (m_blockOf[static_cast<std::size_t>(s)] != b || s == block.opening)
                continue;
            if (st(s).formula == f && st(s).given == 0)
                found.push_back(s);
            for (int c : st(s).cites)
                stack.push_back(c);
        }
        for (int t : found)
            if (!restsOn(t, block.opening))
                return t;
        return -1;
    }

    bool restsOn(int from, int target)
    {
        const int visit = ++m_generation;
        std::vector<int> stack{from};
        while (!stack.empty()) {
            const int s = resolve(stack.back());
            stack.pop_back();
            if (s == target)
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
    void lift(int b, int t)
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
        for (int s : steps)
            m_blockOf[static_cast<std::size_t>(s)] = parent;
        for (int x : blocks)
            m_parentOf[static_cast<std::size_t>(x)] = parent;
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
    }

    void emit()
    {
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
                && (m >= members.size() || bl(children[c]).opening < members[m]);
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
            for (int x : st(s).blocks)
                cites.push_back(std::to_string(m_range[static_cast<std::size_t>(x)].first) + "-"
                    + std::to_string(m_range[static_cast<std::size_t>(x)].second));
            write(s, depth, st(s).rule, cites);
            lastHere = s;
        }
        if (lastOf(b) < 0) {
            m_visible.resize(scope);
            return;
        }
        const int last = resolve(lastOf(b));
        int lastNumber = m_number[static_cast<std::size_t>(last)];
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

    std::string number(int s) const
    {
        return std::to_string(m_number[static_cast<std::size_t>(resolve(s))]);
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
    const Logic &m_logic;
    const std::vector<ProofStep> &m_steps;
    const std::vector<ProofBlock> &m_blocks;
    std::vector<int> m_alias;
    std::vector<int> m_blockOf, m_parentOf; // after hoisting
    std::vector<int> m_seen;                // visits, by generation
    int m_generation = 0;
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
    return Writer(logic, m_steps, m_blocks).run(conclusion, simplify);
}

} // namespace logic
