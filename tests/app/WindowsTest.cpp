// Browser windows: the start-up steps of each window, files opened from outside, and the
// delegate that routes a launch or a later start into windows.
#include "AppHooks.h"
#include "BrowserState.h"
#include "Defaults.h"
#include "LocalLLM.h"
#include "LoopbackHttp.h"
#include "MainWindow.h"
#include "MarovelDelegate.h"
#include "ModelDownload.h"
#include "PaneState.h"
#include "TestSupport.h"

#include <QApplication>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QSignalSpy>
#include <QTest>

#include <gtest/gtest.h>

namespace {

using Loopback::waitFor;

// A model file that only a loopback server offers (it answers 404): no test reaches the
// mirrors.
class Windows : public ::testing::Test
{
protected:
    void SetUp() override
    {
        ModelDownload::ModelFile file;
        file.urls = {mirror.url(QStringLiteral("/model.gguf"))};
        file.sha256 = QString(64, u'0');
        file.targetPath = TestSupport::root() + QStringLiteral("/models/test.gguf");
        ModelDownload::setDefaultFile(file);
        qputenv("MAROVEL_TELEMETRY_URL", telemetry.base().toUtf8());
    }

    void TearDown() override
    {
        qputenv("MAROVEL_TELEMETRY_URL", "");
        // Deleting a window deletes its popups, which are top-level widgets too.
        QList<QPointer<MainWindow>> windows;
        for (QWidget *widget : QApplication::topLevelWidgets()) {
            if (auto *window = qobject_cast<MainWindow *>(widget))
                windows << window;
        }
        for (const QPointer<MainWindow> &window : windows)
            delete window.data();
    }

    static bool downloadStarted()
    {
        ModelDownload *download = ModelDownload::sharedIfMade();
        return download && download->modelFile() == ModelDownload::defaultFile();
    }

    QStringList eventTypes() const
    {
        QStringList types;
        for (const Loopback::Request &request : telemetry.requests()) {
            for (const QJsonValue &event : QJsonDocument::fromJson(request.body).object()["events"].toArray())
                types << event.toObject()["type"].toString();
        }
        return types;
    }

    static PaneState *paneOf(MainWindow *window) { return window->state().activePane(); }

