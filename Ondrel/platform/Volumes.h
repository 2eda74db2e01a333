#pragma once

#include <QList>
#include <QMutex>
#include <QObject>
#include <QString>

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

private:
    VolumeMonitor *m_previous = nullptr;
};
