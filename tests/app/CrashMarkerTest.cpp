// The crash marker: what each way of dying leaves, what the next start makes of it, and
// how the marker behaves when it cannot be had.
#include "AppTestSupport.h"
#include "CrashMarker.h"
#include "LoopbackHttp.h"
#include "TestSupport.h"

#include <QDir>
#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>

#include <gtest/gtest.h>

#include <csignal>

using namespace AppTest;

TEST(CrashMarker, ConsumingReadsStrictUtf8AndAlwaysDeletes)
{
    struct Case
    {
        const char *name;
        std::optional<QByteArray> bytes; // none: no file
        std::optional<QString> text;
    };
    const Case cases[] = {
        {"missing", std::nullopt, std::nullopt},
        {"empty", QByteArray(), std::nullopt},
        {"signal", QByteArray("SIGSEGV"), QStringLiteral("SIGSEGV")},
        {"exception and abort", QByteArray("CppExceptionSIGABRT"), QStringLiteral("CppExceptionSIGABRT")},
        {"not UTF-8", QByteArray("SIG\xff\xfe"), std::nullopt},
        {"cut-off sequence", QByteArray("SIG\xe4\xb8"), std::nullopt},
    };
    const QString path = TestSupport::root() + QStringLiteral("/marker");
    for (const Case &c : cases) {
        SCOPED_TRACE(c.name);
        if (c.bytes)
            TestSupport::writeFile(path, *c.bytes);
        EXPECT_EQ(CrashMarker::consumePendingCrash(path), c.text);
        EXPECT_FALSE(QFile::exists(path));
    }
}

TEST(CrashMarker, EachFatalSignalLeavesItsNameAndEndsTheProcessByIt)
{
    const std::pair<const char *, int> cases[] = {
        {"SIGABRT", SIGABRT}, {"SIGSEGV", SIGSEGV}, {"SIGBUS", SIGBUS},
        {"SIGILL", SIGILL},   {"SIGTRAP", SIGTRAP}, {"SIGFPE", SIGFPE},
    };
    for (const auto &[name, number] : cases) {
        SCOPED_TRACE(name);
        auto host = startHost(QStringLiteral("raise:") + name);
        ASSERT_TRUE(host->waitForEnd(20000));
        EXPECT_TRUE(host->killedBy(number)) << host->describe().toStdString();
        EXPECT_EQ(TestSupport::readFile(markerPath()), QByteArray(name));
    }
}

TEST(CrashMarker, StackOverflowIsRecordedFromTheAlternateStack)
{
    auto host = startHost(QStringLiteral("overflow"));
    ASSERT_TRUE(host->waitForEnd(30000));
    EXPECT_TRUE(host->killedBy(SIGSEGV)) << host->describe().toStdString();
    EXPECT_EQ(TestSupport::readFile(markerPath()), QByteArray("SIGSEGV"));
}

TEST(CrashMarker, UncaughtExceptionIsFollowedByTheAbort)
{
    auto host = startHost(QStringLiteral("throw"));
    ASSERT_TRUE(host->waitForEnd(20000));
    EXPECT_TRUE(host->killedBy(SIGABRT)) << host->describe().toStdString();
    EXPECT_EQ(TestSupport::readFile(markerPath()), QByteArray("CppExceptionSIGABRT"));
}

TEST(CrashMarker, NextStartReportsTheCrashOnceAndArmsAnEmptyMarker)
{
    auto crashed = startHost(QStringLiteral("raise:SIGSEGV"));
    ASSERT_TRUE(crashed->waitForEnd(20000));
    ASSERT_EQ(TestSupport::readFile(markerPath()), QByteArray("SIGSEGV"));

    Loopback::Server telemetry;
    auto next = startHost({}, {}, {{"MAROVEL_TELEMETRY_URL", telemetry.base()}});
    ASSERT_TRUE(waitForRecord(QStringLiteral("ready"), next->pid()));
    const auto crashReports = [&] {
        QStringList tops;
        for (const Loopback::Request &request : telemetry.requests()) {
            const QJsonObject event =
                QJsonDocument::fromJson(request.body).object().value(u"events").toArray().at(0).toObject();
            if (event.value(u"type").toString() == u"client_crash")
                tops << event.value(u"extra").toString();
        }
        return tops;
    };
    ASSERT_TRUE(waitUntil([&] { return !crashReports().isEmpty(); }, 10000));
    EXPECT_EQ(crashReports(), QStringList{QStringLiteral("SIGSEGV")});
    EXPECT_TRUE(QFile::exists(markerPath()));
    EXPECT_TRUE(TestSupport::readFile(markerPath()).isEmpty());

    next->signal(SIGTERM);
    ASSERT_TRUE(next->waitForEnd(15000));
    EXPECT_TRUE(next->exitedWith(0)) << next->describe().toStdString();
    EXPECT_TRUE(TestSupport::readFile(markerPath()).isEmpty());
    EXPECT_EQ(crashReports().size(), 1);
}

TEST(CrashMarker, SigkillLeavesAnEmptyMarker)
{
    auto host = startHost();
    ASSERT_TRUE(waitForRecord(QStringLiteral("ready"), host->pid()));
    host->signal(SIGKILL);
    ASSERT_TRUE(host->waitForEnd(10000));
    EXPECT_TRUE(QFile::exists(markerPath()));
    EXPECT_TRUE(TestSupport::readFile(markerPath()).isEmpty());
    EXPECT_EQ(CrashMarker::consumePendingCrash(markerPath()), std::nullopt);
}

// CI runs as root, where permissions cannot make the open fail: a regular file in the
// data folder's place does. The signals then keep the actions they had (SIG_DFL, or a
// sanitizer's handlers in that build).
TEST(CrashMarker, WithoutAMarkerTheSignalsKeepTheirActions)
{
    auto armed = startHost(QStringLiteral("handlers"));
    const auto ours = waitForRecord(QStringLiteral("handlers"), armed->pid());
    ASSERT_TRUE(ours);
    EXPECT_FALSE(ours->value(u"unchanged").toBool());
    armed->signal(SIGTERM);
    ASSERT_TRUE(armed->waitForEnd(15000));

    const QString dataFolder = qEnvironmentVariable("XDG_DATA_HOME") + QStringLiteral("/Marovel");
    QDir(dataFolder).removeRecursively();
    TestSupport::writeFile(dataFolder, "not a folder");
    auto bare = startHost(QStringLiteral("handlers"));
    const auto kept = waitForRecord(QStringLiteral("handlers"), bare->pid());
    ASSERT_TRUE(kept) << bare->standardError().toStdString();
    EXPECT_TRUE(kept->value(u"unchanged").toBool());
    bare->signal(SIGSEGV);
    ASSERT_TRUE(bare->waitForEnd(15000));
    EXPECT_EQ(TestSupport::readFile(dataFolder), QByteArray("not a folder"));
}

TEST(CrashMarker, ExecutedProgramsDoNotInheritTheMarker)
{
    auto host = startHost(QStringLiteral("exec-fds"));
    ASSERT_TRUE(host->waitForEnd(20000));
    EXPECT_TRUE(host->exitedWith(0)) << host->describe().toStdString();
    const auto own = records(QStringLiteral("fds"));
    ASSERT_EQ(own.size(), 1);
    EXPECT_TRUE(own.first().value(u"targets").toString().contains(u"crash-marker"));
    const QByteArray listing = host->standardOutput();
    EXPECT_TRUE(listing.contains("/proc/")) << listing.toStdString(); // ls did run
    EXPECT_FALSE(listing.contains("crash-marker")) << listing.toStdString();
}
