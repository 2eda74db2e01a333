#pragma once

#include "TestSupport.h"

#include <QDeadlineTimer>
#include <QFile>
#include <QString>
#include <QTest>

#include <functional>

#undef signals // GLib uses the name
#include <gio/gdesktopappinfo.h>
#define signals Q_SIGNALS

namespace IntegrationTest {

// Runs events until `done` holds or `ms` pass. GIO learns of changed desktop entries and
// mimeapps.list files through its own file monitors, a moment after the write.
inline bool eventually(const std::function<bool()> &done, int ms = 5000)
{
    QDeadlineTimer deadline(ms);
    while (!done() && !deadline.hasExpired())
        QTest::qWait(10);
    return done();
}

inline QString dataHome() { return qEnvironmentVariable("XDG_DATA_HOME"); }
inline QString configHome() { return qEnvironmentVariable("XDG_CONFIG_HOME"); }
inline QString mimeApps() { return configHome() + QStringLiteral("/mimeapps.list"); }

// A desktop entry of another folder handler in the user's applications folder.
inline void writeOtherHandler(const QString &id)
{
    TestSupport::writeFile(dataHome() + QStringLiteral("/applications/") + id,
                           "[Desktop Entry]\nType=Application\nName=Other\nExec=true %U\n"
                           "MimeType=inode/directory;\n");
}

// Waits until GIO has seen Marovel's desktop entry (it cannot make an unknown entry the
// default handler).
inline bool gioKnowsMarovel()
{
    return eventually([] {
        GDesktopAppInfo *info = g_desktop_app_info_new("marovel.desktop");
        if (info)
            g_object_unref(info);
        return info != nullptr;
    });
}

} // namespace IntegrationTest
