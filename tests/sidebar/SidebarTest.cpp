// The sidebar on a real window model over temporary folders, with the process-wide pins,
// recents and workspaces and a fake volume list: its sections and rows, what a click and
// each context menu do, and rebuilding when a source changes.
#include "BrowserState.h"
#include "BrowserTestSupport.h"
#include "CollaborationStore.h"
#include "DisplayHelpers.h"
#include "PaneState.h"
#include "Store.h"
#include "Trash.h"
#include "Volumes.h"
#include "WindowTestSupport.h"
#include "Workspace.h"
#include "kit/Style.h"
#include "sidebar/Sidebar.h"
#include "sidebar/SidebarRow.h"
#include "window/ContentView.h"

#include <QAction>
#include <QMenu>
#include <QSplitter>
#include <QTest>
#include <QToolButton>

#include <gtest/gtest.h>

using namespace BrowserTest;
using Row = Sidebar::Row;

namespace {

// Starts each test with no pins, recents or workspaces.
void resetStores()
{
    Store::shared().clearPins();
    Store::shared().clearRecents();
    for (const Workspace &workspace : WorkspaceRegistry::shared().list())
        WorkspaceRegistry::shared().remove(workspace.id);
    CollaborationStore &collaboration = CollaborationStore::shared();
    collaboration.refresh();
    EXPECT_TRUE(waitFor([&] { return !collaboration.isBusy() && collaboration.workspaces().isEmpty(); }));
    collaboration.setLastError({});
}

struct Bar
{
    ScopedVolumeMonitor volumes;
    BrowserState state;
    Sidebar *sidebar = nullptr;

    explicit Bar(const QString &folder, const QList<Volume> &mounted = {}) : volumes(mounted)
    {
        resetStores();
        state.activePane()->go(folder, false);
        state.setVolumes(mounted);
        settle();
        Store::shared().clearRecents(); // entering the folder counted as a visit
        sidebar = new Sidebar(state);
        sidebar->setCloudDriveSource([] { return QList<Volume>(); });
        sidebar->resize(260, 1000);
        sidebar->show();
        QCoreApplication::processEvents();
    }
    ~Bar()
    {
        delete sidebar;
        settle();
    }
    // Lets the coalesced rebuild run.
    void rebuilt() const { QCoreApplication::processEvents(); }

