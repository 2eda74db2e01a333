#include "ThumbnailRequests.h"

#include "ThumbnailProvider.h"

#include <QFutureWatcher>

ThumbnailRequests::ThumbnailRequests(ThumbnailProvider &provider, QObject *parent)
    : QObject(parent), m_provider(provider)
{
}

void ThumbnailRequests::setSize(double size, double scale)
{
    if (size == m_size && scale == m_scale)
        return;
    m_size = size;
    m_scale = scale;
    clear();
}

void ThumbnailRequests::setStillWanted(std::function<bool(const QString &)> wanted)
{
    m_stillWanted = std::move(wanted);
}

QImage ThumbnailRequests::image(const QString &path)
{
    if (!ThumbnailProvider::hasThumbnailExtension(path))
        return {};
    QImage kept = m_provider.cached(path, m_size, m_scale);
    if (!kept.isNull() || m_pending.contains(path) || m_failed.contains(path))
        return kept;
    m_pending.insert(path);
    m_queue.push_back(path);
    // Started from the event loop, so the cells painted in this pass all queue first and
    // the wanted-check sees the view as it is after painting.
    if (m_queue.size() == 1)
        QMetaObject::invokeMethod(this, &ThumbnailRequests::pump, Qt::QueuedConnection);
    return {};
}

void ThumbnailRequests::clear()
{
    ++m_epoch;
    m_queue.clear();
    m_pending.clear(); // running requests report to the old epoch, which is ignored
    m_failed.clear();
}

void ThumbnailRequests::pump()
{
    while (m_running < maxRunning && !m_queue.empty()) {
        const QString path = m_queue.front();
        m_queue.pop_front();
        if (m_stillWanted && !m_stillWanted(path)) {
            m_pending.remove(path); // asked again if it comes back into view
            continue;
        }
        ++m_running;
        auto *watcher = new QFutureWatcher<QImage>(this);
        connect(watcher, &QFutureWatcherBase::finished, this,
                [this, watcher, path, epoch = m_epoch] {
                    watcher->deleteLater();
                    --m_running;
                    const QFuture<QImage> done = watcher->future();
                    const QImage image = done.isCanceled() || done.resultCount() == 0
                                             ? QImage()
                                             : done.result();
                    if (epoch == m_epoch) {
                        m_pending.remove(path);
                        if (image.isNull())
                            m_failed.insert(path);
                        else
                            emit ready(path, image);
                    }
                    pump();
                });
        watcher->setFuture(m_provider.thumbnail(path, m_size, m_scale));
    }
}
