// "Compilar Programa": the export to "entrada.txt", the launch of "PL.bat" and the results
// window, in a temporary executable folder with a scripted "PL.bat".

#include "FakeDialogs.h"
#include "RunFixture.h"

#include "Palette.h"

#include "platform/format/TextFormat.h"
#include "platform/widgets/SpeedButton.h"

#include <QAction>
#include <QApplication>
#include <QClipboard>
#include <QtTest>

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <linux/fs.h>
#include <sys/ioctl.h>
#include <unistd.h>

using namespace zv::test;

namespace {

// Read-only, also for a user whom the permission bits do not stop: the immutable flag.
bool setImmutable(const QString &path, bool on)
{
    const int fd = ::open(QFile::encodeName(path).constData(), O_RDONLY);
    if (fd < 0)
        return false;
    int flags = 0;
    bool done = ::ioctl(fd, FS_IOC_GETFLAGS, &flags) == 0;
    if (done) {
        flags = on ? (flags | FS_IMMUTABLE_FL) : (flags & ~FS_IMMUTABLE_FL);
        done = ::ioctl(fd, FS_IOC_SETFLAGS, &flags) == 0;
    }
    ::close(fd);
    return done;
}

bool writable(const QString &path)
{
    QFile probe(path);
    return probe.open(QIODevice::WriteOnly | QIODevice::Append);
}

} // namespace

class ProgramRunTest : public QObject
{
    Q_OBJECT

private:
    std::unique_ptr<FakeDialogs> m_dialogs;
    std::unique_ptr<ExeFolder> m_folder;
    std::unique_ptr<TForm1> m_form;
    std::unique_ptr<ResultsCatcher> m_results;

    zv::RichEdit *editor() const { return m_form->RichEdit1; }
    QByteArray entrada() const { return readAll(m_folder->path(QStringLiteral("entrada.txt"))); }
    void type(const QByteArray &bytes) { editor()->replaceSel(bytes); }
    void run() { m_form->speedButton(27)->click(); }

private Q_SLOTS:
    void init()
    {
        m_dialogs = std::make_unique<FakeDialogs>();
        m_folder = std::make_unique<ExeFolder>();
        m_folder->writeBatch(kCountingEcho);
        m_form = std::make_unique<TForm1>();
        Form1 = m_form.get();
        m_form->FormShow(m_form.get());
        m_form->EnterProgramMode();
        m_results = std::make_unique<ResultsCatcher>(*m_dialogs);
    }

    void cleanup()
    {
        m_results.reset();
        Form1 = nullptr;
        m_form.reset();
        m_folder.reset();
        m_dialogs.reset();
    }

    void emptyDocumentWritesEmptyFileAndStillRuns()
    {
        run();
        QVERIFY(QFile::exists(m_folder->path(QStringLiteral("entrada.txt"))));
        QCOMPARE(entrada(), QByteArray());
        QCOMPARE(m_folder->launches(), 1);
        QCOMPARE(m_results->shown.size(), 1);
        QCOMPARE(m_dialogs->errors(), QStringList());
    }

    void everyLineEndsInCrLf_data()
    {
        QTest::addColumn<QByteArray>("typed");
        QTest::addColumn<QByteArray>("exported");
        QTest::newRow("no final break") << QByteArray("p\r\nq") << QByteArray("p\r\nq\r\n");
        QTest::newRow("final break") << QByteArray("p\r\nq\r\n") << QByteArray("p\r\nq\r\n");
        QTest::newRow("lone LF typed") << QByteArray("p\nq\n") << QByteArray("p\r\nq\r\n");
        QTest::newRow("empty lines inside and at the end")
            << QByteArray("p\r\n\r\nq\r\n\r\n") << QByteArray("p\r\n\r\nq\r\n\r\n");
        QTest::newRow("only a break") << QByteArray("\r\n") << QByteArray("\r\n");
        QTest::newRow("accented letters keep their byte") << QByteArray("d\xE9"
                                                                        "bil \xF1")
                                                          << QByteArray("d\xE9"
                                                                        "bil \xF1\r\n");
        const QByteArray longLine = QByteArray("palabra ").repeated(625);
        QTest::newRow("a paragraph of 5000 characters is one line")
            << longLine + "\r\nfin" << longLine + "\r\nfin\r\n";
    }

