// Hostile input: escapes from the workspace through every path-taking tool, huge and deeply
// nested lines, bytes that are not UTF-8, and long streams of requests.
#include "McpFixture.h"
#include "McpTestSupport.h"

#include "MarovelPaths.h"
#include "LongPaths.h"
#include "TestSupport.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <gtest/gtest.h>

#include <atomic>
#include <fcntl.h>
#include <thread>
#include <memory>
#include <unistd.h>

using McpTest::call;
using McpTest::errorLine;
using McpTest::inMessage;
using McpTest::replies;

namespace {

TEST(McpAdversarial, NoToolReachesOutsideTheWorkspace)
{
    const McpFixture f;
    const QByteArray ws = f.ws.toUtf8();
    const QByteArray out = f.outside.toUtf8();
    const QByteArray notInside = "The folder is not inside an authorised workspace";
    const auto plan = [](const QByteArray &operation) {
        return R"({"workspace_id":"ws","operations":[{"id":"A5E1F2C4-1111-4222-8333-944445555666",)" + operation + "}]}";
    };
    const struct
    {
        const char *what;
        QByteArray tool;
        QByteArray arguments;
        QByteArray message; // the whole error message
    } cases[] = {
        {"context: the outside folder", "marovel_directory_context", R"({"path":")" + out + R"("})", notInside},
        {"context: up and out", "marovel_directory_context", R"({"path":")" + ws + R"(/../outside"})", notInside},
        {"context: the file system root", "marovel_directory_context", R"({"path":"/"})", notInside},
        {"context: relative, up and out", "marovel_directory_context", R"({"path":"../outside"})", notInside},
        {"context: through a folder link", "marovel_directory_context", R"({"path":")" + ws + R"(/escape"})", notInside},
        {"context: below a folder link", "marovel_directory_context", R"({"path":")" + ws + R"(/escape/."})", notInside},
        {"context: a NUL cutting the path at a link", "marovel_directory_context",
         R"({"path":")" + ws + R"(/escape\u0000/../docs"})",
         "Path does not exist: " + inMessage(f.ws) + R"(\/escape\u0000\/..\/docs)"},
        {"info: outside file", "marovel_file_info", R"({"path":")" + out + R"(/MARKER.txt"})", notInside},
        {"info: up and out", "marovel_file_info", R"({"path":")" + ws + R"(/../outside/MARKER.txt"})", notInside},
        {"info: through a folder link", "marovel_file_info", R"({"path":")" + ws + R"(/escape/MARKER-inner.txt"})", notInside},
        {"info: the folder above the workspace", "marovel_file_info", R"({"path":")" + ws + R"(/.."})", notInside},
        {"info: the workspace through a subfolder", "marovel_file_info", R"({"path":")" + ws + R"(/docs/.."})", notInside},
        {"info: the workspace as /.", "marovel_file_info", R"({"path":")" + ws + R"(/."})", notInside},
        {"info: a NUL hiding the rest", "marovel_file_info", R"({"path":")" + ws + R"(/notes.md\u0000/x"})",
         "Path does not exist: " + inMessage(f.ws) + R"(\/notes.md\u0000\/x)"},
        {"plan: target up and out", "marovel_create_plan", plan(R"("kind":"mkdir","to":"../evil")"),
         "Path leaves the workspace: ..\\/evil"},
        {"plan: absolute target", "marovel_create_plan", plan(R"("kind":"mkdir","to":")" + out + R"(/new")"),
         "Paths must be relative to the workspace: " + inMessage(f.outside) + "\\/new"},
        {"plan: target below a folder link", "marovel_create_plan", plan(R"("kind":"mkdir","to":"escape/new")"),
         "Path leaves the workspace: escape\\/new"},
        {"plan: target climbing through a subfolder", "marovel_create_plan", plan(R"("kind":"mkdir","to":"docs/../../evil")"),
         "Path leaves the workspace: docs\\/..\\/..\\/evil"},
        {"plan: source up and out", "marovel_create_plan",
         plan(R"("kind":"move","from":"../outside/MARKER.txt","to":"stolen.txt")"),
         "Path leaves the workspace: ..\\/outside\\/MARKER.txt"},
        {"plan: absolute source", "marovel_create_plan",
         plan(R"("kind":"move","from":")" + out + R"(/MARKER.txt","to":"stolen.txt")"),
         "Paths must be relative to the workspace: " + inMessage(f.outside) + "\\/MARKER.txt"},
        {"plan: source below a folder link", "marovel_create_plan",
         plan(R"("kind":"rename","from":"escape/MARKER-inner.txt","to":"stolen.txt")"),
         "Path leaves the workspace: escape\\/MARKER-inner.txt"},
        {"find: a workspace id that looks like a path", "marovel_find_files",
         R"({"query":"MARKER","workspace_id":"../outside"})", "Workspace not found: ..\\/outside"},
    };
    const auto before = McpFixture::snapshot(f.root);
    QByteArray input;
    int id = 0;
    for (const auto &c : cases)
        input += call(++id, c.tool, c.arguments);
    // Names are searched in the workspace only; links are listed, never entered.
    input += call(++id, "marovel_find_files", R"({"query":"marker","workspace_id":"ws"})");
    // "escape/.." is the workspace itself when read lexically, which is what gets listed;
    // the kernel alone would have read the outside folder through the link.
    input += call(++id, "marovel_directory_context", R"({"path":")" + ws + R"(/escape/.."})");

    const auto lines = replies(input, McpTest::environment(), f.ws);
    ASSERT_EQ(lines.size(), id);
    for (int i = 0; i < int(std::size(cases)); ++i)
        EXPECT_EQ(lines[i], errorLine(i + 1, cases[i].message)) << cases[i].what;
    EXPECT_EQ(lines[id - 2], McpTest::resultLine(id - 1, R"({\"entries\":[],\"match\":\"filename\"})"));
    EXPECT_TRUE(lines[id - 1].contains(R"(\"name\":\"notes.md\")")) << lines[id - 1].toStdString();
    for (const QByteArray &line : lines)
        EXPECT_FALSE(line.contains("MARKER-inner.txt\\\"") || line.contains("MARKER.txt\\\",")) << line.toStdString();

    EXPECT_EQ(McpFixture::snapshot(f.root), before);
    EXPECT_TRUE(QDir(MarovelPaths::plans()).isEmpty());
}

// While the tools run, another process keeps exchanging a folder of the workspace with a
// link to an outside folder. No reply may carry what lies outside.
TEST(McpAdversarial, AFolderSwappedForALinkNeverShowsOutsideData)
{
    const McpFixture f;
    TestSupport::writeFile(f.ws + "/race/inside.txt", "in");
    TestSupport::writeFile(f.ws + "/race/sub/inside-sub.txt", "in");
    TestSupport::writeFile(f.outside + "/target/OUTSIDE-1.txt", "out");
    TestSupport::writeFile(f.outside + "/target/sub/OUTSIDE-sub.txt", "out");
    TestSupport::makeFolder("outside/target/only-outside");
    const QByteArray race = QFile::encodeName(f.ws + "/race");
    const QByteArray swapped = QFile::encodeName(f.ws + "/racelink");
    ASSERT_EQ(::symlink(QFile::encodeName(f.outside + "/target").constData(), swapped.constData()), 0);

    std::atomic<bool> stop = false;
    std::atomic<int> exchanges = 0;
    std::thread swapper([&] {
        while (!stop) {
            if (::renameat2(AT_FDCWD, race.constData(), AT_FDCWD, swapped.constData(), RENAME_EXCHANGE) == 0)
                ++exchanges;
        }
    });

    constexpr int rounds = 1500;
    QByteArray input;
    int id = 0;
    for (int i = 0; i < rounds; ++i) {
        input += call(++id, "marovel_directory_context", R"({"path":")" + race + R"("})");
        input += call(++id, "marovel_file_info", R"({"path":")" + race + R"(/OUTSIDE-1.txt"})");
        input += call(++id, "marovel_find_files", R"({"query":"OUTSIDE","workspace_id":"ws"})");
        input += call(++id, "marovel_create_plan",
                      R"({"workspace_id":"ws","operations":[{"id":"A5E1F2C4-1111-4222-8333-944445555666","kind":"mkdir","to":"race/only-outside/evil"}]})");
    }
    const auto lines = replies(input);
    stop = true;
    swapper.join();
    ASSERT_EQ(lines.size(), id);
    EXPECT_GT(exchanges, 100);

    int leaks[4] = {0, 0, 0, 0};
    for (int i = 0; i < id; ++i) {
        const QByteArray &line = lines[i];
        switch (i % 4) {
        case 0: leaks[0] += line.contains("OUTSIDE") || line.contains("only-outside"); break;
        case 1: leaks[1] += line.contains(R"("result")"); break; // the file exists only outside
        case 2: leaks[2] += line.contains("OUTSIDE-"); break;
        case 3: leaks[3] += line.contains(R"("result")"); break; // its parent exists only outside
        }
    }
    EXPECT_EQ(leaks[0], 0) << "directory context listed the outside folder";
    EXPECT_EQ(leaks[1], 0) << "file info described an outside file";
    EXPECT_EQ(leaks[2], 0) << "find listed outside files";
    EXPECT_EQ(leaks[3], 0) << "a plan was accepted on the strength of an outside folder";
    EXPECT_TRUE(QDir(MarovelPaths::plans()).isEmpty());
}

// A link whose real path is longer than PATH_MAX: the path checks of old gave up on it
// and fell back to the part of the path that did resolve, inside the workspace.
TEST(McpAdversarial, ALinkLongerThanPathMaxLeadsNowhere)
{
    const McpFixture f;
    const QString deep = LongPaths::makeChain(f.outside);
    ASSERT_EQ(::symlink(QFile::encodeName(deep).constData(), QFile::encodeName(f.ws + "/long").constData()), 0);
    const QByteArray ws = f.ws.toUtf8();
    const QByteArray notInside = "The folder is not inside an authorised workspace";
    const auto plan = [](const QByteArray &operation) {
        return R"({"workspace_id":"ws","operations":[{"id":"A5E1F2C4-1111-4222-8333-944445555666",)" + operation + "}]}";
    };
    const auto before = McpFixture::snapshot(f.ws);
    const QList<QByteArray> expected{
        errorLine(1, notInside),
        errorLine(2, notInside),
        errorLine(3, notInside),
        McpTest::resultLine(4, R"({\"entries\":[],\"match\":\"filename\"})"),
        errorLine(5, R"(Path leaves the workspace: long\/evil)"),
        errorLine(6, R"(Path leaves the workspace: long\/SECRET.txt)"),
        errorLine(7, R"(Path leaves the workspace: long\/notes.md)"),
    };
    EXPECT_EQ(replies(call(1, "marovel_directory_context", R"({"path":")" + ws + R"(/long"})")
                      + call(2, "marovel_directory_context", R"({"path":")" + ws + R"(/long/vault"})")
                      + call(3, "marovel_file_info", R"({"path":")" + ws + R"(/long/SECRET.txt"})")
                      + call(4, "marovel_find_files", R"({"query":"vault","workspace_id":"ws"})")
                      + call(5, "marovel_create_plan", plan(R"("kind":"mkdir","to":"long/evil")"))
                      + call(6, "marovel_create_plan", plan(R"("kind":"move","from":"long/SECRET.txt","to":"s.txt")"))
                      + call(7, "marovel_create_plan", plan(R"("kind":"move","from":"notes.md","to":"long/notes.md")"))),
              expected);
    EXPECT_EQ(McpFixture::snapshot(f.ws), before);
    EXPECT_TRUE(QDir(MarovelPaths::plans()).isEmpty());
    LongPaths::removeChain(f.outside);
}

// The folder authorised by the user is later replaced by a link: the registered path no
// longer names what the user chose.
TEST(McpAdversarial, ARootReplacedByALinkIsRefused)
{
    const McpFixture f;
    ASSERT_TRUE(QDir().rename(f.ws, f.ws + "-moved"));
    ASSERT_EQ(::symlink(QFile::encodeName(f.outside).constData(), QFile::encodeName(f.ws).constData()), 0);
    const QList<QByteArray> expected{
        errorLine(1, "The folder is not inside an authorised workspace"),
        McpTest::resultLine(2, R"({\"entries\":[],\"match\":\"filename\"})"),
        errorLine(3, "The workspace authorisation has expired or its path has changed; nothing was done"),
    };
    EXPECT_EQ(replies(call(1, "marovel_directory_context", R"({"path":")" + f.ws.toUtf8() + R"("})")
                      + call(2, "marovel_find_files", R"({"query":"MARKER","workspace_id":"ws"})")
                      + call(3, "marovel_create_plan",
                             R"({"workspace_id":"ws","operations":[{"id":"A5E1F2C4-1111-4222-8333-944445555666","kind":"mkdir","to":"evil"}]})")),
              expected);
    EXPECT_FALSE(QFileInfo::exists(f.outside + "/evil"));
}

TEST(McpAdversarial, NamesThatAreNotUtf8ComeBackWithReplacementCharacters)
{
    const McpFixture f;
    const QString folder = TestSupport::makeFolder("ws/odd");
    const QByteArray raw = QFile::encodeName(folder) + "/bad\xff\xfename.txt";
    const int fd = ::open(raw.constData(), O_CREAT | O_EXCL | O_WRONLY | O_CLOEXEC, 0644);
    ASSERT_GE(fd, 0);
    ::close(fd);
    // Qt cannot name this file to remove it with the test's folder: remove it here.
    const std::unique_ptr<const char, void (*)(const char *)> removal(raw.constData(),
                                                                      [](const char *p) { ::unlink(p); });

    const QByteArray shown = "bad\xef\xbf\xbd\xef\xbf\xbdname.txt"; // U+FFFD twice, as UTF-8
    const auto lines = replies(call(1, "marovel_directory_context", R"({"path":")" + folder.toUtf8() + R"("})")
                               + call(2, "marovel_find_files", R"({"query":"name.txt","workspace_id":"ws"})"));
    ASSERT_EQ(lines.size(), 2);
    for (const QByteArray &line : lines) {
        EXPECT_TRUE(line.contains(R"(\"name\":\")" + shown + R"(\")")) << line.toStdString();
        EXPECT_EQ(QString::fromUtf8(line).toUtf8(), line) << "reply is not valid UTF-8";
    }
}

TEST(McpAdversarial, HostileLinesNeverStopTheServer)
{
    const QByteArray ping2 = R"({"id":2,"method":"ping"})" "\n";
    const QByteArray pong2 = R"({"id":2,"jsonrpc":"2.0","result":{}})";
    const QByteArray tenMegabytes(10 * 1024 * 1024, 'a');
    const auto nested = [](int depth, const QByteArray &inner) {
        return QByteArray(depth, '[') + inner + QByteArray(depth, ']');
    };
    const struct
    {
        const char *what;
        QByteArray line;
        QList<QByteArray> expected; // the replies to the line, then the ping after it
    } cases[] = {
        {"10 MB line", R"({"id":1,"method":"ping","params":{"pad":")" + tenMegabytes + R"("}})" "\n",
         {R"({"id":1,"jsonrpc":"2.0","result":{}})", pong2}},
        {"10 MB reply", McpTest::call(1, tenMegabytes), {errorLine(1, "Unknown tool: " + tenMegabytes), pong2}},
        {"100000 nested arrays", nested(100000, "") + "\n", {pong2}},
        {"deep nesting inside a request", R"({"id":1,"method":"ping","params":)" + nested(100000, "1") + "}\n", {pong2}},
        {"deep nesting inside tool arguments",
         McpTest::call(1, "marovel_create_plan", R"({"workspace_id":"ws","operations":)" + nested(100000, "") + "}"),
         {pong2}},
        {"moderate nesting is answered", R"({"id":1,"method":"ping","params":)" + nested(500, "1") + "}\n",
         {R"({"id":1,"jsonrpc":"2.0","result":{}})", pong2}},
        {"a nested id comes back as sent", R"({"method":"ping","id":)" + nested(500, "7") + "}\n",
         {R"({"id":)" + nested(500, "7") + R"(,"jsonrpc":"2.0","result":{}})", pong2}},
        {"invalid UTF-8 in a string", "{\"id\":1,\"method\":\"ping\",\"x\":\"\xff\xfe\"}\n", {pong2}},
        {"invalid UTF-8 in the method", "{\"id\":1,\"method\":\"pi\xc3ng\"}\n", {pong2}},
        {"a NUL byte in a line", QByteArray("{\"id\":1,\"method\":\"ping\"}\0x\n", 27), {pong2}},
        {"a lone surrogate escape", R"({"id":"\ud800","method":"ping"})" "\n",
         {R"({"id":"\ud800","jsonrpc":"2.0","result":{}})", pong2}},
        {"escaped NUL and line breaks in an unknown tool's name",
         McpTest::call(1, R"(a\u0000b\nc\u2028)"),
         {errorLine(1, "Unknown tool: a\\u0000b\\nc\xe2\x80\xa8"), pong2}},
        {"binary noise", QByteArray("\x00\x01\x02\xff\xfe{{{{\"\n", 11), {pong2}},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.what);
        const auto lines = replies(c.line + ping2);
        EXPECT_EQ(lines.size(), c.expected.size());
        EXPECT_TRUE(lines == c.expected);
    }
}

