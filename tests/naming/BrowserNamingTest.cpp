#include "BrowserState.h"
#include "BrowserTestSupport.h"
#include "Defaults.h"
#include "FileOps.h"
#include "Localization.h"
#include "NamingTemplate.h"
#include "PaneState.h"
#include "TestSupport.h"

#include <QFile>
#include <QFileInfo>
#include <QSignalSpy>
#include <QTest>

#include <gtest/gtest.h>

using namespace BrowserTest;

namespace {

class BrowserNaming : public testing::Test
{
protected:
    void SetUp() override
    {
        Loc::shared().setOverride(QStringLiteral("zh-Hans"));
        Defaults::shared().remove(NamingTemplate::storageKey);
        Defaults::shared().remove(QStringLiteral("preReadEnabled"));
    }

    // Opens `folder` in the browser's active pane and waits for its listing.
    void open(BrowserState &browser, const QString &folder)
    {
        browser.activePane()->go(folder, false);
        settle();
    }

    // Gives the named items of the active pane these suggestions, ticked.
    void suggest(BrowserState &browser, const QList<std::pair<QString, QString>> &names)
    {
        for (const auto &[from, to] : names) {
            const QString path = browser.activePane()->current() + u'/' + from;
            browser.setSuggestion(path, to);
            browser.setAccept(path, true);
        }
    }

    void applyAndWait(BrowserState &browser)
    {
        browser.applyRenames();
        ASSERT_TRUE(waitFor([&] { return !browser.applying(); }));
        settle();
    }

