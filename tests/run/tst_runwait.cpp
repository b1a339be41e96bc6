// Starting "PL.bat" and waiting for it: how it is started, a launch that fails, and a window
// that keeps painting and answering input while the interpreter runs.

#include "FakeDialogs.h"
#include "RunFixture.h"

#include "platform/process/Launcher.h"
#include "platform/widgets/SpeedButton.h"

#include <QAction>
#include <QKeyEvent>
#include <QTimer>
#include <QtTest>

using namespace zv::test;

namespace {

class PaintCounter : public QObject
{
public:
    int paints = 0;

protected:
    bool eventFilter(QObject *, QEvent *event) override
    {
        if (event->type() == QEvent::Paint)
            ++paints;
        return false;
    }
};

// Neither gone nor a zombie waiting for a parent that may never reap it.
bool running(qint64 pid)
{
    const QByteArray stat = readAll(QStringLiteral("/proc/%1/stat").arg(pid));
    const qsizetype name = stat.lastIndexOf(')');
    return name > 0 && stat.mid(name + 2, 1) != "Z";
}

void makeExecutable(const QString &path)
{
    QFile::setPermissions(path, QFile::permissions(path) | QFile::ExeOwner | QFile::ExeUser);
}

} // namespace

class RunWaitTest : public QObject
{
    Q_OBJECT

private:
    std::unique_ptr<FakeDialogs> m_dialogs;
    std::unique_ptr<ExeFolder> m_folder;
    std::unique_ptr<TForm1> m_form;
    std::unique_ptr<ResultsCatcher> m_results;

    QString batch() const { return m_folder->path(QStringLiteral("PL.bat")); }

private Q_SLOTS:
    void init()
    {
        m_dialogs = std::make_unique<FakeDialogs>();
        m_folder = std::make_unique<ExeFolder>();
        m_form = std::make_unique<TForm1>();
        Form1 = m_form.get();
        m_results = std::make_unique<ResultsCatcher>(*m_dialogs);
    }

    void cleanup()
    {
        zv::setLaunchObserverForTests({});
        m_results.reset();
        Form1 = nullptr;
        m_form.reset();
        m_folder.reset();
        m_dialogs.reset();
    }

    void batchRunsByItselfOnlyWithExecBitAndInterpreterLine_data()
    {
        QTest::addColumn<QByteArray>("content");
        QTest::addColumn<bool>("executable");
        QTest::addColumn<bool>("byItself");
        QTest::newRow("#! and exec bit") << QByteArray("#!/bin/sh\necho\n") << true << true;
        QTest::newRow("#! without exec bit") << QByteArray("#!/bin/sh\necho\n") << false << false;
        QTest::newRow("exec bit without #!") << QByteArray("echo\n") << true << false;
        QTest::newRow("plain batch") << QByteArray("echo\n") << false << false;
    }

    void batchRunsByItselfOnlyWithExecBitAndInterpreterLine()
    {
        QFETCH(QByteArray, content);
        QFETCH(bool, executable);
        QFETCH(bool, byItself);
        writeAll(batch(), content);
        if (executable)
            makeExecutable(batch());
        const zv::LaunchPlan plan = zv::launchPlan(batch(), QString());
        if (byItself) {
            QCOMPARE(plan.program, batch());
            QCOMPARE(plan.arguments, QStringList());
        } else {
            QCOMPARE(plan.program, QStringLiteral("/bin/sh"));
            QCOMPARE(plan.arguments, QStringList{batch()});
        }
    }

    void executableBatchIsStartedAndWaitedFor()
    {
        writeAll(
            batch(), "#!/bin/sh\nsleep 1\necho \"$0 $#\" > \"$(dirname \"$0\")/salida.log\"\n");
        makeExecutable(batch());
        QElapsedTimer clock;
        clock.start();
        zv::executeAndWait(m_form.get(), batch(), QString(), 1);
        QVERIFY(clock.elapsed() >= 900);
        QCOMPARE(
            readAll(m_folder->path(QStringLiteral("salida.log"))), batch().toLocal8Bit() + " 0\n");
        QCOMPARE(m_dialogs->messageBoxes.size(), 0);
    }

    void failedLaunchNamesPathAndReason_data()
    {
        QTest::addColumn<QByteArray>("content");
        QTest::addColumn<QString>("reason");
        QTest::newRow("interpreter line ending in CR") << QByteArray(
            "#!/bin/sh\r\necho\r\n") << QStringLiteral("bad interpreter \"/bin/sh\\r\"");
        QTest::newRow("interpreter missing") << QByteArray(
            "#!/no/such/shell\n") << QStringLiteral("bad interpreter \"/no/such/shell\"");
    }

    void failedLaunchNamesPathAndReason()
    {
        QFETCH(QByteArray, content);
        QFETCH(QString, reason);
        writeAll(batch(), content);
        makeExecutable(batch());
        // How soon the box comes is measured by bench_run_wait; here, that it comes.
        zv::executeAndWait(m_form.get(), batch(), QString(), 1);
        QCOMPARE(m_dialogs->messageBoxes.size(), 1);
        const MessageBoxRequest box = m_dialogs->messageBoxes.first();
        QVERIFY2(box.text.contains(batch()) && box.text.contains(reason), qPrintable(box.text));
        QCOMPARE(box.flags, unsigned(zv::MB_OK | zv::MB_ICONERROR));
    }

