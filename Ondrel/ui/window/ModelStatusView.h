#pragma once

#include "LocalBrain.h"

#include <QWidget>

class BrainStatusFeed;
class QLabel;
namespace Kit {
class Chip;
class Spinner;
} // namespace Kit

// The model status chip at the start of the AI bar: in a few words, whether a local
// naming engine is ready (green), being prepared (spinner and percentage), failed (red)
// or not set up (orange). Clicking the red or orange chip starts the model download;
// clicking the green one asks the window to probe Ollama again.
class ModelStatusView : public QWidget
{
    Q_OBJECT

public:
    explicit ModelStatusView(QWidget *parent = nullptr);

    // The window model's "Ollama answered" flag; the chip follows it.
    void setOllamaUp(bool up);
    // Shows `status` (refresh() computes it from the engines and the download).
    void apply(const LocalBrain::Status &status);
    LocalBrain::Status shown() const { return m_status; }

public slots:
    void refresh();

signals:
    // The green chip was clicked: the window probes Ollama again.
    void recheckRequested();

private:
    void clicked();

    BrainStatusFeed *m_feed;
    LocalBrain::Status m_status;
    Kit::Chip *m_chip;
    QWidget *m_preparing;
    Kit::Spinner *m_spinner;
    QLabel *m_preparingText;
};
