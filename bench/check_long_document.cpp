// A long document checked with Ctrl+A, Ctrl+Enter: the time until the last answer is shown, and
// the longest time the editor's event loop went without turning (a 5 ms timer's largest gap),
// against zarvik-pl --verdict on the same text.
// Usage: bench_check_long_document [lines]   (default 100000; offscreen is enough)

#include "Unit1.h"
#include "check/CheckWindow.h"
#include "check/LineMarks.h"

#include "platform/app/Application.h"
#include "platform/format/ReadableText.h"
#include "platform/richedit/RichEdit.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QPlainTextEdit>
#include <QProcess>
#include <QTemporaryDir>
#include <QTimer>

#include <algorithm>
#include <cstdio>
#include <vector>

namespace {

// A worksheet: numbered formulas and arguments of every kind the check meets, a line each,
// with a line of prose between exercises.
QByteArray document(int lines)
{
    QByteArray text;
    for (int i = 0; i < lines; ++i) {
        const QByteArray n = QByteArray::number(i % 40);
        const QByteArray label = QByteArray::number(i % 100 + 1) + ". ";
        switch (i % 6) {
        case 0: text += label + "p" + n + " -> (q V ~p" + n + ")"; break;
        case 1: text += label + "p" + n + " & ~p" + n; break;
        case 2: text += label + "(p -> q) <-> (~q -> ~p)"; break;
        case 3: text += "a) p" + n + " -> q, p" + n + " |= q"; break;
        case 4: text += "b) p V q |= p"; break;
        case 5: text += "Demuestre que el argumento siguiente es válido."; break;
        }
        text += "\r\n";
    }
    return text;
}

} // namespace

int main(int argc, char *argv[])
{
    QApplication application(argc, argv);
    const int lines = argc > 1 ? std::max(1, QByteArray(argv[1]).toInt()) : 100'000;
    QTemporaryDir folder;
    zv::setExeFolderForTests(folder.path());
    QFile marker(folder.filePath(QStringLiteral("Zarvik.cfg")));
    if (!marker.open(QIODevice::WriteOnly))
        return 1;
    marker.close();

    TForm1 form;
    form.show();
    const QByteArray text = document(lines);
    form.RichEdit1->replaceSel(text);
    form.SeleccionatTodo1Click(&form);
    QElapsedTimer spanClock;
    spanClock.start();
    const zv::ReadableSpan span = zv::readableSpan(
        *form.RichEdit1->document(), 0, form.RichEdit1->document()->characterCount() - 1);
    const qint64 spanMs = spanClock.elapsed();
    if (argc > 2 && QByteArray(argv[2]) == "span") {
        for (int i = 0; i < 10; ++i)
            zv::readableSpan(*form.RichEdit1->document(), 0, span.at.back());
        std::printf("%lld ms\n", static_cast<long long>(spanClock.elapsed()));
        return 0;
    }

    QElapsedTimer clock, sinceTick;
    qint64 longestGap = 0;
    QTimer tick;
    tick.setInterval(5);
    std::vector<std::pair<qint64, qint64>> gaps; // (gap, when)
    QObject::connect(&tick, &QTimer::timeout, [&] {
        const qint64 gap = sinceTick.restart();
        longestGap = std::max(longestGap, gap);
        gaps.emplace_back(gap, clock.elapsed());
    });
    clock.start();
    sinceTick.start();
    tick.start();
    form.Comprobar1Click(&form);
    auto *window = form.findChild<zv::CheckWindow *>();
    while (!window || !window->isVisible() || window->inProgress()) {
        QApplication::processEvents(QEventLoop::WaitForMoreEvents);
        window = form.findChild<zv::CheckWindow *>();
        if (clock.elapsed() > 600'000)
            return 1;
    }
    const qint64 checkMs = clock.elapsed();
    tick.stop();
    const qsizetype answers = window->answerView->document()->blockCount();
    const auto *marks = form.findChild<zv::LineMarks *>();
    const qsizetype marked = marks ? marks->marks().size() : 0;
    // The margin drawn once with every mark in place, as the user sees it after the check.
    QElapsedTimer paintClock;
    paintClock.start();
    if (marks) {
        QWidget *margin = const_cast<zv::LineMarks *>(marks);
        margin->repaint();
    }
    const qint64 paintMs = paintClock.elapsed();

    // zarvik-pl on the same text, as a file of UTF-8 lines.
    QFile input(folder.filePath(QStringLiteral("largo.txt")));
    if (!input.open(QIODevice::WriteOnly))
        return 1;
    input.write(text);
    input.close();
    QProcess pl;
    clock.restart();
    pl.start(QCoreApplication::applicationDirPath() + QStringLiteral("/zarvik-pl"),
        {QStringLiteral("--verdict"), input.fileName()});
    pl.waitForFinished(600'000);
    const qint64 plMs = clock.elapsed();
    const qsizetype verdicts = pl.readAllStandardOutput().count('\n');

    std::printf("%d lines: Ctrl+Enter to the last answer %lld ms (%lld lines of answers); "
                "longest freeze %lld ms\n",
        lines, static_cast<long long>(checkMs), static_cast<long long>(answers),
        static_cast<long long>(longestGap));
    std::sort(gaps.rbegin(), gaps.rend());
    for (std::size_t i = 0; i < std::min<std::size_t>(3, gaps.size()); ++i)
        std::printf("  a gap of %lld ms, ending %lld ms after Ctrl+Enter\n",
            static_cast<long long>(gaps[i].first), static_cast<long long>(gaps[i].second));
    std::printf("marks in the margin: %lld; the margin painted in %lld ms\n",
        static_cast<long long>(marked), static_cast<long long>(paintMs));
    std::printf("reading the document as the check does: %lld ms for %lld characters\n",
        static_cast<long long>(spanMs), static_cast<long long>(span.text.size()));
    std::printf("zarvik-pl --verdict on the same text: %lld ms (%lld verdicts); ratio %.2f\n",
        static_cast<long long>(plMs), static_cast<long long>(verdicts),
        plMs > 0 ? double(checkMs) / double(plMs) : 0.0);
    return 0;
}
