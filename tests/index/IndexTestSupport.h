#pragma once

#include "ContentIndex.h"
#include "ContentIndexConnection.h"
#include "TestSupport.h"

#include <QCoreApplication>
#include <QDeadlineTimer>
#include <QFutureWatcher>
#include <QMutex>
#include <QTest>

#include <fcntl.h>
#include <sys/stat.h>
#include <sys/time.h>

namespace IndexTest {

inline ContentIndexDocument document(const QString &path, const QString &text,
                                     const QString &source = QStringLiteral("text"))
{
    ContentIndexDocument doc;
    doc.path = path;
    doc.name = path.section(u'/', -1);
    doc.directory = path.section(u'/', 0, -2);
    doc.extensionName = doc.name.contains(u'.') ? doc.name.section(u'.', -1).toLower() : QString();
    doc.modified = 1700000000.5;
    doc.size = text.toUtf8().size();
    doc.source = source;
    doc.text = text;
    return doc;
}

inline QStringList paths(const QList<ContentIndexSearchRow> &rows)
{
    QStringList result;
    for (const auto &row : rows)
        result << row.path;
    return result;
}

inline QStringList paths(const QList<ContentIndex::SearchResult> &results)
{
    QStringList result;
    for (const auto &r : results)
        result << r.id;
    return result;
}

// Runs the event loop until `done` holds or `ms` pass; returns whether it holds.
template<typename Predicate>
bool waitFor(Predicate done, int ms = 10000)
{
    return QTest::qWaitFor(done, ms);
}

// Waits for a future while the event loop runs (futures finishing on the GUI thread).
template<typename T>
T await(QFuture<T> future)
{
    (void)QTest::qWaitFor([&] { return future.isFinished(); }, 20000);
    return future.result();
}

// Sets a file's modification time to `seconds` since 1970, with sub-millisecond precision.
inline void setModified(const QString &path, double seconds)
{
    struct timespec times[2];
    times[0].tv_sec = 0;
    times[0].tv_nsec = UTIME_OMIT;
    times[1].tv_sec = time_t(seconds);
    times[1].tv_nsec = long((seconds - double(times[1].tv_sec)) * 1e9);
    ::utimensat(AT_FDCWD, QFile::encodeName(path).constData(), times, 0);
}

// Reads a file as plain text, as the extractor does for .txt, and counts its calls.
class FakeExtractor
{
public:
    ContentIndexScan::Extract function()
    {
        return [this](const QString &path) {
            {
                QMutexLocker locker(&m_lock);
                m_calls << path;
            }
            return Extraction{QString::fromUtf8(TestSupport::readFile(path)), QStringLiteral("text")};
        };
    }
    QStringList calls() const
    {
        QMutexLocker locker(&m_lock);
        return m_calls;
    }
    void reset()
    {
        QMutexLocker locker(&m_lock);
        m_calls.clear();
    }

private:
    mutable QMutex m_lock;
    QStringList m_calls;
};

inline ContentIndexConfig config(ContentIndexScan::Extract extract = {})
{
    ContentIndexConfig c;
    c.databasePath = TestSupport::root() + QStringLiteral("/db/content-index.sqlite");
    c.extract = std::move(extract);
    c.watchLatencyMs = 100;
    c.rescanDelayMs = 300;
    return c;
}

// Counts the scans an index starts and waits for them to end.
class ScanCounter : public QObject
{
public:
    explicit ScanCounter(ContentIndex &index) : m_index(index)
    {
        QObject::connect(&index, &ContentIndex::isIndexingChanged, this, [this] {
            if (m_index.isIndexing())
                ++started;
            else
                ++ended;
        });
    }
    // Waits until `count` scans have started and the index is idle again.
    bool waitForScans(int count, int ms = 15000)
    {
        return QTest::qWaitFor([&] { return started >= count && !m_index.isIndexing(); }, ms);
    }
    int started = 0;
    int ended = 0;

private:
    ContentIndex &m_index;
};

} // namespace IndexTest
