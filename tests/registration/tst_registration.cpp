// The first-run registration of ".zvk": the marker, the classes-root store, and what the
// desktop makes of it. Every test runs in its own executable, data and configuration folders,
// with a system data folder of its own: an installed Zarvik package changes no answer.

#include "Unit1.h"

#include "DesktopFolders.h"
#include "FakeDialogs.h"

#include "platform/app/Application.h"
#include "platform/registry/Registry.h"
#include "platform/registry/ShellNotify.h"
#include "platform/richedit/RichEdit.h"
#include "platform/widgets/SpeedButton.h"

#include <QAction>
#include <QApplication>
#include <QDir>
#include <QMimeDatabase>
#include <QProcess>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTest>

using namespace zv;

namespace {

const QString kMime = QStringLiteral("application/x-zarvik");

QByteArray readAll(const QString &path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

void writeAll(const QString &path, const QByteArray &data)
{
    QFile file(path);
    QVERIFY(file.open(QIODevice::WriteOnly));
    QCOMPARE(file.write(data), data.size());
}

/// A stand-in for the product: it records the arguments it is started with.
void makeExecutable(const QString &folder)
{
    QVERIFY(QDir().mkpath(folder));
    const QString path = folder + QStringLiteral("/Zarvik");
    writeAll(path, "#!/bin/sh\nprintf '%s\\n' \"$@\" > \"$(dirname \"$0\")/launched.txt\"\n");
    QVERIFY(QFile::setPermissions(path,
        QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner | QFile::ReadOther
            | QFile::ExeOther));
}

/// Runs a desktop tool; its standard output, trimmed, or nothing when it is not installed.
std::optional<QString> runTool(const QString &name, const QStringList &arguments)
{
    if (QStandardPaths::findExecutable(name).isEmpty())
        return std::nullopt;
    QProcess process;
    process.start(name, arguments);
    if (!process.waitForFinished(120000))
        return QString();
    return QString::fromUtf8(process.readAllStandardOutput()).trimmed();
}

} // namespace

#define SKIP_WITHOUT(tool)                                                                         \
    if (QStandardPaths::findExecutable(QStringLiteral(tool)).isEmpty())                            \
    QSKIP(tool " is not installed")

class TestRegistration : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void init()
    {
        m_root = std::make_unique<QTemporaryDir>();
        QVERIFY(m_root->isValid());
        m_desktop = std::make_unique<test::DesktopFolders>();
        QVERIFY(m_desktop->isValid());
        m_data = m_desktop->dataHome();
        m_store = m_data + QStringLiteral("/zarvik/classes-root/");
        m_exe = m_root->filePath(QStringLiteral("exe")) + QLatin1Char('/');
        makeExecutable(m_exe);
        // xdg-mime's generic mode keeps the defaults in mimeapps.list, where the tests look.
        qunsetenv("XDG_CURRENT_DESKTOP");
        setExeFolderForTests(m_exe);
        m_dialogs = std::make_unique<test::FakeDialogs>();
    }

    void cleanup()
    {
        m_form.reset();
        m_dialogs.reset();
        setExeFolderForTests(QString());
        m_desktop.reset();
        m_root.reset();
    }

