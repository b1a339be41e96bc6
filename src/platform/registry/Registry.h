#pragma once

#include <QString>
#include <QStringList>

#include <optional>

namespace zv {

/**
 * The folder that stands in for HKEY_CLASSES_ROOT: "zarvik/classes-root" in the user's data
 * folder ($XDG_DATA_HOME, by default ~/.local/share). Empty when there is no data folder.
 *
 * Each key is a folder below it, named as the key, and a key's default value is the file "@"
 * in that folder, holding the text in UTF-8 followed by one NUL, as REG_SZ stores it. Key names
 * are matched without regard to letter case, as the registry does; a key may not be named "@".
 */
QString classesRootFolder();

/**
 * A key below HKEY_CLASSES_ROOT, open until close() or destruction.
 *
 * A key that could not be opened is not reported at the open, as RegCreateKeyEx's result is
 * not tested by its callers: it shows at the next write, which then fails.
 */
class RegistryKey
{
public:
    RegistryKey() = default;
    RegistryKey(RegistryKey &&other) noexcept;
    RegistryKey &operator=(RegistryKey &&other) noexcept;
    RegistryKey(const RegistryKey &) = delete;
    RegistryKey &operator=(const RegistryKey &) = delete;
    ~RegistryKey() { close(); }

    /// Opens @p path (backslash-separated, no leading backslash), resolved from the root, and
    /// creates it and any missing parent keys.
    static RegistryKey create(const QString &path);
    /// Opens an existing key for reading, the root itself for an empty @p path; the result is
    /// not open when the key is missing.
    static RegistryKey open(const QString &path);

    bool isOpen() const { return !m_folder.isEmpty(); }

    /// Replaces the key's default value. Throws EPlatformError "Failed to set data for '%s'",
    /// with the key's path for %s, when the key is not open or the value cannot be written.
    void setDefaultValue(const QString &text);
    /// The key's default value, or nothing when it has none.
    std::optional<QString> defaultValue() const;
    /// The names of the key's subkeys, as stored.
    QStringList subkeys() const;

    void close() { m_folder.clear(); }

private:
    RegistryKey(QString path, QString folder) : m_path(std::move(path)), m_folder(std::move(folder))
    {}

    QString m_path; ///< as opened, also when the open failed: the failure names it
    QString m_folder;
};

} // namespace zv
