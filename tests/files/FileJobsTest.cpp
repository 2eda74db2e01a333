// The file-job registry and how its cancel check stops copies, archives and extractions
// without leaving anything half-made.
#include "FileJobs.h"
#include "FileOps.h"
#include "FilesTestSupport.h"
#include "TestSupport.h"

#include <QDir>
#include <QFile>
#include <QSignalSpy>
#include <QtConcurrent>

#include <gtest/gtest.h>

#include <atomic>
#include <cerrno>
#include <sys/stat.h>

namespace {

using FilesTest::namesIn;

// A check that says "cancel" from its n-th question on (n = 1: at once).
FileSystem::CancelCheck cancelAt(int n)
{
    auto asked = std::make_shared<int>(0);
    return [asked, n] { return ++*asked >= n; };
}

int cancelledCode(const std::function<void()> &call, QList<std::pair<QString, QString>> *done = nullptr)
{
    try {
        call();
    } catch (const FileOpsError &e) {
        if (done)
            *done = e.completed();
        return e.code();
    }
    return 0;
}

// Checks asked over a whole copy: three files of 4, 1 and 4 chunks.
QStringList threeFiles(const QString &folder)
{
    TestSupport::writeFile(folder + "/a.bin", QByteArray(4 * 65536, 'a'));
    TestSupport::writeFile(folder + "/b.bin", QByteArray(100, 'b'));
    TestSupport::writeFile(folder + "/c.bin", QByteArray(4 * 65536, 'c'));
    return {folder + "/a.bin", folder + "/b.bin", folder + "/c.bin"};
}

} // namespace

TEST(FileJobs, RefusesNewJobsAndCancelsRunningOnes)
{
    FileJobs jobs;
    QSignalSpy idle(&jobs, &FileJobs::idle);
    FileJob first = jobs.start();
    ASSERT_TRUE(first);
    FileSystem::CancelCheck check = first.cancelCheck();
    EXPECT_FALSE(check());
    EXPECT_EQ(jobs.runningCount(), 1);

    jobs.refuseNew();
    EXPECT_FALSE(jobs.start());
    EXPECT_EQ(jobs.runningCount(), 1);

    jobs.cancelAll();
    EXPECT_TRUE(first.isCancelled());
    EXPECT_TRUE(check());

    // The job lasts as long as any copy of its handle or its check.
    first = FileJob();
    EXPECT_EQ(jobs.runningCount(), 1);
    EXPECT_FALSE(jobs.waitForIdle(std::chrono::milliseconds(50)));
    check = nullptr;
    EXPECT_EQ(jobs.runningCount(), 0);
    EXPECT_TRUE(idle.wait(2000));
    EXPECT_EQ(idle.count(), 1);
}

TEST(FileJobs, WaitingEndsWhenCancelledJobsOnOtherThreadsStop)
{
    FileJobs jobs;
    QFuture<void> work = QtConcurrent::run([job = jobs.start()] {
        while (!job.isCancelled())
            QThread::msleep(5);
    });
    EXPECT_FALSE(jobs.waitForIdle(std::chrono::milliseconds(100)));
    jobs.cancelAll();
    EXPECT_TRUE(jobs.waitForIdle(std::chrono::milliseconds(5000)));
    work.waitForFinished();
}

