#include "Protocol.h"

#include "Json.h"

#include <charconv>
#include <vector>

namespace logic {
namespace {

std::vector<std::string_view> words(std::string_view line)
{
    std::vector<std::string_view> out;
    std::size_t i = 0;
    while (i < line.size()) {
        const std::size_t j = line.find(' ', i);
        const std::size_t end = j == std::string_view::npos ? line.size() : j;
        if (end > i)
            out.push_back(line.substr(i, end - i));
        i = end + 1;
    }
    return out;
}

template <class N> bool number(std::string_view s, N &out)
{
    const auto [p, ec] = std::from_chars(s.data(), s.data() + s.size(), out);
    return ec == std::errc() && p == s.data() + s.size();
}

// The number that a check's words give its text's first line: far from where a line count
// overflows.
bool shownLine(std::string_view s, int &out)
{
    constexpr int kMaxShownLine = 1 << 30;
    return number(s, out) && out >= 1 && out <= kMaxShownLine;
}

const char *decisionName(Decision d)
{
    switch (d) {
    case Decision::Valid: return "valid";
    case Decision::Invalid: return "invalid";
    case Decision::Unknown: break;
    }
    return "unknown";
}

const char *stopName(Stop s)
{
    switch (s) {
    case Stop::Time: return "time";
    case Stop::Cancelled: return "cancelled";
    case Stop::Conflicts: return "conflicts";
    case Stop::Size: return "size";
    case Stop::Memory: return "memory";
    case Stop::None: break;
    }
    return "";
}

const char *standingName(Standing s)
{
    switch (s) {
    case Standing::Tautology: return "tautology";
    case Standing::Contradiction: return "contradiction";
    case Standing::Contingency: return "contingency";
    case Standing::Valid: return "valid";
    case Standing::Unsatisfiable: return "unsatisfiable";
    case Standing::Contingent: return "contingent";
    case Standing::None: break;
    }
    return "";
}

void writeTree(JsonWriter &json, const ShownTree &tree)
{
    json.begin("tree").field("modal", tree.modal).field("truncated", tree.truncated);
    json.beginArray("nodes");
    for (const ShownTree::Node &n : tree.nodes) {
        json.begin()
            .field("parent", n.parent)
            .field("text", n.text)
            .field("world", n.world)
            .field("world2", n.world2)
            .field("origin", n.origin);
        json.beginArray("from").value(n.from1).value(n.from2).endArray();
        json.beginArray("closedBy").value(n.closedBy1).value(n.closedBy2).endArray();
        if (n.repeats >= 0) // only on a note, so that every other node reads as before
            json.field("repeats", n.repeats);
        if (n.fault) // only on a faulty line of the student's own tree
            json.field("fault", true);
        json.end();
    }
    json.endArray().end();
}

void writeSymbols(
    JsonWriter &json, std::string_view key, const std::vector<ShownModel::Symbol> &symbols)
{
    json.beginArray(key);
    for (const ShownModel::Symbol &s : symbols) {
        json.begin().field("name", s.name).field("arity", s.arity).beginArray("rows");
        for (const auto &group : s.rows) {
            json.beginArray();
            for (const auto &row : group) {
                json.beginArray();
                for (int v : row)
                    json.value(v);
                json.endArray();
            }
            json.endArray();
        }
        json.endArray().end();
    }
    json.endArray();
}

void writeModel(JsonWriter &json, const ShownModel &model)
{
    json.begin("model")
        .field("firstOrder", model.firstOrder)
        .field("modal", model.modal)
        .field("domain", model.domain)
        .field("worlds", model.worlds);
    json.beginArray("access");
    for (const auto &[u, v] : model.access)
        json.beginArray().value(u).value(v).endArray();
    json.endArray();
    writeSymbols(json, "predicates", model.predicates);
    writeSymbols(json, "functions", model.functions);
    // Only a student's model has these: the engine's own read as before.
    for (const auto &[key, names] : {std::pair{"elementNames", &model.elementNames},
             std::pair{"worldNames", &model.worldNames}})
        if (!names->empty()) {
            json.beginArray(key);
            for (const std::string &n : *names)
                json.value(n);
            json.endArray();
        }
    if (!model.fault.empty())
        json.field("fault", model.fault);
    json.end();
}

std::string line(JsonWriter &json)
{
    std::string s = json.take();
    s += '\n';
    return s;
}

} // namespace

std::vector<OverlongLine> setAsideOverlongLines(std::string &text)
{
    std::vector<OverlongLine> found;
    std::string kept;
    std::size_t copied = 0; // text before this is in kept
    int line = 1;
    for (std::size_t start = 0; start <= text.size(); ++line) {
        std::size_t end = text.find('\n', start);
        if (end == std::string::npos)
            end = text.size();
        if (end - start > kMaxLineBytes) {
            std::size_t characters = 0;
            for (std::size_t i = start; i < end; ++i)
                characters += (static_cast<unsigned char>(text[i]) & 0xC0) != 0x80;
            found.push_back({line, characters});
            kept.append(text, copied, start - copied);
            kept += '(';
            copied = end;
        }
        start = end + 1;
    }
    if (!found.empty()) {
        kept.append(text, copied, std::string::npos);
        text = std::move(kept);
    }
    return found;
}

void explainOverlong(ProblemResult &r, const std::vector<OverlongLine> &lines)
{
    if (!r.syntaxError)
        return;
    for (const OverlongLine &l : lines)
        if (l.line == r.errorLine) {
            r.errorColumn = 1;
            r.errorMessage = "línea demasiado larga: tiene " + std::to_string(l.characters)
                + " caracteres, y se leen líneas de hasta " + std::to_string(kMaxLineBytes)
                + " bytes";
            r.text.clear();
            r.explanation.clear();
            return;
        }
}

std::optional<Request> parseRequest(std::string_view text)
{
    const std::vector<std::string_view> w = words(text);
    if (w.empty())
        return std::nullopt;
    Request r;
    if (w[0] == "quit" && w.size() == 1) {
        r.kind = Request::Kind::Quit;
        return r;
    }
    if (w[0] == "cancel" && w.size() == 2 && number(w[1], r.id)) {
        r.kind = Request::Kind::Cancel;
        return r;
    }
    // The course's rules, after the length: an editor that does not send them asks for all.
    auto rules = [&](std::size_t at) {
        if (w.size() == at)
            return true;
        if (w.size() != at + 1 || (w[at] != "basicas" && w[at] != "todas"))
            return false;
        r.options.basicRules = w[at] == "basicas";
        return true;
    };
    // A check's first line as the user counts it, before the rules: an optional number.
    const bool shown
        = w[0] == "check" && w.size() >= 7 && shownLine(w[6], r.options.firstShownLine);
    if (w[0] == "check" && w.size() >= 6 && w.size() <= 8 && number(w[1], r.id)
        && parseSystemName(w[2], r.options.system) && (w[3] == "0" || w[3] == "1")
        && number(w[4], r.options.fromLine) && number(w[5], r.length) && rules(shown ? 7 : 6)) {
        r.kind = Request::Kind::Check;
        r.options.truthTables = w[3] == "1";
        return r;
    }
    if ((w[0] == "prove" || w[0] == "next") && (w.size() == 5 || w.size() == 6)
        && number(w[1], r.id) && parseSystemName(w[2], r.options.system) && number(w[3], r.line)
        && r.line >= 1 && number(w[4], r.length) && rules(5)) {
        r.kind = w[0] == "prove" ? Request::Kind::Prove : Request::Kind::Next;
        return r;
    }
    return std::nullopt;
}

std::string readyMessage()
{
    JsonWriter json;
    json.begin().field("event", "ready").field("protocol", kProtocolVersion).end();
    return line(json);
}

std::string startMessage(int id, int at)
{
    JsonWriter json;
    json.begin().field("event", "start").field("id", id).field("line", at).end();
    return line(json);
}

std::string doneMessage(int id)
{
    JsonWriter json;
    json.begin().field("event", "done").field("id", id).end();
    return line(json);
}

std::string proofMessage(int id, const ProofAnswer &proof)
{
    JsonWriter json;
    json.begin()
        .field("event", "proof")
        .field("id", id)
        .field("line", proof.line)
        .field("found", proof.found);
    json.beginArray("lines");
    for (const std::string &l : proof.lines)
        json.value(l);
    json.endArray().field("method", proof.method).field("reason", proof.reason).end();
    return line(json);
}

std::string nextMessage(int id, const NextAnswer &next)
{
    JsonWriter json;
    json.begin()
        .field("event", "next")
        .field("id", id)
        .field("line", next.line)
        .field("found", next.found);
    json.beginArray("lines");
    for (const std::string &l : next.lines)
        json.value(l);
    json.endArray()
        .field("formula", next.formula)
        .field("justification", next.justification)
        .field("depth", next.depth)
        .field("reason", next.reason)
        .end();
    return line(json);
}

std::string answerMessage(int id, const ProblemResult &r)
{
    JsonWriter json;
    if (r.prose) { // a line of the worksheet's text: only counted
        json.begin()
            .field("event", "answer")
            .field("id", id)
            .field("firstLine", r.firstLine)
            .field("line", r.line)
            .field("prose", true)
            .end();
        return line(json);
    }
    json.begin()
        .field("event", "answer")
        .field("id", id)
        .field("firstLine", r.firstLine)
        .field("line", r.line)
        .field("argument", r.argument)
        .field("modal", r.modal)
        .field("system", systemName(r.system))
        .field("decision", decisionName(r.decision))
        .field("text", r.text)
        .field("explanation", r.explanation)
        .field("reason", r.reason)
        .field("stop", stopName(r.stop))
        .field("milliseconds", r.milliseconds);
    if (!r.truthTable.empty())
        json.field("truthTable", r.truthTable);
    if (r.standing != Standing::None)
        json.field("standing", standingName(r.standing));
    if (r.derivation) {
        json.field("derivation", true)
            .field("provesArgument", r.provesArgument)
            .field("finished", r.finished)
            .field("latex", r.latex);
        json.beginArray("faults");
        for (const ProblemResult::Fault &f : r.faults)
            json.begin().field("line", f.line).field("message", f.message).end();
        json.endArray().beginArray("fitch");
        for (const ProblemResult::FitchLine &f : r.fitch)
            json.begin()
                .field("line", f.line)
                .field("depth", f.depth)
                .field("indent", f.indent)
                .field("assumption", f.assumption)
                .field("text", f.text)
                .end();
        json.endArray();
    }
    if (!r.work.empty()) {
        json.field("work", r.work).beginArray("faults");
        for (const ProblemResult::Fault &f : r.faults)
            json.begin().field("line", f.line).field("message", f.message).end();
        json.endArray();
    }
    if (r.syntaxError)
        json.field("syntaxError", true)
            .field("errorLine", r.errorLine)
            .field("errorColumn", r.errorColumn)
            .field("errorMessage", r.errorMessage);
    if (r.tree)
        writeTree(json, *r.tree);
    if (r.model)
        writeModel(json, *r.model);
    json.end();
    return line(json);
}

} // namespace logic
