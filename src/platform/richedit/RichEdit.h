#pragma once

#include <QByteArray>
#include <QColor>
#include <QTextEdit>

#include <functional>

class QMimeData;

namespace zv {

/**
 * The rich-text editing control: an 8-bit control on top of QTextEdit.
 *
 * Callers read and write bytes; each character is shown through the code page of its font
 * (see CodePage). Positions are character indexes, one per byte. A paragraph break counts as
 * one position and reads as CR LF. After every edit, a "Symbol" turnstile pair that the edit
 * made or split is shown anew (reshowTurnstiles()), in the same undo step.
 */
class RichEdit : public QTextEdit
{
    Q_OBJECT

public:
    /// The limit a load sets; until then the control takes at most kDefaultTextLimit characters
    /// through appendLine().
    static constexpr qint64 kDefaultTextLimit = 64 * 1024;
    static constexpr qint64 kLoadedTextLimit = 2147483632;

    explicit RichEdit(QWidget *parent = nullptr);

    // Selection ------------------------------------------------------------------------------
    /// The lower end of the selection: the caret when nothing is selected.
    int selStart() const;
    /// Empties the selection and puts the caret at @p position; typing then takes the
    /// attributes of the character before it.
    void setSelStart(int position);
    int selLength() const;
    /// Selects @p length characters from selStart(); 0 collapses to it and shows the caret.
    void setSelLength(int length);
    /// The selected characters as bytes; paragraph breaks read as CR LF.
    QByteArray selText() const;
    /// Replaces the selection by @p bytes as one undoable step; the new characters take the
    /// typing attributes. CR, LF and CR LF start new paragraphs.
    void replaceSel(const QByteArray &bytes);
    /// Removes the selection ("Borrar"); the clipboard is untouched.
    void deleteSelection();
    /// Puts @p text, as the user reads it, at the caret as a paste of it would (each symbol in
    /// a font that has it), as one undoable step; the caret ends after it.
    void insertReadable(const QString &text);

    // Typing attributes: the selection's, or those of the text typed next -------------------
    QString selFaceName() const;
    void setSelFaceName(const QString &face);
    int selCharset() const;
    void setSelCharset(int charset);
    /// An invalid colour is automatic.
    QColor selColor() const;
    void setSelColor(const QColor &color);
    int selSize() const;
    void setSelSize(int points);
    /// Bold 0x01, italic 0x02, underline 0x04, strike-out 0x08. For a selection, the flags that
    /// every selected character has.
    unsigned char selStyle() const;
    void setSelStyle(unsigned char style);

    QColor backgroundColor() const;
    void setBackgroundColor(const QColor &color);

    // Content --------------------------------------------------------------------------------
    /// Empties the content and clears the modified flag; the typing attributes stay.
    void clearDocument();
    bool modified() const;
    void setModified(bool modified);
    /// The whole content as bytes, paragraphs separated by CR LF.
    QByteArray bytes() const;

    qint64 textLimit() const { return m_textLimit; }
    void setTextLimit(qint64 limit) { m_textLimit = limit; }

    // Files ----------------------------------------------------------------------------------
    /// Replaces the content with the file: RTF, falling back to plain text; throws EPlatformError.
    void loadFromFile(const QString &path);
    /// Writes the content as RTF, or as plain text when the switch is on; throws EPlatformError.
    void saveToFile(const QString &path);
    bool plainText() const { return m_plainText; }
    /// Governs later loads and saves only.
    void setPlainText(bool on) { m_plainText = on; }

    // Lines as laid out ----------------------------------------------------------------------
    /// Lines as laid out, leaving out an empty last line. A soft line break (U+2028 or VT) ends a
    /// line like a paragraph break; without wrap, that is all that ends one.
    int lineCount() const;
    /// One line as bytes, without its line break, soft or not. A character that its font has
    /// no byte for (∀ in a text font, from another program) takes the bytes a paste gives it.
    QByteArray line(int index) const;
    /// Adds @p bytes and a line break; throws "RichEdit line insertion error" past the limit.
    void appendLine(const QByteArray &bytes);
    /// Clears, then appends each line of @p other as plain text.
    void copyLinesFrom(const RichEdit &other);

    /// Prints the whole content on the default printer; throws EPlatformError.
    void print(const QString &jobName);

    /// Replaces the document by @p document, which the control then owns.
    void adoptDocument(QTextDocument *document);

    /// Drawn over the text after it, in the viewport's coordinates: views of the text that are
    /// no part of the document, so that they are never saved, printed nor copied.
    void setOverlay(std::function<void(QPainter &)> paint) { m_overlay = std::move(paint); }
    /// Room at the left of the text for a margin of its own; 0 gives it back to the text.
    void setMarginWidth(int width) { setViewportMargins(width, 0, 0, 0); }

protected:
    void paintEvent(QPaintEvent *event) override;
    void keyPressEvent(QKeyEvent *event) override;
    void inputMethodEvent(QInputMethodEvent *event) override;
    QMimeData *createMimeDataFromSelection() const override;
    bool canInsertFromMimeData(const QMimeData *source) const override;
    void insertFromMimeData(const QMimeData *source) override;

private:
    /// Changes the typing attributes, or each selected character's format. With @p keepBytes
    /// the characters are shown anew through their new font, so that their bytes stay.
    template <class F> void applyToSelection(F &&change, bool keepBytes);
    QTextCharFormat attributesFormat() const;
    /// Follows the document's edits, so that reshowEdited() knows where to look.
    void watchDocument();
    void noteEdit(int position, int removed, int added);
    /// Shows the turnstile pairs around the edits since the last call anew.
    void reshowEdited();
    /// Backspace after a turnstile removes the whole pair; true when it did.
    bool deletePairBeforeCaret();
    bool deleteAcrossDisplayCut(QKeyEvent *event);
    /// The document holds display blocks (LongParagraphs.h): they are marked in the margin.
    void noteDisplayCuts();
    void markDisplayCuts();
    /// Typed text with a character that no byte of the typing font stands for (∀ from a
    /// compose key or an input method) goes in as pasted text does, each character in a font
    /// that has it; the typing attributes stay. False when the typing font has every one.
    bool insertTypedBeyondCodePage(const QString &typed);
    bool beyondTypingCodePage(const QString &typed) const;

    std::function<void(QPainter &)> m_overlay;
    qint64 m_textLimit = kDefaultTextLimit;
    bool m_plainText = false;
    int m_editedFrom = -1; ///< the range that the edits since reshowEdited() touched
    int m_editedTo = -1;
    bool m_reshowing = false;
    bool m_displayCuts = false;
};

} // namespace zv
