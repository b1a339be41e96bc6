#pragma once

#include "check/LogicProblem.h"
#include "platform/format/ReadableText.h"

#include <QElapsedTimer>
#include <QObject>
#include <QPointer>
#include <QStringList>
#include <QTimer>

#include <memory>
#include <utility>

class QTextDocument;

namespace zv {

class CheckWindow;
class LineMarks;
class LogicWorker;

/**
 * One "Comprobar" or "Tabla de verdad" of a span of the document: the engine's answers, each
 * under the document line where its problem starts, go to the check window as they come. The
 * positions are worked out once for the whole span, so a long document costs its length, not
 * its square.
 */
class CheckRun : public QObject
{
    Q_OBJECT

public:
    /// With @p marks, each answer also marks its line in the editor's margin.
    /// @p basicRules: derivations under the course's basic rules until a "reglas:" line.
    CheckRun(const QTextDocument &document, int from, int to, ModalSystem system, bool basicRules,
        bool truthTable, CheckWindow &window, LineMarks *marks = nullptr,
        QObject *parent = nullptr);
    ~CheckRun() override;

    /// Stops the engine at once; the answers shown so far stay, under a note that says so.
    void cancel();
    bool isRunning() const;

Q_SIGNALS:
    /// The check is over (answered, cancelled or failed). @p errorFrom and @p errorTo select the
    /// first syntax error in the document, or are -1 when there is none, or when the text
    /// changed meanwhile so that the error no longer knows its character.
    void ended(int errorFrom, int errorTo);

private:
    void readSome();
    void add(const LogicProblem &problem);
    void flush();
    void finish(const QString &failure);
    void conclude();
    QString answerText(const LogicProblem &problem);
    void mark(const LogicProblem &problem);
    /// "12 líneas comprobadas: 5 válidas, …; 7 líneas de texto"
    QString summary() const;
    /// Line @p line (1-based) of the checked text, as it reads, at most @p most characters.
    QString lineText(int line, int most) const;
    int lineLength(int line) const;
    /// Where line @p line of the checked text starts in the document, or -1.
    int linePosition(int line) const { return m_span.range(line, 1).first; }
    int documentLine(int line) const { return m_firstLine + line - 1; }

    const QTextDocument &m_document;
    QPointer<CheckWindow> m_window;
    QPointer<LineMarks> m_marks;
    QList<int> m_lineStarts; ///< where each line of the checked text starts in m_span.text
    int m_counts[5] = {};    ///< answers by Outcome
    int m_prose = 0;         ///< lines of text passed over
    std::unique_ptr<LogicWorker> m_worker;
    ReadableSpan m_span;
    bool m_truthTable = false;
    int m_from = 0, m_to = 0; ///< the checked range of the document
    ModalSystem m_system = ModalSystem::K;
    bool m_basicRules = false;
    bool m_reading = false; ///< the document is still being read, a piece at a time
    int m_readAt = 0;       ///< where the next piece starts
    int m_firstLine = 1;    ///< the document line of the span's first line
    int m_firstColumn = 1;  ///< the document column of the span's first character
    QStringList m_parts;    ///< answers not yet shown
    int m_answers = 0;
    int m_firstBrief = 0; ///< the first document line answered with its verdict alone
    bool m_shown = false;
    bool m_cancelled = false;
    bool m_ending = false; ///< every answer came; those not yet shown go in before the end
    int m_revision = 0;    ///< the document's, when the check began
    std::pair<int, int> m_error{-1, -1};
    QTimer m_flush;
    QTimer m_quiet;
};

} // namespace zv
