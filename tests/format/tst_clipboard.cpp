// Cut, copy and paste: the three clipboard forms and what a paste keeps.

#include "Unit1.h"

#include "FakeDialogs.h"
#include "MainWindowFixture.h"

#include "platform/app/Application.h"
#include "platform/files/DocumentStream.h"
#include "platform/format/TextFormat.h"
#include "platform/richedit/RichEdit.h"
#include "platform/widgets/SpeedButton.h"

#include <QAction>
#include <QApplication>
#include <QClipboard>
#include <QImage>
#include <QInputMethodEvent>
#include <QKeyEvent>
#include <QMimeData>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QTest>
#include <QTextBlock>

using namespace zv;

namespace {

// Face name and character set of every character, one entry per position.
QStringList fontsOf(const RichEdit &edit)
{
    QStringList out;
    const int end = edit.document()->characterCount() - 1;
    for (int i = 0; i < end; ++i) {
        QTextCursor c(edit.document());
        c.setPosition(i + 1);
        if (edit.document()->characterAt(i) == QChar::ParagraphSeparator)
            continue;
        out << QStringLiteral("%1/%2").arg(faceName(c.charFormat())).arg(charset(c.charFormat()));
    }
    return out;
}

QMimeData *mime(const QByteArray &rtf, const QString &html, const QString &text)
{
    auto *data = new QMimeData;
    if (!rtf.isEmpty())
        data->setData(QStringLiteral("text/rtf"), rtf);
    if (!html.isEmpty())
        data->setHtml(html);
    if (!text.isEmpty())
        data->setText(text);
    return data;
}

} // namespace

class TestClipboard : public QObject, private test::MainWindowTest
{
    Q_OBJECT

private Q_SLOTS:
    void init()
    {
        QVERIFY(showMainWindow());
        QApplication::clipboard()->clear();
    }

    void cleanup() { closeMainWindow(); }

    void copyOffersRtfHtmlAndTheUnicodeTextShown()
    {
        m_form->SpeedButton1Click(m_form.get()); // ∀: "Symbol" byte 0x22
        m_form->SeleccionatTodo1->trigger();
        m_form->Copiar1->trigger();
        const QMimeData *data = QApplication::clipboard()->mimeData();
        QVERIFY(data);
        QCOMPARE(data->text(), QStringLiteral("∀"));
        QVERIFY(data->html().contains(QStringLiteral("∀")));
        QVERIFY(!data->html().contains(QLatin1Char('"') + QStringLiteral("</")));
        // A mail program without the symbol font still draws the sign in a face of its kind.
        const QRegularExpression family(QStringLiteral("font-family:([^;\"]*)"));
        int families = 0;
        for (const QRegularExpressionMatch &m : family.globalMatch(data->html())) {
            ++families;
            const QString generic = m.captured(1).section(QLatin1Char(','), -1).trimmed();
            QVERIFY2(generic == QLatin1String("serif") || generic == QLatin1String("sans-serif")
                    || generic == QLatin1String("monospace"),
                qPrintable(m.captured(0)));
        }
        QVERIFY(families > 0);
        for (const char *type : {"text/rtf", "application/rtf"}) {
            const QByteArray rtf = data->data(QLatin1String(type));
            QVERIFY2(rtf.startsWith("{\\rtf"), type);
            QVERIFY(rtf.contains("\\u8704"));
            QVERIFY(rtf.contains("Symbol"));
        }
        QCOMPARE(m_edit->bytes(), QByteArray("\x22"));
    }

    void copyAndPasteKeepFontsBytesAndCharacterSets()
    {
        QTest::keyClicks(m_edit, "p");
        // ∀, ⊨ (two bytes), ⇒ (Symbol in the ANSI set), ↔, □ and a line break.
        for (int n : {1, 22, 21, 6, 7})
            (m_form.get()->*(kInsert[n]))(m_form.get());
        m_edit->replaceSel("\r\nq");
        const QByteArray bytes = m_edit->bytes();
        const QStringList fonts = fontsOf(*m_edit);
        QCOMPARE(bytes,
            QByteArray("p\x22\xF7\x3D\xDE"
                       "n\xA3\r\nq"));

        m_form->SeleccionatTodo1->trigger();
        m_form->Copiar1->trigger();
        m_edit->setSelStart(int(bytes.size()));
        m_form->Pegar1->trigger();
        QCOMPARE(m_edit->bytes(), bytes + bytes);
        // Every character set travels as it was written: ∀ under ANSI "Symbol" before ⊨ sets
        // the symbol set, and "q" typed after it, in "Verdana" with the symbol set.
        QCOMPARE(fontsOf(*m_edit).mid(fonts.size()), fonts);
        QCOMPARE(fonts.at(1), QStringLiteral("Symbol/0"));
        QCOMPARE(fonts.at(2), QStringLiteral("Symbol/2"));
        QCOMPARE(fonts.last(), QStringLiteral("Verdana/2"));
    }

