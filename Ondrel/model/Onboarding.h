#pragma once

#include <QString>

#include <functional>
#include <optional>

// The state of the first-run onboarding, shared by its sheet, the window that presents it,
// the first-win banner and the screenshot renderer. Widget-free.

enum class OnboardingStep { permission = 1, brain = 2, firstWin = 3 };

// The step of a raw value 1…3; nothing for any other number.
std::optional<OnboardingStep> onboardingStepFromRaw(int raw);

// The local model as the onboarding shows it.
struct OnboardingBrain
{
    enum class Kind { downloading, failed, ready, verifying, needsSetup };

    Kind kind = Kind::needsSetup;
    double frac = 0;  // downloading: 0…1
    QString source;   // downloading: display name of the download source
    qint64 mb = 0;    // downloading: megabytes written
    QString reason;   // failed: a finished, localised sentence

    static OnboardingBrain downloading(double frac, const QString &source, qint64 mb);
    static OnboardingBrain failed(const QString &reason);
    static OnboardingBrain ready() { return of(Kind::ready); }
    static OnboardingBrain verifying() { return of(Kind::verifying); }
    static OnboardingBrain needsSetup() { return of(Kind::needsSetup); }
    static OnboardingBrain of(Kind kind)
    {
        OnboardingBrain brain;
        brain.kind = kind;
        return brain;
    }

    bool isReady() const { return kind == Kind::ready; }
    bool operator==(const OnboardingBrain &) const = default;
};

struct OnboardingState
{
    OnboardingStep step = OnboardingStep::permission;
    bool hasFDA = true;
    OnboardingBrain brain;
    bool sampleRan = false;

    bool operator==(const OnboardingState &) const = default;
};

// Whether `step` counts as done in `state`: permission with access, brain with a ready
// engine, firstWin once the sample demo ran. The step bar and its dots show this.
bool isStepDone(const OnboardingState &state, OnboardingStep step);

// What the sheet's controls call; each does nothing unless set.
struct OnboardingActions
{
    std::function<void()> openFDASettings = [] {};
    std::function<void()> advance = [] {};
    std::function<void()> skip = [] {};
    std::function<void()> retryBrain = [] {};
    std::function<void()> runSample = [] {};
    std::function<void()> finish = [] {};
};

// Settings keys of the first run.
namespace OnboardingKeys {
inline constexpr const char *completed = "onboardingCompleted";
inline constexpr const char *sampleDemoRan = "sampleDemoRan";
inline constexpr const char *firstWinBannerShown = "firstWinBannerShown";
inline constexpr const char *hasAcceptedRename = "hasAcceptedRename";
inline constexpr const char *render = "MarovelRenderOnboarding";
inline constexpr const char *preview = "MarovelOnboardingPreview";
} // namespace OnboardingKeys

// Developer switches, read from the settings (and so from "-key value" on the command
// line) each time they are asked for.
namespace OnboardingRenderer {
// Render mode: the folder the onboarding screenshots go to; nothing when unset or empty.
std::optional<QString> outputDir();
// The model step forced by "downloading", "failed" or "ready" (exact case); else nothing.
std::optional<OnboardingBrain> previewBrain();
// Onboarding must be shown: "onboardingCompleted" given on the command line (any value),
// or a preview is set.
bool isForced();
} // namespace OnboardingRenderer

namespace OnboardingFlags {
// The user already had a first success: ran the sample demo or accepted a proposed name.
bool hadFirstWin();
} // namespace OnboardingFlags
