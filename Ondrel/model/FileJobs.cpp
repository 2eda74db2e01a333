#include "FileJobs.h"

#include <QCoreApplication>
#include <QDeadlineTimer>
#include <QEventLoop>
#include <QMutex>
#include <QMutexLocker>
#include <QPointer>
#include <QSet>
#include <QTimer>

#include <atomic>
#include <utility>

// The bookkeeping shared by the registry object and its jobs, so a job that ends after
// the registry object is gone touches nothing freed.
struct FileJobs::Registry
{
    QMutex lock;
    QSet<FileJob::State *> running;
    bool refusing = false;
    QPointer<FileJobs> owner;
};

struct FileJob::State
{
    explicit State(std::shared_ptr<FileJobs::Registry> registry) : registry(std::move(registry)) {}
    ~State()
    {
        QMutexLocker locker(&registry->lock);
        registry->running.remove(this);
        if (!registry->running.isEmpty() || !registry->owner)
            return;
        // Announced on the registry's own thread, whichever thread the job ended on.
        QMetaObject::invokeMethod(registry->owner.data(), &FileJobs::idle, Qt::QueuedConnection);
    }

    std::shared_ptr<FileJobs::Registry> registry;
    std::atomic<bool> cancelled = false;
};

bool FileJob::isCancelled() const
{
    return m_state && m_state->cancelled.load();
}

FileSystem::CancelCheck FileJob::cancelCheck() const
{
    if (!m_state)
        return {};
    return [state = m_state] { return state->cancelled.load(); };
}

FileJobs &FileJobs::shared()
{
    static FileJobs *instance = [] {
        auto *jobs = new FileJobs;
        if (auto *app = QCoreApplication::instance())
            jobs->moveToThread(app->thread());
        return jobs;
    }();
    return *instance;
}

FileJobs::FileJobs(QObject *parent)
    : QObject(parent), m_registry(std::make_shared<Registry>())
{
    m_registry->owner = this;
}

FileJobs::~FileJobs()
{
    QMutexLocker locker(&m_registry->lock);
    m_registry->owner = nullptr;
}

FileJob FileJobs::start()
{
    QMutexLocker locker(&m_registry->lock);
    if (m_registry->refusing)
        return {};
    auto state = std::make_shared<FileJob::State>(m_registry);
    m_registry->running.insert(state.get());
    return FileJob(std::move(state));
}

int FileJobs::runningCount() const
{
    QMutexLocker locker(&m_registry->lock);
    return int(m_registry->running.size());
}

void FileJobs::refuseNew()
{
    QMutexLocker locker(&m_registry->lock);
    m_registry->refusing = true;
}

bool FileJobs::isRefusing() const
{
    QMutexLocker locker(&m_registry->lock);
    return m_registry->refusing;
}

void FileJobs::cancelAll()
{
    QMutexLocker locker(&m_registry->lock);
    for (FileJob::State *state : std::as_const(m_registry->running))
        state->cancelled = true;
}

bool FileJobs::waitForIdle(std::chrono::milliseconds timeout)
{
    if (runningCount() == 0)
        return true;
    QEventLoop loop;
    QTimer timer;
    timer.setSingleShot(true);
    connect(&timer, &QTimer::timeout, &loop, &QEventLoop::quit);
    // Polled as well: the idle signal reaches only the registry's own thread.
    QTimer poll;
    connect(&poll, &QTimer::timeout, &loop, [&] {
        if (runningCount() == 0)
            loop.quit();
    });
    connect(this, &FileJobs::idle, &loop, &QEventLoop::quit);
    timer.start(timeout);
    poll.start(20);
    loop.exec();
    return runningCount() == 0;
}
