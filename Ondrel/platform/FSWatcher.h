#pragma once

#include <QObject>
#include <QString>
#include <QTimer>

#include <functional>
#include <memory>

class QSocketNotifier;

// Watches one folder (not its sub-folders) with inotify and reports, once a burst of
// changes has settled, that the folder changed: entries created, removed or renamed
// inside it, or the folder itself renamed or removed. Every event restarts a 0.5 s wait;
// `changed` is emitted, and the callback run, once the wait runs out (trailing debounce).
// Lives on the thread that created it, which must run an event loop (the GUI thread).
class FSWatcher : public QObject
{
    Q_OBJECT

public:
    static constexpr int debounceMs = 500;

    // The kernel side of a watch. Opening it touches the file system, so it may be made
    // on a worker thread and handed to create() on the thread that wants the notices.
    // Copies share one descriptor, closed when the last copy (or the watcher) lets go.
    class Watch
    {
    public:
        bool isValid() const { return m_fd != nullptr; }
        QString folder() const { return m_folder; }

    private:
        friend class FSWatcher;
        std::shared_ptr<const int> m_fd;
        QString m_folder;
    };

    // Any thread. Invalid when the folder cannot be watched (missing, not a folder, no
    // permission, no inotify instance left).
    static Watch openWatch(const QString &folder);
    // A live watcher for a valid watch, else nothing. Call on the thread that receives
    // the notices.
    static std::unique_ptr<FSWatcher> create(const Watch &watch,
                                             std::function<void()> onChange = {});
    // Both steps at once, on the calling thread.
    static std::unique_ptr<FSWatcher> create(const QString &folder,
                                             std::function<void()> onChange = {});
    ~FSWatcher() override;

    QString folder() const { return m_folder; }
    bool isLive() const { return m_fd != nullptr; }

    // Stops watching for good and cancels a pending notice. Calling it again does nothing.
    void stop();

signals:
    void changed();

private:
    FSWatcher(const Watch &watch, std::function<void()> onChange);
    void readEvents();

    QString m_folder;
    std::shared_ptr<const int> m_fd;
    std::function<void()> m_onChange;
    QSocketNotifier *m_notifier = nullptr;
    QTimer m_debounce;
};
