#include "PaneState.h"

#include "BrowserState.h"
#include "FSWatcher.h"
#include "FileLister.h"
#include "ItemOrder.h"
#include "PaneDemo.h"
#include "Store.h"
#include "WhenReady.h"

#include <QFileInfo>
#include <QtConcurrent>

// What one background listing produced, sorted by the order in effect when it started.
struct PaneState::Listing
{
    QString folder;
    QList<FileItem> items;
    QString freeSpace;
    SortKey key = SortKey::Name;
    bool ascending = true;
};

PaneState::PaneState(const QString &folder, BrowserState *owner)
    : QObject(owner), m_owner(owner), m_current(FileItem::identityPath(folder)), m_demo(new PaneDemo(*this))
{
}

PaneState::~PaneState() = default;

BrowserState *PaneState::owner() const
{
    return m_owner;
}

void PaneState::setOwner(BrowserState *owner)
{
    m_owner = owner;
}

void PaneState::setCurrent(const QString &folder)
{
    if (folder == m_current)
        return;
    m_demo->end(); // the demo belongs to the folder left
    m_current = folder;
    emit currentChanged();
}

void PaneState::setItems(const QList<FileItem> &items)
{
    m_items = items;
    emit itemsChanged();
}

void PaneState::setSelection(const QSet<QString> &selection)
{
    if (selection == m_selection)
        return;
    m_selection = selection;
    emit selectionChanged();
}

void PaneState::setBack(const QStringList &back)
{
    if (back == m_back)
        return;
    m_back = back;
    emit backChanged();
}

void PaneState::setForward(const QStringList &forward)
{
    if (forward == m_forward)
        return;
    m_forward = forward;
    emit forwardChanged();
}

void PaneState::setSortKey(SortKey key)
{
    if (key == m_sortKey)
        return;
    m_sortKey = key;
    emit sortKeyChanged();
}

void PaneState::setSortAsc(bool asc)
{
    if (asc == m_sortAsc)
        return;
    m_sortAsc = asc;
    emit sortAscChanged();
}

void PaneState::setFilterText(const QString &text)
{
    if (text == m_filterText)
        return;
    m_filterText = text;
    emit filterTextChanged();
}

void PaneState::setFreeSpace(const QString &text)
{
    if (text == m_freeSpace)
        return;
    m_freeSpace = text;
    emit freeSpaceChanged();
}

void PaneState::go(const QString &folder, bool record)
{
    const QString target = FileItem::identityPath(folder);
    if (record && target != m_current) {
        setBack(m_back + QStringList{m_current});
        setForward({});
    }
    setCurrent(target);
    if (const auto view = Store::shared().sortFor(target)) {
        if (const auto key = sortKeyFromRaw(view->sortKey)) {
            setSortKey(*key);
            setSortAsc(view->asc);
        }
    }
    Store::shared().recordVisit(target);
    if (m_owner)
        m_owner->saveSession();
    armWatcher();
    rebuild(false);
}

void PaneState::goUp()
{
    if (m_current == u"/")
        return;
    go(QFileInfo(m_current).path(), true);
}

void PaneState::goBack()
{
    if (m_back.isEmpty())
        return;
    QStringList back = m_back;
    const QString target = back.takeLast();
    setBack(back);
    setForward(m_forward + QStringList{m_current});
    go(target, false);
}

void PaneState::goForward()
{
    if (m_forward.isEmpty())
        return;
    QStringList forward = m_forward;
    const QString target = forward.takeLast();
    setForward(forward);
    setBack(m_back + QStringList{m_current});
    go(target, false);
}

void PaneState::setSort(SortKey key)
{
    if (key != m_sortKey) {
        setSortKey(key);
        setSortAsc(key != SortKey::Date); // dates start newest first
    } else {
        setSortAsc(!m_sortAsc);
    }
    sortItems();
    Store::shared().setSort(m_current, rawValue(key), m_sortAsc);
}

void PaneState::sortItems()
{
    ItemOrder::sort(m_items, m_sortKey, m_sortAsc);
    emit itemsChanged();
}

