// The rich-text control's lines: paragraphs without wrap, laid-out lines with it, also while the
// control is hidden; appending under the text limit; copying another control's lines.

#include "platform/codepages/CodePage.h"
#include "platform/errors/PlatformError.h"
#include "platform/format/TextFormat.h"
#include "platform/richedit/RichEdit.h"

#include <QTextBlock>
#include <QtTest>

#include <memory>

namespace {

QByteArrayList lines(const zv::RichEdit &edit)
{
    QByteArrayList out;
    for (int i = 0; i < edit.lineCount(); ++i)
        out << edit.line(i);
    return out;
}

QByteArray words(int count)
{
    QByteArray text;
    for (int i = 0; i < count; ++i)
        text += "palabra" + QByteArray::number(i) + ' ';
    return text;
}

} // namespace

class RichEditLinesTest : public QObject
{
    Q_OBJECT

private:
    std::unique_ptr<QWidget> m_window;
    zv::RichEdit *m_plain = nullptr;   // no wrap, like RichEdit1
    zv::RichEdit *m_wrapped = nullptr; // hidden, fixed wrap width, like RichEdit2

private Q_SLOTS:
    void init()
    {
        m_window = std::make_unique<QWidget>();
        m_plain = new zv::RichEdit(m_window.get());
        m_plain->setLineWrapMode(QTextEdit::NoWrap);
        m_wrapped = new zv::RichEdit(m_window.get());
        m_wrapped->setFont(QFont(QStringLiteral("MS Sans Serif"), 8));
        m_wrapped->setLineWrapMode(QTextEdit::FixedPixelWidth);
        m_wrapped->setLineWrapColumnOrWidth(300);
        m_wrapped->setFixedWidth(300);
        m_wrapped->hide();
    }

    void cleanup() { m_window.reset(); }

    void linesOfAControlWithoutWrapAreItsParagraphs_data()
    {
        QTest::addColumn<QByteArray>("text");
        QTest::addColumn<QByteArrayList>("expected");
        QTest::newRow("empty") << QByteArray() << QByteArrayList{};
        QTest::newRow("one") << QByteArray("p") << QByteArrayList{"p"};
        QTest::newRow("final break left out")
            << QByteArray("p\r\nq\r\n") << QByteArrayList{"p", "q"};
        QTest::newRow("only the last empty line is left out")
            << QByteArray("\r\np\r\n\r\n\r\n") << QByteArrayList{"", "p", "", ""};
        QTest::newRow("a long line stays whole") << words(400) << QByteArrayList{words(400)};
    }

    void linesOfAControlWithoutWrapAreItsParagraphs()
    {
        QFETCH(QByteArray, text);
        QFETCH(QByteArrayList, expected);
        m_plain->replaceSel(text);
        QCOMPARE(lines(*m_plain), expected);
        QCOMPARE(m_plain->line(expected.size() + 1), QByteArray());
        QCOMPARE(m_plain->line(-1), QByteArray());
    }

    void softBreaksEndLinesWithOrWithoutWrap()
    {
        for (zv::RichEdit *edit : {m_plain, m_wrapped}) {
            QTextCursor(edit->document())
                .insertText(QStringLiteral("uno\u2028dos\vtres\u2028\u2028"));
            QCOMPARE(lines(*edit), (QByteArrayList{"uno", "dos", "tres", ""}));
            QCOMPARE(edit->bytes(), QByteArray("uno\vdos\vtres\v\v"));
        }
    }

    void lineReadsEachCharacterThroughItsFont()
    {
        m_plain->replaceSel("a ");
        m_plain->setSelFaceName(QStringLiteral("Symbol"));
        m_plain->setSelCharset(zv::kSymbolCharset);
        m_plain->replaceSel("\xF7\x3D\x22");
        m_plain->setSelFaceName(QStringLiteral("Verdana"));
        m_plain->setSelCharset(zv::kAnsiCharset);
        m_plain->replaceSel(" \xAC"
                            "b");
        QCOMPARE(lines(*m_plain),
            QByteArrayList{"a \xF7\x3D\x22 \xAC"
                           "b"});
    }

