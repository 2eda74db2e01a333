#include "Defaults.h"
#include "TestSupport.h"

#include <QFile>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QSignalSpy>

#include <gtest/gtest.h>

namespace {

QJsonObject runProbe(const QStringList &arguments)
{
    QProcess probe;
    probe.start(QStringLiteral(MAROVEL_TEST_PROBE), arguments);
    if (!probe.waitForFinished(20000) || probe.exitCode() != 0)
        return {};
    return QJsonDocument::fromJson(probe.readAllStandardOutput()).object();
}

TEST(Defaults, TypesSurviveAWriteInOneProcessAndAReadInAnother)
{
    ASSERT_TRUE(runProbe({"write-defaults"}).isEmpty());
    ASSERT_TRUE(QFile::exists(Defaults::filePath()));

    const QJsonObject read = runProbe(
        {"read-defaults", "flag", "emptyList", "oneList", "blob", "when", "count", "absent"});
    const auto type = [&](const char *key) {
        return read.value(QLatin1String(key)).toObject().value("type").toString();
    };
    EXPECT_EQ(type("flag"), QStringLiteral("bool"));
    EXPECT_EQ(type("emptyList"), QStringLiteral("QVariantList"));
    EXPECT_EQ(read.value("emptyList").toObject().value("count").toInt(), 0);
    EXPECT_EQ(type("oneList"), QStringLiteral("QVariantList"));
    EXPECT_EQ(read.value("oneList").toObject().value("count").toInt(), 1);
    EXPECT_EQ(type("blob"), QStringLiteral("QByteArray"));
    EXPECT_EQ(read.value("blobHex").toString(), QStringLiteral("0001ff"));
    EXPECT_EQ(type("when"), QStringLiteral("QDateTime"));
    EXPECT_EQ(qint64(read.value("whenMs").toDouble()),
              QDateTime(QDate(2024, 5, 6), QTime(7, 8, 9, 250), Qt::UTC).toMSecsSinceEpoch());
    EXPECT_EQ(type("count"), QStringLiteral("qlonglong"));
    // An absent key is not an empty list.
    EXPECT_TRUE(read.value("absent").isNull());
}

TEST(Defaults, ArgumentsAreReadBeforeTheFile)
{
    runProbe({"write-defaults"});
    const QJsonObject read = runProbe({"read-defaults", "flag", "count", "-flag", "false", "-count", "7"});
    EXPECT_EQ(read.value("flag").toObject().value("text").toString(), QStringLiteral("false"));
    EXPECT_EQ(read.value("count").toObject().value("text").toString(), QStringLiteral("7"));

    const QVariantMap parsed = Defaults::parseArguments(
        {"marovel", "-a", "[1,2]", "--long", "x", "-b", "plain text", "-c", "\"quoted\"", "-dangling"});
    EXPECT_EQ(parsed.value("a").toList().size(), 2);
    EXPECT_EQ(parsed.value("b").toString(), QStringLiteral("plain text"));
    EXPECT_EQ(parsed.value("c").toString(), QStringLiteral("quoted"));
    EXPECT_FALSE(parsed.contains("long"));
    EXPECT_FALSE(parsed.contains("dangling"));
}

TEST(Defaults, DoubleDashEndsTheSettings)
{
    struct Case
    {
        QStringList arguments;
        QStringList keys;
        QStringList others;
    };
    const Case cases[] = {
        {{"marovel", "-a", "1", "--", "-b", "2", "file"}, {"a"}, {"-b", "2", "file"}},
        {{"marovel", "-a", "--", "x"}, {}, {"-a", "x"}},         // "--" is never a value
        {{"marovel", "x", "-a", "1", "y"}, {"a"}, {"x", "y"}},
        {{"marovel", "--long", "x", "-dangling"}, {}, {"--long", "x", "-dangling"}},
        {{"marovel", "--", "--"}, {}, {"--"}},                   // only the first one ends
        {{"marovel", "-", "file:///tmp/a"}, {}, {"-", "file:///tmp/a"}},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.arguments.join(u' ').toStdString());
        EXPECT_EQ(Defaults::parseArguments(c.arguments).keys(), c.keys);
        EXPECT_EQ(Defaults::otherArguments(c.arguments), c.others);
    }
}

TEST(Defaults, ChangedIsSignalledOnlyForRealChanges)
{
    Defaults &defaults = Defaults::shared();
    QSignalSpy spy(&defaults, &Defaults::changed);
    defaults.setValue("launchRestore", true);
    defaults.setValue("launchRestore", true);
    defaults.setValue("launchRestore", false);
    defaults.remove("launchRestore");
    defaults.remove("launchRestore");
    ASSERT_EQ(spy.count(), 3);
    EXPECT_EQ(spy.at(0).at(0).toString(), QStringLiteral("launchRestore"));
    EXPECT_FALSE(defaults.contains("launchRestore"));
    EXPECT_TRUE(defaults.boolValue("launchRestore", true));
}

TEST(Defaults, UnreadableFileLoadsEmptyAndIsNotRewrittenOnRead)
{
    const QByteArray garbage = "{ this is not json";
    TestSupport::writeFile(Defaults::filePath(), garbage);
    const QJsonObject read = runProbe({"read-defaults", "flag"});
    EXPECT_TRUE(read.value("flag").isNull());
    EXPECT_EQ(TestSupport::readFile(Defaults::filePath()), garbage);
}

} // namespace
