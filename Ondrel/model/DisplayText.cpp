// The text helpers of DisplayHelpers.h that need nothing beyond QtCore, kept apart so
// that code which formats sizes and dates (the folder listing) links without the GUI
// library.
#include "DisplayHelpers.h"

#include "FileItem.h"

QString sizeStr(qint64 bytes)
{
    if (bytes < 1)
        return {};
    static const char *const units[] = {"B", "KB", "MB", "GB", "TB"};
    double value = double(bytes);
    int unit = 0;
    while (value >= 1024 && unit < 4) {
        value /= 1024;
        ++unit;
    }
    // QString::number formats without a locale: the decimal point is always ".".
    return QString::number(value, 'f', unit == 0 ? 0 : 1) + u' ' + QLatin1String(units[unit]);
}

QString dateStr(const QDateTime &date)
{
    if (!date.isValid() || date == FileItem::distantPast())
        return {};
    return date.toLocalTime().toString(QStringLiteral("yyyy-MM-dd HH:mm"));
}

QString dayStr(const QDateTime &date)
{
    if (!date.isValid() || date == FileItem::distantPast())
        return {};
    return date.toLocalTime().toString(QStringLiteral("yyyy-MM-dd"));
}
