// "Corregir entregas…" and "Exportar para alumnos…": the sheet in the editor, as its RTF, given
// to zarvik-pl in a process of its own, so that no submission can stop or change the editor.

#include "Unit1.h"

#include "check/Marking.h"
#include "platform/app/Application.h"
#include "platform/errors/PlatformError.h"
#include "platform/richedit/RichEdit.h"

#include <QDir>
#include <QTemporaryDir>

namespace {

void reportError(TForm1 &form, const QString &text)
{
    zv::dialogs().messageBox(&form, text, zv::applicationTitle(), zv::MB_OK | zv::MB_ICONERROR);
}

// zarvik-pl's reasons without its name, one sentence a line.
QString reasons(const QByteArray &errors)
{
    QString text = QString::fromUtf8(errors).trimmed();
    text.replace(QStringLiteral("zarvik-pl: "), QString());
    return text;
}

// The sheet as the window holds it, saved or not, in a folder that goes with @p folder.
QString writeSheet(TForm1 &form, const QTemporaryDir &folder)
{
    if (!folder.isValid())
        throw zv::EPlatformError(
            QStringLiteral("No se puede crear una carpeta temporal: %1").arg(folder.errorString()));
    const QString sheet = folder.filePath(QStringLiteral("hoja.zvk"));
    form.RichEdit1->saveToFile(sheet);
    return sheet;
}

} // namespace

void TForm1::CorregirEntregas1Click(QObject *)
{
    const std::optional<QString> folder = zv::dialogs().folderName(this, SubmissionsFolder);
    if (!folder)
        return;
    SubmissionsFolder = *folder;
    QTemporaryDir temporary;
    const QString sheet = writeSheet(*this, temporary);
    QByteArray out, errors;
    int status = 0;
    QString message;
    const int files = int(zv::submissionFiles(*folder).size());
    if (!zv::runInterpreter(this,
            {QStringLiteral("--grade"), sheet, *folder, QStringLiteral("--comments")}, files,
            QStringLiteral("Corrigiendo entregas…"), out, errors, status, message)) {
        if (!message.isEmpty())
            reportError(*this, message);
        return;
    }
    zv::ClassMarks marks;
    if (status < 0 || status >= 2 || !zv::readClassMarks(out, errors, marks)) {
        reportError(
            *this, QStringLiteral("No se pudieron corregir las entregas: %1").arg(reasons(errors)));
        return;
    }
    auto *window = new zv::MarksWindow(marks, *folder, this);
    connect(
        window, &zv::MarksWindow::submissionRequested, this, [this](const QString &path, int line) {
            zv::guarded([&] { openSubmission(path, line); });
        });
    window->show();
}

void TForm1::ExportarParaAlumnos1Click(QObject *)
{
    const std::optional<QString> path = zv::askSaveFileName(this, StudentCopyDialog1);
    if (!path)
        return;
    QTemporaryDir temporary;
    const QString sheet = writeSheet(*this, temporary);
    QByteArray out, errors;
    int status = 0;
    QString message;
    if (!zv::runInterpreter(this, {QStringLiteral("--student-copy"), sheet, *path}, 1,
            QStringLiteral("Exportando para alumnos…"), out, errors, status, message)) {
        if (!message.isEmpty())
            reportError(*this, message);
        return;
    }
    if (status != 0)
        reportError(*this,
            QStringLiteral("No se pudo exportar la hoja para alumnos: %1").arg(reasons(errors)));
}
