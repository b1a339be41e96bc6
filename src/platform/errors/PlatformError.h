#pragma once

#include <QByteArray>
#include <QString>

#include <exception>

namespace zv {

/// The one exception of the platform layer. Its message is shown to the user as it stands.
class EPlatformError : public std::exception
{
public:
    explicit EPlatformError(QString message)
        : m_message(std::move(message)), m_utf8(m_message.toUtf8())
    {}

    const QString &message() const noexcept { return m_message; }
    const char *what() const noexcept override { return m_utf8.constData(); }

private:
    QString m_message;
    QByteArray m_utf8;
};

/// Ends the running command silently, like a failed step that has nothing to tell: the user
/// already chose to stop (a cancelled save that the unsaved-changes prompt asked for).
class EAbort : public std::exception
{
public:
    const char *what() const noexcept override { return "Operation aborted"; }
};

/// "Cannot open file %s" and its siblings, with the path in place of %s.
inline EPlatformError fileError(const char *format, const QString &path)
{
    return EPlatformError(QString::fromLatin1(format).replace(QLatin1String("%s"), path));
}

} // namespace zv
