// The style toggles, the font and background dialogs and the "Editar" menu of the main window.

#include "Unit1.h"

#include "FakeDialogs.h"
#include "MainWindowFixture.h"

#include "platform/app/Application.h"
#include "platform/dialogs/FontDialog.h"
#include "platform/format/TextFormat.h"
#include "platform/richedit/RichEdit.h"
#include "platform/widgets/SpeedButton.h"

#include <QAccessible>
#include <QAction>
#include <QApplication>
#include <QClipboard>
#include <QColorDialog>
#include <QComboBox>
#include <QDialogButtonBox>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTest>
#include <QTextBlock>
#include <QTimer>

using namespace zv;

namespace {

// The style of every character of the document, in order.
QList<unsigned char> stylesOf(const RichEdit &edit)
{
    QList<unsigned char> out;
    for (QTextBlock b = edit.document()->begin(); b.isValid(); b = b.next())
        for (auto it = b.begin(); !it.atEnd(); ++it)
            for (int i = 0; i < it.fragment().length(); ++i)
                out << style(it.fragment().charFormat());
    return out;
}

QTextCharFormat formatAt(const RichEdit &edit, int position)
{
    QTextCursor c(edit.document());
    c.setPosition(position + 1);
    return c.charFormat();
}

FontChoice font(const char *face, int points, bool bold = false, bool italic = false)
{
    FontChoice f;
    f.face = QLatin1String(face);
    f.pointSize = points;
    f.bold = bold;
    f.italic = italic;
    return f;
}

} // namespace

class TestFormatting : public QObject, private test::MainWindowTest
{
    Q_OBJECT

private Q_SLOTS:
    void init() { QVERIFY(showMainWindow()); }

    void cleanup()
    {
        QVERIFY(m_dialogs->allAnswersUsed());
        closeMainWindow();
    }

    // Style toggles --------------------------------------------------------------------------
    void twoClicksLeaveTheSelectionWithoutTheFlag_data()
    {
        QTest::addColumn<int>("button");
        QTest::addColumn<int>("flag");
        QTest::addColumn<bool>("hadItBefore");
        for (bool before : {false, true}) {
            const char *suffix = before ? "already set" : "not set";
            QTest::addRow("N, %s", suffix) << 24 << int(fmt::Bold) << before;
            QTest::addRow("S, %s", suffix) << 25 << int(fmt::Underline) << before;
            QTest::addRow("C, %s", suffix) << 26 << int(fmt::Italic) << before;
        }
    }

    void twoClicksLeaveTheSelectionWithoutTheFlag()
    {
        QFETCH(int, button);
        QFETCH(int, flag);
        QFETCH(bool, hadItBefore);
        m_edit->replaceSel("logica");
        m_edit->selectAll();
        m_edit->setSelStyle(hadItBefore ? (flag | fmt::StrikeOut) : fmt::StrikeOut);
        SpeedButton *toggle = m_form->speedButton(button);

        QVERIFY(!toggle->isFlat());
        toggle->click();
        QVERIFY(toggle->isFlat());
        for (unsigned char s : stylesOf(*m_edit))
            QCOMPARE(int(s), flag | fmt::StrikeOut);

        toggle->click();
        QVERIFY(!toggle->isFlat());
        for (unsigned char s : stylesOf(*m_edit))
            QCOMPARE(int(s), int(fmt::StrikeOut));
    }

    void clickWithoutSelectionStylesOnlyTheTextTypedNext()
    {
        QTest::keyClicks(m_edit, "ab");
        m_form->speedButton(24)->click();
        QTest::keyClicks(m_edit, "cd");
        QCOMPARE(m_edit->bytes(), QByteArray("abcd"));
        QCOMPARE(stylesOf(*m_edit), (QList<unsigned char>{0, 0, fmt::Bold, fmt::Bold}));
    }

