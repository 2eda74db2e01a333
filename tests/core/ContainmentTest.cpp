// Symbolic links that lead out of a workspace by roads a path check cannot follow (a real
// path longer than PATH_MAX, a root replaced after it was authorised), and links that stay
// inside, which must keep working.
#include "CoreTestSupport.h"
#include "Localization.h"
#include "LongPaths.h"
#include "MarovelCore.h"
#include "TestSupport.h"
#include "Workspace.h"

#include <QDir>
#include <QDirIterator>
#include <QFileInfo>

#include <gtest/gtest.h>

namespace {

// Every name below `folder`, links not followed, with the size of each file.
QMap<QString, qint64> names(const QString &folder)
{
    QMap<QString, qint64> items;
    QDirIterator it(folder, QDir::AllEntries | QDir::NoDotAndDotDot | QDir::Hidden | QDir::System,
                    QDirIterator::Subdirectories);
    while (it.hasNext()) {
        const QString path = it.next();
        items.insert(path, it.fileInfo().isSymLink() ? -1 : it.fileInfo().size());
    }
    return items;
}

class Containment : public testing::Test
{
protected:
    void SetUp() override
    {
        Loc::shared().setOverride(QStringLiteral("zh-Hans"));
        root = TestSupport::makeFolder("ws");
        outside = TestSupport::makeFolder("outside");
        TestSupport::writeFile(root + "/a.txt", "A");
        TestSupport::writeFile(root + "/docs/report.txt", "report");
        workspace = WorkspaceRegistry::shared().add(root);
    }

    Plan plan(QList<MarovelOperation> operations)
    {
        return MarovelCore::plan({1, workspace.id, std::move(operations)});
    }

    QString planError(QList<MarovelOperation> operations)
    {
        return errorOf([&] { plan(std::move(operations)); });
    }

