#include "Unit3.h"

#include "Unit1.h"

#include "platform/richedit/RichEdit.h"

#include <QPainter>
#include <QTextDocument>

TForm3 *Form3 = nullptr;

TForm3::TForm3(QWidget *parent) : QWidget(parent)
{
    setObjectName(QStringLiteral("Form3"));
    setFixedSize(kPageSize);
}

const QTextDocument *TForm3::document() const
{
    // Looked up each time: loading a file gives the editor a new document.
    return Form1 ? Form1->RichEdit1->document() : nullptr;
}

void TForm3::paintEvent(QPaintEvent *)
{
    QPainter painter(this);
    painter.fillRect(rect(), Qt::white);
    if (const QTextDocument *doc = document()) {
        // Drawn from a copy laid out at the page's width, so the editor's layout is untouched.
        std::unique_ptr<QTextDocument> page(doc->clone());
        // The clone inherits the editor's "no wrap"; a page wraps at its width.
        QTextOption option = page->defaultTextOption();
        option.setWrapMode(QTextOption::WrapAtWordBoundaryOrAnywhere);
        page->setDefaultTextOption(option);
        page->setTextWidth(width() - 96);
        painter.translate(48, 48);
        page->drawContents(&painter, QRectF(0, 0, width() - 96, height() - 96));
    }
}
