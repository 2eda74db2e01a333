#pragma once

#include <QList>
#include <QPoint>
#include <QRect>
#include <QSize>

// Where the agent's popover opens: beside the tray icon when the tray host tells where
// the icon is (below it, or above it when the icon sits in the lower half of its screen),
// else at the mouse cursor when that is on a screen, else centred on the first screen.
// The result always lies inside the available geometry of the screen it opens on; a
// popover larger than that screen is made smaller. `screens` holds the screens' available
// geometries, the primary one first.
QRect popoverGeometry(const QRect &trayIcon, const QPoint &cursor, const QSize &size,
                      const QList<QRect> &screens);
