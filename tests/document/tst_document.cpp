// The document commands through the real window, with scripted dialogs: the unsaved-changes
// prompt, the two file dialogs, the caption, and what each failure leaves behind.

#include "Unit1.h"

#include "FakeDialogs.h"
#include "MainWindowFixture.h"

#include "platform/app/Application.h"
#include "platform/richedit/RichEdit.h"
#include "platform/widgets/SpeedButton.h"

#include <QAction>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>
#include <QTest>

#include <unistd.h>

using namespace zv;

namespace {

const QString kPrompt = QStringLiteral("El archivo ha cambiado . ¿Deseas guardarlo?");

enum Command { NewText, NewProgram, OpenText, OpenProgram, Close };

QByteArray readAll(const QString &path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

} // namespace

class TestDocument : public QObject, private test::MainWindowTest
{
    Q_OBJECT

private Q_SLOTS:
    void init()
    {
        m_files = std::make_unique<QTemporaryDir>();
        QVERIFY(m_files->isValid());
        QVERIFY(showMainWindow());
    }

    void cleanup()
    {
        QVERIFY2(m_dialogs->allAnswersUsed(), "an answer queued for a dialog was never asked for");
        // Nothing may be left to ask when the test's window goes away.
        m_edit->setModified(false);
        closeMainWindow();
        m_files.reset();
    }

    void unchangedDocumentIsDiscardedWithoutPrompt_data()
    {
        QTest::addColumn<bool>("afterSave");
        QTest::newRow("since start-up") << false;
        QTest::newRow("since a save") << true;
    }

    void unchangedDocumentIsDiscardedWithoutPrompt()
    {
        QFETCH(bool, afterSave);
        if (afterSave) {
            type("guardado");
            save(m_files->filePath("a.zvk"));
        }
        m_dialogs->queueOpenFile(std::nullopt);
        m_form->SpeedButton13Click(m_form.get());
        m_form->SpeedButton12Click(m_form.get());
        m_dialogs->queueOpenFile(std::nullopt);
        m_form->SpeedButton10Click(m_form.get());
        m_form->SpeedButton9Click(m_form.get());
        QVERIFY(m_form->close());

        QVERIFY(m_dialogs->messageBoxes.isEmpty());
        QCOMPARE(m_dialogs->saveRequests.size(), afterSave ? 1 : 0);
    }

    void promptHasItsTextCaptionAndFlagsAndNoDiscards()
    {
        type("borrador");
        m_dialogs->queueMessageBox(IDNO);
        m_form->SpeedButton12Click(m_form.get());

        QCOMPARE(m_dialogs->messageBoxes.size(), 1);
        QCOMPARE(m_dialogs->messageBoxes[0].text, kPrompt);
        QCOMPARE(m_dialogs->messageBoxes[0].caption, QStringLiteral("Atención"));
        QCOMPARE(m_dialogs->messageBoxes[0].flags, 0x34u);
        QVERIFY(m_dialogs->saveRequests.isEmpty());
        QCOMPARE(m_edit->bytes(), QByteArray());
        QVERIFY(!m_edit->modified());
        QVERIFY(inProgramMode());
    }

    void yesThenCancelledSaveKeepsTheDocument_data()
    {
        QTest::addColumn<int>("command");
        QTest::addColumn<bool>("programModeBefore");
        QTest::addColumn<bool>("programModeAfter");
        // New switches the mode before it asks; Open only after its dialog.
        QTest::newRow("new text") << int(NewText) << true << false;
        QTest::newRow("new program") << int(NewProgram) << false << true;
        QTest::newRow("open text") << int(OpenText) << true << true;
        QTest::newRow("open program") << int(OpenProgram) << false << false;
        QTest::newRow("close") << int(Close) << false << false;
    }

