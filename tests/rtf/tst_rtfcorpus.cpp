// Real files from many writers: each loads in under a second of processor time, and its text
// agrees with the reference text beside it, except for the files listed below with the reason
// they differ.
#include "ProcessorTime.h"

#include "platform/files/DocumentFile.h"

#include <QDirIterator>
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

// Where we differ from the reference on purpose or for a known reason.
const QHash<QString, const char *> kKnownDifferences = {
    {QStringLiteral("abiword/fields.rtf"),
        "the reference recomputes date fields with today's date"},
    {QStringLiteral("r2rtf/page-number-dynamic.rtf"), "the reference computes the page field"},
    {QStringLiteral("docsharp/Special-chars.rtf"),
        "SYMBOL fields with an empty result: the reference draws the symbol from the instruction"},
    {QStringLiteral("rtf2latex2e/moreEqns.rtf"),
        "embedded equation objects: the reference leaves out their result text"},
    {QStringLiteral("rtfpipe/phprtflite-footnotes.rtf"),
        "footnote marks: we show the stored mark, the reference renumbers them"},
    {QStringLiteral("rtfpipe/Issue50-2.rtf"),
        "a malformed {*\\word group (no backslash before *): we show its text, the reference drops "
        "it"},
    {QStringLiteral("rtfpipe/Issue46.rtf"),
        "a Wingdings character: we keep the symbol, the reference shows the byte's letter"},
    {QStringLiteral("rtfpipe/rtf2xml-old3_from_web.rtf"),
        "Symbol font letters: we show the Greek letters, the reference drops them"},
    {QStringLiteral("rtfpipe/rtf2xml-symbol.rtf"),
        "Symbol font letters: we show the Greek letters, the reference drops them"},
    {QStringLiteral("rtfpipe/rtf2xml-ted_mixed_faces.rtf"),
        "Symbol font letters: we show the Greek letters, the reference drops them"},
    {QStringLiteral("tika/testRTFHyperlinkAndStyles.rtf"),
        "a 1252 quotation mark that the reference shows as a replacement character"},
};

} // namespace

class TestRtfCorpus : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void everyFileLoadsQuicklyAndAgreesWithTheReferenceUnlessKnown()
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
            const double before = zv::test::processorMs();
            const std::unique_ptr<QTextDocument> document = zv::loadDocument(path, false);
            const double used = zv::test::processorMs() - before;
            QVERIFY2(used < 1000,
                qPrintable(QStringLiteral("%1: %2 ms of processor time").arg(path).arg(used)));
            QFile reference(path.chopped(4) + ".lo.txt");
            if (!reference.open(QIODevice::ReadOnly))
                continue;
            ++compared;
            QString shown;
            for (QTextBlock block = document->begin(); block.isValid(); block = block.next())
                shown += block.text() + QLatin1Char('\n');
            const QString ours = comparable(shown);
            const QString theirs = comparable(QString::fromUtf8(reference.readAll()));
            const QString name = path.mid(root.size() + 1);
            if (ours == theirs) {
                if (kKnownDifferences.contains(name))
                    qInfo("agrees now, drop it from the known differences: %s", qPrintable(name));
            } else if (!kKnownDifferences.contains(name)) {
                disagreeing << name;
                int i = 0;
                while (i < ours.size() && i < theirs.size() && ours[i] == theirs[i])
                    ++i;
                qInfo("  ours: %s\n  lo  : %s", qPrintable(ours.mid(std::max(0, i - 30), 80)),
                    qPrintable(theirs.mid(std::max(0, i - 30), 80)));
            }
        }
        QVERIFY(compared > 0);
        QVERIFY2(disagreeing.isEmpty(),
            qPrintable(QStringLiteral("disagree with the reference: ") + disagreeing.join(u", ")));
    }
};

QTEST_MAIN(TestRtfCorpus)
#include "tst_rtfcorpus.moc"
