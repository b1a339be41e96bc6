// What leaves Zarvik as LaTeX, PDF, HTML and text is the document as the user sees it.

#include "Unit1.h"
#include "check/CheckWindow.h"

#include "FakeDialogs.h"
#include "MainWindowFixture.h"

#include "platform/format/ReadableText.h"
#include "platform/format/TextFormat.h"
#include "platform/richedit/RichEdit.h"
#include "platform/widgets/SpeedButton.h"

#include <QAction>
#include <QApplication>
#include <QClipboard>
#include <QImage>
#include <QMimeData>
#include <QProcess>
#include <QRegularExpression>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTest>

using namespace zv;

namespace {

// Runs @p program; its standard output, or a null string when it failed.
QString run(const QString &program, const QStringList &arguments, const QString &folder = {})
{
    QProcess process;
    process.setWorkingDirectory(folder);
    process.start(program, arguments);
    if (!process.waitForFinished(120000) || process.exitCode() != 0)
        return {};
    return QString::fromUtf8(process.readAllStandardOutput());
}

// The first of @p files (LaTeX packages) that TeX cannot find, or an empty string.
QString missingTex(const QStringList &files)
{
    for (const QString &f : files)
        if (run(QStringLiteral("kpsewhich"), {f}).trimmed().isEmpty())
            return f;
    return {};
}

} // namespace

class TestExport : public QObject, private test::MainWindowTest
{
    Q_OBJECT

private Q_SLOTS:
    void init() { QVERIFY(showMainWindow()); }

    void cleanup() { closeMainWindow(); }

    void everyPaletteSymbolReadsAsItIsShownAndCopiesInOneMathSpan_data()
    {
        QTest::addColumn<int>("button");
        QTest::addColumn<QString>("before");
        QTest::addColumn<QString>("shown");
        QTest::addColumn<QString>("after");
        QTest::addColumn<QString>("latex");
        const struct
        {
            int button;
            const char *before, *shown, *after, *latex;
        } rows[] = {
            {3, "", "¬", "p", "$\\neg p$"},
            {17, "p ", "V", " q", "$p \\lor q$"},
            {18, "p ", "&", " q", "$p \\land q$"},
            {4, "p ", "->", " q", "$p \\to q$"},
            {6, "p ", "↔", " q", "$p \\leftrightarrow q$"},
            {5, "p ", "←", " q", "$p \\leftarrow q$"},
            {1, "", "∀", "x Fx", "$\\forall x Fx$"},
            {2, "", "∃", "x Fx", "$\\exists x Fx$"},
            {20, "p ", "≡", " q", "$p \\equiv q$"},
            {16, "p V ", "T", "", "$p \\lor \\top$"},
            {19, "p V ", "⊥", "", "$p \\lor \\bot$"},
            {7, "", "□", "p", "$\\Box p$"},
            {8, "", "◇", "p", "$\\Diamond p$"},
            {22, "p ", "⊨", " q", "$p \\models q$"},
            {23, "p ", "⊢", " q", "$p \\vdash q$"},
            {21, "p ", "⇒", " q", "$p \\Rightarrow q$"},
            {15, "p ", "⇔", " q", "$p \\Leftrightarrow q$"},
        };
        for (const auto &r : rows)
            QTest::newRow(r.shown)
                << r.button << QString::fromUtf8(r.before) << QString::fromUtf8(r.shown)
                << QString::fromUtf8(r.after) << QString::fromUtf8(r.latex);
    }

