#include "Unit2.h"

#include <QFontMetricsF>
#include <QGuiApplication>
#include <QKeyEvent>
#include <QLabel>
#include <QPlainTextEdit>
#include <QScreen>

#include <algorithm>

TForm2 *Form2 = nullptr;

// Trailing spaces and the words split by hyphens belong to the text.
const char *const TForm2::kMemoLines[12] = {
    "Este programa es un sencillo editor especial para Lógica . La idea ha sido poder",
    "utilizar los símbolos de la Lógica de una manera rápida , sin tener que cambiar de ",
    "tipos de fuente ni crear macros . Aunque en esta versión de pruebas hay pocas ",
    "funcionalidades , con el tiempo se ampliará . Por ahora , no es conveniente hacer ",
    "cambios de fuentes a lo largo del texto , ya que esa funcionalidad no está aún ",
    "optimizada .",
    "Una cosa muy importante : para que funcione bien , es necesario tener instalados los ",
    "siguientes tipos de fuentes : \"Verdana\" , \"Symbol\" \"Wingdinds 2\" y \"Wingdings 3\" .",
    "",
    "En esta versión Beta 0.3 se ha incluido una nueva opción :podemos realizar pe-",
    "queños programas de lógica y ejecutarlos . Para más información , léase el archi-",
    "vo \"Intérprete de Lógica de Proposiciones.doc\" . ",
};

namespace {

struct Credit
{
    const char *name;
    const char *text;
    int top;
    QRgb color;
};

constexpr Credit kCredits[] = {
    {"Label2", "el equipo de Zarvik", 216, qRgb(128, 0, 0)},
    {"Label3", "con la ayuda de", 232, qRgb(0, 128, 0)},
    {"Label4", "estudiantes y profesores", 248, qRgb(0, 0, 128)},
    {"Label5", "de Lógica", 264, qRgb(128, 0, 128)},
};

// The lines were laid out for a narrow bitmap face that Linux lacks: condense the stand-in
// until the longest line fits the field, so the text reads as written and nothing is cut off.
void fitLinesToWidth(QPlainTextEdit &memo)
{
    const qreal available
        = memo.width() - 2 * memo.frameWidth() - 2 * memo.document()->documentMargin() - 2;
    QFont font = memo.font();
    for (int stretch = 100; stretch >= 60; stretch -= 2) {
        font.setStretch(stretch);
        const QFontMetricsF metrics(font);
        qreal widest = 0;
        for (const char *line : TForm2::kMemoLines)
            widest = std::max(widest, metrics.horizontalAdvance(QString::fromUtf8(line)));
        if (widest <= available)
            break;
    }
    memo.setFont(font);
}

QLabel *label(QWidget *parent, const char *name, const QString &text, int left, int top)
{
    auto *l = new QLabel(text, parent);
    l->setObjectName(QLatin1String(name));
    l->setAutoFillBackground(true);
    l->adjustSize();
    l->move(left, top);
    return l;
}

} // namespace

TForm2::TForm2(QWidget *parent)
    : QDialog(parent,
        Qt::Dialog | Qt::WindowTitleHint | Qt::WindowSystemMenuHint | Qt::WindowCloseButtonHint
            | Qt::MSWindowsFixedSizeDialogHint)
{
    setObjectName(QStringLiteral("Form2"));
    setWindowTitle(QStringLiteral("Ayuda y Acerca de ..."));
    setFont(QFont(QStringLiteral("MS Sans Serif"), 8));
    setBackgroundRole(QPalette::Button);
    setFixedSize(427, 285);
    setModal(true);

    Memo1 = new QPlainTextEdit(this);
    Memo1->setObjectName(QStringLiteral("Memo1"));
    Memo1->setGeometry(8, 8, 409, 185);
    QStringList lines;
    for (const char *line : kMemoLines)
        lines << QString::fromUtf8(line);
    Memo1->setPlainText(lines.join(QLatin1Char('\n')));
    Memo1->setReadOnly(true);
    Memo1->setEnabled(false);
    Memo1->setLineWrapMode(QPlainTextEdit::WidgetWidth);
    Memo1->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    Memo1->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    fitLinesToWidth(*Memo1);
    QPalette memo = Memo1->palette();
    for (auto group : {QPalette::Active, QPalette::Inactive, QPalette::Disabled})
        memo.setColor(group, QPalette::Base, QColor(255, 255, 183));
    Memo1->setPalette(memo);

    Label1 = label(this, "Label1", QStringLiteral("Programado por"), 168, 200);
    // The credits are centred under "Programado por".
    const double centre = Label1->x() + Label1->width() / 2.0;
    QLabel **credits[] = {&Label2, &Label3, &Label4, &Label5};
    for (int i = 0; i < 4; ++i) {
        const Credit &c = kCredits[i];
        QLabel *l = label(this, c.name, QString::fromUtf8(c.text), 0, c.top);
        QFont bold = font();
        bold.setBold(true);
        l->setFont(bold);
        QPalette p = l->palette();
        // On the button-face window a label draws in the button-text role.
        p.setColor(l->foregroundRole(), QColor(c.color));
        l->setPalette(p);
        l->adjustSize();
        l->move(int(centre - l->width() / 2.0), c.top);
        *credits[i] = l;
    }
    Label8 = label(this, "Label8", QStringLiteral("Zarvik"), 360, 232);
    Label6 = label(this, "Label6", QStringLiteral("Beta 0.3"), 360, 248);
    Label7 = label(this, "Label7", QStringLiteral("07/07/05"), 360, 264);
}

int TForm2::ShowModal()
{
    if (const QScreen *screen = QGuiApplication::primaryScreen())
        move(screen->availableGeometry().center() - rect().center());
    return exec();
}

void TForm2::keyPressEvent(QKeyEvent *event)
{
    // The window has no buttons: no key of its own closes it (Alt+F4 still does).
    if (event->key() == Qt::Key_Escape) {
        event->accept();
        return;
    }
    QDialog::keyPressEvent(event);
}
