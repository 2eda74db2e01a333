#include "FileOps.h"

#include "Archive.h"
#include "FileItem.h"
#include "FileSystem.h"
#include "Localization.h"
#include "OwnChanges.h"

#include <QFile>
#include <QFileInfo>
#include <QMutex>
#include <QMutexLocker>

#include <cerrno>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

// Far beyond any real folder; only guards against a file system that keeps answering
// "taken".
constexpr int maxCandidates = 1000000;

QMutex hookLock;
std::function<void(const QString &)> beforeCreate;

void runHook(const QString &destination)
{
    std::function<void(const QString &)> hook;
    {
        QMutexLocker locker(&hookLock);
        hook = beforeCreate;
    }
    if (hook)
        hook(destination);
}

QString join(const QString &dir, const QString &name)
{
    return dir == u"/" ? dir + name : dir + u'/' + name;
}

QString lastComponent(const QString &path)
{
    return path.mid(path.lastIndexOf(u'/') + 1);
}

QString parentOf(const QString &path)
{
    const qsizetype slash = path.lastIndexOf(u'/');
    return slash <= 0 ? QStringLiteral("/") : path.left(slash);
}

struct Created
{
    int error = 0;
    QString path;
};

// Creates an item at the first free candidate name in `dir` with `create`, which must
// refuse a taken name with EEXIST (no-replace rename, O_EXCL, mkdir); a name taken between
// the check and the call moves on to the next candidate. `candidate(n)` gives the n-th
// name, n = 1 being the first choice.
Created createAtFreeName(const QString &dir, const std::function<QString(int)> &candidate,
                         const std::function<int(const QString &)> &create)
{
    for (int n = 1; n <= maxCandidates; ++n) {
        const QString path = join(dir, candidate(n));
        if (FileSystem::exists(path))
            continue;
        runHook(path);
        OwnChanges::note(path);
        const int error = create(path);
        if (error == EEXIST)
            continue;
        return {error, path};
    }
    return {EEXIST, QString()};
}

std::function<QString(int)> numbered(const QString &name)
{
    return [name](int n) { return n == 1 ? name : FileOps::numberedName(name, n); };
}

// Whether the folder `dir` is `folder` itself or lies below it, symbolic links resolved.
bool insideFolder(const QString &dir, const QString &folder)
{
    const QString real = QFileInfo(folder).canonicalFilePath();
    const QString target = QFileInfo(dir).canonicalFilePath();
    if (real.isEmpty() || target.isEmpty())
        return false;
    return target == real || real == u"/" || target.startsWith(real + u'/');
}

bool isRealFolder(const QString &path)
{
    struct stat info;
    return ::lstat(QFile::encodeName(path).constData(), &info) == 0 && S_ISDIR(info.st_mode);
}

enum class Transfer { Move, Copy };

bool isCancelled(const FileSystem::CancelCheck &cancelled)
{
    return cancelled && cancelled();
}

FileOpsError cancelledError(const QList<std::pair<QString, QString>> &done)
{
    return FileOpsError(L("操作已取消"), ECANCELED, done);
}

QStringList transfer(const QStringList &sources, const QString &dirIn, Transfer kind,
                     const FileSystem::CancelCheck &cancelled)
{
    const QString dir = FileItem::identityPath(dirIn);
    QStringList destinations;
    QList<std::pair<QString, QString>> done;
    const auto fail = [&](const QString &source, int error) {
        if (error == ECANCELED)
            return cancelledError(done);
        const QString message =
            kind == Transfer::Move
                ? L("无法将“%@”移到“%@”：%@", source, dir, systemReason(error))
                : L("无法将“%@”拷贝到“%@”：%@", source, dir, systemReason(error));
        return FileOpsError(message, error, done);
    };
    for (const QString &sourceIn : sources) {
        if (isCancelled(cancelled))
            throw cancelledError(done);
        const QString source = FileItem::identityPath(sourceIn);
        if (!FileSystem::exists(source))
            throw fail(source, ENOENT);
        if (isRealFolder(source) && insideFolder(dir, source)) {
            const QString message =
                kind == Transfer::Move
                    ? L("不能将文件夹“%@”移到它自身之内", lastComponent(source))
                    : L("不能将文件夹“%@”拷贝到它自身之内", lastComponent(source));
            throw FileOpsError(message, EINVAL, done);
        }
        OwnChanges::note(source);
        const Created made =
            createAtFreeName(dir, numbered(lastComponent(source)), [&](const QString &destination) {
                return kind == Transfer::Move
                           ? FileSystem::moveNoReplace(source, destination, cancelled)
                           : FileSystem::copyNoReplace(source, destination, cancelled);
            });
        if (made.error)
            throw fail(source, made.error);
        OwnChanges::note(made.path); // again, after a long copy across volumes
        destinations << made.path;
        done << std::pair(source, made.path);
    }
    return destinations;
}

} // namespace

