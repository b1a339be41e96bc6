// Ctrl+Enter to the shown answer: the time from the key press in the editor to the check window
// holding the engine's answer, for a first-order problem of Pelletier's and for a propositional
// argument of 20 variables. Runs on the window as the user has it (offscreen is enough).
// Usage: bench_logic_check [repetitions]

#include "Unit1.h"
#include "check/CheckWindow.h"

#include "platform/app/Application.h"
#include "platform/richedit/RichEdit.h"

#include <QApplication>
#include <QClipboard>
#include <QElapsedTimer>
#include <QFile>
#include <QPlainTextEdit>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>

#include <algorithm>
#include <cstdio>
#include <vector>

namespace {

struct Problem
{
    const char *name;
    QString text;
};

QString chain(int variables)
{
    QStringList premises;
    for (int i = 1; i < variables; ++i)
        premises << QStringLiteral("p%1 -> p%2").arg(i).arg(i + 1);
    return premises.join(QStringLiteral(", ")) + QStringLiteral(" ⊨ p1 -> p%1").arg(variables);
}

zv::CheckWindow *checksOf(TForm1 &form)
{
    return form.findChild<zv::CheckWindow *>();
}

// Milliseconds from the key press to the answer in the check window.
double timeOne(TForm1 &form, const QString &text, QString &answer)
{
    // Pasted, as a formula from elsewhere arrives: each symbol in the font that has it.
    form.SeleccionatTodo1Click(&form);
    QApplication::clipboard()->setText(text);
    form.Pegar1Click(&form);
    form.SeleccionatTodo1Click(&form);
    if (checksOf(form))
        checksOf(form)->answerView->clear();
    // The shortcut belongs to the main window, which must be the active one.
    QApplication::setActiveWindow(&form);
    QElapsedTimer clock;
    clock.start();
    // Through the window system's key path, where shortcuts are found.
    QTest::keyClick(form.RichEdit1, Qt::Key_Return, Qt::ControlModifier);
    QTimer watchdog;
    watchdog.start(1000);
    while (!checksOf(form) || checksOf(form)->inProgress()
        || checksOf(form)->answerView->document()->isEmpty()) {
        // Sleeps until the answer, or the progress display, posts its event.
        QApplication::processEvents(QEventLoop::WaitForMoreEvents);
        if (clock.elapsed() > 60000)
            return -1;
    }
    // Shown: painted, not just handed to the window.
    checksOf(form)->repaint();
    const double ms = clock.nsecsElapsed() / 1e6;
    answer = checksOf(form)->answerView->toPlainText();
    return ms;
}

} // namespace

int main(int argc, char *argv[])
{
    QApplication application(argc, argv);
    const int repetitions = argc > 1 ? std::max(1, QByteArray(argv[1]).toInt()) : 20;
    QTemporaryDir folder;
    zv::setExeFolderForTests(folder.path());
    QFile marker(folder.filePath(QStringLiteral("Zarvik.cfg")));
    if (!marker.open(QIODevice::WriteOnly))
        return 1;
    marker.close();

    TForm1 form;
    form.show();
    const Problem problems[] = {
        // Pelletier 18, 21 and 34 (Andrews' challenge).
        {"Pelletier 18", QStringLiteral("⊨ ∃y∀x(Fy -> Fx)")},
        {"Pelletier 21", QStringLiteral("∃x(p -> Fx), ∃x(Fx -> p) ⊨ ∃x(p ↔ Fx)")},
        {"Pelletier 34",
            QStringLiteral(
                "⊨ (∃x∀y(Px ↔ Py) ↔ (∃x Qx ↔ ∀y Qy)) ↔ (∃x∀y(Qx ↔ Qy) ↔ (∃x Px ↔ ∀y Py))")},
        {"20 variables", chain(20)},
    };
    int status = 0;
    for (const Problem &problem : problems) {
        std::vector<double> times;
        QString answer;
        for (int i = 0; i < repetitions; ++i)
            times.push_back(timeOne(form, problem.text, answer));
        std::sort(times.begin(), times.end());
        const QString verdict = answer.section(QLatin1Char('\n'), 1, 1);
        std::printf("%-13s median %7.1f ms  worst %7.1f ms  (%d runs)  %s\n", problem.name,
            times[times.size() / 2], times.back(), repetitions, qPrintable(verdict));
        if (times.front() < 0 || times.back() > 200)
            status = 1;
    }
    return status;
}
