#include "OnlineFiles.h"

#include <QMutex>
#include <QMutexLocker>

namespace {

QMutex lock;
OnlineFiles::Query installed;

} // namespace

namespace OnlineFiles {

bool isOnlineOnly(const QString &path)
{
    const Query q = query();
    return q ? q(path) : false;
}

Query query()
{
    QMutexLocker locker(&lock);
    return installed;
}

void setQuery(Query query)
{
    QMutexLocker locker(&lock);
    installed = std::move(query);
}

} // namespace OnlineFiles
