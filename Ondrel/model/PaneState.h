#pragma once

#include "FileItem.h"
#include "SortKey.h"

#include <QList>
#include <QObject>
#include <QPointer>
#include <QSet>
#include <QString>
#include <QStringList>
#include <QUuid>

#include <memory>

class BrowserState;
class FSWatcher;
class PaneDemo;

// One file pane: the folder it shows, the sorted listing of that folder, the selection,
// the back and forward history, the sort, the filter text, the free space of the volume
// and the watcher that keeps the listing fresh.
//
// Lives on the GUI thread. Listing, the free-space query and opening the watch run in the
// background; their results are applied only while the pane still shows the folder they
// were made for, and only when no newer listing of it has been applied already. A pane
// destroyed meanwhile drops them. Folders are paths in FileItem::identityPath form.
//
// Every observed field emits its change signal after a real change only; `itemsChanged`
// fires on every assignment of the items.
class PaneState : public QObject
{
    Q_OBJECT

public:
    // The pane shows `folder` but lists nothing until the first go() or rebuild(). The
    // owner, when given, is also the pane's parent.
    explicit PaneState(const QString &folder, BrowserState *owner = nullptr);
    ~PaneState() override;

    QUuid id() const { return m_id; }
    BrowserState *owner() const;
    void setOwner(BrowserState *owner);

    const QString &current() const { return m_current; }
    const QList<FileItem> &items() const { return m_items; }
    // Whether a listing was applied yet; until then the items say nothing about the folder.
    bool hasListing() const { return m_listingApplied > 0; }
    const QSet<QString> &selection() const { return m_selection; }
    const QStringList &back() const { return m_back; }
    const QStringList &forward() const { return m_forward; }
    SortKey sortKey() const { return m_sortKey; }
    bool sortAsc() const { return m_sortAsc; }
    const QString &filterText() const { return m_filterText; }
    const QString &freeSpace() const { return m_freeSpace; }
    FSWatcher *watcher() const { return m_watcher.get(); }
    // The pane's empty-state demo; leaving the folder ends it.
    PaneDemo &demo() const { return *m_demo; }

    // For the operations that write suggestions into the listing; re-sorts nothing.
    void setItems(const QList<FileItem> &items);
    void setSelection(const QSet<QString> &selection);
    void setFilterText(const QString &text);

    // Shows another folder. `record` is true for the user's navigation (the folder left
    // goes on the back list and the forward list empties) and false for history moves
    // and restores. Going to the folder already shown re-lists it and clears the selection.
    void go(const QString &folder, bool record);
    void goUp();
    void goBack();
    void goForward();

    // A new key sorts ascending (the date newest first); the key in use flips direction.
    // The order is remembered for the folder.
    void setSort(SortKey key);
    void sortItems();

    // Re-lists the folder in the background.
    void rebuild(bool preserveSelection);
    // Replaces the watcher with a new one for the folder shown.
    void armWatcher();
    // Stops the watcher for good (the pane is leaving, or its volume is).
    void stopWatching();

    // The items the views show: those whose name holds the filter text (case ignored) and,
    // when the window has a tag filter, that carry exactly that tag.
    QList<FileItem> displayed() const;
    // The selected items in listing order, including those the filter hides.
    QList<FileItem> selectedItems() const;
    // The paths of the selected items that are not folders, in listing order.
    QStringList selectedFileURLs() const;

signals:
    void currentChanged();
    void itemsChanged();
    void selectionChanged();
    void backChanged();
    void forwardChanged();
    void sortKeyChanged();
    void sortAscChanged();
    void filterTextChanged();
    void freeSpaceChanged();
    // After each listing that was applied to the pane.
    void listed();

private:
    struct Listing;

    void setCurrent(const QString &folder);
    void setBack(const QStringList &back);
    void setForward(const QStringList &forward);
    void setSortKey(SortKey key);
    void setSortAsc(bool asc);
    void setFreeSpace(const QString &text);
    void apply(const Listing &listing, bool preserveSelection);

    QUuid m_id = QUuid::createUuid();
    QPointer<BrowserState> m_owner;
    QString m_current;
    QList<FileItem> m_items;
    QSet<QString> m_selection;
    QStringList m_back;
    QStringList m_forward;
    SortKey m_sortKey = SortKey::Name;
    bool m_sortAsc = true;
    QString m_filterText;
    QString m_freeSpace;
    std::unique_ptr<FSWatcher> m_watcher;
    PaneDemo *m_demo; // a child
    quint64 m_listingsStarted = 0; // numbers each rebuild
    quint64 m_listingApplied = 0;  // the number of the newest listing applied
};
