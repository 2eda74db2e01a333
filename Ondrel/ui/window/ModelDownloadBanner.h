#pragma once

#include "LocalBrain.h"
#include "kit/Widgets.h"

class BrainStatusFeed;
class QLabel;
class QProgressBar;
class QPushButton;

// The banner above the window's bars while the local model is being prepared (purple,
// with the percentage and a progress bar; without either while the file is verified) or
// after preparing it failed (orange, with the message and a retry button). Hidden while
// an engine is ready or nothing was started.
class ModelDownloadBanner : public Kit::Card
{
    Q_OBJECT

public:
    explicit ModelDownloadBanner(QWidget *parent = nullptr);

    void setOllamaUp(bool up);
    void apply(const LocalBrain::Status &status);
    LocalBrain::Status shown() const { return m_status; }

public slots:
    void refresh();

private:
    BrainStatusFeed *m_feed;
    LocalBrain::Status m_status;
    QWidget *m_preparing;
    Kit::ElidingLabel *m_preparingText;
    QProgressBar *m_progress;
    QWidget *m_failed;
    Kit::ElidingLabel *m_failedText;
    QPushButton *m_retry;
};
