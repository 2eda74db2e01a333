#include "CoreTestSupport.h"
#include "JsonCoding.h"
#include "MarovelCore.h"
#include "MarovelPaths.h"
#include "TestSupport.h"
#include "TextUtil.h"

#include <QDir>
#include <QFileInfo>

#include <gtest/gtest.h>

#include <sys/wait.h>
#include <unistd.h>

namespace {

Transaction transaction(QList<MarovelOperation> operations = {move("a", "b")})
{
    return {TextUtil::newUuidText(), TextUtil::newUuidText(), "docs", "applied",
            QDateTime::fromSecsSinceEpoch(1700000000, Qt::UTC), std::move(operations)};
}

TEST(Journal, AppendsOneCompactLinePerRecord)
{
    EXPECT_TRUE(MarovelCore::history().isEmpty());
    EXPECT_FALSE(QFileInfo::exists(MarovelPaths::journal()));

    const Transaction first = transaction({mkdir("folder")});
    MarovelCore::record(first);
    const QByteArray one = TestSupport::readFile(MarovelPaths::journal());
    EXPECT_EQ(one.count('\n'), 1);
    EXPECT_TRUE(one.endsWith('\n'));
    EXPECT_FALSE(one.contains("from")); // an operation without a source has no "from" key
    EXPECT_TRUE(one.contains("\"createdAt\":\"2023-11-14T22:13:20Z\""));

    const Transaction second = transaction();
    MarovelCore::record(second);
    const QByteArray two = TestSupport::readFile(MarovelPaths::journal());
    EXPECT_TRUE(two.startsWith(one));
    EXPECT_EQ(MarovelCore::history(), (QList<Transaction>{first, second}));
    EXPECT_FALSE(MarovelCore::history()[0].operations[0].from.has_value());
}

TEST(Journal, BlankLinesAndAMissingFinalLineFeedAreTolerated)
{
    const QByteArray a = JsonCoding::compact(transaction().toJson());
    const QByteArray b = JsonCoding::compact(transaction().toJson());
    TestSupport::writeFile(MarovelPaths::journal(), "\n" + a + "\n\n" + b);
    EXPECT_EQ(MarovelCore::history().size(), 2);
    TestSupport::writeFile(MarovelPaths::journal(), a + "\n" + b + "\n\n");
    EXPECT_EQ(MarovelCore::history().size(), 2);
}

TEST(Journal, OneBadLineFailsTheWholeHistory)
{
    const QByteArray good = JsonCoding::compact(transaction().toJson());
    const QByteArray fractional =
        QByteArray(good).replace("2023-11-14T22:13:20Z", "2023-11-14T22:13:20.5Z");
    // A record that is whole JSON but no transaction, or that is broken before its end, is
    // no crash's doing: the journal needs repair, and nothing is read past it.
    const QList<QByteArray> badLines{"   ", "{\"id\":\"x\"}", fractional, good + "x",
                                     good.left(20) + "\"]", " " + good.left(20), "[1,2",
                                     "not json"};
    for (const QByteArray &bad : badLines) {
        TestSupport::writeFile(MarovelPaths::journal(), good + "\n" + bad + "\n" + good + "\n");
        EXPECT_THROW(MarovelCore::history(), DecodingError) << bad.constData();
    }
}

TEST(Journal, RecordsCutShortByACrashAreSkippedAndCounted)
{
    const Transaction first = transaction();
    const Transaction second = transaction({mkdir("x"), move("c/d", "e")});
    const QByteArray a = JsonCoding::compact(first.toJson());
    const QByteArray b = JsonCoding::compact(second.toJson());
    // Cut inside a key, a string value, an array, after a colon, after a comma, mid-number
    // and mid-literal: every way a write can stop inside a record.
    const QList<QByteArray> torn{a.left(1), a.left(4), a.left(a.indexOf("\"createdAt\"") + 16),
                                 b.left(b.indexOf("[") + 1), b.left(b.indexOf(":") + 1),
                                 b.left(b.indexOf(",") + 1), "{\"n\":12", "{\"flag\":tr",
                                 a.left(a.size() - 1)};
    for (const QByteArray &cut : torn) {
        SCOPED_TRACE(cut.constData());
        // Torn in the middle (the next append began a new line) and at the very end.
        TestSupport::writeFile(MarovelPaths::journal(), a + "\n" + cut + "\n" + b + "\n" + cut);
        const MarovelCore::JournalContents read = MarovelCore::readJournal();
        EXPECT_EQ(read.transactions, (QList<Transaction>{first, second}));
        EXPECT_EQ(read.tornRecords, 2);
        EXPECT_EQ(MarovelCore::history(), read.transactions);
    }
}

TEST(Journal, AppendsAfterATornRecordAllReadBack)
{
    const QByteArray good = JsonCoding::compact(transaction().toJson());
    TestSupport::writeFile(MarovelPaths::journal(), good + "\n" + good.left(good.size() / 2));
    for (int i = 0; i < 500; ++i)
        MarovelCore::record(transaction());
    const MarovelCore::JournalContents read = MarovelCore::readJournal();
    EXPECT_EQ(read.transactions.size(), 501);
    EXPECT_EQ(read.tornRecords, 1);
}

TEST(Journal, ARecordCutShortDoesNotSwallowTheNextOne)
{
    const QByteArray good = JsonCoding::compact(transaction().toJson());
    TestSupport::writeFile(MarovelPaths::journal(), good + "\n" + good.left(30)); // torn by a crash
    const Transaction next = transaction();
    MarovelCore::record(next);
    const QList<QByteArray> lines = TestSupport::readFile(MarovelPaths::journal()).split('\n');
    ASSERT_GE(lines.size(), 3);
    EXPECT_EQ(lines[1], good.left(30));
    EXPECT_EQ(Transaction::fromJson(JsonCoding::parse(lines[2], "line")), next);
}

TEST(Journal, TwoProcessesAppendingAtOnceLoseNothing)
{
    constexpr int perProcess = 200;
    pid_t children[2];
    for (pid_t &child : children) {
        child = ::fork();
        ASSERT_GE(child, 0);
        if (child == 0) {
            for (int i = 0; i < perProcess; ++i)
                MarovelCore::record(transaction({move("from/" + QString::number(i), "to/x")}));
            ::_exit(0);
        }
    }
    for (pid_t child : children) {
        int status = 0;
        ::waitpid(child, &status, 0);
        EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0);
    }
    const QList<Transaction> all = MarovelCore::history();
    EXPECT_EQ(all.size(), 2 * perProcess);
}

