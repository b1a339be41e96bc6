#include "platform/app/Application.h"

#include "platform/dialogs/Dialogs.h"
#include "platform/errors/PlatformError.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QLibraryInfo>
#include <QLocale>
#include <QStandardPaths>
#include <QTranslator>

#include <cerrno>
#include <cstring>
#include <sys/stat.h>
#include <unistd.h>

namespace zv {

namespace {
QString &exeFolderOverride()
{
    static QString folder;
    return folder;
}

// The permission bits count as well as access(): a folder that no one may write stays
// read-only for root too, as a read-only file does, so an installed copy behaves alike for all.
bool isWritableFolder(const QString &folder)
{
    const QByteArray path = QFile::encodeName(folder);
    struct stat info = {};
    return ::stat(path.constData(), &info) == 0 && S_ISDIR(info.st_mode)
        && (info.st_mode & (S_IWUSR | S_IWGRP | S_IWOTH)) != 0
        && ::access(path.constData(), W_OK | X_OK) == 0;
}

// Where make install and the package put the program; only root may write there.
bool isInstalledFolder(const QString &folder)
{
    return QDir::cleanPath(folder).endsWith(QLatin1String("/lib/zarvik"));
}

// Root's working files must not be left in a folder that every user reads, nor mixed with the
// program's own, which the package would then not find to remove.
bool rootWorksInInstalledFolder(const QString &exe)
{
    return ::geteuid() == 0 && isInstalledFolder(exe) && isWritableFolder(exe);
}

// mkdir -p, the last folder with @p mode; 0, or the errno of the step that failed.
int makeFolder(const QByteArray &path, mode_t mode)
{
    struct stat info = {};
    if (::stat(path.constData(), &info) == 0)
        return S_ISDIR(info.st_mode) ? 0 : ENOTDIR;
    const qsizetype slash = path.lastIndexOf('/', path.endsWith('/') ? path.size() - 2 : -1);
    if (slash > 0)
        if (const int error = makeFolder(path.left(slash), 0777))
            return error;
    if (::mkdir(path.constData(), mode) != 0 && errno != EEXIST)
        return errno;
    return 0;
}

QString privateFolder(const QString &exe)
{
    return exe + QStringLiteral("root/");
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

QString userFolder()
{
    const QString data = QStandardPaths::writableLocation(QStandardPaths::GenericDataLocation);
    return data.isEmpty() ? QString() : data + QStringLiteral("/zarvik/");
}

QString workFolder()
{
    const QString exe = exeFolder();
    if (rootWorksInInstalledFolder(exe)) {
        const QString own = privateFolder(exe);
        makeFolder(QFile::encodeName(own), 0700);
        return own;
    }
    const QString user = userFolder();
    if (user.isEmpty() || isWritableFolder(exe))
        return exe;
    // Private: the program and its answer are this user's business. A failure shows at
    // writableWorkFolder(), or as the working file that cannot be written.
    makeFolder(QFile::encodeName(user), 0700);
    return user;
}

QString writableWorkFolder()
{
    const QString folder = workFolder();
    if (folder == exeFolder())
        return folder;
    const QByteArray path = QFile::encodeName(folder);
    int error = makeFolder(path, 0700);
    if (!error && ::access(path.constData(), W_OK | X_OK) != 0)
        error = errno;
    if (error)
        throw EPlatformError(
            QStringLiteral("No se puede escribir en %1 : %2")
                .arg(QDir::cleanPath(folder), QString::fromLocal8Bit(::strerror(error))));
    return folder;
}

bool workFilesArePrivate()
{
    return rootWorksInInstalledFolder(exeFolder());
}

QString batchFile()
{
    const QString name = QStringLiteral("PL.bat");
    const QString work = workFolder();
    if (work != exeFolder() && QFileInfo(work + name).isFile())
        return work + name;
    return exeFolder() + name;
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
