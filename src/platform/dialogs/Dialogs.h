#pragma once

#include <QColor>
#include <QList>
#include <QString>

#include <optional>

class QWidget;

namespace zv {

/// Message box flags and results, as the Windows message box takes and gives them.
enum MessageBoxFlags : unsigned {
    MB_OK = 0x00,
    MB_YESNO = 0x04,
    MB_ICONERROR = 0x10,
    MB_ICONEXCLAMATION = 0x30,
    MB_DEFBUTTON2 = 0x100,
};
enum MessageBoxResult : int { IDOK = 1, IDYES = 6, IDNO = 7 };

struct FileDialogOptions
{
    QString filter;        ///< Windows form: "display|pattern", e.g. "*.zvk|*.zvk"; empty: none
    QString defaultSuffix; ///< ".zvk", added to a name typed without one; empty: none
    QString initialPath;   ///< pre-filled full path; empty the first time
    bool overwritePrompt = false;
};

/// What the font dialog offers and gives back.
struct FontChoice
{
    QString face;
    int pointSize = 8;
    bool bold = false;
    bool italic = false;
    bool underline = false;
    bool strikeOut = false;
    QColor color;             ///< invalid: automatic (the window-text colour)
    bool colorPicked = false; ///< true when the user picked a colour during this showing
};

/**
 * Every modal interaction with the user. main() installs the Qt dialogs; tests install fakes
 * that answer from a queue and fail at once when nothing is queued.
 */
class Dialogs
{
public:
    virtual ~Dialogs() = default;

    /// Returns IDOK, IDYES or IDNO. A Yes/No box ends only through one of its two buttons:
    /// Escape and the close box do nothing.
    virtual int messageBox(
        QWidget *owner, const QString &text, const QString &caption, unsigned flags)
        = 0;
    /// The chosen full path, or nothing when cancelled.
    virtual std::optional<QString> openFileName(QWidget *owner, const FileDialogOptions &options)
        = 0;
    virtual std::optional<QString> saveFileName(QWidget *owner, const FileDialogOptions &options)
        = 0;
    /// A folder chosen, starting at @p initialPath; nothing when cancelled.
    virtual std::optional<QString> folderName(QWidget *owner, const QString &initialPath) = 0;
    virtual std::optional<FontChoice> chooseFont(QWidget *owner, const FontChoice &initial) = 0;
    /// @p customColors is read and, on acceptance, updated.
    virtual std::optional<QColor> chooseColor(
        QWidget *owner, const QColor &initial, QList<QColor> &customColors)
        = 0;
};

/// The installed dialogs; the Qt ones unless a test installed others.
Dialogs &dialogs();
/// Installs @p d (not owned); nullptr goes back to the Qt dialogs.
void setDialogs(Dialogs *d);

/**
 * The question before a save writes through the symbolic link @p path, naming the file that the
 * link points to: "«link.tex» es un enlace a «/ruta/otro.tex», que ya existe. ¿Desea
 * reemplazarlo?", or "..., que no existe. ¿Desea crearlo?". True when @p path is no link, or
 * when the answer is Yes.
 */
bool confirmSaveThroughLink(const QString &path);

/// The save dialog of a window that keeps @p options between showings: the chosen path becomes
/// the next showing's pre-filled one. A link chosen is written through only once
/// confirmSaveThroughLink() agrees; No shows the dialog again.
std::optional<QString> askSaveFileName(QWidget *owner, FileDialogOptions &options);

/// The platform's own dialogs, built on Qt's.
class QtDialogs : public Dialogs
{
public:
    int messageBox(
        QWidget *owner, const QString &text, const QString &caption, unsigned flags) override;
    std::optional<QString> openFileName(QWidget *owner, const FileDialogOptions &options) override;
    std::optional<QString> saveFileName(QWidget *owner, const FileDialogOptions &options) override;
    std::optional<QString> folderName(QWidget *owner, const QString &initialPath) override;
    std::optional<FontChoice> chooseFont(QWidget *owner, const FontChoice &initial) override;
    std::optional<QColor> chooseColor(
        QWidget *owner, const QColor &initial, QList<QColor> &customColors) override;
};

} // namespace zv
