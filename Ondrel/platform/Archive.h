#pragma once

#include <QList>
#include <QString>

#include <functional>
#include <optional>

// Zip writing and archive extraction through libarchive. Entry names are UTF-8 whatever
// the process locale says. Both return nothing on success, else a localised sentence.
namespace Archive {

// Asked between entries and between blocks of data; true stops the operation, which then
// fails with the sentence "操作已取消".
using CancelCheck = std::function<bool()>;

struct Item
{
    QString source;    // a file, folder or symbolic link on disk
    QString entryName; // its name at the top of the archive
};

// Writes a zip archive of `items` to the open, empty file `fd` (which the caller closes).
// Folders go in with everything below them in name order, symbolic links as links (never
// followed), sockets, pipes and devices are left out, and the file behind `fd` itself is
// never read. Any read error fails the whole archive. `archiveName` is for messages.
std::optional<QString> writeZip(const QList<Item> &items, int fd, const QString &archiveName,
                                const CancelCheck &cancelled = {});

// Extracts every entry of the archive (any format and compression libarchive reads) into
// the existing folder `destination`. Entries with absolute names or ".." components,
// entries that would be written through a symbolic link, and names that already exist
// are refused, which fails the extraction; owners, ACLs, attributes and set-user-ID,
// set-group-ID and sticky bits are not restored. Sparse entries are written sparse.
//
// What the entries add up to (each entry's size as the archive gives it or as its data
// turns out, a hole counted like data, at least one block per entry) may not leave the
// destination's volume with less free space than 5 % of its size or 1 GiB, whichever is
// smaller: an archive that would is refused before or while it is written, so neither a
// bomb nor a sparse giant can fill the disk. Extraction stops at the first error of any
// kind; what was written before it stays, for the caller to remove. A cancelled
// extraction removes the entries it wrote and the folders it made for them, when they
// hold nothing else.
std::optional<QString> extract(const QString &archivePath, const QString &destination,
                               const CancelCheck &cancelled = {});

struct VolumeSpace
{
    qint64 size = 0;      // bytes
    qint64 available = 0; // bytes free for an unprivileged writer
};
// Test hook: reports the space of the volume holding `folder` in place of the file system.
// An empty function restores the real query.
void setVolumeSpaceProbe(std::function<std::optional<VolumeSpace>(const QString &folder)> probe);

} // namespace Archive
