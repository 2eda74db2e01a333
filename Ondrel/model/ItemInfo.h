#pragma once

#include <QDateTime>
#include <QString>
#include <QStringList>

#include <functional>
#include <optional>

class QThreadPool;

// The facts the information panel shows about one file or folder. Everything here reads
// the disk and may block (a dead network mount): call it off the GUI thread.
namespace ItemInfo {

struct Facts
{
    bool readable = false; // false: nothing could be read, every other field is empty
    bool isDir = false;    // a link shows what it points to
    qint64 size = 0;       // logical size in bytes (files)
    QDateTime created;     // birth time; invalid where the file system keeps none
    QDateTime modified;
    std::optional<int> permissions; // the rwx bits only (mode & 0777)
    QStringList tags;
};

// The item's facts; a dangling link gives its own.
Facts read(const QString &path);

// The disk space allocated to everything below `folder`: each entry's `lstat` blocks
// × 512, hidden and system entries included, symbolic links counted as links and never
// entered, unreadable entries and sub-folders skipped. The folder itself is not counted.
// `stop` is asked now and then; once it answers true the walk ends and gives nothing.
std::optional<qint64> folderSize(const QString &folder, const std::function<bool()> &stop = {});

// The pool folder walks run on, apart from the shared one, so that a long walk never holds
// up listings and thumbnails. Never destroyed: quitting does not wait for a walk.
QThreadPool &walkPool();

// "755" for mode rwxr-xr-x: the permission bits in octal, without leading zeros.
QString permissionText(int permissions);

} // namespace ItemInfo
