#include "FileManagerService.h"

#include "Reveal.h"

#include <QDBusConnectionInterface>
#include <QUrl>

FileManagerService::FileManagerService(Handlers handlers, const QDBusConnection &bus, QObject *parent)
    : QObject(parent), m_handlers(std::move(handlers)), m_bus(bus)
{
}

FileManagerService::~FileManagerService()
{
    setWanted(false);
}

void FileManagerService::setWanted(bool wanted)
{
    if (wanted == m_wanted || !m_bus.isConnected())
        return;
    m_wanted = wanted;
    QDBusConnectionInterface *daemon = m_bus.interface();
    const QString name = QString::fromLatin1(Reveal::service);
    const QString path = QString::fromLatin1(Reveal::objectPath);
    if (wanted) {
        m_bus.registerObject(path, this, QDBusConnection::ExportScriptableSlots);
        if (daemon)
            daemon->registerService(name, QDBusConnectionInterface::QueueService,
                                    QDBusConnectionInterface::AllowReplacement);
    } else {
        if (daemon)
            daemon->unregisterService(name);
        m_bus.unregisterObject(path);
    }
}

QStringList FileManagerService::localPaths(const QStringList &uris)
{
    QStringList paths;
    for (const QString &uri : uris) {
        const QUrl url(uri);
        if (url.isValid() && url.scheme() == QLatin1String("file") && url.host().isEmpty())
            paths << url.toLocalFile();
    }
    return paths;
}

void FileManagerService::ShowFolders(const QStringList &uris, const QString &)
{
    const QStringList paths = localPaths(uris);
    if (!paths.isEmpty() && m_handlers.openFolders)
        m_handlers.openFolders(paths);
}

void FileManagerService::ShowItems(const QStringList &uris, const QString &)
{
    const QStringList paths = localPaths(uris);
    if (!paths.isEmpty() && m_handlers.reveal)
        m_handlers.reveal(paths);
}

void FileManagerService::ShowItemProperties(const QStringList &uris, const QString &startupId)
{
    ShowItems(uris, startupId);
}