    QString root;
    QString outside;
    Workspace workspace;
};

const QString notAuthorised = QStringLiteral("目录不在已授权工作区内");

TEST_F(Containment, ALinkWhoseRealPathExceedsPathMaxLeadsNowhere)
{
    const QString deep = LongPaths::makeChain(outside);
    const struct
    {
        const char *what;
        MarovelOperation operation;
        const char *error;
    } attacks[] = {
        {"a folder made outside", mkdir("long/evil"), "路径越界：long/evil"},
        {"an outside file moved in", move("long/SECRET.txt", "stolen.txt"), "路径越界：long/SECRET.txt"},
        {"a workspace file moved out", move("a.txt", "long/a.txt"), "路径越界：long/a.txt"},
    };
    // Plans drawn up while "long" was an ordinary folder of the workspace…
    TestSupport::writeFile(root + "/long/SECRET.txt", "inside");
    QStringList planIDs;
    for (const auto &attack : attacks)
        planIDs << plan({attack.operation}).id;
    ASSERT_TRUE(QDir(root).rename("long", "long-before"));
    // …then "long" becomes a link into the deep outside folder.
    link(deep, root + "/long");
    const auto outsideBefore = names(outside);
    const auto insideBefore = names(root);

    for (qsizetype i = 0; i < qsizetype(std::size(attacks)); ++i) {
        SCOPED_TRACE(attacks[i].what);
        EXPECT_EQ(planError({attacks[i].operation}), QString::fromUtf8(attacks[i].error));
        EXPECT_EQ(errorOf([&] { MarovelCore::apply(planIDs[i]); }), QString::fromUtf8(attacks[i].error));
    }
    EXPECT_EQ(errorOf([&] { MarovelCore::context(root + "/long"); }), notAuthorised);
    EXPECT_EQ(errorOf([&] { MarovelCore::context(root + "/long/vault"); }), notAuthorised);
    EXPECT_EQ(errorOf([&] { MarovelCore::entryInside(root + "/long/SECRET.txt"); }), notAuthorised);
    const QList<FileEntry> found = MarovelCore::find("SECRET", workspace.id, 50);
    ASSERT_EQ(found.size(), 1); // the one in "long-before"
    EXPECT_EQ(found[0].path, root + "/long-before/SECRET.txt");
    EXPECT_TRUE(MarovelCore::find("vault", workspace.id, 50).isEmpty());

    EXPECT_EQ(names(outside), outsideBefore);
    EXPECT_EQ(names(root), insideBefore);
    LongPaths::removeChain(outside);
}

TEST_F(Containment, ARootReplacedByALinkIsNoLongerAuthorised)
{
    const Plan earlier = plan({mkdir("evil")});
    ASSERT_TRUE(QDir().rename(root, root + "-moved"));
    link(outside, root); // the registered path now leads elsewhere
    const QString revoked = CollaborationError(CollaborationError::WorkspaceRevoked).description();

    EXPECT_EQ(planError({mkdir("evil")}), revoked);
    EXPECT_EQ(errorOf([&] { MarovelCore::apply(earlier.id); }), revoked);
    EXPECT_EQ(errorOf([&] { MarovelCore::context(root); }), notAuthorised);
    EXPECT_EQ(errorOf([&] { MarovelCore::entryInside(root + "/x"); }), notAuthorised);
    TestSupport::writeFile(outside + "/evil-bait.txt", "bait");
    EXPECT_TRUE(MarovelCore::find("bait", workspace.id, 50).isEmpty());
    EXPECT_EQ(QDir(outside).entryList(QDir::NoDotAndDotDot | QDir::AllEntries), QStringList{"evil-bait.txt"});
}

TEST_F(Containment, LinksThatStayInsideKeepWorking)
{
    link(root + "/docs", root + "/absolute");   // an absolute target inside the workspace
    link("docs", root + "/relative");           // a relative one
    link("../ws/docs", root + "/docs-up");       // back in, but by way of the root's parent
    TestSupport::writeFile(root + "/sub/x.txt", "x");
    link("../docs", root + "/sub/back");

    // The root itself lists.
    EXPECT_EQ(MarovelCore::context(root).size(), 6);
    for (const char *through : {"absolute", "relative", "sub/back"}) {
        SCOPED_TRACE(through);
        const QString folder = root + "/" + through;
        const QList<FileEntry> listed = MarovelCore::context(folder);
        ASSERT_EQ(listed.size(), 1);
        EXPECT_EQ(listed[0].path, folder + "/report.txt"); // named as asked
        const auto info = MarovelCore::entryInside(folder + "/report.txt");
        ASSERT_TRUE(info.has_value());
        EXPECT_EQ(info->size, 6);
    }
    EXPECT_EQ(planError({mkdir("docs-up/x")}), QStringLiteral("路径越界：docs-up/x"));

    // A plan through links inside is carried out, and undone, through them.
    const Plan through = plan({mkdir("absolute/new"), move("relative/report.txt", "sub/back/moved.txt"),
                               move("a.txt", "absolute/a.txt")});
    const Transaction applied = MarovelCore::apply(through.id);
    EXPECT_TRUE(QFileInfo::exists(root + "/docs/moved.txt"));
    EXPECT_TRUE(QFileInfo::exists(root + "/docs/a.txt"));
    EXPECT_TRUE(QFileInfo(root + "/docs/new").isDir());
    MarovelCore::undo(applied.id);
    EXPECT_TRUE(QFileInfo::exists(root + "/docs/report.txt"));
    EXPECT_TRUE(QFileInfo::exists(root + "/a.txt"));
    EXPECT_FALSE(QFileInfo::exists(root + "/docs/new"));
}

TEST_F(Containment, LinkLoopsAndLinksClimbingOutAreRefused)
{
    link("loop-b", root + "/loop-a");
    link("loop-a", root + "/loop-b");
    link("../outside", root + "/up");
    link("docs/../../outside", root + "/up-through-docs");
    for (const char *to : {"loop-a/x", "up/x", "up-through-docs/x"})
        EXPECT_EQ(planError({mkdir(to)}), QStringLiteral("路径越界：") + to);
    for (const char *folder : {"loop-a", "up", "up-through-docs"})
        EXPECT_EQ(errorOf([&] { MarovelCore::context(root + "/" + folder); }), notAuthorised) << folder;
    EXPECT_TRUE(QDir(outside).isEmpty());
}

} // namespace
