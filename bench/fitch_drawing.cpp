// How long a derivation's drawing takes to lay out and to paint, as the "Dibujo" tab and the
// exports do it: one of 3000 lines with 2400 faulty ones (the engine's deepest nesting refused
// line by line), and one of 60 lines with a fault.
//   bench_fitch_drawing  (QT_QPA_PLATFORM=offscreen without a display)

#include "check/FitchDiagram.h"

#include <QElapsedTimer>
#include <QGuiApplication>
#include <QImage>
#include <QJsonObject>
#include <QPainter>

#include <cstdio>

using namespace zv;

namespace {

LogicProblem derivation(int lines, int faulty)
{
    LogicProblem p;
    p.derivation = true;
    for (int k = 1; k <= lines; ++k) {
        const int depth = std::min(k / 3, 200);
        const bool assumption = k % 3 == 0 && depth > 0;
        p.fitch.append(QJsonObject{{QStringLiteral("line"), k}, {QStringLiteral("depth"), depth},
            {QStringLiteral("assumption"), assumption},
            {QStringLiteral("text"),
                QStringLiteral("%1. p → (q ∧ r) :%2")
                    .arg(k)
                    .arg(k == 1 ? QStringLiteral("PR") : QStringLiteral("→E 1, %1").arg(k - 1))}});
        if (k > lines - faulty)
            p.faults.append({k,
                QStringLiteral("Línea %1: →E necesita un condicional con "
                               "consecuente q ∧ r y su antecedente")
                    .arg(k)});
    }
    return p;
}

void measure(const char *name, const LogicProblem &p, int rounds)
{
    QElapsedTimer clock;
    clock.start();
    for (int i = 0; i < rounds; ++i)
        FitchDiagram d(p);
    const double layout = double(clock.nsecsElapsed()) / rounds / 1e6;
    const FitchDiagram d(p);
    // The tab paints a window's worth at a time; an export paints all of it.
    QImage image(800, 600, QImage::Format_ARGB32_Premultiplied);
    clock.restart();
    for (int i = 0; i < rounds; ++i) {
        image.fill(Qt::white);
        QPainter painter(&image);
        d.paint(painter);
    }
    const double paint = double(clock.nsecsElapsed()) / rounds / 1e6;
    std::printf(
        "%-28s %5lld rows %5lld faults  layout %8.2f ms  paint %8.2f ms  (%.0f x %.0f px)\n", name,
        static_cast<long long>(d.rows().size()), static_cast<long long>(p.faults.size()), layout,
        paint, d.size().width(), d.size().height());
}

} // namespace

int main(int argc, char **argv)
{
    if (qEnvironmentVariableIsEmpty("DISPLAY") && qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QGuiApplication app(argc, argv);
    measure("textbook, one fault", derivation(60, 1), 50);
    measure("deep, 2400 faults", derivation(3000, 2400), 5);
    return 0;
}
