#include "CoreTestSupport.h"
#include "Localization.h"
#include "MarovelCore.h"
#include "TestSupport.h"
#include "Workspace.h"

#include <QFile>

#include <gtest/gtest.h>

#include <unistd.h>

namespace {

QStringList names(const QList<FileEntry> &entries)
{
    QStringList list;
    for (const FileEntry &entry : entries)
        list << entry.name;
    list.sort();
    return list;
}

class FileSearch : public testing::Test
{
protected:
    void SetUp() override
    {
        Loc::shared().setOverride(QStringLiteral("zh-Hans"));
        root = TestSupport::makeFolder("ws");
        outside = TestSupport::makeFolder("outside");
        workspace = WorkspaceRegistry::shared().add(root);
    }

    QString root;
    QString outside;
    Workspace workspace;
};

TEST_F(FileSearch, ContextListsAtMostAHundredVisibleChildren)
{
    for (int i = 0; i < 150; ++i)
        TestSupport::writeFile(root + "/many/f" + QString::number(i), "x");
    TestSupport::writeFile(root + "/hidden/.a", "x");
    TestSupport::writeFile(root + "/hidden/.b", "x");
    EXPECT_EQ(MarovelCore::context(root + "/many").size(), 100);
    EXPECT_TRUE(MarovelCore::context(root + "/hidden").isEmpty());

    const QList<FileEntry> top = MarovelCore::context(root);
    EXPECT_EQ(names(top), (QStringList{"hidden", "many"}));
    EXPECT_EQ(top[0].kind, QStringLiteral("directory"));
    EXPECT_FALSE(top[0].size.has_value());
    EXPECT_EQ(top[0].path, root + "/" + top[0].name);

    TestSupport::writeFile(root + "/one/file.txt", "12345");
    const FileEntry file = MarovelCore::context(root + "/one/").first();
    EXPECT_EQ(file.path, root + "/one/file.txt");
    EXPECT_EQ(file.kind, QStringLiteral("file"));
    EXPECT_EQ(file.size, 5);
    EXPECT_TRUE(file.modifiedAt.has_value());
}

TEST_F(FileSearch, ContextRefusesFoldersOutsideEveryWorkspace)
{
    const QString refused = QStringLiteral("目录不在已授权工作区内");
    link(outside, root + "/out");
    EXPECT_EQ(errorOf([&] { MarovelCore::context(outside); }), refused);
    EXPECT_EQ(errorOf([&] { MarovelCore::context(root + "/out"); }), refused);
    EXPECT_EQ(errorOf([&] { MarovelCore::context(root + "/../outside"); }), refused);
    // Inside, but not a folder that can be listed: the file system's error.
    TestSupport::writeFile(root + "/plain.txt", "x");
    EXPECT_THROW(MarovelCore::context(root + "/plain.txt"), FileSystemError);
    EXPECT_THROW(MarovelCore::context(root + "/missing"), FileSystemError);
}

TEST_F(FileSearch, ContextListsExactlyWhatWasAuthorised)
{
    // "link/.." is the workspace itself by the path's text; the kernel would read it as the
    // parent of the link's target. The folder authorised is the one listed.
    TestSupport::writeFile(root + "/mine.txt", "x");
    TestSupport::writeFile(outside + "/nested/deep.txt", "x");
    link(outside + "/nested", root + "/link");
    EXPECT_EQ(names(MarovelCore::context(root + "/link/..")), (QStringList{"link", "mine.txt"}));

    const QString withNul = root + "/link" + QChar(u'\0');
    EXPECT_EQ(errorOf([&] { MarovelCore::context(withNul); }), QStringLiteral("目录不在已授权工作区内"));
    EXPECT_FALSE(WorkspaceRegistry::shared().rootContaining(withNul));
}

TEST_F(FileSearch, ContextReportsLinksAsFilesWithoutFollowingThem)
{
    TestSupport::writeFile(outside + "/big.bin", QByteArray(4096, 'x'));
    link(outside + "/big.bin", root + "/link");
    const QList<FileEntry> entries = MarovelCore::context(root);
    ASSERT_EQ(entries.size(), 1);
    EXPECT_EQ(entries[0].kind, QStringLiteral("file"));
    EXPECT_NE(entries[0].size, 4096);
}

TEST_F(FileSearch, FindMatchesNamesCaseInsensitivelyAndPrunesDependencyFolders)
{
    TestSupport::writeFile(root + "/Invoice-2024.pdf", "x");
    TestSupport::writeFile(root + "/docs/old invoice.txt", "x");
    TestSupport::makeFolder("ws/invoices");
    TestSupport::writeFile(root + "/node_modules/invoice.js", "x");
    TestSupport::writeFile(root + "/.git/invoice", "x");
    TestSupport::writeFile(root + "/.hidden/invoice", "x");
    TestSupport::writeFile(root + "/node_modules2/invoice.md", "x");
    TestSupport::writeFile(root + "/.build/invoice", "x");

    const QList<FileEntry> found = MarovelCore::find("INVOICE", workspace.id, 50);
    EXPECT_EQ(names(found),
              (QStringList{"Invoice-2024.pdf", "invoice.md", "invoices", "old invoice.txt"}));
    for (const FileEntry &entry : found) {
        if (entry.name == u"invoices") {
            EXPECT_EQ(entry.kind, QStringLiteral("directory"));
            EXPECT_FALSE(entry.size.has_value());
        }
    }
    EXPECT_EQ(names(MarovelCore::find("node_modules", workspace.id, 50)), QStringList{"node_modules2"});
    EXPECT_TRUE(MarovelCore::find("", workspace.id, 50).isEmpty());
    EXPECT_EQ(errorOf([] { MarovelCore::find("x", "nope", 5); }), QStringLiteral("未找到工作区：nope"));
}

TEST_F(FileSearch, FindClampsItsLimit)
{
    for (int i = 0; i < 250; ++i)
        TestSupport::writeFile(root + "/d" + QString::number(i % 5) + "/match" + QString::number(i), "x");
    EXPECT_EQ(MarovelCore::find("match", workspace.id, 0).size(), 1);
    EXPECT_EQ(MarovelCore::find("match", workspace.id, -5).size(), 1);
    EXPECT_EQ(MarovelCore::find("match", workspace.id, 7).size(), 7);
    EXPECT_EQ(MarovelCore::find("match", workspace.id, 1000).size(), 200);
}

TEST_F(FileSearch, FindVisitsAFolderBeforeItsContents)
{
    TestSupport::writeFile(root + "/a-match/b-match/c-match", "x");
    const QList<FileEntry> found = MarovelCore::find("match", workspace.id, 50);
    ASSERT_EQ(found.size(), 3);
    EXPECT_EQ(found[0].name, QStringLiteral("a-match"));
    EXPECT_EQ(found[1].name, QStringLiteral("b-match"));
    EXPECT_EQ(found[2].name, QStringLiteral("c-match"));
}

TEST_F(FileSearch, FindNeverFollowsALinkOutOfTheWorkspace)
{
    TestSupport::writeFile(outside + "/secret-match.txt", "x");
    link(outside, root + "/linked-match");
    const QList<FileEntry> found = MarovelCore::find("match", workspace.id, 50);
    ASSERT_EQ(found.size(), 1);
    EXPECT_EQ(found[0].name, QStringLiteral("linked-match"));
    EXPECT_EQ(found[0].kind, QStringLiteral("file"));
}

TEST(FileEntries, ReadAttributesWithoutFailing)
{
    const FileEntry missing = FileEntry::fromPath(TestSupport::root() + "/missing/");
    EXPECT_EQ(missing.name, QStringLiteral("missing"));
    EXPECT_EQ(missing.kind, QStringLiteral("file"));
    EXPECT_FALSE(missing.size || missing.modifiedAt);
    EXPECT_FALSE(missing.toJson().contains("size"));
    EXPECT_FALSE(missing.toJson().contains("modifiedAt"));

    TestSupport::writeFile(TestSupport::root() + "/f.txt", "abc");
    const FileEntry file = FileEntry::fromPath(TestSupport::root() + "/f.txt");
    EXPECT_EQ(FileEntry::fromJson(file.toJson()).size, 3);
}

} // namespace