    Loopback::Server mirror{[](const Loopback::Request &) { return Loopback::Reply::json({}, 404); }};
    Loopback::Server telemetry{[](const Loopback::Request &) { return Loopback::Reply::json({}, 204); }};
};

// One case per process: each starts from a fresh download.
enum class Before { nothing, modelFile, flagSet };

class StartUpDownload : public Windows, public ::testing::WithParamInterface<Before>
{
};

TEST_P(StartUpDownload, HappensAtMostOnceAndOnlyWithoutAModel)
{
    const Before before = GetParam();
    const bool downloads = before == Before::nothing;
    if (before == Before::modelFile)
        TestSupport::writeFile(LocalLLM::modelsFolder() + u'/' + LocalLLM::file05B, "not really a model");
    if (before == Before::flagSet)
        Defaults::shared().setValue(QStringLiteral("autoModelTried"), true);

    // The flag is stored before the download's first change of state.
    std::optional<bool> flagAtStart;
    QObject::connect(&ModelDownload::shared(), &ModelDownload::stateChanged, &ModelDownload::shared(), [&] {
        if (!flagAtStart)
            flagAtStart = Defaults::shared().boolValue(QStringLiteral("autoModelTried"));
    });

    MainWindow::openNew();
    QCoreApplication::processEvents();
    EXPECT_EQ(ModelDownload::shared().state().kind != ModelDownload::State::Kind::idle, downloads);
    EXPECT_EQ(flagAtStart.has_value(), downloads);
    if (downloads)
        EXPECT_EQ(flagAtStart, std::optional<bool>(true));
    EXPECT_EQ(Defaults::shared().boolValue(QStringLiteral("autoModelTried")), before != Before::modelFile);
    ModelDownload::shared().shutDown();
}

std::string caseName(const ::testing::TestParamInfo<Before> &info)
{
    switch (info.param) {
    case Before::nothing: return "NoModelNeverTried";
    case Before::modelFile: return "ModelFile";
    case Before::flagSet: return "TriedBefore";
    }
    return {};
}

INSTANTIATE_TEST_SUITE_P(Windows, StartUpDownload,
                         ::testing::Values(Before::nothing, Before::modelFile, Before::flagSet), caseName);

TEST_F(Windows, EachWindowHasItsOwnStateAndSendsTheLaunchEventsButDownloadsOnce)
{
    auto *first = MainWindow::openNew();
    ASSERT_TRUE(waitFor([&] { return downloadStarted(); }));
    EXPECT_EQ(AppHooks::shared().active(), &first->state());
    EXPECT_EQ(first->windowTitle(), "Marovel");
    EXPECT_EQ(first->minimumSize(), QSize(1100, 640));
    EXPECT_TRUE(first->testAttribute(Qt::WA_DeleteOnClose));

    ModelDownload::shared().cancel();
    QSignalSpy changes(&ModelDownload::shared(), &ModelDownload::stateChanged);
    auto *second = MainWindow::openNew();
    EXPECT_NE(&second->state(), &first->state());
    EXPECT_EQ(AppHooks::shared().active(), &second->state());
    ASSERT_TRUE(waitFor([&] { return eventTypes().count("launch") == 2 && eventTypes().count("daily_active") == 2; }));
    EXPECT_EQ(changes.count(), 0); // the flag was set by the first window

    // Closing a window deletes it and its state; the hub lets go of it.
    QPointer<MainWindow> gone(second);
    second->close();
    ASSERT_TRUE(waitFor([&] { return gone.isNull(); }));
    EXPECT_EQ(AppHooks::shared().active(), nullptr);
}

TEST_F(Windows, RenderModeStopsTheStartUpAfterRegisteringTheWindow)
{
    Defaults::shared().setArgumentDomain(
        {{QStringLiteral("MarovelRenderOnboarding"), TestSupport::root() + QStringLiteral("/shots")}});
    auto *window = MainWindow::openNew();
    EXPECT_EQ(AppHooks::shared().active(), &window->state());
    // The bootstrap's access check still reports; the launch events never follow it.
    ASSERT_TRUE(waitFor([&] { return eventTypes().contains("permission_state"); }));
    QTest::qWait(300);
    EXPECT_FALSE(eventTypes().contains("launch"));
    EXPECT_FALSE(eventTypes().contains("daily_active"));
    EXPECT_EQ(ModelDownload::shared().state().kind, ModelDownload::State::Kind::idle);
    EXPECT_FALSE(Defaults::shared().boolValue(QStringLiteral("autoModelTried")));
    Defaults::shared().setArgumentDomain({});
}

TEST_F(Windows, PathsOpenedBeforeAnyWindowAreRevealedInTheFirstWindowOnly)
{
    const QString first = TestSupport::makeFolder(QStringLiteral("a")) + QStringLiteral("/one.txt");
    const QString second = TestSupport::makeFolder(QStringLiteral("b")) + QStringLiteral("/two.txt");
    TestSupport::writeFile(first, "1");
    TestSupport::writeFile(second, "2");
    QSignalSpy activated(&AppHooks::shared(), &AppHooks::activated);

    AppHooks::shared().openExternal({first});
    AppHooks::shared().openExternal({second}); // replaces, does not extend
    EXPECT_EQ(AppHooks::shared().pending(), QStringList{second});
    EXPECT_EQ(activated.count(), 0);

    auto *window = MainWindow::openNew();
    EXPECT_TRUE(AppHooks::shared().pending().isEmpty());
    EXPECT_EQ(activated.count(), 1);
    ASSERT_TRUE(waitFor([&] { return paneOf(window)->selection() == QSet<QString>{second}; }));
    EXPECT_EQ(paneOf(window)->current(), QFileInfo(second).path());

    auto *other = MainWindow::openNew();
    QTest::qWait(100);
    EXPECT_TRUE(paneOf(other)->selection().isEmpty());
    EXPECT_EQ(activated.count(), 1);
}

TEST_F(Windows, OpeningFromOutsideRevealsTheLastExistingPathAndActivatesOnce)
{
    const QString a = TestSupport::makeFolder(QStringLiteral("a"));
    const QString b = TestSupport::makeFolder(QStringLiteral("b"));
    for (const QString name : {"a/x.txt", "a/y.txt", "b/z.txt"})
        TestSupport::writeFile(TestSupport::root() + u'/' + name, "x");
    const QString missing = TestSupport::root() + QStringLiteral("/missing");

    const struct {
        const char *name;
        QStringList paths;
        QString folder;          // where the pane ends
        QSet<QString> selection; // after the listing
    } cases[] = {
        {"two files in two folders", {a + "/x.txt", b + "/z.txt"}, b, {b + "/z.txt"}},
        {"two files in one folder", {a + "/x.txt", a + "/y.txt"}, a, {a + "/y.txt"}},
        {"a folder and a missing path", {b, missing}, b, {}},
        {"only missing paths", {missing}, QString(), {}},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.name);
        auto *window = MainWindow::openNew();
        PaneState *pane = paneOf(window);
        pane->go(TestSupport::root(), false);
        ASSERT_TRUE(waitFor([&] { return !pane->items().isEmpty(); }));
        const QString start = pane->current();
        const QStringList backBefore = pane->back();
        QSignalSpy activated(&AppHooks::shared(), &AppHooks::activated);

        AppHooks::shared().openExternal(c.paths);
        EXPECT_EQ(activated.count(), 1);
        const QString folder = c.folder.isEmpty() ? start : c.folder;
        EXPECT_EQ(pane->current(), folder);
        ASSERT_TRUE(waitFor([&] { return pane->selection() == c.selection && !pane->items().isEmpty(); }));
        QTest::qWait(100); // a later listing must not take the selection away
        EXPECT_EQ(pane->selection(), c.selection);
        if (c.folder.isEmpty())
            EXPECT_EQ(pane->back(), backBefore);
        else
            EXPECT_TRUE(pane->back().contains(start));
        window->close();
        QCoreApplication::processEvents();
    }
}

