// Clipboard, rename and new folder operations of the browser window.
#include "BrowserState.h"

#include "FileJobs.h"

#include "CoreError.h"
#include "FileOps.h"
#include "FileSystem.h"
#include "Localization.h"
#include "PaneState.h"
#include "Trash.h"
#include "WhenReady.h"

#include <QClipboard>
#include <QFileInfo>
#include <QGuiApplication>
#include <QMimeData>
#include <QUrl>
#include <QtConcurrent>

#include <algorithm>

#include <cerrno>
#include <sys/stat.h>

namespace {

const QString gnomeCopiedFiles = QStringLiteral("x-special/gnome-copied-files");

// The selection in a stable order (sorted paths).
QStringList selectionList(const PaneState *pane)
{
    QStringList paths(pane->selection().cbegin(), pane->selection().cend());
    std::sort(paths.begin(), paths.end());
    return paths;
}

void putFiles(const QStringList &paths, bool cut)
{
    QList<QUrl> urls;
    QByteArray special = cut ? "cut" : "copy";
    for (const QString &path : paths) {
        const QUrl url = QUrl::fromLocalFile(path);
        urls << url;
        special += '\n' + url.toEncoded();
    }
    auto *data = new QMimeData;
    data->setUrls(urls);
    data->setData(gnomeCopiedFiles, special);
    QGuiApplication::clipboard()->clear();
    QGuiApplication::clipboard()->setMimeData(data);
}

// The local files on the clipboard, from either list; other URLs are left out.
QStringList clipboardFiles()
{
    const QMimeData *data = QGuiApplication::clipboard()->mimeData();
    if (!data)
        return {};
    QList<QUrl> urls = data->urls();
    if (urls.isEmpty() && data->hasFormat(gnomeCopiedFiles)) {
        const QList<QByteArray> lines = data->data(gnomeCopiedFiles).split('\n');
        for (qsizetype i = 1; i < lines.size(); ++i) // the first line says copy or cut
            if (!lines[i].trimmed().isEmpty())
                urls << QUrl::fromEncoded(lines[i].trimmed());
    }
    QStringList paths;
    for (const QUrl &url : std::as_const(urls)) {
        if (url.isLocalFile() && !url.toLocalFile().isEmpty())
            paths << FileItem::identityPath(url.toLocalFile());
    }
    return paths;
}

// What a paste did: the pairs (source, new path) done, and the failure if it stopped.
struct PasteResult
{
    QList<BrowserState::Pair> pairs;
    QString error;
};

bool sameName(const QString &a, const QString &b)
{
    return a.normalized(QString::NormalizationForm_C) == b.normalized(QString::NormalizationForm_C);
}

bool invalidName(const QString &name)
{
    return name.isEmpty() || name.contains(u'/') || name.contains(u':') || name == u"." ||
           name == u".." || name.contains(QChar(0));
}

// Creates the first free folder of `first`, then `numbered` with n = 2, 3, …, never over
// an existing name (mkdir refuses one). Returns the new folder, or empty with `error` set.
QString makeFreeFolder(const QString &dir, const QString &first, const char *numbered, int *error)
{
    for (int n = 1; n < 10000; ++n) {
        const QString name = n == 1 ? first : L(QString::fromUtf8(numbered), n);
        const QString path = dir + u'/' + name;
        if (::mkdir(QFile::encodeName(path).constData(), 0777) == 0)
            return path;
        if (errno != EEXIST) {
            *error = errno;
            return {};
        }
    }
    *error = EEXIST;
    return {};
}

} // namespace

void BrowserState::copySel()
{
    const QStringList paths = selectionList(activePane());
    if (paths.isEmpty())
        return;
    setCutSet({});
    putFiles(paths, false);
    setStatus(L("已复制 %lld 项", paths.size()));
}

void BrowserState::cutSel()
{
    const QStringList paths = selectionList(activePane());
    if (paths.isEmpty())
        return;
    setCutSet(QSet<QString>(paths.cbegin(), paths.cend()));
    putFiles(paths, true);
    setStatus(L("已剪切 %lld 项", paths.size()));
}

void BrowserState::copyPath()
{
    const QStringList paths = selectionList(activePane());
    if (paths.isEmpty())
        return;
    QGuiApplication::clipboard()->clear();
    QGuiApplication::clipboard()->setText(paths.join(u'\n'));
    setStatus(L("已拷贝路径"));
}

void BrowserState::paste(bool forceMove)
{
    const QStringList sources = clipboardFiles();
    if (sources.isEmpty())
        return;
    const QString destination = activePane()->current();
    const bool moving =
        forceMove || (!m_cutSet.isEmpty() && QSet<QString>(sources.cbegin(), sources.cend()) == m_cutSet);

    runFileJob(this, [sources, destination, moving](const FileJob &job) {
        PasteResult result;
        try {
            const QStringList made = moving ? FileOps::move(sources, destination, job.cancelCheck())
                                            : FileOps::copy(sources, destination, job.cancelCheck());
            for (qsizetype i = 0; i < made.size(); ++i)
                result.pairs << Pair(FileItem::identityPath(sources[i]), made[i]);
        } catch (const FileOpsError &error) {
            result.pairs = error.completed();
            result.error = error.description();
        }
        return result;
    }, [this, moving](const PasteResult &result) {
        if (result.error.isEmpty())
            setCutSet({});
        if (result.pairs.isEmpty()) {
            setStatus(L("粘贴失败：%@", result.error));
            return;
        }
        refreshFolders(foldersOf(result.pairs));
        QSet<QString> made;
        for (const Pair &pair : result.pairs)
            made << pair.second;
        activePane()->setSelection(made);
        if (moving)
            pushUndo(L("移动"), OpKind::Move, result.pairs, Reversal::MoveBack);
        else
            pushUndo(L("粘贴"), OpKind::Move, result.pairs, Reversal::TrashCopies, Recording::LogOnly);
        const qsizetype n = result.pairs.size();
        if (!result.error.isEmpty())
            setStatus(L("粘贴了 %lld 项后失败：%@", n, result.error));
        else
            setStatus(moving ? L("已移动 %lld 项", n) : L("已粘贴 %lld 项", n));
    });
}

