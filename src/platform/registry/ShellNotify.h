#pragma once

#include <QString>

namespace zv {

/**
 * The shell's association-changed notification (SHChangeNotify with SHCNE_ASSOCCHANGED).
 *
 * A freedesktop desktop reads no registry, so this turns every document type of the
 * classes-root store into what it does read, in the user's data folder:
 * - a shared-mime-info package "mime/packages/<key>.xml" declaring mimeTypeForTypeKey(), with a
 *   glob for each extension bound to the type and the type's description as its comment;
 * - the application icon as the scalable icon of the type and of the application;
 * - a desktop entry "applications/<key>.desktop" whose Exec comes from the open command;
 * then it runs update-mime-database, update-desktop-database and "xdg-mime default", each only
 * when it is installed. A file that a system data folder already holds under the same name
 * (an installed package's) is not written. Nothing here fails: the store is what binds, the
 * rest follows it.
 */
void notifyAssociationsChanged();

/// "application/x-" followed by @p typeKey in lower case, with any character a MIME type may
/// not hold replaced by "-".
QString mimeTypeForTypeKey(const QString &typeKey);

/**
 * The desktop entry's Exec value for a Windows open command such as "C:\Zarvik.exe" "%1":
 * each argument is quoted only when it must be, "%1" (quoted or not) becomes the bare %f, and
 * the result is escaped as a desktop entry string. A command of the registration's own form,
 * "path" "%1", keeps everything between its first and its closing quote as the program.
 */
QString desktopExecFromCommand(const QString &command);

} // namespace zv
