#pragma once

#include <QHashFunctions>
#include <QString>

#include <optional>

// What a pane sorts by. The raw values are what the per-folder sort memory stores.
enum class SortKey { Name, Size, Kind, Date };

QString rawValue(SortKey key);
// Exact comparison: "Date" or "" give nothing.
std::optional<SortKey> sortKeyFromRaw(const QString &raw);

inline size_t qHash(SortKey key, size_t seed = 0)
{
    return ::qHash(int(key), seed);
}
