#pragma once

// What the program-run tests share: a temporary executable folder with a scripted "PL.bat", in
// desktop folders of their own, and a results window that reports what it showed and closes
// itself.

#include "Unit1.h"
#include "Unit4.h"

#include "DesktopFolders.h"

#include "platform/app/Application.h"
#include "platform/richedit/RichEdit.h"

#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QTemporaryDir>
#include <QTest>

#include <memory>

namespace zv::test {

inline QByteArray readAll(const QString &path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

inline void writeAll(const QString &path, const QByteArray &bytes)
{
    QFile file(path);
    QVERIFY2(file.open(QIODevice::WriteOnly | QIODevice::Truncate), qPrintable(path));
    QCOMPARE(file.write(bytes), bytes.size());
}

/// One results window as the run showed it.
struct ShownResults
{
    QByteArray text;
    int messageBoxesBefore = 0; ///< message boxes already shown when the window opened
    qint64 atMs = 0;            ///< since the fixture started
};

/// A temporary executable folder holding the first-run marker, so that showing the main
/// window registers nothing, and the desktop folders that an installed copy works in.
class ExeFolder
{
public:
    ExeFolder()
    {
        zv::setExeFolderForTests(m_dir.path());
        writeAll(path("Zarvik.cfg"), " \r\n");
    }
    ~ExeFolder() { zv::setExeFolderForTests(QString()); }

    QString path(const QString &name) const { return m_dir.path() + QLatin1Char('/') + name; }
    /// XDG_DATA_HOME while the folder lives.
    QString dataHome() const { return m_desktop.dataHome(); }
    /// A "PL.bat" run by /bin/sh; "$here" is this folder.
    void writeBatch(const QByteArray &body) const
    {
        writeAll(path(QStringLiteral("PL.bat")), "here=$(dirname \"$0\")\n" + body + "\n");
    }
    /// How many times "PL.bat" ran, when it was written to count its runs.
    int launches() const { return int(readAll(path(QStringLiteral("launches"))).count('\n')); }

private:
    DesktopFolders m_desktop;
    QTemporaryDir m_dir;
};

/// Batch lines: count the run, then copy the program to the output with a header.
inline const QByteArray kCountingEcho = "echo run >> \"$here/launches\"\n"
                                        "{ printf 'Salida\\r\\n'; cat \"$here/entrada.txt\"; } "
                                        "> \"$here/salida.log\"";

/// Closes every results window as soon as it is shown, recording what it showed.
class ResultsCatcher
{
public:
    template <class Dialogs> explicit ResultsCatcher(const Dialogs &dialogs)
    {
        m_clock.start();
        TForm4::setShownHookForTests([this, &dialogs](TForm4 &window) {
            shown.append({window.text(), int(dialogs.messageBoxes.size()), m_clock.elapsed()});
            if (onShown)
                onShown(window);
            window.close();
        });
    }
    ~ResultsCatcher() { TForm4::setShownHookForTests({}); }

    QList<ShownResults> shown;
    std::function<void(TForm4 &)> onShown;

private:
    QElapsedTimer m_clock;
};

} // namespace zv::test
