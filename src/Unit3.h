#pragma once

#include <QWidget>

class QTextDocument;

/// The print-layout page: an A4 report page bound to the editor's text. Never shown.
class TForm3 : public QWidget
{
    Q_OBJECT

public:
    explicit TForm3(QWidget *parent = nullptr);

    /// A4 at 96 dots per inch.
    static constexpr QSize kPageSize{794, 1123};

    /// The document the page shows: the main editor's at start-up.
    const QTextDocument *document() const;

protected:
    void paintEvent(QPaintEvent *event) override;
};

extern TForm3 *Form3;