namespace FileOps {

std::pair<QString, QString> splitExtension(const QString &name)
{
    const qsizetype dot = name.lastIndexOf(u'.');
    if (dot <= 0 || dot == name.size() - 1)
        return {name, QString()};
    return {name.left(dot), name.mid(dot + 1)};
}

QString numberedName(const QString &name, int n)
{
    const auto [base, ext] = splitExtension(name);
    const QString numberedBase = base + u' ' + QString::number(n);
    return ext.isEmpty() ? numberedBase : numberedBase + u'.' + ext;
}

QString collisionFree(const QString &dirIn, const QString &name)
{
    const QString dir = FileItem::identityPath(dirIn);
    QString path = join(dir, name);
    for (int n = 2; FileSystem::exists(path) && n <= maxCandidates; ++n)
        path = join(dir, numberedName(name, n));
    return path;
}

QString collisionFreeName(const QString &dirIn, const QString &name, const QSet<QString> &taken)
{
    const QString dir = FileItem::identityPath(dirIn);
    QString candidate = name;
    for (int n = 2; (taken.contains(candidate) || FileSystem::exists(join(dir, candidate))) &&
                    n <= maxCandidates;
         ++n)
        candidate = numberedName(name, n);
    return candidate;
}

QStringList move(const QStringList &sources, const QString &dir, const CancelCheck &cancelled)
{
    return transfer(sources, dir, Transfer::Move, cancelled);
}

QString moveTo(const QString &sourceIn, const QString &targetDirIn, const QString &name,
               NameClash clash, const CancelCheck &cancelled)
{
    const QString source = FileItem::identityPath(sourceIn);
    const QString dir = FileItem::identityPath(targetDirIn);
    if (name.isEmpty() || name == u"." || name == u".." || name.contains(u'/') ||
        FileSystem::hasNul(name))
        throw FileOpsError(L("“%@”不能用作名称", name), EINVAL);
    if (source.isEmpty() || source == u"/" || dir.isEmpty())
        throw FileOpsError(L("无法将“%@”移到“%@”：%@", source, dir, systemReason(EINVAL)), EINVAL);
    const auto fail = [&](int error) {
        if (error == ECANCELED)
            return cancelledError({});
        return FileOpsError(L("无法将“%@”移到“%@”：%@", source, dir, systemReason(error)), error);
    };
    if (!FileSystem::exists(source))
        throw fail(ENOENT);
    if (join(dir, name) == source)
        return source;
    if (isRealFolder(source) && insideFolder(dir, source))
        throw FileOpsError(L("不能将文件夹“%@”移到它自身之内", lastComponent(source)), EINVAL);

    if (isCancelled(cancelled))
        throw cancelledError({});

    OwnChanges::note(source);
    const auto move = [&](const QString &destination) {
        return FileSystem::moveNoReplace(source, destination, cancelled);
    };
    Created made;
    if (clash == NameClash::NextFree) {
        made = createAtFreeName(dir, numbered(name), move);
    } else {
        made.path = join(dir, name);
        if (FileSystem::exists(made.path)) {
            made.error = EEXIST;
        } else {
            runHook(made.path);
            OwnChanges::note(made.path);
            made.error = move(made.path);
        }
    }
    if (made.error)
        throw fail(made.error);
    return made.path;
}

QStringList copy(const QStringList &sources, const QString &dir, const CancelCheck &cancelled)
{
    return transfer(sources, dir, Transfer::Copy, cancelled);
}

QStringList duplicate(const QStringList &sources, const CancelCheck &cancelled)
{
    QStringList copies;
    QList<std::pair<QString, QString>> done;
    for (const QString &sourceIn : sources) {
        if (isCancelled(cancelled))
            throw cancelledError(done);
        const QString source = FileItem::identityPath(sourceIn);
        const QString dir = parentOf(source);
        const auto [base, ext] = splitExtension(lastComponent(source));
        if (!FileSystem::exists(source))
            throw FileOpsError(L("无法将“%@”拷贝到“%@”：%@", source, dir, systemReason(ENOENT)),
                               ENOENT, done);
        const auto name = [base = base, ext = ext](int n) {
            if (n == 1)
                return ext.isEmpty() ? L("%@ 副本", base) : L("%@ 副本.%@", base, ext);
            return ext.isEmpty() ? L("%@ 副本 %lld", base, n) : L("%@ 副本 %lld.%@", base, n, ext);
        };
        const Created made = createAtFreeName(dir, name, [&](const QString &destination) {
            return FileSystem::copyNoReplace(source, destination, cancelled);
        });
        if (made.error == ECANCELED)
            throw cancelledError(done);
        if (made.error)
            throw FileOpsError(L("无法将“%@”拷贝到“%@”：%@", source, dir, systemReason(made.error)),
                               made.error, done);
        copies << made.path;
        done << std::pair(source, made.path);
    }
    return copies;
}

QString zip(const QStringList &sourcesIn, const CancelCheck &cancelled)
{
    if (sourcesIn.isEmpty())
        throw FileOpsError(L("没有可压缩的项目"), ENOENT);
    QStringList sources;
    for (const QString &source : sourcesIn)
        sources << FileItem::identityPath(source);
    const QString dir = parentOf(sources.first());
    const QString archiveName =
        sources.size() == 1
            ? splitExtension(lastComponent(sources.first())).first + QStringLiteral(".zip")
            : L("归档.zip");

    // Items with equal names are numbered as files in one folder would be.
    QList<Archive::Item> items;
    QSet<QString> taken;
    for (const QString &source : sources) {
        QString entry = lastComponent(source);
        for (int n = 2; taken.contains(entry); ++n)
            entry = numberedName(lastComponent(source), n);
        taken.insert(entry);
        items.append({source, entry});
    }

    // Written under a hidden temporary name beside its destination, then given its name
    // with a no-replace rename: a failed archive never appears under the real name.
    QByteArray temp = QFile::encodeName(join(dir, u'.' + archiveName + QStringLiteral(".XXXXXX")));
    const int fd = ::mkostemp(temp.data(), O_CLOEXEC);
    if (fd < 0)
        throw FileOpsError(L("无法写入文件“%@”：%@", join(dir, archiveName), systemReason(errno)),
                           errno);
    const QString tempPath = QFile::decodeName(temp);
    OwnChanges::note(tempPath);
    std::optional<QString> error = Archive::writeZip(items, fd, archiveName, cancelled);
    if (!error && ::fchmod(fd, 0644) != 0)
        error = L("无法写入文件“%@”：%@", join(dir, archiveName), systemReason(errno));
    if (::close(fd) != 0 && !error)
        error = L("无法写入文件“%@”：%@", join(dir, archiveName), systemReason(errno));
    if (error) {
        ::unlink(temp.constData());
        if (isCancelled(cancelled))
            throw cancelledError({});
        throw FileOpsError(*error, EIO);
    }
    const Created made = createAtFreeName(dir, numbered(archiveName), [&](const QString &path) {
        return FileSystem::moveNoReplace(tempPath, path);
    });
    if (made.error) {
        ::unlink(temp.constData());
        throw FileOpsError(
            L("无法写入文件“%@”：%@", join(dir, archiveName), systemReason(made.error)),
            made.error);
    }
    return made.path;
}

QString extract(const QString &archiveIn, const CancelCheck &cancelled)
{
    const QString archive = FileItem::identityPath(archiveIn);
    const QString dir = parentOf(archive);
    if (!FileSystem::exists(archive))
        throw FileOpsError(L("无法读取文件“%@”：%@", archive, systemReason(ENOENT)), ENOENT);
    const QString base = splitExtension(lastComponent(archive)).first;
    const Created made = createAtFreeName(dir, numbered(base), [](const QString &path) {
        return ::mkdir(QFile::encodeName(path).constData(), 0755) == 0 ? 0 : errno;
    });
    if (made.error)
        throw FileOpsError(L("无法创建文件夹“%@”：%@", join(dir, base), systemReason(made.error)),
                           made.error);
    if (std::optional<QString> error = Archive::extract(archive, made.path, cancelled)) {
        // The folder is new and ours: a failed or cancelled extraction leaves nothing of
        // itself behind.
        FileSystem::removeTree(made.path);
        if (isCancelled(cancelled))
            throw cancelledError({});
        throw FileOpsError(*error, EIO);
    }
    OwnChanges::note(made.path);
    return made.path;
}

void setBeforeCreateHook(std::function<void(const QString &)> hook)
{
    QMutexLocker locker(&hookLock);
    beforeCreate = std::move(hook);
}

} // namespace FileOps
