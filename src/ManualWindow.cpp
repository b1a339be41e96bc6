#include "ManualWindow.h"

#include <QAbstractTextDocumentLayout>
#include <QAction>
#include <QBoxLayout>
#include <QFile>
#include <QHeaderView>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QScrollBar>
#include <QSplitter>
#include <QTextBlock>
#include <QTextBrowser>
#include <QToolButton>
#include <QTreeWidget>

#include <algorithm>
#include <utility>
#include <vector>

// The resource lives in a static library, whose object the linker keeps only when named.
static void initManualResource()
{
    Q_INIT_RESOURCE(manual);
}

namespace zv {

namespace {

constexpr int kBlockRole = Qt::UserRole;

} // namespace

QString ManualWindow::builtInManual()
{
    initManualResource();
    QFile file(QStringLiteral(":/doc/manual.md"));
    if (!file.open(QIODevice::ReadOnly))
        return QStringLiteral("# Manual de Zarvik\n\nEsta copia del programa no trae el manual.\n");
    return QString::fromUtf8(file.readAll());
}

ManualWindow::ManualWindow(QWidget *parent, const QString &markdown) : QWidget(parent, Qt::Window)
{
    setObjectName(QStringLiteral("ManualWindow"));
    setWindowTitle(QStringLiteral("Manual de Zarvik"));
    resize(980, 700);

    m_search = new QLineEdit(this);
    m_search->setObjectName(QStringLiteral("manualSearch"));
    m_search->setPlaceholderText(QStringLiteral("Buscar en el manual (Intro: siguiente)"));
    m_search->setClearButtonEnabled(true);
    m_search->installEventFilter(this);
    auto *previous = new QToolButton(this);
    previous->setObjectName(QStringLiteral("manualPrevious"));
    previous->setArrowType(Qt::UpArrow);
    previous->setToolTip(QStringLiteral("Anterior (Mayús+Intro)"));
    auto *next = new QToolButton(this);
    next->setObjectName(QStringLiteral("manualNext"));
    next->setArrowType(Qt::DownArrow);
    next->setToolTip(QStringLiteral("Siguiente (Intro)"));
    m_searchState = new QLabel(this);
    m_searchState->setObjectName(QStringLiteral("manualSearchState"));
    connect(previous, &QToolButton::clicked, this, [this] { findNext(true); });
    connect(next, &QToolButton::clicked, this, [this] { findNext(false); });
    connect(m_search, &QLineEdit::textChanged, m_searchState, &QLabel::clear);

    m_contents = new QTreeWidget(this);
    m_contents->setObjectName(QStringLiteral("manualContents"));
    m_contents->setHeaderLabel(QStringLiteral("Contenido"));
    m_contents->header()->setStretchLastSection(true);
    connect(m_contents, &QTreeWidget::itemActivated, this, &ManualWindow::showHeading);
    connect(m_contents, &QTreeWidget::itemClicked, this, &ManualWindow::showHeading);

    m_text = new QTextBrowser(this);
    m_text->setObjectName(QStringLiteral("manualText"));
    m_text->setOpenExternalLinks(true);
    QFont font = m_text->font();
    font.setPointSize(std::max(font.pointSize(), 11));
    m_text->document()->setDefaultFont(font);
    // The manual's own black on white, whatever the desktop's colours.
    m_text->setStyleSheet(
        QStringLiteral("QTextBrowser { background: white; color: black; padding: 6px; }"));
    m_text->setMarkdown(markdown.isEmpty() ? builtInManual() : markdown);

    auto *searchRow = new QHBoxLayout;
    searchRow->addWidget(m_search, 1);
    searchRow->addWidget(previous);
    searchRow->addWidget(next);
    searchRow->addWidget(m_searchState);
    auto *splitter = new QSplitter(this);
    splitter->addWidget(m_contents);
    splitter->addWidget(m_text);
    splitter->setStretchFactor(1, 1);
    splitter->setSizes({280, 700});
    auto *layout = new QVBoxLayout(this);
    layout->addLayout(searchRow);
    layout->addWidget(splitter, 1);

    fillContents();

    auto *closing = new QAction(this);
    closing->setShortcut(QKeySequence(Qt::Key_Escape));
    closing->setShortcutContext(Qt::WidgetWithChildrenShortcut);
    connect(closing, &QAction::triggered, this, &QWidget::close);
    addAction(closing);
}

void ManualWindow::fillContents()
{
    m_contents->clear();
    // The last item of each level above, so that a heading goes under the nearest shallower one.
    std::vector<std::pair<int, QTreeWidgetItem *>> open;
    for (QTextBlock block = m_text->document()->begin(); block.isValid(); block = block.next()) {
        const int level = block.blockFormat().headingLevel();
        if (level <= 0)
            continue;
        while (!open.empty() && open.back().first >= level)
            open.pop_back();
        auto *item = open.empty() ? new QTreeWidgetItem(m_contents)
                                  : new QTreeWidgetItem(open.back().second);
        item->setText(0, block.text());
        item->setData(0, kBlockRole, block.position());
        open.emplace_back(level, item);
    }
    m_contents->expandToDepth(0);
}

void ManualWindow::showHeading(QTreeWidgetItem *item)
{
    if (!item)
        return;
    const QTextBlock block = m_text->document()->findBlock(item->data(0, kBlockRole).toInt());
    QTextCursor cursor(block);
    m_text->setTextCursor(cursor);
    // The heading at the top of the view, not merely somewhere in it.
    const QRectF place = m_text->document()->documentLayout()->blockBoundingRect(block);
    m_text->verticalScrollBar()->setValue(int(place.top()));
}

bool ManualWindow::findNext(bool backward)
{
    const QString words = m_search->text();
    if (words.isEmpty())
        return false;
    const QTextDocument::FindFlags flags
        = backward ? QTextDocument::FindBackward : QTextDocument::FindFlags();
    const QTextCursor kept = m_text->textCursor();
    bool found = m_text->find(words, flags);
    if (!found) {
        QTextCursor round(m_text->document());
        round.movePosition(backward ? QTextCursor::End : QTextCursor::Start);
        m_text->setTextCursor(round);
        found = m_text->find(words, flags);
        if (!found)
            m_text->setTextCursor(kept);
    }
    m_searchState->setText(found ? QString() : QStringLiteral("No se encuentra"));
    return found;
}

bool ManualWindow::eventFilter(QObject *watched, QEvent *event)
{
    if (watched == m_search && event->type() == QEvent::KeyPress) {
        const auto *key = static_cast<QKeyEvent *>(event);
        if (key->key() == Qt::Key_Return || key->key() == Qt::Key_Enter) {
            findNext(key->modifiers() & Qt::ShiftModifier);
            return true;
        }
    }
    return QWidget::eventFilter(watched, event);
}

} // namespace zv