    // The rows top to bottom: "§key" for a section header, else the row's title.
    QStringList rows() const
    {
        QStringList result;
        for (int i = 0; i < sidebar->topLevelItemCount(); ++i) {
            QTreeWidgetItem *top = sidebar->topLevelItem(i);
            if (isSection(top) && top->data(0, Sidebar::keyRole).toString().isEmpty())
                continue; // the room above the Trash
            result << titleOf(top);
            for (int j = 0; j < top->childCount(); ++j)
                result << titleOf(top->child(j));
        }
        return result;
    }
    static bool isSection(QTreeWidgetItem *item) { return Row(item->data(0, Sidebar::kindRole).toInt()) == Row::Section; }
    static QString titleOf(QTreeWidgetItem *item)
    {
        if (isSection(item))
            return u'§' + item->data(0, Sidebar::keyRole).toString();
        const QString text = item->text(0);
        return text.isEmpty() ? item->data(0, Qt::AccessibleTextRole).toString() : text;
    }
    QTreeWidgetItem *find(Row kind, const QString &key = {}) const
    {
        for (QTreeWidgetItemIterator it(sidebar); *it; ++it) {
            if (Row((*it)->data(0, Sidebar::kindRole).toInt()) == kind
                && (key.isEmpty() || (*it)->data(0, Sidebar::keyRole).toString() == key))
                return *it;
        }
        return nullptr;
    }
    QStringList keysOf(Row kind) const
    {
        QStringList keys;
        for (QTreeWidgetItemIterator it(sidebar); *it; ++it) {
            if (Row((*it)->data(0, Sidebar::kindRole).toInt()) == kind)
                keys << (*it)->data(0, Sidebar::keyRole).toString();
        }
        return keys;
    }
    void click(QTreeWidgetItem *item) const
    {
        ASSERT_NE(item, nullptr);
        sidebar->scrollToItem(item);
        QTest::mouseClick(sidebar->viewport(), Qt::LeftButton, {}, sidebar->visualItemRect(item).center());
        QCoreApplication::processEvents();
    }
    template <typename T>
    T *widgetOf(QTreeWidgetItem *item, const char *name) const
    {
        QWidget *widget = item ? sidebar->itemWidget(item, 0) : nullptr;
        if (!widget)
            return nullptr;
        if (auto *self = qobject_cast<T *>(widget); self && widget->objectName() == QLatin1String(name))
            return self;
        return widget->findChild<T *>(QString::fromLatin1(name));
    }
    QStringList menuTexts(QTreeWidgetItem *item) const
    {
        QStringList texts;
        if (QMenu *menu = sidebar->menuFor(item, sidebar)) {
            for (QAction *action : menu->actions())
                texts << action->text();
            delete menu;
        }
        return texts;
    }
    void trigger(QTreeWidgetItem *item, int index) const
    {
        QMenu *menu = sidebar->menuFor(item, sidebar);
        ASSERT_NE(menu, nullptr);
        menu->actions().at(index)->trigger();
        delete menu;
        QCoreApplication::processEvents();
    }
};

QString place(const QString &name)
{
    return makeTree(name, {QStringLiteral("a.txt"), QStringLiteral("b.pdf"), QStringLiteral("sub/")});
}

// Waits for the collaboration store to settle and the sidebar to show it.
void settleCollaboration(const Bar &bar)
{
    EXPECT_TRUE(waitFor([] { return !CollaborationStore::shared().isBusy(); }));
    bar.rebuilt();
}

} // namespace

TEST(Sidebar, AFreshWindowShowsOnlyTheAlwaysShownSectionsAndTheTrashLast)
{
    ScopedLanguage zh(QStringLiteral("zh-Hans"));
    const QString home = place(QStringLiteral("side-fresh"));
    Bar b(home);
    b.state.setFavorites({home});
    b.rebuilt();
    EXPECT_EQ(b.rows(), (QStringList{u"§收藏"_qs, displayName(home), u"§协作工作区"_qs, u"将当前文件夹授权给协作"_qs,
                                     u"§位置"_qs, u"连接服务器…"_qs, u"废纸篓"_qs}));
    QTreeWidgetItem *trash = b.find(Row::Trash);
    ASSERT_NE(trash, nullptr);
    EXPECT_EQ(trash->parent(), nullptr) << "under no header";
    EXPECT_EQ(b.sidebar->indexOfTopLevelItem(trash), b.sidebar->topLevelItemCount() - 1);
    EXPECT_EQ(trash->data(0, Sidebar::keyRole).toString(), Trash::filesFolder());
    EXPECT_EQ(b.sidebar->minimumWidth(), 168);
    EXPECT_GE(b.sidebar->viewport()->geometry().left(), Kit::Space::small) << "rows keep off the window's edge";
    EXPECT_EQ(b.sidebar->selectionMode(), QAbstractItemView::NoSelection);

    // Clicking "连接服务器…" raises the flag and nothing else.
    b.click(b.find(Row::ConnectServer));
    EXPECT_TRUE(b.state.showConnectServer());
    EXPECT_EQ(b.state.activePane()->current(), home);
    EXPECT_TRUE(b.state.activePane()->back().isEmpty());
}

