// The editor's client against the real zarvik-logic: checks in every modal system, "Demostrar"
// and "Siguiente paso", a cancel, a worker killed in the middle of a check, and "quit" while a
// check is under way. Waits have ceilings far above need; nothing here is timed.

#include "check/CheckRun.h"
#include "check/CheckWindow.h"
#include "check/LogicWorker.h"

#include "DesktopFolders.h"

#include <QDir>
#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QPlainTextEdit>
#include <QProcess>
#include <QSignalSpy>
#include <QTest>
#include <QTextDocument>

#include <cerrno>
#include <csignal>

#include <unistd.h>

using namespace zv;

namespace {

constexpr int kCeilingMs = 300'000;

// A formula with no finite countermodel: the engine searches it to its processor-time limit.
const QByteArray kEndless = "~(∀x∃y Rxy ∧ ∀x¬Rxx ∧ ∀x∀y∀z((Rxy ∧ Ryz) → Rxz))";

QString workerProgram()
{
    return qEnvironmentVariable("ZV_BUILD_DIR") + QStringLiteral("/zarvik-logic");
}

bool processGone(qint64 pid)
{
    return pid > 0 && ::kill(pid_t(pid), 0) != 0 && errno == ESRCH;
}

// The zarvik-logic that this process started, or 0.
qint64 childWorker()
{
    const QStringList entries = QDir(QStringLiteral("/proc")).entryList(QDir::Dirs);
    for (const QString &entry : entries) {
        QFile stat(QStringLiteral("/proc/%1/stat").arg(entry));
        if (!stat.open(QIODevice::ReadOnly))
            continue;
        const QByteArray line = stat.readAll();
        const qsizetype close = line.lastIndexOf(')');
        const qsizetype open = line.indexOf('(');
        if (open < 0 || close < 0 || line.mid(open + 1, close - open - 1) != "zarvik-logic")
            continue;
        const QList<QByteArray> fields = line.mid(close + 2).split(' ');
        if (fields.size() > 1 && fields[0] != "Z" && fields[1].toLongLong() == ::getpid())
            return entry.toLongLong();
    }
    return 0;
}

struct Run
{
    QList<LogicProblem> answers;
    QList<QJsonObject> assisted;
    QString failure;
    bool finished = false;
};

// Connects a run's record to @p worker.
void record(LogicWorker &worker, Run &run)
{
    QObject::connect(
        &worker, &LogicWorker::answered, [&run](const LogicProblem &p) { run.answers.append(p); });
    QObject::connect(
        &worker, &LogicWorker::assisted, [&run](const QJsonObject &m) { run.assisted.append(m); });
    QObject::connect(&worker, &LogicWorker::finished, [&run] { run.finished = true; });
    QObject::connect(&worker, &LogicWorker::failed, [&run](const QString &m) { run.failure = m; });
}

} // namespace

