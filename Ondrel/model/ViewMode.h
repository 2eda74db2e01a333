#pragma once

#include <QHashFunctions>
#include <QString>

#include <optional>

// The list view or the icon grid of a pane.
enum class ViewMode { List, Icon };

QString rawValue(ViewMode mode);
std::optional<ViewMode> viewModeFromRaw(const QString &raw);

inline size_t qHash(ViewMode mode, size_t seed = 0)
{
    return ::qHash(int(mode), seed);
}