TEST_F(Windows, DelegateOpensWindowsForTheLaunchAndForLaterStarts)
{
    const QString folder = TestSupport::makeFolder(QStringLiteral("docs"));
    const QString file = folder + QStringLiteral("/report.txt");
    TestSupport::writeFile(file, "x");
    const auto windows = [] {
        int count = 0;
        for (QWidget *widget : QApplication::topLevelWidgets())
            count += qobject_cast<MainWindow *>(widget) && widget->isVisible();
        return count;
    };
    MarovelDelegate delegate;

    delegate.open({file}, AppDelegate::Origin::launch);
    ASSERT_EQ(windows(), 1);
    auto *first = MainWindow::of(AppHooks::shared().active());
    ASSERT_TRUE(first);
    ASSERT_TRUE(waitFor([&] { return paneOf(first)->selection() == QSet<QString>{file}; }));

    // A later start without paths brings the window forward; with paths they go to it.
    delegate.open({}, AppDelegate::Origin::forwarded);
    delegate.open({folder + "/.."}, AppDelegate::Origin::forwarded);
    EXPECT_EQ(windows(), 1);
    EXPECT_EQ(paneOf(first)->current(), TestSupport::root());

    // With no window left, a later start opens one that shows its paths.
    QPointer<MainWindow> gone(first);
    first->close();
    ASSERT_TRUE(waitFor([&] { return gone.isNull(); }));
    delegate.open({file}, AppDelegate::Origin::forwarded);
    ASSERT_EQ(windows(), 1);
    auto *second = MainWindow::of(AppHooks::shared().active());
    ASSERT_TRUE(second);
    ASSERT_TRUE(waitFor([&] { return paneOf(second)->selection() == QSet<QString>{file}; }));
    delegate.open({}, AppDelegate::Origin::forwarded);
    EXPECT_EQ(windows(), 1);
}

TEST(AppHooks, MenuBarAgentSettingReadsLikeABoolWithTrueAsFallback)
{
    const struct {
        QVariant stored;
        bool visible;
    } cases[] = {
        {QVariant(), true}, {QVariant(false), false}, {QVariant(true), true},
        {QVariant(0), false}, {QVariant(1), true}, {QVariant(QStringLiteral("false")), true},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.stored.toString().toStdString());
        if (c.stored.isValid())
            Defaults::shared().setValue(QStringLiteral("menuBarAgentVisible"), c.stored);
        else
            Defaults::shared().remove(QStringLiteral("menuBarAgentVisible"));
        EXPECT_EQ(AppHooks::menuBarAgentVisible(), c.visible);
    }
}

} // namespace
