#pragma once

#include "LocalBrain.h"
#include "Onboarding.h"

#include <QObject>

#include <functional>

class BrowserState;
class ModelDownload;
namespace Telemetry {
class Event;
}

// What the browser window does when its onboarding decision runs.
enum class OnboardingDecision {
    nothing,          // onboarding was completed before
    completeSilently, // everything is in place: mark it completed, show nothing, send nothing
    show,             // open the sheet at the first step
};

// The decision, from the stored "onboardingCompleted", the developer switches' force, disk
// access and whether a naming engine is ready. A forced run shows the sheet even when
// onboarding was completed, so that "-onboardingCompleted YES" and a preview show it too.
OnboardingDecision decideOnboarding(bool completed, bool forced, bool hasFDA, bool brainReady);

// Whether the first-win banner is offered on a change of readiness: only when the engine
// turned ready (from not ready), the user has had no first success yet and the banner was
// never shown. The readiness a window starts with is no change and never reaches this.
bool decideFirstWinBanner(bool wasReady, bool isReady, bool hadFirstWin, bool bannerShown);

// The onboarding of one browser window without its widgets: the live state the sheet draws
// (from the window model, the model download and the settings), the six actions with their
// usage events, and the current step, which belongs to the window and survives the sheet.
//
// GUI thread. `changed` follows every source of the live state: the step, disk access, the
// Ollama flag, the download's state, source and megabytes, "sampleDemoRan" and the language.
class OnboardingController : public QObject
{
    Q_OBJECT

public:
    using Sink = std::function<void(const Telemetry::Event &)>;

    // Over ModelDownload::shared().
    explicit OnboardingController(BrowserState &state, QObject *parent = nullptr);
    OnboardingController(BrowserState &state, ModelDownload &download, QObject *parent = nullptr);

    OnboardingStep step() const { return m_step; }
    void setStep(OnboardingStep step);

    // Closes the sheet; called by finish() and runSample after "onboardingCompleted" is
    // stored.
    void setOnClose(std::function<void()> onClose) { m_onClose = std::move(onClose); }
    // Where usage events go; Telemetry::track unless replaced (tests).
    void setTelemetrySink(Sink sink) { m_sink = std::move(sink); }

    // The state to draw now.
    OnboardingState state() const;
    // The model step: the preview switch when set, else the engines and the download.
    OnboardingBrain brain() const;
    // The brain of a status, with the download's source and megabytes.
    static OnboardingBrain brainOf(const LocalBrain::Status &status, const QString &source, qint64 mb);
    // The six closures the sheet's controls call.
    OnboardingActions actions();

    // One step forward (skip does the same): sends the step as done or skipped; from the
    // first step it also starts the model download when needed; from the last it finishes.
    void advance();
    // Sends the current step (done by its own rule), stores "onboardingCompleted", closes.
    void finish();
    // Sends step 3 as done, stores "onboardingCompleted", closes, then opens the sample demo.
    void runSample();
    // Starts the default model download.
    void retryBrain();
    // Starts the default model download when nothing is ready or running, never in render
    // or preview mode.
    void startBrainIfNeeded();
    // The window's part once the sheet went away by any means: when onboarding is not yet
    // completed (no finish or sample ran), sends the current step as skipped and stores it
    // completed, so the sheet is left with exactly one event and not shown at next start.
    void sheetDismissed();

signals:
    void changed();

private:
    void track(OnboardingStep step, bool done);
    void close();

    BrowserState &m_state;
    ModelDownload &m_download;
    OnboardingStep m_step = OnboardingStep::permission;
    std::function<void()> m_onClose;
    Sink m_sink;
};
