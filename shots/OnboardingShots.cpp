// The onboarding sheet in each step and model state, the first-win banner, the naming
// tier header in its full and compact forms (not ready), and an empty pane's demo: the
// teaser, the teaser while reading, and the proposals (ready; ready but made before the
// model was; basic rules).
#include "BrowserState.h"
#include "Defaults.h"
#include "Fixture.h"
#include "Localization.h"
#include "Onboarding.h"
#include "PaneDemo.h"
#include "PaneState.h"
#include "Shots.h"
#include "window/ContentView.h"
#include "kit/NamingTierHeader.h"
#include "onboarding/EmptyStateView.h"
#include "onboarding/FirstWinBanner.h"
#include "onboarding/OnboardingSheetBody.h"

#include <QDir>
#include <QPromise>
#include <QUuid>
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
        m_state.setFavorites(Fixture::favorites());
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

// A window whose pane shows an empty folder, with the pane's demo in one of its states.
// The proposals are those made for the real sample files.
class EmptyStateWindow : public QWidget
{
public:
    enum class Demo { none, working, ready, stale, basic };

    EmptyStateWindow(const QString &fixture, Demo demo) : m_demo(demo)
    {
        Defaults &defaults = Defaults::shared();
        // Past onboarding, its banner shown: neither covers the pane.
        defaults.setValue(QString::fromLatin1(OnboardingKeys::completed), true);
        defaults.setValue(QString::fromLatin1(OnboardingKeys::firstWinBannerShown), true);
        // One empty folder for every picture (the sidebar's recent folders list it once);
        // fresh sample files for each.
        const QString root = QDir::cleanPath(QDir(fixture).filePath(QStringLiteral("../empty-state")));
        const QString empty = root + QStringLiteral("/Inbox");
        QDir().mkpath(empty);
        const QString run = root + u'/' + QUuid::createUuid().toString(QUuid::Id128).left(8);
        m_state.setOllamaUp(demo == Demo::ready);
        m_state.setFavorites(Fixture::favorites());
        PaneState *pane = m_state.activePane();
        pane->go(empty, false);
        auto *column = new QVBoxLayout(this);
        column->setContentsMargins(0, 0, 0, 0);
        m_view = new ContentView(m_state, this);
        column->addWidget(m_view);

        if (demo == Demo::working) {
            // A file whose reading never ends while the picture is taken.
            const QString file = run + QStringLiteral("/scan.pdf");
            m_held.start();
            m_state.scenarioInFlight().insert(file, m_held.future());
            pane->demo().load({file});
        } else if (demo != Demo::none) {
            const QString samples = run + QStringLiteral("/samples");
            QDir().mkpath(samples);
            pane->demo().loadSamples(samples);
        }
    }
    ~EmptyStateWindow() override { delete m_view; }

    bool ready()
    {
        PaneState *pane = m_state.activePane();
        if (!pane->hasListing())
            return false;
        const PaneDemo &demo = pane->demo();
        switch (m_demo) {
        case Demo::none: return true;
        case Demo::working: return demo.working();
        case Demo::ready:
        case Demo::basic: return !demo.working() && !demo.items().isEmpty() && headerReady() == (m_demo == Demo::ready);
        case Demo::stale:
            if (demo.working() || demo.items().isEmpty())
                return false;
            m_state.setOllamaUp(true); // the model became ready after the proposals were asked for
            return headerReady();
        }
        return true;
    }

private:
    bool headerReady() const
    {
        auto *view = m_view->findChild<EmptyStateView *>(QStringLiteral("emptyStateView"));
        auto *header = view ? view->findChild<Kit::NamingTierHeader *>(QStringLiteral("namingTierHeader")) : nullptr;
        return header && header->ready();
    }

    Demo m_demo;
    BrowserState m_state;
    ContentView *m_view = nullptr;
    QPromise<ScenarioMatch> m_held;
};

Shot emptyState(const QString &state, EmptyStateWindow::Demo demo)
{
    return {QStringLiteral("onboarding"), state,
            [demo](const Context &context) -> QWidget * { return new EmptyStateWindow(context.fixture, demo); },
            [](QWidget *widget) { return static_cast<EmptyStateWindow *>(widget)->ready(); }};
}

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
        emptyState(QStringLiteral("empty-teaser"), EmptyStateWindow::Demo::none),
        emptyState(QStringLiteral("empty-working"), EmptyStateWindow::Demo::working),
        emptyState(QStringLiteral("empty-diff-ready"), EmptyStateWindow::Demo::ready),
        emptyState(QStringLiteral("empty-diff-stale"), EmptyStateWindow::Demo::stale),
        emptyState(QStringLiteral("empty-diff-basic"), EmptyStateWindow::Demo::basic),
    };
}

} // namespace Shots