TEST(McpAdversarial, TenThousandRequestsAnsweredInOrder)
{
    const McpFixture f;
    QByteArray input;
    QList<QByteArray> expected;
    for (int i = 0; i < 10000; ++i) {
        switch (i % 4) {
        case 0:
            input += R"({"id":)" + QByteArray::number(i) + R"(,"method":"ping"})" "\n";
            expected << R"({"id":)" + QByteArray::number(i) + R"(,"jsonrpc":"2.0","result":{}})";
            break;
        case 1:
            input += R"({"method":"notifications/progress"})" "\n"; // silent
            input += R"({"id":")" + QByteArray::number(i) + R"(","method":"x"})" "\r\n";
            expected << R"({"error":{"code":-32000,"message":"Unsupported method: x"},"id":")"
                            + QByteArray::number(i) + R"(","jsonrpc":"2.0"})";
            break;
        case 2:
            input += call(i, "marovel_file_info", R"({"path":")" + f.ws.toUtf8() + R"(/notes.md"})");
            expected << McpTest::resultLine(i, R"({\"entry\":{\"kind\":\"file\",\"modifiedAt\":\"2026-06-26T08:30:00Z\",\"name\":\"notes.md\",\"path\":\")"
                                                   + McpTest::inText(f.ws + "/notes.md") + R"(\",\"size\":8}})");
            break;
        default:
            input += call(i, "marovel_find_files", R"({"query":"report"})");
            expected << errorLine(i, "Missing parameter: workspace_id");
        }
    }
    const auto lines = replies(input);
    ASSERT_EQ(lines.size(), expected.size());
    for (int i = 0; i < lines.size(); ++i)
        ASSERT_EQ(lines[i], expected[i]) << "reply " << i;
}

} // namespace
