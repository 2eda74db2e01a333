#include "PopoverPlacement.h"

#include <algorithm>

namespace {

// The screen holding the point, or none.
const QRect *screenAt(const QList<QRect> &screens, const QPoint &point)
{
    for (const QRect &screen : screens) {
        if (screen.contains(point))
            return &screen;
    }
    return nullptr;
}

// The screen that shares most of its area with the rectangle, or none.
const QRect *screenOverlapping(const QList<QRect> &screens, const QRect &rect)
{
    const QRect *best = nullptr;
    qint64 bestArea = 0;
    for (const QRect &screen : screens) {
        const QRect common = screen.intersected(rect);
        const qint64 area = qint64(common.width()) * common.height();
        if (area > bestArea) {
            best = &screen;
            bestArea = area;
        }
    }
    return best;
}

// A rectangle of `size` opening from `anchor` (a point or the icon's rectangle): centred
// on it horizontally, below it in the upper half of the screen and above it in the lower.
QRect beside(const QRect &anchor, const QSize &size, const QRect &screen)
{
    const int x = anchor.center().x() - size.width() / 2;
    const bool lowerHalf = anchor.center().y() > screen.center().y();
    const int y = lowerHalf ? anchor.top() - size.height() : anchor.bottom() + 1;
    return {QPoint(x, y), size};
}

QRect clampedInto(QRect rect, const QRect &screen)
{
    rect.setSize(rect.size().boundedTo(screen.size()));
    rect.moveLeft(std::clamp(rect.left(), screen.left(), screen.right() - rect.width() + 1));
    rect.moveTop(std::clamp(rect.top(), screen.top(), screen.bottom() - rect.height() + 1));
    return rect;
}

} // namespace

QRect popoverGeometry(const QRect &trayIcon, const QPoint &cursor, const QSize &sizeIn,
                      const QList<QRect> &screens)
{
    const QSize size = sizeIn.expandedTo(QSize(1, 1));
    if (screens.isEmpty())
        return {QPoint(0, 0), size};

    if (!trayIcon.isEmpty()) {
        const QRect *screen = screenAt(screens, trayIcon.center());
        if (!screen)
            screen = screenOverlapping(screens, trayIcon);
        if (screen) {
            const QSize fitted = size.boundedTo(screen->size());
            return clampedInto(beside(trayIcon, fitted, *screen), *screen);
        }
    }
    if (const QRect *screen = screenAt(screens, cursor)) {
        const QSize fitted = size.boundedTo(screen->size());
        return clampedInto(beside(QRect(cursor, QSize(1, 1)), fitted, *screen), *screen);
    }
    const QRect &screen = screens.first();
    QRect centred({}, size.boundedTo(screen.size()));
    centred.moveCenter(screen.center());
    return clampedInto(centred, screen);
}
