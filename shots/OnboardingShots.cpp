// The onboarding sheet in each step and model state, the first-win banner, and the naming
// tier header in its full and compact forms (not ready).
#include "BrowserState.h"
#include "Defaults.h"
#include "Localization.h"
#include "Onboarding.h"
#include "PaneState.h"
#include "Shots.h"
#include "window/ContentView.h"
#include "kit/NamingTierHeader.h"
#include "onboarding/FirstWinBanner.h"
#include "onboarding/OnboardingSheetBody.h"

#include <QVBoxLayout>

namespace Shots {

namespace {

using Brain = OnboardingBrain;

// The sheet's body as the sheet shows it; its brain is made when the shot is built, so a
// translated failure reason follows the language.
Shot sheet(const QString &state, OnboardingStep step, std::function<Brain()> brain, bool sampleRan = false)
{
    return {QStringLiteral("onboarding"), state,
            [step, brain, sampleRan](const Context &) -> QWidget * {
                auto *body = new OnboardingSheetBody;
                body->setState({step, true, brain(), sampleRan});
                return body;
            },
            {},
            {520, 0}};
}

// A window's content over the fixture with the first-win banner standing in its place
// between the install banner and the model banners.
class BannerWindow : public QWidget
{
public:
    explicit BannerWindow(const QString &folder)
    {
        // Past onboarding: its sheet would open over the window.
        Defaults::shared().setValue(QString::fromLatin1(OnboardingKeys::completed), true);
        m_state.activePane()->go(folder, false);
        auto *column = new QVBoxLayout(this);
        column->setContentsMargins(0, 0, 0, 0);
        m_view = new ContentView(m_state, this);
        column->addWidget(m_view);
    }
    ~BannerWindow() override { delete m_view; }

    bool ready()
    {
        if (m_state.activePane()->items().isEmpty())
            return false;
        if (auto *banner = m_view->findChild<FirstWinBanner *>(QStringLiteral("firstWinBanner")))
            banner->show();
        return true;
    }

private:
    BrowserState m_state;
    ContentView *m_view = nullptr;
};

Shot tierHeader(const QString &state, bool compact, QSize size)
{
    return {QStringLiteral("onboarding"), state,
            [compact](const Context &) -> QWidget * {
                auto *frame = new QWidget;
                frame->setAutoFillBackground(true);
                auto *layout = new QVBoxLayout(frame);
                layout->setContentsMargins(16, 12, 16, 12);
                // Not ready: the header shows its fixed explanation, never the caller's title.
                layout->addWidget(new Kit::NamingTierHeader(false, QString(), compact, true));
                layout->addStretch(1);
                return frame;
            },
            {},
            size};
}

} // namespace

QList<Shot> onboardingShots()
{
    const auto downloading = [] { return Brain::downloading(0.43, QStringLiteral("ModelScope"), 900); };
    return {
        sheet(QStringLiteral("step1-granted"), OnboardingStep::permission, [] { return Brain::needsSetup(); }),
        sheet(QStringLiteral("step2-downloading"), OnboardingStep::brain, downloading),
        sheet(QStringLiteral("step2-verifying"), OnboardingStep::brain, [] { return Brain::verifying(); }),
        sheet(QStringLiteral("step2-failed"), OnboardingStep::brain, [] { return Brain::failed(L("网络连接中断")); }),
        sheet(QStringLiteral("step2-ready"), OnboardingStep::brain, [] { return Brain::ready(); }),
        sheet(QStringLiteral("step2-needs-setup"), OnboardingStep::brain, [] { return Brain::needsSetup(); }),
        sheet(QStringLiteral("step3-ready"), OnboardingStep::firstWin, [] { return Brain::ready(); }),
        sheet(QStringLiteral("step3-not-ready"), OnboardingStep::firstWin, downloading),
        {QStringLiteral("onboarding"), QStringLiteral("first-win-banner"),
         [](const Context &) -> QWidget * { return new FirstWinBanner; }, {}, {1040, 0}},
        {QStringLiteral("onboarding"), QStringLiteral("first-win-banner-in-window"),
         [](const Context &context) -> QWidget * { return new BannerWindow(context.fixture); },
         [](QWidget *widget) { return static_cast<BannerWindow *>(widget)->ready(); }},
        tierHeader(QStringLiteral("tier-header-full"), false, {520, 72}),
        tierHeader(QStringLiteral("tier-header-compact"), true, {300, 64}),
    };
}

} // namespace Shots
