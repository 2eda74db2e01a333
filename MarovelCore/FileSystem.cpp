#include "FileSystem.h"

#include <QDir>
#include <QFile>
#include <QRandomGenerator>

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <vector>
#include <dirent.h>
#include <fcntl.h>
#include <pwd.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

int writeAll(int fd, const char *data, size_t size)
{
    while (size > 0) {
        const ssize_t n = ::write(fd, data, size);
        if (n < 0) {
            if (errno == EINTR)
                continue;
            return errno;
        }
        data += n;
        size -= size_t(n);
    }
    return 0;
}

// Removes `path`, a folder with everything in it, without following symbolic links.
int removeTree(const QByteArray &path)
{
    struct stat info;
    if (::lstat(path.constData(), &info) != 0)
        return errno;
    if (!S_ISDIR(info.st_mode))
        return ::unlink(path.constData()) == 0 ? 0 : errno;
    DIR *dir = ::opendir(path.constData());
    if (!dir)
        return errno;
    int result = 0;
    while (dirent *entry = ::readdir(dir)) {
        if (!std::strcmp(entry->d_name, ".") || !std::strcmp(entry->d_name, ".."))
            continue;
        if (int e = removeTree(path + '/' + entry->d_name); e && !result)
            result = e;
    }
    ::closedir(dir);
    if (result)
        return result;
    return ::rmdir(path.constData()) == 0 ? 0 : errno;
}

int copyTimesAndMode(const QByteArray &to, const struct stat &info)
{
    const struct timespec times[2] = {info.st_atim, info.st_mtim};
    if (::utimensat(AT_FDCWD, to.constData(), times, AT_SYMLINK_NOFOLLOW) != 0)
        return errno;
    if (!S_ISLNK(info.st_mode) && ::chmod(to.constData(), info.st_mode & 07777) != 0)
        return errno;
    return 0;
}

bool isCancelled(const FileSystem::CancelCheck &cancelled)
{
    return cancelled && cancelled();
}

// Copies `length` bytes at `offset` from `in` to the same place in `out`: in the kernel
// where it can, else through a buffer. Either way it goes in steps of 64 KiB, asking
// `cancelled` before each one.
int copyRange(int in, int out, off_t offset, off_t length,
              const FileSystem::CancelCheck &cancelled)
{
    constexpr off_t step = 1 << 16;
    bool kernel = true;
    while (length > 0) {
        if (isCancelled(cancelled))
            return ECANCELED;
        if (kernel) {
            off_t inOffset = offset;
            off_t outOffset = offset;
            const ssize_t n = ::copy_file_range(in, &inOffset, out, &outOffset,
                                                size_t(std::min(length, step)), 0);
            if (n > 0) {
                offset += n;
                length -= n;
                continue;
            }
            if (n == 0)
                return 0; // the source shrank meanwhile
            if (errno == EINTR)
                continue;
            if (errno != EXDEV && errno != EINVAL && errno != ENOSYS && errno != EOPNOTSUPP
                && errno != EPERM)
                return errno;
            kernel = false;
        }
        char buffer[step];
        const ssize_t n = ::pread(in, buffer, size_t(std::min(length, step)), offset);
        if (n < 0 && errno == EINTR)
            continue;
        if (n < 0)
            return errno;
        if (n == 0)
            return 0;
        for (ssize_t done = 0; done < n;) {
            const ssize_t w = ::pwrite(out, buffer + done, size_t(n - done), offset + done);
            if (w < 0 && errno == EINTR)
                continue;
            if (w < 0)
                return errno;
            done += w;
        }
        offset += n;
        length -= n;
    }
    return 0;
}

