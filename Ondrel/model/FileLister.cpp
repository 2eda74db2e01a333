#include "FileLister.h"

#include "DisplayHelpers.h"
#include "FileOps.h"
#include "FileTags.h"
#include "Localization.h"
#include "OnlineFiles.h"

#include <QFile>
#include <QHash>
#include <QMimeDatabase>
#include <QMutex>
#include <QMutexLocker>
#include <QStandardPaths>
#include <QXmlStreamReader>

#include <cstring>
#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <sys/statvfs.h>

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

// The cache key of a name with extension `ext` and base `base`: the last two extensions
// when there are two ("tar.gz"), so compound types are told apart, else the last one.
QString extensionKey(const QString &base, const QString &ext)
{
    const auto [inner, innerExt] = FileOps::splitExtension(base);
    Q_UNUSED(inner);
    return innerExt.isEmpty() ? ext : innerExt + u'.' + ext;
}

QString describe(const QString &key, const QString &ext, const QString &language)
{
    static const QMimeDatabase database;
    const QMimeType type =
        database.mimeTypeForFile(QStringLiteral("x.") + key, QMimeDatabase::MatchExtension);
    if (type.isValid() && !type.isDefault()) {
        const QString comment = mimeComment(type, language);
        if (!comment.isEmpty())
            return comment;
    }
    return ext.toUpper() + L(" 文件");
}

QString kindForFile(const QString &name, const QString &language, QHash<QString, QString> *local)
{
    const auto [base, ext] = FileOps::splitExtension(name);
    if (ext.isEmpty())
        return L("文件");
    const QString key = extensionKey(base, ext);
    if (local) {
        if (auto it = local->constFind(key); it != local->cend())
            return it.value();
    }
    const QString cacheKey = language + u'\n' + key;
    QString text;
    {
        QMutexLocker locker(&cacheLock);
        text = kindCache.value(cacheKey);
    }
    if (text.isEmpty()) {
        text = describe(key, ext, language);
        QMutexLocker locker(&cacheLock);
        kindCache.insert(cacheKey, text);
    }
    if (local)
        local->insert(key, text);
    return text;
}

QDateTime dateOf(const struct statx_timestamp &t)
{
    return QDateTime::fromMSecsSinceEpoch(qint64(t.tv_sec) * 1000 + t.tv_nsec / 1000000, Qt::UTC);
}

constexpr unsigned statxMask =
    STATX_TYPE | STATX_MODE | STATX_SIZE | STATX_BLOCKS | STATX_MTIME | STATX_BTIME;

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
    const int dirFd = ::dirfd(stream);

    const QString language = Loc::shared().language();
    const QString folderKind = L("文件夹");
    const OnlineFiles::Query online = OnlineFiles::query();
    QHash<QString, QString> kinds;
    const QString prefix = dir == u"/" ? dir : dir + u'/';
    const QByteArray prefixBytes = QFile::encodeName(prefix);

    while (dirent *entry = ::readdir(stream)) {
        const char *raw = entry->d_name;
        if (raw[0] == '.' && (raw[1] == '\0' || (raw[1] == '.' && raw[2] == '\0')))
            continue;
        const bool hidden = raw[0] == '.';
        if (hidden && !showHidden)
            continue;

        FileItem item;
        item.name = QFile::decodeName(raw);
        item.path = prefix + item.name;
        item.isHidden = hidden;

        struct statx info;
        bool known =
            ::statx(dirFd, raw, AT_SYMLINK_NOFOLLOW | AT_NO_AUTOMOUNT, statxMask, &info) == 0;
        if (known && S_ISLNK(info.stx_mode)) {
            item.isAlias = true;
            // A link shows what it points to; a dangling one keeps its own facts.
            struct statx target;
            if (::statx(dirFd, raw, AT_NO_AUTOMOUNT, statxMask, &target) == 0)
                info = target;
        }
        if (known) {
            item.isDir = S_ISDIR(info.stx_mode);
            const qint64 fileSize = (info.stx_mask & STATX_SIZE) ? qint64(info.stx_size) : 0;
            const qint64 allocated =
                (info.stx_mask & STATX_BLOCKS) ? qint64(info.stx_blocks) * 512 : 0;
            item.size = !item.isDir && fileSize > 0 ? fileSize : allocated;
            if (info.stx_mask & STATX_MTIME)
                item.modified = dateOf(info.stx_mtime);
            item.created = (info.stx_mask & STATX_BTIME) ? dateOf(info.stx_btime) : item.modified;
        }
        item.kind = item.isDir ? folderKind : kindForFile(item.name, language, &kinds);
        item.tags = FileTags::readQuietly(prefixBytes + raw);
        if (online)
            item.isOnline = online(item.path);
        items.append(std::move(item));
    }
    ::closedir(stream);
    return items;
}

QString kindOf(const QString &path, bool isDir)
{
    if (isDir)
        return L("文件夹");
    const qsizetype slash = path.lastIndexOf(u'/');
    return kindForFile(path.mid(slash + 1), Loc::shared().language(), nullptr);
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
