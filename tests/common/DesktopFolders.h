#pragma once

// Desktop folders of the test's own. Showing the main window, running a program and registering
// the document type read and write XDG_DATA_HOME and XDG_CONFIG_HOME, and look in XDG_DATA_DIRS
// for what a package provides: with all three in one temporary folder, what the machine has
// installed (a Zarvik package among it) changes no answer, and the user's folders stay untouched.

#include <QByteArray>
#include <QFile>
#include <QTemporaryDir>

#include <array>

namespace zv::test {

class DesktopFolders
{
public:
    DesktopFolders()
    {
        for (Saved &s : m_saved) {
            s.wasSet = qEnvironmentVariableIsSet(s.name);
            s.value = qgetenv(s.name);
        }
        qputenv("XDG_DATA_HOME", QFile::encodeName(dataHome()));
        qputenv("XDG_CONFIG_HOME", QFile::encodeName(configHome()));
        qputenv("XDG_DATA_DIRS", QFile::encodeName(dataDirs()));
    }
    ~DesktopFolders()
    {
        for (const Saved &s : m_saved)
            s.wasSet ? qputenv(s.name, s.value) : qunsetenv(s.name);
    }
    DesktopFolders(const DesktopFolders &) = delete;
    DesktopFolders &operator=(const DesktopFolders &) = delete;

    bool isValid() const { return m_root.isValid(); }
    /// XDG_DATA_HOME, not made until something writes there.
    QString dataHome() const { return m_root.filePath(QStringLiteral("data")); }
    QString configHome() const { return m_root.filePath(QStringLiteral("config")); }
    /// The one folder of XDG_DATA_DIRS, the system's: empty unless a test puts there what a
    /// package would.
    QString dataDirs() const { return m_root.filePath(QStringLiteral("system")); }
    /// A path in the temporary folder, beside the three.
    QString filePath(const QString &name) const { return m_root.filePath(name); }

private:
    struct Saved
    {
        const char *name;
        bool wasSet = false;
        QByteArray value;
    };
    QTemporaryDir m_root;
    std::array<Saved, 3> m_saved{{{"XDG_DATA_HOME", false, {}}, {"XDG_CONFIG_HOME", false, {}},
        {"XDG_DATA_DIRS", false, {}}}};
};

} // namespace zv::test
