// A real window content's first-run decisions: the sheet 0.6 s after showing, the silent
// completion, the forced sheet, the replay, the dismiss handler's one event (on the wire,
// to a loopback usage service), and the first-win banner with its one-time key.
#include "BrowserState.h"
#include "BrowserTestSupport.h"
#include "OnboardTestSupport.h"
#include "PaneState.h"
#include "onboarding/FirstWinBanner.h"
#include "onboarding/OnboardingHost.h"
#include "onboarding/OnboardingSheet.h"
#include "onboarding/OnboardingSheetBody.h"
#include "window/ContentView.h"
#include "window/SheetPresenter.h"

#include <QAbstractButton>
#include <QDialog>
#include <QElapsedTimer>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QLabel>
#include <QTest>

#include <gtest/gtest.h>

using namespace OnboardTest;

namespace {

const SheetPresenter::Flag onboardingFlag{&BrowserState::showOnboarding, &BrowserState::setShowOnboarding,
                                          &BrowserState::showOnboardingChanged};

// The onboarding events that reached the usage service, as "step1:done".
QStringList onboardingEvents(const Loopback::Server &service)
{
    QStringList sent;
    for (const Loopback::Request &request : service.requests()) {
        const QJsonObject event = QJsonDocument::fromJson(request.body).object()["events"].toArray().at(0).toObject();
        if (event["type"].toString() == "onboarding_step")
            sent << event["extra"].toString();
    }
    return sent;
}

// A window content over a folder, with usage events sent to a loopback service and the
// model download's mirror on loopback too.
struct Window
{
    Window(bool ollamaUp = false)
    {
        qputenv("MAROVEL_TELEMETRY_URL", service.base().toUtf8());
        state.activePane()->go(BrowserTest::makeTree("home-folder", {"a.txt"}), false);
        BrowserTest::settle();
        state.setOllamaUp(ollamaUp);
        view = new ContentView(state);
        view->resize(1280, 800);
    }
    ~Window()
    {
        delete view;
        ModelDownload::shared().cancel();
        BrowserTest::settle();
        qputenv("MAROVEL_TELEMETRY_URL", "");
    }

    void show()
    {
        view->show();
        clock.start();
    }
    QDialog *sheet() const { return view->sheets().shown(onboardingFlag); }
    bool waitForSheet() const { return waitFor([this] { return sheet() && sheet()->isVisible(); }, 5000); }
    QString heading() const { return sheet()->findChild<QLabel *>("onboardingHeading")->text(); }
    void press(const char *control) const
    {
        QTest::mouseClick(sheet()->findChild<QAbstractButton *>(QString::fromLatin1(control)), Qt::LeftButton);
    }
    // Waits for `count` onboarding events, then a little longer for any extra one.
    QStringList events(qsizetype count) const
    {
        waitFor([&] { return onboardingEvents(service).size() >= count; }, 5000);
        QTest::qWait(200);
        return onboardingEvents(service);
    }
    FirstWinBanner *banner() const { return view->findChild<FirstWinBanner *>("firstWinBanner"); }

    Mirror mirror;
    Loopback::Server service;
    BrowserState state;
    ContentView *view = nullptr;
    QElapsedTimer clock;
};

struct OnboardWindow : testing::Test
{
    OnboardWindow() { resetSettings(); }
};

} // namespace