    void firstStartWritesTheFiveValuesAndAThreeByteMarker()
    {
        start();
        QCOMPARE(m_dialogs->errors(), QStringList());

        const QByteArray exe = QFile::encodeName(m_exe) + "Zarvik";
        QCOMPARE(rawValue(".zvk"), QByteArray("Zarvik", 7));
        QCOMPARE(rawValue("Zarvik"), QByteArray("Archivo de edicion logica", 26));
        QCOMPARE(rawValue("Zarvik\\DefaultIcon"), exe + QByteArray(",0", 3));
        QCOMPARE(rawValue("Zarvik\\Shell\\Open"), QByteArray("&Open", 6));
        QCOMPARE(rawValue("Zarvik\\Shell\\Open\\Command"), '"' + exe + QByteArray("\" \"%1\"", 7));
        // Nothing else: the intermediate Shell key has no value, and no other key exists.
        QVERIFY(!QFile::exists(m_store + QStringLiteral("Zarvik/Shell/@")));
        QCOMPARE(QDir(m_store).entryList(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot),
            QStringList({QStringLiteral(".zvk"), QStringLiteral("Zarvik")}));

        QCOMPARE(readAll(m_exe + QStringLiteral("Zarvik.cfg")), QByteArray(" \r\n"));
        QCOMPARE(QDir(m_exe).entryList({QStringLiteral("*.cfg")}, QDir::Files),
            QStringList(QStringLiteral("Zarvik.cfg")));

        // The notification's files, and the rest of the show handler.
        const QByteArray package = readAll(m_data + QStringLiteral("/mime/packages/zarvik.xml"));
        QVERIFY(package.contains("<mime-type type=\"application/x-zarvik\">"));
        QVERIFY(package.contains("<glob pattern=\"*.zvk\"/>"));
        QVERIFY(package.contains("<comment>Archivo de edicion logica</comment>"));
        const QByteArray icon = readAll(QStringLiteral(":/icons/zarvik.svg"));
        QVERIFY(!icon.isEmpty());
        const QString icons = m_data + QStringLiteral("/icons/hicolor/scalable/");
        QCOMPARE(readAll(icons + QStringLiteral("mimetypes/application-x-zarvik.svg")), icon);
        QCOMPARE(readAll(icons + QStringLiteral("apps/zarvik.svg")), icon);
        const QByteArray entry = desktopEntry();
        QVERIFY2(entry.contains("\nExec=" + exe + " %f\n"), entry.constData());
        QVERIFY(entry.contains("\nMimeType=application/x-zarvik;\n"));
        QVERIFY(entry.contains("\nIcon=zarvik\n"));
        QCOMPARE(m_form->RichEdit1->toPlainText(), QString());
        QVERIFY(!m_form->speedButton(27)->isEnabled());
    }

    void markerInAnyCaseWithAnyContentStopsTheRegistration_data()
    {
        QTest::addColumn<QString>("name");
        QTest::addColumn<QByteArray>("content");
        QTest::newRow("capitalised, empty") << "Zarvik.cfg" << QByteArray();
        QTest::newRow("upper case") << "ZARVIK.CFG" << QByteArray(" \r\n");
        QTest::newRow("lower case, other content") << "zarvik.cfg" << QByteArray("anything");
    }

    void markerInAnyCaseWithAnyContentStopsTheRegistration()
    {
        QFETCH(QString, name);
        QFETCH(QByteArray, content);
        writeAll(m_exe + name, content);
        start();
        QCOMPARE(m_dialogs->errors(), QStringList());
        QVERIFY(!QFileInfo::exists(m_data));
        QCOMPARE(QDir(m_exe).entryList({QStringLiteral("*.cfg")}, QDir::Files), QStringList(name));
        QCOMPARE(readAll(m_exe + name), content);
        QCOMPARE(m_form->RichEdit1->toPlainText(), QString());
    }

    // A link anyone could plant is no marker, and the marker's write replaces it: the file it
    // points at is neither created nor touched.
    void linkNamedLikeTheMarkerIsNoMarker_data()
    {
        QTest::addColumn<bool>("dangling");
        QTest::newRow("dangling") << true;
        QTest::newRow("to a file") << false;
    }

    void linkNamedLikeTheMarkerIsNoMarker()
    {
        QFETCH(bool, dangling);
        const QString target = m_root->filePath(QStringLiteral("elsewhere"));
        if (!dangling)
            writeAll(target, "ajeno");
        QVERIFY(QFile::link(target, m_exe + QStringLiteral("Zarvik.cfg")));
        start();
        QCOMPARE(m_dialogs->errors(), QStringList());
        QVERIFY(!rawValue("Zarvik\\Shell\\Open\\Command").isEmpty());
        QVERIFY(!QFileInfo(m_exe + QStringLiteral("Zarvik.cfg")).isSymLink());
        QCOMPARE(readAll(m_exe + QStringLiteral("Zarvik.cfg")), QByteArray(" \r\n"));
        QCOMPARE(QFileInfo::exists(target), !dangling);
        if (!dangling)
            QCOMPARE(readAll(target), QByteArray("ajeno"));
    }

