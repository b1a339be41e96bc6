// "Corregir entregas…" and "Exportar para alumnos…" in the main window: a class marked by
// zarvik-pl from the sheet in the editor, the table with its tooltips and summary row, "Guardar
// notas…" writing the CSV that zarvik-pl prints, a double click opening a submission at its
// faulty line, and the submissions' folder left as it was.

#include "Unit1.h"

#include "MainWindowFixture.h"

#include "check/LogicWorker.h"
#include "check/Marking.h"
#include "platform/richedit/RichEdit.h"

#include <QAction>
#include <QCryptographicHash>
#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <QFileInfo>
#include <QHeaderView>
#include <QProgressDialog>
#include <QPushButton>
#include <QTableWidget>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>

using namespace zv;

namespace {

QString classData(const QString &name)
{
    return qEnvironmentVariable("ZV_SOURCE_DIR") + QStringLiteral("/tests/interpreter/data/clase/")
        + name;
}

QByteArray fileBytes(const QString &path)
{
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

// Each entry's name, size, time and contents, so that any change shows.
QStringList listing(const QString &folder)
{
    QStringList out;
    QDirIterator it(folder, QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot,
        QDirIterator::Subdirectories);
    while (it.hasNext()) {
        const QFileInfo info(it.next());
        out << QStringLiteral("%1 %2 %3 %4")
                   .arg(info.filePath())
                   .arg(info.size())
                   .arg(info.lastModified().toMSecsSinceEpoch())
                   .arg(QString::fromLatin1(
                       QCryptographicHash::hash(fileBytes(info.filePath()), QCryptographicHash::Md5)
                           .toHex()));
    }
    out.sort();
    return out;
}

} // namespace

class TestMarking : public QObject, public test::MainWindowTest
{
    Q_OBJECT

private Q_SLOTS:
    void init()
    {
        setLogicWorkerForTests(
            qEnvironmentVariable("ZV_BUILD_DIR") + QStringLiteral("/zarvik-logic"));
        QVERIFY(showMainWindow());
        m_folder = std::make_unique<QTemporaryDir>();
        QTemporaryDir &klass = *m_folder;
        QVERIFY(klass.isValid());
        const QDir from(classData(QStringLiteral("entregas")));
        for (const QString &name : from.entryList(QDir::Files))
            QVERIFY(QFile::copy(from.filePath(name), klass.filePath(name)));
        QVERIFY(QDir(klass.path()).mkdir(QStringLiteral("viejas")));
    }

    void cleanup()
    {
        closeMainWindow();
        setLogicWorkerForTests(QString());
    }

    void csvIsReadAsRfc4180QuotesIt()
    {
        const QList<QStringList> records = parseCsv("a,\"b, c\",\"d \"\"e\"\"\"\n,\r\n\"x\ny\",z");
        QCOMPARE(records.size(), 3);
        QCOMPARE(records.at(0), (QStringList{"a", "b, c", "d \"e\""}));
        QCOMPARE(records.at(1), (QStringList{QString(), QString()}));
        QCOMPARE(records.at(2), (QStringList{"x\ny", "z"}));
    }

