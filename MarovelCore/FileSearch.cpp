// What AI clients may see of a workspace: one folder's children, and files found by name.
#include "MarovelCore.h"

#include "CoreError.h"
#include "FileSystem.h"
#include "JsonCoding.h"
#include "Localization.h"
#include "Workspace.h"
#include "WorkspaceRoot.h"

#include <QDir>
#include <QFile>

#include <cerrno>
#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>

#include <vector>

namespace {

constexpr int contextLimit = 100;

FileEntry entryFromStat(const QString &path, const QString &name, const struct stat *info)
{
    FileEntry entry{path, name, QStringLiteral("file"), std::nullopt, std::nullopt};
    if (!info)
        return entry;
    if (S_ISDIR(info->st_mode))
        entry.kind = QStringLiteral("directory");
    else
        entry.size = qint64(info->st_size);
    entry.modifiedAt = QDateTime::fromMSecsSinceEpoch(
        qint64(info->st_mtim.tv_sec) * 1000 + info->st_mtim.tv_nsec / 1000000, Qt::UTC);
    return entry;
}

FileEntry entryAt(int dirFd, const char *name, const QString &path)
{
    struct stat info;
    const bool known = ::fstatat(dirFd, name, &info, AT_SYMLINK_NOFOLLOW) == 0;
    return entryFromStat(path, QFile::decodeName(name), known ? &info : nullptr);
}

bool isHidden(const char *name)
{
    return name[0] == '.';
}

QString join(const QString &folder, const QString &name)
{
    return (folder == u"/" ? QString() : folder) + u'/' + name;
}

// One folder of a walk: its O_PATH descriptor, from which its children are opened, and
// its entries, read whole and closed again.
struct Listing
{
    UniqueFd fd;
    QString path;
    QList<QByteArray> names;
    QList<unsigned char> types;
};

bool readFolder(UniqueFd fd, const QString &path, Listing &listing)
{
    listing.fd = std::move(fd);
    listing.path = path;
    const int readable = openFolderForReading(listing.fd.get());
    DIR *dir = readable < 0 ? nullptr : ::fdopendir(readable);
    if (!dir) {
        if (readable >= 0)
            ::close(readable);
        return false;
    }
    while (dirent *entry = ::readdir(dir)) {
        if (isHidden(entry->d_name))
            continue;
        listing.names.append(QByteArray(entry->d_name));
        listing.types.append(entry->d_type);
    }
    ::closedir(dir);
    return true;
}

// The folder `path` (absolute, standardised) opened from the root of the workspace that
// holds it, or the reason it cannot be: the workspace is chosen by the folder's real path,
// and the walk from its root descriptor is what decides. `error` is 0, an errno, or
// WorkspaceRoot::escapes when the folder lies outside every workspace.
struct Authorised
{
    UniqueFd fd;
    int error = 0;
};

Authorised openAuthorised(const QString &path)
{
    const QString real = FileSystem::hasNul(path) ? QString() : resolvedPath(path);
    const auto workspace =
        real.isEmpty() ? std::nullopt : WorkspaceRegistry::shared().rootHolding(real);
    if (!workspace)
        return {UniqueFd(), WorkspaceRoot::escapes};
    const WorkspaceRoot root(workspace->path);
    if (!root.isOpen())
        return {UniqueFd(), WorkspaceRoot::escapes}; // the root is now a link, or gone
    const QString below = real.size() > workspace->path.size()
                              ? real.mid(workspace->path == u"/" ? 1 : workspace->path.size() + 1)
                              : QString();
    WorkspaceRoot::Item item = root.open(below);
    return {std::move(item.fd), item.error};
}

[[noreturn]] void throwNotAuthorised()
{
    throw CoreError(L("目录不在已授权工作区内"));
}

bool isPrunedFolder(const QByteArray &name)
{
    return name == ".git" || name == ".build" || name == "node_modules";
}

} // namespace

FileEntry FileEntry::fromPath(const QString &path)
{
    QString clean = path;
    while (clean.size() > 1 && clean.endsWith(u'/'))
        clean.chop(1);
    const QString name = clean.section(u'/', -1);
    struct stat info;
    const bool known = !FileSystem::hasNul(clean)
                       && ::lstat(FileSystem::encodeName(clean).constData(), &info) == 0;
    return entryFromStat(clean, name, known ? &info : nullptr);
}

QJsonObject FileEntry::toJson() const
{
    QJsonObject object{{"path", path}, {"name", name}, {"kind", kind}};
    if (size)
        object.insert("size", *size);
    if (modifiedAt)
        object.insert("modifiedAt", JsonCoding::dateText(*modifiedAt));
    return object;
}

