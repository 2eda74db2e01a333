#include "SortKey.h"

QString rawValue(SortKey key)
{
    switch (key) {
    case SortKey::Name:
        return QStringLiteral("name");
    case SortKey::Size:
        return QStringLiteral("size");
    case SortKey::Kind:
        return QStringLiteral("kind");
    case SortKey::Date:
        return QStringLiteral("date");
    }
    return {};
}

std::optional<SortKey> sortKeyFromRaw(const QString &raw)
{
    for (SortKey key : {SortKey::Name, SortKey::Size, SortKey::Kind, SortKey::Date})
        if (raw == rawValue(key))
            return key;
    return std::nullopt;
}
