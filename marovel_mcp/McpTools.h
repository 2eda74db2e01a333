#pragma once

#include <QJsonArray>
#include <QJsonObject>
#include <QString>

// The six tools offered to AI clients: what "tools/list" describes and what "tools/call"
// runs. Every tool is a thin, read-only handler over the core library; only
// marovel_create_plan writes, and only the plan's own file in the data folder.
class McpTools
{
public:
    McpTools(); // builds the table once; it never changes afterwards

    const QJsonArray &table() const { return m_table; }

    // The "result" of a successful call. Throws McpError or a core-library error.
    QJsonObject invoke(const QString &name, const QJsonObject &arguments) const;

    // {"content":[{"type":"text","text":<payload as compact, key-sorted JSON>}]}
    static QJsonObject output(const QJsonObject &payload);

private:
    QJsonArray m_table;
};