TEST(Sidebar, ShowsEverySectionInOrderWhenEachHasRows)
{
    ScopedLanguage zh(QStringLiteral("zh-Hans"));
    const QString folder = place(QStringLiteral("side-all"));
    const QString pinned = place(QStringLiteral("side-all-pinned"));
    const QString visited = place(QStringLiteral("side-all-visited"));
    const QString usb = place(QStringLiteral("side-all-usb"));
    Bar b(folder, {{QStringLiteral("文件系统"), QStringLiteral("/"), false, false},
                   {QStringLiteral("U盘"), usb, true, true}});
    b.state.setFavorites({folder});
    Store::shared().togglePin(pinned);
    Store::shared().recordVisit(visited);
    CollaborationStore::shared().authorize(folder);
    settleCollaboration(b);
    const QString drive = place(QStringLiteral("side-all-cloud/GoogleDrive-bob"));
    b.sidebar->setCloudDriveSource([drive] { return QList<Volume>{{QString(), drive}}; });
    QList<FileItem> items = b.state.activePane()->items();
    ASSERT_FALSE(items.isEmpty());
    items[0].tags = QStringList{QStringLiteral("Red"), QStringLiteral("work")};
    b.state.activePane()->setItems(items);
    b.rebuilt();

    const QStringList rows = b.rows();
    QStringList sections;
    for (const QString &row : rows) {
        if (row.startsWith(u'§'))
            sections << row.mid(1);
    }
    EXPECT_EQ(sections, (QStringList{u"收藏"_qs, u"置顶"_qs, u"最近"_qs, u"协作工作区"_qs, u"云盘"_qs, u"位置"_qs, u"标签"_qs}));
    EXPECT_EQ(b.keysOf(Row::Pinned), QStringList{pinned});
    EXPECT_EQ(b.keysOf(Row::Recent), QStringList{visited});
    ASSERT_EQ(b.keysOf(Row::Workspace).size(), 1);
    EXPECT_TRUE(rows.contains(QStringLiteral("side-all"))) << "the workspace row is titled by its name";
    EXPECT_TRUE(rows.contains(QStringLiteral("Google Drive")));
    EXPECT_EQ(b.keysOf(Row::Volume), (QStringList{QStringLiteral("/"), usb}));
    EXPECT_EQ(b.keysOf(Row::Tag), (QStringList{QStringLiteral("Red"), QStringLiteral("work")}));
    EXPECT_EQ(rows.last(), "废纸篓");
    // Every row but headers, volumes and tags (which draw their own) carries its symbol.
    for (QTreeWidgetItemIterator it(b.sidebar); *it; ++it) {
        const Row kind = Row((*it)->data(0, Sidebar::kindRole).toInt());
        if (kind != Row::Section && kind != Row::Volume && kind != Row::Tag)
            EXPECT_FALSE((*it)->icon(0).isNull()) << Bar::titleOf(*it).toStdString() << " has no icon";
    }
}

TEST(Sidebar, CloudDrivesAreTitledByTheirNameOrTheirFolderUpToTheHyphen)
{
    const struct
    {
        const char *name;
        const char *folder;
        const char *title;
    } cases[] = {
        {"", "/mnt/Example-Account", "Example"},
        {"", "/mnt/GoogleDrive-Account", "Google Drive"},
        {"", "/mnt/Plain Drive", "Plain Drive"},
        {"", "/mnt/-Leading", ""},
        {"", "/mnt/GoogleDrive", "Google Drive"},
        {"bob@example.com", "/run/user/1000/gvfs/google-drive:host=example.com", "bob@example.com"},
        {"Team-Drive", "/mnt/x", "Team-Drive"},
    };
    for (const auto &c : cases) {
        EXPECT_EQ(Sidebar::driveTitle({QString::fromUtf8(c.name), QString::fromUtf8(c.folder)}),
                  QString::fromUtf8(c.title))
            << c.folder;
    }
}