    void flatLookSurvivesTheCaretMovingIntoPlainText()
    {
        QTest::keyClicks(m_edit, "plain ");
        m_form->speedButton(24)->click();
        QTest::keyClicks(m_edit, "bold");
        m_edit->setSelStart(2);
        QVERIFY(m_form->speedButton(24)->isFlat());

        // The look decides: this click removes bold, which the plain text does not have.
        m_form->speedButton(24)->click();
        QVERIFY(!m_form->speedButton(24)->isFlat());
        QTest::keyClicks(m_edit, "x");
        QCOMPARE(m_edit->bytes(), QByteArray("plxain bold"));
        QCOMPARE(int(style(formatAt(*m_edit, 2))), 0);
        QCOMPARE(int(style(formatAt(*m_edit, 8))), int(fmt::Bold));
    }

    void mixedSelectionEndsWithTheReportedFlagsOnEveryCharacter()
    {
        m_edit->setSelStyle(fmt::Bold | fmt::Italic);
        QTest::keyClicks(m_edit, "ab");
        m_edit->setSelStyle(fmt::Italic | fmt::Underline | fmt::StrikeOut);
        QTest::keyClicks(m_edit, "cd");
        m_edit->selectAll();
        QCOMPARE(int(m_edit->selStyle()), int(fmt::Italic));

        m_form->speedButton(25)->click();
        const unsigned char expected = fmt::Italic | fmt::Underline;
        QCOMPARE(stylesOf(*m_edit), QList<unsigned char>(4, expected));
    }

    void nothingButAClickChangesTheToggleLooks()
    {
        m_form->speedButton(26)->click();
        m_dialogs->queueFont(font("Verdana", 10));
        m_form->Fuentes1->trigger();
        m_form->SpeedButton9Click(m_form.get());
        QVERIFY(!m_form->speedButton(24)->isFlat());
        QVERIFY(m_form->speedButton(26)->isFlat());
    }

    void togglesShowTheirCaptionsAndStateToAssistiveTechnology()
    {
        const QList<std::tuple<int, const char *, const char *, bool, bool>> toggles
            = {{24, "N", "Negrita", false, false}, {25, "S", "Subrayado", true, false},
                {26, "C", "Cursiva", false, true}};
        for (const auto &[number, caption, name, underline, italic] : toggles) {
            SpeedButton *b = m_form->speedButton(number);
            QCOMPARE(b->text(), QLatin1String(caption));
            QCOMPARE(b->font().family(), QStringLiteral("MS Sans Serif"));
            QVERIFY(b->font().bold());
            QCOMPARE(b->font().underline(), underline);
            QCOMPARE(b->font().italic(), italic);
            QVERIFY(b->toolTip().isEmpty());

            QAccessibleInterface *a = QAccessible::queryAccessibleInterface(b);
            QVERIFY(a);
            QCOMPARE(a->text(QAccessible::Name), QString::fromUtf8(name));
            QVERIFY(a->state().checkable);
            QVERIFY(!a->state().checked);
            a->actionInterface()->doAction(QAccessibleActionInterface::toggleAction());
            QVERIFY(b->isFlat());
            QVERIFY(a->state().checked);
        }
        // The palette buttons are push buttons still.
        QAccessibleInterface *symbol
            = QAccessible::queryAccessibleInterface(m_form->speedButton(1));
        QVERIFY(!symbol->state().checkable);
        QCOMPARE(symbol->text(QAccessible::Name), QStringLiteral("Para todo"));
    }

