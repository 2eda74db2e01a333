#include "FileLister.h"

#include "DisplayHelpers.h"
#include "FileTags.h"
#include "Localization.h"
#include "OnlineFiles.h"

#include <QFile>
#include <QHash>
#include <QMimeDatabase>
#include <QMutex>
#include <QMutexLocker>
#include <QStandardPaths>
#include <QStringBuilder>
#include <QThread>
#include <QXmlStreamReader>

#include <algorithm>
#include <atomic>
#include <optional>
#include <cerrno>
#include <cstring>
#include <dirent.h>
#include <fcntl.h>
#include <sys/mman.h>
#include <sys/stat.h>
#include <sys/statvfs.h>
#include <sys/sysmacros.h>
#include <system_error>
#include <thread>
#include <unistd.h>
#include <unordered_map>
#include <vector>

namespace {

// xml:lang values of the MIME database to try for an interface language, best first; an
// empty list means the untranslated (English) comment.
QStringList mimeLanguages(const QString &language)
{
    if (language == u"zh-Hans")
        return {QStringLiteral("zh_CN"), QStringLiteral("zh_SG"), QStringLiteral("zh")};
    if (language == u"zh-Hant")
        return {QStringLiteral("zh_TW"), QStringLiteral("zh_HK"), QStringLiteral("zh")};
    if (language.startsWith(u"en"))
        return {};
    QString posix = language;
    posix.replace(u'-', u'_');
    const QString primary = posix.section(u'_', 0, 0);
    return posix == primary ? QStringList{posix} : QStringList{posix, primary};
}

// The type's description in `language`, read from the type's own file of the shared MIME
// database (which holds every translation), so the text follows the interface language
// rather than the process locale. Qt's own choice is the fallback.
QString mimeComment(const QMimeType &type, const QString &language)
{
    const QString file = QStandardPaths::locate(QStandardPaths::GenericDataLocation,
                                                QStringLiteral("mime/%1.xml").arg(type.name()));
    QFile xml(file);
    if (file.isEmpty() || !xml.open(QIODevice::ReadOnly))
        return type.comment();
    QHash<QString, QString> comments; // xml:lang -> text; "" for the untranslated one
    QXmlStreamReader reader(&xml);
    while (reader.readNextStartElement()) {
        if (reader.name() == u"mime-type")
            continue; // descend
        if (reader.name() == u"comment") {
            const QString lang = reader.attributes().value(QStringLiteral("xml:lang")).toString();
            comments.insert(lang, reader.readElementText());
        } else {
            reader.skipCurrentElement();
        }
    }
    for (const QString &lang : mimeLanguages(language))
        if (const QString text = comments.value(lang); !text.isEmpty())
            return text;
    const QString fallback = comments.value(QString());
    return fallback.isEmpty() ? type.comment() : fallback;
}

// Kind texts by language and extension key, shared by every listing of the process.
QMutex cacheLock;
QHash<QString, QString> kindCache;

// The cache key of a file name: its last two extensions when there are two ("tar.gz"),
// so compound types are told apart, else its last one; empty when it has none. The
// extension rules are those of FileOps::splitExtension: a leading dot or a trailing one
// starts no extension.
QStringView extensionKey(QStringView name)
{
    const qsizetype dot = name.lastIndexOf(u'.');
    if (dot <= 0 || dot == name.size() - 1)
        return {};
    const QStringView base = name.first(dot);
    const qsizetype inner = base.lastIndexOf(u'.');
    if (inner <= 0 || inner == base.size() - 1)
        return name.sliced(dot + 1);
    return name.sliced(inner + 1);
}

QString describe(QStringView key, const QString &language)
{
    static const QMimeDatabase database;
    const QMimeType type = database.mimeTypeForFile(QStringLiteral("x.").append(key),
                                                    QMimeDatabase::MatchExtension);
    if (type.isValid() && !type.isDefault()) {
        const QString comment = mimeComment(type, language);
        if (!comment.isEmpty())
            return comment;
    }
    const QStringView ext = key.sliced(key.lastIndexOf(u'.') + 1);
    return ext.toString().toUpper() + L(" 文件");
}

// The kind text of an extension key through the process-wide cache.
QString kindForKey(QStringView key, const QString &language)
{
    const QString cacheKey = QString(language).append(u'\n').append(key);
    {
        QMutexLocker locker(&cacheLock);
        if (auto it = kindCache.constFind(cacheKey); it != kindCache.cend())
            return it.value();
    }
    const QString text = describe(key, language);
    QMutexLocker locker(&cacheLock);
    kindCache.insert(cacheKey, text);
    return text;
}

// Kind texts of one listing, looked up by extension key without building a string per
// file.
class ListingKinds
{
public:
    explicit ListingKinds(const QString &language)
        : m_language(language), m_folder(L("文件夹")), m_noExtension(L("文件"))
    {
    }

