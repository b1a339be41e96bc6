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
#include <QVBoxLayout>

#include <algorithm>

TForm5 *Form5 = nullptr;

TForm5::TForm5(QWidget *parent)
    // A dialog of the editor, so that the window manager keeps it above the maximized editor
    // even when the editor takes the focus back to select an error.
    : QDialog(parent,
        Qt::Dialog | Qt::WindowTitleHint | Qt::WindowSystemMenuHint | Qt::WindowMinimizeButtonHint
            | Qt::WindowMaximizeButtonHint | Qt::WindowCloseButtonHint)
{
    setObjectName(QStringLiteral("Form5"));
    setWindowTitle(QStringLiteral("Resultado de la comprobación"));
    setFont(QFont(QStringLiteral("MS Sans Serif"), 8));
    setModal(false);
    // Ctrl+Enter again in the editor checks again: the focus stays where the user types.
    setAttribute(Qt::WA_ShowWithoutActivating);

    MainMenu1 = addResultsMenu(
        *this, Guardar1, [this] { Guardar1Click(this); }, ExportarPDF1,
        [this] { ExportarPDF1Click(this); });

    // As the results window shows the interpreter's text, with room for the symbols it lacks.
    Memo1 = new QPlainTextEdit(this);
    Memo1->setObjectName(QStringLiteral("Memo1"));
    dressResultsMemo(*Memo1);
    Memo1->setReadOnly(true);
    Memo1->setTextInteractionFlags(Qt::TextSelectableByMouse | Qt::TextSelectableByKeyboard);

    Panel1 = new QWidget(this);
    Panel1->setObjectName(QStringLiteral("Panel1"));
    Label1 = new QLabel(Panel1);
    Label1->setObjectName(QStringLiteral("Label1"));
    ProgressBar1 = new QProgressBar(Panel1);
    ProgressBar1->setObjectName(QStringLiteral("ProgressBar1"));
    ProgressBar1->setRange(0, 0); // how long a search takes cannot be known
    Cancelar1 = new QPushButton(QStringLiteral("Cancelar"), Panel1);
    Cancelar1->setObjectName(QStringLiteral("Cancelar1"));
    connect(Cancelar1, &QPushButton::clicked, this, [this] { Q_EMIT cancelRequested(); });
    auto *row = new QHBoxLayout(Panel1);
    row->addWidget(Label1);
    row->addWidget(ProgressBar1, 1);
    row->addWidget(Cancelar1);
    Panel1->hide();

    auto *layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
    layout->setMenuBar(MainMenu1);
    layout->addWidget(Memo1, 1);
    layout->addWidget(Panel1);
    resize(688, 426 + MainMenu1->sizeHint().height());
}

TForm5::~TForm5()
{
    if (Form5 == this)
        Form5 = nullptr;
}

void TForm5::ShowBeside()
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

void TForm5::showProgress(const QString &what)
{
    Label1->setText(what);
    Memo1->clear();
    Panel1->show();
    Guardar1->setEnabled(false);
    ExportarPDF1->setEnabled(false);
}

void TForm5::showAnswer(const QString &text)
{
    Panel1->hide();
    Guardar1->setEnabled(true);
    ExportarPDF1->setEnabled(true);
    Memo1->setPlainText(text);
}

void TForm5::showAnswer(const QString &text, const QString &firstShown)
{
    showAnswer(text);
    // A long answer would hide the syntax error that the editor has just selected.
    if (!firstShown.isEmpty() && Memo1->find(firstShown)) {
        QTextCursor cursor = Memo1->textCursor();
        cursor.clearSelection();
        Memo1->setTextCursor(cursor);
        Memo1->centerCursor();
    }
}

bool TForm5::inProgress() const
{
    return !Panel1->isHidden();
}

void TForm5::Guardar1Click(QObject *)
{
    const std::optional<QString> chosen = zv::askSaveFileName(this, SaveDialog1);
    if (!chosen)
        return;
    zv::writeFileAtomically(*chosen, Memo1->toPlainText().toUtf8(), "Stream write error");
}

void TForm5::ExportarPDF1Click(QObject *)
{
    exportMemoAsPdf(this, *Memo1, ExportDialog1);
}

void TForm5::keyPressEvent(QKeyEvent *event)
{
    if (event->key() == Qt::Key_Escape) {
        // Escape stops a search; it never throws an answer away.
        if (inProgress())
            Q_EMIT cancelRequested();
        event->accept();
        return;
    }
    QDialog::keyPressEvent(event);
}
