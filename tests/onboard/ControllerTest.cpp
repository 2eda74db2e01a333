// The onboarding without widgets: the window's two decisions, the developer switches, the
// model step's mapping, the six actions with their usage events and the order of their
// effects, and the model download they start (on a loopback mirror).
#include "BrowserState.h"
#include "BrowserTestSupport.h"
#include "OnboardTestSupport.h"
#include "PaneState.h"

#include <QJsonDocument>
#include <QJsonObject>
#include <QSignalSpy>

#include <gtest/gtest.h>

#include <cmath>

using namespace OnboardTest;

namespace {

using Kind = OnboardingBrain::Kind;

struct Onboarding : testing::Test
{
    Onboarding() { resetSettings(); }
    ~Onboarding() override { BrowserTest::settle(); }
};

// A window model, a download and the controller over both, its events recorded and its
// closing counted.
struct Live
{
    Live()
    {
        events.attach(controller);
        controller.setOnClose([this] { ++closed; });
    }

    BrowserState state;
    Download dl;
    OnboardingController controller{state, dl.download};
    Events events;
    int closed = 0;
};

} // namespace

TEST_F(Onboarding, DecisionTestsTheForceBeforeTheCompletedFlag)
{
    using D = OnboardingDecision;
    const struct
    {
        bool completed, forced, fda, ready;
        D expected;
    } cases[] = {
        {false, false, true, true, D::completeSilently}, // all in place: silent
        {false, false, true, false, D::show},
        {false, false, false, true, D::show},
        {true, false, true, false, D::nothing},
        {true, false, true, true, D::nothing},
        {true, true, true, true, D::show}, // "-onboardingCompleted YES" or a preview
        {false, true, true, true, D::show},
    };
    for (const auto &c : cases)
        EXPECT_EQ(decideOnboarding(c.completed, c.forced, c.fda, c.ready), c.expected)
            << c.completed << c.forced << c.fda << c.ready;
}

TEST_F(Onboarding, BannerOnlyOnATurnToReadyBeforeAnyFirstWinOrEarlierBanner)
{
    const struct
    {
        bool was, now, hadFirstWin, shown, expected;
    } cases[] = {
        {false, true, false, false, true},
        {false, true, true, false, false},  // the sample demo ran or a rename was accepted
        {false, true, false, true, false},  // offered once
        {true, false, false, false, false}, // Ollama stopped
        {true, true, false, false, false},  // no change
        {false, false, false, false, false},
    };
    for (const auto &c : cases)
        EXPECT_EQ(decideFirstWinBanner(c.was, c.now, c.hadFirstWin, c.shown), c.expected)
            << c.was << c.now << c.hadFirstWin << c.shown;
}

