#include "ContentIndexScanner.h"
#include "Defaults.h"
#include "FileOps.h"
#include "IndexTestSupport.h"

#include <QDir>
#include <QSemaphore>
#include <QSignalSpy>

#include <gtest/gtest.h>

#include <atomic>
#include <sys/stat.h>
#include <unistd.h>

using namespace IndexTest;

namespace {

QStringList listed(const QStringList &roots)
{
    QStringList result;
    for (const IndexedFile &file : ContentIndexScanner::files(roots))
        result << file.path;
    return result;
}

// An index over one folder, switched on, its first scan done.
struct RunningIndex
{
    explicit RunningIndex(const QString &root, ContentIndexScan::Extract extract = {})
    {
        Defaults::shared().setValue(ContentIndex::pathsKey, QVariantList{root});
        index = std::make_unique<ContentIndex>(config(extract ? extract : extractor.function()));
        scans = std::make_unique<ScanCounter>(*index);
        index->setEnabled(true);
    }
    bool firstScanDone() { return scans->waitForScans(1); }

    FakeExtractor extractor;
    std::unique_ptr<ContentIndex> index;
    std::unique_ptr<ScanCounter> scans;
};

} // namespace

TEST(ContentIndexWalk, ListsRegularFilesOnlyAndSkipsHiddenAndDevelopmentFolders)
{
    const QString root = TestSupport::makeFolder("walk");
    TestSupport::writeFile(root + "/a.txt", "a");
    TestSupport::writeFile(root + "/.hidden.txt", "h");
    TestSupport::writeFile(root + "/.secret/inside.txt", "s");
    TestSupport::writeFile(root + "/node_modules/pkg/index.txt", "n");
    TestSupport::writeFile(root + "/sub/deeper/b.txt", "b");
    TestSupport::writeFile(root + "/sub/node_modules", "a plain file named like a skipped folder");
    TestSupport::writeFile(root + "/sub/c.txt", "c");
    TestSupport::writeFile(root + "/empty.txt", "");
    TestSupport::writeFile(TestSupport::root() + "/outside/secret.txt", "outside");
    ASSERT_EQ(::mkfifo(QFile::encodeName(root + "/pipe").constData(), 0600), 0);
    ASSERT_EQ(::symlink(QFile::encodeName(TestSupport::root() + "/outside/secret.txt").constData(),
                        QFile::encodeName(root + "/link.txt").constData()), 0);
    ASSERT_EQ(::symlink(QFile::encodeName(TestSupport::root() + "/outside").constData(),
                        QFile::encodeName(root + "/linkdir").constData()), 0);

    QStringList found = listed({root, TestSupport::root() + "/missing"});
    found.sort();
    EXPECT_EQ(found, QStringList({root + "/a.txt", root + "/empty.txt", root + "/sub/c.txt",
                                  root + "/sub/deeper/b.txt"}));

    const auto files = ContentIndexScanner::files({root + "/sub/deeper"});
    ASSERT_EQ(files.size(), 1);
    EXPECT_EQ(files[0].size, 1);
    EXPECT_NEAR(files[0].modified, double(QFileInfo(root + "/sub/deeper/b.txt").lastModified().toMSecsSinceEpoch()) / 1000, 0.002);
    // Nested roots list the inner files twice.
    EXPECT_EQ(listed({root + "/sub", root + "/sub/deeper"}).count(root + "/sub/deeper/b.txt"), 2);
}

