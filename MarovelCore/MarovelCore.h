#pragma once

#include "FileEntry.h"
#include "Plan.h"

#include <QList>
#include <QString>

// The guarded road from an AI client's wish to a change on disk, the transaction journal,
// and what AI clients may see of authorised workspaces. Every function is synchronous and
// throws a MarovelError subclass on failure.
namespace MarovelCore {

// Validates a request against the registry and the disk and stores it as a plan file.
// Touches no user file.
Plan plan(const PlanRequest &request);
// Carries out a stored plan and journals an "applied" record. No rollback on failure.
Transaction apply(const QString &planID);
// Reverses an applied transaction and journals an "undone" record.
Transaction undo(const QString &transactionID);

// Appends a record made by the caller (the application's own renames and moves).
void record(const Transaction &transaction);
// Every journal record, oldest first.
QList<Transaction> history();

// The visible children (at most 100, in listing order) of a folder inside a workspace.
QList<FileEntry> context(const QString &folder);
// Files and folders below a workspace whose names contain `query`, case-insensitively, in
// walk order; `limit` is clamped to 1...200.
QList<FileEntry> find(const QString &query, const QString &rootID, int limit);

} // namespace MarovelCore
