#pragma once

#include <QString>
#include <QUuid>

// One row of the empty-folder demo: a sample file and the name proposed for it.
struct DemoItem
{
    QUuid id;       // new for every row
    QString path;   // the sample file
    QString oldName;
    QString newName;
    QString recognized; // what the detector recognised
    bool accept = true; // the row is applied only when true

    bool operator==(const DemoItem &) const = default;
};
