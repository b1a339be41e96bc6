// Load and save of document files: the messages, the plain-text switch and atomic replacement.
#include "platform/errors/PlatformError.h"
#include "platform/files/AtomicFile.h"
#include "platform/files/DocumentFile.h"
#include "platform/files/DocumentStream.h"
#include "platform/format/TextFormat.h"
#include "platform/richedit/RichEdit.h"

#include <QDir>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>
#include <QTextCursor>
#include <QTextDocument>
#include <QtTest>

#include <csignal>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>

#include <fcntl.h>
#include <unistd.h>

using namespace zv;

namespace {

QString messageOf(const std::function<void()> &action)
{
    try {
        action();
    } catch (const EPlatformError &error) {
        return error.message();
    }
    return {};
}

// A sequential device that hands out its data a few bytes at a time and, with @p failAfter,
// fails once that many bytes are read, as a network file system or a dying disk may.
class TrickleDevice : public QIODevice
{
public:
    TrickleDevice(QByteArray data, qint64 failAfter)
        : m_data(std::move(data)), m_failAfter(failAfter)
    {
        open(QIODevice::ReadOnly);
    }
    bool isSequential() const override { return true; }

protected:
    qint64 readData(char *out, qint64 max) override
    {
        if (m_failAfter >= 0 && m_done >= m_failAfter)
            return -1;
        const qint64 n = std::min({max, qint64(7), qint64(m_data.size()) - m_done});
        memcpy(out, m_data.constData() + m_done, size_t(n));
        m_done += n;
        return n;
    }
    qint64 writeData(const char *, qint64) override { return -1; }

private:
    QByteArray m_data;
    qint64 m_failAfter;
    qint64 m_done = 0;
};

void writeFile(const QString &path, const QByteArray &bytes)
{
    QFile file(path);
    QVERIFY(file.open(QIODevice::WriteOnly));
    file.write(bytes);
}

QByteArray readFile(const QString &path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

std::unique_ptr<QTextDocument> sample(int repeat = 1)
{
    auto document = std::make_unique<QTextDocument>();
    QTextCursor cursor(document.get());
    QTextCharFormat symbol;
    setCharset(symbol, 2);
    setFaceName(symbol, QStringLiteral("Symbol"));
    QTextCharFormat text;
    setFaceName(text, QStringLiteral("Verdana"));
    for (int i = 0; i < repeat; ++i) {
        cursor.insertText(QStringLiteral("p "), text);
        cursor.insertText(QString::fromUtf8("∧"), symbol);
        cursor.insertText(QStringLiteral(" q\n"), text);
    }
    return document;
}

} // namespace

class TestDocumentFile : public QObject
{
    Q_OBJECT

private:
    QTemporaryDir m_dir;
    QString path(const QString &name) const { return m_dir.filePath(name); }

private Q_SLOTS:
    void missingFileCannotBeOpened()
    {
        const QString missing = path("none.zvk");
        QCOMPARE(messageOf([&] { loadDocument(missing, false); }),
            QStringLiteral("Cannot open file ") + missing);
    }

    void onlyRegularFilesOpenAndNothingWaitsForAWriter()
    {
        const QString fifo = path("x.zvk");
        QCOMPARE(mkfifo(QFile::encodeName(fifo).constData(), 0600), 0);
        for (const QString &file : {fifo, m_dir.path(), QStringLiteral("/dev/zero")})
            QCOMPARE(messageOf([&] { loadDocument(file, false); }),
                QStringLiteral("Cannot open file ") + file);
    }

    void controlCharactersOfATextFileSurviveSaveAndReload()
    {
        const QByteArray text("a\x0c b\x1b\x01\tc\x7f");
        writeFile(path("control.txt"), text);
        saveDocument(*loadDocument(path("control.txt"), false), path("control.zvk"), false);
        QCOMPARE(documentBytes(*loadDocument(path("control.zvk"), false)), text);
    }

