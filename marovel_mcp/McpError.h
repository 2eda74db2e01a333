#pragma once

#include "CoreError.h"

#include <QJsonObject>
#include <QString>

// An error of the server itself. Its text is English whatever the interface language:
// it names a protocol-level problem, not something of the user's files.
class McpError : public MarovelError
{
public:
    enum Code { MissingParameter = 1, PathDoesNotExist = 2, UnknownTool = 3 };

    McpError(Code code, QString message) : m_code(code), m_message(std::move(message)) {}
    Code code() const { return m_code; }
    QString description() const override { return m_message; }

private:
    Code m_code;
    QString m_message;
};

// The value of `key` when it is a non-empty string; throws McpError::MissingParameter
// otherwise (absent, another JSON type, or "").
QString need(const QJsonObject &object, const QString &key);
