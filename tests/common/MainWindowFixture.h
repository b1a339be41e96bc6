#pragma once

// What most window tests start from: an executable folder whose first-run marker is in place,
// so that showing the main window registers nothing, and the main window shown offscreen.

#include "Unit1.h"

#include "platform/app/Application.h"

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
    if (!QTest::qWaitForWindowExposed(form.get()))
        return nullptr;
    return form;
}

} // namespace zv::test
