#pragma once

#include <QList>
#include <QString>

// One step of a pane's path bar: the folder's display name and its path.
struct Crumb
{
    QString name;
    QString path;

    bool operator==(const Crumb &) const = default;
};

// The crumbs from the outermost folder down to `folder`: normally "/" (named after the
// root's label, else "文件系统"), then every folder below it, each by displayName(). At
// most maxCrumbs: deeper paths lose their outermost crumbs. An empty path gives none.
inline constexpr qsizetype maxCrumbs = 41;
QList<Crumb> crumbList(const QString &folder);
