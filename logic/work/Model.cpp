#include "Work.h"
#include "models/Models.h"
#include "syntax/Lexer.h"
#include "syntax/Logic.h"
#include "syntax/Text.h"

#include <algorithm>
#include <cctype>
#include <map>

namespace logic {
namespace {

// Larger than any model a student writes out by hand; past it the check could take long.
constexpr int kMaxElements = 64;
constexpr std::size_t kMaxCells = std::size_t{1} << 20;

bool isSpace(char32_t c)
{
    return c == ' ' || c == '\t' || c == 0xA0;
}

bool isNameChar(char32_t c)
{
    if (c < 0x80)
        return std::isalnum(static_cast<int>(c)) || c == '_' || c == '\'';
    return c >= 0xC0 && c <= 0x24F && c != 0xD7 && c != 0xF7;
}

std::string lower(std::u32string_view s)
{
    std::string out;
    for (char32_t c : s)
        if (c < 0x80)
            out += static_cast<char>(std::tolower(static_cast<int>(c)));
        else
            appendUtf8(out, c);
    return out;
}

struct Entry
{
    int line = 0; // 1-based line of the text
    std::u32string name;
    std::u32string value;
};

std::optional<Entry> readEntry(std::u32string_view line)
{
    const std::u32string_view s = trim(line);
    std::size_t i = 0;
    while (i < s.size() && isNameChar(s[i]))
        ++i;
    if (i == 0)
        return std::nullopt;
    const std::u32string_view rest = trim(s.substr(i));
    if (rest.empty() || (rest[0] != ':' && rest[0] != '='))
        return std::nullopt;
    const std::u32string_view value = trim(rest.substr(1));
    const std::string word = lower(s.substr(0, i));
    // The lines that follow a model and are not part of it.
    if (value.empty() || word == "respuesta" || word == "sistema" || word == "contramodelo"
        || word == "modelo")
        return std::nullopt;
    return Entry{0, std::u32string(s.substr(0, i)), std::u32string(value)};
}

// A value as written: a set of names and tuples ("{1, 2}", "{(1, 2)}", "∅"), or one name.
struct Value
{
    bool ok = false;
    bool set = false;
    std::vector<std::vector<std::u32string>> members; // each a tuple; a name alone, of one
    std::u32string name;
};

Value readValue(std::u32string_view v)
{
    Value out;
    std::size_t i = 0;
    auto skip = [&] {
        while (i < v.size() && isSpace(v[i]))
            ++i;
    };
    auto at = [&](char32_t c) { return i < v.size() && v[i] == c; };
    auto name = [&] {
        const std::size_t from = i;
        while (i < v.size() && isNameChar(v[i]))
            ++i;
        return std::u32string(v.substr(from, i - from));
    };
    skip();
    if (at(U'∅') || at('{')) {
        out.set = true;
        const bool empty = at(U'∅');
        ++i;
        skip();
        if (!empty && at('}')) {
            ++i;
        } else {
            for (; !empty;) {
                skip();
                std::vector<std::u32string> tuple;
                if (at('(') || at('<') || at(U'⟨')) {
                    const char32_t close = at('(') ? U')' : at('<') ? U'>' : U'⟩';
                    ++i;
                    for (;;) {
                        skip();
                        tuple.push_back(name());
                        if (tuple.back().empty())
                            return out;
                        skip();
                        if (at(',')) {
                            ++i;
                            continue;
                        }
                        if (!at(close))
                            return out;
                        ++i;
                        break;
                    }
                } else {
                    tuple.push_back(name());
                    if (tuple.back().empty())
                        return out;
                }
                out.members.push_back(std::move(tuple));
                skip();
                if (at(',')) {
                    ++i;
                    continue;
                }
                if (!at('}'))
                    return out;
                ++i;
                break;
            }
        }
        skip();
        out.ok = i == v.size();
        return out;
    }
    out.name = name();
    skip();
    out.ok = !out.name.empty() && i == v.size();
    return out;
}

int truthOf(std::u32string_view name)
{
    const std::string w = lower(name);
    if (w == "v" || w == "t" || w == "1" || w == "verdadera" || w == "verdadero")
        return 1;
    if (w == "f" || w == "0" || w == "falsa" || w == "falso")
        return 0;
    return -1;
}

std::string tupleText(const std::vector<std::u32string> &t)
{
    if (t.size() == 1)
        return toUtf8(t[0]);
    std::string s = "(";
    for (std::size_t i = 0; i < t.size(); ++i)
        s += (i ? ", " : "") + toUtf8(t[i]);
    return s + ")";
}

// The names of a set of elements or worlds, each once, in the order written.
struct Names
{
    std::vector<std::u32string> names;
    int index(const std::u32string &n) const
    {
        const auto it = std::find(names.begin(), names.end(), n);
        return it == names.end() ? -1 : static_cast<int>(it - names.begin());
    }
    std::vector<std::string> utf8() const
    {
        std::vector<std::string> out;
        for (const std::u32string &n : names)
            out.push_back(toUtf8(n));
        return out;
    }
};

enum class Role : std::uint8_t { Domain, Worlds, Relation, Predicate, Function, Other };

const char *tupleWord(int arity)
{
    return arity == 1 ? "un elemento" : arity == 2 ? "un par" : nullptr;
}

} // namespace

bool modelHeading(std::u32string_view line, bool *counter)
{
    std::u32string_view s = trim(line);
    if (s.empty() || s.back() != ':')
        return false;
    const std::string w = lower(trim(s.substr(0, s.size() - 1)));
    if (w != "contramodelo" && w != "modelo")
        return false;
    if (counter)
        *counter = w == "contramodelo";
    return true;
}

bool modelEntry(std::u32string_view line)
{
    return readEntry(line).has_value();
}

ModelWork checkModel(Logic &logic, std::span<const std::u32string> lines, const WorkPiece &piece,
    const Exercise *exercise, ModalSystem system)
{
    ModelWork out;
    const int first = piece.first + 1;
    modelHeading(lines[static_cast<std::size_t>(piece.first)], &out.counter);
    auto fault = [&](int line, std::string message) {
        out.faults.push_back({line, std::move(message)});
    };
    if (!exercise) {
        fault(first, "no hay ningún ejercicio encima al que responder");
        return out;
    }
    if (out.counter && exercise->list) {
        fault(first, "un conjunto de fórmulas no tiene contramodelo: se da un «Modelo:»");
        return out;
    }
    std::vector<int> formulas = exercise->premises;
    if (!exercise->list)
        formulas.push_back(exercise->conclusion);
    const Signature sig = signatureOf(logic, formulas);
    bool firstOrder = false, modal = false;
    for (int f : formulas) {
        firstOrder = firstOrder || logic.isFirstOrder(f);
        modal = modal || logic.hasModal(f);
    }
    std::map<std::string, int> predicateNamed, functionNamed;
    for (int p : sig.predicates)
        predicateNamed.emplace(logic.predicateSymbol(p).name, p);
    for (int f : sig.functions)
        functionNamed.emplace(logic.functionSymbol(f).name, f);

    // Each entry's role, once; a second value for the same name is a fault of its own.
    std::vector<Entry> entries;
    for (int l = piece.first + 1; l < piece.end; ++l)
        if (std::optional<Entry> e = readEntry(lines[static_cast<std::size_t>(l)])) {
            e->line = l + 1;
            entries.push_back(std::move(*e));
        }
    auto roleOf = [&](const Entry &e) {
        const std::string w = lower(e.name), name = toUtf8(e.name);
        const bool symbol = predicateNamed.count(name) || functionNamed.count(name);
        if (w == "dominio" || w == "ud" || (e.name == U"D" && !symbol))
            return Role::Domain;
        if (w == "mundos" || (e.name == U"W" && !symbol))
            return Role::Worlds;
        if (e.name == U"R" && (modal || !symbol))
            return Role::Relation;
        if (predicateNamed.count(name))
            return Role::Predicate;
        if (functionNamed.count(name))
            return Role::Function;
        return Role::Other;
    };
    const Entry *domainEntry = nullptr, *worldsEntry = nullptr, *relationEntry = nullptr;
    std::map<int, const Entry *> predicateEntry, functionEntry;
    std::map<std::u32string, int> seen;
    bool twice = false;
    for (const Entry &e : entries) {
        const Role role = roleOf(e);
        if (role == Role::Other)
            continue; // a symbol that the exercise does not have changes nothing
        // "Dominio" and "D" name the same thing.
        const std::u32string key = role == Role::Domain ? U"\1D"
            : role == Role::Worlds                      ? U"\1W"
            : role == Role::Relation                    ? U"\1R"
                                                        : e.name;
        const auto [it, fresh] = seen.emplace(key, e.line);
        if (!fresh) {
            fault(e.line,
                "«" + toUtf8(e.name) + "» ya tiene valor en la línea "
                    + std::to_string(it->second));
            twice = true;
            continue;
        }
        switch (role) {
        case Role::Domain: domainEntry = &e; break;
        case Role::Worlds: worldsEntry = &e; break;
        case Role::Relation: relationEntry = &e; break;
        case Role::Predicate: predicateEntry[predicateNamed.at(toUtf8(e.name))] = &e; break;
        case Role::Function: functionEntry[functionNamed.at(toUtf8(e.name))] = &e; break;
        case Role::Other: break;
        }
    }
    modal = modal || worldsEntry;
    if (!modal)
        relationEntry = nullptr;

    // A set of names: the domain, the worlds.
    auto readSet = [&](const Entry *e, Names &into, bool elements, const char *what) {
        const Value v = readValue(e->value);
        if (!v.ok || !v.set) {
            fault(e->line, "«" + toUtf8(e->name) + "» es un conjunto: {…}");
            return false;
        }
        for (const auto &m : v.members) {
            if (m.size() != 1) {
                fault(e->line, std::string(what) + " son nombres, no pares: " + tupleText(m));
                return false;
            }
            const char32_t c = m[0][0];
            if (elements && !((c >= '0' && c <= '9') || (c >= 'a' && c <= 'z'))) {
                fault(e->line,
                    "«" + toUtf8(m[0]) + "» no es un elemento: se escriben números o nombres en "
                        + "minúscula");
                return false;
            }
            if (into.index(m[0]) < 0)
                into.names.push_back(m[0]);
        }
        if (into.names.empty()) {
            fault(e->line,
                std::string(elements ? "el dominio" : "el conjunto de mundos")
                    + " no puede estar vacío");
            return false;
        }
        if (static_cast<int>(into.names.size()) > kMaxElements) {
            fault(e->line,
                std::string(elements ? "el dominio" : "el conjunto de mundos") + " tiene "
                    + std::to_string(into.names.size())
                    + " miembros: son demasiados para comprobarlo aquí");
            return false;
        }
        return true;
    };
    Names domain, worlds;
    bool readable = true;
    if (domainEntry)
        readable = readSet(domainEntry, domain, true, "los elementos") && readable;
    else if (firstOrder) {
        fault(first, "falta el dominio");
        readable = false;
    }
    if (worldsEntry)
        readable = readSet(worldsEntry, worlds, false, "los mundos") && readable;
    else if (modal) {
        fault(first, "faltan los mundos");
        readable = false;
    }
    if (!readable) {
        std::stable_sort(out.faults.begin(), out.faults.end(),
            [](const WorkFault &a, const WorkFault &b) { return a.line < b.line; });
        return out;
    }
    if (domain.names.empty())
        domain.names.push_back(U"0"); // a model without a domain of its own: letters alone
    if (worlds.names.empty())
        worlds.names.push_back(U"w0");

    Structure model;
    model.domain = static_cast<int>(domain.names.size());
    model.worlds = static_cast<int>(worlds.names.size());
    model.access.assign(static_cast<std::size_t>(model.worlds),
        std::vector<char>(static_cast<std::size_t>(model.worlds), 0));
    ShownModel shown;
    shown.firstOrder = firstOrder || domainEntry;
    shown.modal = modal;
    shown.domain = model.domain;
    shown.worlds = model.worlds;
    if (domainEntry)
        shown.elementNames = domain.utf8();
    if (worldsEntry)
        shown.worldNames = worlds.utf8();
    bool complete = !twice; // which of two values the student meant is not for us to say

    // Members of a set, as indices: of the domain, or (the first place, when @p world) of the
    // worlds. A message for the first that does not fit; empty when all do.
    auto tuples = [&](const Entry &e, const Value &v, int places, bool world,
                      std::vector<std::vector<int>> &into) -> std::string {
        const std::string name = toUtf8(e.name);
        for (const auto &m : v.members) {
            if (static_cast<int>(m.size()) != places) {
                const char *word = tupleWord(places);
                return word ? tupleText(m) + " no es " + word
                            : tupleText(m) + " no tiene " + std::to_string(places) + " elementos";
            }
            std::vector<int> t;
            for (const std::u32string &n : m) {
                const int i = world ? worlds.index(n) : domain.index(n);
                if (i < 0)
                    return toUtf8(n)
                        + (world ? " no es uno de los mundos" : " no está en el dominio");
                t.push_back(i);
            }
            into.push_back(std::move(t));
        }
        return {};
    };

    if (modal) {
        if (!relationEntry) {
            fault(first, "falta la relación de accesibilidad R");
            complete = false;
        } else {
            const Value v = readValue(relationEntry->value);
            std::vector<std::vector<int>> pairs;
            const std::string wrong = !v.ok || !v.set
                ? "«R» es un conjunto de pares de mundos: {(w1, w2), …}"
                : tuples(*relationEntry, v, 2, true, pairs);
            if (!wrong.empty()) {
                fault(relationEntry->line, wrong);
                complete = false;
            }
            for (const auto &p : pairs) {
                model.access[static_cast<std::size_t>(p[0])][static_cast<std::size_t>(p[1])] = 1;
                if (std::find(shown.access.begin(), shown.access.end(), std::pair{p[0], p[1]})
                    == shown.access.end())
                    shown.access.emplace_back(p[0], p[1]);
            }
            if (wrong.empty()) {
                // The frame the system asks for, with the pair that shows where it fails.
                const int m = model.worlds;
                auto r = [&](int u, int w) {
                    return model.access[static_cast<std::size_t>(u)][static_cast<std::size_t>(w)]
                        != 0;
                };
                auto name
                    = [&](int w) { return toUtf8(worlds.names[static_cast<std::size_t>(w)]); };
                auto pair = [&](int u, int w) { return "(" + name(u) + ", " + name(w) + ")"; };
                std::string broken;
                for (int u = 0; u < m && broken.empty() && isReflexive(system); ++u)
                    if (!r(u, u))
                        broken = "R no es reflexiva: falta " + pair(u, u);
                for (int u = 0; u < m && broken.empty() && isSerial(system); ++u) {
                    bool sees = false;
                    for (int w = 0; w < m; ++w)
                        sees = sees || r(u, w);
                    if (!sees)
                        broken = "R no es serial: " + name(u) + " no accede a ningún mundo";
                }
                for (int u = 0; u < m && broken.empty() && isSymmetric(system); ++u)
                    for (int w = 0; w < m && broken.empty(); ++w)
                        if (r(u, w) && !r(w, u))
                            broken = "R no es simétrica: falta " + pair(w, u);
                for (int u = 0; u < m && broken.empty() && isTransitive(system); ++u)
                    for (int w = 0; w < m && broken.empty(); ++w)
                        for (int z = 0; z < m && broken.empty(); ++z)
                            if (r(u, w) && r(w, z) && !r(u, z))
                                broken = "R no es transitiva: falta " + pair(u, z);
                if (!broken.empty()) {
                    fault(relationEntry->line, broken);
                    complete = false;
                }
            }
        }
    }

    for (int p : sig.predicates) {
        const Symbol &s = logic.predicateSymbol(p);
        const std::size_t count = tupleCount(model.domain, s.arity);
        std::vector<char> &table = model.predicates[p];
        const auto found = predicateEntry.find(p);
        if (found == predicateEntry.end()) {
            fault(first,
                (s.arity == 0 ? "falta el valor de «" : "falta la extensión de «") + s.name + "»");
            complete = false;
            continue;
        }
        const Entry &e = *found->second;
        if (count * static_cast<std::size_t>(model.worlds) > kMaxCells) {
            fault(e.line, "«" + s.name + "» tiene demasiadas tuplas para comprobarlo aquí");
            complete = false;
            continue;
        }
        table.assign(count * static_cast<std::size_t>(model.worlds), 0);
        const Value v = readValue(e.value);
        ShownModel::Symbol &drawn = shown.predicates.emplace_back();
        drawn.name = s.name;
        drawn.arity = s.arity;
        drawn.rows.assign(static_cast<std::size_t>(model.worlds), {});
        std::string wrong;
        if (s.arity == 0 && !modal) {
            const int t = v.ok && !v.set ? truthOf(v.name) : -1;
            if (t < 0)
                wrong = "el valor de «" + s.name + "» es V o F";
            else if (t == 1) {
                table[0] = 1;
                drawn.rows[0].emplace_back();
            }
        } else if (!v.ok || !v.set) {
            wrong = s.arity == 0
                ? "el valor de «" + s.name + "» es el conjunto de mundos donde es verdadera"
                : "la extensión de «" + s.name + "» es un conjunto: {…}";
        } else {
            std::vector<std::vector<int>> members;
            wrong = tuples(e, v, s.arity == 0 ? 1 : s.arity, s.arity == 0, members);
            // A letter of a modal model is true at the worlds given; a predicate's extension
            // is the same at every world.
            for (const std::vector<int> &t : members) {
                if (s.arity == 0) {
                    table[static_cast<std::size_t>(t[0])] = 1;
                    drawn.rows[static_cast<std::size_t>(t[0])].emplace_back();
                    continue;
                }
                std::size_t index = 0;
                for (int x : t)
                    index = index * static_cast<std::size_t>(model.domain)
                        + static_cast<std::size_t>(x);
                for (int w = 0; w < model.worlds; ++w)
                    if (!table[static_cast<std::size_t>(w) * count + index]) {
                        table[static_cast<std::size_t>(w) * count + index] = 1;
                        drawn.rows[static_cast<std::size_t>(w)].push_back(t);
                    }
            }
        }
        if (!wrong.empty()) {
            fault(e.line, wrong);
            complete = false;
        }
    }

    for (int f : sig.functions) {
        const Symbol &s = logic.functionSymbol(f);
        const auto found = functionEntry.find(f);
        if (found == functionEntry.end()) {
            fault(first, "falta el valor de «" + s.name + "»");
            complete = false;
            continue;
        }
        const Entry &e = *found->second;
        const std::size_t count = tupleCount(model.domain, s.arity);
        if (count > kMaxCells) {
            fault(e.line, "«" + s.name + "» tiene demasiados argumentos para comprobarlo aquí");
            complete = false;
            continue;
        }
        std::vector<int> &table = model.functions[f];
        table.assign(count, -1);
        const Value v = readValue(e.value);
        std::string wrong;
        if (s.arity == 0) {
            const int i = v.ok && !v.set ? domain.index(v.name) : -1;
            if (!v.ok || v.set)
                wrong = "el valor de «" + s.name + "» es un elemento del dominio";
            else if (i < 0)
                wrong = toUtf8(v.name) + " no está en el dominio";
            else
                table[0] = i;
        } else if (!v.ok || !v.set) {
            wrong = "«" + s.name + "» es un conjunto de " + std::to_string(s.arity + 1)
                + "-tuplas: los argumentos y el valor";
        } else {
            std::vector<std::vector<int>> rows;
            wrong = tuples(e, v, s.arity + 1, false, rows);
            for (const std::vector<int> &t : rows) {
                if (!wrong.empty())
                    break;
                std::size_t index = 0;
                for (int k = 0; k < s.arity; ++k)
                    index = index * static_cast<std::size_t>(model.domain)
                        + static_cast<std::size_t>(t[static_cast<std::size_t>(k)]);
                int &value = table[index];
                if (value >= 0 && value != t.back()) {
                    std::vector<std::u32string> args;
                    for (int k = 0; k < s.arity; ++k)
                        args.push_back(
                            domain.names[static_cast<std::size_t>(t[static_cast<std::size_t>(k)])]);
                    wrong = "«" + s.name + "» no es una función: da "
                        + toUtf8(domain.names[static_cast<std::size_t>(value)]) + " y "
                        + toUtf8(domain.names[static_cast<std::size_t>(t.back())]) + " para "
                        + tupleText(args);
                }
                value = t.back();
            }
            for (std::size_t index = 0; index < count && wrong.empty(); ++index)
                if (table[index] < 0) {
                    std::vector<std::u32string> args(static_cast<std::size_t>(s.arity));
                    std::size_t rest = index;
                    for (int k = s.arity; k-- > 0;) {
                        args[static_cast<std::size_t>(k)]
                            = domain.names[rest % static_cast<std::size_t>(model.domain)];
                        rest /= static_cast<std::size_t>(model.domain);
                    }
                    wrong = "«" + s.name + "» no está definida para " + tupleText(args);
                }
        }
        if (!wrong.empty()) {
            fault(e.line, wrong);
            complete = false;
            continue;
        }
        ShownModel::Symbol &drawn = shown.functions.emplace_back();
        drawn.name = s.name;
        drawn.arity = s.arity;
        drawn.rows.emplace_back();
        for (std::size_t index = 0; index < count; ++index) {
            std::vector<int> row(static_cast<std::size_t>(s.arity));
            std::size_t rest = index;
            for (int k = s.arity; k-- > 0;) {
                row[static_cast<std::size_t>(k)]
                    = static_cast<int>(rest % static_cast<std::size_t>(model.domain));
                rest /= static_cast<std::size_t>(model.domain);
            }
            row.push_back(table[index]);
            drawn.rows.back().push_back(std::move(row));
        }
    }

    if (complete) {
        // The first formula with the wrong value, in the order of the exercise.
        auto text = [&](int f) { return "«" + logic.text(f) + "»"; };
        const bool alone = !exercise->argument && !exercise->list;
        for (std::size_t i = 0; i < exercise->premises.size() && out.faults.empty(); ++i)
            if (!holdsIn(logic, model, exercise->premises[i]))
                fault(first,
                    (exercise->list ? "la fórmula " : "la premisa ") + std::to_string(i + 1) + ", "
                        + text(exercise->premises[i]) + ", es falsa en este modelo");
        if (out.faults.empty() && !exercise->list
            && holdsIn(logic, model, exercise->conclusion) == out.counter)
            fault(first,
                (alone ? "la fórmula, " : "la conclusión, ") + text(exercise->conclusion) + ", es "
                    + (out.counter ? "verdadera" : "falsa") + " en este modelo");
    }
    std::stable_sort(out.faults.begin(), out.faults.end(),
        [](const WorkFault &a, const WorkFault &b) { return a.line < b.line; });
    if (!out.faults.empty())
        shown.fault = out.faults.front().message;
    out.shown = std::move(shown);
    return out;
}

} // namespace logic
