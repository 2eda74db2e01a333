#include "UndoRecorder.h"

#include "CollaborationStore.h"
#include "MarovelCore.h"
#include "TextUtil.h"
#include "Workspace.h"

#include <QCoreApplication>
#include <QFileInfo>

namespace {

// The item's path with the links of its folder resolved, the item itself as named: a
// renamed symbolic link stays the link, not whatever it points to.
QString resolvedItemPath(const QString &path)
{
    const QString standard = standardizedPath(path);
    if (standard == u"/")
        return standard;
    const QFileInfo info(standard);
    const QString folder = resolvedPath(info.path());
    return folder == u"/" ? u'/' + info.fileName() : folder + u'/' + info.fileName();
}

// `path` below `root` without the slashes around it; "" for the root itself.
QString relativeTo(const QString &path, const QString &root)
{
    QString rest = path.mid(root.size());
    while (rest.startsWith(u'/'))
        rest.remove(0, 1);
    while (rest.endsWith(u'/'))
        rest.chop(1);
    return rest;
}

} // namespace

UndoRecorder &UndoRecorder::shared()
{
    static UndoRecorder recorder;
    return recorder;
}

std::optional<Transaction> UndoRecorder::transactionFor(OpKind kind, const QList<Pair> &pairs)
{
    if (pairs.isEmpty())
        return std::nullopt;
    std::optional<Workspace> workspace;
    try {
        workspace = WorkspaceRegistry::shared().rootContaining(resolvedItemPath(pairs.first().first));
    } catch (const std::exception &) {
        return std::nullopt;
    }
    if (!workspace)
        return std::nullopt;

    QList<MarovelOperation> operations;
    for (const Pair &pair : pairs) {
        const QString from = resolvedItemPath(pair.first);
        const QString to = resolvedItemPath(pair.second);
        if (!inside(from, workspace->path) || !inside(to, workspace->path))
            continue;
        const QString relativeFrom = relativeTo(from, workspace->path);
        const QString relativeTo_ = relativeTo(to, workspace->path);
        if (relativeFrom.isEmpty() || relativeTo_.isEmpty())
            continue;
        operations.push_back({QUuid::createUuid(), kind, relativeFrom, relativeTo_});
    }
    if (operations.isEmpty())
        return std::nullopt;
    return Transaction{TextUtil::newUuidText(), QStringLiteral("gui-") + TextUtil::newUuidText(),
                       workspace->id, QStringLiteral("applied"),
                       QDateTime::currentDateTimeUtc(), operations};
}

void UndoRecorder::record(const QString &name, OpKind kind, const QList<Pair> &pairs, Recording how)
{
    if (how == Recording::None)
        return;
    UndoLog::shared().append(name, pairs);
    if (how == Recording::LogOnly || pairs.isEmpty())
        return;
    m_queue.post([kind, pairs] {
        const std::optional<Transaction> transaction = transactionFor(kind, pairs);
        if (!transaction)
            return;
        try {
            MarovelCore::record(*transaction);
        } catch (const std::exception &) {
            // The journal could not be written; the collaboration page reloads anyway.
        }
        if (QCoreApplication *app = QCoreApplication::instance())
            QMetaObject::invokeMethod(app, [] { CollaborationStore::shared().refresh(); },
                                      Qt::QueuedConnection);
    });
}

void UndoRecorder::flush()
{
    m_queue.waitForIdle();
    UndoLog::shared().flush();
}
