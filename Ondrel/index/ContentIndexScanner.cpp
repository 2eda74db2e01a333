#include "ContentIndexScanner.h"

#include "FileFilter.h"

#include <QFile>

#include <cstring>
#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

void walk(int parentFd, const QString &folder, QList<IndexedFile> &out)
{
    DIR *dir = ::fdopendir(parentFd);
    if (!dir) {
        ::close(parentFd);
        return;
    }
    while (dirent *entry = ::readdir(dir)) {
        const char *name = entry->d_name;
        if (name[0] == '.') // hidden, and "." and ".."
            continue;
        const QString path = folder + u'/' + QFile::decodeName(name);
        struct stat info;
        if (::fstatat(::dirfd(dir), name, &info, AT_SYMLINK_NOFOLLOW) != 0)
            continue;
        const bool isFolder = S_ISDIR(info.st_mode);
        if (FileFilter::shouldSkipForIndexing(path))
            continue; // a skipped folder is not entered either
        if (isFolder) {
            const int fd = ::openat(::dirfd(dir), name,
                                    O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC);
            if (fd >= 0)
                walk(fd, path, out);
            continue;
        }
        if (!S_ISREG(info.st_mode))
            continue;
        IndexedFile file;
        file.path = path;
        file.size = info.st_size >= 1 ? info.st_size : qint64(info.st_blocks) * 512;
        file.modified = double(info.st_mtim.tv_sec) + double(info.st_mtim.tv_nsec) / 1e9;
        out << file;
    }
    ::closedir(dir);
}

} // namespace

namespace ContentIndexScanner {

QList<IndexedFile> files(const QStringList &roots)
{
    QList<IndexedFile> result;
    for (const QString &root : roots) {
        // The root itself may be reached through a link; nothing below it is.
        const int fd = ::open(QFile::encodeName(root).constData(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
        if (fd < 0)
            continue;
        QString folder = root;
        while (folder.size() > 1 && folder.endsWith(u'/'))
            folder.chop(1);
        walk(fd, folder == u"/" ? QString() : folder, result);
    }
    return result;
}

} // namespace ContentIndexScanner
