#pragma once
// Modal formulas whose trees are as large as asked, for the engine's tests and benchmarks.

#include <string>
#include <vector>

// A K formula forcing a binary tree of depth d (b_i: at depth i or deeper; p_i: the choice made
// at depth i, kept below it), implying that the leaf p1, ¬p2, p3... exists.
inline std::string branch(int d)
{
    auto n = [](const char *letter, int i) { return std::string(letter) + std::to_string(i); };
    std::vector<std::string> parts;
    for (int i = 0; i <= d; ++i)
        parts.push_back("(" + n("b", i + 1) + " → " + n("b", i) + ")");
    for (int i = 0; i <= d; ++i) {
        const std::string here = n("b", i) + " ∧ ¬" + n("b", i + 1);
        std::string keep;
        for (int j = 1; j <= i; ++j)
            keep += std::string(j > 1 ? " ∧ " : "") + "(" + n("p", j) + " → □" + n("p", j)
                + ") ∧ (¬" + n("p", j) + " → □¬" + n("p", j) + ")";
        if (!keep.empty())
            parts.push_back("((" + here + ") → (" + keep + "))");
        if (i < d) {
            const std::string next = n("b", i + 1) + " ∧ ¬" + n("b", i + 2);
            parts.push_back("((" + here + ") → (◇(" + next + " ∧ " + n("p", i + 1) + ") ∧ ◇(" + next
                + " ∧ ¬" + n("p", i + 1) + ")))");
        }
    }
    std::string a = "(";
    for (std::size_t i = 0; i < parts.size(); ++i)
        a += (i ? " ∧ " : "") + parts[i];
    a += ")";
    std::string out = "(b0 ∧ ¬b1";
    for (int k = 0; k <= d; ++k) {
        out += " ∧ ";
        for (int i = 0; i < k; ++i)
            out += "□";
        out += a;
    }
    out += ") → ";
    for (int i = 0; i < d; ++i)
        out += "◇";
    out += "(";
    for (int j = 1; j <= d; ++j)
        out += std::string(j > 1 ? " ∧ " : "") + (j % 2 ? "" : "¬") + n("p", j);
    return out + ")";
}
