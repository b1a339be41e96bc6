// The formatting and clipboard commands: the style toggles, the font and background dialogs and
// the "Editar" menu.
#include "Unit1.h"

#include "platform/format/TextFormat.h"
#include "platform/richedit/RichEdit.h"
#include "platform/widgets/SpeedButton.h"

namespace {

struct StyleToggle
{
    unsigned char flag;
    unsigned char mask;
};

constexpr StyleToggle kBold{zv::fmt::Bold, 0xFE};
constexpr StyleToggle kUnderline{zv::fmt::Underline, 0xFB};
constexpr StyleToggle kItalic{zv::fmt::Italic, 0xFD};

// The toggle's look is its only memory: the style of the text never decides, and the whole
// style byte is written back so a mixed selection ends with the flags the control reported.
void toggleStyle(zv::SpeedButton &button, zv::RichEdit &edit, const StyleToggle &toggle)
{
    const unsigned char style = edit.selStyle();
    if (!button.isFlat()) {
        edit.setSelStyle(style | toggle.flag);
        button.setFlat(true);
    } else {
        edit.setSelStyle(style & toggle.mask);
        button.setFlat(false);
    }
}

} // namespace

void TForm1::SpeedButton24Click(QObject *)
{
    toggleStyle(*speedButton(24), *RichEdit1, kBold);
}
void TForm1::SpeedButton25Click(QObject *)
{
    toggleStyle(*speedButton(25), *RichEdit1, kUnderline);
}
void TForm1::SpeedButton26Click(QObject *)
{
    toggleStyle(*speedButton(26), *RichEdit1, kItalic);
}

void TForm1::Fuentes1Click(QObject *)
{
    // The dialog's first font; the automatic colour is the window-text colour.
    if (FontDialog1.face.isEmpty()) {
        FontDialog1 = zv::FontChoice{};
        FontDialog1.face = QStringLiteral("MS Sans Serif");
        FontDialog1.pointSize = 8;
    }
    FontDialog1.colorPicked = false;
    const std::optional<zv::FontChoice> chosen = zv::dialogs().chooseFont(this, FontDialog1);
    if (!chosen)
        return;
    const QColor color = chosen->colorPicked ? chosen->color : FontDialog1.color;
    FontDialog1 = *chosen;
    FontDialog1.color = color;
    FontDialog1.colorPicked = false;

    // The character set stays: a symbol face on text keeps that text's bytes.
    RichEdit1->setSelColor(color);
    RichEdit1->setSelFaceName(chosen->face);
    RichEdit1->setSelSize(chosen->pointSize);
    unsigned char style = 0;
    if (chosen->bold)
        style |= zv::fmt::Bold;
    if (chosen->italic)
        style |= zv::fmt::Italic;
    if (chosen->underline)
        style |= zv::fmt::Underline;
    if (chosen->strikeOut)
        style |= zv::fmt::StrikeOut;
    RichEdit1->setSelStyle(style);
}

void TForm1::Fondo1Click(QObject *)
{
    const std::optional<QColor> chosen
        = zv::dialogs().chooseColor(this, ColorDialog1, ColorDialog1CustomColors);
    if (!chosen)
        return;
    ColorDialog1 = *chosen;
    RichEdit1->setBackgroundColor(*chosen);
}

void TForm1::SeleccionatTodo1Click(QObject *)
{
    RichEdit1->selectAll();
}
void TForm1::Cortar1Click(QObject *)
{
    RichEdit1->cut();
}
void TForm1::Copiar1Click(QObject *)
{
    RichEdit1->copy();
}
void TForm1::Pegar1Click(QObject *)
{
    RichEdit1->paste();
}
void TForm1::Borrar1Click(QObject *)
{
    RichEdit1->deleteSelection();
}
