#pragma once

#include <QDBusConnection>
#include <QStringList>

// Showing files in the desktop's file manager, selected in their folders, through the
// freedesktop FileManager1 D-Bus interface.
namespace Reveal {

inline constexpr char service[] = "org.freedesktop.FileManager1";
inline constexpr char objectPath[] = "/org/freedesktop/FileManager1";
inline constexpr char interface[] = "org.freedesktop.FileManager1";

// Asks the file manager that owns (or can be started as) FileManager1 on `bus` to show
// the items at `paths`. True once the request is sent; false when there are no paths, no
// bus or no such service, so the caller shows the items itself. Does not wait for the
// file manager; only the bus daemon is asked whether the service exists.
bool showItems(const QStringList &paths, const QDBusConnection &bus = QDBusConnection::sessionBus());

} // namespace Reveal