    void yesThenCancelledSaveKeepsTheDocument()
    {
        QFETCH(int, command);
        QFETCH(bool, programModeBefore);
        QFETCH(bool, programModeAfter);
        if (programModeBefore)
            m_form->EnterProgramMode();
        type("tarea");
        m_dialogs->queueMessageBox(IDYES);
        m_dialogs->queueSaveFile(std::nullopt);

        guardedRun(command);

        QCOMPARE(m_edit->bytes(), QByteArray("tarea"));
        QVERIFY(m_edit->modified());
        QVERIFY(m_dialogs->openRequests.isEmpty());
        QVERIFY(m_form->isVisible());
        QCOMPARE(inProgramMode(), programModeAfter);
        QCOMPARE(m_form->windowTitle(), QStringLiteral("Zarvik - Editor de Lógica"));
        QVERIFY2(errors().isEmpty(), qPrintable(errors().join('\n')));
    }

    void yesSavesThenTheCommandGoesOn()
    {
        // An existing file of that name is replaced once the user agreed.
        const QString path = writeFile("tema1.zvk", "contenido viejo");
        type("p y q");
        m_dialogs->queueMessageBox(IDYES);
        m_dialogs->queueSaveFile(path);
        m_dialogs->queueMessageBox(IDYES);
        QVERIFY(m_form->close());
        QVERIFY(!m_form->isVisible());
        QCOMPARE(m_form->windowTitle(), QStringLiteral("tema1.zvk"));
        QCOMPARE(reload(path), QByteArray("p y q"));
        QCOMPARE(m_dialogs->messageBoxes.size(), 2);
    }

    void openCancelledAfterYesKeepsModeAndContentButTheSaveStands()
    {
        const QString path = m_files->filePath("guardado.zvk");
        m_form->SpeedButton12Click(m_form.get());
        type("programa");
        m_dialogs->queueMessageBox(IDYES);
        m_dialogs->queueSaveFile(path);
        m_dialogs->queueOpenFile(std::nullopt);

        m_form->SpeedButton10Click(m_form.get());

        QVERIFY(inProgramMode());
        QCOMPARE(m_edit->bytes(), QByteArray("programa"));
        QVERIFY(!m_edit->modified());
        QCOMPARE(m_form->windowTitle(), QStringLiteral("guardado.zvk"));
        QCOMPARE(reload(path), QByteArray("programa"));
    }

    void openReplacesContentSwitchesModeAndNamesTheFile()
    {
        const QString path = m_files->filePath("tema2.zvk");
        type("original");
        save(path);
        m_form->SpeedButton9Click(m_form.get());
        QCOMPARE(m_form->windowTitle(), QStringLiteral("tema2.zvk"));

        // Whether a load leaves the flag set is the control's business, not this command's.
        m_edit->setModified(false);
        m_dialogs->queueOpenFile(path);
        m_form->SpeedButton13Click(m_form.get());
        QVERIFY(inProgramMode());
        QCOMPARE(m_edit->bytes(), QByteArray("original"));
        QCOMPARE(m_form->windowTitle(), QStringLiteral("tema2.zvk"));
        // A document just opened has nothing to save: New right after it asks nothing.
        QVERIFY(!m_edit->modified());

        m_dialogs->queueOpenFile(path);
        m_form->SpeedButton10Click(m_form.get());
        QVERIFY(!inProgramMode());
    }

    void dialogsRememberTheirOwnLastPathAndSettings()
    {
        const QString saved = m_files->filePath("guardado.zvk");
        const QString opened = writeFile("leido.rtf", "texto");

        save(saved);
        m_dialogs->queueOpenFile(opened);
        m_form->SpeedButton10Click(m_form.get());
        save(m_files->filePath("otro.zvk"));
        m_dialogs->queueOpenFile(std::nullopt);
        m_form->SpeedButton13Click(m_form.get());

        const auto &saves = m_dialogs->saveRequests;
        const auto &opens = m_dialogs->openRequests;
        QCOMPARE(saves.size(), 2);
        QCOMPARE(opens.size(), 2);
        QCOMPARE(saves[0].initialPath, QString());
        QCOMPARE(saves[1].initialPath, saved);
        QCOMPARE(opens[0].initialPath, QString());
        QCOMPARE(opens[1].initialPath, opened);
        // A cancelled dialog keeps what was last accepted.
        QCOMPARE(m_form->OpenDialog1.initialPath, opened);

        QCOMPARE(opens[0].filter, QStringLiteral("*.zvk;*.rtf|*.zvk;*.rtf"));
        QCOMPARE(saves[0].filter, QStringLiteral("*.zvk|*.zvk"));
        QCOMPARE(opens[0].defaultSuffix, QStringLiteral(".zvk"));
        QCOMPARE(saves[0].defaultSuffix, QStringLiteral(".zvk"));
        QVERIFY(!saves[0].overwritePrompt);
    }

