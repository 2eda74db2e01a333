#include "DropUrls.h"

#include <QMimeData>
#include <QUrl>

namespace DropUrls {

QStringList localPaths(const QMimeData *data)
{
    QStringList paths;
    if (!data || !data->hasUrls())
        return paths;
    for (const QUrl &url : data->urls()) {
        if (url.scheme().compare(QLatin1String("file"), Qt::CaseInsensitive) != 0)
            continue;
        const QString host = url.host();
        if (!host.isEmpty() && host.compare(QLatin1String("localhost"), Qt::CaseInsensitive) != 0)
            continue;
        const QString path = url.path(QUrl::FullyDecoded);
        if (path.startsWith(u'/'))
            paths << path;
    }
    return paths;
}

} // namespace DropUrls
