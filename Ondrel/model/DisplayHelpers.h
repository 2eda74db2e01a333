#pragma once

#include <QColor>
#include <QDateTime>
#include <QString>
#include <QStringList>

// How sizes, dates, places and tags are shown. Stateless; texts pass through L and follow
// the interface language of the moment.

// "1 B", "1.5 KB", "1.0 TB" (base 1024, one decimal from KB up, always a "." decimal
// point); a count below 1 gives "".
QString sizeStr(qint64 bytes);
// A fraction 0 … 1 as a whole percentage, cut (0.999 gives 99), never rounded up; a
// fraction that is not a finite number counts as 0, and the result stays within 0 … 100.
qint64 percentOf(double fraction);
// "yyyy-MM-dd HH:mm" in local time; the placeholder date of the listing gives "".
QString dateStr(const QDateTime &date);
// "yyyy-MM-dd" in local time; the placeholder date of the listing gives "".
QString dayStr(const QDateTime &date);
// The home folder, the desktop, documents and downloads folders and any folder named
// Applications by their localised names; the root by its volume label, else "文件系统";
// anything else by its last path component.
QString displayName(const QString &path);
// The freedesktop icon name for a place in the sidebar.
QString locIcon(const QString &path);
// The localised name of one of the seven colour tags; other tag names unchanged.
QString tagDisplay(const QString &tag);
// The colour of a colour tag (exact, case-sensitive names); any other name gives the
// dimmed foreground colour of the current palette.
QColor tagColor(const QString &tag);
// The position of a tag in lists of tags: the colour tags Red, Orange, Yellow, Green, Blue,
// Purple, Gray give 0 to 6 (exact, case-sensitive names), any other name 99.
int tagOrder(const QString &tag);
// The folder the sidebar shows as the Trash: $XDG_DATA_HOME/Trash/files.
QString trashURL();
// The applications (desktop-file ids) that can open the file at `path`, each once, sorted
// by display name with digits by value. Not cached; it reads the desktop database and the
// file, so call it off the GUI thread (see Applications).
QStringList appsForURL(const QString &path);
