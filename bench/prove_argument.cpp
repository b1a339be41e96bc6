// "Demostrar" as the user meets it: from the command to the derivation inserted in the
// document, through the worker, for a short argument, one of eight letters and a first-order
// one. Prints the median and the range of several runs.
// Usage: bench_prove_argument [runs]   (default 7; offscreen is enough)

#include "Unit1.h"

#include "platform/app/Application.h"
#include "platform/richedit/RichEdit.h"

#include <QAction>
#include <QApplication>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QFile>
#include <QTemporaryDir>
#include <QTimer>

#include <algorithm>
#include <cstdio>
#include <vector>

namespace {

struct Case
{
    const char *name;
    const char *argument;
};

constexpr Case kCases[] = {
    {"p → q, q → r ⊢ p → r", "p → q, q → r ⊢ p → r"},
    {"8 letras, ∨E", "p ∨ q, p → r, q → s, r → t, s → t, t → (u ∧ v), v → w ⊢ w ∧ u"},
    {"primer orden", "∀x(Fx → Gx), ∀x(Gx → Hx), ∃x Fx ⊢ ∃x Hx"},
};

// Milliseconds from "Demostrar" to the change of the document, or -1 after a minute;
// @p lines gets the lines of the derivation.
qint64 proveOnce(TForm1 &form, const QString &argument, int &lines)
{
    zv::RichEdit &edit = *form.RichEdit1;
    edit.clearDocument();
    edit.insertReadable(argument);
    QTextCursor caret = edit.textCursor();
    caret.setPosition(0);
    edit.setTextCursor(caret);
    QEventLoop loop;
    const auto changed = QObject::connect(
        edit.document(), &QTextDocument::contentsChanged, &loop, &QEventLoop::quit);
    QTimer::singleShot(60'000, &loop, &QEventLoop::quit);
    QElapsedTimer clock;
    clock.start();
    form.Demostrar1->trigger();
    loop.exec();
    const qint64 ms = clock.elapsed();
    QObject::disconnect(changed);
    lines = edit.document()->blockCount() - 1;
    return edit.document()->toPlainText().contains(QLatin1String(":PR")) ? ms : -1;
}

} // namespace

int main(int argc, char *argv[])
{
    QApplication application(argc, argv);
    const int runs = argc > 1 ? std::max(1, QByteArray(argv[1]).toInt()) : 7;
    QTemporaryDir folder;
    zv::setExeFolderForTests(folder.path());
    QFile marker(folder.filePath(QStringLiteral("Zarvik.cfg")));
    if (!marker.open(QIODevice::WriteOnly))
        return 1;
    marker.close();

    TForm1 form;
    form.show();
    std::printf("%-22s %10s %11s %11s %8s  (%d runs)\n", "Demostrar", "mediana", "mínimo", "máximo",
        "líneas", runs);
    int status = 0;
    for (const Case &c : kCases) {
        std::vector<qint64> times;
        int lines = 0;
        for (int i = 0; i < runs; ++i)
            times.push_back(proveOnce(form, QString::fromUtf8(c.argument), lines));
        std::sort(times.begin(), times.end());
        if (times.front() < 0) {
            std::printf("%-22s no derivation inserted\n", c.name);
            status = 1;
            continue;
        }
        // Padding counts bytes: the names are UTF-8.
        const QByteArray name = QByteArray(c.name);
        const int pad = 22 + int(name.size() - QString::fromUtf8(name).size());
        std::printf("%-*s %7lld ms %7lld ms %7lld ms %7d\n", pad, c.name,
            static_cast<long long>(times[times.size() / 2]), static_cast<long long>(times.front()),
            static_cast<long long>(times.back()), lines);
    }
    return status;
}
