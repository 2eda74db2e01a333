// The tray item behind a stand-in tray, the desktop without a tray, and where the popover
// opens.
#include "AgentTestSupport.h"
#include "Defaults.h"
#include "Localization.h"
#include "TestSupport.h"
#include "WatchAgent.h"
#include "agent/AgentPopover.h"
#include "agent/AgentTray.h"
#include "agent/PopoverPlacement.h"

#include <QAction>
#include <QMenu>
#include <QSignalSpy>
#include <QWidget>

#include <gtest/gtest.h>

using namespace AgentTest;

namespace {

// Records what the tray item would show.
class FakeTray : public TrayIcon
{
public:
    void setIcon(const QIcon &icon) override { this->icon = icon; }
    void setToolTip(const QString &text) override { toolTip = text; }
    void setContextMenu(QMenu *menu) override { this->menu = menu; }
    void show() override { shown = true; }
    QRect geometry() const override { return rect; }

    QIcon icon;
    QString toolTip;
    QMenu *menu = nullptr;
    bool shown = false;
    QRect rect;
};

class Tray : public testing::Test
{
protected:
    void SetUp() override
    {
        Loc::shared().setOverride(QStringLiteral("zh-Hans"));
        m_folder = TestSupport::makeFolder("Inbox");
        watchOnly({m_folder});
        WatchAgent::Options options = fastOptions(m_log, [](const QString &path, const QString &) {
            return goodMatch(QStringLiteral("Named ") + QFileInfo(path).completeBaseName());
        });
        m_agent = std::make_unique<WatchAgent>(options);
        // As the application wires it: the agent reports through the shared slot.
        m_agent->setHooks({{}, [this](int count) {
                               if (m_badgeUpdater)
                                   m_badgeUpdater(count);
                           }});
    }

    AgentTray::IconMaker fakeMaker()
    {
        return [this]() -> std::unique_ptr<TrayIcon> {
            auto icon = std::make_unique<FakeTray>();
            m_made << icon.get();
            return icon;
        };
    }

    void propose(const QStringList &names)
    {
        QSignalSpy watching(m_agent.get(), &WatchAgent::watching);
        m_agent->start();
        ASSERT_TRUE(watching.wait(5000));
        for (const QString &name : names)
            TestSupport::writeFile(m_folder + "/" + name, "x");
        ASSERT_TRUE(waitFor([&] { return m_agent->pending().size() == names.size(); }));
    }

