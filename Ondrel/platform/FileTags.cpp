#include "FileTags.h"

#include <QFile>

#include <atomic>
#include <cerrno>
#include <climits>
#include <cstring>
#include <sys/syscall.h>
#include <sys/xattr.h>
#include <unistd.h>

// getxattrat(2) came with Linux 6.13; older C library headers do not name it. Its number
// is the same on every architecture that shares the generic system-call table.
#ifndef __NR_getxattrat
#define __NR_getxattrat 464
#endif

namespace {

// A tag must read back as written: no comma (the separator), no NUL, no blanks around it.
bool isValidTag(const QString &tag)
{
    return !tag.isEmpty() && !tag.contains(u',') && !tag.contains(QChar(u'\0'))
           && tag.trimmed() == tag;
}


// Reads the attribute; ENODATA means absent. Returns 0 or an errno.
int readValue(const QByteArray &path, QByteArray *value)
{
    char small[512];
    ssize_t n = ::getxattr(path.constData(), FileTags::attribute, small, sizeof small);
    if (n >= 0) {
        *value = QByteArray(small, n);
        return 0;
    }
    if (errno != ERANGE)
        return errno;
    for (int attempt = 0; attempt < 4; ++attempt) {
        n = ::getxattr(path.constData(), FileTags::attribute, nullptr, 0);
        if (n < 0)
            return errno;
        QByteArray buffer(n, '\0');
        n = ::getxattr(path.constData(), FileTags::attribute, buffer.data(), buffer.size());
        if (n >= 0) {
            buffer.truncate(n);
            *value = buffer;
            return 0;
        }
        if (errno != ERANGE)
            return errno;
    }
    return ERANGE;
}

// The argument block of getxattrat (struct xattr_args of <linux/xattr.h>).
struct XattrArgs
{
    quint64 value;
    quint32 size;
    quint32 flags;
};

// Whether getxattrat is there: unknown until the first call answers.
enum class AtCall { Unknown, Available, Missing };
std::atomic<AtCall> atCall{AtCall::Unknown};

// getxattrat into `buffer`; -1 with errno as the system call sets it.
ssize_t getxattrAt(int dirFd, const char *name, char *buffer, size_t size)
{
    XattrArgs args{quint64(quintptr(buffer)), quint32(size), 0};
    return ::syscall(__NR_getxattrat, dirFd, name, 0, FileTags::attribute, &args, sizeof args);
}

// getxattr by the path prefix + name, built on the stack; ENAMETOOLONG when too long.
ssize_t getxattrByPath(const QByteArray &prefix, const char *name, char *buffer, size_t size)
{
    char path[PATH_MAX];
    const size_t nameLength = std::strlen(name);
    if (size_t(prefix.size()) + nameLength + 1 > sizeof path) {
        errno = ENAMETOOLONG;
        return -1;
    }
    std::memcpy(path, prefix.constData(), size_t(prefix.size()));
    std::memcpy(path + prefix.size(), name, nameLength + 1);
    return ::getxattr(path, FileTags::attribute, buffer, size);
}

} // namespace

namespace FileTags {

QStringList parse(const QByteArray &value)
{
    QStringList tags;
    for (const QByteArray &part : value.split(',')) {
        // Some writers end the value with a NUL.
        const QString name = QString::fromUtf8(part).remove(QChar(u'\0')).trimmed();
        if (!name.isEmpty())
            tags << name;
    }
    return tags;
}

QByteArray serialize(const QStringList &tags)
{
    return tags.join(u',').toUtf8();
}

std::optional<QStringList> read(const QString &path, int *error)
{
    QByteArray value;
    const int e = readValue(QFile::encodeName(path), &value);
    if (error)
        *error = e == ENODATA ? 0 : e;
    if (e == ENODATA)
        return QStringList();
    if (e)
        return std::nullopt;
    return parse(value);
}

QStringList readQuietly(const QByteArray &encodedPath)
{
    char small[256];
    const ssize_t n = ::getxattr(encodedPath.constData(), attribute, small, sizeof small);
    if (n > 0)
        return parse(QByteArray::fromRawData(small, n));
    if (n < 0 && errno == ERANGE) {
        QByteArray value;
        if (readValue(encodedPath, &value) == 0)
            return parse(value);
    }
    return {};
}

QStringList readAt(int dirFd, const QByteArray &folderPrefix, const char *name, int *error)
{
    char small[256];
    ssize_t n = -1;
    const AtCall at = atCall.load(std::memory_order_relaxed);
    bool done = false;
    if (at != AtCall::Missing) {
        n = getxattrAt(dirFd, name, small, sizeof small);
        // ENOSYS: a kernel before 6.13; EPERM: a sandbox that refuses system calls it does
        // not know. Either way the path-based read answers instead.
        if (n >= 0 || (errno != ENOSYS && errno != EPERM)) {
            done = true;
            if (at == AtCall::Unknown)
                atCall.store(AtCall::Available, std::memory_order_relaxed);
        } else if (errno == ENOSYS) {
            atCall.store(AtCall::Missing, std::memory_order_relaxed);
        }
    }
    if (!done)
        n = getxattrByPath(folderPrefix, name, small, sizeof small);
    if (n >= 0) {
        *error = 0;
        return parse(QByteArray::fromRawData(small, n));
    }
    if (errno == ERANGE) {
        QByteArray value;
        const int e = readValue(folderPrefix + name, &value);
        *error = e == ENODATA ? 0 : e;
        return e == 0 ? parse(value) : QStringList();
    }
    *error = errno == ENODATA ? 0 : errno;
    return {};
}

int write(const QString &path, const QStringList &tags)
{
    for (const QString &tag : tags)
        if (!isValidTag(tag))
            return EINVAL;
    const QByteArray file = QFile::encodeName(path);
    if (tags.isEmpty()) {
        if (::removexattr(file.constData(), attribute) == 0 || errno == ENODATA)
            return 0;
        return errno;
    }
    const QByteArray value = serialize(tags);
    return ::setxattr(file.constData(), attribute, value.constData(), size_t(value.size()), 0) == 0
               ? 0
               : errno;
}

int toggle(const QString &path, const QString &tag)
{
    if (!isValidTag(tag))
        return EINVAL;
    int error = 0;
    std::optional<QStringList> tags = read(path, &error);
    if (!tags)
        return error;
    if (tags->contains(tag))
        tags->removeAll(tag);
    else
        tags->append(tag);
    return write(path, *tags);
}

} // namespace FileTags
