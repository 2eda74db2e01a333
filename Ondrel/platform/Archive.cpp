#include "Archive.h"

#include "CoreError.h"
#include "Localization.h"

#include <QFile>
#include <QFileInfo>
#include <QMutex>
#include <QMutexLocker>

#include <archive.h>
#include <archive_entry.h>

#include <algorithm>
#include <cerrno>
#include <clocale>
#include <cstring>
#include <dirent.h>
#include <fcntl.h>
#include <langinfo.h>
#include <limits>
#include <sys/statvfs.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

// libarchive converts entry names through the calling thread's character set. For the
// length of one archive operation this thread uses a UTF-8 LC_CTYPE, so names survive a
// C or Latin-1 process locale; other threads are not affected.
class Utf8Names
{
public:
    Utf8Names()
    {
        const char *codeset = ::nl_langinfo(CODESET);
        if (codeset && std::strcmp(codeset, "UTF-8") == 0)
            return;
        for (const char *name : {"C.UTF-8", "en_US.UTF-8"}) {
            m_locale = ::newlocale(LC_CTYPE_MASK, name, locale_t(nullptr));
            if (m_locale)
                break;
        }
        if (m_locale)
            m_previous = ::uselocale(m_locale);
    }
    ~Utf8Names()
    {
        if (!m_locale)
            return;
        ::uselocale(m_previous);
        ::freelocale(m_locale);
    }
    Utf8Names(const Utf8Names &) = delete;
    Utf8Names &operator=(const Utf8Names &) = delete;

private:
    locale_t m_locale = locale_t(nullptr);
    locale_t m_previous = locale_t(nullptr);
};

bool isCancelled(const Archive::CancelCheck &cancelled)
{
    return cancelled && cancelled();
}

QString cancelledText()
{
    return L("操作已取消");
}

QString archiveReason(struct archive *a)
{
    const char *text = archive_error_string(a);
    if (text && *text)
        return QString::fromUtf8(text);
    const int e = archive_errno(a);
    return e ? systemReason(e) : QStringLiteral("unknown error");
}

// ---- writing ----

class ZipWriter
{
public:
    ZipWriter(struct archive *a, dev_t skipDev, ino_t skipIno, QString archiveName,
              Archive::CancelCheck cancelled)
        : m_a(a), m_skipDev(skipDev), m_skipIno(skipIno), m_archiveName(std::move(archiveName)),
          m_cancelled(std::move(cancelled))
    {
    }

    // Adds `path` as `name`; returns the error sentence of the first failure.
    std::optional<QString> add(const QByteArray &path, const QString &name)
    {
        if (isCancelled(m_cancelled))
            return cancelledText();
        struct stat info;
        if (::lstat(path.constData(), &info) != 0)
            return readError(path, errno);
        if (info.st_dev == m_skipDev && info.st_ino == m_skipIno)
            return std::nullopt;
        if (S_ISDIR(info.st_mode))
            return addFolder(path, name, info);
        if (S_ISLNK(info.st_mode))
            return addLink(path, name, info);
        if (S_ISREG(info.st_mode))
            return addFile(path, name, info);
        return std::nullopt; // sockets, pipes, devices: nothing to archive
    }

private:
    static QString readError(const QByteArray &path, int error)
    {
        return L("无法读取文件“%@”：%@", QFile::decodeName(path), systemReason(error));
    }

    QString writeError() const
    {
        return L("无法写入文件“%@”：%@", m_archiveName, archiveReason(m_a));
    }

    struct archive_entry *entryFor(const QString &name, const struct stat &info, mode_t type) const
    {
        struct archive_entry *entry = archive_entry_new();
        archive_entry_set_pathname_utf8(entry, name.toUtf8().constData());
        archive_entry_set_filetype(entry, type);
        archive_entry_set_perm(entry, info.st_mode & 0777);
        archive_entry_set_mtime(entry, info.st_mtim.tv_sec, info.st_mtim.tv_nsec);
        return entry;
    }

    std::optional<QString> writeHeader(struct archive_entry *entry)
    {
        const int r = archive_write_header(m_a, entry);
        archive_entry_free(entry);
        if (r < ARCHIVE_WARN)
            return writeError();
        return std::nullopt;
    }

