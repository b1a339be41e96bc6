#include "check/DocumentDerivations.h"

#include "check/FitchDiagram.h"
#include "check/LogicWorker.h"
#include "platform/format/ReadableText.h"

#include <QEventLoop>
#include <QJsonObject>
#include <QTimer>

#include <algorithm>

namespace zv {
namespace {

// A line that may belong to a derivation: "[k.] formula :rule" or a "--" separator. A
// "sistema:" line goes too, though no derivation's LaTeX depends on it.
bool mayBeDerivationLine(QStringView line)
{
    const QStringView text = line.trimmed();
    if (text.startsWith(u"--"))
        return true;
    const qsizetype colon = text.lastIndexOf(u':');
    return colon > 0 && colon + 1 < text.size();
}

DerivationLines linesOf(const LogicProblem &problem)
{
    DerivationLines d{problem.firstLine, problem.line, problem.latex, {}};
    const FitchDiagram diagram(problem);
    const QList<FitchDiagram::Row> &rows = diagram.rows();
    const auto lineOf = [&](int row) {
        return problem.fitch.at(row).toObject().value(QLatin1String("line")).toInt();
    };
    int lastPremise = -1;
    for (int i = 0; i < rows.size(); ++i)
        if (rows[i].premise && rows[i].depth == 0)
            lastPremise = i;
    for (const FitchDiagram::Bar &b : diagram.bars()) {
        if (b.first < 0 || b.last >= rows.size() || b.last >= problem.fitch.size())
            continue;
        const int rule = b.depth > 0 ? lineOf(b.first) : lastPremise >= 0 ? lineOf(lastPremise) : 0;
        d.bars.append({lineOf(b.first), lineOf(b.last), rule});
    }
    return d;
}

} // namespace

QList<DerivationLines> derivationsIn(const QTextDocument &document, int from, int to, int waitMs)
{
    const ReadableSpan span = readableSpan(document, from, to);
    // The other lines go as empty ones, so that the engine's lines are the range's.
    QStringList lines = span.text.split(QLatin1Char('\n'));
    bool any = false;
    for (QString &line : lines) {
        if (mayBeDerivationLine(line))
            any = true;
        else
            line.clear();
    }
    if (!any)
        return {};

    QList<DerivationLines> found;
    LogicWorker worker;
    QEventLoop loop;
    bool complete = false;
    QObject::connect(&worker, &LogicWorker::answered, &loop, [&](const LogicProblem &problem) {
        if (FitchDiagram::draws(problem) && !problem.latex.isEmpty()
            && problem.firstLine <= problem.line)
            found.append(linesOf(problem));
    });
    QObject::connect(&worker, &LogicWorker::finished, &loop, [&] {
        complete = true;
        loop.quit();
    });
    QObject::connect(&worker, &LogicWorker::failed, &loop, &QEventLoop::quit);
    QTimer::singleShot(waitMs, &loop, &QEventLoop::quit);
    worker.start(lines.join(QLatin1Char('\n')).toUtf8(), ModalSystem::K, false);
    if (worker.isRunning())
        loop.exec(QEventLoop::ExcludeUserInputEvents);
    worker.cancel();
    if (!complete)
        return {};
    std::sort(found.begin(), found.end(),
        [](const DerivationLines &a, const DerivationLines &b) { return a.first < b.first; });
    return found;
}

} // namespace zv
