// Dropping files into a folder: the one operation behind every drop target of the window.
#include "BrowserState.h"

#include "FileJobs.h"
#include "FileOps.h"
#include "Localization.h"

#include <QFileInfo>

namespace {

// The path with symbolic links resolved; the path itself when it does not exist.
QString canonical(const QString &path)
{
    const QString resolved = QFileInfo(path).canonicalFilePath();
    return resolved.isEmpty() ? path : resolved;
}

bool isSameOrBelow(const QString &path, const QString &folder)
{
    return path == folder || path.startsWith(folder == u"/" ? folder : folder + u'/');
}

// Whether moving `path` into `folder` would change nothing (it is there already) or is
// impossible (the folder is the item itself or lies inside it).
bool skipped(const QString &path, const QString &folder, const QString &canonicalFolder)
{
    const QString parent = FileItem::identityPath(QFileInfo(path).path());
    if (parent == folder || canonical(parent) == canonicalFolder)
        return true;
    return isSameOrBelow(folder, path) || isSameOrBelow(canonicalFolder, canonical(path));
}

struct DropResult
{
    bool nothingToMove = false;
    QList<BrowserState::Pair> pairs;
    QString error;
};

} // namespace

void BrowserState::dropInto(const QString &folder, const QStringList &paths)
{
    const QString target = FileItem::identityPath(folder);
    if (target.isEmpty() || paths.isEmpty())
        return;

    // Resolving links reads the disk, so even the choice of what to move is off the GUI thread.
    runFileJob(this, [paths, target](const FileJob &job) {
        const QString canonicalTarget = canonical(target);
        QStringList kept;
        for (const QString &path : paths) {
            const QString source = FileItem::identityPath(path);
            if (!source.isEmpty() && source != u"/" && !kept.contains(source)
                && !skipped(source, target, canonicalTarget))
                kept << source;
        }
        DropResult result;
        result.nothingToMove = kept.isEmpty();
        if (result.nothingToMove)
            return result;
        try {
            const QStringList made = FileOps::move(kept, target, job.cancelCheck());
            for (qsizetype i = 0; i < made.size() && i < kept.size(); ++i)
                result.pairs << Pair(kept[i], made[i]);
        } catch (const FileOpsError &error) {
            result.pairs = error.completed();
            result.error = error.description();
        }
        return result;
    }, [this, target](const DropResult &result) {
        if (result.nothingToMove)
            return;
        QSet<QString> folders = foldersOf(result.pairs);
        folders << target;
        refreshFolders(folders);
        const qsizetype n = result.pairs.size();
        if (n > 0)
            pushUndo(L("移动"), OpKind::Move, result.pairs, Reversal::MoveBack);
        if (result.error.isEmpty())
            setStatus(L("已移动 %lld 项", n));
        else
            setStatus(L("已移动 %lld 项，其余失败：%@", n, result.error));
    });
}
