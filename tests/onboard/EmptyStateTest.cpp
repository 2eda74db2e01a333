// The empty state of a pane on real folders: when it stands in for the list, what a drop
// takes, the diff's check boxes and apply, the sample demo started from the onboarding
// reaching the pane's view through the folder watcher, and overlapping loads.
#include "BrowserState.h"
#include "BrowserTestSupport.h"
#include "OnboardTestSupport.h"
#include "PaneDemo.h"
#include "PaneState.h"
#include "kit/NamingTierHeader.h"
#include "kit/Widgets.h"
#include "list/FileListView.h"
#include "onboarding/DemoDropZone.h"
#include "onboarding/DemoRow.h"
#include "onboarding/EmptyStateView.h"
#include "window/PaneColumn.h"

#include <QAbstractButton>
#include <QCheckBox>
#include <QDropEvent>
#include <QFileInfo>
#include <QLabel>
#include <QMimeData>
#include <QPromise>
#include <QStackedWidget>
#include <QTest>
#include <QUrl>

#include <gtest/gtest.h>

using namespace OnboardTest;

namespace {

// A text the basic rules name ("Report … Plans"), so every such file gets a proposal.
void writeNameable(const QString &path, const QString &title)
{
    TestSupport::writeFile(path, ("Report " + title + " Plans\n\nWe planted tomatoes and beans.").toUtf8());
}

// A pane column on `folder`, listed and shown.
struct Column
{
    explicit Column(const QString &folder)
    {
        state.activePane()->go(folder, false);
        BrowserTest::settle();
        column = new PaneColumn(state, state.activePane());
        column->resize(900, 700);
        column->show();
    }
    ~Column()
    {
        delete column;
        BrowserTest::settle();
    }

    PaneState &pane() { return *state.activePane(); }
    PaneDemo &demo() { return pane().demo(); }
    EmptyStateView *view() const { return column->emptyState(); }
    QString page() const
    {
        return view() ? view()->findChild<QStackedWidget *>("emptyStatePages")->currentWidget()->objectName()
                      : QString("list");
    }
    template <typename T>
    T *find(const char *name) const
    {
        return view() ? view()->findChild<T *>(QString::fromLatin1(name)) : nullptr;
    }
    QList<DemoRow *> rows() const { return view()->findChildren<DemoRow *>("demoRow"); }

    // Sends a drop of `data` to the drop zone; whether it was taken.
    bool drop(QMimeData *data)
    {
        auto *zone = find<DemoDropZone>("demoDropZone");
        const QPointF at = QRectF(zone->rect()).center();
        QDragEnterEvent enter(at.toPoint(), Qt::CopyAction | Qt::MoveAction, data, Qt::LeftButton, {});
        enter.ignore();
        QCoreApplication::sendEvent(zone, &enter);
        QDropEvent drop(at, Qt::CopyAction | Qt::MoveAction, data, Qt::LeftButton, {});
        drop.ignore();
        QCoreApplication::sendEvent(zone, &drop);
        EXPECT_EQ(enter.isAccepted(), drop.isAccepted());
        return drop.isAccepted();
    }
    bool dropFiles(const QStringList &paths)
    {
        QMimeData data;
        QList<QUrl> urls;
        for (const QString &path : paths)
            urls << QUrl::fromLocalFile(path);
        data.setUrls(urls);
        return drop(&data);
    }
    bool waitForRows(qsizetype count)
    {
        return waitFor([&] { return !demo().working() && demo().items().size() == count; }, 60000);
    }

    BrowserState state;
    PaneColumn *column = nullptr;
};

struct EmptyState : testing::Test
{
    EmptyState() { resetSettings(); }
};

} // namespace

TEST_F(EmptyState, StandsInForTheListOnlyWhileTheFilterIsEmpty)
{
    Column empty(BrowserTest::makeTree("empty", {}));
    EXPECT_EQ(empty.page(), "demoTeaser");
    EXPECT_FALSE(empty.column->list()->isVisible());

    empty.pane().setFilterText("x");
    EXPECT_EQ(empty.view(), nullptr);
    EXPECT_TRUE(empty.column->list()->isVisible());
    empty.pane().setFilterText({});
    EXPECT_EQ(empty.page(), "demoTeaser");

    Column full(BrowserTest::makeTree("full", {"a.txt"}));
    EXPECT_EQ(full.view(), nullptr);
    EXPECT_TRUE(full.column->list()->isVisible());
}

