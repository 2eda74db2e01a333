// Quitting in order: signals and the last window go through one path that lets file
// jobs finish or stop cleanly, writes everything out and leaves a clean crash marker.
#include "AppTestSupport.h"
#include "LoopbackHttp.h"
#include "TestSupport.h"

#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>

#include <gtest/gtest.h>

#include <csignal>

using namespace AppTest;

namespace {

QString dataFolder()
{
    return qEnvironmentVariable("XDG_DATA_HOME") + QStringLiteral("/Marovel");
}

QList<QJsonObject> undoLines()
{
    QList<QJsonObject> lines;
    for (const QByteArray &line : TestSupport::readFile(dataFolder() + "/undo.log").split('\n'))
        if (!line.isEmpty())
            lines << QJsonDocument::fromJson(line).object();
    return lines;
}

QStringList recentPaths()
{
    QStringList paths;
    const QJsonArray recents =
        QJsonDocument::fromJson(TestSupport::readFile(dataFolder() + "/recents.json")).array();
    for (const QJsonValue &recent : recents)
        paths << recent.toObject().value(u"path").toString();
    return paths;
}

} // namespace

TEST(Quit, EachQuitSignalEndsInOrderWithACleanMarker)
{
    for (const int signal : {SIGTERM, SIGINT, SIGHUP}) {
        SCOPED_TRACE(::strsignal(signal));
        QFile::remove(logPath());
        auto host = startHost();
        ASSERT_TRUE(waitForRecord(QStringLiteral("ready"), host->pid()));
        host->signal(signal);
        ASSERT_TRUE(host->waitForEnd(15000));
        EXPECT_TRUE(host->exitedWith(0)) << host->describe().toStdString();
        QStringList steps;
        for (const QJsonObject &record : records())
            steps << record.value(u"event").toString();
        EXPECT_EQ(steps.mid(steps.size() - 2), (QStringList{"stopWork", "willTerminate"}));
        // The next start finds no socket and runs on its own.
        EXPECT_FALSE(QFile::exists(runtimeFolder() + "/marovel.socket"));
        EXPECT_TRUE(QFile::exists(markerPath()));
        EXPECT_TRUE(TestSupport::readFile(markerPath()).isEmpty());
    }
}

TEST(Quit, SigtermDuringASlowCopyStopsItCleanlyWithinTheBound)
{
    const QString from = TestSupport::makeFolder(QStringLiteral("from"));
    const QString to = TestSupport::makeFolder(QStringLiteral("to"));
    const int files = 20;
    for (int i = 0; i < files; ++i) {
        QByteArray bytes(256 * 1024, char('a' + i));
        TestSupport::writeFile(from + QStringLiteral("/f%1.bin").arg(i, 2, 10, QChar(u'0')), bytes);
    }
    // About five checks per file at 100 ms each: the whole copy would take ten seconds.
    auto host = startHost(QStringLiteral("copy"), {},
                          {{"MAROVEL_HOST_COPY_FROM", from},
                           {"MAROVEL_HOST_COPY_TO", to},
                           {"MAROVEL_HOST_CHUNK_DELAY_MS", "100"}});
    ASSERT_TRUE(waitForRecord(QStringLiteral("copying"), host->pid()));
    QTest::qWait(500);

    QElapsedTimer clock;
    clock.start();
    host->signal(SIGTERM);
    ASSERT_TRUE(host->waitForEnd(15000));
    EXPECT_TRUE(host->exitedWith(0)) << host->describe().toStdString();
    // Five seconds for the job, two after cancelling, and the writes.
    EXPECT_LT(clock.elapsed(), 9000);

    const QStringList copied = QDir(to).entryList(QDir::Files | QDir::Hidden, QDir::Name);
    EXPECT_GT(copied.size(), 0);
    EXPECT_LT(copied.size(), files) << "the copy was not cancelled";
    for (const QString &name : copied)
        EXPECT_EQ(TestSupport::readFile(to + u'/' + name), TestSupport::readFile(from + u'/' + name))
            << name.toStdString() << " is not a whole copy";

    const QList<QJsonObject> lines = undoLines();
    ASSERT_EQ(lines.size(), copied.size());
    for (const QJsonObject &line : lines) {
        EXPECT_EQ(line.value(u"op").toString(), QStringLiteral("拷贝"));
        EXPECT_TRUE(QFile::exists(line.value(u"to").toString()));
    }
    // The visit the job's result recorded right before the writers were flushed.
    EXPECT_EQ(recentPaths(), QStringList{to});
    EXPECT_TRUE(TestSupport::readFile(markerPath()).isEmpty());
}

TEST(Quit, RunningModelDownloadIsCancelledAndItsFileRemoved)
{
    Loopback::Server server([](const Loopback::Request &) {
        Loopback::Reply reply;
        reply.body = QByteArray(4 * 1024 * 1024, 'm');
        reply.contentType = "application/octet-stream";
        reply.mode = Loopback::Reply::Mode::stall;
        return reply;
    });
    const QString models = TestSupport::makeFolder(QStringLiteral("models"));
    auto host = startHost(QStringLiteral("download"), {},
                          {{"MAROVEL_HOST_DOWNLOAD_URL", server.url("/model.gguf")},
                           {"MAROVEL_HOST_DOWNLOAD_TARGET", models + "/model.gguf"}});
    ASSERT_TRUE(waitForRecord(QStringLiteral("downloading"), host->pid()));
    const auto parts = [&] {
        return QDir(models).entryList({"*.part"}, QDir::Files | QDir::Hidden);
    };
    ASSERT_TRUE(waitUntil([&] { return !parts().isEmpty(); }, 10000));

    host->signal(SIGTERM);
    ASSERT_TRUE(host->waitForEnd(15000));
    EXPECT_TRUE(host->exitedWith(0)) << host->describe().toStdString();
    EXPECT_TRUE(parts().isEmpty()) << parts().join(u' ').toStdString();
    EXPECT_FALSE(QFile::exists(models + "/model.gguf"));
}

TEST(Quit, ClosingTheLastWindowQuitsInOrder)
{
    const QString visited = TestSupport::makeFolder(QStringLiteral("visited"));
    auto host = startHost(QStringLiteral("window"), {}, {{"MAROVEL_HOST_VISIT", visited}});
    ASSERT_TRUE(host->waitForEnd(15000));
    EXPECT_TRUE(host->exitedWith(0)) << host->describe().toStdString();
    EXPECT_EQ(records(QStringLiteral("willTerminate")).size(), 1);
    EXPECT_EQ(recentPaths(), QStringList{visited});
}
