// One running application per user: later starts hand over their paths and leave.
#include "AppTestSupport.h"
#include "SingleInstance.h"
#include "TestSupport.h"

#include <QFile>
#include <QJsonArray>
#include <QLocalSocket>
#include <QSignalSpy>
#include <QTest>
#include <QtConcurrent>

#include <gtest/gtest.h>

#include <csignal>

using namespace AppTest;

namespace {

QStringList pathsOf(const QJsonObject &record)
{
    QStringList paths;
    for (const QJsonValue &value : record.value(u"paths").toArray())
        paths << value.toString();
    return paths;
}

bool isForwarded(const QJsonObject &record)
{
    return record.value(u"origin").toString() == u"forwarded";
}

} // namespace

TEST(SingleInstance, SecondStartHandsOverItsPathsAndLeavesTheMarkerArmed)
{
    auto primary = startHost();
    ASSERT_TRUE(waitForRecord(QStringLiteral("ready"), primary->pid()));

    const QString elsewhere = TestSupport::makeFolder(QStringLiteral("elsewhere"));
    auto second = startHost({},
                            {"docs/report.pdf", "file:///tmp/a%20b/c.txt", "https://example.com/x",
                             "-launchRestore", "false", "--", "-dash"},
                            {}, elsewhere);
    ASSERT_TRUE(second->waitForEnd(15000));
    EXPECT_TRUE(second->exitedWith(0)) << second->describe().toStdString()
                                       << second->standardError().toStdString();

    const auto opened = waitForRecord(QStringLiteral("open"), primary->pid(), 10000, isForwarded);
    ASSERT_TRUE(opened);
    EXPECT_EQ(pathsOf(*opened), (QStringList{elsewhere + "/docs/report.pdf", "/tmp/a b/c.txt",
                                             elsewhere + "/-dash"}));
    // The second start opened nothing itself and never reached the launch.
    for (const QJsonObject &record : records())
        EXPECT_NE(record.value(u"pid").toInteger(), second->pid()) << record.value(u"event").toString().toStdString();

    // Its exit did not take the running application's crash marker with it.
    primary->signal(SIGSEGV);
    ASSERT_TRUE(primary->waitForEnd(15000));
    EXPECT_TRUE(primary->killedBy(SIGSEGV)) << primary->describe().toStdString();
    EXPECT_EQ(TestSupport::readFile(markerPath()), QByteArray("SIGSEGV"));
}

TEST(SingleInstance, SocketOfAKilledApplicationIsTakenOver)
{
    auto killed = startHost();
    ASSERT_TRUE(waitForRecord(QStringLiteral("ready"), killed->pid()));
    killed->signal(SIGKILL);
    ASSERT_TRUE(killed->waitForEnd(10000));
    ASSERT_TRUE(QFile::exists(runtimeFolder() + "/marovel.socket"));

    auto successor = startHost();
    ASSERT_TRUE(waitForRecord(QStringLiteral("ready"), successor->pid()))
        << successor->standardError().toStdString();

    // A start without paths still reaches it: the window is raised or opened there.
    auto later = startHost();
    ASSERT_TRUE(later->waitForEnd(15000));
    EXPECT_TRUE(later->exitedWith(0)) << later->describe().toStdString();
    const auto opened = waitForRecord(QStringLiteral("open"), successor->pid(), 10000, isForwarded);
    ASSERT_TRUE(opened);
    EXPECT_TRUE(pathsOf(*opened).isEmpty());
}

