#include "FSWatcher.h"

#include <QFile>
#include <QPointer>
#include <QSocketNotifier>

#include <cerrno>
#include <sys/inotify.h>
#include <unistd.h>

namespace {

constexpr uint32_t folderEvents = IN_CREATE | IN_DELETE | IN_MOVED_FROM | IN_MOVED_TO |
                                  IN_DELETE_SELF | IN_MOVE_SELF | IN_ONLYDIR;

} // namespace

FSWatcher::Watch FSWatcher::openWatch(const QString &folder)
{
    Watch watch;
    watch.m_folder = folder;
    const int fd = ::inotify_init1(IN_NONBLOCK | IN_CLOEXEC);
    if (fd < 0)
        return watch;
    if (::inotify_add_watch(fd, QFile::encodeName(folder).constData(), folderEvents) < 0) {
        ::close(fd);
        return watch;
    }
    watch.m_fd = std::shared_ptr<const int>(new int(fd), [](const int *descriptor) {
        ::close(*descriptor);
        delete descriptor;
    });
    return watch;
}

std::unique_ptr<FSWatcher> FSWatcher::create(const Watch &watch, std::function<void()> onChange)
{
    if (!watch.isValid())
        return nullptr;
    return std::unique_ptr<FSWatcher>(new FSWatcher(watch, std::move(onChange)));
}

std::unique_ptr<FSWatcher> FSWatcher::create(const QString &folder, std::function<void()> onChange)
{
    return create(openWatch(folder), std::move(onChange));
}

FSWatcher::FSWatcher(const Watch &watch, std::function<void()> onChange)
    : m_folder(watch.m_folder), m_fd(watch.m_fd), m_onChange(std::move(onChange))
{
    m_debounce.setSingleShot(true);
    m_debounce.setTimerType(Qt::PreciseTimer);
    m_debounce.setInterval(debounceMs);
    connect(&m_debounce, &QTimer::timeout, this, [this] {
        // A receiver may delete the watcher; the callback is copied before anything runs.
        const std::function<void()> callback = m_onChange;
        QPointer<FSWatcher> alive(this);
        emit changed();
        if (alive && callback)
            callback();
    });
    m_notifier = new QSocketNotifier(*m_fd, QSocketNotifier::Read, this);
    connect(m_notifier, &QSocketNotifier::activated, this, &FSWatcher::readEvents);
}

FSWatcher::~FSWatcher()
{
    stop();
}

void FSWatcher::stop()
{
    m_debounce.stop();
    if (!m_fd)
        return;
    m_notifier->setEnabled(false);
    delete m_notifier;
    m_notifier = nullptr;
    m_fd.reset();
}

void FSWatcher::readEvents()
{
    // Drain everything queued; any event at all means the folder changed.
    alignas(inotify_event) char buffer[8192];
    bool any = false;
    for (;;) {
        const ssize_t n = ::read(*m_fd, buffer, sizeof buffer);
        if (n > 0) {
            any = true;
            continue;
        }
        if (n < 0 && errno == EINTR)
            continue;
        break; // EAGAIN: drained
    }
    if (any)
        m_debounce.start();
}
