#pragma once

#include <QString>

#include <exception>
#include <utility>

namespace zv {

/// The title rule: file name without folder, cut at the first dot, letters after the first lower case.
QString applicationTitle(const QString &executablePath);
/// The running executable's title; captions the default error report.
QString applicationTitle();

/// Appends a full stop when the message's last character sorts after ".".
QString withFullStop(const QString &message);

/// The default error report: an error box with one OK button, captioned with the title.
void reportError(const QString &message);

void reportError(std::exception_ptr error) noexcept;

/// Reports whatever @p f throws. Every entry from Qt into our code passes through here, so no
/// exception ever unwinds through a Qt frame.
template <class F> void guarded(F &&f) noexcept
{
    try {
        std::forward<F>(f)();
    } catch (...) {
        reportError(std::current_exception());
    }
}

/// A slot for connect(): runs @p f guarded.
template <class F> auto guard(F f)
{
    return [f = std::move(f)]() { guarded(f); };
}

/**
 * The executable folder, with its trailing "/". Derived afresh at every call.
 */
QString exeFolder();

/// Test seam: make exeFolder() answer @p folder (with or without a trailing "/"); empty resets.
void setExeFolderForTests(const QString &folder);

/**
 * The folder of this user's working files ("entrada.txt", "salida.log", the first-run marker
 * "Zarvik.cfg"), with its trailing "/": the executable folder where it may be written, as in a
 * copy unpacked in the user's own folder; otherwise (an installed copy) the per-user folder,
 * created here when it is missing. Root, who may write an installed copy's folder
 * (PREFIX/lib/zarvik), gets a private folder "root/" in it, which purging the package removes.
 * Derived afresh at every call.
 */
QString workFolder();

/**
 * workFolder() for a command that is about to write there. Throws EPlatformError "No se puede
 * escribir en %1 : %2", with the folder and the system's reason, when a folder of Zarvik's own
 * (not the executable folder, whose files report their own failure) cannot be made or written.
 */
QString writableWorkFolder();

/// True where the working files are root's alone (the private folder of workFolder()): they are
/// written for their owner only.
bool workFilesArePrivate();

/// The per-user folder: "zarvik/" in $XDG_DATA_HOME, by default ~/.local/share/zarvik/.
QString userFolder();

/// The batch file that a program run starts: where the working files live in the per-user
/// folder, a "PL.bat" the user put there; otherwise "PL.bat" beside the executable.
QString batchFile();

/// Loads Qt's Spanish translations for the platform's own dialogs and message boxes.
void installSpanishTranslations();

} // namespace zv
