#include "ContentIndexDatabase.h"

#include <pthread.h>

ContentIndexDatabase::ContentIndexDatabase(const QString &path, Options options)
    : m_path(path), m_connection(std::make_unique<ContentIndexConnection>())
{
    m_worker = std::thread([this] { work(); });
    std::atomic_bool *fts = &m_ftsAvailable;
    m_opened = run([path, options, fts](ContentIndexConnection &connection) {
        connection.open(path, options);
        fts->store(connection.ftsAvailable());
    });
}

ContentIndexDatabase::~ContentIndexDatabase()
{
    run([](ContentIndexConnection &connection) { connection.close(); });
    {
        std::lock_guard locker(m_lock);
        m_quitting = true;
    }
    m_wake.notify_one();
    m_worker.join();
}

void ContentIndexDatabase::post(std::function<void()> job)
{
    {
        std::lock_guard locker(m_lock);
        m_jobs.push_back(std::move(job));
    }
    m_wake.notify_one();
}

void ContentIndexDatabase::work()
{
    pthread_setname_np(pthread_self(), "marovel.index");
    for (;;) {
        std::function<void()> job;
        {
            std::unique_lock locker(m_lock);
            const auto ready = [this] { return m_quitting || !m_jobs.empty(); };
            if (m_connection->hasPending()) {
                // Documents written in an open batch are committed once the writes pause.
                if (!m_wake.wait_for(locker, idleCommit, ready)) {
                    locker.unlock();
                    try {
                        m_connection->commitPending();
                    } catch (const ContentIndexError &) {
                        // not stored: the next scan reads those files again
                    }
                    continue;
                }
            } else {
                m_wake.wait(locker, ready);
            }
            if (m_jobs.empty())
                return; // quitting, and every job asked before has run
            job = std::move(m_jobs.front());
            m_jobs.pop_front();
        }
        job();
    }
}

QFuture<void> ContentIndexDatabase::upsert(const ContentIndexDocument &document)
{
    return run([document](ContentIndexConnection &c) { c.upsert(document); });
}

QFuture<QList<ContentIndexSearchRow>> ContentIndexDatabase::search(const QString &query, int limit)
{
    return run([query, limit](ContentIndexConnection &c) { return c.search(query, limit); });
}

QFuture<int> ContentIndexDatabase::count()
{
    return run([](ContentIndexConnection &c) { return c.count(); });
}

QFuture<void> ContentIndexDatabase::clearAll()
{
    return run([](ContentIndexConnection &c) { c.clearAll(); });
}

QFuture<void> ContentIndexDatabase::removeUnder(const QString &root)
{
    return run([root](ContentIndexConnection &c) { c.removeUnder(root); });
}

QFuture<void> ContentIndexDatabase::prune(const QStringList &roots, const QSet<QString> &existingPaths)
{
    return run([roots, existingPaths](ContentIndexConnection &c) { c.prune(roots, existingPaths); });
}

QFuture<std::optional<ContentIndexStoredFacts>> ContentIndexDatabase::storedFacts(const QString &path)
{
    return run([path](ContentIndexConnection &c) { return c.storedFacts(path); });
}
