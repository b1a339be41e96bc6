#include "Unit1.h"

#include "Unit4.h"

#include "platform/app/Application.h"
#include "platform/files/FileStamp.h"
#include "platform/files/TextList.h"
#include "platform/process/Launcher.h"
#include "platform/richedit/RichEdit.h"

#include <QByteArrayList>
#include <QStringList>

#include <memory>

namespace {

const QString kRunningSuffix = QStringLiteral(" — ejecutando PL.bat…");

// Says what the results window cannot: that its text is not this run's answer, or that the
// interpreter failed. A status of 1 with a fresh "salida.log" is how the interpreter reports
// errors in the program, and the results already show them, line by line.
QString staleResultsWarning(const zv::LaunchOutcome &outcome, bool written, bool exists)
{
    QStringList warning;
    if (outcome.started && outcome.exitStatus != 0 && !(outcome.exitStatus == 1 && written))
        warning
            << QStringLiteral("El intérprete terminó con el código %1.").arg(outcome.exitStatus);
    // Without the file, the results window reports that it cannot open it.
    if (!written && exists)
        warning << QStringLiteral("El intérprete no escribió salida.log en esta ejecución; se "
                                  "muestra el resultado anterior.");
    return warning.join(QLatin1Char('\n'));
}

} // namespace

void TForm1::SpeedButton27Click(QObject *)
{
    QByteArrayList program;
    RichEdit2->copyLinesFrom(*RichEdit1);
    RichEdit2->setPlainText(true);
    // A paragraph a line, and a line for each soft break: the interpreter gets the program as
    // the user sees it.
    const int count = RichEdit2->lineCount();
    for (int i = 0; i < count; ++i)
        program.append(RichEdit2->line(i));
    zv::saveTextList(program, zv::writableWorkFolder() + QStringLiteral("entrada.txt"),
        zv::workFilesArePrivate() ? zv::FileAccess::OwnerOnly : zv::FileAccess::Usual);
    program.clear();

    const QString log = zv::workFolder() + QStringLiteral("salida.log");
    const zv::FileStamp before = zv::fileStamp(log);
    const zv::LaunchOutcome outcome = ExecuteAndWait(zv::batchFile(), QString(), 1);
    // Stopped, by the user or by closing the window: there is no answer to show.
    if (outcome.stopped)
        return;
    const zv::FileStamp after = zv::fileStamp(log);
    if (const QString warning = staleResultsWarning(outcome, after != before, after.exists);
        !warning.isEmpty())
        zv::dialogs().messageBox(
            this, warning, zv::applicationTitle(), zv::MB_OK | zv::MB_ICONEXCLAMATION);

    auto results = std::make_unique<TForm4>();
    Form4 = results.get();
    results->ShowModal();
    Form4 = nullptr;
}

zv::LaunchOutcome TForm1::ExecuteAndWait(
    const QString &fileName, const QString &parameters, int showCommand)
{
    beginWait();
    struct EndWait
    {
        TForm1 &form;
        ~EndWait() { form.endWait(); }
    } end{*this};
    // PL.bat finds entrada.txt and leaves salida.log where the working files live.
    QString folder = zv::workFolder();
    folder.chop(1);
    return zv::executeAndWait(
        this, fileName, parameters, showCommand, {{QStringLiteral("ZARVIK_WORK_DIR"), folder}});
}

void TForm1::DetenerPrograma1Click(QObject *)
{
    zv::stopLaunchedPrograms();
}

void TForm1::beginWait()
{
    if (m_waits++ > 0)
        return;
    m_editorCursor = RichEdit1->viewport()->cursor();
    RichEdit1->viewport()->setCursor(Qt::BusyCursor);
    setCursor(Qt::BusyCursor);
    DetenerPrograma1->setEnabled(true);
    keepRunningCaption();
}

void TForm1::endWait()
{
    if (--m_waits > 0)
        return;
    RichEdit1->viewport()->setCursor(m_editorCursor);
    unsetCursor();
    DetenerPrograma1->setEnabled(false);
    QString caption = windowTitle();
    if (caption.endsWith(kRunningSuffix)) {
        caption.chop(kRunningSuffix.size());
        setWindowTitle(caption);
    }
}

// A save or an open during the wait names the new file; the caption still says that a program runs.
void TForm1::keepRunningCaption()
{
    const QString caption = windowTitle();
    if (m_waits > 0 && !caption.endsWith(kRunningSuffix))
        setWindowTitle(caption + kRunningSuffix);
}