TEST(Sidebar, VolumeRowsOpenTheVolumeAndEjectAllButTheRoot)
{
    ScopedLanguage zh(QStringLiteral("zh-Hans"));
    const QString folder = place(QStringLiteral("side-volumes"));
    const QString stick = place(QStringLiteral("side-volumes-stick"));
    const QString unnamed = place(QStringLiteral("side-volumes-unnamed"));
    Bar b(folder, {{QStringLiteral("Root FS"), QStringLiteral("/"), false, false},
                   {QStringLiteral("R&D <b>stick</b>"), stick, true, true},
                   {QString(), unnamed, true, false}});
    QStringList ejected;
    b.volumes.ejectHandler = [&](const QString &path) {
        ejected << path;
        return true;
    };
    b.rebuilt();

    QTreeWidgetItem *root = b.find(Row::Volume, QStringLiteral("/"));
    EXPECT_NE(b.widgetOf<SidebarRow>(root, "volumeOpen"), nullptr);
    EXPECT_EQ(b.widgetOf<QToolButton>(root, "volumeEject"), nullptr) << "no eject for the root";

    QTreeWidgetItem *item = b.find(Row::Volume, stick);
    auto *open = b.widgetOf<SidebarRow>(item, "volumeOpen");
    auto *eject = b.widgetOf<QToolButton>(item, "volumeEject");
    ASSERT_NE(open, nullptr);
    ASSERT_NE(eject, nullptr);
    EXPECT_EQ(open->text(), "R&D <b>stick</b>") << "the name is data, shown as it is";
    EXPECT_EQ(eject->toolTip(), "推出 R&D <b>stick</b>");

    // Without a name: the folder's display name, and an empty name in the tooltip.
    QTreeWidgetItem *plain = b.find(Row::Volume, unnamed);
    EXPECT_EQ(b.widgetOf<SidebarRow>(plain, "volumeOpen")->text(), displayName(unnamed));
    EXPECT_EQ(b.widgetOf<QToolButton>(plain, "volumeEject")->toolTip(), "推出 ");

    b.state.scenarioCache().insert(folder + QStringLiteral("/a.txt"), {});
    QTest::mouseClick(open, Qt::LeftButton);
    settle();
    EXPECT_EQ(b.state.activePane()->current(), stick);
    EXPECT_EQ(b.state.activePane()->back(), QStringList{folder});
    EXPECT_TRUE(b.state.scenarioCache().isEmpty());

    QTest::mouseClick(b.widgetOf<QToolButton>(b.find(Row::Volume, stick), "volumeEject"), Qt::LeftButton);
    ASSERT_TRUE(waitFor([&] { return !ejected.isEmpty(); }));
    EXPECT_EQ(ejected, QStringList{stick});
    settle();
    EXPECT_NE(b.state.activePane()->current(), stick) << "the pane left the ejected volume";

    // With no volumes the section holds only the connect row.
    b.state.setVolumes({});
    b.rebuilt();
    const QStringList rows = b.rows();
    const qsizetype at = rows.indexOf(QStringLiteral("§位置"));
    ASSERT_GE(at, 0);
    EXPECT_EQ(rows.mid(at), (QStringList{u"§位置"_qs, u"连接服务器…"_qs, u"废纸篓"_qs}));
}

TEST(Sidebar, TagRowsToggleTheWindowsFilterAndCarryTheCheck)
{
    ScopedLanguage zh(QStringLiteral("zh-Hans"));
    const QString folder = place(QStringLiteral("side-tags"));
    Bar b(folder);
    EXPECT_EQ(b.find(Row::Section, QStringLiteral("标签")), nullptr) << "no tags, no section";
    QList<FileItem> items = b.state.activePane()->items();
    items[0].tags = QStringList{QStringLiteral("Red")};
    items[1].tags = QStringList{QStringLiteral("Blue")};
    b.state.activePane()->setItems(items);
    b.rebuilt();
    ASSERT_EQ(b.keysOf(Row::Tag), (QStringList{QStringLiteral("Red"), QStringLiteral("Blue")}));

    const auto tagRow = [&](const QString &tag) { return b.widgetOf<SidebarRow>(b.find(Row::Tag, tag), "tagRow"); };
    EXPECT_EQ(tagRow(QStringLiteral("Red"))->text(), tagDisplay(QStringLiteral("Red")));
    EXPECT_FALSE(tagRow(QStringLiteral("Red"))->trailingCheck());

    QTest::mouseClick(tagRow(QStringLiteral("Red")), Qt::LeftButton);
    b.rebuilt();
    EXPECT_EQ(b.state.tagFilter(), "Red");
    EXPECT_TRUE(tagRow(QStringLiteral("Red"))->trailingCheck());
    EXPECT_EQ(b.state.activePane()->displayed().size(), 1) << "the filter narrows the pane";

    QTest::mouseClick(tagRow(QStringLiteral("Blue")), Qt::LeftButton);
    b.rebuilt();
    EXPECT_EQ(b.state.tagFilter(), "Blue");
    EXPECT_FALSE(tagRow(QStringLiteral("Red"))->trailingCheck());
    EXPECT_TRUE(tagRow(QStringLiteral("Blue"))->trailingCheck());

    QTest::mouseClick(tagRow(QStringLiteral("Blue")), Qt::LeftButton);
    b.rebuilt();
    EXPECT_TRUE(b.state.tagFilter().isEmpty());
    EXPECT_FALSE(tagRow(QStringLiteral("Blue"))->trailingCheck());
}

