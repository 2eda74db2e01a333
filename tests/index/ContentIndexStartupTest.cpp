#include "BrowserState.h"
#include "ContentIndex.h"
#include "Defaults.h"
#include "TestSupport.h"

#include <QTest>

#include <gtest/gtest.h>

// The browser's start-up starts the shared content index when the user switched it on,
// and leaves it alone otherwise.
TEST(ContentIndexStartup, BootstrapStartsTheIndexWhenEnabled)
{
    const QString root = TestSupport::makeFolder("indexed");
    TestSupport::writeFile(root + "/note.txt", "a note about the lighthouse");
    Defaults::shared().setValue(ContentIndex::pathsKey, QVariantList{root});
    Defaults::shared().setValue(ContentIndex::enabledKey, true);
    ContentIndex &index = ContentIndex::shared();
    int scans = 0;
    QObject::connect(&index, &ContentIndex::isIndexingChanged, [&] { scans += index.isIndexing(); });

    BrowserState browser;
    browser.bootstrap();
    ASSERT_TRUE(QTest::qWaitFor([&] { return scans == 1 && !index.isIndexing(); }, 20000));
    EXPECT_EQ(index.indexedCount(), 1);
    EXPECT_TRUE(index.lastIndexedAt().has_value());
    index.stop();
}

TEST(ContentIndexStartup, BootstrapLeavesASwitchedOffIndexAlone)
{
    const QString root = TestSupport::makeFolder("indexed");
    TestSupport::writeFile(root + "/note.txt", "text");
    Defaults::shared().setValue(ContentIndex::pathsKey, QVariantList{root});
    ContentIndex &index = ContentIndex::shared();
    ASSERT_FALSE(index.enabled());
    BrowserState browser;
    browser.bootstrap();
    QTest::qWait(500);
    EXPECT_FALSE(index.isIndexing());
    EXPECT_FALSE(index.lastIndexedAt().has_value());
    EXPECT_FALSE(QFileInfo::exists(ContentIndex::defaultDatabasePath()));
}
