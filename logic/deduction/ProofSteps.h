#pragma once
// A derivation as the prover builds it: steps that cite steps and whole blocks, in the order
// they were found, most of them never used. Written out, only what the conclusion needs is kept,
// a formula already standing on a line that may be cited is not written again, and the lines are
// numbered and indented in the notation that the checker reads.

#include "Rules.h"
#include "syntax/Logic.h"

#include <string>
#include <vector>

namespace logic {

struct ProofStep
{
    int formula = -1; // -1: the □ that opens a strict block
    Rule rule = Rule::Unknown;
    std::vector<int> cites;  // steps
    std::vector<int> blocks; // blocks, cited as ranges
    int block = 0;
    int given = 0; // > 0: a line already written, with that number (the next step's context)
};

struct ProofBlock
{
    int parent = -1;
    int opening = -1; // the assumption step
    int last = -1;    // the step it ends with
    bool strict = false;
};

/// One written line of a derivation.
struct WrittenLine
{
    int number = 0; // 0 for a separator
    int depth = 0;
    int formula = -1;
    Rule rule = Rule::Unknown;
    std::string text; // indentation, "k. ", formula, " :", rule and citations
};

class Proof
{
public:
    Proof();
    int step(int block, int formula, Rule rule, std::vector<int> cites = {},
        std::vector<int> blocks = {});
    /// A block inside @p parent that assumes @p formula (or, when @p strict, opens with □).
    int open(int parent, int formula, bool strict);
    void close(int block, int last) { m_blocks[static_cast<std::size_t>(block)].last = last; }
    const ProofStep &at(int step) const { return m_steps[static_cast<std::size_t>(step)]; }
    const ProofBlock &block(int b) const { return m_blocks[static_cast<std::size_t>(b)]; }
    int stepCount() const { return static_cast<int>(m_steps.size()); }
    /// Marks @p step as the line numbered @p number that is already written.
    void setGiven(int step, int number) { m_steps[static_cast<std::size_t>(step)].given = number; }

    /// The lines that derive @p conclusion, a step of block 0, or of the innermost block opened
    /// by a given line when the derivation is being continued; numbered after the given lines.
    /// With @p simplify, a subderivation whose result stands without its assumption is left out.
    std::vector<WrittenLine> write(const Logic &logic, int conclusion, bool simplify = true) const;

private:
    std::vector<ProofStep> m_steps;
    std::vector<ProofBlock> m_blocks;
};

/// "    4. q :→E 1, 3": a line of the notation.
std::string lineText(int depth, int number, const std::string &formula, Rule rule,
    const std::vector<std::string> &citations);

} // namespace logic
