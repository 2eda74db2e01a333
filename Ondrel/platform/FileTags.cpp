#include "FileTags.h"

#include <QFile>

#include <cerrno>
#include <sys/xattr.h>

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