void PaneState::rebuild(bool preserveSelection)
{
    const quint64 number = ++m_listingsStarted;
    const QString folder = m_current;
    const bool hidden = m_owner && m_owner->showHidden();
    const SortKey key = m_sortKey;
    const bool ascending = m_sortAsc;
    QFuture<Listing> listing = QtConcurrent::run([folder, hidden, key, ascending] {
        Listing result{folder, FileLister::list(folder, hidden), FileLister::freeSpace(folder), key,
                       ascending};
        ItemOrder::sort(result.items, key, ascending);
        return result;
    });
    whenReady(listing, this, [this, number, preserveSelection](const Listing &result) {
        // A listing of a folder no longer shown, or one older than a listing already
        // applied (it may miss changes the newer one saw), is dropped.
        if (result.folder != m_current || number < m_listingApplied)
            return;
        m_listingApplied = number;
        apply(result, preserveSelection);
    });
}

void PaneState::apply(const Listing &listing, bool preserveSelection)
{
    // Suggestions, ticks, confidences and reasons stay with the items still listed under
    // the same path: a re-listing must not throw away an organise run's work.
    QHash<QString, const FileItem *> suggested;
    for (const FileItem &item : std::as_const(m_items)) {
        if (item.suggestion || item.accept || !item.reason.isEmpty())
            suggested.insert(item.path, &item);
    }
    QList<FileItem> items = listing.items;
    if (!suggested.isEmpty()) {
        for (FileItem &item : items) {
            if (const FileItem *before = suggested.value(item.path)) {
                item.suggestion = before->suggestion;
                item.conf = before->conf;
                item.reason = before->reason;
                item.accept = before->accept;
            }
        }
    }
    m_items = std::move(items);
    if (listing.key != m_sortKey || listing.ascending != m_sortAsc)
        ItemOrder::sort(m_items, m_sortKey, m_sortAsc); // the order changed while listing
    emit itemsChanged();

    QSet<QString> kept;
    if (preserveSelection) {
        for (const FileItem &item : std::as_const(m_items)) {
            if (m_selection.contains(item.path))
                kept.insert(item.path);
        }
    }
    setSelection(kept);
    setFreeSpace(listing.freeSpace);
    if (m_owner && m_owner->activePaneIfAny() == this)
        m_owner->preReadCurrentFolder();
    emit listed();
}

void PaneState::armWatcher()
{
    stopWatching();
    const QString folder = m_current;
    whenReady(QtConcurrent::run([folder] { return FSWatcher::openWatch(folder); }), this,
              [this, folder](const FSWatcher::Watch &watch) {
                  if (folder != m_current)
                      return; // the watch closes as the last copy goes
                  QPointer<PaneState> pane(this);
                  m_watcher = FSWatcher::create(watch, [pane, folder] {
                      if (pane && pane->current() == folder)
                          pane->rebuild(true);
                  });
              });
}

void PaneState::stopWatching()
{
    if (m_watcher) {
        m_watcher->stop();
        m_watcher.reset();
    }
}

QList<FileItem> PaneState::displayed() const
{
    const QString tag = m_owner ? m_owner->tagFilter() : QString();
    if (m_filterText.isEmpty() && tag.isEmpty())
        return m_items; // shared, not copied: the common case of a large folder
    QList<FileItem> shown;
    for (const FileItem &item : m_items) {
        if (!m_filterText.isEmpty() && !item.name.contains(m_filterText, Qt::CaseInsensitive))
            continue;
        if (!tag.isEmpty() && !item.tags.contains(tag))
            continue;
        shown.push_back(item);
    }
    return shown;
}

QList<FileItem> PaneState::selectedItems() const
{
    QList<FileItem> selected;
    for (const FileItem &item : m_items) {
        if (m_selection.contains(item.path))
            selected.push_back(item);
    }
    return selected;
}

QStringList PaneState::selectedFileURLs() const
{
    QStringList paths;
    for (const FileItem &item : m_items) {
        if (!item.isDir && m_selection.contains(item.path))
            paths << item.path;
    }
    return paths;
}
