// Opening files with applications, terminals and cloud folders of the browser window.
#include "BrowserState.h"

#include "Applications.h"
#include "FileOps.h"

#include <QFileInfo>

QStringList BrowserState::appsFor(const QString &path)
{
    const QString key = FileOps::splitExtension(QFileInfo(path).fileName()).second.toLower();
    if (!key.isEmpty()) {
        if (const auto cached = m_appsCache.constFind(key); cached != m_appsCache.constEnd())
            return *cached;
    }
    const QStringList apps = Applications::forFile(path);
    if (!key.isEmpty())
        m_appsCache.insert(key, apps);
    return apps;
}

void BrowserState::openWith(const QString &path, const QString &appId)
{
    Applications::launch(appId, path);
}

void BrowserState::openInTerminal(const QString &folder)
{
    Applications::openTerminal(folder);
}

QList<Volume> BrowserState::cloudDrives() const
{
    return Applications::cloudDrives();
}

void BrowserState::openFDASettings()
{
}
