// The symbol palette and the two editing modes, driven through the real buttons, the TeX names
// typed in their place and the "Símbolos" menu.

#include "Unit1.h"

#include "FakeDialogs.h"
#include "MainWindowFixture.h"

#include "platform/app/Application.h"
#include "platform/codepages/CodePage.h"
#include "platform/files/DocumentFile.h"
#include "platform/files/DocumentStream.h"
#include "platform/format/ReadableText.h"
#include "platform/format/TextFormat.h"
#include "platform/richedit/RichEdit.h"
#include "platform/widgets/SpeedButton.h"

#include <QAction>
#include <QApplication>
#include <QClipboard>
#include <QFile>
#include <QFontMetrics>
#include <QMenu>
#include <QMenuBar>
#include <QMimeData>
#include <QProcess>
#include <QRegularExpression>
#include <QStandardPaths>
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

// What a user reads after clicking every button in toolbar order, each followed by " más ".
QString everySymbolText()
{
    QString text;
    for (const QString &sign : QStringLiteral("¬ V & -> ↔ ← ∀ ∃ ≡ T ⊥ □ ◇ ⊨ ⊢ ⇒ ⇔").split(' '))
        text += sign + QStringLiteral(" más ");
    return text.trimmed();
}

QString readableText(const QTextDocument &document)
{
    std::unique_ptr<QTextDocument> copy(document.clone());
    makeReadable(*copy);
    return copy->toPlainText();
}

QString run(const QString &program, const QStringList &arguments, const QString &folder = {})
{
    QProcess process;
    process.setWorkingDirectory(folder);
    process.start(program, arguments);
    process.waitForFinished(120000);
    return QString::fromUtf8(process.readAllStandardOutput());
}

// The document as its file keeps it: every font, character set and style.
QByteArray rtf(RichEdit &edit, const QTemporaryDir &folder)
{
    const QString path = folder.filePath(QStringLiteral("compare.zvk"));
    edit.saveToFile(path);
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

} // namespace

class TestPalette : public QObject, private test::MainWindowTest
{
    Q_OBJECT

private Q_SLOTS:
    void init() { QVERIFY(showMainWindow()); }