TEST(Sidebar, PlaceRowsMoveTheActivePaneAsAStepOfItsHistory)
{
    ScopedLanguage zh(QStringLiteral("zh-Hans"));
    const QString start = place(QStringLiteral("side-nav"));
    const QString favorite = place(QStringLiteral("side-nav-favorite"));
    QDir().mkpath(Trash::filesFolder());
    Bar b(start);
    b.state.setFavorites({favorite});
    CollaborationStore::shared().authorize(favorite);
    settleCollaboration(b);
    ASSERT_EQ(b.keysOf(Row::Workspace).size(), 1);

    const struct
    {
        Row kind;
        QString target;
    } rows[] = {{Row::Favorite, favorite}, {Row::Trash, Trash::filesFolder()}, {Row::Workspace, favorite}};
    for (const auto &row : rows) {
        SCOPED_TRACE(int(row.kind));
        b.state.activePane()->go(start, false);
        settle();
        b.rebuilt();
        const QStringList backBefore = b.state.activePane()->back();
        b.state.scenarioCache().insert(start + QStringLiteral("/a.txt"), {});
        b.click(b.find(row.kind));
        settle();
        EXPECT_EQ(b.state.activePane()->current(), row.target);
        EXPECT_EQ(b.state.activePane()->back(), backBefore + QStringList{start});
        EXPECT_TRUE(b.state.scenarioCache().isEmpty());
        b.state.activePane()->goBack();
        settle();
        EXPECT_EQ(b.state.activePane()->current(), start) << "Back returns";
    }
}

TEST(Sidebar, PinsAndFavouritesChangeThroughTheContextMenus)
{
    ScopedLanguage zh(QStringLiteral("zh-Hans"));
    const QString start = place(QStringLiteral("side-menus"));
    const QString visited = place(QStringLiteral("side-menus-visited"));
    Bar b(start);
    BrowserState other;
    other.setFavorites({start, visited});
    b.state.setFavorites({start, visited});
    Store::shared().recordVisit(visited);
    b.rebuilt();
    EXPECT_EQ(b.find(Row::Section, QStringLiteral("置顶")), nullptr) << "no pins, no section";

    QTreeWidgetItem *recent = b.find(Row::Recent, visited);
    ASSERT_NE(recent, nullptr);
    EXPECT_EQ(b.menuTexts(recent), (QStringList{u"置顶到侧栏"_qs, u"在文件管理器中显示"_qs}));
    b.trigger(recent, 0);
    b.rebuilt();
    EXPECT_TRUE(Store::shared().isPinned(visited));
    EXPECT_EQ(b.keysOf(Row::Pinned), QStringList{visited});
    EXPECT_TRUE(b.keysOf(Row::Recent).isEmpty());
    EXPECT_EQ(b.find(Row::Section, QStringLiteral("最近")), nullptr);

    QTreeWidgetItem *pin = b.find(Row::Pinned, visited);
    EXPECT_EQ(b.menuTexts(pin), QStringList{u"取消置顶"_qs});
    b.trigger(pin, 0);
    b.rebuilt();
    EXPECT_FALSE(Store::shared().isPinned(visited));
    EXPECT_EQ(b.find(Row::Section, QStringLiteral("置顶")), nullptr);

    // Removing a favourite touches this window only.
    QTreeWidgetItem *favorite = b.find(Row::Favorite, visited);
    EXPECT_EQ(b.menuTexts(favorite), QStringList{u"从收藏移除"_qs});
    b.trigger(favorite, 0);
    b.rebuilt();
    EXPECT_EQ(b.keysOf(Row::Favorite), QStringList{start});
    EXPECT_EQ(other.favorites(), (QStringList{start, visited}));

    // Rows without a menu.
    for (Row kind : {Row::Authorize, Row::ConnectServer, Row::Trash})
        EXPECT_EQ(b.sidebar->menuFor(b.find(kind), b.sidebar), nullptr);
}