    // Font dialog ----------------------------------------------------------------------------
    void fontDialogOpensWithTheFontLastAcceptedInIt()
    {
        m_dialogs->queueFont(std::nullopt);
        m_form->Fuentes1->trigger();
        const FontChoice first = m_dialogs->fontRequests.at(0);
        QCOMPARE(first.face, QStringLiteral("MS Sans Serif"));
        QCOMPARE(first.pointSize, 8);
        QVERIFY(!first.bold && !first.italic && !first.underline && !first.strikeOut);
        QVERIFY(!first.color.isValid());

        FontChoice chosen = font("Verdana", 14, true, true);
        chosen.strikeOut = true;
        chosen.color = QColor(0x80, 0, 0);
        chosen.colorPicked = true;
        m_dialogs->queueFont(chosen);
        m_dialogs->queueFont(std::nullopt);
        m_form->Fuentes1->trigger();
        m_form->Fuentes1->trigger();
        const FontChoice third = m_dialogs->fontRequests.at(2);
        QCOMPARE(third.face, QStringLiteral("Verdana"));
        QCOMPARE(third.pointSize, 14);
        QVERIFY(third.bold && third.italic && third.strikeOut && !third.underline);
        QCOMPARE(third.color, QColor(0x80, 0, 0));
        QVERIFY(!third.colorPicked);
    }

    void fontDialogAppliesEveryAttributeAndRemovesStylesNotChosen()
    {
        QTest::keyClicks(m_edit, "abc");
        m_edit->selectAll();
        m_edit->setSelStyle(fmt::Bold | fmt::Underline);
        FontChoice chosen = font("Courier New", 12, false, true);
        chosen.color = QColor(Qt::red);
        chosen.colorPicked = true;
        m_dialogs->queueFont(chosen);
        m_form->Fuentes1->trigger();
        QCOMPARE(m_edit->selFaceName(), QStringLiteral("Courier New"));
        QCOMPARE(m_edit->selSize(), 12);
        QCOMPARE(m_edit->selColor(), QColor(Qt::red));
        QCOMPARE(stylesOf(*m_edit), QList<unsigned char>(3, fmt::Italic));
    }

    void fontDialogReachesTheWholeSelectionWhicheverFacesItMovesBetween_data()
    {
        QTest::addColumn<QString>("from");
        QTest::addColumn<QString>("to");
        QTest::newRow("text to symbol face") << "Verdana"
                                             << "Symbol";
        QTest::newRow("symbol to text face") << "Symbol"
                                             << "Verdana";
        QTest::newRow("text to Wingdings 3") << "Verdana"
                                             << "Wingdings 3";
        QTest::newRow("text to text face") << "Verdana"
                                           << "Arial";
    }

    void fontDialogReachesTheWholeSelectionWhicheverFacesItMovesBetween()
    {
        QFETCH(QString, from);
        QFETCH(QString, to);
        m_edit->setSelFaceName(from);
        QTest::keyClicks(m_edit, "abc def");
        m_edit->setSelStart(6);
        for (int i = 0; i < 5; ++i)
            QTest::keyClick(m_edit, Qt::Key_Left, Qt::ShiftModifier);
        FontChoice chosen = font(qPrintable(to), 24, true);
        chosen.color = QColor(Qt::red);
        chosen.colorPicked = true;
        m_dialogs->queueFont(chosen);
        m_form->Fuentes1->trigger();

        QCOMPARE(m_edit->bytes(), QByteArray("abc def"));
        QCOMPARE(m_edit->selStart(), 1);
        QCOMPARE(m_edit->selLength(), 5);
        for (int i = 0; i < 7; ++i) {
            const bool selected = i >= 1 && i < 6;
            const QTextCharFormat f = formatAt(*m_edit, i);
            QCOMPARE(faceName(f), selected ? to : from);
            QCOMPARE(pointSize(f), selected ? 24 : 10);
            QCOMPARE(style(f), selected ? fmt::Bold : 0);
            QCOMPARE(color(f), QColor(selected ? Qt::red : Qt::black));
        }
    }

