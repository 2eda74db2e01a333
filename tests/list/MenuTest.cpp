// The file menu of the icon grid: which entries an item gets, what they act on, the tag
// entries and the applications of "打开方式".
#include "FileTags.h"
#include "ListTestSupport.h"
#include "Localization.h"
#include "Opener.h"
#include "Store.h"
#include "TestSupport.h"
#include "list/FileContextMenu.h"

#include <QApplication>
#include <QClipboard>
#include <QDir>
#include <QFileInfo>
#include <QMenu>
#include <QMutex>
#include <QThread>
#include <QProcess>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <atomic>

using namespace ListTest;

namespace {

QTemporaryDir &dataFolder()
{
    static QTemporaryDir folder;
    return folder;
}

class FileMenu : public testing::Test
{
protected:
    // Two applications for plain text, one with "&" in its name, in a data folder GIO
    // reads before its first lookup of this process.
    static void SetUpTestSuite()
    {
        qputenv("XDG_DATA_DIRS", dataFolder().path().toUtf8() + ":/usr/local/share:/usr/share");
        const QString apps = dataFolder().path() + "/applications";
        QDir().mkpath(apps);
        const auto entry = [&](const QString &id, const QString &name) {
            TestSupport::writeFile(apps + "/" + id, "[Desktop Entry]\nType=Application\nName=" + name.toUtf8()
                                                         + "\nExec=true %f\nMimeType=text/x-marovel-test;\n");
        };
        entry("ab.desktop", "A&B Viewer");
        entry("zed.desktop", "Zed Notes");
        TestSupport::writeFile(apps + "/mimeinfo.cache",
                               "[MIME Cache]\ntext/x-marovel-test=ab.desktop;zed.desktop;\n");
        // The test type by extension, for GIO's lookup of the file.
        const QString mime = dataFolder().path() + "/mime";
        TestSupport::writeFile(mime + "/packages/marovel-test.xml",
                               "<?xml version=\"1.0\"?>\n<mime-info xmlns=\"http://www.freedesktop.org/standards/shared-mime-info\">"
                               "<mime-type type=\"text/x-marovel-test\"><glob pattern=\"*.mtest\"/></mime-type></mime-info>\n");
        QProcess::execute("update-mime-database", {mime});
    }
    void SetUp() override { Loc::shared().setOverride(QStringLiteral("zh-Hans")); }
    void TearDown() override { Loc::shared().setOverride(std::nullopt); }

    QMenu *menuFor(const QString &name)
    {
        for (const FileItem &item : state.activePane()->items()) {
            if (item.name == name)
                return FileContextMenu::build(state, item, nullptr);
        }
        ADD_FAILURE() << "no item " << qPrintable(name);
        return nullptr;
    }
    static QStringList names(const QMenu *menu)
    {
        QStringList list;
        for (const QAction *action : menu->actions()) {
            if (action->isSeparator())
                list << "-";
            else
                list << (action->menu() ? action->menu()->objectName() : action->objectName());
        }
        return list;
    }

