#include "check/Marking.h"

#include "platform/dialogs/Dialogs.h"

#include <QCoreApplication>
#include <QDir>
#include <QEventLoop>
#include <QFile>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QProcess>
#include <QProgressDialog>
#include <QPushButton>
#include <QRegularExpression>
#include <QSaveFile>
#include <QTableWidget>
#include <QVBoxLayout>

namespace zv {

namespace {

QByteArray csvField(const QString &s)
{
    const QByteArray utf8 = s.toUtf8();
    if (!s.contains(QLatin1Char(',')) && !s.contains(QLatin1Char('"'))
        && !s.contains(QLatin1Char('\r')) && !s.contains(QLatin1Char('\n')))
        return utf8;
    QByteArray out = "\"";
    for (char c : utf8)
        out += c == '"' ? QByteArray("\"\"") : QByteArray(1, c);
    return out + '"';
}

int commentLine(const QString &comment)
{
    static const QRegularExpression line(QStringLiteral("^línea (\\d+):"));
    const QRegularExpressionMatch m = line.match(comment);
    return m.hasMatch() ? m.captured(1).toInt() : 0;
}

} // namespace

QList<QStringList> parseCsv(const QByteArray &bytes)
{
    QList<QStringList> records;
    QStringList record;
    QByteArray field;
    bool quoted = false, any = false;
    for (qsizetype i = 0; i < bytes.size(); ++i) {
        const char c = bytes.at(i);
        if (quoted) {
            if (c == '"' && i + 1 < bytes.size() && bytes.at(i + 1) == '"') {
                field += '"';
                ++i;
            } else if (c == '"') {
                quoted = false;
            } else {
                field += c;
            }
        } else if (c == '"') {
            quoted = true;
            any = true;
        } else if (c == ',') {
            record << QString::fromUtf8(field);
            field.clear();
            any = true;
        } else if (c == '\n' || c == '\r') {
            if (c == '\r' && i + 1 < bytes.size() && bytes.at(i + 1) == '\n')
                ++i;
            record << QString::fromUtf8(field);
            records << record;
            record.clear();
            field.clear();
            any = false;
        } else {
            field += c;
            any = true;
        }
    }
    if (any || !field.isEmpty())
        records << (record << QString::fromUtf8(field));
    return records;
}

bool readClassMarks(const QByteArray &out, const QByteArray &errors, ClassMarks &marks)
{
    const QList<QStringList> records = parseCsv(out);
    if (records.isEmpty())
        return false;
    const QStringList &header = records.first();
    // alumno, archivo, then each exercise and its comment, then total.
    if (header.size() < 5 || header.size() % 2 == 0 || header.last() != QStringLiteral("total"))
        return false;
    const int exercises = int(header.size() - 3) / 2;
    marks = ClassMarks();
    for (int k = 0; k < exercises; ++k)
        marks.exercises << header.at(2 + 2 * k);
    QHash<QString, QString> reasons;
    for (const QString &line : QString::fromUtf8(errors).split(QLatin1Char('\n'))) {
        static const QString prefix = QStringLiteral("zarvik-pl: ");
        if (!line.startsWith(prefix))
            continue;
        const qsizetype colon = line.indexOf(QStringLiteral(": "), prefix.size());
        if (colon > 0)
            reasons.insert(line.mid(prefix.size(), colon - prefix.size()), line.mid(colon + 2));
    }
    for (qsizetype r = 1; r < records.size(); ++r) {
        const QStringList &f = records.at(r);
        if (f.size() != header.size())
            return false;
        ClassMarks::Row row;
        row.student = f.at(0);
        row.file = f.at(1);
        row.total = f.last();
        row.read = !row.total.isEmpty();
        row.reason = reasons.value(row.file);
        for (int k = 0; k < exercises && row.read; ++k) {
            row.points << f.at(2 + 2 * k);
            row.comments << f.at(3 + 2 * k);
        }
        marks.rows << row;
    }
    return true;
}

QByteArray ClassMarks::csv() const
{
    QByteArray out = "alumno,archivo";
    for (const QString &e : exercises)
        out += ',' + csvField(e);
    out += ",total\n";
    for (const Row &r : rows) {
        out += csvField(r.student) + ',' + csvField(r.file);
        for (qsizetype k = 0; k < exercises.size(); ++k)
            out += ',' + (r.read ? csvField(r.points.value(k)) : QByteArray());
        out += ',' + csvField(r.total) + '\n';
    }
    return out;
}

QStringList submissionFiles(const QString &folder)
{
    QDir dir(folder);
    QStringList out = dir.entryList(QDir::Files | QDir::NoDotAndDotDot, QDir::NoSort);
    out.erase(std::remove_if(out.begin(), out.end(),
                  [](const QString &name) { return name.startsWith(QLatin1Char('.')); }),
        out.end());
    // zarvik-pl orders them by the bytes of their names.
    std::sort(out.begin(), out.end(),
        [](const QString &a, const QString &b) { return a.toUtf8() < b.toUtf8(); });
    return out;
}

bool runInterpreter(QWidget *owner, const QStringList &arguments, int steps, const QString &label,
    QByteArray &out, QByteArray &errors, int &status, QString &message)
{
    QProcess process;
    QProgressDialog progress(label, QStringLiteral("Cancelar"), 0, std::max(steps, 1), owner);
    progress.setObjectName(QStringLiteral("ProgresoCorreccion"));
    progress.setWindowTitle(QStringLiteral("Zarvik"));
    progress.setMinimumDuration(0);
    progress.setAutoClose(false);
    progress.setAutoReset(false);
    progress.setWindowModality(Qt::WindowModal);
    QEventLoop loop;
    bool started = true;
    QObject::connect(&process, &QProcess::readyReadStandardOutput, &progress, [&] {
        out += process.readAllStandardOutput();
        const int rows = std::max<int>(0, int(out.count('\n')) - 1);
        progress.setValue(std::min(rows, progress.maximum()));
        progress.setLabelText(QStringLiteral("%1 (%2 de %3)").arg(label).arg(rows).arg(steps));
    });
    QObject::connect(&process, &QProcess::readyReadStandardError, &progress,
        [&] { errors += process.readAllStandardError(); });
    QObject::connect(&process, &QProcess::finished, &loop, &QEventLoop::quit);
    QObject::connect(&process, &QProcess::errorOccurred, &loop, [&](QProcess::ProcessError e) {
        if (e == QProcess::FailedToStart) {
            started = false;
            loop.quit();
        }
    });
    QObject::connect(&progress, &QProgressDialog::canceled, &loop, [&] {
        process.kill();
        loop.quit();
    });
    const QString program = QCoreApplication::applicationDirPath() + QStringLiteral("/zarvik-pl");
    process.start(program, arguments);
    progress.show();
    loop.exec();
    if (progress.wasCanceled()) {
        process.waitForFinished(-1);
        message.clear();
        return false;
    }
    if (!started) {
        message = QStringLiteral("No se pudo iniciar %1: %2.")
                      .arg(QDir::toNativeSeparators(program), process.errorString());
        return false;
    }
    out += process.readAllStandardOutput();
    errors += process.readAllStandardError();
    status = process.exitStatus() == QProcess::NormalExit ? process.exitCode() : -1;
    return true;
}

MarksWindow::MarksWindow(const ClassMarks &marks, const QString &folder, QWidget *parent)
    : QDialog(parent), m_marks(marks), m_folder(folder)
{
    setObjectName(QStringLiteral("NotasDeLaClase"));
    setWindowTitle(QStringLiteral("Notas de %1").arg(QDir::toNativeSeparators(folder)));
    setAttribute(Qt::WA_DeleteOnClose);
    const int exercises = int(marks.exercises.size());
    table = new QTableWidget(int(marks.rows.size()) + 1, exercises + 3, this);
    table->setObjectName(QStringLiteral("TablaDeNotas"));
    table->setEditTriggers(QAbstractItemView::NoEditTriggers);
    table->setSelectionBehavior(QAbstractItemView::SelectItems);
    QStringList header{QStringLiteral("Alumno"), QStringLiteral("Archivo")};
    header << marks.exercises << QStringLiteral("Total");
    table->setHorizontalHeaderLabels(header);
    auto cell = [this](int row, int column, const QString &text, const QString &tip) {
        auto *item = new QTableWidgetItem(text);
        item->setToolTip(tip);
        if (column >= 2)
            item->setTextAlignment(Qt::AlignCenter);
        table->setItem(row, column, item);
    };
    QList<int> right(exercises, 0);
    int read = 0;
    for (int r = 0; r < marks.rows.size(); ++r) {
        const ClassMarks::Row &row = marks.rows.at(r);
        const QString fileTip = row.read ? QString() : row.reason;
        cell(r, 0, row.student, fileTip);
        cell(r, 1, row.file, fileTip);
        read += row.read ? 1 : 0;
        for (int k = 0; k < exercises; ++k) {
            const QString comment = row.comments.value(k);
            if (row.read && comment.isEmpty())
                ++right[k];
            cell(r, 2 + k, row.points.value(k),
                !row.read               ? fileTip
                    : comment.isEmpty() ? QStringLiteral("Correcto")
                                        : comment);
        }
        cell(r, exercises + 2, row.total, fileTip);
    }
    // How many got each exercise right: what was hard for the class.
    const int summary = int(marks.rows.size());
    cell(summary, 0, QStringLiteral("Aciertos"), QString());
    cell(summary, 1, QString(), QString());
    for (int k = 0; k < exercises; ++k)
        cell(summary, 2 + k, QStringLiteral("%1 de %2").arg(right[k]).arg(read),
            QStringLiteral("Alumnos que resolvieron bien %1").arg(marks.exercises.at(k)));
    cell(summary, exercises + 2, QString(), QString());
    table->resizeColumnsToContents();
    connect(table, &QTableWidget::cellDoubleClicked, this, [this](int row, int column) {
        if (row < 0 || row >= m_marks.rows.size())
            return;
        const ClassMarks::Row &r = m_marks.rows.at(row);
        const int k = column - 2;
        const int line = k >= 0 && k < r.comments.size() ? commentLine(r.comments.at(k)) : 0;
        Q_EMIT submissionRequested(QDir(m_folder).filePath(r.file), line);
    });

    saveButton = new QPushButton(QStringLiteral("Guardar notas…"), this);
    saveButton->setObjectName(QStringLiteral("GuardarNotas"));
    connect(saveButton, &QPushButton::clicked, this, [this] { saveMarks(); });
    auto *close = new QPushButton(QStringLiteral("Cerrar"), this);
    connect(close, &QPushButton::clicked, this, &QDialog::close);
    auto *buttons = new QHBoxLayout;
    buttons->addStretch();
    buttons->addWidget(saveButton);
    buttons->addWidget(close);
    auto *layout = new QVBoxLayout(this);
    layout->addWidget(table);
    layout->addLayout(buttons);
    resize(720, 420);
}

void MarksWindow::saveMarks()
{
    const std::optional<QString> path = askSaveFileName(this, saveDialog);
    if (!path)
        return;
    QSaveFile file(*path);
    const QByteArray bytes = m_marks.csv();
    if (!file.open(QIODevice::WriteOnly) || file.write(bytes) != bytes.size() || !file.commit())
        dialogs().messageBox(this,
            QStringLiteral("No se pueden guardar las notas en %1: %2")
                .arg(QDir::toNativeSeparators(*path), file.errorString()),
            QStringLiteral("Zarvik"), MB_OK | MB_ICONERROR);
}

} // namespace zv
