#include "McpTestSupport.h"

#include <QProcess>

#include <gtest/gtest.h>

namespace McpTest {

QList<QByteArray> Run::lines() const
{
    if (out.isEmpty())
        return {};
    EXPECT_TRUE(out.endsWith('\n')) << "unterminated last reply";
    QList<QByteArray> list = out.split('\n');
    list.removeLast();
    return list;
}

QProcessEnvironment environment()
{
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(QStringLiteral("LC_ALL"), QStringLiteral("C.UTF-8"));
    env.insert(QStringLiteral("LANG"), QStringLiteral("C.UTF-8"));
    env.insert(QStringLiteral("LANGUAGE"), QStringLiteral("en"));
    return env;
}

Run run(const QByteArray &input, const QProcessEnvironment &env, const QString &workingDirectory)
{
    QProcess process;
    process.setProcessEnvironment(env);
    if (!workingDirectory.isEmpty())
        process.setWorkingDirectory(workingDirectory);
    process.start(QStringLiteral(MAROVEL_MCP_SERVER), QStringList());
    Run result;
    if (!process.waitForStarted(10000)) {
        ADD_FAILURE() << "marovel-mcp did not start";
        return result;
    }
    process.write(input);
    process.closeWriteChannel();
    if (!process.waitForFinished(120000)) {
        ADD_FAILURE() << "marovel-mcp did not finish";
        process.kill();
        process.waitForFinished();
    }
    result.out = process.readAllStandardOutput();
    result.err = process.readAllStandardError();
    result.exitCode = process.exitCode();
    result.exitedNormally = process.exitStatus() == QProcess::NormalExit;
    return result;
}

QList<QByteArray> replies(const QByteArray &input, const QProcessEnvironment &env,
                          const QString &workingDirectory)
{
    const Run result = run(input, env, workingDirectory);
    EXPECT_TRUE(result.exitedNormally) << "marovel-mcp crashed";
    EXPECT_EQ(result.exitCode, 0);
    EXPECT_EQ(result.err, QByteArray()) << "marovel-mcp wrote to stderr";
    return result.lines();
}

QByteArray call(int id, const QByteArray &tool, const QByteArray &arguments)
{
    return R"({"jsonrpc":"2.0","id":)" + QByteArray::number(id)
           + R"(,"method":"tools/call","params":{"name":")" + tool + R"(","arguments":)"
           + arguments + "}}\n";
}

QByteArray resultLine(int id, const QByteArray &payloadText)
{
    return R"({"id":)" + QByteArray::number(id) + R"(,"jsonrpc":"2.0","result":{"content":[{"text":")"
           + payloadText + R"(","type":"text"}]}})";
}

QByteArray errorLine(int id, const QByteArray &messageText)
{
    return R"({"error":{"code":-32000,"message":")" + messageText + R"("},"id":)"
           + QByteArray::number(id) + R"(,"jsonrpc":"2.0"})";
}

QByteArray inText(const QString &path)
{
    return path.toUtf8().replace("/", R"(\\\/)");
}

QByteArray inMessage(const QString &path)
{
    return path.toUtf8().replace("/", R"(\/)");
}

} // namespace McpTest
