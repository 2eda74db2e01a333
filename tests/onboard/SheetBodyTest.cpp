// The onboarding sheet's body, its progress bar, the live sheet over a controller and the
// first-win banner: what each state shows, which action each control calls, texts shown
// literally and in English.
#include "BrowserState.h"
#include "BrowserTestSupport.h"
#include "OnboardTestSupport.h"
#include "WindowTestSupport.h"
#include "onboarding/FirstWinBanner.h"
#include "onboarding/OnboardingProgressBar.h"
#include "onboarding/OnboardingSheet.h"
#include "onboarding/OnboardingSheetBody.h"

#include <QAbstractButton>
#include <QLabel>
#include <QTest>

#include <gtest/gtest.h>

#include <cmath>
#include <limits>

using namespace OnboardTest;

namespace {

using Brain = OnboardingBrain;

struct SheetBody : testing::Test
{
    SheetBody()
    {
        resetSettings();
        body.show();
    }

    QString text(const char *name) const
    {
        auto *label = body.findChild<QLabel *>(QString::fromLatin1(name));
        EXPECT_NE(label, nullptr) << name;
        return label ? label->text() : QString();
    }
    QAbstractButton *button(const char *name) const
    {
        auto *found = body.findChild<QAbstractButton *>(QString::fromLatin1(name));
        EXPECT_NE(found, nullptr) << name;
        return found;
    }
    bool visible(const char *name) const
    {
        auto *widget = body.findChild<QWidget *>(QString::fromLatin1(name));
        EXPECT_NE(widget, nullptr) << name;
        return widget && widget->isVisible();
    }
    void show(OnboardingStep step, const Brain &brain, bool sampleRan = false)
    {
        body.setState({step, true, brain, sampleRan});
    }

    OnboardingSheetBody body;
};

// Every action the body was asked for, by name.
QStringList *record(OnboardingSheetBody &body)
{
    auto *calls = new QStringList;
    OnboardingActions actions;
    actions.openFDASettings = [calls] { *calls << "openFDASettings"; };
    actions.advance = [calls] { *calls << "advance"; };
    actions.skip = [calls] { *calls << "skip"; };
    actions.retryBrain = [calls] { *calls << "retryBrain"; };
    actions.runSample = [calls] { *calls << "runSample"; };
    actions.finish = [calls] { *calls << "finish"; };
    body.setActions(actions);
    return calls;
}

} // namespace

TEST_F(SheetBody, EachStepShowsItsHeadingCardButtonsAndDots)
{
    const struct
    {
        OnboardingStep step;
        Brain brain;
        bool sampleRan;
        const char *heading;
        const char *card;
        const char *primary;
        bool primaryEnabled;
        const char *secondary;
        std::array<bool, 3> done;
    } cases[] = {
        {OnboardingStep::permission, Brain::needsSetup(), false, "第 1 步 · 先让 Marovel 能读到你的文件", "fdaCard", "继续",
         true, "暂时跳过", {true, false, false}},
        {OnboardingStep::brain, Brain::ready(), false, "第 2 步 · 准备本地大脑（约 2 GB，一次性）", "brainCard", "继续", true,
         "暂时跳过", {true, true, false}},
        {OnboardingStep::firstWin, Brain::ready(), true, "第 3 步 · 拖几个文件试试，或先看示例", "firstWinCard",
         "用示例文件看看效果", true, "我自己来", {true, true, true}},
        {OnboardingStep::firstWin, Brain::downloading(0.5, "ModelScope", 1000), false,
         "第 3 步 · 拖几个文件试试，或先看示例", "firstWinCard", "大脑就绪后再看示例", false, "我自己来", {true, false, false}},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.primary);
        show(c.step, c.brain, c.sampleRan);
        EXPECT_EQ(text("onboardingHeading"), c.heading);
        for (const char *card : {"fdaCard", "brainCard", "firstWinCard"})
            EXPECT_EQ(visible(card), std::string(card) == c.card) << card;
        EXPECT_EQ(button("onboardingPrimary")->text(), c.primary);
        EXPECT_EQ(button("onboardingPrimary")->isEnabled(), c.primaryEnabled);
        EXPECT_EQ(button("onboardingSecondary")->text(), c.secondary);
        for (int i = 0; i < 3; ++i) {
            QWidget *pill = body.findChild<QWidget *>(QStringLiteral("stepPill%1").arg(i + 1));
            ASSERT_NE(pill, nullptr);
            EXPECT_EQ(pill->property("done").toBool(), c.done.at(size_t(i))) << i;
            EXPECT_EQ(pill->property("current").toBool(), i + 1 == int(c.step)) << i;
        }
        // The note about basic names stands on step 3 only while the brain is not ready.
        EXPECT_EQ(visible("firstWinNote"), c.step == OnboardingStep::firstWin && !c.brain.isReady());
    }
    EXPECT_EQ(text("fdaText"), "Marovel 能读到你的账户可以打开的文件，无需另外授权");
    EXPECT_EQ(button("onboardingClose")->toolTip(), "关闭（我自己来）");
    EXPECT_EQ(body.width(), 520);
    EXPECT_GE(body.height(), 300);
}

