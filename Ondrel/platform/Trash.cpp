#include "Trash.h"

#include "FileSystem.h"
#include "Localization.h"
#include "OwnChanges.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QStandardPaths>
#include <QStorageInfo>
#include <QUrl>

#include <cerrno>
#include <cstring>
#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

// Opens `name` below `dirFd` as a folder, refusing a symbolic link.
int openFolderAt(int dirFd, const char *name)
{
    return ::openat(dirFd, name, O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC);
}

// A per-volume trash folder is only used when it is a real folder owned by us; for the
// shared ".Trash" the parent must be a real folder with the sticky bit.
bool usableVolumeTrash(const QString &root, QString *found)
{
    const QByteArray uid = QByteArray::number(::getuid());
    const QByteArray top = QFile::encodeName(root);
    struct stat info;
    const QByteArray shared = top + "/.Trash";
    if (::lstat(shared.constData(), &info) == 0 && S_ISDIR(info.st_mode) &&
        (info.st_mode & S_ISVTX)) {
        const QByteArray mine = shared + '/' + uid;
        if (::lstat(mine.constData(), &info) == 0 && S_ISDIR(info.st_mode) &&
            info.st_uid == ::getuid()) {
            *found = QFile::decodeName(mine);
            return true;
        }
    }
    const QByteArray own = top + "/.Trash-" + uid;
    if (::lstat(own.constData(), &info) == 0 && S_ISDIR(info.st_mode) &&
        info.st_uid == ::getuid()) {
        *found = QFile::decodeName(own);
        return true;
    }
    return false;
}

QStringList defaultVolumeRoots()
{
    QStringList roots;
    for (const QStorageInfo &volume : QStorageInfo::mountedVolumes())
        if (volume.isValid() && volume.isReady() && !volume.isReadOnly())
            roots << volume.rootPath();
    return roots;
}

// Removes every entry of the folder `name` below `trashFd`; returns the number of entries
// that could not be removed. A missing folder holds nothing.
int emptyFolder(int trashFd, const char *name)
{
    const int fd = openFolderAt(trashFd, name);
    if (fd < 0)
        return errno == ENOENT ? 0 : 1;
    DIR *dir = ::fdopendir(fd);
    if (!dir) {
        ::close(fd);
        return 1;
    }
    QList<QByteArray> names;
    while (dirent *entry = ::readdir(dir))
        if (std::strcmp(entry->d_name, ".") && std::strcmp(entry->d_name, ".."))
            names << QByteArray(entry->d_name);
    int failed = 0;
    for (const QByteArray &entry : names)
        if (FileSystem::removeTreeAt(::dirfd(dir), entry) != 0)
            ++failed;
    ::closedir(dir);
    return failed;
}

int countEntries(const QString &folder)
{
    QByteArray path = QFile::encodeName(folder);
    const int fd = ::open(path.constData(), O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC);
    if (fd < 0)
        return 0;
    DIR *dir = ::fdopendir(fd);
    if (!dir) {
        ::close(fd);
        return 0;
    }
    int count = 0;
    while (dirent *entry = ::readdir(dir))
        if (std::strcmp(entry->d_name, ".") && std::strcmp(entry->d_name, ".."))
            ++count;
    ::closedir(dir);
    return count;
}

} // namespace

namespace Trash {

QString homeTrash()
{
    return QStandardPaths::writableLocation(QStandardPaths::GenericDataLocation) +
           QStringLiteral("/Trash");
}

QString filesFolder()
{
    return homeTrash() + QStringLiteral("/files");
}

std::optional<QString> moveToTrash(const QString &path, QString *error)
{
    OwnChanges::note(path);
    QString inTrash;
    if (!QFile::moveToTrash(path, &inTrash) || inTrash.isEmpty()) {
        if (error)
            *error = L("无法将“%@”移到废纸篓", QFileInfo(path).fileName());
        return std::nullopt;
    }
    OwnChanges::note(inTrash);
    return QDir::cleanPath(inTrash);
}

int restore(const QString &trashedPath, const QString &originalPath)
{
    const QString item = QDir::cleanPath(trashedPath);
    OwnChanges::note(originalPath);
    OwnChanges::note(item);
    if (int error = FileSystem::moveNoReplace(item, originalPath))
        return error;
    // Only an item directly in a trash's "files" folder has a .trashinfo of its own; an
    // item inside a trashed folder must not remove another item's record.
    const QFileInfo info(item);
    if (QFileInfo(info.path()).fileName() == u"files") {
        const QString trashFolder = QFileInfo(info.path()).path();
        QFile::remove(trashFolder + QStringLiteral("/info/") + info.fileName() +
                      QStringLiteral(".trashinfo"));
    }
    return 0;
}

std::optional<QString> originalPath(const QString &trashedPath)
{
    const QFileInfo info(QDir::cleanPath(trashedPath));
    const QString trashFolder = QFileInfo(info.path()).path();
    QFile file(trashFolder + QStringLiteral("/info/") + info.fileName() +
               QStringLiteral(".trashinfo"));
    if (!file.open(QIODevice::ReadOnly))
        return std::nullopt;
    for (const QByteArray &line : file.readAll().split('\n')) {
        if (!line.startsWith("Path="))
            continue;
        const QString path = QUrl::fromPercentEncoding(line.mid(5).trimmed());
        if (path.isEmpty())
            return std::nullopt;
        if (QDir::isAbsolutePath(path))
            return QDir::cleanPath(path);
        // Per-volume trash folders record paths relative to the volume's top folder.
        QString top = trashFolder;
        if (QFileInfo(top).fileName() != QStringLiteral(".Trash-%1").arg(::getuid()))
            top = QFileInfo(top).path(); // "$topdir/.Trash/$uid"
        return QDir::cleanPath(QFileInfo(top).path() + u'/' + path);
    }
    return std::nullopt;
}

QStringList trashFolders()
{
    return trashFolders(defaultVolumeRoots());
}

QStringList trashFolders(const QStringList &volumeRoots)
{
    QStringList folders;
    struct stat info;
    const QString home = homeTrash();
    // A home trash that is not a real folder is still listed: emptying then reports it.
    if (::lstat(QFile::encodeName(home).constData(), &info) == 0)
        folders << home;
    for (const QString &root : volumeRoots) {
        QString found;
        if (usableVolumeTrash(root, &found) && !folders.contains(found))
            folders << found;
    }
    return folders;
}

int itemCount()
{
    return itemCount(defaultVolumeRoots());
}

int itemCount(const QStringList &volumeRoots)
{
    int count = 0;
    for (const QString &folder : trashFolders(volumeRoots))
        count += countEntries(folder + QStringLiteral("/files"));
    return count;
}

int empty()
{
    return empty(defaultVolumeRoots());
}

int empty(const QStringList &volumeRoots)
{
    int failed = 0;
    for (const QString &folder : trashFolders(volumeRoots)) {
        const int fd = ::open(QFile::encodeName(folder).constData(),
                              O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC);
        if (fd < 0) {
            ++failed;
            continue;
        }
        OwnChanges::note(folder);
        failed += emptyFolder(fd, "files");
        emptyFolder(fd, "info"); // leftovers of items already gone count for nothing
        ::unlinkat(fd, "directorysizes", 0);
        ::close(fd);
    }
    return failed;
}

} // namespace Trash
