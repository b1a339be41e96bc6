#include "platform/dialogs/FontDialog.h"

#include "platform/codepages/CodePage.h"
#include "platform/format/TextFormat.h"

#include <QCheckBox>
#include <QComboBox>
#include <QDialogButtonBox>
#include <QFontDatabase>
#include <QGridLayout>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPainter>
#include <QPushButton>
#include <QVBoxLayout>

#include <cmath>

namespace zv {

namespace {

// The documents' own fonts are offered even where Linux lacks them: their text is drawn
// through substitutes, and a user must be able to choose them.
const char *const kDocumentFaces[]
    = {"MS Sans Serif", "Symbol", "Verdana", "Wingdings 2", "Wingdings 3"};
const int kSizes[] = {8, 9, 10, 11, 12, 14, 16, 18, 20, 22, 24, 26, 28, 36, 48, 72};
const char *const kStyles[] = {"Normal", "Cursiva", "Negrita", "Negrita cursiva"};
constexpr int kMaxPointSize = 1638;

QIcon swatch(const QColor &color)
{
    QPixmap pixmap(24, 12);
    pixmap.fill(color.isValid() ? color : QColor(Qt::transparent));
    QPainter painter(&pixmap);
    painter.setPen(Qt::black);
    painter.drawRect(0, 0, 23, 11);
    return QIcon(pixmap);
}

QListWidget *list(QWidget *parent, const char *name)
{
    auto *l = new QListWidget(parent);
    l->setObjectName(QLatin1String(name));
    l->setMinimumHeight(110);
    return l;
}

} // namespace

QList<QPair<QString, QColor>> FontDialog::colorList()
{
    return {
        {QStringLiteral("Automático"), QColor()},
        {QStringLiteral("Negro"), QColor(0x00, 0x00, 0x00)},
        {QStringLiteral("Granate"), QColor(0x80, 0x00, 0x00)},
        {QStringLiteral("Verde"), QColor(0x00, 0x80, 0x00)},
        {QStringLiteral("Verde oliva"), QColor(0x80, 0x80, 0x00)},
        {QStringLiteral("Azul marino"), QColor(0x00, 0x00, 0x80)},
        {QStringLiteral("Púrpura"), QColor(0x80, 0x00, 0x80)},
        {QStringLiteral("Verde azulado"), QColor(0x00, 0x80, 0x80)},
        {QStringLiteral("Gris"), QColor(0x80, 0x80, 0x80)},
        {QStringLiteral("Plateado"), QColor(0xC0, 0xC0, 0xC0)},
        {QStringLiteral("Rojo"), QColor(0xFF, 0x00, 0x00)},
        {QStringLiteral("Lima"), QColor(0x00, 0xFF, 0x00)},
        {QStringLiteral("Amarillo"), QColor(0xFF, 0xFF, 0x00)},
        {QStringLiteral("Azul"), QColor(0x00, 0x00, 0xFF)},
        {QStringLiteral("Fucsia"), QColor(0xFF, 0x00, 0xFF)},
        {QStringLiteral("Aguamarina"), QColor(0x00, 0xFF, 0xFF)},
        {QStringLiteral("Blanco"), QColor(0xFF, 0xFF, 0xFF)},
    };
}

FontDialog::FontDialog(const FontChoice &initial, QWidget *parent) : QDialog(parent)
{
    setObjectName(QStringLiteral("FontDialog"));
    setWindowTitle(QStringLiteral("Fuente"));

    m_face = new QLineEdit(this);
    m_face->setObjectName(QStringLiteral("face"));
    m_faces = list(this, "faces");
    QStringList faces;
    // Qt tells apart families of several foundries as "Name [foundry]"; the name is what counts.
    for (QString family : QFontDatabase::families()) {
        const qsizetype foundry = family.indexOf(QLatin1String(" ["));
        if (foundry > 0)
            family.truncate(foundry);
        faces << family;
    }
    for (const char *face : kDocumentFaces)
        faces << QLatin1String(face);
    faces.sort(Qt::CaseInsensitive);
    faces.removeDuplicates();
    m_faces->addItems(faces);

    m_style = list(this, "style");
    for (const char *style : kStyles)
        m_style->addItem(QLatin1String(style));

    m_size = new QLineEdit(this);
    m_size->setObjectName(QStringLiteral("size"));
    m_sizes = list(this, "sizes");
    for (int size : kSizes)
        m_sizes->addItem(QString::number(size));

    auto *effects = new QGroupBox(QStringLiteral("Efectos"), this);
    m_strikeOut = new QCheckBox(QStringLiteral("Tac&hado"), effects);
    m_strikeOut->setObjectName(QStringLiteral("strikeOut"));
    m_underline = new QCheckBox(QStringLiteral("S&ubrayado"), effects);
    m_underline->setObjectName(QStringLiteral("underline"));
    m_color = new QComboBox(effects);
    m_color->setObjectName(QStringLiteral("color"));
    for (const auto &[name, color] : colorList())
        m_color->addItem(swatch(color), name, color);
    auto *effectsLayout = new QVBoxLayout(effects);
    effectsLayout->addWidget(m_strikeOut);
    effectsLayout->addWidget(m_underline);
    auto *colorLabel = new QLabel(QStringLiteral("&Color:"), effects);
    colorLabel->setBuddy(m_color);
    effectsLayout->addWidget(colorLabel);
    effectsLayout->addWidget(m_color);
    effectsLayout->addStretch();

    auto *sampleBox = new QGroupBox(QStringLiteral("Ejemplo"), this);
    m_sample = new QLabel(sampleBox);
    m_sample->setObjectName(QStringLiteral("sample"));
    m_sample->setAlignment(Qt::AlignCenter);
    m_sample->setMinimumSize(200, 60);
    m_sample->setAutoFillBackground(true);
    (new QVBoxLayout(sampleBox))->addWidget(m_sample);

    m_buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
    m_buttons->button(QDialogButtonBox::Ok)->setText(QStringLiteral("Aceptar"));
    m_buttons->button(QDialogButtonBox::Cancel)->setText(QStringLiteral("Cancelar"));
    connect(m_buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(m_buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);

    auto *grid = new QGridLayout(this);
    auto label = [this](const char *text, QWidget *buddy) {
        auto *l = new QLabel(QString::fromUtf8(text), this);
        l->setBuddy(buddy);
        return l;
    };
    grid->addWidget(label("&Fuente:", m_face), 0, 0);
    grid->addWidget(label("Es&tilo de fuente:", m_style), 0, 1);
    grid->addWidget(label("&Tamaño:", m_size), 0, 2);
    grid->addWidget(m_face, 1, 0);
    grid->addWidget(m_faces, 2, 0);
    grid->addWidget(m_style, 1, 1, 2, 1);
    grid->addWidget(m_size, 1, 2);
    grid->addWidget(m_sizes, 2, 2);
    grid->addWidget(effects, 3, 0);
    grid->addWidget(sampleBox, 3, 1, 1, 2);
    grid->addWidget(m_buttons, 4, 0, 1, 3);
    grid->setColumnStretch(0, 3);

    // Show the initial font before the signals are connected, so nothing counts as a pick.
    m_face->setText(initial.face);
    faceEdited(initial.face);
    m_style->setCurrentRow((initial.bold ? 2 : 0) + (initial.italic ? 1 : 0));
    m_size->setText(QString::number(initial.pointSize));
    sizeEdited(m_size->text());
    m_underline->setChecked(initial.underline);
    m_strikeOut->setChecked(initial.strikeOut);
    int colorIndex = m_color->findData(initial.color);
    if (!initial.color.isValid())
        colorIndex = 0;
    if (colorIndex < 0) {
        m_color->addItem(swatch(initial.color), QStringLiteral("Personalizado"), initial.color);
        colorIndex = m_color->count() - 1;
    }
    m_color->setCurrentIndex(colorIndex);

    connect(m_face, &QLineEdit::textEdited, this, &FontDialog::faceEdited);
    connect(m_faces, &QListWidget::currentTextChanged, this, [this](const QString &text) {
        if (!text.isEmpty() && m_face->text() != text)
            m_face->setText(text);
        updateSample();
    });
    connect(m_size, &QLineEdit::textEdited, this, &FontDialog::sizeEdited);
    connect(m_sizes, &QListWidget::currentTextChanged, this, [this](const QString &text) {
        if (!text.isEmpty() && m_size->text() != text)
            m_size->setText(text);
        updateSample();
    });
    connect(m_style, &QListWidget::currentRowChanged, this, &FontDialog::updateSample);
    connect(m_underline, &QCheckBox::toggled, this, &FontDialog::updateSample);
    connect(m_strikeOut, &QCheckBox::toggled, this, &FontDialog::updateSample);
    // activated comes from the user only: choosing the shown colour again is a pick too.
    connect(m_color, &QComboBox::activated, this, [this] {
        m_colorPicked = true;
        updateSample();
    });
    updateSample();
    m_face->setFocus();
}

void FontDialog::faceEdited(const QString &text)
{
    const QList<QListWidgetItem *> found = m_faces->findItems(text, Qt::MatchFixedString);
    QListWidgetItem *match = found.isEmpty() ? nullptr : found.first();
    if (!match && !text.isEmpty()) {
        const QList<QListWidgetItem *> starts = m_faces->findItems(text, Qt::MatchStartsWith);
        if (!starts.isEmpty())
            m_faces->scrollToItem(starts.first(), QAbstractItemView::PositionAtTop);
    }
    const QSignalBlocker block(m_faces);
    m_faces->setCurrentItem(match);
    if (match)
        m_faces->scrollToItem(match, QAbstractItemView::PositionAtTop);
    updateSample();
}

void FontDialog::sizeEdited(const QString &text)
{
    const QList<QListWidgetItem *> found = m_sizes->findItems(text.trimmed(), Qt::MatchExactly);
    const QSignalBlocker block(m_sizes);
    m_sizes->setCurrentItem(found.isEmpty() ? nullptr : found.first());
    updateSample();
}

std::optional<int> FontDialog::pointSize() const
{
    QString text = m_size->text().trimmed();
    text.replace(QLatin1Char(','), QLatin1Char('.'));
    bool ok = false;
    const double points = text.toDouble(&ok);
    if (!ok || !std::isfinite(points))
        return std::nullopt;
    const long rounded = std::lround(points);
    if (rounded < 1 || rounded > kMaxPointSize)
        return std::nullopt;
    return int(rounded);
}

FontChoice FontDialog::choice() const
{
    FontChoice c;
    c.face = m_face->text().trimmed();
    c.pointSize = pointSize().value_or(8);
    c.bold = m_style->currentRow() >= 2;
    c.italic = m_style->currentRow() % 2 == 1;
    c.underline = m_underline->isChecked();
    c.strikeOut = m_strikeOut->isChecked();
    c.color = m_color->currentData().value<QColor>();
    c.colorPicked = m_colorPicked;
    return c;
}

void FontDialog::updateSample()
{
    const FontChoice c = choice();
    const bool usable = !c.face.isEmpty() && pointSize().has_value();
    m_buttons->button(QDialogButtonBox::Ok)->setEnabled(usable);

    QFont font;
    font.setFamilies(displayFamilies(c.face, kAnsiCharset));
    font.setPointSize(c.pointSize);
    font.setBold(c.bold);
    font.setItalic(c.italic);
    font.setUnderline(c.underline);
    font.setStrikeOut(c.strikeOut);
    m_sample->setFont(font);
    // A symbol face shows what its bytes mean, as the document will.
    m_sample->setText(CodePage::forFont(c.face, kAnsiCharset).decode("AaBbYyZz"));
    QPalette p = m_sample->palette();
    p.setColor(
        QPalette::WindowText, c.color.isValid() ? c.color : palette().color(QPalette::WindowText));
    m_sample->setPalette(p);
}

} // namespace zv