TEST_F(EmptyState, TheDropZoneTakesOnlyLocalFiles)
{
    const QString folder = BrowserTest::makeTree("drops", {"a.txt"});
    Column column(BrowserTest::makeTree("drop-pane", {}));
    const struct
    {
        const char *name;
        std::function<void(QMimeData &)> fill;
        bool taken;
    } cases[] = {
        {"local file", [&](QMimeData &d) { d.setUrls({QUrl::fromLocalFile(folder + "/a.txt")}); }, true},
        {"localhost file", [&](QMimeData &d) { d.setData("text/uri-list", ("file://localhost" + folder + "/a.txt\r\n").toUtf8()); }, true},
        {"another host", [&](QMimeData &d) { d.setData("text/uri-list", ("file://elsewhere" + folder + "/a.txt\r\n").toUtf8()); }, false},
        {"web address", [](QMimeData &d) { d.setUrls({QUrl("https://example.com/a.txt")}); }, false},
        {"a path as text", [&](QMimeData &d) { d.setText(folder + "/a.txt"); }, false},
        {"no URLs", [](QMimeData &d) { d.setUrls({}); }, false},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.name);
        column.demo().end();
        QMimeData data;
        c.fill(data);
        EXPECT_EQ(column.drop(&data), c.taken);
        EXPECT_EQ(column.demo().working(), c.taken);
        EXPECT_FALSE(column.find<DemoDropZone>("demoDropZone")->hovered());
    }
}

TEST_F(EmptyState, ADropWithNothingToNameLeavesTheTeaserAndSaysSo)
{
    const QString folder = BrowserTest::makeTree("unnameable", {"blank.txt"});
    TestSupport::writeFile(folder + "/noise.bin", QByteArray("\x01\x02\x03\x04", 4));
    Column column(BrowserTest::makeTree("unnameable-pane", {}));
    ASSERT_TRUE(column.dropFiles({folder + "/blank.txt", folder + "/noise.bin"}));
    EXPECT_TRUE(column.find<QWidget>("demoWorking")->isVisible());
    ASSERT_TRUE(waitFor([&] { return !column.demo().working(); }, 60000));
    EXPECT_EQ(column.page(), "demoTeaser");
    EXPECT_FALSE(column.find<QWidget>("demoWorking")->isVisible());
    EXPECT_EQ(column.state.status(), L("这些文件没读出可命名的内容（可能是乱码/无文本）"));
}

TEST_F(EmptyState, ApplyRenamesOnlyTheTickedFilesAndGoesToTheFirstOnesFolder)
{
    const struct
    {
        const char *name;
        std::vector<int> ticked; // rows left ticked; the files are b1, c1, b2
        const char *folder;      // where the pane goes
    } cases[] = {
        {"one ticked", {2}, "b"},
        {"mixed folders: the first ticked in list order", {1, 2}, "c"},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.name);
        resetSettings();
        const QString root = BrowserTest::makeTree(QString("apply-%1").arg(c.ticked.size()), {"b/", "c/", "pane/"});
        const QStringList files{root + "/b/n1.txt", root + "/c/n2.txt", root + "/b/n3.txt"};
        for (const QString &file : files)
            writeNameable(file, QFileInfo(file).baseName());
        Column column(root + "/pane");
        ASSERT_TRUE(column.dropFiles(files));
        ASSERT_TRUE(column.waitForRows(3));
        EXPECT_EQ(column.page(), "demoDiff");
        QList<DemoRow *> rows = column.rows();
        ASSERT_EQ(rows.size(), 3);
        auto *apply = column.find<QAbstractButton>("demoApply");
        EXPECT_TRUE(apply->isEnabled());
        for (DemoRow *row : rows)
            row->findChild<QCheckBox *>("demoAccept")->click();
        EXPECT_FALSE(apply->isEnabled());
        EXPECT_FALSE(column.demo().anyAccepted());
        for (int index : c.ticked)
            rows.at(index)->findChild<QCheckBox *>("demoAccept")->click();
        EXPECT_TRUE(apply->isEnabled());

        const QList<DemoItem> items = column.demo().items();
        QTest::mouseClick(apply, Qt::LeftButton);
        EXPECT_EQ(column.pane().current(), root + "/" + c.folder);
        ASSERT_TRUE(waitFor([&] { return !column.state.applying(); }));
        BrowserTest::settle();
        for (int i = 0; i < 3; ++i) {
            const bool ticked = std::find(c.ticked.begin(), c.ticked.end(), i) != c.ticked.end();
            EXPECT_EQ(QFileInfo::exists(items.at(i).path), !ticked) << i;
            EXPECT_EQ(QFileInfo::exists(QFileInfo(items.at(i).path).path() + "/" + items.at(i).newName), ticked) << i;
        }
        EXPECT_EQ(column.state.undoName(), L("AI 命名"));
        // The demo ended and the pane lists the renamed files.
        EXPECT_FALSE(column.demo().active());
        EXPECT_EQ(column.view(), nullptr);
        EXPECT_FALSE(column.pane().items().isEmpty());
    }
}

