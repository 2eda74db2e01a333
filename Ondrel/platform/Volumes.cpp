#include "Volumes.h"

#include "Localization.h"

#include <QAbstractEventDispatcher>
#include <QCoreApplication>
#include <QFile>
#include <QMutexLocker>
#include <QPointer>
#include <QStorageInfo>
#include <QThread>
#include <QTimer>

// GLib's headers use "signals" as a plain identifier.
#undef signals
#include <gio/gio.h>
#include <gio/gunixmounts.h>
#define signals Q_SIGNALS

#include <chrono>
#include <optional>

namespace {

QMutex installLock;
VolumeMonitor *installedFake = nullptr; // the innermost ScopedVolumeMonitor
QPointer<VolumeMonitor> systemMonitor;

Volume rootVolume()
{
    const QString label = QStorageInfo::root().name();
    return {label.isEmpty() ? L("文件系统") : label, QStringLiteral("/"), false, false};
}

QString takeString(char *text)
{
    const QString result = QString::fromUtf8(text);
    g_free(text);
    return result;
}

QString localPathOf(GMount *mount)
{
    GFile *root = g_mount_get_root(mount);
    char *path = g_file_get_path(root);
    g_object_unref(root);
    const QString result = path ? QFile::decodeName(path) : QString();
    g_free(path);
    return result;
}

// Whether the system counts the mount at `path` as its own (pseudo file systems, /boot,
// /var, ...). GIO already leaves most of these out; this holds for every monitor module.
bool isSystemMount(const QString &path)
{
    GUnixMountEntry *entry = g_unix_mount_at(QFile::encodeName(path).constData(), nullptr);
    if (!entry)
        return false;
    const bool internal = g_unix_mount_is_system_internal(entry);
    g_unix_mount_free(entry);
    return internal;
}

std::optional<Volume> volumeOf(GMount *mount)
{
    if (g_mount_is_shadowed(mount))
        return std::nullopt;
    // The browser works on paths: a mount without a local path (a network location without
    // a FUSE bridge) cannot be shown.
    const QString path = localPathOf(mount);
    if (path.isEmpty() || path == u"/" || isSystemMount(path))
        return std::nullopt;
    Volume volume;
    volume.path = path;
    volume.name = takeString(g_mount_get_name(mount));
    if (volume.name.isEmpty())
        volume.name = path.mid(path.lastIndexOf(u'/') + 1);
    // As desktop file managers do, a volume the user can take away (eject the medium or
    // unmount the file system) offers ejecting.
    volume.ejectable = g_mount_can_eject(mount) || g_mount_can_unmount(mount);
    if (GDrive *drive = g_mount_get_drive(mount)) {
        volume.removable = g_drive_is_removable(drive) || g_drive_is_media_removable(drive);
        g_object_unref(drive);
    }
    return volume;
}

// Follows GIO's volume monitor. GIO emits its notices in the GLib main context of the
// thread that made the monitor, which must be the main thread: the GUI thread, whose Qt
// event loop runs that context when Qt uses its GLib event dispatcher. Without it (Qt
// built without GLib, or QT_NO_GLIB set), a timer on the GUI thread runs the context.
class GioVolumeMonitor final : public VolumeMonitor
{
public:
    GioVolumeMonitor() { assign({rootVolume()}); }

    ~GioVolumeMonitor() override
    {
        if (m_monitor) {
            g_signal_handlers_disconnect_by_data(m_monitor, this);
            g_object_unref(m_monitor);
        }
    }

    // On the GUI thread.
    void start()
    {
        if (QCoreApplication *app = QCoreApplication::instance())
            setParent(app); // gone with the application, its GIO handlers with it
        m_monitor = g_volume_monitor_get();
        for (const char *signal : {"mount-added", "mount-removed", "mount-changed"})
            g_signal_connect(m_monitor, signal, G_CALLBACK(&GioVolumeMonitor::mountsChanged), this);
        runGlibContextIfNeeded();
        refresh();
    }

private:
    static void mountsChanged(GVolumeMonitor *, GMount *, gpointer self)
    {
        static_cast<GioVolumeMonitor *>(self)->refresh();
    }

    void refresh()
    {
        QList<Volume> list{rootVolume()};
        GList *mounts = g_volume_monitor_get_mounts(m_monitor);
        for (GList *item = mounts; item; item = item->next) {
            if (const std::optional<Volume> volume = volumeOf(G_MOUNT(item->data)))
                list << *volume;
        }
        g_list_free_full(mounts, g_object_unref);
        assign(list);
    }

    void runGlibContextIfNeeded()
    {
        const QAbstractEventDispatcher *dispatcher = QAbstractEventDispatcher::instance(thread());
        if (dispatcher && dispatcher->inherits("QEventDispatcherGlib"))
            return;
        auto *timer = new QTimer(this);
        connect(timer, &QTimer::timeout, this, [] {
            // Without blocking, and bounded, so a source that is always ready cannot hold
            // the GUI thread. Returns at once when another thread owns the context.
            for (int i = 0; i < 64 && g_main_context_iteration(nullptr, FALSE); ++i) {
            }
        });
        timer->start(std::chrono::milliseconds(250));
    }

    GVolumeMonitor *m_monitor = nullptr;
};

VolumeMonitor *systemInstance()
{
    if (systemMonitor)
        return systemMonitor;
    auto *monitor = new GioVolumeMonitor;
    systemMonitor = monitor;
    QCoreApplication *app = QCoreApplication::instance();
    if (!app)
        return monitor; // no event loop will ever run: the root is all it can tell
    if (QThread::currentThread() == app->thread()) {
        monitor->start();
    } else {
        monitor->moveToThread(app->thread());
        QMetaObject::invokeMethod(monitor, [monitor] { monitor->start(); }, Qt::QueuedConnection);
    }
    return monitor;
}

} // namespace

VolumeMonitor::VolumeMonitor(QObject *parent) : QObject(parent) {}

VolumeMonitor &VolumeMonitor::shared()
{
    QMutexLocker locker(&installLock);
    return installedFake ? *installedFake : *systemInstance();
}

QList<Volume> VolumeMonitor::volumes() const
{
    QMutexLocker locker(&m_lock);
    return m_volumes;
}

void VolumeMonitor::assign(const QList<Volume> &volumes, bool always)
{
    {
        QMutexLocker locker(&m_lock);
        if (m_volumes == volumes && !always)
            return;
        m_volumes = volumes;
    }
    emit volumesChanged();
}

ScopedVolumeMonitor::ScopedVolumeMonitor(const QList<Volume> &volumes)
{
    assign(volumes);
    QMutexLocker locker(&installLock);
    m_previous = installedFake;
    installedFake = this;
}

ScopedVolumeMonitor::~ScopedVolumeMonitor()
{
    QMutexLocker locker(&installLock);
    if (installedFake == this)
        installedFake = m_previous;
}

void ScopedVolumeMonitor::setVolumes(const QList<Volume> &volumes)
{
    assign(volumes, true);
}