    void everyPaletteSymbolReadsAsItIsShownAndCopiesInOneMathSpan()
    {
        QFETCH(int, button);
        QFETCH(QString, before);
        QFETCH(QString, shown);
        QFETCH(QString, after);
        QFETCH(QString, latex);
        QTest::keyClicks(m_edit, before);
        m_form->speedButton(button)->click();
        QTest::keyClicks(m_edit, after);
        const int end = m_edit->document()->characterCount() - 1;
        QCOMPARE(readableSpan(*m_edit->document(), 0, end).text, before + shown + after);

        m_form->SeleccionatTodo1->trigger();
        m_form->CopiarComoLatex1->trigger();
        const QMimeData *data = QApplication::clipboard()->mimeData();
        // Both forms say what the preamble needs: amssymb for the modal signs alone.
        const bool amssymb
            = latex.contains(QLatin1String("Box")) || latex.contains(QLatin1String("Diamond"));
        const QString pasted
            = (amssymb ? QStringLiteral("% \\usepackage{amssymb}\n") : QString()) + latex;
        QCOMPARE(data->text(), pasted);
        QCOMPARE(QString::fromUtf8(data->data(QStringLiteral("text/x-tex"))), pasted);
    }

    void theSeventeenSymbolsCopiedCompileToMathItalicLettersAndTheirSigns()
    {
        if (QStandardPaths::findExecutable(QStringLiteral("pdflatex")).isEmpty()
            || QStandardPaths::findExecutable(QStringLiteral("pdffonts")).isEmpty())
            QSKIP("pdflatex or poppler-utils is not installed; the copy was not compiled");
        // One formula a line, each with one of the palette's signs, as a student types them.
        const struct
        {
            int button;
            const char *before, *after;
        } lines[] = {{3, "", "p"}, {17, "p ", " q"}, {18, "p ", " q"}, {4, "p ", " q"},
            {6, "p ", " q"}, {5, "p ", " q"}, {1, "", "x Fx"}, {2, "", "x Fx"}, {20, "p ", " q"},
            {16, "p V ", ""}, {19, "p V ", ""}, {7, "", "p"}, {8, "", "p"}, {22, "p ", " q"},
            {23, "p ", " q"}, {21, "p ", " q"}, {15, "p ", " q"}};
        for (const auto &l : lines) {
            QTest::keyClicks(m_edit, QString::fromUtf8(l.before));
            m_form->speedButton(l.button)->click();
            QTest::keyClicks(m_edit, QString::fromUtf8(l.after));
            QTest::keyClick(m_edit, Qt::Key_Return);
        }
        m_form->SeleccionatTodo1->trigger();
        m_form->CopiarComoLatex1->trigger();
        QString copied = QApplication::clipboard()->text();
        // The preamble the comment asks for, and nothing else.
        QVERIFY(copied.startsWith(QStringLiteral("% \\usepackage{amssymb}\n")));
        copied.remove(0, 2);
        QTemporaryDir folder;
        QFile tex(folder.filePath(QStringLiteral("copia.tex")));
        QVERIFY(tex.open(QIODevice::WriteOnly));
        tex.write(QStringLiteral("\\documentclass{article}\n%1\\pagestyle{empty}\n\\begin{document}"
                                 "\n%2\n\\end{document}\n")
                      .arg(copied.section(QLatin1Char('\n'), 0, 0) + QLatin1Char('\n'),
                          copied.section(QLatin1Char('\n'), 1))
                      .toUtf8());
        tex.close();
        QVERIFY(!run(QStringLiteral("pdflatex"),
            {QStringLiteral("-interaction=nonstopmode"), QStringLiteral("-halt-on-error"),
                tex.fileName()},
            folder.path())
                     .isNull());
        const QString pdf = folder.filePath(QStringLiteral("copia.pdf"));
        const QString fonts = run(QStringLiteral("pdffonts"), {pdf});
        // The letters in math italic, the signs from the math symbol fonts; outside the math
        // spans nothing is left to set in a text font.
        QVERIFY2(fonts.contains(QLatin1String("CMMI10")), qPrintable(fonts));
        QVERIFY2(fonts.contains(QLatin1String("CMSY10")), qPrintable(fonts));
        QVERIFY2(fonts.contains(QLatin1String("MSAM10")), qPrintable(fonts));
        QCOMPARE(copied.section(QLatin1Char('\n'), 1)
                     .remove(QRegularExpression(QStringLiteral("\\$[^$]+\\$")))
                     .trimmed(),
            QString());
        const QString text = run(QStringLiteral("pdftotext"), {pdf, QStringLiteral("-")});
        for (const char *sign : {"¬p", "p∨q", "p∧q", "p→q", "p↔q", "p←q", "∀xFx", "∃xFx", "p≡q",
                 "p∨⊤", "p∨⊥", "□p", "♢p", "p|=q", "p⊢q", "p⇒q", "p⇔q"})
            QVERIFY2(QString(text).remove(QLatin1Char(' ')).contains(QString::fromUtf8(sign)),
                qPrintable(QString::fromUtf8(sign) + QStringLiteral(" in ") + text));
    }

