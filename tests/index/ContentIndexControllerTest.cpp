#include "Defaults.h"
#include "IndexTestSupport.h"
#include "Localization.h"

#include <QDir>
#include <QSignalSpy>
#include <QThread>

#include <gtest/gtest.h>
#include <sqlite3.h>

using namespace IndexTest;

namespace {

QString home()
{
    return QDir::homePath();
}

// The description of the search's failure; "" when it answered.
QString failureOf(QFuture<QList<ContentIndex::SearchResult>> search)
{
    (void)QTest::qWaitFor([&] { return search.isFinished(); }, 20000);
    try {
        search.waitForFinished();
        return {};
    } catch (const ContentIndexError &error) {
        return error.description();
    }
}

} // namespace

TEST(ContentIndexController, TheDatabaseLiesInTheDataFolderWhateverMarovelHomeSays)
{
    EXPECT_EQ(ContentIndex::defaultDatabasePath(),
              qEnvironmentVariable("XDG_DATA_HOME") + "/Marovel/content-index.sqlite");
    EXPECT_FALSE(ContentIndex::defaultDatabasePath().startsWith(qEnvironmentVariable("MAROVEL_HOME")));
}

TEST(ContentIndexController, InitialRootsFromAbsentOrStoredSettings)
{
    {
        ContentIndex index(config());
        EXPECT_EQ(index.roots(), QStringList()) << "neither Downloads nor Desktop exists";
        EXPECT_FALSE(index.enabled());
        EXPECT_FALSE(index.lastIndexedAt().has_value());
    }
    QDir().mkpath(home() + "/Desktop");
    QDir().mkpath(home() + "/Downloads");
    {
        ContentIndex index(config());
        EXPECT_EQ(index.roots(), QStringList({home() + "/Downloads", home() + "/Desktop"}));
    }
    // A stored empty list is a choice: no roots, never the default folders.
    Defaults::shared().setValue(ContentIndex::pathsKey, QVariantList());
    {
        ContentIndex index(config());
        EXPECT_EQ(index.roots(), QStringList());
    }
    // Stored paths are taken as they are, in their order, existing or not.
    Defaults::shared().setValue(ContentIndex::pathsKey, QVariantList{"/nowhere/b", "/nowhere/a"});
    Defaults::shared().setValue(ContentIndex::enabledKey, true);
    const QDateTime last = QDateTime(QDate(2025, 3, 1), QTime(8, 30), Qt::UTC);
    Defaults::shared().setValue(ContentIndex::lastIndexedAtKey, last);
    {
        ContentIndex index(config());
        EXPECT_EQ(index.roots(), QStringList({"/nowhere/b", "/nowhere/a"}));
        EXPECT_TRUE(index.enabled());
        EXPECT_EQ(index.lastIndexedAt(), last);
    }
}

TEST(ContentIndexController, AddRootCleansOrdersAndRefuses)
{
    Defaults::shared().setValue(ContentIndex::pathsKey, QVariantList());
    const QString base = TestSupport::makeFolder("roots");
    for (const QString name : {"a10", "a2", "B"})
        TestSupport::makeFolder("roots/" + name);
    TestSupport::writeFile(base + "/plain.txt", "x");

    ContentIndex index(config());
    QSignalSpy rootsChanged(&index, &ContentIndex::rootsChanged);
    index.addRoot(base + "/a10");
    index.addRoot(base + "/B/../a2");  // stored without ".."
    index.addRoot(base + "/B");
    index.addRoot(base + "/a2");       // the same folder again, in its clean form
    index.addRoot(base + "/./a10");    // and in another written form
    index.addRoot(base + "/missing");  // does not exist
    index.addRoot(base + "/plain.txt"); // a plain file is accepted
    EXPECT_EQ(index.roots(),
              QStringList({base + "/a2", base + "/a10", base + "/B", base + "/plain.txt"}));
    EXPECT_EQ(rootsChanged.count(), 4);
    EXPECT_EQ(Defaults::shared().stringList(ContentIndex::pathsKey), index.roots());
    // Off: nothing is scanned.
    EXPECT_FALSE(index.isIndexing());
}

