#pragma once

#include "FileItem.h"

#include <QList>
#include <QString>

// Turns one folder into FileItem records and describes a volume's free space. Stateless
// apart from a process-wide cache of kind texts; safe on any thread. Callers run it off
// the GUI thread: it reads the disk.
namespace FileLister {

// The folder's entries (one level), in directory order. Hidden entries (a name that starts
// with a dot) are left out unless `showHidden`. A folder that cannot be read lists as
// empty; an entry whose facts cannot be read is listed with fallbacks. A large folder's
// entries are read on a few threads of the listing's own, which it joins before returning.
QList<FileItem> list(const QString &folder, bool showHidden);

// The kind column's text in the interface language: "文件夹" for a folder, the MIME
// type's description for a known extension, "XYZ 文件" for an unknown extension xyz,
// "文件" for a name without extension.
QString kindOf(const QString &path, bool isDir);

// "<size> 可用" for the volume that holds `path`, or "" when that cannot be read.
QString freeSpace(const QString &path);

} // namespace FileLister