TEST_F(OnboardWindow, SheetOpensAfterTheDelayAndLeavingItAnyWaySendsOneEvent)
{
    enum class Leave { escape, closeWindow, xmark };
    const struct
    {
        Leave how;
        QStringList expected;
    } cases[] = {
        {Leave::escape, {"step1:done", "step2:skip"}},
        {Leave::closeWindow, {"step1:done", "step2:skip"}},
        {Leave::xmark, {"step1:done", "step2:skip"}}, // finish(): not ready, so skipped
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(int(c.how));
        resetSettings();
        Window w;
        w.show();
        ASSERT_TRUE(w.waitForSheet());
        EXPECT_GE(w.clock.elapsed(), OnboardingHost::decisionDelayMs - 50);
        EXPECT_EQ(w.sheet()->windowModality(), Qt::WindowModal);
        EXPECT_EQ(w.heading(), "第 1 步 · 先让 Marovel 能读到你的文件");

        w.press("onboardingPrimary");
        EXPECT_EQ(w.heading(), "第 2 步 · 准备本地大脑（约 2 GB，一次性）");
        ASSERT_TRUE(waitFor([&] { return w.mirror.hits() == 1; })) << "leaving step 1 started the download";
        QDialog *sheet = w.sheet();
        switch (c.how) {
        case Leave::escape: QTest::keyClick(sheet, Qt::Key_Escape); break;
        case Leave::closeWindow: sheet->close(); break;
        case Leave::xmark: w.press("onboardingClose"); break;
        }
        ASSERT_TRUE(waitFor([&] { return !w.sheet(); }));
        EXPECT_FALSE(w.state.showOnboarding());
        EXPECT_EQ(w.events(c.expected.size()), c.expected);
        EXPECT_TRUE(Defaults::shared().boolValue("onboardingCompleted"));
    }
}

TEST_F(OnboardWindow, ReplayOpensAtStepOneAndANewWindowKeepsItClosed)
{
    {
        Window w;
        w.show();
        ASSERT_TRUE(w.waitForSheet());
        w.press("onboardingPrimary");
        w.press("onboardingSecondary");
        EXPECT_EQ(w.heading(), "第 3 步 · 拖几个文件试试，或先看示例");
        w.press("onboardingSecondary"); // "我自己来"
        ASSERT_TRUE(waitFor([&] { return !w.sheet(); }));
        EXPECT_EQ(w.events(3), QStringList({"step1:done", "step2:skip", "step3:skip"}));

        // The settings page's replay.
        Defaults::shared().setValue("onboardingCompleted", false);
        ASSERT_TRUE(w.waitForSheet());
        EXPECT_EQ(w.heading(), "第 1 步 · 先让 Marovel 能读到你的文件");
        QTest::keyClick(w.sheet(), Qt::Key_Escape);
        EXPECT_EQ(w.events(4), QStringList({"step1:done", "step2:skip", "step3:skip", "step1:skip"}));
    }
    Window next;
    next.show();
    QTest::qWait(OnboardingHost::decisionDelayMs + 300);
    EXPECT_EQ(next.sheet(), nullptr);
}

TEST_F(OnboardWindow, DecisionIsSilentWithAReadyEngineUnlessForced)
{
    const struct
    {
        const char *name;
        bool ollamaUp;
        std::optional<bool> stored;
        QVariantMap arguments;
        bool sheet;
    } cases[] = {
        {"ready engine", true, std::nullopt, {}, false},
        {"completed before", false, true, {}, false},
        {"forced over completed", true, true, {{"onboardingCompleted", "YES"}}, true},
        {"preview over completed", true, true, {{"MarovelOnboardingPreview", "failed"}}, true},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.name);
        resetSettings();
        if (c.stored)
            Defaults::shared().setValue("onboardingCompleted", *c.stored);
        Defaults::shared().setArgumentDomain(c.arguments);
        Window w(c.ollamaUp);
        w.show();
        if (c.sheet) {
            ASSERT_TRUE(w.waitForSheet());
        } else {
            QTest::qWait(OnboardingHost::decisionDelayMs + 300);
            EXPECT_EQ(w.sheet(), nullptr);
        }
        EXPECT_TRUE(Defaults::shared().boolValue("onboardingCompleted"));
        if (!c.sheet) {
            EXPECT_EQ(w.events(0), QStringList()) << "a silent completion sends nothing";
        }
        Defaults::shared().setArgumentDomain({});
    }
}

