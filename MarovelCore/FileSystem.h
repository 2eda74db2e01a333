#pragma once

#include <QByteArray>
#include <QString>

#include <functional>

// File-system primitives shared by the core library and the application's file operations.
// None of them ever replaces an existing item.
namespace FileSystem {

// Asked by long copies between items and between chunks of a file; when it answers true
// the copy stops with ECANCELED and removes what it had made of the unfinished item. An
// empty check never cancels.
using CancelCheck = std::function<bool()>;

// Whether anything has this name, without following a final symbolic link (a dangling link
// is an existing name).
bool exists(const QString &path);
bool isDirectory(const QString &path); // follows links, like the file system's notion of "a folder"

// Creates the folder and every missing parent; an existing folder is no error. Returns 0 or
// the errno of the failure.
int makePath(const QString &path);

// Moves `from` to `to`, failing with EEXIST when anything has the name `to` already. Within
// one file system this is renameat2(RENAME_NOREPLACE), or link+unlink where the file system
// refuses that flag; across file systems the item is copied (modes and times kept) under a
// hidden temporary name beside `to`, which it gets only once the copy is complete, and then
// exactly what was copied is removed from the source (anything that appeared there
// meanwhile stays). An interrupted copy never leaves a partial item under the name `to`. A failed or cancelled copy is removed
// again and the source left whole; a clash inside it (a volume that ignores letter case)
// gives EIO. Returns 0 or an errno.
int moveNoReplace(const QString &from, const QString &to, const CancelCheck &cancelled = {});

// The same for the entry `fromName` of the folder `fromDir` and the entry `toName` of
// `toDir` (descriptors, O_PATH ones included): the rename happens between exactly these
// folders. The fallbacks name the folders through /proc/self/fd.
int moveNoReplaceAt(int fromDir, const QByteArray &fromName, int toDir, const QByteArray &toName);

// Writes `bytes` as the whole new content of `path` atomically (a temporary file in the
// same folder, then rename), so readers see the old or the new file, never a part.
// Returns 0 or an errno.
int writeAtomically(const QString &path, const QByteArray &bytes);

// Creates the new file `path` (O_CREAT|O_EXCL: an existing name, a dangling link
// included, gives EEXIST and is left alone) and writes `bytes` into it. After a failed
// write the file it created is removed. Returns 0 or an errno.
int writeNew(const QString &path, const QByteArray &bytes);

// Appends `bytes` with O_APPEND in one write; when the file is not empty and does not end
// in a line feed (a record cut short), a line feed is written first. Creates the file.
// Returns 0 or an errno.
int appendLine(const QString &path, const QByteArray &line);

// Whether `path` holds a NUL character, which would cut it short at every system call.
bool hasNul(const QString &path);

// Copies `from` (a file, a symbolic link as a link, or a folder with everything in it) to
// the new name `to`, which must not exist: the copy is made under a hidden temporary name
// beside `to` (files created with O_CREAT|O_EXCL, folders with mkdir) and gets the name
// `to` with a no-replace rename once complete, so nothing is ever replaced and an
// interrupted copy never leaves a partial item under the name `to`. Modes and times are kept. EEXIST means the name
// `to` was taken and nothing was created; after any other failure the partial copy is
// removed (a cancelled copy too: ECANCELED). Devices, sockets and pipes give ENOTSUP.
// Returns 0 or an errno.
int copyNoReplace(const QString &from, const QString &to, const CancelCheck &cancelled = {});

// Removes `path` and, for a folder, everything in it. Symbolic links are removed, never
// followed, at every level (folders are opened with O_NOFOLLOW relative to their parent),
// so nothing outside `path` is touched. Removal goes on past failures; the result is 0
// or the errno of the first failure.
int removeTree(const QString &path);
// The same for the entry `name` of the open folder `dirFd`.
int removeTreeAt(int dirFd, const QByteArray &name);

QByteArray encodeName(const QString &path);

// A leading "~" or "~/…" becomes the home folder, "~name" or "~name/…" that user's home
// folder, as a shell expands it; anything else, an unknown user included, stays as it is.
QString expandTilde(const QString &path);

} // namespace FileSystem