    std::optional<QString> addFolder(const QByteArray &path, const QString &name,
                                     const struct stat &info)
    {
        const QString folderName = name.endsWith(u'/') ? name : name + u'/';
        struct archive_entry *entry = entryFor(folderName, info, AE_IFDIR);
        if (auto error = writeHeader(entry))
            return error;
        DIR *dir = ::opendir(path.constData());
        if (!dir)
            return readError(path, errno);
        QList<QByteArray> children;
        errno = 0;
        while (dirent *child = ::readdir(dir)) {
            if (std::strcmp(child->d_name, ".") && std::strcmp(child->d_name, ".."))
                children << QByteArray(child->d_name);
            errno = 0;
        }
        const int readFailure = errno;
        ::closedir(dir);
        if (readFailure)
            return readError(path, readFailure);
        std::sort(children.begin(), children.end());
        for (const QByteArray &child : children)
            if (auto error = add(path + '/' + child, folderName + QFile::decodeName(child)))
                return error;
        return std::nullopt;
    }

    std::optional<QString> addLink(const QByteArray &path, const QString &name,
                                   const struct stat &info)
    {
        QByteArray target(info.st_size > 0 ? info.st_size + 1 : 4096, '\0');
        const ssize_t n = ::readlink(path.constData(), target.data(), target.size());
        if (n < 0)
            return readError(path, errno);
        target.truncate(n);
        struct archive_entry *entry = entryFor(name, info, AE_IFLNK);
        archive_entry_set_symlink_utf8(entry, target.constData());
        return writeHeader(entry);
    }

    std::optional<QString> addFile(const QByteArray &path, const QString &name,
                                   const struct stat &info)
    {
        const int fd = ::open(path.constData(), O_RDONLY | O_NOFOLLOW | O_CLOEXEC | O_NONBLOCK);
        if (fd < 0)
            return readError(path, errno);
        struct stat opened;
        if (::fstat(fd, &opened) != 0 || !S_ISREG(opened.st_mode) || opened.st_ino != info.st_ino) {
            ::close(fd);
            return readError(path, EAGAIN);
        }
        struct archive_entry *entry = entryFor(name, opened, AE_IFREG);
        archive_entry_set_size(entry, opened.st_size);
        if (auto error = writeHeader(entry)) {
            ::close(fd);
            return error;
        }
        std::optional<QString> error;
        qint64 total = 0;
        static thread_local char buffer[1 << 16];
        for (;;) {
            if (isCancelled(m_cancelled)) {
                error = cancelledText();
                break;
            }
            const ssize_t n = ::read(fd, buffer, sizeof buffer);
            if (n < 0 && errno == EINTR)
                continue;
            if (n < 0) {
                error = readError(path, errno);
                break;
            }
            if (n == 0)
                break;
            total += n;
            if (total > opened.st_size)
                break;
            if (archive_write_data(m_a, buffer, size_t(n)) < 0) {
                error = writeError();
                break;
            }
        }
        ::close(fd);
        // A file that grew or shrank while it was read would be stored wrongly.
        if (!error && total != opened.st_size)
            error = L("“%@”在压缩过程中发生了变化", QFile::decodeName(path));
        return error;
    }

    struct archive *m_a;
    dev_t m_skipDev;
    ino_t m_skipIno;
    QString m_archiveName;
    Archive::CancelCheck m_cancelled;
};

// ---- extraction ----

QMutex probeLock;
std::function<std::optional<Archive::VolumeSpace>(const QString &)> spaceProbe;

std::optional<Archive::VolumeSpace> volumeSpace(const QString &folder)
{
    {
        QMutexLocker locker(&probeLock);
        if (spaceProbe)
            return spaceProbe(folder);
    }
    struct statvfs info;
    if (::statvfs(QFile::encodeName(folder).constData(), &info) != 0 || info.f_blocks == 0)
        return std::nullopt;
    return Archive::VolumeSpace{qint64(info.f_blocks) * qint64(info.f_frsize),
                                qint64(info.f_bavail) * qint64(info.f_frsize)};
}

// What an extraction may write: the volume's free space less what must stay free (5 % of
// the volume or 1 GiB, whichever is smaller). Entries are charged in whole blocks, and at
// least one block each, so a million empty entries count as well as one huge one.
class SpaceBudget
{
public:
    static constexpr qint64 block = 4096;
    static constexpr qint64 keepFreeAtMost = qint64(1) << 30;

    explicit SpaceBudget(const std::optional<Archive::VolumeSpace> &space)
    {
        if (!space)
            return; // a volume that cannot tell its space is not bounded here
        const qint64 keep = std::min(space->size / 20, keepFreeAtMost);
        m_left = std::max<qint64>(0, space->available - keep);
        m_bounded = true;
    }

