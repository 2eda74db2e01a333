#include "BrainStatusFeed.h"

#include "Localization.h"
#include "ModelDownload.h"

#include <QTimer>

#include <utility>

BrainStatusFeed::BrainStatusFeed(QObject *parent) : QObject(parent)
{
    connect(&ModelDownload::shared(), &ModelDownload::stateChanged, this, &BrainStatusFeed::schedule);
    connect(&Loc::shared(), &Loc::revisionChanged, this, &BrainStatusFeed::schedule);
}

void BrainStatusFeed::setOllamaUp(bool up)
{
    if (std::exchange(m_ollamaUp, up) != up)
        schedule();
}

LocalBrain::Status BrainStatusFeed::current() const
{
    return LocalBrain::status(m_ollamaUp);
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
