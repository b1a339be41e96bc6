#include "check/AssistRun.h"

#include "check/CheckWindow.h"
#include "platform/format/LongParagraphs.h"

#include <QJsonArray>
#include <QJsonObject>
#include <QPlainTextEdit>
#include <QTextBlock>
#include <QTextDocument>

namespace zv {
namespace {

// As a check: a quick answer comes alone, a longer search shows its progress and "Cancelar".
constexpr int kQuietMs = 200;

} // namespace

int documentLineAt(const QTextDocument &document, int position)
{
    const QTextBlock at = document.findBlock(position);
    int line = 1;
    for (QTextBlock b = document.begin(); b.isValid() && b != at; b = b.next())
        line += linesStartingIn(b);
    return line + int(at.text().left(position - at.position()).count(QChar::LineSeparator))
        - (continuesParagraph(at) ? 1 : 0);
}

AssistRun::AssistRun(Kind kind, const QTextDocument &document, int line, int to, ModalSystem system,
    bool basicRules, CheckWindow &window, QObject *parent)
    : QObject(parent), m_document(document), m_window(&window),
      m_worker(std::make_unique<LogicWorker>()), m_kind(kind)
{
    // From the document's start, so that the worker's lines are the document's and the
    // "sistema:" lines above count.
    m_span = readableSpan(document, 0, to);
    m_revision = document.revision();
    connect(m_worker.get(), &LogicWorker::assisted, this, &AssistRun::answered);
    connect(m_worker.get(), &LogicWorker::answered, this, [this](const LogicProblem &p) {
        // An argument without a derivation: its answer, the countermodel drawn.
        QString part = QStringLiteral("Línea %1: %2\n").arg(p.firstLine).arg(p.text);
        if (!p.system.isEmpty())
            part += QStringLiteral("Sistema modal: %1\n").arg(p.system);
        if (!p.verdict.isEmpty())
            part += p.verdict + QLatin1Char('\n');
        m_said << part + p.explanation;
        if (m_window)
            m_window->addProblem(p.firstLine, p);
    });
    connect(m_worker.get(), &LogicWorker::finished, this, &AssistRun::finish);
    connect(m_worker.get(), &LogicWorker::failed, this, [this](const QString &failure) {
        m_said << failure + QLatin1Char('\n');
        finish();
    });
    m_quiet.setSingleShot(true);
    connect(&m_quiet, &QTimer::timeout, this, [this] {
        if (!m_window || !isRunning())
            return;
        m_shown = true;
        m_window->showProgress(m_kind == Kind::Prove
                ? QStringLiteral("Buscando una derivación…")
                : QStringLiteral("Buscando el siguiente paso…"));
        m_window->showBeside();
    });
    m_quiet.start(kQuietMs);
    m_worker->startAssist(kind, m_span.text.toUtf8(), system, line, basicRules);
}

AssistRun::~AssistRun() = default;

void AssistRun::answered(const QJsonObject &message)
{
    const int line = message.value(QLatin1String("line")).toInt();
    if (!message.value(QLatin1String("found")).toBool()) {
        const QString what = m_kind == Kind::Prove ? QStringLiteral("Demostrar")
                                                   : QStringLiteral("Siguiente paso");
        const QString reason = message.value(QLatin1String("reason")).toString();
        // A reason that is a sentence of its own ("La hoja no permite esta ayuda.") keeps its
        // own full stop.
        const QString end = reason.endsWith(QLatin1Char('.')) ? QString() : QStringLiteral(".");
        m_said << QStringLiteral("%1, línea %2: %3%4\n").arg(what).arg(line).arg(reason, end);
        return;
    }
    QStringList lines;
    for (const QJsonValue &l : message.value(QLatin1String("lines")).toArray())
        lines << l.toString();
    if (lines.isEmpty() || line < 1 || line > int(m_span.lineStarts.size()))
        return;
    if (m_document.revision() != m_revision) {
        // Lines found for a text that is no longer there would go to the wrong place.
        m_said << QStringLiteral("El documento cambió durante la búsqueda y no se ha tocado: "
                                 "vuelva a pedirlo.\n");
        return;
    }
    // The end of the line, before its line break: the lines go below it.
    const qsizetype end = std::size_t(line) < m_span.lineStarts.size()
        ? m_span.lineStarts[std::size_t(line)] - 1
        : m_span.text.size();
    if (m_kind == Kind::Prove && lines.size() > kMaxInsertedDerivationLines) {
        m_tooLong = lines.join(QLatin1Char('\n')) + QLatin1Char('\n');
        m_said << QStringLiteral("Demostrar, línea %1: la derivación encontrada tiene %2 líneas, "
                                 "más de las %3 que se insertan en el documento; no se ha "
                                 "tocado. «Copiar la derivación» la pone en el portapapeles.\n")
                      .arg(line)
                      .arg(lines.size())
                      .arg(kMaxInsertedDerivationLines);
        return;
    }
    if (m_kind == Kind::Next)
        m_said << QStringLiteral("Siguiente paso: %1 :%2\n")
                      .arg(message.value(QLatin1String("formula")).toString(),
                          message.value(QLatin1String("justification")).toString());
    Q_EMIT insert(m_span.at[std::size_t(end)], QLatin1Char('\n') + lines.join(QLatin1Char('\n')));
}

void AssistRun::cancel()
{
    if (m_over)
        return;
    m_worker->cancel();
    m_said << (m_kind == Kind::Prove ? QStringLiteral("Demostrar: cancelado.\n")
                                     : QStringLiteral("Siguiente paso: cancelado.\n"));
    finish();
}

void AssistRun::finish()
{
    if (m_over)
        return;
    m_over = true;
    m_quiet.stop();
    // Something to say, or a search the user watched: the window tells how it ended.
    if (m_window && (m_shown || !m_said.isEmpty())) {
        if (!m_shown)
            m_window->showProgress(QString());
        m_window->appendAnswers(m_said.isEmpty()
                ? (m_kind == Kind::Prove ? QStringLiteral("Derivación insertada.\n")
                                         : QStringLiteral("Paso insertado.\n"))
                : m_said.join(QLatin1Char('\n')));
        m_window->finishAnswers(QString());
        if (!m_tooLong.isEmpty())
            m_window->offerDerivationCopy(m_tooLong);
        m_window->showBeside();
    }
    Q_EMIT ended();
}

} // namespace zv
