#include "ProofTree.h"

#include <algorithm>

namespace logic {

const char *ruleSymbol(TreeRule r)
{
    switch (r) {
    case TreeRule::DoubleNot: return "¬¬";
    case TreeRule::And: return "∧";
    case TreeRule::NotOr: return "¬∨";
    case TreeRule::NotImplies: return "¬→";
    case TreeRule::Or: return "∨";
    case TreeRule::NotAnd: return "¬∧";
    case TreeRule::Implies: return "→";
    case TreeRule::Iff: return "↔";
    case TreeRule::NotIff: return "¬↔";
    case TreeRule::Forall: return "∀";
    case TreeRule::NotExists: return "¬∃";
    case TreeRule::Exists: return "∃";
    case TreeRule::NotForall: return "¬∀";
    case TreeRule::Box: return "□";
    case TreeRule::NotDiamond: return "¬◇";
    case TreeRule::Diamond: return "◇";
    case TreeRule::NotBox: return "¬□";
    case TreeRule::Reflexive: return "reflexividad";
    case TreeRule::Symmetric: return "simetría";
    case TreeRule::Transitive: return "transitividad";
    case TreeRule::Serial: return "serialidad";
    case TreeRule::Identity: return "=";
    case TreeRule::Blocked: return "bloqueo";
    case TreeRule::Axiom:
    case TreeRule::Premise:
    case TreeRule::Negation: break;
    }
    return "";
}

std::vector<std::vector<int>> childrenOf(const ProofTree &tree)
{
    std::vector<std::vector<int>> children(tree.nodes.size());
    for (std::size_t i = 0; i < tree.nodes.size(); ++i)
        if (const int p = tree.nodes[i].parent; p >= 0)
            children[static_cast<std::size_t>(p)].push_back(static_cast<int>(i));
    return children;
}

std::string nodeOrigin(const ProofTree &tree, int i)
{
    const TreeNode &x = tree.nodes[static_cast<std::size_t>(i)];
    if (x.rule == TreeRule::Premise)
        return tree.premiseIsFormula ? "fórmula" : "premisa";
    if (x.rule == TreeRule::Axiom)
        return "axioma de la identidad";
    if (x.rule == TreeRule::Negation)
        return tree.conclusionIsFormula ? "negación de la fórmula" : "negación de la conclusión";
    if (x.from1 < 0)
        return ruleSymbol(x.rule);
    std::string s = "de " + std::to_string(x.from1 + 1);
    if (x.from2 >= 0)
        s += " y " + std::to_string(x.from2 + 1);
    return s + ", " + ruleSymbol(x.rule);
}

std::string blockingNote(int world, int repeated)
{
    const std::string w = "w" + std::to_string(world), u = "w" + std::to_string(repeated);
    return w + " se bloquea: repite " + u + " (sus fórmulas están en " + u + ")";
}

std::string nodeText(const Logic &logic, const ProofTree &tree, int i)
{
    const TreeNode &x = tree.nodes[static_cast<std::size_t>(i)];
    if (x.isNote())
        return blockingNote(x.world, x.world2);
    if (x.formula < 0)
        return "w" + std::to_string(x.world) + " R w" + std::to_string(x.world2);
    std::string text = logic.text(x.formula);
    if (tree.modal)
        text += "  [w" + std::to_string(x.world) + "]";
    return text;
}

ShownTree showTree(const Logic &logic, const ProofTree &tree)
{
    ShownTree shown;
    shown.modal = tree.modal;
    shown.truncated = tree.truncated;
    std::size_t bytes = 0;
    for (std::size_t i = 0; i < tree.nodes.size(); ++i) {
        if (bytes > kMaxTreeText) {
            shown.truncated = true;
            break;
        }
        const TreeNode &x = tree.nodes[i];
        ShownTree::Node &n = shown.nodes.emplace_back();
        n.parent = x.parent;
        n.text = x.isNote() ? blockingNote(x.world, x.world2)
            : x.formula < 0 ? "w" + std::to_string(x.world) + " R w" + std::to_string(x.world2)
                            : logic.text(x.formula);
        n.world = tree.modal ? x.world : -1;
        n.world2 = x.formula < 0 && !x.isNote() ? x.world2 : -1;
        n.repeats = x.isNote() ? x.world2 : -1;
        n.origin = nodeOrigin(tree, static_cast<int>(i));
        n.from1 = x.from1;
        n.from2 = x.from2;
        n.closedBy1 = x.closedBy1;
        n.closedBy2 = x.closedBy2;
        bytes += n.text.size();
    }
    return shown;
}

std::string treeText(const Logic &logic, const ProofTree &tree)
{
    const std::vector<std::vector<int>> children = childrenOf(tree);
    // The branch each node is on: "", "1", "2", "1.1"...; a node that begins one is the first of
    // two or more siblings.
    std::vector<std::string> branch(tree.nodes.size());
    std::string out;
    std::size_t shown = tree.nodes.size();
    for (std::size_t i = 0; i < tree.nodes.size(); ++i) {
        if (out.size() > kMaxTreeText) {
            shown = i;
            break;
        }
        const TreeNode &x = tree.nodes[i];
        bool first = false;
        if (x.parent >= 0) {
            const std::vector<int> &siblings = children[static_cast<std::size_t>(x.parent)];
            const std::string &above = branch[static_cast<std::size_t>(x.parent)];
            if (siblings.size() > 1) {
                const auto at = std::find(siblings.begin(), siblings.end(), static_cast<int>(i));
                branch[i] = (above.empty() ? "" : above + ".")
                    + std::to_string(at - siblings.begin() + 1);
                first = true;
            } else {
                branch[i] = above;
            }
        }
        const std::size_t depth = branch[i].empty()
            ? 0
            : 1 + static_cast<std::size_t>(std::count(branch[i].begin(), branch[i].end(), '.'));
        const std::string pad(depth * 3, ' ');
        if (first)
            out += pad.substr(0, pad.size() - 3) + "rama " + branch[i] + ":\n";
        out += pad + std::to_string(i + 1) + ". " + nodeText(logic, tree, static_cast<int>(i))
            + "  (" + nodeOrigin(tree, static_cast<int>(i)) + ")\n";
        if (x.closes()) {
            out += pad + "× " + std::to_string(x.closedBy1 + 1);
            if (x.closedBy2 >= 0)
                out += " y " + std::to_string(x.closedBy2 + 1);
            out += "\n";
        }
    }
    if (tree.truncated || shown < tree.nodes.size())
        out += "(el árbol sigue; se muestran sus primeras " + std::to_string(shown) + " líneas)\n";
    return out;
}

} // namespace logic
