#pragma once

#include <QObject>

class BrainStatusFeed;
class BrowserState;
class FirstWinBanner;
class ModelDownload;
class OnboardingController;
class QTimer;
class QWidget;
class SheetPresenter;

// A browser window's first-run decisions. 0.6 s after the window's content is shown it
// decides whether the onboarding sheet opens (or onboarding is completed silently); it
// opens the sheet again at the first step when "onboardingCompleted" turns false; when the
// sheet goes away without finishing it sends the step as skipped once. It also offers the
// first-win banner when the window's naming engine turns ready during the window's life.
class OnboardingHost : public QObject
{
    Q_OBJECT

public:
    // `content` is the window's content: its showing starts the decision. The banner is
    // shown and hidden here.
    OnboardingHost(BrowserState &state, SheetPresenter &sheets, FirstWinBanner &banner, ModelDownload &download,
                   QWidget &content);

    OnboardingController &controller() const { return *m_controller; }
    bool showFirstWin() const { return m_showFirstWin; }
    // Delay between the content being shown and the decision.
    static constexpr int decisionDelayMs = 600;

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    void decide();
    void openAtFirstStep();
    void completedChanged();
    void readinessChanged();
    void setShowFirstWin(bool show);

    BrowserState &m_state;
    FirstWinBanner &m_banner;
    ModelDownload &m_download;
    OnboardingController *m_controller;
    BrainStatusFeed *m_feed;
    QTimer *m_decision;
    bool m_completed = false;
    bool m_wasReady = false;
    bool m_sheetShown = false;
    bool m_showFirstWin = false;
};
