// The RTF reader on tiny files named after what they exercise, and round trips through the
// writer that check every character property after the load and again after save-and-reload.
#include "platform/codepages/CodePage.h"
#include "platform/files/DocumentStream.h"
#include "platform/format/TextFormat.h"
#include "platform/rtf/RtfReader.h"
#include "platform/rtf/RtfWriter.h"

#include <QFile>
#include <QTextBlock>
#include <QTextCursor>
#include <QTextDocument>
#include <QtTest>

using namespace zv;

namespace {

QByteArray dataFile(const QString &name)
{
    QFile file(qEnvironmentVariable("ZV_SOURCE_DIR") + "/tests/data/rtf/" + name);
    if (!file.open(QIODevice::ReadOnly))
        qFatal("missing test file %s", qPrintable(name));
    return file.readAll();
}

QTextCharFormat formatAt(const QTextDocument &document, int position)
{
    QTextCursor cursor(const_cast<QTextDocument *>(&document));
    cursor.setPosition(position + 1);
    return cursor.charFormat();
}

struct Run
{
    QString text;
    QString face;
    int charset;
    int points;
    unsigned char style;
    QColor color;
};

// One character per entry: what the reader must give back for each character of a document.
QList<std::tuple<QChar, QString, int, int, int, QRgb>> properties(const QTextDocument &document)
{
    QList<std::tuple<QChar, QString, int, int, int, QRgb>> out;
    const QString text = document.toPlainText();
    for (int i = 0; i < text.size(); ++i) {
        const QTextCharFormat f = formatAt(document, i);
        const QColor c = color(f);
        out.append({text.at(i), faceName(f), charset(f), pointSize(f), style(f),
            c.isValid() ? c.rgb() : 0});
    }
    return out;
}

} // namespace

