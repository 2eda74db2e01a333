#include "OwnChanges.h"

#include <QDeadlineTimer>
#include <QDir>
#include <QHash>
#include <QMutex>
#include <QMutexLocker>

namespace {

QMutex lock;
QHash<QString, qint64> noted; // clean path -> expiry (monotonic milliseconds)
int windowMs = 3000;

qint64 now()
{
    return QDeadlineTimer::current().deadline();
}

void purge(qint64 at)
{
    for (auto it = noted.begin(); it != noted.end();)
        it = it.value() <= at ? noted.erase(it) : std::next(it);
}

} // namespace

namespace OwnChanges {

void note(const QString &path)
{
    if (path.isEmpty())
        return;
    const QString clean = QDir::cleanPath(path);
    QMutexLocker locker(&lock);
    const qint64 at = now();
    if (noted.size() > 256)
        purge(at);
    noted.insert(clean, at + windowMs);
}

bool isOwn(const QString &path)
{
    QString candidate = QDir::cleanPath(path);
    QMutexLocker locker(&lock);
    if (noted.isEmpty())
        return false;
    const qint64 at = now();
    for (;;) {
        const auto it = noted.constFind(candidate);
        if (it != noted.cend() && it.value() > at)
            return true;
        const qsizetype slash = candidate.lastIndexOf(u'/');
        if (slash <= 0)
            return false;
        candidate.truncate(slash);
    }
}

int window()
{
    QMutexLocker locker(&lock);
    return windowMs;
}

void setWindow(int milliseconds)
{
    QMutexLocker locker(&lock);
    windowMs = milliseconds;
}

void clear()
{
    QMutexLocker locker(&lock);
    noted.clear();
}

} // namespace OwnChanges
