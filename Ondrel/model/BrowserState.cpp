#include "BrowserState.h"

#include "FileJobs.h"

#include "ContentIndex.h"
#include "CoreError.h"
#include "Defaults.h"
#include "DisplayHelpers.h"
#include "FileOps.h"
#include "FileSystem.h"
#include "Localization.h"
#include "NameCollator.h"
#include "Namer.h"
#include "Opener.h"
#include "OwnChanges.h"
#include "PaneState.h"
#include "Store.h"
#include "Telemetry.h"
#include "UndoEngine.h"
#include "WhenReady.h"

#include <QDir>
#include <QFileInfo>
#include <QStandardPaths>
#include <QtConcurrent>

#include <algorithm>

namespace {

QString homeFolder()
{
    return FileItem::identityPath(QDir::homePath());
}

} // namespace

BrowserState::BrowserState(QObject *parent) : QObject(parent)
{
    // Queued: the pane shows its new folder first, as the onboarding's sample demo expects.
    connect(this, &BrowserState::sampleDemoDirChanged, this, &BrowserState::runSampleDemoStep,
            Qt::QueuedConnection);
    // The background writers report a failing file once; every window says it.
    connect(&Store::shared(), &Store::writeFailed, this, [this](const QString &path, int error) {
        setStatus(L("无法保存浏览状态到“%@”：%@", path, systemReason(error)));
    });
    connect(&UndoLog::shared(), &UndoLog::writeFailed, this, [this](const QString &path, int error) {
        setStatus(L("无法写入撤销记录“%@”：%@", path, systemReason(error)));
    });
}

BrowserState::~BrowserState() = default;

// --- Observed fields -------------------------------------------------------------------

void BrowserState::setViewMode(ViewMode mode) { assign(m_viewMode, mode, &BrowserState::viewModeChanged); }
void BrowserState::setIconSize(double size) { assign(m_iconSize, size, &BrowserState::iconSizeChanged); }
void BrowserState::setShowHidden(bool show) { assign(m_showHidden, show, &BrowserState::showHiddenChanged); }
void BrowserState::setEditingRename(const QString &path) { assign(m_editingRename, path, &BrowserState::editingRenameChanged); }
void BrowserState::setRenameText(const QString &text) { assign(m_renameText, text, &BrowserState::renameTextChanged); }
void BrowserState::setCutSet(const QSet<QString> &paths) { assign(m_cutSet, paths, &BrowserState::cutSetChanged); }
void BrowserState::setFavorites(const QStringList &paths) { assign(m_favorites, paths, &BrowserState::favoritesChanged); }
void BrowserState::setShowInspector(bool show) { assign(m_showInspector, show, &BrowserState::showInspectorChanged); }
void BrowserState::setStatus(const QString &text) { assign(m_status, text, &BrowserState::statusChanged); }
void BrowserState::setHasFDA(bool granted) { assign(m_hasFDA, granted, &BrowserState::hasFDAChanged); }
void BrowserState::setFdaBannerDismissed(bool dismissed) { assign(m_fdaBannerDismissed, dismissed, &BrowserState::fdaBannerDismissedChanged); }
void BrowserState::setSampleDemoDir(const QString &path) { assign(m_sampleDemoDir, path, &BrowserState::sampleDemoDirChanged); }
void BrowserState::setOllamaUp(bool up) { assign(m_ollamaUp, up, &BrowserState::ollamaUpChanged); }
void BrowserState::setScanning(bool scanning) { assign(m_scanning, scanning, &BrowserState::scanningChanged); }
void BrowserState::setApplying(bool applying) { assign(m_applying, applying, &BrowserState::applyingChanged); }
void BrowserState::setProgress(double fraction) { assign(m_progress, fraction, &BrowserState::progressChanged); }
void BrowserState::setShowOnboarding(bool show) { assign(m_showOnboarding, show, &BrowserState::showOnboardingChanged); }
void BrowserState::setShowGoTo(bool show) { assign(m_showGoTo, show, &BrowserState::showGoToChanged); }
void BrowserState::setShowBatchRename(bool show) { assign(m_showBatchRename, show, &BrowserState::showBatchRenameChanged); }
void BrowserState::setShowConnectServer(bool show) { assign(m_showConnectServer, show, &BrowserState::showConnectServerChanged); }
void BrowserState::setShowContentSearch(bool show) { assign(m_showContentSearch, show, &BrowserState::showContentSearchChanged); }

void BrowserState::setVolumes(const QList<Volume> &volumes) { assign(m_volumes, volumes, &BrowserState::volumesChanged); }

