#include "BrainStatusFeed.h"

#include "Localization.h"
#include "ModelDownload.h"

#include <QTimer>

#include <utility>

BrainStatusFeed::BrainStatusFeed(QObject *parent) : BrainStatusFeed(ModelDownload::shared(), parent) {}

BrainStatusFeed::BrainStatusFeed(ModelDownload &download, QObject *parent) : QObject(parent), m_download(download)
{
    connect(&m_download, &ModelDownload::stateChanged, this, &BrainStatusFeed::schedule);
    connect(&Loc::shared(), &Loc::revisionChanged, this, &BrainStatusFeed::schedule);
}

void BrainStatusFeed::setOllamaUp(bool up)
{
    if (std::exchange(m_ollamaUp, up) != up)
        schedule();
}

LocalBrain::Status BrainStatusFeed::current() const
{
    return LocalBrain::status(m_ollamaUp, m_download.state());
}

void BrainStatusFeed::schedule()
{
    if (std::exchange(m_queued, true))
        return;
    QTimer::singleShot(0, this, [this] {
        m_queued = false;
        emit changed();
    });
}