TEST_F(Onboarding, SwitchesReadTheArgumentsExactly)
{
    Defaults &defaults = Defaults::shared();
    const struct
    {
        QVariantMap arguments;
        std::optional<Kind> preview;
        bool forced;
    } cases[] = {
        {{}, std::nullopt, false},
        {{{"MarovelOnboardingPreview", "downloading"}}, Kind::downloading, true},
        {{{"MarovelOnboardingPreview", "failed"}}, Kind::failed, true},
        {{{"MarovelOnboardingPreview", "ready"}}, Kind::ready, true},
        {{{"MarovelOnboardingPreview", "Ready"}}, std::nullopt, false},
        {{{"MarovelOnboardingPreview", "downloaded"}}, std::nullopt, false},
        {{{"onboardingCompleted", "YES"}}, std::nullopt, true},
        {{{"onboardingCompleted", false}}, std::nullopt, true}, // only the key's presence counts
    };
    for (const auto &c : cases) {
        defaults.setArgumentDomain(c.arguments);
        const std::optional<OnboardingBrain> preview = OnboardingRenderer::previewBrain();
        const std::string given = QJsonDocument(QJsonObject::fromVariantMap(c.arguments)).toJson().toStdString();
        EXPECT_EQ(preview.has_value(), c.preview.has_value()) << given;
        if (preview && c.preview) {
            EXPECT_EQ(preview->kind, *c.preview);
        }
        EXPECT_EQ(OnboardingRenderer::isForced(), c.forced) << given;
    }
    defaults.setArgumentDomain({{"MarovelOnboardingPreview", "downloading"}});
    EXPECT_EQ(OnboardingRenderer::previewBrain(), OnboardingBrain::downloading(0.43, "ModelScope", 900));
    defaults.setArgumentDomain({});
    // Stored in the file, "onboardingCompleted" forces nothing.
    defaults.setValue("onboardingCompleted", true);
    EXPECT_FALSE(OnboardingRenderer::isForced());

    const struct
    {
        std::optional<bool> sampleDemoRan, hasAcceptedRename;
        bool expected;
    } flags[] = {
        {std::nullopt, std::nullopt, false},
        {true, std::nullopt, true},
        {std::nullopt, true, true},
        {false, false, false},
        {false, true, true},
    };
    for (const auto &f : flags) {
        for (const auto &[name, value] : {std::pair{"sampleDemoRan", f.sampleDemoRan},
                                          std::pair{"hasAcceptedRename", f.hasAcceptedRename}}) {
            if (value)
                defaults.setValue(name, *value);
            else
                defaults.remove(name);
        }
        EXPECT_EQ(OnboardingFlags::hadFirstWin(), f.expected);
    }
}

TEST_F(Onboarding, ModelStepMapsTheEngineStatusAndThePreviewWins)
{
    using S = LocalBrain::Status;
    const struct
    {
        S status;
        OnboardingBrain expected;
    } cases[] = {
        {{S::Kind::preparing, 0.25, false, {}}, OnboardingBrain::downloading(0.25, "ModelScope", 512)},
        {{S::Kind::preparing, 1.0, true, {}}, OnboardingBrain::verifying()},
        {{S::Kind::failed, 0, false, "磁盘空间不足"}, OnboardingBrain::failed("磁盘空间不足")},
        {{S::Kind::ready, 0, false, {}}, OnboardingBrain::ready()},
        {{S::Kind::notReady, 0, false, {}}, OnboardingBrain::needsSetup()},
    };
    for (const auto &c : cases)
        EXPECT_EQ(OnboardingController::brainOf(c.status, "ModelScope", 512), c.expected);

    Live live;
    EXPECT_EQ(live.controller.brain(), OnboardingBrain::needsSetup());
    QSignalSpy changed(&live.controller, &OnboardingController::changed);
    live.state.setOllamaUp(true);
    EXPECT_EQ(live.controller.brain(), OnboardingBrain::ready());
    EXPECT_GE(changed.size(), 1) << "the sheet redraws when Ollama comes up";
    Defaults::shared().setArgumentDomain({{"MarovelOnboardingPreview", "failed"}});
    EXPECT_EQ(live.controller.brain().kind, Kind::failed) << "the preview is shown even with a ready engine";
}

TEST_F(Onboarding, StepOneIsAlwaysDoneAndSkipMovesOnLikeContinue)
{
    Mirror mirror;
    for (const bool skip : {false, true}) {
        Live live;
        const OnboardingState state = live.controller.state();
        EXPECT_TRUE(state.hasFDA);
        EXPECT_TRUE(isStepDone(state, OnboardingStep::permission));
        EXPECT_FALSE(isStepDone(state, OnboardingStep::brain));
        EXPECT_FALSE(isStepDone(state, OnboardingStep::firstWin));
        const OnboardingActions actions = live.controller.actions();
        (skip ? actions.skip : actions.advance)();
        EXPECT_EQ(live.events.sent, QStringList{"step1:done"}) << skip;
        EXPECT_EQ(live.controller.step(), OnboardingStep::brain);
        EXPECT_EQ(live.closed, 0);
    }
}

