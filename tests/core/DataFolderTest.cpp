#include "CoreError.h"
#include "FileSystem.h"
#include "Localization.h"
#include "MarovelPaths.h"
#include "TestSupport.h"

#include <QDir>
#include <QFileInfo>
#include <QStandardPaths>

#include <gtest/gtest.h>

namespace {

class DataFolder : public testing::Test
{
protected:
    void TearDown() override { qputenv("MAROVEL_HOME", saved); }
    QByteArray saved = qgetenv("MAROVEL_HOME");
};

TEST_F(DataFolder, EmptyOrUnsetHomeMeansTheApplicationDataFolder)
{
    const QString appSupport =
        QStandardPaths::writableLocation(QStandardPaths::GenericDataLocation) + "/Marovel";
    EXPECT_EQ(MarovelPaths::appSupport(), appSupport);
    EXPECT_TRUE(appSupport.startsWith(TestSupport::root()));

    qputenv("MAROVEL_HOME", "");
    EXPECT_EQ(MarovelPaths::base(), appSupport);
    qunsetenv("MAROVEL_HOME");
    EXPECT_EQ(MarovelPaths::base(), appSupport);
    EXPECT_EQ(MarovelPaths::roots(), appSupport + "/workspaces.json");
    EXPECT_EQ(MarovelPaths::plans(), appSupport + "/plans");
    EXPECT_EQ(MarovelPaths::journal(), appSupport + "/transactions.jsonl");
}

TEST_F(DataFolder, TildeIsLiteralAndRelativeToTheCurrentFolder)
{
    const QString cwd = TestSupport::makeFolder("cwd");
    const QString before = QDir::currentPath();
    ASSERT_TRUE(QDir::setCurrent(cwd));
    qputenv("MAROVEL_HOME", "~/x");
    EXPECT_EQ(MarovelPaths::base(), cwd + "/~/x");
    MarovelPaths::prepare();
    EXPECT_TRUE(QFileInfo(cwd + "/~/x/plans").isDir());
    EXPECT_FALSE(QFileInfo::exists(QDir::homePath() + "/x"));
    QDir::setCurrent(before);
}

TEST_F(DataFolder, PrepareCreatesBaseAndPlansAndReportsWhatBlocksIt)
{
    const QString home = TestSupport::root() + "/fresh/nested";
    qputenv("MAROVEL_HOME", home.toUtf8());
    MarovelPaths::prepare();
    MarovelPaths::prepare(); // an existing folder is no error
    EXPECT_TRUE(QFileInfo(home + "/plans").isDir());

    TestSupport::writeFile(TestSupport::root() + "/blocker", "file");
    qputenv("MAROVEL_HOME", (TestSupport::root() + "/blocker/home").toUtf8());
    try {
        MarovelPaths::prepare();
        FAIL() << "prepare() succeeded below a file";
    } catch (const FileSystemError &e) {
        EXPECT_TRUE(e.description().contains("blocker/home/plans")) << e.what();
    }
}

TEST(CollaborationErrors, DescriptionFollowsTheLanguageOfTheMoment)
{
    const CollaborationError error(CollaborationError::AlreadyUndone);
    Loc::shared().setOverride(QStringLiteral("zh-Hans"));
    EXPECT_EQ(error.description(), QStringLiteral("该操作已撤销，无法重复撤销"));
    Loc::shared().setOverride(QStringLiteral("en"));
    EXPECT_EQ(error.description(),
              QStringLiteral("This operation has already been undone and cannot be undone again"));
    EXPECT_STREQ(error.what(), "This operation has already been undone and cannot be undone again");
    Loc::shared().setOverride(std::nullopt);

    EXPECT_EQ(CollaborationError(CollaborationError::WorkspaceRevoked),
              CollaborationError(CollaborationError::WorkspaceRevoked));
    EXPECT_FALSE(error == CollaborationError(CollaborationError::WorkspaceRevoked));
}

TEST(CoreErrors, CarryTheTextOfTheLanguageWhenThrown)
{
    Loc::shared().setOverride(QStringLiteral("zh-Hans"));
    const CoreError error(L("无法创建文件夹“%@”：%@", "/x", "reason"));
    Loc::shared().setOverride(QStringLiteral("en"));
    EXPECT_EQ(error.description(), QStringLiteral("无法创建文件夹“/x”：reason"));
    Loc::shared().setOverride(std::nullopt);
}

} // namespace