void BrowserState::setTagFilter(const QString &tag)
{
    assign(m_tagFilter, tag, &BrowserState::tagFilterChanged);
}

void BrowserState::setPanes(const QList<PaneState *> &panes)
{
    m_panes = panes;
    for (PaneState *pane : panes) {
        connect(pane, &PaneState::currentChanged, this, &BrowserState::runSampleDemoStep,
                Qt::ConnectionType(Qt::QueuedConnection | Qt::UniqueConnection));
    }
    emit panesChanged();
    updateDerived();
}

void BrowserState::setActiveIndex(int index)
{
    assign(m_activeIndex, index, &BrowserState::activeIndexChanged);
    updateDerived();
}

void BrowserState::setUndoStack(const QList<UndoStep> &stack)
{
    m_undoStack = stack;
    emit undoStackChanged();
    updateDerived(UndoPart);
}

// --- Derived values ----------------------------------------------------------------------

PaneState *BrowserState::makePane(const QString &folder)
{
    return new PaneState(folder, this);
}

PaneState *BrowserState::activePane()
{
    if (m_panes.isEmpty())
        setPanes({makePane(homeFolder())});
    return activePaneIfAny();
}

PaneState *BrowserState::activePaneIfAny() const
{
    if (m_panes.isEmpty())
        return nullptr;
    return m_panes.at(std::clamp(m_activeIndex, 0, int(m_panes.size()) - 1));
}

QString BrowserState::filterText() const
{
    const PaneState *pane = activePaneIfAny();
    return pane ? pane->filterText() : QString();
}

void BrowserState::setFilterText(const QString &text)
{
    activePane()->setFilterText(text);
}

QString BrowserState::previewURL() const
{
    const PaneState *pane = activePaneIfAny();
    if (!pane || pane->selection().size() != 1)
        return {};
    return *pane->selection().begin();
}

int BrowserState::acceptCount() const
{
    const PaneState *pane = activePaneIfAny();
    if (!pane)
        return 0;
    return int(std::count_if(pane->items().begin(), pane->items().end(),
                             [](const FileItem &item) { return item.suggestion && item.accept; }));
}

int BrowserState::suggestedCount() const
{
    const PaneState *pane = activePaneIfAny();
    if (!pane)
        return 0;
    return int(std::count_if(pane->items().begin(), pane->items().end(),
                             [](const FileItem &item) { return item.suggestion.has_value(); }));
}

QStringList BrowserState::tagsInUse() const
{
    const PaneState *pane = activePaneIfAny();
    if (!pane)
        return {};
    QSet<QString> distinct;
    for (const FileItem &item : pane->items()) {
        for (const QString &tag : item.tags)
            distinct.insert(tag);
    }
    QStringList tags(distinct.begin(), distinct.end());
    const NameCollator collator;
    std::sort(tags.begin(), tags.end(), [&](const QString &a, const QString &b) {
        if (const int order = tagOrder(a) - tagOrder(b))
            return order < 0;
        if (const int order = collator.compare(a, b))
            return order < 0;
        return a < b;
    });
    return tags;
}

QString BrowserState::selectedSizeText() const
{
    const PaneState *pane = activePaneIfAny();
    if (!pane)
        return {};
    qint64 total = 0;
    for (const FileItem &item : pane->selectedItems())
        total += item.size;
    return total <= 0 ? QString() : sizeStr(total);
}

QString BrowserState::undoName() const
{
    return m_undoStack.isEmpty() ? QString() : m_undoStack.last().name;
}

void BrowserState::watchActivePane()
{
    for (const QMetaObject::Connection &connection : std::as_const(m_activePaneConnections))
        disconnect(connection);
    m_activePaneConnections.clear();
    PaneState *pane = m_derived.activePane;
    if (!pane)
        return;
    // Each source refreshes only the values read from it: a selection change in a large
    // folder does not count suggestions and tags again.
    m_activePaneConnections
        << connect(pane, &PaneState::itemsChanged, this, [this] { updateDerived(ItemsPart | SelectionPart); })
        << connect(pane, &PaneState::selectionChanged, this, [this] { updateDerived(SelectionPart); })
        << connect(pane, &PaneState::filterTextChanged, this, [this] { updateDerived(FilterPart); });
}

