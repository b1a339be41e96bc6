// What Ctrl+Enter checks with nothing selected: the piece of work that holds the caret's line,
// with the exercise above it, or else the caret's line alone.

#include "check/CheckedPiece.h"

#include <QTest>
#include <QTextCursor>
#include <QTextDocument>

using namespace zv;

namespace {

// The text that a check from the start of line @p line (counted from 1) covers.
QString checked(const QString &text, int line, int column = 0)
{
    QTextDocument document;
    document.setPlainText(text);
    const QStringList lines = text.split(QLatin1Char('\n'));
    int position = column;
    for (int i = 0; i < line - 1; ++i)
        position += int(lines[i].size()) + 1;
    const auto [from, to] = pieceAround(document, position);
    QTextCursor cursor(&document);
    cursor.setPosition(from);
    cursor.setPosition(to, QTextCursor::KeepAnchor);
    return cursor.selectedText().replace(QChar::ParagraphSeparator, QLatin1Char('\n'));
}

const QString kDerivation = QStringLiteral("Hoja 2\n"
                                           "\n"
                                           "p → q ⊢ q → p\n"
                                           "1. p → q :PR\n"
                                           "    2. q :AS\n"
                                           "    3. p :R 1\n"
                                           "4. q → p :→I 2-3\n"
                                           "\n"
                                           "r ∨ ¬r");

} // namespace

class TestCheckedPiece : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void aDerivationOrTreeIsCheckedWholeUnderItsExercise()
    {
        const QString whole = kDerivation.section(QLatin1Char('\n'), 2, 6);
        for (int line = 4; line <= 7; ++line)
            QCOMPARE(checked(kDerivation, line, 3), whole);
        // A tree: branches split by "--", closed by ✕ or left open by ○.
        const QString tree = QStringLiteral("sistema: K\n"
                                            "p ∨ q ⊨ p\n"
                                            "1. p ∨ q :PR\n"
                                            "2. ¬p :NC\n"
                                            "    3. p :1\n"
                                            "    4. ✕ :2, 3\n"
                                            "--\n"
                                            "    5. q :1\n"
                                            "    6. ○");
        const QString trunk = tree; // the system too, which the tree is checked in
        QCOMPARE(checked(tree, 7), trunk);
        QCOMPARE(checked(tree, 9), trunk);
        QCOMPARE(checked(tree, 3), trunk);
    }

    void aTableOrAModelIsCheckedWholeUnderItsExercise()
    {
        const QString table = QStringLiteral("p → q, ¬q ⊨ ¬p\n"
                                             "p | q | p → q\n"
                                             "--|---|------\n"
                                             "V | V | V\n"
                                             "F | F | V\n"
                                             "\n"
                                             "p | q");
        QCOMPARE(checked(table, 4), table.section(QLatin1Char('\n'), 0, 4));
        QCOMPARE(checked(table, 7), QStringLiteral("p | q")); // one line with "|": a formula

        const QString model = QStringLiteral("∀x(Fx → Gx), Ga ⊨ Fa\n"
                                             "Contramodelo:\n"
                                             "Dominio: {1, 2}\n"
                                             "a: 1\n"
                                             "G: {1, 2}\n"
                                             "Respuesta: no válido");
        const QString shown = model.section(QLatin1Char('\n'), 0, 5);
        QCOMPARE(checked(model, 2), shown);
        QCOMPARE(checked(model, 4), shown);
    }

    void anyOtherLineIsCheckedAlone()
    {
        QCOMPARE(checked(kDerivation, 3), QStringLiteral("p → q ⊢ q → p"));
        QCOMPARE(checked(kDerivation, 9), QStringLiteral("r ∨ ¬r"));
        QCOMPARE(checked(kDerivation, 1), QStringLiteral("Hoja 2"));
        // Numbered exercises are no derivation, and an entry with no model heading no model.
        const QString list = QStringLiteral("1. p ∨ ¬p\n2. p ∧ ¬p\na = b\n--\nDominio: {1}");
        QCOMPARE(checked(list, 1), QStringLiteral("1. p ∨ ¬p"));
        QCOMPARE(checked(list, 3), QStringLiteral("a = b"));
        QCOMPARE(checked(list, 4), QStringLiteral("--"));
        QCOMPARE(checked(list, 5), QStringLiteral("Dominio: {1}"));
    }

    void softLineBreaksCountAsLines()
    {
        QTextDocument document;
        const QString sep(QChar::LineSeparator);
        document.setPlainText(QStringLiteral("p ⊢ p") + sep + QStringLiteral("1. p :PR") + sep
            + QStringLiteral("2. p :R 1\nq"));
        const auto [from, to] = pieceAround(document, 8);
        QCOMPARE(from, 0);
        QCOMPARE(to, int(QStringLiteral("p ⊢ p 1. p :PR 2. p :R 1").size()));
        const auto [qFrom, qTo] = pieceAround(document, to + 1);
        QCOMPARE(qTo - qFrom, 1);
    }
};

QTEST_GUILESS_MAIN(TestCheckedPiece)
#include "tst_checkedpiece.moc"