    void pasteInProgramModeInsertsSymbolsWhoseButtonsAreDisabled()
    {
        m_form->SpeedButton23Click(m_form.get()); // ⊢
        m_form->SeleccionatTodo1->trigger();
        m_form->Cortar1->trigger();
        QCOMPARE(m_edit->bytes(), QByteArray());
        m_dialogs->queueMessageBox(IDNO);
        m_form->SpeedButton12Click(m_form.get()); // "Nuevo Programa"
        QVERIFY(!m_form->speedButton(23)->isEnabled());
        m_form->Pegar1->trigger();
        QCOMPARE(m_edit->bytes(), QByteArray("\xF7\x2D"));
        QCOMPARE(fontsOf(*m_edit), (QStringList{"Symbol/2", "Symbol/2"}));
    }

    void pastePrefersRtfThenHtmlThenText()
    {
        QClipboard *clipboard = QApplication::clipboard();
        clipboard->setMimeData(mime("{\\rtf1{\\fonttbl{\\f0 Symbol;}}\\f0 R}", "<b>H</b>", "T"));
        m_form->Pegar1->trigger();
        clipboard->setMimeData(mime({}, "<b>H</b>", "T"));
        m_form->Pegar1->trigger();
        clipboard->setMimeData(mime({}, {}, "T"));
        m_form->Pegar1->trigger();
        // Another editor's RTF that ours cannot read yields to the next form.
        clipboard->setMimeData(mime("not rtf", {}, "X"));
        m_form->Pegar1->trigger();
        QCOMPARE(m_edit->bytes(), QByteArray("RHTX"));
        QCOMPARE(faceName(m_edit->document()->begin().begin().fragment().charFormat()),
            QStringLiteral("Symbol"));
        m_edit->setSelStart(1);
        m_edit->setSelLength(1);
        QCOMPARE(int(m_edit->selStyle()), int(fmt::Bold));
        QCOMPARE(m_edit->selFaceName(), QStringLiteral("Verdana"));
    }

    void pastedUnicodeKeepsItsSymbolsAsBytesOfSymbolFonts_data()
    {
        QTest::addColumn<QByteArray>("rtf");
        QTest::addColumn<QString>("text");
        QTest::addColumn<QString>("face");
        QTest::newRow("text") << QByteArray() << QStringLiteral("∀x ¬p □") << "Verdana";
        // Another editor writes the symbols as Unicode in a text font.
        QTest::newRow("rtf") << QByteArray("{\\rtf1\\ansi{\\fonttbl{\\f0\\fcharset0 Arial;}}"
                                           "\\f0\\u8704?x \\'acp \\u9633?}")
                             << QString() << "Arial";
    }

    void pastedUnicodeKeepsItsSymbolsAsBytesOfSymbolFonts()
    {
        QFETCH(QByteArray, rtf);
        QFETCH(QString, text);
        QFETCH(QString, face);
        QApplication::clipboard()->setMimeData(mime(rtf, {}, text));
        m_form->Pegar1->trigger();
        QCOMPARE(m_edit->bytes(), QByteArray("\x22x \xACp \xA3"));
        const QString t = face + QStringLiteral("/0");
        QCOMPARE(fontsOf(*m_edit), (QStringList{"Symbol/2", t, t, t, t, t, "Wingdings 2/2"}));
    }