    BrowserState state;
};

TEST_F(FileMenu, EntriesPerKindOfItem)
{
    const QString folder =
        makeTree("menu-kinds", {"dir/", "doc.txt", "A.ZIP", "b.tgz", "c.tar.gz", "d.7z", "old.zip/"});
    show(state, folder);
    const QStringList tail = {"-", "ctxCopy", "ctxCut", "ctxDuplicate", "ctxCopyPath", "ctxRename", "-", "ctxCompress"};
    const QStringList end = {"ctxTags", "-", "ctxReveal", "ctxTrash"};
    const QStringList folderHead = {"ctxOpen", "ctxTerminal", "ctxFavorite", "ctxPin"};
    const QStringList fileHead = {"ctxOpen", "ctxQL", "ctxOpenWith"};
    const struct
    {
        const char *name;
        QStringList entries;
    } cases[] = {
        {"dir", folderHead + tail + end},
        {"old.zip", folderHead + tail + QStringList{"ctxExtract"} + end},
        {"doc.txt", fileHead + tail + QStringList{"ctxSuggestName"} + end},
        {"A.ZIP", fileHead + tail + QStringList{"ctxExtract", "ctxSuggestName"} + end},
        {"b.tgz", fileHead + tail + QStringList{"ctxExtract", "ctxSuggestName"} + end},
        {"c.tar.gz", fileHead + tail + QStringList{"ctxExtract", "ctxSuggestName"} + end},
        {"d.7z", fileHead + tail + QStringList{"ctxSuggestName"} + end},
    };
    for (const auto &c : cases) {
        std::unique_ptr<QMenu> menu(menuFor(c.name));
        EXPECT_EQ(names(menu.get()), c.entries) << c.name;
    }

    // A pinned folder offers to unpin; the titles follow the language.
    std::unique_ptr<QMenu> menu(menuFor("dir"));
    EXPECT_EQ(menu->findChild<QAction *>("ctxPin")->text(), L("置顶到侧栏"));
    Store::shared().togglePin(folder + "/dir");
    menu.reset(menuFor("dir"));
    EXPECT_EQ(menu->findChild<QAction *>("ctxPin")->text(), L("取消置顶"));
    Store::shared().togglePin(folder + "/dir");
}

TEST_F(FileMenu, AnOnlineFileOffersDownloadAndSaysSoFirst)
{
    const QString folder = makeTree("menu-online", {"cloud.pdf"});
    show(state, folder);
    QList<FileItem> items = state.activePane()->items();
    items[0].isOnline = true;
    state.activePane()->setItems(items);
    std::unique_ptr<QMenu> menu(menuFor("cloud.pdf"));
    EXPECT_EQ(menu->findChild<QAction *>("ctxSuggestName"), nullptr);
    QAction *download = menu->findChild<QAction *>("ctxDownloadName");
    ASSERT_NE(download, nullptr);
    EXPECT_EQ(download->text(), L("☁︎ 下载并读内容起名"));
    QStringList statuses;
    QObject::connect(&state, &BrowserState::statusChanged, &state, [&] { statuses << state.status(); });
    download->trigger();
    ASSERT_FALSE(statuses.isEmpty());
    EXPECT_EQ(statuses.first(), L("☁︎ 正在下载在线文件…"));
    ASSERT_TRUE(waitFor([&] { return !state.scanning(); }, 30000));
}

TEST_F(FileMenu, SelectionRuleAndWhatEachEntryActsOn)
{
    const QString folder = makeTree("menu-selection", {"a.txt", "b.txt", "c.txt", "d.txt"});
    show(state, folder);
    PaneState *pane = state.activePane();

    // Outside the selection: the clicked item becomes the selection first.
    pane->setSelection({folder + "/a.txt", folder + "/b.txt"});
    std::unique_ptr<QMenu> menu(menuFor("d.txt"));
    EXPECT_EQ(pane->selection().size(), 2) << "building the menu changes nothing";
    menu->findChild<QAction *>("ctxCopyPath")->trigger();
    EXPECT_EQ(pane->selection(), QSet<QString>({folder + "/d.txt"}));
    EXPECT_EQ(QApplication::clipboard()->text(), folder + "/d.txt");

    // One of three selected: compress takes all three; rename the clicked one alone.
    pane->setSelection({folder + "/a.txt", folder + "/b.txt", folder + "/c.txt"});
    menu.reset(menuFor("b.txt"));
    menu->findChild<QAction *>("ctxCompress")->trigger();
    settle();
    EXPECT_TRUE(QFileInfo::exists(folder + "/" + L("归档.zip"))) << qPrintable(state.status());
    pane->setSelection({folder + "/a.txt", folder + "/b.txt", folder + "/c.txt"});
    menu.reset(menuFor("b.txt"));
    menu->findChild<QAction *>("ctxRename")->trigger();
    EXPECT_EQ(state.editingRename(), folder + "/b.txt");
    EXPECT_EQ(state.renameText(), "b.txt");

    QList<QUrl> opened;
    Opener::ScopedHandler handler([&](const QUrl &url) {
        opened << url;
        return true;
    });
    menu->findChild<QAction *>("ctxOpen")->trigger();
    EXPECT_EQ(opened, QList<QUrl>({QUrl::fromLocalFile(folder + "/b.txt")}));

    menu->findChild<QAction *>("ctxTrash")->trigger();
    settle();
    for (const char *name : {"a.txt", "b.txt", "c.txt"})
        EXPECT_FALSE(QFileInfo::exists(folder + "/" + name)) << name;
    EXPECT_TRUE(QFileInfo::exists(folder + "/d.txt"));
}

TEST_F(FileMenu, TagsAreSevenCheckableEntriesForTheWholeSelection)
{
    const QString folder = makeTree("menu-tags", {"one.txt", "two.txt"});
    if (FileTags::write(folder + "/one.txt", {"Red"}) != 0)
        GTEST_SKIP() << "the temporary file system has no user extended attributes";
    FileTags::write(folder + "/two.txt", {"Blue"});
    show(state, folder);
    state.activePane()->setSelection({folder + "/one.txt", folder + "/two.txt"});
    std::unique_ptr<QMenu> menu(menuFor("one.txt"));
    QMenu *tags = menu->findChild<QMenu *>("ctxTags");
    ASSERT_NE(tags, nullptr);
    QStringList labels;
    QStringList checked;
    for (QAction *action : tags->actions()) {
        labels << action->text();
        EXPECT_TRUE(action->isCheckable());
        EXPECT_FALSE(action->icon().isNull());
        if (action->isChecked())
            checked << action->data().toString();
    }
    EXPECT_EQ(labels, QStringList({"红", "橙", "黄", "绿", "蓝", "紫", "灰"}));
    EXPECT_EQ(checked, QStringList({"Red"})) << "the clicked item's tags only";

    menu->findChild<QAction *>("ctxTagGreen")->trigger();
    settle();
    EXPECT_EQ(FileTags::read(folder + "/one.txt"), QStringList({"Red", "Green"}));
    EXPECT_EQ(FileTags::read(folder + "/two.txt"), QStringList({"Blue", "Green"}));
}

TEST_F(FileMenu, OpenWithListsApplicationsByNameLiterally)
{
    const QString folder = makeTree("menu-apps", {"notes.mtest", "plain.qqqzzz"});
    if (!QFileInfo::exists(dataFolder().path() + "/mime/mime.cache"))
        GTEST_SKIP() << "update-mime-database is not available";
    show(state, folder);
    std::unique_ptr<QMenu> menu(menuFor("notes.mtest"));
    QMenu *with = menu->findChild<QMenu *>("ctxOpenWith");
    ASSERT_NE(with, nullptr);
    EXPECT_TRUE(waitFor([&] { return with->findChild<QAction *>("ctxApp") != nullptr; }, 5000));
    QStringList titles;
    for (QAction *action : with->actions())
        titles << action->text();
    EXPECT_EQ(titles, QStringList({"A&&B Viewer", "Zed Notes"}));
    EXPECT_TRUE(with->isEnabled());

    menu.reset(menuFor("plain.qqqzzz"));
    with = menu->findChild<QMenu *>("ctxOpenWith");
    EXPECT_TRUE(waitFor([&] { return !with->findChild<QAction *>("ctxAppsLooking"); }, 5000));
    EXPECT_EQ(with->isEnabled(), !with->actions().isEmpty());
}

TEST_F(FileMenu, OpenWithIsLookedUpOffTheGuiThread)
{
    const QString folder = makeTree("menu-apps-thread", {"a.txt", "b.txt"});
    show(state, folder);
    std::atomic<int> lookups = 0;
    std::atomic<bool> onGui = false;
    QMutex gate; // held: the lookup waits, as on a slow desktop database
    gate.lock();
    QThread *gui = QThread::currentThread();
    state.setAppsLookup([&](const QString &) {
        const bool here = QThread::currentThread() == gui;
        onGui = onGui || here;
        ++lookups;
        if (!here) {
            gate.lock();
            gate.unlock();
        }
        return QList<Applications::App>{{"tool.desktop", "Tool & Co"}};
    });

    // The menu is built while the lookup is still busy: it says it is looking.
    std::unique_ptr<QMenu> menu(menuFor("a.txt"));
    QMenu *with = menu->findChild<QMenu *>("ctxOpenWith");
    ASSERT_NE(with, nullptr);
    QAction *looking = with->findChild<QAction *>("ctxAppsLooking");
    ASSERT_NE(looking, nullptr);
    EXPECT_EQ(looking->text(), L("正在查找应用…"));
    EXPECT_FALSE(looking->isEnabled());
    gate.unlock();

    // The answer fills the open submenu in place.
    EXPECT_TRUE(waitFor([&] { return with->findChild<QAction *>("ctxApp") != nullptr; }, 5000));
    EXPECT_FALSE(onGui);
    ASSERT_EQ(with->actions().size(), 1);
    EXPECT_EQ(with->actions().first()->text(), "Tool && Co");
    EXPECT_EQ(with->actions().first()->data().toString(), "tool.desktop");
    EXPECT_TRUE(with->isEnabled());

    // Another file of the extension is answered from the cache, at once.
    menu.reset(menuFor("b.txt"));
    with = menu->findChild<QMenu *>("ctxOpenWith");
    ASSERT_EQ(with->actions().size(), 1);
    EXPECT_EQ(with->actions().first()->data().toString(), "tool.desktop");
    EXPECT_EQ(lookups, 1);

    // A menu closed before the answer comes is not touched by it.
    state.appsCache().clear();
    gate.lock();
    menu.reset(menuFor("a.txt"));
    menu.reset();
    gate.unlock();
    EXPECT_TRUE(waitFor([&] { return state.appsCache().contains("txt"); }, 5000));
}

} // namespace
