#include "BrowserState.h"
#include "BrowserTestSupport.h"
#include "Defaults.h"
#include "Localization.h"
#include "Namer.h"
#include "Opener.h"
#include "PaneState.h"
#include "Store.h"
#include "TestSupport.h"
#include "Volumes.h"

#include <QDir>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QPointer>
#include <QSignalSpy>
#include <QUrl>

#include <gtest/gtest.h>

using namespace BrowserTest;

namespace {

class Startup : public testing::Test
{
protected:
    void SetUp() override { Loc::shared().setOverride(QStringLiteral("zh-Hans")); }
    void TearDown() override { settle(); }

    static QStringList folders(const BrowserState &browser)
    {
        QStringList list;
        for (const PaneState *pane : browser.panes())
            list << pane->current();
        return list;
    }
};

TEST_F(Startup, FirstLaunchOpensOneHomePane)
{
    if (Store::shared().session())
        GTEST_SKIP() << "needs a process of its own (CTest runs each test so)";
    BrowserState browser;
    browser.bootstrap();
    EXPECT_EQ(folders(browser), QStringList{QDir::homePath()});
    EXPECT_EQ(browser.activeIndex(), 0);
    EXPECT_EQ(browser.layout(), PaneLayout::Single);
    EXPECT_TRUE(browser.hasFDA());
    settle();
    EXPECT_EQ(browser.activePane()->watcher() != nullptr, true);
}

TEST_F(Startup, RestoresTheSavedSession)
{
    const QString home = QDir::homePath();
    const QString a = makeTree("A", {}), b = makeTree("B", {}), c = makeTree("C", {});
    const QString file = TestSupport::root() + "/file.txt";
    makeFile(file);
    struct Case
    {
        const char *what;
        QVariant launchRestore; // invalid: absent
        Store::Session session;
        PaneLayout layout;
        QStringList panes;
        int active;
    };
    const Case cases[] = {
        {"three panes, active past the end", {}, {{a, b, c}, "triPin", 7}, PaneLayout::TriPin, {a, b, c}, 2},
        {"a negative active index", {}, {{a, b}, "dual", -1}, PaneLayout::Dual, {a, b}, 0},
        {"a missing folder and a file open the home folder", {},
         {{a, b + "/gone", file}, "triPin", 0}, PaneLayout::TriPin, {a, home, home}, 0},
        {"an empty path list is no session", {}, {{}, "quad", 0}, PaneLayout::Single, {home}, 0},
        {"restoring switched off", false, {{a, b}, "dual", 1}, PaneLayout::Single, {home}, 0},
        {"a setting that is not a Boolean counts as on", QStringLiteral("no"), {{a, b}, "dual", 1},
         PaneLayout::Dual, {a, b}, 1},
        // Layout and pane count reconciled as a layout change would.
        {"quad with two paths", {}, {{a, b}, "quad", 1}, PaneLayout::Quad, {a, b, b, b}, 1},
        {"single with three paths", {}, {{a, b, c}, "single", 2}, PaneLayout::Single, {c}, 0},
        {"an unknown layout", {}, {{a, b}, "Quad", 0}, PaneLayout::Single, {a}, 0},
    };
    for (const Case &c : cases) {
        if (c.launchRestore.isValid())
            Defaults::shared().setValue("launchRestore", c.launchRestore);
        else
            Defaults::shared().remove("launchRestore");
        Store::shared().saveSession(c.session);
        BrowserState browser;
        browser.bootstrap();
        EXPECT_EQ(browser.layout(), c.layout) << c.what;
        EXPECT_EQ(folders(browser), c.panes) << c.what;
        EXPECT_EQ(browser.activeIndex(), c.active) << c.what;
        for (const PaneState *pane : browser.panes())
            EXPECT_EQ(pane->owner(), &browser) << c.what;
        settle();
    }
}

TEST_F(Startup, LayoutGrowsOnTheActiveFolderAndShrinksAroundTheActivePane)
{
    const QString f = makeTree("F", {});
    BrowserState browser;
    browser.activePane()->go(f, true);
    browser.setLayout(PaneLayout::Quad);
    EXPECT_EQ(folders(browser), (QStringList{f, f, f, f}));
    EXPECT_EQ(browser.activeIndex(), 0);
    EXPECT_EQ(browser.layout(), PaneLayout::Quad);

    const QStringList distinct{makeTree("P0", {}), makeTree("P1", {}), makeTree("P2", {}),
                               makeTree("P3", {})};
    for (int i = 0; i < 4; ++i)
        browser.panes().at(i)->go(distinct[i], true);
    settle();
    browser.setActivePane(2);
    QList<QPointer<PaneState>> all;
    for (PaneState *pane : browser.panes())
        all << pane;

    browser.setLayout(PaneLayout::Dual);
    EXPECT_EQ(folders(browser), (QStringList{distinct[2], distinct[0]}));
    EXPECT_EQ(browser.activeIndex(), 0);
    for (int dropped : {1, 3}) {
        ASSERT_TRUE(all[dropped]);
        EXPECT_EQ(all[dropped]->watcher(), nullptr);
    }
    EXPECT_NE(all[2]->watcher(), nullptr);
    settle();
    EXPECT_FALSE(all[1]); // deleted later
    EXPECT_FALSE(all[3]);

    browser.setLayout(PaneLayout::Single);
    EXPECT_EQ(folders(browser), QStringList{distinct[2]});
    EXPECT_EQ(Store::shared().session()->layout, "single");
    EXPECT_EQ(Store::shared().session()->panes, QStringList{distinct[2]});
}

TEST_F(Startup, ActivePaneOutsideTheRangeIsIgnored)
{
    BrowserState browser;
    browser.setLayout(PaneLayout::Dual);
    settle();
    QSignalSpy saved(&Store::shared(), &Store::sessionChanged);
    QSignalSpy index(&browser, &BrowserState::activeIndexChanged);
    browser.setActivePane(4);
    browser.setActivePane(-1);
    browser.setActivePane(2);
    EXPECT_EQ(saved.count(), 0);
    EXPECT_EQ(index.count(), 0);
    browser.setActivePane(1);
    EXPECT_EQ(browser.activeIndex(), 1);
    EXPECT_EQ(saved.count(), 1);

    PaneState stray(QStringLiteral("/"));
    EXPECT_EQ(browser.indexOf(&stray), 0);
    EXPECT_EQ(browser.indexOf(browser.panes().at(1)), 1);
}

TEST_F(Startup, GoToPathExpandsTheTildeAndRefusesFiles)
{
    const QString docs = makeTree("home/Docs", {"inner/"});
    makeFile(docs + "/note.txt");
    BrowserState browser;
    PaneState *pane = browser.activePane();
    const QString start = pane->current();
    browser.scenarioCache().insert("x", ScenarioMatch{});

    browser.goToPath("~/Docs");
    EXPECT_EQ(pane->current(), docs);
    EXPECT_EQ(pane->back(), QStringList{start});
    EXPECT_TRUE(browser.scenarioCache().isEmpty());

    browser.goToPath("inner"); // relative to the folder shown
    EXPECT_EQ(pane->current(), docs + "/inner");

    for (const QString &bad : {docs + "/note.txt", docs + "/missing", QString()}) {
        browser.setStatus({});
        browser.goToPath(bad);
        EXPECT_EQ(browser.status(), "路径不存在或不是文件夹") << bad.toStdString();
        EXPECT_EQ(pane->current(), docs + "/inner");
    }
}

TEST_F(Startup, OpenSelectionEntersOneFolderAndOpensOnlyFiles)
{
    const QString folder = makeTree("open", {"a.txt", "b.pdf", "dir/"});
    QList<QUrl> opened;
    Opener::ScopedHandler handler([&opened](const QUrl &url) {
        opened << url;
        return true;
    });
    BrowserState browser;
    PaneState *pane = browser.activePane();
    pane->go(folder, true);
    settle();

    pane->setSelection({folder + "/dir", folder + "/a.txt", folder + "/b.pdf"});
    browser.openSelection();
    EXPECT_EQ(opened, (QList<QUrl>{QUrl::fromLocalFile(folder + "/a.txt"),
                                   QUrl::fromLocalFile(folder + "/b.pdf")}));
    EXPECT_EQ(pane->current(), folder);

    opened.clear();
    pane->setSelection({});
    browser.openSelection();
    EXPECT_TRUE(opened.isEmpty());

    pane->setSelection({folder + "/dir"});
    browser.openSelection();
    EXPECT_EQ(pane->current(), folder + "/dir");
    EXPECT_EQ(pane->back().last(), folder);
    EXPECT_TRUE(opened.isEmpty());

    browser.open(item("x.md", false, 0, {}, {}, {}, folder));
    EXPECT_EQ(opened, QList<QUrl>{QUrl::fromLocalFile(folder + "/x.md")});
}

TEST_F(Startup, TargetsAreTheSelectionOnlyWhenTheItemIsPartOfASelectionOfSeveral)
{
    BrowserState browser;
    PaneState *pane = browser.activePane();
    pane->setItems({item("a"), item("b"), item("c"), item("d")});
    pane->setSelection({"/tmp/x/a"});
    EXPECT_EQ(browser.targets("/tmp/x/a"), QStringList{"/tmp/x/a"});
    pane->setSelection({"/tmp/x/c", "/tmp/x/a", "/tmp/x/b"});
    EXPECT_EQ(browser.targets("/tmp/x/d"), QStringList{"/tmp/x/d"});
    EXPECT_EQ(browser.targets("/tmp/x/b"), (QStringList{"/tmp/x/a", "/tmp/x/b", "/tmp/x/c"}));
}

TEST_F(Startup, IconsAreCachedByKind)
{
    const QString folder = makeTree("icons", {"a.PDF", "b.pdf", "README", "x.tar.gz", "Tool.app/",
                                              "Other.app/", "sub/", "more/"});
    BrowserState browser;
    for (const auto &[name, isDir] : QList<std::pair<QString, bool>>{{"a.PDF", false},
                                                                    {"b.pdf", false},
                                                                    {"README", false},
                                                                    {"x.tar.gz", false},
                                                                    {"Tool.app", true},
                                                                    {"Other.app", true},
                                                                    {"sub", true},
                                                                    {"more", true}})
        browser.icon(folder + "/" + name, isDir);
    QStringList keys = browser.iconCache().keys();
    keys.sort();
    EXPECT_EQ(keys, (QStringList{"application/pdf", "application/x-compressed-tar", "inode/directory",
                                 "text/x-readme"}));
}

TEST_F(Startup, FavouritesAreHomeAndTheStandardFoldersThatExist)
{
    const QString home = QDir::homePath();
    QDir().mkpath(home + "/Documents");
    QDir().mkpath(home + "/Downloads");
    BrowserState browser;
    browser.bootstrap();
    EXPECT_EQ(browser.favorites(), (QStringList{home, home + "/Documents", home + "/Downloads"}));
}

TEST_F(Startup, VolumesFollowTheMonitor)
{
    ScopedVolumeMonitor monitor({Volume{"Root", "/", false, false}});
    BrowserState browser;
    browser.bootstrap();
    browser.bootstrap(); // a second start connects nothing twice
    ASSERT_EQ(browser.volumes().size(), 1);
    QSignalSpy changed(&browser, &BrowserState::volumesChanged);
    monitor.setVolumes({Volume{"Root", "/", false, false}, Volume{"USB", "/media/usb", true, true}});
    EXPECT_EQ(changed.count(), 1);
    ASSERT_EQ(browser.volumes().size(), 2);
    EXPECT_EQ(browser.volumes().at(1).path, "/media/usb");
    EXPECT_TRUE(browser.volumes().at(1).ejectable);
}

TEST_F(Startup, ModelProbeAndAccessCheckReportTheirAnswers)
{
    Loopback::Server ollama([](const Loopback::Request &request) {
        return request.path == "/api/tags" ? Loopback::Reply::json(R"({"models":[]})")
                                           : Loopback::Reply::json({}, 404);
    });
    Loopback::Server telemetry([](const Loopback::Request &) { return Loopback::Reply::json({}, 204); });
    Defaults::shared().setValue(Namer::endpointKey, ollama.base());
    qputenv("MAROVEL_TELEMETRY_URL", telemetry.base().toUtf8());
    Namer::resetProbeCache();

    BrowserState browser;
    QSignalSpy up(&browser, &BrowserState::ollamaUpChanged);
    browser.recheckModel();
    ASSERT_TRUE(waitFor([&] { return browser.ollamaUp(); }));
    EXPECT_EQ(up.count(), 1);
    EXPECT_TRUE(Namer::ollamaReachableCached()); // recorded: answered without asking again
    EXPECT_EQ(ollama.hits(), 1);

    ollama.setHandler([](const Loopback::Request &) { return Loopback::Reply::json({}, 500); });
    browser.recheckModel();
    ASSERT_TRUE(waitFor([&] { return !browser.ollamaUp(); }));
    EXPECT_FALSE(Namer::ollamaReachableCached());

    browser.checkFDA();
    browser.checkFDA(); // sent on every call, also when nothing changed
    ASSERT_TRUE(telemetry.waitForHits(2));
    for (const Loopback::Request &request : telemetry.requests()) {
        const QJsonObject event =
            QJsonDocument::fromJson(request.body).object()["events"].toArray().at(0).toObject();
        EXPECT_EQ(event["type"].toString(), "permission_state");
    }
    EXPECT_TRUE(browser.hasFDA());
    qputenv("MAROVEL_TELEMETRY_URL", "");
}

} // namespace