    void everyLineEndsInCrLf()
    {
        QFETCH(QByteArray, typed);
        QFETCH(QByteArray, exported);
        type(typed);
        run();
        QCOMPARE(entrada(), exported);
        // The results window shows what the interpreter wrote: here, the program itself.
        QCOMPARE(m_results->shown.value(0).text, "Salida\r\n" + exported);
    }

    void formattingDoesNotReachTheFile()
    {
        type("p & q\r\n");
        run();
        const QByteArray plain = entrada();

        editor()->clearDocument();
        editor()->setSelStyle(zv::fmt::Bold | zv::fmt::Underline | zv::fmt::Italic);
        editor()->setSelColor(Qt::red);
        editor()->setSelSize(24);
        editor()->setSelFaceName(QStringLiteral("Courier New"));
        type("p & ");
        editor()->setSelStyle(0);
        type("q\r\n");
        run();
        QCOMPARE(entrada(), plain);
        QCOMPARE(plain, QByteArray("p & q\r\n"));
    }

    void everySymbolReachesTheFileAsItsInsertedBytes()
    {
        QByteArray expected;
        for (const zv::PaletteRow &row : zv::kPalette) {
            type("x");
            m_form->InsertSymbol(row);
            expected += "x" + row.insertedBytes();
        }
        run();
        QCOMPARE(entrada(), expected + "\r\n");
    }

    void softBreaksEndLinesAndShiftEnterBreaksTheParagraphInProgramMode()
    {
        QTest::keyClick(editor(), Qt::Key_P);
        QTest::keyClick(editor(), Qt::Key_Return, Qt::ShiftModifier);
        QTest::keyClick(editor(), Qt::Key_Q);
        QCOMPARE(editor()->document()->blockCount(), 2);
        // In text mode Shift+Enter stays a soft break, which the export still ends a line at.
        m_form->EnterTextMode();
        QTest::keyClick(editor(), Qt::Key_Return, Qt::ShiftModifier);
        QTest::keyClick(editor(), Qt::Key_R);
        QCOMPARE(editor()->document()->blockCount(), 2);
        m_form->EnterProgramMode();
        QApplication::clipboard()->setText(QStringLiteral("\u2028s\u2028"));
        m_form->Pegar1->trigger();
        run();
        // The soft break that ends the document counts as a final break.
        QCOMPARE(entrada(), QByteArray("p\r\nq\r\nr\r\ns\r\n"));
    }

    void pastedConnectivesReachEntradaAsTheirSymbolBytes()
    {
        QApplication::clipboard()->setText(QStringLiteral("(p ∧ q) → p ¬r ∨ s ↔ t ⇒ u ⇔ w"));
        m_form->Pegar1->trigger();
        run();
        // "Symbol" bytes, but for ¬, which the palette's own Verdana byte carries.
        QCOMPARE(entrada(), QByteArray("(p \xD9 q) \xAE p \xACr \xDA s \xAB t \xDE u \xDB w\r\n"));
    }

    // Both files keep every symbol in a text font (tests/data/run/README.md).
    void symbolsThatOtherEditorsWroteInATextFontReachTheInterpreter_data()
    {
        QTest::addColumn<QString>("file");
        QTest::addColumn<QByteArray>("end");
        QTest::newRow("LibreOffice") << "symbols-in-a-text-font.libreoffice.rtf" << QByteArray();
        // AbiWord ends the text with an empty paragraph.
        QTest::newRow("AbiWord") << "symbols-in-a-text-font.abiword.rtf" << QByteArray("\r\n");
    }

