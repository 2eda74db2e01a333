#pragma once

#include "FileSystem.h"

#include <QObject>

#include <chrono>
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