    void pastedCharactersKeepTheirOwnFormatsAndTurnstilesTheirTwoBytes()
    {
        QApplication::clipboard()->setMimeData(mime({},
            QStringLiteral(
                "<span style='color:#ff0000'>∀</span><span style='color:#0000ff'>∃</span>"
                "<b>∀</b><i>∃</i>"),
            {}));
        m_form->Pegar1->trigger();
        QApplication::clipboard()->setMimeData(mime({}, {}, QStringLiteral("p⊢q⊨")));
        m_form->Pegar1->trigger();
        QCOMPARE(m_edit->bytes(), QByteArray("\x22\x24\x22\x24p\xF7\x2Dq\xF7\x3D"));
        QCOMPARE(fontsOf(*m_edit).mid(4),
            (QStringList{
                "Verdana/0", "Symbol/2", "Symbol/2", "Verdana/0", "Symbol/2", "Symbol/2"}));
        const auto at = [this](int i) {
            QTextCursor c(m_edit->document());
            c.setPosition(i + 1);
            return c.charFormat();
        };
        QCOMPARE(color(at(0)), QColor(Qt::red));
        QCOMPARE(color(at(1)), QColor(Qt::blue));
        QCOMPARE(style(at(2)), fmt::Bold);
        QCOMPARE(style(at(3)), fmt::Italic);
    }

    void typedSymbolsBeyondTheTypingFontAreKeptAsPastedOnesAndTypingGoesOn()
    {
        // A compose key sends ∀ as a key; an input method commits ⊨ and □.
        QKeyEvent forall(QEvent::KeyPress, 0, Qt::NoModifier, QStringLiteral("∀"));
        QApplication::sendEvent(m_edit, &forall);
        QTest::keyClicks(m_edit, "x ");
        QInputMethodEvent commit;
        commit.setCommitString(QStringLiteral("⊨□"));
        QApplication::sendEvent(m_edit, &commit);
        QTest::keyClicks(m_edit, "p");
        QCOMPARE(m_edit->bytes(), QByteArray("\x22x \xF7\x3D\xA3p"));
        QCOMPARE(fontsOf(*m_edit),
            (QStringList{"Symbol/2", "Verdana/0", "Verdana/0", "Symbol/2", "Symbol/2",
                "Wingdings 2/2", "Verdana/0"}));
        // One undo step each, as for any typed text.
        m_edit->undo();
        m_edit->undo();
        QCOMPARE(m_edit->bytes(), QByteArray("\x22x "));
    }

    void copiedTextWithoutAFontOfItsOwnNamesTheDocumentsFont()
    {
        m_edit->adoptDocument(documentFromBytes("plain", true).release()); // as from a .txt
        m_form->SeleccionatTodo1->trigger();
        m_form->Copiar1->trigger();
        const QByteArray rtf = QApplication::clipboard()->mimeData()->data("text/rtf");
        QVERIFY2(rtf.contains("\\fcharset0 Verdana;}") && rtf.contains("\\fs20 "), rtf.constData());
    }

    void emptyOrUnusableClipboardChangesNothing()
    {
        QTest::keyClicks(m_edit, "abc");
        m_edit->setModified(false);
        m_edit->setSelStart(1);
        m_edit->setSelLength(1);
        QApplication::clipboard()->clear();
        m_form->Pegar1->trigger();
        auto *picture = new QMimeData;
        picture->setImageData(QImage(4, 4, QImage::Format_RGB32));
        QApplication::clipboard()->setMimeData(picture);
        m_form->Pegar1->trigger();
        QApplication::clipboard()->setMimeData(mime("{\\rtf1 }", {}, {}));
        m_form->Pegar1->trigger();
        QCOMPARE(m_edit->bytes(), QByteArray("abc"));
        QCOMPARE(m_edit->selLength(), 1);
        QVERIFY(!m_edit->modified());
        QVERIFY(m_dialogs->messageBoxes.isEmpty());
    }

private:
    static constexpr void (TForm1::*kInsert[24])(QObject *)
        = {nullptr, &TForm1::SpeedButton1Click, nullptr, nullptr, nullptr, nullptr,
            &TForm1::SpeedButton6Click, &TForm1::SpeedButton7Click, nullptr, nullptr, nullptr,
            nullptr, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr,
            nullptr, &TForm1::SpeedButton21Click, &TForm1::SpeedButton22Click, nullptr};
};

QTEST_MAIN(TestClipboard)
#include "tst_clipboard.moc"