    void zvkconvReportsRunningOutOfMemoryAsAFailure()
    {
        // Sparse: larger than the address space the converter gets, yet nothing on disk.
        QFile big(path("big.zvk"));
        QVERIFY(big.open(QIODevice::WriteOnly) && big.resize(qint64(4) << 30));
        big.close();
        QProcess zvkconv;
        zvkconv.start("sh",
            {"-c", "ulimit -v 2000000; exec \"$0\" \"$1\"",
                qEnvironmentVariable("ZV_BUILD_DIR") + "/zvkconv", big.fileName()});
        QVERIFY(zvkconv.waitForFinished(60000));
        QCOMPARE(zvkconv.exitStatus(), QProcess::NormalExit);
        QCOMPARE(zvkconv.exitCode(), 1);
        QVERIFY(zvkconv.readAllStandardError().endsWith("Out of memory\n"));
    }

    void unreadableStreamFailsToLoad()
    {
        // Reading a process's memory from address 0 fails after a successful open.
        QFile probe(QStringLiteral("/proc/self/mem"));
        if (!probe.open(QIODevice::ReadOnly))
            QSKIP("no /proc/self/mem to read from");
        probe.close();
        QCOMPARE(messageOf([] { loadDocument(QStringLiteral("/proc/self/mem"), false); }),
            QStringLiteral("Failed to Load Stream"));
    }

    void streamThatFailsPartWayGivesNoDocument()
    {
        const QByteArray rtf("{\\rtf1\\ansi{\\fonttbl{\\f0 Verdana;}}\\f0 p \\'ac q\\par}");
        TrickleDevice whole(rtf, -1);
        const std::unique_ptr<QTextDocument> read = readDocument(whole, false);
        QVERIFY(read);
        QCOMPARE(documentBytes(*read), QByteArray("p \xac q\r\n"));
        // A failure after a good start is a failure, not a shorter document.
        TrickleDevice failing(rtf, 20);
        QVERIFY(!readDocument(failing, false));
    }

    void savedDocumentLoadsBackWithItsSymbols()
    {
        const QString file = path("a.zvk");
        saveDocument(*sample(), file, false);
        QVERIFY(readFile(file).startsWith("{\\rtf1"));
        const std::unique_ptr<QTextDocument> loaded = loadDocument(file, false);
        QCOMPARE(loaded->toPlainText(), QString::fromUtf8("p ∧ q\n"));
        QTextCursor cursor(loaded.get());
        cursor.setPosition(3);
        QCOMPARE(faceName(cursor.charFormat()), QStringLiteral("Symbol"));
        QCOMPARE(documentBytes(*loaded), QByteArray("p \xd9 q\r\n"));
    }

    void textFileInUtf8OpensAsUtf8AndAnyOtherAsWindows1252_data()
    {
        QTest::addColumn<QByteArray>("file");
        QTest::addColumn<QString>("shown");
        QTest::addColumn<QByteArray>("bytes"); // as the editor keeps them
        QTest::newRow("utf-8 symbols and accents")
            << QByteArray("\xe2\x88\x80x (Px \xe2\x86\x92 Qx)\nsi \xc2\xac"
                          "p, \xc3\xb1"
                          "and\xc3\xba\r\n")
            << QString::fromUtf8("∀x (Px → Qx)\nsi ¬p, ñandú\n")
            << QByteArray("\x22x (Px \xae Qx)\r\nsi \xacp, \xf1"
                          "and\xfa\r\n");
        QTest::newRow("utf-8 after a byte order mark")
            << QByteArray("\xef\xbb\xbfp \xe2\x88\xa7 q") << QString::fromUtf8("p ∧ q")
            << QByteArray("p \xd9 q");
        QTest::newRow("windows-1252") << QByteArray("ma\xf1"
                                                    "ana \xac p")
                                      << QString::fromUtf8("mañana ¬ p")
                                      << QByteArray("ma\xf1"
                                                    "ana \xac p");
        // One byte that UTF-8 cannot read, and the whole file is read as before.
        QTest::newRow("utf-8 with one stray byte")
            << QByteArray("\xc3\xb1 y \xf1") << QString::fromUtf8("Ã± y ñ")
            << QByteArray("\xc3\xb1 y \xf1");
        QTest::newRow("utf-8 cut short in the middle")
            << QByteArray("\xc3\xb1 \xe2\x88 q") << QString::fromUtf8("Ã± â\u02c6 q")
            << QByteArray("\xc3\xb1 \xe2\x88 q");
        QTest::newRow("ascii") << QByteArray("p & q") << QStringLiteral("p & q")
                               << QByteArray("p & q");
    }