TEST(ContentIndexController, EnablingTwiceStartsOneScan)
{
    const QString root = TestSupport::makeFolder("docs");
    for (int i = 0; i < 3; ++i)
        TestSupport::writeFile(root + QStringLiteral("/%1.txt").arg(i), "text");
    Defaults::shared().setValue(ContentIndex::pathsKey, QVariantList{root});
    FakeExtractor extractor;
    ContentIndex index(config(extractor.function()));
    QSignalSpy enabledChanged(&index, &ContentIndex::enabledChanged);
    QList<double> progress;
    QObject::connect(&index, &ContentIndex::progressChanged, [&] { progress << index.progress(); });
    ScanCounter scans(index);

    index.setEnabled(true);
    index.setEnabled(true);
    ASSERT_TRUE(scans.waitForScans(1));
    QTest::qWait(200);
    EXPECT_EQ(scans.started, 1);
    EXPECT_EQ(enabledChanged.count(), 1);
    EXPECT_EQ(progress, QList<double>({1.0 / 3, 2.0 / 3, 1.0}));
    EXPECT_EQ(extractor.calls().size(), 3);
    EXPECT_EQ(index.indexedCount(), 3);
    EXPECT_TRUE(index.lastIndexedAt().has_value());
    EXPECT_EQ(Defaults::shared().date(ContentIndex::lastIndexedAtKey), *index.lastIndexedAt());
    EXPECT_TRUE(Defaults::shared().boolValue(ContentIndex::enabledKey));
    EXPECT_EQ(index.lastError(), QString());

    index.setEnabled(false);
    EXPECT_FALSE(Defaults::shared().boolValue(ContentIndex::enabledKey, true));
    EXPECT_EQ(await(index.search("text")).size(), 0) << "off: no results";
}

TEST(ContentIndexController, SearchAnswersOnTheGuiThread)
{
    const QString root = TestSupport::makeFolder("docs");
    TestSupport::writeFile(root + "/hotel.txt", "杭州盈阳酒店 booking confirmation");
    TestSupport::writeFile(root + "/bank.txt", "招商银行 statement");
    Defaults::shared().setValue(ContentIndex::pathsKey, QVariantList{root});
    FakeExtractor extractor;
    ContentIndex index(config(extractor.function()));
    ScanCounter scans(index);
    index.setEnabled(true);
    ASSERT_TRUE(scans.waitForScans(1));

    QFuture<QList<ContentIndex::SearchResult>> pending = index.search("  盈阳酒店 ");
    QFutureWatcher<QList<ContentIndex::SearchResult>> watcher;
    QThread *finishedOn = nullptr;
    QObject::connect(&watcher, &QFutureWatcherBase::finished, [&] { finishedOn = QThread::currentThread(); });
    watcher.setFuture(pending);
    const auto results = await(pending);
    ASSERT_EQ(results.size(), 1);
    EXPECT_EQ(results[0].id, root + "/hotel.txt");
    EXPECT_EQ(results[0].url, QUrl::fromLocalFile(root + "/hotel.txt"));
    EXPECT_EQ(results[0].name, "hotel.txt");
    EXPECT_EQ(results[0].directory, root);
    EXPECT_EQ(results[0].source, "text");
    EXPECT_EQ(results[0].snippet, "杭州盈阳酒店 booking confirmation");
    EXPECT_TRUE(QTest::qWaitFor([&] { return finishedOn != nullptr; }));
    EXPECT_EQ(finishedOn, QThread::currentThread());

    EXPECT_EQ(paths(await(index.search("statement"))), QStringList{root + "/bank.txt"});
    EXPECT_TRUE(await(index.search(" \n ")).isEmpty());
    EXPECT_TRUE(await(index.search(QString(2, QChar(0)))).isEmpty());
}