    QString of(QStringView name, bool isDir)
    {
        if (isDir)
            return m_folder;
        const QStringView key = extensionKey(name);
        if (key.isEmpty())
            return m_noExtension;
        if (auto it = m_texts.find(key); it != m_texts.end())
            return it->second;
        // The map's keys view strings kept here; moving a QString keeps its characters
        // in place.
        m_keys.push_back(key.toString());
        const QString text = kindForKey(key, m_language);
        m_texts.emplace(QStringView(m_keys.back()), text);
        return text;
    }

private:
    struct ViewHash
    {
        size_t operator()(QStringView view) const { return qHash(view); }
    };
    QString m_language;
    QString m_folder;
    QString m_noExtension;
    std::vector<QString> m_keys;
    std::unordered_map<QStringView, QString, ViewHash> m_texts;
};

QDateTime dateOf(const struct statx_timestamp &t)
{
    return QDateTime::fromMSecsSinceEpoch(qint64(t.tv_sec) * 1000 + t.tv_nsec / 1000000, Qt::UTC);
}

// A large listing's array is written once from end to end; on systems that give huge
// pages only on request, one fault per 2 MiB instead of per 4 KiB is a good part of the
// cost of a folder of 100,000 entries. Only whole pages inside the block are advised.
void adviseHugePages(void *data, qsizetype bytes)
{
    constexpr qsizetype hugePage = 2 * 1024 * 1024;
    if (bytes < 2 * hugePage)
        return;
    const quintptr page = quintptr(::sysconf(_SC_PAGESIZE));
    const quintptr begin = (quintptr(data) + page - 1) & ~(page - 1);
    const quintptr end = (quintptr(data) + quintptr(bytes)) & ~(page - 1);
    if (end > begin)
        ::madvise(reinterpret_cast<void *>(begin), end - begin, MADV_HUGEPAGE);
}

constexpr unsigned statxMask =
    STATX_TYPE | STATX_MODE | STATX_SIZE | STATX_BLOCKS | STATX_MTIME | STATX_BTIME;

// What the threads of one listing share: the folder, the names of its entries and the
// items, already constructed, that their facts go into.
struct EntryReader
{
    int dirFd;
    QString prefix;
    QByteArray prefixBytes;
    const char *names;
    const size_t *starts;
    FileItem *items;
};

// The facts of one entry that come from the disk: type, size, dates, link and tags.
// `noTags` lists the file systems that answered that they keep no user attributes: their
// entries have no tags and are not asked again. (An entry may lie on another file system:
// a mount point, or the target of a link.)
void readFacts(const EntryReader &reader, qsizetype index, std::vector<dev_t> &noTags)
{
    const char *raw = reader.names + reader.starts[index];
    FileItem &item = reader.items[index];
    item.isHidden = raw[0] == '.';

    struct statx info;
    const bool known =
        ::statx(reader.dirFd, raw, AT_SYMLINK_NOFOLLOW | AT_NO_AUTOMOUNT, statxMask, &info) == 0;
    if (known && S_ISLNK(info.stx_mode)) {
        item.isAlias = true;
        // A link shows what it points to; a dangling one keeps its own facts.
        struct statx target;
        if (::statx(reader.dirFd, raw, AT_NO_AUTOMOUNT, statxMask, &target) == 0)
            info = target;
    }
    if (known) {
        item.isDir = S_ISDIR(info.stx_mode);
        const qint64 fileSize = (info.stx_mask & STATX_SIZE) ? qint64(info.stx_size) : 0;
        const qint64 allocated = (info.stx_mask & STATX_BLOCKS) ? qint64(info.stx_blocks) * 512 : 0;
        item.size = !item.isDir && fileSize > 0 ? fileSize : allocated;
        if (info.stx_mask & STATX_MTIME)
            item.modified = dateOf(info.stx_mtime);
        item.created = (info.stx_mask & STATX_BTIME) ? dateOf(info.stx_btime) : item.modified;
    }
    const dev_t device = known ? makedev(info.stx_dev_major, info.stx_dev_minor) : dev_t(0);
    if (!known || std::find(noTags.begin(), noTags.end(), device) == noTags.end()) {
        int error = 0;
        item.tags = FileTags::readAt(reader.dirFd, reader.prefixBytes, raw, &error);
        if (known && (error == ENOTSUP || error == EOPNOTSUPP))
            noTags.push_back(device);
    }
}

// Entries a thread takes at a time, and the fewest entries worth one more thread.
constexpr qsizetype blockSize = 256;
constexpr qsizetype entriesPerThread = 2048;

// Threads for a listing of `count` entries: at most half the cores (more were no faster
// when measured: the calls on one folder contend in the kernel, and the thread that builds
// the names waits for a core), but two wherever the folder is worth it, so the names are
// built while the facts are read.
qsizetype threadsFor(qsizetype count)
{
    const qsizetype worth = count / entriesPerThread;
    return std::min(worth, std::max<qsizetype>(2, QThread::idealThreadCount() / 2));
}

// Reads the facts of blocks of entries until none is left.
void readFactBlocks(const EntryReader &reader, std::atomic<qsizetype> &next, qsizetype count)
{
    std::vector<dev_t> noTags;
    for (qsizetype begin = next.fetch_add(blockSize); begin < count;
         begin = next.fetch_add(blockSize)) {
        const qsizetype end = std::min(begin + blockSize, count);
        for (qsizetype index = begin; index < end; ++index)
            readFacts(reader, index, noTags);
    }
}

// Fills the `count` items of a listing. Most of the time goes to two system calls per
// entry, which run side by side on helper threads as far as the folder's size is worth;
// meanwhile this thread builds the names, paths and file kinds (the strings stay on one
// thread, whose heap grows without stalling the others), then helps with the facts.
// Folders' kinds and the online state, which need the facts, come last.
void fillItems(const EntryReader &reader, qsizetype count, const OnlineFiles::Query &online)
{
    std::optional<ListingKinds> kinds;
    std::atomic<qsizetype> next{0};
    {
        const qsizetype wanted = threadsFor(count);
        std::vector<std::jthread> helpers;
        for (qsizetype i = 1; i < wanted; ++i) {
            try {
                helpers.emplace_back([&] { readFactBlocks(reader, next, count); });
            } catch (const std::system_error &) {
                break; // no more threads now: the ones running read the rest
            }
        }
        // The interface language's texts and the type database load while the helpers read.
        kinds.emplace(Loc::shared().language());
        for (qsizetype index = 0; index < count; ++index) {
            FileItem &item = reader.items[index];
            item.name = QFile::decodeName(reader.names + reader.starts[index]);
            item.path = reader.prefix % item.name; // one block of the exact size
            item.kind = kinds->of(item.name, false);
        }
        readFactBlocks(reader, next, count);
    } // the helpers are joined here

    for (qsizetype index = 0; index < count; ++index) {
        FileItem &item = reader.items[index];
        if (item.isDir)
            item.kind = kinds->of(item.name, true);
        if (online)
            item.isOnline = online(item.path);
    }
}

} // namespace