    QString m_folder;
    std::shared_ptr<AnalysisLog> m_log = std::make_shared<AnalysisLog>();
    std::unique_ptr<WatchAgent> m_agent;
    AgentTray::BadgeUpdater m_badgeUpdater;
    QList<FakeTray *> m_made;
};

TEST(TrayBadge, TextAfterTheSymbol)
{
    EXPECT_EQ(badgeText(3), " 3");
    EXPECT_EQ(badgeText(12), " 12");
    EXPECT_EQ(badgeText(0), "");
    EXPECT_EQ(badgeText(-1), "");
}

TEST_F(Tray, SetupMakesOneItemThatFollowsTheCount)
{
    AgentTray tray(*m_agent, m_badgeUpdater, fakeMaker());
    tray.setup();
    tray.setup(); // idempotent
    ASSERT_EQ(m_made.size(), 1);
    FakeTray *item = m_made.first();
    EXPECT_TRUE(item->shown);
    EXPECT_EQ(item->menu, tray.menu());
    EXPECT_FALSE(item->icon.isNull());
    EXPECT_EQ(item->toolTip, "后台盯梢");
    ASSERT_TRUE(bool(m_badgeUpdater));

    propose({"a.txt", "b.txt"});
    EXPECT_EQ(item->toolTip, trayToolTip(2));
    EXPECT_EQ(trayToolTip(2), "后台盯梢 · 2 个待确认");
}

TEST_F(Tray, RemovedAndSetUpAgainTheItemShowsTheCurrentCount)
{
    AgentTray tray(*m_agent, m_badgeUpdater, fakeMaker());
    tray.setup();
    m_made.first()->rect = QRect(100, 0, 24, 24);
    tray.togglePopover();
    ASSERT_TRUE(tray.popover()->isVisible());

    tray.remove();
    EXPECT_FALSE(tray.hasItem());
    EXPECT_FALSE(bool(m_badgeUpdater));
    EXPECT_FALSE(tray.popover()->isVisible());
    propose({"a.txt", "b.txt", "c.txt"}); // counted while there is no item: nothing breaks

    tray.setup();
    ASSERT_EQ(m_made.size(), 2);
    EXPECT_EQ(m_made.last()->toolTip, trayToolTip(3));
    EXPECT_TRUE(bool(m_badgeUpdater));
}

TEST_F(Tray, ClicksAndTheMenuToggleThePopover)
{
    AgentTray tray(*m_agent, m_badgeUpdater, fakeMaker());
    QSignalSpy newWindow(&tray, &AgentTray::newWindowRequested);
    QSignalSpy quit(&tray, &AgentTray::quitRequested);
    QSignalSpy settings(&tray, &AgentTray::settingsRequested);
    tray.setup();
    FakeTray *item = m_made.first();
    item->rect = QRect(100, 0, 24, 24);

    emit item->clicked();
    AgentPopover *popover = tray.popover();
    ASSERT_TRUE(popover->isVisible());
    EXPECT_TRUE(popover->windowFlags().testFlag(Qt::FramelessWindowHint));
    emit item->clicked();
    EXPECT_FALSE(popover->isVisible());

    QStringList texts;
    for (QAction *action : tray.menu()->actions()) {
        if (!action->isSeparator())
            texts << action->text();
    }
    EXPECT_EQ(texts, (QStringList{"后台盯梢", "新建窗口", "设置…", "退出"}));
    QTest::qWait(300); // past the guard against the click that closed the popup
    tray.menu()->findChild<QAction *>("agentMenuToggle")->trigger();
    EXPECT_TRUE(popover->isVisible());
    tray.menu()->findChild<QAction *>("agentMenuNewWindow")->trigger();
    tray.menu()->findChild<QAction *>("agentMenuSettings")->trigger();
    tray.menu()->findChild<QAction *>("agentMenuQuit")->trigger();
    EXPECT_EQ(newWindow.count(), 1);
    EXPECT_EQ(settings.count(), 1);
    EXPECT_EQ(quit.count(), 1);
}

TEST_F(Tray, WithoutASystemTrayTheWindowMenuOpensThePopover)
{
    // The offscreen platform has no system tray, as stock desktops without an extension.
    AgentTray tray(*m_agent, m_badgeUpdater);
    tray.setup();
    EXPECT_FALSE(tray.hasItem());
    EXPECT_TRUE(tray.trayMissing());
    EXPECT_FALSE(bool(m_badgeUpdater));

    QWidget window;
    window.resize(800, 600);
    window.show();
    tray.togglePopoverAt(&window);
    EXPECT_TRUE(tray.popover()->isVisible());
    tray.togglePopoverAt(&window);
    EXPECT_FALSE(tray.popover()->isVisible());
}

TEST(PopoverPlacement, AtTheIconElseTheCursorElseCentredAlwaysOnScreen)
{
    const QRect primary(0, 0, 1920, 1080);
    const QRect second(1920, 0, 1280, 1024);
    const QList<QRect> screens{primary, second};
    const QSize size(370, 440);
    const QPoint offScreen(-500, -500);
    const struct
    {
        const char *what;
        QRect tray;
        QPoint cursor;
        QSize size;
        QList<QRect> screens;
        QRect expected;
    } cases[] = {
        {"below an icon at the top", QRect(900, 0, 24, 24), offScreen, size, screens, QRect(726, 24, 370, 440)},
        {"above an icon at the bottom", QRect(900, 1056, 24, 24), offScreen, size, screens,
         QRect(726, 616, 370, 440)},
        {"pulled in from the right edge", QRect(1896, 0, 24, 24), offScreen, size, screens,
         QRect(1550, 24, 370, 440)},
        {"an icon on the second screen stays there", QRect(3170, 0, 24, 24), offScreen, size, screens,
         QRect(2830, 24, 370, 440)},
        {"no icon rectangle: at the cursor", QRect(), QPoint(100, 100), size, screens, QRect(0, 101, 370, 440)},
        {"the cursor on the second screen", QRect(), QPoint(2500, 500), size, screens,
         QRect(2315, 501, 370, 440)},
        {"the cursor off every screen: centred", QRect(), offScreen, size, screens, QRect(775, 320, 370, 440)},
        {"larger than the screen: made to fit", QRect(), offScreen, QSize(3000, 2000), screens,
         QRect(0, 0, 1920, 1080)},
        {"no screens at all", QRect(), offScreen, size, {}, QRect(0, 0, 370, 440)},
    };
    for (const auto &c : cases)
        EXPECT_EQ(popoverGeometry(c.tray, c.cursor, c.size, c.screens), c.expected) << c.what;
}

} // namespace
