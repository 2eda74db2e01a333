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
// set-group-ID and sticky bits are not restored. Extraction stops at the first error of
// any kind; what was written before it stays. A cancelled extraction removes the entries
// it wrote and the folders it made for them, when they hold nothing else.
std::optional<QString> extract(const QString &archivePath, const QString &destination,
                               const CancelCheck &cancelled = {});

} // namespace Archive
