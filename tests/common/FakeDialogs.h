#pragma once

// Scripted dialogs for tests: each request is recorded, each answer comes from a queue, and a
// request with nothing queued fails the running test at once instead of blocking.

#include "platform/dialogs/Dialogs.h"

#include <QQueue>
#include <QStringList>
#include <QTest>

#include <variant>

namespace zv::test {

struct MessageBoxRequest
{
    QString text;
    QString caption;
    unsigned flags = 0;
};

class FakeDialogs : public Dialogs
{
public:
    FakeDialogs() { setDialogs(this); }
    ~FakeDialogs() override { setDialogs(nullptr); }

    // Answers ----------------------------------------------------------------------------------
    /// IDYES or IDNO for the next Yes/No box. Boxes with MB_OK alone need no answer.
    void queueMessageBox(int answer) { m_boxAnswers.enqueue(answer); }
    /// A path, or std::nullopt for Cancel.
    void queueOpenFile(std::optional<QString> path) { m_openAnswers.enqueue(std::move(path)); }
    void queueSaveFile(std::optional<QString> path) { m_saveAnswers.enqueue(std::move(path)); }
    void queueFolder(std::optional<QString> path) { m_folderAnswers.enqueue(std::move(path)); }
    void queueFont(std::optional<FontChoice> font) { m_fontAnswers.enqueue(std::move(font)); }
    void queueColor(std::optional<QColor> color) { m_colorAnswers.enqueue(std::move(color)); }

    // What was asked ---------------------------------------------------------------------------
    QList<MessageBoxRequest> messageBoxes;
    QList<FileDialogOptions> openRequests;
    QList<FileDialogOptions> saveRequests;
    QStringList folderRequests;
    QList<FontChoice> fontRequests;
    QList<QColor> colorRequests;

    /// The texts of the error reports shown so far.
    QStringList errors() const
    {
        QStringList out;
        for (const MessageBoxRequest &r : messageBoxes)
            if ((r.flags & 0xF0) == MB_ICONERROR)
                out << r.text;
        return out;
    }

    bool allAnswersUsed() const
    {
        return m_boxAnswers.isEmpty() && m_openAnswers.isEmpty() && m_saveAnswers.isEmpty()
            && m_folderAnswers.isEmpty() && m_fontAnswers.isEmpty() && m_colorAnswers.isEmpty();
    }

    // Dialogs ----------------------------------------------------------------------------------
    int messageBox(QWidget *, const QString &text, const QString &caption, unsigned flags) override
    {
        messageBoxes.append({text, caption, flags});
        if ((flags & 0x0F) != MB_YESNO)
            return IDOK;
        if (m_boxAnswers.isEmpty()) {
            unexpected("message box", text);
            return IDNO;
        }
        return m_boxAnswers.dequeue();
    }

    std::optional<QString> openFileName(QWidget *, const FileDialogOptions &options) override
    {
        openRequests.append(options);
        return take(m_openAnswers, "open dialog");
    }

    std::optional<QString> saveFileName(QWidget *, const FileDialogOptions &options) override
    {
        saveRequests.append(options);
        return take(m_saveAnswers, "save dialog");
    }

    std::optional<QString> folderName(QWidget *, const QString &initialPath) override
    {
        folderRequests.append(initialPath);
        return take(m_folderAnswers, "folder dialog");
    }

    std::optional<FontChoice> chooseFont(QWidget *, const FontChoice &initial) override
    {
        fontRequests.append(initial);
        return take(m_fontAnswers, "font dialog");
    }

    std::optional<QColor> chooseColor(QWidget *, const QColor &initial, QList<QColor> &) override
    {
        colorRequests.append(initial);
        return take(m_colorAnswers, "colour dialog");
    }

private:
    template <class T> std::optional<T> take(QQueue<std::optional<T>> &queue, const char *what)
    {
        if (queue.isEmpty()) {
            unexpected(what, QString());
            return std::nullopt;
        }
        return queue.dequeue();
    }

    static void unexpected(const char *what, const QString &text)
    {
        const QByteArray message
            = QByteArray("no answer queued for the ") + what + ' ' + text.toUtf8();
        QTest::qFail(message.constData(), __FILE__, __LINE__);
    }

    QQueue<int> m_boxAnswers;
    QQueue<std::optional<QString>> m_openAnswers;
    QQueue<std::optional<QString>> m_saveAnswers;
    QQueue<std::optional<QString>> m_folderAnswers;
    QQueue<std::optional<FontChoice>> m_fontAnswers;
    QQueue<std::optional<QColor>> m_colorAnswers;
};

} // namespace zv::test
