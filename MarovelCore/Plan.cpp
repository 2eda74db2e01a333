#include "Plan.h"

#include "JsonCoding.h"
#include "Localization.h"
#include "TextUtil.h"

#include <QJsonArray>

QString opKindText(OpKind kind)
{
    switch (kind) {
    case OpKind::Move: return QStringLiteral("move");
    case OpKind::Rename: return QStringLiteral("rename");
    case OpKind::Mkdir: return QStringLiteral("mkdir");
    }
    return {};
}

std::optional<OpKind> opKindFromText(const QString &text)
{
    for (OpKind kind : {OpKind::Move, OpKind::Rename, OpKind::Mkdir}) {
        if (text == opKindText(kind))
            return kind;
    }
    return std::nullopt;
}

QJsonObject MarovelOperation::toJson() const
{
    QJsonObject object{{"id", TextUtil::uuidText(id)}, {"kind", opKindText(kind)}, {"to", to}};
    if (from)
        object.insert("from", *from);
    return object;
}

MarovelOperation MarovelOperation::fromJson(const QJsonValue &value)
{
    const JsonCoding::Reader reader(value, QStringLiteral("operation"));
    const QString id = reader.string("id");
    if (!TextUtil::isUuidText(id))
        reader.fail("id", L("应为 UUID"));
    const auto kind = opKindFromText(reader.string("kind"));
    if (!kind)
        reader.fail("kind", L("应为 move、rename 或 mkdir"));
    return {QUuid::fromString(id), *kind, reader.optionalString("from"), reader.string("to")};
}

QJsonArray operationsToJson(const QList<MarovelOperation> &operations)
{
    QJsonArray array;
    for (const MarovelOperation &operation : operations)
        array.append(operation.toJson());
    return array;
}

QList<MarovelOperation> operationsFromJson(const QJsonArray &array)
{
    QList<MarovelOperation> operations;
    operations.reserve(array.size());
    for (const QJsonValue &item : array)
        operations.append(MarovelOperation::fromJson(item));
    return operations;
}

QJsonObject PlanRequest::toJson() const
{
    return {{"schemaVersion", schemaVersion},
            {"workspaceID", workspaceID},
            {"operations", operationsToJson(operations)}};
}

PlanRequest PlanRequest::fromJson(const QJsonValue &value)
{
    const JsonCoding::Reader reader(value, QStringLiteral("plan request"));
    return {reader.integer("schemaVersion"), reader.string("workspaceID"),
            operationsFromJson(reader.array("operations"))};
}

QJsonObject Plan::toJson() const
{
    return {{"id", id},
            {"workspace", workspace.toJson()},
            {"createdAt", JsonCoding::dateText(createdAt)},
            {"operations", operationsToJson(operations)}};
}

Plan Plan::fromJson(const QJsonValue &value)
{
    const JsonCoding::Reader reader(value, QStringLiteral("plan"));
    return {reader.string("id"), Workspace::fromJson(reader.value("workspace")),
            reader.date("createdAt"), operationsFromJson(reader.array("operations"))};
}

bool Plan::operator==(const Plan &other) const
{
    return id == other.id && workspace == other.workspace && createdAt == other.createdAt
           && operations == other.operations;
}

QJsonObject Transaction::toJson() const
{
    return {{"id", id},
            {"planID", planID},
            {"workspaceID", workspaceID},
            {"status", status},
            {"createdAt", JsonCoding::dateText(createdAt)},
            {"operations", operationsToJson(operations)}};
}

Transaction Transaction::fromJson(const QJsonValue &value)
{
    const JsonCoding::Reader reader(value, QStringLiteral("transaction"));
    return {reader.string("id"),     reader.string("planID"),  reader.string("workspaceID"),
            reader.string("status"), reader.date("createdAt"), operationsFromJson(reader.array("operations"))};
}

bool Transaction::operator==(const Transaction &other) const
{
    return id == other.id && planID == other.planID && workspaceID == other.workspaceID
           && status == other.status && createdAt == other.createdAt
           && operations == other.operations;
}
