#include "ShownJson.h"

#include <QJsonArray>

#include <algorithm>

namespace zv {

namespace {

int at(const QJsonArray &pair, int i)
{
    return pair.size() > i ? pair.at(i).toInt(-1) : -1;
}

QList<int> tuple(const QJsonValue &value, int limit)
{
    QList<int> out;
    for (const QJsonValue &v : value.toArray()) {
        const int e = v.toInt(-1);
        if (e < 0 || e >= limit)
            return {-1};
        out << e;
    }
    return out;
}

} // namespace

ShownTree ShownTree::fromJson(const QJsonObject &tree)
{
    ShownTree out;
    out.modal = tree.value(QLatin1String("modal")).toBool();
    out.truncated = tree.value(QLatin1String("truncated")).toBool();
    for (const QJsonValue &value : tree.value(QLatin1String("nodes")).toArray()) {
        const QJsonObject o = value.toObject();
        Node n;
        n.parent = o.value(QLatin1String("parent")).toInt(-1);
        // Depth first: a parent comes before its children, and only the first node is a root.
        if (out.nodes.isEmpty() ? n.parent != -1 : (n.parent < 0 || n.parent >= out.nodes.size()))
            break;
        n.text = o.value(QLatin1String("text")).toString();
        n.world = o.value(QLatin1String("world")).toInt(-1);
        n.world2 = o.value(QLatin1String("world2")).toInt(-1);
        n.origin = o.value(QLatin1String("origin")).toString();
        n.repeats = o.value(QLatin1String("repeats")).toInt(-1);
        n.fault = o.value(QLatin1String("fault")).toBool();
        const QJsonArray closedBy = o.value(QLatin1String("closedBy")).toArray();
        n.closedBy1 = at(closedBy, 0);
        n.closedBy2 = at(closedBy, 1);
        out.nodes << n;
    }
    return out;
}

ShownModel ShownModel::fromJson(const QJsonObject &model)
{
    ShownModel out;
    if (model.isEmpty())
        return out;
    out.firstOrder = model.value(QLatin1String("firstOrder")).toBool();
    out.modal = model.value(QLatin1String("modal")).toBool();
    out.domain = std::clamp(model.value(QLatin1String("domain")).toInt(1), 1, kMaxModelSize);
    out.worlds = std::clamp(model.value(QLatin1String("worlds")).toInt(1), 1, kMaxModelSize);
    for (const QJsonValue &pair : model.value(QLatin1String("access")).toArray()) {
        const int u = at(pair.toArray(), 0), v = at(pair.toArray(), 1);
        if (u >= 0 && v >= 0 && u < out.worlds && v < out.worlds)
            out.access.append({u, v});
    }
    const auto symbols = [&](const char *key, QList<Symbol> &into) {
        for (const QJsonValue &value : model.value(QLatin1String(key)).toArray()) {
            const QJsonObject o = value.toObject();
            Symbol s;
            s.name = o.value(QLatin1String("name")).toString();
            s.arity = o.value(QLatin1String("arity")).toInt();
            for (const QJsonValue &group : o.value(QLatin1String("rows")).toArray()) {
                QList<QList<int>> rows;
                for (const QJsonValue &row : group.toArray())
                    if (QList<int> t = tuple(row, out.domain); t != QList<int>{-1})
                        rows << t;
                s.rows << rows;
            }
            into << s;
        }
    };
    symbols("predicates", out.predicates);
    symbols("functions", out.functions);
    // Names only when there is one for each: a short list would name some elements wrongly.
    const auto names = [&](const char *key, int count) {
        QStringList list;
        for (const QJsonValue &n : model.value(QLatin1String(key)).toArray())
            list << n.toString();
        return list.size() == count ? list : QStringList();
    };
    out.elementNames = names("elementNames", out.domain);
    out.worldNames = names("worldNames", out.worlds);
    out.fault = model.value(QLatin1String("fault")).toString();
    return out;
}

QStringList ShownModel::lettersAt(int world) const
{
    QStringList out;
    for (const Symbol &s : predicates)
        if (s.arity == 0 && holds(s, world, {}))
            out << s.name;
    return out;
}

QStringList ShownModel::valuationAt(int world) const
{
    QStringList out;
    for (const Symbol &s : predicates)
        if (s.arity == 0)
            out << (holds(s, world, {}) ? s.name : QStringLiteral("¬") + s.name);
    return out;
}

QString ShownModel::element(int e) const
{
    return e >= 0 && e < elementNames.size() ? elementNames[e] : QString::number(e);
}

QString ShownModel::world(int w) const
{
    return w >= 0 && w < worldNames.size() ? worldNames[w] : QStringLiteral("w%1").arg(w);
}

bool ShownModel::holds(const Symbol &symbol, int world, const QList<int> &tuple) const
{
    return world >= 0 && world < symbol.rows.size() && symbol.rows.at(world).contains(tuple);
}

} // namespace zv
