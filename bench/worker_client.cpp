// The editor's side of the engine's worker, measured on the window's thread:
//  - cancel: how long LogicWorker::cancel() holds the thread while a check is under way (the
//    median and the longest of a number of tries);
//  - hostile: the longest the event loop went without turning (a 5 ms timer's largest gap)
//    while the editor has the real worker check a chain of 10^4 conditionals and a line of 10^6 negations.
// Usage: bench_worker_client [tries]   (default 20; offscreen is enough)

#include "Unit1.h"
#include "check/CheckWindow.h"
#include "check/LogicWorker.h"

#include "platform/app/Application.h"
#include "platform/richedit/RichEdit.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QFile>
#include <QTemporaryDir>
#include <QTimer>

#include <algorithm>
#include <cstdio>
#include <vector>

namespace {

// Runs the event loop until @p done or @p ceilingMs pass.
template <class Done> bool spinUntil(Done done, qint64 ceilingMs)
{
    QElapsedTimer clock;
    clock.start();
    while (!done()) {
        if (clock.elapsed() > ceilingMs)
            return false;
        QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents, 50);
    }
    return true;
}

// Many lines, each a little work: the worker is busy for seconds.
QByteArray busyText()
{
    QByteArray text;
    for (int i = 0; i < 20'000; ++i)
        text += "((p" + QByteArray::number(i % 30) + " -> q) & (q -> r)) -> (p"
            + QByteArray::number(i % 30) + " -> r)\n";
    return text;
}

} // namespace

int main(int argc, char *argv[])
{
    QApplication application(argc, argv);
    const int tries = argc > 1 ? std::max(1, QByteArray(argv[1]).toInt()) : 20;

    std::vector<double> cancelMs;
    const QByteArray busy = busyText();
    for (int i = 0; i < tries; ++i) {
        zv::LogicWorker worker;
        int answers = 0;
        QObject::connect(&worker, &zv::LogicWorker::answered, [&] { ++answers; });
        worker.start(busy, zv::ModalSystem::K, false);
        if (!spinUntil([&] { return answers > 0 || !worker.isRunning(); }, 120'000)
            || !worker.isRunning()) {
            std::printf("the worker did not start or ended too soon\n");
            return 1;
        }
        QElapsedTimer clock;
        clock.start();
        worker.cancel();
        cancelMs.push_back(double(clock.nsecsElapsed()) / 1e6);
        // What the cancel left to do happens now, off the measured call.
        QTimer::singleShot(200, [] {});
        spinUntil([] { return false; }, 100);
    }
    std::sort(cancelMs.begin(), cancelMs.end());
    std::printf("cancel on the window's thread, %d tries: median %.3f ms, longest %.3f ms\n", tries,
        cancelMs[cancelMs.size() / 2], cancelMs.back());

    // The hostile lines through the editor, as Ctrl+A, Ctrl+Enter gives them.
    QTemporaryDir folder;
    zv::setExeFolderForTests(folder.path());
    QFile marker(folder.filePath(QStringLiteral("Zarvik.cfg")));
    if (!marker.open(QIODevice::WriteOnly))
        return 1;
    marker.close();
    TForm1 form;
    form.show();
    QByteArray chain = "p0";
    for (int i = 1; i < 10'000; ++i)
        chain += " -> p" + QByteArray::number(i % 50);
    form.RichEdit1->replaceSel(chain + "\r\n" + QByteArray(1'000'000, '~') + "p V p");
    form.SeleccionatTodo1Click(&form);
    QElapsedTimer clock, sinceTick;
    qint64 longest = 0;
    QTimer tick;
    QObject::connect(
        &tick, &QTimer::timeout, [&] { longest = std::max(longest, sinceTick.restart()); });
    clock.start();
    sinceTick.start();
    tick.start(5);
    form.Comprobar1Click(&form);
    const auto over = [&] {
        const auto *window = form.findChild<zv::CheckWindow *>();
        return window && window->isVisible() && !window->inProgress();
    };
    if (!spinUntil(over, 600'000))
        return 1;
    std::printf("hostile lines through the editor: %lld ms to the last answer; longest freeze "
                "%lld ms\n",
        static_cast<long long>(clock.elapsed()), static_cast<long long>(longest));
    return 0;
}
