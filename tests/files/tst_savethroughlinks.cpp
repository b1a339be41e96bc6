// Every save the user names, onto a symbolic link: the link stays a link, the file it points to
// gets the new text, and the question before names that file.

#include "Unit1.h"
#include "Unit4.h"
#include "check/CheckWindow.h"

#include "FakeDialogs.h"
#include "MainWindowFixture.h"

#include "platform/richedit/RichEdit.h"

#include <QAction>
#include <QDir>
#include <QTemporaryDir>
#include <QTest>

using namespace zv;

namespace {

enum Save { Document, Export, Results, Check };

QByteArray readAll(const QString &path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

QStringList everythingIn(const QString &folder)
{
    return QDir(folder).entryList(
        QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot);
}

} // namespace

class TestSaveThroughLinks : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void initTestCase() { QVERIFY(test::useMarkedExeFolder(m_exeFolder)); }

    void init()
    {
        m_dialogs = std::make_unique<test::FakeDialogs>();
        m_files = std::make_unique<QTemporaryDir>();
        QVERIFY(QDir(m_files->path()).mkdir(QStringLiteral("otros")));
    }

    void cleanup()
    {
        QVERIFY2(m_dialogs->allAnswersUsed(), "an answer queued for a dialog was never asked for");
        if (m_form)
            m_form->RichEdit1->setModified(false);
        m_form.reset();
        m_dialogs.reset();
    }

    void everySaveWritesTheFileALinkPointsTo_data()
    {
        QTest::addColumn<int>("save");
        QTest::addColumn<QString>("suffix");
        QTest::addColumn<bool>("targetExists");
        const struct
        {
            const char *name;
            Save save;
            const char *suffix;
        } saves[] = {{"F3", Document, ".zvk"}, {"Exportar", Export, ".tex"},
            {"results Guardar", Results, ".txt"}, {"check Guardar", Check, ".txt"}};
        for (const auto &s : saves) {
            QTest::addRow("%s, existing file", s.name) << int(s.save) << s.suffix << true;
            QTest::addRow("%s, dangling link", s.name) << int(s.save) << s.suffix << false;
        }
    }

    void everySaveWritesTheFileALinkPointsTo()
    {
        QFETCH(int, save);
        QFETCH(QString, suffix);
        QFETCH(bool, targetExists);
        // A relative link, read from its own folder, into another folder.
        const QString link = m_files->filePath(QStringLiteral("enlace") + suffix);
        const QString target = m_files->filePath(QStringLiteral("otros/otro") + suffix);
        QVERIFY(QFile::link(QStringLiteral("otros/otro") + suffix, link));
        if (targetExists)
            writeFile(target, "viejo");

        // No: the dialog again, and nothing written.
        m_dialogs->queueSaveFile(link);
        m_dialogs->queueMessageBox(IDNO);
        m_dialogs->queueSaveFile(std::nullopt);
        runSave(Save(save), "nuevo");
        QCOMPARE(m_dialogs->messageBoxes.size(), 1);
        QCOMPARE(m_dialogs->saveRequests.size(), 2);
        QCOMPARE(m_dialogs->saveRequests[1].initialPath, link);
        QCOMPARE(QFile::exists(target), targetExists);

        m_dialogs->queueSaveFile(link);
        m_dialogs->queueMessageBox(IDYES);
        runSave(Save(save), "nuevo");
        QCOMPARE(m_dialogs->errors(), QStringList());
        const test::MessageBoxRequest &question = m_dialogs->messageBoxes.last();
        const QString named = QFileInfo(m_files->path()).canonicalFilePath()
            + QStringLiteral("/otros/otro") + suffix;
        QCOMPARE(question.text,
            targetExists
                ? QStringLiteral(
                    "«enlace%1» es un enlace a «%2», que ya existe. ¿Desea reemplazarlo?")
                      .arg(suffix, named)
                : QStringLiteral("«enlace%1» es un enlace a «%2», que no existe. ¿Desea crearlo?")
                      .arg(suffix, named));
        QCOMPARE(question.caption, QStringLiteral("Atención"));
        QCOMPARE(question.flags, 0x134u);

        QVERIFY(QFileInfo(link).isSymLink());
        QCOMPARE(QFile::symLinkTarget(link), QFileInfo(target).absoluteFilePath());
        const QByteArray written = readAll(target);
        QVERIFY2(written.contains("nuevo") && !written.contains("viejo"), written.constData());
        // Nothing half-written left in either folder.
        QCOMPARE(everythingIn(m_files->path()),
            QStringList({QStringLiteral("enlace") + suffix, QStringLiteral("otros")}));
        QCOMPARE(everythingIn(m_files->filePath(QStringLiteral("otros"))),
            QStringList(QStringLiteral("otro") + suffix));
    }

    // F3 onto the file the caption names asks nothing, also when that name is a link; the link
    // stays a link.
    void savingTheCaptionedLinkAsksNothingAndKeepsTheLink()
    {
        const QString link = m_files->filePath(QStringLiteral("apuntes.zvk"));
        const QString target = m_files->filePath(QStringLiteral("otros/apuntes.zvk"));
        writeFile(target, "{\\rtf1 primero}");
        QVERIFY(QFile::link(target, link));
        m_form = test::shownMainWindow();
        QVERIFY(m_form);
        m_dialogs->queueOpenFile(link);
        m_form->SpeedButton10Click(m_form.get());
        QCOMPARE(m_form->windowTitle(), QStringLiteral("apuntes.zvk"));

        QTest::keyClicks(m_form->RichEdit1, QStringLiteral(" segundo"));
        m_dialogs->queueSaveFile(link);
        m_form->SpeedButton11Click(m_form.get());
        // The file it points to, named by its own path, is the captioned one too.
        m_dialogs->queueSaveFile(target);
        m_form->SpeedButton11Click(m_form.get());
        QVERIFY(m_dialogs->messageBoxes.isEmpty());
        QVERIFY(QFileInfo(link).isSymLink());
        QVERIFY(readAll(target).contains("segundo"));
        QVERIFY(!m_form->RichEdit1->modified());
    }

private:
    void writeFile(const QString &path, const QByteArray &bytes)
    {
        QFile file(path);
        QVERIFY(file.open(QIODevice::WriteOnly) && file.write(bytes) == bytes.size());
    }

    void runSave(Save save, const QString &text)
    {
        switch (save) {
        case Document:
        case Export:
            if (!m_form) {
                m_form = test::shownMainWindow();
                QVERIFY(m_form);
            }
            m_form->RichEdit1->selectAll();
            m_form->RichEdit1->replaceSel(text.toLatin1());
            if (save == Document)
                m_form->SpeedButton11Click(m_form.get());
            else
                m_form->Exportar1->trigger();
            break;
        case Results: {
            TForm4 window;
            window.setText(text.toLatin1());
            window.Guardar1->trigger();
            break;
        }
        case Check: {
            CheckWindow window;
            window.showAnswer(text);
            window.saveAction->trigger();
            break;
        }
        }
    }

    QTemporaryDir m_exeFolder;
    std::unique_ptr<QTemporaryDir> m_files;
    std::unique_ptr<test::FakeDialogs> m_dialogs;
    std::unique_ptr<TForm1> m_form;
};

QTEST_MAIN(TestSaveThroughLinks)
#include "tst_savethroughlinks.moc"
