#pragma once

#include <QDBusConnection>
#include <QObject>
#include <QStringList>

#include <functional>

// Marovel's answer to other programs' "show in file manager" requests: the freedesktop
// FileManager1 interface on the session bus. The name is owned only while asked for (the
// user made Marovel the default file viewer); behind another owner the request waits in
// the bus's queue. Only file:// addresses are taken; others are ignored.
class FileManagerService : public QObject
{
    Q_OBJECT
    Q_CLASSINFO("D-Bus Interface", "org.freedesktop.FileManager1")

public:
    struct Handlers
    {
        // Shows the items selected in their folder.
        std::function<void(const QStringList &paths)> reveal;
        // Opens the folders.
        std::function<void(const QStringList &paths)> openFolders;
    };

    explicit FileManagerService(Handlers handlers,
                                const QDBusConnection &bus = QDBusConnection::sessionBus(),
                                QObject *parent = nullptr);
    ~FileManagerService() override;

    // Asks for the name (queued behind another owner) or gives it up. Without a bus,
    // nothing happens.
    void setWanted(bool wanted);
    bool isWanted() const { return m_wanted; }

public slots:
    Q_SCRIPTABLE void ShowFolders(const QStringList &uris, const QString &startupId);
    Q_SCRIPTABLE void ShowItems(const QStringList &uris, const QString &startupId);
    Q_SCRIPTABLE void ShowItemProperties(const QStringList &uris, const QString &startupId);

private:
    static QStringList localPaths(const QStringList &uris);

    Handlers m_handlers;
    QDBusConnection m_bus;
    bool m_wanted = false;
};
