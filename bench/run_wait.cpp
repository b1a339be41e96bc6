// How late the event loop answers while "Compilar Programa" waits for the interpreter: a 10 ms
// precise timer runs during the wait for a batch file that sleeps; the worst lateness of its
// ticks is the worst delay a repaint or a key press would see. Also reports the processor time
// the wait itself used and how long after the process ended the wait returned.

#include "platform/process/Launcher.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QTemporaryDir>
#include <QTimer>
#include <QWidget>

#include <sys/resource.h>

#include <algorithm>
#include <cstdio>

namespace {

double cpuMs()
{
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    return (usage.ru_utime.tv_sec + usage.ru_stime.tv_sec) * 1e3
        + (usage.ru_utime.tv_usec + usage.ru_stime.tv_usec) / 1e3;
}

} // namespace

int main(int argc, char *argv[])
{
    QApplication application(argc, argv);
    const int sleepMs = argc > 1 ? QByteArray(argv[1]).toInt() : 3000;

    QTemporaryDir folder;
    const QString batch = folder.filePath(QStringLiteral("PL.bat"));
    QFile file(batch);
    if (!file.open(QIODevice::WriteOnly))
        return 1;
    file.write(QStringLiteral("sleep %1\n").arg(sleepMs / 1000.0).toLatin1());
    file.close();

    QWidget window;
    window.resize(400, 300);
    window.show();

    constexpr int kInterval = 10;
    QElapsedTimer clock;
    qint64 last = -1;
    qint64 worst = 0;
    int ticks = 0;
    QTimer ticker;
    ticker.setTimerType(Qt::PreciseTimer);
    ticker.setInterval(kInterval);
    QObject::connect(&ticker, &QTimer::timeout, [&] {
        const qint64 now = clock.nsecsElapsed();
        if (last >= 0)
            worst = std::max(worst, now - last - kInterval * 1000000LL);
        last = now;
        ++ticks;
        window.update();
    });

    const double cpuBefore = cpuMs();
    clock.start();
    ticker.start();
    zv::executeAndWait(&window, batch, QString(), 1);
    const double waitedMs = clock.nsecsElapsed() / 1e6;
    ticker.stop();
    const double cpuUsed = cpuMs() - cpuBefore;

    std::printf("wait for a batch file sleeping %d ms: %.1f ms (returned %.1f ms after it)\n",
        sleepMs, waitedMs, waitedMs - sleepMs);
    std::printf("worst lateness of a %d ms timer during the wait: %.2f ms over %d ticks\n",
        kInterval, worst / 1e6, ticks);
    std::printf("processor time of the waiting side, %d ticks and repaints included: %.1f ms\n",
        ticks, cpuUsed);

    // Nothing else to do: the wait alone should sleep in the kernel.
    const double idleBefore = cpuMs();
    zv::executeAndWait(&window, batch, QString(), 1);
    std::printf(
        "processor time of an idle wait of %d ms: %.1f ms\n", sleepMs, cpuMs() - idleBefore);
    return worst < 500000000LL ? 0 : 1;
}