namespace FileLister {

QList<FileItem> list(const QString &folder, bool showHidden)
{
    QList<FileItem> items;
    const QString dir = FileItem::identityPath(folder);
    if (dir.isEmpty())
        return items;
    DIR *stream = ::opendir(QFile::encodeName(dir).constData());
    if (!stream)
        return items;

    // The names first, so the list is allocated once and every item is filled in place.
    // The folder's own size (on most file systems a little more than its entries' names
    // and records) saves growing the name store many times.
    std::vector<char> names;
    std::vector<size_t> starts;
    if (struct stat info; ::fstat(::dirfd(stream), &info) == 0 && info.st_size > 0) {
        const size_t hint = std::min<size_t>(size_t(info.st_size), size_t(64) << 20);
        names.reserve(hint);
        starts.reserve(hint / 32);
        adviseHugePages(names.data(), qsizetype(names.capacity()));
        adviseHugePages(starts.data(), qsizetype(starts.capacity() * sizeof(size_t)));
    }
    while (dirent *entry = ::readdir(stream)) {
        const char *raw = entry->d_name;
        if (raw[0] == '.' && (raw[1] == '\0' || (raw[1] == '.' && raw[2] == '\0')))
            continue;
        if (raw[0] == '.' && !showHidden)
            continue;
        starts.push_back(names.size());
        names.insert(names.end(), raw, raw + std::strlen(raw) + 1);
    }
    items.reserve(qsizetype(starts.size()));
    adviseHugePages(items.data(), items.capacity() * qsizetype(sizeof(FileItem)));
    items.resize(qsizetype(starts.size()));

    const QString prefix = dir == u"/" ? dir : dir + u'/';
    const EntryReader reader{::dirfd(stream), prefix,        QFile::encodeName(prefix),
                             names.data(),    starts.data(), items.data()};
    fillItems(reader, qsizetype(starts.size()), OnlineFiles::query());
    ::closedir(stream);
    return items;
}

QString kindOf(const QString &path, bool isDir)
{
    if (isDir)
        return L("文件夹");
    const QStringView name = QStringView(path).sliced(path.lastIndexOf(u'/') + 1);
    const QStringView key = extensionKey(name);
    return key.isEmpty() ? L("文件") : kindForKey(key, Loc::shared().language());
}

QString freeSpace(const QString &path)
{
    struct statvfs info;
    if (::statvfs(QFile::encodeName(path).constData(), &info) != 0)
        return {};
    const qint64 available = qint64(info.f_bavail) * qint64(info.f_frsize);
    // sizeStr leaves zero empty; a full volume still says how much is left.
    const QString size = available > 0 ? sizeStr(available) : QStringLiteral("0 B");
    return size + L(" 可用");
}

} // namespace FileLister
