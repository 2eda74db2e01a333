// Planning, applying and undoing workspace-relative file operations.
#include "MarovelCore.h"

#include "CoreError.h"
#include "DataFiles.h"
#include "FileSystem.h"
#include "JsonCoding.h"
#include "Localization.h"
#include "MarovelPaths.h"
#include "TextUtil.h"
#include "WorkspaceRoot.h"

#include <QFile>
#include <QSet>

#include <cerrno>
#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

QDateTime nowInWholeSeconds()
{
    return QDateTime::fromSecsSinceEpoch(QDateTime::currentSecsSinceEpoch(), Qt::UTC);
}

// A workspace-relative path checked lexically: absolute paths and paths that leave the root
// by ".." are refused. Returns the path below the root, "" for the root itself.
QString below(const QString &relative, const QString &root)
{
    if (relative.startsWith(u'/'))
        throw CoreError(L("必须使用工作区内相对路径：%@", relative));
    const QString path = standardizedPath(relative.isEmpty() ? root : root + u'/' + relative);
    if (!inside(path, root) || FileSystem::hasNul(relative))
        throw CoreError(L("路径越界：%@", relative));
    if (path.size() == root.size())
        return QString();
    return path.mid(root == u"/" ? 1 : root.size() + 1);
}

QString absolute(const QString &below, const QString &root)
{
    return below.isEmpty() ? root : (root == u"/" ? root : root + u'/') + below;
}

// The entry of a checked path, walked from the root's descriptor. A walk that would leave
// the root, or that cannot be finished (a loop of links, names too long), is out of
// bounds; nothing falls back to a shorter path. Other failures are left to the caller.
WorkspaceRoot::Entry entryOf(const WorkspaceRoot &root, const QString &below,
                             const QString &asSent)
{
    if (below.isEmpty())
        throw CoreError(L("路径越界：%@", asSent)); // the root itself is no entry below it
    WorkspaceRoot::Entry entry = root.entry(below);
    const auto outOfBounds = [](int error) {
        return error == WorkspaceRoot::escapes || error == ELOOP || error == ENAMETOOLONG;
    };
    if (outOfBounds(entry.error))
        throw CoreError(L("路径越界：%@", asSent));
    // A link is moved as itself, but one that leads out of the workspace is not handed
    // around inside it either.
    struct stat info;
    if (!entry.error
        && ::fstatat(entry.folder.get(), entry.name.constData(), &info, AT_SYMLINK_NOFOLLOW) == 0
        && S_ISLNK(info.st_mode) && outOfBounds(root.open(below).error))
        throw CoreError(L("路径越界：%@", asSent));
    return entry;
}

bool missing(int error)
{
    return error == ENOENT || error == ENOTDIR;
}

// Whether the entry exists, a dangling link included; throws when that cannot be told.
bool entryExists(const WorkspaceRoot::Entry &entry, const QString &asSent)
{
    struct stat info;
    if (::fstatat(entry.folder.get(), entry.name.constData(), &info, AT_SYMLINK_NOFOLLOW) == 0)
        return true;
    if (errno == ENOENT)
        return false;
    throw FileSystemError(L("无法检查路径“%@”：%@", asSent, systemReason(errno)));
}

// Names one entry whatever path reached it: its folder's device and inode, and its name.
QString identity(const WorkspaceRoot::Entry &entry)
{
    struct stat info;
    if (::fstat(entry.folder.get(), &info) != 0)
        return QString();
    return QStringLiteral("%1:%2/").arg(info.st_dev).arg(info.st_ino) + QFile::decodeName(entry.name);
}

WorkspaceRoot openRoot(const Workspace &workspace)
{
    WorkspaceRoot root(workspace.path);
    if (!root.isOpen()) // the folder is now a link, or gone
        throw CollaborationError(CollaborationError::WorkspaceRevoked);
    return root;
}

[[noreturn]] void throwMoveError(const QString &from, const QString &to, int error)
{
    throw FileSystemError(L("无法将“%@”移到“%@”：%@", from, to, systemReason(error)));
}