    void pastedUnicodeReadsAsPastedWithTurnstilesOverTheirTwoBytes()
    {
        const QString pasted = QStringLiteral("∀x(Fx → Gx), Fa ⊨ Ga\n□p ⊢ ◇p ∧ ¬q ∨ r");
        QApplication::clipboard()->setText(pasted);
        m_form->Pegar1->trigger();
        const ReadableSpan span = readableSpan(*m_edit->document(), 0, 100);
        QCOMPARE(span.text, pasted);
        QCOMPARE(span.range(1, 17), std::pair(16, 18)); // ⊨
        QCOMPARE(span.range(1, 19), std::pair(19, 20)); // the G after it
        QCOMPARE(span.range(2, 4), std::pair(25, 27));  // ⊢
        QCOMPARE(span.range(1, 21), std::pair(21, 21)); // the end of the line
        QCOMPARE(span.range(3, 1), std::pair(-1, -1));

        // Read a paragraph at a time, as a long check reads it, it is the same span.
        ReadableSpan pieces;
        const int second = m_edit->document()->lastBlock().position();
        pieces.append(readableSpan(*m_edit->document(), 0, second));
        pieces.append(readableSpan(*m_edit->document(), second, 100));
        QCOMPARE(pieces.text, span.text);
        QCOMPARE(pieces.at, span.at);
        QCOMPARE(pieces.lineStarts, span.lineStarts);
        QCOMPARE(pieces.range(2, 4), std::pair(25, 27));

        m_form->SeleccionatTodo1->trigger();
        m_form->CopiarComoLatex1->trigger();
        QCOMPARE(QApplication::clipboard()->text(),
            QStringLiteral("% \\usepackage{amssymb}\n"
                           "$\\forall x(Fx \\to Gx), Fa \\models Ga$\n\n"
                           "$\\Box p \\vdash \\Diamond p \\land \\neg q \\lor r$"));
    }

    void latexEscapesTextAndTellsFormulasFromProse()
    {
        m_edit->replaceSel("Cap\xEDtulo V: 50% de $3 & #1, a_b {x} ~^\\ -- <a|b>\r\n"
                           "p V q, T -> r, (p & q) V T, pV\xACq, Smith & Jones, IVA, sistema T\r\n"
                           "negrita y cursiva");
        const int third = m_edit->document()->lastBlock().position();
        m_edit->setSelStart(third);
        m_edit->setSelLength(7);
        m_edit->setSelStyle(fmt::Bold);
        m_edit->setSelStart(third + 10);
        m_edit->setSelLength(7);
        m_edit->setSelStyle(fmt::Bold | fmt::Italic);
        m_form->SeleccionatTodo1->trigger();
        m_form->CopiarComoLatex1->trigger();
        QCOMPARE(QApplication::clipboard()->text(),
            QStringLiteral("Capítulo V: 50\\% de \\$3 \\& \\#1, a\\_b \\{x\\} "
                           "\\textasciitilde{}\\textasciicircum{}\\textbackslash{} -\\kern0pt{}- "
                           "\\textless{}a\\textbar{}b\\textgreater{}\n\n"
                           "$p \\lor q, \\top \\to r, (p \\land q) \\lor \\top, p\\lor\\neg q$, "
                           "Smith \\& Jones, IVA, sistema T\n\n"
                           "\\textbf{negrita} y \\textbf{\\textit{cursiva}}"));
    }

    void latexExportCompilesWithPdflatexAndLualatex_data()
    {
        QTest::addColumn<QString>("engine");
        QTest::newRow("pdflatex") << QStringLiteral("pdflatex");
        QTest::newRow("lualatex") << QStringLiteral("lualatex");
    }