    void corregirEntregasShowsTheClassAndSavesTheCsvThatZarvikPlPrints()
    {
        const QTemporaryDir &klass = *m_folder;
        m_edit->loadFromFile(classData(QStringLiteral("hoja.zvk")));
        const QStringList before = listing(klass.path());
        m_dialogs->queueFolder(klass.path());
        m_form->CorregirEntregas1->trigger();
        auto *window = m_form->findChild<MarksWindow *>();
        QVERIFY(window);
        QTableWidget *table = window->table;
        // Ten files and the class's row; the subfolder is nobody's.
        QCOMPARE(table->rowCount(), 11);
        QCOMPARE(table->columnCount(), 7);
        QCOMPARE(table->horizontalHeaderItem(2)->text(), QStringLiteral("Ejercicio 1"));
        QCOMPARE(table->item(0, 0)->text(), QStringLiteral("Ana Pérez"));
        QCOMPARE(table->item(0, 6)->text(), QStringLiteral("5"));
        QCOMPARE(table->item(0, 4)->toolTip(), QStringLiteral("Correcto"));
        QCOMPARE(table->item(1, 2)->text(), QStringLiteral("0"));
        QCOMPARE(table->item(1, 2)->toolTip(),
            QStringLiteral("línea 9: fila 2, columna «p → q»: el valor es F"));
        QCOMPARE(table->item(5, 2)->toolTip(), QStringLiteral("sin respuesta"));
        // The file that is no document: its row, empty, with its reason.
        QCOMPARE(table->item(9, 1)->text(), QStringLiteral("nulo.txt"));
        QVERIFY(table->item(9, 2)->text().isEmpty());
        QVERIFY(table->item(9, 2)->toolTip().contains(QStringLiteral("bytes nulos")));
        // How many of the nine read got each exercise right.
        QCOMPARE(table->item(10, 0)->text(), QStringLiteral("Aciertos"));
        QCOMPARE(table->item(10, 2)->text(), QStringLiteral("1 de 9"));
        QCOMPARE(table->item(10, 3)->text(), QStringLiteral("6 de 9"));
        QCOMPARE(table->item(10, 4)->text(), QStringLiteral("3 de 9"));
        QCOMPARE(table->item(10, 5)->text(), QStringLiteral("5 de 9"));

        QTemporaryDir out;
        const QString csv = out.filePath(QStringLiteral("notas.csv"));
        m_dialogs->queueSaveFile(csv);
        window->saveButton->click();
        QCOMPARE(fileBytes(csv), fileBytes(classData(QStringLiteral("notas.csv"))));

        // A double click on a faulty cell opens that submission at the faulty line.
        Q_EMIT table->cellDoubleClicked(1, 2);
        QCOMPARE(m_form->DocumentPath, klass.filePath(QStringLiteral("bruno.txt")));
        QCOMPARE(m_edit->textCursor().selectedText(), QStringLiteral("V | F | V | V | F"));

        QCOMPARE(listing(klass.path()), before);
        QVERIFY(m_dialogs->allAnswersUsed());
        QVERIFY(m_dialogs->errors().isEmpty());

        // The next time the dialog starts where the last folder was.
        m_dialogs->queueFolder(std::nullopt);
        m_form->CorregirEntregas1->trigger();
        QCOMPARE(m_dialogs->folderRequests.last(), klass.path());
    }

    void cancelarStopsTheMarkingAndShowsNoTable()
    {
        const QTemporaryDir &klass = *m_folder;
        m_edit->loadFromFile(classData(QStringLiteral("hoja.zvk")));
        const QStringList before = listing(klass.path());
        bool cancelled = false;
        // Pressed as soon as the progress shows, while zarvik-pl is still at work.
        QTimer::singleShot(0, m_form.get(), [&] {
            if (auto *progress
                = m_form->findChild<QProgressDialog *>(QStringLiteral("ProgresoCorreccion"))) {
                const auto buttons = progress->findChildren<QPushButton *>();
                for (QPushButton *b : buttons)
                    if (b->text() == QStringLiteral("Cancelar")) {
                        b->click();
                        cancelled = true;
                    }
            }
        });
        m_dialogs->queueFolder(klass.path());
        m_form->CorregirEntregas1->trigger();
        QVERIFY(cancelled);
        QVERIFY(!m_form->findChild<MarksWindow *>());
        QVERIFY(m_dialogs->errors().isEmpty());
        QCOMPARE(listing(klass.path()), before);
    }

    void aSheetWithNoExerciseIsSaidSo()
    {
        const QTemporaryDir &klass = *m_folder;
        m_edit->insertReadable(QStringLiteral("Solo prosa."));
        m_dialogs->queueFolder(klass.path());
        m_form->CorregirEntregas1->trigger();
        QVERIFY(!m_form->findChild<MarksWindow *>());
        QCOMPARE(m_dialogs->errors().size(), 1);
        QVERIFY(m_dialogs->errors().first().contains(QStringLiteral("ningún ejercicio")));
    }

    void exportarParaAlumnosWritesTheSheetWithoutItsSolutions()
    {
        m_edit->loadFromFile(classData(QStringLiteral("hoja.zvk")));
        QTemporaryDir out;
        const QString copy = out.filePath(QStringLiteral("alumnos.zvk"));
        m_dialogs->queueSaveFile(copy);
        m_form->ExportarParaAlumnos1->trigger();
        const QByteArray bytes = fileBytes(copy);
        QVERIFY(bytes.startsWith("{\\rtf1"));
        QVERIFY(!bytes.contains("Soluci"));
        for (const char *e :
            {"Ejercicio 1 (2", "Ejercicio 2 (1", "Ejercicio 3 (1,5", "Ejercicio 4"})
            QVERIFY2(bytes.contains(e), e);
        QVERIFY(m_dialogs->errors().isEmpty());
        // The sheet in the window is the teacher's still.
        QVERIFY(m_edit->toPlainText().contains(QStringLiteral("Solución:")));
    }

private:
    std::unique_ptr<QTemporaryDir> m_folder; // a class of its own for each test
};

QTEST_MAIN(TestMarking)
#include "tst_marking.moc"
