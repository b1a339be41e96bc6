// The symbol palette and the two editing modes, driven through the real buttons.

#include "Unit1.h"
#include "Unit1Palette.h"

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
        QTest::addColumn<int>("number");
        for (const PaletteRow &row : kPalette)
            QTest::addRow("SpeedButton%d", row.number) << row.number;
    }

    void everyButtonInsertsItsBytesInItsFontAndMovesTheCaret()
    {
        QFETCH(int, number);
        const PaletteRow *row = nullptr;
        for (const PaletteRow &r : kPalette)
            if (r.number == number)
                row = &r;
        QVERIFY(row);

        QTest::mouseClick(m_form->speedButton(number), Qt::LeftButton);

        QCOMPARE(m_edit->bytes(), row->insertedBytes());
        QCOMPARE(m_edit->selStart(), row->advance());
        QCOMPARE(m_edit->selLength(), 0);
        for (int i = 0; i < row->advance(); ++i)
            QCOMPARE(faceName(formatAt(m_edit, i)), QString::fromLatin1(row->font));
        QCOMPARE(m_edit->selFaceName(), QStringLiteral("Verdana"));
        QCOMPARE(m_form->CurrentSymbolFont, QString::fromLatin1(row->font));
        // The click leaves the keyboard with the editor.
        QVERIFY(m_edit->hasFocus() || !QApplication::focusWidget()
                || QApplication::focusWidget() == m_edit);
        QCOMPARE(m_form->speedButton(number)->focusPolicy(), Qt::NoFocus);
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
        const PaletteRow &row = kPalette[11];
        QCOMPARE(row.number, 7);
        QCOMPARE(QByteArray(row.face), QByteArray("\xFA"));
        QCOMPARE(row.insertedBytes(), QByteArray("\xA3"));
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
            SpeedButton *button = m_form->speedButton(kPalette[i].number);
            QCOMPARE(button->text(), expected[i]);
            QVERIFY(!button->accessibleName().isEmpty());
            QCOMPARE(button->toolTip(), kPalette[i].number == 15 ? QStringLiteral("AYUDA") : QString());
            QCOMPARE(button->geometry(), QRect(kPalette[i].left, 8, 23, 22));
        }
    }

    void modesEnableExactlyTheirControls()
    {
        const QList<int> alwaysUsable = {3, 17, 18, 4, 6};
        m_form->EnterProgramMode();
        for (const PaletteRow &row : kPalette)
            QCOMPARE(m_form->speedButton(row.number)->isEnabled(), alwaysUsable.contains(row.number));
        QVERIFY(m_form->speedButton(27)->isEnabled());
        QVERIFY(m_form->CompilarPrograma1->isEnabled());

        // A disabled button does not insert.
        QTest::mouseClick(m_form->speedButton(1), Qt::LeftButton);
        QCOMPARE(m_edit->bytes(), QByteArray());

        m_form->EnterProgramMode();
        QVERIFY(m_form->speedButton(27)->isEnabled());

        m_form->EnterTextMode();
        for (const PaletteRow &row : kPalette)
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
