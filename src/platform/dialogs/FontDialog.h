#pragma once

#include "platform/dialogs/Dialogs.h"

#include <QDialog>

class QCheckBox;
class QComboBox;
class QDialogButtonBox;
class QLabel;
class QLineEdit;
class QListWidget;

namespace zv {

/**
 * The font dialog: face, style, size, underline, strike-out, a text colour and a sample.
 * QFontDialog has no colour, so this one is ours.
 *
 * Controls carry objectNames ("face", "faces", "style", "size", "sizes", "underline",
 * "strikeOut", "color", "sample") so tests can drive them.
 */
class FontDialog : public QDialog
{
    Q_OBJECT

public:
    explicit FontDialog(const FontChoice &initial, QWidget *parent = nullptr);

    /// What the dialog shows now; colorPicked tells whether the user picked a colour.
    FontChoice choice() const;

    /// The colour list: "Automático" (an invalid colour) and the sixteen classic colours.
    static QList<QPair<QString, QColor>> colorList();

private:
    void faceEdited(const QString &text);
    void sizeEdited(const QString &text);
    void updateSample();
    std::optional<int> pointSize() const;

    QLineEdit *m_face;
    QListWidget *m_faces;
    QListWidget *m_style;
    QLineEdit *m_size;
    QListWidget *m_sizes;
    QCheckBox *m_underline;
    QCheckBox *m_strikeOut;
    QComboBox *m_color;
    QLabel *m_sample;
    QDialogButtonBox *m_buttons;
    bool m_colorPicked = false;
};

} // namespace zv
