// The symbol palette and the two editing modes, driven through the real buttons.

#include "Unit1.h"

#include "FakeDialogs.h"
#include "MainWindowFixture.h"

#include "platform/codepages/CodePage.h"
#include "platform/app/Application.h"
#include "platform/richedit/RichEdit.h"
#include "platform/format/TextFormat.h"
#include "platform/widgets/SpeedButton.h"

#include <QAction>
#include <QFontMetrics>
#include <QTemporaryDir>
#include <QTest>
#include <QTextBlock>

using namespace zv;

namespace {

// The palette as the user meets it, written out here rather than read from the code's table:
// button, toolbar position, the bytes it inserts, their font, whether it sets character set 2.
struct Expected
{
    int number;
    int left;
    QByteArray bytes;
    QString font;
    bool charsetTwo;
};

const Expected kExpected[17] = {
    {3, 288, "\xAC", QStringLiteral("Verdana"), false},
    {17, 312, "V", QStringLiteral("Verdana"), false},
    {18, 336, "&", QStringLiteral("Verdana"), false},
    {4, 360, "->", QStringLiteral("Verdana"), false},
    {6, 384, "n", QStringLiteral("Wingdings 3"), false},
    {5, 408, "f", QStringLiteral("Wingdings 3"), true},
    {1, 432, "\x22", QStringLiteral("Symbol"), false},
    {2, 456, "$", QStringLiteral("Symbol"), false},
    {20, 480, "\xBA", QStringLiteral("Symbol"), false},
    {16, 504, "T", QStringLiteral("Verdana"), false},
    {19, 528, "^", QStringLiteral("Symbol"), false},
    {7, 552, "\xA3", QStringLiteral("Wingdings 2"), false},
    {8, 576, "\xAF", QStringLiteral("Wingdings 2"), false},
    {22, 600, "\xF7=", QStringLiteral("Symbol"), true},
    {23, 624, "\xF7-", QStringLiteral("Symbol"), true},
    {21, 648, "\xDE", QStringLiteral("Symbol"), false},
    {15, 672, "\xDB", QStringLiteral("Symbol"), false},
};

// Face name and character set of the character at @p position.
QTextCharFormat formatAt(const RichEdit *edit, int position)
{
    QTextCursor cursor(edit->document());
    cursor.setPosition(position + 1);
    return cursor.charFormat();
}

} // namespace