void BrowserState::rename(const QString &path, const QString &name)
{
    const QString trimmed = name.trimmed();
    if (invalidName(trimmed)) {
        setStatus(L("名字不合法（不能含 / 或 :）"));
        emit renameFinished(FileItem::identityPath(path), {});
        return;
    }
    if (sameName(trimmed, QFileInfo(path).fileName())) {
        setStatus(L("已经是这个名字了"));
        emit renameFinished(FileItem::identityPath(path), {});
        return;
    }
    renameInPlace(path, trimmed, true);
}

void BrowserState::commitRename()
{
    if (m_editingRename.isEmpty())
        return;
    const QString path = m_editingRename;
    const QString trimmed = m_renameText.trimmed();
    setEditingRename({});
    if (invalidName(trimmed) || sameName(trimmed, QFileInfo(path).fileName())) {
        emit renameFinished(FileItem::identityPath(path), {});
        return;
    }
    renameInPlace(path, trimmed, false);
}

void BrowserState::renameInPlace(const QString &path, const QString &name, bool announce)
{
    struct Outcome
    {
        QString renamed;
        QString failure;
    };
    const QString source = FileItem::identityPath(path);
    const bool started = runFileJob(this, [source, name, announce](const FileJob &job) {
        // The inline editor's failures are short: the row shows which item it was.
        const QString taken = announce ? L("已存在同名文件：%@", name) : L("已存在同名");
        if (!FileSystem::exists(source))
            return Outcome{{}, announce ? L("原文件已不在（可能已移动/改名），请刷新") : L("重命名失败")};
        const QString dir = FileItem::identityPath(QFileInfo(source).path());
        if (FileSystem::exists(dir + u'/' + name))
            return Outcome{{}, taken};
        try {
            return Outcome{FileOps::moveTo(source, dir, name, NameClash::Refuse, job.cancelCheck()), {}};
        } catch (const FileOpsError &error) {
            if (error.code() == EEXIST)
                return Outcome{{}, taken};
            return Outcome{{}, announce ? L("重命名失败：%@", error.description()) : L("重命名失败")};
        }
    }, [this, source, name, announce](const Outcome &outcome) {
        if (outcome.renamed.isEmpty()) {
            setStatus(outcome.failure);
            emit renameFinished(source, {});
            return;
        }
        const QList<Pair> pairs{{source, outcome.renamed}};
        refreshFolders(foldersOf(pairs));
        activePane()->setSelection({outcome.renamed});
        if (announce)
            setStatus(L("已重命名为 %@", name));
        pushUndo(L("重命名"), OpKind::Rename, pairs, Reversal::MoveBack);
        emit renameFinished(source, outcome.renamed);
    });
    if (!started)
        emit renameFinished(source, {}); // quitting: nothing renamed
}

void BrowserState::newFolder()
{
    struct Outcome
    {
        QString folder;
        int error = 0;
    };
    const QString dir = activePane()->current();
    runFileJob(this, [dir](const FileJob &) {
        Outcome outcome;
        outcome.folder = makeFreeFolder(dir, L("未命名文件夹"), LKey("未命名文件夹 %lld"), &outcome.error);
        return outcome;
    }, [this, dir](const Outcome &outcome) {
        if (outcome.folder.isEmpty()) {
            setStatus(L("无法创建文件夹“%@”：%@", dir, systemReason(outcome.error)));
            return;
        }
        refreshFolders({dir});
        setEditingRename(outcome.folder);
        setRenameText(QFileInfo(outcome.folder).fileName());
    });
}

void BrowserState::newFolderWithSelection()
{
    const QStringList paths = selectionList(activePane());
    if (paths.isEmpty()) {
        newFolder();
        return;
    }
    const QString dir = activePane()->current();
    struct Outcome
    {
        QString folder;
        QList<Pair> pairs;
        QString error;
    };
    runFileJob(this, [paths, dir](const FileJob &job) {
        Outcome outcome;
        int error = 0;
        outcome.folder = makeFreeFolder(dir, L("新建文件夹"), LKey("新建文件夹 %lld"), &error);
        if (outcome.folder.isEmpty()) {
            outcome.error = L("无法创建文件夹“%@”：%@", dir, systemReason(error));
            return outcome;
        }
        try {
            const QStringList made = FileOps::move(paths, outcome.folder, job.cancelCheck());
            for (qsizetype i = 0; i < made.size(); ++i)
                outcome.pairs << Pair(paths[i], made[i]);
        } catch (const FileOpsError &failure) {
            outcome.pairs = failure.completed();
            outcome.error = failure.description();
        }
        return outcome;
    }, [this, dir](const Outcome &outcome) {
        refreshFolders({dir});
        // The moves can be undone like any other; the new folder itself stays.
        if (!outcome.pairs.isEmpty())
            pushUndo(L("移动"), OpKind::Move, outcome.pairs, Reversal::MoveBack);
        if (!outcome.error.isEmpty())
            setStatus(L("移入新文件夹失败：%@", outcome.error));
        if (!outcome.folder.isEmpty()) {
            m_scenarioCache.clear();
            activePane()->go(outcome.folder, true);
        }
    });
}
