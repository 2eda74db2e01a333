#pragma once

#include <QHashFunctions>
#include <QList>
#include <QString>

#include <optional>

// The window's layouts of one to four panes, in the order the layout picker lists them.
enum class PaneLayout { Single, Dual, TriPin, Quad };

QString rawValue(PaneLayout layout);
std::optional<PaneLayout> paneLayoutFromRaw(const QString &raw);
const QList<PaneLayout> &allPaneLayouts();
// The number of panes: the layout's position in allPaneLayouts() plus one.
int paneCount(PaneLayout layout);

inline size_t qHash(PaneLayout layout, size_t seed = 0)
{
    return ::qHash(int(layout), seed);
}
