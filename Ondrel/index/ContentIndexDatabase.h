#pragma once

#include "ContentIndexConnection.h"
#include "ContentIndexTypes.h"

#include <QFuture>
#include <QPromise>

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <deque>
#include <functional>
#include <memory>
#include <mutex>
#include <thread>

// The single owner of the content index's SQLite connection. Every operation runs on the
// database's own worker thread, one at a time in the order asked, so no two statements
// ever meet on the connection and the GUI thread never waits for the disk. Results and
// failures (ContentIndexError) arrive through the returned futures.
//
// Construction starts opening the file on the worker; opened() tells how that went.
// Operations asked after a failed open fail with "数据库连接已关闭".
class ContentIndexDatabase
{
public:
    using Options = ContentIndexConnection::Options;
    // How long the writes must pause before an open batch of documents is committed.
    static constexpr std::chrono::milliseconds idleCommit{100};

    explicit ContentIndexDatabase(const QString &path, Options options = {});
    // Waits for the operations already asked, then closes the connection on the worker.
    ~ContentIndexDatabase();
    ContentIndexDatabase(const ContentIndexDatabase &) = delete;
    ContentIndexDatabase &operator=(const ContentIndexDatabase &) = delete;

    QString path() const { return m_path; }
    QFuture<void> opened() const { return m_opened; }
    // Known once opened() has finished.
    bool ftsAvailable() const { return m_ftsAvailable.load(); }

    QFuture<void> upsert(const ContentIndexDocument &document);
    QFuture<QList<ContentIndexSearchRow>> search(const QString &query, int limit);
    QFuture<int> count();
    QFuture<void> clearAll();
    QFuture<void> removeUnder(const QString &root);
    QFuture<void> prune(const QStringList &roots, const QSet<QString> &existingPaths);
    QFuture<std::optional<ContentIndexStoredFacts>> storedFacts(const QString &path);

    // Runs `job` with the connection on the worker thread, after everything asked before
    // (the scan's lookups and stores of many files at once, tests and benchmarks).
    // (A thread pool will not do: waiting for one of its futures may run the job on the
    // waiting thread, beside the worker and out of order.)
    template<typename Job>
    auto run(Job job) -> QFuture<std::invoke_result_t<Job, ContentIndexConnection &>>
    {
        using T = std::invoke_result_t<Job, ContentIndexConnection &>;
        auto promise = std::make_shared<QPromise<T>>();
        QFuture<T> future = promise->future();
        promise->start(); // waiting on the future waits for the job from now on
        ContentIndexConnection *connection = m_connection.get();
        post([promise, connection, job = std::move(job)]() mutable {
            try {
                if constexpr (std::is_void_v<T>)
                    job(*connection);
                else
                    promise->addResult(job(*connection));
            } catch (const QException &error) {
                promise->setException(error);
            } catch (...) {
                promise->setException(std::current_exception());
            }
            promise->finish();
        });
        return future;
    }

private:
    void post(std::function<void()> job);
    void work();

    QString m_path;
    std::unique_ptr<ContentIndexConnection> m_connection;
    std::mutex m_lock;
    std::condition_variable m_wake;
    std::deque<std::function<void()>> m_jobs;
    bool m_quitting = false;
    std::thread m_worker;
    QFuture<void> m_opened;
    std::atomic_bool m_ftsAvailable{false};
};
