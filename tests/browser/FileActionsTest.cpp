#include "BrowserState.h"
#include "BrowserTestSupport.h"
#include "FileTags.h"
#include "Localization.h"
#include "PaneState.h"
#include "Trash.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <gtest/gtest.h>

using namespace BrowserTest;

namespace {

class FileActions : public testing::Test
{
protected:
    void SetUp() override { Loc::shared().setOverride(QStringLiteral("zh-Hans")); }

    static void show(BrowserState &browser, const QString &folder, const QStringList &selected = {})
    {
        browser.activePane()->go(folder, false);
        settle();
        QSet<QString> paths;
        for (const QString &name : selected)
            paths << folder + '/' + name;
        browser.activePane()->setSelection(paths);
    }

    static QStringList entries(const QString &folder)
    {
        return QDir(folder).entryList(QDir::AllEntries | QDir::NoDotAndDotDot, QDir::Name);
    }
};

TEST_F(FileActions, DuplicateSelectsTheCopiesAndUndoTrashesThem)
{
    const QString dir = makeTree("files/dup", {"a.txt", "b/"});
    BrowserState browser;
    show(browser, dir);
    browser.duplicateSel(); // nothing selected
    settle();
    EXPECT_TRUE(browser.status().isEmpty());
    EXPECT_TRUE(browser.undoStack().isEmpty());

    show(browser, dir, {"a.txt", "b"});
    browser.duplicateSel();
    settle();
    EXPECT_EQ(entries(dir), (QStringList{"a 副本.txt", "a.txt", "b", "b 副本"}));
    EXPECT_EQ(browser.activePane()->selection(), (QSet<QString>{dir + "/a 副本.txt", dir + "/b 副本"}));
    EXPECT_EQ(browser.status(), "已重复 2 项");
    EXPECT_EQ(browser.undoName(), "重复");

    browser.performUndo();
    settle();
    EXPECT_EQ(entries(dir), (QStringList{"a.txt", "b"}));
}

TEST_F(FileActions, ADuplicateFailingPartWayKeepsWhatWasDone)
{
    const QString dir = makeTree("files/dup-fail", {"a.txt", "b.txt"});
    BrowserState browser;
    show(browser, dir, {"a.txt", "b.txt", "c.txt"}); // c.txt does not exist
    browser.duplicateSel();
    settle();
    EXPECT_TRUE(browser.status().startsWith("重复了 2 项后失败：")) << browser.status().toStdString();
    EXPECT_EQ(browser.activePane()->selection().size(), 2);
    ASSERT_EQ(browser.undoStack().size(), 1);

    show(browser, dir, {"gone.txt"});
    browser.duplicateSel();
    settle();
    EXPECT_TRUE(browser.status().startsWith("重复失败：")) << browser.status().toStdString();
    EXPECT_EQ(browser.undoStack().size(), 1); // never an empty step
}

TEST_F(FileActions, TrashAndUndoNeverOverwrite)
{
    const QString dir = makeTree("files/trash", {"a.txt", "b.txt", "c.txt"});
    BrowserState browser;
    show(browser, dir);
    browser.trash({});
    settle();
    EXPECT_TRUE(browser.undoStack().isEmpty());

    browser.trash({dir + "/a.txt", dir + "/b.txt", dir + "/c.txt", dir + "/gone.txt"});
    settle();
    EXPECT_TRUE(entries(dir).isEmpty());
    EXPECT_TRUE(browser.status().startsWith("已移到废纸篓 3 项，1 项失败：")) << browser.status().toStdString();
    EXPECT_EQ(browser.undoName(), "移到废纸篓");

    // b.txt is taken again: it stays in the trash, the new b.txt is kept.
    QFile taken(dir + "/b.txt");
    ASSERT_TRUE(taken.open(QIODevice::WriteOnly));
    taken.write("new");
    taken.close();
    browser.performUndo();
    settle();
    EXPECT_EQ(entries(dir), (QStringList{"a.txt", "b.txt", "c.txt"}));
    QFile b(dir + "/b.txt");
    ASSERT_TRUE(b.open(QIODevice::ReadOnly));
    EXPECT_EQ(b.readAll(), "new");
    EXPECT_TRUE(browser.status().startsWith("1 项未能放回，仍在废纸篓：")) << browser.status().toStdString();
    EXPECT_TRUE(QFile::exists(Trash::filesFolder() + "/b.txt"));
    // What stayed is offered again: with its old place free, a second undo restores it.
    ASSERT_EQ(browser.undoStack().size(), 1);
    ASSERT_TRUE(QFile::remove(dir + "/b.txt"));
    browser.performUndo();
    settle();
    EXPECT_EQ(entries(dir), (QStringList{"a.txt", "b.txt", "c.txt"}));
    EXPECT_FALSE(QFile::exists(Trash::filesFolder() + "/b.txt"));
    EXPECT_TRUE(browser.undoStack().isEmpty());
}

TEST_F(FileActions, EmptyTrashEmptiesTheHomeTrash)
{
    const QString dir = makeTree("files/empty", {"x.txt"});
    ASSERT_TRUE(Trash::moveToTrash(dir + "/x.txt"));
    BrowserState browser;
    browser.emptyTrash();
    settle();
    EXPECT_EQ(browser.status(), "已清空废纸篓");
    EXPECT_TRUE(entries(Trash::filesFolder()).isEmpty());
}

TEST_F(FileActions, CompressAndExtractSelectTheirResult)
{
    const QString dir = makeTree("files/zip", {"report.pdf"});
    BrowserState browser;
    show(browser, dir);
    browser.compress({dir + "/report.pdf"});
    settle();
    EXPECT_EQ(browser.status(), "已压缩为 report.zip");
    EXPECT_EQ(browser.activePane()->selection(), QSet<QString>{dir + "/report.zip"});

    QFile::rename(dir + "/report.zip", dir + "/data.zip");
    browser.extract(dir + "/data.zip");
    settle();
    EXPECT_EQ(browser.status(), "已解压到 data");
    browser.extract(dir + "/data.zip");
    settle();
    EXPECT_EQ(browser.status(), "已解压到 data 2");
    EXPECT_EQ(browser.activePane()->selection(), QSet<QString>{dir + "/data 2"});
    EXPECT_TRUE(QFile::exists(dir + "/data 2/report.pdf"));

    browser.compress({dir + "/gone.pdf"});
    settle();
    EXPECT_TRUE(browser.status().startsWith("压缩失败：")) << browser.status().toStdString();
    browser.extract(dir + "/gone.zip");
    settle();
    EXPECT_TRUE(browser.status().startsWith("解压失败：")) << browser.status().toStdString();
}

TEST_F(FileActions, ToggleTagAddsOrRemovesPerFile)
{
    const QString dir = makeTree("files/tags", {"one.txt", "two.txt"});
    if (FileTags::write(dir + "/one.txt", {"Red", "Blue"}) != 0)
        GTEST_SKIP() << "the temporary file system has no user extended attributes";
    BrowserState browser;
    show(browser, dir);
    browser.toggleTag("Red", {dir + "/one.txt", dir + "/two.txt"});
    settle();
    EXPECT_EQ(FileTags::read(dir + "/one.txt"), QStringList{"Blue"});
    EXPECT_EQ(FileTags::read(dir + "/two.txt"), QStringList{"Red"});
    EXPECT_TRUE(browser.status().isEmpty());

    // A name that cannot be stored is reported, not ignored.
    browser.toggleTag("a,b", {dir + "/one.txt"});
    settle();
    EXPECT_TRUE(browser.status().startsWith("无法更改 1 项的标签“a,b”：")) << browser.status().toStdString();
    EXPECT_EQ(FileTags::read(dir + "/one.txt"), QStringList{"Blue"});
}

} // namespace
