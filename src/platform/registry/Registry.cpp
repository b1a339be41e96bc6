#include "platform/registry/Registry.h"

#include "platform/errors/PlatformError.h"
#include "platform/files/AtomicFile.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QStandardPaths>

namespace zv {

namespace {

const QString kValueFile = QStringLiteral("@");

bool isValidKeyName(const QString &name)
{
    // "." and ".." would climb out of the store; "/" cannot be part of a folder's name.
    return !name.isEmpty() && name != QLatin1String(".") && name != QLatin1String("..")
        && name != kValueFile && !name.contains(QLatin1Char('/')) && !name.contains(QChar(0));
}

/// The stored folder of the subkey @p name of @p folder, or an empty string when it is missing.
QString findSubkey(const QString &folder, const QString &name)
{
    const QString exact = folder + QLatin1Char('/') + name;
    if (QFileInfo(exact).isDir())
        return exact;
    const QStringList names
        = QDir(folder).entryList(QDir::Dirs | QDir::Hidden | QDir::NoDotAndDotDot);
    for (const QString &stored : names)
        if (stored.compare(name, Qt::CaseInsensitive) == 0)
            return folder + QLatin1Char('/') + stored;
    return {};
}

/// Walks @p path down from the root; an empty string when a key is missing or cannot be made.
QString resolve(const QString &path, bool create)
{
    QString folder = classesRootFolder();
    if (folder.isEmpty() || (create && !QDir().mkpath(folder)) || !QFileInfo(folder).isDir())
        return {};
    const QStringList names = path.isEmpty() ? QStringList() : path.split(QLatin1Char('\\'));
    for (const QString &name : names) {
        if (!isValidKeyName(name))
            return {};
        QString subkey = findSubkey(folder, name);
        if (subkey.isEmpty()) {
            if (!create || !QDir(folder).mkdir(name))
                return {};
            subkey = folder + QLatin1Char('/') + name;
        }
        folder = subkey;
    }
    return folder;
}

} // namespace

QString classesRootFolder()
{
    const QString data = QStandardPaths::writableLocation(QStandardPaths::GenericDataLocation);
    if (data.isEmpty())
        return {};
    return data + QStringLiteral("/zarvik/classes-root");
}

RegistryKey::RegistryKey(RegistryKey &&other) noexcept
    : m_path(std::move(other.m_path)), m_folder(std::move(other.m_folder))
{
    other.m_path.clear();
    other.m_folder.clear();
}

RegistryKey &RegistryKey::operator=(RegistryKey &&other) noexcept
{
    m_path = std::move(other.m_path);
    m_folder = std::move(other.m_folder);
    other.m_path.clear();
    other.m_folder.clear();
    return *this;
}

RegistryKey RegistryKey::create(const QString &path)
{
    return RegistryKey(path, resolve(path, true));
}

RegistryKey RegistryKey::open(const QString &path)
{
    return RegistryKey(path, resolve(path, false));
}

void RegistryKey::setDefaultValue(const QString &text)
{
    // The key's path, not the value's name: the default value's is empty, and would leave the
    // user no clue to what failed.
    const auto failure = [this] {
        return EPlatformError(QStringLiteral("Failed to set data for '%1'").arg(m_path));
    };
    if (!isOpen())
        throw failure();
    QByteArray data = text.toUtf8();
    data.append('\0');
    try {
        writeFileAtomically(m_folder + QLatin1Char('/') + kValueFile, data, "Stream write error");
    } catch (const EPlatformError &) {
        throw failure();
    }
}

std::optional<QString> RegistryKey::defaultValue() const
{
    if (!isOpen())
        return std::nullopt;
    QFile file(m_folder + QLatin1Char('/') + kValueFile);
    if (!file.open(QIODevice::ReadOnly))
        return std::nullopt;
    QByteArray data = file.readAll();
    if (data.endsWith('\0'))
        data.chop(1);
    return QString::fromUtf8(data);
}

QStringList RegistryKey::subkeys() const
{
    if (!isOpen())
        return {};
    return QDir(m_folder).entryList(QDir::Dirs | QDir::Hidden | QDir::NoDotAndDotDot, QDir::Name);
}

} // namespace zv
