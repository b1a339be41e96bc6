// The longest freeze of the main window's event loop (a 5 ms timer's largest gap, as in
// bench_check_long_document) while the editor meets a text at the edge of what it takes:
//   long-line-open      opening a text file that is one line of 10 MB ("p & " over and over;
//                       ZV_BENCH_LINE_BYTES sets another length)
//   long-rtf-open       opening a document (RTF) that is that one paragraph
//   long-line-check     that line, opened, checked with Ctrl+Enter
//   long-letters-check  a line of 10 MB of letters, opened, checked with Ctrl+Enter
//   long-line-paste     that line put in place of the selection, as a paste does
//   long-line-type      Enter, Backspace and a letter typed in the middle of it, opened
//   deep-check          a derivation 1000 subderivations deep checked with Ctrl+Enter
//   prove-400           "Demostrar" inserting a derivation of 400 lines
// Usage: bench_editor_freeze [CASE...]   (all of them by default; offscreen is enough)
// Each case runs in a process of its own and prints "CASE: longest freeze N ms", then what it
// checked of the outcome. The clock runs from the command until the window is idle again.

#include "Unit1.h"
#include "check/CheckWindow.h"
#include "check/LineMarks.h"
#include "check/LogicWorker.h"

#include "platform/app/Application.h"
#include "platform/richedit/RichEdit.h"

#include <QAbstractTextDocumentLayout>
#include <QApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QKeyEvent>
#include <QPlainTextEdit>
#include <QProcess>
#include <QTemporaryDir>
#include <QTextBlock>
#include <QTimer>

#include <algorithm>
#include <cstdio>
#include <functional>
#include <iostream>
#include <string>