    void symbolsThatOtherEditorsWroteInATextFontReachTheInterpreter()
    {
        QFETCH(QString, file);
        QFETCH(QByteArray, end);
        const QString interpreter = qEnvironmentVariable("ZV_BUILD_DIR") + "/zarvik-pl";
        m_folder->writeBatch(
            "exec '" + interpreter.toUtf8() + "' \"$here/entrada.txt\" \"$here/salida.log\"");
        m_dialogs->queueOpenFile(qEnvironmentVariable("ZV_SOURCE_DIR") + "/tests/data/run/" + file);
        m_form->AbrirPrograma1->trigger();
        run();
        // As a paste leaves them: "Symbol" and "Wingdings 2" bytes, the palette's ¬, and ⊤ as T.
        QCOMPARE(entrada(),
            QByteArray("// Ejercicios escritos en otro editor\r\n"
                       "\"x (Px \xAE Qx) \xDA $x \xACPx\r\n"
                       "(p \xD9 q) \xAB (q \xD9 p)\r\n"
                       "(p \xDE q) \xDB (\xACq \xDE \xACp)\r\n"
                       "p \xBA p\r\n^ \xAE p\r\nT \xDA p\r\n\xA3p \xAE \xAFp\r\n"
                       "p, p \xAE q \xF7- q\r\np \xD9 q \xF7= p\r\n")
                + end);
        if (!QFile::exists(interpreter))
            QSKIP("zarvik-pl is not built: what it reads is not checked");
        QCOMPARE(m_results->shown.size(), 1);
        const QByteArray shown = m_results->shown.first().text;
        QVERIFY2(
            shown.contains("Resumen: 7 f\xF3rmulas, 2 argumentos, 0 errores."), shown.constData());
    }

    void overTheTextLimitStopsBeforeWritingOrStarting()
    {
        m_folder->writeBatch(kCountingEcho);
        writeAll(m_folder->path(QStringLiteral("entrada.txt")), "anterior\r\n");
        QByteArray program;
        // 700 lines of 99 positions each, the break counting as one.
        for (int i = 0; i < 700; ++i)
            program += QByteArray(98, 'p') + "\r\n";
        type(program);
        run();
        QCOMPARE(
            m_dialogs->errors(), QStringList{QStringLiteral("RichEdit line insertion error.")});
        QCOMPARE(entrada(), QByteArray("anterior\r\n"));
        QCOMPARE(m_folder->launches(), 0);
        QCOMPARE(m_results->shown.size(), 0);
        // The document itself is untouched.
        QCOMPARE(editor()->bytes(), program);
    }

    void readOnlyEntradaStopsBeforeStarting()
    {
        const QString path = m_folder->path(QStringLiteral("entrada.txt"));
        writeAll(path, "anterior\r\n");
        QFile::setPermissions(path, QFile::ReadOwner | QFile::ReadGroup | QFile::ReadOther);
        bool immutable = false;
        if (writable(path)) {
            immutable = setImmutable(path, true);
            if (!immutable)
                QSKIP("a read-only file stays writable for this user, and it cannot be made "
                      "immutable");
        }
        type("p\r\n");
        run();
        if (immutable)
            setImmutable(path, false);
        QCOMPARE(
            m_dialogs->errors(), QStringList{QStringLiteral("Cannot create file %1.").arg(path)});
        QCOMPARE(readAll(path), QByteArray("anterior\r\n"));
        QCOMPARE(m_folder->launches(), 0);
        QCOMPARE(m_results->shown.size(), 0);
    }