void BrowserState::updateDerived(int parts)
{
    PaneState *pane = activePaneIfAny();
    if (pane != m_derived.activePane) {
        m_derived.activePane = pane;
        watchActivePane();
        emit activePaneChanged();
        parts = AllParts;
    }
    const auto update = [this](auto &last, const auto &now, void (BrowserState::*changed)()) {
        if (last == now)
            return;
        last = now;
        emit(this->*changed)();
    };
    if (parts & FilterPart)
        update(m_derived.filterText, filterText(), &BrowserState::filterTextChanged);
    if (parts & SelectionPart) {
        update(m_derived.previewURL, previewURL(), &BrowserState::previewURLChanged);
        update(m_derived.selectedSizeText, selectedSizeText(), &BrowserState::selectedSizeTextChanged);
    }
    if (parts & ItemsPart) {
        update(m_derived.acceptCount, acceptCount(), &BrowserState::acceptCountChanged);
        update(m_derived.suggestedCount, suggestedCount(), &BrowserState::suggestedCountChanged);
        update(m_derived.tagsInUse, tagsInUse(), &BrowserState::tagsInUseChanged);
    }
    if (parts & UndoPart)
        update(m_derived.undoName, undoName(), &BrowserState::undoNameChanged);
}

void BrowserState::saveSession()
{
    Store::Session session;
    for (const PaneState *pane : std::as_const(m_panes))
        session.panes << pane->current();
    session.layout = rawValue(m_layout);
    session.active = m_activeIndex;
    Store::shared().saveSession(session);
}

// --- Undo ----------------------------------------------------------------------------------

void BrowserState::pushUndo(const QString &name, OpKind kind, const QList<Pair> &pairs,
                            Reversal reversal, Recording how)
{
    QList<UndoStep> stack = m_undoStack;
    stack.push_back(UndoStep{QUuid::createUuid(), name, reversal, pairs});
    while (stack.size() > maxUndoSteps)
        stack.removeFirst();
    setUndoStack(stack);
    UndoRecorder::shared().record(name, kind, pairs, how);
}

void BrowserState::performUndo()
{
    if (m_undoStack.isEmpty() || m_undoing)
        return;
    QList<UndoStep> stack = m_undoStack;
    const UndoStep step = stack.takeLast();
    const bool started = runFileJob(
        this, [step](const FileJob &job) { return UndoEngine::reverse(step, job); },
        [this, step](const UndoOutcome &outcome) {
            m_undoing = false;
            if (!outcome.left.isEmpty()) {
                // What stayed is offered again; the reversed pairs are no longer part of it.
                UndoStep rest = step;
                rest.pairs = outcome.left;
                QList<UndoStep> again = m_undoStack;
                again.push_back(rest);
                setUndoStack(again);
            }
            refreshFolders(foldersOf(outcome.undone));
            setStatus(UndoEngine::outcomeText(step, outcome));
        });
    if (!started)
        return; // quitting: the step stays
    m_undoing = true;
    setUndoStack(stack);
    Telemetry::track(Telemetry::Event::undo(QStringLiteral("file")));
}

// --- Start-up, layout and navigation ------------------------------------------------------

void BrowserState::bootstrap()
{
    checkFDA();

    // Favourites: home, then the desktop, documents and downloads folders that exist.
    QStringList favorites{homeFolder()};
    for (const auto location : {QStandardPaths::DesktopLocation, QStandardPaths::DocumentsLocation,
                                QStandardPaths::DownloadLocation}) {
        const QString folder = FileItem::identityPath(QStandardPaths::writableLocation(location));
        if (!folder.isEmpty() && QFileInfo(folder).isDir() && !favorites.contains(folder))
            favorites << folder;
    }
    setFavorites(favorites);

    refreshVolumes();
    connect(&VolumeMonitor::shared(), &VolumeMonitor::volumesChanged, this,
            &BrowserState::refreshVolumes, Qt::UniqueConnection);

    if (m_panes.isEmpty()) {
        const QVariant restoreSetting = Defaults::shared().value(QStringLiteral("launchRestore"));
        const bool restore =
            restoreSetting.typeId() == QMetaType::Bool ? restoreSetting.toBool() : true;
        const std::optional<Store::Session> &session = Store::shared().session();
        if (restore && session && !session->panes.isEmpty()) {
            assign(m_layout, paneLayoutFromRaw(session->layout).value_or(PaneLayout::Single),
                   &BrowserState::layoutChanged);
            QList<PaneState *> restored;
            for (const QString &folder : session->panes)
                restored << makePane(FileSystem::isDirectory(folder) ? folder : homeFolder());
            setPanes(restored);
            setActiveIndex(int(std::clamp<qint64>(session->active, 0, restored.size() - 1)));
            // A session whose layout and pane count disagree gets the layout's panes.
            fitPanes(paneCount(m_layout));
        } else {
            setPanes({makePane(homeFolder())});
            setActiveIndex(0);
        }
    }
    for (PaneState *pane : QList<PaneState *>(m_panes)) {
        pane->setOwner(this);
        pane->go(pane->current(), false);
    }
    recheckModel();
    // The local content index starts when the user switched it on.
    ContentIndex::shared().startIfNeeded();
}

