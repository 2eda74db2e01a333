// The JSON-RPC loop of marovel-mcp, checked byte for byte on the built executable.
#include "McpTestSupport.h"
#include "StdioChannel.h"

#include <QTemporaryFile>

#include <gtest/gtest.h>

#include <csignal>
#include <thread>
#include <fcntl.h>
#include <sys/wait.h>
#include <unistd.h>

using McpTest::replies;

namespace {

struct Case
{
    const char *what;
    QByteArray input;
    QList<QByteArray> expected;
};

const QByteArray initializeResult =
    R"("result":{"capabilities":{"tools":{}},"protocolVersion":"2024-11-05","serverInfo":{"name":"Marovel","version":"0.6.0"}}})";

TEST(McpProtocol, RepliesAndSilences)
{
    const QList<Case> cases{
        {"ping with an integer id", R"({"jsonrpc":"2.0","id":1,"method":"ping"})" "\n",
         {R"({"id":1,"jsonrpc":"2.0","result":{}})"}},
        {"ping with id 0", R"({"id":0,"method":"ping"})" "\n", {R"({"id":0,"jsonrpc":"2.0","result":{}})"}},
        {"ping with a string id", R"({"id":"a/b","method":"ping"})" "\n",
         {R"({"id":"a/b","jsonrpc":"2.0","result":{}})"}},
        {"ping with a null id", R"({"id":null,"method":"ping"})" "\n",
         {R"({"id":null,"jsonrpc":"2.0","result":{}})"}},
        {"ping with an object id", R"({"method":"ping","id":{"z":[1,"x"],"a":true}})" "\n",
         {R"({"id":{"z":[1,"x"],"a":true},"jsonrpc":"2.0","result":{}})"}},
        {"negative, large and fractional ids keep their values",
         R"({"id":-7,"method":"ping"})" "\n" R"({"id":9007199254740993,"method":"ping"})" "\n"
         R"({"id":1.5,"method":"ping"})" "\n",
         {R"({"id":-7,"jsonrpc":"2.0","result":{}})",
          R"({"id":9007199254740993,"jsonrpc":"2.0","result":{}})",
          R"({"id":1.5,"jsonrpc":"2.0","result":{}})"}},
        {"initialize, parameters unread, may come again",
         R"({"id":1,"method":"initialize","params":{"protocolVersion":"1999-01-01"}})" "\n"
         R"({"id":2,"method":"initialize"})" "\n",
         {R"({"id":1,"jsonrpc":"2.0",)" + initializeResult,
          R"({"id":2,"jsonrpc":"2.0",)" + initializeResult}},
        {"jsonrpc member neither required nor compared",
         R"({"jsonrpc":"1.0","id":3,"method":"ping"})" "\n", {R"({"id":3,"jsonrpc":"2.0","result":{}})"}},
        {"notifications and lines that are not requests stay silent",
         R"({"jsonrpc":"2.0","method":"notifications/initialized"})" "\n"
         R"({"method":"tools/call","params":{"name":"marovel_list_workspaces"}})" "\n"
         R"({"id":1})" "\n" R"({"id":1,"method":5})" "\n" "42\n" "\"ping\"\n" "[1,2]\n"
         R"([{"id":1,"method":"ping"}])" "\n" "\n" "   \n" "not json\n" R"({"id":1,"method":"ping"} x)" "\n"
         R"({"id":1,"method":"ping")" "\n",
         {}},
        {"CRLF line ends", R"({"id":1,"method":"ping"})" "\r\n" R"({"id":2,"method":"ping"})" "\r\n",
         {R"({"id":1,"jsonrpc":"2.0","result":{}})", R"({"id":2,"jsonrpc":"2.0","result":{}})"}},
        {"last line without a terminator", R"({"id":1,"method":"ping"})" "\n" R"({"id":2,"method":"ping"})",
         {R"({"id":1,"jsonrpc":"2.0","result":{}})", R"({"id":2,"jsonrpc":"2.0","result":{}})"}},
        {"unknown method", R"({"id":7,"method":"resources/list"})" "\n",
         {R"({"error":{"code":-32000,"message":"Unsupported method: resources\/list"},"id":7,"jsonrpc":"2.0"})"}},
        {"methods are case-sensitive", R"({"id":8,"method":"Initialize"})" "\n",
         {R"({"error":{"code":-32000,"message":"Unsupported method: Initialize"},"id":8,"jsonrpc":"2.0"})"}},
        {"tools/call without params, with array params, with an empty or non-string name",
         R"({"id":1,"method":"tools/call"})" "\n" R"({"id":2,"method":"tools/call","params":["x"]})" "\n"
         R"({"id":3,"method":"tools/call","params":{"name":""}})" "\n"
         R"({"id":4,"method":"tools/call","params":{"name":7}})" "\n",
         {McpTest::errorLine(1, "Missing parameter: name"), McpTest::errorLine(2, "Missing parameter: name"),
          McpTest::errorLine(3, "Missing parameter: name"), McpTest::errorLine(4, "Missing parameter: name")}},
        {"unknown tool names, letter case included",
         McpTest::call(1, "marovel_delete_everything") + McpTest::call(2, "MAROVEL_LIST_WORKSPACES"),
         {McpTest::errorLine(1, "Unknown tool: marovel_delete_everything"),
          McpTest::errorLine(2, "Unknown tool: MAROVEL_LIST_WORKSPACES")}},
        {"a failing request leaves the next one alone",
         R"({"id":1,"method":"nope"})" "\n" R"({"id":2,"method":"ping"})" "\n",
         {R"({"error":{"code":-32000,"message":"Unsupported method: nope"},"id":1,"jsonrpc":"2.0"})",
          R"({"id":2,"jsonrpc":"2.0","result":{}})"}},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.what);
        EXPECT_EQ(replies(c.input), c.expected);
    }
}

