#include "McpServer.h"

#include "JsonCoding.h"
#include "JsonScan.h"
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

// The reply line: the envelope's members in key order, compact, with the id in the text
// the client wrote; nothing when the text would not be one line of valid UTF-8 (a reply
// the client cannot read must never go out).
std::optional<QByteArray> encode(const QByteArray &idText, const QString &member,
                                 const QJsonObject &value)
{
    try {
        const QByteArray valueText = JsonCoding::compact(value);
        QByteArray text = member == u"error"
                              ? "{\"error\":" + valueText + ",\"id\":" + idText + ",\"jsonrpc\":\"2.0\"}"
                              : "{\"id\":" + idText + ",\"jsonrpc\":\"2.0\",\"result\":" + valueText + "}";
        if (text.contains('\n') || QString::fromUtf8(text).toUtf8() != text)
            return std::nullopt;
        text += '\n';
        return text;
    } catch (const std::exception &) {
        return std::nullopt; // out of memory for a huge reply
    }
}

bool isUtf8(const QByteArray &text)
{
    return QString::fromUtf8(text).toUtf8() == text;
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
    // The id goes back in exactly the text the client wrote (integers beyond 2^53, 1.0,
    // any string), so it is taken from the line itself. The rest is parsed with the id
    // replaced by null, so a request whose id no parser could hold (1e400) is still
    // answered.
    const auto idSpan = JsonScan::memberSpan(line, QLatin1StringView("id"));
    QByteArray parsed = line;
    if (idSpan)
        parsed.replace(idSpan->start, idSpan->length, "null");
    QJsonParseError parseError;
    // Qt refuses documents nested deeper than its limit, so nothing here recurses unbounded.
    const QJsonDocument document = QJsonDocument::fromJson(parsed, &parseError);
    if (parseError.error != QJsonParseError::NoError || !document.isObject())
        return std::nullopt;
    const QJsonObject request = document.object();
    const QJsonValue method = request.value(QStringLiteral("method"));
    if (!method.isString() || !request.contains(QStringLiteral("id")))
        return std::nullopt; // not a request, or a notification: never answered
    QByteArray id = idSpan ? JsonScan::withoutSpace(line.mid(idSpan->start, idSpan->length))
                           : JsonCoding::compact(request.value(QStringLiteral("id")));
    if (!isUtf8(id))
        id = "null"; // no reply may carry bytes that are not UTF-8; the client still hears back
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

QByteArray McpServer::resultLine(const QByteArray &id, const QJsonObject &result)
{
    if (const auto text = encode(id, QStringLiteral("result"), result))
        return *text;
    return errorLine(id, unencodable);
}

QByteArray McpServer::errorLine(const QByteArray &id, const QString &message)
{
    const QJsonObject error{{"code", errorCode}, {"message", message}};
    if (const auto text = encode(id, QStringLiteral("error"), error))
        return *text;
    if (message != unencodable)
        return errorLine(id, unencodable);
    // Not even the id could be written: the client still gets an answer in its turn.
    return QByteArrayLiteral(R"({"error":{"code":-32000,"message":"The reply could not be )"
                             R"(encoded"},"id":null,"jsonrpc":"2.0"})"
                             "\n");
}
