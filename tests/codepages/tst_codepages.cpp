// The code pages: each table against its source, and the choice of table for a font.
#include "platform/codepages/CodePage.h"

#include <QFile>
#include <QSet>
#include <QtTest>

#include <iconv.h>

using namespace zv;

namespace {

// Every table that forFont or forNumber can hand out, by a name for the test rows.
const CodePage *pageNamed(const QString &name)
{
    if (name == QLatin1String("Symbol"))
        return &CodePage::forFont(u"Symbol", kSymbolCharset);
    if (name == QLatin1String("Wingdings 2"))
        return &CodePage::forFont(u"Wingdings 2", kSymbolCharset);
    if (name == QLatin1String("Wingdings 3"))
        return &CodePage::forFont(u"Wingdings 3", kSymbolCharset);
    if (name == QLatin1String("fallback"))
        return &CodePage::forFont(u"Marlett", kSymbolCharset);
    return CodePage::forNumber(name.toInt());
}

const QStringList kTextPages = {"1252", "1250", "1251", "1253", "1254", "1255", "1256", "1257",
    "1258", "874", "10000", "437", "850"};

// code -> code points, from the facts in tests/data/codepages.
QHash<int, QList<uint>> readTsv(const QString &name)
{
    QHash<int, QList<uint>> rows;
    QFile file(
        qEnvironmentVariable("ZV_SOURCE_DIR") + QStringLiteral("/tests/data/codepages/") + name);
    if (!file.open(QIODevice::ReadOnly | QIODevice::Text))
        qFatal("cannot read %s", qPrintable(file.fileName()));
    bool header = false;
    while (!file.atEnd()) {
        const QByteArray line = file.readLine().trimmed();
        if (line.isEmpty() || line.startsWith('#'))
            continue;
        if (!header) {
            header = true;
            continue;
        }
        const QList<QByteArray> columns = line.split('\t');
        bool ok = false;
        const int code = columns.value(0).toInt(&ok, 16);
        if (!ok || columns.size() < 3)
            qFatal("bad row in %s: %s", qPrintable(name), line.constData());
        QList<uint> points;
        for (const QByteArray &u : columns.at(1).split(' '))
            points.append(u.toUInt(nullptr, 16));
        rows.insert(code, points);
    }
    return rows;
}

} // namespace

