// The document commands: new, open, save (with its dialog, over the document's own file, and
// under another name), print and exit, and the unsaved-changes prompt that guards every command
// discarding the document.
#include "Unit1.h"

#include "platform/errors/PlatformError.h"
#include "platform/richedit/RichEdit.h"

#include <QFile>
#include <QFileInfo>
#include <QTextCursor>

using zv::dialogs;

namespace {

// The caption names the file without its folder.
QString bareFileName(const QString &path)
{
    return QFileInfo(path).fileName();
}

// The dialog pre-fills the last name saved, not the file now open, so a quick F3 and Enter
// could replace another document; only the file the caption names is replaced unasked. A link is
// written through, so the question names the file it points to.
bool mayReplace(const TForm1 &form, const QString &path)
{
    const QFileInfo target(path);
    // Equal also when one of the two is a link to the other.
    const bool captioned = !form.CaptionPath.isEmpty() && target == QFileInfo(form.CaptionPath);
    if (target.isSymLink() && !(captioned && target.exists()))
        return zv::confirmSaveThroughLink(path);
    if (!target.isFile() || captioned)
        return true;
    return dialogs().messageBox(nullptr,
               QStringLiteral("«%1» ya existe. ¿Desea reemplazarlo?").arg(bareFileName(path)),
               QStringLiteral("Atención"),
               zv::MB_YESNO | zv::MB_ICONEXCLAMATION | zv::MB_DEFBUTTON2)
        == zv::IDYES;
}

void saveTo(TForm1 &form, const QString &path)
{
    form.RichEdit1->saveToFile(path);
    form.setWindowTitle(bareFileName(path));
    form.CaptionPath = path;
    form.DocumentPath = path;
    form.RichEdit1->setModified(false);
}

// Save, dialog included, pre-filled with @p name when given. False when the dialog was
// cancelled; a failing save throws.
bool saveDocument(TForm1 &form, const QString &name = {})
{
    zv::FileDialogOptions &options = form.SaveDialog1;
    const QString lastSaved = options.initialPath;
    if (!name.isEmpty())
        options.initialPath = name;
    std::optional<QString> path;
    do {
        path = dialogs().saveFileName(&form, options);
        if (!path) {
            // Cancelled at once, "Guardar como…" leaves F3 offering the last name saved.
            if (!name.isEmpty() && options.initialPath == name)
                options.initialPath = lastSaved;
            return false;
        }
        options.initialPath = *path;
    } while (!mayReplace(form, *path));
    saveTo(form, *path);
    return true;
}

// Zarvik writes RTF: a file that was opened as plain text is not replaced by RTF unasked.
bool holdsRtfOrNothing(const QString &path)
{
    QFile file(path);
    if (!file.exists())
        return true;
    return file.open(QIODevice::ReadOnly) && file.read(5) == "{\\rtf";
}

// Saves over the document's own file, with the questions that a save to it from the dialog
// would ask; false when there is none, or it must not be replaced unasked.
bool saveOverOwnFile(TForm1 &form)
{
    const QString path = form.DocumentPath;
    if (path.isEmpty() || !holdsRtfOrNothing(path) || !mayReplace(form, path))
        return false;
    saveTo(form, path);
    return true;
}

// The unsaved-changes prompt. A Yes whose save dialog is cancelled stops the calling command, so
// that the document the user wanted to keep is not discarded.
void askToSaveChanges(TForm1 &form)
{
    if (!form.RichEdit1->modified())
        return;
    const int answer = dialogs().messageBox(nullptr,
        QStringLiteral("El archivo ha cambiado . ¿Deseas guardarlo?"), QStringLiteral("Atención"),
        zv::MB_YESNO | zv::MB_ICONEXCLAMATION);
    if (answer == zv::IDYES && !saveDocument(form))
        throw zv::EAbort();
}

// The open dialog; nothing when cancelled.
std::optional<QString> chooseFileToOpen(TForm1 &form)
{
    zv::FileDialogOptions &options = form.OpenDialog1;
    std::optional<QString> path = dialogs().openFileName(&form, options);
    if (path)
        options.initialPath = *path;
    return path;
}

using EnterMode = void (TForm1::*)();

// New: the mode switch comes first, before the prompt, which cannot stop it.
void newDocument(TForm1 &form, EnterMode enterMode)
{
    (form.*enterMode)();
    askToSaveChanges(form);
    form.documentReplaced();
    form.RichEdit1->clearDocument();
    // The caption still names the last file, but this document has none yet.
    form.DocumentPath.clear();
}

// What Open does once a file was chosen.
void openChosenFile(TForm1 &form, EnterMode enterMode, const QString &path)
{
    (form.*enterMode)();
    form.documentReplaced();
    form.RichEdit1->loadFromFile(path);
    form.setWindowTitle(bareFileName(path));
    form.CaptionPath = path;
    form.DocumentPath = path;
}

// Open: the mode switches only once a file was chosen.
void openDocument(TForm1 &form, EnterMode enterMode)
{
    askToSaveChanges(form);
    const std::optional<QString> path = chooseFileToOpen(form);
    if (!path)
        return;
    openChosenFile(form, enterMode, *path);
}

} // namespace

void TForm1::SpeedButton9Click(QObject *)
{
    newDocument(*this, &TForm1::EnterTextMode);
}

void TForm1::SpeedButton12Click(QObject *)
{
    newDocument(*this, &TForm1::EnterProgramMode);
}

void TForm1::SpeedButton10Click(QObject *)
{
    openDocument(*this, &TForm1::EnterTextMode);
}

void TForm1::SpeedButton13Click(QObject *)
{
    openDocument(*this, &TForm1::EnterProgramMode);
}

void TForm1::openSubmission(const QString &path, int line)
{
    askToSaveChanges(*this);
    openChosenFile(*this, &TForm1::EnterTextMode, path);
    // The whole submission checked, so that the margin marks its right and faulty pieces.
    QTextCursor all(RichEdit1->document());
    all.select(QTextCursor::Document);
    RichEdit1->setTextCursor(all);
    Comprobar1Click(this);
    if (line > 0)
        selectDocumentLine(line);
}

void TForm1::OpenCommandLine(const QStringList &arguments)
{
    // The desktop hands a double-clicked document over as the first argument (Exec=... %f).
    if (arguments.size() < 2 || arguments.at(1).isEmpty())
        return;
    openChosenFile(*this, &TForm1::EnterTextMode, QFileInfo(arguments.at(1)).absoluteFilePath());
}

void TForm1::SpeedButton11Click(QObject *)
{
    saveDocument(*this);
}

void TForm1::GuardarEnArchivo1Click(QObject *Sender)
{
    if (!saveOverOwnFile(*this))
        SpeedButton11Click(Sender);
}

void TForm1::GuardarComo1Click(QObject *)
{
    saveDocument(*this, DocumentPath);
}

void TForm1::SpeedButton14Click(QObject *)
{
    RichEdit1->print(QString());
}

void TForm1::Nuevo1Click(QObject *Sender)
{
    SpeedButton9Click(Sender);
}
void TForm1::Abrir1Click(QObject *Sender)
{
    SpeedButton10Click(Sender);
}
void TForm1::Guardar1Click(QObject *Sender)
{
    SpeedButton11Click(Sender);
}
void TForm1::Imprimir1Click(QObject *Sender)
{
    SpeedButton14Click(Sender);
}

void TForm1::Salir1Click(QObject *)
{
    close();
}

void TForm1::FormClose(QObject *)
{
    askToSaveChanges(*this);
}
