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
#include <QFutureWatcher>
#include <QProcess>
#include <QtConcurrent>

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

// --- Mounting and ejecting ------------------------------------------------------------------

namespace {

// One mount in flight: the credentials to answer with and where the result goes.
struct MountRequest
{
    QByteArray user;
    QByteArray password;
    int asked = 0;
    GMountOperation *operation = nullptr;
    std::function<void(const VolumeMonitor::MountResult &)> done;
};

void askPassword(GMountOperation *operation, const char *, const char *, const char *,
                 GAskPasswordFlags flags, gpointer data)
{
    auto *request = static_cast<MountRequest *>(data);
    // A second question means the answer was refused: stop instead of asking forever.
    if (request->asked++ > 0) {
        g_mount_operation_reply(operation, G_MOUNT_OPERATION_ABORTED);
        return;
    }
    if (request->user.isEmpty() && (flags & G_ASK_PASSWORD_ANONYMOUS_SUPPORTED)) {
        g_mount_operation_set_anonymous(operation, TRUE);
    } else {
        g_mount_operation_set_username(operation, request->user.constData());
        g_mount_operation_set_password(operation, request->password.constData());
    }
    g_mount_operation_set_password_save(operation, G_PASSWORD_SAVE_NEVER);
    g_mount_operation_reply(operation, G_MOUNT_OPERATION_HANDLED);
}

void askQuestion(GMountOperation *operation, const char *, const char **, gpointer)
{
    g_mount_operation_reply(operation, G_MOUNT_OPERATION_ABORTED);
}

void mounted(GObject *source, GAsyncResult *result, gpointer data)
{
    auto *request = static_cast<MountRequest *>(data);
    GFile *file = G_FILE(source);
    GError *error = nullptr;
    VolumeMonitor::MountResult outcome;
    const bool ok = g_file_mount_enclosing_volume_finish(file, result, &error);
    if (ok || g_error_matches(error, G_IO_ERROR, G_IO_ERROR_ALREADY_MOUNTED)) {
        if (GMount *mount = g_file_find_enclosing_mount(file, nullptr, nullptr)) {
            GFile *root = g_mount_get_root(mount);
            if (char *path = g_file_get_path(root)) { // the local (FUSE) folder
                outcome.path = QFile::decodeName(path);
                g_free(path);
            }
            g_object_unref(root);
            g_object_unref(mount);
        }
    } else if (error && error->domain == G_IO_ERROR && error->code == G_IO_ERROR_NOT_SUPPORTED) {
        outcome.serviceMissing = true;
    }
    if (error)
        g_error_free(error);
    g_object_unref(file);
    g_object_unref(request->operation);
    const auto done = std::move(request->done);
    delete request;
    done(outcome);
}

struct EjectRequest
{
    QString path;
    bool ejecting = false;
    std::function<void(bool)> done;
};

void unmountWithTool(const QString &path, std::function<void(bool)> done)
{
    auto *watcher = new QFutureWatcher<bool>(QCoreApplication::instance());
    QObject::connect(watcher, &QFutureWatcherBase::finished, watcher, [watcher, done] {
        watcher->deleteLater();
        done(watcher->result());
    });
    watcher->setFuture(QtConcurrent::run([path] {
        QProcess tool;
        tool.setStandardOutputFile(QProcess::nullDevice());
        tool.setStandardErrorFile(QProcess::nullDevice());
        tool.start(QStringLiteral("umount"), {path});
        return tool.waitForFinished(-1) && tool.exitStatus() == QProcess::NormalExit &&
               tool.exitCode() == 0;
    }));
}

void ejected(GObject *source, GAsyncResult *result, gpointer data)
{
    auto *request = static_cast<EjectRequest *>(data);
    GMount *mount = G_MOUNT(source);
    GError *error = nullptr;
    const bool ok = request->ejecting ? g_mount_eject_with_operation_finish(mount, result, &error)
                                             : g_mount_unmount_with_operation_finish(mount, result, &error);
    if (error)
        g_error_free(error);
    g_object_unref(mount);
    EjectRequest taken = std::move(*request);
    delete request;
    if (ok)
        taken.done(true);
    else
        unmountWithTool(taken.path, std::move(taken.done));
}

} // namespace

void VolumeMonitor::mount(const QString &address, const QString &user, const QString &password,
                          std::function<void(const MountResult &)> done)
{
    auto *request = new MountRequest{user.toUtf8(), password.toUtf8(), 0, g_mount_operation_new(), std::move(done)};
    g_signal_connect(request->operation, "ask-password", G_CALLBACK(askPassword), request);
    g_signal_connect(request->operation, "ask-question", G_CALLBACK(askQuestion), request);
    GFile *file = g_file_new_for_uri(address.toUtf8().constData());
    g_file_mount_enclosing_volume(file, G_MOUNT_MOUNT_NONE, request->operation, nullptr, mounted, request);
}

void VolumeMonitor::eject(const QString &path, std::function<void(bool)> done)
{
    GVolumeMonitor *monitor = g_volume_monitor_get();
    GMount *found = nullptr;
    GList *mounts = g_volume_monitor_get_mounts(monitor);
    for (GList *item = mounts; item && !found; item = item->next) {
        if (localPathOf(G_MOUNT(item->data)) == path)
            found = G_MOUNT(g_object_ref(item->data));
    }
    g_list_free_full(mounts, g_object_unref);
    g_object_unref(monitor);
    if (!found || !(g_mount_can_eject(found) || g_mount_can_unmount(found))) {
        if (found)
            g_object_unref(found);
        unmountWithTool(path, std::move(done));
        return;
    }
    auto *request = new EjectRequest{path, bool(g_mount_can_eject(found)), std::move(done)};
    if (request->ejecting)
        g_mount_eject_with_operation(found, G_MOUNT_UNMOUNT_NONE, nullptr, nullptr, ejected, request);
    else
        g_mount_unmount_with_operation(found, G_MOUNT_UNMOUNT_NONE, nullptr, nullptr, ejected, request);
}

void ScopedVolumeMonitor::mount(const QString &address, const QString &user, const QString &password,
                                std::function<void(const MountResult &)> done)
{
    if (!mountHandler) {
        VolumeMonitor::mount(address, user, password, std::move(done));
        return;
    }
    const MountResult result = mountHandler(address, user, password);
    QTimer::singleShot(0, this, [result, done = std::move(done)] { done(result); });
}

void ScopedVolumeMonitor::eject(const QString &path, std::function<void(bool)> done)
{
    if (!ejectHandler) {
        VolumeMonitor::eject(path, std::move(done));
        return;
    }
    const bool ok = ejectHandler(path);
    QTimer::singleShot(0, this, [ok, done = std::move(done)] { done(ok); });
}