    // Charges a new entry of `size` bytes; false when it does not fit.
    bool startEntry(qint64 size)
    {
        m_charged = 0;
        return grow(std::max<qint64>(size, 1));
    }
    // The entry turned out to reach `end` bytes; false when that no longer fits.
    bool grow(qint64 end)
    {
        const qint64 blocks = end / block + (end % block ? 1 : 0);
        const qint64 cost = blocks > std::numeric_limits<qint64>::max() / block
                                ? std::numeric_limits<qint64>::max()
                                : blocks * block;
        if (cost <= m_charged)
            return true;
        const qint64 more = cost - m_charged;
        if (m_bounded && more > m_left)
            return false;
        m_left -= m_bounded ? more : 0;
        m_charged = cost;
        return true;
    }

private:
    bool m_bounded = false;
    qint64 m_left = 0;
    qint64 m_charged = 0; // by the current entry
};

// The entry name as relative components, or nothing when it is absolute or climbs out
// with "..". "." and empty components are dropped.
std::optional<QStringList> safeComponents(const QString &name)
{
    if (name.startsWith(u'/'))
        return std::nullopt;
    QStringList parts;
    for (const QString &part : name.split(u'/')) {
        if (part.isEmpty() || part == u".")
            continue;
        if (part == u"..")
            return std::nullopt;
        parts << part;
    }
    return parts;
}

// Undoes a cancelled extraction: the entries it made go, newest first, then every folder
// on their way up to `base` that is left empty (rmdir never removes a folder that holds
// anything, so nothing the extraction did not make is lost).
void removeWritten(const QList<QByteArray> &written, const QByteArray &base)
{
    for (auto it = written.crbegin(); it != written.crend(); ++it) {
        struct stat info;
        if (::lstat(it->constData(), &info) != 0)
            continue;
        if (S_ISDIR(info.st_mode))
            ::rmdir(it->constData());
        else
            ::unlink(it->constData());
    }
    for (auto it = written.crbegin(); it != written.crend(); ++it) {
        QByteArray folder = *it;
        for (qsizetype slash = folder.lastIndexOf('/'); slash > base.size();
             slash = folder.lastIndexOf('/')) {
            folder.truncate(slash);
            if (::rmdir(folder.constData()) != 0)
                break;
        }
    }
}

} // namespace

