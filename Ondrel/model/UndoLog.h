#pragma once

#include "SerialQueue.h"
#include "WriteFailures.h"

#include <QDateTime>
#include <QJsonObject>
#include <QList>
#include <QObject>
#include <QPair>
#include <QString>

// One line of "undo.log": the undo step's display name, the item's path before and after
// the operation, and the time of the append call (seconds since 2001-01-01 UTC).
struct UndoLogEntry
{
    QString op;
    QString from;
    QString to;
    double ts = 0;

    QJsonObject toJson() const;
};

// A write-only record of the browser's undoable file operations, kept as JSON Lines in
// "undo.log" of the application's data folder (MarovelPaths::appSupport(), never
// MAROVEL_HOME). Nothing reads it back or trims it.
//
// Appends run on one serial background worker, so calls reach the file in call order and
// the lines of one call are written together (one write). The file is only ever opened
// for appending: when that fails the new lines are dropped, the old ones stay, and
// writeFailed is emitted, once until an append succeeds again (see WriteFailures).
class UndoLog : public QObject
{
    Q_OBJECT

public:
    using Pair = QPair<QString, QString>; // (from, to)

    static UndoLog &shared();

    UndoLog(); // the folder as MarovelPaths::appSupport() says now
    QString path() const { return m_path; }

    // One line per pair, all with the same time and `op`; returns at once. An empty list
    // writes nothing.
    void append(const QString &op, const QList<Pair> &pairs);

    // Blocks until every append made so far has reached the file. For quitting and tests.
    void flush();

signals:
    // Lines could not be appended to `path` (`error` is the errno). Emitted on the
    // worker's thread: receivers on the GUI thread get it queued.
    void writeFailed(const QString &path, int error);

private:
    QString m_dir;
    QString m_path;
    WriteFailures m_failures; // used by the queue's jobs only
    SerialQueue m_queue;      // last: destroyed first, waiting for its jobs
};