TEST(FileJobs, CancelledCopyKeepsFinishedItemsAndRemovesTheUnfinishedOne)
{
    const QString src = TestSupport::makeFolder("cancel-src");
    const QString dst = TestSupport::makeFolder("cancel-dst");
    const QStringList sources = threeFiles(src);
    // a.bin is asked 7 times (the item, its copy, four chunks and the end), b.bin 4 times;
    // the 15th question comes after the first chunk of c.bin is written.
    QList<std::pair<QString, QString>> done;
    EXPECT_EQ(cancelledCode([&] { FileOps::copy(sources, dst, cancelAt(15)); }, &done), ECANCELED);
    EXPECT_EQ(done, (QList<std::pair<QString, QString>>{{src + "/a.bin", dst + "/a.bin"},
                                                        {src + "/b.bin", dst + "/b.bin"}}));
    EXPECT_EQ(namesIn(dst), QStringList({"a.bin", "b.bin"}));
    EXPECT_EQ(QFileInfo(dst + "/a.bin").size(), 4 * 65536);

    // Folders too: nothing of the unfinished tree stays.
    const QString tree = TestSupport::makeFolder("cancel-tree");
    threeFiles(tree);
    const QString treeDst = TestSupport::makeFolder("cancel-tree-dst");
    EXPECT_EQ(cancelledCode([&] { FileOps::copy({tree}, treeDst, cancelAt(8)); }), ECANCELED);
    EXPECT_TRUE(namesIn(treeDst).isEmpty());

    const QString dupes = TestSupport::makeFolder("cancel-dup");
    const QStringList originals = threeFiles(dupes);
    EXPECT_EQ(cancelledCode([&] { FileOps::duplicate(originals, cancelAt(3)); }), ECANCELED);
    EXPECT_EQ(namesIn(dupes), QStringList({"a.bin", "b.bin", "c.bin"}));

    // Never cancelled: everything arrives.
    const QString whole = TestSupport::makeFolder("cancel-none");
    EXPECT_EQ(FileOps::copy(sources, whole, cancelAt(1000)).size(), 3);
}

TEST(FileJobs, SparseCopiesAreAskedPerDataExtentAndStillRemovedWhenCancelled)
{
    // 64 MiB with 4 KiB of data at its start and 4 KiB at 32 MiB; the rest is holes.
    const QString src = TestSupport::makeFolder("cancel-sparse");
    const QString path = src + "/disk.img";
    TestSupport::writeFile(path, QByteArray(4096, 'a'));
    {
        QFile file(path);
        ASSERT_TRUE(file.open(QIODevice::ReadWrite));
        ASSERT_TRUE(file.seek(32 << 20));
        ASSERT_EQ(file.write(QByteArray(4096, 'b')), 4096);
        ASSERT_TRUE(file.resize(qint64(64) << 20));
    }
    struct stat info;
    ASSERT_EQ(::stat(QFile::encodeName(path).constData(), &info), 0);
    if (qint64(info.st_blocks) * 512 > (1 << 20))
        GTEST_SKIP() << "this file system does not keep holes";

    // The holes are skipped, not walked in chunks: a handful of questions, not a thousand.
    auto asked = std::make_shared<int>(0);
    const QString whole = TestSupport::makeFolder("cancel-sparse-whole");
    const QStringList copied = FileOps::copy({path}, whole, [asked] { return ++*asked < 0; });
    ASSERT_EQ(copied.size(), 1);
    EXPECT_LT(*asked, 10);
    EXPECT_EQ(TestSupport::readFile(copied.first()), TestSupport::readFile(path));

    // Cancelled at the second data extent: the partial copy goes.
    const QString dst = TestSupport::makeFolder("cancel-sparse-dst");
    EXPECT_EQ(cancelledCode([&] { FileOps::copy({path}, dst, cancelAt(4)); }), ECANCELED);
    EXPECT_TRUE(namesIn(dst).isEmpty());
}

TEST(FileJobs, CancelledArchivesLeaveNothingBehind)
{
    const QString folder = TestSupport::makeFolder("zip-cancel");
    const QStringList sources = threeFiles(folder);
    EXPECT_EQ(cancelledCode([&] { FileOps::zip(sources, cancelAt(4)); }), ECANCELED);
    EXPECT_EQ(namesIn(folder), QStringList({"a.bin", "b.bin", "c.bin"}));

    const QString archive = FileOps::zip(sources);
    const QStringList before = namesIn(folder);
    ASSERT_EQ(before.size(), 4);
    for (int n : {1, 3, 6}) {
        SCOPED_TRACE(n);
        EXPECT_EQ(cancelledCode([&] { FileOps::extract(archive, cancelAt(n)); }), ECANCELED);
        EXPECT_EQ(namesIn(folder), before);
    }
    const QString extracted = FileOps::extract(archive, cancelAt(1000));
    EXPECT_EQ(namesIn(extracted), QStringList({"a.bin", "b.bin", "c.bin"}));
}
