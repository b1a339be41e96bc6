// The main window as the user first sees it, and the about window.

#include "Unit1.h"
#include "Unit2.h"

#include "FakeDialogs.h"
#include "MainWindowFixture.h"

#include "Unit3.h"

#include "platform/app/Application.h"
#include "platform/printing/DocumentPrinter.h"
#include "platform/richedit/RichEdit.h"
#include "platform/widgets/SpeedButton.h"

#include <QAction>
#include <QFrame>
#include <QLabel>
#include <QMenu>
#include <QMenuBar>
#include <QPlainTextEdit>
#include <QPrinter>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>

using namespace zv;

class TestMainWindow : public QObject, private test::MainWindowTest
{
    Q_OBJECT

private Q_SLOTS:
    void init() { QVERIFY(makeMainWindow()); }

    void cleanup() { closeMainWindow(); }

    void layoutGivesTheInitialTextUntilShown()
    {
        QCOMPARE(m_form->RichEdit1->toPlainText(), QStringLiteral("RichEdit1"));
        // Everything starts enabled; showing puts the editor in text mode.
        QVERIFY(m_form->speedButton(27)->isEnabled());
        QVERIFY(m_form->CompilarPrograma1->isEnabled());
    }

    void showingClearsTheEditorIntoTextModeWithVerdanaTen()
    {
        m_form->show();
        QVERIFY(QTest::qWaitForWindowExposed(m_form.get(), 60000));
        RichEdit *edit = m_form->RichEdit1;
        QCOMPARE(edit->toPlainText(), QString());
        QVERIFY(!edit->modified());
        QCOMPARE(edit->selFaceName(), QStringLiteral("Verdana"));
        QCOMPARE(edit->selSize(), 10);
        QCOMPARE(edit->selColor(), QColor(Qt::black));
        QVERIFY(!m_form->speedButton(27)->isEnabled());
        QVERIFY(!m_form->CompilarPrograma1->isEnabled());
        QCOMPARE(m_form->windowTitle(), QStringLiteral("Zarvik - Editor de Lógica"));
        QVERIFY(edit->hasFocus());
        QVERIFY(m_dialogs->messageBoxes.isEmpty());

        QTest::keyClicks(edit, "p");
        QCOMPARE(edit->bytes(), QByteArray("p"));
        QVERIFY(edit->modified());
    }

    void toolbarHoldsTwentySevenUnfocusableButtonsAtTheirPlaces()
    {
        const QList<QPair<int, int>> pictures = {{9, 8}, {10, 32}, {12, 64}, {13, 88}, {11, 120},
            {14, 144}, {27, 168}, {24, 208}, {25, 232}, {26, 256}};
        for (auto [number, left] : pictures)
            QCOMPARE(m_form->speedButton(number)->geometry(), QRect(left, 8, 23, 22));
        const auto buttons = m_form->Panel1->findChildren<SpeedButton *>();
        QCOMPARE(buttons.size(), 27);
        for (SpeedButton *b : buttons) {
            QCOMPARE(b->focusPolicy(), Qt::NoFocus);
            QCOMPARE(b->objectName().left(11), QStringLiteral("SpeedButton"));
        }
        QCOMPARE(m_form->Panel1->height(), 41);
        QCOMPARE(m_form->speedButton(27)->toolTip(), QStringLiteral("COMPILAR PROGRAMA"));
        QCOMPARE(m_form->speedButton(24)->toolTip(), QString());
        QCOMPARE(m_form->speedButton(25)->font().underline(), true);
        QCOMPARE(m_form->speedButton(26)->font().italic(), true);
    }

