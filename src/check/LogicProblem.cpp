#include "check/LogicProblem.h"

namespace zv {

LogicProblem problemFromMessage(const QJsonObject &m)
{
    LogicProblem p;
    p.firstLine = m.value(QLatin1String("firstLine")).toInt();
    p.line = m.value(QLatin1String("line")).toInt();
    p.text = m.value(QLatin1String("text")).toString();
    p.explanation = m.value(QLatin1String("explanation")).toString();
    p.truthTable = m.value(QLatin1String("truthTable")).toString();
    p.reason = m.value(QLatin1String("reason")).toString();
    p.stop = m.value(QLatin1String("stop")).toString();
    if (m.value(QLatin1String("modal")).toBool())
        p.system = m.value(QLatin1String("system")).toString();
    p.syntaxError = m.value(QLatin1String("syntaxError")).toBool();
    p.errorLine = m.value(QLatin1String("errorLine")).toInt();
    p.errorColumn = m.value(QLatin1String("errorColumn")).toInt();
    p.errorMessage = m.value(QLatin1String("errorMessage")).toString();
    p.tree = m.value(QLatin1String("tree")).toObject();
    p.model = m.value(QLatin1String("model")).toObject();
    p.derivation = m.value(QLatin1String("derivation")).toBool();
    p.finished = m.value(QLatin1String("finished")).toBool();
    p.fitch = m.value(QLatin1String("fitch")).toArray();
    p.latex = m.value(QLatin1String("latex")).toString();
    // As salida.log words it; "No determinado: …" is the explanation's own first line.
    const bool argument = m.value(QLatin1String("argument")).toBool();
    const QString what = argument ? QStringLiteral("Argumento") : QStringLiteral("Fórmula");
    const QString ending = argument ? QStringLiteral("o") : QStringLiteral("a");
    const QString decision = m.value(QLatin1String("decision")).toString();
    if (decision == QLatin1String("valid"))
        p.verdict = what + QStringLiteral(" válid") + ending;
    else if (decision == QLatin1String("invalid"))
        p.verdict = what + QStringLiteral(" no válid") + ending;
    return p;
}

} // namespace zv
