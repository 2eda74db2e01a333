#pragma once

#include <QStringList>

class QMimeData;

// The local files a drag carries, as any application writes them into text/uri-list:
// "file:" URLs with no host or the host "localhost", percent-encoding undone. Other URLs
// (another host, http, ...) are left out; text alone carries no files.
namespace DropUrls {

QStringList localPaths(const QMimeData *data);

} // namespace DropUrls
