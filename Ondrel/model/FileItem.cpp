#include "FileItem.h"

#include <QDir>

QDateTime FileItem::distantPast()
{
    static const QDateTime date(QDate(1, 1, 1), QTime(0, 0), Qt::UTC);
    return date;
}

QString FileItem::noConfidence()
{
    return QStringLiteral("\u2014");
}

QString FileItem::identityPath(const QString &path)
{
    if (path.isEmpty())
        return path;
    return QDir::cleanPath(QDir::isAbsolutePath(path) ? path
                                                      : QDir::current().absoluteFilePath(path));
}
