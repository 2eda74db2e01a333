// The information page of one item: facts read off the GUI thread, the folder walk and
// what supersedes it, the colour-tag circles against the disk, and the inspector showing
// the page for a single selection.
#include "BrowserState.h"
#include "BrowserTestSupport.h"
#include "DisplayHelpers.h"
#include "FileTags.h"
#include "ItemInfo.h"
#include "PaneState.h"
#include "TestSupport.h"
#include "WindowTestSupport.h"
#include "kit/SelectableText.h"
#include "kit/Thumb.h"
#include "window/GetInfo.h"
#include "window/InspectorView.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTest>
#include <QThreadPool>

#include <gtest/gtest.h>

#include <sys/stat.h>
#include <unistd.h>

using namespace BrowserTest;

namespace {

// Waits for the facts and for folder walks, which run on a pool of their own.
void settleWalks()
{
    settle();
    ItemInfo::walkPool().waitForDone();
    settle();
}

class GetInfoPage : public testing::Test
{
protected:
    GetInfoPage() : language(QStringLiteral("zh-Hans"))
    {
        page = new GetInfo(state);
        page->resize(360, 700);
        page->show();
    }
    ~GetInfoPage() override
    {
        delete page;
        settle();
    }

    QString value(const char *name) const
    {
        return page->findChild<Kit::SelectableText *>(QLatin1String(name))->text();
    }
    TagCircle *circle(const QString &tag) const
    {
        return page->findChild<TagCircle *>(QStringLiteral("tagCircle-") + tag);
    }
    QStringList rings() const
    {
        QStringList on;
        for (TagCircle *c : page->findChildren<TagCircle *>())
            if (c->isChecked())
                on << c->tag();
        return on;
    }
    void show(const QString &path, bool isDir = false)
    {
        page->setItem(path, isDir);
        settleWalks();
    }

