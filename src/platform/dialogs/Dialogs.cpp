#include "platform/dialogs/Dialogs.h"

#include "platform/files/AtomicFile.h"

#include <QAbstractButton>
#include <QClipboard>
#include <QCloseEvent>
#include <QFileInfo>
#include <QGuiApplication>
#include <QKeyEvent>
#include <QMessageBox>

namespace zv {

namespace {

Dialogs *g_installed = nullptr;

// Qt makes "No" the escape button of a Yes/No box, so Escape or the close box would answer No
// and throw the user's work away. A box without Cancel waits for one of its buttons.
class MessageBox : public QMessageBox
{
public:
    MessageBox(QWidget *owner, bool answerRequired)
        : QMessageBox(owner), m_answerRequired(answerRequired)
    {}

protected:
    void keyPressEvent(QKeyEvent *event) override
    {
        if (m_answerRequired && event->matches(QKeySequence::Cancel)) {
            event->accept();
            return;
        }
        // Ctrl+C copies the box, as the Windows box does, so that a message can be pasted into
        // a report; Qt does it on Windows only.
        if (event->matches(QKeySequence::Copy)) {
            const QString rule = QStringLiteral("---------------------------\n");
            QStringList names;
            for (const QAbstractButton *button : buttons())
                names << QString(button->text()).remove(QLatin1Char('&'));
            QGuiApplication::clipboard()->setText(rule + windowTitle() + QLatin1Char('\n') + rule
                + text() + QLatin1Char('\n') + rule + names.join(QStringLiteral("   "))
                + QLatin1Char('\n') + rule);
            event->accept();
            return;
        }
        QMessageBox::keyPressEvent(event);
    }

    void closeEvent(QCloseEvent *event) override
    {
        if (m_answerRequired && !clickedButton()) {
            event->ignore();
            return;
        }
        QMessageBox::closeEvent(event);
    }

private:
    const bool m_answerRequired;
};

} // namespace

Dialogs &dialogs()
{
    static QtDialogs qtDialogs;
    return g_installed ? *g_installed : qtDialogs;
}

void setDialogs(Dialogs *d)
{
    g_installed = d;
}

bool confirmSaveThroughLink(const QString &path)
{
    const SaveTarget target = saveTarget(path);
    // A loop of links leads nowhere: the save itself reports it.
    if (!target.viaLink || target.path.isEmpty())
        return true;
    const QString text = target.exists
        ? QStringLiteral("«%1» es un enlace a «%2», que ya existe. ¿Desea reemplazarlo?")
        : QStringLiteral("«%1» es un enlace a «%2», que no existe. ¿Desea crearlo?");
    return dialogs().messageBox(nullptr, text.arg(QFileInfo(path).fileName(), target.path),
               QStringLiteral("Atención"), MB_YESNO | MB_ICONEXCLAMATION | MB_DEFBUTTON2)
        == IDYES;
}

std::optional<QString> askSaveFileName(QWidget *owner, FileDialogOptions &options)
{
    for (;;) {
        std::optional<QString> chosen = dialogs().saveFileName(owner, options);
        if (!chosen)
            return chosen;
        options.initialPath = *chosen;
        if (confirmSaveThroughLink(*chosen))
            return chosen;
    }
}

int QtDialogs::messageBox(
    QWidget *owner, const QString &text, const QString &caption, unsigned flags)
{
    const bool yesNo = (flags & 0x0F) == MB_YESNO;
    MessageBox box(owner, yesNo);
    box.setWindowTitle(caption);
    box.setText(text);
    switch (flags & 0xF0) {
    case MB_ICONERROR: box.setIcon(QMessageBox::Critical); break;
    case MB_ICONEXCLAMATION: box.setIcon(QMessageBox::Warning); break;
    default: break;
    }
    // Owned by the application: every window of it waits for the answer.
    box.setWindowModality(Qt::ApplicationModal);
    if (yesNo) {
        box.setStandardButtons(QMessageBox::Yes | QMessageBox::No);
        box.setDefaultButton((flags & MB_DEFBUTTON2) ? QMessageBox::No : QMessageBox::Yes);
        return box.exec() == QMessageBox::Yes ? IDYES : IDNO;
    }
    box.setStandardButtons(QMessageBox::Ok);
    box.exec();
    return IDOK;
}

} // namespace zv
