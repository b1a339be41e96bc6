// Opening a 10 MB document in the main window: the load, the first paint of RichEdit1's
// viewport, the time until the whole document is laid out, and the longest freeze of the event
// loop meanwhile, seen as the worst lateness of a 10 ms timer.
//
// Usage: bench_open_first_paint [FILE]
// Without FILE the document of bench_rtf_load_save (--write, 10 MB) is made in a temporary folder.

#include "Unit1.h"

#include "platform/app/Application.h"
#include "platform/files/DocumentFile.h"
#include "platform/richedit/RichEdit.h"

#include <QAbstractTextDocumentLayout>
#include <QApplication>
#include <QDeadlineTimer>
#include <QElapsedTimer>
#include <QFileInfo>
#include <QProcess>
#include <QTemporaryDir>
#include <QTextBlock>
#include <QTextDocument>
#include <QTextLayout>
#include <QTimer>
#include <QWindow>

#include <functional>

#include <cstdio>

namespace {

// Notes the first paint of the viewport after it is armed; the paint has run when a zero timer
// posted from inside it fires.
class PaintWatch : public QObject
{
public:
    std::function<void()> painted;
    bool armed = false;

protected:
    bool eventFilter(QObject *watched, QEvent *event) override
    {
        if (armed && event->type() == QEvent::Paint) {
            armed = false;
            QTimer::singleShot(0, this, painted);
        }
        return QObject::eventFilter(watched, event);
    }
};

bool laidOut(const QTextDocument &document)
{
    const QTextLayout *layout = document.lastBlock().layout();
    return layout && layout->lineCount() > 0;
}

double ms(qint64 ns)
{
    return double(ns) / 1e6;
}

} // namespace

int main(int argc, char **argv)
{
    QApplication app(argc, argv);
    QTemporaryDir folder;
    QString path;
    if (argc > 1) {
        path = QString::fromLocal8Bit(argv[1]);
    } else {
        path = folder.filePath(QStringLiteral("doc10.zvk"));
        const QString writer = QCoreApplication::applicationDirPath() + "/bench_rtf_load_save";
        if (QProcess::execute(writer, {QStringLiteral("--write"), path}) != 0) {
            std::fprintf(stderr, "cannot make the document with %s\n", qPrintable(writer));
            return 1;
        }
    }

    // The marker keeps the first-run registration out of the measurement.
    zv::setExeFolderForTests(folder.path());
    QFile marker(folder.filePath(QStringLiteral("Zarvik.cfg")));
    marker.open(QIODevice::WriteOnly);
    marker.close();

    TForm1 form;
    form.show();
    const QDeadlineTimer exposed(5000);
    while (!form.windowHandle() || !form.windowHandle()->isExposed()) {
        if (exposed.hasExpired())
            break;
        QApplication::processEvents(QEventLoop::AllEvents, 50);
    }
    QApplication::processEvents();

    // The reader alone, off the window; this also brings the file into the page cache.
    QElapsedTimer readerClock;
    readerClock.start();
    zv::loadDocument(path, false).reset();
    const qint64 readerTime = readerClock.nsecsElapsed();

    zv::RichEdit *edit = form.RichEdit1;
    QElapsedTimer clock;
    qint64 loadDone = -1, firstPaint = -1, layoutDone = -1;
    qint64 last = 0, worstLate = 0, worstLateAfterLoad = 0;

    PaintWatch watch;
    edit->viewport()->installEventFilter(&watch);
    watch.painted = [&] { firstPaint = clock.nsecsElapsed(); };

    QTimer tick;
    tick.setTimerType(Qt::PreciseTimer);
    tick.setInterval(10);
    QObject::connect(&tick, &QTimer::timeout, [&] {
        const qint64 now = clock.nsecsElapsed();
        const qint64 late = now - last - 10'000'000;
        worstLate = std::max(worstLate, late);
        if (last >= loadDone)
            worstLateAfterLoad = std::max(worstLateAfterLoad, late);
        last = now;
        if (layoutDone < 0 && firstPaint >= 0 && laidOut(*edit->document()))
            layoutDone = now;
        if ((layoutDone >= 0 && now - layoutDone > 200'000'000) || now > 60'000'000'000LL)
            app.quit();
    });

    // What "Abrir Texto" does after its dialog: the load, handed to the shown control.
    QTimer::singleShot(0, [&] {
        clock.start();
        tick.start();
        watch.armed = true;
        edit->loadFromFile(path);
        loadDone = clock.nsecsElapsed();
    });
    app.exec();

    const QSizeF size = edit->document()->documentLayout()->documentSize();
    std::printf("file %lld bytes, %d blocks, %d characters, layout %.0f x %.0f px\n",
        qint64(QFileInfo(path).size()), edit->document()->blockCount(),
        edit->document()->characterCount(), size.width(), size.height());
    std::printf("load (file to adopted document)      %8.1f ms\n", ms(loadDone));
    std::printf("  of which the reader, measured apart %8.1f ms\n", ms(readerTime));
    std::printf("first paint of the viewport          %8.1f ms   goal 1000\n", ms(firstPaint));
    std::printf("whole document laid out              %8.1f ms   goal 3000%s\n", ms(layoutDone),
        layoutDone < 0 ? " (not reached)" : "");
    std::printf("longest event-loop freeze            %8.1f ms   goal 200\n", ms(worstLate));
    std::printf("longest freeze after the load        %8.1f ms\n", ms(worstLateAfterLoad));
    return 0;
}