    void cleanup()
    {
        QVERIFY2(m_dialogs->errors().isEmpty(), qPrintable(m_dialogs->errors().join('\n')));
        closeMainWindow();
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
            QCOMPARE(charset(formatAt(m_edit, i)),
                row.charsetTwo ? int(kSymbolCharset) : int(kAnsiCharset));
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

        QCOMPARE(m_edit->bytes(),
            QByteArray("x\x22"
                       "abcx"));
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
            QVERIFY2(drawn,
                qPrintable(QStringLiteral("no font draws U+%1").arg(shown.unicode(), 4, 16)));
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

    void everyButtonSavedReadsBackAndLeavesAsTheSymbolsShown()
    {
        const QString file = typeWithEveryButton();
        const std::unique_ptr<QTextDocument> loaded = loadDocument(file, false);
        QCOMPARE(documentBytes(*loaded), m_edit->bytes());
        QCOMPARE(readableText(*loaded).trimmed(), everySymbolText());

        m_form->SeleccionatTodo1->trigger();
        m_form->Copiar1->trigger();
        const QMimeData *copied = QApplication::clipboard()->mimeData();
        QCOMPARE(copied->text().trimmed(), everySymbolText());
        QTextDocument html;
        html.setHtml(copied->html());
        QCOMPARE(html.toPlainText().trimmed(), everySymbolText());
    }

    void otherProgramsReadTheSavedSymbolsAsZarvikShowsThem_data()
    {
        QTest::addColumn<QString>("program");
        QTest::addColumn<QStringList>("arguments");
        QTest::newRow("LibreOffice")
            << "soffice"
            << QStringList{"-env:UserInstallation=file://%1/profile", "--headless", "--convert-to",
                   "txt:Text (encoded):UTF8", "every.rtf"};
        QTest::newRow("AbiWord") << "abiword"
                                 << QStringList{"--to=txt", "-o", "every.txt", "every.rtf"};
    }

    void otherProgramsReadTheSavedSymbolsAsZarvikShowsThem()
    {
        QFETCH(QString, program);
        QFETCH(QStringList, arguments);
        if (QStandardPaths::findExecutable(program).isEmpty())
            QSKIP(qPrintable(program + " is not installed: what it reads is not compared"));
        typeWithEveryButton();
        QFile out(m_saved.filePath("every.txt"));
        out.remove();
        run(program, arguments.replaceInStrings("%1", m_saved.path()), m_saved.path());
        QVERIFY2(out.open(QIODevice::ReadOnly), qPrintable(program + " wrote no text"));
        const QString text = QString::fromUtf8(out.readAll()).remove(QChar(0xFEFF)).trimmed();
        QVERIFY2(!text.contains(QRegularExpression("[\\x{E000}-\\x{F8FF}]")), qPrintable(text));
        QCOMPARE(text, everySymbolText());
    }

    void turnstilePairIsOneStepForCaretAndBackspaceWhileEditsKeepItsBytes()
    {
        // One caret step from the start shows whether the document's first two bytes draw as
        // one turnstile.
        const auto firstStep = [this] {
            m_edit->setSelStart(0);
            QTest::keyClick(m_edit, Qt::Key_Right);
            return m_edit->selStart();
        };
        QTest::mouseClick(m_form->speedButton(23), Qt::LeftButton); // ⊢
        QTest::keyClicks(m_edit, "x");
        QCOMPARE(firstStep(), 2);
        QTest::keyClick(m_edit, Qt::Key_Backspace);
        QCOMPARE(m_edit->bytes(), QByteArray("x"));
        m_edit->undo();
        QCOMPARE(m_edit->bytes(), QByteArray("\xF7\x2Dx"));

        // The control's callers count bytes: an edit between them splits the pair, and taking
        // it out again joins them.
        m_edit->setSelStart(1);
        m_edit->replaceSel("y");
        QCOMPARE(m_edit->bytes(), QByteArray("\xF7y\x2Dx"));
        QCOMPARE(firstStep(), 1);
        m_edit->setSelStart(1);
        m_edit->setSelLength(1);
        m_edit->deleteSelection();
        QCOMPARE(m_edit->bytes(), QByteArray("\xF7\x2Dx"));
        QCOMPARE(firstStep(), 2);
    }

    void facesReadAsTheSymbolsTheyInsert()
    {
        const QString expected[] = {QStringLiteral("¬"), QStringLiteral("V"), QStringLiteral("&&"),
            QStringLiteral("->"), QStringLiteral("↔"), QStringLiteral("←"), QStringLiteral("∀"),
            QStringLiteral("∃"), QStringLiteral("≡"), QStringLiteral("T"), QStringLiteral("⊥"),
            QStringLiteral("□"), QStringLiteral("◇"), QStringLiteral("⊨"), QStringLiteral("⊢"),
            QStringLiteral("⇒"), QStringLiteral("⇔")};
        for (int i = 0; i < 17; ++i) {
            SpeedButton *button = m_form->speedButton(kExpected[i].number);
            // The turnstiles' second code shows as an invisible mark after the sign.
            const CodePage &symbol = CodePage::forFont(u"Symbol", kSymbolCharset);
            QCOMPARE(symbol.readable(button->text()), expected[i]);
            QVERIFY(!button->accessibleName().isEmpty());
            // The layout's one hint comes first; the names that type the symbol follow.
            QCOMPARE(
                button->toolTip().startsWith(QStringLiteral("AYUDA\n")), kExpected[i].number == 15);
            QCOMPARE(button->geometry(), QRect(kExpected[i].left, 8, 23, 22));
        }
    }

    void modesEnableExactlyTheirControls()
    {
        const QList<int> alwaysUsable = {3, 17, 18, 4, 6};
        m_form->EnterProgramMode();
        for (const Expected &row : kExpected)
            QCOMPARE(
                m_form->speedButton(row.number)->isEnabled(), alwaysUsable.contains(row.number));
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

    // The names of the issue, each with the button that must insert the same thing.
    void everyTexNameLeavesWhatAClickOnItsButtonLeaves_data()
    {
        QTest::addColumn<QString>("name");
        QTest::addColumn<int>("button");
        const std::pair<const char *, int> names[]
            = {{"neg", 3}, {"lnot", 3}, {"lor", 17}, {"vee", 17}, {"land", 18}, {"wedge", 18},
                {"to", 4}, {"rightarrow", 4}, {"leftrightarrow", 6}, {"bicond", 6},
                {"leftarrow", 5}, {"gets", 5}, {"forall", 1}, {"exists", 2}, {"equiv", 20},
                {"top", 16}, {"bot", 19}, {"Box", 7}, {"Diamond", 8}, {"models", 22}, {"vdash", 23},
                {"Rightarrow", 21}, {"implies", 21}, {"Leftrightarrow", 15}, {"iff", 15}};
        for (auto [name, button] : names)
            QTest::newRow(name) << QString::fromLatin1(name) << button;
    }

    void everyTexNameLeavesWhatAClickOnItsButtonLeaves()
    {
        QFETCH(QString, name);
        QFETCH(int, button);
        // Bold from the name on: the symbol takes the attributes in force, not those before it.
        QTest::keyClicks(m_edit, "p ");
        m_edit->setSelStyle(fmt::Bold);
        QTest::keyClicks(m_edit, QStringLiteral("\\") + name + QStringLiteral(" q"));

        const std::unique_ptr<TForm1> clicked = test::shownMainWindow();
        QTest::keyClicks(clicked->RichEdit1, "p ");
        clicked->RichEdit1->setSelStyle(fmt::Bold);
        QTest::mouseClick(clicked->speedButton(button), Qt::LeftButton);
        // The space that ended the name went with it.
        QTest::keyClicks(clicked->RichEdit1, "q");

        QCOMPARE(m_edit->bytes(), clicked->RichEdit1->bytes());
        QCOMPARE(rtf(*m_edit, m_exeFolder), rtf(*clicked->RichEdit1, m_exeFolder));
        QCOMPARE(m_edit->selCharset(), clicked->RichEdit1->selCharset());
    }

    void undoGivesBackTheTexNameAndItsEndingKey()
    {
        QTest::keyClicks(m_edit, "p \\models");
        QTest::keyClick(m_edit, Qt::Key_Return);
        QCOMPARE(m_edit->bytes(), QByteArray("p \xF7=\r\n"));
        m_edit->undo();
        QCOMPARE(m_edit->bytes(), QByteArray("p \\models\r\n"));
        QCOMPARE(m_edit->selStart(), 10);
        m_edit->redo();
        QCOMPARE(m_edit->bytes(), QByteArray("p \xF7=\r\n"));
    }

    void aSpaceOrTabEndingATexNameGoesWithItAndUndoTakesBackOneStepAtATime_data()
    {
        QTest::addColumn<QString>("ending");
        QTest::addColumn<QByteArray>("replaced");
        QTest::newRow("space") << " " << QByteArray("p \xACq");
        QTest::newRow("tab") << "\t" << QByteArray("p \xACq");
        QTest::newRow("other keys stay") << "(" << QByteArray("p \xAC(q");
    }

    void aSpaceOrTabEndingATexNameGoesWithItAndUndoTakesBackOneStepAtATime()
    {
        QFETCH(QString, ending);
        QFETCH(QByteArray, replaced);
        QTest::keyClicks(m_edit, "p \\neg" + ending + "q");
        QCOMPARE(m_edit->bytes(), replaced);
        // What was typed after the symbol, then the name as it was typed; "p " stays.
        m_edit->undo();
        QCOMPARE(m_edit->bytes(), replaced.chopped(1));
        m_edit->undo();
        QCOMPARE(m_edit->bytes(), "p \\neg" + ending.toLatin1());
    }

    void texNamesFollowTheModeAndDoubledBackslashesStayText_data()
    {
        QTest::addColumn<bool>("programMode");
        QTest::addColumn<QString>("typed");
        QTest::addColumn<QByteArray>("bytes");
        QTest::addColumn<bool>("staysText");
        QTest::newRow("disabled in program mode") << true << "\\forall x \\neg\\leftrightarrow."
                                                  << QByteArray("\\forall x \xACn.") << true;
        QTest::newRow("doubled") << false << "\\\\forall x\\\\\\\\to \\\\\\lor "
                                 << QByteArray("\\forall x\\\\to \\V") << true;
        QTest::newRow("not names")
            << false << "\\forallx \\Neg \\to\\top1" << QByteArray("\\forallx \\Neg ->T1") << false;
    }

    void texNamesFollowTheModeAndDoubledBackslashesStayText()
    {
        QFETCH(bool, programMode);
        QFETCH(QString, typed);
        QFETCH(bool, staysText);
        if (programMode)
            m_form->EnterProgramMode();
        QTest::keyClicks(m_edit, typed);
        QTEST(m_edit->bytes(), "bytes");
        // Ended again later, "\\forall" is what its backslash was when it was typed.
        m_edit->setSelStart(7);
        QTest::keyClicks(m_edit, " ");
        QCOMPARE(m_edit->bytes().startsWith("\\forall "), staysText);
    }

    void symbolsMenuFollowsTheButtonsAndTeachesTheNames()
    {
        QCOMPARE(m_form->menuBar()->actions().indexOf(m_form->Simbolos1->menuAction()), 3);
        const QList<QAction *> entries = m_form->Simbolos1->actions();
        QCOMPARE(entries.size(), 17);
        QCOMPARE(entries[6]->text(), QStringLiteral("Para todo  ∀"));
        QCOMPARE(entries[6]->statusTip(), QStringLiteral("Para todo — \\forall"));
        QCOMPARE(m_form->speedButton(15)->toolTip(),
            QStringLiteral("AYUDA\nDoble implicación — \\Leftrightarrow o \\iff"));
        m_form->EnterProgramMode();
        QCOMPARE(std::count_if(entries.cbegin(), entries.cend(),
                     [](const QAction *a) { return a->isEnabled(); }),
            5);
        QVERIFY(!entries[6]->isEnabled() && entries[4]->isEnabled());
        m_form->EnterTextMode();
        entries[13]->trigger();
        QCOMPARE(m_edit->bytes(), QByteArray("\xF7="));
    }

private:
    // Clicks every button with " más " typed after each, and saves with F3; the file's path.
    QString typeWithEveryButton()
    {
        for (const Expected &button : kExpected) {
            QTest::mouseClick(m_form->speedButton(button.number), Qt::LeftButton);
            // keyClicks cannot send "á".
            for (QChar c : QStringLiteral(" más ")) {
                QKeyEvent key(QEvent::KeyPress, 0, Qt::NoModifier, c);
                QApplication::sendEvent(m_edit, &key);
            }
        }
        // Under the name other programs know RTF by; Zarvik does not mind.
        const QString file = m_saved.filePath(QStringLiteral("every.rtf"));
        QFile::remove(file); // saving over another file would ask first
        m_dialogs->queueSaveFile(file);
        m_form->SpeedButton11Click(m_form.get());
        return file;
    }

    QTemporaryDir m_saved;
};

QTEST_MAIN(TestPalette)
#include "tst_palette.moc"