    void missingBatchShowsPlatformBoxThenResults()
    {
        QFile::remove(m_folder->path(QStringLiteral("PL.bat")));
        writeAll(m_folder->path(QStringLiteral("salida.log")), "de una ejecuci\xF3n anterior\r\n");
        type("p\r\n");
        run();
        const QString batch = m_folder->path(QStringLiteral("PL.bat"));
        QCOMPARE(m_dialogs->messageBoxes.size(), 2);
        const MessageBoxRequest box = m_dialogs->messageBoxes.first();
        QCOMPARE(box.flags, unsigned(zv::MB_OK | zv::MB_ICONERROR));
        QVERIFY2(box.text.contains(batch), qPrintable(box.text));
        QVERIFY2(
            box.text.contains(QStringLiteral("No such file or directory")), qPrintable(box.text));
        // The box comes first, then the warning that the output is old, then the window with
        // whatever "salida.log" holds.
        QCOMPARE(m_results->shown.size(), 1);
        QCOMPARE(m_results->shown.first().messageBoxesBefore, 2);
        QVERIFY(m_dialogs->messageBoxes.at(1).text.contains(QStringLiteral("resultado anterior")));
        QCOMPARE(m_results->shown.first().text, QByteArray("de una ejecuci\xF3n anterior\r\n"));
        QCOMPARE(entrada(), QByteArray("p\r\n"));
    }

    void staleOrFailedResultsAreNamedBeforeTheWindowOpens_data()
    {
        QTest::addColumn<QByteArray>("batch");
        QTest::addColumn<bool>("earlierOutput");
        QTest::addColumn<QString>("warning");
        const QByteArray write = "printf 'nuevo\\r\\n' > \"$here/salida.log\"; ";
        const QString stale = QStringLiteral("El intérprete no escribió salida.log en esta "
                                             "ejecución; se muestra el resultado anterior.");
        const QString code = QStringLiteral("El intérprete terminó con el código %1.");
        QTest::newRow("status 1, fresh: errors in the program")
            << write + "exit 1" << true << QString();
        QTest::newRow("status 3, fresh") << write + "exit 3" << true << code.arg(3);
        QTest::newRow("ended by a signal") << write + "kill -TERM $$" << true << code.arg(143);
        QTest::newRow("nothing written") << QByteArray("exit 0") << true << stale;
        QTest::newRow("status 1, nothing written")
            << QByteArray("exit 1") << true << code.arg(1) + "\n" + stale;
        // The window itself says that there is no output at all.
        QTest::newRow("nothing written or earlier") << QByteArray("exit 0") << false << QString();
        QTest::newRow("rewritten with the same text")
            << "sleep 0.05; " + QByteArray(write).replace("nuevo", "anterior") << true << QString();
    }

    void staleOrFailedResultsAreNamedBeforeTheWindowOpens()
    {
        QFETCH(QByteArray, batch);
        QFETCH(bool, earlierOutput);
        QFETCH(QString, warning);
        m_folder->writeBatch(batch);
        if (earlierOutput)
            writeAll(m_folder->path(QStringLiteral("salida.log")), "anterior\r\n");
        type("p\r\n");
        run();
        QCOMPARE(m_results->shown.size(), 1);
        QStringList warnings;
        for (const MessageBoxRequest &box :
            m_dialogs->messageBoxes.mid(0, m_results->shown.first().messageBoxesBefore))
            if (box.flags == (zv::MB_OK | zv::MB_ICONEXCLAMATION))
                warnings << box.text;
        QCOMPARE(warnings, warning.isEmpty() ? QStringList() : QStringList{warning});
    }

    void sampleProgramOpensWithItsSymbolsAndExportsAsItsText()
    {
        m_dialogs->queueOpenFile(
            qEnvironmentVariable("ZV_BUILD_DIR") + QStringLiteral("/ejemplo.zvk"));
        m_form->AbrirPrograma1->trigger();
        // The biconditional shows as the palette draws it, not as the letter n.
        QVERIFY(editor()->toPlainText().contains(QChar(0x2194)));
        run();
        QCOMPARE(entrada(),
            readAll(qEnvironmentVariable("ZV_SOURCE_DIR")
                + QStringLiteral("/interpreter/ejemplo.txt")));
    }

