#include "OnlineOnly.h"

#include "OnlineFiles.h"

#include <QMutex>
#include <QThread>

namespace {

QMutex &lock()
{
    static QMutex mutex;
    return mutex;
}

std::shared_ptr<OnlineOnly> &current()
{
    static std::shared_ptr<OnlineOnly> query = std::make_shared<SystemOnlineOnly>();
    return query;
}

} // namespace

bool SystemOnlineOnly::isOnlineOnly(const QString &path) const
{
    return OnlineFiles::isOnlineOnly(path);
}

void OnlineOnly::pause(std::chrono::milliseconds duration)
{
    QThread::msleep(static_cast<unsigned long>(duration.count()));
}

std::shared_ptr<OnlineOnly> OnlineOnly::shared()
{
    QMutexLocker locker(&lock());
    return current();
}

void OnlineOnly::setShared(std::shared_ptr<OnlineOnly> query)
{
    QMutexLocker locker(&lock());
    current() = query ? std::move(query) : std::make_shared<SystemOnlineOnly>();
}
