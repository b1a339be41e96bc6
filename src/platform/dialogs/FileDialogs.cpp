#include "platform/dialogs/Dialogs.h"

#include <QFileDialog>
#include <QFileInfo>
#include <QStringList>

namespace zv {

namespace {

// "display|pattern|display|pattern" as Qt's name filters. The display text stays what the user
// reads; Qt wants the patterns in parentheses, separated by blanks.
QStringList nameFilters(const QString &windowsFilter)
{
    QStringList filters;
    const QStringList parts = windowsFilter.split(QLatin1Char('|'));
    for (qsizetype i = 0; i + 1 < parts.size(); i += 2) {
        QString patterns = parts.at(i + 1);
        patterns.replace(QLatin1Char(';'), QLatin1Char(' '));
        filters << QStringLiteral("%1 (%2)").arg(parts.at(i), patterns);
    }
    return filters;
}

// "PDF (*.pdf)" gives "pdf".
QString filterSuffix(const QString &filter)
{
    const qsizetype dot = filter.indexOf(QStringLiteral("*."));
    if (dot < 0)
        return {};
    qsizetype end = dot + 2;
    while (end < filter.size() && filter[end].isLetterOrNumber())
        ++end;
    return filter.mid(dot + 2, end - dot - 2);
}

// A name typed without an extension takes the default one, also where Qt's dialog did not add it.
QString withDefaultSuffix(const QString &path, const QString &defaultSuffix)
{
    if (defaultSuffix.isEmpty() || QFileInfo(path).fileName().contains(QLatin1Char('.')))
        return path;
    return defaultSuffix.startsWith(QLatin1Char('.')) ? path + defaultSuffix
                                                      : path + QLatin1Char('.') + defaultSuffix;
}

// A link is confirmed by confirmSaveThroughLink(), which names the file it points to; Qt's own
// question would name only the link.
class FileDialog : public QFileDialog
{
public:
    using QFileDialog::QFileDialog;

    void accept() override
    {
        const QStringList files = selectedFiles();
        const bool link = acceptMode() == AcceptSave && !files.isEmpty()
            && QFileInfo(files.first()).isSymLink() && !QFileInfo(files.first()).isDir();
        const bool confirm = !testOption(DontConfirmOverwrite);
        if (link)
            setOption(DontConfirmOverwrite, true);
        QFileDialog::accept();
        if (link)
            setOption(DontConfirmOverwrite, !confirm);
    }
};

std::optional<QString> runFileDialog(
    QWidget *owner, const FileDialogOptions &options, QFileDialog::AcceptMode mode)
{
    // Qt's own dialog, not the desktop's: it speaks the installed Spanish translations, and it has
    // no read-only box to hide. The title stays the platform's default for the mode.
    FileDialog dialog(owner);
    dialog.setOption(QFileDialog::DontUseNativeDialog);
    dialog.setOption(QFileDialog::HideNameFilterDetails);
    dialog.setAcceptMode(mode);
    // The file need not exist, also when opening: a missing one is reported by the load.
    dialog.setFileMode(QFileDialog::AnyFile);
    dialog.setOption(QFileDialog::DontConfirmOverwrite, !options.overwritePrompt);
    dialog.setSizeGripEnabled(true);
    if (!options.defaultSuffix.isEmpty())
        dialog.setDefaultSuffix(
            options.defaultSuffix.mid(options.defaultSuffix.startsWith(QLatin1Char('.')) ? 1 : 0));
    if (!options.filter.isEmpty()) {
        const QStringList filters = nameFilters(options.filter);
        dialog.setNameFilters(filters);
        // With a choice of types, a name typed without an extension takes the chosen type's.
        if (filters.size() > 1) {
            QObject::connect(
                &dialog, &QFileDialog::filterSelected, &dialog, [&dialog](const QString &filter) {
                    dialog.setDefaultSuffix(filterSuffix(filter));
                });
            const QString suffix = QFileInfo(options.initialPath).suffix();
            for (const QString &filter : filters)
                if (!suffix.isEmpty() && filterSuffix(filter) == suffix)
                    dialog.selectNameFilter(filter);
            dialog.setDefaultSuffix(filterSuffix(dialog.selectedNameFilter()));
        }
    }
    if (!options.initialPath.isEmpty())
        dialog.selectFile(options.initialPath);
    dialog.setWindowModality(Qt::ApplicationModal);

    if (dialog.exec() != QDialog::Accepted)
        return std::nullopt;
    const QStringList files = dialog.selectedFiles();
    if (files.isEmpty() || files.first().isEmpty())
        return std::nullopt;
    return withDefaultSuffix(QFileInfo(files.first()).absoluteFilePath(), dialog.defaultSuffix());
}

} // namespace

std::optional<QString> QtDialogs::openFileName(QWidget *owner, const FileDialogOptions &options)
{
    return runFileDialog(owner, options, QFileDialog::AcceptOpen);
}

std::optional<QString> QtDialogs::saveFileName(QWidget *owner, const FileDialogOptions &options)
{
    return runFileDialog(owner, options, QFileDialog::AcceptSave);
}

std::optional<QString> QtDialogs::folderName(QWidget *owner, const QString &initialPath)
{
    const QString folder = QFileDialog::getExistingDirectory(owner, QString(), initialPath);
    if (folder.isEmpty())
        return std::nullopt;
    return QFileInfo(folder).absoluteFilePath();
}

} // namespace zv
