// Network servers, volumes and favourites of the browser window.
#include "BrowserState.h"

#include "Defaults.h"
#include "DisplayHelpers.h"
#include "Localization.h"
#include "PaneState.h"

#include <QDir>
#include <QFileInfo>
#include <QPointer>
#include <QUrl>

namespace {

constexpr int maxRecentServers = 8;

// The scheme GVfs mounts for an address typed with another one.
QUrl mountableUrl(QUrl url)
{
    if (url.scheme() == u"https")
        url.setScheme(QStringLiteral("davs"));
    else if (url.scheme() == u"http")
        url.setScheme(QStringLiteral("dav"));
    return url;
}

} // namespace

std::optional<QString> BrowserState::normalizeServerAddress(const QString &typed, QString *password)
{
    QString text = typed.trimmed();
    if (!text.contains(QLatin1String("://")))
        text.prepend(QLatin1String("smb://"));
    QUrl url(text, QUrl::StrictMode);
    if (!url.isValid() || url.host().isEmpty())
        return std::nullopt;
    if (!url.password().isEmpty()) {
        if (password)
            *password = url.password();
        url.setPassword({});
        return url.toString();
    }
    return text;
}

QString BrowserState::withoutPassword(const QString &address)
{
    QUrl url(address);
    if (!url.isValid() || url.password().isEmpty())
        return address;
    url.setPassword({});
    return url.toString();
}

void BrowserState::connectToServer(const QString &address, const QString &user, const QString &password)
{
    if (address.trimmed().isEmpty())
        return;
    QString secret = password;
    QString inAddress;
    const std::optional<QString> normalized = normalizeServerAddress(address, &inAddress);
    if (!normalized) {
        setStatus(L("地址格式不对（例：smb://nas.example/共享）"));
        return;
    }
    if (secret.isEmpty())
        secret = inAddress;

    QStringList recent;
    for (const QString &entry : Defaults::shared().stringList(QStringLiteral("recentServers")))
        recent << withoutPassword(entry);
    recent.removeAll(*normalized);
    recent.removeDuplicates();
    recent.prepend(*normalized);
    Defaults::shared().setValue(QStringLiteral("recentServers"), recent.mid(0, maxRecentServers));

    const QUrl url(*normalized);
    const QString name = user.isEmpty() ? url.userName() : user;
    setStatus(L("正在连接 %@…", url.host()));
    QPointer<BrowserState> self(this);
    VolumeMonitor::shared().mount(
        mountableUrl(url).toString(), name, secret,
        [self](const VolumeMonitor::MountResult &result) {
            if (!self)
                return; // the window is gone
            self->refreshVolumes();
            if (result.path.isEmpty()) {
                self->setStatus(result.serviceMissing ? L("无法连接：系统缺少网络挂载服务（GVfs）")
                                                      : L("连接失败"));
                return;
            }
            self->enter(result.path);
            self->setStatus(L("已连接 %@", QFileInfo(result.path).fileName()));
        });
}

void BrowserState::ejectVolume(const QString &path)
{
    QString name;
    for (const Volume &volume : std::as_const(m_volumes))
        if (volume.path == path)
            name = volume.name;
    if (name.isEmpty())
        name = displayName(path);

    // Panes inside the volume leave it first, so no watcher holds it open.
    const QString home = FileItem::identityPath(QDir::homePath());
    const QString below = path.endsWith(u'/') ? path : path + u'/';
    for (PaneState *pane : std::as_const(m_panes)) {
        if (pane->current() == path || pane->current().startsWith(below)) {
            pane->stopWatching();
            pane->go(home, false);
        }
    }
    setStatus(L("正在推出 %@…", name));
    QPointer<BrowserState> self(this);
    VolumeMonitor::shared().eject(path, [self, name](bool ejected) {
        if (!self)
            return;
        self->refreshVolumes();
        self->setStatus(ejected ? L("已推出 %@", name) : L("无法推出 %@（可能仍有文件被占用）", name));
    });
}

void BrowserState::addFavorite(const QString &path)
{
    if (!m_favorites.contains(path))
        setFavorites(m_favorites + QStringList{path});
}

void BrowserState::removeFavorite(const QString &path)
{
    QStringList kept = m_favorites;
    kept.removeAll(path);
    setFavorites(kept);
}
