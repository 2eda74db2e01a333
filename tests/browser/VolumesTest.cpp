#include "Localization.h"
#include "Volumes.h"

#include <QAbstractEventDispatcher>
#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QProcess>
#include <QSet>
#include <QSignalSpy>
#include <QStorageInfo>
#include <QTest>
#include <QThread>

#undef signals
#include <glib.h>
#define signals Q_SIGNALS

#include <gtest/gtest.h>

namespace {

bool usesGlibDispatcher()
{
    const QAbstractEventDispatcher *dispatcher = QAbstractEventDispatcher::instance();
    return dispatcher && dispatcher->inherits("QEventDispatcherGlib");
}

// A source added to GLib's default context (where GIO posts its mount notices) runs on the
// GUI thread while only Qt's event loop turns.
void expectGlibSourcesRunOnTheGuiThread()
{
    VolumeMonitor::shared();
    struct Seen
    {
        bool ran = false;
        QThread *thread = nullptr;
    } seen;
    g_idle_add(
        [](gpointer data) -> gboolean {
            auto *seen = static_cast<Seen *>(data);
            seen->ran = true;
            seen->thread = QThread::currentThread();
            return G_SOURCE_REMOVE;
        },
        &seen);
    EXPECT_TRUE(QTest::qWaitFor([&] { return seen.ran; }, 5000));
    EXPECT_EQ(seen.thread, QCoreApplication::instance()->thread());
}

TEST(VolumeMonitor, SystemListStartsWithTheRootAndHoldsUserMountsOnly)
{
    const QList<Volume> volumes = VolumeMonitor::shared().volumes();
    ASSERT_FALSE(volumes.isEmpty());
    const QString label = QStorageInfo::root().name();
    EXPECT_EQ(volumes[0].path, "/");
    EXPECT_EQ(volumes[0].name, label.isEmpty() ? L("文件系统") : label);
    EXPECT_FALSE(volumes[0].ejectable);

    QSet<QString> paths;
    for (const Volume &volume : volumes) {
        SCOPED_TRACE(volume.path.toStdString());
        EXPECT_FALSE(volume.name.isEmpty());
        EXPECT_TRUE(QDir::isAbsolutePath(volume.path));
        EXPECT_TRUE(QFileInfo(volume.path).isDir());
        for (const char *system : {"/proc", "/sys", "/dev", "/boot"})
            EXPECT_FALSE(volume.path == system || volume.path.startsWith(QString(system) + "/"));
        EXPECT_FALSE(paths.contains(volume.path));
        paths.insert(volume.path);
    }
}

TEST(VolumeMonitor, GlibSourcesRunUnderQtsEventLoop)
{
    EXPECT_TRUE(usesGlibDispatcher()); // Debian's Qt: GLib's context is Qt's own loop
    expectGlibSourcesRunOnTheGuiThread();
}

// Where Qt runs its own event dispatcher, the monitor runs GLib's context itself. The
// dispatcher is chosen when the application starts, so this runs in a child process.
TEST(VolumeMonitor, GlibSourcesRunWithoutQtsGlibDispatcher)
{
    if (qEnvironmentVariableIsSet("MAROVEL_VOLUMES_CHILD")) {
        ASSERT_FALSE(usesGlibDispatcher());
        expectGlibSourcesRunOnTheGuiThread();
        return;
    }
    QProcess child;
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert("QT_NO_GLIB", "1");
    environment.insert("MAROVEL_VOLUMES_CHILD", "1");
    child.setProcessEnvironment(environment);
    child.setProcessChannelMode(QProcess::MergedChannels);
    child.start(QCoreApplication::applicationFilePath(),
                {"--gtest_filter=VolumeMonitor.GlibSourcesRunWithoutQtsGlibDispatcher"});
    ASSERT_TRUE(child.waitForFinished(60000));
    const QByteArray output = child.readAll();
    EXPECT_EQ(child.exitCode(), 0) << output.toStdString();
    EXPECT_TRUE(output.contains("[  PASSED  ] 1 test")) << output.toStdString();
}

TEST(VolumeMonitor, ScopedMonitorsStandInAndNest)
{
    const Volume stick{"STICK", "/media/user/STICK", true, true};
    const Volume share{"share", "/run/user/1000/gvfs/smb-share:server=nas,share=share", false, true};
    VolumeMonitor *system = &VolumeMonitor::shared();

    {
    ScopedVolumeMonitor outer({stick});
    EXPECT_EQ(&VolumeMonitor::shared(), &outer);
    EXPECT_EQ(VolumeMonitor::shared().volumes(), QList<Volume>{stick});
    {
        ScopedVolumeMonitor inner;
        EXPECT_EQ(&VolumeMonitor::shared(), &inner);
        EXPECT_TRUE(VolumeMonitor::shared().volumes().isEmpty());

        QSignalSpy changed(&inner, &VolumeMonitor::volumesChanged);
        inner.setVolumes({stick, share});
        EXPECT_EQ(inner.volumes(), (QList<Volume>{stick, share}));
        inner.setVolumes({stick, share}); // every notice is passed on, as a mount notice is
        EXPECT_EQ(changed.count(), 2);
    }
    EXPECT_EQ(&VolumeMonitor::shared(), &outer);
    EXPECT_EQ(outer.volumes(), QList<Volume>{stick});
    }
    EXPECT_EQ(&VolumeMonitor::shared(), system);
}

} // namespace
