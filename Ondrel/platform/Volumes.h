#pragma once

#include <QList>
#include <QMutex>
#include <QObject>
#include <QString>

#include <functional>

// One mounted volume as the sidebar shows it.
struct Volume
{
    QString name;   // the label the desktop shows
    QString path;   // the mount point (local path)
    bool removable = false;
    bool ejectable = false;

    friend bool operator==(const Volume &, const Volume &) = default;
};

// The mounted volumes a user would see: "/" first (named by its file-system label, else
// "文件系统"), then the desktop's mounts in its order, without shadowed, internal and
// system mounts. The system monitor follows GIO's volume monitor; its change notices
// arrive on the GUI thread, where volumesChanged() is emitted when the list changed.
// Tests install a ScopedVolumeMonitor in its place.
class VolumeMonitor : public QObject
{
    Q_OBJECT

public:
    // The installed fake, else the system monitor. The system monitor is made on first use
    // and lives on the GUI thread; first use should come from there (GIO wants the main
    // thread), otherwise the list fills in once the GUI thread has run.
    static VolumeMonitor &shared();

    // The current list; thread-safe.
    QList<Volume> volumes() const;

    // How a mount attempt ended: the mount's local folder, or why there is none.
    struct MountResult
    {
        QString path;                // empty on failure
        bool serviceMissing = false; // no network-mount service (GVfs) answers the scheme
    };
    // Mounts the network share at `address` (a URL without a password), answering the
    // server's questions with `user` and `password` (never on a command line). Returns at
    // once; `done` runs later on the GUI thread. GIO's implementation here.
    virtual void mount(const QString &address, const QString &user, const QString &password,
                       std::function<void(const MountResult &)> done);
    // Ejects the mount at `path` when it can eject, else unmounts it; when GIO cannot,
    // runs `umount <path>`. Returns at once; `done(succeeded)` runs later on the GUI thread.
    virtual void eject(const QString &path, std::function<void(bool)> done);

signals:
    void volumesChanged();

protected:
    explicit VolumeMonitor(QObject *parent = nullptr);
    // Stores the list and emits volumesChanged() when it differs from the one held, or
    // always with `always`. Call on the monitor's thread.
    void assign(const QList<Volume> &volumes, bool always = false);

private:
    mutable QMutex m_lock;
    QList<Volume> m_volumes;
};

// A monitor whose list the test sets, installed as VolumeMonitor::shared() for its
// lifetime. Monitors nest: destroying one restores the one installed before it.
class ScopedVolumeMonitor : public VolumeMonitor
{
public:
    explicit ScopedVolumeMonitor(const QList<Volume> &volumes = {});
    ~ScopedVolumeMonitor() override;

    // Replaces the list and emits volumesChanged(), as a mount or unmount notice would.
    void setVolumes(const QList<Volume> &volumes);

    // Fakes of mounting and ejecting; without one the system's GIO call is made. Results
    // are delivered on the next turn of the event loop, as the real calls do.
    std::function<MountResult(const QString &address, const QString &user, const QString &password)> mountHandler;
    std::function<bool(const QString &path)> ejectHandler;

    void mount(const QString &address, const QString &user, const QString &password,
               std::function<void(const MountResult &)> done) override;
    void eject(const QString &path, std::function<void(bool)> done) override;

private:
    VolumeMonitor *m_previous = nullptr;
};
