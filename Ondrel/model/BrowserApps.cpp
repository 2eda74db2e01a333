// Opening files with applications, terminals and cloud folders of the browser window.
#include "BrowserState.h"

#include "Applications.h"
#include "FileOps.h"
#include "WhenReady.h"

#include <QFileInfo>
#include <QtConcurrent>

QFuture<QList<Applications::App>> BrowserState::appsFor(const QString &path)
{
    using Apps = QList<Applications::App>;
    const QString key = FileOps::splitExtension(QFileInfo(path).fileName()).second.toLower();
    if (!key.isEmpty()) {
        if (const auto cached = m_appsCache.constFind(key); cached != m_appsCache.constEnd())
            return QtFuture::makeReadyFuture<Apps>(Apps(*cached));
    }
    const QFuture<Apps> lookup = QtConcurrent::run(m_appsLookup, path);
    if (!key.isEmpty())
        whenReady(lookup, this, [this, key](const Apps &apps) { m_appsCache.insert(key, apps); });
    return lookup;
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