    void menusCarryTheirCaptionsShortcutsAndPictures()
    {
        struct Item
        {
            QAction *action;
            const char *caption;
            QKeySequence key;
            bool picture;
        };
        const Item items[] = {
            {m_form->Nuevo1, "Nuevo Texto", Qt::Key_F1, true},
            {m_form->Abrir1, "Abrir Texto", Qt::Key_F2, true},
            {m_form->NuevoPrograma1, "Nuevo Programa", {}, false},
            {m_form->AbrirPrograma1, "Abrir Programa", {}, false},
            {m_form->CompilarPrograma1, "Compilar Programa", {}, false},
            {m_form->DetenerPrograma1, "Detener programa", {}, false},
            {m_form->Guardar1, "Guardar", Qt::Key_F3, true},
            {m_form->Imprimir1, "Imprimir", Qt::Key_F4, true},
            {m_form->Salir1, "Salir", Qt::Key_F10, true},
            {m_form->SeleccionatTodo1, "Seleccionar Todo", Qt::Key_F5, true},
            {m_form->Cortar1, "Cortar", Qt::Key_F6, true},
            {m_form->Copiar1, "Copiar", Qt::Key_F7, true},
            {m_form->Pegar1, "Pegar", Qt::Key_F8, true},
            {m_form->Borrar1, "Borrar", Qt::Key_F9, true},
            {m_form->Fuentes1, "Fuentes", Qt::Key_F11, true},
            {m_form->Fondo1, "Fondo", Qt::Key_F12, true},
        };
        for (const Item &item : items) {
            QCOMPARE(item.action->text(), QString::fromUtf8(item.caption));
            QCOMPARE(item.action->shortcut(), item.key);
            QCOMPARE(!item.action->icon().isNull(), item.picture);
        }
        const QList<QAction *> bar = m_form->menuBar()->actions();
        // Added menus come after the specified ones, the help item last.
        QCOMPARE(bar.size(), 7);
        QCOMPARE(bar[0]->text(), QStringLiteral("Archivo"));
        QCOMPARE(bar[1]->text(), QStringLiteral("Editar"));
        QCOMPARE(bar[2]->text(), QStringLiteral("Configurar"));
        QCOMPARE(bar[3]->text(), QStringLiteral("Símbolos"));
        QCOMPARE(bar[4], m_form->Logica1->menuAction());
        QCOMPARE(bar[5], m_form->ManualDeZarvik1);
        QVERIFY(!bar[5]->menu());
        QCOMPARE(bar[6], m_form->AyudayCaercade1);
        QCOMPARE(bar[6]->text(), QStringLiteral("Ayuda y Acerca de ..."));
        QVERIFY(!bar[6]->menu());
        const QList<QAction *> archivo = m_form->Archivo1->actions();
        QCOMPARE(archivo.size(), 14);
        QVERIFY(
            archivo[2]->isSeparator() && archivo[6]->isSeparator() && archivo[9]->isSeparator());
        // Added after the specified items; "Detener programa" is usable only while a run waits.
        QCOMPARE(archivo[11], m_form->GuardarComo1);
        QCOMPARE(archivo[11]->text(), QStringLiteral("Guardar como…"));
        QCOMPARE(archivo[11]->shortcut(), QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_S));
        QCOMPARE(archivo[12], m_form->DetenerPrograma1);
        QVERIFY(!m_form->DetenerPrograma1->isEnabled());
        QCOMPARE(archivo[13], m_form->Exportar1);
        QCOMPARE(m_form->Editar1->actions().last(), m_form->CopiarComoLatex1);
    }

    void ctrlAndAltKeysReachTheirCommands()
    {
        m_form->show();
        m_form->activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(m_form.get(), 60000));
        RichEdit *edit = m_form->RichEdit1;
        auto ctrl = [edit](Qt::Key key, Qt::KeyboardModifier more = Qt::NoModifier) {
            QTest::keyClick(edit, key, Qt::ControlModifier | more);
        };
        // Ctrl+X, C and V the control takes itself, as it does Ctrl+A, Z and Shift+Z.
        QTest::keyClicks(edit, "ab");
        for (Qt::Key key : {Qt::Key_A, Qt::Key_B, Qt::Key_I, Qt::Key_U})
            ctrl(key);
        QCOMPARE(int(edit->selStyle()), 0x07);
        // Through the toggles' handlers: their look follows.
        QVERIFY(m_form->speedButton(24)->isFlat() && m_form->speedButton(25)->isFlat());
        QTest::keyClick(edit, Qt::Key_Delete);
        for (auto [key, more, bytes] :
            {std::tuple{Qt::Key_Z, Qt::NoModifier, "ab"}, {Qt::Key_Y, Qt::NoModifier, ""},
                {Qt::Key_Z, Qt::NoModifier, "ab"}, {Qt::Key_Z, Qt::ShiftModifier, ""}}) {
            ctrl(key, more);
            QCOMPARE(edit->bytes(), QByteArray(bytes));
        }

        edit->setModified(false);
        m_dialogs->queueSaveFile(std::nullopt);
        ctrl(Qt::Key_S);
        m_dialogs->queueOpenFile(std::nullopt);
        ctrl(Qt::Key_O);
        QVERIFY(m_dialogs->allAnswersUsed());
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
        ctrl(Qt::Key_N);
        QVERIFY(!m_form->CompilarPrograma1->isEnabled());

        // Alt and the first letter open the menu without typing the letter.
        for (QMenu *menu :
            {m_form->Archivo1, m_form->Editar1, m_form->Confifurar1, m_form->Simbolos1}) {
            QTest::keyClick(edit, Qt::Key(menu->title().at(0).unicode()), Qt::AltModifier);
            QTRY_VERIFY_WITH_TIMEOUT(menu->isVisible(), 60000);
            menu->close();
        }
        QCOMPARE(edit->bytes(), QByteArray());
        ctrl(Qt::Key_Q);
        QVERIFY(!m_form->isVisible());
    }

    void aboutWindowHoldsItsTwelveLinesAndNoKeyClosesIt()
    {
        TForm2 about;
        QCOMPARE(about.windowTitle(), QStringLiteral("Ayuda y Acerca de ..."));
        QCOMPARE(about.size(), QSize(427, 285));
        const QStringList lines = about.Memo1->toPlainText().split('\n');
        const int lengths[] = {80, 83, 78, 82, 79, 12, 85, 82, 0, 78, 81, 49};
        QCOMPARE(lines.size(), 12);
        for (int i = 0; i < 12; ++i)
            QCOMPARE(lines[i].size(), lengths[i]);
        QVERIFY(lines[7].contains(QStringLiteral("\"Wingdinds 2\"")));
        QVERIFY(lines[11].endsWith(QStringLiteral("\" . ")));
        QVERIFY(!about.Memo1->isEnabled());
        QVERIFY(about.Memo1->isReadOnly());
        QCOMPARE(about.Memo1->palette().color(QPalette::Disabled, QPalette::Base),
            QColor(255, 255, 183));
        QCOMPARE(about.Label6->text(), QStringLiteral("Beta 0.3"));
        QCOMPARE(about.Label7->text(), QStringLiteral("07/07/05"));
        QCOMPARE(about.Label2->text(), QStringLiteral("el equipo de Zarvik"));
        // The credits are drawn in their colours, not in the window's text colour.
        const struct
        {
            QLabel *label;
            QColor color;
        } credits[] = {{about.Label2, QColor(128, 0, 0)}, {about.Label3, QColor(0, 128, 0)},
            {about.Label4, QColor(0, 0, 128)}, {about.Label5, QColor(128, 0, 128)}};
        for (const auto &credit : credits) {
            const QImage image = credit.label->grab().toImage();
            bool found = false;
            // Anti-aliased text: look for the colour's hue in its strongest pixels.
            for (int y = 0; y < image.height() && !found; ++y)
                for (int x = 0; x < image.width() && !found; ++x) {
                    const QColor c = image.pixelColor(x, y);
                    found = qAbs(c.red() - credit.color.red()) < 40
                        && qAbs(c.green() - credit.color.green()) < 40
                        && qAbs(c.blue() - credit.color.blue()) < 40;
                }
            QVERIFY2(found, qPrintable(credit.label->objectName()));
        }
        // Every line of the text can be read: wrapped, it still fits the field.
        QVERIFY(about.Memo1->document()->size().height() <= about.Memo1->viewport()->height());
        const double centre = about.Label1->geometry().center().x();
        for (QLabel *credit : {about.Label2, about.Label3, about.Label4, about.Label5})
            QVERIFY(qAbs(credit->geometry().center().x() - centre) <= 1);

        // Escape does not close it; closing it hides it and the next showing is centred again.
        QTimer::singleShot(0, &about, [&] {
            QTest::keyClick(&about, Qt::Key_Escape);
            QVERIFY(about.isVisible());
            about.move(0, 0);
            about.close();
        });
        about.ShowModal();
        QVERIFY(!about.isVisible());
        QTimer::singleShot(0, &about, [&] { about.close(); });
        about.ShowModal();
        const QRect screen = QGuiApplication::primaryScreen()->availableGeometry();
        QVERIFY(qAbs(about.geometry().center().x() - screen.center().x()) <= 2);
    }

    void printLayoutPageDrawsTheEditorsCurrentDocumentWrappedAtItsWidth()
    {
        Form1 = m_form.get();
        TForm3 page;
        auto inkRows = [&page] {
            const QImage image = page.grab().toImage();
            int rows = 0;
            for (int y = 0; y < image.height(); ++y)
                for (int x = 0; x < image.width(); ++x)
                    if (qGray(image.pixel(x, y)) < 128) {
                        ++rows;
                        break;
                    }
            return rows;
        };
        m_form->RichEdit1->clearDocument();
        QCOMPARE(inkRows(), 0);
        const qreal editorWidth = m_form->RichEdit1->document()->textWidth();

        // One paragraph far wider than the page: drawn wrapped over several lines.
        m_form->RichEdit1->replaceSel(QByteArray("mmmm ").repeated(100));
        const int oneLine = [&] {
            m_form->RichEdit1->selectAll();
            m_form->RichEdit1->replaceSel("mmmm");
            return inkRows();
        }();
        m_form->RichEdit1->selectAll();
        m_form->RichEdit1->replaceSel(QByteArray("mmmm ").repeated(100));
        const int wrapped = inkRows();
        QVERIFY2(
            wrapped >= 3 * oneLine, qPrintable(QStringLiteral("%1 %2").arg(wrapped).arg(oneLine)));
        // Drawn from a copy: the editor keeps its own layout (no wrap).
        QCOMPARE(m_form->RichEdit1->document()->textWidth(), editorWidth);

        // A load gives the editor a new document; the page follows it.
        auto *loaded = new QTextDocument;
        loaded->setPlainText(QStringLiteral("mmmm"));
        loaded->setDefaultFont(m_form->RichEdit1->document()->defaultFont());
        m_form->RichEdit1->adoptDocument(loaded);
        QCOMPARE(inkRows(), oneLine);
        Form1 = nullptr;
    }
};

QTEST_MAIN(TestMainWindow)
#include "tst_mainwindow.moc"
