#include "Reveal.h"

#include <QDBusConnectionInterface>
#include <QDBusMessage>
#include <QUrl>

namespace Reveal {

namespace {

bool offered(const QDBusConnection &bus)
{
    QDBusConnectionInterface *daemon = bus.interface();
    if (!daemon)
        return false;
    const QString name = QString::fromLatin1(service);
    if (daemon->isServiceRegistered(name).value())
        return true;
    // File managers usually start on demand: a service file makes the name activatable.
    return daemon->activatableServiceNames().value().contains(name);
}

} // namespace

bool showItems(const QStringList &paths, const QDBusConnection &bus)
{
    if (paths.isEmpty() || !bus.isConnected() || !offered(bus))
        return false;
    QStringList uris;
    uris.reserve(paths.size());
    for (const QString &path : paths)
        uris << QUrl::fromLocalFile(path).toString(QUrl::FullyEncoded);
    QDBusMessage call = QDBusMessage::createMethodCall(
        QString::fromLatin1(service), QString::fromLatin1(objectPath),
        QString::fromLatin1(interface), QStringLiteral("ShowItems"));
    call << uris << QString(); // no startup notification id
    // Sent without waiting for the reply: a slow or hung file manager never holds the caller.
    return bus.send(call);
}

} // namespace Reveal