FileEntry FileEntry::fromJson(const QJsonValue &value)
{
    const JsonCoding::Reader reader(value, QStringLiteral("file entry"));
    return {reader.string("path"), reader.string("name"), reader.string("kind"),
            reader.optionalInteger("size"), reader.optionalDate("modifiedAt")};
}

namespace MarovelCore {

QList<FileEntry> context(const QString &folder)
{
    const QString base = standardizedPath(QDir::current().absoluteFilePath(folder));
    const Authorised opened = openAuthorised(base);
    if (opened.error == WorkspaceRoot::escapes)
        throwNotAuthorised();
    const int fd = opened.error ? -1 : openFolderForReading(opened.fd.get());
    DIR *dir = fd < 0 ? nullptr : ::fdopendir(fd);
    if (!dir) {
        const int error = opened.error ? opened.error : errno;
        if (fd >= 0)
            ::close(fd);
        throw FileSystemError(L("无法列出文件夹“%@”：%@", base, systemReason(error)));
    }
    QList<FileEntry> entries;
    while (entries.size() < contextLimit) {
        const dirent *entry = ::readdir(dir);
        if (!entry)
            break;
        if (isHidden(entry->d_name))
            continue;
        entries.append(entryAt(fd, entry->d_name, join(base, QFile::decodeName(entry->d_name))));
    }
    ::closedir(dir);
    return entries;
}

std::optional<FileEntry> entryInside(const QString &path)
{
    const QString clean = standardizedPath(QDir::current().absoluteFilePath(path));
    const qsizetype slash = clean.lastIndexOf(u'/');
    const QString folder = slash <= 0 ? QStringLiteral("/") : clean.left(slash);
    const QString name = clean.mid(slash + 1);
    const Authorised opened = openAuthorised(folder);
    if (opened.error == WorkspaceRoot::escapes || name.isEmpty())
        throwNotAuthorised(); // the root "/" has no folder to be authorised by
    if (opened.error == ENOENT || opened.error == ENOTDIR)
        return std::nullopt;
    if (opened.error)
        throw FileSystemError(L("无法列出文件夹“%@”：%@", folder, systemReason(opened.error)));
    const QByteArray encoded = QFile::encodeName(name);
    struct stat info;
    if (::fstatat(opened.fd.get(), encoded.constData(), &info, AT_SYMLINK_NOFOLLOW) != 0) {
        if (errno == ENOENT)
            return std::nullopt;
        return entryFromStat(clean, name, nullptr);
    }
    return entryFromStat(clean, name, &info);
}

QList<FileEntry> find(const QString &query, const QString &rootID, int limit)
{
    const Workspace workspace = WorkspaceRegistry::shared().root(rootID);
    const int cap = std::clamp(limit, 1, 200);
    QList<FileEntry> results;
    if (query.isEmpty())
        return results;
    const WorkspaceRoot root(workspace.path);
    if (!root.isOpen())
        return results; // the root is now a link, or gone: nothing to walk

    // Depth first, each folder before its contents, siblings in listing order. Every
    // folder is opened from its parent's descriptor without following a link, so symbolic
    // links are reported but never entered, and a folder swapped for a link is not walked.
    std::vector<Listing> stack;
    Listing top;
    WorkspaceRoot::Item rootItem = root.open(QString());
    if (rootItem.error || !readFolder(std::move(rootItem.fd), workspace.path, top))
        return results;
    stack.push_back(std::move(top));
    QList<qsizetype> positions{0};
    while (!stack.empty()) {
        Listing &current = stack.back();
        qsizetype &position = positions.last();
        if (position >= current.names.size()) {
            stack.pop_back();
            positions.removeLast();
            continue;
        }
        const QByteArray name = current.names[position];
        unsigned char type = current.types[position];
        ++position;
        if (isPrunedFolder(name))
            continue;
        const QString path = join(current.path, QFile::decodeName(name));
        if (QFile::decodeName(name).contains(query, Qt::CaseInsensitive)) {
            results.append(entryAt(current.fd.get(), name.constData(), path));
            if (results.size() == cap)
                break;
        }
        if (type != DT_DIR && type != DT_UNKNOWN)
            continue;
        UniqueFd child(::openat(current.fd.get(), name.constData(),
                                O_PATH | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC));
        Listing listing;
        if (child.valid() && readFolder(std::move(child), path, listing)) {
            stack.push_back(std::move(listing));
            positions.append(0);
        }
    }
    return results;
}

} // namespace MarovelCore
