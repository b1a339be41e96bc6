#include "platform/registry/ShellNotify.h"

#include "platform/errors/PlatformError.h"
#include "platform/files/AtomicFile.h"
#include "platform/registry/Registry.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QMap>
#include <QProcess>
#include <QStandardPaths>
#include <QXmlStreamWriter>

#include <algorithm>

namespace zv {

namespace {

// Icon 0 of the executable is its application icon, compiled in as a resource.
const QString kApplicationIcon = QStringLiteral(":/icons/zarvik.svg");

// The tools normally take well under a second; a hung one must not hold the first start.
constexpr int kToolTimeoutMs = 15000;

struct DocumentType
{
    QString key;
    QStringList extensions;
    QString description;
    bool hasIcon = false;
    QString command;
};

/// The types that the store's extensions point at, keyed by their lower-case name.
QMap<QString, DocumentType> readDocumentTypes()
{
    QMap<QString, DocumentType> types;
    const QStringList rootKeys = RegistryKey::open(QString()).subkeys();
    for (const QString &extension : rootKeys) {
        if (!extension.startsWith(QLatin1Char('.')))
            continue;
        const QString key = RegistryKey::open(extension).defaultValue().value_or(QString());
        if (key.isEmpty() || !RegistryKey::open(key).isOpen())
            continue;
        DocumentType &type = types[key.toLower()];
        type.key = key;
        type.extensions << extension;
    }
    for (DocumentType &type : types) {
        type.description = RegistryKey::open(type.key).defaultValue().value_or(QString());
        type.hasIcon = RegistryKey::open(type.key + QStringLiteral("\\DefaultIcon"))
                           .defaultValue()
                           .has_value();
        type.command = RegistryKey::open(type.key + QStringLiteral("\\Shell\\Open\\Command"))
                           .defaultValue()
                           .value_or(QString());
    }
    return types;
}

bool writeFile(const QString &path, const QByteArray &data)
{
    if (!QDir().mkpath(QFileInfo(path).absolutePath()))
        return false;
    try {
        writeFileAtomically(path, data, "Stream write error");
        return true;
    } catch (const EPlatformError &) {
        return false;
    }
}

/// A desktop entry string: backslashes and control characters escaped.
QString escapeEntryString(const QString &text)
{
    QString out;
    for (const QChar c : text) {
        switch (c.unicode()) {
        case '\\': out += QLatin1String("\\\\"); break;
        case '\n': out += QLatin1String("\\n"); break;
        case '\t': out += QLatin1String("\\t"); break;
        case '\r': out += QLatin1String("\\r"); break;
        default: out += c;
        }
    }
    return out;
}

/// Splits a Windows command line into its arguments. The stored command quotes its path with
/// no escaping, and a Linux path may hold a quote, so only a quote that ends a word closes.
QStringList splitCommand(const QString &command)
{
    QStringList arguments;
    QString current;
    bool inArgument = false;
    bool quoted = false;
    for (qsizetype i = 0; i < command.size(); ++i) {
        const QChar c = command.at(i);
        if (quoted) {
            if (c == QLatin1Char('"') && (i + 1 == command.size() || command.at(i + 1).isSpace()))
                quoted = false;
            else
                current += c;
        } else if (c.isSpace()) {
            if (inArgument)
                arguments << current;
            current.clear();
            inArgument = false;
        } else {
            inArgument = true;
            if (c == QLatin1Char('"'))
                quoted = true;
            else
                current += c;
        }
    }
    if (inArgument)
        arguments << current;
    return arguments;
}

QString quoteExecArgument(const QString &argument)
{
    static const QString reserved = QStringLiteral(" \t\n\"'\\><~|&;$*?#()`");
    QString text = argument;
    text.replace(QLatin1Char('%'), QLatin1String("%%"));
    const bool needsQuotes = text.isEmpty()
        || std::any_of(text.cbegin(), text.cend(), [](QChar c) { return reserved.contains(c); });
    if (!needsQuotes)
        return text;
    QString out = QStringLiteral("\"");
    for (const QChar c : text) {
        if (c == QLatin1Char('"') || c == QLatin1Char('`') || c == QLatin1Char('$')
            || c == QLatin1Char('\\'))
            out += QLatin1Char('\\');
        out += c;
    }
    return out + QLatin1Char('"');
}

QString baseName(const QString &typeKey)
{
    return mimeTypeForTypeKey(typeKey).mid(int(sizeof "application/x-") - 1);
}

QByteArray mimePackage(const DocumentType &type)
{
    QByteArray xml;
    QXmlStreamWriter writer(&xml);
    writer.setAutoFormatting(true);
    writer.writeStartDocument();
    writer.writeDefaultNamespace(
        QStringLiteral("http://www.freedesktop.org/standards/shared-mime-info"));
    writer.writeStartElement(QStringLiteral("mime-info"));
    writer.writeStartElement(QStringLiteral("mime-type"));
    writer.writeAttribute(QStringLiteral("type"), mimeTypeForTypeKey(type.key));
    if (!type.description.isEmpty())
        writer.writeTextElement(QStringLiteral("comment"), type.description);
    if (type.hasIcon) {
        writer.writeEmptyElement(QStringLiteral("icon"));
        writer.writeAttribute(
            QStringLiteral("name"), QStringLiteral("application-x-") + baseName(type.key));
    }
    for (const QString &extension : type.extensions) {
        writer.writeEmptyElement(QStringLiteral("glob"));
        writer.writeAttribute(QStringLiteral("pattern"), QLatin1Char('*') + extension);
    }
    writer.writeEndDocument();
    return xml;
}

QByteArray desktopEntry(const DocumentType &type)
{
    QString entry = QStringLiteral("[Desktop Entry]\nType=Application\n");
    entry += QStringLiteral("Name=%1\n").arg(escapeEntryString(type.key));
    entry += QStringLiteral("Exec=%1\n").arg(desktopExecFromCommand(type.command));
    if (type.hasIcon)
        entry += QStringLiteral("Icon=%1\n").arg(baseName(type.key));
    entry += QStringLiteral("MimeType=%1;\n").arg(mimeTypeForTypeKey(type.key));
    // A file association, as the registry makes it, adds nothing to the application menus.
    entry += QStringLiteral("NoDisplay=true\nTerminal=false\n");
    return entry.toUtf8();
}

void runTool(const QString &name, const QStringList &arguments)
{
    const QString program = QStandardPaths::findExecutable(name);
    if (program.isEmpty())
        return;
    QProcess process;
    process.setProgram(program);
    process.setArguments(arguments);
    process.setStandardInputFile(QProcess::nullDevice());
    process.setStandardOutputFile(QProcess::nullDevice());
    process.setStandardErrorFile(QProcess::nullDevice());
    process.start();
    if (process.waitForStarted() && !process.waitForFinished(kToolTimeoutMs)) {
        process.kill();
        process.waitForFinished(1000);
    }
}

} // namespace

QString mimeTypeForTypeKey(const QString &typeKey)
{
    QString name = typeKey.toLower();
    for (QChar &c : name) {
        const bool allowed = (c >= QLatin1Char('a') && c <= QLatin1Char('z'))
            || (c >= QLatin1Char('0') && c <= QLatin1Char('9')) || c == QLatin1Char('.')
            || c == QLatin1Char('+') || c == QLatin1Char('-') || c == QLatin1Char('_');
        if (!allowed)
            c = QLatin1Char('-');
    }
    return QStringLiteral("application/x-") + name;
}

QString desktopExecFromCommand(const QString &command)
{
    // The command that the registration writes, "path" "%1", names its program verbatim, a
    // path holding quotes and blanks included: take it whole rather than split it.
    const QString openQuote = QStringLiteral("\"");
    const QString documentArgument = QStringLiteral("\" \"%1\"");
    if (command.size() > openQuote.size() + documentArgument.size() && command.startsWith(openQuote)
        && command.endsWith(documentArgument)) {
        const QString program = command.mid(1, command.size() - 1 - documentArgument.size());
        return escapeEntryString(quoteExecArgument(program) + QStringLiteral(" %f"));
    }
    QStringList words;
    for (const QString &argument : splitCommand(command)) {
        if (argument == QLatin1String("%1")
            || argument.compare(QLatin1String("%L"), Qt::CaseInsensitive) == 0)
            words << QStringLiteral("%f");
        else
            words << quoteExecArgument(argument);
    }
    return escapeEntryString(words.join(QLatin1Char(' ')));
}

void notifyAssociationsChanged()
{
    const QString data = QStandardPaths::writableLocation(QStandardPaths::GenericDataLocation);
    if (data.isEmpty())
        return;
    QFile iconFile(kApplicationIcon);
    const QByteArray icon = iconFile.open(QIODevice::ReadOnly) ? iconFile.readAll() : QByteArray();

    // What an installed package already put in a system data folder is left to it: a copy in
    // the user's folder would shadow it, and a desktop entry with NoDisplay would hide the
    // package's menu entry.
    const auto providedBySystem = [&data](const QString &relative) {
        const QStringList found
            = QStandardPaths::locateAll(QStandardPaths::GenericDataLocation, relative);
        return std::any_of(found.cbegin(), found.cend(),
            [&data](const QString &path) { return !path.startsWith(data + QLatin1Char('/')); });
    };
    bool mimeWritten = false;
    bool entryWritten = false;
    const auto write = [&](const QString &relative, const QByteArray &content) {
        return !providedBySystem(relative)
            && writeFile(data + QLatin1Char('/') + relative, content);
    };

    QList<std::pair<QString, QString>> defaults; // desktop entry, MIME type
    for (const DocumentType &type : readDocumentTypes()) {
        const QString base = baseName(type.key);
        mimeWritten |= write(QStringLiteral("mime/packages/%1.xml").arg(base), mimePackage(type));
        if (type.hasIcon && !icon.isEmpty()) {
            write(QStringLiteral("icons/hicolor/scalable/mimetypes/application-x-%1.svg").arg(base),
                icon);
            write(QStringLiteral("icons/hicolor/scalable/apps/%1.svg").arg(base), icon);
        }
        const QString entry = QStringLiteral("applications/%1.desktop").arg(base);
        if (type.command.isEmpty())
            continue;
        if (write(entry, desktopEntry(type)))
            entryWritten = true;
        else if (!providedBySystem(entry))
            continue;
        defaults.append({base + QStringLiteral(".desktop"), mimeTypeForTypeKey(type.key)});
    }

    if (mimeWritten)
        runTool(QStringLiteral("update-mime-database"), {data + QStringLiteral("/mime")});
    if (entryWritten)
        runTool(
            QStringLiteral("update-desktop-database"), {data + QStringLiteral("/applications")});
    for (const auto &[entry, mimeType] : defaults)
        runTool(QStringLiteral("xdg-mime"), {QStringLiteral("default"), entry, mimeType});
}

} // namespace zv