namespace Archive {

std::optional<QString> writeZip(const QList<Item> &items, int fd, const QString &archiveName,
                                const CancelCheck &cancelled)
{
    Utf8Names utf8;
    struct stat self;
    if (::fstat(fd, &self) != 0)
        return L("无法写入文件“%@”：%@", archiveName, systemReason(errno));
    struct archive *a = archive_write_new();
    archive_write_set_format_zip(a);
    archive_write_zip_set_compression_deflate(a);
    archive_write_set_options(a, "zip:hdrcharset=UTF-8");
    std::optional<QString> error;
    if (archive_write_open_fd(a, fd) != ARCHIVE_OK) {
        error = L("无法写入文件“%@”：%@", archiveName, archiveReason(a));
    } else {
        ZipWriter writer(a, self.st_dev, self.st_ino, archiveName, cancelled);
        for (const Item &item : items)
            if ((error = writer.add(QFile::encodeName(item.source), item.entryName)))
                break;
        if (archive_write_close(a) != ARCHIVE_OK && !error)
            error = L("无法写入文件“%@”：%@", archiveName, archiveReason(a));
    }
    archive_write_free(a);
    return error;
}

std::optional<QString> extract(const QString &archivePath, const QString &destination,
                               const CancelCheck &cancelled)
{
    Utf8Names utf8;
    const QString archiveName = QFileInfo(archivePath).fileName();
    const auto failed = [&](const QString &reason) {
        return L("无法解压“%@”：%@", archiveName, reason);
    };

    struct archive *in = archive_read_new();
    archive_read_support_format_all(in);
    archive_read_support_filter_all(in);
    struct archive *out = archive_write_disk_new();
    archive_write_disk_set_options(out, ARCHIVE_EXTRACT_TIME | ARCHIVE_EXTRACT_NO_OVERWRITE |
                                            ARCHIVE_EXTRACT_SECURE_NODOTDOT |
                                            ARCHIVE_EXTRACT_SECURE_SYMLINKS);
    std::optional<QString> error;
    // Entries are written under the real path of the destination, so the symbolic-link
    // check only ever meets links that the archive itself made.
    const QString real = QFileInfo(destination).canonicalFilePath();
    const QByteArray base = QFile::encodeName(real);
    if (real.isEmpty())
        error = failed(systemReason(ENOENT));
    SpaceBudget budget(real.isEmpty() ? std::nullopt : volumeSpace(real));
    const QString tooBig = L("解压后磁盘剩余空间将不足");

    if (!error && archive_read_open_filename(in, QFile::encodeName(archivePath).constData(),
                                             1 << 16) != ARCHIVE_OK) {
        error = failed(archiveReason(in));
    }
    QList<QByteArray> written; // every entry's target, in the order they were made
    bool stopped = false;
    while (!error) {
        if (isCancelled(cancelled)) {
            stopped = true;
            break;
        }
        struct archive_entry *entry = nullptr;
        int r = archive_read_next_header(in, &entry);
        if (r == ARCHIVE_EOF)
            break;
        if (r < ARCHIVE_WARN) {
            error = failed(archiveReason(in));
            break;
        }
        const char *rawName = archive_entry_pathname_utf8(entry);
        if (!rawName) {
            error = failed(L("条目名称无法读取"));
            break;
        }
        const QString name = QString::fromUtf8(rawName);
        const std::optional<QStringList> parts = safeComponents(name);
        if (!parts) {
            error = failed(L("条目“%@”会写到目标文件夹之外", name));
            break;
        }
        if (parts->isEmpty())
            continue; // the archive's own top folder "./"
        const char *rawLink = archive_entry_hardlink_utf8(entry);
        const mode_t type = archive_entry_filetype(entry);
        if (!rawLink && type != AE_IFREG && type != AE_IFDIR && type != AE_IFLNK)
            continue; // devices, pipes and sockets are not made
        if (rawLink) {
            const QString link = QString::fromUtf8(rawLink);
            const std::optional<QStringList> linkParts = safeComponents(link);
            if (!linkParts || linkParts->isEmpty()) {
                error = failed(L("条目“%@”会写到目标文件夹之外", link));
                break;
            }
            archive_entry_set_hardlink_utf8(
                entry, (base + '/' + linkParts->join(u'/').toUtf8()).constData());
        }
        // libarchive skips a taken name and still reports success; a second entry of one
        // name (or a file where a folder was made) fails the extraction instead.
        const QByteArray target = base + '/' + parts->join(u'/').toUtf8();
        struct stat taken;
        if (::lstat(target.constData(), &taken) == 0
            && !(type == AE_IFDIR && !rawLink && S_ISDIR(taken.st_mode))) {
            error = failed(L("目标已存在：%@", name));
            break;
        }
        // Holes count like data: a copy of the file may well write them out.
        const qint64 declared = archive_entry_size_is_set(entry) ? archive_entry_size(entry) : 0;
        if (!budget.startEntry(std::max<qint64>(declared, 0))) {
            error = failed(tooBig);
            break;
        }
        archive_entry_set_pathname_utf8(entry, target.constData());
        written << target;
        r = archive_write_header(out, entry);
        if (r < ARCHIVE_WARN) {
            error = failed(archiveReason(out));
            break;
        }
        if (archive_entry_size_is_set(entry) == 0 || archive_entry_size(entry) > 0) {
            for (;;) {
                if (isCancelled(cancelled)) {
                    stopped = true;
                    break;
                }
                const void *block = nullptr;
                size_t size = 0;
                la_int64_t offset = 0;
                r = archive_read_data_block(in, &block, &size, &offset);
                if (r == ARCHIVE_EOF)
                    break;
                if (r < ARCHIVE_WARN) {
                    error = failed(archiveReason(in));
                    break;
                }
                if (!budget.grow(qint64(offset) + qint64(size))) {
                    error = failed(tooBig);
                    break;
                }
                if (archive_write_data_block(out, block, size, offset) < ARCHIVE_WARN) {
                    error = failed(archiveReason(out));
                    break;
                }
            }
            if (error || stopped)
                break;
        }
        if (archive_write_finish_entry(out) < ARCHIVE_WARN) {
            error = failed(archiveReason(out));
            break;
        }
    }
    // Closing the writer sets the times of folders; its failure counts as well.
    if (archive_write_close(out) < ARCHIVE_WARN && !error)
        error = failed(archiveReason(out));
    archive_read_close(in);
    archive_write_free(out);
    archive_read_free(in);
    if (stopped) {
        removeWritten(written, base);
        return cancelledText();
    }
    return error;
}

void setVolumeSpaceProbe(std::function<std::optional<VolumeSpace>(const QString &)> probe)
{
    QMutexLocker locker(&probeLock);
    spaceProbe = std::move(probe);
}

} // namespace Archive
