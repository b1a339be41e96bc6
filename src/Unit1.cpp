#include "Unit1.h"

#include "ManualWindow.h"
#include "Palette.h"
#include "Unit2.h"

#include "check/AssistRun.h"
#include "check/CheckRun.h"
#include "platform/app/Application.h"
#include "platform/format/ReadableText.h"
#include "platform/process/Launcher.h"
#include "platform/richedit/RichEdit.h"
#include "platform/widgets/SpeedButton.h"

#include <QAction>
#include <QCloseEvent>
#include <QFile>
#include <QFrame>
#include <QGuiApplication>
#include <QMenu>
#include <QMenuBar>
#include <QScreen>
#include <QVBoxLayout>

static void initZarvikResources()
{
    Q_INIT_RESOURCE(zarvik);
}

TForm1 *Form1 = nullptr;

namespace {

struct PictureButton
{
    int number;
    int left;
    const char *picture;
    const char *hint;
    void (TForm1::*handler)(QObject *);
};

constexpr PictureButton kPictureButtons[] = {
    {9, 8, "new-text", "NUEVO TEXTO", &TForm1::SpeedButton9Click},
    {10, 32, "open-text", "CARGAR TEXTO", &TForm1::SpeedButton10Click},
    {12, 64, "new-program", "NUEVO PROGRAMA", &TForm1::SpeedButton12Click},
    {13, 88, "open-program", "CARGAR PROGRAMA", &TForm1::SpeedButton13Click},
    {11, 120, "save", "GUARDAR", &TForm1::SpeedButton11Click},
    {14, 144, "print", "IMPRIMIR", &TForm1::SpeedButton14Click},
    {27, 168, "compile", "COMPILAR PROGRAMA", &TForm1::SpeedButton27Click},
};

struct StyleButton
{
    int number;
    int left;
    const char *caption;
    bool underline;
    bool italic;
    const char *accessibleName;
    void (TForm1::*handler)(QObject *);
};

constexpr StyleButton kStyleButtons[] = {
    {24, 208, "N", false, false, "Negrita", &TForm1::SpeedButton24Click},
    {25, 232, "S", true, false, "Subrayado", &TForm1::SpeedButton25Click},
    {26, 256, "C", false, true, "Cursiva", &TForm1::SpeedButton26Click},
};

QIcon picture(const char *name)
{
    QIcon icon(QStringLiteral(":/icons/%1.svg").arg(QLatin1String(name)));
    const QString disabled = QStringLiteral(":/icons/%1-disabled.svg").arg(QLatin1String(name));
    if (QFile::exists(disabled))
        icon.addFile(disabled, QSize(16, 16), QIcon::Disabled);
    return icon;
}

} // namespace

TForm1::TForm1(QWidget *parent) : QMainWindow(parent)
{
    initZarvikResources();
    setObjectName(QStringLiteral("Form1"));
    setWindowTitle(QStringLiteral("Zarvik - Editor de Lógica"));
    setFont(QFont(QStringLiteral("MS Sans Serif"), 8));
    setBackgroundRole(QPalette::Button);

    createEditors();
    createToolbar();
    createMenus();
    createKeyboardCommands();
    createLogicCommands();
    // Among the added items, before the about item, which stays last. F1 is "Nuevo Texto":
    // the manual takes the key that help has beside it.
    ManualDeZarvik1 = new QAction(QStringLiteral("Manual de Zarvik"), this);
    ManualDeZarvik1->setObjectName(QStringLiteral("ManualDeZarvik1"));
    ManualDeZarvik1->setShortcut(QKeySequence(Qt::SHIFT | Qt::Key_F1));
    ManualDeZarvik1->setShortcutContext(Qt::WindowShortcut);
    ManualDeZarvik1->setToolTip(QStringLiteral("Manual de Zarvik (Mayús+F1)"));
    connect(ManualDeZarvik1, &QAction::triggered, this,
        zv::guard([this] { ManualDeZarvik1Click(this); }));
    menuBar()->insertAction(AyudayCaercade1, ManualDeZarvik1);
    RichEdit1->installEventFilter(this);
    connect(this, &QWidget::windowTitleChanged, this, [this] { keepRunningCaption(); });

    // Restored, the client area below the menu bar is 699 x 246 and the window is centred; it
    // opens maximised.
    resize(699, 246 + menuBar()->sizeHint().height());
    if (const QScreen *screen = QGuiApplication::primaryScreen())
        move(screen->availableGeometry().center() - QPoint(707 / 2, 300 / 2));
}

TForm1::~TForm1() = default;