    // An installed copy: its folder is read-only and the package already gave the desktop the
    // type, the icon and the menu entry. The registration keeps its store and its marker per
    // user, and leaves the package's files alone, visible.
    void installedCopyRegistersPerUserAndLeavesThePackageFilesAlone()
    {
        const QString system = m_desktop->dataDirs();
        const QStringList provided = {QStringLiteral("applications/zarvik.desktop"),
            QStringLiteral("mime/packages/zarvik.xml"),
            QStringLiteral("icons/hicolor/scalable/apps/zarvik.svg"),
            QStringLiteral("icons/hicolor/scalable/mimetypes/application-x-zarvik.svg")};
        for (const QString &file : provided) {
            QVERIFY(QDir().mkpath(QFileInfo(system + '/' + file).path()));
            writeAll(system + '/' + file, "del paquete");
        }
        QVERIFY(QFile::setPermissions(m_exe, QFile::ReadOwner | QFile::ExeOwner));
        start();
        QVERIFY(
            QFile::setPermissions(m_exe, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner));

        QCOMPARE(m_dialogs->errors(), QStringList());
        QCOMPARE(
            rawValue("Zarvik\\DefaultIcon"), QFile::encodeName(m_exe) + QByteArray("Zarvik,0", 9));
        QCOMPARE(readAll(m_data + QStringLiteral("/zarvik/Zarvik.cfg")), QByteArray(" \r\n"));
        QVERIFY(!QFileInfo::exists(m_exe + QStringLiteral("Zarvik.cfg")));
        for (const QString &file : provided)
            QVERIFY2(!QFileInfo::exists(m_data + '/' + file), qPrintable(file));
    }

    void folderNamedLikeTheMarkerFailsOnlyAfterTheRegistration()
    {
        QVERIFY(QDir().mkdir(m_exe + QStringLiteral("Zarvik.cfg")));
        start();
        QCOMPARE(m_dialogs->errors(),
            QStringList(QStringLiteral("Cannot create file %1Zarvik.cfg.").arg(m_exe)));
        QCOMPARE(m_dialogs->messageBoxes.first().flags, unsigned(MB_OK | MB_ICONERROR));
        QVERIFY(!rawValue("Zarvik\\Shell\\Open\\Command").isEmpty());
        QVERIFY(!desktopEntry().isEmpty());
        expectShowHandlerCutShort();
    }

    void failedWriteKeepsTheEarlierStepsAndSkipsTheRest_data()
    {
        // A file where a step's key belongs makes that step's write the first to fail.
        QTest::addColumn<int>("failingStep");
        QTest::addColumn<QString>("blocker");
        QTest::newRow("1 .zvk") << 1 << ".zvk";
        QTest::newRow("2 Zarvik") << 2 << "Zarvik";
        QTest::newRow("3 DefaultIcon") << 3 << "Zarvik/DefaultIcon";
        QTest::newRow("4 Shell\\Open") << 4 << "Zarvik/Shell";
        QTest::newRow("5 Command") << 5 << "Zarvik/Shell/Open/Command";
    }

    void failedWriteKeepsTheEarlierStepsAndSkipsTheRest()
    {
        QFETCH(int, failingStep);
        QFETCH(QString, blocker);
        QVERIFY(QDir().mkpath(QFileInfo(m_store + blocker).absolutePath()));
        writeAll(m_store + blocker, "in the way");

        start();
        const char *keys[] = {".zvk", "Zarvik", "Zarvik\\DefaultIcon", "Zarvik\\Shell\\Open",
            "Zarvik\\Shell\\Open\\Command"};
        // The message names the key, and ends in an apostrophe, which takes no full stop.
        QCOMPARE(m_dialogs->errors(),
            QStringList(QStringLiteral("Failed to set data for '%1'")
                            .arg(QLatin1String(keys[failingStep - 1]))));
        for (int step = 1; step <= 5; ++step)
            QCOMPARE(!rawValue(keys[step - 1]).isEmpty(), step < failingStep);
        QVERIFY(!QFileInfo::exists(m_data + QStringLiteral("/mime")));
        QVERIFY(!QFileInfo::exists(m_data + QStringLiteral("/applications")));
        QVERIFY(!QFileInfo::exists(m_exe + QStringLiteral("Zarvik.cfg")));
        expectShowHandlerCutShort();
    }

    void unwritableStoreFailsAgainAtEveryStart()
    {
        QVERIFY(QDir().mkpath(m_data));
        writeAll(m_data + QStringLiteral("/zarvik"), "not a folder");
        for (int run = 0; run < 2; ++run) {
            m_form.reset();
            m_dialogs.reset(); // before its successor installs itself
            m_dialogs = std::make_unique<test::FakeDialogs>();
            start();
            QCOMPARE(
                m_dialogs->errors(), QStringList(QStringLiteral("Failed to set data for '.zvk'")));
            QVERIFY(!QFileInfo::exists(m_exe + QStringLiteral("Zarvik.cfg")));
            expectShowHandlerCutShort();
        }
    }

