#include "check/CheckRun.h"

#include "check/CheckWindow.h"
#include "check/LogicWorker.h"

#include <QTextBlock>
#include <QTextDocument>

namespace zv {
namespace {

// A check that answers within this time shows its answer alone; a longer one shows its progress
// and its answers as they come, and can be cancelled.
constexpr int kQuietMs = 200;
// Answers that come meanwhile are shown together, so a flood of small ones is one layout.
constexpr int kFlushMs = 50;

} // namespace

CheckRun::CheckRun(const QTextDocument &document, int from, int to, ModalSystem system,
    bool truthTable, CheckWindow &window, QObject *parent)
    : QObject(parent), m_document(document), m_window(&window),
      m_worker(std::make_unique<LogicWorker>()), m_span(readableSpan(document, from, to)),
      m_truthTable(truthTable)
{
    // Where the span starts as the user counts: lines of the whole document (a soft line break
    // starts one too) and readable characters. Once, so each answer costs nothing to place.
    const QTextBlock first = document.findBlock(from);
    for (QTextBlock b = document.begin(); b.isValid() && b != first; b = b.next())
        m_firstLine += 1 + int(b.text().count(QChar::LineSeparator));
    const QString before = first.text().left(from - first.position());
    m_firstLine += int(before.count(QChar::LineSeparator));
    const int lineStart = first.position() + int(before.lastIndexOf(QChar::LineSeparator) + 1);
    m_firstColumn += int(readableSpan(document, lineStart, from).text.toUcs4().size());

    connect(m_worker.get(), &LogicWorker::answered, this, &CheckRun::add);
    connect(m_worker.get(), &LogicWorker::finished, this, [this] { finish({}); });
    connect(m_worker.get(), &LogicWorker::failed, this, &CheckRun::finish);
    m_flush.setInterval(kFlushMs);
    connect(&m_flush, &QTimer::timeout, this, &CheckRun::flush);
    m_quiet.setSingleShot(true);
    connect(&m_quiet, &QTimer::timeout, this, [this] {
        if (!m_window || !isRunning())
            return;
        m_shown = true;
        m_window->showProgress(m_truthTable ? QStringLiteral("Calculando la tabla de verdad…")
                                            : QStringLiteral("Comprobando…"));
        m_window->showBeside();
        flush();
        m_flush.start();
    });
    m_quiet.start(kQuietMs);
    m_worker->start(m_span.text.toUtf8(), system, truthTable);
}

CheckRun::~CheckRun() = default;

bool CheckRun::isRunning() const
{
    return m_worker->isRunning();
}

void CheckRun::cancel()
{
    if (!isRunning())
        return;
    m_worker->cancel();
    m_cancelled = true;
    finish({});
}

QString CheckRun::answerText(const LogicProblem &problem)
{
    if (problem.syntaxError) {
        const int column = problem.errorColumn + (problem.errorLine == 1 ? m_firstColumn - 1 : 0);
        return QStringLiteral("Error en la línea %1, columna %2: %3\n")
            .arg(documentLine(problem.errorLine))
            .arg(column)
            .arg(problem.errorMessage);
    }
    QString part = problem.text.isEmpty()
        ? QStringLiteral("Línea %1\n").arg(documentLine(problem.firstLine))
        : QStringLiteral("Línea %1: %2\n").arg(documentLine(problem.firstLine)).arg(problem.text);
    if (m_truthTable) {
        if (!problem.truthTable.isEmpty())
            part += problem.truthTable;
        else if (problem.verdict.isEmpty() && problem.stop.isEmpty()
            && !problem.explanation.isEmpty())
            part += problem.explanation; // an argument with a line in error
        else
            part += QStringLiteral("La tabla de verdad es solo para la lógica proposicional.\n");
        return part;
    }
    if (!problem.system.isEmpty())
        part += QStringLiteral("Sistema modal: %1\n").arg(problem.system);
    if (!problem.verdict.isEmpty())
        part += problem.verdict + QLatin1Char('\n');
    return part + problem.explanation;
}

void CheckRun::add(const LogicProblem &problem)
{
    ++m_answers;
    if (problem.syntaxError && m_error.first < 0) {
        const std::pair<int, int> at = m_span.range(problem.errorLine, problem.errorColumn);
        const int lineStart = m_span.range(problem.errorLine, 1).first;
        m_error = at.first >= 0 ? at
            : lineStart >= 0    ? std::pair{lineStart, lineStart}
                                : std::pair{m_span.at.back(), m_span.at.back()};
    }
    m_parts << answerText(problem);
}

void CheckRun::flush()
{
    if (!m_window || m_parts.isEmpty())
        return;
    m_window->appendAnswers(m_parts.join(QLatin1Char('\n')));
    m_parts.clear();
}

void CheckRun::finish(const QString &failure)
{
    m_quiet.stop();
    m_flush.stop();
    if (failure.isEmpty() && !m_cancelled && m_answers == 0)
        m_parts << QStringLiteral("La selección no contiene ninguna fórmula.\n");
    if (!failure.isEmpty())
        m_parts << failure + QLatin1Char('\n');
    if (m_window) {
        if (!m_shown)
            m_window->showProgress(QString());
        flush();
        if (m_cancelled)
            m_window->prependAnswers(QStringLiteral("Comprobación cancelada: los problemas que "
                                                    "faltaban quedan sin decidir.\n"));
        m_window->finishAnswers(
            m_error.first >= 0 ? QStringLiteral("Error en la línea") : QString());
        m_window->showBeside();
    }
    // The text may have been edited meanwhile; then its error is found by line and column only.
    std::pair<int, int> error = m_error;
    if (error.first >= 0) {
        const ReadableSpan now = readableSpan(m_document, m_span.at.front(), m_span.at.back());
        if (now.text != m_span.text || now.at != m_span.at)
            error = {-1, -1};
    }
    Q_EMIT ended(error.first, error.second);
}

} // namespace zv