    void twoRunsInARowReplaceEntrada()
    {
        type("una l\xEDnea bastante larga\r\notra\r\ny otra m\xE1s\r\n");
        m_form->CompilarPrograma1->trigger();
        editor()->clearDocument();
        type("q");
        m_form->CompilarPrograma1->trigger();
        QCOMPARE(entrada(), QByteArray("q\r\n"));
        QCOMPARE(m_folder->launches(), 2);
        QCOMPARE(m_results->shown.size(), 2);
        // Each run has a window of its own, gone when the run ends.
        QCOMPARE(Form4, nullptr);
    }

    void runLeavesDocumentFlagAndModeAsTheyWere()
    {
        type("p V q\r\n");
        editor()->setSelStart(2);
        editor()->setModified(false);
        run();
        QCOMPARE(editor()->modified(), false);
        QCOMPARE(editor()->bytes(), QByteArray("p V q\r\n"));
        QCOMPARE(editor()->selStart(), 2);
        QVERIFY(m_form->speedButton(27)->isEnabled());
        QVERIFY(m_form->CompilarPrograma1->isEnabled());
        QVERIFY(!m_form->speedButton(1)->isEnabled());

        editor()->setModified(true);
        run();
        QCOMPARE(editor()->modified(), true);
        // RichEdit2 keeps the exported lines, in plain-text mode.
        QVERIFY(m_form->RichEdit2->plainText());
        QCOMPARE(m_form->RichEdit2->lineCount(), 1);
        QCOMPARE(m_form->RichEdit2->line(0), QByteArray("p V q"));
    }

    // Whoever may write the folder could plant a link at the working file's name: the run
    // replaces the name and leaves the file it points at alone.
    void linkPlantedAtEntradaIsReplacedNotWrittenThrough_data()
    {
        QTest::addColumn<bool>("symbolic");
        QTest::newRow("symbolic link") << true;
        QTest::newRow("hard link") << false;
    }

    void linkPlantedAtEntradaIsReplacedNotWrittenThrough()
    {
        QFETCH(bool, symbolic);
        QTemporaryDir outside;
        const QString victim = outside.filePath(QStringLiteral("victim"));
        writeAll(victim, "ajeno");
        const QByteArray from = QFile::encodeName(victim);
        const QByteArray to = QFile::encodeName(m_folder->path(QStringLiteral("entrada.txt")));
        QCOMPARE(symbolic ? ::symlink(from, to) : ::link(from, to), 0);
        type("p\r\n");
        run();
        QCOMPARE(readAll(victim), QByteArray("ajeno"));
        QCOMPARE(entrada(), QByteArray("p\r\n"));
        QVERIFY(!QFileInfo(QFile::decodeName(to)).isSymLink());
        QCOMPARE(m_folder->launches(), 1);
    }

    // An installed copy: the working files go to the user's data folder, created private, and
    // PL.bat learns it from ZARVIK_WORK_DIR; a PL.bat the user put there runs instead.
    void readOnlyExecutableFolderRunsInTheUserFolder()
    {
        const QString user = m_folder->dataHome() + QStringLiteral("/zarvik/");
        m_folder->writeBatch("{ echo instalado; cat \"$ZARVIK_WORK_DIR/entrada.txt\"; } "
                             "> \"$ZARVIK_WORK_DIR/salida.log\"");
        const QString exe = m_folder->path(QString());
        QVERIFY(QFile::setPermissions(exe, QFile::ReadOwner | QFile::ExeOwner));
        type("p\r\n");
        run();
        writeAll(user + "PL.bat", "echo propio > \"$ZARVIK_WORK_DIR/salida.log\"\n");
        run();
        QVERIFY(QFile::setPermissions(exe, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner));

        QCOMPARE(m_dialogs->errors(), QStringList());
        QCOMPARE(readAll(user + "entrada.txt"), QByteArray("p\r\n"));
        QCOMPARE(QFileInfo(user).permissions() & 0x0077, QFile::Permissions());
        QCOMPARE(m_results->shown.value(0).text, QByteArray("instalado\r\np\r\n"));
        QCOMPARE(m_results->shown.value(1).text, QByteArray("propio\r\n"));
        QVERIFY(!QFile::exists(m_folder->path(QStringLiteral("entrada.txt"))));
    }