    static void writeText(const QString &path, const QByteArray &text)
    {
        QFile file(path);
        file.open(QIODevice::WriteOnly);
        file.write(text);
    }
};

TEST_F(BrowserNaming, ApplyRenamesTickedSuggestionsAsOneUndoableStep)
{
    const QString folder = makeTree("apply", {"a.txt", "b.txt", "c.txt", "d.txt", "e.txt", "f.txt", "g.txt"});
    BrowserState browser;
    open(browser, folder);
    // a and b want the same name; c takes d's name while d moves on to e2: c waits for a
    // number because d still holds the name when c moves.
    suggest(browser, {{"a.txt", "same.txt"}, {"b.txt", "same.txt"}, {"c.txt", "d.txt"},
                      {"d.txt", "d2.txt"}, {"e.txt", "e.txt"}});
    browser.setSuggestion(folder + "/f.txt", "never.txt"); // not ticked
    applyAndWait(browser);

    EXPECT_EQ(names(browser.activePane()->items()),
              (QStringList{"d 2.txt", "d2.txt", "e.txt", "f.txt", "g.txt", "same 2.txt", "same.txt"}));
    EXPECT_EQ(browser.status(), L("已改名 %lld 个（可撤销）", qint64(4)));
    ASSERT_EQ(browser.undoStack().size(), 1);
    EXPECT_EQ(browser.undoName(), L("AI 改名"));

    browser.performUndo();
    ASSERT_TRUE(waitFor([&] { return QFileInfo::exists(folder + "/a.txt") && QFileInfo::exists(folder + "/d.txt"); }));
    settle();
    EXPECT_EQ(names(browser.activePane()->items()),
              (QStringList{"a.txt", "b.txt", "c.txt", "d.txt", "e.txt", "f.txt", "g.txt"}));
}

TEST_F(BrowserNaming, ApplyRefusesNamesThatLeaveTheFolderOrHideTheFile)
{
    const QString folder = makeTree("unsafe", {"a.txt", "b.txt", "c.txt", "d.txt", ".e"});
    BrowserState browser;
    browser.setShowHidden(true);
    open(browser, folder);
    browser.setStatus("before");
    suggest(browser, {{"a.txt", "../a.txt"}, {"b.txt", ".."}, {"c.txt", ".hidden"},
                      {"d.txt", " "}});
    applyAndWait(browser);
    EXPECT_TRUE(browser.undoStack().isEmpty());
    EXPECT_EQ(browser.status(), L("%lld 个名字无效，已跳过", qint64(4)));
    EXPECT_TRUE(QFileInfo::exists(folder + "/a.txt"));
    EXPECT_FALSE(QFileInfo::exists(makeTree("", {}) + "/a.txt"));

    // A dot file may keep its dot.
    suggest(browser, {{".e", ".f"}});
    applyAndWait(browser);
    EXPECT_TRUE(QFileInfo::exists(folder + "/.f"));
}

TEST_F(BrowserNaming, NothingRenamedLeavesNoStepAndTheStatus)
{
    const QString folder = makeTree("nothing", {"a.txt"});
    BrowserState browser;
    open(browser, folder);
    suggest(browser, {{"a.txt", "b.txt"}});
    QFile::remove(folder + "/a.txt"); // vanished before the apply
    browser.setStatus("kept");
    applyAndWait(browser);
    EXPECT_TRUE(browser.undoStack().isEmpty());
    EXPECT_EQ(browser.status(), "kept");
}

TEST_F(BrowserNaming, ANameTakenBetweenChoiceAndMoveGetsTheNextNumber)
{
    const QString folder = makeTree("race", {"a.txt"});
    BrowserState browser;
    open(browser, folder);
    suggest(browser, {{"a.txt", "b.txt"}});
    FileOps::setBeforeCreateHook([folder](const QString &destination) {
        if (destination == folder + "/b.txt" && !QFileInfo::exists(destination))
            makeFile(destination, 7);
    });
    applyAndWait(browser);
    FileOps::setBeforeCreateHook({});
    EXPECT_EQ(QFileInfo(folder + "/b.txt").size(), 7);
    EXPECT_TRUE(QFileInfo::exists(folder + "/b 2.txt"));
}

TEST_F(BrowserNaming, CancelStopsBeforeTheNextFile)
{
    const QString folder = makeTree("cancel", {"1", "2", "3", "4", "5"});
    BrowserState browser;
    open(browser, folder);
    suggest(browser, {{"1", "x1"}, {"2", "x2"}, {"3", "x3"}, {"4", "x4"}, {"5", "x5"}});
    QObject::connect(&browser, &BrowserState::progressChanged, &browser, [&] {
        if (browser.progress() >= 0.4)
            browser.cancelApply();
    });
    applyAndWait(browser);
    EXPECT_EQ(names(browser.activePane()->items()), (QStringList{"3", "4", "5", "x1", "x2"}));
    EXPECT_EQ(browser.status(), L("已改名 %lld 个（可撤销）", qint64(2)));
    EXPECT_EQ(browser.undoStack().size(), 1);
}

TEST_F(BrowserNaming, BatchRuleFillsSuggestions)
{
    const QString folder = makeTree("batch", {"IMG_1.jpg", "a.txt", "b.txt", "sub/", "noext"});
    BrowserState browser;
    open(browser, folder);
    browser.applyBatchRule("IMG", "Trip", "", false);
    auto suggestionOf = [&](const QString &name) {
        for (const FileItem &item : browser.activePane()->items()) {
            if (item.name == name)
                return item.suggestion.value_or("-");
        }
        return QString("?");
    };
    EXPECT_EQ(suggestionOf("IMG_1.jpg"), "Trip_1.jpg");
    EXPECT_EQ(suggestionOf("a.txt"), "-");
    EXPECT_EQ(browser.status(), L("批量规则已生成建议，检查后点应用"));
    for (const FileItem &item : browser.activePane()->items()) {
        if (!item.isDir) {
            EXPECT_EQ(item.conf, "high");
            EXPECT_EQ(item.reason, L("批量规则"));
        }
    }

    browser.applyBatchRule("", "", "2024_", true);
    // Items are listed folders first, then by name (case ignored): a, b, IMG_1, noext.
    EXPECT_EQ(suggestionOf("a.txt"), "2024_a_001.txt");
    EXPECT_EQ(suggestionOf("b.txt"), "2024_b_002.txt");
    EXPECT_EQ(suggestionOf("IMG_1.jpg"), "2024_IMG_1_003.jpg");
    EXPECT_EQ(suggestionOf("noext"), "2024_noext_004");
    EXPECT_EQ(suggestionOf("sub"), "-");

    browser.clearSuggestions();
    for (const FileItem &item : browser.activePane()->items()) {
        EXPECT_FALSE(item.suggestion.has_value());
        EXPECT_FALSE(item.accept);
        EXPECT_EQ(item.conf, FileItem::noConfidence());
        EXPECT_TRUE(item.reason.isEmpty());
    }
}

TEST_F(BrowserNaming, ScenarioIsDetectedOnceAndFindsAnExistingFolder)
{
    const QString folder = makeTree("scenario", {"Old Receipts/", "receipts 2024/"});
    writeText(folder + "/notes.txt", "Garden Plans\n\nWe planted tomatoes and beans along the fence.");
    BrowserState browser;
    open(browser, folder);
    QFuture<ScenarioMatch> first = browser.scenario(folder + "/notes.txt");
    QFuture<ScenarioMatch> second = browser.scenario(folder + "/notes.txt");
    EXPECT_EQ(browser.scenarioInFlight().size(), 1);
    ASSERT_TRUE(waitFor([&] { return first.isFinished() && second.isFinished(); }));
    EXPECT_EQ(first.result(), second.result());
    EXPECT_TRUE(browser.scenarioCache().contains(folder + "/notes.txt"));
    EXPECT_TRUE(browser.scenarioInFlight().isEmpty());

    EXPECT_EQ(browser.existingBucket({"RECEIPT"}), std::optional<QString>("Old Receipts"));
    EXPECT_EQ(browser.existingBucket({"2024", "old"}), std::optional<QString>("Old Receipts"));
    EXPECT_EQ(browser.existingBucket({""}), std::nullopt);
    EXPECT_EQ(browser.existingBucket({}), std::nullopt);
}

TEST_F(BrowserNaming, FilingMovesIntoASafeFolderWithUndo)
{
    const QString folder = makeTree("filing", {"r.pdf", "Docs/r.pdf", "s.pdf"});
    BrowserState browser;
    open(browser, folder);
    browser.fileScenario(folder + "/r.pdf", "Docs//", "");
    ASSERT_TRUE(waitFor([&] { return browser.undoStack().size() == 1; }));
    EXPECT_TRUE(QFileInfo::exists(folder + "/Docs/r 2.pdf"));
    EXPECT_EQ(browser.status(), L("已归入 %@", QStringLiteral("Docs")));
    EXPECT_EQ(browser.undoName(), L("归档"));

    browser.fileScenario(folder + "/s.pdf", "../x/y", "");
    ASSERT_TRUE(waitFor([&] { return browser.undoStack().size() == 2; }));
    EXPECT_TRUE(QFileInfo::exists(folder + "/x/y/s.pdf"));

    browser.performUndo();
    ASSERT_TRUE(waitFor([&] { return QFileInfo::exists(folder + "/s.pdf"); }));
    EXPECT_TRUE(QFileInfo(folder + "/x/y").isDir()); // the folder made for it stays

    // A destination that cannot be made: the failure text and no step.
    makeFile(folder + "/blocked", 1);
    browser.fileScenario(folder + "/r.pdf", "blocked/inner", "");
    ASSERT_TRUE(waitFor([&] { return browser.status().startsWith(L("归档失败：%@", QString())); }));
    EXPECT_EQ(browser.undoStack().size(), 1);
}

TEST_F(BrowserNaming, OrganiseProposesInBatchesAndSummarises)
{
    const QString folder = makeTree("organise", {".hidden", "main.cpp", "sub/"});
    BrowserState browser;
    open(browser, folder);
    QSignalSpy statuses(&browser, &BrowserState::statusChanged);
    browser.organize(); // nothing eligible
    EXPECT_FALSE(browser.scanning());
    EXPECT_EQ(statuses.count(), 0);

    for (int i = 1; i <= 7; ++i)
        writeText(folder + QString("/n%1.txt").arg(i), QString("Topic %1 Plans\n\nWe planted tomatoes and beans along the south fence.").arg(i).toUtf8());
    writeText(folder + "/empty.txt", "");
    browser.activePane()->go(folder, false);
    settle();
    QStringList seen;
    QObject::connect(&browser, &BrowserState::statusChanged, &browser, [&] { seen << browser.status(); });
    browser.organize();
    EXPECT_TRUE(browser.scanning());
    ASSERT_TRUE(waitFor([&] { return !browser.scanning(); }, 60000));
    QStringList progress;
    for (int i = 1; i <= 8; ++i)
        progress << L("分析中… %lld/%lld", qint64(i), qint64(8));
    EXPECT_EQ(seen.mid(0, 8), progress);
    EXPECT_EQ(browser.acceptCount(), 7);
    EXPECT_EQ(browser.status(), L("AI 建议改名 %lld 个，保持原样 %lld 个 · 勾选后点「应用改名」", qint64(7), qint64(1)));

    // A second run over only the empty file: its count ignores the earlier ticks.
    browser.organizeURLs({folder + "/empty.txt"}, false);
    ASSERT_TRUE(waitFor([&] { return !browser.scanning(); }, 60000));
    EXPECT_EQ(browser.status(), L("AI 看过 %lld 个文件：都已是合适的名字，或没读出可命名的内容（鼠标悬停文件看原因）", qint64(1)));

    // Apply everything, then one undo restores every name.
    applyAndWait(browser);
    EXPECT_FALSE(QFileInfo::exists(folder + "/n1.txt"));
    browser.performUndo();
    ASSERT_TRUE(waitFor([&] { return QFileInfo::exists(folder + "/n1.txt") && QFileInfo::exists(folder + "/n7.txt"); }));
}

TEST_F(BrowserNaming, CancelOrganiseKeepsTheFirstBatch)
{
    const QString folder = makeTree("organise-cancel", {});
    for (int i = 1; i <= 5; ++i)
        writeText(folder + QString("/n%1.txt").arg(i), QString("Topic %1 Plans\n\nWe planted tomatoes and beans along the south fence.").arg(i).toUtf8());
    BrowserState browser;
    open(browser, folder);
    QObject::connect(&browser, &BrowserState::statusChanged, &browser, [&] {
        if (browser.status() == L("分析中… %lld/%lld", qint64(3), qint64(5)))
            browser.cancelOrganize();
    });
    browser.organize();
    ASSERT_TRUE(waitFor([&] { return !browser.scanning(); }, 60000));
    EXPECT_EQ(browser.status(), L("已停止分析 %lld/%lld", qint64(3), qint64(5)));
    EXPECT_EQ(browser.acceptCount(), 3);
    // Proposals finishing after the stop are dropped.
    QTest::qWait(300);
    settle();
    EXPECT_EQ(browser.acceptCount(), 3);
}

TEST_F(BrowserNaming, PreReadOnlyWhenEnabledAndOnlyTheNewest)
{
    const QString folder = makeTree("preread", {});
    writeText(folder + "/a.txt", "Garden Plans\n\nWe planted tomatoes.");
    writeText(folder + "/b.txt", "Kitchen Plans\n\nWe painted the walls.");
    BrowserState browser;
    open(browser, folder);
    browser.preReadCurrentFolder();
    settle();
    EXPECT_TRUE(browser.scenarioCache().isEmpty());
    EXPECT_EQ(browser.preReadGen(), 0);

    Defaults::shared().setValue("preReadEnabled", true);
    browser.preReadCurrentFolder();
    browser.preReadCurrentFolder(); // the first walk stops before its next file
    EXPECT_EQ(browser.preReadGen(), 2);
    ASSERT_TRUE(waitFor([&] { return browser.scenarioCache().size() == 2; }));
    // Everything cached: a new pre-read has nothing to walk.
    browser.preReadCurrentFolder();
    EXPECT_TRUE(browser.scenarioInFlight().isEmpty());
}

TEST_F(BrowserNaming, DemoProposesAtMostTwelveAndApplies)
{
    QStringList entries;
    for (int i = 1; i <= 14; ++i)
        entries << QString("s%1.txt").arg(i);
    const QString folder = makeTree("demo", {});
    for (const QString &name : entries)
        writeText(folder + "/" + name, ("Report " + name.left(name.size() - 4) + " Plans\n\nWe planted tomatoes and beans.").toUtf8());
    BrowserState browser;
    open(browser, folder);
    QStringList paths;
    for (const QString &name : entries)
        paths << folder + "/" + name;
    QFuture<QList<DemoItem>> demo = browser.demoProposals(paths);
    ASSERT_TRUE(waitFor([&] { return demo.isFinished(); }, 60000));
    const QList<DemoItem> rows = demo.result();
    ASSERT_EQ(rows.size(), 12);
    EXPECT_EQ(rows.first().oldName, "s1.txt");
    EXPECT_TRUE(rows.first().accept);
    QList<DemoItem> chosen = rows;
    chosen[1].accept = false;
    browser.applyDemo(chosen);
    ASSERT_TRUE(waitFor([&] { return !browser.applying(); }));
    EXPECT_EQ(browser.status(), L("已重命名 %lld 个（可撤销）", qint64(11)));
    EXPECT_EQ(browser.undoName(), L("AI 命名"));
    EXPECT_TRUE(QFileInfo::exists(folder + "/s2.txt"));
    EXPECT_FALSE(QFileInfo::exists(folder + "/s1.txt"));
}

} // namespace
