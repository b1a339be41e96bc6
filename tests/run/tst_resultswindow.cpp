// The results window: its layout, loading "salida.log" and saving what it shows.

#include "FakeDialogs.h"
#include "RunFixture.h"

#include <QAction>
#include <QGuiApplication>
#include <QMenuBar>
#include <QPlainTextEdit>
#include <QScreen>
#include <QtTest>

using namespace zv::test;

class ResultsWindowTest : public QObject
{
    Q_OBJECT

private:
    std::unique_ptr<FakeDialogs> m_dialogs;
    std::unique_ptr<ExeFolder> m_folder;
    std::unique_ptr<TForm4> m_window;

    QString salida() const { return m_folder->path(QStringLiteral("salida.log")); }
    void showWith(const QByteArray &log)
    {
        writeAll(salida(), log);
        m_window->show();
    }

private Q_SLOTS:
    void init()
    {
        m_dialogs = std::make_unique<FakeDialogs>();
        m_folder = std::make_unique<ExeFolder>();
        m_window = std::make_unique<TForm4>();
    }

    void cleanup()
    {
        m_window.reset();
        m_folder.reset();
        m_dialogs.reset();
    }

    void clientAreaIsBelowTheMenuBarFollowsTheWindowAndGuardarActsAtOnce()
    {
        showWith("x");
        QCOMPARE(m_window->Memo1->size(), QSize(688, 426));
        QVERIFY(m_window->windowFlags() & Qt::WindowMaximizeButtonHint);
        const int menu = m_window->height() - 426;
        m_window->resize(1000, 700);
        QCOMPARE(m_window->Memo1->size(), QSize(1000, 700 - menu));
        // "Exportar a PDF…" is the only item added after it.
        QCOMPARE(m_window->MainMenu1->actions(),
            (QList<QAction *>{m_window->Guardar1, m_window->ExportarPDF1}));
        QCOMPARE(m_window->Guardar1->menu(), nullptr);
    }

    void everyLineBreakBecomesCrLf_data()
    {
        QTest::addColumn<QByteArray>("log");
        QTest::addColumn<int>("lines");
        QTest::addColumn<QByteArray>("text");
        QTest::newRow("lone LF") << QByteArray("a\nb\n") << 3 << QByteArray("a\r\nb\r\n");
        QTest::newRow("lone CR") << QByteArray("a\rb") << 2 << QByteArray("a\r\nb");
        QTest::newRow("CR LF") << QByteArray("a\r\nb") << 2 << QByteArray("a\r\nb");
        QTest::newRow("LF CR is two breaks")
            << QByteArray("a\n\rb") << 3 << QByteArray("a\r\n\r\nb");
        QTest::newRow("empty") << QByteArray() << 1 << QByteArray();
    }

    void everyLineBreakBecomesCrLf()
    {
        QFETCH(QByteArray, log);
        QFETCH(int, lines);
        QFETCH(QByteArray, text);
        showWith(log);
        QCOMPARE(m_window->Memo1->blockCount(), lines);
        QCOMPARE(m_window->text(), text);
        QCOMPARE(m_dialogs->messageBoxes.size(), 0);
    }

    void bytesAreWindows1252()
    {
        showWith("Tautolog\xED"
                 "a \x80 \xAC"
                 "p\r\n");
        QCOMPARE(m_window->Memo1->toPlainText(), QStringLiteral("Tautología € ¬p\n"));
        QCOMPARE(m_window->text(),
            QByteArray("Tautolog\xED"
                       "a \x80 \xAC"
                       "p\r\n"));
    }

    void nulByteHidesNothing()
    {
        const QByteArray log("antes\0despu\xE9s\r\nfin", 18);
        showWith(log);
        const QString shown = m_window->Memo1->toPlainText();
        QVERIFY2(shown.contains(QStringLiteral("después")), qPrintable(shown));
        QVERIFY(shown.contains(QStringLiteral("fin")));
        QVERIFY(!shown.contains(QChar(0)));
        QCOMPARE(m_window->text(), log);
    }

