#pragma once

// What most window tests start from: desktop folders of their own, an executable folder whose
// first-run marker is in place, so that showing the main window registers nothing, the scripted
// dialogs, and the main window shown offscreen.

#include "Unit1.h"

#include "DesktopFolders.h"
#include "FakeDialogs.h"

#include "platform/app/Application.h"
#include "platform/richedit/RichEdit.h"

#include <QFile>
#include <QTemporaryDir>
#include <QTest>

#include <memory>

namespace zv::test {

/// Points the executable folder at @p folder and puts the marker there; false on failure.
inline bool useMarkedExeFolder(const QTemporaryDir &folder)
{
    if (!folder.isValid())
        return false;
    setExeFolderForTests(folder.path());
    QFile marker(folder.filePath(QStringLiteral("Zarvik.cfg")));
    return marker.open(QIODevice::WriteOnly);
}

/// A new main window, shown and exposed; nullptr if it never got on screen.
inline std::unique_ptr<TForm1> shownMainWindow()
{
    auto form = std::make_unique<TForm1>();
    form->show();
    if (!QTest::qWaitForWindowExposed(form.get(), 60000))
        return nullptr;
    return form;
}

/**
 * The set-up of a test of the main window. A test object derives from it beside QObject, calls
 * showMainWindow() (or makeMainWindow()) from init() and closeMainWindow() from cleanup(); the
 * folders last as long as the test object.
 */
class MainWindowTest
{
protected:
    MainWindowTest() : m_foldersMade(m_desktop.isValid() && useMarkedExeFolder(m_exeFolder)) {}
    ~MainWindowTest() { setExeFolderForTests(QString()); }

    /// The dialogs, then a main window not yet shown; false when the folders could not be made.
    bool makeMainWindow()
    {
        m_dialogs = std::make_unique<FakeDialogs>();
        if (!m_foldersMade)
            return false;
        m_form = std::make_unique<TForm1>();
        m_edit = m_form->RichEdit1;
        return true;
    }
    /// The dialogs, then a main window shown and exposed; false if it never got on screen.
    bool showMainWindow()
    {
        if (!makeMainWindow())
            return false;
        m_form->show();
        return QTest::qWaitForWindowExposed(m_form.get(), 60000);
    }
    /// The window goes first: closing, it may still ask its dialogs.
    void closeMainWindow()
    {
        m_edit = nullptr;
        m_form.reset();
        m_dialogs.reset();
    }

    DesktopFolders m_desktop;
    QTemporaryDir m_exeFolder;
    std::unique_ptr<FakeDialogs> m_dialogs;
    std::unique_ptr<TForm1> m_form;
    RichEdit *m_edit = nullptr;

private:
    bool m_foldersMade = false;
};

} // namespace zv::test