    void plainTextFileOpensLineByLineAndSavesAsRtf()
    {
        const QString text = writeFile("notas.txt", "uno\r\ndos\nTres\rcuatro");
        m_dialogs->queueOpenFile(text);
        m_form->SpeedButton10Click(m_form.get());
        QCOMPARE(m_edit->bytes(), QByteArray("uno\r\ndos\r\nTres\r\ncuatro"));
        QCOMPARE(m_form->windowTitle(), QStringLiteral("notas.txt"));

        const QString rtf = m_files->filePath("notas.zvk");
        save(rtf);
        QVERIFY2(readAll(rtf).startsWith("{\\rtf1"), readAll(rtf).left(40).constData());
        QCOMPARE(reload(rtf), QByteArray("uno\r\ndos\r\nTres\r\ncuatro"));
        QCOMPARE(readAll(text), QByteArray("uno\r\ndos\nTres\rcuatro"));
    }

    void missingFileFailsAfterTheModeSwitch()
    {
        type("intacto");
        const QString missing = m_files->filePath("no-existe.zvk");
        m_dialogs->queueMessageBox(IDNO);
        m_dialogs->queueOpenFile(missing);

        guardedRun(OpenProgram);

        QCOMPARE(errors(), QStringList{"Cannot open file " + missing + "."});
        QVERIFY(inProgramMode());
        QCOMPARE(m_edit->bytes(), QByteArray("intacto"));
        QVERIFY(m_edit->modified());
        QCOMPARE(m_form->windowTitle(), QStringLiteral("Zarvik - Editor de Lógica"));
    }

    void unwritableTargetFailsAndKeepsCaptionAndFlag_data()
    {
        QTest::addColumn<QString>("kind");
        QTest::newRow("folder missing") << "missing";
        QTest::newRow("folder of that name") << "folder";
        QTest::newRow("read-only file") << "readonly";
    }

    void unwritableTargetFailsAndKeepsCaptionAndFlag()
    {
        QFETCH(QString, kind);
        QString target = m_files->filePath("falta/x.zvk");
        if (kind == "folder") {
            target = m_files->filePath("carpeta.zvk");
            QVERIFY(QDir(m_files->path()).mkdir("carpeta.zvk"));
        } else if (kind == "readonly") {
            target = writeFile("solo-lectura.zvk", "viejo");
            QFile::setPermissions(target, QFile::ReadOwner | QFile::ReadGroup | QFile::ReadOther);
        }
        type("texto");
        m_dialogs->queueSaveFile(target);
        if (kind == "readonly")
            m_dialogs->queueMessageBox(IDYES); // replace it?
        guardedRun(-1);

        QCOMPARE(errors(), QStringList{"Cannot create file " + target + "."});
        QVERIFY(m_edit->modified());
        QCOMPARE(m_form->windowTitle(), QStringLiteral("Zarvik - Editor de Lógica"));
        // The failed save remembers the name, ready to be corrected.
        QCOMPARE(m_form->SaveDialog1.initialPath, target);
        if (kind == "readonly")
            QCOMPARE(readAll(target), QByteArray("viejo"));
    }

    void failedSaveFromThePromptEndsTheCallingCommand_data()
    {
        QTest::addColumn<int>("command");
        QTest::newRow("new text") << int(NewText);
        QTest::newRow("open program") << int(OpenProgram);
        QTest::newRow("close") << int(Close);
    }

    void failedSaveFromThePromptEndsTheCallingCommand()
    {
        QFETCH(int, command);
        type("valioso");
        m_dialogs->queueMessageBox(IDYES);
        m_dialogs->queueSaveFile(m_files->filePath("falta/x.zvk"));

        guardedRun(command);

        QCOMPARE(errors().size(), 1);
        QVERIFY(m_dialogs->openRequests.isEmpty());
        QCOMPARE(m_edit->bytes(), QByteArray("valioso"));
        QVERIFY(m_form->isVisible());
    }