    void missingLogReportsThenShowsEmptyWindow()
    {
        m_window->Memo1->setPlainText(QStringLiteral("algo"));
        m_window->show();
        QCOMPARE(
            m_dialogs->errors(), QStringList{QStringLiteral("Cannot open file %1.").arg(salida())});
        QVERIFY(m_window->isVisible());
        QCOMPARE(m_window->text(), QByteArray());
    }

    void saveWritesTheTextAsHeldAndRemembersTheName()
    {
        showWith("uno\ndos");
        const QString target = m_folder->path(QStringLiteral("resultado"));
        writeAll(target, "un archivo anterior, m\xE1s largo que el texto");
        m_dialogs->queueSaveFile(target);
        m_window->Memo1->appendPlainText(QStringLiteral("añadido"));
        m_window->Guardar1->trigger();

        // Replaced without a question, under the name as typed, with no break added at the end.
        QCOMPARE(readAll(target),
            QByteArray("uno\r\ndos\r\na\xF1"
                       "adido"));
        QCOMPARE(m_dialogs->saveRequests.size(), 1);
        const zv::FileDialogOptions first = m_dialogs->saveRequests.first();
        QCOMPARE(first.filter, QString());
        QCOMPARE(first.defaultSuffix, QString());
        QCOMPARE(first.initialPath, QString());
        QVERIFY(!first.overwritePrompt);
        QVERIFY(!QFile::exists(target + QStringLiteral(".txt")));

        // The second time the dialog offers the name chosen the first time.
        m_dialogs->queueSaveFile(std::nullopt);
        m_window->Guardar1->trigger();
        QCOMPARE(m_dialogs->saveRequests.last().initialPath, target);
        // Cancelled: nothing written. "salida.log" is never written.
        QCOMPARE(readAll(target),
            QByteArray("uno\r\ndos\r\na\xF1"
                       "adido"));
        QCOMPARE(readAll(salida()), QByteArray("uno\ndos"));
        QCOMPARE(m_dialogs->errors(), QStringList());

        // A new window starts with no name.
        TForm4 other;
        m_dialogs->queueSaveFile(std::nullopt);
        other.Guardar1->trigger();
        QCOMPARE(m_dialogs->saveRequests.last().initialPath, QString());
    }

    void saveThatCannotCreateKeepsTextAndOldFile()
    {
        showWith("nuevo");
        const QStringList before
            = QDir(m_folder->path(QString())).entryList(QDir::Files | QDir::Hidden);
        const QString folder = m_folder->path(QStringLiteral("carpeta"));
        QVERIFY(QDir().mkdir(folder));
        m_dialogs->queueSaveFile(folder);
        m_window->Guardar1->trigger();
        QCOMPARE(
            m_dialogs->errors(), QStringList{QStringLiteral("Cannot create file %1.").arg(folder)});
        QVERIFY(QFileInfo(folder).isDir());
        QCOMPARE(m_window->text(), QByteArray("nuevo"));
        // Nothing half-written was left beside it.
        QCOMPARE(QDir(m_folder->path(QString())).entryList(QDir::Files | QDir::Hidden), before);
    }

    void modalWindowIsCentredAndGoneWhenClosed()
    {
        writeAll(salida(), "hola");
        ResultsCatcher catcher(*m_dialogs);
        QPoint centre;
        bool escapeClosed = false;
        catcher.onShown = [&](TForm4 &window) {
            QVERIFY(window.isModal());
            centre = window.geometry().center();
            QTest::keyClick(window.Memo1, Qt::Key_Escape);
            escapeClosed = !window.isVisible();
        };
        m_window->ShowModal();
        QCOMPARE(catcher.shown.size(), 1);
        QCOMPARE(catcher.shown.first().text, QByteArray("hola"));
        QVERIFY(!m_window->isVisible());
        QVERIFY(escapeClosed);
        const QPoint screen = QGuiApplication::primaryScreen()->availableGeometry().center();
        QVERIFY2((centre - screen).manhattanLength() <= 4,
            qPrintable(QStringLiteral("%1,%2").arg(centre.x()).arg(centre.y())));
    }
};

QTEST_MAIN(ResultsWindowTest)
#include "tst_resultswindow.moc"
