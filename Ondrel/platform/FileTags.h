#pragma once

#include <QByteArray>
#include <QString>
#include <QStringList>

#include <optional>

// Tag names of files, kept in the extended attribute "user.xdg.tags" as comma-separated
// UTF-8 names (the convention other Linux file managers read). The seven colour tags are
// the names Red, Orange, Yellow, Green, Blue, Purple and Gray. Reads and writes the disk:
// call off the GUI thread.
namespace FileTags {

inline constexpr const char *attribute = "user.xdg.tags";

// The file's tags in stored order. An absent attribute is an empty list; any other
// failure gives nothing and sets `error` to the errno when given.
std::optional<QStringList> read(const QString &path, int *error = nullptr);
// The same from an already encoded path, empty on any failure: the listing's fast path.
QStringList readQuietly(const QByteArray &encodedPath);
// The tags of the entry `name` of the folder open as `dirFd`, links followed, read
// relative to the descriptor where the kernel can (Linux 6.13 and later), else by the path
// `folderPrefix` + `name` (the folder's encoded path ending in "/"). Empty on any failure;
// `error` receives the errno of a failed read, 0 for success or an untagged entry.
QStringList readAt(int dirFd, const QByteArray &folderPrefix, const char *name, int *error);

// Replaces the file's tags; an empty list removes the attribute. A name containing a comma
// cannot be stored and gives EINVAL; where the file system has no user attributes the
// result is ENOTSUP (or EOPNOTSUPP). Returns 0 or an errno.
int write(const QString &path, const QStringList &tags);

// Removes every occurrence of `tag` when the file has it, else appends it. When the tags
// cannot be read (other than absent), the file is left untouched and the errno returned.
int toggle(const QString &path, const QString &tag);

QStringList parse(const QByteArray &value);
QByteArray serialize(const QStringList &tags);

} // namespace FileTags
