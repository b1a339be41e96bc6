// Replays the fuzzer's corpus and findings through the reader in the normal build.
#include "platform/files/DocumentStream.h"

#include <QDir>
#include <QFile>
#include <QTextDocument>
#include <QtTest>

class TestRtfFuzzReplay : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void everyCorpusFileAndFindingLoads()
    {
        const QString fuzz = qEnvironmentVariable("ZV_SOURCE_DIR") + "/fuzz";
        int files = 0;
        for (const QString &folder : {QStringLiteral("corpus"), QStringLiteral("findings")}) {
            const QDir dir(fuzz + "/" + folder);
            for (const QFileInfo &info : dir.entryInfoList(QDir::Files)) {
                QFile file(info.filePath());
                QVERIFY(file.open(QIODevice::ReadOnly));
                QVERIFY2(zv::documentFromBytes(file.readAll(), false) != nullptr,
                         qPrintable(info.fileName()));
                ++files;
            }
        }
        QVERIFY(files > 0);
    }
};

QTEST_MAIN(TestRtfFuzzReplay)
#include "tst_rtffuzzreplay.moc"
