#pragma once

#include "ContentIndex.h"
#include "ContentIndexConnection.h"
#include "TestSupport.h"

#include <QCoreApplication>
#include <QDeadlineTimer>
#include <QFutureWatcher>
#include <QMutex>
#include <QTest>

#include <sqlite3.h>

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

// Which leaf pages of a b-tree damage() overwrites, in key order.
enum class Leaves { First, Last, All };

// Overwrites leaf pages of the b-trees `names` (a table or index of the closed database
// at `path`) with garbage, as a damaged disk or a half-written copy leaves them. Returns
// how many pages it overwrote.
inline int damage(const QString &path, const QStringList &names, Leaves which)
{
    sqlite3 *db = nullptr;
    if (sqlite3_open(QFile::encodeName(path).constData(), &db) != SQLITE_OK) {
        sqlite3_close(db);
        return 0;
    }
    int pageSize = 0;
    QList<int> pages;
    sqlite3_stmt *statement = nullptr;
    sqlite3_prepare_v2(db, "PRAGMA page_size", -1, &statement, nullptr);
    if (sqlite3_step(statement) == SQLITE_ROW)
        pageSize = sqlite3_column_int(statement, 0);
    sqlite3_finalize(statement);
    for (const QString &name : names) {
        // dbstat's path orders the pages of one b-tree as a walk in key order meets them.
        sqlite3_prepare_v2(db, "SELECT pageno FROM dbstat WHERE name = ? AND pagetype = 'leaf' ORDER BY path",
                           -1, &statement, nullptr);
        const QByteArray bytes = name.toUtf8();
        sqlite3_bind_text(statement, 1, bytes.constData(), -1, SQLITE_TRANSIENT);
        QList<int> leaves;
        while (sqlite3_step(statement) == SQLITE_ROW)
            leaves << sqlite3_column_int(statement, 0);
        sqlite3_finalize(statement);
        if (leaves.isEmpty())
            continue;
        if (which == Leaves::First)
            pages << leaves.first();
        else if (which == Leaves::Last)
            pages << leaves.last();
        else
            pages << leaves;
    }
    sqlite3_close(db); // the last connection folds the write-ahead log into the file
    QFile file(path);
    if (pageSize <= 0 || !file.open(QIODevice::ReadWrite))
        return 0;
    for (int page : std::as_const(pages)) {
        file.seek(qint64(page - 1) * pageSize);
        file.write(QByteArray(pageSize, char(0xa5)));
    }
    return int(pages.size());
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