void TForm1::createEditors()
{
    auto *client = new QWidget(this);
    auto *layout = new QVBoxLayout(client);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);

    Panel1 = new QFrame(client);
    Panel1->setObjectName(QStringLiteral("Panel1"));
    Panel1->setFrameStyle(QFrame::Panel | QFrame::Raised);
    Panel1->setLineWidth(1);
    Panel1->setFixedHeight(41);
    layout->addWidget(Panel1);

    RichEdit1 = new zv::RichEdit(client);
    RichEdit1->setObjectName(QStringLiteral("RichEdit1"));
    RichEdit1->setFont(QFont(QStringLiteral("Verdana"), 10));
    RichEdit1->setLineWrapMode(QTextEdit::NoWrap);
    RichEdit1->setVerticalScrollBarPolicy(Qt::ScrollBarAsNeeded);
    RichEdit1->setHorizontalScrollBarPolicy(Qt::ScrollBarAsNeeded);
    // The main editor takes as much text as memory allows.
    RichEdit1->setTextLimit(zv::RichEdit::kLoadedTextLimit);
    RichEdit1->setPlainText(false);
    RichEdit1->setText(QStringLiteral("RichEdit1"));
    layout->addWidget(RichEdit1, 1);

    // Never shown: the program run passes its text through here to read it as lines. It does
    // not wrap, so each paragraph reaches the interpreter as one line, however long.
    RichEdit2 = new zv::RichEdit(this);
    RichEdit2->setObjectName(QStringLiteral("RichEdit2"));
    RichEdit2->setFont(font());
    RichEdit2->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    RichEdit2->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    RichEdit2->setLineWrapMode(QTextEdit::NoWrap);
    RichEdit2->setFixedWidth(633);
    RichEdit2->hide();

    setCentralWidget(client);
    RichEdit1->setFocus();
}

void TForm1::createToolbar()
{
    auto place = [this](int number, int left) {
        auto *button = new zv::SpeedButton(Panel1);
        button->setObjectName(QStringLiteral("SpeedButton%1").arg(number));
        button->setGeometry(left, 8, 23, 22);
        m_speedButtons[number] = button;
        return button;
    };

    for (const PictureButton &b : kPictureButtons) {
        zv::SpeedButton *button = place(b.number, b.left);
        button->setIcon(picture(b.picture));
        button->setIconSize(QSize(16, 16));
        button->setToolTip(QString::fromUtf8(b.hint));
        button->setAccessibleName(QString::fromUtf8(b.hint));
        connect(button, &QAbstractButton::clicked, this,
            zv::guard([this, h = b.handler] { (this->*h)(this); }));
    }

    for (const StyleButton &b : kStyleButtons) {
        zv::SpeedButton *button = place(b.number, b.left);
        QFont face(QStringLiteral("MS Sans Serif"), 8);
        face.setBold(true);
        face.setUnderline(b.underline);
        face.setItalic(b.italic);
        button->setFont(face);
        button->setText(QString::fromUtf8(b.caption));
        button->setAccessibleName(QString::fromUtf8(b.accessibleName));
        button->setToggle(true);
        connect(button, &QAbstractButton::clicked, this,
            zv::guard([this, h = b.handler] { (this->*h)(this); }));
    }

    for (const zv::PaletteRow &row : zv::kPalette) {
        zv::SpeedButton *button = place(row.number, row.left);
        zv::dressPaletteButton(*button, row);
        connect(button, &QAbstractButton::clicked, this,
            zv::guard([this, h = paletteHandler(row)] { (this->*h)(this); }));
    }
}