    // The save dialog proposes the last name saved; the file now open is another one.
    void replacingAnotherExistingFileAsksFirst()
    {
        const QString a = m_files->filePath("a.zvk");
        const QString b = writeFile("b.zvk", "{\\rtf1 texto b}");
        type("texto a");
        save(a);
        m_dialogs->queueOpenFile(b);
        m_form->SpeedButton10Click(m_form.get());
        type(" cambiado");
        const QByteArray edited = m_edit->bytes();

        // No: the dialog again with the same name; then cancelled, nothing written.
        m_dialogs->queueSaveFile(a);
        m_dialogs->queueMessageBox(IDNO);
        m_dialogs->queueSaveFile(std::nullopt);
        m_form->SpeedButton11Click(m_form.get());
        QCOMPARE(m_dialogs->messageBoxes.size(), 1);
        QCOMPARE(m_dialogs->messageBoxes[0].text,
            QStringLiteral("«a.zvk» ya existe. ¿Desea reemplazarlo?"));
        QCOMPARE(m_dialogs->messageBoxes[0].caption, QStringLiteral("Atención"));
        QCOMPARE(m_dialogs->messageBoxes[0].flags, 0x134u);
        QCOMPARE(m_dialogs->saveRequests.size(), 3);
        QCOMPARE(m_dialogs->saveRequests[2].initialPath, a);
        QCOMPARE(reload(a), QByteArray("texto a"));
        QVERIFY(m_edit->modified());

        // The file the caption names, and a new one, are written without a question.
        m_dialogs->queueSaveFile(b);
        m_form->SpeedButton11Click(m_form.get());
        save(m_files->filePath("c.zvk"));
        QCOMPARE(m_dialogs->messageBoxes.size(), 1);
        QCOMPARE(reload(b), edited);
    }

    // Ctrl+S asks only for a document without a file of its own; "Guardar como…" always asks.
    void ctrlSSavesOverTheDocumentsOwnFileAndGuardarComoAlwaysAsks()
    {
        const QString a = m_files->filePath("a.zvk");
        const QString b = m_files->filePath("b.zvk");
        type("uno");
        m_dialogs->queueSaveFile(a);
        m_form->GuardarEnArchivo1->trigger();
        type(" dos");
        m_form->GuardarEnArchivo1->trigger();
        QCOMPARE(reload(a), QByteArray("uno dos"));
        m_dialogs->queueSaveFile(b);
        m_form->GuardarComo1->trigger();
        QCOMPARE(m_dialogs->saveRequests.size(), 2);
        QCOMPARE(m_dialogs->saveRequests[1].initialPath, a);
        QCOMPARE(m_form->windowTitle(), QStringLiteral("b.zvk"));

        // A new document, whose caption still names b.zvk, and a file read as plain text, which
        // RTF would replace, get the dialog; cancelled, nothing is written.
        m_form->SpeedButton9Click(m_form.get());
        type("nuevo");
        m_dialogs->queueSaveFile(std::nullopt);
        m_form->GuardarEnArchivo1->trigger();
        const QString notes = writeFile("notas.txt", "texto plano");
        m_edit->setModified(false);
        m_dialogs->queueOpenFile(notes);
        m_form->SpeedButton10Click(m_form.get());
        m_dialogs->queueSaveFile(std::nullopt);
        m_form->GuardarEnArchivo1->trigger();
        QCOMPARE(m_dialogs->saveRequests.size(), 4);
        QCOMPARE(reload(b), QByteArray("uno dos"));
        QCOMPARE(readAll(notes), QByteArray("texto plano"));
    }

    void firstArgumentOpensAsTextAfterTheShow_data()
    {
        QTest::addColumn<QStringList>("arguments");
        QTest::addColumn<QString>("caption");
        QTest::addColumn<QString>("error");
        QTest::newRow("none") << QStringList{"Zarvik"} << "Zarvik - Editor de Lógica"
                              << "";
        QTest::newRow("existing, relative")
            << QStringList{"Zarvik", "doc.zvk", "otro.zvk"} << "doc.zvk"
            << "";
        QTest::newRow("missing") << QStringList{"Zarvik", "falta.zvk"}
                                 << "Zarvik - Editor de Lógica"
                                 << "Cannot open file %1/falta.zvk.";
    }