TEST_F(Onboarding, LeavingStepOneStartsTheDownloadOnlyWhenNothingIsPrepared)
{
    enum class Setup { nothing, downloading, failed, ready, render, preview };
    const struct
    {
        Setup setup;
        const char *mirrorPath;
        qsizetype requestsAfter; // at the mirror, once step 1 is left
        Kind brainAfter;
    } cases[] = {
        {Setup::nothing, "/model", 1, Kind::downloading},
        {Setup::downloading, "/model", 1, Kind::downloading}, // the running one is left alone
        {Setup::failed, "/missing", 1, Kind::failed},         // a retry is the user's choice
        {Setup::ready, "/model", 0, Kind::ready},
        {Setup::render, "/model", 0, Kind::needsSetup},
        {Setup::preview, "/model", 0, Kind::downloading}, // the preview's, not a real one
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(int(c.setup));
        resetSettings();
        Mirror mirror(c.mirrorPath);
        Live live;
        switch (c.setup) {
        case Setup::nothing: break;
        case Setup::downloading:
            live.dl.download.start(ModelDownload::defaultFile());
            ASSERT_TRUE(waitFor([&] { return mirror.hits() == 1; }));
            break;
        case Setup::failed:
            live.dl.download.start(ModelDownload::defaultFile());
            ASSERT_TRUE(waitFor([&] { return live.controller.brain().kind == Kind::failed; }));
            break;
        case Setup::ready: live.state.setOllamaUp(true); break;
        case Setup::render:
            Defaults::shared().setArgumentDomain({{"MarovelRenderOnboarding", TestSupport::root() + "/shots"}});
            break;
        case Setup::preview:
            Defaults::shared().setArgumentDomain({{"MarovelOnboardingPreview", "downloading"}});
            break;
        }
        live.controller.advance();
        EXPECT_EQ(live.controller.step(), OnboardingStep::brain);
        QTest::qWait(150); // a request the controller should not have made would arrive now
        EXPECT_EQ(mirror.hits(), c.requestsAfter);
        EXPECT_EQ(live.controller.brain().kind, c.brainAfter);
        live.dl.download.cancel();
    }
}

TEST_F(Onboarding, StartBrainIfNeededNeverRunsInRenderOrPreviewMode)
{
    Mirror mirror;
    Live live;
    for (const QVariantMap &arguments : {QVariantMap{{"MarovelRenderOnboarding", "/tmp/shots"}},
                                         QVariantMap{{"MarovelOnboardingPreview", "ready"}}}) {
        Defaults::shared().setArgumentDomain(arguments);
        live.controller.startBrainIfNeeded();
        EXPECT_EQ(live.dl.download.state().kind, ModelDownload::State::Kind::idle);
    }
    Defaults::shared().setArgumentDomain({});
    live.controller.startBrainIfNeeded();
    EXPECT_EQ(live.dl.download.state().kind, ModelDownload::State::Kind::downloading);
    // The retry buttons start it whatever runs; the download itself ignores a second start.
    live.controller.actions().retryBrain();
    ASSERT_TRUE(waitFor([&] { return mirror.hits() == 1; }));
    QTest::qWait(100);
    EXPECT_EQ(mirror.hits(), 1);
    live.dl.download.cancel();
}

TEST_F(Onboarding, ContinueDuringTheDownloadSkipsStepTwoAndStepThreeWaitsForIt)
{
    Mirror mirror;
    Live live;
    live.controller.advance();
    ASSERT_EQ(live.controller.brain().kind, Kind::downloading);
    live.controller.advance();
    EXPECT_EQ(live.events.sent, QStringList({"step1:done", "step2:skip"}));
    EXPECT_EQ(live.controller.step(), OnboardingStep::firstWin);
    EXPECT_FALSE(live.controller.state().brain.isReady());

    QSignalSpy changed(&live.controller, &OnboardingController::changed);
    mirror.release();
    ASSERT_TRUE(waitFor([&] { return live.controller.state().brain.isReady(); }, 30000))
        << "the finished download makes the model step ready on its own";
    EXPECT_GE(changed.size(), 2);
    EXPECT_EQ(live.events.sent.size(), 2) << "no event without a user action";
}

