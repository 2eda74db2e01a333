#pragma once

#include <QList>
#include <QMetaType>
#include <QObject>
#include <QString>
#include <QStringList>
#include <QThread>

#include <atomic>
#include <functional>

class RecursiveWatcherWorker;

// Watches folders and everything below them with inotify, on a thread of its own, and
// delivers what changed in batches on the thread that owns it (the GUI thread). Folders
// that appear later are watched as they appear, and their contents reported as created.
// Events for paths the program changed itself (OwnChanges) are dropped. Running out of
// inotify watches, or reaching the limit set here, is reported once and is not fatal: the
// folders already watched stay watched.
class RecursiveWatcher : public QObject
{
    Q_OBJECT

public:
    enum class Change {
        Created,  // created, or found inside a folder that appeared
        Modified, // a file written and closed
        Removed,
        MovedFrom, // renamed or moved away
        MovedTo,   // renamed or moved here
        RootGone,  // a watched root itself was removed or moved
        Overflow,  // the kernel dropped events: rescan the root
    };
    struct Event
    {
        QString path;
        Change change = Change::Created;
        bool isDir = false;
        bool operator==(const Event &other) const = default;
    };

    // `latencyMs`: events are collected for this long after the first one of a batch.
    explicit RecursiveWatcher(QStringList roots, int latencyMs = 1000, QObject *parent = nullptr);
    ~RecursiveWatcher() override;

    // At most this many folders are watched (0: only the system's limit). Set before start.
    void setWatchLimit(int folders) { m_watchLimit = folders; }
    // Also report changes the program made itself (OwnChanges), for watchers that must see
    // every change, such as an index that has to follow renames. Off by default. Set
    // before start.
    void setKeepOwnChanges(bool keep) { m_keepOwnChanges = keep; }
    // Folders below the roots for which `skip` answers true get no watch, and neither do
    // their sub-folders; changes made directly inside them go unseen. Called on the
    // watcher's thread. None by default. Set before start.
    void setFolderFilter(std::function<bool(const QString &folder)> skip) { m_folderFilter = std::move(skip); }

    // Starts watching; false when no inotify instance can be made. Setting up the watches
    // of a large tree happens on the watcher's thread and never blocks the caller.
    bool start();
    // Stops watching; batches not yet delivered are dropped. Idempotent.
    void stop();
    bool isRunning() const { return m_worker != nullptr; }
    QStringList roots() const { return m_roots; }

signals:
    void changed(const QList<RecursiveWatcher::Event> &events);
    // Some folders below `folder` are not watched: the watch limit was reached.
    void watchLimitReached(const QString &folder);
    // The initial watches of every root are in place.
    void ready();

private:
    QStringList m_roots;
    int m_latencyMs;
    int m_watchLimit = 0;
    bool m_keepOwnChanges = false;
    std::function<bool(const QString &)> m_folderFilter;
    QThread m_thread;
    RecursiveWatcherWorker *m_worker = nullptr;
    std::atomic_bool m_stopping{false};
};

Q_DECLARE_METATYPE(RecursiveWatcher::Event)
