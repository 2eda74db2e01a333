#include "ItemInfo.h"

#include "FileTags.h"

#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <QThreadPool>

#include <fcntl.h>
#include <sys/stat.h>

namespace ItemInfo {

namespace {

QDateTime dateOf(const struct statx_timestamp &t)
{
    return QDateTime::fromMSecsSinceEpoch(qint64(t.tv_sec) * 1000 + t.tv_nsec / 1000000, Qt::UTC);
}

// How many entries the walk reads between two questions to `stop`.
constexpr int entriesPerStopCheck = 256;

} // namespace

Facts read(const QString &path)
{
    Facts facts;
    const QByteArray name = QFile::encodeName(path);
    constexpr unsigned mask = STATX_TYPE | STATX_MODE | STATX_SIZE | STATX_MTIME | STATX_BTIME;
    struct statx info;
    // A link shows what it points to; a dangling one keeps its own facts.
    if (::statx(AT_FDCWD, name.constData(), AT_NO_AUTOMOUNT, mask, &info) != 0
        && ::statx(AT_FDCWD, name.constData(), AT_SYMLINK_NOFOLLOW | AT_NO_AUTOMOUNT, mask, &info) != 0)
        return facts;
    facts.readable = true;
    facts.isDir = S_ISDIR(info.stx_mode);
    if (info.stx_mask & STATX_SIZE)
        facts.size = qint64(info.stx_size);
    if (info.stx_mask & STATX_BTIME)
        facts.created = dateOf(info.stx_btime);
    if (info.stx_mask & STATX_MTIME)
        facts.modified = dateOf(info.stx_mtime);
    if (info.stx_mask & STATX_MODE)
        facts.permissions = info.stx_mode & 0777;
    facts.tags = FileTags::read(path).value_or(QStringList());
    return facts;
}

std::optional<qint64> folderSize(const QString &folder, const std::function<bool()> &stop)
{
    // Without FollowSymlinks the iterator lists links but never enters them.
    QDirIterator it(folder, QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot,
                    QDirIterator::Subdirectories);
    qint64 total = 0;
    int untilCheck = entriesPerStopCheck;
    while (it.hasNext()) {
        const QString path = it.next();
        if (stop && --untilCheck == 0) {
            if (stop())
                return std::nullopt;
            untilCheck = entriesPerStopCheck;
        }
        struct stat info;
        if (::lstat(QFile::encodeName(path).constData(), &info) == 0)
            total += qint64(info.st_blocks) * 512;
    }
    if (stop && stop())
        return std::nullopt;
    return total;
}

QThreadPool &walkPool()
{
    static QThreadPool *const pool = [] {
        auto *made = new QThreadPool;
        made->setMaxThreadCount(2);
        return made;
    }();
    return *pool;
}

QString permissionText(int permissions)
{
    return QString::number(permissions & 0777, 8);
}

} // namespace ItemInfo