TEST(SingleInstance, SimultaneousStartsMakeExactlyOneRunningApplication)
{
    const QString root = TestSupport::root();
    std::vector<std::unique_ptr<Host>> hosts;
    QStringList expected;
    for (int i = 0; i < 4; ++i) {
        hosts.push_back(startHost({}, {QStringLiteral("p%1").arg(i)}));
        expected << root + QStringLiteral("/p%1").arg(i);
    }
    const auto ended = [&] {
        return std::count_if(hosts.begin(), hosts.end(), [](auto &h) { return h->hasEnded(); });
    };
    ASSERT_TRUE(waitUntil([&] { return ended() == 3; }, 20000)) << ended() << " ended";
    QStringList opened;
    const auto collect = [&] {
        opened.clear();
        for (const QJsonObject &record : records(QStringLiteral("open")))
            opened << pathsOf(record);
        opened.sort();
        return opened == expected;
    };
    EXPECT_TRUE(waitUntil(collect, 10000)) << opened.join(u' ').toStdString();
    for (auto &host : hosts) {
        if (host->hasEnded()) {
            EXPECT_TRUE(host->exitedWith(0)) << host->describe().toStdString();
            continue;
        }
        const auto launched = records(QStringLiteral("launched"));
        ASSERT_EQ(launched.size(), 1);
        EXPECT_EQ(launched.first().value(u"pid").toInteger(), host->pid());
    }
}

TEST(SingleInstance, SilentApplicationMakesTheSecondStartFail)
{
    auto primary = startHost();
    ASSERT_TRUE(waitForRecord(QStringLiteral("ready"), primary->pid()));
    primary->signal(SIGSTOP);

    auto second = startHost({}, {QStringLiteral("x")});
    ASSERT_TRUE(second->waitForEnd(15000));
    EXPECT_TRUE(second->exitedWith(1)) << second->describe().toStdString();
    EXPECT_TRUE(second->standardError().contains("Marovel")) << second->standardError().toStdString();

    primary->signal(SIGCONT);
    primary->signal(SIGTERM);
    ASSERT_TRUE(primary->waitForEnd(15000));
    EXPECT_TRUE(primary->exitedWith(0)) << primary->describe().toStdString();
}

TEST(SingleInstance, MessagesAreReadUntilCompleteAndJunkIsIgnored)
{
    using namespace std::chrono_literals;
    SingleInstance primary(runtimeFolder());
    ASSERT_EQ(primary.claim(), SingleInstance::Role::primary);
    QSignalSpy received(&primary, &SingleInstance::pathsReceived);

    // Sends `bytes` in pieces of `step` bytes; returns what came back before the close.
    const auto exchange = [&](const QByteArray &bytes, int step) {
        QLocalSocket socket;
        socket.connectToServer(primary.socketPath());
        EXPECT_TRUE(socket.waitForConnected(2000));
        for (qsizetype i = 0; i < bytes.size(); i += step) {
            socket.write(bytes.mid(i, step));
            socket.flush();
            QTest::qWait(2);
        }
        QByteArray answer;
        waitUntil([&] {
            answer += socket.readAll();
            return socket.state() != QLocalSocket::ConnectedState;
        }, 3000);
        return answer + socket.readAll();
    };

    const QByteArray good = SingleInstance::frame(R"({"paths":["/a/b","relative","/c/../d",3]})");
    EXPECT_EQ(exchange(good, 1), SingleInstance::frame(R"({"ok":true})"));
    ASSERT_EQ(received.count(), 1);
    EXPECT_EQ(received.at(0).at(0).toStringList(), (QStringList{"/a/b", "/d"}));

    const QByteArray junk[] = {
        SingleInstance::frame("not json"),
        SingleInstance::frame("[1,2]"),
        SingleInstance::frame(R"({"files":["/x"]})"),
        QByteArray("\xff\xff\xff\xff") + "{}", // longer than any message may be
    };
    for (const QByteArray &bytes : junk) {
        SCOPED_TRACE(bytes.toStdString());
        EXPECT_TRUE(exchange(bytes, 64).isEmpty());
    }
    EXPECT_EQ(received.count(), 1);

    // Still serving: a later start's hand-over goes through. (It blocks, as a later start
    // does, so it runs on a thread of its own while this one serves.)
    const QString folder = runtimeFolder();
    QFuture<bool> sending = QtConcurrent::run([folder] {
        SingleInstance later(folder);
        return later.claim() == SingleInstance::Role::secondary && later.forward({"/e"}, 2000ms);
    });
    EXPECT_TRUE(waitUntil([&] { return sending.isFinished(); }, 5000));
    EXPECT_TRUE(sending.result());
    ASSERT_EQ(received.count(), 2);
    EXPECT_EQ(received.at(1).at(0).toStringList(), QStringList{"/e"});
}
