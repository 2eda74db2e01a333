// The drop operation of the window model: what it skips, what it moves, one undo step.
#include "ListTestSupport.h"
#include "Localization.h"
#include "TestSupport.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <gtest/gtest.h>

using namespace ListTest;

namespace {

class DropInto : public testing::Test
{
protected:
    void SetUp() override { Loc::shared().setOverride(QStringLiteral("zh-Hans")); }
    void TearDown() override { Loc::shared().setOverride(std::nullopt); }

    // Drops and waits for the move and its refresh.
    void drop(const QString &folder, const QStringList &paths)
    {
        state.dropInto(folder, paths);
        settle();
    }
    void undo()
    {
        state.performUndo();
        settle();
    }

    BrowserState state;
};

TEST_F(DropInto, NothingHappensForItemsAlreadyThereOrIntoThemselves)
{
    const QString root = makeTree("drop-noop", {"a.txt", "sub/", "sub/deep/"});
    QDir().mkpath(root + "/sub/deep");
    QFile::link(root, TestSupport::root() + "/drop-noop-link");
    show(state, root);
    const QString link = TestSupport::root() + "/drop-noop-link";

    const struct
    {
        const char *what;
        QString folder;
        QStringList paths;
    } cases[] = {
        {"own folder", root, {root + "/a.txt"}},
        {"own folder with a trailing slash", root + "/", {root + "/a.txt"}},
        {"own folder through a link", link, {root + "/a.txt"}},
        {"a folder onto itself", root + "/sub", {root + "/sub"}},
        {"a folder into its child", root + "/sub/deep", {root + "/sub"}},
        {"a folder into itself through a link", link + "/sub", {root + "/sub"}},
        {"nothing", root + "/sub", {}},
    };
    for (const auto &c : cases) {
        drop(c.folder, c.paths);
        EXPECT_TRUE(state.undoStack().isEmpty()) << c.what;
        EXPECT_TRUE(state.status().isEmpty()) << c.what;
    }
    EXPECT_TRUE(QFileInfo::exists(root + "/a.txt"));
    EXPECT_TRUE(QFileInfo::exists(root + "/sub/deep"));
}

TEST_F(DropInto, AFolderIntoItselfIsSkippedAndTheOthersMove)
{
    const QString root = makeTree("drop-self", {"a.txt", "box/"});
    const QString other = makeTree("drop-self-other", {"b.txt"});
    show(state, root);
    drop(root + "/box", {root + "/box", other + "/b.txt", root + "/a.txt"});
    EXPECT_TRUE(QFileInfo::exists(root + "/box/b.txt"));
    EXPECT_TRUE(QFileInfo::exists(root + "/box/a.txt"));
    EXPECT_EQ(state.status(), L("已移动 %lld 项", qint64(2)));
    ASSERT_EQ(state.undoStack().size(), 1);
}

TEST_F(DropInto, ThreeFilesAreOneStepAndUndoBringsThemBack)
{
    const QString from = makeTree("drop-three", {"1.txt", "2.txt", "3.txt"});
    const QString into = makeTree("drop-three-into", {});
    show(state, into);
    const QStringList paths{from + "/1.txt", from + "/2.txt", from + "/3.txt"};
    drop(into, paths);
    EXPECT_EQ(state.status(), L("已移动 %lld 项", qint64(3)));
    ASSERT_EQ(state.undoStack().size(), 1);
    EXPECT_EQ(state.undoName(), L("移动"));
    EXPECT_EQ(names(state.activePane()->items()), QStringList({"1.txt", "2.txt", "3.txt"}));
    undo();
    for (const QString &path : paths)
        EXPECT_TRUE(QFileInfo::exists(path)) << qPrintable(path);
    EXPECT_TRUE(state.activePane()->items().isEmpty());
}

TEST_F(DropInto, SameNamesFromTwoFoldersBothStayAndGoBack)
{
    const QString one = makeTree("drop-same-1", {"note.txt"});
    const QString two = makeTree("drop-same-2", {"note.txt"});
    const QString into = makeTree("drop-same-into", {});
    TestSupport::writeFile(one + "/note.txt", "one");
    TestSupport::writeFile(two + "/note.txt", "two");
    show(state, into);
    drop(into, {one + "/note.txt", two + "/note.txt"});
    EXPECT_EQ(TestSupport::readFile(into + "/note.txt"), "one");
    EXPECT_EQ(TestSupport::readFile(into + "/note 2.txt"), "two");
    undo();
    EXPECT_EQ(TestSupport::readFile(one + "/note.txt"), "one");
    EXPECT_EQ(TestSupport::readFile(two + "/note.txt"), "two");
}

TEST_F(DropInto, AFailurePartWayKeepsWhatMovedAsTheStep)
{
    const QString from = makeTree("drop-fail", {"1.txt", "3.txt"});
    const QString into = makeTree("drop-fail-into", {});
    show(state, into);
    drop(into, {from + "/1.txt", from + "/2.txt", from + "/3.txt"}); // the second is missing
    EXPECT_TRUE(QFileInfo::exists(into + "/1.txt"));
    EXPECT_TRUE(state.status().startsWith(L("已移动 %lld 项，其余失败：%@", qint64(1), QString())))
        << qPrintable(state.status());
    EXPECT_GT(state.status().size(), L("已移动 %lld 项，其余失败：%@", qint64(1), QString()).size());
    ASSERT_EQ(state.undoStack().size(), 1);
    undo();
    EXPECT_TRUE(QFileInfo::exists(from + "/1.txt"));
    EXPECT_FALSE(QFileInfo::exists(into + "/1.txt"));

    // Nothing moved at all: no step.
    drop(into, {from + "/missing.txt"});
    EXPECT_EQ(state.undoStack().size(), 0);
    EXPECT_TRUE(state.status().startsWith(L("已移动 %lld 项，其余失败：%@", qint64(0), QString())));
}

TEST_F(DropInto, UndoOntoARetakenNameLeavesBothAndSaysSo)
{
    const QString from = makeTree("drop-retaken", {"a.txt", "b.txt"});
    const QString into = makeTree("drop-retaken-into", {});
    TestSupport::writeFile(from + "/a.txt", "moved");
    show(state, into);
    drop(into, {from + "/a.txt", from + "/b.txt"});
    TestSupport::writeFile(from + "/a.txt", "new"); // someone takes the old name
    undo();
    EXPECT_EQ(TestSupport::readFile(from + "/a.txt"), "new");
    EXPECT_EQ(TestSupport::readFile(into + "/a.txt"), "moved");
    EXPECT_TRUE(QFileInfo::exists(from + "/b.txt"));
    EXPECT_TRUE(state.status().startsWith(L("%lld 项无法移回原处：%@", qint64(1), QString())))
        << state.status().toStdString();
    EXPECT_EQ(state.undoStack().size(), 1); // a.txt's way back is still offered
}

} // namespace
