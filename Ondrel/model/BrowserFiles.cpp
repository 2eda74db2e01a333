// Duplicate, trash, archives and tags of the browser window.
#include "BrowserState.h"

#include "FileJobs.h"

#include "CoreError.h"
#include "FileOps.h"
#include "FileTags.h"
#include "Localization.h"
#include "PaneState.h"
#include "Trash.h"
#include "WhenReady.h"

#include <QFileInfo>
#include <QtConcurrent>

#include <algorithm>
#include <cerrno>

namespace {

// What a background operation did: the pairs done, and a failure description if any.
struct Done
{
    QList<BrowserState::Pair> pairs;
    QString error;
    int failed = 0;
};

QStringList sortedSelection(const PaneState *pane)
{
    QStringList paths(pane->selection().cbegin(), pane->selection().cend());
    std::sort(paths.begin(), paths.end());
    return paths;
}

QSet<QString> parentFolders(const QStringList &paths)
{
    QSet<QString> folders;
    for (const QString &path : paths)
        folders << FileItem::identityPath(QFileInfo(path).path());
    return folders;
}

} // namespace

void BrowserState::duplicateSel()
{
    const QStringList sources = sortedSelection(activePane());
    if (sources.isEmpty())
        return;
    runFileJob(this, [sources](const FileJob &job) {
        Done done;
        try {
            const QStringList copies = FileOps::duplicate(sources, job.cancelCheck());
            for (qsizetype i = 0; i < copies.size(); ++i)
                done.pairs << Pair(FileItem::identityPath(sources[i]), copies[i]);
        } catch (const FileOpsError &error) {
            done.pairs = error.completed();
            done.error = error.description();
        }
        return done;
    }, [this](const Done &done) {
        if (done.pairs.isEmpty()) {
            setStatus(L("重复失败：%@", done.error));
            return;
        }
        refreshFolders(foldersOf(done.pairs));
        QSet<QString> copies;
        for (const Pair &pair : done.pairs)
            copies << pair.second;
        activePane()->setSelection(copies);
        pushUndo(L("重复"), OpKind::Move, done.pairs, Reversal::TrashCopies, Recording::LogOnly);
        if (done.error.isEmpty())
            setStatus(L("已重复 %lld 项", done.pairs.size()));
        else
            setStatus(L("重复了 %lld 项后失败：%@", done.pairs.size(), done.error));
    });
}

void BrowserState::trash(const QStringList &paths)
{
    if (paths.isEmpty())
        return;
    runFileJob(this, [paths](const FileJob &job) {
        Done done;
        for (const QString &path : paths) {
            if (job.isCancelled())
                break;
            QString error;
            if (const auto trashed = Trash::moveToTrash(path, &error)) {
                done.pairs << Pair(FileItem::identityPath(path), *trashed);
            } else {
                ++done.failed;
                if (done.error.isEmpty())
                    done.error = error;
            }
        }
        return done;
    }, [this, paths](const Done &done) {
        refreshFolders(parentFolders(paths) + foldersOf(done.pairs));
        if (!done.pairs.isEmpty())
            pushUndo(L("移到废纸篓"), OpKind::Move, done.pairs, Reversal::RestoreFromTrash);
        if (done.failed == 0)
            setStatus(L("已移到废纸篓 %lld 项", done.pairs.size()));
        else
            setStatus(L("已移到废纸篓 %lld 项，%lld 项失败：%@", done.pairs.size(), done.failed, done.error));
    });
}

void BrowserState::emptyTrash()
{
    runFileJob(this, [](const FileJob &) { return Trash::empty(); }, [this](int failed) {
        if (failed == 0)
            setStatus(L("已清空废纸篓"));
        else
            setStatus(L("清空废纸篓失败：%@", L("%lld 项无法删除", failed)));
    });
}

void BrowserState::compress(const QStringList &paths)
{
    if (paths.isEmpty())
        return;
    runFileJob(this, [paths](const FileJob &job) {
        Done done;
        try {
            const QString archive = FileOps::zip(paths, job.cancelCheck());
            done.pairs << Pair(QString(), archive);
        } catch (const FileOpsError &error) {
            done.error = error.description();
        }
        return done;
    }, [this](const Done &done) {
        if (done.pairs.isEmpty()) {
            setStatus(L("压缩失败：%@", done.error));
            return;
        }
        const QString archive = done.pairs.first().second;
        refreshFolders(foldersOf(done.pairs));
        activePane()->setSelection({archive});
        setStatus(L("已压缩为 %@", QFileInfo(archive).fileName()));
    });
}

void BrowserState::extract(const QString &archive)
{
    runFileJob(this, [archive](const FileJob &job) {
        Done done;
        try {
            done.pairs << Pair(archive, FileOps::extract(archive, job.cancelCheck()));
        } catch (const FileOpsError &error) {
            done.error = error.description();
        }
        return done;
    }, [this](const Done &done) {
        if (done.pairs.isEmpty()) {
            setStatus(L("解压失败：%@", done.error));
            return;
        }
        const QString folder = done.pairs.first().second;
        refreshFolders(foldersOf(done.pairs));
        activePane()->setSelection({folder});
        setStatus(L("已解压到 %@", QFileInfo(folder).fileName()));
    });
}

QFuture<void> BrowserState::toggleTag(const QString &tag, const QStringList &paths)
{
    QFuture<Done> work = startFileJob([tag, paths](const FileJob &job) {
        Done done;
        for (const QString &path : paths) {
            if (job.isCancelled())
                break;
            if (const int error = FileTags::toggle(path, tag)) {
                ++done.failed;
                if (done.error.isEmpty())
                    done.error = systemReason(error);
            }
        }
        return done;
    });
    if (work.isCanceled())
        return QtFuture::makeReadyFuture(); // quitting
    whenReady(work, this, [this, tag, paths](const Done &done) {
        refreshFolders(parentFolders(paths));
        if (done.failed > 0)
            setStatus(L("无法更改 %lld 项的标签“%@”：%@", done.failed, tag, done.error));
    });
    return work.then([](const Done &) {});
}