// Whether the folder holds anything, hidden entries included; throws when it cannot be
// read. A folder that became a link is not read.
bool folderHasEntries(const WorkspaceRoot::Entry &entry, const QString &path)
{
    const int fd = entry.error ? -1
                               : ::openat(entry.folder.get(), entry.name.constData(),
                                          O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC);
    DIR *dir = fd < 0 ? nullptr : ::fdopendir(fd);
    if (!dir) {
        const int error = entry.error ? entry.error : errno;
        if (fd >= 0)
            ::close(fd);
        throw FileSystemError(L("无法列出文件夹“%@”：%@", path, systemReason(error)));
    }
    bool found = false;
    while (dirent *item = ::readdir(dir)) {
        const QByteArray name(item->d_name);
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
    const QString rootPath = workspace.url();
    const WorkspaceRoot root = openRoot(workspace);

    QSet<QString> reserved;
    for (const MarovelOperation &operation : request.operations) {
        const QString targetBelow = below(operation.to, rootPath);
        if (targetBelow.isEmpty())
            throw CoreError(L("目标已存在：%@", operation.to)); // the root itself
        const WorkspaceRoot::Entry target = entryOf(root, targetBelow, operation.to);
        if (missing(target.error))
            throw CoreError(L("目标父目录不存在：%@", operation.to));
        if (target.error)
            throw FileSystemError(
                L("无法检查路径“%@”：%@", operation.to, systemReason(target.error)));
        const QString key = identity(target);
        if (reserved.contains(key) || entryExists(target, operation.to))
            throw CoreError(L("目标已存在：%@", operation.to));
        reserved.insert(key);
        if (operation.kind == OpKind::Mkdir)
            continue;
        if (!operation.from)
            throw CoreError(L("%@ 需要 from", opKindText(operation.kind)));
        const WorkspaceRoot::Entry source =
            entryOf(root, below(*operation.from, rootPath), *operation.from);
        if (missing(source.error) || (!source.error && !entryExists(source, *operation.from)))
            throw CoreError(L("源文件不存在：%@", *operation.from));
        if (source.error)
            throw FileSystemError(
                L("无法检查路径“%@”：%@", *operation.from, systemReason(source.error)));
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
    const QString rootPath = workspace.url();
    const WorkspaceRoot root = openRoot(workspace);

    // Every path is checked again now, on the descriptors that the change then uses.
    for (const MarovelOperation &operation : stored.operations) {
        const QString targetBelow = below(operation.to, rootPath);
        const QString target = absolute(targetBelow, rootPath);
        if (operation.kind == OpKind::Mkdir) {
            const WorkspaceRoot::Entry entry = entryOf(root, targetBelow, operation.to);
            if (entry.error || ::mkdirat(entry.folder.get(), entry.name.constData(), 0777) != 0)
                throw FileSystemError(L("无法创建文件夹“%@”：%@", target,
                                        systemReason(entry.error ? entry.error : errno)));
            continue;
        }
        if (!operation.from)
            continue;
        const QString sourceBelow = below(*operation.from, rootPath);
        const QString source = absolute(sourceBelow, rootPath);
        const WorkspaceRoot::Entry from = entryOf(root, sourceBelow, *operation.from);
        const WorkspaceRoot::Entry to = entryOf(root, targetBelow, operation.to);
        if (from.error || to.error)
            throwMoveError(source, target, from.error ? from.error : to.error);
        if (int error = FileSystem::moveNoReplaceAt(from.folder.get(), from.name, to.folder.get(),
                                                    to.name))
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
    const Workspace workspace = WorkspaceRegistry::shared().root(latest->workspaceID);
    const QString rootPath = workspace.url();
    const WorkspaceRoot root = openRoot(workspace);

    for (auto it = latest->operations.crbegin(); it != latest->operations.crend(); ++it) {
        const MarovelOperation &operation = *it;
        const QString targetBelow = below(operation.to, rootPath);
        const QString target = absolute(targetBelow, rootPath);
        const WorkspaceRoot::Entry made = entryOf(root, targetBelow, operation.to);
        if (operation.kind == OpKind::Mkdir) {
            if (folderHasEntries(made, target))
                throw CoreError(L("目录非空，无法安全回退：%@", operation.to));
            if (::unlinkat(made.folder.get(), made.name.constData(), AT_REMOVEDIR) != 0)
                throw FileSystemError(L("无法删除空文件夹“%@”：%@", target, systemReason(errno)));
            continue;
        }
        if (!operation.from)
            continue;
        const QString sourceBelow = below(*operation.from, rootPath);
        const QString source = absolute(sourceBelow, rootPath);
        const WorkspaceRoot::Entry back = entryOf(root, sourceBelow, *operation.from);
        if (!back.error && entryExists(back, *operation.from))
            throw CoreError(L("原路径已被占用：%@", *operation.from));
        if (made.error || back.error)
            throwMoveError(target, source, made.error ? made.error : back.error);
        if (int error = FileSystem::moveNoReplaceAt(made.folder.get(), made.name,
                                                    back.folder.get(), back.name))
            throwMoveError(target, source, error);
    }

    Transaction undone = *latest;
    undone.status = QStringLiteral("undone");
    undone.createdAt = nowInWholeSeconds();
    record(undone);
    return undone;
}

} // namespace MarovelCore
