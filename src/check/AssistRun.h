#pragma once

#include "check/LogicProblem.h"
#include "check/LogicWorker.h"
#include "platform/format/ReadableText.h"

#include <QObject>
#include <QPointer>
#include <QStringList>
#include <QTimer>

#include <memory>

class QTextDocument;

namespace zv {

class CheckWindow;

/// "Demostrar" inserts a derivation of at most this many lines; a longer one is offered to copy
/// instead, since the worksheet it would swamp is the user's, and no exercise wants it.
inline constexpr int kMaxInsertedDerivationLines = 500;

/**
 * One "Demostrar" or "Siguiente paso": the document is read up to @p to as the user sees it, the
 * worker is asked, and the lines it proposes come back with the document position where they
 * go. Meanwhile the editor goes on; past a moment the check window shows the search and its
 * "Cancelar". What cannot be done (an invalid argument, with its countermodel) is said in the
 * check window, and the document is left alone.
 */
class AssistRun : public QObject
{
    Q_OBJECT

public:
    using Kind = LogicWorker::Assist;
    /// @p line is the document line (1-based, soft line breaks counted) asked about; the text
    /// sent ends at @p to.
    /// @p basicRules: only the course's basic rules, until a "reglas:" line says otherwise.
    AssistRun(Kind kind, const QTextDocument &document, int line, int to, ModalSystem system,
        bool basicRules, CheckWindow &window, QObject *parent = nullptr);
    ~AssistRun() override;

    void cancel();
    bool isRunning() const { return m_worker->isRunning(); }

Q_SIGNALS:
    /// Insert @p text at document position @p position: a line break, then the lines. Only
    /// when the document has not changed since it was read.
    void insert(int position, const QString &text);
    /// Over: inserted, refused, cancelled or failed.
    void ended();

private:
    void answered(const QJsonObject &message);
    void say(const QString &text);
    void finish();

    const QTextDocument &m_document;
    QPointer<CheckWindow> m_window;
    std::unique_ptr<LogicWorker> m_worker;
    Kind m_kind;
    ReadableSpan m_span;
    int m_revision = 0;
    bool m_shown = false;
    bool m_over = false;
    QStringList m_said;
    QString m_tooLong; ///< a derivation past kMaxInsertedDerivationLines, offered to copy
    QTimer m_quiet;
};

/// The document line (1-based, a soft line break starting one too) that holds @p position.
int documentLineAt(const QTextDocument &document, int position);

} // namespace zv
