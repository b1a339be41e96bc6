#include "Palette.h"

#include "platform/codepages/CodePage.h"
#include "platform/format/TextFormat.h"
#include "platform/richedit/RichEdit.h"
#include "platform/widgets/SpeedButton.h"

#include <QAction>
#include <QCoreApplication>
#include <QKeyEvent>

#include <algorithm>

namespace zv {

// In the order of the toolbar. Faces equal the inserted bytes but for SpeedButton7.
// clang-format off
const PaletteRow kPalette[17] = {
    {3, 288, "\xAC", "Verdana", kAnsiCharset, "\xAC", "Verdana", false, true, nullptr,
     "Negación", "Inserta el signo de negación ¬", "¬", {"neg", "lnot"},
     &TForm1::SpeedButton3Click},
    {17, 312, "V", "Verdana", kAnsiCharset, "V", "Verdana", false, true, nullptr,
     "Disyunción", "Inserta el signo de disyunción V", "V", {"lor", "vee"},
     &TForm1::SpeedButton17Click},
    {18, 336, "&", "Verdana", kAnsiCharset, "&", "Verdana", false, true, nullptr,
     "Conjunción", "Inserta el signo de conjunción &", "&", {"land", "wedge"},
     &TForm1::SpeedButton18Click},
    {4, 360, "->", "Verdana", kAnsiCharset, "->", "Verdana", false, true, nullptr,
     "Condicional", "Inserta el signo del condicional ->", "->", {"to", "rightarrow"},
     &TForm1::SpeedButton4Click},
    {6, 384, "n", "Wingdings 3", kSymbolCharset, "n", "Wingdings 3", false, true, nullptr,
     "Bicondicional", "Inserta la flecha doble del bicondicional ↔", "↔",
     {"leftrightarrow", "bicond"}, &TForm1::SpeedButton6Click},
    {5, 408, "f", "Wingdings 3", kSymbolCharset, "f", "Wingdings 3", true, false, nullptr,
     "Flecha a la izquierda", "Inserta la flecha a la izquierda ←", "←", {"leftarrow", "gets"},
     &TForm1::SpeedButton5Click},
    {1, 432, "\x22", "Symbol", kSymbolCharset, "\x22", "Symbol", false, false, nullptr,
     "Para todo", "Inserta el cuantificador universal ∀", "∀", {"forall", nullptr},
     &TForm1::SpeedButton1Click},
    {2, 456, "\x24", "Symbol", kSymbolCharset, "\x24", "Symbol", false, false, nullptr,
     "Existe", "Inserta el cuantificador existencial ∃", "∃", {"exists", nullptr},
     &TForm1::SpeedButton2Click},
    {20, 480, "\xBA", "Symbol", kSymbolCharset, "\xBA", "Symbol", false, false, nullptr,
     "Equivalencia", "Inserta el signo de equivalencia ≡", "≡", {"equiv", nullptr},
     &TForm1::SpeedButton20Click},
    {16, 504, "T", "Verdana", kAnsiCharset, "T", "Verdana", false, false, nullptr,
     "Verdadero", "Inserta la constante verdadero T", "T", {"top", nullptr},
     &TForm1::SpeedButton16Click},
    {19, 528, "\x5E", "Symbol", kSymbolCharset, "\x5E", "Symbol", false, false, nullptr,
     "Falso", "Inserta la constante falso ⊥", "⊥", {"bot", nullptr},
     &TForm1::SpeedButton19Click},
    {7, 552, "\xFA", "Wingdings 2", kSymbolCharset, "\xA3", "Wingdings 2", false, false, nullptr,
     "Necesidad", "Inserta el operador modal de necesidad □", "□", {"Box", nullptr},
     &TForm1::SpeedButton7Click},
    {8, 576, "\xAF", "Wingdings 2", kSymbolCharset, "\xAF", "Wingdings 2", false, false, nullptr,
     "Posibilidad", "Inserta el operador modal de posibilidad ◇", "◇", {"Diamond", nullptr},
     &TForm1::SpeedButton8Click},
    {22, 600, "\xF7\x3D", "Symbol", kSymbolCharset, "\xF7\x3D", "Symbol", true, false, nullptr,
     "Consecuencia semántica", "Inserta el signo de consecuencia semántica ⊨",
     "⊨", {"models", nullptr},
     &TForm1::SpeedButton22Click},
    {23, 624, "\xF7\x2D", "Symbol", kSymbolCharset, "\xF7\x2D", "Symbol", true, false, nullptr,
     "Deducibilidad", "Inserta el signo de deducibilidad ⊢", "⊢", {"vdash", nullptr},
     &TForm1::SpeedButton23Click},
    {21, 648, "\xDE", "Symbol", kAnsiCharset, "\xDE", "Symbol", false, false, nullptr,
     "Implicación", "Inserta la flecha doble de implicación ⇒", "⇒", {"Rightarrow", "implies"},
     &TForm1::SpeedButton21Click},
    {15, 672, "\xDB", "Symbol", kSymbolCharset, "\xDB", "Symbol", false, false, "AYUDA",
     "Doble implicación", "Inserta la flecha doble de doble implicación ⇔",
     "⇔", {"Leftrightarrow", "iff"},
     &TForm1::SpeedButton15Click},
};
// clang-format on

const PaletteRow *paletteRowForTexName(QStringView name)
{
    for (const PaletteRow &row : kPalette)
        for (const char *texName : row.texNames)
            if (texName && name == QLatin1StringView(texName))
                return &row;
    return nullptr;
}

int longestTexName()
{
    static const int longest = [] {
        qsizetype n = 0;
        for (const PaletteRow &row : kPalette)
            for (const char *texName : row.texNames)
                n = std::max(n, texName ? qsizetype(qstrlen(texName)) : 0);
        return int(n);
    }();
    return longest;
}

QString paletteHint(const PaletteRow &row)
{
    QString names;
    for (const char *texName : row.texNames)
        if (texName)
            names += (names.isEmpty() ? QStringLiteral("\\") : QStringLiteral(" o \\"))
                + QLatin1StringView(texName);
    const QString hint = QString::fromUtf8(row.accessibleName) + QStringLiteral(" — ") + names;
    return row.hint ? QString::fromUtf8(row.hint) + QLatin1Char('\n') + hint : hint;
}

void dressPaletteButton(SpeedButton &button, const PaletteRow &row)
{
    const QString faceFont = QString::fromLatin1(row.faceFont);
    QFont face;
    face.setFamilies(displayFamilies(faceFont, row.faceCharset));
    face.setPointSize(10);
    face.setBold(true);
    button.setFont(face);
    const CodePage &page = CodePage::forFont(faceFont, row.faceCharset);
    QString caption = page.decode(row.face);
    // A face code at which the font has no glyph would show an empty button: show the symbol
    // that the button inserts instead.
    if (std::all_of(caption.cbegin(), caption.cend(),
            [](QChar c) { return c.unicode() >= 0xF000 && c.unicode() <= 0xF0FF; }))
        caption = page.decode(row.inserted);
    // "&&" draws one ampersand: a single one would be taken as a mnemonic marker.
    caption.replace(QLatin1Char('&'), QStringLiteral("&&"));
    button.setText(caption);
    button.setToolTip(paletteHint(row));
    button.setAccessibleName(QString::fromUtf8(row.accessibleName));
    button.setAccessibleDescription(QString::fromUtf8(row.description));
}

} // namespace zv

namespace {

const zv::PaletteRow &row(int number)
{
    for (const zv::PaletteRow &r : zv::kPalette)
        if (r.number == number)
            return r;
    Q_UNREACHABLE();
}

} // namespace

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

bool TForm1::eventFilter(QObject *watched, QEvent *event)
{
    // A program is a formula a paragraph: in program mode Shift+Enter starts a paragraph, so
    // that what the user sees as two lines reaches the interpreter as two.
    if (watched == RichEdit1 && event->type() == QEvent::KeyPress && speedButton(27)->isEnabled()) {
        const auto *key = static_cast<QKeyEvent *>(event);
        if (key->matches(QKeySequence::InsertLineSeparator)) {
            QKeyEvent plain(QEvent::KeyPress, key->key(), key->modifiers() & ~Qt::ShiftModifier,
                QStringLiteral("\r"));
            QCoreApplication::sendEvent(RichEdit1, &plain);
            return true;
        }
    }
    if (filterKeyboard(watched, event))
        return true;
    return QMainWindow::eventFilter(watched, event);
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