    void fontDialogWithoutAColourPickedAppliesThePreviousColour()
    {
        QTest::keyClicks(m_edit, "abc");
        m_edit->selectAll();
        m_edit->setSelColor(QColor(Qt::green));
        // The first showing's colour is the automatic one, not the text's.
        FontChoice untouched = font("Verdana", 10);
        untouched.color = QColor(Qt::blue);
        m_dialogs->queueFont(untouched);
        m_form->Fuentes1->trigger();
        QVERIFY(!m_edit->selColor().isValid());

        FontChoice picked = font("Verdana", 10);
        picked.color = QColor(0, 0x80, 0x80);
        picked.colorPicked = true;
        m_dialogs->queueFont(picked);
        m_form->Fuentes1->trigger();
        m_edit->setSelColor(QColor(Qt::green));
        m_dialogs->queueFont(untouched);
        m_form->Fuentes1->trigger();
        QCOMPARE(m_edit->selColor(), QColor(0, 0x80, 0x80));
    }

    void symbolFaceFromTheFontDialogKeepsTheCharacterSet()
    {
        QTest::keyClicks(m_edit, "pq");
        m_form->SpeedButton22Click(m_form.get()); // "Symbol", character set 2
        m_edit->selectAll();
        m_dialogs->queueFont(font("Symbol", 10));
        m_form->Fuentes1->trigger();
        for (int i = 0; i < 4; ++i)
            QCOMPARE(faceName(formatAt(*m_edit, i)), QStringLiteral("Symbol"));
        QCOMPARE(charset(formatAt(*m_edit, 0)), 0);
        QCOMPARE(charset(formatAt(*m_edit, 1)), 0);
        QCOMPARE(charset(formatAt(*m_edit, 2)), 2);
        QCOMPARE(charset(formatAt(*m_edit, 3)), 2);
        // A new face gives the same bytes new glyphs; the characters shown are what change.
        QCOMPARE(m_edit->bytes(), QByteArray("pq\xF7\x3D"));
    }

    void sizesAreRoundedToWholePointsAndColoursCountOnlyWhenPicked()
    {
        FontChoice initial = font("Verdana", 10);
        initial.color = QColor(0x80, 0x80, 0);
        FontDialog dialog(initial);
        auto *size = dialog.findChild<QLineEdit *>(QStringLiteral("size"));
        auto *color = dialog.findChild<QComboBox *>(QStringLiteral("color"));
        auto *style = dialog.findChild<QListWidget *>(QStringLiteral("style"));
        QCOMPARE(color->count(), 17);
        QCOMPARE(color->itemText(0), QStringLiteral("Automático"));
        QCOMPARE(dialog.findChild<QLineEdit *>(QStringLiteral("face"))->text(),
            QStringLiteral("Verdana"));
        QCOMPARE(dialog.choice().color, initial.color);
        QVERIFY(!dialog.choice().colorPicked);

        size->setText(QStringLiteral("10,6"));
        QCOMPARE(dialog.choice().pointSize, 11);
        style->setCurrentRow(3);
        QVERIFY(dialog.choice().bold && dialog.choice().italic);

        // Choosing the colour already shown is a pick as well.
        color->activated(color->currentIndex());
        QVERIFY(dialog.choice().colorPicked);

        QTest::keyClicks(size, "x");
        auto *buttons = dialog.findChild<QDialogButtonBox *>();
        QVERIFY(!buttons->button(QDialogButtonBox::Ok)->isEnabled());
    }

    void realDialogsAnswerWithTheChoiceAndKeepTheCustomColours()
    {
        QtDialogs qt;
        QTimer::singleShot(0, this, [] {
            auto *dialog = qobject_cast<FontDialog *>(QApplication::activeModalWidget());
            QVERIFY(dialog);
            auto *face = dialog->findChild<QLineEdit *>(QStringLiteral("face"));
            face->setText(QStringLiteral("Symbol"));
            dialog->accept();
        });
        const std::optional<FontChoice> f = qt.chooseFont(m_form.get(), font("Verdana", 9));
        QVERIFY(f);
        QCOMPARE(f->face, QStringLiteral("Symbol"));
        QCOMPARE(f->pointSize, 9);

        QList<QColor> custom{QColor(Qt::red)};
        QTimer::singleShot(0, this, [] {
            auto *dialog = qobject_cast<QColorDialog *>(QApplication::activeModalWidget());
            QVERIFY(dialog);
            QCOMPARE(dialog->currentColor(), QColor(Qt::black));
            // The basic form: defining custom colours is one click away.
            auto *define = dialog->findChild<QPushButton *>(QStringLiteral("defineCustomColors"));
            QVERIFY(define && define->isVisible());
            dialog->setCurrentColor(QColor(Qt::blue));
            dialog->accept();
        });
        QCOMPARE(qt.chooseColor(m_form.get(), Qt::black, custom), QColor(Qt::blue));
        QCOMPARE(custom.value(0), QColor(Qt::red));
    }

