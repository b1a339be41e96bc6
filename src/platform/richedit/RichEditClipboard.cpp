// The clipboard forms: Zarvik's RTF, which keeps every byte with its font and character set,
// HTML and plain Unicode text for everything else, so a symbol pasted into a mail stays itself.
#include "platform/richedit/RichEdit.h"

#include "platform/app/Application.h"
#include "platform/codepages/CodePage.h"
#include "platform/format/FontKind.h"
#include "platform/format/LongParagraphs.h"
#include "platform/format/ReadableText.h"
#include "platform/format/TextFormat.h"
#include "platform/rtf/RtfReader.h"
#include "platform/rtf/RtfWriter.h"

#include <QMimeData>
#include <QTextBlock>
#include <QTextDocument>
#include <QTextDocumentFragment>

#include <memory>
#include <utility>
#include <vector>

namespace zv {

namespace {

const QLatin1String kRtfTypes[] = {QLatin1String("text/rtf"), QLatin1String("application/rtf")};

bool readRtfInto(const QByteArray &rtf, QTextDocument &document)
{
    return rtf::readRtf(rtf, document);
}

// HTML gives the looks; the typing attributes give what HTML cannot say.
void adoptTypingAttributes(QTextDocument &document, const QTextCharFormat &typing)
{
    // Collected first: setting a format may merge the fragments being walked.
    std::vector<std::pair<std::pair<int, int>, QTextCharFormat>> pieces;
    for (QTextBlock block = document.begin(); block.isValid(); block = block.next()) {
        for (auto it = block.begin(); !it.atEnd(); ++it) {
            const QTextFragment fragment = it.fragment();
            const QTextCharFormat source = fragment.charFormat();
            QTextCharFormat format = typing;
            format.clearProperty(QTextFormat::AnchorHref);
            const QStringList families = source.fontFamilies().toStringList();
            setCharset(format, charset(typing));
            setFaceName(format, families.isEmpty() ? faceName(typing) : families.first());
            setStyle(format, style(source));
            if (source.hasProperty(QTextFormat::ForegroundBrush))
                setColor(format, source.foreground().color());
            if (source.hasProperty(QTextFormat::FontPointSize))
                setPointSize(format, pointSize(source));
            pieces.push_back(
                {{fragment.position(), fragment.position() + fragment.length()}, format});
        }
    }
    QTextCursor cursor(&document);
    for (const auto &[range, format] : pieces) {
        cursor.setPosition(range.first);
        cursor.setPosition(range.second, QTextCursor::KeepAnchor);
        cursor.setCharFormat(format);
    }
}

bool isEmpty(const QTextDocument &document)
{
    return document.characterCount() <= 1;
}

// The clipboard's content as a document, in the order of preference: RTF, HTML, text.
std::unique_ptr<QTextDocument> documentFrom(const QMimeData &source, const QTextCharFormat &typing)
{
    auto document = std::make_unique<QTextDocument>();
    for (const QLatin1String &type : kRtfTypes) {
        const QByteArray rtf = source.data(type);
        if (rtf.isEmpty())
            continue;
        if (readRtfInto(rtf, *document) && !isEmpty(*document)) {
            // Another editor's RTF may hold characters beyond the code page of their font.
            keepCharactersAsBytes(*document);
            return document;
        }
        document = std::make_unique<QTextDocument>();
    }
    if (source.hasHtml()) {
        QTextCursor(document.get())
            .insertFragment(QTextDocumentFragment::fromHtml(source.html(), document.get()));
        if (!document->toPlainText().trimmed().isEmpty()) {
            adoptTypingAttributes(*document, typing);
            // The editor has no paragraph formatting: headings and margins do not come along.
            for (QTextBlock b = document->begin(); b.isValid(); b = b.next())
                QTextCursor(b).setBlockFormat(QTextBlockFormat());
            keepCharactersAsBytes(*document);
            return document;
        }
        document = std::make_unique<QTextDocument>();
    }
    if (source.hasText()) {
        QString text = source.text();
        text.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
        text.replace(QLatin1Char('\r'), QLatin1Char('\n'));
        if (!text.isEmpty()) {
            QTextCursor(document.get()).insertText(text, typing);
            keepCharactersAsBytes(*document);
            return document;
        }
    }
    return nullptr;
}

} // namespace

QMimeData *RichEdit::createMimeDataFromSelection() const
{
    auto mime = std::make_unique<QMimeData>();
    guarded([&] {
        const QTextDocumentFragment fragment = textCursor().selection();
        if (fragment.isEmpty())
            return;
        QTextDocument copy;
        // Text without a font of its own shows, and is saved, in the document's font.
        copy.setDefaultFont(document()->defaultFont());
        QTextCursor(&copy).insertFragment(fragment);
        // Another program gets the paragraph, not the blocks it is shown in.
        joinContinuedParagraphs(copy);
        const QByteArray rtf = rtf::writeRtf(copy);
        for (const QLatin1String &type : kRtfTypes)
            mime->setData(type, rtf);
        // What the editor shows, so that a symbol stays a symbol outside Zarvik.
        makeReadable(copy);
        mime->setHtml(withGenericFamilies(copy.toHtml()));
        mime->setText(copy.toPlainText());
    });
    return mime.release();
}

bool RichEdit::canInsertFromMimeData(const QMimeData *source) const
{
    if (!source || isReadOnly())
        return false;
    for (const QLatin1String &type : kRtfTypes)
        if (source->hasFormat(type))
            return true;
    return source->hasHtml() || source->hasText();
}

void RichEdit::insertReadable(const QString &text)
{
    QMimeData plain;
    plain.setText(text);
    insertFromMimeData(&plain);
}

void RichEdit::insertFromMimeData(const QMimeData *source)
{
    guarded([&] {
        if (!source || isReadOnly())
            return;
        const std::unique_ptr<QTextDocument> pasted
            = documentFrom(*source, textCursor().charFormat());
        if (!pasted)
            return;
        QTextCursor cursor = textCursor();
        cursor.beginEditBlock();
        cursor.removeSelectedText();
        const int start = cursor.position();
        cursor.insertFragment(QTextDocumentFragment(pasted.get()));
        // What is pasted into a display block of a long paragraph starts real paragraphs.
        clearContinuationIn(*document(), start, cursor.position());
        if (splitLongParagraphsIn(*document(), start, cursor.position()))
            noteDisplayCuts();
        cursor.endEditBlock();
        setTextCursor(cursor);
        reshowEdited();
        ensureCursorVisible();
    });
}

} // namespace zv
