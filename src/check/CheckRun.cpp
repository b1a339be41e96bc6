#include "check/CheckRun.h"

#include "check/CheckWindow.h"
#include "check/LineMarks.h"
#include "check/LogicWorker.h"
#include "platform/format/LongParagraphs.h"

#include <QElapsedTimer>
#include <QTextBlock>
#include <QTextDocument>

namespace zv {
namespace {

// A check that answers within this time shows its answer alone; a longer one shows its progress
// and its answers as they come, and can be cancelled.
constexpr int kQuietMs = 200;
// Answers that come meanwhile are shown together, so a flood of small ones is one layout; a
// flood larger than one slice's worth goes in over several turns of the event loop.
constexpr int kFlushMs = 50;
constexpr qint64 kSliceMs = 25;
// What is read of the document at once, in characters: a few milliseconds' worth.
constexpr int kReadChars = 20'000;
// A line longer than this is named by its start above its answer.
constexpr int kHeadingChars = 120;

} // namespace

CheckRun::CheckRun(const QTextDocument &document, int from, int to, ModalSystem system,
    bool basicRules, bool truthTable, CheckWindow &window, LineMarks *marks, QObject *parent)
    : QObject(parent), m_document(document), m_window(&window), m_marks(marks),
      m_worker(std::make_unique<LogicWorker>()), m_truthTable(truthTable), m_from(from), m_to(to),
      m_system(system), m_basicRules(basicRules)
{
    // Where the span starts as the user counts: lines of the whole document (a soft line break
    // starts one too) and readable characters. Once, so each answer costs nothing to place.
    const QTextBlock first = document.findBlock(from);
    for (QTextBlock b = document.begin(); b.isValid() && b != first; b = b.next())
        m_firstLine += linesStartingIn(b);
    m_firstLine += int(first.text().left(from - first.position()).count(QChar::LineSeparator))
        - (continuesParagraph(first) ? 1 : 0);
    const int lineStart = lineStartOf(document, from);
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
    m_reading = true;
    readSome();
}

void CheckRun::readSome()
{
    // A piece at a time, so that the editor answers while a long document is read; an edit
    // meanwhile moves positions, and the reading starts again.
    if (!m_reading)
        return;
    if (m_document.revision() != m_revision || m_span.at.empty()) {
        m_span = ReadableSpan();
        m_span.reserve(m_to - m_from);
        m_readAt = m_from;
        m_revision = m_document.revision();
    }
    QElapsedTimer slice;
    slice.start();
    do {
        int end = m_to;
        int length = 0;
        for (QTextBlock b = m_document.findBlock(m_readAt); b.isValid(); b = b.next()) {
            length += b.length();
            if (length > kReadChars) {
                end = std::min(m_to, b.position() + b.length());
                break;
            }
        }
        // A paragraph longer than a piece (a line of megabytes) is cut inside, but never before
        // the mark of a turnstile pair nor between the halves of a surrogate pair, which read
        // as one character with the one before them.
        if (end - m_readAt > kReadChars) {
            end = m_readAt + kReadChars;
            while (end < m_to && continuesCharacter(m_document.characterAt(end)))
                ++end;
        }
        end = std::max(end, m_readAt);
        m_span.append(readableSpan(m_document, m_readAt, end));
        m_readAt = end;
    } while (m_readAt < m_to && slice.elapsed() < kSliceMs);
    if (m_readAt < m_to) {
        QTimer::singleShot(0, this, &CheckRun::readSome);
        return;
    }
    m_reading = false;
    m_lineStarts = {0};
    for (qsizetype i = m_span.text.indexOf(QLatin1Char('\n')); i >= 0;
         i = m_span.text.indexOf(QLatin1Char('\n'), i + 1))
        m_lineStarts.push_back(int(i + 1));
    m_worker->start(m_span.text.toUtf8(), m_system, m_truthTable, m_basicRules, m_firstLine);
}

CheckRun::~CheckRun() = default;

bool CheckRun::isRunning() const
{
    return m_reading || m_worker->isRunning();
}

void CheckRun::cancel()
{
    if (!isRunning())
        return;
    m_worker->cancel();
    m_reading = false; // a piece still to read finds the check over
    m_cancelled = true;
    // At once: what came before the cancel is a few answers at most (they go in every 50 ms).
    if (m_window && !m_parts.isEmpty()) {
        if (!m_shown)
            m_window->showProgress(QString());
        m_window->appendAnswers(m_parts.join(QLatin1Char('\n')));
    }
    m_parts.clear();
    m_quiet.stop();
    conclude();
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
    // Past the first answers of a long check, the worker sends a verdict and its reason alone.
    const bool brief = problem.explanation.isEmpty() && problem.truthTable.isEmpty()
        && !problem.reason.isEmpty();
    if (brief && m_firstBrief == 0)
        m_firstBrief = documentLine(problem.firstLine);
    // Under its line number and the line as the document writes it; a derivation or an
    // argument of several lines under its first.
    // Of a line of megabytes, only what the heading shows is copied.
    QString written = lineText(problem.firstLine, kHeadingChars * 4).trimmed();
    if (written.size() > kHeadingChars || lineLength(problem.firstLine) > kHeadingChars * 4)
        written = written.left(kHeadingChars) + QStringLiteral("…");
    QString part = problem.derivation ? QStringLiteral("Líneas %1 a %2: derivación\n")
                                            .arg(documentLine(problem.firstLine))
                                            .arg(documentLine(problem.line))
        : written.isEmpty()
        ? QStringLiteral("Línea %1\n").arg(documentLine(problem.firstLine))
        : QStringLiteral("Línea %1: %2\n").arg(documentLine(problem.firstLine)).arg(written);
    if (brief) {
        const QString verdict
            = problem.verdict.isEmpty() ? QStringLiteral("No determinado") : problem.verdict;
        return part + QStringLiteral("%1 (%2)\n").arg(verdict, problem.reason);
    }
    if (m_truthTable) {
        if (!problem.truthTable.isEmpty())
            part += problem.truthTable;
        else if (!problem.work.isEmpty())
            part += problem.verdict + QLatin1Char('\n') + problem.explanation;
        else if (problem.verdict.isEmpty() && problem.stop.isEmpty()
            && !problem.explanation.isEmpty())
            part += problem.explanation; // an argument with a line in error
        else
            part += QStringLiteral("La tabla de verdad es solo para la lógica proposicional.\n");
        return part;
    }
    if (!problem.system.isEmpty())
        part += QStringLiteral("Sistema modal: %1\n").arg(problem.system);
    // "Derivación correcta: demuestra…" says its verdict itself.
    if (!problem.verdict.isEmpty() && !problem.explanation.startsWith(problem.verdict))
        part += problem.verdict + QLatin1Char('\n');
    return part + problem.explanation;
}

void CheckRun::add(const LogicProblem &problem)
{
    if (problem.prose) {
        ++m_prose;
        return;
    }
    ++m_answers;
    ++m_counts[int(problem.outcome)];
    if (m_marks)
        mark(problem);
    if (problem.syntaxError && m_error.first < 0) {
        const std::pair<int, int> at = m_span.range(problem.errorLine, problem.errorColumn);
        const int lineStart = m_span.range(problem.errorLine, 1).first;
        m_error = at.first >= 0 ? at
            : lineStart >= 0    ? std::pair{lineStart, lineStart}
                                : std::pair{m_span.at.back(), m_span.at.back()};
    }
    // Kept by the line its answer names, so that the window draws it.
    if (m_window && !problem.syntaxError)
        m_window->addProblem(documentLine(problem.firstLine), problem);
    m_parts << answerText(problem);
}

void CheckRun::flush()
{
    if (!m_window)
        m_parts.clear();
    QElapsedTimer slice;
    slice.start();
    while (!m_parts.isEmpty() && slice.elapsed() < kSliceMs) {
        const qsizetype n = std::min<qsizetype>(m_parts.size(), 64);
        m_window->appendAnswers(m_parts.mid(0, n).join(QLatin1Char('\n')));
        m_parts.remove(0, n);
    }
    if (m_ending && m_parts.isEmpty())
        conclude();
}

void CheckRun::finish(const QString &failure)
{
    m_quiet.stop();
    if (failure.isEmpty() && !m_cancelled && m_answers == 0 && m_prose == 0)
        m_parts << QStringLiteral("La selección no contiene ninguna fórmula.\n");
    if (!failure.isEmpty())
        m_parts << failure + QLatin1Char('\n');
    if (m_firstBrief > 0)
        m_parts << QStringLiteral(
            "Desde la línea %1, cada respuesta da solo su veredicto: para ver un árbol, un "
            "contramodelo o una tabla, compruebe esa línea sola.\n")
                       .arg(m_firstBrief);
    if (m_window && !m_shown)
        m_window->showProgress(QString());
    m_shown = true;
    m_ending = true;
    // The answers that are left go in slice by slice; then the check concludes.
    flush();
    if (!m_parts.isEmpty() && !m_flush.isActive())
        m_flush.start();
}

void CheckRun::conclude()
{
    m_flush.stop();
    m_ending = false;
    if (m_window) {
        // One answer is its own summary.
        if (m_answers + m_prose > 1)
            m_window->prependAnswers(summary());
        if (m_cancelled)
            m_window->prependAnswers(QStringLiteral("Comprobación cancelada: los problemas que "
                                                    "faltaban quedan sin decidir.\n"));
        m_window->finishAnswers(
            m_error.first >= 0 ? QStringLiteral("Error en la línea") : QString());
        m_window->showBeside();
    }
    // Edited meanwhile, the text no longer knows where its error stands: it is found by line
    // and column only.
    const bool unchanged = m_document.revision() == m_revision;
    Q_EMIT ended(unchanged ? m_error.first : -1, unchanged ? m_error.second : -1);
}

int CheckRun::lineLength(int line) const
{
    if (line < 1 || line > m_lineStarts.size())
        return 0;
    const int end = line < m_lineStarts.size() ? m_lineStarts[line] - 1 : int(m_span.text.size());
    return end - m_lineStarts[line - 1];
}

QString CheckRun::lineText(int line, int most) const
{
    if (line < 1 || line > m_lineStarts.size())
        return {};
    return m_span.text.mid(m_lineStarts[line - 1], std::min(lineLength(line), most));
}

void CheckRun::mark(const LogicProblem &p)
{
    const int answerLine = documentLine(p.firstLine);
    if (p.syntaxError) {
        const int at = linePosition(p.errorLine);
        if (at >= 0)
            m_marks->add(
                at, Outcome::Error, QStringLiteral("Error: ") + p.errorMessage, answerLine);
        const std::pair<int, int> error = m_span.range(p.errorLine, p.errorColumn);
        if (error.first >= 0)
            m_marks->underline(error.first, error.second);
        return;
    }
    if (!p.work.isEmpty()) {
        // The student's work is marked where it fails; when right, on its first line.
        for (const LogicProblem::Fault &f : p.faults)
            if (const int at = linePosition(f.line); at >= 0)
                m_marks->add(at, Outcome::Invalid, f.message, answerLine);
        if (p.faults.isEmpty())
            if (const int at = linePosition(p.firstLine); at >= 0)
                m_marks->add(at, p.outcome, p.reason.isEmpty() ? p.verdict : p.reason, answerLine);
        return;
    }
    if (p.derivation) {
        // A faulty derivation is marked where it fails; a correct one on its last line.
        for (const LogicProblem::Fault &f : p.faults)
            if (const int at = linePosition(f.line); at >= 0)
                m_marks->add(at, Outcome::Invalid, f.message, answerLine);
        if (p.faults.isEmpty())
            if (const int at = linePosition(p.line); at >= 0)
                m_marks->add(at, Outcome::Valid,
                    p.explanation.isEmpty() ? p.verdict
                                            : p.explanation.section(QLatin1Char('\n'), 0, 0),
                    answerLine);
        // The subproofs' bars: each from its assumption to the last line as deep as it.
        QList<std::pair<int, int>> open; // first line, depth
        int previous = 0;
        auto close = [&](int depth) {
            while (!open.isEmpty() && open.back().second >= depth) {
                m_marks->addBar(
                    linePosition(open.back().first), linePosition(previous), open.back().second);
                open.pop_back();
            }
        };
        for (const LogicProblem::FitchLine &f : p.fitchLines) {
            close(f.assumption ? f.depth : f.depth + 1);
            if (f.assumption && f.depth > 0)
                open.push_back({f.line, f.depth});
            previous = f.line;
        }
        close(1);
        // The derivation's own bar, beside its unindented lines, with the rule under its
        // premises.
        if (!p.fitchLines.isEmpty() && linePosition(p.fitchLines.front().line) >= 0
            && linePosition(p.fitchLines.back().line) >= 0) {
            int lastPremise = -1, beside = -1;
            for (const LogicProblem::FitchLine &f : p.fitchLines) {
                if (f.depth == 0 && f.premise)
                    lastPremise = f.line;
                if (f.depth == 0 && beside < 0)
                    beside = f.line;
            }
            m_marks->addOuterBar(linePosition(p.fitchLines.front().line),
                linePosition(p.fitchLines.back().line),
                lastPremise > 0 ? linePosition(lastPremise) : -1,
                beside > 0 ? linePosition(beside) : -1);
        }
        return;
    }
    // An argument of several lines is marked on its conclusion.
    const int at = linePosition(p.line);
    if (at < 0)
        return;
    const QString verdict = p.verdict.isEmpty() ? QStringLiteral("No determinado") : p.verdict;
    // "Contingencia (contingencia)" says it once.
    const bool plain = p.reason.isEmpty() || p.reason.compare(verdict, Qt::CaseInsensitive) == 0;
    m_marks->add(at, p.outcome,
        plain ? verdict : verdict + QStringLiteral(" (") + p.reason + QLatin1Char(')'), answerLine);
}

QString CheckRun::summary() const
{
    auto count = [](int n, const char *one, const char *many) {
        return QStringLiteral("%1 %2").arg(n).arg(QString::fromUtf8(n == 1 ? one : many));
    };
    QStringList parts;
    const std::pair<Outcome, std::pair<const char *, const char *>> kinds[] = {
        {Outcome::Valid, {"válida", "válidas"}},
        {Outcome::Invalid, {"no válida", "no válidas"}},
        {Outcome::Contingent, {"contingente", "contingentes"}},
        {Outcome::Unknown, {"sin decidir", "sin decidir"}},
        {Outcome::Error, {"error", "errores"}},
    };
    for (const auto &[outcome, words] : kinds)
        if (m_counts[int(outcome)] > 0)
            parts << count(m_counts[int(outcome)], words.first, words.second);
    QString text = count(m_answers, "línea comprobada", "líneas comprobadas");
    if (!parts.isEmpty())
        text += QStringLiteral(": ") + parts.join(QStringLiteral(", "));
    if (m_prose > 0)
        text += QStringLiteral("; ") + count(m_prose, "línea de texto", "líneas de texto");
    return text + QLatin1Char('\n');
}

} // namespace zv
