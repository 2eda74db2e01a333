// The single-item action grid: which tiles for which item, the selection-first rule, the
// inline rename, the trash of the whole selection, and the open-with menu.
#include "ActionTestSupport.h"
#include "DisplayHelpers.h"
#include "TestSupport.h"
#include "WindowTestSupport.h"
#include "action/ActionButton.h"
#include "action/ActionGrid.h"
#include "action/OpenWithButton.h"
#include "kit/Style.h"

#include <QFileInfo>
#include <QMenu>
#include <QSignalSpy>

#include <gtest/gtest.h>

#include <future>

using namespace ActionTest;

namespace {

QStringList labelsOf(const QList<ActionButton *> &tiles)
{
    QStringList labels;
    for (const ActionButton *tile : tiles)
        labels << tile->label();
    return labels;
}

} // namespace

TEST(ActionGrid, OffersTheTilesOfItsKindOfItem)
{
    ScopedLanguage language("zh-Hans");
    BrowserState state;
    ActionPaneModel model(state);
    ActionGrid grid(model);
    const QStringList file = {"打开", "快速查看", "重命名", "拷贝", "压缩", "在文件管理器中显示", "移到废纸篓"};
    QStringList archive = file;
    archive.insert(5, "解压");
    const QStringList folder = {"打开", "在终端打开", "重命名", "压缩", "拷贝", "在文件管理器中显示"};
    struct Case
    {
        const char *name;
        bool isDir;
        QStringList tiles;
    };
    const Case cases[] = {
        {"notes.txt", false, file},     {"logs.tar.gz", false, archive}, {"Archive.ZIP", false, archive},
        {"backup.tgz", false, archive}, {"disk.dmg", false, file},       {"archive.rar", false, file},
        {"README", false, file},        {"Projects", true, folder},      {"zip", false, file},
    };
    for (const Case &c : cases) {
        grid.setItem(BrowserTest::item(c.name, c.isDir));
        EXPECT_EQ(labelsOf(grid.tiles()), c.tiles) << c.name;
        EXPECT_EQ(grid.folderTrash()->isVisibleTo(&grid), c.isDir) << c.name;
    }
    language.set("en");
    grid.setItem(BrowserTest::item("logs.tar.gz"));
    EXPECT_EQ(labelsOf(grid.tiles()).at(5), "Extract");
}

class GridActions : public testing::Test
{
protected:
    void SetUp() override
    {
        folder = makeTree("grid", {"a.txt", "b.txt", "c.txt", "sub/"});
        enter(state, folder);
        a = folder + "/a.txt";
        b = folder + "/b.txt";
    }

    ActionButton *tile(const QString &name) { return grid.findChild<ActionButton *>(name); }
    FileItem listed(const QString &path)
    {
        for (const FileItem &item : state.activePane()->items())
            if (item.path == path)
                return item;
        return {};
    }

    BrowserState state;
    ActionPaneModel model{state};
    ActionGrid grid{model};
    QString folder, a, b;
};

TEST_F(GridActions, TheItemAlreadySelectedKeepsTheSelectionUntouched)
{
    select(state, {a});
    grid.setItem(listed(a));
    QSignalSpy selection(state.activePane(), &PaneState::selectionChanged);
    tile("tileCopy")->click();
    tile("tileCompress")->click();
    EXPECT_EQ(selection.count(), 0);

    // Part of a larger selection: still untouched.
    select(state, {a, b});
    selection.clear();
    tile("tileCopy")->click();
    EXPECT_EQ(selection.count(), 0);

    // Not selected any more: it becomes the selection.
    select(state, {b});
    tile("tileCopy")->click();
    EXPECT_EQ(state.activePane()->selection(), QSet<QString>{a});
}

TEST_F(GridActions, RenameOpensTheInlineEditorWithoutTouchingTheSelection)
{
    select(state, {b});
    grid.setItem(listed(a));
    QStringList order;
    QObject::connect(&state, &BrowserState::editingRenameChanged, [&] { order << "editing:" + state.editingRename(); });
    QObject::connect(&state, &BrowserState::renameTextChanged, [&] { order << "text:" + state.renameText(); });
    QSignalSpy selection(state.activePane(), &PaneState::selectionChanged);
    tile("tileRename")->click();
    EXPECT_EQ(order, (QStringList{"editing:" + a, "text:a.txt"}));
    EXPECT_EQ(selection.count(), 0);
}

TEST_F(GridActions, TrashTakesTheWholeSelection)
{
    select(state, {a, b});
    grid.setItem(listed(a));
    tile("tileTrash")->click();
    ASSERT_TRUE(waitFor([&] { return !QFileInfo::exists(a) && !QFileInfo::exists(b); }));
    EXPECT_TRUE(QFileInfo::exists(trashURL() + "/a.txt"));
    EXPECT_TRUE(QFileInfo::exists(trashURL() + "/b.txt"));
    EXPECT_TRUE(QFileInfo::exists(folder + "/c.txt"));

    // The folder's own trash tile does the same with the folder alone.
    const QString sub = folder + "/sub";
    ASSERT_TRUE(waitFor([&] { return !listed(sub).path.isEmpty() && listed(a).path.isEmpty(); }));
    grid.setItem(listed(sub));
    grid.folderTrash()->click();
    ASSERT_TRUE(waitFor([&] { return !QFileInfo::exists(sub); }));
    EXPECT_TRUE(QFileInfo::exists(trashURL() + "/sub"));
}

TEST(OpenWithMenu, ListsTheFirstEightApplicationsByTheirNamesLiterally)
{
    BrowserState state;
    ActionPaneModel model(state);
    OpenWithButton button(model);
    QList<OpenWithApp> apps;
    apps << OpenWithApp{"amp.desktop", "a & b"};
    for (int i = 2; i <= 11; ++i)
        apps << OpenWithApp{QString("app%1.desktop").arg(i), QString("App %1").arg(i)};
    model.setApps(apps);
    const QList<QAction *> actions = button.appMenu()->actions();
    ASSERT_EQ(actions.size(), 8);
    EXPECT_EQ(actions.first()->text(), Kit::escapeMnemonic("a & b"));
    EXPECT_EQ(actions.first()->data().toString(), "amp.desktop");
    EXPECT_EQ(actions.last()->text(), "App 8");
    EXPECT_EQ(button.popupMode(), QToolButton::InstantPopup);

    model.setApps({});
    EXPECT_TRUE(button.appMenu()->actions().isEmpty());
}

TEST(OpenWithMenu, NamesTheInstalledApplicationsOfTheFile)
{
    installDesktopEntries();
    const QString folder = makeTree("apps", {"notes.txt"});
    // The lookup reads the desktop database: the pane runs it off the GUI thread.
    const QList<OpenWithApp> apps =
        std::async(std::launch::async, [&] { return ActionPaneModel::lookUpApps(folder + "/notes.txt"); }).get();
    EXPECT_TRUE(apps.contains(OpenWithApp{"editor.desktop", "Text Editor"}));
    for (const OpenWithApp &app : apps)
        EXPECT_NE(app.id, "viewer.desktop");
}
