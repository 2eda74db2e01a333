#pragma once

#include <QByteArray>
#include <QString>

#include <optional>

// A line editor for key files such as mimeapps.list: reads one key of one group and
// replaces, adds or removes that one line, keeping every other line byte for byte.
// (QSettings would take "inode/directory" for a group path and rewrite the whole file.)
namespace MimeAppsList {

// The value of `key` in `[group]`, as written (no unescaping); nothing when absent.
std::optional<QString> value(const QByteArray &text, const QString &group, const QString &key);

// `text` with the line of `key` in `[group]` set to `value`, or removed when there is none.
// A new key goes after the group's last entry; a missing group is added at the end.
QByteArray withValue(const QByteArray &text, const QString &group, const QString &key,
                     const std::optional<QString> &value);

// The same on a file. Reading a missing file gives nothing; writing is atomic and creates
// the file's folder. False when the file cannot be read or written.
std::optional<QString> readValue(const QString &path, const QString &group, const QString &key);
bool writeValue(const QString &path, const QString &group, const QString &key,
                const std::optional<QString> &value);

} // namespace MimeAppsList
