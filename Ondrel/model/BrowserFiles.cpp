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

// Undo of copies: each copy goes to the trash; a failure leaves it where it is.
BrowserState::UndoAction trashCopies(const QList<BrowserState::Pair> &pairs)
{
    return [pairs](BrowserState &state) {
        const FileJob job = FileJobs::shared().start();
        if (!job)
            return;
        QFuture<void> trashing = QtConcurrent::run([job, pairs] {
            for (const auto &pair : pairs) {
                if (job.isCancelled())
                    break;
                Trash::moveToTrash(pair.second);
            }
        });
        BrowserState *target = &state;
        whenReady(trashing, target, [target] { target->softRefresh(); });
    };
}

} // namespace

void BrowserState::duplicateSel()
{
    const QStringList sources = sortedSelection(activePane());
    if (sources.isEmpty())
        return;
    const FileJob job = FileJobs::shared().start();
    if (!job)
        return;
    QFuture<Done> work = QtConcurrent::run([job, sources] {
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
    });
    whenReady(work, this, [this](const Done &done) {
        if (done.pairs.isEmpty()) {
            setStatus(L("重复失败：%@", done.error));
            return;
        }
        softRefresh();
        QSet<QString> copies;
        for (const Pair &pair : done.pairs)
            copies << pair.second;
        activePane()->setSelection(copies);
        pushUndo(L("重复"), OpKind::Move, done.pairs, trashCopies(done.pairs), Recording::LogOnly);
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
    const FileJob job = FileJobs::shared().start();
    if (!job)
        return;
    QFuture<Done> work = QtConcurrent::run([job, paths] {
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
    });
    whenReady(work, this, [this](const Done &done) {
        softRefresh();
        if (!done.pairs.isEmpty()) {
            const QList<Pair> pairs = done.pairs;
            pushUndo(L("移到废纸篓"), OpKind::Move, pairs, [pairs](BrowserState &state) {
                // Each item goes back to its old path, never over something that took it.
                const FileJob job = FileJobs::shared().start();
                if (!job)
                    return;
                QFuture<int> restoring = QtConcurrent::run([job, pairs] {
                    int stayed = 0;
                    for (const Pair &pair : pairs) {
                        if (job.isCancelled())
                            break;
                        stayed += Trash::restore(pair.second, pair.first) != 0;
                    }
                    return stayed;
                });
                BrowserState *target = &state;
                whenReady(restoring, target, [target](int stayed) {
                    target->softRefresh();
                    if (stayed > 0)
                        target->setStatus(L("%lld 项未能放回，仍在废纸篓（原位置已被占用或不可写）", stayed));
                });
            });
        }
        if (done.failed == 0)
            setStatus(L("已移到废纸篓 %lld 项", done.pairs.size()));
        else
            setStatus(L("已移到废纸篓 %lld 项，%lld 项失败：%@", done.pairs.size(), done.failed, done.error));
    });
}

void BrowserState::emptyTrash()
{
    const FileJob job = FileJobs::shared().start();
    if (!job)
        return;
    whenReady(QtConcurrent::run([job] { return Trash::empty(); }), this, [this](int failed) {
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
    const FileJob job = FileJobs::shared().start();
    if (!job)
        return;
    QFuture<Done> work = QtConcurrent::run([job, paths] {
        Done done;
        try {
            const QString archive = FileOps::zip(paths, job.cancelCheck());
            done.pairs << Pair(QString(), archive);
        } catch (const FileOpsError &error) {
            done.error = error.description();
        }
        return done;
    });
    whenReady(work, this, [this](const Done &done) {
        if (done.pairs.isEmpty()) {
            setStatus(L("压缩失败：%@", done.error));
            return;
        }
        const QString archive = done.pairs.first().second;
        softRefresh();
        activePane()->setSelection({archive});
        setStatus(L("已压缩为 %@", QFileInfo(archive).fileName()));
    });
}

void BrowserState::extract(const QString &archive)
{
    const FileJob job = FileJobs::shared().start();
    if (!job)
        return;
    QFuture<Done> work = QtConcurrent::run([job, archive] {
        Done done;
        try {
            done.pairs << Pair(archive, FileOps::extract(archive, job.cancelCheck()));
        } catch (const FileOpsError &error) {
            done.error = error.description();
        }
        return done;
    });
    whenReady(work, this, [this](const Done &done) {
        if (done.pairs.isEmpty()) {
            setStatus(L("解压失败：%@", done.error));
            return;
        }
        const QString folder = done.pairs.first().second;
        softRefresh();
        activePane()->setSelection({folder});
        setStatus(L("已解压到 %@", QFileInfo(folder).fileName()));
    });
}

QFuture<void> BrowserState::toggleTag(const QString &tag, const QStringList &paths)
{
    const FileJob job = FileJobs::shared().start();
    if (!job)
        return QtFuture::makeReadyFuture();
    QFuture<Done> work = QtConcurrent::run([job, tag, paths] {
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
    whenReady(work, this, [this, tag](const Done &done) {
        softRefresh();
        if (done.failed > 0)
            setStatus(L("无法更改 %lld 项的标签“%@”：%@", done.failed, tag, done.error));
    });
    return work.then([](const Done &) {});
}
