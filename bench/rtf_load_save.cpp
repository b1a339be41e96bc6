// Load and save of generated logic-course documents at 100 KB, 1 MB and 10 MB, beside the
// floor: the same runs inserted into a detached QTextDocument through one cursor in one edit
// block. Peak memory is that of a child process that only loads the file.
#include "platform/files/DocumentFile.h"
#include "platform/richedit/TextFormat.h"
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
#include <sys/resource.h>

namespace {

struct Run {
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

// Spanish prose with a symbol every few words, bold and italic runs and colours; seeded.
std::vector<Run> generate(qint64 bytes)
{
    static const char *words[] = {"la", "proposición", "es", "verdadera", "si", "y", "sólo",
                                  "cuando", "el", "argumento", "lógica", "premisa", "conclusión",
                                  "válido", "entonces", "todo", "existe", "un", "número", "par"};
    static const char16_t symbols[] = {u'∀', u'∃', u'¬', u'∧', u'∨', u'→', u'↔', u'⊢'};
    std::mt19937 random(20240521);
    std::vector<Run> runs;
    qint64 size = 0;
    while (size < bytes) {
        QString text;
        const int count = 2 + int(random() % 5);
        for (int i = 0; i < count; ++i)
            text += QString::fromUtf8(words[random() % std::size(words)]) + ' ';
        if (random() % 12 == 0)
            text += '\n';
        runs.push_back({text, int(random() % 12)});
        runs.push_back({QString(QChar(symbols[random() % std::size(symbols)])), 12});
        size += text.size() + 16;
    }
    return runs;
}

void build(QTextDocument &document, const std::vector<Run> &runs, const std::vector<QTextCharFormat> &f)
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

} // namespace

int main(int argc, char **argv)
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QGuiApplication app(argc, argv);
    if (argc == 3 && QByteArray(argv[1]) == "--load") {
        zv::loadDocument(QString::fromLocal8Bit(argv[2]), false);
        return 0;
    }
    QTemporaryDir dir;
    const std::vector<QTextCharFormat> f = formats();
    std::printf("%-8s %9s %8s %8s %8s %9s %9s %9s\n", "size", "runs", "floor s", "load s",
                "load/fl", "save s", "save MB/s", "peak MB");
    for (qint64 target : {100'000LL, 1'000'000LL, 10'000'000LL}) {
        const std::vector<Run> runs = generate(target);
        QTextDocument source;
        build(source, runs, f);
        const QString path = dir.filePath(QStringLiteral("doc.zvk"));
        {
            QFile out(path);
            out.open(QIODevice::WriteOnly);
            out.write(zv::rtf::writeRtf(source));
        }
        const qint64 fileSize = QFileInfo(path).size();

        QElapsedTimer t;
        t.start();
        QTextDocument floor;
        build(floor, runs, f);
        const double floorTime = seconds(t);

        t.restart();
        const std::unique_ptr<QTextDocument> loaded = zv::loadDocument(path, false);
        const double loadTime = seconds(t);

        t.restart();
        zv::saveDocument(*loaded, dir.filePath(QStringLiteral("saved.zvk")), false);
        const double saveTime = seconds(t);

        QProcess child;
        child.start(QCoreApplication::applicationFilePath(), {"--load", path});
        child.waitForFinished(-1);
        rusage usage{};
        getrusage(RUSAGE_CHILDREN, &usage); // the largest child so far: sizes grow
        std::printf("%-8lld %9zu %8.3f %8.3f %8.2f %9.3f %9.1f %9.1f\n", fileSize, runs.size(),
                    floorTime, loadTime, loadTime / floorTime, saveTime,
                    double(fileSize) / 1e6 / saveTime, double(usage.ru_maxrss) / 1024.0);
    }
    return 0;
}