class TestPalette : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void initTestCase()
    {
        // The marker keeps the first-run registration out of these tests.
        QVERIFY(test::useMarkedExeFolder(m_exeFolder));
    }

    void init()
    {
        m_dialogs = std::make_unique<test::FakeDialogs>();
        m_form = test::shownMainWindow();
        QVERIFY(m_form);
        m_edit = m_form->RichEdit1;
    }

    void cleanup()
    {
        QVERIFY2(m_dialogs->errors().isEmpty(), qPrintable(m_dialogs->errors().join('\n')));
        m_form.reset();
        m_dialogs.reset();
    }

    void everyButtonInsertsItsBytesInItsFontAndMovesTheCaret_data()
    {
        QTest::addColumn<int>("index");
        for (int i = 0; i < 17; ++i)
            QTest::addRow("SpeedButton%d", kExpected[i].number) << i;
    }

    void everyButtonInsertsItsBytesInItsFontAndMovesTheCaret()
    {
        QFETCH(int, index);
        const Expected &row = kExpected[index];

        QTest::mouseClick(m_form->speedButton(row.number), Qt::LeftButton);

        QCOMPARE(m_edit->bytes(), row.bytes);
        QCOMPARE(m_edit->selStart(), row.bytes.size());
        QCOMPARE(m_edit->selLength(), 0);
        for (int i = 0; i < row.bytes.size(); ++i) {
            QCOMPARE(faceName(formatAt(m_edit, i)), row.font);
            QCOMPARE(charset(formatAt(m_edit, i)), row.charsetTwo ? int(kSymbolCharset) : int(kAnsiCharset));
        }
        QCOMPARE(m_edit->selFaceName(), QStringLiteral("Verdana"));
        QCOMPARE(m_edit->selCharset(), row.charsetTwo ? int(kSymbolCharset) : int(kAnsiCharset));
        QCOMPARE(m_form->CurrentSymbolFont, row.font);
        // The click leaves the keyboard with the editor.
        QVERIFY(m_edit->hasFocus() || !QApplication::focusWidget()
                || QApplication::focusWidget() == m_edit);
        QCOMPARE(m_form->speedButton(row.number)->focusPolicy(), Qt::NoFocus);
    }

    void turnstileInsertsTwoSymbolCharactersWithTheSymbolCharset()
    {
        QTest::mouseClick(m_form->speedButton(22), Qt::LeftButton);
        QCOMPARE(m_edit->bytes(), QByteArray("\xF7\x3D"));
        for (int i = 0; i < 2; ++i) {
            QCOMPARE(faceName(formatAt(m_edit, i)), QStringLiteral("Symbol"));
            QCOMPARE(charset(formatAt(m_edit, i)), int(kSymbolCharset));
        }
        QCOMPARE(m_edit->selStart(), 2);
    }

    void selectionIsNotReplacedAndTheSymbolGoesInAtItsLowerEnd_data()
    {
        QTest::addColumn<bool>("backwards");
        QTest::newRow("forwards") << false;
        QTest::newRow("backwards") << true;
    }

    void selectionIsNotReplacedAndTheSymbolGoesInAtItsLowerEnd()
    {
        QFETCH(bool, backwards);
        m_edit->replaceSel("xabcx");
        QTextCursor cursor(m_edit->document());
        cursor.setPosition(backwards ? 4 : 1);
        cursor.setPosition(backwards ? 1 : 4, QTextCursor::KeepAnchor);
        m_edit->setTextCursor(cursor);

        QTest::mouseClick(m_form->speedButton(1), Qt::LeftButton);

        QCOMPARE(m_edit->bytes(), QByteArray("x\x22" "abcx"));
        QCOMPARE(faceName(formatAt(m_edit, 1)), QStringLiteral("Symbol"));
        QCOMPARE(faceName(formatAt(m_edit, 2)), QStringLiteral("Verdana"));
        QCOMPARE(m_edit->selStart(), 2);
        QCOMPARE(m_edit->selLength(), 0);
        QCOMPARE(m_edit->document()->toPlainText(), QStringLiteral("x∀abcx"));
    }

    void charsetTwoStaysForTheTextTypedAfterTheLeftArrow()
    {
        QTest::mouseClick(m_form->speedButton(5), Qt::LeftButton);
        QCOMPARE(m_edit->selFaceName(), QStringLiteral("Verdana"));
        QCOMPARE(m_edit->selCharset(), int(kSymbolCharset));

        m_edit->setSelCharset(kAnsiCharset);
        QTest::mouseClick(m_form->speedButton(1), Qt::LeftButton);
        // "Symbol" alone does not touch the character set.
        QCOMPARE(charset(formatAt(m_edit, 1)), int(kAnsiCharset));
        QCOMPARE(m_edit->selCharset(), int(kAnsiCharset));
    }

    void symbolTakesTheSizeColourAndStyleInForce()
    {
        m_edit->setSelStyle(fmt::Bold | fmt::Italic);
        m_edit->setSelSize(14);
        m_edit->setSelColor(QColor(Qt::red));
        QTest::mouseClick(m_form->speedButton(2), Qt::LeftButton);
        const QTextCharFormat f = formatAt(m_edit, 0);
        QCOMPARE(style(f), fmt::Bold | fmt::Italic);
        QCOMPARE(pointSize(f), 14);
        QCOMPARE(color(f), QColor(Qt::red));
        QCOMPARE(faceName(f), QStringLiteral("Symbol"));
    }

    void typedTextAfterASymbolIsVerdanaAgain()
    {
        QTest::mouseClick(m_form->speedButton(21), Qt::LeftButton);
        QTest::keyClicks(m_edit, "pq");
        QCOMPARE(m_edit->bytes(), QByteArray("\xDEpq"));
        QCOMPARE(faceName(formatAt(m_edit, 1)), QStringLiteral("Verdana"));
        QCOMPARE(m_edit->document()->toPlainText(), QStringLiteral("⇒pq"));
    }

    void symbolsAreDrawnFromFontsThatHaveTheirGlyphs()
    {
        for (int number : {1, 2, 20, 19, 7, 8, 22, 21, 15, 6, 5}) {
            m_edit->clearDocument();
            QTest::mouseClick(m_form->speedButton(number), Qt::LeftButton);
            const QTextCharFormat f = formatAt(m_edit, 0);
            const QStringList families = f.fontFamilies().toStringList();
            // Never the byte-keyed stand-in that fontconfig may offer for "Symbol".
            QVERIFY(!families.contains(QStringLiteral("Symbol")));
            const QChar shown = m_edit->document()->toPlainText().at(0);
            bool drawn = false;
            for (const QString &family : families)
                drawn = drawn || QFontMetrics(QFont(family)).inFont(shown);
            QVERIFY2(drawn, qPrintable(QStringLiteral("no font draws U+%1").arg(shown.unicode(), 4, 16)));
        }
    }

    void keysTypedInASymbolFontGiveTheirByteInThatFont()
    {
        m_edit->setSelFaceName(QStringLiteral("Symbol"));
        QTest::keyClicks(m_edit, "ap");
        QCOMPARE(m_edit->bytes(), QByteArray("ap"));
        QCOMPARE(m_edit->document()->toPlainText(), QStringLiteral("απ"));
        m_edit->setSelFaceName(QStringLiteral("Verdana"));
        QTest::keyClicks(m_edit, "a");
        QCOMPARE(m_edit->document()->toPlainText(), QStringLiteral("απa"));
    }

    void necessityButtonShowsOneCodeAndInsertsAnother()
    {
        QTest::mouseClick(m_form->speedButton(7), Qt::LeftButton);
        QCOMPARE(m_edit->bytes(), QByteArray("\xA3"));
        QCOMPARE(m_edit->document()->toPlainText(), QStringLiteral("□"));
    }

    void insertionIsOneUndoStepAndKeepsEarlierHistory()
    {
        QTest::keyClicks(m_edit, "ab");
        QTest::mouseClick(m_form->speedButton(4), Qt::LeftButton);
        QCOMPARE(m_edit->bytes(), QByteArray("ab->"));
        m_edit->undo();
        QCOMPARE(m_edit->bytes(), QByteArray("ab"));
        m_edit->undo();
        QVERIFY(m_edit->bytes().size() < 2);
    }

    void facesReadAsTheSymbolsTheyInsert()
    {
        const QString expected[] = {QStringLiteral("¬"), QStringLiteral("V"), QStringLiteral("&&"),
                                    QStringLiteral("->"), QStringLiteral("↔"), QStringLiteral("←"),
                                    QStringLiteral("∀"), QStringLiteral("∃"), QStringLiteral("≡"),
                                    QStringLiteral("T"), QStringLiteral("⊥"), QStringLiteral("□"),
                                    QStringLiteral("◇"), QStringLiteral("⎟="), QStringLiteral("⎟−"),
                                    QStringLiteral("⇒"), QStringLiteral("⇔")};
        for (int i = 0; i < 17; ++i) {
            SpeedButton *button = m_form->speedButton(kExpected[i].number);
            QCOMPARE(button->text(), expected[i]);
            QVERIFY(!button->accessibleName().isEmpty());
            QCOMPARE(button->toolTip(), kExpected[i].number == 15 ? QStringLiteral("AYUDA") : QString());
            QCOMPARE(button->geometry(), QRect(kExpected[i].left, 8, 23, 22));
        }
    }

    void modesEnableExactlyTheirControls()
    {
        const QList<int> alwaysUsable = {3, 17, 18, 4, 6};
        m_form->EnterProgramMode();
        for (const Expected &row : kExpected)
            QCOMPARE(m_form->speedButton(row.number)->isEnabled(), alwaysUsable.contains(row.number));
        QVERIFY(m_form->speedButton(27)->isEnabled());
        QVERIFY(m_form->CompilarPrograma1->isEnabled());

        // A disabled button does not insert.
        QTest::mouseClick(m_form->speedButton(1), Qt::LeftButton);
        QCOMPARE(m_edit->bytes(), QByteArray());

        m_form->EnterProgramMode();
        QVERIFY(m_form->speedButton(27)->isEnabled());

        m_form->EnterTextMode();
        for (const Expected &row : kExpected)
            QVERIFY(m_form->speedButton(row.number)->isEnabled());
        QVERIFY(!m_form->speedButton(27)->isEnabled());
        QVERIFY(!m_form->CompilarPrograma1->isEnabled());
    }

    void modesLeaveTheDocumentAndSelectionAlone()
    {
        m_edit->replaceSel("p V q");
        m_edit->setSelStart(2);
        m_edit->setSelLength(1);
        m_form->EnterProgramMode();
        m_form->EnterTextMode();
        QCOMPARE(m_edit->bytes(), QByteArray("p V q"));
        QCOMPARE(m_edit->selStart(), 2);
        QCOMPARE(m_edit->selLength(), 1);
        QVERIFY(m_form->speedButton(24)->isEnabled());
    }

private:
    QTemporaryDir m_exeFolder;
    std::unique_ptr<test::FakeDialogs> m_dialogs;
    std::unique_ptr<TForm1> m_form;
    RichEdit *m_edit = nullptr;
};

QTEST_MAIN(TestPalette)
#include "tst_palette.moc"
