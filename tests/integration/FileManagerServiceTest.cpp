// Other programs' "show in file manager" requests over a private session bus, answered by
// a browser window.
#include "AppHooks.h"
#include "FileManagerService.h"
#include "LoopbackHttp.h"
#include "MainWindow.h"
#include "ModelDownload.h"
#include "PaneState.h"
#include "Reveal.h"
#include "TestSupport.h"

#include <QApplication>
#include <QDBusConnectionInterface>
#include <QDBusInterface>
#include <QDBusReply>
#include <QFileInfo>
#include <QPointer>
#include <QProcess>
#include <QUrl>

#include <gtest/gtest.h>

namespace {

using Loopback::waitFor;

class FileManagerBus : public ::testing::Test
{
protected:
    void SetUp() override
    {
        ModelDownload::ModelFile file;
        file.urls = {mirror.url(QStringLiteral("/model.gguf"))};
        file.sha256 = QString(64, u'0');
        file.targetPath = TestSupport::root() + QStringLiteral("/models/test.gguf");
        ModelDownload::setDefaultFile(file);

        daemon.start(QStringLiteral(DBUS_DAEMON), {QStringLiteral("--session"), QStringLiteral("--nofork"),
                                                    QStringLiteral("--print-address")});
        ASSERT_TRUE(daemon.waitForStarted()) << "dbus-daemon is missing";
        ASSERT_TRUE(waitFor([&] { return daemon.canReadLine(); }));
        address = QString::fromUtf8(daemon.readLine().trimmed());
    }

    void TearDown() override
    {
        QList<QPointer<MainWindow>> windows;
        for (QWidget *widget : QApplication::topLevelWidgets()) {
            if (auto *window = qobject_cast<MainWindow *>(widget))
                windows << window;
        }
        for (const QPointer<MainWindow> &window : windows)
            delete window.data();
        QDBusConnection::disconnectFromBus(QStringLiteral("marovel"));
        QDBusConnection::disconnectFromBus(QStringLiteral("client"));
        daemon.kill();
        daemon.waitForFinished();
    }

    QDBusConnection connect(const QString &name) const { return QDBusConnection::connectToBus(address, name); }

    static QString owner(const QDBusConnection &bus)
    {
        return bus.interface()->serviceOwner(QString::fromLatin1(Reveal::service)).value();
    }

    QProcess daemon;
    QString address;
    Loopback::Server mirror{[](const Loopback::Request &) { return Loopback::Reply::json({}, 404); }};
};

QStringList uris(const QStringList &paths)
{
    QStringList result;
    for (const QString &path : paths)
        result << QUrl::fromLocalFile(path).toString();
    return result;
}

TEST_F(FileManagerBus, ShowItemsSelectsThemInTheirFolderAndShowFoldersEntersIt)
{
    const QString folder = TestSupport::makeFolder(QStringLiteral("shown"));
    const QString other = TestSupport::makeFolder(QStringLiteral("other"));
    for (const char *name : {"shown/a.txt", "shown/b.txt", "other/c.txt"})
        TestSupport::writeFile(TestSupport::root() + u'/' + QLatin1String(name), "x");
    auto *window = MainWindow::openNew();
    PaneState *pane = window->state().activePane();

    const QDBusConnection bus = connect(QStringLiteral("marovel"));
    ASSERT_TRUE(bus.isConnected());
    FileManagerService service({[](const QStringList &paths) { AppHooks::shared().reveal(paths); },
                                [](const QStringList &paths) { AppHooks::shared().openExternal(paths); }},
                               bus);
    service.setWanted(true);
    const QDBusConnection client = connect(QStringLiteral("client"));
    ASSERT_TRUE(waitFor([&] { return owner(client) == bus.baseService(); }));

    QDBusInterface manager(QString::fromLatin1(Reveal::service), QString::fromLatin1(Reveal::objectPath),
                           QString::fromLatin1(Reveal::interface), client);
    // Items of a second folder come after: the first folder's items are shown.
    manager.asyncCall(QStringLiteral("ShowItems"),
                      uris({folder + "/a.txt", folder + "/b.txt", other + "/c.txt"}) << QStringLiteral("https://x/y"),
                      QString());
    const QSet<QString> both{folder + "/a.txt", folder + "/b.txt"};
    ASSERT_TRUE(waitFor([&] { return pane->current() == folder && pane->selection() == both && !pane->items().isEmpty(); }));
    QTest::qWait(100); // the listing must not take the selection away
    EXPECT_EQ(pane->selection(), both);

    manager.asyncCall(QStringLiteral("ShowFolders"), uris({other}), QString());
    ASSERT_TRUE(waitFor([&] { return pane->current() == other; }));

    // Giving the role back gives the name up.
    service.setWanted(false);
    EXPECT_TRUE(waitFor([&] { return owner(client).isEmpty(); }));
}

TEST_F(FileManagerBus, WaitsBehindAnotherOwnerAndTakesOverWhenItLeaves)
{
    const QDBusConnection first = connect(QStringLiteral("client"));
    ASSERT_EQ(first.interface()->registerService(QString::fromLatin1(Reveal::service)).value(),
              QDBusConnectionInterface::ServiceRegistered);
    const QDBusConnection bus = connect(QStringLiteral("marovel"));
    FileManagerService service({}, bus);
    service.setWanted(true);
    QTest::qWait(50);
    EXPECT_EQ(owner(bus), first.baseService());
    first.interface()->unregisterService(QString::fromLatin1(Reveal::service));
    EXPECT_TRUE(waitFor([&] { return owner(bus) == bus.baseService(); }));
}

} // namespace
