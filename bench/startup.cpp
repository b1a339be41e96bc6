// Start-up to the first shown window, against a bare QMainWindow with a QTextEdit, in one run;
// and the time of one symbol insertion in a 1 MB document.
//
// Usage: bench_startup            (runs both, child processes for the start-ups)
//        bench_startup --child zarvik|bare   (one start: shows, paints, quits)

#include "Unit1.h"
#include "Unit2.h"
#include "Unit3.h"

#include "platform/app/Application.h"
#include "platform/richedit/RichEdit.h"
#include "platform/widgets/SpeedButton.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QFileInfo>
#include <QMainWindow>
#include <QProcess>
#include <QTemporaryDir>
#include <QTextCursor>
#include <QTextEdit>
#include <QTimer>

#include <algorithm>
#include <cstdio>
#include <vector>

namespace {

// One start in this process: quits right after the first paint of the window.
int child(const QString &kind, int argc, char **argv)
{
    QApplication app(argc, argv);
    QWidget *window = nullptr;
    std::unique_ptr<QMainWindow> bare;
    if (kind == QLatin1String("bare")) {
        bare = std::make_unique<QMainWindow>();
        bare->setCentralWidget(new QTextEdit);
        window = bare.get();
    } else {
        zv::installSpanishTranslations();
        Form1 = new TForm1;
        Form2 = new TForm2;
        Form3 = new TForm3;
        window = Form1;
    }
    window->show();
    QTimer::singleShot(0, &app, [&] {
        window->repaint();
        app.quit();
    });
    return app.exec();
}

double median(std::vector<double> v)
{
    std::sort(v.begin(), v.end());
    return v[v.size() / 2];
}

double timeStart(const QString &self, const QString &kind, const QString &folder)
{
    QElapsedTimer timer;
    timer.start();
    QProcess p;
    p.setWorkingDirectory(folder);
    p.start(self, {QStringLiteral("--child"), kind});
    p.waitForFinished(60000);
    return timer.nsecsElapsed() / 1e9;
}

} // namespace

int main(int argc, char **argv)
{
    if (argc == 3 && QByteArray(argv[1]) == "--child")
        return child(QString::fromLatin1(argv[2]), argc, argv);

    const QString self = QFileInfo(QString::fromLocal8Bit(argv[0])).absoluteFilePath();
    QTemporaryDir folder;
    // The marker keeps the first-run registration out of the measurement.
    QFile marker(folder.filePath(QStringLiteral("Zarvik.cfg")));
    marker.open(QIODevice::WriteOnly);
    marker.write(" \r\n");
    marker.close();

    const int runs = 15;
    std::vector<double> zarvik, bare;
    timeStart(self, QStringLiteral("bare"), folder.path()); // warm the caches
    for (int i = 0; i < runs; ++i) {
        bare.push_back(timeStart(self, QStringLiteral("bare"), folder.path()));
        zarvik.push_back(timeStart(self, QStringLiteral("zarvik"), folder.path()));
    }
    std::printf("start-up to first paint, median of %d: Zarvik %.3f s, bare QMainWindow+QTextEdit "
                "%.3f s, ratio %.2f\n",
        runs, median(zarvik), median(bare), median(zarvik) / median(bare));

    // One symbol insertion in a 1 MB document.
    QApplication app(argc, argv);
    zv::setExeFolderForTests(folder.path());
    TForm1 form;
    form.show();
    QApplication::processEvents();
    QByteArray line = "Sea p una proposicion y q otra: si p entonces q, y no q, luego no p. ";
    QByteArray text;
    while (text.size() < 1024 * 1024)
        text += line + "\r\n";
    form.RichEdit1->replaceSel(text);
    QApplication::processEvents();
    std::vector<double> inserts;
    for (int i = 0; i < 50; ++i) {
        form.RichEdit1->setSelStart(int((i * 7919L) % text.size()));
        QElapsedTimer timer;
        timer.start();
        form.SpeedButton1Click(nullptr);
        inserts.push_back(timer.nsecsElapsed() / 1e6);
    }
    std::printf(
        "one symbol insertion in a %lld-byte document, median of 50: %.3f ms (worst %.3f ms)\n",
        static_cast<long long>(text.size()), median(inserts),
        *std::max_element(inserts.begin(), inserts.end()));

    // The floor: one character typed through a bare QTextEdit's cursor into the same text.
    QTextEdit bareEdit;
    bareEdit.setLineWrapMode(QTextEdit::NoWrap);
    bareEdit.show();
    bareEdit.setPlainText(
        QString::fromLatin1(text).replace(QLatin1String("\r\n"), QLatin1String("\n")));
    QApplication::processEvents();
    std::vector<double> bareInserts;
    for (int i = 0; i < 50; ++i) {
        QTextCursor cursor(bareEdit.document());
        cursor.setPosition(int((i * 7919L) % (text.size() / 2)));
        QElapsedTimer timer;
        timer.start();
        cursor.insertText(QStringLiteral("x"));
        bareEdit.setTextCursor(cursor);
        bareInserts.push_back(timer.nsecsElapsed() / 1e6);
    }
    std::printf("the same insertion through a bare QTextEdit's cursor, median of 50: %.3f ms\n",
        median(bareInserts));
    return 0;
}
