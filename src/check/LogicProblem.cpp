#include "check/LogicProblem.h"

#include <QJsonArray>
#include <QRegularExpression>

namespace zv {

bool isPremiseLine(const QString &text)
{
    static const QRegularExpression premise(
        QStringLiteral(":\\s*(PR|Premisa|P)\\s*$"), QRegularExpression::CaseInsensitiveOption);
    return premise.match(text).hasMatch();
}

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
    p.prose = m.value(QLatin1String("prose")).toBool();
    p.finished = m.value(QLatin1String("finished")).toBool();
    p.fitch = m.value(QLatin1String("fitch")).toArray();
    p.latex = m.value(QLatin1String("latex")).toString();
    const QString decision = m.value(QLatin1String("decision")).toString();
    p.outcome = p.syntaxError                  ? Outcome::Error
        : decision == QLatin1String("valid")   ? Outcome::Valid
        : decision == QLatin1String("invalid") ? Outcome::Invalid
                                               : Outcome::Unknown;
    // A formula is answered in the teacher's terms: its class.
    const QString standing = m.value(QLatin1String("standing")).toString();
    static const std::pair<const char *, const char *> kStandings[] = {{"tautology", "Tautología"},
        {"contradiction", "Contradicción"}, {"contingency", "Contingencia"}, {"valid", "Válida"},
        {"unsatisfiable", "Insatisfacible"}, {"contingent", "Contingente"}};
    for (const auto &[name, words] : kStandings)
        if (standing == QLatin1String(name)) {
            p.verdict = QString::fromUtf8(words);
            if (standing.startsWith(QLatin1String("conting")))
                p.outcome = Outcome::Contingent;
            // A contradiction is false in every model: not valid.
            else if (standing == QLatin1String("contradiction")
                || standing == QLatin1String("unsatisfiable"))
                p.outcome = Outcome::Invalid;
        }
    p.derivation = m.value(QLatin1String("derivation")).toBool();
    if (p.derivation) {
        p.verdict = p.outcome == Outcome::Valid ? QStringLiteral("Derivación correcta")
                                                : QStringLiteral("Derivación incorrecta");
        for (const QJsonValue &f : m.value(QLatin1String("faults")).toArray())
            p.faults.push_back(
                {f[QLatin1String("line")].toInt(), f[QLatin1String("message")].toString()});
        for (const QJsonValue &f : p.fitch)
            p.fitchLines.push_back({f[QLatin1String("line")].toInt(),
                f[QLatin1String("depth")].toInt(), f[QLatin1String("assumption")].toBool(),
                isPremiseLine(f[QLatin1String("text")].toString())});
    }
    p.work = m.value(QLatin1String("work")).toString();
    if (!p.work.isEmpty()) {
        const QString what = p.work == QLatin1String("table") ? QStringLiteral("Tabla")
            : p.work == QLatin1String("model")                ? QStringLiteral("Modelo")
            : p.work == QLatin1String("tree")                 ? QStringLiteral("Árbol")
                                                              : QStringLiteral("Respuesta");
        const QString ending = p.work == QLatin1String("model") || p.work == QLatin1String("tree")
            ? QStringLiteral("o")
            : QStringLiteral("a");
        p.verdict = p.outcome == Outcome::Valid ? what + QStringLiteral(" correct") + ending
            : p.outcome == Outcome::Invalid     ? what + QStringLiteral(" incorrect") + ending
                                                : QStringLiteral("No determinado");
        for (const QJsonValue &f : m.value(QLatin1String("faults")).toArray())
            p.faults.push_back(
                {f[QLatin1String("line")].toInt(), f[QLatin1String("message")].toString()});
    }
    if (p.verdict.isEmpty()) {
        // As salida.log words it; "No determinado: …" is the explanation's own first line.
        const bool argument = m.value(QLatin1String("argument")).toBool();
        const QString what = argument ? QStringLiteral("Argumento") : QStringLiteral("Fórmula");
        const QString ending = argument ? QStringLiteral("o") : QStringLiteral("a");
        if (decision == QLatin1String("valid"))
            p.verdict = what + QStringLiteral(" válid") + ending;
        else if (decision == QLatin1String("invalid"))
            p.verdict = what + QStringLiteral(" no válid") + ending;
    }
    return p;
}

} // namespace zv
