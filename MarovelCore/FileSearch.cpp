// What AI clients may see of a workspace: one folder's children, and files found by name.
#include "MarovelCore.h"

#include "CoreError.h"
#include "FileSystem.h"
#include "JsonCoding.h"
#include "Localization.h"

#include <QDir>
#include <QFile>

#include <cerrno>
#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>

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
    const bool known = dirFd >= 0 ? ::fstatat(dirFd, name, &info, AT_SYMLINK_NOFOLLOW) == 0
                                  : ::lstat(FileSystem::encodeName(path).constData(), &info) == 0;
    return entryFromStat(path, QFile::decodeName(name), known ? &info : nullptr);
}

bool isHidden(const char *name)
{
    return name[0] == '.';
}

// One folder's entries, read whole and closed again, so a deep walk keeps no folder open.
struct Listing
{
    QString path;
    QList<QByteArray> names;
    QList<unsigned char> types;
};

bool readFolder(const QString &path, Listing &listing)
{
    listing.path = path;
    const int fd = ::open(FileSystem::encodeName(path).constData(),
                          O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC);
    if (fd < 0)
        return false;
    DIR *dir = ::fdopendir(fd);
    if (!dir) {
        ::close(fd);
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
    // What is authorised is exactly what is opened: the standardised path, whose links are
    // resolved for the check and never followed by the open.
    const QString base = standardizedPath(QDir::current().absoluteFilePath(folder));
    const auto workspace =
        FileSystem::hasNul(base) ? std::nullopt : WorkspaceRegistry::shared().rootContaining(base);
    if (!workspace)
        throw CoreError(L("目录不在已授权工作区内"));

    const int fd = FileSystem::openFolderNoFollow(resolvedPath(base));
    DIR *dir = fd < 0 ? nullptr : ::fdopendir(fd);
    if (!dir) {
        const int error = errno;
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
        const QString path = (base == u"/" ? QString() : base) + u'/' + QFile::decodeName(entry->d_name);
        entries.append(entryAt(fd, entry->d_name, path));
    }
    ::closedir(dir);
    return entries;
}

QList<FileEntry> find(const QString &query, const QString &rootID, int limit)
{
    const Workspace workspace = WorkspaceRegistry::shared().root(rootID);
    const int cap = std::clamp(limit, 1, 200);
    QList<FileEntry> results;
    if (query.isEmpty())
        return results;

    // Depth first, each folder before its contents, siblings in listing order. Symbolic
    // links are reported but never entered.
    QList<Listing> stack;
    Listing top;
    if (!readFolder(workspace.path, top))
        return results;
    stack.append(std::move(top));
    QList<qsizetype> positions{0};
    while (!stack.isEmpty()) {
        Listing &current = stack.last();
        qsizetype &position = positions.last();
        if (position >= current.names.size()) {
            stack.removeLast();
            positions.removeLast();
            continue;
        }
        const QByteArray name = current.names[position];
        unsigned char type = current.types[position];
        ++position;
        if (isPrunedFolder(name))
            continue;
        const QString path = current.path + u'/' + QFile::decodeName(name);
        if (type == DT_UNKNOWN) {
            struct stat info;
            if (::lstat(FileSystem::encodeName(path).constData(), &info) == 0)
                type = S_ISDIR(info.st_mode) ? DT_DIR : DT_REG;
        }
        if (QFile::decodeName(name).contains(query, Qt::CaseInsensitive)) {
            results.append(entryAt(-1, name.constData(), path));
            if (results.size() == cap)
                break;
        }
        if (type == DT_DIR) {
            Listing child;
            if (readFolder(path, child)) {
                stack.append(std::move(child));
                positions.append(0);
            }
        }
    }
    return results;
}

} // namespace MarovelCore