    ScopedLanguage language;
    BrowserState state;
    GetInfo *page = nullptr;
};

// What the walk must find: each entry's own allocated blocks, links not followed.
qint64 allocated(const QStringList &paths)
{
    qint64 total = 0;
    for (const QString &path : paths) {
        struct stat info;
        EXPECT_EQ(::lstat(QFile::encodeName(path).constData(), &info), 0) << path.toStdString();
        total += qint64(info.st_blocks) * 512;
    }
    return total;
}

TEST_F(GetInfoPage, ALongLocationWrapsUnderItsColumnAndKeepsItsLabelOnTop)
{
    QString deep = QStringLiteral("wrap");
    for (int i = 0; i < 8; ++i)
        deep += QStringLiteral("/a-rather-long-folder-name-%1").arg(i);
    const QString dir = makeTree(deep, {"f.txt"});
    show(dir + "/f.txt");
    QCoreApplication::processEvents();
    auto *where = page->findChild<Kit::SelectableText *>("infoLocation");
    EXPECT_EQ(where->text(), dir) << "the whole path, for copying";
    EXPECT_GT(where->height(), 2 * where->fontMetrics().height()) << "wrapped onto several lines";
    EXPECT_LE(where->geometry().right(), page->width()) << "inside the page, no sideways scrolling";
}

TEST_F(GetInfoPage, PermissionsShowTheRwxBitsInOctal)
{
    const QString dir = makeTree("perm", {"f"});
    const QString file = dir + "/f";
    const struct
    {
        mode_t mode;
        const char *shown;
    } cases[] = {{0755, "755"}, {04755, "755"}, {044, "44"}, {0600, "600"}};
    for (const auto &c : cases) {
        ASSERT_EQ(::chmod(QFile::encodeName(file).constData(), c.mode), 0);
        page->setItem({}, false); // read afresh
        show(file);
        EXPECT_EQ(value("infoPermissions"), QLatin1String(c.shown)) << std::oct << c.mode;
    }
}

TEST_F(GetInfoPage, FactsOfAFileAndEmptySizesShowADash)
{
    const QString dir = makeTree("facts", {"empty.txt", "nothing/"});
    makeFile(dir + "/k.bin", 1500);
    show(dir + "/k.bin");
    EXPECT_EQ(page->findChild<Kit::SelectableText *>("infoName")->text(), "k.bin");
    EXPECT_EQ(value("infoSize"), sizeStr(1500));
    EXPECT_EQ(value("infoLocation"), dir);
    EXPECT_EQ(value("infoModified"), dateStr(QFileInfo(dir + "/k.bin").lastModified()));
    const QDateTime born = QFileInfo(dir + "/k.bin").birthTime();
    EXPECT_EQ(value("infoCreated"), born.isValid() ? dateStr(born) : QStringLiteral("—"));

    show(dir + "/empty.txt");
    EXPECT_EQ(value("infoSize"), "—");
    show(dir + "/nothing");
    EXPECT_EQ(value("infoKind"), "文件夹");
    EXPECT_EQ(value("infoSize"), "—");
    EXPECT_TRUE(page->findChild<Thumb *>("infoThumb")->isDir()) << "a folder's picture is a folder's";
}

TEST_F(GetInfoPage, FolderSizeIsShownAfterTheWalkAndCountsLinksAsLinks)
{
    const QString root = makeTree("walk", {"other/"});
    makeFile(root + "/big.bin", 3 << 20);
    makeFile(root + "/other/inside.bin", 2 << 20);
    const QString dir = makeTree("walk/folder", {"sub/"});
    makeFile(dir + "/a.txt", 5000);
    makeFile(dir + "/.hidden", 9000);
    makeFile(dir + "/sub/b.bin", 70000);
    ASSERT_EQ(::symlink("../big.bin", QFile::encodeName(dir + "/link-big").constData()), 0);
    ASSERT_EQ(::symlink("../other", QFile::encodeName(dir + "/link-dir").constData()), 0);
    const qint64 expected = allocated({dir + "/a.txt", dir + "/.hidden", dir + "/sub", dir + "/sub/b.bin",
                                       dir + "/link-big", dir + "/link-dir"});

    QStringList seen;
    auto *size = page->findChild<Kit::SelectableText *>("infoSize");
    QObject::connect(size, &QTextEdit::textChanged, size, [&] { seen << size->text(); });
    show(dir, true);
    EXPECT_EQ(seen, (QStringList{"计算中…", sizeStr(expected)}));
    EXPECT_EQ(ItemInfo::folderSize(dir).value_or(-1), expected);
}

TEST_F(GetInfoPage, AnotherItemClearsEveryFactAndAnEarlierWalkWritesNothing)
{
    const QString dir = makeTree("switch", {"many/"});
    for (int i = 0; i < 3000; ++i)
        makeFile(dir + QStringLiteral("/many/f%1").arg(i), 10);
    makeFile(dir + "/small.txt", 321);
    ASSERT_EQ(::chmod(QFile::encodeName(dir + "/small.txt").constData(), 0600), 0);

    page->setItem(dir + "/many", true);
    ASSERT_TRUE(waitFor([&] { return value("infoSize") == "计算中…"; }));
    page->setItem(dir + "/small.txt", false);
    settleWalks();
    EXPECT_EQ(value("infoSize"), sizeStr(321)) << "the folder's total never replaces the file's size";
    EXPECT_EQ(value("infoPermissions"), "600");

    // A removed file: every fact goes at once, nothing of the previous item stays.
    page->setItem(dir + "/gone.txt", false);
    for (const char *row : {"infoKind", "infoSize", "infoCreated", "infoModified", "infoPermissions"})
        EXPECT_EQ(value(row), "—") << row << " before the facts are read";
    settle();
    EXPECT_EQ(value("infoKind"), "文件");
    for (const char *row : {"infoSize", "infoCreated", "infoModified", "infoPermissions"})
        EXPECT_EQ(value(row), "—") << row;
    EXPECT_EQ(value("infoLocation"), dir);
}

TEST(FolderSize, AWalkStopsEarlyWhenAsked)
{
    const QString dir = makeTree("stop", {});
    for (int i = 0; i < 600; ++i)
        makeFile(dir + QStringLiteral("/f%1").arg(i), 1);
    int asked = 0;
    EXPECT_FALSE(ItemInfo::folderSize(dir, [&] { return ++asked >= 1; }).has_value());
    EXPECT_EQ(asked, 1) << "the first question ends the walk";
}

TEST_F(GetInfoPage, CirclesToggleTagsOnDiskAndKeepOtherTags)
{
    const QString dir = makeTree("tags", {"t.txt"});
    const QString file = dir + "/t.txt";
    if (FileTags::write(file, {"Work"}) != 0)
        GTEST_SKIP() << "the temporary file system has no user extended attributes";
    show(file);
    EXPECT_TRUE(rings().isEmpty()) << "a tag outside the seven shows no ring";

    circle("Red")->click();
    EXPECT_EQ(rings(), QStringList{"Red"}) << "the ring follows the click at once";
    settle();
    EXPECT_EQ(FileTags::read(file), (QStringList{"Work", "Red"}));
    EXPECT_EQ(rings(), QStringList{"Red"});

    circle("Red")->click();
    settle();
    EXPECT_EQ(FileTags::read(file), QStringList{"Work"});
    EXPECT_TRUE(rings().isEmpty());
}

TEST_F(GetInfoPage, AFailedTagWritePutsTheRingsBackToWhatIsOnDisk)
{
    const QString dir = makeTree("tagfail", {"t.txt"});
    const QString file = dir + "/t.txt";
    show(file);
    ASSERT_TRUE(QFile::remove(file));
    circle("Blue")->click();
    EXPECT_EQ(rings(), QStringList{"Blue"});
    settle();
    EXPECT_TRUE(rings().isEmpty()) << "the write failed: nothing is tagged";
    EXPECT_TRUE(state.status().contains("Blue")) << state.status().toStdString();
}

TEST_F(GetInfoPage, ALanguageSwitchRetranslatesInPlace)
{
    const QString dir = makeTree("language", {"box/"});
    show(dir + "/box", true);
    EXPECT_EQ(value("infoKind"), "文件夹");
    language.set(QStringLiteral("en"));
    EXPECT_EQ(value("infoKind"), "Folder");
    EXPECT_EQ(circle("Red")->accessibleName(), tagDisplay("Red"));
    EXPECT_EQ(page->path(), dir + "/box") << "nothing is read again";
}

TEST(GetInfoClosing, AWindowClosedMidWalkDropsTheWalk)
{
    ScopedLanguage language(QStringLiteral("zh-Hans"));
    const QString dir = makeTree("closing", {"many/"});
    for (int i = 0; i < 3000; ++i)
        makeFile(dir + QStringLiteral("/many/f%1").arg(i), 10);
    BrowserState state;
    auto *page = new GetInfo(state);
    page->show();
    page->setItem(dir + "/many", true);
    ASSERT_TRUE(waitFor([&] {
        return page->findChild<Kit::SelectableText *>("infoSize")->text() == "计算中…";
    }));
    delete page;
    settleWalks(); // the walk ends early and its result goes nowhere
    SUCCEED();
}

TEST(Inspector, OneSelectedItemShowsItsPageAndComingBackReadsItAfresh)
{
    ScopedLanguage language(QStringLiteral("zh-Hans"));
    const QString dir = makeTree("inspect", {"a.txt", "b.txt"});
    BrowserState state;
    state.activePane()->go(dir, false);
    settle();
    InspectorView view(state);
    view.resize(360, 700);
    view.show();
    auto *page = view.findChild<GetInfo *>("getInfo");
    ASSERT_TRUE(page);
    const QString a = FileItem::identityPath(dir + "/a.txt");
    const QString b = FileItem::identityPath(dir + "/b.txt");

    state.activePane()->setSelection({a});
    EXPECT_TRUE(page->isVisible());
    EXPECT_EQ(page->path(), a);
    state.activePane()->setSelection({a, b});
    EXPECT_FALSE(page->isVisible());
    EXPECT_TRUE(page->path().isEmpty()) << "a hidden page reads nothing";
    makeFile(a, 2048);
    state.activePane()->setSelection({a});
    settleWalks();
    EXPECT_TRUE(page->isVisible());
    EXPECT_EQ(page->findChild<Kit::SelectableText *>("infoSize")->text(), sizeStr(2048));
}

} // namespace
