#pragma once

#include <QWidget>

class QLabel;
class QLineEdit;
class QTextBrowser;
class QTreeWidget;
class QTreeWidgetItem;

namespace zv {

/// "Manual de Zarvik": the manual compiled into the program, its contents drawn from its
/// headings, and a search field.
class ManualWindow : public QWidget
{
    Q_OBJECT

public:
    /// Shows @p markdown; the program's own manual when it is empty.
    explicit ManualWindow(QWidget *parent = nullptr, const QString &markdown = QString());

    QTextBrowser *manualText() const { return m_text; }
    QTreeWidget *manualContents() const { return m_contents; }
    QLineEdit *manualSearch() const { return m_search; }

    /// Selects the next (or previous) place that holds the search field's words, going round
    /// the end; false, and the selection kept, when the manual has none.
    bool findNext(bool backward = false);

    /// The Markdown of the manual that the program carries.
    static QString builtInManual();

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    void fillContents();
    void showHeading(QTreeWidgetItem *item);

    QTextBrowser *m_text = nullptr;
    QTreeWidget *m_contents = nullptr;
    QLineEdit *m_search = nullptr;
    QLabel *m_searchState = nullptr;
};

} // namespace zv
