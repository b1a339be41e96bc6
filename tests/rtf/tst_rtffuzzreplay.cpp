// The fuzzer's seeds and findings replayed through the reader in the normal build: each input
// loads quickly, gives a document no larger than itself, and gives the same document every time.
#include "ProcessorTime.h"

#include "platform/files/DocumentStream.h"
#include "platform/rtf/RtfWriter.h"

#include <QDir>
#include <QFile>
#include <QTextDocument>
#include <QtTest>

class TestRtfFuzzReplay : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void everySeedAndFindingLoadsBoundedAndTheSameTwice_data()
    {
        QTest::addColumn<QString>("path");
        int inputs = 0;
        const QString source = qEnvironmentVariable("ZV_SOURCE_DIR");
        for (const QString &folder : {source + QStringLiteral("/tests/data/rtf"),
                 source + QStringLiteral("/fuzz/findings")}) {
            for (const QFileInfo &info : QDir(folder).entryInfoList(QDir::Files))
                if (!info.fileName().startsWith(QLatin1Char('.'))) {
                    QTest::newRow(qPrintable(info.fileName())) << info.filePath();
                    ++inputs;
                }
        }
        QVERIFY(inputs > 0);
    }

    void everySeedAndFindingLoadsBoundedAndTheSameTwice()
    {
        QFETCH(QString, path);
        QFile file(path);
        QVERIFY(file.open(QIODevice::ReadOnly));
        const QByteArray input = file.readAll();

        // Processor time, so that a busy machine cannot fail it; bench_rtf_hostile_inputs
        // reports the wall-clock figures.
        const double before = zv::test::processorMs();
        const std::unique_ptr<QTextDocument> first = zv::documentFromBytes(input, false);
        const double used = zv::test::processorMs() - before;
        QVERIFY2(used < 2000, qPrintable(QStringLiteral("%1 ms of processor time").arg(used)));
        QVERIFY(first);
        // Every character of a document costs at least one byte of RTF or of text.
        QVERIFY2(first->characterCount() <= input.size() + 1,
            qPrintable(QStringLiteral("%1 characters from %2 bytes")
                           .arg(first->characterCount())
                           .arg(input.size())));

        const std::unique_ptr<QTextDocument> second = zv::documentFromBytes(input, false);
        QCOMPARE(zv::documentBytes(*second), zv::documentBytes(*first));
        QCOMPARE(zv::rtf::writeRtf(*second), zv::rtf::writeRtf(*first));
    }
};

QTEST_MAIN(TestRtfFuzzReplay)
#include "tst_rtffuzzreplay.moc"