    void firstArgumentOpensAsTextAfterTheShow()
    {
        QFETCH(QStringList, arguments);
        QFETCH(QString, caption);
        QFETCH(QString, error);
        writeFile("doc.zvk", "{\\rtf1 del documento}");
        m_form->EnterProgramMode();
        const QString cwd = QDir::currentPath();
        QDir::setCurrent(m_files->path());
        guarded([&] { m_form->OpenCommandLine(arguments); });
        QDir::setCurrent(cwd);

        QCOMPARE(m_form->windowTitle(), caption);
        QCOMPARE(
            errors(), error.isEmpty() ? QStringList() : QStringList{error.arg(m_files->path())});
        QCOMPARE(
            m_edit->bytes(), caption == "doc.zvk" ? QByteArray("del documento") : QByteArray());
        // As "Abrir Texto": text mode once a file is named, even one that fails to load.
        QCOMPARE(inProgramMode(), arguments.size() == 1);
    }

    void menuItemsRunTheCommands()
    {
        m_dialogs->queueOpenFile(std::nullopt);
        m_form->Abrir1->trigger();
        QCOMPARE(m_dialogs->openRequests.size(), 1);
        m_dialogs->queueOpenFile(std::nullopt);
        m_form->AbrirPrograma1->trigger();
        QCOMPARE(m_dialogs->openRequests.size(), 2);
        m_dialogs->queueSaveFile(std::nullopt);
        m_form->Guardar1->trigger();
        QCOMPARE(m_dialogs->saveRequests.size(), 1);

        m_form->NuevoPrograma1->trigger();
        QVERIFY(inProgramMode());
        type("x");
        m_dialogs->queueMessageBox(IDNO);
        m_form->Nuevo1->trigger();
        QVERIFY(!inProgramMode());
        QCOMPARE(m_edit->bytes(), QByteArray());

        type("y");
        m_dialogs->queueMessageBox(IDNO);
        m_form->Salir1->trigger();
        QVERIFY(!m_form->isVisible());
    }

private:
    bool inProgramMode() const { return m_form->speedButton(27)->isEnabled(); }

    void type(const char *text)
    {
        QTest::keyClicks(m_edit, QString::fromLatin1(text));
        QVERIFY(m_edit->modified());
    }

    QString writeFile(const char *name, const QByteArray &bytes)
    {
        const QString path = m_files->filePath(QString::fromLatin1(name));
        QFile file(path);
        if (!file.open(QIODevice::WriteOnly) || file.write(bytes) != bytes.size())
            qFatal("cannot write %s", qPrintable(path));
        return path;
    }

    void save(const QString &path)
    {
        m_dialogs->queueSaveFile(path);
        m_form->SpeedButton11Click(m_form.get());
        QVERIFY(!m_edit->modified());
        QCOMPARE(m_form->windowTitle(), QFileInfo(path).fileName());
    }

    // The file's bytes as the control reads them back.
    QByteArray reload(const QString &path)
    {
        RichEdit other;
        other.loadFromFile(path);
        return other.bytes();
    }

    void run(Command command)
    {
        switch (command) {
        case NewText: m_form->SpeedButton9Click(m_form.get()); break;
        case NewProgram: m_form->SpeedButton12Click(m_form.get()); break;
        case OpenText: m_form->SpeedButton10Click(m_form.get()); break;
        case OpenProgram: m_form->SpeedButton13Click(m_form.get()); break;
        case Close: m_form->close(); break;
        }
    }

    // As the window runs a command: errors go to the default error report. -1 is Save.
    void guardedRun(int command)
    {
        guarded([&] {
            if (command < 0)
                m_form->SpeedButton11Click(m_form.get());
            else
                run(Command(command));
        });
    }

    // The error reports alone: the prompt's exclamation icon shares a bit with the error icon.
    QStringList errors() const
    {
        QStringList out;
        for (const test::MessageBoxRequest &r : m_dialogs->messageBoxes)
            if ((r.flags & 0xF0) == MB_ICONERROR)
                out << r.text;
        return out;
    }

    std::unique_ptr<QTemporaryDir> m_files;
};

QTEST_MAIN(TestDocument)
#include "tst_document.moc"
