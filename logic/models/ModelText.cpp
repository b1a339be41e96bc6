#include "ModelText.h"

namespace logic {
namespace {

std::string element(int e)
{
    return std::to_string(e);
}

std::string tupleText(std::size_t index, int arity, int domain)
{
    std::vector<int> digits(static_cast<std::size_t>(arity));
    for (int i = arity; i-- > 0;) {
        digits[static_cast<std::size_t>(i)]
            = static_cast<int>(index % static_cast<std::size_t>(domain));
        index /= static_cast<std::size_t>(domain);
    }
    if (arity == 1)
        return element(digits[0]);
    std::string s = "(";
    for (int i = 0; i < arity; ++i)
        s += (i ? ", " : "") + element(digits[static_cast<std::size_t>(i)]);
    return s + ")";
}

} // namespace

std::string describeModel(const Logic &logic, const std::vector<int> &formulas,
    const Structure &model, bool firstOrder, bool modal)
{
    const Signature sig = signatureOf(logic, formulas);
    std::string out;
    auto world = [](int w) { return "w" + std::to_string(w); };
    if (firstOrder) {
        out += "Dominio: {";
        for (int d = 0; d < model.domain; ++d)
            out += (d ? ", " : "") + element(d);
        out += "}\n";
    }
    if (modal) {
        out += "Mundos: {";
        for (int w = 0; w < model.worlds; ++w)
            out += (w ? ", " : "") + world(w);
        out += "} (las fórmulas se evalúan en w0)\nAccesibilidad: {";
        bool any = false;
        for (int u = 0; u < model.worlds; ++u)
            for (int v = 0; v < model.worlds; ++v)
                if (model.access[static_cast<std::size_t>(u)][static_cast<std::size_t>(v)]) {
                    out += (any ? ", " : "") + std::string("(") + world(u) + ", " + world(v) + ")";
                    any = true;
                }
        out += "}\n";
    }
    for (int f : sig.functions) {
        const Symbol &s = logic.functionSymbol(f);
        const std::vector<int> &table = model.functions.at(f);
        if (s.arity == 0) {
            out += s.name + ": " + element(table[0]) + "\n";
            continue;
        }
        out += s.name + ": ";
        for (std::size_t i = 0; i < table.size(); ++i) {
            const std::string args = tupleText(i, s.arity, model.domain);
            out += (i ? ", " : "") + s.name + (s.arity == 1 ? "(" + args + ")" : args) + " = "
                + element(table[i]);
        }
        out += "\n";
    }
    for (int p : sig.predicates) {
        const Symbol &s = logic.predicateSymbol(p);
        const std::vector<char> &table = model.predicates.at(p);
        const std::size_t count = tupleCount(model.domain, s.arity);
        for (int w = 0; w < model.worlds; ++w) {
            std::string line = s.name;
            if (modal && model.worlds > 1 && s.arity > 0)
                line += " en " + world(w);
            if (s.arity == 0 && modal) {
                if (w > 0)
                    continue;
                std::string where;
                for (int v = 0; v < model.worlds; ++v)
                    if (table[static_cast<std::size_t>(v)])
                        where += (where.empty() ? "" : ", ") + world(v);
                out += s.name + ": verdadera en {" + where + "}\n";
                continue;
            }
            if (s.arity == 0) {
                out += s.name + ": " + (table[0] ? "verdadera" : "falsa") + "\n";
                continue;
            }
            std::string members;
            for (std::size_t i = 0; i < count; ++i)
                if (table[static_cast<std::size_t>(w) * count + i])
                    members += (members.empty() ? "" : ", ") + tupleText(i, s.arity, model.domain);
            out += line + ": {" + members + "}\n";
            if (!modal)
                break;
        }
    }
    return out;
}

ShownModel showModel(const Logic &logic, const std::vector<int> &formulas, const Structure &model,
    bool firstOrder, bool modal)
{
    const Signature sig = signatureOf(logic, formulas);
    ShownModel shown;
    shown.firstOrder = firstOrder;
    shown.modal = modal;
    shown.domain = model.domain;
    shown.worlds = model.worlds;
    for (int u = 0; u < model.worlds && modal; ++u)
        for (int v = 0; v < model.worlds; ++v)
            if (model.access[static_cast<std::size_t>(u)][static_cast<std::size_t>(v)])
                shown.access.emplace_back(u, v);
    auto tuple = [&](std::size_t index, int arity) {
        std::vector<int> digits(static_cast<std::size_t>(arity));
        for (int i = arity; i-- > 0;) {
            digits[static_cast<std::size_t>(i)]
                = static_cast<int>(index % static_cast<std::size_t>(model.domain));
            index /= static_cast<std::size_t>(model.domain);
        }
        return digits;
    };
    for (int f : sig.functions) {
        const Symbol &s = logic.functionSymbol(f);
        ShownModel::Symbol &out = shown.functions.emplace_back();
        out.name = s.name;
        out.arity = s.arity;
        out.rows.emplace_back();
        const std::vector<int> &table = model.functions.at(f);
        for (std::size_t i = 0; i < table.size(); ++i) {
            std::vector<int> row = tuple(i, s.arity);
            row.push_back(table[i]);
            out.rows.back().push_back(std::move(row));
        }
    }
    for (int p : sig.predicates) {
        const Symbol &s = logic.predicateSymbol(p);
        ShownModel::Symbol &out = shown.predicates.emplace_back();
        out.name = s.name;
        out.arity = s.arity;
        const std::vector<char> &table = model.predicates.at(p);
        const std::size_t count = tupleCount(model.domain, s.arity);
        for (int w = 0; w < model.worlds; ++w) {
            std::vector<std::vector<int>> &members = out.rows.emplace_back();
            for (std::size_t i = 0; i < count; ++i)
                if (table[static_cast<std::size_t>(w) * count + i])
                    members.push_back(tuple(i, s.arity));
        }
    }
    return shown;
}

} // namespace logic