    void textFileInUtf8OpensAsUtf8AndAnyOtherAsWindows1252()
    {
        QFETCH(QByteArray, file);
        QFETCH(QString, shown);
        QFETCH(QByteArray, bytes);
        writeFile(path("u.txt"), file);
        for (const bool plainText : {false, true}) {
            const std::unique_ptr<QTextDocument> loaded = loadDocument(path("u.txt"), plainText);
            QCOMPARE(loaded->toPlainText(), shown);
            QCOMPARE(documentBytes(*loaded), bytes);
        }
    }

    void plainTextSwitchSavesBytesAndLoadsWithoutFallback()
    {
        const QString file = path("plain.txt");
        saveDocument(*sample(2), file, true);
        QCOMPARE(readFile(file), QByteArray("p \xd9 q\r\np \xd9 q\r\n"));

        writeFile(path("r.rtf"), "{\\rtf1 hi}");
        QCOMPARE(loadDocument(path("r.rtf"), true)->toPlainText(), QStringLiteral("{\\rtf1 hi}"));
        QCOMPARE(loadDocument(path("r.rtf"), false)->toPlainText(), QStringLiteral("hi"));
    }

    void readOnlyFileCannotBeReplaced()
    {
        const QString file = path("ro.zvk");
        writeFile(file, "old");
        QFile::setPermissions(file, QFile::ReadOwner | QFile::ReadGroup);
        QCOMPARE(messageOf([&] { saveDocument(*sample(), file, false); }),
            QStringLiteral("Cannot create file ") + file);
        QCOMPARE(readFile(file), QByteArray("old"));
        QFile::setPermissions(file, QFile::ReadOwner | QFile::WriteOwner);
    }

    void fileInMissingFolderCannotBeCreated()
    {
        const QString file = path("no/such/folder.zvk");
        QCOMPARE(messageOf([&] { saveDocument(*sample(), file, false); }),
            QStringLiteral("Cannot create file ") + file);
    }

    void failedWriteKeepsTheOldFileAndNoTemporary()
    {
        const QString file = path("keep.zvk");
        writeFile(file, "old content");
        QDir folder(m_dir.path());
        const QStringList before = folder.entryList(QDir::Files | QDir::Hidden);

        // A file-size limit makes the write itself fail, as a full disk would.
        std::signal(SIGXFSZ, SIG_IGN);
        rlimit old{};
        getrlimit(RLIMIT_FSIZE, &old);
        rlimit small = old;
        small.rlim_cur = 4096;
        QCOMPARE(setrlimit(RLIMIT_FSIZE, &small), 0);
        const QString message = messageOf([&] { saveDocument(*sample(5000), file, false); });
        setrlimit(RLIMIT_FSIZE, &old);

        QCOMPARE(message, QStringLiteral("Failed to Save Stream"));
        QCOMPARE(readFile(file), QByteArray("old content"));
        QCOMPARE(folder.entryList(QDir::Files | QDir::Hidden), before);
    }

