#include "Onboarding.h"

#include "Defaults.h"
#include "Localization.h"

std::optional<OnboardingStep> onboardingStepFromRaw(int raw)
{
    switch (raw) {
    case 1: return OnboardingStep::permission;
    case 2: return OnboardingStep::brain;
    case 3: return OnboardingStep::firstWin;
    default: return std::nullopt;
    }
}

OnboardingBrain OnboardingBrain::downloading(double frac, const QString &source, qint64 mb)
{
    OnboardingBrain brain = of(Kind::downloading);
    brain.frac = frac;
    brain.source = source;
    brain.mb = mb;
    return brain;
}

OnboardingBrain OnboardingBrain::failed(const QString &reason)
{
    OnboardingBrain brain = of(Kind::failed);
    brain.reason = reason;
    return brain;
}

bool isStepDone(const OnboardingState &state, OnboardingStep step)
{
    switch (step) {
    case OnboardingStep::permission: return state.hasFDA;
    case OnboardingStep::brain: return state.brain.isReady();
    case OnboardingStep::firstWin: return state.sampleRan;
    }
    return false;
}

std::optional<QString> OnboardingRenderer::outputDir()
{
    const QString dir = Defaults::shared().string(QString::fromLatin1(OnboardingKeys::render));
    if (dir.isEmpty())
        return std::nullopt;
    return dir;
}

std::optional<OnboardingBrain> OnboardingRenderer::previewBrain()
{
    const QString value = Defaults::shared().string(QString::fromLatin1(OnboardingKeys::preview));
    if (value == u"downloading")
        return OnboardingBrain::downloading(0.43, QStringLiteral("ModelScope"), 900);
    if (value == u"failed")
        return OnboardingBrain::failed(L("网络连接中断"));
    if (value == u"ready")
        return OnboardingBrain::ready();
    return std::nullopt;
}

bool OnboardingRenderer::isForced()
{
    return Defaults::shared().inArguments(QString::fromLatin1(OnboardingKeys::completed))
        || previewBrain().has_value();
}

bool OnboardingFlags::hadFirstWin()
{
    const Defaults &defaults = Defaults::shared();
    return defaults.boolValue(QString::fromLatin1(OnboardingKeys::sampleDemoRan))
        || defaults.boolValue(QString::fromLatin1(OnboardingKeys::hasAcceptedRename));
}
