// The browser's background writes as jobs of the process-wide registry: quitting can
// stop them between items, and once it has begun they do not start.
#include "BrowserState.h"
#include "FileJobs.h"
#include "LoopbackHttp.h"
#include "PaneState.h"
#include "TestSupport.h"
#include "Trash.h"

#include <QDir>
#include <QFile>
#include <QSignalSpy>

#include <gtest/gtest.h>

namespace {

using Loopback::waitFor;

QStringList filesIn(const QString &folder)
{
    return QDir(folder).entryList(QDir::Files | QDir::Hidden, QDir::Name);
}

// `browser`'s pane on `folder`, listed, with every file selected.
void selectAll(BrowserState &browser, const QString &folder)
{
    PaneState *pane = browser.activePane();
    pane->go(folder, false);
    ASSERT_TRUE(waitFor([&] { return pane->items().size() == filesIn(folder).size(); }));
    QSet<QString> all;
    for (const FileItem &item : pane->items())
        all << item.path;
    pane->setSelection(all);
}

TEST(BrowserJobs, CancelledPasteKeepsWhatItCopiedAndLeavesNoPartialFile)
{
    const QString source = TestSupport::makeFolder(QStringLiteral("source"));
    const QString target = TestSupport::makeFolder(QStringLiteral("target"));
    for (int i = 0; i < 400; ++i)
        TestSupport::writeFile(source + QStringLiteral("/file-%1.bin").arg(i, 3, 10, QChar(u'0')),
                               QByteArray(64 * 1024, char('a' + i % 26)));
    BrowserState browser;
    selectAll(browser, source);
    browser.copySel();
    QSignalSpy listed(browser.activePane(), &PaneState::listed);
    browser.activePane()->go(target, false);
    ASSERT_TRUE(listed.wait(10000));

    const QString copiedStatus = browser.status();
    browser.paste();
    EXPECT_EQ(FileJobs::shared().runningCount(), 1);
    FileJobs::shared().cancelAll();
    ASSERT_TRUE(FileJobs::shared().waitForIdle(std::chrono::seconds(10)));
    ASSERT_TRUE(waitFor([&] { return browser.status() != copiedStatus; }));

    // Every file that arrived is whole, and an undo step takes exactly those back (none
    // when the paste stopped before its first file).
    const QStringList copied = filesIn(target);
    EXPECT_LT(copied.size(), 400);
    EXPECT_EQ(browser.undoStack().isEmpty(), copied.isEmpty());
    for (const QString &name : copied)
        EXPECT_EQ(QFileInfo(target + u'/' + name).size(), 64 * 1024) << name.toStdString();
    EXPECT_EQ(browser.activePane()->selection().size(), copied.size());
}

TEST(BrowserJobs, NoWriteStartsOnceQuittingHasBegun)
{
    const QString folder = TestSupport::makeFolder(QStringLiteral("docs"));
    TestSupport::writeFile(folder + "/a.txt", "a");
    TestSupport::writeFile(folder + "/b.txt", "b");
    const QString trashed = TestSupport::makeFolder(QStringLiteral("old")) + "/gone.txt";
    TestSupport::writeFile(trashed, "x");
    ASSERT_TRUE(Trash::moveToTrash(trashed));
    BrowserState browser;
    selectAll(browser, folder);
    browser.copySel();
    const QString elsewhere = TestSupport::makeFolder(QStringLiteral("elsewhere"));
    browser.pushUndo("rename", OpKind::Rename, {{folder + "/old.txt", folder + "/a.txt"}},
                     Reversal::MoveBack, Recording::None);
    const QStringList before = filesIn(folder);

    FileJobs::shared().refuseNew();
    const struct {
        const char *name;
        std::function<void()> run;
    } writes[] = {
        {"paste", [&] { browser.paste(); }},
        {"paste as move", [&] { browser.paste(true); }},
        {"duplicate", [&] { browser.duplicateSel(); }},
        {"compress", [&] { browser.compress({folder + "/a.txt"}); }},
        {"move into a new folder", [&] { browser.newFolderWithSelection(); }},
        {"trash", [&] { browser.trash({folder + "/a.txt"}); }},
        {"empty trash", [&] { browser.emptyTrash(); }},
        {"file into a folder", [&] { browser.fileScenario(folder + "/b.txt", "filed", {}); }},
        {"rename", [&] { browser.rename(folder + "/a.txt", "c.txt"); }},
        {"drop", [&] { browser.dropInto(elsewhere, {folder + "/a.txt"}); }},
        {"undo", [&] { browser.performUndo(); }},
    };
    for (const auto &write : writes) {
        SCOPED_TRACE(write.name);
        write.run();
        EXPECT_EQ(FileJobs::shared().runningCount(), 0);
    }
    QTest::qWait(200);
    EXPECT_EQ(filesIn(folder), before);
    EXPECT_EQ(QDir(folder).entryList(QDir::Dirs | QDir::NoDotAndDotDot), QStringList());
    EXPECT_EQ(Trash::itemCount(), 1);
    EXPECT_TRUE(filesIn(elsewhere).isEmpty());
    EXPECT_EQ(browser.undoStack().size(), 1); // the undo that could not run keeps its step
}

} // namespace
