// Real files from many writers: each loads in under a second, and its text agrees with the
// reference text beside it for at least 90 % of the files.
#include "platform/files/DocumentFile.h"

#include <QDirIterator>
#include <QElapsedTimer>
#include <QFile>
#include <QRegularExpression>
#include <QTextBlock>
#include <QTextDocument>
#include <QtTest>

namespace {

// Each reader numbers lists and draws bullets its own way, so a label at the start of a
// paragraph is not compared; then white space is folded.
QString comparable(QString text)
{
    static const QRegularExpression label(QString::fromUtf8(
        "^\\s*(?:(?:[0-9]+(?:\\.[0-9]+)*[.)]|[ivxlcdmIVXLCDM]+[.)]|[A-Za-z][.)]|o)(?=\\s|$)"
        "|[\u2022\u2023\u2043\u2219\u00b7\u2013\u2014*\u25a0-\u27bf\ue000-\uf8ff-])\\s*"));
    text.remove(QChar(0xFEFF));
    text.replace(QChar::LineSeparator, QLatin1Char('\n'));
    text.replace(QLatin1Char('\r'), QLatin1Char('\n'));
    QStringList lines = text.split(QLatin1Char('\n'));
    for (QString &line : lines)
        line.remove(label);
    return lines.join(QLatin1Char(' ')).simplified();
}

} // namespace

class TestRtfCorpus : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void everyFileLoadsQuicklyAndMostAgreeWithTheReference()
    {
        const QString root = qEnvironmentVariable("ZV_SHARED_DIR") + "/corpus/rtf";
        if (!QFileInfo(root).isDir())
            QSKIP("the RTF corpus is not here");
        int compared = 0;
        QStringList disagreeing;
        QDirIterator it(root, {"*.rtf"}, QDir::Files, QDirIterator::Subdirectories);
        QStringList files;
        while (it.hasNext())
            files << it.next();
        files.sort();
        QVERIFY(!files.isEmpty());
        for (const QString &path : files) {
            QElapsedTimer timer;
            timer.start();
            const std::unique_ptr<QTextDocument> document = zv::loadDocument(path, false);
            QVERIFY2(timer.elapsed() < 1000, qPrintable(path));
            QFile reference(path.chopped(4) + ".lo.txt");
            if (!reference.open(QIODevice::ReadOnly))
                continue;
            ++compared;
            QString shown;
            for (QTextBlock block = document->begin(); block.isValid(); block = block.next())
                shown += block.text() + QLatin1Char('\n');
            const QString ours = comparable(shown);
            const QString theirs = comparable(QString::fromUtf8(reference.readAll()));
            if (ours != theirs) {
                disagreeing << path.mid(root.size() + 1);
                int i = 0;
                while (i < ours.size() && i < theirs.size() && ours[i] == theirs[i])
                    ++i;
                qInfo("  ours: %s\n  lo  : %s", qPrintable(ours.mid(std::max(0, i - 30), 80)),
                      qPrintable(theirs.mid(std::max(0, i - 30), 80)));
            }
        }
        for (const QString &name : disagreeing)
            qInfo("disagrees with the reference: %s", qPrintable(name));
        qInfo("%d of %d files agree", int(compared - disagreeing.size()), compared);
        QVERIFY(compared > 0);
        QVERIFY((compared - disagreeing.size()) * 10 >= compared * 9);
    }
};

QTEST_MAIN(TestRtfCorpus)
#include "tst_rtfcorpus.moc"