    void pathWithSpacesIsQuotedInTheCommandButNotInTheIcon()
    {
        m_exe = m_root->filePath(QStringLiteral("my apps/Zarvik 2")) + QLatin1Char('/');
        makeExecutable(m_exe);
        setExeFolderForTests(m_exe);
        start();
        const QByteArray exe = QFile::encodeName(m_exe) + "Zarvik";
        QCOMPARE(rawValue("Zarvik\\DefaultIcon"), exe + QByteArray(",0", 3));
        QCOMPARE(rawValue("Zarvik\\Shell\\Open\\Command"), '"' + exe + QByteArray("\" \"%1\"", 7));
        QVERIFY(desktopEntry().contains("\nExec=\"" + exe + "\" %f\n"));
        const QString entry = m_data + QStringLiteral("/applications/zarvik.desktop");
        if (const auto complaints = runTool(QStringLiteral("desktop-file-validate"), {entry}))
            QCOMPARE(*complaints, QString());
    }

    void secondCopyInAnotherFolderTakesTheTypeOver()
    {
        // An older association of the extension, under another letter case, is overwritten.
        QVERIFY(QDir().mkpath(m_store + QStringLiteral(".ZVK")));
        writeAll(m_store + QStringLiteral(".ZVK/@"), QByteArray("OtherType", 10));
        start();
        const QString other = m_root->filePath(QStringLiteral("copy")) + QLatin1Char('/');
        makeExecutable(other);
        setExeFolderForTests(other);
        start();

        QCOMPARE(RegistryKey::open(QStringLiteral(".zvk")).defaultValue().value_or(QString()),
            QStringLiteral("Zarvik"));
        QCOMPARE(RegistryKey::open(QStringLiteral("zarvik\\shell\\open\\command"))
                     .defaultValue()
                     .value_or(QString()),
            QLatin1Char('"') + other + QStringLiteral("Zarvik\" \"%1\""));
        QVERIFY(desktopEntry().contains("\nExec=" + QFile::encodeName(other) + "Zarvik %f\n"));
        QCOMPARE(readAll(other + QStringLiteral("Zarvik.cfg")), QByteArray(" \r\n"));
        if (const auto answer = runTool(QStringLiteral("xdg-mime"), {"query", "default", kMime}))
            QCOMPARE(*answer, QStringLiteral("zarvik.desktop"));
    }

    void execLineQuotesOnlyWhatItMust_data()
    {
        QTest::addColumn<QString>("command");
        QTest::addColumn<QString>("exec");
        QTest::newRow("plain") << R"("/opt/z/Zarvik" "%1")"
                               << R"(/opt/z/Zarvik %f)";
        QTest::newRow("unquoted") << R"(/opt/z/Zarvik %1)"
                                  << R"(/opt/z/Zarvik %f)";
        QTest::newRow("space") << R"("/my z/Zarvik" "%1")"
                               << R"("/my z/Zarvik" %f)";
        QTest::newRow("dollar") << R"("/a$b/Zarvik" "%1")"
                                << R"("/a\\$b/Zarvik" %f)";
        QTest::newRow("backslash") << R"("/a\b/Zarvik" "%1")"
                                   << R"("/a\\\\b/Zarvik" %f)";
        QTest::newRow("percent") << R"("/100%/Zarvik" "%1")"
                                 << R"(/100%%/Zarvik %f)";
        QTest::newRow("quote") << R"("/say "hi"/Zarvik" "%1")"
                               << R"("/say \\"hi\\"/Zarvik" %f)";
        // (Plain literals: moc reads a raw string with an odd number of quotes wrongly.)
        QTest::newRow("quote, blank") << "\"/opt/a\" b/Zarvik\" \"%1\""
                                      << "\"/opt/a\\\\\" b/Zarvik\" %f";
    }

    void execLineQuotesOnlyWhatItMust()
    {
        QFETCH(QString, command);
        QFETCH(QString, exec);
        QCOMPARE(desktopExecFromCommand(command), exec);
    }

    // The desktop's own view ----------------------------------------------------------------

