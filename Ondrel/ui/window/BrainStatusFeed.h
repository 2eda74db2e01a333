#pragma once

#include "LocalBrain.h"

#include <QObject>

class ModelDownload;

// Follows everything the local engine status rests on (the window's Ollama flag, the
// model download, the interface language) and says `changed` once per burst of changes,
// so the views that show the status redraw once.
class BrainStatusFeed : public QObject
{
    Q_OBJECT

public:
    // Over ModelDownload::shared().
    explicit BrainStatusFeed(QObject *parent = nullptr);
    BrainStatusFeed(ModelDownload &download, QObject *parent = nullptr);

    bool ollamaUp() const { return m_ollamaUp; }
    void setOllamaUp(bool up);
    // The status now, from the engines on this machine and the download.
    LocalBrain::Status current() const;

signals:
    void changed();

private:
    void schedule();

    ModelDownload &m_download;
    bool m_ollamaUp = false;
    bool m_queued = false;
};
