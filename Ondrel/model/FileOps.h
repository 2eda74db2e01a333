#pragma once

#include "FileOpsError.h"
#include "FileSystem.h"

#include <QSet>
#include <QString>
#include <QStringList>

#include <functional>
#include <utility>

// File operations of the browser. No operation ever replaces an existing item: every
// destination gets a collision-free name, and the system calls themselves refuse a name
// that is taken (no-replace rename, exclusive creation), so a name taken in between is
// not overwritten: the next free name is used instead. Existence is tested with lstat (a
// dangling symbolic link is a taken name). Operations are synchronous and read and write
// the disk: run them off the GUI thread. Failures throw FileOpsError.
//
// The long operations take a cancel check (a running FileJob's, see FileJobs.h), asked
// between items and between chunks of data. Cancelling stops the operation with a
// FileOpsError of code ECANCELED: the item under way is removed (nothing half-copied or
// half-written stays), the items finished before it stay and are listed in the error.
namespace FileOps {

using FileSystem::CancelCheck;

// What moveTo does when the requested name is taken in the target folder.
enum class NameClash {
    Refuse,   // fail with EEXIST
    NextFree, // take the first free numbered name ("a 2.txt", "a 3.txt", ...)
};

// "report.pdf" -> ("report", "pdf"); ".profile" -> (".profile", ""); "a." -> ("a.", "").
std::pair<QString, QString> splitExtension(const QString &name);
// The n-th candidate of the collision rule: "a.txt", 2 -> "a 2.txt"; "notes", 2 -> "notes 2".
QString numberedName(const QString &name, int n);

// The path `dir/name`, or the first of "base 2.ext", "base 3.ext", … that is free.
QString collisionFree(const QString &dir, const QString &name);
// The first candidate of the same rule that is neither in `taken` nor on disk in `dir`.
QString collisionFreeName(const QString &dir, const QString &name, const QSet<QString> &taken);

// Each source in order goes into `dir` under a collision-free name; returns the new paths.
// A folder is never moved or copied into itself or below itself. The first failure stops
// the operation; items done before it stay done and are listed in the error.
// A move within one file system is a rename and never stops half-way; across file
// systems the item is copied first and the source stays whole until the copy is done.
QStringList move(const QStringList &sources, const QString &dir, const CancelCheck &cancelled = {});
QStringList copy(const QStringList &sources, const QString &dir, const CancelCheck &cancelled = {});
// Moves (or, within one folder, renames) one item to `targetDir` under `name`, or under
// the next free numbered name with NameClash::NextFree. Returns the item's final path; an
// item already at that very path stays as it is. An empty name, ".", "..", a name with
// "/" and moving the root fail with EINVAL, a folder into itself too; a taken name with
// Refuse fails with EEXIST. Cancelling stops a move across file systems like move() does.
QString moveTo(const QString &source, const QString &targetDir, const QString &name,
               NameClash clash, const CancelCheck &cancelled = {});
// Copies each source beside itself as "name 副本.ext", "name 副本 2.ext", …
QStringList duplicate(const QStringList &sources, const CancelCheck &cancelled = {});

// Writes one zip archive of the sources into the first source's folder: "report.zip" for
// the single item report.pdf, "归档.zip" for several (items with equal names get numbered
// entry names). Any read error, and cancelling, fails the operation and leaves no
// archive behind.
QString zip(const QStringList &sources, const CancelCheck &cancelled = {});
// Extracts the archive into a new folder beside it named after the archive without its
// last extension ("data.zip" -> "data", "x.tar.gz" -> "x.tar"), numbered when taken.
// Unsafe entries, an archive that would leave its volume almost full, and every libarchive
// error fail the operation, and the new folder goes with everything written into it; a
// cancelled extraction too. Returns the folder.
QString extract(const QString &archive, const CancelCheck &cancelled = {});

// Test hook: called with each chosen destination just before the system call that
// creates it, so tests can take the name in between. Not for production use.
void setBeforeCreateHook(std::function<void(const QString &destination)> hook);

} // namespace FileOps

using FileOps::NameClash;
