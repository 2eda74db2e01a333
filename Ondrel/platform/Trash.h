#pragma once

#include <QString>
#include <QStringList>

#include <optional>

// The freedesktop trash: the home trash in $XDG_DATA_HOME/Trash and, on other mounted
// volumes, "$topdir/.Trash/$uid" or "$topdir/.Trash-$uid". Each trash folder holds the
// items in "files" and one "<name>.trashinfo" per item in "info". Every call touches the
// disk (emptying may take long): call off the GUI thread.
namespace Trash {

QString homeTrash();   // $XDG_DATA_HOME/Trash
QString filesFolder(); // homeTrash() + "/files": what the sidebar shows as the Trash

// Moves `path` to the trash of its volume (or the home trash), writing its .trashinfo.
// Returns the item's new path inside the trash's "files" folder; on failure nothing, with
// `error` set to a localised sentence when given.
std::optional<QString> moveToTrash(const QString &path, QString *error = nullptr);

// Moves a trashed item back to `originalPath`, never replacing anything there, then
// removes its .trashinfo. Returns 0 or an errno (EEXIST when the old name is taken again;
// the item then stays in the trash).
int restore(const QString &trashedPath, const QString &originalPath);

// The original path recorded in the item's .trashinfo, when it can be read.
std::optional<QString> originalPath(const QString &trashedPath);

// The trash folders that exist: the home trash first, then those of `volumeRoots` (by
// default every writable mounted volume). Folders that are symbolic links are left out.
QStringList trashFolders();
QStringList trashFolders(const QStringList &volumeRoots);

// The number of items in the "files" folders of trashFolders().
int itemCount();
int itemCount(const QStringList &volumeRoots);

// Removes everything in the "files" and "info" folders of every trash folder, never
// following a symbolic link (a link in the trash is removed as a link). Returns how many
// items could not be removed.
int empty();
int empty(const QStringList &volumeRoots);

} // namespace Trash