    void latexExportCompilesWithPdflatexAndLualatex()
    {
        QFETCH(QString, engine);
        if (const QString missing
            = missingTex({QStringLiteral("ulem.sty"), QStringLiteral("xcolor.sty")});
            !missing.isEmpty())
            QSKIP(
                qPrintable(missing + QStringLiteral(" is not installed (texlive-plain-generic)")));
        if (QStandardPaths::findExecutable(engine).isEmpty())
            QSKIP(qPrintable(engine
                + QStringLiteral(" is not installed (texlive); the export "
                                 "was not compiled")));
        for (const int n : {3, 17, 18, 4, 6, 5, 1, 2, 20, 16, 19, 7, 8, 22, 23, 21, 15}) {
            m_form->speedButton(n)->click();
            QTest::keyClicks(m_edit, "p ");
        }
        m_edit->replaceSel("\r\nL\xF3gica: \xBFv\xE1lido? \xF1\xFC \xAB\xBB 50% $ & # _ { } ~ ^ \\"
                           "\r\n\r\n\xA0-- \"x\"\r\n"
                           "?` !` a--b c---d \"e\" 'f' `g ,,h <<i>>\r\n");
        m_edit->setSelStart(0);
        m_edit->setSelLength(3);
        m_edit->setSelStyle(fmt::Bold | fmt::Italic);
        QTemporaryDir folder;
        const QString tex = folder.filePath(QStringLiteral("apuntes.tex"));
        m_dialogs->queueSaveFile(tex);
        m_form->Exportar1->trigger();
        QVERIFY(m_dialogs->errors().isEmpty());
        const QString log = run(engine,
            {QStringLiteral("-interaction=nonstopmode"), QStringLiteral("-halt-on-error"), tex},
            folder.path());
        QVERIFY2(!log.isNull(), qPrintable(log));
        const QString text = run(QStringLiteral("pdftotext"),
            {folder.filePath(QStringLiteral("apuntes.pdf")), QStringLiteral("-")});
        QVERIFY2(text.contains(QStringLiteral("Lógica: ¿válido? ñü «» 50% $ & # _ { } ~ ^ \\")),
            qPrintable(text));
        // Each character as itself: no TeX ligature makes a sign of two.
        QVERIFY2(text.contains(QStringLiteral("?` !` a--b c---d \"e\" 'f' `g ,,h <<i>>")),
            qPrintable(text));
    }

    void latexExportKeepsUnderlineColourSizeAndFace_data()
    {
        QTest::addColumn<QString>("engine");
        QTest::newRow("pdflatex") << QStringLiteral("pdflatex");
        QTest::newRow("lualatex") << QStringLiteral("lualatex");
    }

