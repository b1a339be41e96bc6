#include "Grouping.h"

#include <algorithm>
#include <utility>

namespace logic {

Grouping groupLines(std::span<const LineKind> lines)
{
    Grouping g;
    g.roles.assign(lines.size(), Role::Alone);
    g.argumentOf.assign(lines.size(), -1);
    std::vector<int> pending; // formulas of the paragraph so far, the premises of a separator
    bool awaiting = false;    // a separator waits for its conclusion
    bool blank = false;       // an empty line came since the last formula or separator
    auto dropAwaited = [&] {
        for (int p : g.arguments.back().premises) {
            g.roles[static_cast<std::size_t>(p)] = Role::Alone;
            g.argumentOf[static_cast<std::size_t>(p)] = -1;
        }
        g.arguments.pop_back();
        awaiting = false;
    };
    for (std::size_t i = 0; i < lines.size(); ++i) {
        const int at = static_cast<int>(i);
        switch (lines[i]) {
        case LineKind::Blank: blank = true; continue;
        case LineKind::Skip: continue;
        case LineKind::OneLine:
            if (awaiting) {
                g.structureErrors.emplace_back(g.arguments.back().separator,
                    "se esperaba la conclusión del argumento en la línea siguiente, pero se "
                    "encontró otro argumento.");
                dropAwaited();
            }
            pending.clear();
            blank = false;
            continue;
        case LineKind::Separator:
            if (std::exchange(blank, false) && !awaiting)
                pending.clear();
            if (awaiting) {
                g.structureErrors.emplace_back(at,
                    "se esperaba la conclusión del argumento, pero se encontró otra línea de "
                    "separación.");
                continue;
            }
            for (int p : pending) {
                g.roles[static_cast<std::size_t>(p)] = Role::Premise;
                g.argumentOf[static_cast<std::size_t>(p)] = static_cast<int>(g.arguments.size());
            }
            g.arguments.push_back({std::move(pending), at, -1});
            pending.clear();
            awaiting = true;
            continue;
        case LineKind::Formula:
        case LineKind::Unreadable:
            if (std::exchange(blank, false) && !awaiting)
                pending.clear();
            if (awaiting) {
                g.roles[i] = Role::Conclusion;
                g.argumentOf[i] = static_cast<int>(g.arguments.size()) - 1;
                g.arguments.back().conclusion = at;
                awaiting = false;
            } else {
                pending.push_back(at);
            }
            continue;
        }
    }
    if (awaiting) {
        g.structureErrors.emplace_back(g.arguments.back().separator,
            "se esperaba la conclusión del argumento en una línea posterior, pero se encontró el "
            "final del programa.");
        dropAwaited();
    }
    std::stable_sort(g.structureErrors.begin(), g.structureErrors.end(),
        [](const auto &a, const auto &b) { return a.first < b.first; });
    return g;
}

} // namespace logic
