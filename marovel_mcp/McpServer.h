#pragma once

#include "McpTools.h"

#include <QByteArray>
#include <QJsonObject>
#include <QJsonValue>
#include <QString>

#include <optional>

// The JSON-RPC side of marovel-mcp: one request per line in, at most one reply line out.
// Requests are handled one after another; the tool table is the only state.
class McpServer
{
public:
    // Reads lines from `input` until it ends and writes the replies to `output`. Returns the
    // process's exit status: 0 at end of input or when the client closed our output.
    int run(int input, int output) const;

    // The reply to one line, terminated by "\n", or nothing for notifications and for lines
    // that are not a request object.
    std::optional<QByteArray> handle(const QByteArray &line) const;

private:
    // `id` is the request id's JSON text.
    static QByteArray resultLine(const QByteArray &id, const QJsonObject &result);
    static QByteArray errorLine(const QByteArray &id, const QString &message);
    // The result of a known method; nothing for a method the server does not offer.
    std::optional<QJsonObject> respond(const QString &method, const QJsonObject &request) const;

    McpTools m_tools;
};
