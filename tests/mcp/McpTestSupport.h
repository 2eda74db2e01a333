#pragma once

#include <QByteArray>
#include <QList>
#include <QProcessEnvironment>
#include <QString>

// Runs the built marovel-mcp as a child process, the way an MCP client does.
namespace McpTest {

struct Run
{
    QByteArray out; // everything the server wrote to stdout
    QByteArray err;
    int exitCode = -1;
    bool exitedNormally = false;

    QList<QByteArray> lines() const; // stdout split at "\n"; the last line must be terminated
};

// The current test's environment (HOME, XDG_*, MAROVEL_HOME of TestMain) in English.
QProcessEnvironment environment();

// Writes `input` to the server's stdin, closes it and waits for the server to exit.
Run run(const QByteArray &input, const QProcessEnvironment &env = environment(),
        const QString &workingDirectory = QString());

// The lines of a run; fails the test when the server did not exit quietly with status 0.
QList<QByteArray> replies(const QByteArray &input, const QProcessEnvironment &env = environment(),
                          const QString &workingDirectory = QString());

// A "tools/call" request line (with "\n") with the given id and JSON text of the arguments.
QByteArray call(int id, const QByteArray &tool, const QByteArray &arguments = "{}");

// The reply lines a tool call gets, as written byte for byte.
QByteArray resultLine(int id, const QByteArray &payloadText);
QByteArray errorLine(int id, const QByteArray &messageText);

// `path` as it appears inside a tool result's "text": every "/" written as "\\\/".
QByteArray inText(const QString &path);
// `path` as it appears in an error message: every "/" written as "\/".
QByteArray inMessage(const QString &path);

} // namespace McpTest