TEST_F(SheetBody, ModelCardFollowsTheBrainAndShowsItsTextsLiterally)
{
    const struct
    {
        Brain brain;
        const char *page;
    } cases[] = {
        {Brain::downloading(0.43, "<b>ModelScope</b>", 900), "brainDownloading"},
        {Brain::verifying(), "brainVerifying"},
        {Brain::failed("<i>网络连接中断</i>"), "brainFailed"},
        {Brain::ready(), "brainReady"},
        {Brain::needsSetup(), "brainNeedsSetup"},
    };
    for (const auto &c : cases) {
        show(OnboardingStep::brain, c.brain);
        for (const char *page : {"brainDownloading", "brainVerifying", "brainFailed", "brainReady", "brainNeedsSetup"})
            EXPECT_EQ(visible(page), std::string(page) == c.page) << c.page << " / " << page;
    }
    show(OnboardingStep::brain, cases[0].brain);
    EXPECT_EQ(text("brainPercent"), "正在下载 43%");
    EXPECT_EQ(text("brainSource"), "来源 <b>ModelScope</b>");
    EXPECT_EQ(body.findChild<QLabel *>("brainSource")->textFormat(), Qt::PlainText);
    EXPECT_EQ(text("brainMB"), "已下 900 MB · 下载在后台继续，可以直接进下一步");
    show(OnboardingStep::brain, cases[2].brain);
    EXPECT_EQ(text("brainFailedText"), "下载没能完成：<i>网络连接中断</i>");
    EXPECT_EQ(body.findChild<QLabel *>("brainFailedText")->textFormat(), Qt::PlainText);
}

TEST_F(SheetBody, PercentIsTruncatedAndTheBarClamped)
{
    const double nan = std::numeric_limits<double>::quiet_NaN();
    const double inf = std::numeric_limits<double>::infinity();
    const struct
    {
        double frac;
        const char *percent;
        double filled;
    } cases[] = {
        {0.999, "正在下载 99%", 0.999}, {0.29, "正在下载 29%", 0.29}, {1.0, "正在下载 100%", 1.0},
        {0.0, "正在下载 0%", 0.0},      {nan, "正在下载 0%", 0.0},    {inf, "正在下载 0%", 0.0},
        {1.7, "正在下载 100%", 1.0},    {-0.3, "正在下载 0%", 0.0},
    };
    auto *bar = body.findChild<OnboardingProgressBar *>("brainProgress");
    ASSERT_NE(bar, nullptr);
    for (const auto &c : cases) {
        show(OnboardingStep::brain, Brain::downloading(c.frac, "ModelScope", 1));
        EXPECT_EQ(text("brainPercent"), c.percent) << c.frac;
        EXPECT_DOUBLE_EQ(bar->filled(), c.filled) << c.frac;
        bar->grab(); // paints without trouble at any value
    }
}