    void hiddenWrappingControlIsLaidOutAtItsWidth()
    {
        const QByteArray text = words(60);
        m_wrapped->appendLine(text);
        m_wrapped->appendLine("fin");
        QVERIFY(!m_wrapped->isVisible());
        const QByteArrayList narrow = lines(*m_wrapped);
        QVERIFY2(narrow.size() > 4, qPrintable(QString::number(narrow.size())));
        QCOMPARE(narrow.last(), QByteArray("fin"));
        // The wrap keeps every character, the blank where it breaks included.
        QCOMPARE(QByteArrayList(narrow.mid(0, narrow.size() - 1)).join(), text);
        for (int i = 0; i + 2 < narrow.size(); ++i)
            QVERIFY2(narrow[i].endsWith(' '), narrow[i].constData());

        // A new width or font lays the same text out anew.
        m_wrapped->setLineWrapColumnOrWidth(600);
        const int wider = m_wrapped->lineCount();
        QVERIFY2(wider < narrow.size(), qPrintable(QString::number(wider)));
        m_wrapped->setFont(QFont(QStringLiteral("MS Sans Serif"), 20));
        QVERIFY(m_wrapped->lineCount() > wider);
        QCOMPARE(QByteArrayList(lines(*m_wrapped).mid(0, m_wrapped->lineCount() - 1)).join(), text);
    }

    void appendLineStopsAtTheTextLimit()
    {
        m_wrapped->setTextLimit(10);
        m_wrapped->appendLine("12345"); // 6 positions with its break
        m_wrapped->appendLine("123");   // exactly 10
        QCOMPARE(m_wrapped->document()->characterCount() - 1, 10);
        try {
            m_wrapped->appendLine("");
            QFAIL("no error past the limit");
        } catch (const zv::EPlatformError &e) {
            QCOMPARE(e.message(), QStringLiteral("RichEdit line insertion error"));
        }
        QCOMPARE(lines(*m_wrapped), (QByteArrayList{"12345", "123"}));
    }

    void copyLinesFromReplacesContentAndDropsFormatting()
    {
        m_wrapped->appendLine("viejo");
        m_plain->setSelStyle(zv::fmt::Bold | zv::fmt::Underline);
        m_plain->setSelColor(Qt::red);
        m_plain->replaceSel("p V q\r\n\r\n");
        m_plain->setSelFaceName(QStringLiteral("Symbol"));
        m_plain->setSelCharset(zv::kSymbolCharset);
        m_plain->replaceSel("\xF7\x2D");

        m_wrapped->copyLinesFrom(*m_plain);
        QCOMPARE(lines(*m_wrapped), (QByteArrayList{"p V q", "", "\xF7\x2D"}));
        QCOMPARE(m_wrapped->bytes(), QByteArray("p V q\r\n\r\n\xF7\x2D\r\n"));
        for (QTextBlock block = m_wrapped->document()->begin(); block.isValid();
             block = block.next())
            for (auto it = block.begin(); !it.atEnd(); ++it) {
                const QTextCharFormat format = it.fragment().charFormat();
                QCOMPARE(zv::style(format), 0);
                QVERIFY(!zv::color(format).isValid());
                QVERIFY(!format.hasProperty(zv::fmt::FaceName));
            }
    }

    void copyPastTheLimitKeepsWhatFitted()
    {
        m_wrapped->setTextLimit(8);
        m_plain->replaceSel("abc\r\ndef\r\nghi");
        QVERIFY_THROWS_EXCEPTION(zv::EPlatformError, m_wrapped->copyLinesFrom(*m_plain));
        QCOMPARE(lines(*m_wrapped), (QByteArrayList{"abc", "def"}));
    }
};

QTEST_MAIN(RichEditLinesTest)
#include "tst_richeditlines.moc"
