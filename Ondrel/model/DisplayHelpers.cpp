#include "DisplayHelpers.h"

#include "FileItem.h"
#include "Localization.h"
#include "Trash.h"

#include <QDir>
#include <QGuiApplication>
#include <QPalette>
#include <QStandardPaths>
#include <QStorageInfo>

#include <algorithm>
#include <cmath>
#include <iterator>

namespace {

QString lastComponent(const QString &path)
{
    const QString clean = QDir::cleanPath(path);
    return clean == u"/" ? QString() : clean.mid(clean.lastIndexOf(u'/') + 1);
}

bool isHome(const QString &path)
{
    return QDir::cleanPath(path) == QDir::cleanPath(QDir::homePath());
}

enum class Place { None, Desktop, Documents, Downloads, Applications };

// Well-known folders by name in any location, and the user's own XDG folders wherever
// they are and whatever their names (a desktop folder called "桌面" included).
Place placeOf(const QString &path)
{
    const QString name = lastComponent(path);
    if (name == u"Desktop")
        return Place::Desktop;
    if (name == u"Documents")
        return Place::Documents;
    if (name == u"Downloads")
        return Place::Downloads;
    if (name == u"Applications")
        return Place::Applications;
    const QString clean = QDir::cleanPath(path);
    const std::pair<QStandardPaths::StandardLocation, Place> xdg[] = {
        {QStandardPaths::DesktopLocation, Place::Desktop},
        {QStandardPaths::DocumentsLocation, Place::Documents},
        {QStandardPaths::DownloadLocation, Place::Downloads}};
    for (const auto &[location, place] : xdg) {
        const QString folder = QStandardPaths::writableLocation(location);
        if (!folder.isEmpty() && QDir::cleanPath(folder) == clean && !isHome(folder))
            return place;
    }
    return Place::None;
}

} // namespace

qint64 percentOf(double fraction)
{
    if (!std::isfinite(fraction))
        return 0;
    // The small allowance keeps binary fractions such as 0.29 (28.999… × 100) at 29.
    const double percent = std::floor(std::clamp(fraction, 0.0, 1.0) * 100 + 1e-9);
    return qint64(percent);
}

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

QString displayName(const QString &path)
{
    if (isHome(path))
        return L("个人");
    switch (placeOf(path)) {
    case Place::Desktop:
        return L("桌面");
    case Place::Documents:
        return L("文稿");
    case Place::Downloads:
        return L("下载");
    case Place::Applications:
        return L("应用程序");
    case Place::None:
        break;
    }
    const QString name = lastComponent(path);
    if (name.isEmpty()) {
        const QString label = QStorageInfo::root().name();
        return label.isEmpty() ? L("文件系统") : label;
    }
    return name;
}

QString locIcon(const QString &path)
{
    if (isHome(path))
        return QStringLiteral("user-home");
    switch (placeOf(path)) {
    case Place::Desktop:
        return QStringLiteral("user-desktop");
    case Place::Documents:
        return QStringLiteral("folder-documents");
    case Place::Downloads:
        return QStringLiteral("folder-download");
    case Place::Applications:
        return QStringLiteral("applications-other");
    case Place::None:
        break;
    }
    return QStringLiteral("folder");
}

QString tagDisplay(const QString &tag)
{
    // Built on every call so the texts follow the interface language.
    const std::pair<const char16_t *, QString> names[] = {
        {u"Red", L("红")},  {u"Orange", L("橙")}, {u"Yellow", L("黄")}, {u"Green", L("绿")},
        {u"Blue", L("蓝")}, {u"Purple", L("紫")}, {u"Gray", L("灰")}};
    for (const auto &[name, text] : names)
        if (tag == QStringView(name))
            return text;
    return tag;
}

int tagOrder(const QString &tag)
{
    static const char16_t *const order[] = {u"Red",  u"Orange", u"Yellow", u"Green",
                                            u"Blue", u"Purple", u"Gray"};
    for (int i = 0; i < int(std::size(order)); ++i)
        if (tag == QStringView(order[i]))
            return i;
    return 99;
}

QColor tagColor(const QString &tag)
{
    static const std::pair<const char16_t *, QRgb> colours[] = {
        {u"Red", 0xE5453D},  {u"Orange", 0xF0892A}, {u"Yellow", 0xE8C02A}, {u"Green", 0x4CAF50},
        {u"Blue", 0x3B82F6}, {u"Purple", 0x9B5DE5}, {u"Gray", 0x8E8E8E}};
    for (const auto &[name, rgb] : colours)
        if (tag == QStringView(name))
            return QColor(rgb);
    if (qobject_cast<QGuiApplication *>(QCoreApplication::instance()))
        return QGuiApplication::palette().color(QPalette::PlaceholderText);
    return QColor(0x80, 0x80, 0x80);
}

QString trashURL()
{
    return Trash::filesFolder();
}