    // A chain of links, relative ones read from their own folder, ends at the file written; the
    // links stay links and the file keeps its mode. A read-only file at the end, or a loop, is
    // refused with the name the user chose.
    void saveWritesTheFileAtTheEndOfItsLinks()
    {
        QVERIFY(QDir(m_dir.path()).mkpath("a/b"));
        const QString file = path("a/b/real.zvk");
        writeFile(file, "old");
        QVERIFY(QFile::setPermissions(file, QFile::ReadOwner | QFile::WriteOwner));
        QVERIFY(QFile::link("b/real.zvk", path("a/inner.zvk")));
        QVERIFY(QFile::link("a/inner.zvk", path("outer.zvk")));
        const SaveTarget target = saveTarget(path("outer.zvk"));
        QVERIFY(target.viaLink && target.exists);
        QCOMPARE(target.path, QFileInfo(file).canonicalFilePath());
        saveDocument(*sample(), path("outer.zvk"), true);
        QCOMPARE(readFile(file), QByteArray("p \xd9 q\r\n"));
        QVERIFY(
            QFileInfo(path("outer.zvk")).isSymLink() && QFileInfo(path("a/inner.zvk")).isSymLink());
        QCOMPARE(QFile::permissions(file) & 0x7077, QFile::ReadOwner | QFile::WriteOwner);
        QCOMPARE(QDir(path("a/b")).entryList(QDir::Files | QDir::Hidden), QStringList("real.zvk"));

        QVERIFY(QFile::link("nada/falta.zvk", path("a/dangling.zvk")));
        QVERIFY(!saveTarget(path("a/dangling.zvk")).exists);
        QCOMPARE(messageOf([&] { saveDocument(*sample(), path("a/dangling.zvk"), true); }),
            QStringLiteral("Cannot create file ") + path("a/dangling.zvk"));
        QVERIFY(QDir(m_dir.path()).mkpath("a/nada"));
        saveDocument(*sample(), path("a/dangling.zvk"), true);
        QCOMPARE(readFile(path("a/nada/falta.zvk")), QByteArray("p \xd9 q\r\n"));

        QFile::setPermissions(file, QFile::ReadOwner);
        QCOMPARE(messageOf([&] { saveDocument(*sample(2), path("outer.zvk"), true); }),
            QStringLiteral("Cannot create file ") + path("outer.zvk"));
        QCOMPARE(readFile(file), QByteArray("p \xd9 q\r\n"));

        QVERIFY(QFile::link("loop2.zvk", path("loop1.zvk")));
        QVERIFY(QFile::link("loop1.zvk", path("loop2.zvk")));
        QVERIFY(saveTarget(path("loop1.zvk")).path.isEmpty());
        QCOMPARE(messageOf([&] { saveDocument(*sample(), path("loop1.zvk"), true); }),
            QStringLiteral("Cannot create file ") + path("loop1.zvk"));
        QVERIFY(QFileInfo(path("loop1.zvk")).isSymLink());
    }

    // Working files: the name is replaced, whatever a link there points to; a private one is
    // its owner's alone, also where an older one was readable by all.
    void workingFileReplacesItsNameAndCanBeForItsOwnerOnly()
    {
        writeFile(path("victim"), "precious");
        QVERIFY(QFile::link(path("victim"), path("entrada.txt")));
        replaceFileAtName(path("entrada.txt"), "p\r\n", "Stream write error");
        QVERIFY(!QFileInfo(path("entrada.txt")).isSymLink());
        QCOMPARE(readFile(path("victim")), QByteArray("precious"));

        QVERIFY(QFile::setPermissions(path("entrada.txt"),
            QFile::ReadOwner | QFile::WriteOwner | QFile::ReadGroup | QFile::ReadOther));
        replaceFileAtName(
            path("entrada.txt"), "q\r\n", "Stream write error", FileAccess::OwnerOnly);
        QCOMPARE(
            QFile::permissions(path("entrada.txt")) & 0x7077, QFile::ReadOwner | QFile::WriteOwner);
        QCOMPARE(readFile(path("entrada.txt")), QByteArray("q\r\n"));
    }