class TestCodePages : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void everyByteRoundTripsThroughAnInjectiveBmpTable_data()
    {
        QTest::addColumn<QString>("page");
        for (const char *name : {"Symbol", "Wingdings 2", "Wingdings 3", "fallback"})
            QTest::newRow(name) << QString::fromLatin1(name);
        for (const QString &number : kTextPages)
            QTest::newRow(qPrintable(number)) << number;
    }

    void everyByteRoundTripsThroughAnInjectiveBmpTable()
    {
        QFETCH(QString, page);
        const CodePage *p = pageNamed(page);
        QVERIFY(p);
        QByteArray all(256, Qt::Uninitialized);
        QSet<char16_t> seen;
        for (int b = 0; b < 256; ++b) {
            all[b] = char(b);
            const char16_t u = p->toUnicode(uchar(b));
            QVERIFY2(!QChar::isSurrogate(u), qPrintable(QString::number(b, 16)));
            QVERIFY2(u != 0xFFFD && u != 0xFFFE && u != 0xFFFF, qPrintable(QString::number(b, 16)));
            seen.insert(u);
            QCOMPARE(p->fromUnicode(u), b);
        }
        QCOMPARE(seen.size(), 256);
        const QString text = p->decode(all);
        QCOMPARE(text.size(), 256);
        QCOMPARE(p->encode(text), all);
    }

    void symbolTablesAgreeWithTheSharedData_data()
    {
        QTest::addColumn<QString>("file");
        QTest::addColumn<QString>("face");
        QTest::newRow("Symbol") << "symbol.tsv"
                                << "Symbol";
        QTest::newRow("Wingdings 2") << "wingdings2.tsv"
                                     << "Wingdings 2";
        QTest::newRow("Wingdings 3") << "wingdings3.tsv"
                                     << "Wingdings 3";
    }

    void symbolTablesAgreeWithTheSharedData()
    {
        QFETCH(QString, file);
        QFETCH(QString, face);
        const QHash<int, QList<uint>> rows = readTsv(file);
        QCOMPARE(rows.size(), 0x100 - 0x20);
        // Two palette arrows of Wingdings 3 lie outside the BMP; their BMP twins are free there.
        QHash<int, char16_t> overrides;
        if (face == QLatin1String("Wingdings 3"))
            overrides = {{0x6E, u'↔'}, {0x66, u'←'}};
        const CodePage &page = CodePage::forFont(face, kSymbolCharset);
        for (int b = 0; b < 256; ++b) {
            const QList<uint> points = rows.value(b);
            char16_t expected = char16_t(0xF000 + b);
            if (overrides.contains(b))
                expected = overrides.value(b);
            else if (points.size() == 1 && points.first() <= 0xFFFF)
                expected = char16_t(points.first());
            QVERIFY2(page.toUnicode(uchar(b)) == expected,
                qPrintable(QStringLiteral("%1 byte %2: %3, expected %4")
                               .arg(face)
                               .arg(b, 2, 16)
                               .arg(uint(page.toUnicode(uchar(b))), 4, 16)
                               .arg(uint(expected), 4, 16)));
        }
    }

    void cp1252AgreesWithItsSharedTableAndIsLatin1Elsewhere()
    {
        const QHash<int, QList<uint>> high = readTsv(QStringLiteral("cp1252-high.tsv"));
        QCOMPARE(high.size(), 32);
        const CodePage &page = CodePage::windows1252();
        for (int b = 0; b < 256; ++b) {
            const uint expected = (b >= 0x80 && b < 0xA0) ? high.value(b).value(0) : uint(b);
            QCOMPARE(uint(page.toUnicode(uchar(b))), expected);
        }
        QCOMPARE(&CodePage::forCharset(kAnsiCharset), &page);
        QCOMPARE(&CodePage::forCharset(kDefaultCharset), &page);
    }

    void textPagesAgreeWithTheSystemConverter_data()
    {
        QTest::addColumn<int>("number");
        QTest::addColumn<QByteArray>("iconvName");
        const std::pair<int, const char *> pages[] = {{1250, "CP1250"}, {1251, "CP1251"},
            {1253, "CP1253"}, {1254, "CP1254"}, {1255, "CP1255"}, {1256, "CP1256"},
            {1257, "CP1257"}, {874, "CP874"}, {10000, "MACINTOSH"}, {437, "CP437"}, {850, "CP850"}};
        for (const auto &[number, name] : pages)
            QTest::newRow(name) << number << QByteArray(name);
    }

    void textPagesAgreeWithTheSystemConverter()
    {
        QFETCH(int, number);
        QFETCH(QByteArray, iconvName);
        iconv_t cd = iconv_open("UTF-16LE", iconvName.constData());
        if (cd == iconv_t(-1))
            QSKIP("the C library has no converter for this code page");
        const CodePage *page = CodePage::forNumber(number);
        QVERIFY(page);
        // The C library keeps Apple's older Roman table at two codes; ours is Apple's current one.
        QHash<int, char16_t> newer;
        if (number == 10000)
            newer = {{0xC6, u'∆'}, {0xF0, char16_t(0xF8FF)}};
        int compared = 0;
        for (int b = 0; b < 256; ++b) {
            char in = char(b);
            char16_t out[4] = {};
            char *src = &in;
            char *dst = reinterpret_cast<char *>(out);
            size_t inLeft = 1, outLeft = sizeof out;
            iconv(cd, nullptr, nullptr, nullptr, nullptr);
            const size_t n = iconv(cd, &src, &inLeft, &dst, &outLeft);
            iconv(cd, nullptr, nullptr, &dst, &outLeft); // flushes a held base letter
            const size_t units = (sizeof out - outLeft) / 2;
            // A byte the code page leaves undefined shows as U+F000+byte.
            char16_t expected = (n == size_t(-1) || units != 1) ? char16_t(0xF000 + b) : out[0];
            expected = newer.value(b, expected);
            if (units == 1 && expected == out[0])
                ++compared;
            QVERIFY2(page->toUnicode(uchar(b)) == expected,
                qPrintable(QStringLiteral("byte %1: %2, converter %3")
                               .arg(b, 2, 16)
                               .arg(uint(page->toUnicode(uchar(b))), 4, 16)
                               .arg(uint(expected), 4, 16)));
        }
        iconv_close(cd);
        QVERIFY(compared > 200);
    }

    void characterSetsNameTheirCodePages_data()
    {
        QTest::addColumn<int>("charset");
        QTest::addColumn<int>("number");
        const std::pair<int, int> rows[] = {{0, 1252}, {1, 1252}, {2, 0}, {77, 10000}, {78, 10001},
            {79, 10003}, {80, 10008}, {81, 10002}, {128, 932}, {134, 936}, {161, 1253}, {177, 1255},
            {204, 1251}, {238, 1250}, {255, 850}, {3, -1}, {76, -1}, {82, -1}};
        for (const auto &[charset, number] : rows)
            QTest::newRow(qPrintable(QString::number(charset))) << charset << number;
    }

    void characterSetsNameTheirCodePages()
    {
        QFETCH(int, charset);
        QFETCH(int, number);
        QCOMPARE(CodePage::numberForCharset(charset), number);
        // A set without a baked table draws through 1252.
        const CodePage *baked = CodePage::forNumber(number);
        QCOMPARE(&CodePage::forCharset(charset), baked ? baked : &CodePage::windows1252());
    }

    void fontsPickTheirTableByFaceThenBySymbolCharset_data()
    {
        QTest::addColumn<QString>("face");
        QTest::addColumn<int>("charset");
        QTest::addColumn<int>("byte");
        QTest::addColumn<QString>("shown");
        QTest::addColumn<bool>("symbol");
        QTest::newRow("Symbol under ANSI") << "Symbol" << 0 << 0x22 << "∀" << true;
        QTest::newRow("Symbol in any case") << "sYmBoL" << 2 << 0xDE << "⇒" << true;
        QTest::newRow("Wingdings 2 under ANSI") << "Wingdings 2" << 0 << 0xA3 << "□" << true;
        QTest::newRow("Wingdings 3 arrow") << "Wingdings 3" << 2 << 0x6E << "↔" << true;
        QTest::newRow("other symbol font") << "Webdings" << 2 << 0x41 << "\uF041" << true;
        QTest::newRow("symbol font under ANSI") << "Wingdings" << 0 << 0xD6 << "Ö" << false;
        QTest::newRow("text face after the turnstile") << "Verdana" << 2 << 0x41 << "A" << false;
        QTest::newRow("Cyrillic") << "Arial" << 204 << 0xC4 << "Д" << false;
        QTest::newRow("unknown set") << "Arial" << 99 << 0x80 << "€" << false;
    }

    void fontsPickTheirTableByFaceThenBySymbolCharset()
    {
        QFETCH(QString, face);
        QFETCH(int, charset);
        QFETCH(int, byte);
        QFETCH(QString, shown);
        QFETCH(bool, symbol);
        const CodePage &page = CodePage::forFont(face, charset);
        QCOMPARE(QString(QChar(page.toUnicode(uchar(byte)))), shown);
        QCOMPARE(page.isSymbol(), symbol);
    }

    void charactersWithoutAByteBecomeTheFallback()
    {
        const CodePage &page = CodePage::windows1252();
        QCOMPARE(page.fromUnicode(u'∀'), -1);
        QCOMPARE(page.encode(QString::fromUtf8("a∀é中")), QByteArray("a?\xE9?"));
        QCOMPARE(page.encode(QString::fromUtf8("∀"), '#'), QByteArray("#"));
        QCOMPARE(CodePage::forFont(u"Symbol", 2).fromUnicode(u'a'), -1);
    }
};

QTEST_MAIN(TestCodePages)
#include "tst_codepages.moc"
