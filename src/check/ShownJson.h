#pragma once

#include <QJsonObject>
#include <QList>
#include <QString>
#include <QStringList>

#include <utility>

namespace zv {

/// A closed tree as the worker sends it (logic/worker/PROTOCOL.md), ready to draw.
struct ShownTree
{
    struct Node
    {
        int parent = -1;
        QString text; ///< a formula, or "w0 R w1" for an accessibility line
        int world = -1;
        int world2 = -1; ///< an accessibility line's second world, else -1
        QString origin;  ///< "de 3 y 5, ∧", "premisa"…
        int closedBy1 = -1, closedBy2 = -1;
        /// A note, not a line: its world is blocked, for it repeats this earlier world.
        int repeats = -1;
        bool fault = false; ///< a faulty line of the student's own tree: drawn in red
        bool isNote() const { return repeats >= 0; }
        bool closes() const { return closedBy1 >= 0 && closedBy2 >= 0; }
    };
    QList<Node> nodes; ///< depth first, left branch first; a node's number is its index + 1
    bool modal = false;
    bool truncated = false;

    /// Nodes whose parent is not an earlier node are left out with all below them, so that
    /// whatever the message holds, the nodes form one tree.
    static ShownTree fromJson(const QJsonObject &tree);
    bool isEmpty() const { return nodes.isEmpty(); }
};

/// A checked countermodel as the worker sends it.
struct ShownModel
{
    struct Symbol
    {
        QString name;
        int arity = 0;
        /// Predicates: per world, the tuples of the extension. Functions: one group of rows,
        /// the arguments followed by the value.
        QList<QList<QList<int>>> rows;
    };
    bool firstOrder = false;
    bool modal = false;
    int domain = 0;
    int worlds = 0;
    QList<std::pair<int, int>> access;
    QList<Symbol> predicates, functions;
    /// A student's model: the names written for its elements and worlds, and its first fault.
    QStringList elementNames, worldNames;
    QString fault;

    /// Out-of-range worlds and elements are dropped; a domain or a number of worlds beyond the
    /// limits of a drawing is capped (kMaxModelSize).
    static ShownModel fromJson(const QJsonObject &model);
    bool isEmpty() const { return worlds == 0 && domain == 0; }
    /// The letters (predicates without arguments) true at @p world.
    QStringList lettersAt(int world) const;
    /// Every letter's value at @p world, as the letter or its negation: "p", "¬q".
    QStringList valuationAt(int world) const;
    /// Whether the tuple @p tuple is in @p symbol's extension at @p world.
    bool holds(const Symbol &symbol, int world, const QList<int> &tuple) const;
    /// The name of element @p e, "0", "1"… unless the model names them.
    QString element(int e) const;
    /// The name of world @p w, "w0", "w1"… unless the model names them.
    QString world(int w) const;
};

/// Beyond this, a model is read no further: its picture would be unreadable anyway.
inline constexpr int kMaxModelSize = 1000;

} // namespace zv
