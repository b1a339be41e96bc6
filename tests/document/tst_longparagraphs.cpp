// A paragraph of many thousand characters is shown in display blocks, and nothing that reads
// the text sees them: saving, copying, exporting, running and checking get the paragraph, and
// editing at a cut between blocks acts as anywhere else in it.

#include "check/AssistRun.h"
#include "check/CheckedPiece.h"
#include "platform/export/DocumentExport.h"
#include "platform/files/DocumentFile.h"
#include "platform/format/LongParagraphs.h"
#include "platform/format/ReadableText.h"
#include "platform/richedit/RichEdit.h"
#include "platform/rtf/RtfReader.h"
#include "platform/rtf/RtfTokenizer.h"

#include <QApplication>
#include <QClipboard>
#include <QMimeData>
#include <QTemporaryDir>
#include <QTextBlock>
#include <QtTest>

#include <memory>

namespace {

// "p0 & p1 & …": 4–8 characters a word, so that cuts fall after blanks.
QByteArray longLine(int bytes)
{
    QByteArray line;
    for (int i = 0; line.size() < bytes; ++i)
        line += 'p' + QByteArray::number(i) + " & ";
    return line.left(bytes);
}

QByteArray fileBytes(const QString &path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

void writeFile(const QString &path, const QByteArray &bytes)
{
    QFile file(path);
    QVERIFY(file.open(QIODevice::WriteOnly));
    file.write(bytes);
}

} // namespace

class LongParagraphsTest : public QObject
{
    Q_OBJECT

private:
    QTemporaryDir m_dir;
    std::unique_ptr<zv::RichEdit> m_edit;
    QByteArray m_long;  ///< the long line
    QByteArray m_bytes; ///< the file: a short line, the long one, a short one

    QString path(const QString &name) const { return m_dir.filePath(name); }

