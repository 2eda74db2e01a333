#pragma once

#include "LocalBrain.h"
#include "kit/Widgets.h"

class ActionButton;
class BrainStatusFeed;
class BrowserState;
class ModelDownload;
class QLabel;
class QProgressBar;
class QPushButton;

// The card that gets the local naming model ready, by the engines' status: not ready
// (purple: what the model is for and a button that starts the download), preparing (blue:
// the percentage, a bar and "取消"), failed (orange: the download's own message and
// "重试"). Hidden while an engine is ready. It follows the window's Ollama flag and the
// given download; its buttons start (the one default model file every caller downloads)
// and cancel that download.
class ModelSetupCard : public Kit::Card
{
    Q_OBJECT

public:
    // The progress bar's steps for the whole download.
    static constexpr int progressSteps = 1000;

    ModelSetupCard(BrowserState &state, ModelDownload &download, QWidget *parent = nullptr);

    // The status shown now (kept up to date from the window and the download).
    const LocalBrain::Status &status() const { return m_status; }
    // Shows `status`; the card follows its sources again at their next change.
    void apply(const LocalBrain::Status &status);
    // The status from the sources, shown now.
    void refresh();
    // Whether the view offers the card at all (for a file, not for a folder): when not,
    // it stays hidden whatever the status.
    void setOffered(bool offered);
    bool isOffered() const { return m_offered; }

signals:
    // After each apply(): the status shown may differ.
    void statusApplied();

private:
    void retranslate();

    ModelDownload &m_download;
    BrainStatusFeed *m_feed;
    LocalBrain::Status m_status;
    bool m_offered = true;

    QWidget *m_notReady;
    QLabel *m_notReadyTitle;
    QLabel *m_notReadyText;
    ActionButton *m_start;

    QWidget *m_preparing;
    QLabel *m_preparingTitle;
    QProgressBar *m_progress;
    QPushButton *m_cancel;

    QWidget *m_failed;
    QLabel *m_failedText;
    QPushButton *m_retry;
};