namespace {

// ZV_BENCH_LINE_BYTES sets another length, to see how the freeze grows with it.
const int kLongLineBytes = qEnvironmentVariableIsSet("ZV_BENCH_LINE_BYTES")
    ? qEnvironmentVariableIntValue("ZV_BENCH_LINE_BYTES")
    : 10 * 1000 * 1000;
constexpr int kDepth = 1000;
constexpr int kProofLines = 400;

QByteArray repeated(const QByteArray &unit, int bytes)
{
    QByteArray line;
    line.reserve(bytes + int(unit.size()));
    while (line.size() + unit.size() <= bytes)
        line += unit;
    return line;
}

// "p ⊢ p" proved 1000 subderivations deep: each assumption one space further in, p reiterated
// at the bottom, then on the way out each subderivation discharged by →I and p reiterated
// again, so that every line stays short and the derivation is correct and finished.
QByteArray deepDerivation()
{
    QByteArray text = "p |- p\n1. p :PR\n";
    int n = 1;
    for (int depth = 1; depth <= kDepth; ++depth)
        text += QByteArray(depth, ' ') + QByteArray::number(++n) + ". q :AS\n";
    text += QByteArray(kDepth, ' ') + QByteArray::number(++n) + ". p :R 1\n";
    int last = n;
    for (int depth = kDepth; depth >= 1; --depth) {
        const QByteArray indent(depth - 1, ' ');
        // The assumption at this depth is line depth + 1.
        text += indent + QByteArray::number(++n) + ". q -> p :->I " + QByteArray::number(depth + 1)
            + "-" + QByteArray::number(last) + "\n";
        text += indent + QByteArray::number(++n) + ". p :R 1\n";
        last = n;
    }
    return text;
}

// The worker's part in prove-400: the derivation, whatever was asked.
int fakeWorker()
{
    std::string header;
    std::getline(std::cin, header);
    const std::size_t length = std::stoul(header.substr(header.rfind(' ') + 1));
    std::string text(length, '\0');
    std::cin.read(text.data(), std::streamsize(length));
    QJsonArray lines;
    lines.append(QStringLiteral("1. p → q :PR"));
    for (int i = 2; i <= kProofLines; ++i)
        lines.append(i % 2 ? QStringLiteral("%1. p → q :R %2").arg(i).arg(i - 1)
                           : QStringLiteral("    %1. p ∧ ¬q :AS").arg(i));
    const QJsonObject proof{{QStringLiteral("event"), QStringLiteral("proof")},
        {QStringLiteral("id"), 1}, {QStringLiteral("line"), 1}, {QStringLiteral("found"), true},
        {QStringLiteral("lines"), lines}, {QStringLiteral("method"), QString()},
        {QStringLiteral("reason"), QString()}};
    std::cout << QJsonDocument(proof).toJson(QJsonDocument::Compact).toStdString()
              << "\n{\"event\":\"done\",\"id\":1}\n"
              << std::flush;
    for (std::string rest; std::getline(std::cin, rest);) {}
    return 0;
}

// Lets the event loop turn until @p done, then 500 ms more for the paints and layouts that
// follow; returns the longest gap of a 5 ms timer meanwhile.
qint64 longestFreeze(const std::function<void()> &command, const std::function<bool()> &done)
{
    QElapsedTimer clock, sinceTick;
    qint64 longest = 0;
    QTimer tick;
    tick.setTimerType(Qt::PreciseTimer);
    tick.setInterval(5);
    QObject::connect(
        &tick, &QTimer::timeout, [&] { longest = std::max(longest, sinceTick.restart()); });
    clock.start();
    sinceTick.start();
    tick.start();
    command();
    longest = std::max(longest, sinceTick.elapsed());
    qint64 doneAt = -1;
    while (clock.elapsed() < 600'000) {
        QApplication::processEvents(QEventLoop::AllEvents, 5);
        if (doneAt < 0 && done())
            doneAt = clock.elapsed();
        if (doneAt >= 0 && clock.elapsed() - doneAt > 500)
            break;
    }
    longest = std::max(longest, sinceTick.elapsed());
    std::printf("  (over after %lld ms)\n", static_cast<long long>(doneAt));
    return longest;
}

zv::CheckWindow *idleCheckWindow(TForm1 &form)
{
    auto *window = form.findChild<zv::CheckWindow *>();
    return window && window->isVisible() && !window->inProgress() ? window : nullptr;
}

void settle(TForm1 &form)
{
    // The document laid out and painted before the clock starts.
    for (int i = 0; i < 20; ++i)
        QApplication::processEvents(QEventLoop::AllEvents, 20);
    form.RichEdit1->document()->documentLayout()->documentSize();
    form.repaint();
    QApplication::processEvents();
}

int runCase(const QByteArray &name, const QString &folder)
{
    TForm1 form;
    form.show();
    QApplication::processEvents();
    zv::RichEdit &edit = *form.RichEdit1;
    qint64 freeze = -1;
    QString outcome;

    // Each long line is written to a file and opened, as a user meets one.
    const auto openLong = [&](const QByteArray &line, bool rtf) {
        const QString path
            = folder + (rtf ? QStringLiteral("/larga.zvk") : QStringLiteral("/larga.txt"));
        QFile file(path);
        if (!file.open(QIODevice::WriteOnly))
            return path;
        if (rtf)
            file.write(
                "{\\rtf1\\ansi\\deff0{\\fonttbl{\\f0 Arial;}}\\f0\\fs20 " + line + "\\par\n}");
        else
            file.write(line);
        file.close();
        return path;
    };
    const auto opened = [&] {
        return QStringLiteral("%1 characters in %2 display blocks")
            .arg(edit.document()->characterCount() - 1)
            .arg(edit.document()->blockCount());
    };
    if (name == "long-line-open" || name == "long-rtf-open") {
        const QString path = openLong(repeated("p & ", kLongLineBytes), name == "long-rtf-open");
        settle(form);
        freeze = longestFreeze(
            [&] {
                form.OpenCommandLine({QStringLiteral("Zarvik"), path});
            },
            [&] { return edit.document()->characterCount() > kLongLineBytes / 2; });
        outcome = opened();
    } else if (name == "long-line-check" || name == "long-letters-check") {
        const QByteArray line = name == "long-line-check" ? repeated("p & ", kLongLineBytes)
                                                          : repeated("abcdefghij", kLongLineBytes);
        form.OpenCommandLine({QStringLiteral("Zarvik"), openLong(line, false)});
        const QByteArray before = edit.bytes();
        settle(form);
        freeze = longestFreeze(
            [&] {
                form.SeleccionatTodo1Click(&form);
                form.Comprobar1Click(&form);
            },
            [&] { return idleCheckWindow(form) != nullptr; });
        const zv::CheckWindow *window = idleCheckWindow(form);
        outcome = QStringLiteral("answer: %1; document %2")
                      .arg(window ? window->answerView->toPlainText().left(160).replace(
                               QLatin1Char('\n'), QStringLiteral(" | "))
                                  : QStringLiteral("none"),
                          edit.bytes() == before ? QStringLiteral("unchanged")
                                                 : QStringLiteral("CHANGED"));
    } else if (name == "long-line-paste") {
        const QByteArray line = repeated("p & ", kLongLineBytes);
        settle(form);
        freeze = longestFreeze([&] { edit.replaceSel(line); },
            [&] { return edit.document()->characterCount() > kLongLineBytes / 2; });
        outcome = opened()
            + (edit.bytes() == line ? QStringLiteral(", the line whole")
                                    : QStringLiteral(", the line CHANGED"));
    } else if (name == "long-line-type") {
        const QByteArray line = repeated("p & ", kLongLineBytes);
        form.OpenCommandLine({QStringLiteral("Zarvik"), openLong(line, false)});
        edit.setSelStart(int(edit.document()->characterCount() / 2));
        settle(form);
        freeze = longestFreeze(
            [&] {
                for (const Qt::Key key : {Qt::Key_Return, Qt::Key_Backspace, Qt::Key_Q}) {
                    QKeyEvent press(QEvent::KeyPress, key, Qt::NoModifier,
                        key == Qt::Key_Q ? QStringLiteral("q") : QString());
                    QApplication::sendEvent(&edit, &press);
                    QApplication::processEvents();
                }
            },
            [] { return true; });
        outcome = opened() + QStringLiteral(", %1 bytes").arg(edit.bytes().size());
    } else if (name == "deep-check") {
        edit.replaceSel(deepDerivation());
        settle(form);
        freeze = longestFreeze(
            [&] {
                form.SeleccionatTodo1Click(&form);
                form.Comprobar1Click(&form);
            },
            [&] { return idleCheckWindow(form) != nullptr; });
        const zv::CheckWindow *window = idleCheckWindow(form);
        const auto *marks = form.findChild<zv::LineMarks *>();
        outcome = QStringLiteral("%1 lines; answer: %2; %3 marks, %4 bars")
                      .arg(edit.document()->blockCount())
                      .arg(window ? window->answerView->toPlainText().left(120).replace(
                               QLatin1Char('\n'), QStringLiteral(" | "))
                                  : QStringLiteral("none"))
                      .arg(marks ? marks->marks().size() : 0)
                      .arg(marks ? marks->bars().size() : 0);
    } else if (name == "prove-400") {
        zv::setLogicWorkerForTests(
            QCoreApplication::applicationFilePath(), {QStringLiteral("--fake-worker")});
        edit.replaceSel("p -> q |- p -> q\r\nFin.");
        QTextCursor caret = edit.textCursor();
        caret.setPosition(0);
        edit.setTextCursor(caret);
        settle(form);
        freeze = longestFreeze([&] { form.Demostrar1Click(&form); },
            [&] { return edit.document()->blockCount() >= 2 + kProofLines; });
        outcome = QStringLiteral("%1 paragraphs after the insertion")
                      .arg(edit.document()->blockCount());
    } else {
        std::fprintf(stderr, "unknown case %s\n", name.constData());
        return 2;
    }
    std::printf("%s: longest freeze %lld ms\n  %s\n", name.constData(),
        static_cast<long long>(freeze), qPrintable(outcome));
    return 0;
}

} // namespace

