// The application's own rules: the title, the error report and the guard around every entry
// from Qt.

#include "FakeDialogs.h"

#include "platform/app/Application.h"
#include "platform/errors/PlatformError.h"

#include <QApplication>
#include <QTest>
#include <QTimer>

#include <stdexcept>

using namespace zv;

class TestApplication : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void titleIsTheFileNameCutAtTheFirstDotInCapitalisedForm_data()
    {
        QTest::addColumn<QString>("path");
        QTest::addColumn<QString>("title");
        QTest::newRow("plain") << "/opt/zarvik/Zarvik"
                               << "Zarvik";
        QTest::newRow("windows name") << "/opt/Zarvik.exe"
                                      << "Zarvik";
        QTest::newRow("upper case") << "/x/ZARVIK"
                                    << "Zarvik";
        QTest::newRow("first letter kept") << "/x/zARVIK.beta.bin"
                                           << "zarvik";
        QTest::newRow("dotted folder") << "/x.y/Zarvik"
                                       << "Zarvik";
        QTest::newRow("accents") << "/x/ÉDITOR"
                                 << "Éditor";
        QTest::newRow("leading dot") << "/x/.hidden"
                                     << "";
    }

    void titleIsTheFileNameCutAtTheFirstDotInCapitalisedForm()
    {
        QFETCH(QString, path);
        QFETCH(QString, title);
        QCOMPARE(applicationTitle(path), title);
    }

    void fullStopIsAddedOnlyAfterCharactersThatSortAfterIt_data()
    {
        QTest::addColumn<QString>("message");
        QTest::addColumn<QString>("shown");
        QTest::newRow("letter") << "Cannot open file /a/b.zvk"
                                << "Cannot open file /a/b.zvk.";
        QTest::newRow("digit") << "Error 5"
                               << "Error 5.";
        QTest::newRow("slash") << "Folder /"
                               << "Folder /.";
        QTest::newRow("full stop") << "Done."
                                   << "Done.";
        QTest::newRow("apostrophe") << "Failed to set data for ''"
                                    << "Failed to set data for ''";
        QTest::newRow("comma") << "a,"
                               << "a,";
        QTest::newRow("closing bracket") << "(x)"
                                         << "(x)";
        QTest::newRow("question mark") << "¿Seguro?"
                                       << "¿Seguro?.";
        QTest::newRow("accented letter") << "Atención"
                                         << "Atención.";
        QTest::newRow("empty") << ""
                               << "";
    }

    void fullStopIsAddedOnlyAfterCharactersThatSortAfterIt()
    {
        QFETCH(QString, message);
        QFETCH(QString, shown);
        QCOMPARE(withFullStop(message), shown);
    }

    void guardReportsEachErrorOnceAsAnErrorBoxAndGoesOn()
    {
        test::FakeDialogs dialogs;
        int after = 0;
        auto slot
            = guard([&] { throw fileError("Cannot open file %s", QStringLiteral("/tmp/x.zvk")); });
        slot();
        guarded([] { throw std::runtime_error("Stream write error"); });
        guarded([] { throw EAbort(); });
        guarded([&] { ++after; });

        QCOMPARE(after, 1);
        QCOMPARE(dialogs.messageBoxes.size(), 2);
        QCOMPARE(dialogs.messageBoxes[0].text, QStringLiteral("Cannot open file /tmp/x.zvk."));
        QCOMPARE(dialogs.messageBoxes[0].caption, applicationTitle());
        QCOMPARE(dialogs.messageBoxes[0].flags, unsigned(MB_OK | MB_ICONERROR));
        QCOMPARE(dialogs.messageBoxes[1].text, QStringLiteral("Stream write error."));
    }

    void exeFolderEndsInASlashAndFollowsTheTestSeam()
    {
        QVERIFY(exeFolder().endsWith('/'));
        QCOMPARE(exeFolder(), QCoreApplication::applicationDirPath() + '/');
        setExeFolderForTests(QStringLiteral("/tmp/zv folder"));
        QCOMPARE(exeFolder() + "entrada.txt", QStringLiteral("/tmp/zv folder/entrada.txt"));
        setExeFolderForTests(QString());
        QCOMPARE(exeFolder(), QCoreApplication::applicationDirPath() + '/');
    }

    void yesNoBoxEndsOnlyThroughItsButtons_data()
    {
        QTest::addColumn<unsigned>("flags");
        QTest::addColumn<int>("enterAnswers");
        QTest::newRow("Yes by default") << unsigned(MB_YESNO | MB_ICONEXCLAMATION) << int(IDYES);
        QTest::newRow("No by default")
            << unsigned(MB_YESNO | MB_ICONEXCLAMATION | MB_DEFBUTTON2) << int(IDNO);
    }

    void yesNoBoxEndsOnlyThroughItsButtons()
    {
        QFETCH(unsigned, flags);
        QFETCH(int, enterAnswers);
        bool stayedOpen = false;
        QTimer::singleShot(0, [&] {
            QWidget *box = QApplication::activeModalWidget();
            QVERIFY(box);
            QTest::keyClick(box, Qt::Key_Escape);
            box->close(); // what the title bar's close box asks for
            QApplication::processEvents();
            stayedOpen = box->isVisible();
            QTest::keyClick(box->focusWidget() ? box->focusWidget() : box, Qt::Key_Return);
        });
        QCOMPARE(QtDialogs().messageBox(
                     nullptr, QStringLiteral("¿Seguro?"), QStringLiteral("Atención"), flags),
            enterAnswers);
        QVERIFY(stayedOpen);

        // An OK box still closes with Escape.
        QTimer::singleShot(
            0, [] { QTest::keyClick(QApplication::activeModalWidget(), Qt::Key_Escape); });
        QCOMPARE(QtDialogs().messageBox(
                     nullptr, QStringLiteral("Hecho"), QStringLiteral("Zarvik"), MB_OK),
            int(IDOK));
    }
};

QTEST_MAIN(TestApplication)
#include "tst_application.moc"
