#pragma once

#include <QDialog>

class QLabel;
class QPlainTextEdit;

/// The about window: what the editor is for, the fonts it needs, the credits and the version.
class TForm2 : public QDialog
{
    Q_OBJECT

public:
    explicit TForm2(QWidget *parent = nullptr);

    /// Centres the window on the screen and shows it modally; returns when it is closed.
    int ShowModal();

    static const char *const kMemoLines[12];

    QPlainTextEdit *Memo1 = nullptr;
    QLabel *Label1 = nullptr;
    QLabel *Label2 = nullptr;
    QLabel *Label3 = nullptr;
    QLabel *Label4 = nullptr;
    QLabel *Label5 = nullptr;
    QLabel *Label6 = nullptr;
    QLabel *Label7 = nullptr;
    QLabel *Label8 = nullptr;

protected:
    void keyPressEvent(QKeyEvent *event) override;
};

extern TForm2 *Form2;