TEST_F(OnboardWindow, ContentHiddenBeforeTheDelayDecidesNothingAndAnOpenSheetKeepsItsStep)
{
    Window w;
    w.show();
    QTest::qWait(100);
    w.view->hide();
    QTest::qWait(OnboardingHost::decisionDelayMs + 200);
    EXPECT_FALSE(w.state.showOnboarding());
    w.view->show();
    ASSERT_TRUE(w.waitForSheet());

    // Hidden and shown again with the sheet open: the sheet stays at its step.
    w.press("onboardingPrimary");
    w.view->hide();
    w.view->show();
    QTest::qWait(OnboardingHost::decisionDelayMs + 200);
    ASSERT_NE(w.sheet(), nullptr);
    EXPECT_EQ(w.heading(), "第 2 步 · 准备本地大脑（约 2 GB，一次性）");
}

TEST_F(OnboardWindow, BannerOnceWhenTheEngineTurnsReadyAndTryOpensTheSamples)
{
    Defaults::shared().setValue("onboardingCompleted", true);
    Window w;
    w.show();
    FirstWinBanner *banner = w.banner();
    ASSERT_NE(banner, nullptr);
    EXPECT_FALSE(banner->isVisible());

    w.state.setOllamaUp(true);
    ASSERT_TRUE(waitFor([&] { return banner->isVisible(); }));
    EXPECT_TRUE(Defaults::shared().boolValue("firstWinBannerShown"));
    // Across the content column, between the install banner and the model-download banner.
    QTest::qWait(20);
    auto *column = banner->parentWidget();
    EXPECT_EQ(banner->width(), column->width());

    QTest::mouseClick(banner->findChild<QAbstractButton *>("firstWinTry"), Qt::LeftButton);
    EXPECT_FALSE(banner->isVisible());
    const QString folder = w.state.sampleDemoDir();
    ASSERT_FALSE(folder.isEmpty());
    EXPECT_EQ(w.state.activePane()->current(), folder);
    EXPECT_TRUE(Defaults::shared().boolValue("sampleDemoRan"));

    // Ollama stops and comes back: the key is set, no second banner.
    w.state.setOllamaUp(false);
    QTest::qWait(50);
    w.state.setOllamaUp(true);
    QTest::qWait(100);
    EXPECT_FALSE(banner->isVisible());
}

TEST_F(OnboardWindow, NoBannerForAStartValueAFirstWinOrAnEarlierBanner)
{
    const struct
    {
        const char *name;
        bool readyAtStart;
        const char *storedKey; // true before the window opens
    } cases[] = {
        {"ready when the window opens", true, nullptr},
        {"sample demo ran", false, "sampleDemoRan"},
        {"a rename was accepted", false, "hasAcceptedRename"},
        {"shown before", false, "firstWinBannerShown"},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.name);
        resetSettings();
        Defaults::shared().setValue("onboardingCompleted", true);
        if (c.storedKey)
            Defaults::shared().setValue(c.storedKey, true);
        Window w(c.readyAtStart);
        w.show();
        w.state.setOllamaUp(true); // a change only for the windows that started not ready
        QTest::qWait(100);
        EXPECT_FALSE(w.banner()->isVisible());
    }
}

TEST_F(OnboardWindow, DismissOnlyHidesTheBanner)
{
    Defaults::shared().setValue("onboardingCompleted", true);
    Window w;
    w.show();
    w.state.setOllamaUp(true);
    ASSERT_TRUE(waitFor([&] { return w.banner()->isVisible(); }));
    const QString folder = w.state.activePane()->current();
    QTest::mouseClick(w.banner()->findChild<QAbstractButton *>("firstWinDismiss"), Qt::LeftButton);
    EXPECT_FALSE(w.banner()->isVisible());
    EXPECT_EQ(w.state.activePane()->current(), folder);
    EXPECT_TRUE(w.state.sampleDemoDir().isEmpty());
}
