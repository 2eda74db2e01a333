// The settings window: its tabs, the AI collaboration tab coming and going with its
// setting, the fixed size, and the pages built afresh in a new language.
#include "Defaults.h"
#include "Localization.h"
#include "SettingsLauncher.h"
#include "SettingsTestSupport.h"
#include "settings/GeneralSettings.h"
#include "settings/SettingsWindow.h"

#include <QCheckBox>
#include <QPointer>
#include <QTabWidget>

#include <gtest/gtest.h>

using namespace SettingsTest;

namespace {

QStringList titles(const QTabWidget *tabs)
{
    QStringList list;
    for (int i = 0; i < tabs->count(); ++i)
        list << tabs->tabText(i);
    return list;
}

class Window : public testing::Test
{
protected:
    void SetUp() override { Loc::shared().setOverride(QStringLiteral("zh-Hans")); }
    void TearDown() override { Loc::shared().setOverride(std::nullopt); }
};

TEST_F(Window, ShowsItsTabsInOrderAndTheCollaborationTabFollowsItsSwitch)
{
    Services services;
    SettingsWindow window(services.services());
    window.show();
    QTabWidget *tabs = window.tabs();
    EXPECT_EQ(titles(tabs), (QStringList{"通用", "智能助手", "系统集成", "探索", "关于"}));
    EXPECT_EQ(window.windowTitle(), "设置");

    // The switch on the General page inserts the third tab while the window is open...
    auto *collaboration = child<QCheckBox>(tabs->widget(0), "collaborationSwitch");
    click(collaboration);
    EXPECT_EQ(Defaults::shared().value("showAICollaboration"), QVariant(true));
    EXPECT_EQ(titles(tabs), (QStringList{"通用", "智能助手", "AI 协作", "系统集成", "探索", "关于"}));
    EXPECT_EQ(tabs->widget(2)->objectName(), "collaborationSettings");

    // ...every page keeps the window's size...
    for (int i = 0; i < tabs->count(); ++i) {
        tabs->setCurrentIndex(i);
        QCoreApplication::processEvents();
        EXPECT_EQ(window.size(), QSize(660, 560)) << tabs->tabText(i).toStdString();
    }

    // ...and turning it off, here or anywhere else, removes the tab again.
    QPointer<QWidget> page = tabs->widget(2);
    Defaults::shared().setValue("showAICollaboration", false);
    EXPECT_EQ(titles(tabs), (QStringList{"通用", "智能助手", "系统集成", "探索", "关于"}));
    EXPECT_TRUE(page.isNull());
    EXPECT_FALSE(collaboration->isChecked());
}

TEST_F(Window, ANewLanguageBuildsEveryPageAfreshAndShowsTheGeneralPage)
{
    Defaults::shared().setValue("showAICollaboration", true);
    Services services;
    SettingsWindow window(services.services());
    window.show();
    QTabWidget *tabs = window.tabs();
    tabs->setCurrentIndex(3);
    QList<QPointer<QWidget>> old;
    for (int i = 0; i < tabs->count(); ++i)
        old << tabs->widget(i);

    auto *picker = child<QComboBox>(tabs->widget(0), "languagePicker");
    ASSERT_EQ(entries(picker), (QStringList{"跟随系统", "简体中文", "English"}));
    EXPECT_EQ(picker->currentIndex(), 1);
    choose(picker, 2);
    EXPECT_EQ(Defaults::shared().value(Loc::overrideKey), QVariant("en"));
    EXPECT_EQ(Defaults::shared().value(Loc::appleLanguagesKey).toStringList(), QStringList{"en"});

    ASSERT_TRUE(waitFor([&] {
        return std::all_of(old.cbegin(), old.cend(), [](const QPointer<QWidget> &page) { return page.isNull(); });
    }));
    EXPECT_EQ(titles(tabs), (QStringList{"General", "AI Assistant", "AI Collaboration", "System Integration", "Explore", "About"}));
    EXPECT_EQ(tabs->currentIndex(), 0);
    EXPECT_EQ(tabs->currentWidget()->objectName(), "generalSettings");
    EXPECT_EQ(window.windowTitle(), "Settings");
    EXPECT_EQ(window.size(), QSize(660, 560));

    // "Same as System" takes both keys away again.
    picker = child<QComboBox>(tabs->widget(0), "languagePicker");
    EXPECT_EQ(picker->currentIndex(), 2);
    EXPECT_EQ(picker->itemText(0), "Same as System");
    choose(picker, 0);
    EXPECT_FALSE(Defaults::shared().contains(Loc::overrideKey));
    EXPECT_FALSE(Defaults::shared().contains(Loc::appleLanguagesKey));
}

TEST_F(Window, AStoredLanguageThatIsNotSupportedShowsTheSystemChoice)
{
    Defaults::shared().setValue(Loc::overrideKey, "fr");
    Services services;
    SettingsWindow window(services.services());
    EXPECT_EQ(child<QComboBox>(window.tabs()->widget(0), "languagePicker")->currentIndex(), 0);
}

TEST_F(Window, TheApplicationOpensOneWindowAndBringsItBack)
{
    SettingsLauncher::open();
    QPointer<SettingsWindow> first = SettingsLauncher::window();
    ASSERT_TRUE(first);
    EXPECT_TRUE(first->isVisible());
    SettingsLauncher::open();
    EXPECT_EQ(SettingsLauncher::window(), first.data());

    first->close(); // closing ends it; the next open builds it afresh
    ASSERT_TRUE(waitFor([&] { return first.isNull(); }));
    SettingsLauncher::open();
    ASSERT_TRUE(SettingsLauncher::window());
    EXPECT_TRUE(SettingsLauncher::window()->isVisible());
    delete SettingsLauncher::window();
}

} // namespace
