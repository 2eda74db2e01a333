#pragma once

#include "ContentIndex.h"
#include "ContentIndexConnection.h"
#include "TestSupport.h"

#include <QCoreApplication>
#include <QDeadlineTimer>
#include <QFutureWatcher>
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
    QTest::qWaitFor([&] { return future.isFinished(); }, 20000);
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

} // namespace IndexTest
