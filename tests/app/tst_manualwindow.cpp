// "Manual de Zarvik": reached from the menu bar by its own key, its contents drawn from the
// manual's headings, and a search field that walks through every place that holds its words.

#include "ManualWindow.h"
#include "Unit1.h"

#include "MainWindowFixture.h"

#include "platform/richedit/RichEdit.h"

#include <QAction>
#include <QFile>
#include <QLabel>
#include <QLineEdit>
#include <QMenuBar>
#include <QRegularExpression>
#include <QScrollBar>
#include <QTest>
#include <QTextBlock>
#include <QTextBrowser>
#include <QTreeWidget>

using namespace zv;

namespace {

// The headings of a Markdown text outside its code blocks, as "level title".
QStringList headingsOf(const QString &markdown)
{
    QStringList headings;
    bool code = false;
    static const QRegularExpression heading(QStringLiteral("^(#+) +(.*)$"));
    for (const QString &line : markdown.split(QLatin1Char('\n'))) {
        if (line.startsWith(QStringLiteral("```")))
            code = !code;
        const QRegularExpressionMatch m = heading.match(line);
        if (!code && m.hasMatch())
            headings << QString::number(m.captured(1).size()) + QLatin1Char(' ')
                    + m.captured(2).remove(QLatin1Char('`'));
    }
    return headings;
}

void collect(QTreeWidgetItem *item, int level, QStringList &out)
{
    out << QString::number(level) + QLatin1Char(' ') + item->text(0);
    for (int i = 0; i < item->childCount(); ++i)
        collect(item->child(i), level + 1, out);
}

QStringList contentsOf(const QTreeWidget &tree)
{
    QStringList out;
    for (int i = 0; i < tree.topLevelItemCount(); ++i)
        collect(tree.topLevelItem(i), 1, out);
    return out;
}

QTreeWidgetItem *itemNamed(const QTreeWidget &tree, const QString &text)
{
    const QList<QTreeWidgetItem *> found
        = tree.findItems(text, Qt::MatchExactly | Qt::MatchRecursive);
    return found.isEmpty() ? nullptr : found.first();
}

} // namespace

class TestManualWindow : public QObject, private test::MainWindowTest
{
    Q_OBJECT

private Q_SLOTS:
    void cleanup() { closeMainWindow(); }

    void theProgramCarriesTheManualOfTheSourceTree()
    {
        QFile source(qEnvironmentVariable("ZV_SOURCE_DIR") + QStringLiteral("/doc/manual.md"));
        QVERIFY(source.open(QIODevice::ReadOnly));
        QCOMPARE(ManualWindow::builtInManual(), QString::fromUtf8(source.readAll()));
    }

    void theContentsAreTheHeadingsNestedByLevel()
    {
        // Nested one level at a time in this manual; a skipped level goes under the nearest.
        const QString markdown = ManualWindow::builtInManual();
        ManualWindow window(nullptr, markdown);
        const QStringList expected = headingsOf(markdown);
        QVERIFY(expected.size() > 20);
        QCOMPARE(contentsOf(*window.manualContents()), expected);

        ManualWindow skipping(nullptr, QStringLiteral("# A\n\n### B\n\n## C\n\ntexto\n\n# D\n"));
        QCOMPARE(contentsOf(*skipping.manualContents()),
            QStringList({QStringLiteral("1 A"), QStringLiteral("2 B"), QStringLiteral("2 C"),
                QStringLiteral("1 D")}));
    }

    void choosingAHeadingShowsItAtTheTop()
    {
        ManualWindow window;
        window.show();
        QVERIFY(QTest::qWaitForWindowExposed(&window, 60000));
        QTreeWidget *tree = window.manualContents();
        QTreeWidgetItem *last = tree->topLevelItem(tree->topLevelItemCount() - 1);
        while (last->childCount() > 0)
            last = last->child(last->childCount() - 1);
        QTreeWidgetItem *rules = itemNamed(*tree, QStringLiteral("5.2 Las reglas"));
        QVERIFY(rules);
        for (QTreeWidgetItem *item : {rules, last, tree->topLevelItem(0)}) {
            Q_EMIT tree->itemActivated(item, 0);
            QTextBrowser *text = window.manualText();
            QCOMPARE(text->textCursor().block().text(), item->text(0));
            // The heading is in view, and near the top unless the manual ends first.
            const QRect caret = text->cursorRect();
            QVERIFY(text->viewport()->rect().contains(caret.center()));
            QVERIFY(caret.top() < text->viewport()->height() / 2
                || text->verticalScrollBar()->value() == text->verticalScrollBar()->maximum());
        }
    }

