// The agent in the application: started at launch when enabled, its tray item, the
// windows' menu entry on a desktop without a tray, and the hand-over of undo steps.
#include "AgentTestSupport.h"
#include "AppHooks.h"
#include "Defaults.h"
#include "Localization.h"
#include "MainWindow.h"
#include "MarovelDelegate.h"
#include "MenuCommands.h"
#include "TestSupport.h"
#include "WatchAgent.h"
#include "agent/AgentPopover.h"
#include "agent/AgentTray.h"

#include <QAction>

#include <gtest/gtest.h>

using namespace AgentTest;

namespace {

TEST(AgentWiring, TheLaunchStartsAnEnabledAgentAndWindowsWithoutATrayOfferThePopover)
{
    Loc::shared().setOverride(QStringLiteral("zh-Hans"));
    Defaults::shared().setValue(QStringLiteral("autoModelTried"), true); // no download
    Defaults::shared().setValue(QStringLiteral("agentEnabled"), true);
    watchOnly({TestSupport::makeFolder("Inbox")});

    MarovelDelegate delegate;
    delegate.didFinishLaunching();
    EXPECT_TRUE(WatchAgent::shared().isRunning());
    ASSERT_NE(delegate.tray(), nullptr);
    // The offscreen platform has no system tray, like stock desktops without an extension:
    // no item, and closing the last window quits.
    EXPECT_TRUE(delegate.tray()->trayMissing());
    EXPECT_FALSE(delegate.keepsRunningWithoutWindows());
    ASSERT_TRUE(bool(AppHooks::shared().menuBarVisibilityUpdater));
    AppHooks::shared().menuBarVisibilityUpdater(true); // still no tray: nothing breaks
    EXPECT_FALSE(delegate.tray()->hasItem());

    MainWindow *window = MainWindow::openNew();
    ASSERT_TRUE(waitFor([&] { return AppHooks::shared().active() == &window->state(); }));
    QAction *item = window->commands()->action(QStringLiteral("agentPopover"));
    ASSERT_NE(item, nullptr);
    EXPECT_EQ(item->text(), "后台盯梢");
    item->trigger();
    EXPECT_TRUE(delegate.tray()->popover()->isVisible());

    delegate.willTerminate();
    EXPECT_FALSE(delegate.tray()->popover()->isVisible());
    EXPECT_FALSE(bool(AppHooks::shared().badgeUpdater));
    delegate.stopWork();
    EXPECT_FALSE(WatchAgent::shared().isRunning());
    delete window;
}

TEST(AgentWiring, WithATrayTheWindowMenuHasNoAgentEntry)
{
    AppHooks::shared().agentPopoverAtWindow = nullptr;
    Defaults::shared().setValue(QStringLiteral("autoModelTried"), true);
    MainWindow window;
    EXPECT_EQ(window.commands()->action(QStringLiteral("agentPopover")), nullptr);
}

} // namespace
