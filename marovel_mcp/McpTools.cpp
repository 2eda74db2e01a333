#include "McpTools.h"

#include "JsonCoding.h"
#include "MarovelCore.h"
#include "McpError.h"
#include "Workspace.h"

#include <QDir>

namespace {

using Handler = QJsonObject (*)(const QJsonObject &arguments);

// A path argument as an absolute path: relative paths are taken from the server's current
// folder, and trailing slashes go, as for a file URL made from the text.
QString absolutePath(const QString &argument)
{
    QString path = QDir::current().absoluteFilePath(argument);
    while (path.size() > 1 && path.endsWith(u'/'))
        path.chop(1);
    return path;
}

// The path the tools work on: absolute and with "." and ".." removed, so what is
// authorised is exactly what is then read (the kernel would otherwise resolve "link/.."
// through the link's target). A NUL cannot be part of a name and would cut the path short
// at the system call, so such a path names nothing.
QString checkedPath(const QString &argument)
{
    const QString path = absolutePath(argument);
    if (path.contains(QChar(u'\0')))
        throw McpError(McpError::PathDoesNotExist, QStringLiteral("Path does not exist: ") + path);
    return standardizedPath(path);
}

template<typename T>
QJsonArray jsonArray(const QList<T> &items)
{
    QJsonArray array;
    for (const T &item : items)
        array.append(item.toJson());
    return array;
}

QJsonObject listWorkspaces(const QJsonObject &)
{
    return {{"workspaces", jsonArray(WorkspaceRegistry::shared().list())}};
}

QJsonObject directoryContext(const QJsonObject &arguments)
{
    const QString folder = checkedPath(need(arguments, QStringLiteral("path")));
    return {{"entries", jsonArray(MarovelCore::context(folder))}};
}

QJsonObject findFiles(const QJsonObject &arguments)
{
    const QString query = need(arguments, QStringLiteral("query"));
    const QString workspaceID = need(arguments, QStringLiteral("workspace_id"));
    return {{"match", "filename"},
            {"entries", jsonArray(MarovelCore::find(query, workspaceID, 50))}};
}

QJsonObject fileInfo(const QJsonObject &arguments)
{
    const QString argument = need(arguments, QStringLiteral("path"));
    const QString path = checkedPath(argument);
    // The folder is authorised before the item is looked for, so nothing is told about
    // paths outside every workspace, not even whether they exist. The item is read from
    // the authorised folder's descriptor, a final link described and never followed.
    const auto entry = MarovelCore::entryInside(path);
    if (!entry)
        throw McpError(McpError::PathDoesNotExist,
                       QStringLiteral("Path does not exist: ") + absolutePath(argument));
    return {{"entry", entry->toJson()}};
}

QJsonObject createPlan(const QJsonObject &arguments)
{
    const QString workspaceID = need(arguments, QStringLiteral("workspace_id"));
    // Taken as sent, whatever its type: the request decoder reports anything but an array.
    const QJsonValue operations = arguments.contains(QStringLiteral("operations"))
                                      ? arguments.value(QStringLiteral("operations"))
                                      : QJsonValue(QJsonArray());
    const QJsonObject request{
        {"schemaVersion", 1}, {"workspaceID", workspaceID}, {"operations", operations}};
    const Plan plan = MarovelCore::plan(PlanRequest::fromJson(request));
    return {{"plan", plan.toJson()},
            {"next", "Plan created only. It did not modify files. Show it to the user before "
                     "execution."}};
}

QJsonObject transactionHistory(const QJsonObject &)
{
    return {{"transactions", jsonArray(MarovelCore::history())}};
}

struct Tool
{
    const char *name;
    const char *description;
    QJsonObject properties;
    QStringList required; // empty: no "required" member
    QJsonObject annotations;
    Handler handler;
};

QJsonObject stringType()
{
    return {{"type", "string"}};
}

const QList<Tool> &tools()
{
    static const QList<Tool> list{
        {"marovel_list_workspaces",
         "List Marovel workspaces explicitly authorized by the user. All later calls must stay "
         "inside these roots.",
         {}, {}, {{"readOnlyHint", true}}, listWorkspaces},
        {"marovel_directory_context",
         "Read direct children and metadata of an authorized directory. Does not read file "
         "contents.",
         {{"path", stringType()}}, {"path"}, {{"readOnlyHint", true}}, directoryContext},
        {"marovel_find_files",
         "Find files by name inside one authorized workspace. Does not search content.",
         {{"query", stringType()}, {"workspace_id", stringType()}}, {"query", "workspace_id"},
         {{"readOnlyHint", true}}, findFiles},
        {"marovel_file_info", "Read metadata for one authorized path. Does not read file content.",
         {{"path", stringType()}}, {"path"}, {{"readOnlyHint", true}}, fileInfo},
        {"marovel_create_plan",
         "Create a move, rename, or mkdir plan. It does not modify files; show the plan to the "
         "user before execution.",
         {{"workspace_id", stringType()}, {"operations", QJsonObject{{"type", "array"}}}},
         {"workspace_id", "operations"},
         {{"readOnlyHint", false}, {"destructiveHint", false}}, createPlan},
        {"marovel_transaction_history",
         "Read Marovel transaction history to explain prior file changes and reversals.", {}, {},
         {{"readOnlyHint", true}}, transactionHistory},
    };
    return list;
}

} // namespace

McpTools::McpTools()
{
    for (const Tool &tool : tools()) {
        QJsonObject schema{{"type", "object"}, {"properties", tool.properties}};
        if (!tool.required.isEmpty())
            schema.insert("required", QJsonArray::fromStringList(tool.required));
        m_table.append(QJsonObject{{"name", tool.name},
                                   {"description", tool.description},
                                   {"inputSchema", schema},
                                   {"annotations", tool.annotations}});
    }
}

QJsonObject McpTools::invoke(const QString &name, const QJsonObject &arguments) const
{
    for (const Tool &tool : tools()) {
        if (name == QLatin1String(tool.name))
            return output(tool.handler(arguments));
    }
    throw McpError(McpError::UnknownTool, QStringLiteral("Unknown tool: ") + name);
}

QJsonObject McpTools::output(const QJsonObject &payload)
{
    const QString text = QString::fromUtf8(JsonCoding::compact(payload));
    return {{"content", QJsonArray{QJsonObject{{"type", "text"}, {"text", text}}}}};
}