// Whatever the id's text, the reply carries that text (white space between tokens aside),
// also where no number type could hold the value; the request is answered either way.
TEST(McpProtocol, IdsComeBackAsTheClientWroteThem)
{
    const struct
    {
        const char *what;
        QByteArray idText;
        QByteArray echoed;
    } cases[] = {
        {"a whole number written as a fraction", "1.0", "1.0"},
        {"an exponent", "1E2", "1E2"},
        {"negative zero", "-0", "-0"},
        {"beyond 2^53", "9007199254740993", "9007199254740993"},
        {"beyond 64 bits", "18446744073709551617", "18446744073709551617"},
        {"beyond every integer type", "123456789012345678901234567890", "123456789012345678901234567890"},
        {"beyond a double's range", "1e400", "1e400"},
        {"a fraction with many digits", "0.1000000000000000055511151231257827", "0.1000000000000000055511151231257827"},
        {"a lone surrogate", R"("\ud800")", R"("\ud800")"},
        {"an escaped NUL", R"("a\u0000b")", R"("a\u0000b")"},
        {"escapes kept as written", R"("\u00e9\/x\"y")", R"("\u00e9\/x\"y")"},
        {"text outside ASCII", "\"\xe9\x98\xbf\"", "\"\xe9\x98\xbf\""},
        {"white space between tokens goes, inside strings stays", R"([ 1 , "a b" ,{ "k" : null } ])",
         R"([1,"a b",{"k":null}])"},
    };
    QByteArray input;
    QList<QByteArray> expected;
    for (const auto &c : cases) {
        input += R"({"jsonrpc":"2.0","id":)" + c.idText + R"(,"method":"ping"})" "\n";
        expected << R"({"id":)" + c.echoed + R"(,"jsonrpc":"2.0","result":{}})";
    }
    // A key written with escapes is still "id"; of two ids the last counts, as for every key.
    input += R"({"\u0069d":5,"method":"ping"})" "\n" R"({"id":1,"method":"ping","id":"two"})" "\n";
    expected << R"({"id":5,"jsonrpc":"2.0","result":{}})" << R"({"id":"two","jsonrpc":"2.0","result":{}})";
    // An error reply carries the id the same way.
    input += R"({"id":1.50,"method":"nope"})" "\n";
    expected << R"({"error":{"code":-32000,"message":"Unsupported method: nope"},"id":1.50,"jsonrpc":"2.0"})";
    EXPECT_EQ(replies(input), expected);
}