int main(int argc, char *argv[])
{
    if (argc > 1 && QByteArray(argv[1]) == "--fake-worker")
        return fakeWorker();
    std::setvbuf(stdout, nullptr, _IOLBF, 0); // each figure as soon as it is known
    QApplication application(argc, argv);
    QTemporaryDir folder;
    zv::setExeFolderForTests(folder.path());
    QFile marker(folder.filePath(QStringLiteral("Zarvik.cfg")));
    if (!marker.open(QIODevice::WriteOnly))
        return 1;
    marker.close();

    if (argc > 2 && QByteArray(argv[1]) == "--case")
        return runCase(argv[2], folder.path());
    QStringList cases;
    for (int i = 1; i < argc; ++i)
        cases << QString::fromLocal8Bit(argv[i]);
    if (cases.isEmpty())
        cases = {QStringLiteral("long-line-open"), QStringLiteral("long-rtf-open"),
            QStringLiteral("long-line-check"), QStringLiteral("long-line-paste"),
            QStringLiteral("long-line-type"), QStringLiteral("long-letters-check"),
            QStringLiteral("deep-check"), QStringLiteral("prove-400")};
    int status = 0;
    for (const QString &name : cases) {
        QProcess one;
        one.setProcessChannelMode(QProcess::ForwardedChannels);
        one.start(QCoreApplication::applicationFilePath(), {QStringLiteral("--case"), name});
        one.waitForFinished(-1);
        status |= one.exitCode();
    }
    return status;
}
