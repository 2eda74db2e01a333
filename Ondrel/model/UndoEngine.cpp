#include "UndoEngine.h"

#include "CoreError.h"
#include "FileSystem.h"
#include "Localization.h"
#include "OwnChanges.h"
#include "Trash.h"

#include <cerrno>

namespace {

// Reverses one pair; returns an empty string or the reason it stayed.
QString reversePair(Reversal reversal, const UndoStep::Pair &pair, const FileJob &job)
{
    const QString &from = pair.first;
    const QString &to = pair.second;
    switch (reversal) {
    case Reversal::MoveBack: {
        if (!FileSystem::exists(to))
            return systemReason(ENOENT);
        OwnChanges::note(to);
        OwnChanges::note(from);
        const int error = FileSystem::moveNoReplace(to, from, job.cancelCheck());
        return error ? systemReason(error) : QString();
    }
    case Reversal::RestoreFromTrash: {
        const int error = Trash::restore(to, from);
        return error ? systemReason(error) : QString();
    }
    case Reversal::TrashCopies: {
        QString error;
        if (Trash::moveToTrash(to, &error))
            return {};
        return error.isEmpty() ? systemReason(EIO) : error;
    }
    }
    return systemReason(EINVAL);
}

} // namespace

namespace UndoEngine {

UndoOutcome reverse(const UndoStep &step, const FileJob &job)
{
    UndoOutcome outcome;
    // Newest first: a later pair may have taken a name an earlier one must get back.
    for (qsizetype i = step.pairs.size() - 1; i >= 0; --i) {
        const UndoStep::Pair &pair = step.pairs.at(i);
        if (job.isCancelled()) {
            outcome.left.prepend(pair);
            continue;
        }
        const QString error = reversePair(step.reversal, pair, job);
        if (error.isEmpty()) {
            outcome.undone.prepend(pair);
        } else {
            outcome.left.prepend(pair);
            outcome.error = error; // the newest-first walk ends on the oldest failure
        }
    }
    return outcome;
}

QString outcomeText(const UndoStep &step, const UndoOutcome &outcome)
{
    if (outcome.left.isEmpty())
        return L("已撤销：%@", step.name);
    const qint64 left = outcome.left.size();
    switch (step.reversal) {
    case Reversal::RestoreFromTrash:
        return L("%lld 项未能放回，仍在废纸篓：%@", left, outcome.error);
    case Reversal::TrashCopies:
        return L("%lld 个副本未能移到废纸篓：%@", left, outcome.error);
    case Reversal::MoveBack:
        break;
    }
    return L("%lld 项无法移回原处：%@", left, outcome.error);
}

} // namespace UndoEngine
