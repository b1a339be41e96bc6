#include "Unit4.h"

#include "platform/app/Application.h"
#include "platform/codepages/CodePage.h"
#include "platform/errors/PlatformError.h"
#include "platform/export/DocumentExport.h"
#include "platform/files/AtomicFile.h"

#include <QFile>
#include <QFontMetricsF>
#include <QGuiApplication>
#include <QKeyEvent>
#include <QMenuBar>
#include <QPlainTextEdit>
#include <QScreen>
#include <QShowEvent>
#include <QTimer>
#include <QVBoxLayout>

TForm4 *Form4 = nullptr;

namespace {

// A NUL byte would end the text in an 8-bit memo and hide the rest of the output; it is shown
// as the symbol for NUL instead, and saved as the byte it stands for.
constexpr char16_t kNulSymbol = u'\u2400';

std::function<void(TForm4 &)> &shownHook()
{
    static std::function<void(TForm4 &)> hook;
    return hook;
}

} // namespace

void dressResultsMemo(QPlainTextEdit &memo)
{
    QFont font(QStringLiteral("MS Sans Serif"));
    font.setPixelSize(13);
    memo.setFont(font);
    // A text box's tab stops fall every eight average characters, so tabulated output lines up.
    memo.setTabStopDistance(8 * QFontMetricsF(font).averageCharWidth());
    memo.setLineWrapMode(QPlainTextEdit::NoWrap);
}

zv::FileDialogOptions pdfExportDialog()
{
    return {.filter = QStringLiteral("PDF|*.pdf"),
        .defaultSuffix = QStringLiteral(".pdf"),
        .initialPath = {},
        .overwritePrompt = true};
}

QMenuBar *addResultsMenu(QWidget &window, QAction *&save, std::function<void()> onSave,
    QAction *&exportPdf, std::function<void()> onExportPdf)
{
    auto *bar = new QMenuBar(&window);
    bar->setObjectName(QStringLiteral("MainMenu1"));
    // On the bar itself, with no drop-down: choosing it acts at once.
    save = bar->addAction(QStringLiteral("Guardar"));
    save->setObjectName(QStringLiteral("Guardar1"));
    QObject::connect(save, &QAction::triggered, &window, zv::guard(std::move(onSave)));
    exportPdf = bar->addAction(QStringLiteral("Exportar a PDF…"));
    exportPdf->setObjectName(QStringLiteral("ExportarPDF1"));
    QObject::connect(exportPdf, &QAction::triggered, &window, zv::guard(std::move(onExportPdf)));
    return bar;
}

void exportMemoAsPdf(QWidget *owner, const QPlainTextEdit &memo, zv::FileDialogOptions &dialog)
{
    if (const std::optional<QString> chosen = zv::askSaveFileName(owner, dialog))
        zv::exportTextAsPdf(memo.toPlainText(), memo.font(), *chosen);
}

TForm4::TForm4(QWidget *parent)
    : QDialog(parent,
        Qt::Dialog | Qt::WindowTitleHint | Qt::WindowSystemMenuHint | Qt::WindowMinimizeButtonHint
            | Qt::WindowMaximizeButtonHint | Qt::WindowCloseButtonHint)
{
    setObjectName(QStringLiteral("Form4"));
    setWindowTitle(QStringLiteral("Resultado de la ejecución del programa"));
    setFont(QFont(QStringLiteral("MS Sans Serif"), 8));
    setModal(true);

    MainMenu1 = addResultsMenu(
        *this, Guardar1, [this] { Guardar1Click(this); }, ExportarPDF1,
        [this] { ExportarPDF1Click(this); });

    Memo1 = new QPlainTextEdit(this);
    Memo1->setObjectName(QStringLiteral("Memo1"));
    dressResultsMemo(*Memo1);
    Memo1->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    Memo1->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOn);

    auto *layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
    layout->setMenuBar(MainMenu1);
    layout->addWidget(Memo1);

    // A client area of 688 x 426 below the menu bar to begin with. The border can be dragged
    // and the window maximised, so that wide tables and long error lines fit; Memo1 follows.
    resize(688, 426 + MainMenu1->sizeHint().height());
    setMinimumSize(240, 120 + MainMenu1->sizeHint().height());
    SaveDialog1.overwritePrompt = false;
}

TForm4::~TForm4()
{
    if (Form4 == this)
        Form4 = nullptr;
}

int TForm4::ShowModal()
{
    if (const QScreen *screen = QGuiApplication::primaryScreen())
        move(screen->availableGeometry().center() - rect().center());
    return exec();
}

void TForm4::showEvent(QShowEvent *event)
{
    QDialog::showEvent(event);
    if (event->spontaneous())
        return;
    zv::guarded([this] { FormShow(this); });
    if (shownHook())
        QTimer::singleShot(0, this, [this] {
            if (shownHook())
                shownHook()(*this);
        });
}

void TForm4::keyPressEvent(QKeyEvent *event)
{
    // Escape closes it as its close box does: "salida.log" keeps the output.
    if (event->key() == Qt::Key_Escape && event->modifiers() == Qt::NoModifier) {
        event->accept();
        close();
        return;
    }
    QDialog::keyPressEvent(event);
}

void TForm4::FormShow(QObject *)
{
    Memo1->clear();
    const QString path = zv::workFolder() + QStringLiteral("salida.log");
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        throw zv::fileError("Cannot open file %s", path);
    const QByteArray bytes = file.readAll();
    if (file.error() != QFileDevice::NoError)
        throw zv::fileError("Cannot open file %s", path);
    file.close();
    setText(bytes);
}

void TForm4::Guardar1Click(QObject *)
{
    const std::optional<QString> chosen = zv::askSaveFileName(this, SaveDialog1);
    if (!chosen)
        return;
    zv::writeFileAtomically(*chosen, text(), "Stream write error");
}

void TForm4::ExportarPDF1Click(QObject *)
{
    exportMemoAsPdf(this, *Memo1, ExportDialog1);
}

QByteArray TForm4::text() const
{
    QString shown = Memo1->toPlainText();
    shown.replace(QChar(kNulSymbol), QChar(0));
    QByteArray out = zv::CodePage::windows1252().encode(shown);
    out.replace("\n", "\r\n");
    return out;
}

void TForm4::setText(const QByteArray &bytes)
{
    const zv::CodePage &page = zv::CodePage::windows1252();
    QString shown;
    shown.reserve(bytes.size());
    for (qsizetype i = 0; i < bytes.size(); ++i) {
        const char byte = bytes.at(i);
        if (byte == '\r') {
            if (i + 1 < bytes.size() && bytes.at(i + 1) == '\n')
                ++i;
            shown += QLatin1Char('\n');
        } else if (byte == '\n') {
            shown += QLatin1Char('\n');
        } else if (byte == '\0') {
            shown += QChar(kNulSymbol);
        } else {
            shown += QChar(page.toUnicode(static_cast<unsigned char>(byte)));
        }
    }
    Memo1->setPlainText(shown);
}

void TForm4::setShownHookForTests(std::function<void(TForm4 &)> hook)
{
    shownHook() = std::move(hook);
}
