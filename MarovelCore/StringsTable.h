#pragma once

#include <QHash>
#include <QString>

#include <optional>

// Reader of ".strings" tables: a text property list whose root is a dictionary of
// "key" = "value"; entries, with block and line comments and the usual backslash escapes
// (n, t, r, quotes, backslash, uXXXX and UXXXX). Unquoted keys and values of letters,
// digits and _.-/: are accepted too.
namespace StringsTable {

// The table in `text`, or nothing when it is not a well-formed dictionary of texts.
std::optional<QHash<QString, QString>> parse(const QString &text);

// The table in the UTF-8 or UTF-16 (with byte-order mark) file at `path`; nothing when the
// file cannot be read or does not parse.
std::optional<QHash<QString, QString>> load(const QString &path);

} // namespace StringsTable