TEST_F(Onboarding, RunSampleSendsStoresClosesThenOpensTheSampleFolder)
{
    Live live;
    live.state.setOllamaUp(true);
    live.controller.setStep(OnboardingStep::firstWin);
    QStringList order;
    live.controller.setTelemetrySink([&](const Telemetry::Event &event) { order << "event " + event.payload().extra; });
    QObject::connect(&Defaults::shared(), &Defaults::changed, &live.controller, [&](const QString &name) {
        if (name == "onboardingCompleted")
            order << "stored " + QString::number(Defaults::shared().boolValue(name));
    });
    live.controller.setOnClose([&] { order << "closed"; });
    QObject::connect(&live.state, &BrowserState::sampleDemoDirChanged, &live.controller,
                     [&] { order << "sample folder"; });

    live.controller.actions().runSample();
    EXPECT_EQ(order, QStringList({"event step3:done", "stored 1", "closed", "sample folder"}));
    const QString folder = live.state.sampleDemoDir();
    EXPECT_TRUE(QFileInfo(folder).isDir());
    EXPECT_TRUE(QDir(folder).isEmpty());
    EXPECT_EQ(live.state.activePane()->current(), folder);
    EXPECT_TRUE(Defaults::shared().boolValue("sampleDemoRan"));
    EXPECT_TRUE(live.controller.state().sampleRan);
    EXPECT_TRUE(isStepDone(live.controller.state(), OnboardingStep::firstWin));
}

TEST_F(Onboarding, FinishSendsTheStepByItsOwnRuleAndStoresBeforeClosing)
{
    const struct
    {
        OnboardingStep step;
        bool ollamaUp;
        std::optional<const char *> firstWinKey; // stored true before finishing
        const char *expected;
    } cases[] = {
        {OnboardingStep::permission, false, std::nullopt, "step1:done"},
        {OnboardingStep::brain, true, std::nullopt, "step2:done"},
        {OnboardingStep::brain, false, std::nullopt, "step2:skip"},
        {OnboardingStep::firstWin, true, std::nullopt, "step3:skip"}, // no first success yet
        {OnboardingStep::firstWin, false, "sampleDemoRan", "step3:done"},
        {OnboardingStep::firstWin, false, "hasAcceptedRename", "step3:done"},
    };
    for (const auto &c : cases) {
        resetSettings();
        Live live;
        live.state.setOllamaUp(c.ollamaUp);
        if (c.firstWinKey)
            Defaults::shared().setValue(*c.firstWinKey, true);
        live.controller.setStep(c.step);
        bool storedWhenClosed = false;
        live.controller.setOnClose([&] { storedWhenClosed = Defaults::shared().boolValue("onboardingCompleted"); });
        live.controller.actions().finish();
        EXPECT_EQ(live.events.sent, QStringList{c.expected});
        EXPECT_TRUE(storedWhenClosed) << c.expected;
        // The window's dismiss handler then finds onboarding completed: no second event.
        live.controller.sheetDismissed();
        EXPECT_EQ(live.events.sent.size(), 1) << c.expected;
    }
}

TEST_F(Onboarding, AdvanceFromTheLastStepFinishes)
{
    Live live;
    live.controller.setStep(OnboardingStep::firstWin);
    live.controller.actions().skip();
    EXPECT_EQ(live.events.sent, QStringList{"step3:skip"});
    EXPECT_EQ(live.closed, 1);
    EXPECT_TRUE(Defaults::shared().boolValue("onboardingCompleted"));
}

TEST_F(Onboarding, ASheetClosedWithoutItsButtonsSendsOneSkipEvenWhenReady)
{
    Live live;
    live.state.setOllamaUp(true);
    live.controller.setStep(OnboardingStep::brain);
    live.controller.sheetDismissed();
    live.controller.sheetDismissed();
    EXPECT_EQ(live.events.sent, QStringList{"step2:skip"});
    EXPECT_TRUE(Defaults::shared().boolValue("onboardingCompleted"));
}
