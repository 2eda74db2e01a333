#include "OnboardingHost.h"

#include "BrowserState.h"
#include "Defaults.h"
#include "FirstWinBanner.h"
#include "ModelDownload.h"
#include "OnboardingController.h"
#include "OnboardingSheet.h"
#include "window/BrainStatusFeed.h"

#include <QEvent>
#include <QTimer>
#include <QWidget>

namespace {

QString key(const char *name)
{
    return QString::fromLatin1(name);
}

bool completed()
{
    return Defaults::shared().boolValue(key(OnboardingKeys::completed));
}

} // namespace

OnboardingHost::OnboardingHost(BrowserState &state, SheetPresenter &sheets, FirstWinBanner &banner,
                               ModelDownload &download, QWidget &content)
    : QObject(&content),
      m_state(state),
      m_banner(banner),
      m_download(download),
      m_controller(new OnboardingController(state, download, this)),
      m_feed(new BrainStatusFeed(download, this)),
      m_decision(new QTimer(this)),
      m_completed(completed())
{
    m_controller->setOnClose([this] { m_state.setShowOnboarding(false); });
    OnboardingSheet::add(sheets, *m_controller);

    m_decision->setSingleShot(true);
    m_decision->setInterval(decisionDelayMs);
    connect(m_decision, &QTimer::timeout, this, &OnboardingHost::decide);
    content.installEventFilter(this);
    if (content.isVisible())
        m_decision->start();

    connect(&Defaults::shared(), &Defaults::changed, this, [this](const QString &name) {
        if (name == key(OnboardingKeys::completed))
            completedChanged();
    });
    connect(&m_state, &BrowserState::showOnboardingChanged, this, [this] {
        const bool shown = m_state.showOnboarding();
        if (std::exchange(m_sheetShown, shown) && !shown)
            m_controller->sheetDismissed();
    });

    // The readiness the window starts with is no change.
    m_feed->setOllamaUp(m_state.ollamaUp());
    m_wasReady = m_feed->current().kind == LocalBrain::Status::Kind::ready;
    connect(&m_state, &BrowserState::ollamaUpChanged, this, [this] { m_feed->setOllamaUp(m_state.ollamaUp()); });
    connect(m_feed, &BrainStatusFeed::changed, this, &OnboardingHost::readinessChanged);

    m_banner.setOnTry([this] {
        setShowFirstWin(false);
        m_state.startSampleDemo();
    });
    m_banner.setOnDismiss([this] { setShowFirstWin(false); });
    m_banner.setVisible(false);
}

bool OnboardingHost::eventFilter(QObject *watched, QEvent *event)
{
    // The wait belongs to the shown content: hiding it drops a pending decision.
    if (event->type() == QEvent::Show)
        m_decision->start();
    else if (event->type() == QEvent::Hide)
        m_decision->stop();
    return QObject::eventFilter(watched, event);
}

void OnboardingHost::decide()
{
    // Shown again (a minimised window restored) with the sheet open: the sheet keeps its step.
    if (m_state.showOnboarding())
        return;
    const bool ready = LocalBrain::status(m_state.ollamaUp(), m_download.state()).kind == LocalBrain::Status::Kind::ready;
    switch (decideOnboarding(completed(), OnboardingRenderer::isForced(), m_state.hasFDA(), ready)) {
    case OnboardingDecision::nothing: break;
    case OnboardingDecision::completeSilently:
        Defaults::shared().setValue(key(OnboardingKeys::completed), true);
        break;
    case OnboardingDecision::show: openAtFirstStep(); break;
    }
}

void OnboardingHost::openAtFirstStep()
{
    m_controller->setStep(OnboardingStep::permission);
    m_state.setShowOnboarding(true);
}

void OnboardingHost::completedChanged()
{
    // A replay from the settings: the key went from true to false.
    const bool now = completed();
    if (std::exchange(m_completed, now) && !now)
        openAtFirstStep();
}

void OnboardingHost::readinessChanged()
{
    const bool ready = m_feed->current().kind == LocalBrain::Status::Kind::ready;
    const bool was = std::exchange(m_wasReady, ready);
    if (!decideFirstWinBanner(was, ready, OnboardingFlags::hadFirstWin(),
                              Defaults::shared().boolValue(key(OnboardingKeys::firstWinBannerShown))))
        return;
    // Stored before the banner shows: it is offered once, whatever happens next.
    Defaults::shared().setValue(key(OnboardingKeys::firstWinBannerShown), true);
    setShowFirstWin(true);
}

void OnboardingHost::setShowFirstWin(bool show)
{
    m_showFirstWin = show;
    m_banner.setVisible(show);
}
