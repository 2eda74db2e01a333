#include "FSWatcher.h"
#include "OwnChanges.h"
#include "RecursiveWatcher.h"
#include "TestSupport.h"

#include <QDir>
#include <QElapsedTimer>
#include <QSignalSpy>
#include <QTest>
#include <QtConcurrent>

#include <gtest/gtest.h>

namespace {

// Runs the event loop until `done` or `ms` have passed.
bool waitFor(const std::function<bool()> &done, int ms = 5000)
{
    QElapsedTimer timer;
    timer.start();
    while (!done() && timer.elapsed() < ms)
        QTest::qWait(10);
    return done();
}

TEST(FSWatcher, ABurstOfChangesGivesOneNoticeHalfASecondAfterTheLast)
{
    const QString dir = TestSupport::makeFolder("burst");
    int notices = 0;
    qint64 delay = -1;
    QElapsedTimer sinceLast;
    auto watcher = FSWatcher::create(dir, [&] {
        ++notices;
        delay = sinceLast.elapsed();
    });
    ASSERT_TRUE(watcher);
    QSignalSpy changed(watcher.get(), &FSWatcher::changed);

    for (int i = 0; i < 10; ++i) {
        TestSupport::writeFile(dir + QStringLiteral("/file%1.txt").arg(i), "x");
        if (i < 9)
            QTest::qWait(30); // ten files within 0.3 s, with events read in between
    }
    sinceLast.start();
    ASSERT_TRUE(waitFor([&] { return notices > 0; }));
    QTest::qWait(FSWatcher::debounceMs + 300);
    EXPECT_EQ(notices, 1);
    EXPECT_EQ(changed.count(), 1);
    EXPECT_GE(delay, FSWatcher::debounceMs);
    EXPECT_LT(delay, 4000);
}

TEST(FSWatcher, StopCancelsThePendingNotice)
{
    const QString dir = TestSupport::makeFolder("stop");
    int notices = 0;
    auto watcher = FSWatcher::create(dir, [&] { ++notices; });
    ASSERT_TRUE(watcher);
    TestSupport::writeFile(dir + "/a.txt", "x");
    QTest::qWait(100); // the event is read, the half-second wait runs
    watcher->stop();
    EXPECT_FALSE(watcher->isLive());
    watcher->stop();
    TestSupport::writeFile(dir + "/b.txt", "x");
    QTest::qWait(FSWatcher::debounceMs * 2);
    EXPECT_EQ(notices, 0);
}

TEST(FSWatcher, WatchesFolderChangesOnlyAndTheFolderItself)
{
    const QString root = TestSupport::makeFolder("watch");
    TestSupport::writeFile(root + "/file.txt", "x");
    EXPECT_FALSE(FSWatcher::create(root + "/missing"));
    EXPECT_FALSE(FSWatcher::create(root + "/file.txt"));

    const QString dir = TestSupport::makeFolder("watch/folder");
    int notices = 0;
    std::unique_ptr<FSWatcher> watcher = FSWatcher::create(dir, [&] {
        ++notices;
        watcher.reset(); // the owner may drop its watcher from the notice itself
    });
    ASSERT_TRUE(watcher);
    ASSERT_TRUE(QDir().rename(dir, root + "/renamed"));
    EXPECT_TRUE(waitFor([&] { return notices == 1; }));
    EXPECT_FALSE(watcher);
}

// The pane opens the watch off the GUI thread and makes the watcher on it.
TEST(FSWatcher, AWatchOpenedOnAWorkerServesTheGuiThread)
{
    const QString dir = TestSupport::makeFolder("worker");
    FSWatcher::Watch watch =
        QtConcurrent::run([dir] { return FSWatcher::openWatch(dir); }).result();
    ASSERT_TRUE(watch.isValid());
    EXPECT_FALSE(QtConcurrent::run([dir] { return FSWatcher::openWatch(dir + "/missing"); })
                     .result()
                     .isValid());
    int notices = 0;
    auto watcher = FSWatcher::create(watch, [&] { ++notices; });
    watch = {};
    ASSERT_TRUE(watcher);
    TestSupport::writeFile(dir + "/a.txt", "x");
    EXPECT_TRUE(waitFor([&] { return notices == 1; }));
    EXPECT_FALSE(FSWatcher::create(FSWatcher::Watch()));
}

using Change = RecursiveWatcher::Change;

struct Collector
{
    QList<RecursiveWatcher::Event> events;
    bool has(const QString &path, Change change) const
    {
        for (const auto &e : events)
            if (e.path == path && e.change == change)
                return true;
        return false;
    }
    bool mentions(const QString &path) const
    {
        for (const auto &e : events)
            if (e.path == path)
                return true;
        return false;
    }
};

void startWatching(RecursiveWatcher &watcher, Collector &collector)
{
    QObject::connect(
        &watcher, &RecursiveWatcher::changed,
        [&](const QList<RecursiveWatcher::Event> &events) { collector.events += events; });
    QSignalSpy ready(&watcher, &RecursiveWatcher::ready);
    ASSERT_TRUE(watcher.start());
    ASSERT_TRUE(ready.wait(5000));
}

TEST(RecursiveWatcher, ReportsChangesDeepInsideAndInNewFolders)
{
    const QString root = TestSupport::makeFolder("tree");
    QDir().mkpath(root + "/sub/deeper");
    RecursiveWatcher watcher({root}, 100);
    Collector got;
    startWatching(watcher, got);

    TestSupport::writeFile(root + "/sub/deeper/new.txt", "x");
    // A folder made with content at once: what it holds before its watch exists is
    // reported as well.
    TestSupport::writeFile(root + "/fresh/inside/file.txt", "y");
    EXPECT_TRUE(waitFor([&] { return got.mentions(root + "/fresh/inside/file.txt"); }));
    EXPECT_TRUE(got.has(root + "/sub/deeper/new.txt", Change::Created));
    EXPECT_TRUE(waitFor([&] { return got.has(root + "/sub/deeper/new.txt", Change::Modified); }));
    EXPECT_TRUE(got.has(root + "/fresh", Change::Created));

    // The new folder is watched from now on.
    got.events.clear();
    TestSupport::writeFile(root + "/fresh/inside/later.txt", "z");
    EXPECT_TRUE(
        waitFor([&] { return got.has(root + "/fresh/inside/later.txt", Change::Created); }));

    // Batches arrive on this thread, collected over the latency.
    got.events.clear();
    QFile::remove(root + "/sub/deeper/new.txt");
    EXPECT_TRUE(waitFor([&] { return got.has(root + "/sub/deeper/new.txt", Change::Removed); }));
}

TEST(RecursiveWatcher, OwnChangesAreDropped)
{
    const QString root = TestSupport::makeFolder("own");
    RecursiveWatcher watcher({root}, 100);
    Collector got;
    startWatching(watcher, got);

    OwnChanges::note(root + "/mine");
    TestSupport::writeFile(root + "/mine/a.txt", "mine");
    TestSupport::writeFile(root + "/theirs.txt", "theirs");
    EXPECT_TRUE(waitFor([&] { return got.has(root + "/theirs.txt", Change::Modified); }));
    QTest::qWait(200);
    EXPECT_FALSE(got.mentions(root + "/mine"));
    EXPECT_FALSE(got.mentions(root + "/mine/a.txt"));
}

TEST(RecursiveWatcher, FoldersMovedAwayAreForgotten)
{
    const QString root = TestSupport::makeFolder("moving");
    const QString elsewhere = TestSupport::makeFolder("elsewhere");
    QDir().mkpath(root + "/sub/inner");
    RecursiveWatcher watcher({root}, 100);
    Collector got;
    startWatching(watcher, got);

    ASSERT_TRUE(QDir().rename(root + "/sub", elsewhere + "/sub"));
    EXPECT_TRUE(waitFor([&] { return got.has(root + "/sub", Change::MovedFrom); }));
    got.events.clear();
    TestSupport::writeFile(elsewhere + "/sub/inner/x.txt", "x");
    TestSupport::writeFile(root + "/marker.txt", "m");
    EXPECT_TRUE(waitFor([&] { return got.has(root + "/marker.txt", Change::Modified); }));
    for (const auto &e : got.events)
        EXPECT_FALSE(e.path.startsWith(root + "/sub")) << e.path.toStdString();
}

TEST(RecursiveWatcher, RunningOutOfWatchesIsReportedNotFatal)
{
    const QString root = TestSupport::makeFolder("limit");
    for (const char *sub : {"a", "b", "c", "d"})
        QDir().mkpath(root + "/" + sub);
    RecursiveWatcher watcher({root}, 100);
    watcher.setWatchLimit(2);
    QSignalSpy limit(&watcher, &RecursiveWatcher::watchLimitReached);
    Collector got;
    startWatching(watcher, got);
    EXPECT_EQ(limit.count(), 1);

    TestSupport::writeFile(root + "/still-watched.txt", "x");
    EXPECT_TRUE(waitFor([&] { return got.has(root + "/still-watched.txt", Change::Created); }));
    watcher.stop();
    watcher.stop();
    EXPECT_FALSE(watcher.isRunning());
}

TEST(OwnChanges, NotesCoverTheirTreeForAShortWhile)
{
    OwnChanges::clear();
    OwnChanges::setWindow(300);
    OwnChanges::note("/data/a/b");
    EXPECT_TRUE(OwnChanges::isOwn("/data/a/b"));
    EXPECT_TRUE(OwnChanges::isOwn("/data/a/b/c/d.txt"));
    EXPECT_FALSE(OwnChanges::isOwn("/data/a/bc"));
    EXPECT_FALSE(OwnChanges::isOwn("/data/a"));
    QTest::qWait(400);
    EXPECT_FALSE(OwnChanges::isOwn("/data/a/b"));
    OwnChanges::setWindow(3000);
}

} // namespace