    // The caret at the start of the @p n-th display block of the long paragraph (0 is its first).
    int cut(int n) const { return m_edit->document()->findBlockByNumber(1 + n).position(); }

private Q_SLOTS:
    void init()
    {
        QVERIFY(m_dir.isValid());
        m_long = longLine(23'456);
        m_bytes = "primera\r\n" + m_long + "\r\n3. q :MP 1, 2\r\n";
        writeFile(path(QStringLiteral("larga.txt")), m_bytes);
        m_edit = std::make_unique<zv::RichEdit>();
        m_edit->setLineWrapMode(QTextEdit::NoWrap);
        m_edit->setPlainText(true);
        m_edit->loadFromFile(path(QStringLiteral("larga.txt")));
    }

    void cleanup() { m_edit.reset(); }

    void aLongParagraphIsShownInShortBlocksAndReadWhole()
    {
        const QTextDocument &document = *m_edit->document();
        QVERIFY(document.blockCount() > 40);
        for (QTextBlock b = document.begin(); b.isValid(); b = b.next()) {
            QVERIFY(b.length() - 1 <= zv::kDisplayBlockChars);
            // A cut falls after a blank, so that no word is split on the screen.
            if (zv::continuesParagraph(b)) {
                QCOMPARE(b.previous().text().back(), QLatin1Char(' '));
                QCOMPARE(b.blockFormat().leftMargin(), qreal(zv::kDisplayCutIndent));
            }
        }
        QVERIFY(!m_edit->modified());
        QCOMPARE(m_edit->bytes(), m_bytes);
        // Undo has nothing to take back: the cuts are no edit.
        QVERIFY(!document.isUndoAvailable());

        const std::vector<zv::DocumentLine> lines = zv::documentLines(document);
        QCOMPARE(lines.size(), size_t(4));
        QCOMPARE(lines[1].text.toLatin1(), m_long);
        QCOMPARE(zv::readableSpan(document, 0, document.characterCount() - 1).text.count(u'\n'), 3);
        // The line after it is the document's third, for the check and "Demostrar".
        const int third = lines[2].start;
        QCOMPARE(zv::documentLineAt(document, third), 3);
        QCOMPARE(zv::documentLineAt(document, cut(7) + 3), 2);
        QCOMPARE(zv::lineStartOf(document, cut(7) + 3), lines[1].start);
        QCOMPARE(zv::lineEndOf(document, cut(7) + 3), lines[1].end);
        QCOMPARE(zv::paragraphAround(document, cut(3)), std::pair(lines[1].start, lines[1].end));
        // The caret in the middle of the long line checks that line, all of it.
        QCOMPARE(zv::pieceAround(document, cut(5) + 2), std::pair(lines[1].start, lines[1].end));

        // What "Compilar Programa" writes to entrada.txt: a paragraph a line.
        zv::RichEdit program;
        program.setLineWrapMode(QTextEdit::NoWrap);
        program.copyLinesFrom(*m_edit);
        QCOMPARE(m_edit->lineCount(), 3);
        QCOMPARE(m_edit->line(1), m_long);
        QCOMPARE(m_edit->line(2), QByteArray("3. q :MP 1, 2"));
        QCOMPARE(program.bytes(), m_bytes);
    }

    void savingCopyingAndExportingWriteTheParagraph()
    {
        m_edit->setPlainText(false);
        m_edit->saveToFile(path(QStringLiteral("larga.zvk")));
        m_edit->setPlainText(true);
        m_edit->saveToFile(path(QStringLiteral("copia.txt")));
        QCOMPARE(fileBytes(path(QStringLiteral("copia.txt"))), m_bytes);
        // Read back without display blocks, the RTF holds three paragraphs.
        const std::unique_ptr<QTextDocument> rtf
            = zv::loadDocument(path(QStringLiteral("larga.zvk")), false);
        QCOMPARE(rtf->blockCount(), 4);
        QCOMPARE(rtf->findBlockByNumber(1).text().toLatin1(), m_long);

        zv::exportDocument(
            *m_edit->document(), path(QStringLiteral("larga.html")), zv::ExportFormat::Html);
        zv::exportDocument(
            *m_edit->document(), path(QStringLiteral("export.txt")), zv::ExportFormat::Text);
        QCOMPARE(fileBytes(path(QStringLiteral("export.txt"))),
            QByteArray("primera\n" + m_long + "\n3. q :MP 1, 2\n"));
        QTextDocument html;
        html.setHtml(QString::fromUtf8(fileBytes(path(QStringLiteral("larga.html")))));
        QCOMPARE(
            html.toPlainText(), QString::fromLatin1("primera\n" + m_long + "\n3. q :MP 1, 2\n"));

        // A selection across two cuts copies as one line, in every form.
        QTextCursor selection(m_edit->document());
        selection.setPosition(cut(2) - 10);
        selection.setPosition(cut(4) + 10, QTextCursor::KeepAnchor);
        m_edit->setTextCursor(selection);
        const QByteArray selected = m_edit->selText();
        QVERIFY(!selected.contains('\n'));
        QVERIFY(m_long.contains(selected));
        m_edit->copy();
        const QMimeData *mime = QApplication::clipboard()->mimeData();
        QVERIFY(mime);
        QCOMPARE(mime->text().toLatin1(), selected);
        QTextDocument pasted;
        QVERIFY(zv::rtf::readRtf(mime->data(QStringLiteral("text/rtf")), pasted));
        QCOMPARE(pasted.blockCount(), 1);
        QCOMPARE(pasted.toPlainText().toLatin1(), selected);
    }

    void editingAtACutActsAsInsideTheParagraph()
    {
        QTextDocument &document = *m_edit->document();
        const QByteArray before = m_edit->bytes();
        // The cut before the fourth block, as a place in the line: three cuts come before it.
        const int at = cut(3);
        const int inLine = at - zv::lineStartOf(document, at) - 3;
        const int lineStart = int(before.indexOf(m_long));

        // Backspace at a block's start takes the character before, not the cut.
        m_edit->setSelStart(at);
        QTest::keyClick(m_edit.get(), Qt::Key_Backspace);
        QCOMPARE(m_edit->bytes(), QByteArray(before).remove(lineStart + inLine - 1, 1));
        m_edit->undo();
        QCOMPARE(m_edit->bytes(), before);

        // Delete at a block's end takes the character after.
        m_edit->setSelStart(at - 1);
        QTest::keyClick(m_edit.get(), Qt::Key_Delete);
        QCOMPARE(m_edit->bytes(), QByteArray(before).remove(lineStart + inLine, 1));
        QCOMPARE(m_edit->lineCount(), 3);
        m_edit->undo();
        QCOMPARE(m_edit->bytes(), before);

        // Enter in a display block, at a cut and in the middle of one, starts real paragraphs.
        for (const int caret : {cut(4), cut(4) + 7, cut(9) - 1}) {
            m_edit->setSelStart(caret);
            QTest::keyClick(m_edit.get(), Qt::Key_Return);
            const QByteArray split = m_edit->bytes();
            QCOMPARE(split.count("\r\n"), before.count("\r\n") + 1);
            QCOMPARE(QByteArray(split).replace("\r\n", "").size(),
                QByteArray(before).replace("\r\n", "").size());
            QCOMPARE(m_edit->lineCount(), 4);
            m_edit->undo();
            QCOMPARE(m_edit->bytes(), before);
            // Undo brings the display block back, not a paragraph break.
            QCOMPARE(m_edit->lineCount(), 3);
        }

        // Text with line breaks, pasted or put in place of the selection, brings its breaks.
        m_edit->setSelStart(cut(5) + 4);
        m_edit->insertReadable(QStringLiteral("uno\ndos\ntres"));
        QCOMPARE(m_edit->bytes().count("\r\n"), before.count("\r\n") + 2);
        QVERIFY(m_edit->bytes().contains("uno\r\ndos\r\ntres"));
        m_edit->undo();
        QCOMPARE(m_edit->bytes(), before);
        m_edit->setSelStart(cut(8));
        m_edit->replaceSel("a\r\nb");
        QCOMPARE(m_edit->bytes().count("\r\n"), before.count("\r\n") + 1);
        m_edit->undo();
        QCOMPARE(m_edit->bytes(), before);

        // Typed text at a cut goes into the line, where the caret is.
        m_edit->setSelStart(cut(2));
        QTest::keyClicks(m_edit.get(), QStringLiteral("xy"));
        QCOMPARE(m_edit->bytes().count("\r\n"), before.count("\r\n"));
        QVERIFY(m_edit->bytes().contains("xy"));
    }

    void aLongLinePastedIsShownInBlocksAndUndoneWhole()
    {
        m_edit->clearDocument();
        const QByteArray line = longLine(3 * zv::kLongParagraphChars);
        m_edit->replaceSel("a\r\n" + line);
        QVERIFY(m_edit->document()->blockCount() > 20);
        QCOMPARE(m_edit->bytes(), "a\r\n" + line);
        // Into the middle of a display block, as one more paste.
        m_edit->setSelStart(cut(3) + 2);
        m_edit->insertReadable(QString::fromLatin1(line));
        QCOMPARE(m_edit->lineCount(), 2);
        QCOMPARE(m_edit->line(1).size(), 2 * line.size());
        m_edit->undo();
        QCOMPARE(m_edit->bytes(), "a\r\n" + line);
        m_edit->undo();
        QCOMPARE(m_edit->bytes(), QByteArray());
        m_edit->redo();
        QCOMPARE(m_edit->bytes(), "a\r\n" + line);
        QVERIFY(m_edit->document()->blockCount() > 20);
    }

    void cutsNeverSplitACharacter()
    {
        // A line of signs that are two UTF-16 units, and of turnstiles with their marks.
        QTextDocument document;
        QString line;
        while (line.size() < 3 * zv::kLongParagraphChars)
            line += QString::fromUcs4(U"\U0001D400") + QChar(0x22A2) + QChar(0xFE00);
        QTextCursor(&document).insertText(line);
        zv::splitLongParagraphs(document);
        QVERIFY(document.blockCount() > 2);
        QString joined;
        for (QTextBlock b = document.begin(); b.isValid(); b = b.next()) {
            QVERIFY(!zv::continuesCharacter(b.text().front()));
            joined += b.text();
        }
        QCOMPARE(joined, line);
        zv::joinContinuedParagraphs(document);
        QCOMPARE(document.blockCount(), 1);
        QCOMPARE(document.toPlainText(), line);
    }

    void anRtfRunLongerThanATokenIsReadWhole()
    {
        // Runs of text longer than one token of the reader, around a character in hex and one
        // in Unicode with its fallback, each of which ends a run.
        const QByteArray first = longLine(3 * zv::rtf::kMaxTextToken + 17);
        const QByteArray second = longLine(zv::rtf::kMaxTextToken + 1);
        writeFile(path(QStringLiteral("larga.zvk")),
            "{\\rtf1\\ansi\\deff0{\\fonttbl{\\f0 Arial;}}\\f0 " + first + "\\'e1" + second
                + "\\u8704?" + first + "\\par\r\nfin}");
        const std::unique_ptr<QTextDocument> read
            = zv::loadDocument(path(QStringLiteral("larga.zvk")), false);
        QCOMPARE(read->blockCount(), 2);
        QCOMPARE(read->firstBlock().text(),
            QString::fromLatin1(first) + QChar(0xE1) + QString::fromLatin1(second) + QChar(0x2200)
                + QString::fromLatin1(first));
        m_edit->setPlainText(false);
        m_edit->loadFromFile(path(QStringLiteral("larga.zvk")));
        QCOMPARE(m_edit->lineCount(), 2);
        QCOMPARE(m_edit->line(0).size(), 2 * first.size() + second.size() + 2);
    }

    void shortParagraphsStayAsTheyAre()
    {
        const QByteArray text = longLine(zv::kLongParagraphChars) + "\r\nb\r\n";
        writeFile(path(QStringLiteral("corta.txt")), text);
        m_edit->loadFromFile(path(QStringLiteral("corta.txt")));
        QCOMPARE(m_edit->document()->blockCount(), 3);
        QCOMPARE(m_edit->bytes(), text);
    }
};

QTEST_MAIN(LongParagraphsTest)
#include "tst_longparagraphs.moc"
