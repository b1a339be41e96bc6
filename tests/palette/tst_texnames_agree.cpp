// The editor turns TeX names into palette symbols as they are typed, from the palette's own table;
// the engine reads the same names in a pasted or opened text from its own. The editor may not link
// the engine, so the two tables are held to agree here.

#include "Palette.h"

#include "syntax/Lexer.h"
#include "syntax/TexNames.h"
#include "syntax/Text.h"

#include <QTest>

using namespace zv;

class TexNamesAgree : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void everyNameTheEditorTypesIsReadByTheEngineAsTheSameSymbol()
    {
        for (const PaletteRow &row : kPalette) {
            const std::u32string symbol = logic::decode(row.symbol, logic::Encoding::Utf8);
            const logic::Token bySymbol = logic::Lexer(symbol).next(0);
            // The whole symbol is one token of the language, or the language has no such symbol.
            const bool known = bySymbol.kind != logic::Tok::Bad
                && bySymbol.len == static_cast<int>(symbol.size());
            for (const char *name : row.texNames) {
                if (!name)
                    continue;
                const std::u32string typed = U"\\" + logic::decode(name, logic::Encoding::Utf8);
                const logic::Tok byName = logic::Lexer(typed).next(0).kind;
                const QByteArray what = QByteArray("\\") + name + " → " + row.symbol;
                if (known)
                    QVERIFY2(byName == bySymbol.kind, what.constData());
                else
                    QVERIFY2(byName == logic::Tok::Bad, what.constData());
            }
        }
    }

    void aNameBothTablesKnowNamesOneSymbol()
    {
        int shared = 0;
        for (const logic::TexName &t : logic::texNames()) {
            const QString name = QString::fromStdU32String(std::u32string(t.name));
            const PaletteRow *row = paletteRowForTexName(name);
            if (!row)
                continue;
            ++shared;
            const logic::Tok inEngine = logic::Lexer(std::u32string(1, t.symbol)).next(0).kind;
            const logic::Tok inEditor
                = logic::Lexer(logic::decode(row->symbol, logic::Encoding::Utf8)).next(0).kind;
            QVERIFY2(inEngine == inEditor, qPrintable(name));
        }
        QVERIFY(shared >= 15); // the tables were read, not two empty lists
    }
};

QTEST_APPLESS_MAIN(TexNamesAgree)
#include "tst_texnames_agree.moc"
