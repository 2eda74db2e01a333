#pragma once

#include "FileEntry.h"
#include "Plan.h"

#include <QList>
#include <QString>

#include <optional>

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
// Every journal record, oldest first. A record cut short by a crash (a line that ends
// inside its JSON object) is skipped; any other bad line fails the whole read.
QList<Transaction> history();

struct JournalContents
{
    QList<Transaction> transactions; // oldest first
    int tornRecords = 0;             // records cut short, skipped
};
// The same read, with the number of records cut short.
JournalContents readJournal();

// The visible children (at most 100, in listing order) of a folder inside a workspace.
QList<FileEntry> context(const QString &folder);
// The metadata of the item `path` whose folder lies inside a workspace, or nothing when no
// such item exists. The folder is authorised first, so a path outside every workspace is
// refused whether or not it exists; the item is read from the folder's checked descriptor
// without following a final link.
std::optional<FileEntry> entryInside(const QString &path);
// Files and folders below a workspace whose names contain `query`, case-insensitively, in
// walk order; `limit` is clamped to 1...200.
QList<FileEntry> find(const QString &query, const QString &rootID, int limit);

} // namespace MarovelCore