void TForm1::createMenus()
{
    QMenuBar *bar = menuBar();
    bar->setObjectName(QStringLiteral("MainMenu1"));

    auto item = [this](QMenu *menu, QAction *&action, const char *name, const char *caption,
                    Qt::Key key, const char *icon, void (TForm1::*handler)(QObject *)) {
        action = menu->addAction(QString::fromUtf8(caption));
        action->setObjectName(QLatin1String(name));
        if (key != Qt::Key_unknown)
            action->setShortcut(QKeySequence(key));
        if (icon)
            action->setIcon(QIcon(QStringLiteral(":/icons/%1.svg").arg(QLatin1String(icon))));
        connect(action, &QAction::triggered, this,
            zv::guard([this, handler] { (this->*handler)(this); }));
    };
    auto separator = [](QMenu *menu, QAction *&action, const char *name) {
        action = menu->addSeparator();
        action->setObjectName(QLatin1String(name));
    };
    auto menu = [bar](QMenu *&m, const char *name, const char *caption) {
        m = bar->addMenu(QString::fromUtf8(caption));
        m->setObjectName(QLatin1String(name));
        m->menuAction()->setObjectName(QLatin1String(name));
    };

    menu(Archivo1, "Archivo1", "Archivo");
    item(Archivo1, Nuevo1, "Nuevo1", "Nuevo Texto", Qt::Key_F1, "menu-new", &TForm1::Nuevo1Click);
    item(Archivo1, Abrir1, "Abrir1", "Abrir Texto", Qt::Key_F2, "menu-open", &TForm1::Abrir1Click);
    separator(Archivo1, N1, "N1");
    item(Archivo1, NuevoPrograma1, "NuevoPrograma1", "Nuevo Programa", Qt::Key_unknown, nullptr,
        &TForm1::SpeedButton12Click);
    item(Archivo1, AbrirPrograma1, "AbrirPrograma1", "Abrir Programa", Qt::Key_unknown, nullptr,
        &TForm1::SpeedButton13Click);
    item(Archivo1, CompilarPrograma1, "CompilarPrograma1", "Compilar Programa", Qt::Key_unknown,
        nullptr, &TForm1::SpeedButton27Click);
    separator(Archivo1, N2, "N2");
    item(
        Archivo1, Guardar1, "Guardar1", "Guardar", Qt::Key_F3, "menu-save", &TForm1::Guardar1Click);
    item(Archivo1, Imprimir1, "Imprimir1", "Imprimir", Qt::Key_F4, "menu-print",
        &TForm1::Imprimir1Click);
    separator(Archivo1, N3, "N3");
    item(Archivo1, Salir1, "Salir1", "Salir", Qt::Key_F10, "menu-exit", &TForm1::Salir1Click);
    item(Archivo1, GuardarComo1, "GuardarComo1", "Guardar como…", Qt::Key_unknown, nullptr,
        &TForm1::GuardarComo1Click);
    GuardarComo1->setShortcut(QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_S));
    item(Archivo1, DetenerPrograma1, "DetenerPrograma1", "Detener programa", Qt::Key_unknown,
        nullptr, &TForm1::DetenerPrograma1Click);
    DetenerPrograma1->setEnabled(false);

    menu(Editar1, "Editar1", "Editar");
    item(Editar1, SeleccionatTodo1, "SeleccionatTodo1", "Seleccionar Todo", Qt::Key_F5,
        "menu-selectall", &TForm1::SeleccionatTodo1Click);
    item(Editar1, Cortar1, "Cortar1", "Cortar", Qt::Key_F6, "menu-cut", &TForm1::Cortar1Click);
    item(Editar1, Copiar1, "Copiar1", "Copiar", Qt::Key_F7, "menu-copy", &TForm1::Copiar1Click);
    item(Editar1, Pegar1, "Pegar1", "Pegar", Qt::Key_F8, "menu-paste", &TForm1::Pegar1Click);
    item(Editar1, Borrar1, "Borrar1", "Borrar", Qt::Key_F9, "menu-delete", &TForm1::Borrar1Click);

    menu(Confifurar1, "Confifurar1", "Configurar");
    item(
        Confifurar1, Fuentes1, "Fuentes1", "Fuentes", Qt::Key_F11, "fonts", &TForm1::Fuentes1Click);
    item(Confifurar1, Fondo1, "Fondo1", "Fondo", Qt::Key_F12, "background", &TForm1::Fondo1Click);

    // A bar item of its own, with no drop-down: choosing it acts at once.
    AyudayCaercade1 = bar->addAction(QStringLiteral("Ayuda y Acerca de ..."));
    AyudayCaercade1->setObjectName(QStringLiteral("AyudayCaercade1"));
    connect(AyudayCaercade1, &QAction::triggered, this,
        zv::guard([this] { AyudayCaercade1Click(this); }));

    // The menu's shortcuts must reach the window whichever child has the focus.
    for (QAction *action : findChildren<QAction *>())
        action->setShortcutContext(Qt::WindowShortcut);
}

void TForm1::showEvent(QShowEvent *event)
{
    QMainWindow::showEvent(event);
    if (!event->spontaneous())
        zv::guarded([this] { FormShow(this); });
}

void TForm1::closeEvent(QCloseEvent *event)
{
    bool closing = false;
    zv::guarded([&] {
        FormClose(this);
        closing = true;
    });
    // A failed or abandoned save keeps the window, and the document, open. Closed during a run,
    // the window takes the program with it: nobody would see its answer.
    if (closing) {
        if (m_waits > 0)
            zv::stopLaunchedPrograms();
        event->accept();
    } else {
        event->ignore();
    }
}

void TForm1::FormShow(QObject *)
{
    FirstRunCheck();
    EnterTextMode();
    RichEdit1->clearDocument();
    RichEdit1->setSelColor(QColor(Qt::black));
    RichEdit1->setSelFaceName(QStringLiteral("Verdana"));
    RichEdit1->setSelSize(10);
}

void TForm1::AyudayCaercade1Click(QObject *)
{
    Form2->ShowModal();
}

void TForm1::ManualDeZarvik1Click(QObject *)
{
    // Not modal: the manual stays open beside the document it helps to write.
    if (!m_manualWindow)
        m_manualWindow = new zv::ManualWindow(this);
    m_manualWindow->show();
    m_manualWindow->raise();
    m_manualWindow->activateWindow();
}