TEST(ContentIndexScan, ReadsAFileAgainOnlyWhenItsTimeOrSizeChanged)
{
    const QString root = TestSupport::makeFolder("docs");
    const QString file = root + "/a.txt";
    TestSupport::writeFile(file, "12345");
    setModified(file, 1700000000.25);
    RunningIndex running(root);
    ASSERT_TRUE(running.firstScanDone());
    ASSERT_EQ(running.extractor.calls(), QStringList{file});

    const struct
    {
        const char *what;
        double modified;
        QByteArray content;
        bool readAgain;
    } steps[] = {
        {"moved by 0.0005 s", 1700000000.2505, "12345", false},
        {"moved by 0.002 s", 1700000000.2525, "12345", true},
        {"same time, other size", 1700000000.2525, "123456", true},
        {"nothing changed", 1700000000.2525, "123456", false},
    };
    int scans = 1;
    for (const auto &step : steps) {
        SCOPED_TRACE(step.what);
        TestSupport::writeFile(file, step.content);
        setModified(file, step.modified);
        running.extractor.reset();
        running.index->rebuild();
        ASSERT_TRUE(running.scans->waitForScans(++scans));
        EXPECT_EQ(running.extractor.calls().size(), step.readAgain ? 1 : 0);
    }
    EXPECT_EQ(paths(await(running.index->search("123456"))), QStringList{file});
}

TEST(ContentIndexScan, CountsEveryTwentyFilesAndEndsAtFullProgress)
{
    const QString root = TestSupport::makeFolder("many");
    for (int i = 0; i < 45; ++i)
        TestSupport::writeFile(root + QStringLiteral("/%1.txt").arg(i), "text");
    Defaults::shared().setValue(ContentIndex::pathsKey, QVariantList{root});
    FakeExtractor extractor;
    ContentIndex index(config(extractor.function()));
    QList<int> counts;
    QObject::connect(&index, &ContentIndex::indexedCountChanged, [&] { counts << index.indexedCount().value_or(-1); });
    ScanCounter scans(index);
    index.setEnabled(true);
    ASSERT_TRUE(scans.waitForScans(1));
    EXPECT_EQ(counts, QList<int>({1, 21, 41, 45}));
    EXPECT_EQ(index.progress(), 1.0);
}

TEST(ContentIndexScan, NestedRootsReadTheirFilesOnce)
{
    const QString root = TestSupport::makeFolder("outer");
    TestSupport::writeFile(root + "/inner/a.txt", "a");
    Defaults::shared().setValue(ContentIndex::pathsKey, QVariantList{root, root + "/inner"});
    FakeExtractor extractor;
    ContentIndex index(config(extractor.function()));
    ScanCounter scans(index);
    index.setEnabled(true);
    ASSERT_TRUE(scans.waitForScans(1));
    EXPECT_EQ(extractor.calls(), QStringList{root + "/inner/a.txt"});
    EXPECT_EQ(index.indexedCount(), 1);
}

TEST(ContentIndexScan, MissingRootsLoseTheirDocuments)
{
    const QString root = TestSupport::makeFolder("docs");
    TestSupport::writeFile(root + "/a.txt", "alpha");
    RunningIndex running(root);
    ASSERT_TRUE(running.firstScanDone());
    ASSERT_EQ(running.index->indexedCount(), 1);
    QDir(root).removeRecursively();
    running.index->rebuild();
    ASSERT_TRUE(running.scans->waitForScans(2));
    EXPECT_EQ(running.index->indexedCount(), 0);
    EXPECT_EQ(running.index->roots(), QStringList{root});
}

