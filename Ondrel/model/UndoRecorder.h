#pragma once

#include "Plan.h"
#include "SerialQueue.h"
#include "UndoLog.h"

#include <QList>
#include <QString>

#include <optional>

// How a step is recorded: fully (undo log, and the journal when the files lie in an
// authorised workspace), in the undo log only (a step that copied: its pairs are not moves,
// and a journalled "move" would mislead AI clients and fail the library's undo), or not at
// all (someone recorded it already).
enum class Recording { Full, LogOnly, None };

// The one process-wide recorder of the application's renames and moves. Every window's
// undo stack and every caller without a window (the watch agent) records through it, so a
// rename made with no window open is still written down.
//
// Callable from the GUI thread; never waits. The undo log appends on its own worker; the
// workspace lookup and the journal append run on the recorder's serial worker, in call
// order, and the collaboration store reloads afterwards on the GUI thread. A failed undo-log
// append is signalled by UndoLog::writeFailed; failures of the registry or the journal are
// dropped: the step itself is unaffected.
class UndoRecorder
{
public:
    using Pair = UndoLog::Pair; // (from, to)

    static UndoRecorder &shared();

    UndoRecorder() = default;
    UndoRecorder(const UndoRecorder &) = delete;
    UndoRecorder &operator=(const UndoRecorder &) = delete;

    void record(const QString &name, OpKind kind, const QList<Pair> &pairs, Recording how);

    // Blocks until every record made so far is in the undo log and the journal. For
    // quitting and for tests.
    void flush();

    // The "applied" record of the pairs: the workspace holding the first source, with one
    // operation per pair whose both sides lie inside it (not the workspace folder itself),
    // paths relative to it. Both sides are compared with symbolic links resolved, as the
    // registry stores workspaces, so a workspace reached through a link is recorded. None
    // when no workspace holds the first source or no pair qualifies. Reads the registry.
    static std::optional<Transaction> transactionFor(OpKind kind, const QList<Pair> &pairs);

private:
    SerialQueue m_queue;
};