class TestWorker : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void initTestCase()
    {
        QVERIFY(m_folders.isValid());
        QVERIFY2(QFile::exists(workerProgram()), qPrintable(workerProgram()));
    }

    void init() { setLogicWorkerForTests(workerProgram()); }
    void cleanup() { setLogicWorkerForTests(QString()); }

    void everySystemDecidesTheModalLinesAsItsFramesAllow()
    {
        // Valid where the frames are reflexive, serial, the same and symmetric, transitive,
        // the same and Euclidean.
        const QByteArray text = "□p → p\n□p → ◇p\n□p → □□p\np → □◇p\n◇p → □◇p";
        const char *expected[] = {"-----", "vv---", "-v---", "vv-v-", "--v--", "vvv--", "vvvvv"};
        for (int s = 0; s < int(std::size(kModalSystemNames)); ++s) {
            LogicWorker worker;
            Run run;
            record(worker, run);
            worker.start(text, ModalSystem(s), false);
            QTRY_VERIFY_WITH_TIMEOUT(run.finished || !run.failure.isEmpty(), kCeilingMs);
            QVERIFY2(run.failure.isEmpty(), qPrintable(run.failure));
            QString got;
            for (const LogicProblem &p : run.answers) {
                QCOMPARE(p.system, QLatin1String(kModalSystemNames[s]));
                got += p.outcome == Outcome::Valid ? QLatin1Char('v') : QLatin1Char('-');
            }
            QVERIFY2(got == QLatin1String(expected[s]),
                qPrintable(QStringLiteral("%1: %2").arg(kModalSystemNames[s], got)));
        }
    }

    void demostrarAndSiguientePasoComeBackWithLinesTheCheckAccepts()
    {
        const QByteArray argument = "Ejercicio\np → q, q → r ⊢ p → r";
        QByteArray proved;
        {
            LogicWorker worker;
            Run run;
            record(worker, run);
            worker.startAssist(LogicWorker::Assist::Prove, argument, ModalSystem::K, 1);
            QTRY_VERIFY_WITH_TIMEOUT(run.finished || !run.failure.isEmpty(), kCeilingMs);
            QCOMPARE(run.assisted.size(), 1);
            const QJsonObject proof = run.assisted.at(0);
            QCOMPARE(proof.value(QLatin1String("event")).toString(), QStringLiteral("proof"));
            QVERIFY(proof.value(QLatin1String("found")).toBool());
            QCOMPARE(proof.value(QLatin1String("line")).toInt(), 2);
            proved = argument;
            for (const QJsonValue &l : proof.value(QLatin1String("lines")).toArray())
                proved += '\n' + l.toString().toUtf8();
        }
        {
            LogicWorker worker;
            Run run;
            record(worker, run);
            worker.start(proved, ModalSystem::K, false);
            QTRY_VERIFY_WITH_TIMEOUT(run.finished || !run.failure.isEmpty(), kCeilingMs);
            QVERIFY(!run.answers.isEmpty());
            const LogicProblem &derivation = run.answers.last();
            QVERIFY(derivation.derivation && derivation.finished);
            QCOMPARE(derivation.outcome, Outcome::Valid);
        }
        {
            // One step of an unfinished derivation, numbered as its own lines.
            LogicWorker worker;
            Run run;
            record(worker, run);
            worker.startAssist(
                LogicWorker::Assist::Next, "p ∧ q ⊢ q ∧ p\n1. p ∧ q :PR", ModalSystem::K, 2);
            QTRY_VERIFY_WITH_TIMEOUT(run.finished || !run.failure.isEmpty(), kCeilingMs);
            QCOMPARE(run.assisted.size(), 1);
            const QJsonObject next = run.assisted.at(0);
            QCOMPARE(next.value(QLatin1String("event")).toString(), QStringLiteral("next"));
            QVERIFY(next.value(QLatin1String("found")).toBool());
            QVERIFY(next.value(QLatin1String("lines"))
                        .toArray()
                        .at(0)
                        .toString()
                        .startsWith(QStringLiteral("2. ")));
        }
        {
            // An invalid argument has no derivation: its countermodel comes instead, in S4.
            LogicWorker worker;
            Run run;
            record(worker, run);
            worker.startAssist(LogicWorker::Assist::Prove, "◇p ⊢ □p", ModalSystem::S4, 1);
            QTRY_VERIFY_WITH_TIMEOUT(run.finished || !run.failure.isEmpty(), kCeilingMs);
            QCOMPARE(run.answers.size(), 1);
            QCOMPARE(run.answers.at(0).outcome, Outcome::Invalid);
            QCOMPARE(run.answers.at(0).system, QStringLiteral("S4"));
            QVERIFY(!run.answers.at(0).model.isEmpty());
            QCOMPARE(run.assisted.size(), 1);
            QVERIFY(!run.assisted.at(0).value(QLatin1String("found")).toBool());
        }
    }

    void aCancelEndsTheEngineAndNothingFollowsIt()
    {
        LogicWorker worker;
        Run run;
        record(worker, run);
        worker.start("p → p\n" + kEndless + "\nq", ModalSystem::K, false);
        QTRY_VERIFY_WITH_TIMEOUT(!run.answers.isEmpty() || !worker.isRunning(), kCeilingMs);
        QVERIFY(worker.isRunning());
        const qint64 pid = worker.processId();
        QVERIFY(pid > 0);
        worker.cancel();
        QVERIFY(!worker.isRunning());
        QCOMPARE(worker.processId(), 0);
        // Reaped by the event loop, later; a zombie meanwhile.
        QTRY_VERIFY_WITH_TIMEOUT(processGone(pid), kCeilingMs);
        QTest::qWait(100);
        QCOMPARE(run.answers.size(), 1);
        QVERIFY(!run.finished && run.failure.isEmpty());

        // The same object checks again, in a new process.
        run = {};
        worker.start("p ∨ ¬p", ModalSystem::K, false);
        QTRY_VERIFY_WITH_TIMEOUT(run.finished || !run.failure.isEmpty(), kCeilingMs);
        QCOMPARE(run.answers.size(), 1);
        QCOMPARE(run.answers.at(0).outcome, Outcome::Valid);
    }

    void aWorkerKilledInTheMiddleIsReportedAndTheDocumentStaysAsItWas()
    {
        QTextDocument document(QString::fromUtf8("p → p\n" + kEndless + "\nq"));
        document.setModified(false);
        const QString before = document.toPlainText();
        const int revision = document.revision();
        CheckWindow window;
        CheckRun run(
            document, 0, document.characterCount() - 1, ModalSystem::K, false, false, window);
        QSignalSpy ended(&run, &CheckRun::ended);
        qint64 pid = 0;
        QTRY_VERIFY_WITH_TIMEOUT((pid = childWorker()) > 0 || !ended.isEmpty(), kCeilingMs);
        QVERIFY(ended.isEmpty());
        // The first answer shown, the second under way.
        QTRY_VERIFY_WITH_TIMEOUT(
            window.answerView->toPlainText().contains(QStringLiteral("Línea 1: p → p")),
            kCeilingMs);
        QVERIFY(ended.isEmpty());
        QCOMPARE(::kill(pid_t(pid), SIGKILL), 0);
        QVERIFY(ended.wait(kCeilingMs));
        const QString shown = window.answerView->toPlainText();
        QVERIFY2(shown.endsWith(QStringLiteral("El motor lógico se detuvo inesperadamente (señal "
                                               "9). El documento no ha cambiado.\n")),
            qPrintable(shown));
        QVERIFY(shown.contains(QStringLiteral("Línea 1: p → p\n")));
        QVERIFY(!shown.contains(QStringLiteral("Línea 3")));
        QCOMPARE(document.toPlainText(), before);
        QCOMPARE(document.revision(), revision);
        QVERIFY(!document.isModified());
    }

    void quitLetsTheCheckUnderWayAndThoseWaitingFinish()
    {
        QProcess worker;
        worker.start(workerProgram(), {});
        QVERIFY(worker.waitForStarted(kCeilingMs));
        WorkerRequest check{WorkerRequest::Kind::Check, 1, ModalSystem::K, false, 1,
            "∀x(Fx → Gx), ∀x(Gx → Hx) ⊨ ∀x(Fx → Hx)\np → p"};
        worker.write(check.bytes());
        check.id = 2;
        check.text = "□p → p";
        check.system = ModalSystem::T;
        worker.write(check.bytes());
        worker.write(WorkerRequest::quit().bytes());
        // Nothing after quit is read.
        check.id = 3;
        worker.write(check.bytes());
        QVERIFY(worker.waitForFinished(kCeilingMs));
        QCOMPARE(worker.exitStatus(), QProcess::NormalExit);
        QCOMPARE(worker.exitCode(), 0);
        QStringList events;
        for (const QByteArray &line : worker.readAllStandardOutput().split('\n')) {
            if (line.isEmpty())
                continue;
            const QJsonObject m = QJsonDocument::fromJson(line).object();
            const QString event = m.value(QLatin1String("event")).toString();
            if (event == QLatin1String("answer")) {
                QCOMPARE(m.value(QLatin1String("decision")).toString(), QStringLiteral("valid"));
                events << event + QString::number(m.value(QLatin1String("id")).toInt());
            } else if (event == QLatin1String("done")) {
                events << event + QString::number(m.value(QLatin1String("id")).toInt());
            }
        }
        QCOMPARE(
            events.join(QLatin1Char(' ')), QStringLiteral("answer1 answer1 done1 answer2 done2"));
    }

private:
    test::DesktopFolders m_folders;
};

QTEST_MAIN(TestWorker)
#include "tst_worker.moc"
