#include "Opener.h"

#include <QDesktopServices>
#include <QMutex>
#include <QMutexLocker>

namespace {

QMutex handlerLock;
std::function<bool(const QUrl &)> installed;

std::function<bool(const QUrl &)> exchange(std::function<bool(const QUrl &)> handler)
{
    QMutexLocker locker(&handlerLock);
    std::swap(installed, handler);
    return handler;
}

} // namespace

namespace Opener {

bool open(const QString &path)
{
    if (path.isEmpty())
        return false;
    return openUrl(QUrl::fromLocalFile(path));
}

bool openUrl(const QUrl &url)
{
    if (!url.isValid())
        return false;
    std::function<bool(const QUrl &)> handler;
    {
        QMutexLocker locker(&handlerLock);
        handler = installed;
    }
    return handler ? handler(url) : QDesktopServices::openUrl(url);
}

ScopedHandler::ScopedHandler(std::function<bool(const QUrl &)> handler)
    : m_previous(exchange(std::move(handler)))
{
}

ScopedHandler::~ScopedHandler()
{
    exchange(std::move(m_previous));
}

} // namespace Opener