    void qtMimeDatabaseNamesTheType()
    {
        SKIP_WITHOUT("update-mime-database");
        start();
        const QString document = m_root->filePath(QStringLiteral("x.zvk"));
        writeAll(document, "{\\rtf1\\ansi hola}");
        // A fresh process: this one's database may have been loaded before the type existed.
        QProcess child;
        child.start(
            QCoreApplication::applicationFilePath(), {QStringLiteral("--mime-type-of"), document});
        QVERIFY(child.waitForFinished(120000));
        QCOMPARE(QString::fromUtf8(child.readAllStandardOutput()).trimmed(), kMime);
    }

    void xdgMimeNamesTheTypeAndTheEntry()
    {
        SKIP_WITHOUT("xdg-mime");
        SKIP_WITHOUT("update-mime-database");
        // Without it, xdg-mime answers text/plain whatever the database says.
        SKIP_WITHOUT("mimetype");
        start();
        const QString document = m_root->filePath(QStringLiteral("x.zvk"));
        writeAll(document, "{\\rtf1\\ansi hola}");
        QCOMPARE(runTool(QStringLiteral("xdg-mime"), {"query", "filetype", document})
                     .value_or(QString()),
            kMime);
        QCOMPARE(
            runTool(QStringLiteral("xdg-mime"), {"query", "default", kMime}).value_or(QString()),
            QStringLiteral("zarvik.desktop"));
    }

    void gioOpensADocumentWithThisExecutable()
    {
        SKIP_WITHOUT("gio");
        SKIP_WITHOUT("update-mime-database");
        // Quoting and escaping in the entry must bring this folder back intact. (No "%": gio
        // looks for the program before it turns "%%" back into "%", and ignores the entry.)
        m_exe = m_root->filePath(QStringLiteral("my apps/$HOME 'x' a\" b")) + QLatin1Char('/');
        makeExecutable(m_exe);
        setExeFolderForTests(m_exe);
        start();
        const QString listing = runTool(QStringLiteral("gio"), {"mime", kMime}).value_or(QString());
        QVERIFY2(listing.contains(QStringLiteral("zarvik.desktop")), qPrintable(listing));

        const QString document = m_root->filePath(QStringLiteral("mi documento.zvk"));
        writeAll(document, "{\\rtf1\\ansi hola}");
        runTool(QStringLiteral("gio"), {"open", document});
        const QString launched = m_exe + QStringLiteral("launched.txt");
        QTRY_VERIFY_WITH_TIMEOUT(QFileInfo(launched).size() > 0, 60000);
        QCOMPARE(QString::fromUtf8(readAll(launched)), document + QLatin1Char('\n'));
    }

private:
    void start()
    {
        m_form = std::make_unique<TForm1>();
        m_form->show();
        QVERIFY(QTest::qWaitForWindowExposed(m_form.get(), 60000));
    }

    QByteArray rawValue(const char *key) const
    {
        return readAll(m_store
            + QString::fromLatin1(key).replace(QLatin1Char('\\'), QLatin1Char('/'))
            + QStringLiteral("/@"));
    }

    QByteArray desktopEntry() const
    {
        return readAll(m_data + QStringLiteral("/applications/zarvik.desktop"));
    }

    /// After a failed first-run check the show handler goes no further: no text mode, no clear.
    void expectShowHandlerCutShort() const
    {
        for (int number = 1; number <= 27; ++number)
            QVERIFY2(m_form->speedButton(number)->isEnabled(), qPrintable(QString::number(number)));
        QVERIFY(m_form->CompilarPrograma1->isEnabled());
        QCOMPARE(m_form->RichEdit1->toPlainText(), QStringLiteral("RichEdit1"));
        QVERIFY(m_form->isVisible());
    }

    std::unique_ptr<QTemporaryDir> m_root;
    std::unique_ptr<test::DesktopFolders> m_desktop;
    QString m_data;
    QString m_store;
    QString m_exe;
    std::unique_ptr<test::FakeDialogs> m_dialogs;
    std::unique_ptr<TForm1> m_form;
};

int main(int argc, char *argv[])
{
    // The child that reads the MIME database afresh.
    if (argc == 3 && qstrcmp(argv[1], "--mime-type-of") == 0) {
        QCoreApplication application(argc, argv);
        const QString path = QFile::decodeName(argv[2]);
        QTextStream(stdout) << QMimeDatabase().mimeTypeForFile(path).name() << '\n';
        return 0;
    }
    QApplication application(argc, argv);
    TestRegistration test;
    return QTest::qExec(&test, argc, argv);
}

#include "tst_registration.moc"