TEST_F(SheetBody, ControlsCallTheActionOfTheStepShown)
{
    std::unique_ptr<QStringList> calls(record(body));
    const struct
    {
        OnboardingStep step;
        Brain brain;
        const char *control;
        const char *expected;
    } cases[] = {
        {OnboardingStep::permission, Brain::needsSetup(), "onboardingPrimary", "advance"},
        {OnboardingStep::permission, Brain::needsSetup(), "onboardingSecondary", "skip"},
        {OnboardingStep::brain, Brain::needsSetup(), "onboardingPrimary", "advance"},
        {OnboardingStep::brain, Brain::needsSetup(), "onboardingSecondary", "skip"},
        {OnboardingStep::brain, Brain::needsSetup(), "brainStart", "retryBrain"},
        {OnboardingStep::brain, Brain::failed("x"), "brainRetry", "retryBrain"},
        {OnboardingStep::firstWin, Brain::ready(), "onboardingPrimary", "runSample"},
        {OnboardingStep::firstWin, Brain::ready(), "onboardingSecondary", "finish"},
        {OnboardingStep::brain, Brain::ready(), "onboardingClose", "finish"},
    };
    for (const auto &c : cases) {
        show(c.step, c.brain);
        calls->clear();
        QTest::mouseClick(button(c.control), Qt::LeftButton);
        EXPECT_EQ(*calls, QStringList{c.expected}) << c.control << " on step " << int(c.step);
    }
    // The sample button stays shut until the brain is ready.
    show(OnboardingStep::firstWin, Brain::verifying());
    calls->clear();
    QTest::mouseClick(button("onboardingPrimary"), Qt::LeftButton);
    EXPECT_TRUE(calls->isEmpty());
}

TEST_F(SheetBody, EnglishTextsAndLinuxWording)
{
    ScopedLanguage english(QStringLiteral("en"));
    show(OnboardingStep::permission, Brain::needsSetup());
    EXPECT_EQ(text("onboardingHeading"), "Step 1 · Let Marovel read your files");
    EXPECT_EQ(text("onboardingSubtitle"),
              "Marovel reads file contents locally on your computer to name them. No file is ever uploaded.");
    show(OnboardingStep::brain, Brain::downloading(0.5, "ModelScope", 10));
    EXPECT_EQ(text("brainPercent"), "Downloading 50%");
    english.set("zh-Hans");
    EXPECT_EQ(text("brainPercent"), "正在下载 50%") << "a language switch re-translates in place";
    EXPECT_FALSE(text("onboardingSubtitle").contains("Mac"));
}

TEST_F(SheetBody, LiveSheetFollowsTheControllerAndItsStepBinding)
{
    BrowserState state;
    Download dl;
    OnboardingController controller(state, dl.download);
    OnboardingSheet sheet(controller);
    sheet.show();
    OnboardingSheetBody *shown = sheet.body();
    EXPECT_EQ(shown->state().step, OnboardingStep::permission);
    EXPECT_TRUE(sheet.isModal() || sheet.windowModality() == Qt::WindowModal);

    controller.setStep(OnboardingStep::firstWin);
    EXPECT_EQ(shown->state().step, OnboardingStep::firstWin);
    auto *primary = shown->findChild<QAbstractButton *>("onboardingPrimary");
    EXPECT_FALSE(primary->isEnabled());
    state.setOllamaUp(true);
    EXPECT_TRUE(primary->isEnabled()) << "readiness arriving while step 3 is open enables the samples";
    EXPECT_EQ(primary->text(), "用示例文件看看效果");
    EXPECT_FALSE(shown->findChild<QWidget *>("firstWinNote")->isVisible());

    // "sampleDemoRan" written elsewhere marks step 3 done.
    Defaults::shared().setValue("sampleDemoRan", true);
    EXPECT_TRUE(shown->state().sampleRan);
}

TEST(FirstWinBanner, ButtonsCallTheirClosuresAndTextsNameCtrlZ)
{
    resetSettings();
    QStringList calls;
    FirstWinBanner banner([&] { calls << "try"; }, [&] { calls << "dismiss"; });
    banner.resize(900, banner.sizeHint().height());
    banner.show();
    QTest::mouseClick(banner.findChild<QAbstractButton *>("firstWinTry"), Qt::LeftButton);
    QTest::mouseClick(banner.findChild<QAbstractButton *>("firstWinDismiss"), Qt::LeftButton);
    EXPECT_EQ(calls, QStringList({"try", "dismiss"}));
    EXPECT_TRUE(banner.isVisible()) << "the owner hides it";
    EXPECT_EQ(banner.findChild<Kit::ElidingLabel *>("firstWinNote")->text(),
              "4 个名字看不出内容的示例文件，读内容后重新命名；只改名，Ctrl+Z 可撤销。");
    ScopedLanguage english(QStringLiteral("en"));
    EXPECT_TRUE(banner.findChild<Kit::ElidingLabel *>("firstWinNote")->text().contains("Ctrl+Z"));
    EXPECT_EQ(banner.findChild<QAbstractButton *>("firstWinTry")->text(), "Try It");
}