    void enterWalksThroughEveryPlaceAndGoesRound()
    {
        ManualWindow window(nullptr,
            QStringLiteral(
                "# Uno\n\nla regla MT\n\n## Dos\n\notra vez MT, y mt\n\n## Tres\n\nnada\n"));
        window.show();
        QVERIFY(QTest::qWaitForWindowExposed(&window, 60000));
        QLineEdit *search = window.manualSearch();
        QTextBrowser *text = window.manualText();
        search->setFocus();
        QTest::keyClicks(search, QStringLiteral("MT"));
        QList<int> places;
        for (int i = 0; i < 4; ++i) {
            QTest::keyClick(search, Qt::Key_Return);
            QCOMPARE(text->textCursor().selectedText().toUpper(), QStringLiteral("MT"));
            places << text->textCursor().selectionStart();
        }
        // Three places, in order, then the first again.
        QVERIFY(places[0] < places[1] && places[1] < places[2]);
        QCOMPARE(places[3], places[0]);
        // Shift+Enter goes back, round the start too.
        QTest::keyClick(search, Qt::Key_Return, Qt::ShiftModifier);
        QCOMPARE(text->textCursor().selectionStart(), places[2]);
        QTest::keyClick(search, Qt::Key_Return, Qt::ShiftModifier);
        QCOMPARE(text->textCursor().selectionStart(), places[1]);
        QVERIFY(search->hasFocus());

        // Words that are nowhere say so and leave the selection where it was.
        search->clear();
        QTest::keyClicks(search, QStringLiteral("cuantificador"));
        QTest::keyClick(search, Qt::Key_Return);
        QCOMPARE(text->textCursor().selectionStart(), places[1]);
        QCOMPARE(window.findChild<QLabel *>(QStringLiteral("manualSearchState"))->text(),
            QStringLiteral("No se encuentra"));
        QTest::keyClick(search, Qt::Key_Backspace);
        QVERIFY(window.findChild<QLabel *>(QStringLiteral("manualSearchState"))->text().isEmpty());
    }

    void itsOwnKeyOpensItAndF1StaysNuevoTexto()
    {
        QVERIFY(showMainWindow());
        m_form->activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(m_form.get(), 60000));
        QCOMPARE(m_form->ManualDeZarvik1->text(), QStringLiteral("Manual de Zarvik"));
        QCOMPARE(m_form->ManualDeZarvik1->shortcut(), QKeySequence(Qt::SHIFT | Qt::Key_F1));
        // No entry of the menus shares its key.
        for (QAction *action : m_form->findChildren<QAction *>())
            if (action != m_form->ManualDeZarvik1)
                QVERIFY(!action->shortcuts().contains(m_form->ManualDeZarvik1->shortcut()));

        QTest::keyClicks(m_edit, QStringLiteral("abc"));
        m_edit->setModified(false);
        QTest::keyClick(m_edit, Qt::Key_F1);
        QCOMPARE(m_edit->toPlainText(), QString());
        QVERIFY(!m_form->findChild<ManualWindow *>());

        QTest::keyClick(m_edit, Qt::Key_F1, Qt::ShiftModifier);
        auto *manual = m_form->findChild<ManualWindow *>();
        QVERIFY(manual);
        QVERIFY(QTest::qWaitForWindowExposed(manual, 60000));
        QCOMPARE(manual->windowTitle(), QStringLiteral("Manual de Zarvik"));
        QVERIFY(manual->manualText()->toPlainText().contains(QStringLiteral("Las reglas")));
        // Not modal: the document takes typing while the manual is open.
        QVERIFY(!manual->isModal());
        // Asked for again, the same window comes back as the reader left it.
        Q_EMIT manual->manualContents()->itemActivated(
            itemNamed(*manual->manualContents(), QStringLiteral("5.2 Las reglas")), 0);
        const int place = manual->manualText()->textCursor().position();
        manual->close();
        m_form->ManualDeZarvik1->trigger();
        QCOMPARE(m_form->findChildren<ManualWindow *>().size(), 1);
        QVERIFY(manual->isVisible());
        QCOMPARE(manual->manualText()->textCursor().position(), place);
    }
};

QTEST_MAIN(TestManualWindow)
#include "tst_manualwindow.moc"