TEST(Journal, UnwritableJournalIsReported)
{
    MarovelPaths::prepare();
    ASSERT_TRUE(QDir().mkpath(MarovelPaths::journal())); // a folder where the file should be
    EXPECT_THROW(MarovelCore::record(transaction()), FileSystemError);
    EXPECT_THROW(MarovelCore::history(), FileSystemError);
}

TEST(PlanRecords, CodingOfOperationsAndRequests)
{
    const auto decode = [](const char *json) {
        return MarovelOperation::fromJson(JsonCoding::parse(json, "op"));
    };
    const MarovelOperation withoutFrom =
        decode(R"({"id":"0a1b2c3d-0000-4000-8000-00000000000f","kind":"mkdir","to":"x"})");
    const MarovelOperation nullFrom =
        decode(R"({"id":"0A1B2C3D-0000-4000-8000-00000000000F","kind":"mkdir","from":null,"to":"x"})");
    EXPECT_EQ(withoutFrom, nullFrom);
    EXPECT_FALSE(withoutFrom.toJson().contains("from"));
    EXPECT_EQ(withoutFrom.toJson().value("id").toString(),
              QStringLiteral("0A1B2C3D-0000-4000-8000-00000000000F"));

    for (const char *bad : {R"({"id":"0a1b2c3d-0000-4000-8000-00000000000f","kind":"Move","to":"x"})",
                            R"({"id":"not-a-uuid","kind":"move","to":"x"})",
                            R"({"id":"0a1b2c3d-0000-4000-8000-00000000000f","kind":"move"})",
                            R"({"id":"0a1b2c3d-0000-4000-8000-00000000000f","kind":"move","to":"x","from":3})"})
        EXPECT_THROW(decode(bad), DecodingError) << bad;

    const PlanRequest request = PlanRequest::fromJson(
        JsonCoding::parse(R"({"schemaVersion":2,"workspaceID":"w","operations":[],"extra":1})", "r"));
    EXPECT_EQ(request.schemaVersion, 2);
    EXPECT_TRUE(request.operations.isEmpty());
    EXPECT_THROW(PlanRequest::fromJson(JsonCoding::parse(R"({"workspaceID":"w","operations":[]})", "r")),
                 DecodingError);
    EXPECT_THROW(PlanRequest::fromJson(JsonCoding::parse(
                     R"({"schemaVersion":1,"workspaceID":"w","operations":{}})", "r")),
                 DecodingError);
}

} // namespace