// Copies the content of `in` to the empty `out` keeping its holes: only the data extents
// that SEEK_DATA and SEEK_HOLE find are copied, and the size is set at the end, so a
// sparse file stays sparse. Where the file system cannot tell, everything is copied.
// `cancelled` is asked before every 64 KiB of data and once more before the size is set.
int copyContent(int in, int out, const FileSystem::CancelCheck &cancelled)
{
    struct stat info;
    if (::fstat(in, &info) != 0)
        return errno;
    for (off_t position = 0; position < info.st_size;) {
        const off_t data = ::lseek(in, position, SEEK_DATA);
        if (data < 0 && errno == ENXIO)
            break; // only a hole is left
        if (data < 0 && (errno == EINVAL || errno == ENOTSUP)) {
            if (int error = copyRange(in, out, position, info.st_size - position, cancelled))
                return error;
            break;
        }
        if (data < 0)
            return errno;
        off_t hole = ::lseek(in, data, SEEK_HOLE);
        if (hole < 0)
            return errno;
        hole = std::min(hole, info.st_size);
        if (int error = copyRange(in, out, data, hole - data, cancelled))
            return error;
        position = hole;
    }
    if (isCancelled(cancelled))
        return ECANCELED;
    return ::ftruncate(out, info.st_size) == 0 ? 0 : errno;
}

