#include "platform/app/Application.h"

#include "platform/errors/PlatformError.h"
#include "platform/dialogs/Dialogs.h"

#include <QCoreApplication>
#include <QFileInfo>
#include <QLibraryInfo>
#include <QLocale>
#include <QTranslator>

namespace zv {

namespace {
QString &exeFolderOverride()
{
    static QString folder;
    return folder;
}
} // namespace

QString applicationTitle(const QString &executablePath)
{
    QString name = executablePath.section(QLatin1Char('/'), -1);
    const int dot = name.indexOf(QLatin1Char('.'));
    if (dot >= 0)
        name.truncate(dot);
    if (name.isEmpty())
        return name;
    return name.left(1) + name.mid(1).toLower();
}

QString applicationTitle()
{
    return applicationTitle(QCoreApplication::applicationFilePath());
}

QString withFullStop(const QString &message)
{
    if (!message.isEmpty() && message.back() > QLatin1Char('.'))
        return message + QLatin1Char('.');
    return message;
}

void reportError(const QString &message)
{
    dialogs().messageBox(nullptr, withFullStop(message), applicationTitle(), MB_OK | MB_ICONERROR);
}

void reportError(std::exception_ptr error) noexcept
{
    try {
        try {
            std::rethrow_exception(error);
        } catch (const EAbort &) {
            // Silent by design.
        } catch (const EPlatformError &e) {
            reportError(e.message());
        } catch (const std::bad_alloc &) {
            reportError(QStringLiteral("Out of memory"));
        } catch (const std::exception &e) {
            reportError(QString::fromLocal8Bit(e.what()));
        }
    } catch (...) {
        // The report itself failed: nothing is left that could tell the user.
    }
}

QString exeFolder()
{
    QString folder = exeFolderOverride();
    if (folder.isEmpty())
        folder = QCoreApplication::applicationDirPath();
    if (!folder.endsWith(QLatin1Char('/')))
        folder += QLatin1Char('/');
    return folder;
}

void setExeFolderForTests(const QString &folder)
{
    exeFolderOverride() = folder;
}

void installSpanishTranslations()
{
    const QString dir = QLibraryInfo::path(QLibraryInfo::TranslationsPath);
    for (const char *name : {"qtbase_es", "qt_es"}) {
        auto *translator = new QTranslator(QCoreApplication::instance());
        if (translator->load(QLatin1String(name), dir))
            QCoreApplication::installTranslator(translator);
        else
            delete translator;
    }
}

} // namespace zv
