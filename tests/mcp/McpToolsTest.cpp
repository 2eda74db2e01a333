// The six tools of marovel-mcp on a fixture workspace, checked byte for byte.
#include "McpFixture.h"
#include "McpTestSupport.h"

#include "JsonCoding.h"
#include "MarovelCore.h"
#include "MarovelPaths.h"
#include "TestSupport.h"

#include <QDir>
#include <QRegularExpression>

#include <gtest/gtest.h>

using McpTest::call;
using McpTest::errorLine;
using McpTest::inMessage;
using McpTest::inText;
using McpTest::replies;
using McpTest::resultLine;

namespace {

const QByteArray date = McpFixture::date;

QByteArray workspaceText(const Workspace &w)
{
    return R"({\"createdAt\":\")" + JsonCoding::dateText(w.createdAt).toUtf8() + R"(\",\"id\":\")"
           + w.id.toUtf8() + R"(\",\"name\":\")" + w.name.toUtf8() + R"(\",\"path\":\")"
           + inText(w.path) + R"(\"})";
}

TEST(McpTools, EmptyDataFolder)
{
    const auto lines = replies(call(1, "marovel_list_workspaces") + call(2, "marovel_transaction_history")
                               + call(3, "marovel_find_files", R"({"query":"a","workspace_id":"ws"})"));
    const QList<QByteArray> expected{
        resultLine(1, R"({\"workspaces\":[]})"),
        resultLine(2, R"({\"transactions\":[]})"),
        errorLine(3, "Workspace not found: ws"),
    };
    EXPECT_EQ(lines, expected);
}

TEST(McpTools, ReadOnlyToolsOnTheFixture)
{
    const McpFixture f;
    const QByteArray report = R"({\"kind\":\"file\",\"modifiedAt\":\")" + date
                              + R"(\",\"name\":\"report.txt\",\"path\":\")" + inText(f.ws + "/docs/report.txt")
                              + R"(\",\"size\":5})";
    const QByteArray input =
        call(1, "marovel_list_workspaces", R"({"ignored":[1,2,3]})")
        + call(2, "marovel_directory_context", R"({"path":")" + f.ws.toUtf8() + R"(/docs"})")
        + call(3, "marovel_find_files", R"({"query":"REPORT","workspace_id":"ws"})")
        + call(4, "marovel_find_files", R"({"query":"nothing-like-this","workspace_id":"ws"})")
        + call(5, "marovel_file_info", R"({"path":")" + f.ws.toUtf8() + R"(/docs/report.txt"})")
        + call(6, "marovel_file_info", R"({"path":")" + f.ws.toUtf8() + R"(/photos/"})")
        + call(7, "marovel_transaction_history", R"({"anything":"at all"})");
    const QList<QByteArray> expected{
        resultLine(1, R"({\"workspaces\":[)" + workspaceText(f.workspace) + "]}"),
        resultLine(2, R"({\"entries\":[)" + report + "]}"),
        resultLine(3, R"({\"entries\":[)" + report + R"(],\"match\":\"filename\"})"),
        resultLine(4, R"({\"entries\":[],\"match\":\"filename\"})"),
        resultLine(5, R"({\"entry\":)" + report + "}"),
        resultLine(6, R"({\"entry\":{\"kind\":\"directory\",\"modifiedAt\":\")" + date
                          + R"(\",\"name\":\"photos\",\"path\":\")" + inText(f.ws + "/photos") + R"(\"}})"),
        resultLine(7, R"({\"transactions\":[]})"),
    };
    EXPECT_EQ(replies(input), expected);
}

TEST(McpTools, DirectoryContextListsVisibleChildrenWithoutFollowingLinks)
{
    const McpFixture f;
    const auto lines = replies(call(1, "marovel_directory_context", R"({"path":")" + f.ws.toUtf8() + R"("})"));
    ASSERT_EQ(lines.size(), 1);
    const QJsonObject reply = JsonCoding::parse(lines[0], "reply").toObject();
    const QJsonArray content = reply["result"]["content"].toArray();
    ASSERT_EQ(content.size(), 1);
    const QJsonArray entries =
        JsonCoding::parse(content[0]["text"].toString().toUtf8(), "text").toObject()["entries"].toArray();
    QStringList seen;
    for (const QJsonValue &e : entries) {
        const QString name = e["name"].toString();
        seen << QStringLiteral("%1 %2 %3").arg(name, e["kind"].toString(), e["path"].toString());
        // Links are described as links: a "file" with the link's own size, never the target's.
        if (name == u"secret-link") {
            EXPECT_EQ(e["size"].toInteger(), (f.outside + "/MARKER.txt").toUtf8().size());
        }
    }
    seen.sort();
    EXPECT_EQ(seen, (QStringList{"docs directory " + f.ws + "/docs", "escape file " + f.ws + "/escape",
                                 "notes.md file " + f.ws + "/notes.md", "photos directory " + f.ws + "/photos",
                                 "secret-link file " + f.ws + "/secret-link"}));
}

TEST(McpTools, RelativePathsStartAtTheServersFolder)
{
    const McpFixture f;
    const QList<QByteArray> expected{
        resultLine(1, R"({\"entry\":{\"kind\":\"file\",\"modifiedAt\":\")" + date
                          + R"(\",\"name\":\"notes.md\",\"path\":\")" + inText(f.ws + "/notes.md")
                          + R"(\",\"size\":8}})"),
        resultLine(2, R"({\"entries\":[{\"kind\":\"file\",\"modifiedAt\":\")" + date
                          + R"(\",\"name\":\"report.txt\",\"path\":\")" + inText(f.ws + "/docs/report.txt")
                          + R"(\",\"size\":5}]})"),
        errorLine(3, "Path does not exist: " + inMessage(f.ws + "/missing.txt")),
    };
    EXPECT_EQ(replies(call(1, "marovel_file_info", R"({"path":"notes.md"})")
                          + call(2, "marovel_directory_context", R"({"path":"./docs/"})")
                          + call(3, "marovel_file_info", R"({"path":"missing.txt"})"),
                      McpTest::environment(), f.ws),
              expected);
}

TEST(McpTools, ErrorTexts)
{
    const McpFixture f;
    const QByteArray ws = f.ws.toUtf8();
    const QByteArray notInside = "The folder is not inside an authorised workspace";
    const struct
    {
        const char *what;
        QByteArray tool;
        QByteArray arguments;
        QByteArray message;
    } cases[] = {
        {"context without path", "marovel_directory_context", "{}", "Missing parameter: path"},
        {"context with a non-string path", "marovel_directory_context", R"({"path":["/"]})", "Missing parameter: path"},
        {"context outside every workspace", "marovel_directory_context", R"({"path":")" + f.outside.toUtf8() + R"("})", notInside},
        {"context of a missing folder", "marovel_directory_context", R"({"path":")" + ws + R"(/nope"})",
         "Could not list the folder “" + inMessage(f.ws + "/nope") + "”: No such file or directory"},
        {"context of a file", "marovel_directory_context", R"({"path":")" + ws + R"(/notes.md"})",
         "Could not list the folder “" + inMessage(f.ws + "/notes.md") + "”: Not a directory"},
        {"find without arguments names the query first", "marovel_find_files", "{}", "Missing parameter: query"},
        {"find without workspace", "marovel_find_files", R"({"query":"a"})", "Missing parameter: workspace_id"},
        {"find with an empty query", "marovel_find_files", R"({"query":"","workspace_id":"ws"})", "Missing parameter: query"},
        {"find in an unknown workspace", "marovel_find_files", R"({"query":"a","workspace_id":"other"})", "Workspace not found: other"},
        {"info without path", "marovel_file_info", R"({"path":""})", "Missing parameter: path"},
        // Outside every workspace, existing or not, a path gets the same answer.
        {"info on a missing path outside every workspace", "marovel_file_info", R"({"path":"/no/such/thing/"})", notInside},
        {"info on a missing path beside an outside file", "marovel_file_info", R"({"path":")" + f.outside.toUtf8() + R"(/MISSING.txt"})", notInside},
        {"info outside every workspace", "marovel_file_info", R"({"path":")" + f.outside.toUtf8() + R"(/MARKER.txt"})", notInside},
        {"info on a missing path inside a workspace", "marovel_file_info", R"({"path":")" + ws + R"(/docs/gone.txt"})",
         "Path does not exist: " + inMessage(f.ws + "/docs/gone.txt")},
        {"info below a missing folder inside a workspace", "marovel_file_info", R"({"path":")" + ws + R"(/gone/x.txt"})",
         "Path does not exist: " + inMessage(f.ws + "/gone/x.txt")},
        {"info on the workspace folder itself", "marovel_file_info", R"({"path":")" + ws + R"("})", notInside},
        {"plan without workspace", "marovel_create_plan", R"({"operations":[]})", "Missing parameter: workspace_id"},
        {"plan without operations", "marovel_create_plan", R"({"workspace_id":"ws"})",
         "A plan must have schemaVersion=1 and contain operations"},
        {"plan with no operation", "marovel_create_plan", R"({"workspace_id":"ws","operations":[]})",
         "A plan must have schemaVersion=1 and contain operations"},
        {"plan in an unknown workspace", "marovel_create_plan",
         R"({"workspace_id":"nope","operations":[{"id":"A5E1F2C4-1111-4222-8333-944445555666","kind":"mkdir","to":"x"}]})",
         "Workspace not found: nope"},
        {"operations not an array", "marovel_create_plan", R"({"workspace_id":"ws","operations":{"kind":"mkdir"}})",
         "The data of “plan request” is not in the correct format: the key “operations” must be an array"},
        {"operations null", "marovel_create_plan", R"({"workspace_id":"ws","operations":null})",
         "The data of “plan request” is not in the correct format: the key “operations” must be an array"},
        {"operation of an unknown kind", "marovel_create_plan",
         R"({"workspace_id":"ws","operations":[{"id":"A5E1F2C4-1111-4222-8333-944445555666","kind":"delete","to":"x"}]})",
         "The data of “operation” is not in the correct format: the key “kind” must be move, rename or mkdir"},
        {"operation without id", "marovel_create_plan", R"({"workspace_id":"ws","operations":[{"kind":"mkdir","to":"x"}]})",
         "The data of “operation” is not in the correct format: the key “id” is missing"},
        {"operation with a malformed id", "marovel_create_plan",
         R"({"workspace_id":"ws","operations":[{"id":"1234","kind":"mkdir","to":"x"}]})",
         "The data of “operation” is not in the correct format: the key “id” must be a UUID"},
        {"operation without to", "marovel_create_plan",
         R"({"workspace_id":"ws","operations":[{"id":"A5E1F2C4-1111-4222-8333-944445555666","kind":"mkdir"}]})",
         "The data of “operation” is not in the correct format: the key “to” is missing"},
        {"move without from", "marovel_create_plan",
         R"({"workspace_id":"ws","operations":[{"id":"A5E1F2C4-1111-4222-8333-944445555666","kind":"move","to":"x"}]})",
         "move needs from"},
        {"target that exists", "marovel_create_plan",
         R"({"workspace_id":"ws","operations":[{"id":"A5E1F2C4-1111-4222-8333-944445555666","kind":"mkdir","to":"docs"}]})",
         "Target already exists: docs"},
        {"source that does not exist", "marovel_create_plan",
         R"({"workspace_id":"ws","operations":[{"id":"A5E1F2C4-1111-4222-8333-944445555666","kind":"rename","from":"gone.txt","to":"x"}]})",
         "Source does not exist: gone.txt"},
    };
    const auto before = McpFixture::snapshot(f.root);
    QByteArray input;
    QList<QByteArray> expected;
    int id = 0;
    for (const auto &c : cases) {
        input += call(++id, c.tool, c.arguments);
        expected << errorLine(id, c.message);
    }
    const auto lines = replies(input);
    ASSERT_EQ(lines.size(), expected.size());
    for (int i = 0; i < lines.size(); ++i)
        EXPECT_EQ(lines[i], expected[i]) << cases[i].what;
    // Failing calls leave nothing behind, not even a plan.
    EXPECT_EQ(McpFixture::snapshot(f.root), before);
    EXPECT_TRUE(QDir(MarovelPaths::plans()).isEmpty());
}

TEST(McpTools, CreatePlanStoresOnlyThePlan)
{
    const McpFixture f;
    const auto before = McpFixture::snapshot(f.root);
    const auto lines = replies(call(9, "marovel_create_plan", R"({"workspace_id":"ws","operations":[)"
        R"({"id":"a5e1f2c4-1111-4222-8333-944445555666","kind":"move","from":"docs/report.txt","to":"photos/report.txt","note":"ignored"},)"
        R"({"kind":"mkdir","to":"archive","id":"B5E1F2C4-1111-4222-8333-944445555666"}]})"));
    ASSERT_EQ(lines.size(), 1);

    // The plan's own id and date are new; everything else, and the order of keys, is fixed.
    static const QRegularExpression made(
        R"(\\"plan\\":\{\\"createdAt\\":\\"([0-9T:Z-]{20})\\",\\"id\\":\\"([0-9A-F]{8}-[0-9A-F]{4}-[0-9A-F]{4}-[0-9A-F]{4}-[0-9A-F]{12})\\")");
    const auto m = made.match(QString::fromUtf8(lines[0]));
    ASSERT_TRUE(m.hasMatch()) << lines[0].toStdString();
    const QByteArray createdAt = m.captured(1).toUtf8();
    const QByteArray planID = m.captured(2).toUtf8();
    const QByteArray expected = resultLine(9,
        R"({\"next\":\"Plan created only. It did not modify files. Show it to the user before execution.\",)"
        R"(\"plan\":{\"createdAt\":\")" + createdAt + R"(\",\"id\":\")" + planID + R"(\",\"operations\":[)"
        R"({\"from\":\"docs\\\/report.txt\",\"id\":\"A5E1F2C4-1111-4222-8333-944445555666\",\"kind\":\"move\",\"to\":\"photos\\\/report.txt\"},)"
        R"({\"id\":\"B5E1F2C4-1111-4222-8333-944445555666\",\"kind\":\"mkdir\",\"to\":\"archive\"}],)"
        R"(\"workspace\":)" + workspaceText(f.workspace) + "}}");
    EXPECT_EQ(lines[0], expected);
    const QDateTime when = *JsonCoding::parseDate(QString::fromUtf8(createdAt));
    EXPECT_LE(std::abs(when.secsTo(QDateTime::currentDateTimeUtc())), 60);

    // No user file changed; the data folder gained exactly the plan's file, holding the plan.
    const auto after = McpFixture::snapshot(f.root);
    QStringList added;
    for (auto it = after.cbegin(); it != after.cend(); ++it) {
        if (!before.contains(it.key()))
            added << it.key();
    }
    const QString planFile = MarovelPaths::plans() + "/" + planID + ".json";
    EXPECT_EQ(added, QStringList{planFile});
    for (auto it = before.cbegin(); it != before.cend(); ++it) {
        if (!it.key().startsWith(MarovelPaths::base())) {
            EXPECT_EQ(after.value(it.key()), it.value()) << it.key().toStdString();
        }
    }
    const Plan stored = Plan::fromJson(JsonCoding::parse(TestSupport::readFile(planFile), planFile));
    EXPECT_EQ(stored.id, QString::fromUtf8(planID));
    EXPECT_EQ(stored.workspace, f.workspace);
    ASSERT_EQ(stored.operations.size(), 2);
    EXPECT_EQ(stored.operations[0].from, QStringLiteral("docs/report.txt"));
}

TEST(McpTools, TransactionHistoryInJournalOrder)
{
    const McpFixture f;
    const QDateTime when = *JsonCoding::parseDate(McpFixture::date);
    const MarovelOperation move{QUuid::fromString(QStringLiteral("A5E1F2C4-1111-4222-8333-944445555666")),
                                OpKind::Move, QStringLiteral("docs/report.txt"), QStringLiteral("photos/r.txt")};
    MarovelCore::record({"T-1", "P-1", "ws", "applied", when, {move}});
    // A record cut short by a crash between the two: it is skipped, the reply is as before.
    TestSupport::appendFile(MarovelPaths::journal(), R"({"createdAt":"2026-06-26T08:30:30Z","id":"T-2",)");
    MarovelCore::record({"T-1", "P-1", "ws", "undone", when.addSecs(61), {move}});
    const QByteArray operation =
        R"({\"from\":\"docs\\\/report.txt\",\"id\":\"A5E1F2C4-1111-4222-8333-944445555666\",\"kind\":\"move\",\"to\":\"photos\\\/r.txt\"})";
    const QByteArray expected = resultLine(1,
        R"({\"transactions\":[{\"createdAt\":\"2026-06-26T08:30:00Z\",\"id\":\"T-1\",\"operations\":[)" + operation
        + R"(],\"planID\":\"P-1\",\"status\":\"applied\",\"workspaceID\":\"ws\"},)"
        R"({\"createdAt\":\"2026-06-26T08:31:01Z\",\"id\":\"T-1\",\"operations\":[)" + operation
        + R"(],\"planID\":\"P-1\",\"status\":\"undone\",\"workspaceID\":\"ws\"}]})");
    EXPECT_EQ(replies(call(1, "marovel_transaction_history")), QList<QByteArray>{expected});
}

TEST(McpTools, UnreadableDataFilesAreReportedNotHidden)
{
    TestSupport::writeFile(MarovelPaths::roots(), "[{\"id\":1}]");
    TestSupport::writeFile(MarovelPaths::journal(), "not json\n");
    const auto lines = replies(call(1, "marovel_list_workspaces") + call(2, "marovel_transaction_history"));
    ASSERT_EQ(lines.size(), 2);
    EXPECT_TRUE(lines[0].startsWith(R"({"error":{"code":-32000,"message":"The data of “workspace” is not in the correct format)"))
        << lines[0].toStdString();
    EXPECT_TRUE(lines[1].startsWith(R"({"error":{"code":-32000,"message":"“)" + inMessage(MarovelPaths::journal()) + R"(:1” is not valid JSON)"))
        << lines[1].toStdString();
}

TEST(McpTools, CoreMessagesFollowTheLanguageButOwnTextsStayEnglish)
{
    const McpFixture f;
    QProcessEnvironment chinese = McpTest::environment();
    chinese.insert("LC_ALL", "zh_CN.UTF-8");
    chinese.insert("LANG", "zh_CN.UTF-8");
    chinese.insert("LANGUAGE", "zh_CN");
    const QList<QByteArray> expected{
        errorLine(1, "目录不在已授权工作区内"),
        errorLine(2, "目录不在已授权工作区内"),
        errorLine(3, "Missing parameter: query"),
    };
    EXPECT_EQ(replies(call(1, "marovel_directory_context", R"({"path":"/"})")
                          + call(2, "marovel_file_info", R"({"path":"/nothing"})")
                          + call(3, "marovel_find_files"),
                      chinese),
              expected);
}

} // namespace
