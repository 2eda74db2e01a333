#include "Applications.h"

#include "GuiThread.h"
#include "NameCollator.h"

#include <QFile>
#include <QMimeDatabase>
#include <QProcess>
#include <QStandardPaths>
#include <QUrl>
#include <QtConcurrent>

#include <algorithm>

#undef signals // GLib uses the name
#include <gio/gdesktopappinfo.h>
#include <gio/gio.h>
#define signals Q_SIGNALS

namespace {

QString fromUtf8(const char *text)
{
    return text ? QString::fromUtf8(text) : QString();
}

// Lookups read the disk; on the GUI thread they would freeze the window.
bool refusedOnGuiThread(const char *what)
{
    if (!onGuiThread())
        return false;
    qWarning("Marovel: Applications::%s reads the desktop database and was refused on the GUI thread", what);
    return true;
}

GAppInfo *appInfo(const QString &appId)
{
    return G_APP_INFO(g_desktop_app_info_new(appId.toUtf8().constData()));
}

} // namespace

namespace Applications {

QStringList forMimeType(const QString &mimeType)
{
    if (refusedOnGuiThread("forMimeType"))
        return {};
    struct Entry
    {
        QString id;
        QString name;
    };
    QList<Entry> entries;
    GList *all = g_app_info_get_all_for_type(mimeType.toUtf8().constData());
    for (GList *node = all; node; node = node->next) {
        auto *info = G_APP_INFO(node->data);
        const QString id = fromUtf8(g_app_info_get_id(info));
        if (id.isEmpty() || std::any_of(entries.cbegin(), entries.cend(),
                                        [&](const Entry &e) { return e.id == id; }))
            continue;
        entries << Entry{id, fromUtf8(g_app_info_get_display_name(info))};
    }
    g_list_free_full(all, g_object_unref);

    const NameCollator collator;
    std::stable_sort(entries.begin(), entries.end(), [&](const Entry &a, const Entry &b) {
        return collator.lessThan(a.name, b.name);
    });
    QStringList ids;
    for (const Entry &entry : std::as_const(entries))
        ids << entry.id;
    return ids;
}

QStringList forFile(const QString &path)
{
    if (refusedOnGuiThread("forFile"))
        return {};
    return forMimeType(QMimeDatabase().mimeTypeForFile(path).name());
}

QList<App> forFileNamed(const QString &path)
{
    QList<App> apps;
    for (const QString &id : forFile(path))
        apps << App{id, displayName(id)};
    return apps;
}

QString displayName(const QString &appId)
{
    if (refusedOnGuiThread("displayName"))
        return {};
    GAppInfo *info = appInfo(appId);
    if (!info)
        return {};
    const QString name = fromUtf8(g_app_info_get_display_name(info));
    g_object_unref(info);
    return name;
}

QString iconName(const QString &appId)
{
    if (refusedOnGuiThread("iconName"))
        return {};
    GAppInfo *info = appInfo(appId);
    if (!info)
        return {};
    QString name;
    if (GIcon *icon = g_app_info_get_icon(info)) {
        gchar *text = g_icon_to_string(icon);
        name = fromUtf8(text);
        g_free(text);
    }
    g_object_unref(info);
    return name;
}

void launch(const QString &appId, const QString &path)
{
    const QByteArray uri = QUrl::fromLocalFile(path).toEncoded();
    const QByteArray id = appId.toUtf8();
    QThreadPool::globalInstance()->start([id, uri] {
        GDesktopAppInfo *info = g_desktop_app_info_new(id.constData());
        if (!info)
            return;
        GList uris{const_cast<char *>(uri.constData()), nullptr, nullptr};
        g_app_info_launch_uris(G_APP_INFO(info), &uris, nullptr, nullptr);
        g_object_unref(info);
    });
}

QString terminal()
{
    for (const char *name : {"ghostty", "x-terminal-emulator", "xterm"}) {
        const QString found = QStandardPaths::findExecutable(QString::fromLatin1(name));
        if (!found.isEmpty())
            return found;
    }
    return {};
}

bool openTerminal(const QString &folder)
{
    const QString program = terminal();
    return !program.isEmpty() && QProcess::startDetached(program, {}, folder);
}

QList<Volume> cloudDrives()
{
    QList<Volume> drives;
    GVolumeMonitor *monitor = g_volume_monitor_get();
    GList *mounts = g_volume_monitor_get_mounts(monitor);
    for (GList *node = mounts; node; node = node->next) {
        GMount *mount = G_MOUNT(node->data);
        GFile *root = g_mount_get_root(mount);
        gchar *scheme = g_file_get_uri_scheme(root);
        const QString kind = fromUtf8(scheme);
        g_free(scheme);
        if (kind == u"google-drive" || kind == u"onedrive") {
            gchar *local = g_file_get_path(root); // the local (FUSE) path, when there is one
            gchar *name = g_mount_get_name(mount);
            if (local)
                drives << Volume{fromUtf8(name), QString::fromLocal8Bit(local)};
            g_free(local);
            g_free(name);
        }
        g_object_unref(root);
    }
    g_list_free_full(mounts, g_object_unref);
    g_object_unref(monitor);

    const NameCollator collator;
    std::stable_sort(drives.begin(), drives.end(),
                     [&](const Volume &a, const Volume &b) { return collator.lessThan(a.name, b.name); });
    return drives;
}

} // namespace Applications
