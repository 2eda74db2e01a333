#include "RecursiveWatcher.h"

#include "OwnChanges.h"

#include <QDir>
#include <QFile>
#include <QHash>
#include <QSet>
#include <QSocketNotifier>
#include <QTimer>

#include <cerrno>
#include <cstring>
#include <dirent.h>
#include <sys/inotify.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

constexpr uint32_t treeEvents = IN_CREATE | IN_MOVED_TO | IN_MOVED_FROM | IN_DELETE |
                                IN_CLOSE_WRITE | IN_DELETE_SELF | IN_MOVE_SELF | IN_ONLYDIR |
                                IN_DONT_FOLLOW;

} // namespace

// Owns the inotify descriptor and the map of watched folders; lives on the watcher's
// thread.
class RecursiveWatcherWorker : public QObject
{
    Q_OBJECT

public:
    RecursiveWatcherWorker(int fd, QStringList roots, int latencyMs, int limit,
                           std::atomic_bool *stopping, bool keepOwnChanges,
                           std::function<bool(const QString &)> folderFilter)
        : m_fd(fd), m_roots(std::move(roots)), m_latencyMs(latencyMs), m_limit(limit),
          m_stopping(stopping), m_keepOwnChanges(keepOwnChanges),
          m_folderFilter(std::move(folderFilter))
    {
    }

    ~RecursiveWatcherWorker() override
    {
        delete m_notifier;
        ::close(m_fd);
    }

    void begin()
    {
        m_timer = new QTimer(this);
        m_timer->setSingleShot(true);
        m_timer->setInterval(m_latencyMs);
        connect(m_timer, &QTimer::timeout, this, &RecursiveWatcherWorker::flush);
        m_notifier = new QSocketNotifier(m_fd, QSocketNotifier::Read);
        connect(m_notifier, &QSocketNotifier::activated, this, &RecursiveWatcherWorker::readEvents);
        for (const QString &root : std::as_const(m_roots))
            addTree(root, false);
        emit ready();
    }

signals:
    void batch(const QList<RecursiveWatcher::Event> &events);
    void limitReached(const QString &folder);
    void ready();

private:
    using Change = RecursiveWatcher::Change;

    bool addWatch(const QString &folder)
    {
        if (m_limit > 0 && m_wds.size() >= m_limit && !m_wds.contains(folder)) {
            reportLimit(folder);
            return false;
        }
        const int wd = ::inotify_add_watch(m_fd, QFile::encodeName(folder).constData(), treeEvents);
        if (wd < 0) {
            if (errno == ENOSPC)
                reportLimit(folder);
            return false;
        }
        const QString previous = m_paths.value(wd);
        if (!previous.isEmpty() && previous != folder)
            m_wds.remove(previous);
        m_paths.insert(wd, folder);
        m_wds.insert(folder, wd);
        return true;
    }

    void reportLimit(const QString &folder)
    {
        if (m_limitReported)
            return;
        m_limitReported = true;
        emit limitReached(folder);
    }

    // Watches `top` and every folder below it (symbolic links are not followed). With
    // `report`, everything found is reported as created: it may have appeared before the
    // watch was in place.
    void addTree(const QString &top, bool report)
    {
        QStringList pending{top};
        while (!pending.isEmpty() && !m_stopping->load()) {
            const QString folder = pending.takeLast();
            if (!addWatch(folder))
                continue;
            DIR *dir = ::opendir(QFile::encodeName(folder).constData());
            if (!dir)
                continue;
            while (dirent *entry = ::readdir(dir)) {
                if (!std::strcmp(entry->d_name, ".") || !std::strcmp(entry->d_name, ".."))
                    continue;
                const QString path = folder + u'/' + QFile::decodeName(entry->d_name);
                bool isDir = entry->d_type == DT_DIR;
                if (entry->d_type == DT_UNKNOWN) {
                    struct stat info;
                    isDir = ::lstat(QFile::encodeName(path).constData(), &info) == 0 &&
                            S_ISDIR(info.st_mode);
                }
                if (report)
                    push({path, Change::Created, isDir});
                if (isDir && !skipped(path))
                    pending << path;
            }
            ::closedir(dir);
        }
    }

    bool skipped(const QString &folder) const
    {
        return m_folderFilter && !m_roots.contains(folder) && m_folderFilter(folder);
    }

    void removeBelow(const QString &folder)
    {
        const QString prefix = folder + u'/';
        for (auto it = m_wds.begin(); it != m_wds.end();) {
            if (it.key() == folder || it.key().startsWith(prefix)) {
                ::inotify_rm_watch(m_fd, it.value());
                m_paths.remove(it.value());
                it = m_wds.erase(it);
            } else {
                ++it;
            }
        }
    }

    void push(const RecursiveWatcher::Event &event)
    {
        if (!m_keepOwnChanges && event.change != Change::Overflow &&
            event.change != Change::RootGone && OwnChanges::isOwn(event.path))
            return;
        const QString key = QString::number(int(event.change)) + event.path;
        if (m_seen.contains(key))
            return;
        m_seen.insert(key);
        m_pending << event;
        if (!m_timer->isActive())
            m_timer->start();
    }

