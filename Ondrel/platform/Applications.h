#pragma once

#include "Volumes.h"

#include <QList>
#include <QString>
#include <QStringList>

// The desktop's applications (desktop entries known to GIO) for opening files, terminals
// and online-account folders. Applications are named by their desktop-file id
// ("org.example.Viewer.desktop").
//
// The lookups (forMimeType, forFile, forFileNamed, displayName, iconName) block: they read
// the desktop database and desktop files from disk, and forFile reads the file itself.
// Call them off the GUI thread; on the GUI thread they refuse, log a warning and answer
// nothing. Launching returns at once; the application starts in the background.
namespace Applications {

// An application able to open a file: its desktop-file id and display name.
struct App
{
    QString id;
    QString name;

    bool operator==(const App &) const = default;
};

// The applications that can open files of the MIME type, each once (by id), sorted by
// display name with digits by value.
QStringList forMimeType(const QString &mimeType);
// The same for the file at `path`, its type found by name and content. Not cached.
QStringList forFile(const QString &path);
// forFile() with each application's display name.
QList<App> forFileNamed(const QString &path);

QString displayName(const QString &appId);
QString iconName(const QString &appId);

// Starts the application with the file, off the GUI thread. Failures are not reported.
void launch(const QString &appId, const QString &path);

// The first of ghostty, x-terminal-emulator and xterm found on PATH; empty when none.
QString terminal();
// Starts terminal() with `folder` as its working directory; false when there is none.
bool openTerminal(const QString &folder);

// The folders of online-account mounts (cloud storage) GIO reports, by display name.
QList<Volume> cloudDrives();

} // namespace Applications