TEST(ContentIndexController, RemovingAPathThatIsNoRootStillDeletesItsDocuments)
{
    const QString root = TestSupport::makeFolder("docs");
    TestSupport::writeFile(root + "/sub/a.txt", "alpha");
    TestSupport::writeFile(root + "/b.txt", "beta");
    Defaults::shared().setValue(ContentIndex::pathsKey, QVariantList{root});
    FakeExtractor extractor;
    ContentIndex index(config(extractor.function()));
    ScanCounter scans(index);
    index.setEnabled(true);
    ASSERT_TRUE(scans.waitForScans(1));
    index.setEnabled(false);

    index.removeRoot(root + "/sub");
    EXPECT_EQ(index.roots(), QStringList{root});
    // Off: nothing is rescanned, but the documents below the path are gone.
    index.setEnabled(true);
    ASSERT_TRUE(scans.waitForScans(2));
    // The rescan read the file again, because its document had been deleted.
    EXPECT_EQ(extractor.calls().count(root + "/sub/a.txt"), 2);
}

TEST(ContentIndexController, ClearingLeavesTheIndexStoppedAndEmpty)
{
    const QString root = TestSupport::makeFolder("docs");
    TestSupport::writeFile(root + "/a.txt", "alpha");
    Defaults::shared().setValue(ContentIndex::pathsKey, QVariantList{root});
    FakeExtractor extractor;
    ContentIndex index(config(extractor.function()));
    ScanCounter scans(index);
    index.setEnabled(true);
    ASSERT_TRUE(scans.waitForScans(1));
    ASSERT_EQ(index.indexedCount(), 1);

    index.clearStoredData();
    ASSERT_TRUE(waitFor([&] { return index.indexedCount() == 0; }));
    EXPECT_FALSE(index.lastIndexedAt().has_value());
    EXPECT_FALSE(Defaults::shared().contains(ContentIndex::lastIndexedAtKey));
    EXPECT_TRUE(index.enabled());
    EXPECT_EQ(index.roots(), QStringList{root});
    EXPECT_TRUE(await(index.search("alpha")).isEmpty());

    // Stopped: a change is not watched and nothing scans.
    TestSupport::writeFile(root + "/b.txt", "beta");
    QTest::qWait(800);
    EXPECT_EQ(scans.started, 1);
    // A rebuild starts it again.
    index.rebuild();
    ASSERT_TRUE(scans.waitForScans(2));
    EXPECT_EQ(index.indexedCount(), 2);
}

TEST(ContentIndexController, AFailedOpenShowsTheErrorAndTheNextCallTriesAgain)
{
    Loc::shared().setOverride(QStringLiteral("zh-Hans"));
    const QString root = TestSupport::makeFolder("docs");
    TestSupport::writeFile(root + "/a.txt", "alpha");
    Defaults::shared().setValue(ContentIndex::pathsKey, QVariantList{root});
    FakeExtractor extractor;
    ContentIndexConfig c = config(extractor.function());
    // A file stands where the database's folder should be.
    TestSupport::writeFile(TestSupport::root() + "/db", "in the way");
    ContentIndex index(c);
    QSignalSpy errors(&index, &ContentIndex::lastErrorChanged);
    index.setEnabled(true);
    ASSERT_TRUE(waitFor([&] { return !index.lastError().isEmpty(); }));
    EXPECT_TRUE(index.lastError().startsWith("无法创建文件夹")) << index.lastError().toStdString();
    EXPECT_FALSE(index.isIndexing());
    EXPECT_EQ(failureOf(index.search("alpha")), index.lastError()) << "a failed open is no empty answer";

    QFile::remove(TestSupport::root() + "/db");
    ScanCounter scans(index);
    index.startIfNeeded();
    ASSERT_TRUE(scans.waitForScans(1));
    EXPECT_EQ(index.lastError(), QString());
    EXPECT_EQ(index.indexedCount(), 1);
    Loc::shared().setOverride(std::nullopt);
}

