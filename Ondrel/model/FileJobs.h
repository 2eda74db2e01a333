#pragma once

#include "FileSystem.h"
#include "WhenReady.h"

#include <QObject>
#include <QThreadPool>
#include <QtConcurrent>

#include <chrono>
#include <type_traits>
#include <utility>
#include <memory>

class FileJobs;

// One running background write (a paste, a move, a compression, a naming batch), as the
// process-wide FileJobs registry knows it. A copyable handle: the job counts as running
// until the last copy is gone, so capturing it by value in the worker's function makes
// the job end exactly when the work ends. An empty handle (no job) never cancels.
class FileJob
{
public:
    FileJob() = default;

    bool isValid() const { return bool(m_state); }
    explicit operator bool() const { return isValid(); }

    bool isCancelled() const;
    // The check to hand to FileOps and FileSystem; it keeps the job alive while held.
    FileSystem::CancelCheck cancelCheck() const;

private:
    friend class FileJobs;
    struct State;
    explicit FileJob(std::shared_ptr<State> state) : m_state(std::move(state)) {}

    std::shared_ptr<State> m_state;
};

// Every file job of the process, so quitting can let them finish, or stop them between
// items and copy chunks. Writers start their job here before they touch the disk and
// treat a refusal as "the application is quitting".
//
// Thread-safe; its signal is emitted on the thread the registry lives on (the GUI thread
// once an application object exists).
class FileJobs : public QObject
{
    Q_OBJECT

public:
    static FileJobs &shared();

    explicit FileJobs(QObject *parent = nullptr);
    ~FileJobs() override; // jobs still running then simply end unnoticed

    // A new job, or an empty handle once new jobs are refused.
    FileJob start();
    int runningCount() const;

    // From now on start() refuses; jobs already running go on.
    void refuseNew();
    bool isRefusing() const;
    // Asks every running job to stop at its next check.
    void cancelAll();

    // Runs the calling thread's event loop (so results of finishing jobs are delivered)
    // until no job runs or `timeout` has passed; returns whether none runs.
    bool waitForIdle(std::chrono::milliseconds timeout);

signals:
    void idle(); // the last running job has ended

private:
    friend class FileJob;
    struct Registry;

    std::shared_ptr<Registry> m_registry;
};

// Starts one file job in the shared registry and runs `work(job)` on `pool` (the global
// pool when none is given). The job ends when `work` returns, so quitting waits for it and
// may cancel it between items or chunks (`job.cancelCheck()`). Once the registry refuses
// new jobs because the application is quitting, nothing runs and the future is an empty,
// cancelled one.
template <typename Work>
auto startFileJob(Work &&work, QThreadPool *pool = nullptr)
{
    using Result = std::invoke_result_t<Work &, const FileJob &>;
    FileJob job = FileJobs::shared().start();
    if (!job)
        return QFuture<Result>();
    return QtConcurrent::run(pool ? pool : QThreadPool::globalInstance(),
                             [job = std::move(job), work = std::forward<Work>(work)]() mutable {
                                 // The job ends with its work, not with the future.
                                 if constexpr (std::is_void_v<Result>) {
                                     work(std::as_const(job));
                                     job = FileJob();
                                 } else {
                                     Result result = work(std::as_const(job));
                                     job = FileJob();
                                     return result;
                                 }
                             });
}

// startFileJob, with the result handed to `done` on `receiver`'s thread (see whenReady:
// dropped when the receiver is gone). Returns false, and runs nothing, when quitting.
template <typename Work, typename Done>
bool runFileJob(QObject *receiver, Work &&work, Done &&done, QThreadPool *pool = nullptr)
{
    auto future = startFileJob(std::forward<Work>(work), pool);
    if (future.isCanceled())
        return false;
    whenReady(future, receiver, std::forward<Done>(done));
    return true;
}