TEST(ContentIndexScan, NothingIsStoredAfterStopClearOrRemovalDuringASlowExtraction)
{
    const std::function<void(ContentIndex &, const QString &)> actions[] = {
        [](ContentIndex &index, const QString &) { index.stop(); },
        [](ContentIndex &index, const QString &) { index.setEnabled(false); },
        [](ContentIndex &index, const QString &) { index.clearStoredData(); },
        [](ContentIndex &index, const QString &root) { index.removeRoot(root); },
    };
    int round = 0;
    for (const auto &action : actions) {
        SCOPED_TRACE(round);
        const QString root = TestSupport::makeFolder(QStringLiteral("slow%1").arg(round));
        const QString other = TestSupport::makeFolder(QStringLiteral("other%1").arg(round++));
        TestSupport::writeFile(root + "/slow.txt", "slowly read words");
        TestSupport::writeFile(other + "/kept.txt", "kept");
        Defaults::shared().setValue(ContentIndex::pathsKey, QVariantList{root});

        QSemaphore entered;
        QSemaphore release;
        ContentIndexConfig c = config([&](const QString &path) {
            entered.release();
            release.acquire();
            return Extraction{QString::fromUtf8(TestSupport::readFile(path)), QStringLiteral("text")};
        });
        c.databasePath = TestSupport::root() + QStringLiteral("/db%1/index.sqlite").arg(round);
        {
            ContentIndex index(c);
            index.setEnabled(true);
            ASSERT_TRUE(waitFor([&] { return entered.available() > 0; }));
            action(index, root);
            EXPECT_FALSE(index.isIndexing());
            release.release(10);
            QTest::qWait(300); // the extraction ends; its text must go nowhere
            EXPECT_FALSE(index.isIndexing());
            ContentIndexConnection check;
            check.open(c.databasePath);
            EXPECT_EQ(check.count(), 0);
        }
        Extractor::pool().waitForDone();
    }
}

TEST(ContentIndexScan, BurstsOfChangesLeadToOneRescan)
{
    const QString root = TestSupport::makeFolder("watched");
    TestSupport::writeFile(root + "/first.txt", "first");
    RunningIndex running(root);
    ASSERT_TRUE(running.firstScanDone());
    QTest::qWait(300); // the watches are in place

    for (int i = 0; i < 10; ++i) {
        TestSupport::writeFile(root + QStringLiteral("/burst%1.txt").arg(i), "burst");
        QTest::qWait(60);
    }
    ASSERT_TRUE(running.scans->waitForScans(2));
    QTest::qWait(800);
    EXPECT_EQ(running.scans->started, 2);
    EXPECT_EQ(running.index->indexedCount(), 11);
}

TEST(ContentIndexScan, AChangeOfModeOnlyDoesNotRescan)
{
    const QString root = TestSupport::makeFolder("watched");
    TestSupport::writeFile(root + "/a.txt", "a");
    RunningIndex running(root);
    ASSERT_TRUE(running.firstScanDone());
    QTest::qWait(300);
    ::chmod(QFile::encodeName(root + "/a.txt").constData(), 0600);
    QTest::qWait(1000);
    EXPECT_EQ(running.scans->started, 1);
}

TEST(ContentIndexScan, AMoveMadeByTheProgramItselfIsFollowed)
{
    const QString root = TestSupport::makeFolder("watched");
    TestSupport::writeFile(root + "/report.txt", "quarterly numbers");
    TestSupport::makeFolder("watched/archive");
    RunningIndex running(root);
    ASSERT_TRUE(running.firstScanDone());
    QTest::qWait(300);

    const QStringList moved = FileOps::move({root + "/report.txt"}, root + "/archive");
    ASSERT_TRUE(running.scans->waitForScans(2));
    EXPECT_EQ(paths(await(running.index->search("quarterly"))), moved);
}

TEST(ContentIndexScan, SkippedFoldersGetNoWatches)
{
    // A change inside node_modules would otherwise rescan; its folder is not watched.
    const QString root = TestSupport::makeFolder("watched");
    TestSupport::writeFile(root + "/node_modules/pkg/a.txt", "a");
    TestSupport::writeFile(root + "/.cache/b.txt", "b");
    RunningIndex running(root);
    ASSERT_TRUE(running.firstScanDone());
    QTest::qWait(300);
    TestSupport::writeFile(root + "/node_modules/pkg/c.txt", "c");
    TestSupport::writeFile(root + "/.cache/d.txt", "d");
    QTest::qWait(1000);
    EXPECT_EQ(running.scans->started, 1);
    EXPECT_EQ(running.index->indexedCount(), 0);
}
