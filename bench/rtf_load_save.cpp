// Load and save of generated logic-course documents at 100 KB, 1 MB and 10 MB, beside the
// floor: the same runs inserted into a detached QTextDocument through one cursor in one edit
// block. Peak memory is that of a child process that only loads the file (its maximum RSS).
// With --write FILE [BYTES] it only writes the document (10 MB by default) for other benchmarks.
#include "platform/files/DocumentFile.h"
#include "platform/format/TextFormat.h"
#include "platform/rtf/RtfWriter.h"

#include <QElapsedTimer>
#include <QFile>
#include <QGuiApplication>
#include <QProcess>
#include <QTemporaryDir>
#include <QTextCursor>
#include <QTextDocument>

#include <cstdio>
#include <random>

namespace {

struct Run
{
    QString text;
    int format;
};

std::vector<QTextCharFormat> formats()
{
    std::vector<QTextCharFormat> out;
    const QColor colours[] = {QColor(), QColor(192, 0, 0), QColor(0, 0, 160)};
    for (int style = 0; style < 4; ++style)
        for (const QColor &c : colours) {
            QTextCharFormat f;
            zv::setFaceName(f, QStringLiteral("Verdana"));
            zv::setPointSize(f, 10);
            zv::setStyle(f, (unsigned char)style);
            zv::setColor(f, c);
            out.push_back(f);
        }
    QTextCharFormat symbol;
    zv::setCharset(symbol, 2);
    zv::setFaceName(symbol, QStringLiteral("Symbol"));
    zv::setPointSize(symbol, 10);
    out.push_back(symbol);
    return out;
}

// Spanish prose with a symbol every few words, bold and italic runs and colours; seeded, so
// that a longer document begins with the runs of a shorter one.
std::vector<Run> generate(std::size_t count)
{
    static const char *words[] = {"la", "proposición", "es", "verdadera", "si", "y", "sólo",
        "cuando", "el", "argumento", "lógica", "premisa", "conclusión", "válido", "entonces",
        "todo", "existe", "un", "número", "par"};
    static const char16_t symbols[] = {u'∀', u'∃', u'¬', u'∧', u'∨', u'→', u'↔', u'⊢'};
    std::mt19937 random(20240521);
    std::vector<Run> runs;
    runs.reserve(count);
    while (runs.size() < count) {
        QString text;
        const int words_ = 2 + int(random() % 5);
        for (int i = 0; i < words_; ++i)
            text += QString::fromUtf8(words[random() % std::size(words)]) + ' ';
        if (random() % 12 == 0)
            text += '\n';
        runs.push_back({text, int(random() % 12)});
        runs.push_back({QString(QChar(symbols[random() % std::size(symbols)])), 12});
    }
    return runs;
}

void build(
    QTextDocument &document, const std::vector<Run> &runs, const std::vector<QTextCharFormat> &f)
{
    QTextCursor cursor(&document);
    cursor.beginEditBlock();
    for (const Run &run : runs)
        cursor.insertText(run.text, f[std::size_t(run.format)]);
    cursor.endEditBlock();
}

double seconds(QElapsedTimer &t)
{
    return double(t.nsecsElapsed()) / 1e9;
}

// The runs whose document writes about @p bytes of RTF, measured on a first slice.
std::vector<Run> generateBytes(qint64 bytes, const std::vector<QTextCharFormat> &f)
{
    constexpr std::size_t kSample = 20'000;
    QTextDocument sample;
    build(sample, generate(kSample), f);
    const double perRun = double(zv::rtf::writeRtf(sample).size()) / double(kSample);
    return generate(std::size_t(double(bytes) / perRun) & ~std::size_t(1));
}

void writeFile(const QString &path, const QByteArray &bytes)
{
    QFile out(path);
    if (!out.open(QIODevice::WriteOnly) || out.write(bytes) != bytes.size())
        qFatal("cannot write %s", qPrintable(path));
}

} // namespace

int main(int argc, char **argv)
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QGuiApplication app(argc, argv);
    const std::vector<QTextCharFormat> f = formats();
    // The child reports the peak of its own memory map (VmHWM, in kB): getrusage's maximum
    // survives the exec and so counts the pages of the parent that the fork copied.
    if (argc == 3 && QByteArray(argv[1]) == "--load") {
        zv::loadDocument(QString::fromLocal8Bit(argv[2]), false);
        QFile status(QStringLiteral("/proc/self/status"));
        status.open(QIODevice::ReadOnly);
        for (const QByteArray &line : status.readAll().split('\n'))
            if (line.startsWith("VmHWM:"))
                std::printf("%s\n", line.mid(6).trimmed().split(' ').value(0).constData());
        return 0;
    }
    // bench_rtf_load_save --write FILE [BYTES]: the benchmark's document, for other benchmarks.
    if ((argc == 3 || argc == 4) && QByteArray(argv[1]) == "--write") {
        const qint64 bytes = argc == 4 ? QByteArray(argv[3]).toLongLong() : 10'000'000;
        QTextDocument source;
        build(source, generateBytes(bytes, f), f);
        writeFile(QString::fromLocal8Bit(argv[2]), zv::rtf::writeRtf(source));
        return 0;
    }
    QTemporaryDir dir;
    std::printf("%-8s %7s %7s %7s %7s %7s %7s %8s %7s\n", "size", "runs", "floor s", "load s",
        "load/fl", "write s", "save s", "save MB/s", "peak MB");
    for (qint64 target : {100'000LL, 1'000'000LL, 10'000'000LL}) {
        const std::vector<Run> runs = generateBytes(target, f);
        QTextDocument source;
        build(source, runs, f);
        const QString path = dir.filePath(QStringLiteral("doc.zvk"));
        writeFile(path, zv::rtf::writeRtf(source));
        const qint64 fileSize = QFileInfo(path).size();

        QElapsedTimer t;
        t.start();
        QTextDocument floor;
        build(floor, runs, f);
        const double floorTime = seconds(t);

        t.restart();
        const std::unique_ptr<QTextDocument> loaded = zv::loadDocument(path, false);
        const double loadTime = seconds(t);

        // The writer alone, and the whole save: writer, file and its flush to the disk.
        t.restart();
        const QByteArray written = zv::rtf::writeRtf(*loaded);
        const double writeTime = seconds(t);
        t.restart();
        zv::saveDocument(*loaded, dir.filePath(QStringLiteral("saved.zvk")), false);
        const double saveTime = seconds(t);
        if (written.size() != fileSize)
            std::printf("warning: the reloaded document wrote %lld bytes, not %lld\n",
                qint64(written.size()), fileSize);

        QProcess child;
        child.start(QCoreApplication::applicationFilePath(), {"--load", path});
        child.waitForFinished(-1);
        const double peak = child.readAllStandardOutput().trimmed().toDouble() / 1024.0;
        std::printf("%-8lld %7zu %7.3f %7.3f %7.2f %7.3f %7.3f %8.1f %7.1f\n", fileSize,
            runs.size(), floorTime, loadTime, loadTime / floorTime, writeTime, saveTime,
            double(fileSize) / 1e6 / saveTime, peak);
        std::fflush(stdout);
    }
    return 0;
}
