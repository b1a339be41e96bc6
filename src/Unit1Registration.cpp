// The first-run registration of the ".zvk" document type with the desktop.
#include "Unit1.h"

#include "platform/app/Application.h"
#include "platform/files/TextList.h"
#include "platform/registry/Registry.h"
#include "platform/registry/ShellNotify.h"

#include <QDir>

#include <algorithm>

namespace {

const QString kMarkerName = QStringLiteral("Zarvik.cfg");

/// Whether @p folder holds a file (not a folder, nor a symbolic link that anyone could plant)
/// named @p name in any letter case.
bool fileExistsIgnoringCase(const QString &folder, const QString &name)
{
    const QStringList files = QDir(folder).entryList(QDir::Files | QDir::Hidden | QDir::NoSymLinks);
    return std::any_of(files.cbegin(), files.cend(),
        [&](const QString &file) { return file.compare(name, Qt::CaseInsensitive) == 0; });
}

} // namespace

void TForm1::FirstRunCheck()
{
    // The marker is a working file: an installed copy keeps one per user. The registered
    // executable stays the real one.
    if (fileExistsIgnoringCase(zv::workFolder(), kMarkerName))
        return;
    RegisterFileType(QStringLiteral(".zvk"), QStringLiteral("Zarvik"),
        QStringLiteral("Archivo de edicion logica"), zv::exeFolder() + QStringLiteral("Zarvik"), 0);
    zv::saveTextList({QByteArray(" ")}, zv::workFolder() + kMarkerName,
        zv::workFilesArePrivate() ? zv::FileAccess::OwnerOnly : zv::FileAccess::Usual);
}

void TForm1::RegisterFileType(const QString &extension, const QString &typeKey,
    const QString &description, const QString &executablePath, int iconIndex)
{
    const QString q = QStringLiteral("\"");
    const std::pair<QString, QString> entries[] = {
        {extension, typeKey},
        {typeKey, description},
        {typeKey + QStringLiteral("\\DefaultIcon"),
            executablePath + QLatin1Char(',') + QString::number(iconIndex)},
        {typeKey + QStringLiteral("\\Shell\\Open"), QStringLiteral("&Open")},
        {typeKey + QStringLiteral("\\Shell\\Open\\Command"),
            q + executablePath + q + QLatin1Char(' ') + q + QStringLiteral("%1") + q},
    };
    for (const auto &[path, value] : entries) {
        // Each key resolved from the root and closed before the next; one failing to open
        // shows only at its write.
        zv::RegistryKey key = zv::RegistryKey::create(path);
        key.setDefaultValue(value);
        key.close();
    }
    zv::notifyAssociationsChanged();
}