int copyFile(const QByteArray &from, const QByteArray &to, const struct stat &info,
             const FileSystem::CancelCheck &cancelled, bool *created = nullptr)
{
    const int in = ::open(from.constData(), O_RDONLY | O_CLOEXEC | O_NOFOLLOW);
    if (in < 0)
        return errno;
    const int out = ::open(to.constData(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0600);
    if (out < 0) {
        const int e = errno;
        ::close(in);
        return e;
    }
    if (created)
        *created = true;
    int result = copyContent(in, out, cancelled);
    ::close(in);
    if (::close(out) != 0 && !result)
        result = errno;
    return result ? result : copyTimesAndMode(to, info);
}

// Copies `from` to the new name `to` (which must not exist), recursively for folders.
// `created` is set once the top-level item exists under its new name; `copied`, when
// given, receives every source item copied, each folder before its contents.
int copyTree(const QByteArray &from, const QByteArray &to,
             const FileSystem::CancelCheck &cancelled, bool *created = nullptr,
             QList<QByteArray> *copied = nullptr)
{
    if (isCancelled(cancelled))
        return ECANCELED;
    struct stat info;
    if (::lstat(from.constData(), &info) != 0)
        return errno;
    if (S_ISLNK(info.st_mode)) {
        QByteArray target(info.st_size + 1, '\0');
        const ssize_t n = ::readlink(from.constData(), target.data(), target.size());
        if (n < 0)
            return errno;
        target.truncate(n);
        if (::symlink(target.constData(), to.constData()) != 0)
            return errno;
        if (created)
            *created = true;
        if (copied)
            copied->append(from);
        return copyTimesAndMode(to, info);
    }
    if (S_ISREG(info.st_mode)) {
        const int result = copyFile(from, to, info, cancelled, created);
        if (!result && copied)
            copied->append(from);
        return result;
    }
    if (!S_ISDIR(info.st_mode))
        return ENOTSUP; // devices, sockets and pipes are not moved across file systems
    if (::mkdir(to.constData(), 0700) != 0)
        return errno;
    if (created)
        *created = true;
    if (copied)
        copied->append(from);
    DIR *dir = ::opendir(from.constData());
    if (!dir)
        return errno;
    int result = 0;
    for (;;) {
        errno = 0;
        const dirent *entry = ::readdir(dir);
        if (!entry) {
            result = errno; // a listing cut short must not pass for a complete copy
            break;
        }
        if (!std::strcmp(entry->d_name, ".") || !std::strcmp(entry->d_name, ".."))
            continue;
        if ((result = copyTree(from + '/' + entry->d_name, to + '/' + entry->d_name, cancelled,
                               nullptr, copied)))
            break;
    }
    ::closedir(dir);
    return result ? result : copyTimesAndMode(to, info);
}

// Removes exactly the items a copy took, deepest first. A folder that gained an entry
// meanwhile stays, with that entry: nothing the copy did not see is deleted.
void removeCopied(const QList<QByteArray> &copied)
{
    for (auto it = copied.crbegin(); it != copied.crend(); ++it) {
        struct stat info;
        if (::lstat(it->constData(), &info) != 0)
            continue;
        if (S_ISDIR(info.st_mode))
            ::rmdir(it->constData());
        else
            ::unlink(it->constData());
    }
}

// For file systems without RENAME_NOREPLACE. A file is hard-linked to the new name (which
// refuses a taken name atomically) and then unlinked from the old one. A folder, or a file
// where the file system has no hard links, claims the name with an exclusively created
// placeholder and is renamed over it; rename never replaces a folder that is not empty.
int moveOverPlaceholder(const QByteArray &from, const QByteArray &to)
{
    struct stat info;
    if (::lstat(from.constData(), &info) != 0)
        return errno;
    if (!S_ISDIR(info.st_mode)) {
        if (::link(from.constData(), to.constData()) == 0) {
            if (::unlink(from.constData()) != 0) {
                const int e = errno;
                ::unlink(to.constData());
                return e;
            }
            return 0;
        }
        if (errno != EPERM && errno != ENOTSUP && errno != EMLINK)
            return errno;
    }
    if (S_ISDIR(info.st_mode)) {
        if (::mkdir(to.constData(), 0700) != 0)
            return errno;
    } else {
        const int fd = ::open(to.constData(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0600);
        if (fd < 0)
            return errno;
        ::close(fd);
    }
    if (::rename(from.constData(), to.constData()) != 0) {
        const int e = errno;
        S_ISDIR(info.st_mode) ? ::rmdir(to.constData()) : ::unlink(to.constData());
        return e;
    }
    return 0;
}

// Gives `from` the name `to` in the same file system, never replacing anything there.
int renameNoReplace(const QByteArray &from, const QByteArray &to)
{
    if (::renameat2(AT_FDCWD, from.constData(), AT_FDCWD, to.constData(), RENAME_NOREPLACE) == 0)
        return 0;
    const int error = errno;
    if (error != EINVAL && error != ENOSYS && error != ENOTSUP)
        return error;
    return moveOverPlaceholder(from, to);
}

// Copies `from` under a hidden temporary name beside `to` and gives the finished copy the
// name `to` with a no-replace rename, so a copy that is interrupted (cancelled, a full
// disk, the process killed) never leaves a partial item under the final name. EEXIST
// means `to` was taken; after any failure nothing of the copy stays. `copied` receives
// the source items copied, as copyTree gives them.
int copyIntoPlace(const QByteArray &from, const QByteArray &to,
                  const FileSystem::CancelCheck &cancelled, QList<QByteArray> *copied)
{
    const qsizetype slash = to.lastIndexOf('/');
    const QByteArray folder = slash < 0 ? QByteArray(".") : to.left(std::max<qsizetype>(slash, 1));
    // Short enough for any name limit; only the copy in progress ever has it.
    const QByteArray stem = to.mid(slash + 1).left(200);
    for (int attempt = 0; attempt < 100; ++attempt) {
        const QByteArray temp = folder + (folder.endsWith('/') ? "." : "/.") + stem + ".part-"
                                + QByteArray::number(QRandomGenerator::global()->generate(), 16);
        if (copied)
            copied->clear();
        bool created = false;
        int error = copyTree(from, temp, cancelled, &created, copied);
        if (error == EEXIST && !created)
            continue; // the temporary name is taken: another one
        if (error == EEXIST)
            error = EIO; // a clash inside the new copy (a volume that ignores letter case)
        if (!error)
            error = renameNoReplace(temp, to);
        if (!error)
            return 0;
        if (created)
            removeTree(temp);
        return error;
    }
    return EEXIST;
}

// Removes the entry `name` of the open folder `dirFd` without following links.
int removeAt(int dirFd, const char *name)
{
    struct stat info;
    if (::fstatat(dirFd, name, &info, AT_SYMLINK_NOFOLLOW) != 0)
        return errno;
    if (!S_ISDIR(info.st_mode))
        return ::unlinkat(dirFd, name, 0) == 0 ? 0 : errno;
    const int fd = ::openat(dirFd, name, O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC);
    if (fd < 0)
        return errno;
    DIR *dir = ::fdopendir(fd);
    if (!dir) {
        const int e = errno;
        ::close(fd);
        return e;
    }
    int result = 0;
    while (dirent *entry = ::readdir(dir)) {
        if (!std::strcmp(entry->d_name, ".") || !std::strcmp(entry->d_name, ".."))
            continue;
        if (int e = removeAt(fd, entry->d_name); e && !result)
            result = e;
    }
    ::closedir(dir);
    if (result)
        return result;
    return ::unlinkat(dirFd, name, AT_REMOVEDIR) == 0 ? 0 : errno;
}

} // namespace

namespace FileSystem {

QByteArray encodeName(const QString &path)
{
    return QFile::encodeName(path);
}

bool hasNul(const QString &path)
{
    return path.contains(QChar(u'\0'));
}

bool exists(const QString &path)
{
    struct stat info;
    return ::lstat(encodeName(path).constData(), &info) == 0;
}

bool isDirectory(const QString &path)
{
    struct stat info;
    return ::stat(encodeName(path).constData(), &info) == 0 && S_ISDIR(info.st_mode);
}

int makePath(const QString &path)
{
    const QByteArray bytes = encodeName(path);
    if (bytes.isEmpty())
        return ENOENT;
    for (qsizetype i = 1; i <= bytes.size(); ++i) {
        if (i < bytes.size() && bytes[i] != '/')
            continue;
        const QByteArray part = bytes.left(i);
        if (::mkdir(part.constData(), 0755) == 0 || errno == EEXIST) {
            struct stat info;
            if (::stat(part.constData(), &info) != 0)
                return errno;
            if (!S_ISDIR(info.st_mode))
                return ENOTDIR;
            continue;
        }
        return errno;
    }
    return 0;
}

int moveNoReplace(const QString &fromPath, const QString &toPath, const CancelCheck &cancelled)
{
    const QByteArray from = encodeName(fromPath);
    const QByteArray to = encodeName(toPath);
    if (::renameat2(AT_FDCWD, from.constData(), AT_FDCWD, to.constData(), RENAME_NOREPLACE) == 0)
        return 0;
    int error = errno;
    if (error == EINVAL || error == ENOSYS || error == ENOTSUP) {
        struct stat info;
        if (::lstat(from.constData(), &info) != 0)
            return errno;
        error = moveOverPlaceholder(from, to);
        if (error != EXDEV)
            return error;
    }
    if (error != EXDEV)
        return error;
    if (exists(toPath))
        return EEXIST;
    QList<QByteArray> copied;
    if (const int e = copyIntoPlace(from, to, cancelled, &copied))
        return e;
    removeCopied(copied);
    return 0;
}

int moveNoReplaceAt(int fromDir, const QByteArray &fromName, int toDir, const QByteArray &toName)
{
    if (::renameat2(fromDir, fromName.constData(), toDir, toName.constData(), RENAME_NOREPLACE) == 0)
        return 0;
    const int error = errno;
    if (error != EINVAL && error != ENOSYS && error != ENOTSUP && error != EXDEV)
        return error;
    const auto named = [](int dir, const QByteArray &name) {
        return QStringLiteral("/proc/self/fd/%1/").arg(dir) + QFile::decodeName(name);
    };
    return moveNoReplace(named(fromDir, fromName), named(toDir, toName));
}

int writeAtomically(const QString &path, const QByteArray &bytes)
{
    QByteArray temp = encodeName(path) + ".XXXXXX";
    const int fd = ::mkostemp(temp.data(), O_CLOEXEC);
    if (fd < 0)
        return errno;
    int result = writeAll(fd, bytes.constData(), size_t(bytes.size()));
    if (!result && ::fchmod(fd, 0644) != 0)
        result = errno;
    if (!result && ::fsync(fd) != 0)
        result = errno;
    if (::close(fd) != 0 && !result)
        result = errno;
    if (!result && ::rename(temp.constData(), encodeName(path).constData()) != 0)
        result = errno;
    if (result)
        ::unlink(temp.constData());
    return result;
}

int writeNew(const QString &path, const QByteArray &bytes)
{
    const QByteArray name = encodeName(path);
    const int fd = ::open(name.constData(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0644);
    if (fd < 0)
        return errno;
    int result = writeAll(fd, bytes.constData(), size_t(bytes.size()));
    if (::close(fd) != 0 && !result)
        result = errno;
    if (result)
        ::unlink(name.constData());
    return result;
}

int appendLine(const QString &path, const QByteArray &line)
{
    const int fd = ::open(encodeName(path).constData(), O_WRONLY | O_APPEND | O_CREAT | O_CLOEXEC,
                          0644);
    if (fd < 0)
        return errno;
    QByteArray record;
    struct stat info;
    if (::fstat(fd, &info) == 0 && info.st_size > 0) {
        const int reader = ::open(encodeName(path).constData(), O_RDONLY | O_CLOEXEC);
        char last = '\n';
        if (reader >= 0) {
            if (::pread(reader, &last, 1, info.st_size - 1) != 1)
                last = '\n';
            ::close(reader);
        }
        if (last != '\n')
            record += '\n';
    }
    record += line;
    if (!record.endsWith('\n'))
        record += '\n';
    int result = writeAll(fd, record.constData(), size_t(record.size()));
    if (::close(fd) != 0 && !result)
        result = errno;
    return result;
}

int copyNoReplace(const QString &fromPath, const QString &toPath, const CancelCheck &cancelled)
{
    const QByteArray from = encodeName(fromPath);
    const QByteArray to = encodeName(toPath);
    struct stat before;
    if (::lstat(to.constData(), &before) == 0)
        return EEXIST;
    return copyIntoPlace(from, to, cancelled, nullptr);
}

int removeTree(const QString &path)
{
    const QString clean = QDir::cleanPath(path);
    const qsizetype slash = clean.lastIndexOf(u'/');
    QString parent = QStringLiteral(".");
    if (slash == 0)
        parent = QStringLiteral("/");
    else if (slash > 0)
        parent = clean.left(slash);
    const QByteArray name = encodeName(clean.mid(slash + 1));
    if (name.isEmpty() || name == "." || name == "..")
        return EINVAL;
    const int parentFd = ::open(encodeName(parent).constData(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (parentFd < 0)
        return errno;
    const int result = removeAt(parentFd, name.constData());
    ::close(parentFd);
    return result;
}

int removeTreeAt(int dirFd, const QByteArray &name)
{
    if (name.isEmpty() || name == "." || name == ".." || name.contains('/'))
        return EINVAL;
    return removeAt(dirFd, name.constData());
}

QString expandTilde(const QString &path)
{
    if (!path.startsWith(u'~'))
        return path;
    const qsizetype slash = path.indexOf(u'/');
    const QString user = path.mid(1, slash < 0 ? -1 : slash - 1);
    const QString rest = slash < 0 ? QString() : path.mid(slash);
    if (user.isEmpty())
        return QDir::homePath() + rest;
    const QByteArray name = encodeName(user);
    passwd entry{};
    passwd *found = nullptr;
    std::vector<char> buffer(16384);
    if (getpwnam_r(name.constData(), &entry, buffer.data(), buffer.size(), &found) != 0 || !found
        || !found->pw_dir || !*found->pw_dir)
        return path;
    return QFile::decodeName(found->pw_dir) + rest;
}

} // namespace FileSystem
