#include "McpServer.h"

#include "JsonCoding.h"
#include "McpError.h"
#include "StdioChannel.h"

#include <QJsonDocument>
#include <QJsonParseError>

#include <cerrno>

namespace {

const QString protocolVersion = QStringLiteral("2024-11-05");
const QString serverName = QStringLiteral("Marovel");
const QString serverVersion = QStringLiteral("0.6.0");
constexpr int errorCode = -32000;
const QString unencodable = QStringLiteral("The reply could not be encoded");

// Compact, key-sorted text of the envelope plus "\n"; nothing when the text would not be
// one line of valid UTF-8 (it always is when written by JsonCoding, but a reply the client
// cannot read must never go out).
std::optional<QByteArray> encode(const QJsonObject &envelope)
{
    try {
        QByteArray text = JsonCoding::compact(envelope);
        if (text.contains('\n') || QString::fromUtf8(text).toUtf8() != text)
            return std::nullopt;
        text += '\n';
        return text;
    } catch (const std::exception &) {
        return std::nullopt; // out of memory for a huge reply
    }
}

QJsonObject envelope(const QJsonValue &id, const QString &member, const QJsonObject &value)
{
    return {{"jsonrpc", "2.0"}, {"id", id}, {member, value}};
}

} // namespace

int McpServer::run(int input, int output) const
{
    LineReader reader(input);
    while (const auto line = reader.next()) {
        const auto reply = handle(*line);
        if (!reply)
            continue;
        if (const int error = writeFully(output, *reply))
            return error == EPIPE ? 0 : 1; // nobody reads our replies any more
    }
    return 0;
}

std::optional<QByteArray> McpServer::handle(const QByteArray &line) const
{
    QJsonParseError parseError;
    // Qt refuses documents nested deeper than its limit, so nothing here recurses unbounded.
    const QJsonDocument document = QJsonDocument::fromJson(line, &parseError);
    if (parseError.error != QJsonParseError::NoError || !document.isObject())
        return std::nullopt;
    const QJsonObject request = document.object();
    const QJsonValue method = request.value(QStringLiteral("method"));
    if (!method.isString() || !request.contains(QStringLiteral("id")))
        return std::nullopt; // not a request, or a notification: never answered
    const QJsonValue id = request.value(QStringLiteral("id"));
    try {
        if (const auto result = respond(method.toString(), request))
            return resultLine(id, *result);
        return errorLine(id, QStringLiteral("Unsupported method: ") + method.toString());
    } catch (const MarovelError &error) {
        return errorLine(id, error.description());
    } catch (const std::exception &error) {
        // Anything else that goes wrong in one request stays inside that request.
        return errorLine(id, QString::fromLocal8Bit(error.what()));
    }
}

std::optional<QJsonObject> McpServer::respond(const QString &method,
                                              const QJsonObject &request) const
{
    if (method == u"initialize") {
        return QJsonObject{
            {"protocolVersion", protocolVersion},
            {"capabilities", QJsonObject{{"tools", QJsonObject()}}},
            {"serverInfo", QJsonObject{{"name", serverName}, {"version", serverVersion}}}};
    }
    if (method == u"tools/list")
        return QJsonObject{{"tools", m_tools.table()}};
    if (method == u"tools/call") {
        const QJsonObject params = request.value(QStringLiteral("params")).toObject();
        const QString name = need(params, QStringLiteral("name"));
        return m_tools.invoke(name, params.value(QStringLiteral("arguments")).toObject());
    }
    if (method == u"ping")
        return QJsonObject();
    return std::nullopt;
}

QByteArray McpServer::resultLine(const QJsonValue &id, const QJsonObject &result)
{
    if (const auto text = encode(envelope(id, QStringLiteral("result"), result)))
        return *text;
    return errorLine(id, unencodable);
}

QByteArray McpServer::errorLine(const QJsonValue &id, const QString &message)
{
    const QJsonObject error{{"code", errorCode}, {"message", message}};
    if (const auto text = encode(envelope(id, QStringLiteral("error"), error)))
        return *text;
    if (message != unencodable)
        return errorLine(id, unencodable);
    // Not even the id could be written: the client still gets an answer in its turn.
    return QByteArrayLiteral(R"({"error":{"code":-32000,"message":"The reply could not be )"
                             R"(encoded"},"id":null,"jsonrpc":"2.0"})"
                             "\n");
}
