#include "McpError.h"

QString need(const QJsonObject &object, const QString &key)
{
    const QJsonValue value = object.value(key);
    if (!value.isString() || value.toString().isEmpty())
        throw McpError(McpError::MissingParameter, QStringLiteral("Missing parameter: ") + key);
    return value.toString();
}
