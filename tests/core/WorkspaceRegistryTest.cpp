#include "CoreError.h"
#include "CoreTestSupport.h"
#include "JsonCoding.h"
#include "Localization.h"
#include "MarovelPaths.h"
#include "TestSupport.h"
#include "Workspace.h"

#include <QFileInfo>

#include <functional>

#include <gtest/gtest.h>

#include <unistd.h>

namespace {

WorkspaceRegistry &registry()
{
    return WorkspaceRegistry::shared();
}

class Registry : public testing::Test
{
protected:
    void SetUp() override { Loc::shared().setOverride(QStringLiteral("zh-Hans")); }
};

TEST_F(Registry, SlugsAreMadeFromFolderNames)
{
    const struct
    {
        const char *name;
        const char *slug;
    } cases[] = {
        {"My Docs (2024)", "my-docs-2024"},
        {"发票 2025", "发票-2025"},
        {"___", "workspace"},
        {"Ünïcode_Names.v2", "ünïcode-names-v2"},
        {"a--b  c", "a-b-c"},
        {"2024", "2024"},
        {"😀", "workspace"},
    };
    for (const auto &c : cases)
        EXPECT_EQ(workspaceSlug(QString::fromUtf8(c.name)), QString::fromUtf8(c.slug)) << c.name;
}

TEST_F(Registry, ListingAFreshDataFolderCreatesItAndIsEmpty)
{
    EXPECT_FALSE(QFileInfo::exists(MarovelPaths::base()));
    EXPECT_TRUE(registry().list().isEmpty());
    EXPECT_TRUE(QFileInfo(MarovelPaths::plans()).isDir());
    EXPECT_FALSE(QFileInfo::exists(MarovelPaths::roots()));
    EXPECT_FALSE(registry().rootContaining(TestSupport::root()));
}

TEST_F(Registry, SameNamesGetNumberedIdentifiersAndFreedOnesAreReused)
{
    const Workspace a = registry().add(TestSupport::makeFolder("one/Docs"));
    const Workspace b = registry().add(TestSupport::makeFolder("two/Docs"));
    const Workspace c = registry().add(TestSupport::makeFolder("three/Docs"));
    EXPECT_EQ(a.id, QStringLiteral("docs"));
    EXPECT_EQ(b.id, QStringLiteral("docs-2"));
    EXPECT_EQ(c.id, QStringLiteral("docs-3"));
    EXPECT_EQ(a.name, QStringLiteral("Docs"));

    registry().remove(QStringLiteral("docs"));
    const Workspace d = registry().add(TestSupport::makeFolder("four/Docs"));
    EXPECT_EQ(d.id, QStringLiteral("docs"));
    QStringList order;
    for (const Workspace &w : registry().list())
        order << w.id;
    EXPECT_EQ(order, (QStringList{"docs-2", "docs-3", "docs"}));
}

TEST_F(Registry, RefusesDuplicatesFilesAndMissingFolders)
{
    const QString folder = TestSupport::makeFolder("real/Docs");
    const QString link = TestSupport::root() + "/link";
    ASSERT_EQ(::symlink(QFile::encodeName(folder).constData(), QFile::encodeName(link).constData()), 0);
    const Workspace added = registry().add(folder + "/../Docs/.");
    EXPECT_EQ(added.path, folder);

    EXPECT_EQ(errorOf([&] { registry().add(folder); }), QStringLiteral("工作区已存在：") + folder);
    EXPECT_EQ(errorOf([&] { registry().add(link); }), QStringLiteral("工作区已存在：") + folder);

    const QString file = TestSupport::root() + "/file.txt";
    TestSupport::writeFile(file, "x");
    EXPECT_EQ(errorOf([&] { registry().add(file); }), QStringLiteral("不是文件夹：") + file);
    const QString missing = TestSupport::root() + "/missing";
    EXPECT_EQ(errorOf([&] { registry().add(missing); }), QStringLiteral("不是文件夹：") + missing);
    EXPECT_EQ(registry().list().size(), 1);
}

TEST_F(Registry, RemovingAnUnknownIdentifierFailsEvenWithoutAFile)
{
    EXPECT_EQ(errorOf([] { registry().remove("nope"); }), QStringLiteral("未找到工作区：nope"));
    EXPECT_EQ(errorOf([] { registry().root("nope"); }), QStringLiteral("未找到工作区：nope"));
    const Workspace only = registry().add(TestSupport::makeFolder("Only"));
    registry().remove(only.id);
    EXPECT_EQ(TestSupport::readFile(MarovelPaths::roots()), QByteArray("[]"));
    EXPECT_TRUE(registry().list().isEmpty());
}

TEST_F(Registry, InnermostWorkspaceContainsAPath)
{
    const QString docs = TestSupport::makeFolder("u/Docs");
    const QString tax = TestSupport::makeFolder("u/Docs/Tax");
    TestSupport::makeFolder("u/Docs2");
    registry().add(docs);
    registry().add(tax);

    EXPECT_EQ(registry().rootContaining(tax + "/2024/file.pdf")->path, tax);
    EXPECT_EQ(registry().rootContaining(docs + "/other")->path, docs);
    EXPECT_EQ(registry().rootContaining(docs)->path, docs);
    EXPECT_FALSE(registry().rootContaining(TestSupport::root() + "/u/Docs2/file"));

    EXPECT_TRUE(inside("/a/b", "/a/b"));
    EXPECT_TRUE(inside("/a/b/c", "/a/b/"));
    EXPECT_TRUE(inside("/a/b/./c/../d", "/a/b"));
    EXPECT_FALSE(inside("/a/bc", "/a/b"));
    EXPECT_FALSE(inside("/a/b/../c", "/a/b"));
    EXPECT_TRUE(inside("/anything", "/"));
}

TEST_F(Registry, FileIsPrettySortedAndKeepsWholeSeconds)
{
    const QString folder = TestSupport::makeFolder("Stamp");
    const QDateTime when = QDateTime(QDate(2024, 1, 2), QTime(8, 5, 9, 750), Qt::UTC);
    const QByteArray file = JsonCoding::pretty(QJsonArray{
        Workspace{"stamp", "Stamp", folder, when}.toJson()});
    TestSupport::writeFile(MarovelPaths::roots(), file);
    const QList<Workspace> read = registry().list();
    ASSERT_EQ(read.size(), 1);
    EXPECT_EQ(read[0].createdAt, QDateTime(QDate(2024, 1, 2), QTime(8, 5, 9), Qt::UTC));
    EXPECT_TRUE(file.startsWith("[\n  {\n    \"createdAt\" : \"2024-01-02T08:05:09Z\",\n    \"id\" : \"stamp\","));

    // The next write keeps the same form, and the added record has whole seconds too.
    const Workspace added = registry().add(TestSupport::makeFolder("Next"));
    EXPECT_EQ(added.createdAt.time().msec(), 0);
    EXPECT_EQ(registry().list().last(), added);
}

TEST_F(Registry, UnreadableRegistryFailsEveryOperationAndStaysAsItWas)
{
    const QByteArray fractional =
        "[{\"createdAt\":\"2024-01-02T08:05:09.750Z\",\"id\":\"a\",\"name\":\"A\",\"path\":\"/a\"}]";
    const QByteArray missingMember = "[{\"createdAt\":\"2024-01-02T08:05:09Z\",\"id\":\"a\",\"name\":\"A\"}]";
    const QString folder = TestSupport::makeFolder("Fresh");
    for (const QByteArray &content : {fractional, missingMember, QByteArray("{}"), QByteArray("not json")}) {
        TestSupport::writeFile(MarovelPaths::roots(), content);
        EXPECT_THROW(registry().list(), DecodingError) << content.constData();
        EXPECT_THROW(registry().add(folder), DecodingError);
        EXPECT_THROW(registry().remove("a"), DecodingError);
        EXPECT_THROW(registry().rootContaining(folder), DecodingError);
        EXPECT_EQ(TestSupport::readFile(MarovelPaths::roots()), content);
    }
}

TEST_F(Registry, DataFolderThatCannotBeMadeFailsTheCall)
{
    TestSupport::writeFile(TestSupport::root() + "/plainfile", "x");
    const QByteArray saved = qgetenv("MAROVEL_HOME");
    qputenv("MAROVEL_HOME", (TestSupport::root() + "/plainfile/home").toUtf8());
    EXPECT_THROW(registry().list(), FileSystemError);
    qputenv("MAROVEL_HOME", saved);
}

} // namespace