    // Background -----------------------------------------------------------------------------
    void backgroundChangesNoCharacterNorTheModifiedFlagNorTheFile()
    {
        QTest::keyClicks(m_edit, "p");
        m_form->SpeedButton1Click(m_form.get());
        const QString before = m_exeFolder.filePath(QStringLiteral("before.zvk"));
        const QString after = m_exeFolder.filePath(QStringLiteral("after.zvk"));
        m_edit->saveToFile(before);
        m_edit->setModified(false);

        m_dialogs->queueColor(QColor(Qt::yellow));
        m_dialogs->queueColor(std::nullopt);
        m_form->Fondo1->trigger();
        m_form->Fondo1->trigger();
        QCOMPARE(m_dialogs->colorRequests, (QList<QColor>{Qt::black, Qt::yellow}));
        QCOMPARE(m_edit->backgroundColor(), QColor(Qt::yellow));
        const QImage painted = m_edit->viewport()->grab().toImage();
        QCOMPARE(painted.pixelColor(painted.width() - 2, painted.height() - 2), QColor(Qt::yellow));
        QVERIFY(!m_edit->modified());
        m_edit->saveToFile(after);
        QFile a(before), b(after);
        QVERIFY(a.open(QIODevice::ReadOnly) && b.open(QIODevice::ReadOnly));
        QCOMPARE(b.readAll(), a.readAll());
    }

    // "Editar" -------------------------------------------------------------------------------
    void editMenuCommandsActOnTheControlAndTheClipboard()
    {
        QTest::keyClicks(m_edit, "abc");
        QApplication::clipboard()->setText(QStringLiteral("kept"));
        m_form->SeleccionatTodo1->trigger();
        QCOMPARE(m_edit->selLength(), 3);
        m_form->Borrar1->trigger();
        QCOMPARE(m_edit->bytes(), QByteArray());
        QCOMPARE(QApplication::clipboard()->text(), QStringLiteral("kept"));

        QTest::keyClicks(m_edit, "xyz");
        m_edit->setSelStart(1);
        m_edit->setSelLength(1);
        m_form->Cortar1->trigger();
        QCOMPARE(m_edit->bytes(), QByteArray("xz"));
        QCOMPARE(QApplication::clipboard()->text(), QStringLiteral("y"));
        m_form->Pegar1->trigger();
        m_form->Pegar1->trigger();
        QCOMPARE(m_edit->bytes(), QByteArray("xyyz"));
        m_edit->selectAll();
        m_form->Copiar1->trigger();
        QCOMPARE(QApplication::clipboard()->text(), QStringLiteral("xyyz"));
        QCOMPARE(m_edit->bytes(), QByteArray("xyyz"));
    }

    void commandsStayEnabledInProgramMode()
    {
        m_form->EnterProgramMode();
        for (QAction *a : {m_form->SeleccionatTodo1, m_form->Cortar1, m_form->Copiar1,
                 m_form->Pegar1, m_form->Borrar1, m_form->Fuentes1, m_form->Fondo1})
            QVERIFY(a->isEnabled());
        for (int n : {24, 25, 26})
            QVERIFY(m_form->speedButton(n)->isEnabled());
    }
};

QTEST_MAIN(TestFormatting)
#include "tst_formatting.moc"