TEST(ContentIndexController, ASearchTheDatabaseCannotAnswerReportsWhyInsteadOfNothing)
{
    Loc::shared().setOverride(QStringLiteral("zh-Hans"));
    Defaults::shared().setValue(ContentIndex::pathsKey, QVariantList{TestSupport::makeFolder("docs")});
    ContentIndexConfig c = config();
    c.databaseOptions.busyTimeoutMs = 100;
    {
        // Another program holds the file locked: the index cannot open it.
        QDir().mkpath(QFileInfo(c.databasePath).path());
        sqlite3 *holder = nullptr;
        sqlite3_open(QFile::encodeName(c.databasePath).constData(), &holder);
        ASSERT_EQ(sqlite3_exec(holder, "PRAGMA locking_mode=EXCLUSIVE; BEGIN EXCLUSIVE;", nullptr, nullptr, nullptr),
                  SQLITE_OK);
        ContentIndex index(c);
        index.setEnabled(true);
        EXPECT_EQ(failureOf(index.search("harbour")), "本地索引读写失败：database is locked");
        EXPECT_EQ(index.lastError(), "本地索引读写失败：database is locked");
        // Released: the next search opens the file and answers.
        sqlite3_close(holder);
        EXPECT_EQ(failureOf(index.search("harbour")), QString());
        index.stop();
    }
    for (const QString suffix : {"", "-wal", "-shm"})
        QFile::remove(c.databasePath + suffix);
    {
        // A page of the file no longer reads.
        ContentIndexConnection writer;
        writer.open(c.databasePath);
        for (int i = 0; i < 60; ++i)
            writer.upsert(document(QStringLiteral("/c/%1.txt").arg(i), QStringLiteral("harbour log ").repeated(40)));
        writer.close();
        ASSERT_EQ(damage(c.databasePath, {"documents"}, Leaves::First), 1);
        ContentIndex index(c);
        index.setEnabled(true);
        EXPECT_EQ(failureOf(index.search("harbour")), "本地索引读写失败：database disk image is malformed");
        EXPECT_EQ(index.lastError(), "本地索引读写失败：database disk image is malformed");
        index.stop();
    }
    Loc::shared().setOverride(std::nullopt);
}

TEST(ContentIndexController, AFolderWhoseDocumentsCannotAllBeDeletedStaysListedWithTheError)
{
    Loc::shared().setOverride(QStringLiteral("zh-Hans"));
    const QString root = TestSupport::makeFolder("docs");
    Defaults::shared().setValue(ContentIndex::pathsKey, QVariantList{root});
    Defaults::shared().setValue(ContentIndex::enabledKey, false);
    ContentIndexConfig c = config();
    {
        // Enough long paths below the folder to fill several pages; the last page of the
        // table and of the path index no longer read.
        ContentIndexConnection writer;
        writer.open(c.databasePath);
        for (int i = 0; i < 120; ++i)
            writer.upsert(document(QStringLiteral("%1/%2/%3.txt").arg(root, QString(120, u'p')).arg(i), "x"));
    }
    ASSERT_EQ(damage(c.databasePath, {"documents", "sqlite_autoindex_documents_1"}, Leaves::Last), 2);
    ContentIndex index(c); // off: the removal deletes, nothing scans
    index.removeRoot(root);
    ASSERT_TRUE(waitFor([&] { return !index.lastError().isEmpty(); }));
    EXPECT_EQ(index.lastError(), "本地索引读写失败：database disk image is malformed");
    EXPECT_EQ(index.roots(), QStringList{root});
    EXPECT_EQ(Defaults::shared().stringList(ContentIndex::pathsKey), QStringList{root});
    Loc::shared().setOverride(std::nullopt);
}
