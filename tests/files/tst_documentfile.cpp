// Load and save of document files: the messages, the plain-text switch and atomic replacement.
#include "platform/errors/PlatformError.h"
#include "platform/files/DocumentFile.h"
#include "platform/files/DocumentStream.h"
#include "platform/richedit/RichEdit.h"
#include "platform/format/TextFormat.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QTextCursor>
#include <QTextDocument>
#include <QtTest>

#include <csignal>
#include <sys/resource.h>

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
        const QStringList before = folder.entryList(QDir::Files);

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
        QCOMPARE(folder.entryList(QDir::Files), before);
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