    void latexExportKeepsUnderlineColourSizeAndFace()
    {
        QFETCH(QString, engine);
        if (const QString missing
            = missingTex({QStringLiteral("ulem.sty"), QStringLiteral("xcolor.sty")});
            !missing.isEmpty())
            QSKIP(
                qPrintable(missing + QStringLiteral(" is not installed (texlive-plain-generic)")));
        if (QStandardPaths::findExecutable(engine).isEmpty()
            || QStandardPaths::findExecutable(QStringLiteral("pdftoppm")).isEmpty())
            QSKIP(qPrintable(engine + QStringLiteral(" or poppler-utils is not installed")));
        m_edit->replaceSel("texto corriente del documento en su letra ");
        const int from = m_edit->selStart();
        m_edit->replaceSel("subrayado");
        m_edit->setSelStart(from);
        m_edit->setSelLength(9);
        m_edit->setSelStyle(fmt::Underline);
        m_edit->setSelColor(QColor(255, 0, 0));
        m_edit->setSelSize(14);
        m_edit->setSelFaceName(QStringLiteral("Courier New"));
        QTemporaryDir folder;
        const QString tex = folder.filePath(QStringLiteral("formato.tex"));
        m_dialogs->queueSaveFile(tex);
        m_form->Exportar1->trigger();
        QFile file(tex);
        QVERIFY(file.open(QIODevice::ReadOnly));
        const QString source = QString::fromUtf8(file.readAll());
        QVERIFY2(source.contains(QStringLiteral("{\\fontsize{14}{16.8}\\selectfont\\ttfamily "
                                                "\\textcolor[RGB]{255,0,0}{\\uline{subrayado}}}")),
            qPrintable(source));
        QVERIFY2(
            !run(engine,
                {QStringLiteral("-interaction=nonstopmode"), QStringLiteral("-halt-on-error"), tex},
                folder.path())
                 .isNull(),
            qPrintable(source));
        const QString pdf = folder.filePath(QStringLiteral("formato.pdf"));

        // 14 points against the document's own size, in a typewriter face.
        const QString boxes
            = run(QStringLiteral("pdftotext"), {QStringLiteral("-bbox"), pdf, QStringLiteral("-")});
        const auto box = [&](const QString &word) {
            const QRegularExpression re(QStringLiteral(
                R"re(<word xMin="([\d.]+)" yMin="([\d.]+)" xMax="([\d.]+)" yMax="([\d.]+)">%1<)re")
                                            .arg(word));
            const QRegularExpressionMatch m = re.match(boxes);
            return QRectF(QPointF(m.captured(1).toDouble(), m.captured(2).toDouble()),
                QPointF(m.captured(3).toDouble(), m.captured(4).toDouble()));
        };
        const QRectF big = box(QStringLiteral("subrayado")), small = box(QStringLiteral("texto"));
        QVERIFY2(!big.isEmpty() && !small.isEmpty(), qPrintable(boxes));
        QVERIFY2(big.height() > small.height() * 1.25, qPrintable(boxes));
        QVERIFY(run(QStringLiteral("pdffonts"), {pdf}).contains(QStringLiteral("Mono")));

        // Red, and a red rule under the word as long as the word.
        QProcess::execute(QStringLiteral("pdftoppm"),
            {QStringLiteral("-r"), QStringLiteral("100"), QStringLiteral("-png"),
                QStringLiteral("-singlefile"), pdf, folder.filePath(QStringLiteral("pagina"))});
        const QImage page(folder.filePath(QStringLiteral("pagina.png")));
        QVERIFY(!page.isNull());
        int longest = 0;
        for (int y = 0; y < page.height(); ++y) {
            int run = 0;
            for (int x = 0; x < page.width(); ++x) {
                const QColor c = page.pixelColor(x, y);
                run = c.red() > 150 && c.green() < 110 && c.blue() < 110 ? run + 1 : 0;
                longest = std::max(longest, run);
            }
        }
        QVERIFY2(longest > big.width() * 100 / 72 * 0.8, qPrintable(QString::number(longest)));
    }

