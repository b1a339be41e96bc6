// The symbol palette of the main window: the buttons' handlers, each inserting its row of the
// table, and the modes that enable them.
#include "Unit1.h"

#include "Palette.h"

#include "platform/codepages/CodePage.h"
#include "platform/richedit/RichEdit.h"
#include "platform/widgets/SpeedButton.h"

#include <QAction>

namespace {

const zv::PaletteRow &row(int number)
{
    for (const zv::PaletteRow &r : zv::kPalette)
        if (r.number == number)
            return r;
    Q_UNREACHABLE();
}

} // namespace

TForm1::Handler TForm1::paletteHandler(const zv::PaletteRow &row)
{
    switch (row.number) {
    case 1: return &TForm1::SpeedButton1Click;
    case 2: return &TForm1::SpeedButton2Click;
    case 3: return &TForm1::SpeedButton3Click;
    case 4: return &TForm1::SpeedButton4Click;
    case 5: return &TForm1::SpeedButton5Click;
    case 6: return &TForm1::SpeedButton6Click;
    case 7: return &TForm1::SpeedButton7Click;
    case 8: return &TForm1::SpeedButton8Click;
    case 15: return &TForm1::SpeedButton15Click;
    case 16: return &TForm1::SpeedButton16Click;
    case 17: return &TForm1::SpeedButton17Click;
    case 18: return &TForm1::SpeedButton18Click;
    case 19: return &TForm1::SpeedButton19Click;
    case 20: return &TForm1::SpeedButton20Click;
    case 21: return &TForm1::SpeedButton21Click;
    case 22: return &TForm1::SpeedButton22Click;
    case 23: return &TForm1::SpeedButton23Click;
    }
    Q_UNREACHABLE();
}

void TForm1::InsertSymbol(const zv::PaletteRow &symbol)
{
    const int start = RichEdit1->selStart();
    RichEdit1->setSelLength(0);
    CurrentSymbolFont = QString::fromLatin1(symbol.font);
    RichEdit1->setSelFaceName(CurrentSymbolFont);
    if (symbol.setsSymbolCharset)
        RichEdit1->setSelCharset(zv::kSymbolCharset);
    RichEdit1->replaceSel(RichEdit1->selText() + symbol.insertedBytes());
    RichEdit1->setSelStart(start + symbol.advance());
    RichEdit1->setSelFaceName(QStringLiteral("Verdana"));
}

void TForm1::EnterTextMode()
{
    for (const zv::PaletteRow &r : zv::kPalette)
        if (!r.inProgramMode || r.number == 6)
            speedButton(r.number)->setEnabled(true);
    speedButton(27)->setEnabled(false);
    CompilarPrograma1->setEnabled(false);
}

void TForm1::EnterProgramMode()
{
    // SpeedButton6 is left as it is: nothing ever disables it.
    for (const zv::PaletteRow &r : zv::kPalette)
        if (!r.inProgramMode)
            speedButton(r.number)->setEnabled(false);
    speedButton(27)->setEnabled(true);
    CompilarPrograma1->setEnabled(true);
}

void TForm1::SpeedButton1Click(QObject *)
{
    InsertSymbol(row(1));
}
void TForm1::SpeedButton2Click(QObject *)
{
    InsertSymbol(row(2));
}
void TForm1::SpeedButton3Click(QObject *)
{
    InsertSymbol(row(3));
}
void TForm1::SpeedButton4Click(QObject *)
{
    InsertSymbol(row(4));
}
void TForm1::SpeedButton5Click(QObject *)
{
    InsertSymbol(row(5));
}
void TForm1::SpeedButton6Click(QObject *)
{
    InsertSymbol(row(6));
}
void TForm1::SpeedButton7Click(QObject *)
{
    InsertSymbol(row(7));
}
void TForm1::SpeedButton8Click(QObject *)
{
    InsertSymbol(row(8));
}
void TForm1::SpeedButton15Click(QObject *)
{
    InsertSymbol(row(15));
}
void TForm1::SpeedButton16Click(QObject *)
{
    InsertSymbol(row(16));
}
void TForm1::SpeedButton17Click(QObject *)
{
    InsertSymbol(row(17));
}
void TForm1::SpeedButton18Click(QObject *)
{
    InsertSymbol(row(18));
}
void TForm1::SpeedButton19Click(QObject *)
{
    InsertSymbol(row(19));
}
void TForm1::SpeedButton20Click(QObject *)
{
    InsertSymbol(row(20));
}
void TForm1::SpeedButton21Click(QObject *)
{
    InsertSymbol(row(21));
}
void TForm1::SpeedButton22Click(QObject *)
{
    InsertSymbol(row(22));
}
void TForm1::SpeedButton23Click(QObject *)
{
    InsertSymbol(row(23));
}