TEST_F(EmptyState, StartingOverOrLeavingTheFolderEndsTheDemo)
{
    const QString folder = BrowserTest::makeTree("restart", {});
    writeNameable(folder + "/r1.txt", "r1");
    Column column(BrowserTest::makeTree("restart-pane", {}));

    ASSERT_TRUE(column.dropFiles({folder + "/r1.txt"}));
    ASSERT_TRUE(column.waitForRows(1));
    QTest::mouseClick(column.find<QAbstractButton>("demoRestart"), Qt::LeftButton);
    EXPECT_EQ(column.page(), "demoTeaser");
    EXPECT_TRUE(QFileInfo::exists(folder + "/r1.txt"));

    // Leaving while a load runs: its proposals never arrive.
    ASSERT_TRUE(column.dropFiles({folder + "/r1.txt"}));
    column.pane().go(folder, true);
    EXPECT_FALSE(column.demo().working());
    BrowserTest::settle();
    EXPECT_FALSE(column.demo().active());
    EXPECT_EQ(column.view(), nullptr);
}

TEST_F(EmptyState, OnlyTheLatestLoadSetsTheProposals)
{
    const QString folder = BrowserTest::makeTree("overlap", {});
    writeNameable(folder + "/slow.txt", "slow");
    writeNameable(folder + "/fast.txt", "fast");
    Column column(BrowserTest::makeTree("overlap-pane", {}));
    // The first load waits on a detection the test holds.
    QPromise<ScenarioMatch> held;
    held.start();
    column.state.scenarioInFlight().insert(folder + "/slow.txt", held.future());

    ASSERT_TRUE(column.dropFiles({folder + "/slow.txt"}));
    ASSERT_TRUE(column.dropFiles({folder + "/fast.txt"}));
    ASSERT_TRUE(column.waitForRows(1));
    EXPECT_EQ(column.demo().items().at(0).oldName, "fast.txt");

    held.addResult(ScenarioMatch{});
    held.finish();
    BrowserTest::settle();
    ASSERT_EQ(column.demo().items().size(), 1);
    EXPECT_EQ(column.demo().items().at(0).oldName, "fast.txt");
    EXPECT_FALSE(column.demo().working());
}

TEST_F(EmptyState, TheStaleHintIsDecidedWhenTheLoadStarts)
{
    const QString folder = BrowserTest::makeTree("stale", {});
    writeNameable(folder + "/s1.txt", "s1");
    Column column(BrowserTest::makeTree("stale-pane", {}));
    QPromise<ScenarioMatch> held;
    held.start();
    column.state.scenarioInFlight().insert(folder + "/s1.txt", held.future());

    ASSERT_TRUE(column.dropFiles({folder + "/s1.txt"})); // basic rules only
    column.state.setOllamaUp(true);                       // ready before the answer
    const ScenarioMatch match = [&] {
        BrowserState other;
        QFuture<ScenarioMatch> detected = other.scenario(folder + "/s1.txt");
        waitFor([&] { return detected.isFinished(); }, 60000);
        return detected.result();
    }();
    held.addResult(match);
    held.finish();
    ASSERT_TRUE(column.waitForRows(1));
    EXPECT_TRUE(column.demo().generatedWhileBasic());
    ASSERT_TRUE(waitFor([&] { return column.find<Kit::NamingTierHeader>("namingTierHeader")->ready(); }));
    EXPECT_TRUE(column.find<QLabel>("tierStaleHint")->isVisible());

    // A load made while ready has no hint.
    column.demo().end();
    ASSERT_TRUE(column.dropFiles({folder + "/s1.txt"}));
    ASSERT_TRUE(column.waitForRows(1));
    EXPECT_FALSE(column.demo().generatedWhileBasic());
    EXPECT_FALSE(column.find<QLabel>("tierStaleHint")->isVisible());
}