    // A home that cannot be written: the run says, in Spanish, which folder and why, and
    // starts nothing.
    void unwritableUserFolderIsNamedBeforeAnythingRuns()
    {
        QTemporaryDir data;
        writeAll(data.filePath(QStringLiteral("casa")), "not a folder");
        qputenv("XDG_DATA_HOME", QFile::encodeName(data.filePath(QStringLiteral("casa"))));
        const QString exe = m_folder->path(QString());
        QVERIFY(QFile::setPermissions(exe, QFile::ReadOwner | QFile::ExeOwner));
        type("p\r\n");
        run();
        QVERIFY(QFile::setPermissions(exe, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner));
        qunsetenv("XDG_DATA_HOME");

        QCOMPARE(m_dialogs->errors(),
            QStringList(QStringLiteral("No se puede escribir en %1/casa/zarvik : %2.")
                            .arg(data.path(), QString::fromLocal8Bit(::strerror(ENOTDIR)))));
        QCOMPARE(m_folder->launches(), 0);
        QVERIFY(m_results->shown.isEmpty());
    }

    // Root may write an installed copy's folder, which every user reads: its working files go
    // to a folder of root's own there, private, and PL.bat is told so.
    void rootRunsAnInstalledCopyInAPrivateFolder()
    {
        if (::geteuid() != 0)
            QSKIP("only root writes an installed copy's folder");
        QTemporaryDir prefix;
        const QString exe = prefix.filePath(QStringLiteral("usr/lib/zarvik/"));
        QVERIFY(QDir().mkpath(exe));
        QVERIFY(QFile::setPermissions(exe,
            QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner | QFile::ReadGroup
                | QFile::ExeGroup | QFile::ReadOther | QFile::ExeOther));
        writeAll(exe + "PL.bat",
            "cat \"$ZARVIK_WORK_DIR/entrada.txt\" > \"$ZARVIK_WORK_DIR/salida.log\"\n");
        zv::setExeFolderForTests(exe);
        type("p\r\n");
        run();
        const QString work = zv::workFolder();
        const bool isPrivate = zv::workFilesArePrivate();
        zv::setExeFolderForTests(m_folder->path(QString()));

        QCOMPARE(m_dialogs->errors(), QStringList());
        QCOMPARE(work, exe + "root/");
        QVERIFY(isPrivate);
        constexpr QFile::Permissions others = QFile::ReadGroup | QFile::WriteGroup | QFile::ExeGroup
            | QFile::ReadOther | QFile::WriteOther | QFile::ExeOther;
        QCOMPARE(QFileInfo(work).permissions() & others, QFile::Permissions());
        QCOMPARE(QFileInfo(work + "entrada.txt").permissions() & (others | QFile::ExeOwner),
            QFile::Permissions());
        QCOMPARE(m_results->shown.value(0).text, QByteArray("p\r\n"));
        QVERIFY(!QFile::exists(exe + "entrada.txt"));
    }

    void batchRunsInTheCurrentWorkingDirectoryWithNoParameters()
    {
        m_folder->writeBatch("pwd > \"$here/salida.log\"; echo \"$#\" >> \"$here/salida.log\"");
        run();
        QCOMPARE(m_results->shown.value(0).text, QDir::currentPath().toLocal8Bit() + "\r\n0\r\n");
    }
};

QTEST_MAIN(ProgramRunTest)
#include "tst_programrun.moc"