TEST(McpProtocol, ToolTableAsListed)
{
    const auto lines = replies(R"({"id":1,"method":"tools/list"})" "\n");
    ASSERT_EQ(lines.size(), 1);
    const QByteArray expected =
        R"({"id":1,"jsonrpc":"2.0","result":{"tools":[)"
        R"({"annotations":{"readOnlyHint":true},"description":"List Marovel workspaces explicitly authorized by the user. All later calls must stay inside these roots.","inputSchema":{"properties":{},"type":"object"},"name":"marovel_list_workspaces"},)"
        R"({"annotations":{"readOnlyHint":true},"description":"Read direct children and metadata of an authorized directory. Does not read file contents.","inputSchema":{"properties":{"path":{"type":"string"}},"required":["path"],"type":"object"},"name":"marovel_directory_context"},)"
        R"({"annotations":{"readOnlyHint":true},"description":"Find files by name inside one authorized workspace. Does not search content.","inputSchema":{"properties":{"query":{"type":"string"},"workspace_id":{"type":"string"}},"required":["query","workspace_id"],"type":"object"},"name":"marovel_find_files"},)"
        R"({"annotations":{"readOnlyHint":true},"description":"Read metadata for one authorized path. Does not read file content.","inputSchema":{"properties":{"path":{"type":"string"}},"required":["path"],"type":"object"},"name":"marovel_file_info"},)"
        R"({"annotations":{"destructiveHint":false,"readOnlyHint":false},"description":"Create a move, rename, or mkdir plan. It does not modify files; show the plan to the user before execution.","inputSchema":{"properties":{"operations":{"type":"array"},"workspace_id":{"type":"string"}},"required":["workspace_id","operations"],"type":"object"},"name":"marovel_create_plan"},)"
        R"({"annotations":{"readOnlyHint":true},"description":"Read Marovel transaction history to explain prior file changes and reversals.","inputSchema":{"properties":{},"type":"object"},"name":"marovel_transaction_history"})"
        R"(]}})";
    EXPECT_EQ(lines[0], expected);
}

TEST(McpProtocol, EmptyInputEndsAtOnceWithStatusZero)
{
    const McpTest::Run run = McpTest::run(QByteArray());
    EXPECT_TRUE(run.exitedNormally);
    EXPECT_EQ(run.exitCode, 0);
    EXPECT_TRUE(run.out.isEmpty());
    EXPECT_TRUE(run.err.isEmpty());
}

// Starts the server on raw pipes, for what QProcess cannot arrange: a reader that is gone,
// or a non-blocking output pipe. The input is written from a thread of its own, so the
// test can read replies while the server still reads requests.
class RawChild
{
public:
    explicit RawChild(bool nonBlockingOutput)
    {
        int i[2], o[2], e[2];
        if (::pipe2(i, O_CLOEXEC) || ::pipe2(o, O_CLOEXEC) || ::pipe2(e, O_CLOEXEC))
            return;
        if (nonBlockingOutput)
            ::fcntl(o[1], F_SETFL, ::fcntl(o[1], F_GETFL) | O_NONBLOCK);
        m_pid = ::fork();
        if (m_pid == 0) {
            // Start as a client would, with SIGPIPE at its default (the test ignores it).
            std::signal(SIGPIPE, SIG_DFL);
            ::dup2(i[0], 0);
            ::dup2(o[1], 1);
            ::dup2(e[1], 2);
            ::execl(MAROVEL_MCP_SERVER, MAROVEL_MCP_SERVER, static_cast<char *>(nullptr));
            ::_exit(127);
        }
        ::close(i[0]);
        ::close(o[1]);
        ::close(e[1]);
        m_in = i[1];
        m_out = o[0];
        m_err = e[0];
    }

    bool started() const { return m_pid > 0; }
    int output() const { return m_out; }
    void closeOutput() { ::close(m_out); }

    void feed(const QByteArray &input)
    {
        m_feeder = std::thread([this, input] {
            writeFully(m_in, input); // fails with EPIPE once the server is gone: fine
            ::close(m_in);
        });
    }

    static QByteArray drain(int fd)
    {
        QByteArray all;
        char buffer[65536];
        for (;;) {
            const ssize_t n = ::read(fd, buffer, sizeof buffer);
            if (n < 0 && errno == EINTR)
                continue;
            if (n <= 0)
                return all;
            all.append(buffer, n);
        }
    }