    void windowPaintsAndTakesInputDuringTheWait()
    {
        m_folder->writeBatch("sleep 3; echo hecho > \"$here/salida.log\"");
        m_form->show();
        QVERIFY(QTest::qWaitForWindowExposed(m_form.get(), 60000));
        m_form->EnterProgramMode();
        zv::RichEdit *editor = m_form->RichEdit1;
        PaintCounter counter;
        editor->viewport()->installEventFilter(&counter);

        // The key goes in at the first tick and must be in the text before the wait ends; how
        // late the ticks come is measured by bench_run_wait, since a busy machine delays them.
        QElapsedTimer clock;
        bool typed = false;
        bool typedSeen = false;
        int ticks = 0;
        int paintsDuringWait = 0;
        QTimer ticker;
        ticker.setInterval(50);
        connect(&ticker, &QTimer::timeout, this, [&] {
            ++ticks;
            if (!typed) {
                typed = true;
                QCoreApplication::postEvent(editor,
                    new QKeyEvent(
                        QEvent::KeyPress, Qt::Key_X, Qt::NoModifier, QStringLiteral("x")));
            } else if (editor->bytes().contains('x')) {
                typedSeen = true;
            }
            paintsDuringWait = counter.paints;
            editor->viewport()->update();
        });
        clock.start();
        ticker.start();
        m_form->speedButton(27)->click();
        const qint64 waited = clock.elapsed();
        ticker.stop();

        QVERIFY2(waited >= 2900, qPrintable(QString::number(waited)));
        QCOMPARE(m_results->shown.size(), 1);
        QCOMPARE(m_results->shown.first().text, QByteArray("hecho\r\n"));
        QVERIFY(typedSeen);
        QVERIFY2(ticks >= 3 && paintsDuringWait >= 2,
            qPrintable(QStringLiteral("%1 ticks, %2 paints").arg(ticks).arg(paintsDuringWait)));
    }

    void runningProgramIsShownAndStopsWithItsChildren_data()
    {
        QTest::addColumn<bool>("byClosing");
        QTest::newRow("Detener programa") << false;
        QTest::newRow("closing the window") << true;
    }

    void runningProgramIsShownAndStopsWithItsChildren()
    {
        QFETCH(bool, byClosing);
        // A child that ignores SIGTERM, and a shell that would wait for it for two minutes: a
        // stop that did not reach them would keep the wait far beyond the ceiling below.
        m_folder->writeBatch("sh -c 'trap \"\" TERM; echo $$ > \"$1/child.new\";"
                             " mv \"$1/child.new\" \"$1/child\"; sleep 120' sh \"$here\" &\n"
                             "sleep 120; echo tarde > \"$here/salida.log\"");
        m_form->show();
        m_form->EnterProgramMode();
        const QString caption = m_form->windowTitle();
        QWidget *editor = m_form->RichEdit1->viewport();
        const Qt::CursorShape editorCursor = editor->cursor().shape();
        const QString childFile = m_folder->path(QStringLiteral("child"));
        QStringList during;
        // Stops once the child runs, however long the start takes.
        QTimer poll;
        poll.setInterval(20);
        connect(&poll, &QTimer::timeout, this, [&] {
            if (!QFile::exists(childFile))
                return;
            poll.stop();
            during << m_form->windowTitle() << QString::number(editor->cursor().shape())
                   << QString::number(m_form->DetenerPrograma1->isEnabled());
            byClosing ? void(m_form->close()) : m_form->DetenerPrograma1->trigger();
        });
        poll.start();
        QElapsedTimer clock;
        clock.start();
        m_form->speedButton(27)->click();
        QVERIFY2(clock.elapsed() < 60000, qPrintable(QString::number(clock.elapsed())));
        QCOMPARE(during,
            (QStringList{caption + QStringLiteral(" — ejecutando PL.bat…"),
                QString::number(Qt::BusyCursor), QStringLiteral("1")}));
        const qint64 child = readAll(childFile).trimmed().toLongLong();
        QVERIFY(child > 0);
        QTRY_VERIFY_WITH_TIMEOUT(!running(child), 60000);
        // A stopped run has no answer to show, and the window is as before the run.
        QCOMPARE(m_results->shown.size(), 0);
        QCOMPARE(m_form->windowTitle(), caption);
        QCOMPARE(editor->cursor().shape(), editorCursor);
        QVERIFY(!m_form->DetenerPrograma1->isEnabled());
    }

    void secondRunDuringTheWaitNestsInsideTheFirst()
    {
        // The first run waits for the second to start (a minute at most), and the second is
        // started once the first runs: the nesting holds however slow the machine is.
        m_folder->writeBatch("echo run >> \"$here/launches\"; i=0;"
                             " while [ \"$(wc -l < \"$here/launches\")\" -lt 2 ] && [ $i -lt 600 ];"
                             " do sleep 0.1; i=$((i + 1)); done;"
                             " wc -l < \"$here/launches\" > \"$here/salida.log\"");
        m_form->EnterProgramMode();
        m_form->RichEdit1->clearDocument();
        m_form->RichEdit1->replaceSel("p\r\n");
        QTimer poll;
        poll.setInterval(20);
        connect(&poll, &QTimer::timeout, this, [&] {
            if (m_folder->launches() < 1)
                return;
            poll.stop();
            m_form->RichEdit1->replaceSel("q\r\n");
            m_form->speedButton(27)->click();
        });
        poll.start();
        m_form->speedButton(27)->click();
        // The inner run's window comes first; the outer wait resumes only after it.
        QCOMPARE(m_folder->launches(), 2);
        QCOMPARE(m_results->shown.size(), 2);
        QVERIFY(m_results->shown[0].atMs <= m_results->shown[1].atMs);
        QCOMPARE(readAll(m_folder->path(QStringLiteral("entrada.txt"))), QByteArray("p\r\nq\r\n"));
        QCOMPARE(m_dialogs->messageBoxes.size(), 0);
    }
};

QTEST_MAIN(RunWaitTest)
#include "tst_runwait.moc"
