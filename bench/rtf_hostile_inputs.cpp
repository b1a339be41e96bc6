// Load times of the reader's hostile inputs (the fuzzer's seeds and findings, the test data) and
// of the RTF corpus in the shared folder when it is there: wall clock and processor time, the
// worst of each. The tests bound only the processor time; this is where the waits are seen.
// Usage: bench_rtf_hostile_inputs [SOURCE_DIR [SHARED_DIR]]; the source folder is otherwise
// $ZV_SOURCE_DIR, or the parent of the build folder, and the shared one $ZV_SHARED_DIR, or
// the source folder's sibling.
#include "platform/files/DocumentFile.h"
#include "platform/files/DocumentStream.h"

#include <QDir>
#include <QDirIterator>
#include <QElapsedTimer>
#include <QFile>
#include <QGuiApplication>
#include <QTextDocument>

#include <cstdio>
#include <ctime>

namespace {

double processorMs()
{
    timespec now{};
    clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &now);
    return now.tv_sec * 1e3 + now.tv_nsec / 1e6;
}

struct Worst
{
    double wallMs = 0, cpuMs = 0, totalWallMs = 0;
    QString wallFile, cpuFile;
    int files = 0;

    void add(const QString &path, double wall, double cpu)
    {
        ++files;
        totalWallMs += wall;
        if (wall > wallMs)
            wallMs = wall, wallFile = path;
        if (cpu > cpuMs)
            cpuMs = cpu, cpuFile = path;
    }
    void print(const char *what) const
    {
        std::printf("%s: %d files, %.1f ms in all; worst wall %.1f ms (%s), worst processor "
                    "%.1f ms (%s)\n",
            what, files, totalWallMs, wallMs, qPrintable(QFileInfo(wallFile).fileName()), cpuMs,
            qPrintable(QFileInfo(cpuFile).fileName()));
    }
};

} // namespace

int main(int argc, char **argv)
{
    QGuiApplication app(argc, argv);
    QString source
        = argc > 1 ? QString::fromLocal8Bit(argv[1]) : qEnvironmentVariable("ZV_SOURCE_DIR");
    if (source.isEmpty())
        source = QCoreApplication::applicationDirPath() + QStringLiteral("/..");
    QString shared
        = argc > 2 ? QString::fromLocal8Bit(argv[2]) : qEnvironmentVariable("ZV_SHARED_DIR");
    if (shared.isEmpty())
        shared = source + QStringLiteral("/../shared");

    Worst hostile;
    for (const QString &folder :
        {source + QStringLiteral("/tests/data/rtf"), source + QStringLiteral("/fuzz/findings")}) {
        for (const QFileInfo &info : QDir(folder).entryInfoList(QDir::Files)) {
            QFile file(info.filePath());
            if (info.fileName().startsWith(u'.') || !file.open(QIODevice::ReadOnly))
                continue;
            const QByteArray input = file.readAll();
            QElapsedTimer clock;
            const double before = processorMs();
            clock.start();
            const std::unique_ptr<QTextDocument> document = zv::documentFromBytes(input, false);
            hostile.add(info.filePath(), clock.nsecsElapsed() / 1e6, processorMs() - before);
        }
    }
    hostile.print("hostile inputs");

    Worst corpus;
    QDirIterator it(shared + QStringLiteral("/corpus/rtf"), {QStringLiteral("*.rtf")}, QDir::Files,
        QDirIterator::Subdirectories);
    while (it.hasNext()) {
        const QString path = it.next();
        QElapsedTimer clock;
        const double before = processorMs();
        clock.start();
        const std::unique_ptr<QTextDocument> document = zv::loadDocument(path, false);
        corpus.add(path, clock.nsecsElapsed() / 1e6, processorMs() - before);
    }
    if (corpus.files)
        corpus.print("RTF corpus");
    else
        std::printf("RTF corpus: not in %s\n", qPrintable(shared));
    if (!hostile.files)
        std::printf("no hostile inputs in %s\n", qPrintable(source));
    return hostile.files ? 0 : 1;
}
