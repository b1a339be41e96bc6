// Typing logic from the keyboard: TeX names against the palette's own insertion, undo, the
// modes, doubled backslashes, the "Símbolos" menu, and the Ctrl and Alt keys through the
// window's shortcuts.

#include "Unit1.h"

#include "FakeDialogs.h"
#include "MainWindowFixture.h"

#include "platform/printing/DocumentPrinter.h"
#include "platform/richedit/RichEdit.h"
#include "platform/widgets/SpeedButton.h"

#include <QAction>
#include <QFile>
#include <QMenu>
#include <QMenuBar>
#include <QPrinter>
#include <QTemporaryDir>
#include <QTest>

using namespace zv;

class TestKeyboard : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void initTestCase() { QVERIFY(test::useMarkedExeFolder(m_exeFolder)); }

    void init()
    {
        m_dialogs = std::make_unique<test::FakeDialogs>();
        m_form = test::shownMainWindow();
        QVERIFY(m_form);
        m_form->activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(m_form.get()));
        m_edit = m_form->RichEdit1;
    }

    void cleanup()
    {
        QVERIFY2(m_dialogs->errors().isEmpty(), qPrintable(m_dialogs->errors().join('\n')));
        m_form.reset();
        m_dialogs.reset();
    }

    // The names of the issue, each with the button that must insert the same thing.
    void everyNameLeavesWhatAClickOnItsButtonLeaves_data()
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

    void everyNameLeavesWhatAClickOnItsButtonLeaves()
    {
        QFETCH(QString, name);
        QFETCH(int, button);
        // Bold from here on: the symbol takes the attributes in force, not those before it.
        QTest::keyClicks(m_edit, "p ");
        m_edit->setSelStyle(0x01);
        QTest::keyClicks(m_edit, QStringLiteral("\\") + name + QStringLiteral(" q"));

        const std::unique_ptr<TForm1> clicked = test::shownMainWindow();
        QTest::keyClicks(clicked->RichEdit1, "p ");
        clicked->RichEdit1->setSelStyle(0x01);
        QTest::mouseClick(clicked->speedButton(button), Qt::LeftButton);
        QTest::keyClicks(clicked->RichEdit1, " q");

        QCOMPARE(m_edit->bytes(), clicked->RichEdit1->bytes());
        // The file keeps every font, character set and style: it must be the same file.
        QCOMPARE(rtf(*m_edit), rtf(*clicked->RichEdit1));
        QCOMPARE(m_edit->selCharset(), clicked->RichEdit1->selCharset());
        QCOMPARE(m_form->CurrentSymbolFont, clicked->CurrentSymbolFont);
    }

    void undoGivesBackTheNameAndItsEndingKeyAndTypingGoesOn()
    {
        QTest::keyClicks(m_edit, "p \\models");
        QTest::keyClick(m_edit, Qt::Key_Return);
        QCOMPARE(m_edit->bytes(), QByteArray("p \xF7=\r\n"));
        QTest::keyClick(m_edit, Qt::Key_Z, Qt::ControlModifier);
        QCOMPARE(m_edit->bytes(), QByteArray("p \\models\r\n"));
        QCOMPARE(m_edit->selStart(), 10);
        QTest::keyClick(m_edit, Qt::Key_Y, Qt::ControlModifier);
        QCOMPARE(m_edit->bytes(), QByteArray("p \xF7=\r\n"));
        m_form->Deshacer1->trigger();
        QTest::keyClicks(m_edit, "q");
        QCOMPARE(m_edit->bytes(), QByteArray("p \\models\r\nq"));
    }

    void namesFollowTheModeAndDoubledBackslashesStayText_data()
    {
        QTest::addColumn<bool>("programMode");
        QTest::addColumn<QString>("typed");
        QTest::addColumn<QByteArray>("bytes");
        QTest::addColumn<bool>("staysText");
        QTest::newRow("disabled in program mode") << true << "\\forall x \\neg\\leftrightarrow."
                                                  << QByteArray("\\forall x \xACn.") << true;
        QTest::newRow("doubled") << false << "\\\\forall x\\\\\\\\to \\\\\\lor "
                                 << QByteArray("\\forall x\\\\to \\V ") << true;
        QTest::newRow("not names")
            << false << "\\forallx \\Neg \\to\\top1" << QByteArray("\\forallx \\Neg ->T1") << false;
    }

    void namesFollowTheModeAndDoubledBackslashesStayText()
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
        const QList<QAction *> bar = m_form->menuBar()->actions();
        QCOMPARE(bar.indexOf(m_form->Simbolos1->menuAction()), 3);
        const QList<QAction *> entries = m_form->Simbolos1->actions();
        QCOMPARE(entries.size(), 17);
        QCOMPARE(entries[0]->text(), QStringLiteral("Negación  ¬"));
        QCOMPARE(entries[6]->text(), QStringLiteral("Para todo  ∀"));
        QCOMPARE(entries[6]->statusTip(), QStringLiteral("Para todo — \\forall"));
        QCOMPARE(m_form->speedButton(1)->toolTip(), QStringLiteral("Para todo — \\forall"));
        QCOMPARE(m_form->speedButton(15)->toolTip(),
            QStringLiteral("AYUDA\nDoble implicación — \\Leftrightarrow o \\iff"));

        m_form->EnterProgramMode();
        int enabled = 0;
        for (QAction *entry : entries)
            enabled += entry->isEnabled();
        QCOMPARE(enabled, 5);
        QVERIFY(!entries[6]->isEnabled() && entries[4]->isEnabled());
        m_form->EnterTextMode();
        entries[13]->trigger();
        QCOMPARE(m_edit->bytes(), QByteArray("\xF7="));
    }

    void ctrlAndAltKeysReachTheirCommands()
    {
        auto ctrl = [this](Qt::Key key) { QTest::keyClick(m_edit, key, Qt::ControlModifier); };
        QTest::keyClicks(m_edit, "ab");
        ctrl(Qt::Key_A);
        ctrl(Qt::Key_B);
        ctrl(Qt::Key_I);
        ctrl(Qt::Key_U);
        QCOMPARE(int(m_edit->selStyle()), 0x07);
        QVERIFY(m_form->speedButton(24)->isFlat() && m_form->speedButton(26)->isFlat());
        ctrl(Qt::Key_C);
        QTest::keyClick(m_edit, Qt::Key_End);
        ctrl(Qt::Key_V);
        QCOMPARE(m_edit->bytes(), QByteArray("abab"));
        ctrl(Qt::Key_A);
        ctrl(Qt::Key_X);
        QCOMPARE(m_edit->bytes(), QByteArray());
        ctrl(Qt::Key_Z);
        QCOMPARE(m_edit->bytes(), QByteArray("abab"));
        QTest::keyClick(m_edit, Qt::Key_Z, Qt::ControlModifier | Qt::ShiftModifier);
        QCOMPARE(m_edit->bytes(), QByteArray());

        m_edit->setModified(false);
        m_dialogs->queueSaveFile(std::nullopt);
        ctrl(Qt::Key_S);
        m_dialogs->queueOpenFile(std::nullopt);
        ctrl(Qt::Key_O);
        QCOMPARE(m_dialogs->saveRequests.size() + m_dialogs->openRequests.size(), 2);
        int printed = 0;
        QTemporaryDir out;
        setPrinterFactoryForTests([&](const QString &) {
            ++printed;
            auto printer = std::make_unique<QPrinter>();
            printer->setOutputFileName(out.filePath(QStringLiteral("x.pdf")));
            return printer;
        });
        ctrl(Qt::Key_P);
        setPrinterFactoryForTests({});
        QCOMPARE(printed, 1);
        m_form->EnterProgramMode();
        m_edit->setModified(false);
        ctrl(Qt::Key_N);
        QVERIFY(!m_form->CompilarPrograma1->isEnabled());

        // Alt and the first letter open the menu without typing the letter.
        for (auto [key, menu] :
            {std::pair{Qt::Key_A, m_form->Archivo1}, {Qt::Key_E, m_form->Editar1},
                {Qt::Key_C, m_form->Confifurar1}, {Qt::Key_S, m_form->Simbolos1}}) {
            QTest::keyClick(m_edit, key, Qt::AltModifier);
            QTRY_VERIFY(menu->isVisible());
            menu->close();
        }
        QCOMPARE(m_edit->bytes(), QByteArray());
        ctrl(Qt::Key_Q);
        QVERIFY(!m_form->isVisible());
    }

private:
    QByteArray rtf(RichEdit &edit)
    {
        const QString path = m_exeFolder.filePath(QStringLiteral("compare.zvk"));
        edit.saveToFile(path);
        QFile file(path);
        return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
    }

    QTemporaryDir m_exeFolder;
    std::unique_ptr<test::FakeDialogs> m_dialogs;
    std::unique_ptr<TForm1> m_form;
    RichEdit *m_edit = nullptr;
};

QTEST_MAIN(TestKeyboard)
#include "tst_keyboard.moc"
