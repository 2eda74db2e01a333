#include "OnboardingController.h"

#include "BrowserState.h"
#include "Defaults.h"
#include "Localization.h"
#include "ModelDownload.h"
#include "Telemetry.h"

namespace {

QString key(const char *name)
{
    return QString::fromLatin1(name);
}

} // namespace

OnboardingDecision decideOnboarding(bool completed, bool forced, bool hasFDA, bool brainReady)
{
    if (forced)
        return OnboardingDecision::show;
    if (completed)
        return OnboardingDecision::nothing;
    if (hasFDA && brainReady)
        return OnboardingDecision::completeSilently;
    return OnboardingDecision::show;
}

bool decideFirstWinBanner(bool wasReady, bool isReady, bool hadFirstWin, bool bannerShown)
{
    return !wasReady && isReady && !hadFirstWin && !bannerShown;
}

OnboardingController::OnboardingController(BrowserState &state, QObject *parent)
    : OnboardingController(state, ModelDownload::shared(), parent)
{
}

OnboardingController::OnboardingController(BrowserState &state, ModelDownload &download, QObject *parent)
    : QObject(parent), m_state(state), m_download(download), m_sink(&Telemetry::track)
{
    connect(&m_state, &BrowserState::hasFDAChanged, this, &OnboardingController::changed);
    connect(&m_state, &BrowserState::ollamaUpChanged, this, &OnboardingController::changed);
    connect(&m_download, &ModelDownload::stateChanged, this, &OnboardingController::changed);
    connect(&m_download, &ModelDownload::sourceLabelChanged, this, &OnboardingController::changed);
    connect(&m_download, &ModelDownload::downloadedMBChanged, this, &OnboardingController::changed);
    connect(&Defaults::shared(), &Defaults::changed, this, [this](const QString &name) {
        if (name == key(OnboardingKeys::sampleDemoRan))
            emit changed();
    });
    // The preview's failure reason is a translated text.
    connect(&Loc::shared(), &Loc::revisionChanged, this, &OnboardingController::changed);
}

void OnboardingController::setStep(OnboardingStep step)
{
    if (step == m_step)
        return;
    m_step = step;
    emit changed();
}

OnboardingState OnboardingController::state() const
{
    return {m_step, m_state.hasFDA(), brain(), Defaults::shared().boolValue(key(OnboardingKeys::sampleDemoRan))};
}

OnboardingBrain OnboardingController::brain() const
{
    if (std::optional<OnboardingBrain> preview = OnboardingRenderer::previewBrain())
        return *preview;
    return brainOf(LocalBrain::status(m_state.ollamaUp(), m_download.state()), m_download.sourceLabel(),
                   m_download.downloadedMB());
}

OnboardingBrain OnboardingController::brainOf(const LocalBrain::Status &status, const QString &source, qint64 mb)
{
    using Kind = LocalBrain::Status::Kind;
    switch (status.kind) {
    case Kind::preparing:
        return status.indeterminate ? OnboardingBrain::verifying()
                                    : OnboardingBrain::downloading(status.progress, source, mb);
    case Kind::failed: return OnboardingBrain::failed(status.message);
    case Kind::ready: return OnboardingBrain::ready();
    case Kind::notReady: return OnboardingBrain::needsSetup();
    }
    return OnboardingBrain::needsSetup();
}

OnboardingActions OnboardingController::actions()
{
    OnboardingActions actions;
    actions.openFDASettings = [this] { m_state.openFDASettings(); };
    actions.advance = [this] { advance(); };
    // Skipping is moving on; the event's flag says whether the step was done.
    actions.skip = actions.advance;
    actions.retryBrain = [this] { retryBrain(); };
    actions.runSample = [this] { runSample(); };
    actions.finish = [this] { finish(); };
    return actions;
}

void OnboardingController::advance()
{
    switch (m_step) {
    case OnboardingStep::permission:
        track(OnboardingStep::permission, m_state.hasFDA());
        setStep(OnboardingStep::brain);
        startBrainIfNeeded();
        break;
    case OnboardingStep::brain:
        track(OnboardingStep::brain, brain().isReady());
        setStep(OnboardingStep::firstWin);
        break;
    case OnboardingStep::firstWin:
        finish();
        break;
    }
}

void OnboardingController::finish()
{
    bool done = false;
    switch (m_step) {
    case OnboardingStep::permission: done = m_state.hasFDA(); break;
    case OnboardingStep::brain: done = brain().isReady(); break;
    case OnboardingStep::firstWin: done = OnboardingFlags::hadFirstWin(); break;
    }
    track(m_step, done);
    close();
}

void OnboardingController::runSample()
{
    track(OnboardingStep::firstWin, true);
    close();
    m_state.startSampleDemo();
}

void OnboardingController::retryBrain()
{
    m_download.start(ModelDownload::defaultFile());
}

void OnboardingController::startBrainIfNeeded()
{
    if (OnboardingRenderer::outputDir() || OnboardingRenderer::previewBrain())
        return;
    if (brain().kind == OnboardingBrain::Kind::needsSetup)
        m_download.start(ModelDownload::defaultFile());
}

void OnboardingController::sheetDismissed()
{
    if (Defaults::shared().boolValue(key(OnboardingKeys::completed)))
        return;
    track(m_step, false);
    Defaults::shared().setValue(key(OnboardingKeys::completed), true);
}

void OnboardingController::track(OnboardingStep step, bool done)
{
    if (m_sink)
        m_sink(Telemetry::Event::onboardingStep(qint64(step), done));
}

void OnboardingController::close()
{
    // Stored first, so the window's dismiss handler finds onboarding completed and sends
    // no second event.
    Defaults::shared().setValue(key(OnboardingKeys::completed), true);
    if (m_onClose)
        m_onClose();
}
