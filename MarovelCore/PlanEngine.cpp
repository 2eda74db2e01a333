// Planning, applying and undoing workspace-relative file operations.
#include "MarovelCore.h"

#include "CoreError.h"
#include "DataFiles.h"
#include "FileSystem.h"
#include "JsonCoding.h"
#include "Localization.h"
#include "MarovelPaths.h"
#include "TextUtil.h"

#include <QFileInfo>
#include <QSet>

#include <cerrno>
#include <dirent.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

QDateTime nowInWholeSeconds()
{
    return QDateTime::fromSecsSinceEpoch(QDateTime::currentSecsSinceEpoch(), Qt::UTC);
}

// The deepest part of `path` (itself or an ancestor) whose symbolic links resolve, with
// them resolved. A dangling link resolves through its parent.
QString deepestResolvableAncestor(QString path)
{
    for (;;) {
        char *real = ::realpath(FileSystem::encodeName(path).constData(), nullptr);
        if (real) {
            const QString resolved = QFile::decodeName(real);
            std::free(real);
            return resolved;
        }
        if (path == u"/" || path.isEmpty())
            return path;
        path = QFileInfo(path).path();
    }
}

// A workspace-relative path as an absolute path inside `root`. Refuses absolute paths,
// paths that leave the root lexically, and paths that leave it through a symbolic link.
QString resolve(const QString &relative, const QString &root)
{
    if (relative.startsWith(u'/'))
        throw CoreError(L("必须使用工作区内相对路径：%@", relative));
    const QString path = standardizedPath(relative.isEmpty() ? root : root + u'/' + relative);
    if (!inside(path, root) || FileSystem::hasNul(relative))
        throw CoreError(L("路径越界：%@", relative));
    const QString realRoot = deepestResolvableAncestor(root);
    if (!inside(deepestResolvableAncestor(path), realRoot))
        throw CoreError(L("路径越界：%@", relative));
    return path;
}

QString parentOf(const QString &path)
{
    return QFileInfo(path).path();
}

[[noreturn]] void throwMoveError(const QString &from, const QString &to, int error)
{
    throw FileSystemError(L("无法将“%@”移到“%@”：%@", from, to, systemReason(error)));
}

// Whether the folder holds anything, hidden entries included; throws when it cannot be read.
bool folderHasEntries(const QString &path)
{
    DIR *dir = ::opendir(FileSystem::encodeName(path).constData());
    if (!dir)
        throw FileSystemError(L("无法列出文件夹“%@”：%@", path, systemReason(errno)));
    bool found = false;
    while (dirent *entry = ::readdir(dir)) {
        const QByteArray name(entry->d_name);
        if (name != "." && name != "..") {
            found = true;
            break;
        }
    }
    ::closedir(dir);
    return found;
}

QString planFile(const QString &planID)
{
    return MarovelPaths::plans() + u'/' + planID + QStringLiteral(".json");
}

} // namespace

namespace MarovelCore {

Plan plan(const PlanRequest &request)
{
    if (request.schemaVersion != 1 || request.operations.isEmpty())
        throw CoreError(L("计划必须为 schemaVersion=1 且包含操作"));
    const Workspace workspace = WorkspaceRegistry::shared().root(request.workspaceID);
    const QString root = workspace.url();

    QSet<QString> reserved;
    for (const MarovelOperation &operation : request.operations) {
        const QString target = resolve(operation.to, root);
        if (reserved.contains(target) || FileSystem::exists(target))
            throw CoreError(L("目标已存在：%@", operation.to));
        if (!FileSystem::exists(parentOf(target)))
            throw CoreError(L("目标父目录不存在：%@", operation.to));
        reserved.insert(target);
        if (operation.kind == OpKind::Mkdir)
            continue;
        if (!operation.from)
            throw CoreError(L("%@ 需要 from", opKindText(operation.kind)));
        if (!FileSystem::exists(resolve(*operation.from, root)))
            throw CoreError(L("源文件不存在：%@", *operation.from));
    }

    const Plan stored{TextUtil::newUuidText(), workspace, nowInWholeSeconds(), request.operations};
    DataFiles::writeAtomically(planFile(stored.id), JsonCoding::pretty(stored.toJson()));
    return stored;
}

Transaction apply(const QString &planID)
{
    // Only a plan's own kind of id names a file, so nothing outside the plans folder is read.
    const QString file = planFile(planID);
    const auto bytes = TextUtil::isUuidText(planID) ? DataFiles::readIfExists(file) : std::nullopt;
    if (!bytes)
        throw FileSystemError(L("计划不存在：%@", planID));
    const Plan stored = Plan::fromJson(JsonCoding::parse(*bytes, file));

    Workspace workspace;
    try {
        workspace = WorkspaceRegistry::shared().root(stored.workspace.id);
    } catch (const MarovelError &) {
        throw CollaborationError(CollaborationError::WorkspaceRevoked);
    }
    if (workspace.path != stored.workspace.path)
        throw CollaborationError(CollaborationError::WorkspaceRevoked);
    const QString root = workspace.url();

    for (const MarovelOperation &operation : stored.operations) {
        const QString target = resolve(operation.to, root);
        if (operation.kind == OpKind::Mkdir) {
            if (::mkdir(FileSystem::encodeName(target).constData(), 0777) != 0)
                throw FileSystemError(L("无法创建文件夹“%@”：%@", target, systemReason(errno)));
            continue;
        }
        if (!operation.from)
            continue;
        const QString source = resolve(*operation.from, root);
        if (int error = FileSystem::moveNoReplace(source, target))
            throwMoveError(source, target, error);
    }

    const Transaction applied{TextUtil::newUuidText(), stored.id, stored.workspace.id,
                              QStringLiteral("applied"), nowInWholeSeconds(), stored.operations};
    record(applied);
    return applied;
}

Transaction undo(const QString &transactionID)
{
    const QList<Transaction> transactions = history();
    const auto latest = std::find_if(transactions.crbegin(), transactions.crend(),
                                     [&](const Transaction &t) { return t.id == transactionID; });
    if (latest == transactions.crend())
        throw CoreError(L("没有可回退的事务：%@", transactionID));
    if (latest->status != u"applied")
        throw CollaborationError(CollaborationError::AlreadyUndone);
    const QString root = WorkspaceRegistry::shared().root(latest->workspaceID).url();

    for (auto it = latest->operations.crbegin(); it != latest->operations.crend(); ++it) {
        const MarovelOperation &operation = *it;
        const QString target = resolve(operation.to, root);
        if (operation.kind == OpKind::Mkdir) {
            if (folderHasEntries(target))
                throw CoreError(L("目录非空，无法安全回退：%@", operation.to));
            if (::rmdir(FileSystem::encodeName(target).constData()) != 0)
                throw FileSystemError(L("无法删除空文件夹“%@”：%@", target, systemReason(errno)));
            continue;
        }
        if (!operation.from)
            continue;
        const QString source = resolve(*operation.from, root);
        if (FileSystem::exists(source))
            throw CoreError(L("原路径已被占用：%@", *operation.from));
        if (int error = FileSystem::moveNoReplace(target, source))
            throwMoveError(target, source, error);
    }

    Transaction undone = *latest;
    undone.status = QStringLiteral("undone");
    undone.createdAt = nowInWholeSeconds();
    record(undone);
    return undone;
}

} // namespace MarovelCore