    void pdfExportCarriesTheSymbolsWithinTwoCentimetresInEmbeddedFonts()
    {
        if (QStandardPaths::findExecutable(QStringLiteral("pdftotext")).isEmpty())
            QSKIP("pdftotext (poppler-utils) is not installed");
        for (int n : {1, 22, 23}) {
            m_form->speedButton(n)->click();
            QTest::keyClicks(m_edit, "x ");
        }
        // "fi" would come out as one ligature glyph, which no search or copy finds as "fi".
        m_edit->replaceSel(QByteArray("\r\n") + QByteArray("definida ").repeated(80));
        QTemporaryDir folder;
        const QString pdf = folder.filePath(QStringLiteral("apuntes.pdf"));
        m_dialogs->queueSaveFile(pdf);
        m_form->Exportar1->trigger();
        // The check window's text exports the same way.
        zv::CheckWindow window;
        window.showAnswer(QStringLiteral("Argumento válido\n1\t∀x Fx\tpremisa ⊨"));
        const QString answer = folder.filePath(QStringLiteral("respuesta.pdf"));
        m_dialogs->queueSaveFile(answer);
        window.exportPdfAction->trigger();
        QVERIFY(m_dialogs->errors().isEmpty());

        const QString text = run(QStringLiteral("pdftotext"), {pdf, QStringLiteral("-")});
        QVERIFY2(text.startsWith(QStringLiteral("∀x ⊨x ⊢x")), qPrintable(text));
        QCOMPARE(text.count(QStringLiteral("definida")), 80);
        QVERIFY(!text.contains(QChar(0xFE00)) && !text.contains(QChar(0xFE01)));
        QVERIFY(run(QStringLiteral("pdftotext"), {answer, QStringLiteral("-")})
                    .contains(QStringLiteral("∀x Fx")));

        // A4, and no word within 2 cm (56.7 pt) of an edge.
        const QString boxes
            = run(QStringLiteral("pdftotext"), {QStringLiteral("-bbox"), pdf, QStringLiteral("-")});
        QVERIFY(boxes.contains(QStringLiteral("<page width=\"595.0")));
        QVERIFY(boxes.contains(QStringLiteral("height=\"842.0")));
        const QRegularExpression word(QStringLiteral(
            R"re(<word xMin="([\d.]+)" yMin="([\d.]+)" xMax="([\d.]+)" yMax="([\d.]+)")re"));
        int words = 0;
        for (const auto &m : word.globalMatch(boxes)) {
            ++words;
            QVERIFY2(m.captured(1).toDouble() > 56.0 && m.captured(2).toDouble() > 56.0
                    && m.captured(3).toDouble() < 595.0 - 56.0
                    && m.captured(4).toDouble() < 842.0 - 56.0,
                qPrintable(m.captured(0)));
        }
        QCOMPARE(words, 83);

        const QStringList fonts
            = run(QStringLiteral("pdffonts"), {pdf}).split(QLatin1Char('\n')).mid(2);
        const QRegularExpression embedded(
            QStringLiteral(R"(\s(yes|no)\s+(yes|no)\s+(yes|no)\s+\d+)"));
        for (const QString &font : fonts)
            if (!font.trimmed().isEmpty())
                QVERIFY2(
                    embedded.match(font).captured(1) == QLatin1String("yes"), qPrintable(font));
    }

    void htmlAndTextExportsAreTheReadableUtf8()
    {
        QTest::keyClicks(m_edit, "x ");
        m_form->speedButton(22)->click();
        m_edit->replaceSel(" \xE1");
        QTemporaryDir folder;
        for (const char *name : {"a.html", "a.txt", "a.doc"}) {
            m_dialogs->queueSaveFile(folder.filePath(QLatin1String(name)));
            m_form->Exportar1->trigger();
        }
        QFile html(folder.filePath(QStringLiteral("a.html")));
        QVERIFY(html.open(QIODevice::ReadOnly));
        const QString page = QString::fromUtf8(html.readAll());
        QVERIFY(page.contains(QStringLiteral("charset=\"utf-8\""), Qt::CaseInsensitive));
        QVERIFY(QString(page)
                    .remove(QRegularExpression(QStringLiteral("<[^>]*>")))
                    .contains(QStringLiteral("x ⊨ á")));
        // Each font named is followed by a generic family: Verdana by sans-serif.
        int families = 0;
        for (const auto &m :
            QRegularExpression(QStringLiteral("font-family:([^;\"]*)")).globalMatch(page)) {
            ++families;
            QVERIFY2(QRegularExpression(QStringLiteral(", (serif|sans-serif|monospace)$"))
                         .match(m.captured(1).trimmed())
                         .hasMatch(),
                qPrintable(m.captured(0)));
        }
        QVERIFY(families > 0);
        QVERIFY(page.contains(QStringLiteral("'Verdana', sans-serif")));
        QFile text(folder.filePath(QStringLiteral("a.txt")));
        QVERIFY(text.open(QIODevice::ReadOnly));
        QCOMPARE(text.readAll(), QStringLiteral("x ⊨ á\n").toUtf8());
        QVERIFY(!QFile::exists(folder.filePath(QStringLiteral("a.doc"))));
        QCOMPARE(m_dialogs->errors().size(), 1);
    }
};

QTEST_MAIN(TestExport)
#include "tst_export.moc"
