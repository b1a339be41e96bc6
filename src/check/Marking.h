#pragma once
// A class marked by zarvik-pl in a process of its own, and the table of its marks: students by
// exercises, each cell's comment as its tooltip, and a row of how many got each exercise right.

#include "platform/dialogs/Dialogs.h"

#include <QDialog>
#include <QList>
#include <QString>
#include <QStringList>

#include <functional>

class QTableWidget;
class QPushButton;

namespace zv {

struct ClassMarks
{
    QStringList exercises; ///< "Ejercicio 1", ... in the sheet's order
    struct Row
    {
        QString student, file;
        bool read = true;
        QString reason;       ///< why the file could not be read
        QStringList points;   ///< per exercise: "1.5", "0"; empty when not read
        QStringList comments; ///< per exercise: empty when right
        QString total;
    };
    QList<Row> rows;
    /// The CSV that "zarvik-pl --grade" prints, without the comments.
    QByteArray csv() const;
};

/// The fields of RFC 4180 CSV, a list a record.
QList<QStringList> parseCsv(const QByteArray &bytes);

/// zarvik-pl's "--grade SHEET FOLDER --comments" read back; false when it is no such output.
bool readClassMarks(const QByteArray &out, const QByteArray &errors, ClassMarks &marks);

/// The files that zarvik-pl marks in @p folder: not hidden, not folders, in the order of names.
QStringList submissionFiles(const QString &folder);

/// Runs zarvik-pl (beside this program) with @p arguments, showing "Cancelar" and how many of
/// @p steps rows have come: each line of its output after the first is one. The window's thread
/// only waits in an event loop. False when cancelled or when zarvik-pl could not start;
/// @p message then says why (empty when cancelled).
bool runInterpreter(QWidget *owner, const QStringList &arguments, int steps, const QString &label,
    QByteArray &out, QByteArray &errors, int &status, QString &message);

class MarksWindow : public QDialog
{
    Q_OBJECT

public:
    MarksWindow(const ClassMarks &marks, const QString &folder, QWidget *parent = nullptr);

    QTableWidget *table = nullptr;
    QPushButton *saveButton = nullptr;
    zv::FileDialogOptions saveDialog{.filter = QStringLiteral("CSV|*.csv"),
        .defaultSuffix = QStringLiteral(".csv"),
        .initialPath = {},
        .overwritePrompt = true};

Q_SIGNALS:
    /// A double click on a student's row: that file, and the line of the cell's comment (0).
    void submissionRequested(const QString &path, int line);

private:
    void saveMarks();

    ClassMarks m_marks;
    QString m_folder;
};

} // namespace zv
