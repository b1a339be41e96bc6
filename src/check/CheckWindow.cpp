#include "check/CheckWindow.h"

#include "platform/app/Application.h"
#include "platform/export/DocumentExport.h"
#include "platform/files/AtomicFile.h"

#include <QGuiApplication>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QMenuBar>
#include <QPlainTextEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QScreen>
#include <QTextCursor>
#include <QVBoxLayout>

#include <algorithm>

namespace zv {

CheckWindow::CheckWindow(QWidget *parent)
    // A dialog of the editor, so that the window manager keeps it above the maximized editor
    // even when the editor takes the focus back to select an error.
    : QDialog(parent,
        Qt::Dialog | Qt::WindowTitleHint | Qt::WindowSystemMenuHint | Qt::WindowMinimizeButtonHint
            | Qt::WindowMaximizeButtonHint | Qt::WindowCloseButtonHint)
{
    setObjectName(QStringLiteral("checkWindow"));
    setWindowTitle(QStringLiteral("Resultado de la comprobación"));
    setFont(QFont(QStringLiteral("MS Sans Serif"), 8));
    setModal(false);
    // Ctrl+Enter again in the editor checks again: the focus stays where the user types.
    setAttribute(Qt::WA_ShowWithoutActivating);

    menuBar = addResultsMenu(
        *this, saveAction, [this] { save(); }, exportPdfAction, [this] { exportPdf(); });

    // As the results window shows the interpreter's text, with room for the symbols it lacks.
    answerView = new QPlainTextEdit(this);
    answerView->setObjectName(QStringLiteral("answerView"));
    dressResultsMemo(*answerView);
    answerView->setReadOnly(true);
    answerView->setTextInteractionFlags(Qt::TextSelectableByMouse | Qt::TextSelectableByKeyboard);

    progressPanel = new QWidget(this);
    progressPanel->setObjectName(QStringLiteral("progressPanel"));
    progressLabel = new QLabel(progressPanel);
    progressLabel->setObjectName(QStringLiteral("progressLabel"));
    progressBar = new QProgressBar(progressPanel);
    progressBar->setObjectName(QStringLiteral("progressBar"));
    progressBar->setRange(0, 0); // how long a search takes cannot be known
    cancelButton = new QPushButton(QStringLiteral("Cancelar"), progressPanel);
    cancelButton->setObjectName(QStringLiteral("cancelButton"));
    connect(cancelButton, &QPushButton::clicked, this, [this] { Q_EMIT cancelRequested(); });
    auto *row = new QHBoxLayout(progressPanel);
    row->addWidget(progressLabel);
    row->addWidget(progressBar, 1);
    row->addWidget(cancelButton);
    progressPanel->hide();

    auto *layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
    layout->setMenuBar(menuBar);
    layout->addWidget(answerView, 1);
    layout->addWidget(progressPanel);
    resize(688, 426 + menuBar->sizeHint().height());
}

void CheckWindow::showBeside()
{
    if (isVisible()) {
        raise();
        return;
    }
    // At the right of the screen, where it hides least of a document that does not wrap.
    if (const QScreen *screen = QGuiApplication::primaryScreen()) {
        const QRect room = screen->availableGeometry();
        move(std::max(room.left(), room.right() - frameGeometry().width() - 8),
            room.top() + std::max(0, (room.height() - frameGeometry().height()) / 2));
    }
    show();
}

void CheckWindow::showProgress(const QString &what)
{
    progressLabel->setText(what);
    answerView->clear();
    progressPanel->show();
    saveAction->setEnabled(false);
    exportPdfAction->setEnabled(false);
}

void CheckWindow::showAnswer(const QString &text)
{
    answerView->setPlainText(text);
    finishAnswers(QString());
}

void CheckWindow::showAnswer(const QString &text, const QString &firstShown)
{
    answerView->setPlainText(text);
    finishAnswers(firstShown);
}

void CheckWindow::appendAnswers(const QString &text)
{
    // Each answer ends its last line; a blank line goes between two, as between chunks.
    QTextCursor end(answerView->document());
    end.movePosition(QTextCursor::End);
    end.insertText(answerView->document()->isEmpty() ? text : QLatin1Char('\n') + text);
}

void CheckWindow::prependAnswers(const QString &text)
{
    QTextCursor start(answerView->document());
    start.insertText(answerView->document()->isEmpty() ? text : text + QLatin1Char('\n'));
}

void CheckWindow::finishAnswers(const QString &firstShown)
{
    progressPanel->hide();
    saveAction->setEnabled(true);
    exportPdfAction->setEnabled(true);
    // From the top; a long answer would hide the syntax error that the editor has just selected.
    answerView->moveCursor(QTextCursor::Start);
    if (!firstShown.isEmpty() && answerView->find(firstShown)) {
        QTextCursor cursor = answerView->textCursor();
        cursor.clearSelection();
        answerView->setTextCursor(cursor);
        answerView->centerCursor();
    }
}

bool CheckWindow::inProgress() const
{
    return !progressPanel->isHidden();
}

void CheckWindow::save()
{
    const std::optional<QString> chosen = zv::askSaveFileName(this, saveDialog);
    if (!chosen)
        return;
    zv::writeFileAtomically(*chosen, answerView->toPlainText().toUtf8(), "Stream write error");
}

void CheckWindow::exportPdf()
{
    exportMemoAsPdf(this, *answerView, exportDialog);
}

void CheckWindow::keyPressEvent(QKeyEvent *event)
{
    if (event->key() == Qt::Key_Escape) {
        // Escape stops a search, keeping what it has found; with nothing under way it closes
        // the window, which the next check shows again.
        if (inProgress())
            Q_EMIT cancelRequested();
        else
            close();
        event->accept();
        return;
    }
    QDialog::keyPressEvent(event);
}

} // namespace zv
