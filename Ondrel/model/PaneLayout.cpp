#include "PaneLayout.h"

QString rawValue(PaneLayout layout)
{
    switch (layout) {
    case PaneLayout::Single:
        return QStringLiteral("single");
    case PaneLayout::Dual:
        return QStringLiteral("dual");
    case PaneLayout::TriPin:
        return QStringLiteral("triPin");
    case PaneLayout::Quad:
        return QStringLiteral("quad");
    }
    return {};
}

std::optional<PaneLayout> paneLayoutFromRaw(const QString &raw)
{
    for (PaneLayout layout : allPaneLayouts())
        if (raw == rawValue(layout))
            return layout;
    return std::nullopt;
}

const QList<PaneLayout> &allPaneLayouts()
{
    static const QList<PaneLayout> all{PaneLayout::Single, PaneLayout::Dual, PaneLayout::TriPin,
                                       PaneLayout::Quad};
    return all;
}

int paneCount(PaneLayout layout)
{
    return int(allPaneLayouts().indexOf(layout)) + 1;
}
