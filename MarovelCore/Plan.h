#pragma once

#include "Workspace.h"

#include <QDateTime>
#include <QJsonObject>
#include <QList>
#include <QString>
#include <QUuid>

#include <optional>

// The three kinds of change a plan may hold; `rename` is carried out exactly like `move`.
enum class OpKind { Move, Rename, Mkdir };

QString opKindText(OpKind kind);
std::optional<OpKind> opKindFromText(const QString &text); // exact, lower-case text only

// One planned change, with paths relative to the workspace root as the client sent them.
struct MarovelOperation
{
    QUuid id;
    OpKind kind = OpKind::Move;
    std::optional<QString> from; // not used by mkdir
    QString to;

    QJsonObject toJson() const; // "from" left out when absent; id as upper-case text
    static MarovelOperation fromJson(const QJsonValue &value); // throws DecodingError
    bool operator==(const MarovelOperation &other) const = default;
};

QJsonArray operationsToJson(const QList<MarovelOperation> &operations);
QList<MarovelOperation> operationsFromJson(const QJsonArray &array);

// What an AI client asks for.
struct PlanRequest
{
    qint64 schemaVersion = 1;
    QString workspaceID;
    QList<MarovelOperation> operations;

    QJsonObject toJson() const;
    static PlanRequest fromJson(const QJsonValue &value); // throws DecodingError
};

// A validated plan as stored in the plans folder; never changed after it is written.
struct Plan
{
    QString id; // upper-case UUID text
    Workspace workspace;
    QDateTime createdAt;
    QList<MarovelOperation> operations;

    QJsonObject toJson() const;
    static Plan fromJson(const QJsonValue &value); // throws DecodingError
    bool operator==(const Plan &other) const;
};

// One record of the transaction journal. An "undone" record repeats the id of the
// "applied" record it reverses.
struct Transaction
{
    QString id;
    QString planID;
    QString workspaceID;
    QString status; // "applied" or "undone"
    QDateTime createdAt;
    QList<MarovelOperation> operations; // in the order they were applied

    QJsonObject toJson() const;
    static Transaction fromJson(const QJsonValue &value); // throws DecodingError
    bool operator==(const Transaction &other) const;
};