    void temporariesOfAKilledSaveAreSweptWhenStaleAndNothingElseIs()
    {
        QTemporaryDir dir;
        const QString path = dir.filePath(QStringLiteral("hoja.zvk"));
        writeFileAtomically(path, "antes", "Failed to Save Stream");
        // A save killed while its temporary is there, as kill -9 leaves one: the converter's,
        // of a text long enough that its save takes a while.
        QFile input(dir.filePath(QStringLiteral("largo.txt")));
        QVERIFY(input.open(QIODevice::WriteOnly));
        for (int i = 0; i < 200'000; ++i)
            input.write("p -> q, q -> r |= p -> r; una línea de texto bastante larga\r\n");
        input.close();
        QString killed;
        for (int attempt = 0; attempt < 50 && killed.isEmpty(); ++attempt) {
            QProcess zvkconv;
            zvkconv.start(qEnvironmentVariable("ZV_BUILD_DIR") + "/zvkconv",
                {"--rtf", path, input.fileName()});
            QVERIFY(zvkconv.waitForStarted(300'000));
            const QString prefix = QStringLiteral(".hoja.zvk.~zv%1.").arg(zvkconv.processId());
            const auto temporaries = [&] {
                return QDir(dir.path()).entryList({prefix + '*'}, QDir::Hidden | QDir::Files);
            };
            while (temporaries().isEmpty() && zvkconv.state() == QProcess::Running)
                zvkconv.waitForFinished(1);
            ::kill(pid_t(zvkconv.processId()), SIGKILL);
            zvkconv.waitForFinished(300'000);
            if (!temporaries().isEmpty())
                killed = dir.filePath(temporaries().first());
        }
        QVERIFY(!killed.isEmpty());
        // Beside it, what is not a stale temporary of this document.
        const QString live = dir.filePath(QStringLiteral(".hoja.zvk.~zv%1.AbC123").arg(::getpid()));
        const QStringList others = {dir.filePath(QStringLiteral(".hoja.zvk.backup")),
            dir.filePath(QStringLiteral(".hoja.zvk.a1B2c3")),
            dir.filePath(QStringLiteral(".otra.zvk.~zv999999999.abcdef")),
            dir.filePath(QStringLiteral(".hoja.zvk.~zv999999999.abcdef.txt")),
            dir.filePath(QStringLiteral("hoja.zvk.~zv999999999.abcdef"))};
        const QStringList planted = QStringList(others) << live;
        for (const QString &name : planted) {
            QFile f(name);
            QVERIFY(f.open(QIODevice::WriteOnly));
            f.write("del usuario");
        }
        const QString link = dir.filePath(QStringLiteral(".hoja.zvk.~zv999999999.zzzzzz"));
        QVERIFY(QFile::link(others.first(), link));
        auto age = [](const QString &name, int seconds) {
            const timespec times[2]
                = {{::time(nullptr) - seconds, 0}, {::time(nullptr) - seconds, 0}};
            return ::utimensat(
                       AT_FDCWD, QFile::encodeName(name).constData(), times, AT_SYMLINK_NOFOLLOW)
                == 0;
        };

        // Its writer is gone, but it was touched a moment ago: an open leaves it.
        QVERIFY(loadDocument(path, false));
        QVERIFY(QFile::exists(killed));
        QVERIFY(age(killed, 60) && age(live, 60));
        QVERIFY(loadDocument(path, false));
        QVERIFY(!QFile::exists(killed));
        QVERIFY(QFile::exists(live)); // its writer runs

        // Untouched for long, whoever wrote it: the next save takes it.
        const QStringList aged = QStringList(planted) << link;
        for (const QString &name : aged)
            QVERIFY(age(name, 2 * 60 * 60));
        writeFileAtomically(path, "después", "Failed to Save Stream");
        QVERIFY(!QFile::exists(live));
        for (const QString &name : others)
            QVERIFY2(QFile::exists(name), qPrintable(name));
        QVERIFY(QFileInfo(link).isSymLink());
        QCOMPARE(QDir(dir.path()).entryList(QDir::Hidden | QDir::Files | QDir::System).size(),
            others.size() + 3); // and the document, the text and the link
    }

    void loadRaisesTheTextLimit()
    {
        const QString file = path("limit.zvk");
        saveDocument(*sample(), file, false);
        RichEdit edit;
        QCOMPARE(edit.textLimit(), RichEdit::kDefaultTextLimit);
        edit.loadFromFile(file);
        QCOMPARE(edit.textLimit(), RichEdit::kLoadedTextLimit);
        QCOMPARE(edit.bytes(), QByteArray("p \xd9 q\r\n"));
    }
};

QTEST_MAIN(TestDocumentFile)
#include "tst_documentfile.moc"