    // Waits for the end; the stderr text and the wait status.
    std::pair<QByteArray, int> finish()
    {
        const QByteArray err = drain(m_err);
        ::close(m_err);
        int status = 0;
        ::waitpid(m_pid, &status, 0);
        if (m_feeder.joinable())
            m_feeder.join();
        return {err, status};
    }

private:
    pid_t m_pid = -1;
    int m_in = -1;
    int m_out = -1;
    int m_err = -1;
    std::thread m_feeder;
};

QByteArray pings(int count)
{
    QByteArray input;
    for (int i = 0; i < count; ++i)
        input += R"({"id":)" + QByteArray::number(i) + R"(,"method":"ping"})" "\n";
    return input;
}

TEST(McpProtocol, ClosedOutputEndsTheServerQuietly)
{
    const auto previous = std::signal(SIGPIPE, SIG_IGN);
    RawChild child(false);
    ASSERT_TRUE(child.started());
    child.closeOutput(); // nobody will read the replies
    child.feed(pings(5000));
    const auto [err, status] = child.finish();
    std::signal(SIGPIPE, previous);
    ASSERT_TRUE(WIFEXITED(status)) << "killed by signal " << WTERMSIG(status);
    EXPECT_EQ(WEXITSTATUS(status), 0);
    EXPECT_EQ(err, QByteArray());
}

TEST(McpProtocol, FullNonBlockingOutputIsWaitedForNotCut)
{
    // A 3 MB reply cannot fit a pipe; the server must wait for the reader, not give up.
    const QByteArray name(3 * 1024 * 1024, 'n');
    QByteArray input = pings(300) + McpTest::call(300, name) + pings(3);
    RawChild child(true);
    ASSERT_TRUE(child.started());
    child.feed(input);
    ::usleep(300 * 1000); // let the pipe fill up first
    const QByteArray out = RawChild::drain(child.output());
    const auto [err, status] = child.finish();
    ASSERT_TRUE(WIFEXITED(status));
    EXPECT_EQ(WEXITSTATUS(status), 0);
    EXPECT_EQ(err, QByteArray());

    QByteArray expected;
    for (int i = 0; i < 300; ++i)
        expected += R"({"id":)" + QByteArray::number(i) + R"(,"jsonrpc":"2.0","result":{}})" "\n";
    expected += McpTest::errorLine(300, "Unknown tool: " + name) + "\n";
    for (int i = 0; i < 3; ++i)
        expected += R"({"id":)" + QByteArray::number(i) + R"(,"jsonrpc":"2.0","result":{}})" "\n";
    EXPECT_EQ(out.size(), expected.size());
    EXPECT_TRUE(out == expected);
}

// The reader on its own, over a regular file so that any amount of data can be given.
QList<QByteArray> readLines(const QByteArray &data, qsizetype maxLength)
{
    QTemporaryFile file;
    if (!file.open() || file.write(data) != data.size() || !file.flush())
        return {"<temporary file failed>"};
    const int fd = ::open(QFile::encodeName(file.fileName()).constData(), O_RDONLY | O_CLOEXEC);
    LineReader reader(fd, maxLength);
    QList<QByteArray> lines;
    while (const auto line = reader.next())
        lines.append(*line);
    ::close(fd);
    return lines;
}

TEST(McpLineReader, SplitsLinesAndDropsOverlongOnes)
{
    const QByteArray big(200 * 1024, 'b'); // spans several reads
    const struct
    {
        const char *what;
        QByteArray data;
        qsizetype maxLength;
        QList<QByteArray> expected;
    } cases[] = {
        {"nothing", "", 100, {}},
        {"LF and CRLF", "a\nb\r\nc\n", 100, {"a", "b", "c"}},
        {"last line unterminated", "a\nb", 100, {"a", "b"}},
        {"empty lines are lines", "\n\r\n\n", 100, {"", "", ""}},
        {"only one CR is a terminator", "a\r\r\n", 100, {"a\r"}},
        {"a CR inside a line stays", "a\rb\n", 100, {"a\rb"}},
        {"long line across reads", "x\n" + big + "\ny", 1024 * 1024, {"x", big, "y"}},
        {"overlong line dropped, next kept", "ok\n" + big + "\nnext\n", 1000, {"ok", "", "next"}},
        {"overlong last line dropped", "ok\n" + big, 1000, {"ok", ""}},
        {"line at the limit kept", "12345\n123456\n", 5, {"12345", ""}},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.what);
        EXPECT_EQ(readLines(c.data, c.maxLength), c.expected);
    }
}

} // namespace
