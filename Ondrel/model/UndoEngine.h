#pragma once

#include "FileJobs.h"
#include "UndoStep.h"

#include <QList>
#include <QString>

// What reversing a step did: the pairs reversed and those left as they were, each list in
// the step's own order, and the first failure's reason.
struct UndoOutcome
{
    QList<UndoStep::Pair> undone;
    QList<UndoStep::Pair> left;
    QString error; // the reason of the first pair that could not be reversed
};

namespace UndoEngine {

// Reverses the step's pairs, newest first, never over an existing name: an item whose old
// name is taken, or that is gone, stays as it is and is listed in `left`. Stops before the
// next pair once the job is cancelled (the rest is left). Reads and writes the disk: run it
// as a file job, never on the GUI thread.
UndoOutcome reverse(const UndoStep &step, const FileJob &job);

// The status line after a reversal: what was undone, or how many items stayed and why.
QString outcomeText(const UndoStep &step, const UndoOutcome &outcome);

} // namespace UndoEngine