void BrowserState::refreshVolumes()
{
    setVolumes(VolumeMonitor::shared().volumes());
}

void BrowserState::checkFDA()
{
    // Linux has no such gate: access counts as granted. The event is sent on every call.
    setHasFDA(true);
    Telemetry::track(Telemetry::Event::permissionState(true));
}

void BrowserState::recheckModel()
{
    whenReady(Namer::reachableAsync(), this, [this](bool up) {
        Namer::recordProbe(up);
        setOllamaUp(up);
    });
}

QList<PaneState *> BrowserState::fitPanes(int count)
{
    PaneState *active = activePane();
    QList<PaneState *> added;
    if (m_panes.size() < count) {
        QList<PaneState *> grown = m_panes;
        while (grown.size() < count) {
            PaneState *pane = makePane(active->current());
            grown << pane;
            added << pane;
        }
        setPanes(grown);
    } else if (m_panes.size() > count) {
        QList<PaneState *> kept{active};
        for (PaneState *pane : std::as_const(m_panes)) {
            if (pane != active && kept.size() < count)
                kept << pane;
        }
        for (PaneState *pane : std::as_const(m_panes)) {
            if (!kept.contains(pane)) {
                pane->stopWatching();
                pane->deleteLater();
            }
        }
        setPanes(kept);
    }
    setActiveIndex(std::min(int(m_panes.size()) - 1, indexOf(active)));
    return added;
}

void BrowserState::setLayout(PaneLayout layout)
{
    for (PaneState *pane : fitPanes(paneCount(layout)))
        pane->go(pane->current(), false);
    assign(m_layout, layout, &BrowserState::layoutChanged);
    saveSession();
}

void BrowserState::setActivePane(int index)
{
    if (index < 0 || index >= m_panes.size())
        return;
    setActiveIndex(index);
    saveSession();
}

int BrowserState::indexOf(const PaneState *pane) const
{
    return std::max(0, int(m_panes.indexOf(pane)));
}

void BrowserState::softRefresh()
{
    for (PaneState *pane : std::as_const(m_panes))
        pane->rebuild(true);
}

void BrowserState::refreshFolders(const QSet<QString> &folders)
{
    for (PaneState *pane : std::as_const(m_panes)) {
        if (folders.contains(pane->current()))
            pane->rebuild(true);
    }
}

QSet<QString> BrowserState::foldersOf(const QList<Pair> &pairs)
{
    QSet<QString> folders;
    for (const Pair &pair : pairs) {
        for (const QString &path : {pair.first, pair.second}) {
            if (!path.isEmpty())
                folders << FileItem::identityPath(QFileInfo(path).path());
        }
    }
    return folders;
}

void BrowserState::enter(const QString &folder)
{
    m_scenarioCache.clear();
    activePane()->go(folder, true);
}

void BrowserState::goToPath(const QString &path)
{
    const QString expanded = FileSystem::expandTilde(path);
    // A relative path is taken from the folder shown: a window's working folder means nothing
    // to its user.
    const QString target = !expanded.isEmpty() && QDir::isRelativePath(expanded)
                               ? activePane()->current() + u'/' + expanded
                               : expanded;
    if (target.isEmpty() || !FileSystem::isDirectory(target)) {
        setStatus(L("路径不存在或不是文件夹"));
        return;
    }
    enter(target);
}

void BrowserState::open(const FileItem &item)
{
    if (item.isDir)
        enter(item.path);
    else
        Opener::open(item.path);
}

void BrowserState::openSelection()
{
    const QList<FileItem> selected = activePane()->selectedItems();
    if (selected.isEmpty())
        return;
    if (selected.size() == 1 && selected.first().isDir) {
        enter(selected.first().path);
        return;
    }
    for (const FileItem &item : selected) {
        if (!item.isDir)
            Opener::open(item.path);
    }
}

QStringList BrowserState::targets(const QString &path)
{
    const PaneState *pane = activePane();
    const QSet<QString> &selection = pane->selection();
    if (!selection.contains(path) || selection.size() < 2)
        return {path};
    // The selection in listing order; anything selected but no longer listed comes last.
    QStringList paths;
    for (const FileItem &item : pane->items()) {
        if (selection.contains(item.path))
            paths << item.path;
    }
    for (const QString &selected : selection) {
        if (!paths.contains(selected))
            paths << selected;
    }
    return paths;
}
