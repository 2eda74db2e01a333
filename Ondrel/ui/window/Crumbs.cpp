#include "Crumbs.h"

#include "DisplayHelpers.h"

#include <QDir>

QList<Crumb> crumbList(const QString &folder)
{
    QList<Crumb> crumbs;
    if (folder.isEmpty())
        return crumbs;
    QString path = QDir::cleanPath(QDir(folder).absolutePath());
    while (crumbs.size() < maxCrumbs) {
        crumbs.prepend({displayName(path), path});
        if (path == u"/")
            break;
        const qsizetype slash = path.lastIndexOf(u'/');
        const QString parent = slash <= 0 ? QStringLiteral("/") : path.left(slash);
        if (parent == path)
            break;
        path = parent;
    }
    return crumbs;
}