TEST(Sidebar, AuthorisingAndWithdrawingWorkspacesShowsAtOnceAndFailuresGoToTheStore)
{
    ScopedLanguage zh(QStringLiteral("zh-Hans"));
    const QString folder = place(QStringLiteral("side-work"));
    Bar b(folder);
    CollaborationStore &collaboration = CollaborationStore::shared();
    ASSERT_TRUE(b.keysOf(Row::Workspace).isEmpty());

    b.click(b.find(Row::Authorize));
    settleCollaboration(b);
    ASSERT_EQ(collaboration.workspaces().size(), 1);
    EXPECT_EQ(collaboration.workspaces().first().path, folder);
    EXPECT_EQ(b.keysOf(Row::Workspace), QStringList{collaboration.workspaces().first().id});
    EXPECT_TRUE(collaboration.lastError().isEmpty());

    // The same folder again: an error in the store, the rows as they were.
    b.click(b.find(Row::Authorize));
    settleCollaboration(b);
    EXPECT_FALSE(collaboration.lastError().isEmpty());
    EXPECT_EQ(b.keysOf(Row::Workspace).size(), 1);

    QTreeWidgetItem *workspace = b.find(Row::Workspace);
    EXPECT_EQ(b.menuTexts(workspace), QStringList{u"移除授权"_qs});
    const QString id = workspace->data(0, Sidebar::keyRole).toString();
    b.trigger(workspace, 0);
    settleCollaboration(b);
    EXPECT_TRUE(collaboration.workspaces().isEmpty());
    EXPECT_TRUE(b.keysOf(Row::Workspace).isEmpty());
    EXPECT_TRUE(WorkspaceRegistry::shared().list().isEmpty());

    // Withdrawing one that is gone already reports it.
    collaboration.withdraw(id);
    settleCollaboration(b);
    EXPECT_FALSE(collaboration.lastError().isEmpty());
}

TEST(Sidebar, StandsFirstInTheWindowAndSpeaksTheInterfaceLanguage)
{
    ScopedLanguage language(QStringLiteral("zh-Hans"));
    resetStores();
    const QString folder = place(QStringLiteral("side-window"));
    BrowserState state;
    state.activePane()->go(folder, false);
    settle();
    Store::shared().clearRecents();
    ContentView view(state);
    view.resize(1280, 800);
    view.show();
    QCoreApplication::processEvents();
    auto *sidebar = qobject_cast<Sidebar *>(view.splitter()->widget(0));
    ASSERT_NE(sidebar, nullptr);
    EXPECT_GE(sidebar->width(), 168);

    language.set(QStringLiteral("en"));
    QCoreApplication::processEvents();
    QStringList texts;
    for (QTreeWidgetItemIterator it(sidebar); *it; ++it)
        texts << (*it)->text(0);
    EXPECT_TRUE(texts.contains(QStringLiteral("Location")));
    EXPECT_TRUE(texts.contains(QStringLiteral("Connect to Server…")));
    EXPECT_TRUE(texts.contains(QStringLiteral("Trash")));
}