class TestRtfReader : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void tinyFilesReadAsExpected_data()
    {
        QTest::addColumn<QString>("file");
        QTest::addColumn<bool>("isRtf");
        QTest::addColumn<QString>("text");
        QTest::newRow("stray brace ends the document")
            << "stray-close-brace.rtf" << true << "before";
        QTest::newRow("10,000 nested groups are refused")
            << "deep-nesting-10000.rtf" << false << "";
        QTest::newRow("truncated hex keeps the text before it")
            << "truncated-hex.rtf" << true << "caf";
        QTest::newRow("oversized bin ends the input") << "oversized-bin.rtf" << true << "before";
        QTest::newRow("40-letter control word is refused")
            << "long-control-word.rtf" << false << "";
        QTest::newRow("uc2 skips two fallback bytes")
            << "unicode-skip-2.rtf" << true << QString::fromUtf8("a∀b∃c");
        QTest::newRow("negative u is a 16-bit code")
            << "negative-unicode.rtf" << true << QString::fromUtf8("x\uF062y\uFEFFz");
        QTest::newRow("U+F022 under Symbol is its symbol")
            << "symbol-f022.rtf" << true << QString::fromUtf8("a∀b");
        QTest::newRow("hex decodes by the font's code page")
            << "hex-1250-1251-1253.rtf" << true << QString::fromUtf8("řšжДαΩ");
        QTest::newRow("bin data may hold braces") << "bin-with-braces.rtf" << true << "ab";
        QTest::newRow("one hex digit is no byte")
            << "one-digit-hex.rtf" << true << QString::fromUtf8("xyé");
        QTest::newRow("UTF-8 byte-order mark before RTF")
            << "utf8-bom.rtf" << true << QString::fromUtf8("café");
    }

    void tinyFilesReadAsExpected()
    {
        QFETCH(QString, file);
        QFETCH(bool, isRtf);
        QFETCH(QString, text);
        const QByteArray bytes = dataFile(file);
        QTextDocument document;
        QCOMPARE(rtf::readRtf(bytes, document), isRtf);
        const std::unique_ptr<QTextDocument> loaded = documentFromBytes(bytes, false);
        // A refused file is shown as plain text, source and all.
        QCOMPARE(loaded->toPlainText(), isRtf ? text : CodePage::windows1252().decode(bytes));
    }

    void charactersCarryTheirFontAndByte()
    {
        std::unique_ptr<QTextDocument> document
            = documentFromBytes(dataFile("symbol-f022.rtf"), false);
        const QTextCharFormat symbol = formatAt(*document, 1);
        QCOMPARE(faceName(symbol), QStringLiteral("Symbol"));
        QCOMPARE(charset(symbol), int(kSymbolCharset));
        QCOMPARE(codePage(symbol).fromUnicode(u'∀'), 0x22);
        QCOMPARE(faceName(formatAt(*document, 0)), QStringLiteral("Verdana"));

        document = documentFromBytes(dataFile("hex-1250-1251-1253.rtf"), false);
        QCOMPARE(charset(formatAt(*document, 0)), 238);
        QCOMPARE(charset(formatAt(*document, 2)), 204);
        QCOMPARE(charset(formatAt(*document, 4)), 161);
        QCOMPARE(codePage(formatAt(*document, 0)).fromUnicode(u'ř'), 0xF8);
    }

    void fontsWithoutCharsetKeepTheDefaultAndSymbolFacesStillDrawSymbols()
    {
        const std::unique_ptr<QTextDocument> document
            = documentFromBytes("{\\rtf1\\ansi{\\fonttbl{\\f0 Symbol;}{\\f1\\fcharset2 Verdana;}"
                                "{\\f2\\fcharset2 Webdings;}}\\f0\\'22\\f1\\'41\\f2\\'41}",
                false);
        QCOMPARE(document->toPlainText(), QString::fromUtf8("∀A\uF041"));
        QCOMPARE(charset(formatAt(*document, 0)), int(kAnsiCharset));
        QCOMPARE(charset(formatAt(*document, 1)), int(kSymbolCharset));
        QCOMPARE(documentBytes(*document), QByteArray("\x22\x41\x41"));
    }

    void macintoshJapaneseFontReadsThroughItsDoubleByteCodePage()
    {
        if (!QStringDecoder("Shift_JIS").isValid())
            QSKIP("Qt was built without a Shift_JIS converter");
        const std::unique_ptr<QTextDocument> document = documentFromBytes(
            "{\\rtf1\\mac{\\fonttbl{\\f0\\fcharset78 Osaka;}}\\f0 a\\'82\\'a0b}", false);
        QCOMPARE(document->toPlainText(), QString::fromUtf8("aあb"));
        QCOMPARE(charset(formatAt(*document, 1)), 78);
        QVERIFY(rtf::writeRtf(*document).contains("\\fcharset78 Osaka;"));
    }

    void plainTextFallbackEndsLinesAtCrLfAndReadsWindows1252()
    {
        const std::unique_ptr<QTextDocument> document
            = documentFromBytes("one\r\ntwo\rthree\nqu\xe9", false);
        QCOMPARE(document->blockCount(), 4);
        QCOMPARE(document->toPlainText(), QString::fromUtf8("one\ntwo\nthree\nqué"));
        QVERIFY(!formatAt(*document, 0).hasProperty(fmt::FaceName));
    }

    void roundTripKeepsFontsCharsetsSizesColoursStylesAndText()
    {
        const QList<Run> runs = {
            {"Hola ", "Verdana", 0, 10, 0, {}},
            {"mundo \\{}", "Verdana", 0, 12, fmt::Bold | fmt::Italic, QColor(200, 0, 0)},
            {QString::fromUtf8("∀∃¬"), "Symbol", 2, 14, 0, {}},
            // ⇒ as the palette leaves it, and text typed after ⊨: both keep their sets.
            {QString::fromUtf8("⇒"), "Symbol", 0, 14, 0, {}},
            {QString::fromUtf8("pq"), "Verdana", 2, 10, 0, {}},
            {QString::fromUtf8("Ö"), "Wingdings", 0, 10, 0, {}},
            {QString::fromUtf8("⇔"), "Wingdings 3", 2, 10, fmt::Underline, QColor(0, 0, 255)},
            {QString::fromUtf8("\uF041"), "Marlett", 2, 10, 0, {}},
            {QString::fromUtf8("řŠ"), "Arial CE", 238, 9, fmt::StrikeOut, {}},
            {QString::fromUtf8("€é\t中\u2028x\n"), "Verdana", 0, 10, 0, QColor(0, 128, 0)},
            {"last", "Courier New", 0, 20, fmt::Underline | fmt::Bold, {}},
            // A turnstile pair between lone lead bytes; control characters from a text file; a
            // face named outside Windows-1252.
            {CodePage::forFont(u"Symbol", 2).decode("\xF7\xF7\x2D\xF7\x3D\xF7"), "Symbol", 2, 10, 0,
                {}},
            {QString::fromUtf8("\x0c\x1b\x01"), "Verdana", 0, 10, 0, {}},
            {QString::fromUtf8("ж"), QString::fromUtf8("Шрифт"), 204, 10, 0, {}},
        };
        QTextDocument original;
        QTextCursor cursor(&original);
        for (const Run &run : runs) {
            QTextCharFormat f;
            setCharset(f, run.charset);
            setFaceName(f, run.face);
            setPointSize(f, run.points);
            setStyle(f, run.style);
            setColor(f, run.color);
            cursor.insertText(run.text, f);
        }

        const QByteArray written = rtf::writeRtf(original);
        QVERIFY(written.startsWith("{\\rtf1\\ansi\\ansicpg1252\\deff0{\\fonttbl"));
        QVERIFY(written.contains("\\fcharset2 Symbol;"));
        QVERIFY(written.contains("\\fcharset0 Symbol;"));
        // Other readers take the text face's bytes as letters; ours reads its set from the mark.
        QVERIFY(written.contains("\\fcharset0{\\*\\zvcharset2}Verdana;"));
        QVERIFY(written.contains("\\u9119\\'f7{\\uc2\\u8866\\'f7\\'2d}"
                                 "{\\uc2\\u8872\\'f7\\'3d}\\u9119\\'f7"));
        QVERIFY(written.contains(
            "\\u8704\\'22")); // ∀: Unicode for readers that know it, byte for the rest
        QVERIFY(written.contains("\\'80\\'e9")); // € é in Windows-1252
        QVERIFY(written.contains("\\u20013?"));  // 中 has no byte
        QVERIFY(!written.contains("\\cb") && !written.contains("\\highlight"));

        QTextDocument loaded;
        QVERIFY(rtf::readRtf(written, loaded));
        QCOMPARE(loaded.toPlainText(), original.toPlainText());
        QCOMPARE(properties(loaded), properties(original));

        QCOMPARE(documentBytes(loaded), documentBytes(original));
        QVERIFY(documentBytes(loaded).endsWith("\xF7\xF7\x2D\xF7\x3D\xF7\x0c\x1b\x01\xe6"));

        const QByteArray again = rtf::writeRtf(loaded);
        QCOMPARE(again, written);
        QTextDocument reloaded;
        QVERIFY(rtf::readRtf(again, reloaded));
        QCOMPARE(properties(reloaded), properties(original));
    }

    void controlWordsOfEverydayFilesAreUnderstood()
    {
        const QByteArray rtf
            = "{\\rtf1\\ansi\\deff0{\\fonttbl{\\f0\\fswiss "
              "Arial;}}{\\colortbl;\\red255\\green0\\blue0;}"
              "{\\stylesheet{\\s1 Heading;}}{\\info{\\title T}}{\\*\\generator X;}"
              "\\pard\\plain\\fs20 a\\tab b\\line c\\~d\\_e\\emdash\\bullet{\\cf1\\b\\ul "
              "x}\\ulnone\\b0 y"
              "{\\*\\unknown z}{\\pict 0123}{\\object{\\*\\objdata 00}}{\\header h}\\par"
              "{\\field{\\*\\fldinst HYPERLINK \"u\"}{\\fldrslt link}}\\'e9\\par}";
        const std::unique_ptr<QTextDocument> document = documentFromBytes(rtf, false);
        QStringList blocks;
        for (QTextBlock block = document->begin(); block.isValid(); block = block.next())
            blocks << block.text();
        QCOMPARE(blocks,
            QStringList({QString::fromUtf8("a\tb\u2028c\u00A0d\u2011e—•xy"),
                QString::fromUtf8("linké"), QString()}));
        const QTextCharFormat x = formatAt(*document, 11);
        QCOMPARE(style(x), (unsigned char)(fmt::Bold | fmt::Underline));
        QCOMPARE(color(x), QColor(255, 0, 0));
        QCOMPARE(pointSize(formatAt(*document, 0)), 10);
        QVERIFY(!color(formatAt(*document, 0)).isValid());
    }
};

QTEST_MAIN(TestRtfReader)
#include "tst_rtfreader.moc"
