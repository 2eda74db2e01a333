#pragma once

#include "Onboarding.h"

#include <QWidget>

class OnboardingProgressBar;
class ProminentButton;
class QLabel;
class QPushButton;
class QToolButton;
namespace Kit {
class Card;
}

// The onboarding sheet's content, 520 wide: a header with the step bar and the close
// button, then the step's heading, subtitle, status card and buttons. It draws the state it
// is given and calls the actions; it changes nothing itself. The live sheet and the
// screenshot renderer both use it.
class OnboardingSheetBody : public QWidget
{
    Q_OBJECT

public:
    explicit OnboardingSheetBody(QWidget *parent = nullptr);

    const OnboardingState &state() const { return m_state; }
    void setState(const OnboardingState &state);
    void setActions(const OnboardingActions &actions) { m_actions = actions; }

private:
    class StepPill;

    QWidget *makeHeader();
    QWidget *makeFdaCard();
    QWidget *makeBrainCard();
    QWidget *makeFirstWinCard();
    void apply();
    void applyBrain();

    OnboardingState m_state;
    OnboardingActions m_actions;

    QList<StepPill *> m_pills;
    QToolButton *m_close;
    QLabel *m_heading;
    QLabel *m_subtitle;

    Kit::Card *m_fdaCard;
    QLabel *m_fdaText;

    Kit::Card *m_brainCard;
    QWidget *m_downloading;
    QLabel *m_percent;
    QLabel *m_source;
    OnboardingProgressBar *m_progress;
    QLabel *m_mb;
    QWidget *m_verifying;
    QLabel *m_verifyingText;
    QWidget *m_failed;
    QLabel *m_failedText;
    QPushButton *m_retry;
    QLabel *m_retryNote;
    QWidget *m_ready;
    QLabel *m_readyText;
    QWidget *m_needsSetup;
    QLabel *m_needsSetupText;
    QPushButton *m_startSetup;

    Kit::Card *m_firstWinCard;
    QList<QLabel *> m_trustTexts;
    QLabel *m_firstWinNote;

    ProminentButton *m_primary;
    QToolButton *m_secondary;
};
