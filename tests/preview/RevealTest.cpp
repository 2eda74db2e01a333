// Showing items in the desktop's file manager over D-Bus, and in the active pane when no
// file manager offers to. A private bus daemon stands in for the session bus.
#include "BrowserState.h"
#include "BrowserTestSupport.h"
#include "PaneState.h"
#include "Reveal.h"

#include <QDBusConnectionInterface>
#include <QDBusMessage>
#include <QDBusVirtualObject>
#include <QProcess>
#include <QStandardPaths>

#include <gtest/gtest.h>

using namespace BrowserTest;

namespace {

// A bus daemon of the test's own, stopped with the test.
class PrivateBus
{
public:
    PrivateBus()
    {
        const QString daemon = QStandardPaths::findExecutable(QStringLiteral("dbus-daemon"));
        if (daemon.isEmpty())
            return;
        m_process.start(daemon, {"--session", "--nofork", "--print-address=1"});
        if (!m_process.waitForStarted(5000))
            return;
        while (!m_process.canReadLine() && m_process.waitForReadyRead(5000)) {
        }
        m_address = QString::fromUtf8(m_process.readLine()).trimmed();
    }
    ~PrivateBus()
    {
        for (const QString &name : std::as_const(m_connections))
            QDBusConnection::disconnectFromBus(name);
        m_process.kill();
        m_process.waitForFinished(5000);
    }

    const QString &address() const { return m_address; }
    QDBusConnection connect(const QString &name)
    {
        m_connections << name;
        return QDBusConnection::connectToBus(m_address, name);
    }

private:
    QProcess m_process;
    QString m_address;
    QStringList m_connections;
};

// Answers ShowItems as a file manager would and keeps what it was asked.
class FakeFileManager : public QDBusVirtualObject
{
public:
    QList<QVariantList> calls;

    QString introspect(const QString &) const override { return {}; }
    bool handleMessage(const QDBusMessage &message, const QDBusConnection &connection) override
    {
        if (message.interface() != QLatin1String(Reveal::interface) ||
            message.member() != QLatin1String("ShowItems"))
            return false;
        calls << message.arguments();
        connection.send(message.createReply());
        return true;
    }

    bool serve(QDBusConnection &bus)
    {
        return bus.registerVirtualObject(QString::fromLatin1(Reveal::objectPath), this) &&
               bus.registerService(QString::fromLatin1(Reveal::service));
    }
};

class RevealTest : public testing::Test
{
protected:
    void SetUp() override
    {
        if (m_bus.address().isEmpty())
            GTEST_SKIP() << "dbus-daemon is not installed (package dbus-daemon)";
    }

    PrivateBus m_bus;
};

TEST_F(RevealTest, SendsFileUrlsToTheFileManagerThatOwnsTheName)
{
    QDBusConnection fmBus = m_bus.connect("fake-file-manager");
    QDBusConnection client = m_bus.connect("reveal-client");
    ASSERT_TRUE(fmBus.isConnected() && client.isConnected());

    // Nobody offers the service yet: the caller must show the items itself.
    EXPECT_FALSE(Reveal::showItems({"/tmp/a.txt"}, client));

    FakeFileManager fm;
    ASSERT_TRUE(fm.serve(fmBus));
    EXPECT_FALSE(Reveal::showItems({}, client)); // nothing to show
    EXPECT_TRUE(fm.calls.isEmpty());

    const QStringList paths = {"/tmp/reveal/年度 报告#1.pdf", "/tmp/reveal/100%.txt"};
    ASSERT_TRUE(Reveal::showItems(paths, client));
    ASSERT_TRUE(waitFor([&] { return !fm.calls.isEmpty(); }));
    ASSERT_EQ(fm.calls.size(), 1);
    const QStringList uris = fm.calls.first().value(0).toStringList();
    EXPECT_EQ(uris, QStringList({"file:///tmp/reveal/%E5%B9%B4%E5%BA%A6%20%E6%8A%A5%E5%91%8A%231.pdf",
                                 "file:///tmp/reveal/100%25.txt"}));
    EXPECT_EQ(fm.calls.first().value(1).toString(), QString());
    for (const QString &uri : uris)
        EXPECT_TRUE(paths.contains(QUrl(uri).toLocalFile())) << uri.toStdString();

    // The file manager went away: back to showing the items ourselves.
    fmBus.unregisterService(QString::fromLatin1(Reveal::service));
    EXPECT_FALSE(Reveal::showItems(paths, client));
}

// Both paths of reveal() in one test: the session bus connection is made once a process.
TEST_F(RevealTest, TheActivePaneShowsTheItemsUnlessAFileManagerTakesThem)
{
    qputenv("DBUS_SESSION_BUS_ADDRESS", m_bus.address().toUtf8());
    const QString home = makeTree("reveal/home", {"h.txt"});
    const QString dir = makeTree("reveal/docs", {"a.txt", "b.txt", "c.txt", "sub/"});
    const QString elsewhere = makeTree("reveal/other", {"x.txt"});
    BrowserState browser;
    PaneState *pane = browser.activePane();
    pane->go(home, false);
    settle();

    // Items of the first item's folder are selected; one elsewhere and a missing one not.
    browser.reveal({dir + "/b.txt", dir + "/sub", elsewhere + "/x.txt", dir + "/gone.txt"});
    ASSERT_TRUE(waitFor([&] { return pane->current() == dir && !pane->selection().isEmpty(); }));
    EXPECT_EQ(pane->selection(), QSet<QString>({dir + "/b.txt", dir + "/sub"}));
    EXPECT_EQ(pane->back().value(0), home); // a navigation the user can go back from

    // The folder already shown: a file made after its listing is found and selected.
    makeFile(dir + "/new.txt");
    browser.reveal({dir + "/new.txt"});
    ASSERT_TRUE(waitFor([&] { return pane->selection() == QSet<QString>({dir + "/new.txt"}); }));
    EXPECT_EQ(pane->current(), dir);

    // A navigation elsewhere before the listing arrives wins over the pending selection.
    browser.showInPane({elsewhere + "/x.txt"});
    pane->go(home, true);
    settle();
    EXPECT_EQ(pane->current(), home);
    EXPECT_TRUE(pane->selection().isEmpty());

    // With a file manager on the bus the request goes there and the pane stays.
    QDBusConnection fmBus = m_bus.connect("fake-file-manager");
    FakeFileManager fm;
    ASSERT_TRUE(fm.serve(fmBus));
    browser.reveal({dir + "/a.txt"});
    ASSERT_TRUE(waitFor([&] { return !fm.calls.isEmpty(); }));
    settle();
    EXPECT_EQ(pane->current(), home);
    EXPECT_EQ(fm.calls.first().value(0).toStringList(),
              QStringList({QUrl::fromLocalFile(dir + "/a.txt").toString()}));
}

} // namespace
