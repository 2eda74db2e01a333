#include "ViewMode.h"

QString rawValue(ViewMode mode)
{
    switch (mode) {
    case ViewMode::List:
        return QStringLiteral("list");
    case ViewMode::Icon:
        return QStringLiteral("icon");
    }
    return {};
}

std::optional<ViewMode> viewModeFromRaw(const QString &raw)
{
    for (ViewMode mode : {ViewMode::List, ViewMode::Icon})
        if (raw == rawValue(mode))
            return mode;
    return std::nullopt;
}