TEST_F(EmptyState, LongNamesElideInTheMiddleWithTheFullNameAsTooltip)
{
    const QString folder = BrowserTest::makeTree("long", {});
    const QString longName = "a-very-long-file-name-" + QString(80, 'x') + "-end.txt";
    writeNameable(folder + "/" + longName, "long");
    Column column(BrowserTest::makeTree("long-pane", {}));
    column.column->resize(420, 600);
    ASSERT_TRUE(column.dropFiles({folder + "/" + longName}));
    ASSERT_TRUE(column.waitForRows(1));
    QTest::qWait(20);
    auto *old = column.rows().at(0)->findChild<Kit::ElidingLabel *>("demoOldName");
    EXPECT_TRUE(old->isElided());
    EXPECT_EQ(old->toolTip(), longName);
    EXPECT_LE(old->width(), column.column->width());
}

TEST_F(EmptyState, TheSampleButtonFillsANewFolderEachTimeAndKeepsThePane)
{
    const QString home = BrowserTest::makeTree("sample-pane", {});
    Column column(home);
    QStringList folders;
    for (int press = 0; press < 2; ++press) {
        QTest::mouseClick(column.find<QAbstractButton>("demoSampleButton"), Qt::LeftButton);
        EXPECT_TRUE(column.demo().working());
        ASSERT_TRUE(waitFor([&] { return !column.demo().working(); }, 60000));
        ASSERT_FALSE(column.demo().items().isEmpty());
        const QString folder = QFileInfo(column.demo().items().at(0).path).path();
        EXPECT_EQ(QDir(folder).entryList(QDir::Files).size(), 4);
        folders << folder;
        EXPECT_EQ(column.pane().current(), home);
        EXPECT_EQ(column.page(), "demoDiff");
        QTest::mouseClick(column.find<QAbstractButton>("demoRestart"), Qt::LeftButton);
    }
    EXPECT_NE(folders.at(0), folders.at(1));
}

TEST_F(EmptyState, TheSampleDemoFromTheSheetKeepsItsProposalsWhenTheFolderIsRelisted)
{
    Column column(BrowserTest::makeTree("sheet-pane", {}));
    column.state.startSampleDemo(); // what the sheet's and the banner's buttons do
    const QString folder = column.pane().current();
    // The pane's watcher re-lists the folder once the samples are written; the demo stays.
    ASSERT_TRUE(waitFor([&] { return column.pane().items().size() == 4; }, 60000));
    ASSERT_TRUE(waitFor([&] { return !column.demo().working(); }, 60000));
    EXPECT_TRUE(column.state.sampleDemoDir().isEmpty()); // taken once
    ASSERT_FALSE(column.demo().items().isEmpty());
    EXPECT_EQ(QFileInfo(column.demo().items().at(0).path).path(), folder);
    EXPECT_EQ(column.page(), "demoDiff");
    EXPECT_EQ(column.rows().size(), column.demo().items().size());

    // Starting over shows the folder's files.
    QTest::mouseClick(column.find<QAbstractButton>("demoRestart"), Qt::LeftButton);
    EXPECT_EQ(column.view(), nullptr);
    EXPECT_TRUE(column.column->list()->isVisible());
}

TEST_F(EmptyState, TheSampleFolderWaitsForThePaneThatEntersIt)
{
    Column column(BrowserTest::makeTree("waiting-pane", {}));
    const QString elsewhere = BrowserTest::makeTree("waiting-sample", {});
    column.state.setSampleDemoDir(elsewhere);
    BrowserTest::settle();
    EXPECT_EQ(column.state.sampleDemoDir(), elsewhere);
    EXPECT_FALSE(column.demo().active());
    EXPECT_TRUE(QDir(elsewhere).isEmpty());

    column.pane().go(elsewhere, true);
    ASSERT_TRUE(waitFor([&] { return column.demo().items().size() > 0; }, 60000));
    EXPECT_TRUE(column.state.sampleDemoDir().isEmpty());
    EXPECT_EQ(QDir(elsewhere).entryList(QDir::Files).size(), 4);
}

TEST_F(EmptyState, ClosingTheWindowWhileReadingDropsTheAnswer)
{
    const QString folder = BrowserTest::makeTree("closing", {});
    writeNameable(folder + "/c1.txt", "c1");
    {
        Column column(BrowserTest::makeTree("closing-pane", {}));
        QTest::mouseClick(column.find<QAbstractButton>("demoSampleButton"), Qt::LeftButton);
        ASSERT_TRUE(column.dropFiles({folder + "/c1.txt"}));
        delete column.column; // the view first, then the window's state with its panes
        column.column = nullptr;
    }
    BrowserTest::settle();
    EXPECT_TRUE(QFileInfo::exists(folder + "/c1.txt"));
}