    void flush()
    {
        if (m_pending.isEmpty())
            return;
        const QList<RecursiveWatcher::Event> events = std::exchange(m_pending, {});
        m_seen.clear();
        emit batch(events);
    }

    void readEvents()
    {
        alignas(inotify_event) char buffer[16384];
        for (;;) {
            const ssize_t n = ::read(m_fd, buffer, sizeof buffer);
            if (n < 0 && errno == EINTR)
                continue;
            if (n <= 0)
                return;
            for (ssize_t at = 0; at < n;) {
                const auto *ev = reinterpret_cast<const inotify_event *>(buffer + at);
                at += ssize_t(sizeof(inotify_event) + ev->len);
                handle(*ev);
            }
        }
    }

    void handle(const inotify_event &ev)
    {
        if (ev.mask & IN_Q_OVERFLOW) {
            for (const QString &root : std::as_const(m_roots)) {
                push({root, Change::Overflow, true});
                addTree(root, false); // folders made meanwhile get their watches
            }
            return;
        }
        const QString folder = m_paths.value(ev.wd);
        if (folder.isEmpty())
            return;
        if (ev.mask & IN_IGNORED) {
            if (m_wds.value(folder) == ev.wd)
                m_wds.remove(folder);
            m_paths.remove(ev.wd);
            return;
        }
        if (ev.mask & (IN_DELETE_SELF | IN_MOVE_SELF)) {
            // Below a root the parent's own event tells the story.
            if (m_roots.contains(folder))
                push({folder, Change::RootGone, true});
            return;
        }
        const QString path = ev.len ? folder + u'/' + QFile::decodeName(ev.name) : folder;
        const bool isDir = ev.mask & IN_ISDIR;
        if (ev.mask & IN_CREATE) {
            push({path, Change::Created, isDir});
            if (isDir && !skipped(path))
                addTree(path, true);
        }
        if (ev.mask & IN_MOVED_TO) {
            push({path, Change::MovedTo, isDir});
            if (isDir && !skipped(path))
                addTree(path, true);
        }
        if (ev.mask & IN_MOVED_FROM) {
            push({path, Change::MovedFrom, isDir});
            if (isDir)
                removeBelow(path);
        }
        if (ev.mask & IN_DELETE)
            push({path, Change::Removed, isDir});
        if (ev.mask & IN_CLOSE_WRITE)
            push({path, Change::Modified, false});
    }

    int m_fd;
    QStringList m_roots;
    int m_latencyMs;
    int m_limit;
    std::atomic_bool *m_stopping;
    bool m_keepOwnChanges;
    std::function<bool(const QString &)> m_folderFilter;
    QSocketNotifier *m_notifier = nullptr;
    QTimer *m_timer = nullptr;
    QHash<int, QString> m_paths;
    QHash<QString, int> m_wds;
    QList<RecursiveWatcher::Event> m_pending;
    QSet<QString> m_seen;
    bool m_limitReported = false;
};

RecursiveWatcher::RecursiveWatcher(QStringList roots, int latencyMs, QObject *parent)
    : QObject(parent), m_latencyMs(latencyMs)
{
    qRegisterMetaType<RecursiveWatcher::Event>();
    qRegisterMetaType<QList<RecursiveWatcher::Event>>();
    for (const QString &root : roots)
        m_roots << QDir::cleanPath(root);
    m_thread.setObjectName(QStringLiteral("marovel.recursivewatcher"));
}

RecursiveWatcher::~RecursiveWatcher()
{
    stop();
}

bool RecursiveWatcher::start()
{
    if (m_worker)
        return true;
    const int fd = ::inotify_init1(IN_NONBLOCK | IN_CLOEXEC);
    if (fd < 0)
        return false;
    m_stopping = false;
    m_worker = new RecursiveWatcherWorker(fd, m_roots, m_latencyMs, m_watchLimit, &m_stopping,
                                          m_keepOwnChanges, m_folderFilter);
    m_worker->moveToThread(&m_thread);
    connect(&m_thread, &QThread::started, m_worker, &RecursiveWatcherWorker::begin);
    connect(&m_thread, &QThread::finished, m_worker, &QObject::deleteLater);
    RecursiveWatcherWorker *worker = m_worker;
    connect(worker, &RecursiveWatcherWorker::batch, this,
            [this, worker](const QList<Event> &events) {
                if (m_worker == worker)
                    emit changed(events);
            });
    connect(worker, &RecursiveWatcherWorker::limitReached, this,
            [this, worker](const QString &folder) {
                if (m_worker == worker)
                    emit watchLimitReached(folder);
            });
    connect(worker, &RecursiveWatcherWorker::ready, this, [this, worker] {
        if (m_worker == worker)
            emit ready();
    });
    m_thread.start();
    return true;
}

void RecursiveWatcher::stop()
{
    if (!m_worker)
        return;
    m_stopping = true;
    m_worker = nullptr; // batches already queued for this thread are dropped
    m_thread.quit();
    m_thread.wait();
}

#include "RecursiveWatcher.moc"
